#pragma once
// The view: shows the photograph of the document's scene model through OpenGL, one photograph
// pixel per device pixel until it is zoomed or fitted, pans it with the left button (and moves
// it with the middle button, Space, the scroll bars and the arrow keys), echoes the photograph
// position under the mouse in the status bar, and handles every command of the "Image File "
// menu and every mouse action. Window positions are taken in device pixels, y downwards; in the
// plain view photograph positions are x = px + m_nPanX, y = (client height − 1 − py) + m_nPanY.

#include "app/GLRenderContext.h"
#include "app/Overlays.h"
#include "export/ExportFaces.h"
#include "export/ExportStep.h"
#include "session/Actions.h"
#include "session/Handles.h"
#include "metrology/LineEndPoints.h"
#include "model/RecordArray.h"
#include "session/DetectionReview.h"

#include <QPoint>
#include <QSize>
#include <QWidget>

#include <array>
#include <functional>
#include <array>
#include <map>
#include <optional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDetectionPanel;
class CPelorinDoc;
class CSingleImage;
class QPainter;
class QScrollBar;

// What a left press does where it meets no handle: pan (the program's own drag), draw a segment
// of one direction, place a point, or pick the four points of a face.
enum class ETool { Pan, SegmentX, SegmentY, SegmentZ, Point, Face };

class CPelorinView final : public QWidget {
 public:
  CPelorinView(CPelorinDoc& document, QWidget* parent);
  ~CPelorinView() override;

  CPelorinDoc* GetDocument() const { return &m_document; }

  // Framework steps.
  void OnInitialUpdate();
  void OnSize(int cx, int cy);
  void OnPaint();
  void DrawImage();
  // Printing and print preview draw nothing.
  void OnDraw(QPainter& painter);
  bool HandlesCommand(int id) const { return m_commands.count(id) != 0; }
  void OnCommand(int id);

  // Mouse handlers, positions in device pixels of the client area.
  void OnLButtonDown(QPoint point);
  void OnLButtonUp(QPoint point);
  void OnMouseMove(QPoint point);
  void OnLButtonDblClk(QPoint point);
  void OnRButtonDown(QPoint point);

  // Commands of the "Image File " menu.
  void OnLoadSourceImage();
  // Loads a photograph as "Load Souce Image" does once the file is chosen.
  void LoadSourceImage(const std::string& path);
  void OnInputForVx();
  void OnInputForVy();
  void OnInputForVz();
  void OnCalculateVanishingPoints();
  void OnLoadDataFile();
  void OnSaveDataFile();
  void OnGetParameter();
  void OnSaveVrmlFile();
  void OnSaveGltfFile();
  void OnSaveObjFile();
  // "Export Camera...": the format chosen from a menu (the .glb with the photograph behind the
  // model, an fSpy project, a COLMAP text model), then the file; without a camera, why not.
  void OnExportCamera();
  void OnQueryTexture();
  // "Detect Segments...": the whole photograph or a region dragged next, searched off the
  // user-interface thread; the segments found are then shown as suggestions to look over in a
  // small panel, until accepted as one command or discarded.
  void OnDetectSegments();
  // Searches the photograph (or the region) and shows what was found for review.
  void DetectSegments(const std::optional<CPixelRegion>& region);
  // The suggestions being looked over; null when none are.
  CDetectionReview* DetectionReview() const { return m_pReview.get(); }
  CDetectionPanel* DetectionPanel() const { return m_pDetectionPanel.get(); }
  // The accepted suggestions of the directions taken become segments, then "Caculate ", as one
  // command; the review ends.
  void AcceptDetectedSegments(std::array<bool, 3> axes, EAcceptMode mode);
  void DiscardDetectedSegments();
  // "Disable Outliers...": asks a threshold in degrees and disables, per direction, the
  // segments that miss the vanishing point by more, as one command with "Caculate ".
  void OnDisableOutliers();

  // A segment as it is added by hand: snapped onto the strongest straight edge beside it when
  // `snap` (the user does not hold Alt) and the edge's fit is good, with that fit's RMS;
  // otherwise as given.
  CSegmentAction SnappedSegment(int axis, const std::array<double, 4>& ends, bool snap) const;

