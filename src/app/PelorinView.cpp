#include "app/PelorinView.h"

#include "app/CommandIds.h"
#include "camera/Calibration.h"
#include "dialogs/DialogforParameter.h"
#include "dialogs/GenTextureDialog.h"
#include "dialogs/GetPointDialog.h"
#include "dialogs/QueryTexture.h"
#include "export/Gltf.h"
#include "export/Obj.h"
#include "export/Vrml.h"
#include "texture/FaceTexture.h"
#include "dialogs/InputDialogForVanishPoints.h"
#include "dialogs/OutlierThresholdDialog.h"
#include "lines/PhotographSnap.h"
#include "lines/ResidualTrimming.h"
#include "session/SegmentTrimming.h"
#include "app/DetectionOverlay.h"
#include "app/DetectionPanel.h"
#include "app/DetectionRun.h"
#include "app/Overlays.h"
#include "app/PelorinDoc.h"
#include "app/PhotographLoad.h"
#include "app/PhotographTexture.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/VanishingPoints.h"
#include "model/DataFile.h"
#include "session/CameraUncertainty.h"
#include "session/Recording.h"
#include "services/NumberText.h"
#include "services/SaveFile.h"
#include "services/Services.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr const char* kNoPhotograph = "No source image is loaded.";
// How near a click must come to a suggested segment to turn it off or on, in device pixels;
// a press that moves further is a pan.
constexpr double kPickDevicePixels = 4;
const char* kAxisNames[3] = {"X", "Y", "Z"};

}  // namespace

CPelorinView::CPelorinView(CPelorinDoc& document, QWidget* parent)
    : QWidget(parent),
      m_XLines(document.Lines(0)),
      m_YLines(document.Lines(1)),
      m_ZLines(document.Lines(2)),
      m_document(document) {
  m_commands = {
      {ID_LOAD_SOURCE_IMAGE, &CPelorinView::OnLoadSourceImage},
      {ID_INPUT_VX, &CPelorinView::OnInputForVx},
      {ID_INPUT_VY, &CPelorinView::OnInputForVy},
      {ID_INPUT_VZ, &CPelorinView::OnInputForVz},
      {ID_CALCULATE_VANISHING_POINTS, &CPelorinView::OnCalculateVanishingPoints},
      {ID_LOAD_DATA_FILE, &CPelorinView::OnLoadDataFile},
      {ID_SAVE_DATA_FILE, &CPelorinView::OnSaveDataFile},
      {ID_GET_PARAMETER, &CPelorinView::OnGetParameter},
      {ID_SAVE_VRML_FILE, &CPelorinView::OnSaveVrmlFile},
      {ID_QUERY_TEXTURE, &CPelorinView::OnQueryTexture},
      {ID_SAVE_GLTF_FILE, &CPelorinView::OnSaveGltfFile},
      {ID_SAVE_OBJ_FILE, &CPelorinView::OnSaveObjFile},
      {ID_EXPORT_CAMERA, &CPelorinView::OnExportCamera},
      {ID_DETECT_SEGMENTS, &CPelorinView::OnDetectSegments},
      {ID_DISABLE_OUTLIERS, &CPelorinView::OnDisableOutliers},
      {ID_VIEW_ZOOM_IN, &CPelorinView::OnZoomIn},
      {ID_VIEW_ZOOM_OUT, &CPelorinView::OnZoomOut},
      {ID_VIEW_ACTUAL_PIXELS, &CPelorinView::OnActualPixels},
      {ID_VIEW_FIT_IN_WINDOW, &CPelorinView::OnFitInWindow},
      {ID_TOOL_PAN, &CPelorinView::OnToolPan},
      {ID_TOOL_SEGMENT_X, &CPelorinView::OnToolSegmentX},
      {ID_TOOL_SEGMENT_Y, &CPelorinView::OnToolSegmentY},
      {ID_TOOL_SEGMENT_Z, &CPelorinView::OnToolSegmentZ},
      {ID_TOOL_POINT, &CPelorinView::OnToolPoint},
      {ID_TOOL_FACE, &CPelorinView::OnToolFace},
  };
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // Without a surface the view is a plain black area.
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setMinimumSize(1, 1);

  // The result is not needed: without a context the commands still work on the scene model.
  m_glContext.Create(this, [this] { OnPaint(); });
}

CPelorinView::~CPelorinView() {
  m_pDetectionPanel.reset();
  if (m_nLoupeTexture != 0 && m_glContext.MakeCurrent()) glDeleteTextures(1, &m_nLoupeTexture);
  m_glContext.DeleteContext();
}

QSize CPelorinView::ClientSize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

QPointF CPelorinView::DevicePositionF(const QPointF& logical) const { return logical * devicePixelRatioF(); }

QPointF CPelorinView::PhotoPositionAt(QPointF device) const {
  const double clientHeight = ClientSize().height();
  return QPointF(Left() + device.x() / m_dZoom - 0.5, Bottom() + (clientHeight - device.y()) / m_dZoom - 0.5);
}

