// The view's tools and handles: what a left press does in each tool, dragging a handle as one
// command with the session replaying the edited list on every move, nudging the selected handle
// with the arrow keys, the hovered handle named in the echo, and the loupe.

#include "app/PelorinView.h"

#include "app/Loupe.h"
#include "app/Overlays.h"
#include "app/PelorinDoc.h"
#include "app/PhotographTexture.h"
#include "metrology/ReferenceParameters.h"
#include "model/SingleImage.h"
#include "services/Services.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// How far the mouse must move from a press on a handle before the handle follows, in device
// pixels: a click on a handle selects it (or picks a face's point) without moving it.
constexpr double kDragThreshold = 3;
constexpr double kFinePixels = 0.1;  // a nudge at zooms above kFineZoom
constexpr double kFineZoom = 4;
constexpr const char* kHoverSeparator = "  \u2014  ";

bool SameHandle(const CHandle& a, const CHandle& b) {
  return a.kind == b.kind && a.action == b.action && a.end == b.end && a.pointId == b.pointId;
}

}  // namespace

void CPelorinView::SetTool(ETool tool) {
  m_eTool = tool;
  m_facePoints.clear();
  m_hovered.reset();
  m_hoverText.clear();
  if (tool == ETool::Pan)
    unsetCursor();
  else
    setCursor(Qt::CrossCursor);
  Services().Repaint();
}

const std::vector<CHandle>& CPelorinView::Handles() {
  const CSession& session = GetDocument()->Session();
  if (session.Serial() != m_nHandlesSerial || session.Model() != m_pHandlesModel) {
    const bool otherJob = session.Model() != m_pHandlesModel;
    m_handles = session.Model() ? ListHandles(session.Actions()) : std::vector<CHandle>();
    m_nHandlesSerial = session.Serial();
    m_pHandlesModel = session.Model();
    // The selected handle follows its segment or point through Undo and Redo, and goes with it;
    // another photograph or project has nothing selected.
    if (otherJob) m_selected.reset();
    ResolveSelection();
    m_hovered.reset();
  }
  return m_handles;
}

void CPelorinView::ResolveSelection() {
  if (!m_selected) return;
  for (const CHandle& handle : m_handles)
    if (SameHandle(handle, *m_selected)) {
      m_selected = handle;
      return;
    }
  m_selected.reset();
}

std::optional<CHandle> CPelorinView::HandleAt(QPointF logical) {
  // What is not drawn cannot be taken: with the overlays hidden a press pans or draws.
  if (!GetDocument()->GetSingleImage() || !m_bOverlays) return std::nullopt;
  const QPointF at = SegmentPositionAt(logical);
  return NearestHandle(Handles(), {at.x(), at.y()}, kHandleRadius / m_dZoom);
}

void CPelorinView::RefreshSelection() {
  Handles();
  ResolveSelection();
}

bool CPelorinView::ToolPress(QMouseEvent* event) {
  if (!GetDocument()->GetSingleImage()) return false;
  const QPointF at = SegmentPositionAt(event->position());
  if (std::optional<CHandle> handle = HandleAt(event->position())) {
    m_pressedHandle = m_selected = handle;
    m_handlePress = at;
    m_dragTo = QPointF(handle->position[0], handle->position[1]);
    m_bHandleDragging = false;
    m_dragActions.reset();
    Services().Repaint();
    return true;
  }
  switch (m_eTool) {
    case ETool::Pan: return false;
    case ETool::SegmentX:
    case ETool::SegmentY:
    case ETool::SegmentZ:
      m_bDrawingSegment = true;
      m_nSegmentAxis = static_cast<int>(m_eTool) - static_cast<int>(ETool::SegmentX);
      m_segmentStart = m_segmentEnd = at;
      Services().Repaint();
      return true;
    case ETool::Point:
      m_bPointClick = true;
      m_pointClick = at;
      return true;
    case ETool::Face: return true;
  }
  return false;
}

bool CPelorinView::ToolMove(QMouseEvent* event) {
  if (!m_pressedHandle) {
    if (!m_bDragging && !m_bDrawingSegment && !(event->buttons() & Qt::LeftButton)) UpdateHover(event->position());
    return false;
  }
  if (!m_bHandleDragging) {
    const QPointF moved = DevicePositionF(event->position()) - m_ptPressF;
    m_bHandleDragging = std::hypot(moved.x(), moved.y()) >= kDragThreshold;
  }
  if (m_bHandleDragging) DragHandleTo(event->position());
  m_hoverText = kHoverSeparator + m_pressedHandle->name;
  if (IsPlainView())
    OnMouseMove(DevicePosition(event->position()));
  else
    OnMouseMoveZoomed(DevicePositionF(event->position()));
  return true;
}

void CPelorinView::DragHandleTo(QPointF logical) {
  const QPointF to = QPointF(m_pressedHandle->position[0], m_pressedHandle->position[1]) +
                     (SegmentPositionAt(logical) - m_handlePress);
  if (m_dragActions && to == m_dragTo) return;
  m_dragTo = to;
  CPelorinDoc& document = *GetDocument();
  if (std::optional<CActionList> moved = document.Session().MovedHandle(*m_pressedHandle, {to.x(), to.y()})) {
    if (document.Preview(*moved).empty())
      m_dragActions = std::move(moved);
    else if (m_dragActions)
      // A position the job refuses (a segment shrunk to nothing) shows the last one it took.
      document.Preview(*m_dragActions);
  }
  ModelChanged();
}