  // Zoom: device pixels per photograph pixel, from 1/8 (or less, to fit a large photograph) to
  // 32; a power of two unless the photograph was fitted to the window. Zooming keeps the
  // photograph point under the given device position where it is.
  double Zoom() const { return m_dZoom; }
  void SetZoom(double zoom, QPointF aboutDevice);
  void OnZoomIn();
  void OnZoomOut();
  void OnActualPixels();
  // At zoom 1 without a sub-pixel offset everything works on whole pixels as it always did.
  bool IsPlainView() const { return m_dZoom == 1 && m_dSubX == 0 && m_dSubY == 0; }
  // The photograph position under a device position of a zoomed view, pixel x centred at x,
  // and the device position of a photograph position.
  QPointF PhotoPositionAt(QPointF device) const;
  QPointF DeviceAt(QPointF photo) const;

  // Draws what was entered over the photograph.
  void SetOverlays(bool shown);
  bool OverlaysShown() const { return m_bOverlays; }
  // Rows selected in the tables, drawn brighter and thicker over the photograph.
  void SetHighlights(const COverlayHighlights& highlights);
  const COverlayHighlights& Highlights() const { return m_highlights; }

  // Navigation beside the left-button pan: the middle button and Space with the left button
  // move the photograph with the mouse, one to one; the scroll bars and the arrow keys scroll
  // it; Fit in Window shows it whole. (ViewNavigation.cpp)
  // The view with its scroll bars beside it, for the frame's central area.
  QWidget* MakeScrollArea();
  QScrollBar* HorizontalScrollBar() const { return m_pHorizontalBar; }
  QScrollBar* VerticalScrollBar() const { return m_pVerticalBar; }
  void OnFitInWindow();
  // The zoom at which the whole photograph fills the view in one direction; 1 without one.
  double FitZoom() const;
  // Asked first about an arrow key; true when it took the key (a selected handle moved), so
  // the view does not scroll.
  void SetArrowKeyHandler(std::function<bool(int key)> handler) { m_arrowKeyHandler = std::move(handler); }
  // Moves the view over the photograph by device pixels (x to the right, y upwards).
  void ScrollByDevicePixels(double dx, double dy);
  bool IsHandPanning() const { return m_bHandPanning; }

  // Runs after every change the view makes to the points or faces (a command, a double-click,
  // a right-click face), so tables that show them stay up to date.
  void SetModelChangedHandler(std::function<void()> handler) { m_onModelChanged = std::move(handler); }

  // The tool of the left button; a press on a handle drags the handle in every tool while the
  // overlays show the handles. Esc during a drag puts the handle back.
  ETool Tool() const { return m_eTool; }
  void SetTool(ETool tool);
  // The handle under the mouse, the one last dragged or clicked (arrow keys nudge it), and the
  // one being dragged; none when there is none.
  const std::optional<CHandle>& HoveredHandle() const { return m_hovered; }
  const std::optional<CHandle>& SelectedHandle() const { return m_selected; }
  bool IsDraggingHandle() const { return m_bHandleDragging; }
  // The points picked so far with the Face tool, by id.
  const std::vector<int>& FacePoints() const { return m_facePoints; }
  // Where the loupe is drawn, in device pixels of the client area (y downwards); empty while
  // there is none.
  QRect LoupeRect() const;
  // How far from a handle a press still takes it, in device pixels.
  static constexpr double kHandleRadius = 6;
  // The loupe's diameter in device pixels (a power of two: it is copied into a texture) and its
  // magnification of the view.
  static constexpr int kLoupeSize = 128;
  static constexpr double kLoupeMagnification = 8;

  // Runs the paint handler before returning.
  void RepaintNow();
  // The client area in device pixels.
  QSize ClientSize() const;
  // The viewport the paint handler uses (x, y, width, height).
  const int* Viewport() const { return m_viewport; }
  // How many frames the paint handler has drawn.
  int PaintCount() const { return m_nPaintCount; }

  CGLRenderContext m_glContext;
  int m_bDragging = 0;
  QPoint m_ptPress;
  int m_nPanX = 0;
  int m_nPanY = 0;
  // The segments that count, as the document's session replays them.
  CRecordArray<CLineEndPoints>& m_XLines;
  CRecordArray<CLineEndPoints>& m_YLines;
  CRecordArray<CLineEndPoints>& m_ZLines;