QPointF CPelorinView::DeviceAt(QPointF photo) const {
  const double clientHeight = ClientSize().height();
  return QPointF((photo.x() + 0.5 - Left()) * m_dZoom, clientHeight - (photo.y() + 0.5 - Bottom()) * m_dZoom);
}

void CPelorinView::SetOrigin(double left, double bottom) {
  const double wholeX = std::floor(left), wholeY = std::floor(bottom);
  m_nPanX = static_cast<int>(wholeX);
  m_nPanY = static_cast<int>(wholeY);
  m_dSubX = left - wholeX;
  m_dSubY = bottom - wholeY;
}

void CPelorinView::SetZoom(double zoom, QPointF aboutDevice) {
  zoom = std::clamp(zoom, MinimumZoom(), 32.0);
  m_bFitted = false;
  const double clientHeight = ClientSize().height();
  // The world point under the position; in the plain view, the centre of the pixel it names.
  const QPointF about = IsPlainView() ? QPointF(std::floor(aboutDevice.x()) + 0.5, std::floor(aboutDevice.y()) + 0.5)
                                      : aboutDevice;
  const double worldX = Left() + about.x() / m_dZoom;
  const double worldY = Bottom() + (clientHeight - about.y()) / m_dZoom;
  m_dZoom = zoom;
  if (zoom == 1) {
    // Back to whole pixels: the pixel under the position stays under it.
    m_nPanX = static_cast<int>(std::floor(worldX) - std::floor(about.x()));
    m_nPanY = static_cast<int>(std::floor(worldY) - (clientHeight - 1 - std::floor(about.y())));
    m_dSubX = m_dSubY = 0;
  } else {
    SetOrigin(worldX - about.x() / zoom, worldY - (clientHeight - about.y()) / zoom);
  }
  Services().Repaint();
}

void CPelorinView::OnZoomIn() { SetZoom(NextZoom(m_dZoom, 1), QPointF(ClientSize().width() / 2.0, ClientSize().height() / 2.0)); }

void CPelorinView::OnZoomOut() { SetZoom(NextZoom(m_dZoom, -1), QPointF(ClientSize().width() / 2.0, ClientSize().height() / 2.0)); }

void CPelorinView::OnActualPixels() { SetZoom(1, QPointF(ClientSize().width() / 2.0, ClientSize().height() / 2.0)); }

void CPelorinView::wheelEvent(QWheelEvent* event) {
  // The hand's pan holds the photograph point under the mouse at this zoom.
  if (m_bHandPanning) return;
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  SetZoom(NextZoom(m_dZoom, steps > 0 ? 1 : -1), DevicePositionF(event->position()));
  // The echo names the pixel now under the cursor, before the mouse moves again.
  if (m_bDragging) return;
  if (IsPlainView())
    OnMouseMove(DevicePosition(event->position()));
  else
    OnMouseMoveZoomed(DevicePositionF(event->position()));
}

QPoint CPelorinView::DevicePosition(const QPointF& logical) const {
  const qreal ratio = devicePixelRatioF();
  // A device pixel's own position comes back from logical units a hair below the whole number.
  constexpr double kRoundingSlack = 1e-6;
  return QPoint(static_cast<int>(std::floor(logical.x() * ratio + kRoundingSlack)),
                static_cast<int>(std::floor(logical.y() * ratio + kRoundingSlack)));
}

bool CPelorinView::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick &&
      type != QEvent::MouseMove)
    return QWidget::event(event);
  // Qt hands a widget its mouse position rounded to whole logical pixels, which at a fractional
  // display scale skips device pixels. The window's position of the event (its scene position)
  // keeps the fraction; it is taken where it agrees with the rounded one, as it does for events
  // from the window system (an event made for the view alone has its own position there).
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPointF exact = mouse->scenePosition() - QPointF(mapTo(window(), QPoint(0, 0)));
  const QPointF offset = exact - mouse->position();
  if (exact == mouse->position() || std::fabs(offset.x()) > 0.5 || std::fabs(offset.y()) > 0.5)
    return QWidget::event(event);
  QMouseEvent precise(type, exact, mouse->scenePosition(), mouse->globalPosition(), mouse->button(), mouse->buttons(),
                      mouse->modifiers(), mouse->pointingDevice());
  precise.setTimestamp(mouse->timestamp());
  const bool handled = QWidget::event(&precise);
  event->setAccepted(precise.isAccepted());
  return handled;
}

void CPelorinView::OnInitialUpdate() {
  m_glContext.InitGL();
  m_nPanY = 0;
  m_nPanX = 0;
  m_bDragging = 0;
  m_dZoom = 1;
  m_dSubX = m_dSubY = 0;
  m_bFitted = false;
  ShowNewPhotograph();
  // The reset pan must reach the frame now: the echo and the double-click already use it.
  RepaintNow();
}

