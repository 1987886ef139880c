#pragma once
// The services layer over Qt: message boxes and file dialogs are Qt's own, modal, over the
// main window; the status text goes to the main frame's message pane; repaints run the view's
// paint handler at once; traces go to standard error. Every Qt dialog is run through
// ExecDialog, the one place where a dialog's event loop starts.

#include "services/Services.h"

class CMainFrame;
class CPelorinView;
class QDialog;

class CQtServices : public CServices {
 public:
  void Attach(CMainFrame* frame, CPelorinView* view);

  void TraceText(const std::string& text) override;
  void MessageBox(const std::string& text) override;
  void Inform(const std::string& text) override;
  int RunModalDialog(CDialogModel& dialog) override;
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest& request) override;
  void SetStatusText(const std::string& text) override;
  void Repaint() override;
  bool AskYesNo(const std::string& question) override;
  bool AskYesNoPreferringYes(const std::string& question) override;
  ESaveChoice AskSaveChanges(const std::string& question) override;
  int ChooseFromMenu(const std::vector<std::string>& items) override;
  bool ShowDocument(const std::string& path) override;

  // Runs a Qt dialog modally; its QDialog result.
  virtual int ExecDialog(QDialog& dialog);

 private:
  CMainFrame* m_pFrame = nullptr;
  CPelorinView* m_pView = nullptr;
};