  // Asked before the work in the document is replaced; false when the user keeps it (cancels).
  void SetReplaceWorkHandler(std::function<bool()> handler) { m_canReplaceWork = std::move(handler); }
  // Reads a photograph while the window stays responsive; a model without pixels when it
  // cannot be read (with the reason), with its display texture when it can.
  std::unique_ptr<CSingleImage> ReadPhotograph(const std::string& path, std::string* sha256);

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Opens the point dialog at the photograph position (u, v) and keeps the point on OK.
  void MeasurePointAt(double u, double v);
  // Opens the face dialog with these point ids and keeps the face on OK.
  void DefineFace(const std::array<int, 4>& pointIds);
  // Asks for one segment of direction 0 (X), 1 (Y) or 2 (Z) and adds it.
  void InputSegment(int axis);
  // Adds a segment as one command.
  void AddSegment(const CSegmentAction& segment);
  // Runs a command on the document and tells the user when it was refused.
  void Execute(std::vector<CAction> actions, const std::string& label);
  // Writes one export's files together, into the folder of the chosen file.
  void SaveExport(EExportFormat format, const std::string& defaultExtension, const std::string& kindName);
  // Shows "No source image is loaded." and returns false while there is no scene model.
  bool RequirePhotograph() const;
  QPoint DevicePosition(const QPointF& logical) const;

  CPelorinDoc& m_document;
  void OnMouseMoveZoomed(QPointF point);
  QPointF DevicePositionF(const QPointF& logical) const;
  double Left() const { return m_nPanX + m_dSubX; }
  double Bottom() const { return m_nPanY + m_dSubY; }
  // Splits a photograph offset into the whole-pixel pan and the sub-pixel part.
  void SetOrigin(double left, double bottom);

  int m_viewport[4] = {0, 0, 0, 0};
  double m_dZoom = 1;
  double m_dSubX = 0;  // sub-pixel offsets beside m_nPanX and m_nPanY, in [0, 1)
  double m_dSubY = 0;
  QPointF m_ptPressF;
  bool m_bOverlays = true;
  // A segment being drawn with Shift and the left button, in photograph positions.
  bool m_bDrawingSegment = false;
  QPointF m_segmentStart, m_segmentEnd;
  // The photograph position a segment end lies at: whole pixels in the plain view.
  QPointF SegmentPositionAt(QPointF logical) const;
  void ModelChanged();
  std::function<void()> m_onModelChanged;
  std::function<bool()> m_canReplaceWork;
  // A rectangle being dragged: the region "Detect Segments..." searches, or during a review
  // (with Ctrl) the rubber band that turns suggestions off. Photograph positions.
  enum class EBand { None, Region, TurnOff };
  bool m_bPickingRegion = false;
  EBand m_eBand = EBand::None;
  QPointF m_bandStart, m_bandEnd;
  std::unique_ptr<CDetectionReview> m_pReview;
  const CSingleImage* m_pReviewModel = nullptr;  // the scene model whose photograph was searched
  std::unique_ptr<CDetectionPanel> m_pDetectionPanel;
  // A press during a review that may turn out a click on a suggestion.
  bool m_bReviewPress = false;
  void EndDetectionReview();
  // The rectangle released at `end`: the region searched, or the suggestions inside turned off.
  void FinishBand(QPointF end);
  int m_nPaintCount = 0;
  std::map<int, void (CPelorinView::*)()> m_commands;
  COverlayHighlights m_highlights;

  // Navigation (ViewNavigation.cpp).
  // A middle-button or Space + left drag: true when the event started, continued or ended one.
  bool BeginHandPan(QMouseEvent* event);
  bool ContinueHandPan(QMouseEvent* event);
  bool EndHandPan(QMouseEvent* event);
  // Space held and the arrow keys; true when the key was the view's.
  bool NavigationKeyPress(QKeyEvent* event);
  bool NavigationKeyRelease(QKeyEvent* event);
  void FitInWindow();
  // A new photograph: fitted when it is larger than the view; back at actual pixels, pan 0,
  // when the view was fitted to the one before.
  void ShowNewPhotograph();
  double MinimumZoom() const;
  // The next power of two above (direction 1) or below (−1) a zoom: ×2 or ÷2 from a power of two.
  static double NextZoom(double zoom, int direction);
  // The scroll bars follow the view after every frame; moving one moves the view.
  void SyncScrollBars();
  void OnHorizontalScrollBar(int value);
  void OnVerticalScrollBar(int value);