void CPelorinView::OnSize(int cx, int cy) {
  if (cx > 0 && cy > 0) {
    m_viewport[0] = 0;
    m_viewport[1] = 0;
    m_viewport[2] = cx;
    m_viewport[3] = cy;
  }
}

void CPelorinView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const qreal ratio = devicePixelRatioF();
  // The viewport first: resizing the surface paints it at once.
  OnSize(qRound(event->size().width() * ratio), qRound(event->size().height() * ratio));
  if (CGLSurface* surface = m_glContext.Surface()) surface->setGeometry(rect());
  RepaintNow();
}

void CPelorinView::OnPaint() {
  // Qt sets its own viewport before every paint; the view keeps the one its size handler chose.
  // The loupe's magnified picture is drawn and taken first, in the corner the frame then covers.
  PrepareLoupe();
  glViewport(m_viewport[0], m_viewport[1], m_viewport[2], m_viewport[3]);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(Left(), Left() + (viewport[2] - viewport[0]) / m_dZoom, Bottom(), Bottom() + (viewport[3] - viewport[1]) / m_dZoom,
          -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslated(0, 0, 1);
  DrawImage();
  if (const CSingleImage* model = GetDocument()->GetSingleImage()) {
    if (m_bOverlays) {
      const std::optional<CReferenceFields>& reference = m_document.Session().Replayed().parameters;
      DrawOverlays({model, {&m_XLines, &m_YLines, &m_ZLines}, m_dZoom, reference ? &*reference : nullptr, &m_highlights,
                    m_document.Session().GivenFocalPixels()});
    }
    if (m_bDrawingSegment)
      DrawRubberBand(m_segmentStart.x(), m_segmentStart.y(), m_segmentEnd.x(), m_segmentEnd.y());
    if (m_pReview && m_pReviewModel == model) DrawDetectionSuggestions(*m_pReview);
    if (m_eBand != EBand::None) DrawRectangleBand(m_bandStart.x(), m_bandStart.y(), m_bandEnd.x(), m_bandEnd.y());
    DrawHandleMarks();
    DrawLoupeOverView();
  }
  m_glContext.SwapFrame();
  ++m_nPaintCount;
  SyncScrollBars();
}

void CPelorinView::DrawImage() {
  const CSingleImage* model = GetDocument()->GetSingleImage();
  if (!model || model->GetTexName() == 0) return;
  const QSize client = ClientSize();
  DrawPhotographTexture(model->GetTexName(), {Left(), Bottom(), Left() + client.width() / m_dZoom,
                                              Bottom() + client.height() / m_dZoom, m_dZoom});
}

void CPelorinView::OnDraw(QPainter&) {}

void CPelorinView::RepaintNow() {
  CGLSurface* surface = m_glContext.Surface();
  if (!surface || !surface->PaintNow()) repaint();
}

void CPelorinView::OnCommand(int id) {
  auto it = m_commands.find(id);
  if (it != m_commands.end()) (this->*(it->second))();
  ModelChanged();
}

void CPelorinView::ModelChanged() {
  if (m_onModelChanged) m_onModelChanged();
  // Overlays show segments, points and faces: every change reaches the frame before the handler returns.
  Services().Repaint();
}

QPointF CPelorinView::SegmentPositionAt(QPointF logical) const {
  if (!IsPlainView()) return PhotoPositionAt(DevicePositionF(logical));
  const QPoint point = DevicePosition(logical);
  return QPointF(point.x() + m_nPanX, (ClientSize().height() - 1 - point.y()) + m_nPanY);
}

void CPelorinView::SetOverlays(bool shown) {
  m_bOverlays = shown;
  // A hidden handle cannot stay selected: the arrow keys would move what is not seen.
  if (!shown) {
    m_selected.reset();
    m_hovered.reset();
  }
  Services().Repaint();
}

void CPelorinView::SetHighlights(const COverlayHighlights& highlights) {
  if (highlights == m_highlights) return;
  m_highlights = highlights;
  Services().Repaint();
}

void CPelorinView::mousePressEvent(QMouseEvent* event) {
  if (BeginHandPan(event)) return;
  m_ptPressF = DevicePositionF(event->position());
  const bool left = event->button() == Qt::LeftButton && GetDocument()->GetSingleImage();
  // The region to search, or with Ctrl during a review the rubber band that turns suggestions off.
  if (left && (m_bPickingRegion || (m_pReview && (event->modifiers() & Qt::ControlModifier)))) {
    m_eBand = m_bPickingRegion ? EBand::Region : EBand::TurnOff;
    m_bPickingRegion = false;
    unsetCursor();
    m_bandStart = m_bandEnd = PhotoPositionAt(DevicePositionF(event->position()));
    return;
  }
  m_bReviewPress = left && m_pReview && !(event->modifiers() & Qt::ShiftModifier);
  // Shift and the left button draw a segment instead of panning.
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) && GetDocument()->GetSingleImage()) {
    m_bDrawingSegment = true;
    m_nSegmentAxis = -1;
    m_segmentStart = m_segmentEnd = SegmentPositionAt(event->position());
    return;
  }
  // While suggestions are reviewed a click toggles them, whatever the tool.
  if (event->button() == Qt::LeftButton && !m_bReviewPress && ToolPress(event)) return;
  if (event->button() == Qt::LeftButton) OnLButtonDown(DevicePosition(event->position()));
  if (event->button() == Qt::RightButton) OnRButtonDown(DevicePosition(event->position()));
}

