#pragma once
// The main frame: menu bar, accelerators, the flat dockable toolbar and the status bar with its
// message pane and the CAP, NUM and SCRL indicators, around the view. Every command is one
// QAction whose data is the command number; the frame hands triggered commands to a dispatcher.

#include <QDockWidget>
#include <QMainWindow>

#include <functional>
#include <map>
#include <string>

class CCameraDock;
class CPelorinView;
class CPointsAndFacesDock;
class QLabel;
class QMenu;
class QToolBar;

class CMainFrame final : public QMainWindow {
 public:
  explicit CMainFrame(std::function<void(int)> dispatch);

  // The view with its scroll bars becomes the central area.
  void SetView(CPelorinView* view);
  CPelorinView* View() const { return m_pView; }
  // Docks the table on the right, hidden; "Points and Faces" of the View menu shows it.
  void SetPointsAndFaces(CPointsAndFacesDock* dock);
  CPointsAndFacesDock* PointsAndFaces() const { return m_pPointsAndFaces; }
  // Docks the camera's figures on the right, hidden; "Camera" of the View menu shows it.
  void SetCamera(CCameraDock* dock);
  CCameraDock* Camera() const { return m_pCamera; }

  QAction* Action(int id) const;
  QToolBar* ToolBar() const { return m_pToolBar; }
  // "Modelling": the view's tools, one checked at a time.
  QToolBar* ModellingBar() const { return m_pModellingBar; }
  QLabel* Indicator(int index) const { return m_indicators[index]; }

  // Replaces the message pane's text and redraws it at once.
  void SetMessageText(const std::string& text);
  std::string MessageText() const;
  // "NAME - Pelorin".
  void SetDocumentTitle(const std::string& documentTitle);
  // Asked before the window closes; false keeps it open.
  void SetCloseHandler(std::function<bool()> canClose) { m_canClose = std::move(canClose); }
  // Names the command that Undo and Redo would take back or do again ("Add Point 7"); "" for
  // none, which greys the item.
  void SetUndoRedo(const std::string& undoName, const std::string& redoName);
  // Shows the recent-file entries in place of the greyed "Recent File" item.
  void SetRecentFiles(const QStringList& paths);
  // Lights the lock-key indicators as the platform reports them.
  void UpdateLockIndicators();
  // The window's size, position, toolbars and docks as saveGeometry and saveState give them;
  // the View menu's check marks follow the restored toolbars and docks.
  // The window as it was left; without that, most of the screen.
  void RestoreLayout(const QByteArray& geometry, const QByteArray& state);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateModellingToolBar();
  void CreateStatusBar();
  // A panel just shown takes at most part of the window's width, leaving the rest to the photograph.
  void LeaveRoomForThePhotograph(QDockWidget* dock);

  std::function<void(int)> m_dispatch;
  std::function<bool()> m_canClose;
  CPelorinView* m_pView = nullptr;
  CPointsAndFacesDock* m_pPointsAndFaces = nullptr;
  CCameraDock* m_pCamera = nullptr;
  std::map<int, QAction*> m_actions;
  QMenu* m_pFileMenu = nullptr;
  QAction* m_pRecentPlaceholder = nullptr;
  std::vector<QAction*> m_recentActions;
  QToolBar* m_pToolBar = nullptr;
  QToolBar* m_pModellingBar = nullptr;
  QLabel* m_indicators[3] = {};
};