  bool m_bHandPanning = false;
  Qt::MouseButton m_handPanButton = Qt::NoButton;
  bool m_bHandPanWhole = false;  // started in the plain view: stays on whole pixels
  QPointF m_handPanPress;        // device position of the press
  QPointF m_handPanOrigin;       // Left() and Bottom() at the press
  bool m_bSpaceHeld = false;
  bool m_bFitted = false;        // the zoom and pan are what Fit in Window chose
  QScrollBar* m_pHorizontalBar = nullptr;
  QScrollBar* m_pVerticalBar = nullptr;
  bool m_bSyncingScrollBars = false;
  std::function<bool(int)> m_arrowKeyHandler;

  // Tools and handles (PelorinViewTools.cpp).
  void OnToolPan() { SetTool(ETool::Pan); }
  void OnToolSegmentX() { SetTool(ETool::SegmentX); }
  void OnToolSegmentY() { SetTool(ETool::SegmentY); }
  void OnToolSegmentZ() { SetTool(ETool::SegmentZ); }
  void OnToolPoint() { SetTool(ETool::Point); }
  void OnToolFace() { SetTool(ETool::Face); }
  // The handles of the session's list, listed again when the list changed.
  const std::vector<CHandle>& Handles();
  std::optional<CHandle> HandleAt(QPointF logical);
  // Left press, move and release when a tool or a handle takes them; false leaves them to the pan.
  bool ToolPress(QMouseEvent* event);
  bool ToolMove(QMouseEvent* event);
  bool ToolRelease(QMouseEvent* event);
  // The hovered handle named for the echo ("  —  Point 7"), and the cursor it asks for.
  void UpdateHover(QPointF logical);
  void DragHandleTo(QPointF logical);
  // Moves the handle as one command; false when the move was refused.
  bool CommitMove(const CHandle& handle, const CActionList& actions);
  // Ends a handle's drag or a segment being drawn without recording anything; false when there
  // was none.
  bool AbandonMouseWork();
  // Adds the segment just drawn, snapped onto its edge unless Alt is among the modifiers, and
  // says so in the status bar when it snapped.
  void AddSnappedSegment(int axis, Qt::KeyboardModifiers modifiers);
  // Says in the status bar whether the segment, just drawn or dragged ("drawn", "dragged"),
  // snapped, and if not, why.
  void ReportSnap(const CSegmentAction& segment, bool altHeld, const std::string& placed);
  // A segment whose end was dragged snaps onto the edge it now lies along, unless `snap` is
  // false (Alt held); the list as it was otherwise.
  CActionList SnapDraggedSegment(const CHandle& handle, CActionList actions, bool snap) const;
  void Nudge(double dx, double dy);
  void PickFacePoint(int id);
  // The handle again as the changed list holds it, or none when it is gone.
  void RefreshSelection();
  // The selected handle as the handles list has it now; none when its segment or point is gone.
  void ResolveSelection();
  // Draws the selected and hovered handles' marks and the magnified loupe (OpenGL).
  void DrawHandleMarks();
  void PrepareLoupe();
  void DrawLoupeOverView();

  ETool m_eTool = ETool::Pan;
  std::vector<CHandle> m_handles;
  unsigned long long m_nHandlesSerial = ~0ull;
  const CSingleImage* m_pHandlesModel = nullptr;
  std::optional<CHandle> m_hovered, m_selected, m_pressedHandle;
  std::string m_hoverText;
  bool m_bHandleDragging = false;
  QPointF m_handlePress;  // the photograph position of the press on a handle
  std::optional<CActionList> m_dragActions;
  QPointF m_dragTo;
  bool m_bPointClick = false;
  QPointF m_pointClick;
  int m_nSegmentAxis = -1;  // the direction the segment tool draws; −1 for Shift's menu
  std::vector<int> m_facePoints;
  QPointF m_cursorDevice;
  unsigned int m_nLoupeTexture = 0;
  bool m_bLoupeReady = false;
};