void CPelorinView::mouseReleaseEvent(QMouseEvent* event) {
  if (EndHandPan(event)) return;
  if (event->button() != Qt::LeftButton) return;
  if (m_eBand != EBand::None) {
    FinishBand(PhotoPositionAt(DevicePositionF(event->position())));
    return;
  }
  if (!m_bDrawingSegment && !m_bReviewPress && ToolRelease(event)) return;
  if (!m_bDrawingSegment) {
    OnLButtonUp(DevicePosition(event->position()));
    const QPointF device = DevicePositionF(event->position());
    if (m_bReviewPress && m_pReview && std::hypot(device.x() - m_ptPressF.x(), device.y() - m_ptPressF.y()) <= kPickDevicePixels) {
      const QPointF at = PhotoPositionAt(device);
      if (m_pReview->ToggleAt(at.x(), at.y(), kPickDevicePixels / m_dZoom) >= 0) {
        m_pDetectionPanel->Show(*m_pReview);
        Services().Repaint();
      }
    }
    m_bReviewPress = false;
    return;
  }
  m_segmentEnd = SegmentPositionAt(event->position());
  m_bDrawingSegment = false;
  if (m_nSegmentAxis >= 0) {
    // The segment tool knows the direction; a click without a drag draws nothing.
    if (m_segmentEnd != m_segmentStart) {
      if (const std::string refusal =
              ShortSegmentMessage(m_segmentStart.x(), m_segmentStart.y(), m_segmentEnd.x(), m_segmentEnd.y());
          !refusal.empty())
        Services().MessageBox(refusal);
      else
        AddSnappedSegment(m_nSegmentAxis, event->modifiers());
    }
    ModelChanged();
    return;
  }
  // A click without a drag is no segment: refused as the segment dialog refuses it.
  const std::string refusal =
      ShortSegmentMessage(m_segmentStart.x(), m_segmentStart.y(), m_segmentEnd.x(), m_segmentEnd.y());
  if (!refusal.empty()) {
    Services().Repaint();
    Services().MessageBox(refusal);
    return;
  }
  const int direction = Services().ChooseFromMenu({"X", "Y", "Z", "Cancel"});
  // Snapped onto the edge it was drawn along unless Alt is held; otherwise stored as the
  // segment dialog would store the same end points.
  if (direction >= 0 && direction < 3 && GetDocument()->GetSingleImage()) AddSnappedSegment(direction, event->modifiers());
  Services().Repaint();
}

void CPelorinView::AddSnappedSegment(int axis, Qt::KeyboardModifiers modifiers) {
  const CSegmentAction segment =
      SnappedSegment(axis, {m_segmentStart.x(), m_segmentStart.y(), m_segmentEnd.x(), m_segmentEnd.y()},
                     !(modifiers & Qt::AltModifier));
  const size_t before = m_document.Session().Actions().size();
  AddSegment(segment);
  if (m_document.Session().Actions().size() == before) return;  // refused, and the user was told why
  ReportSnap(segment, modifiers & Qt::AltModifier, "drawn");
}

void CPelorinView::ReportSnap(const CSegmentAction& segment, bool altHeld, const std::string& placed) {
  if (segment.snapRms)
    Services().SetStatusText("The segment snapped onto the edge beside it (fit RMS " + FormatFixed(*segment.snapRms, 2) +
                             " pixels).");
  else if (altHeld)
    Services().SetStatusText("The segment was kept as " + placed + " (Alt held).");
  else
    Services().SetStatusText("No straight edge beside the segment fits well enough: it was kept as " + placed + ".");
}

void CPelorinView::mouseMoveEvent(QMouseEvent* event) {
  // A release the view never saw (a menu or another window took the mouse meanwhile) ends what
  // the press began, so that nothing goes on following the mouse.
  if (!(event->buttons() & Qt::LeftButton)) {
    AbandonMouseWork();
    m_bDragging = 0;
  }
  if (m_eBand != EBand::None) {
    m_bandEnd = PhotoPositionAt(DevicePositionF(event->position()));
    Services().Repaint();
  }
  m_cursorDevice = DevicePositionF(event->position());
  if (!ContinueHandPan(event) && ToolMove(event)) return;
  if (m_bDrawingSegment) {
    m_segmentEnd = SegmentPositionAt(event->position());
    Services().Repaint();
  }
  if (IsPlainView())
    OnMouseMove(DevicePosition(event->position()));
  else
    OnMouseMoveZoomed(DevicePositionF(event->position()));
}

