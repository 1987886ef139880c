// Navigation beside the left-button pan: the middle button, or Space with the left button,
// moves the photograph with the mouse one to one; the scroll bars and the arrow keys scroll;
// Fit in Window shows the whole photograph. The view's origin (Left(), Bottom()) is the
// photograph position at its lower-left corner; a device pixel is 1 / zoom photograph pixels.

#include "app/PelorinView.h"

#include "app/PelorinDoc.h"
#include "model/SingleImage.h"
#include "services/Services.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSmallestStepZoom = 1.0 / 8;  // zoom out goes no further, unless to fit
constexpr double kLargestZoom = 32;
// What one arrow key or scroll-bar arrow moves, in device pixels.
constexpr int kScrollStepDevicePixels = 40;
// Beyond the photograph the scroll bars reach this part of the view further, so any part of
// the photograph can be brought to the middle.
constexpr double kScrollMarginOfView = 0.5;

}  // namespace

QWidget* CPelorinView::MakeScrollArea() {
  auto* area = new QWidget(parentWidget());
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  m_pHorizontalBar = new QScrollBar(Qt::Horizontal, area);
  m_pVerticalBar = new QScrollBar(Qt::Vertical, area);
  m_pHorizontalBar->setObjectName(QStringLiteral("horizontalScrollBar"));
  m_pVerticalBar->setObjectName(QStringLiteral("verticalScrollBar"));
  for (QScrollBar* bar : {m_pHorizontalBar, m_pVerticalBar}) {
    // The keys stay with the view.
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setSingleStep(kScrollStepDevicePixels);
  }
  connect(m_pHorizontalBar, &QScrollBar::valueChanged, this, [this](int value) { OnHorizontalScrollBar(value); });
  connect(m_pVerticalBar, &QScrollBar::valueChanged, this, [this](int value) { OnVerticalScrollBar(value); });
  grid->addWidget(this, 0, 0);
  grid->addWidget(m_pVerticalBar, 0, 1);
  grid->addWidget(m_pHorizontalBar, 1, 0);
  return area;
}

double CPelorinView::FitZoom() const {
  const CSingleImage* model = GetDocument()->GetSingleImage();
  const QSize client = ClientSize();
  // Without a photograph or a client area there is nothing to fit.
  if (!model || model->GetWidth() <= 0 || model->GetHeight() <= 0 || client.isEmpty()) return 1;
  return std::min(static_cast<double>(client.width()) / model->GetWidth(),
                  static_cast<double>(client.height()) / model->GetHeight());
}

double CPelorinView::MinimumZoom() const { return std::min(kSmallestStepZoom, FitZoom()); }

double CPelorinView::NextZoom(double zoom, int direction) {
  // A zoom a hair off a power of two counts as that power.
  constexpr double kPowerSlack = 1e-9;
  const double exponent = std::log2(zoom);
  return direction > 0 ? std::exp2(std::floor(exponent + kPowerSlack) + 1) : std::exp2(std::ceil(exponent - kPowerSlack) - 1);
}

void CPelorinView::OnFitInWindow() {
  if (!GetDocument()->GetSingleImage()) return;
  FitInWindow();
}

void CPelorinView::FitInWindow() {
  const CSingleImage& model = *GetDocument()->GetSingleImage();
  const QSize client = ClientSize();
  const double zoom = std::min(FitZoom(), kLargestZoom);
  m_dZoom = zoom;
  // The photograph covers [0, width] × [0, height]; its middle goes to the view's middle.
  const double left = model.GetWidth() / 2.0 - client.width() / (2 * zoom);
  const double bottom = model.GetHeight() / 2.0 - client.height() / (2 * zoom);
  if (zoom == 1)
    SetOrigin(std::floor(left), std::floor(bottom));  // at 1:1, whole pixels as the plain view has them
  else
    SetOrigin(left, bottom);
  m_bFitted = true;
  Services().Repaint();
}

void CPelorinView::ShowNewPhotograph() {
  const CSingleImage* model = GetDocument()->GetSingleImage();
  if (!model) return;
  const QSize client = ClientSize();
  if (!client.isEmpty() && (model->GetWidth() > client.width() || model->GetHeight() > client.height())) {
    FitInWindow();
  } else if (m_bFitted) {
    m_dZoom = 1;
    m_nPanX = m_nPanY = 0;
    m_dSubX = m_dSubY = 0;
    m_bFitted = false;
  }
}

void CPelorinView::ScrollByDevicePixels(double dx, double dy) {
  SetOrigin(Left() + dx / m_dZoom, Bottom() + dy / m_dZoom);
  Services().Repaint();
}

bool CPelorinView::BeginHandPan(QMouseEvent* event) {
  const bool middle = event->button() == Qt::MiddleButton;
  const bool spaceLeft = event->button() == Qt::LeftButton && m_bSpaceHeld;
  if (m_bHandPanning || m_bDragging || m_bDrawingSegment || m_pressedHandle || (!middle && !spaceLeft)) return false;
  m_bHandPanning = true;
  m_handPanButton = event->button();
  m_bHandPanWhole = IsPlainView();
  m_handPanPress = m_bHandPanWhole ? QPointF(DevicePosition(event->position())) : DevicePositionF(event->position());
  m_handPanOrigin = QPointF(Left(), Bottom());
  setCursor(Qt::ClosedHandCursor);
  return true;
}

