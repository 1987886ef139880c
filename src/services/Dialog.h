#pragma once
// A modal dialog as the program's own code sees it: edit controls, named by control id, hold
// texts; the dialog's int and double fields are exchanged with them in both directions in the
// order that the dialog lists them; its buttons call handlers while it stays open. How the
// dialog looks is the concern of whoever runs it (the Qt window, or a test script).

#include <map>
#include <string>
#include <utility>
#include <vector>

class CDialogModel;

// The framework's control ids of the OK and Cancel buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// One pass of field exchange. Controls-to-fields stops at the first text that does not convert:
// that field and the ones after it keep their values, the user is told once with the field's
// name ("Z: please enter a number.") and the dialog asks for the focus to go to that field.
class CDataExchange {
 public:
  CDataExchange(CDialogModel& dialog, bool saveAndValidate);

  bool SaveAndValidate() const { return m_bSaveAndValidate; }
  bool Failed() const { return m_nFailedControl != 0; }
  int FailedControl() const { return m_nFailedControl; }

  // `name` is the field as the user knows it, its label without the colon.
  void Int(int controlId, int& field, const char* name);
  void Double(int controlId, double& field, const char* name);

 private:
  void Refuse(int controlId, const char* name, const char* request);

  CDialogModel& m_dialog;
  bool m_bSaveAndValidate;
  int m_nFailedControl = 0;
};

// One press of a button as the user made it: the texts of the edit controls just before it, and
// the button. A dialog's presses in order say everything the user gave it.
struct CDialogStep {
  std::map<int, std::string> texts;
  int button = 0;

  bool operator==(const CDialogStep&) const = default;
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

  // One click of a button as the user makes it: OK, Cancel or another button's handler, with
  // each message shown at most once however often the computation meets it.
  void Press(int controlId);
  // Every press so far, in order.
  const std::vector<CDialogStep>& Transcript() const { return m_transcript; }

  // The edit control that should receive the focus once the handler has returned (the field
  // that did not convert, or the one a refusal names); 0 for none. Taking it clears it.
  void RequestFocus(int controlId) { m_nFocusControl = controlId; }
  int TakeFocusRequest() { return std::exchange(m_nFocusControl, 0); }

  // A line shown below the controls of a dialog that has one: what the last computation found
  // worth saying, "" for nothing.
  virtual bool HasNote() const { return false; }
  virtual std::string Note() const { return {}; }

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
  int m_nFocusControl = 0;
  std::map<int, std::string> m_controlTexts;
  std::vector<CDialogStep> m_transcript;
};

// Runs the presses of a transcript on a dialog that was just made: the dialog is initialised,
// then before each press its controls get the texts they held then. The same dialog on the same
// model ends as the one the transcript was taken from.
void ReplayTranscript(CDialogModel& dialog, const std::vector<CDialogStep>& steps);