void CPelorinView::OnMouseMoveZoomed(QPointF point) {
  const QPointF position = PhotoPositionAt(point);
  Services().SetStatusText("x = " + FormatFixed(position.x(), 2) + ", y = " + FormatFixed(position.y(), 2) +
                           m_hoverText);
  if (m_bDragging) {
    // The press-relative rule, with the distance in photograph pixels.
    SetOrigin(Left() + (point.x() - m_ptPressF.x()) / m_dZoom, Bottom() + (m_ptPressF.y() - point.y()) / m_dZoom);
    Services().Repaint();
  }
}

// A double-click is its own event, not a second press: the press before it started any drag.
void CPelorinView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (m_bSpaceHeld) return;  // with Space the left button only moves the photograph
  if (IsPlainView()) {
    OnLButtonDblClk(DevicePosition(event->position()));
    return;
  }
  // Zoomed, a point can be placed to a fraction of a pixel.
  if (!RequirePhotograph()) return;
  const QPointF position = PhotoPositionAt(DevicePositionF(event->position()));
  MeasurePointAt(position.x(), position.y());
}

void CPelorinView::OnLButtonDown(QPoint point) {
  m_bDragging = 1;
  m_ptPress = point;
}

void CPelorinView::OnLButtonUp(QPoint) { m_bDragging = 0; }

void CPelorinView::OnMouseMove(QPoint point) {
  const int clientHeight = ClientSize().height();
  const int x = point.x() + m_nPanX;
  const int y = (clientHeight - 1 - point.y()) + m_nPanY;
  Services().SetStatusText("x = " + std::to_string(x) + ", y = " + std::to_string(y) + m_hoverText);
  if (m_bDragging) {
    m_nPanX += point.x() - m_ptPress.x();
    m_nPanY += m_ptPress.y() - point.y();
    Services().Repaint();
  }
}

bool CPelorinView::RequirePhotograph() const {
  if (GetDocument()->GetSingleImage()) return true;
  Services().MessageBox(kNoPhotograph);
  return false;
}

void CPelorinView::OnLButtonDblClk(QPoint point) {
  if (!RequirePhotograph()) return;
  const int u = point.x() + m_nPanX;
  const int v = (ClientSize().height() - 1 - point.y()) + m_nPanY;
  MeasurePointAt(u, v);
}

void CPelorinView::Execute(std::vector<CAction> actions, const std::string& label) {
  const std::string refusal = GetDocument()->Append(std::move(actions), label);
  if (!refusal.empty()) Services().MessageBox(refusal);
}

void CPelorinView::MeasurePointAt(double u, double v) {
  CSingleImage& model = *GetDocument()->GetSingleImage();
  CGetPointDialog dialog(model);
  dialog.m_U = u;
  dialog.m_V = v;
  dialog.m_nPointID = model.m_nMaxId + 1;
  if (Services().RunModalDialog(dialog) == kDialogOk) {
    Execute({PointActionFromDialog(model, dialog.Transcript())}, "Add Point " + std::to_string(model.m_nMaxId + 1));
    // The height was measured, but from a top that was not where the user meant it.
    if (const std::string warning = dialog.TopWarning(); !warning.empty()) Services().SetStatusText(warning);
  }
  ModelChanged();
}

void CPelorinView::OnRButtonDown(QPoint) {
  if (!RequirePhotograph()) return;
  DefineFace({0, 0, 0, 0});
}

void CPelorinView::DefineFace(const std::array<int, 4>& pointIds) {
  CSingleImage& model = *GetDocument()->GetSingleImage();
  CGenTextureDialog dialog(model);
  dialog.m_nPoint1Id = pointIds[0], dialog.m_nPoint2Id = pointIds[1];
  dialog.m_nPoint3Id = pointIds[2], dialog.m_nPoint4Id = pointIds[3];
  if (Services().RunModalDialog(dialog) == kDialogOk)
    Execute({CFaceAction{dialog.PointIds(), dialog.m_szTextureName}},
            "Add Face " + std::to_string(model.m_Textures.GetCount()));
  ModelChanged();
}

void CPelorinView::OnLoadSourceImage() {
  if (m_canReplaceWork && !m_canReplaceWork()) return;
  const std::optional<CFileDialogChoice> choice = AskForFile(EFileDialogKind::Open);
  if (choice) LoadSourceImage(choice->fullPath);
}

std::unique_ptr<CSingleImage> CPelorinView::ReadPhotograph(const std::string& path, std::string* sha256) {
  const std::string fileName = path.substr(path.find_last_of('/') + 1);
  CBusyIndication busy("Loading " + fileName + " ...");
  std::unique_ptr<CSingleImage> model = ReadPhotographWhileResponsive(path, busy, sha256);
  if (model->HasPixels()) model->CreateTexture();
  return model;
}