CActionList CPelorinView::SnapDraggedSegment(const CHandle& handle, CActionList actions, bool snap) const {
  if (handle.kind != EHandleKind::SegmentEnd || !snap || handle.action >= actions.size()) return actions;
  const auto* segment = std::get_if<CSegmentAction>(actions[handle.action].get());
  if (!segment) return actions;
  CSegmentAction snapped = SnappedSegment(segment->axis, segment->ends, true);
  snapped.enabled = segment->enabled;
  actions[handle.action] = std::make_shared<const CAction>(snapped);
  return actions;
}

bool CPelorinView::CommitMove(const CHandle& handle, const CActionList& actions) {
  const std::string refusal = GetDocument()->Replace(actions, MoveCommandName(handle));
  if (refusal.empty()) return true;
  GetDocument()->EndPreview();
  Services().MessageBox(refusal);
  return false;
}

bool CPelorinView::ToolRelease(QMouseEvent* event) {
  if (m_pressedHandle) {
    const CHandle handle = *std::exchange(m_pressedHandle, std::nullopt);
    if (m_bHandleDragging) {
      m_bHandleDragging = false;
      if (m_dragActions) {
        const bool altHeld = event->modifiers() & Qt::AltModifier;
        const CActionList moved = SnapDraggedSegment(handle, *std::exchange(m_dragActions, std::nullopt), !altHeld);
        const auto* segment = handle.kind == EHandleKind::SegmentEnd && handle.action < moved.size()
                                  ? std::get_if<CSegmentAction>(moved[handle.action].get())
                                  : nullptr;
        if (CommitMove(handle, moved) && segment) ReportSnap(*segment, altHeld, "dragged");
      } else
        GetDocument()->EndPreview();
      RefreshSelection();
      ModelChanged();
      return true;
    }
    // A click on a handle selects it; the Face tool takes a point, the Point tool measures there.
    if (m_eTool == ETool::Face && handle.kind == EHandleKind::Point)
      PickFacePoint(handle.pointId);
    else if (m_eTool == ETool::Point && handle.kind != EHandleKind::Point)
      MeasurePointAt(m_handlePress.x(), m_handlePress.y());
    Services().Repaint();
    return true;
  }
  if (m_bPointClick) {
    m_bPointClick = false;
    MeasurePointAt(m_pointClick.x(), m_pointClick.y());
    return true;
  }
  return m_eTool == ETool::Face;
}

void CPelorinView::PickFacePoint(int id) {
  if (std::find(m_facePoints.begin(), m_facePoints.end(), id) == m_facePoints.end()) m_facePoints.push_back(id);
  if (m_facePoints.size() < 4) {
    std::string picked;
    for (int picks : m_facePoints) picked += (picked.empty() ? "" : ", ") + std::to_string(picks);
    Services().SetStatusText("Face points " + picked + ": click " + std::to_string(4 - m_facePoints.size()) + " more");
    return;
  }
  const std::array<int, 4> ids = {m_facePoints[0], m_facePoints[1], m_facePoints[2], m_facePoints[3]};
  m_facePoints.clear();
  DefineFace(ids);
}

void CPelorinView::UpdateHover(QPointF logical) {
  std::optional<CHandle> hovered = HandleAt(logical);
  m_hoverText = hovered ? kHoverSeparator + hovered->name : std::string();
  const bool changed = hovered.has_value() != m_hovered.has_value() || (hovered && !SameHandle(*hovered, *m_hovered));
  m_hovered = std::move(hovered);
  if (m_hovered)
    setCursor(m_eTool == ETool::Face && m_hovered->kind == EHandleKind::Point ? Qt::PointingHandCursor
                                                                               : Qt::SizeAllCursor);
  else if (m_eTool == ETool::Pan)
    unsetCursor();
  else
    setCursor(Qt::CrossCursor);
  if (changed) Services().Repaint();
}

void CPelorinView::Nudge(double dx, double dy) {
  RefreshSelection();
  if (!m_selected || !GetDocument()->GetSingleImage()) return;
  const double step = m_dZoom > kFineZoom ? kFinePixels : 1;
  const CHandle handle = *m_selected;
  if (std::optional<CActionList> moved = GetDocument()->Session().MovedHandle(
          handle, {handle.position[0] + dx * step, handle.position[1] + dy * step}))
    CommitMove(handle, *moved);
  RefreshSelection();
  ModelChanged();
}

bool CPelorinView::AbandonMouseWork() {
  bool abandoned = false;
  if (m_bHandleDragging) {
    // The handle goes back, nothing is recorded.
    m_pressedHandle.reset();
    m_bHandleDragging = false;
    m_dragActions.reset();
    GetDocument()->EndPreview();
    abandoned = true;
  }
  if (m_bDrawingSegment) {
    m_bDrawingSegment = false;
    abandoned = true;
  }
  if (abandoned) ModelChanged();
  return abandoned;
}

