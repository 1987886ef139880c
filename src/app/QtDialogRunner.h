#pragma once
// Builds the Qt dialog of a dialog model from its template: labels, edit controls and buttons
// at their places, in tab order. The edit controls and the model's control texts are kept
// alike around every handler: the controls' texts go to the model before a button's handler
// runs, and the model's texts come back after it.

#include <QDialog>

#include <map>

class CDialogModel;
struct CDialogTemplate;
class QLabel;
class QLineEdit;

class CQtDialog final : public QDialog {
 public:
  CQtDialog(CDialogModel& model, const CDialogTemplate& resource, QWidget* parent);

  // The edit control with this id, or null.
  QLineEdit* Edit(int controlId) const;

  void accept() override;
  void reject() override;

 private:
  void Press(int controlId);
  void ControlsToModel();
  void ModelToControls();
  void FocusRequestedControl();
  void CloseIfEnded();

  CDialogModel& m_model;
  QLabel* m_pNote = nullptr;
  std::map<int, QLineEdit*> m_edits;
};
