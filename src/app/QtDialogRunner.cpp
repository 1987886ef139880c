#include "app/QtDialogRunner.h"

#include "app/DialogTemplates.h"
#include "services/Dialog.h"
#include "services/Services.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

}  // namespace

CQtDialog::CQtDialog(CDialogModel& model, const CDialogTemplate& resource, QWidget* parent)
    : QDialog(parent), m_model(model) {
  setWindowTitle(ToQString(resource.caption));
  const QFontMetrics metrics(font());
  const auto across = [&metrics](int units) { return units * metrics.averageCharWidth() / 4; };
  const auto down = [&metrics](int units) { return units * metrics.height() / 8; };
  // A dialog with a note keeps two lines for it below its controls.
  const int noteHeight = m_model.HasNote() ? 2 * metrics.height() + 4 : 0;
  setFixedSize(across(resource.width), down(resource.height) + noteHeight);
  if (noteHeight > 0) {
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("note"));
    m_pNote->setWordWrap(true);
    m_pNote->setGeometry(across(8), down(resource.height), across(resource.width - 16), noteHeight);
  }

  QWidget* previous = nullptr;
  QLineEdit* first = nullptr;  // the first field in the tab order, which takes the focus
  for (const CDialogItemTemplate& item : resource.items) {
    QWidget* widget = nullptr;
    switch (item.kind) {
      case EDialogItem::Label:
        widget = new QLabel(ToQString(item.text), this);
        break;
      case EDialogItem::Edit: {
        auto* edit = new QLineEdit(this);
        m_edits[item.id] = edit;
        widget = edit;
        break;
      }
      case EDialogItem::Button:
      case EDialogItem::DefaultButton: {
        auto* button = new QPushButton(ToQString(item.text), this);
        button->setDefault(item.kind == EDialogItem::DefaultButton);
        button->setAutoDefault(false);
        const int id = item.id;
        connect(button, &QPushButton::clicked, this, [this, id] { Press(id); });
        widget = button;
        break;
      }
    }
    widget->setObjectName(item.id ? QStringLiteral("control%1").arg(item.id) : QString());
    // Edit boxes need room for their text whatever the font; they grow downwards if they must.
    const int height = item.kind == EDialogItem::Edit ? std::max(down(item.height), widget->sizeHint().height())
                                                      : std::max(down(item.height), metrics.height());
    widget->setGeometry(across(item.x), down(item.y), across(item.width), height);
    if (item.kind != EDialogItem::Label) {
      if (previous) setTabOrder(previous, widget);
      previous = widget;
      if (!first) first = qobject_cast<QLineEdit*>(widget);
    }
  }
  m_model.OnInitDialog();
  ModelToControls();
  // A first field opens with its text selected, so that typing replaces the "0" it shows; the
  // selection runs backwards, keeping a long number's start in view.
  if (first) {
    first->setFocus(Qt::OtherFocusReason);
    first->setSelection(static_cast<int>(first->text().size()), -static_cast<int>(first->text().size()));
  }
}

QLineEdit* CQtDialog::Edit(int controlId) const {
  auto it = m_edits.find(controlId);
  return it == m_edits.end() ? nullptr : it->second;
}

void CQtDialog::ControlsToModel() {
  for (const auto& [id, edit] : m_edits) m_model.SetControlText(id, edit->text().toStdString());
}

// A number longer than its field shows its start: its sign and leading digits, not its tail.
void CQtDialog::ModelToControls() {
  for (const auto& [id, edit] : m_edits) {
    edit->setText(QString::fromStdString(m_model.ControlText(id)));
    edit->setCursorPosition(0);
  }
  if (m_pNote) m_pNote->setText(ToQString(m_model.Note()));
}

void CQtDialog::Press(int controlId) {
  ControlsToModel();
  m_model.Press(controlId);
  ModelToControls();
  FocusRequestedControl();
  CloseIfEnded();
}

// The field that stopped a button gets the focus, its text selected for typing over.
void CQtDialog::FocusRequestedControl() {
  if (QLineEdit* edit = Edit(m_model.TakeFocusRequest())) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
  }
}

void CQtDialog::CloseIfEnded() {
  if (m_model.IsEnded()) done(m_model.Result() == kDialogOk ? QDialog::Accepted : QDialog::Rejected);
}

// Enter presses the default button, as a click on OK does.
void CQtDialog::accept() { Press(IDOK); }

// Escape and the window's close button cancel.
void CQtDialog::reject() {
  m_model.OnCancel();
  CloseIfEnded();
}
