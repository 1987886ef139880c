#include "app/Pelorin.h"

#include "app/AboutDialog.h"
#include "app/CommandIds.h"
#include "app/MainFrm.h"
#include "app/PelorinView.h"
#include "app/PhotographTexture.h"
#include "app/PointsAndFacesDock.h"
#include "app/Resources.h"
#include "app/UserGuide.h"
#include "image/Photograph.h"
#include "model/DisplayTexture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cstdio>
#include <fstream>

namespace {

constexpr const char* kRecentFileGroup = "Recent File List";
constexpr const char* kUsage = "Usage: pelorin [FILE]\n";

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

// The freedesktop theme where the platform names none.
void ChooseIconTheme() {
  const QString current = QIcon::themeName();
  if (!current.isEmpty() && current != QStringLiteral("hicolor")) return;
  for (const QString& folder : QIcon::themeSearchPaths())
    if (QFileInfo::exists(folder + QStringLiteral("/Tango/index.theme"))) {
      QIcon::setThemeName(QStringLiteral("Tango"));
      return;
    }
}

// A photograph is recognised by its first bytes, as "Load Souce Image" recognises it.
bool IsPhotograph(const QString& path) {
  std::ifstream file(path.toStdString(), std::ios::binary);
  unsigned char head[64] = {};
  file.read(reinterpret_cast<char*>(head), sizeof head);
  return DetectPhotoFormat(head, static_cast<size_t>(file.gcount())) != EPhotoFormat::Unknown;
}

}  // namespace

CPelorinApp::CPelorinApp() : m_settings(ToQString(kSettingsOrganisation), ToQString(kApplicationTitle)) {
  ChooseIconTheme();
  QApplication::setWindowIcon(ApplicationIcon());
  m_settings.beginGroup(kRecentFileGroup);
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const QString path = m_settings.value(QStringLiteral("File%1").arg(i)).toString();
    if (!path.isEmpty()) m_recentFiles.append(path);
  }
  m_settings.endGroup();

  m_pFrame = std::make_unique<CMainFrame>([this](int id) { OnCommand(id); });
  m_pView = new CPelorinView(m_document, m_pFrame.get());
  m_pFrame->SetView(m_pView);
  auto* table = new CPointsAndFacesDock(m_document, [this] { m_pView->RepaintNow(); }, m_pFrame.get());
  m_pFrame->SetPointsAndFaces(table);
  m_pView->SetModelChangedHandler([table] {
    if (table->isVisible()) table->Refresh();
  });
  m_services.Attach(m_pFrame.get(), m_pView);
  m_pFrame->SetRecentFiles(m_recentFiles);

  // The scene model reaches the display only through these, always with the view's context current.
  CGLRenderContext& context = m_pView->m_glContext;
  SetDisplayTextureHooks({[&context](const unsigned char* pixels, int width, int height) -> unsigned int {
                            return context.MakeCurrent() ? UploadPhotographTexture(pixels, width, height) : 0;
                          },
                          [&context](unsigned int name) {
                            if (context.MakeCurrent()) DeletePhotographTexture(name);
                          }});
  UpdateTitle();
}

CPelorinApp::~CPelorinApp() {
  // The photograph's texture goes while its context still exists.
  m_document.SetSingleImage(nullptr);
  m_pFrame.reset();
  SetDisplayTextureHooks({});
}

bool CPelorinApp::InitInstance(const QStringList& arguments) {
  QString file;
  for (const QString& argument : arguments) {
    if ((argument.startsWith('-') && argument != QStringLiteral("-")) || !file.isEmpty()) {
      std::fputs(kUsage, stderr);
      m_nExitCode = 2;
      return false;
    }
    file = argument;
  }
  m_pFrame->show();
  m_pFrame->raise();
  m_pView->OnInitialUpdate();
  // A photograph named on the command line is loaded, not opened as the (empty) document.
  if (!file.isEmpty() && IsPhotograph(file)) {
    m_pView->LoadSourceImage(file.toStdString());
    return true;
  }
  if (!file.isEmpty() && !OpenDocumentFile(file)) {
    m_nExitCode = 1;
    return false;
  }
  return true;
}

void CPelorinApp::OnCommand(int id) {
  switch (id) {
    case ID_FILE_NEW: OnFileNew(); return;
    case ID_FILE_OPEN: OnFileOpen(); return;
    case ID_FILE_SAVE: OnFileSave(); return;
    case ID_FILE_SAVE_AS: OnFileSaveAs(); return;
    case ID_FILE_PRINT: OnFilePrint(); return;
    case ID_FILE_PRINT_PREVIEW: OnFilePrintPreview(); return;
    case ID_FILE_PRINT_SETUP: OnFilePrintSetup(); return;
    case ID_APP_ABOUT: OnAppAbout(); return;
    case ID_HELP_USER_GUIDE: OnHelpUserGuide(); return;
    case ID_APP_EXIT: m_pFrame->close(); return;
    case ID_VIEW_OVERLAYS: m_pView->SetOverlays(m_pFrame->Action(ID_VIEW_OVERLAYS)->isChecked()); return;
    default: break;
  }
  if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) {
    const int index = id - ID_FILE_MRU_FILE1;
    if (index < m_recentFiles.size()) OpenDocumentFile(m_recentFiles[index]);
    return;
  }
  if (m_pView->HandlesCommand(id)) m_pView->OnCommand(id);
}

