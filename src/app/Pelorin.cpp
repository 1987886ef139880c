#include "app/Pelorin.h"

#include "app/AboutDialog.h"
#include "app/CommandIds.h"
#include "app/MainFrm.h"
#include "app/PelorinView.h"
#include "app/PhotographTexture.h"
#include "app/CameraDock.h"
#include "app/PointsAndFacesDock.h"
#include "app/Resources.h"
#include "app/UserGuide.h"
#include "image/Photograph.h"
#include "model/DataFile.h"
#include "model/DisplayTexture.h"
#include "session/Project.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTableWidget>

#include <cstdio>
#include <fstream>
#include <set>

namespace {

constexpr const char* kRecentFileGroup = "Recent File List";
constexpr const char* kWindowGroup = "Window";
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

std::set<int> SelectedRowSet(const QTableWidget& table) {
  std::set<int> rows;
  for (const QModelIndex& index : table.selectionModel()->selectedIndexes()) rows.insert(index.row());
  return rows;
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
  auto* camera = new CCameraDock(m_document, m_pFrame.get());
  m_pFrame->SetCamera(camera);
  // Rows selected in the tables stand out on the photograph.
  const auto highlightSelection = [this, table] {
    COverlayHighlights highlights = m_pView->Highlights();
    highlights.points = SelectedRowSet(*table->PointsTable());
    highlights.faces = SelectedRowSet(*table->FacesTable());
    m_pView->SetHighlights(highlights);
  };
  QObject::connect(table->PointsTable(), &QTableWidget::itemSelectionChanged, m_pView, highlightSelection);
  QObject::connect(table->FacesTable(), &QTableWidget::itemSelectionChanged, m_pView, highlightSelection);
  table->SetSegmentSelectionHandler([this](std::array<std::vector<int>, 3> lines) {
    COverlayHighlights highlights = m_pView->Highlights();
    for (int axis = 0; axis < 3; ++axis) highlights.segments[axis] = std::set<int>(lines[axis].begin(), lines[axis].end());
    m_pView->SetHighlights(highlights);
  });
  m_pView->SetModelChangedHandler([table, camera] {
    if (table->isVisible()) table->Refresh();
    if (camera->isVisible()) camera->Refresh();
  });
  m_document.SetChangedHandler([this] { DocumentChanged(); });
  m_pView->SetReplaceWorkHandler([this] { return SaveIfWanted(); });
  m_pFrame->SetCloseHandler([this] { return SaveIfWanted(); });
  m_services.Attach(m_pFrame.get(), m_pView);
  m_pFrame->SetRecentFiles(m_recentFiles);
  RestoreWindowLayout();

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
  SaveWindowLayout();
  // The photograph's textures go while their context still exists.
  m_document.SetChangedHandler({});
  m_document.Clear();
  m_recovery.Remove();
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
  OfferRecovery();
  // Restored work is not replaced by the file named without asking; kept, the file is not opened.
  if (!file.isEmpty() && SaveIfWanted() && !OpenDocumentFile(file)) {
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
    case ID_EDIT_UNDO: OnEditUndo(); return;
    case ID_EDIT_REDO: OnEditRedo(); return;
    case ID_FILE_PRINT: OnFilePrint(); return;
    case ID_FILE_PRINT_PREVIEW: OnFilePrintPreview(); return;
    case ID_FILE_PRINT_SETUP: OnFilePrintSetup(); return;
    case ID_APP_ABOUT: OnAppAbout(); return;
    case ID_HELP_USER_GUIDE: OnHelpUserGuide(); return;
    case ID_APP_EXIT: m_pFrame->close(); return;
    case ID_VIEW_OVERLAYS:
      m_pView->SetOverlays(m_pFrame->Action(ID_VIEW_OVERLAYS)->isChecked());
      SaveWindowLayout();
      return;
    default: break;
  }
  if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) {
    const int index = id - ID_FILE_MRU_FILE1;
    if (index < m_recentFiles.size() && SaveIfWanted()) OpenDocumentFile(m_recentFiles[index]);
    return;
  }
  if (!m_pView->HandlesCommand(id)) return;
  const std::string photograph = m_document.Session().Photograph().path;
  m_pView->OnCommand(id);
  // A photograph loaded is a recent file too.
  const std::string loaded = m_document.Session().Photograph().path;
  if (id == ID_LOAD_SOURCE_IMAGE && !loaded.empty() && loaded != photograph)
    AddToRecentFileList(QString::fromStdString(loaded));
}