void CPelorinView::LoadSourceImage(const std::string& path) {
  CPhotographInfo photograph;
  photograph.path = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
  std::unique_ptr<CSingleImage> model = ReadPhotograph(path, &photograph.sha256);
  // The current work stays: a photograph that cannot be read replaces nothing.
  if (!model->HasPixels()) {
    Services().MessageBox("The photograph " + path + " cannot be loaded: " + model->ReadFailure() + ".");
    return;
  }
  photograph.width = model->GetWidth();
  photograph.height = model->GetHeight();
  GetDocument()->StartPhotograph(std::move(model), std::move(photograph));
  ShowNewPhotograph();
  Services().Repaint();
}

void CPelorinView::AddSegment(const CSegmentAction& segment) {
  Execute({segment}, std::string("Add Segment ") + kAxisNames[segment.axis]);
}

CSegmentAction CPelorinView::SnappedSegment(int axis, const std::array<double, 4>& ends, bool snap) const {
  CSegmentAction segment;
  segment.axis = axis;
  segment.ends = ends;
  const CSingleImage* model = GetDocument()->GetSingleImage();
  if (!snap || !model) return segment;
  if (const std::optional<CSnappedSegment> snapped = SnapSegmentToPhotograph(*model, ends)) {
    segment.ends = snapped->ends;
    segment.snapRms = snapped->rmsPixels;
  }
  return segment;
}

void CPelorinView::InputSegment(int axis) {
  if (!RequirePhotograph()) return;
  CInputDialogForVanishPoints dialog;
  if (Services().RunModalDialog(dialog) != kDialogOk) return;
  // Typed end points are taken as typed.
  CSegmentAction segment;
  segment.axis = axis;
  segment.ends = {dialog.m_Point1X, dialog.m_Point1Y, dialog.m_Point2X, dialog.m_Point2Y};
  AddSegment(segment);
}

void CPelorinView::OnInputForVx() { InputSegment(0); }

void CPelorinView::OnInputForVy() { InputSegment(1); }

void CPelorinView::OnInputForVz() { InputSegment(2); }

void CPelorinView::OnCalculateVanishingPoints() {
  if (!RequirePhotograph()) return;
  Execute({CCalculateAction{}}, "Calculate Vanishing Points");
}

void CPelorinView::OnLoadDataFile() {
  if (!RequirePhotograph()) return;
  const std::optional<CFileDialogChoice> choice = AskForFile(EFileDialogKind::Open);
  if (!choice) return;
  const std::string& path = choice->fullPath;
  std::string text, reason;
  if (ReadDataFileText(path, text, reason) != EDataFileRead::Loaded) {
    Trace("can't read datafile %s!", path.c_str());
    Services().MessageBox("The data file " + path + " cannot be opened: " + reason + ".");
    return;
  }
  CDataFileContent content;
  if (!ParseDataFile(text, content, reason)) {
    Services().MessageBox("The data file " + path + " cannot be loaded; nothing was changed.\n" + reason);
    return;
  }
  Execute({CDataFileAction{path, std::move(text)}}, "Load Data File " + choice->fileName);
}

void CPelorinView::SaveExport(EExportFormat format, const std::string& defaultExtension, const std::string& kindName) {
  if (!RequirePhotograph()) return;
  const std::optional<CFileDialogChoice> choice = AskForFile(EFileDialogKind::Save, defaultExtension);
  if (!choice) return;
  const std::string folder = choice->fullPath.substr(0, choice->fullPath.size() - choice->fileName.size());
  const CSession& session = m_document.Session();
  const CSingleImage& model = *GetDocument()->GetSingleImage();
  // The .glb's camera carries the σ of its figures.
  std::optional<CCameraUncertainty> uncertainty;
  if (format == EExportFormat::Gltf || format == EExportFormat::GltfCamera)
    uncertainty = CalibrateWithUncertainty(session.Actions(), model.GetWidth(), model.GetHeight(), session.PositionSigma(),
                                           session.GivenFocalPixels())
                      .uncertainty;
  const CExportStep step =
      MakeExport(model, format, choice->fileName,
                 QFileInfo(QString::fromStdString(session.Photograph().path)).fileName().toStdString(),
                 uncertainty && uncertainty->IsValid() ? &uncertainty->sigma : nullptr, session.GivenFocalPixels());
  if (!step.problem.empty()) {
    Services().MessageBox("The " + kindName + " " + choice->fullPath + " cannot be saved: " + step.problem + ".");
    return;
  }
  std::vector<CFileContent> files;
  // A COLMAP model's folder is made first.
  for (const CExportFile& file : step.files)
    if (const std::string inner = ExportSubfolder(file.name); !inner.empty() && !QDir().mkpath(QString::fromStdString(folder + inner))) {
      Services().MessageBox("The " + kindName + " " + choice->fullPath + " cannot be saved: the folder " + folder + inner +
                            " cannot be made.");
      return;
    }
  // The chosen path names the first file as the user gave it (a link stays a link).
  for (size_t i = 0; i < step.files.size(); ++i)
    files.push_back({i == 0 && step.files[i].name == choice->fileName ? choice->fullPath : folder + step.files[i].name,
                     step.files[i].bytes});
  const CSaveResult result = SaveFilesTogether(files);
  if (!result) {
    if (format == EExportFormat::DataFile) Trace("can't save datafile %s!", choice->fullPath.c_str());
    if (format == EExportFormat::Vrml) Trace("can't save VRMLfile %s!", choice->fullPath.c_str());
    Services().MessageBox("The " + kindName + " " + choice->fullPath + " cannot be saved: " + result.reason + ".");
    return;
  }
  if (!step.facesMessage.empty()) Services().MessageBox(step.facesMessage);
}

