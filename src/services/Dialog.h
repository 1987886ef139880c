#pragma once
// A modal dialog as the program's own code sees it: edit controls, named by control id, hold
// texts; the dialog's int and double fields are exchanged with them in both directions in the
// order that the dialog lists them; its buttons call handlers while it stays open. How the
// dialog looks is the concern of whoever runs it (the Qt window, or a test script).

#include <map>
#include <string>

class CDialogModel;

// One pass of field exchange. Controls-to-fields stops at the first text that does not convert:
// that field and the ones after it keep their values, and the user is told once.
class CDataExchange {
 public:
  CDataExchange(CDialogModel& dialog, bool saveAndValidate);

  bool SaveAndValidate() const { return m_bSaveAndValidate; }
  bool Failed() const { return m_nFailedControl != 0; }
  int FailedControl() const { return m_nFailedControl; }

  void Int(int controlId, int& field);
  void Double(int controlId, double& field);

 private:
  CDialogModel& m_dialog;
  bool m_bSaveAndValidate;
  int m_nFailedControl = 0;
};

class CDialogModel {
 public:
  explicit CDialogModel(int templateId) : m_nTemplateId(templateId) {}
  virtual ~CDialogModel() = default;
  CDialogModel(const CDialogModel&) = delete;
  CDialogModel& operator=(const CDialogModel&) = delete;

  int TemplateId() const { return m_nTemplateId; }

  // Texts of the edit controls; a control never written holds the empty text.
  const std::string& ControlText(int controlId) const;
  void SetControlText(int controlId, std::string text);
  const std::map<int, std::string>& ControlTexts() const { return m_controlTexts; }

  // Exchanges all fields; true when every text converted (always true towards the controls).
  bool UpdateData(bool saveAndValidate);

  // Framework hooks, in the order a run calls them.
  virtual void OnInitDialog() { UpdateData(false); }
  virtual void OnButton(int /*controlId*/) {}
  // Closes with OK only when every field converted; otherwise the dialog stays open.
  virtual void OnOK();
  // Closes with Cancel and exchanges nothing.
  virtual void OnCancel() { EndDialog(kCancelResult); }

  void EndDialog(int result);
  bool IsEnded() const { return m_nResult != 0; }
  int Result() const { return m_nResult; }
  // Lets a runner show the same dialog again (the result is cleared, the fields are kept).
  void Reopen() { m_nResult = 0; }

 protected:
  virtual void DoDataExchange(CDataExchange& dx) = 0;

 private:
  static constexpr int kOkResult = 1;
  static constexpr int kCancelResult = 2;

  int m_nTemplateId;
  int m_nResult = 0;
  std::map<int, std::string> m_controlTexts;
};
