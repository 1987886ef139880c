#include "app/QtServices.h"

#include "app/MainFrm.h"
#include "app/PelorinView.h"
#include "app/DialogTemplates.h"
#include "app/QtDialogRunner.h"
#include "app/Resources.h"
#include "services/Dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QCursor>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

#include <cstdio>
#include <functional>

void CQtServices::Attach(CMainFrame* frame, CPelorinView* view) {
  m_pFrame = frame;
  m_pView = view;
}

void CQtServices::TraceText(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
}

void CQtServices::MessageBox(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()),
                  QString::fromStdString(text), QMessageBox::Ok, m_pFrame);
  ExecDialog(box);
}

void CQtServices::Inform(const std::string& text) {
  QMessageBox box(QMessageBox::Information, QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()),
                  QString::fromStdString(text), QMessageBox::Ok, m_pFrame);
  ExecDialog(box);
}

int CQtServices::RunModalDialog(CDialogModel& dialog) {
  const CDialogTemplate* resource = FindDialogTemplate(dialog.TemplateId());
  if (!resource) {
    Trace("no dialog template %d\n", dialog.TemplateId());
    return kDialogCancel;
  }
  dialog.Reopen();
  CQtDialog window(dialog, *resource, m_pFrame);
  ExecDialog(window);
  return dialog.IsEnded() ? dialog.Result() : kDialogCancel;
}

std::optional<CFileDialogChoice> CQtServices::RunFileDialog(const CFileDialogRequest& request) {
  QFileDialog dialog(m_pFrame);
  // Qt's own dialog, the same on every desktop; it lists every file.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(QStringLiteral("All Files (*)"));
  if (request.kind == EFileDialogKind::Open) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setWindowTitle(QStringLiteral("Open"));
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(QStringLiteral("Save As"));
  }
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().first();
  return CFileDialogChoice{path.toStdString(), QFileInfo(path).fileName().toStdString()};
}

void CQtServices::SetStatusText(const std::string& text) {
  if (m_pFrame) m_pFrame->SetMessageText(text);
}

void CQtServices::Repaint() {
  if (m_pView) m_pView->RepaintNow();
}

namespace {

int AskYesOrNo(QWidget* parent, const std::string& question, QMessageBox::StandardButton preferred,
               const std::function<int(QDialog&)>& exec) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()),
                  QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(preferred);
  return exec(box);
}

}  // namespace

bool CQtServices::AskYesNo(const std::string& question) {
  return AskYesOrNo(m_pFrame, question, QMessageBox::No, [this](QDialog& box) { return ExecDialog(box); }) ==
         QMessageBox::Yes;
}

bool CQtServices::AskYesNoPreferringYes(const std::string& question) {
  return AskYesOrNo(m_pFrame, question, QMessageBox::Yes, [this](QDialog& box) { return ExecDialog(box); }) ==
         QMessageBox::Yes;
}

ESaveChoice CQtServices::AskSaveChanges(const std::string& question) {
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()),
                  QString::fromStdString(question), QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  m_pFrame);
  box.setDefaultButton(QMessageBox::Save);
  const int answer = ExecDialog(box);
  return answer == QMessageBox::Save ? ESaveChoice::Save : answer == QMessageBox::Discard ? ESaveChoice::Discard
                                                                                          : ESaveChoice::Cancel;
}

int CQtServices::ChooseFromMenu(const std::vector<std::string>& items) {
  QMenu menu(m_pFrame);
  for (size_t i = 0; i < items.size(); ++i) menu.addAction(QString::fromStdString(items[i]))->setData(static_cast<int>(i));
  QAction* chosen = menu.exec(QCursor::pos());
  return chosen ? chosen->data().toInt() : -1;
}

bool CQtServices::ShowDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

int CQtServices::ExecDialog(QDialog& dialog) { return dialog.exec(); }
