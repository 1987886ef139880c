#include "ScriptedServices.h"

void CScriptedServices::AnswerFileDialog(const std::string& fullPath) {
  const size_t slash = fullPath.find_last_of('/');
  fileAnswers.emplace_back(
      CFileDialogChoice{fullPath, slash == std::string::npos ? fullPath : fullPath.substr(slash + 1)});
}

int CScriptedServices::RunModalDialog(CDialogModel& dialog) {
  dialogsRun.push_back(dialog.TemplateId());
  if (m_pPassThrough && m_eDialogs == EDialogs::Real) return m_pPassThrough->RunModalDialog(dialog);
  dialog.Reopen();
  dialog.OnInitDialog();
  if (!dialogScripts.empty()) {
    DialogScript script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    CDialogDriver driver(dialog);
    script(driver);
  }
  if (!dialog.IsEnded()) {
    dialogsLeftOpen.push_back(dialog.TemplateId());
    dialog.OnCancel();
  }
  return dialog.Result();
}

std::optional<CFileDialogChoice> CScriptedServices::RunFileDialog(const CFileDialogRequest& request) {
  fileRequests.push_back(request);
  if (fileAnswers.empty()) return std::nullopt;
  std::optional<CFileDialogChoice> answer = std::move(fileAnswers.front());
  fileAnswers.pop_front();
  return answer;
}

void CScriptedServices::SetStatusText(const std::string& text) {
  statusTexts.push_back(text);
  if (m_pPassThrough) m_pPassThrough->SetStatusText(text);
}

void CScriptedServices::Repaint() {
  ++repaints;
  if (m_pPassThrough) m_pPassThrough->Repaint();
}

bool CScriptedServices::AskYesNo(const std::string& question) {
  questions.push_back(question);
  if (yesNoAnswers.empty()) return false;
  const bool answer = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return answer;
}

ESaveChoice CScriptedServices::AskSaveChanges(const std::string& question) {
  saveQuestions.push_back(question);
  if (saveAnswers.empty()) return ESaveChoice::Discard;
  const ESaveChoice answer = saveAnswers.front();
  saveAnswers.pop_front();
  return answer;
}

int CScriptedServices::ChooseFromMenu(const std::vector<std::string>& items) {
  menusShown.push_back(items);
  if (menuAnswers.empty()) return -1;
  const int answer = menuAnswers.front();
  menuAnswers.pop_front();
  return answer;
}

bool CScriptedServices::ShowDocument(const std::string& path) {
  documentsShown.push_back(path);
  return showDocumentAnswer;
}