bool CPelorinView::ContinueHandPan(QMouseEvent* event) {
  if (!m_bHandPanning) return false;
  const QPointF at = m_bHandPanWhole ? QPointF(DevicePosition(event->position())) : DevicePositionF(event->position());
  // The photograph point under the press stays under the mouse: y downwards on the screen,
  // upwards in the photograph.
  SetOrigin(m_handPanOrigin.x() - (at.x() - m_handPanPress.x()) / m_dZoom,
            m_handPanOrigin.y() + (at.y() - m_handPanPress.y()) / m_dZoom);
  Services().Repaint();
  return true;
}

bool CPelorinView::EndHandPan(QMouseEvent* event) {
  if (!m_bHandPanning) return false;
  if (event->button() != m_handPanButton) return true;  // other buttons wait for the pan's end
  ContinueHandPan(event);
  m_bHandPanning = false;
  m_handPanButton = Qt::NoButton;
  if (m_bSpaceHeld)
    setCursor(Qt::OpenHandCursor);
  else
    unsetCursor();
  return true;
}

bool CPelorinView::NavigationKeyPress(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Space) {
    if (!event->isAutoRepeat()) {
      m_bSpaceHeld = true;
      if (!m_bHandPanning) setCursor(Qt::OpenHandCursor);
    }
    return true;
  }
  double dx = 0, dy = 0;
  switch (key) {
    case Qt::Key_Left: dx = -kScrollStepDevicePixels; break;
    case Qt::Key_Right: dx = kScrollStepDevicePixels; break;
    case Qt::Key_Up: dy = kScrollStepDevicePixels; break;
    case Qt::Key_Down: dy = -kScrollStepDevicePixels; break;
    default: return false;
  }
  if (m_arrowKeyHandler && m_arrowKeyHandler(key)) return true;
  ScrollByDevicePixels(dx, dy);
  return true;
}

bool CPelorinView::NavigationKeyRelease(QKeyEvent* event) {
  if (event->key() != Qt::Key_Space) return false;
  if (!event->isAutoRepeat()) {
    m_bSpaceHeld = false;
    if (!m_bHandPanning) unsetCursor();
  }
  return true;
}

void CPelorinView::keyReleaseEvent(QKeyEvent* event) {
  if (!NavigationKeyRelease(event)) QWidget::keyReleaseEvent(event);
}

void CPelorinView::focusOutEvent(QFocusEvent* event) {
  // The release of a Space held while the focus left is never seen.
  m_bSpaceHeld = false;
  if (!m_bHandPanning) unsetCursor();
  QWidget::focusOutEvent(event);
}

// The scroll bars count device pixels: the horizontal one from the photograph's left edge to
// the view's left edge, the vertical one from the view's top edge down from the photograph's
// bottom edge (so it grows downwards, as scroll bars do). Their range is the photograph with a
// margin, widened to hold the view wherever it is.
void CPelorinView::SyncScrollBars() {
  if (!m_pHorizontalBar || !m_pVerticalBar) return;
  const QSize client = ClientSize();
  const CSingleImage* model = GetDocument()->GetSingleImage();
  const double width = model ? model->GetWidth() * m_dZoom : 0, height = model ? model->GetHeight() * m_dZoom : 0;
  const double left = Left() * m_dZoom, bottom = Bottom() * m_dZoom;
  const double right = left + client.width(), top = bottom + client.height();
  const double lowX = std::min(-kScrollMarginOfView * client.width(), left);
  const double highX = std::max(width + kScrollMarginOfView * client.width(), right);
  const double lowY = std::min(-kScrollMarginOfView * client.height(), bottom);
  const double highY = std::max(height + kScrollMarginOfView * client.height(), top);
  m_bSyncingScrollBars = true;
  m_pHorizontalBar->setRange(static_cast<int>(std::floor(lowX)), static_cast<int>(std::ceil(highX)) - client.width());
  m_pHorizontalBar->setPageStep(std::max(1, client.width()));
  m_pHorizontalBar->setValue(static_cast<int>(std::lround(left)));
  m_pVerticalBar->setRange(-static_cast<int>(std::ceil(highY)), -static_cast<int>(std::floor(lowY)) - client.height());
  m_pVerticalBar->setPageStep(std::max(1, client.height()));
  m_pVerticalBar->setValue(-static_cast<int>(std::lround(top)));
  m_bSyncingScrollBars = false;
}

void CPelorinView::OnHorizontalScrollBar(int value) {
  if (m_bSyncingScrollBars) return;
  SetOrigin(value / m_dZoom, Bottom());
  Services().Repaint();
}

void CPelorinView::OnVerticalScrollBar(int value) {
  if (m_bSyncingScrollBars) return;
  SetOrigin(Left(), (-value - ClientSize().height()) / m_dZoom);
  Services().Repaint();
}
