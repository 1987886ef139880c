#include "app/MainFrm.h"

#include "app/CameraDock.h"
#include "app/CommandIds.h"
#include "app/LockKeys.h"
#include "app/PelorinView.h"
#include "app/PointsAndFacesDock.h"
#include "app/Resources.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

constexpr std::string_view kIndicatorTexts[3] = {"CAP", "NUM", "SCRL"};

QIcon FallbackIcon(int id, QStyle* style) {
  switch (id) {
    case ID_FILE_NEW: return style->standardIcon(QStyle::SP_FileIcon);
    case ID_FILE_OPEN: return style->standardIcon(QStyle::SP_DialogOpenButton);
    case ID_FILE_SAVE: return style->standardIcon(QStyle::SP_DialogSaveButton);
    case ID_APP_ABOUT: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    default: return style->standardIcon(QStyle::SP_TitleBarMenuButton);  // Qt has no cut, copy, paste or print
  }
}

// A first start takes this part of the screen's width and height.
constexpr int kFirstStartScreenPercent = 85;
// A panel that would take more than this part of the window's width is made narrower; its
// tables scroll sideways instead.
constexpr int kWidestDockPercent = 40;

}  // namespace

CMainFrame::CMainFrame(std::function<void(int)> dispatch) : m_dispatch(std::move(dispatch)) {
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateModellingToolBar();
  CreateStatusBar();
  qApp->installEventFilter(this);
  resize(900, 700);
}

void CMainFrame::SetView(CPelorinView* view) {
  m_pView = view;
  setCentralWidget(view->MakeScrollArea());
}

void CMainFrame::RestoreLayout(const QByteArray& geometry, const QByteArray& state) {
  if (geometry.isEmpty() || !restoreGeometry(geometry)) {
    // A first start takes most of the screen: the photograph and a panel beside it both need room.
    if (const QScreen* shown = screen()) {
      const QRect available = shown->availableGeometry();
      resize(std::max(width(), available.width() * kFirstStartScreenPercent / 100),
             std::max(height(), available.height() * kFirstStartScreenPercent / 100));
    }
  }
  if (state.isEmpty() || !restoreState(state)) return;
  const std::pair<int, QWidget*> shown[] = {
      {ID_VIEW_TOOLBAR, m_pToolBar}, {ID_VIEW_POINTS_AND_FACES, m_pPointsAndFaces}, {ID_VIEW_CAMERA, m_pCamera}};
  for (const auto& [id, widget] : shown)
    if (widget) m_actions[id]->setChecked(!widget->isHidden());
}

void CMainFrame::SetPointsAndFaces(CPointsAndFacesDock* dock) {
  m_pPointsAndFaces = dock;
  addDockWidget(Qt::RightDockWidgetArea, dock);
  dock->hide();
  connect(m_actions[ID_VIEW_POINTS_AND_FACES], &QAction::toggled, this, [this, dock](bool shown) {
    dock->setVisible(shown);
    if (shown) LeaveRoomForThePhotograph(dock);
  });
  // Closing the dock by its own button unchecks the menu item.
  connect(dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (!visible && !m_pPointsAndFaces->isVisible()) m_actions[ID_VIEW_POINTS_AND_FACES]->setChecked(false);
  });
}

void CMainFrame::SetCamera(CCameraDock* dock) {
  m_pCamera = dock;
  addDockWidget(Qt::RightDockWidgetArea, dock);
  dock->hide();
  connect(m_actions[ID_VIEW_CAMERA], &QAction::toggled, this, [this, dock](bool shown) {
    dock->setVisible(shown);
    if (shown) LeaveRoomForThePhotograph(dock);
  });
  connect(dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (!visible && !m_pCamera->isVisible()) m_actions[ID_VIEW_CAMERA]->setChecked(false);
  });
}

void CMainFrame::LeaveRoomForThePhotograph(QDockWidget* dock) {
  if (dock->isFloating()) return;
  const int widest = width() * kWidestDockPercent / 100;
  if (std::max(dock->width(), dock->sizeHint().width()) > widest) resizeDocks({dock}, {widest}, Qt::Horizontal);
}