void CPelorinView::OnSaveDataFile() { SaveExport(EExportFormat::DataFile, "", "data file"); }

void CPelorinView::OnGetParameter() {
  if (!RequirePhotograph()) return;
  CSingleImage& model = *GetDocument()->GetSingleImage();
  CDialogforParameter dialog(model);
  if (Services().RunModalDialog(dialog) != kDialogOk) return;
  Execute({ParametersActionFromDialog(model, dialog.Transcript())}, "Set Reference Parameters");
}

void CPelorinView::OnSaveVrmlFile() { SaveExport(EExportFormat::Vrml, "wrl", "VRML file"); }

void CPelorinView::OnSaveGltfFile() { SaveExport(EExportFormat::Gltf, "glb", "glTF file"); }

void CPelorinView::OnSaveObjFile() { SaveExport(EExportFormat::Obj, "obj", "OBJ files"); }

void CPelorinView::OnExportCamera() {
  if (!RequirePhotograph()) return;
  if (const CCameraCalibration camera =
          CalibrateCamera(*GetDocument()->GetSingleImage(), m_document.Session().GivenFocalPixels());
      !camera.IsValid()) {
    Services().MessageBox("No camera can be exported: " + camera.problem + ".");
    return;
  }
  switch (Services().ChooseFromMenu({"glTF with the camera and the photograph (.glb)", "fSpy project (.fspy)",
                                     "COLMAP text model (folder)", "Cancel"})) {
    case 0: SaveExport(EExportFormat::GltfCamera, "glb", "glTF file"); return;
    case 1: SaveExport(EExportFormat::Fspy, "fspy", "fSpy project"); return;
    case 2: SaveExport(EExportFormat::Colmap, "", "COLMAP model"); return;
    default: return;
  }
}

void CPelorinView::OnQueryTexture() {
  if (!RequirePhotograph()) return;
  CSingleImage& model = *GetDocument()->GetSingleImage();
  CQueryTexture dialog(model);
  if (Services().RunModalDialog(dialog) != kDialogOk) return;
  if (dialog.HasGeneratedName())
    Execute({CRenameFaceAction{dialog.m_nTextureNumber, dialog.m_szTextureName}},
            "Rename Face " + std::to_string(dialog.m_nTextureNumber));
}

void CPelorinView::OnDetectSegments() {
  if (!RequirePhotograph()) return;
  switch (Services().ChooseFromMenu({"Whole photograph", "Region...", "Cancel"})) {
    case 0: DetectSegments(std::nullopt); return;
    case 1:
      m_bPickingRegion = true;
      setCursor(Qt::CrossCursor);
      Services().SetStatusText("Drag a rectangle around the part of the photograph to search.");
      return;
    default: return;
  }
}

void CPelorinView::FinishBand(QPointF end) {
  const EBand band = m_eBand;
  m_eBand = EBand::None;
  m_bandEnd = end;
  if (band == EBand::Region) {
    const CPixelRegion region{static_cast<int>(std::lround(m_bandStart.x())), static_cast<int>(std::lround(m_bandStart.y())),
                              static_cast<int>(std::lround(m_bandEnd.x())), static_cast<int>(std::lround(m_bandEnd.y()))};
    Services().Repaint();
    DetectSegments(region);
    return;
  }
  if (m_pReview) {
    m_pReview->DisableInside(m_bandStart.x(), m_bandStart.y(), m_bandEnd.x(), m_bandEnd.y());
    m_pDetectionPanel->Show(*m_pReview);
  }
  Services().Repaint();
}