void CPelorinApp::RestoreWindowLayout() {
  m_settings.beginGroup(kWindowGroup);
  m_pFrame->RestoreLayout(m_settings.value(QStringLiteral("Geometry")).toByteArray(),
                          m_settings.value(QStringLiteral("State")).toByteArray());
  // A new user sees what was entered over the photograph.
  const bool overlays = m_settings.value(QStringLiteral("Overlays"), true).toBool();
  m_settings.endGroup();
  m_pFrame->Action(ID_VIEW_OVERLAYS)->setChecked(overlays);
  m_pView->SetOverlays(overlays);
}

void CPelorinApp::SaveWindowLayout() {
  m_settings.beginGroup(kWindowGroup);
  m_settings.setValue(QStringLiteral("Geometry"), m_pFrame->saveGeometry());
  m_settings.setValue(QStringLiteral("State"), m_pFrame->saveState());
  m_settings.setValue(QStringLiteral("Overlays"), m_pFrame->Action(ID_VIEW_OVERLAYS)->isChecked());
  m_settings.endGroup();
  m_settings.sync();
}

void CPelorinApp::UpdateTitle() { m_pFrame->SetDocumentTitle(m_document.GetTitle()); }

void CPelorinApp::DocumentChanged() {
  UpdateTitle();
  const CSession& session = m_document.Session();
  m_pFrame->SetUndoRedo(session.UndoName(), session.RedoName());
  m_recovery.Write(m_document);
  if (auto* table = m_pFrame->PointsAndFaces(); table && table->isVisible()) table->Refresh();
  if (auto* camera = m_pFrame->Camera(); camera && camera->isVisible()) camera->Refresh();
  m_pView->RepaintNow();
}

bool CPelorinApp::SaveIfWanted() {
  if (!m_document.HasUnsavedWork()) return true;
  std::string name = m_document.GetTitle();
  if (!name.empty() && name.back() == '*') name.pop_back();
  switch (Services().AskSaveChanges("Save changes to " + name + "?")) {
    case ESaveChoice::Save: return OnFileSave();
    case ESaveChoice::Discard: return true;
    case ESaveChoice::Cancel: break;
  }
  return false;
}

void CPelorinApp::OnFileNew() {
  if (!SaveIfWanted()) return;
  m_document.Clear();
  UpdateTitle();
  m_pView->OnInitialUpdate();
}

void CPelorinApp::OnFileOpen() {
  if (!SaveIfWanted()) return;
  if (auto choice = AskForFile(EFileDialogKind::Open, "pelorin")) OpenDocumentFile(QString::fromStdString(choice->fullPath));
}

void CPelorinApp::OnEditUndo() { m_document.Undo(); }

void CPelorinApp::OnEditRedo() { m_document.Redo(); }

bool CPelorinApp::OpenDocumentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (IsPhotograph(absolute)) {
    // A photograph starts new work on it, as "Load Souce Image" does; one that cannot be read
    // replaces nothing.
    const unsigned long long serial = m_document.Session().Serial();
    m_pView->LoadSourceImage(absolute.toStdString());
    if (m_document.Session().Serial() == serial) return false;
    m_document.SetPathName({});
    UpdateTitle();
    AddToRecentFileList(absolute);
    return true;
  }
  if (!OpenProject(absolute)) {
    if (m_recentFiles.removeAll(absolute) > 0) {
      StoreRecentFiles();
      m_pFrame->SetRecentFiles(m_recentFiles);
    }
    return false;
  }
  AddToRecentFileList(absolute);
  return true;
}