void CPelorinApp::UpdateTitle() { m_pFrame->SetDocumentTitle(m_document.GetTitle()); }

void CPelorinApp::OnFileNew() {
  m_document.SetPathName({});
  UpdateTitle();
  m_pView->OnInitialUpdate();
}

void CPelorinApp::OnFileOpen() {
  if (auto choice = AskForFile(EFileDialogKind::Open)) OpenDocumentFile(QString::fromStdString(choice->fullPath));
}

bool CPelorinApp::OpenDocumentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  const std::string reason = m_document.OpenDocumentFile(absolute.toStdString());
  if (!reason.empty()) {
    Services().MessageBox(reason + ".");
    if (m_recentFiles.removeAll(absolute) > 0) {
      StoreRecentFiles();
      m_pFrame->SetRecentFiles(m_recentFiles);
    }
    return false;
  }
  m_document.SetPathName(absolute.toStdString());
  UpdateTitle();
  AddToRecentFileList(absolute);
  m_pView->OnInitialUpdate();
  return true;
}

bool CPelorinApp::SaveDocument(const std::string& path) {
  const std::string reason = m_document.SaveDocumentFile(path);
  if (!reason.empty()) {
    Services().MessageBox("The document cannot be saved: " + reason);
    return false;
  }
  return true;
}

void CPelorinApp::OnFileSave() {
  if (m_document.GetPathName().empty()) {
    OnFileSaveAs();
    return;
  }
  SaveDocument(m_document.GetPathName());
}

void CPelorinApp::OnFileSaveAs() {
  const auto choice = AskForFile(EFileDialogKind::Save);
  if (!choice || !SaveDocument(choice->fullPath)) return;
  const QString absolute = QFileInfo(QString::fromStdString(choice->fullPath)).absoluteFilePath();
  m_document.SetPathName(absolute.toStdString());
  UpdateTitle();
  AddToRecentFileList(absolute);
}

void CPelorinApp::AddToRecentFileList(const QString& path) {
  m_recentFiles.removeAll(path);
  m_recentFiles.prepend(path);
  while (m_recentFiles.size() > kRecentFileCount) m_recentFiles.removeLast();
  StoreRecentFiles();
  m_pFrame->SetRecentFiles(m_recentFiles);
}

void CPelorinApp::StoreRecentFiles() {
  m_settings.beginGroup(kRecentFileGroup);
  m_settings.remove(QString());
  for (int i = 0; i < m_recentFiles.size(); ++i) m_settings.setValue(QStringLiteral("File%1").arg(i + 1), m_recentFiles[i]);
  m_settings.endGroup();
  m_settings.sync();
}

void CPelorinApp::OnFilePrint() {
  if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>();
  QPrintDialog dialog(m_pPrinter.get(), m_pFrame.get());
  if (m_services.ExecDialog(dialog) != QDialog::Accepted) return;
  QPainter painter(m_pPrinter.get());
  m_pView->OnDraw(painter);
}

void CPelorinApp::OnFilePrintPreview() {
  if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>();
  QPrintPreviewDialog preview(m_pPrinter.get(), m_pFrame.get());
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [this](QPrinter* printer) {
    QPainter painter(printer);
    m_pView->OnDraw(painter);
  });
  m_services.ExecDialog(preview);
}

void CPelorinApp::OnFilePrintSetup() {
  if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>();
  QPageSetupDialog dialog(m_pPrinter.get(), m_pFrame.get());
  m_services.ExecDialog(dialog);
}

void CPelorinApp::OnAppAbout() {
  CAboutDialog about(m_pFrame.get());
  m_services.ExecDialog(about);
}

void CPelorinApp::OnHelpUserGuide() {
  const std::string programFolder = QCoreApplication::applicationDirPath().toStdString();
  const std::optional<std::string> guide = FindUserGuide(programFolder);
  if (!guide) {
    std::string places;
    for (const std::string& candidate : UserGuideCandidates(programFolder)) places += "\n" + candidate;
    Services().MessageBox("The user guide cannot be found. It is installed with the program; it was looked for in:" +
                          places);
    return;
  }
  if (!Services().ShowDocument(*guide))
    Services().MessageBox("The user guide " + *guide +
                          " cannot be shown: the desktop has no program for it. Open it in a text editor or a web browser.");
}