void CPelorinView::DetectSegments(const std::optional<CPixelRegion>& region) {
  if (!RequirePhotograph()) return;
  EndDetectionReview();
  const CSingleImage& model = *GetDocument()->GetSingleImage();
  if (!model.HasPixels()) return;
  const CSceneDirections found = FindSceneDirectionsWhileResponsive(
      {model.m_pPixels.get(), model.GetWidth(), model.GetHeight()}, region, window());
  if (found.cancelled) {
    Services().SetStatusText("Detection was cancelled.");
    return;
  }
  if (!found.detection.message.empty()) {
    Services().MessageBox(found.detection.message);
    return;
  }
  m_pReview = std::make_unique<CDetectionReview>(found, model.GetWidth(), model.GetHeight());
  m_pReviewModel = &model;
  const bool first = !m_pDetectionPanel;
  // A tool window of the main window: it stays above it while the photograph is clicked.
  if (first)
    m_pDetectionPanel = std::make_unique<CDetectionPanel>(
        window(), [this](std::array<bool, 3> axes, EAcceptMode mode) { AcceptDetectedSegments(axes, mode); },
        [this] { DiscardDetectedSegments(); });
  m_pDetectionPanel->Show(*m_pReview);
  if (first) {
    // In the view's top right corner, wholly on the screen.
    m_pDetectionPanel->adjustSize();
    const QPoint corner = mapToGlobal(QPoint(width() - m_pDetectionPanel->frameGeometry().width() - 12, 12));
    QRect placed(corner, m_pDetectionPanel->frameGeometry().size());
    if (const QScreen* shown = screen()) {
      const QRect available = shown->availableGeometry();
      placed.moveRight(std::min(placed.right(), available.right()));
      placed.moveBottom(std::min(placed.bottom(), available.bottom()));
      placed.moveLeft(std::max(placed.left(), available.left()));
      placed.moveTop(std::max(placed.top(), available.top()));
    }
    m_pDetectionPanel->move(placed.topLeft());
  }
  m_pDetectionPanel->raise();
  Services().SetStatusText("Click a suggested segment to turn it off or on; drag with Ctrl to turn off all inside.");
  Services().Repaint();
}

void CPelorinView::EndDetectionReview() {
  m_pReview.reset();
  m_bReviewPress = false;
  if (m_pDetectionPanel) m_pDetectionPanel->hide();
}

void CPelorinView::DiscardDetectedSegments() {
  EndDetectionReview();
  // The hint about clicking suggestions no longer holds.
  Services().SetStatusText("The suggested segments were discarded.");
  Services().Repaint();
}

void CPelorinView::AcceptDetectedSegments(std::array<bool, 3> axes, EAcceptMode mode) {
  if (!m_pReview) return;
  // Suggestions belong to the photograph they were found in.
  if (m_pReviewModel != GetDocument()->GetSingleImage()) {
    DiscardDetectedSegments();
    return;
  }
  const CActionList& current = m_document.Session().Actions();
  int alreadyThere = 0;
  const CActionList next = m_pReview->ActionsAfterAccepting(current, axes, mode, &alreadyThere);
  const size_t added = m_pReview->AcceptedActions(axes).size() - static_cast<size_t>(alreadyThere);
  if (added == 0 && mode == EAcceptMode::Add) {
    if (alreadyThere == 0) {
      Services().MessageBox("No accepted segment of the directions taken: nothing was added.");
      return;
    }
    // Nothing went wrong: what was found is there already.
    EndDetectionReview();
    Services().SetStatusText("Every accepted segment is already among the segments: nothing was added.");
    Services().Repaint();
    return;
  }
  const std::string refusal = m_document.Replace(next, mode == EAcceptMode::Replace ? "Replace Segments by Detected Ones"
                                                                                     : "Add Detected Segments");
  if (!refusal.empty()) {
    Services().MessageBox(refusal);
    return;
  }
  EndDetectionReview();
  ModelChanged();
  const std::string left = alreadyThere > 0 ? " " + std::to_string(alreadyThere) +
                                                  (alreadyThere == 1 ? " already among the segments was"
                                                                     : " already among the segments were") +
                                                  " not added again."
                                            : std::string();
  const std::string addedText = std::to_string(added) + (added == 1 ? " segment added" : " segments added");
  if (!std::holds_alternative<CCalculateAction>(*next.back()))
    Services().SetStatusText(addedText + "; \"Caculate \" needs at least two segments in every direction." + left);
  else
    Services().SetStatusText(addedText + " and the vanishing points calculated." + left);
}

void CPelorinView::OnDisableOutliers() {
  if (!RequirePhotograph()) return;
  const CSingleImage& model = *GetDocument()->GetSingleImage();
  for (const double* point : {model.m_Vx, model.m_Vy, model.m_Vz})
    if (point[0] == 0 && point[1] == 0 && point[2] == 0) {
      Services().MessageBox("The vanishing points are not calculated yet: run \"Caculate \" first.");
      return;
    }
  COutlierThresholdDialog dialog(kDefaultResidualThresholdDegrees);
  if (Services().RunModalDialog(dialog) != kDialogOk) return;
  const COutlierTrim trim = DisableOutliers(m_document.Session().Actions(), model, dialog.m_dDegrees);
  std::string counts;
  for (int axis = 0; axis < 3; ++axis)
    counts += std::string(axis ? ", " : "") + kAxisNames[axis] + " " + std::to_string(trim.disabled[axis]);
  if (trim.Total() == 0) {
    Services().Inform("No segment misses its vanishing point by more than " + FormatDoubleField(dialog.m_dDegrees) +
                      " degrees: nothing was disabled.");
    return;
  }
  if (const std::string refusal = m_document.Replace(trim.actions, "Disable Outliers"); !refusal.empty()) {
    Services().MessageBox(refusal);
    return;
  }
  ModelChanged();
  Services().Inform("Segments disabled, per direction: " + counts + ".");
}
