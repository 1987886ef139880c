#pragma once
// The test double of the services layer. Constructing one installs it until it is destroyed.
// It records every trace text, message box, file-dialog request, status text and repaint,
// answers file dialogs from a queue (an empty queue cancels) and runs each modal dialog with
// the next script, which types into controls and presses buttons as a user would. Given real
// services, it also hands status texts and repaints on to them, so a window stays live, and,
// when asked, the modal dialogs too, so a test drives the real dialog windows.

#include "services/Dialog.h"
#include "services/Services.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class CDialogDriver {
 public:
  explicit CDialogDriver(CDialogModel& dialog) : m_dialog(dialog) {}

  CDialogModel& Dialog() { return m_dialog; }
  const std::string& Text(int controlId) const { return m_dialog.ControlText(controlId); }
  void Type(int controlId, std::string text) { m_dialog.SetControlText(controlId, std::move(text)); }
  void Press(int controlId) { m_dialog.Press(controlId); }
  void PressOk() { m_dialog.Press(IDOK); }
  void PressCancel() { m_dialog.Press(IDCANCEL); }
  bool IsOpen() const { return !m_dialog.IsEnded(); }

 private:
  CDialogModel& m_dialog;
};

class CScriptedServices final : public CServices {
 public:
  using DialogScript = std::function<void(CDialogDriver&)>;

  enum class EDialogs { Scripted, Real };
  explicit CScriptedServices(CServices* passThrough = nullptr, EDialogs dialogs = EDialogs::Scripted)
      : m_pPassThrough(passThrough), m_eDialogs(dialogs), m_guard(*this) {}

  void AnswerFileDialog(const std::string& fullPath);
  void CancelFileDialog() { fileAnswers.emplace_back(std::nullopt); }
  void ScriptDialog(DialogScript script) { dialogScripts.push_back(std::move(script)); }

  void TraceText(const std::string& text) override { traces.push_back(text); }
  void MessageBox(const std::string& text) override { messages.push_back(text); }
  int RunModalDialog(CDialogModel& dialog) override;
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest& request) override;
  void SetStatusText(const std::string& text) override;
  void Repaint() override;
  // Answered from the queues below; an empty queue says No and dismisses the menu.
  bool AskYesNo(const std::string& question) override;
  int ChooseFromMenu(const std::vector<std::string>& items) override;
  // Answered from saveAnswers; an empty queue discards the changes, as the tests that do not
  // ask about saving expect.
  ESaveChoice AskSaveChanges(const std::string& question) override;
  // Records the file and answers showDocumentAnswer; nothing is started.
  bool ShowDocument(const std::string& path) override;

  std::vector<std::string> traces;
  std::vector<std::string> messages;
  std::vector<CFileDialogRequest> fileRequests;
  std::vector<std::string> statusTexts;
  std::vector<int> dialogsRun;  // template ids, in order
  // Dialogs that a script left open; they are cancelled, and the test should fail.
  std::vector<int> dialogsLeftOpen;
  int repaints = 0;

  std::deque<std::optional<CFileDialogChoice>> fileAnswers;
  std::deque<bool> yesNoAnswers;
  std::deque<int> menuAnswers;
  std::deque<ESaveChoice> saveAnswers;
  std::vector<std::string> saveQuestions;
  std::vector<std::string> questions;
  std::vector<std::vector<std::string>> menusShown;
  std::vector<std::string> documentsShown;
  bool showDocumentAnswer = true;
  std::deque<DialogScript> dialogScripts;

 private:
  CServices* m_pPassThrough;
  EDialogs m_eDialogs;
  CScopedServices m_guard;
};