QAction* CMainFrame::Action(int id) const {
  auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
  auto makeAction = [this](int id, std::string_view menuText) {
    auto* action = new QAction(this);
    const size_t tab = menuText.find('\t');
    action->setText(ToQString(menuText.substr(0, tab)));
    action->setData(id);
    const std::string_view prompt = CommandPrompt(id);
    const size_t newline = prompt.find('\n');
    action->setStatusTip(ToQString(prompt.substr(0, newline)));
    if (newline != std::string_view::npos) action->setToolTip(ToQString(prompt.substr(newline + 1)));
    QList<QKeySequence> keys;
    for (const CAcceleratorResource& accelerator : AcceleratorResource())
      if (accelerator.id == id) keys.append(QKeySequence(ToQString(accelerator.keys)));
    action->setShortcuts(keys);
    connect(action, &QAction::triggered, this, [this, id] { m_dispatch(id); });
    m_actions[id] = action;
    return action;
  };
  for (const CMenuResource& menu : MainMenuResource())
    for (const CMenuItemResource& item : menu.items)
      if (item.id != 0) makeAction(item.id, item.text);
  // Accelerators without a menu item: the next and previous pane (a single pane here).
  addAction(makeAction(ID_NEXT_PANE, ""));
  addAction(makeAction(ID_PREV_PANE, ""));

  // Cut, copy and paste have no handler anywhere in the program; undo and redo are enabled
  // while there is something to undo or redo.
  for (int id : {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}) m_actions[id]->setEnabled(false);
  m_actions[ID_FILE_MRU_FILE1]->setEnabled(false);
  m_actions[ID_VIEW_OVERLAYS]->setCheckable(true);
  m_actions[ID_VIEW_POINTS_AND_FACES]->setCheckable(true);
  m_actions[ID_VIEW_CAMERA]->setCheckable(true);
  m_actions[ID_VIEW_TOOLBAR]->setCheckable(true);
  m_actions[ID_VIEW_STATUS_BAR]->setCheckable(true);
  m_actions[ID_VIEW_TOOLBAR]->setChecked(true);
  m_actions[ID_VIEW_STATUS_BAR]->setChecked(true);

  QStyle* style = QApplication::style();
  for (int id : ToolbarResource()) {
    if (id == 0) continue;
    m_actions[id]->setIcon(QIcon::fromTheme(ToQString(CommandIconName(id)),
                                            id == ID_APP_ABOUT ? QIcon::fromTheme("help-browser", FallbackIcon(id, style))
                                                               : FallbackIcon(id, style)));
  }
}

void CMainFrame::CreateMenus() {
  for (const CMenuResource& resource : MainMenuResource()) {
    QMenu* menu = menuBar()->addMenu(ToQString(resource.title));
    if (resource.title == "&File") m_pFileMenu = menu;
    for (const CMenuItemResource& item : resource.items) {
      if (item.id == 0)
        menu->addSeparator();
      else
        menu->addAction(m_actions[item.id]);
    }
  }
  m_pRecentPlaceholder = m_actions[ID_FILE_MRU_FILE1];
}

void CMainFrame::CreateToolBar() {
  m_pToolBar = new QToolBar(QStringLiteral("Standard"), this);
  m_pToolBar->setObjectName(QStringLiteral("toolbar"));
  m_pToolBar->setIconSize(QSize(16, 16));
  m_pToolBar->setMovable(true);
  m_pToolBar->setFloatable(true);
  m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
  for (int id : ToolbarResource()) {
    if (id == 0)
      m_pToolBar->addSeparator();
    else
      m_pToolBar->addAction(m_actions[id]);
  }
  addToolBar(Qt::TopToolBarArea, m_pToolBar);
  connect(m_actions[ID_VIEW_TOOLBAR], &QAction::toggled, m_pToolBar, &QToolBar::setVisible);
  connect(m_pToolBar, &QToolBar::visibilityChanged, m_actions[ID_VIEW_TOOLBAR], &QAction::setChecked);
}

