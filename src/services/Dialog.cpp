#include "services/Dialog.h"

#include "services/NumberText.h"
#include "services/Services.h"

namespace {

// The framework's own words when an edit field does not hold a number.
constexpr const char* kNotAnInteger = "Please enter an integer.";
constexpr const char* kNotANumber = "Please enter a number.";

}  // namespace

CDataExchange::CDataExchange(CDialogModel& dialog, bool saveAndValidate)
    : m_dialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

void CDataExchange::Int(int controlId, int& field) {
  if (Failed()) return;
  if (!m_bSaveAndValidate) {
    m_dialog.SetControlText(controlId, FormatIntField(field));
    return;
  }
  if (auto value = ParseIntField(m_dialog.ControlText(controlId))) {
    field = *value;
  } else {
    m_nFailedControl = controlId;
    Services().MessageBox(kNotAnInteger);
  }
}

void CDataExchange::Double(int controlId, double& field) {
  if (Failed()) return;
  if (!m_bSaveAndValidate) {
    m_dialog.SetControlText(controlId, FormatDoubleField(field));
    return;
  }
  if (auto value = ParseDoubleField(m_dialog.ControlText(controlId))) {
    field = *value;
  } else {
    m_nFailedControl = controlId;
    Services().MessageBox(kNotANumber);
  }
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

void CDialogModel::OnOK() {
  if (UpdateData(true)) EndDialog(kOkResult);
}

void CDialogModel::EndDialog(int result) { m_nResult = result; }
