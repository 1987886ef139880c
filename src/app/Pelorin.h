#pragma once
// The application object: it keeps the settings and the recent-file list, makes the frame, the
// document and the view, installs the Qt services and the display-texture hooks, processes the
// command line and handles the framework's File and Help commands.

#include "app/PelorinDoc.h"
#include "app/QtServices.h"

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
  // Opens the document's file as File Open does; false when it cannot be read.
  bool OpenDocumentFile(const QString& path);
  void OnFileSave();
  void OnFileSaveAs();
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnAppAbout();
  void OnHelpUserGuide();

 private:
  bool SaveDocument(const std::string& path);
  void AddToRecentFileList(const QString& path);
  void StoreRecentFiles();
  void UpdateTitle();

  CQtServices m_services;
  CScopedServices m_servicesInstalled{m_services};
  CPelorinDoc m_document;
  QSettings m_settings;
  QStringList m_recentFiles;
  std::unique_ptr<CMainFrame> m_pFrame;
  CPelorinView* m_pView = nullptr;
  std::unique_ptr<QPrinter> m_pPrinter;
  int m_nExitCode = 0;
};