void CMainFrame::CreateModellingToolBar() {
  const struct {
    int id;
    const char* text;
    const char* key;
    const char* tip;
  } tools[] = {
      {ID_TOOL_PAN, "Pan", "P", "Pan: drag the photograph with the left button"},
      {ID_TOOL_SEGMENT_X, "Segment X", "1", "Segment X: drag along an edge parallel to the world's X axis"},
      {ID_TOOL_SEGMENT_Y, "Segment Y", "2", "Segment Y: drag along an edge parallel to the world's Y axis"},
      {ID_TOOL_SEGMENT_Z, "Segment Z", "3", "Segment Z: drag along a vertical edge"},
      {ID_TOOL_POINT, "Point", "M", "Point: click where a point is to be measured"},
      {ID_TOOL_FACE, "Face", "F", "Face: click the four corner points of a face in order"},
  };
  m_pModellingBar = new QToolBar(QStringLiteral("Modelling"), this);
  m_pModellingBar->setObjectName(QStringLiteral("modelling"));
  m_pModellingBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  for (const auto& tool : tools) {
    auto* action = new QAction(QString::fromUtf8(tool.text), this);
    action->setData(tool.id);
    action->setCheckable(true);
    action->setShortcut(QKeySequence(QString::fromUtf8(tool.key)));
    action->setToolTip(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(tool.tip), QString::fromUtf8(tool.key)));
    action->setStatusTip(QString::fromUtf8(tool.tip));
    group->addAction(action);
    m_pModellingBar->addAction(action);
    // The keys work while the toolbar is hidden too.
    addAction(action);
    const int id = tool.id;
    connect(action, &QAction::triggered, this, [this, id] { m_dispatch(id); });
    m_actions[id] = action;
  }
  m_actions[ID_TOOL_PAN]->setChecked(true);
  addToolBar(Qt::TopToolBarArea, m_pModellingBar);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  for (int i = 0; i < 3; ++i) {
    m_indicators[i] = new QLabel(bar);
    m_indicators[i]->setObjectName(ToQString(kIndicatorTexts[i]));
    m_indicators[i]->setAlignment(Qt::AlignCenter);
    m_indicators[i]->setMinimumWidth(m_indicators[i]->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    m_indicators[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(m_indicators[i]);
  }
  bar->showMessage(ToQString(kIdleMessage));
  connect(m_actions[ID_VIEW_STATUS_BAR], &QAction::toggled, bar, &QStatusBar::setVisible);
  UpdateLockIndicators();
}

void CMainFrame::SetMessageText(const std::string& text) {
  statusBar()->showMessage(QString::fromStdString(text));
  statusBar()->repaint();
}

std::string CMainFrame::MessageText() const { return statusBar()->currentMessage().toStdString(); }

void CMainFrame::SetUndoRedo(const std::string& undoName, const std::string& redoName) {
  const struct {
    int id;
    const char* verb;
    const std::string& name;
  } commands[] = {{ID_EDIT_UNDO, "&Undo", undoName}, {ID_EDIT_REDO, "&Redo", redoName}};
  for (const auto& command : commands) {
    QAction* action = m_actions[command.id];
    action->setEnabled(!command.name.empty());
    action->setText(ToQString(command.name.empty() ? std::string(command.verb) : command.verb + (" " + command.name)));
  }
}

void CMainFrame::SetDocumentTitle(const std::string& documentTitle) {
  setWindowTitle(QString::fromStdString(documentTitle) + QStringLiteral(" - ") + ToQString(kApplicationTitle));
}

void CMainFrame::SetRecentFiles(const QStringList& paths) {
  for (QAction* action : m_recentActions) {
    m_pFileMenu->removeAction(action);
    delete action;
  }
  m_recentActions.clear();
  m_pRecentPlaceholder->setVisible(paths.isEmpty());
  for (int i = 0; i < paths.size(); ++i) {
    auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(paths[i]), this);
    const int id = ID_FILE_MRU_FILE1 + i;
    action->setData(id);
    action->setStatusTip(ToQString(CommandPrompt(ID_FILE_MRU_FILE1)));
    connect(action, &QAction::triggered, this, [this, id] { m_dispatch(id); });
    m_pFileMenu->insertAction(m_pRecentPlaceholder, action);
    m_recentActions.push_back(action);
  }
}

void CMainFrame::UpdateLockIndicators() {
  const CLockKeys keys = QueryLockKeys().value_or(CLockKeys{});
  const bool lit[3] = {keys.capsLock, keys.numLock, keys.scrollLock};
  for (int i = 0; i < 3; ++i) m_indicators[i]->setText(lit[i] ? ToQString(kIndicatorTexts[i]) : QString());
}

bool CMainFrame::event(QEvent* event) {
  // Fly-by help shows a command's prompt; leaving the command brings back the idle text.
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    statusBar()->showMessage(tip.isEmpty() ? ToQString(kIdleMessage) : tip);
    return true;
  }
  return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_canClose && !m_canClose()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease || event->type() == QEvent::ApplicationActivate) {
    const auto* key = event->type() == QEvent::KeyRelease ? static_cast<QKeyEvent*>(event) : nullptr;
    if (!key || key->key() == Qt::Key_CapsLock || key->key() == Qt::Key_NumLock || key->key() == Qt::Key_ScrollLock)
      UpdateLockIndicators();
  }
  return QMainWindow::eventFilter(watched, event);
}
