#pragma once
// The application object: it keeps the settings and the recent-file list, makes the frame, the
// document and the view, installs the Qt services and the display-texture hooks, processes the
// command line and handles the framework's File and Help commands.

#include "app/PelorinDoc.h"
#include "app/QtServices.h"
#include "app/Recovery.h"

#include <QSettings>
#include <QStringList>

#include <memory>

class CMainFrame;
class CPelorinView;
class QPrinter;

class CPelorinApp {
 public:
  CPelorinApp();
  ~CPelorinApp();
  CPelorinApp(const CPelorinApp&) = delete;
  CPelorinApp& operator=(const CPelorinApp&) = delete;

  // Processes the command line (the arguments after the program's name) and shows the window.
  // False when the program is to end; ExitCode() then says how.
  bool InitInstance(const QStringList& arguments);
  int ExitCode() const { return m_nExitCode; }

  CMainFrame& Frame() const { return *m_pFrame; }
  CPelorinView& View() const { return *m_pView; }
  CPelorinDoc& Document() { return m_document; }
  CQtServices& QtServices() { return m_services; }
  const QStringList& RecentFiles() const { return m_recentFiles; }

  void OnCommand(int id);
  void OnFileNew();
  void OnFileOpen();
  // Opens a project (or a job) as File Open does, or loads a photograph into a new session;
  // false when it cannot be, and the current work is then unchanged.
  bool OpenDocumentFile(const QString& path);
  // True when the work was saved; false when it was not (cancelled or failed).
  bool OnFileSave();
  bool OnFileSaveAs();
  void OnEditUndo();
  void OnEditRedo();
  // Asks "Save changes to NAME?" when there is unsaved work; false when the user cancels or the
  // save fails, so whatever was about to replace the work must not.
  bool SaveIfWanted();
  // Offers the work left by a program that did not end normally.
  void OfferRecovery();
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnAppAbout();
  void OnHelpUserGuide();

 private:
  bool SaveDocument(const std::string& path);
  bool OpenProject(const QString& absolute);
  // Runs after every change of the session: the view, the table, the title, Undo and Redo, and
  // the recovery file follow it.
  void DocumentChanged();
  void AddToRecentFileList(const QString& path);
  void StoreRecentFiles();
  void UpdateTitle();
  // The window's size, position and dock layout, and whether the overlays are shown, kept in
  // the settings from one run to the next.
  void RestoreWindowLayout();
  void SaveWindowLayout();

  CQtServices m_services;
  CScopedServices m_servicesInstalled{m_services};
  CPelorinDoc m_document;
  QSettings m_settings;
  QStringList m_recentFiles;
  std::unique_ptr<CMainFrame> m_pFrame;
  CPelorinView* m_pView = nullptr;
  std::unique_ptr<QPrinter> m_pPrinter;
  CRecovery m_recovery;
  int m_nExitCode = 0;
};