bool CPelorinApp::OpenProject(const QString& absolute) {
  const std::string path = absolute.toStdString();
  std::string text, reason;
  if (ReadDataFileText(path, text, reason) != EDataFileRead::Loaded) {
    Services().MessageBox("The project " + path + " cannot be opened: " + reason + ".");
    return false;
  }
  CProject project;
  if (!ReadProject(text, QFileInfo(absolute).absolutePath().toStdString(), project, reason)) {
    Services().MessageBox("The project " + path + " cannot be opened: " + reason + ".");
    return false;
  }
  // The photograph it was made on, or one the user finds in its place; never another one.
  CPhotographInfo found = project.photograph;
  std::unique_ptr<CSingleImage> model;
  for (;;) {
    std::string problem;
    if (!QFileInfo::exists(QString::fromStdString(found.path))) {
      problem = "The photograph " + found.path + " of the project cannot be found.";
    } else {
      model = m_pView->ReadPhotograph(found.path, &found.sha256);
      if (!model->HasPixels()) {
        problem = "The photograph " + found.path + " cannot be loaded: " + model->ReadFailure() + ".";
      } else {
        found.width = model->GetWidth(), found.height = model->GetHeight();
        problem = PhotographDifference(project.photograph, found);
        if (!problem.empty()) problem = "The photograph " + problem + ".";
      }
    }
    if (problem.empty()) break;
    model.reset();
    if (!Services().AskYesNoPreferringYes(problem + "\nLocate the photograph the project was made on?")) return false;
    const std::optional<CFileDialogChoice> choice = AskForFile(EFileDialogKind::Open);
    if (!choice) return false;
    found.path = choice->fullPath;
  }
  CActionList actions;
  for (CAction& action : project.actions) actions.push_back(std::make_shared<const CAction>(std::move(action)));
  size_t refused = 0;
  if (const std::string refusal =
          m_document.Open(std::move(model), found, std::move(actions), &refused, project.positionSigma,
                          project.focal35mm);
      !refusal.empty()) {
    Services().MessageBox("The project " + path + " cannot be opened: " + project.places[refused] + ": " + refusal + ".");
    return false;
  }
  // A job is opened as new work: saving it as a project must not drop its outputs.
  m_document.SetPathName(project.isProject ? path : std::string());
  if (!project.isProject || found.path != project.photograph.path) m_document.Session().MarkUnsaved();
  DocumentChanged();
  m_pView->OnInitialUpdate();
  return true;
}

bool CPelorinApp::SaveDocument(const std::string& path) {
  const std::string reason = m_document.SaveProject(path);
  if (!reason.empty()) {
    Services().MessageBox("The project " + path + " cannot be saved: " + reason);
    return false;
  }
  return true;
}

bool CPelorinApp::OnFileSave() {
  if (m_document.GetPathName().empty()) return OnFileSaveAs();
  return SaveDocument(m_document.GetPathName());
}

bool CPelorinApp::OnFileSaveAs() {
  const auto choice = AskForFile(EFileDialogKind::Save, "pelorin");
  if (!choice) return false;
  const QString absolute = QFileInfo(QString::fromStdString(choice->fullPath)).absoluteFilePath();
  if (!SaveDocument(absolute.toStdString())) return false;
  UpdateTitle();
  AddToRecentFileList(absolute);
  return true;
}

// The newest work left behind is offered; older work waits for the next starts, one at a time,
// so that no answer throws away work the user was not asked about. Work that could not be
// opened is offered again.
void CPelorinApp::OfferRecovery() {
  const std::vector<std::string> left = CRecovery::LeftBehind();
  if (left.empty()) return;
  const bool restore = Services().AskYesNoPreferringYes(
      "Pelorin did not end normally last time, and its work was not saved. Restore that work?");
  if (!restore) {
    std::remove(left.front().c_str());
    return;
  }
  if (!OpenProject(QString::fromStdString(left.front()))) return;
  // Restored work belongs to no file yet.
  m_document.SetPathName({});
  m_document.Session().MarkUnsaved();
  DocumentChanged();
  std::remove(left.front().c_str());
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