void CPelorinView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && AbandonMouseWork()) return;
  if (m_selected) {
    switch (event->key()) {
      // Rows count from the bottom: up is a larger row.
      case Qt::Key_Left: Nudge(-1, 0); return;
      case Qt::Key_Right: Nudge(1, 0); return;
      case Qt::Key_Up: Nudge(0, 1); return;
      case Qt::Key_Down: Nudge(0, -1); return;
      default: break;
    }
  }
  if (event->key() == Qt::Key_Escape && (m_selected || !m_facePoints.empty())) {
    m_selected.reset();
    m_facePoints.clear();
    Services().Repaint();
    return;
  }
  // Without a selected handle the arrows scroll, and Space makes the left button a hand.
  if (!NavigationKeyPress(event)) QWidget::keyPressEvent(event);
}

void CPelorinView::DrawHandleMarks() {
  // Handles are taken where the overlays show them; hidden, nothing is marked.
  if (!m_bOverlays) return;
  Handles();
  const double pixel = 1 / m_dZoom;
  const auto square = [pixel](double x, double y, double half) {
    glBegin(GL_LINE_LOOP);
    glVertex2d(x + 0.5 - half * pixel, y + 0.5 - half * pixel);
    glVertex2d(x + 0.5 + half * pixel, y + 0.5 - half * pixel);
    glVertex2d(x + 0.5 + half * pixel, y + 0.5 + half * pixel);
    glVertex2d(x + 0.5 - half * pixel, y + 0.5 + half * pixel);
    glEnd();
  };
  // A white square inside a dark one reads on light and dark photographs.
  const auto mark = [&square](double x, double y, double half) {
    glColor3f(0, 0, 0);
    square(x, y, half + 1);
    glColor3f(1, 1, 1);
    square(x, y, half);
  };
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  if (m_bHandleDragging)
    mark(m_dragTo.x(), m_dragTo.y(), 5);
  else if (m_selected)
    mark(m_selected->position[0], m_selected->position[1], 5);
  if (m_hovered && !m_pressedHandle) mark(m_hovered->position[0], m_hovered->position[1], 3);
  glColor3f(1, 0.4f, 1);
  for (int id : m_facePoints)
    for (const CHandle& handle : m_handles)
      if (handle.kind == EHandleKind::Point && handle.pointId == id) square(handle.position[0], handle.position[1], 7);
  glColor3f(1, 1, 1);
  glEnable(GL_DEPTH_TEST);
}

QRect CPelorinView::LoupeRect() const {
  if (!GetDocument()->GetSingleImage() || !(m_bHandleDragging || m_bDrawingSegment)) return {};
  const QSize client = ClientSize();
  const int size = devicePixelRatioF() < 1.5 ? kLoupeSize : 2 * kLoupeSize;
  const CLoupeSquare square = PlaceLoupe(m_cursorDevice.x(), m_cursorDevice.y(), client.width(), client.height(), size);
  if (square.size == 0) return {};
  return QRect(square.x, client.height() - square.y - square.size, square.size, square.size);
}

void CPelorinView::PrepareLoupe() {
  m_bLoupeReady = false;
  const CSingleImage* model = GetDocument()->GetSingleImage();
  const QRect rect = LoupeRect();
  if (!model || rect.isEmpty()) return;
  const QSize client = ClientSize();
  const CLoupeSquare square{rect.x(), client.height() - rect.y() - rect.height(), rect.width()};
  const QPointF centre = m_bHandleDragging ? m_dragTo : m_segmentEnd;
  const double zoom = m_dZoom * kLoupeMagnification;
  // In the world of the view's projection pixel x spans [x, x + 1].
  BeginLoupeContent(square, centre.x() + 0.5, centre.y() + 0.5, zoom);
  const double half = square.size / 2.0 / zoom;
  if (model->GetTexName() != 0)
    DrawPhotographTexture(model->GetTexName(), {centre.x() + 0.5 - half, centre.y() + 0.5 - half,
                                                centre.x() + 0.5 + half, centre.y() + 0.5 + half, zoom});
  if (m_bOverlays) {
    const std::optional<CReferenceFields>& reference = m_document.Session().Replayed().parameters;
    DrawOverlays({model, {&m_XLines, &m_YLines, &m_ZLines}, zoom, reference ? &*reference : nullptr, &m_highlights,
                  m_document.Session().GivenFocalPixels()});
  }
  if (m_bDrawingSegment) DrawRubberBand(m_segmentStart.x(), m_segmentStart.y(), m_segmentEnd.x(), m_segmentEnd.y());
  EndLoupeContent(square, m_nLoupeTexture);
  m_bLoupeReady = true;
}

void CPelorinView::DrawLoupeOverView() {
  if (!m_bLoupeReady) return;
  const QRect rect = LoupeRect();
  const QSize client = ClientSize();
  DrawLoupeDisc({rect.x(), client.height() - rect.y() - rect.height(), rect.width()}, m_nLoupeTexture, client.width(),
                client.height());
}
