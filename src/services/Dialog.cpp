#include "services/Dialog.h"

#include "services/NumberText.h"
#include "services/OneActionMessages.h"
#include "services/Services.h"

namespace {

// What the user is asked for when an edit field does not hold a number, after the field's name.
constexpr const char* kNotAnInteger = ": please enter an integer.";
constexpr const char* kNotANumber = ": please enter a number.";

}  // namespace

CDataExchange::CDataExchange(CDialogModel& dialog, bool saveAndValidate)
    : m_dialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

void CDataExchange::Int(int controlId, int& field, const char* name) {
  if (Failed()) return;
  if (!m_bSaveAndValidate) {
    m_dialog.SetControlText(controlId, FormatIntField(field));
    return;
  }
  if (auto value = ParseIntField(m_dialog.ControlText(controlId))) {
    field = *value;
  } else {
    Refuse(controlId, name, kNotAnInteger);
  }
}

void CDataExchange::Double(int controlId, double& field, const char* name) {
  if (Failed()) return;
  if (!m_bSaveAndValidate) {
    m_dialog.SetControlText(controlId, FormatDoubleField(field));
    return;
  }
  if (auto value = ParseDoubleField(m_dialog.ControlText(controlId))) {
    field = *value;
  } else {
    Refuse(controlId, name, kNotANumber);
  }
}

void CDataExchange::Refuse(int controlId, const char* name, const char* request) {
  m_nFailedControl = controlId;
  m_dialog.RequestFocus(controlId);
  Services().MessageBox(std::string(name) + request);
}

const std::string& CDialogModel::ControlText(int controlId) const {
  static const std::string kEmpty;
  auto it = m_controlTexts.find(controlId);
  return it == m_controlTexts.end() ? kEmpty : it->second;
}

void CDialogModel::SetControlText(int controlId, std::string text) {
  m_controlTexts[controlId] = std::move(text);
}

bool CDialogModel::UpdateData(bool saveAndValidate) {
  CDataExchange dx(*this, saveAndValidate);
  DoDataExchange(dx);
  return !dx.Failed();
}

void CDialogModel::Press(int controlId) {
  m_transcript.push_back({m_controlTexts, controlId});
  const COneActionMessages onceEach;
  if (controlId == IDOK)
    OnOK();
  else if (controlId == IDCANCEL)
    OnCancel();
  else
    OnButton(controlId);
}

void CDialogModel::OnOK() {
  if (UpdateData(true)) EndDialog(kOkResult);
}

void CDialogModel::EndDialog(int result) { m_nResult = result; }

void ReplayTranscript(CDialogModel& dialog, const std::vector<CDialogStep>& steps) {
  dialog.OnInitDialog();
  for (const CDialogStep& step : steps) {
    for (const auto& [id, text] : step.texts) dialog.SetControlText(id, text);
    dialog.Press(step.button);
  }
}
