#include "app/DetectionPanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <string>

namespace {

const char* kAxisNames[3] = {"X", "Y", "Z"};
const char* kColourNames[3] = {"red", "green", "blue"};

}  // namespace

CDetectionPanel::CDetectionPanel(QWidget* parent, std::function<void(std::array<bool, 3>, EAcceptMode)> onAccept,
                                 std::function<void()> onDiscard)
    : QWidget(parent, Qt::Tool), m_onDiscard(std::move(onDiscard)) {
  setWindowTitle("Detected Segments");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Click a segment to turn it off or on; drag with Ctrl\nheld to turn off all inside.", this));
  for (int axis = 0; axis < 3; ++axis) {
    m_pTake[axis] = new QCheckBox(this);
    m_pWhy[axis] = new QLabel(this);
    m_pWhy[axis]->setWordWrap(true);
    layout->addWidget(m_pTake[axis]);
    layout->addWidget(m_pWhy[axis]);
  }
  m_pOutliers = new QLabel(this);
  layout->addWidget(m_pOutliers);
  m_pAdd = new QRadioButton("Add to the existing segments", this);
  m_pReplace = new QRadioButton("Replace the existing segments of these directions", this);
  m_pAdd->setChecked(true);
  layout->addWidget(m_pAdd);
  layout->addWidget(m_pReplace);
  auto* buttons = new QHBoxLayout;
  m_pAccept = new QPushButton("Accept", this);
  m_pDiscard = new QPushButton("Discard", this);
  m_pAccept->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(m_pAccept);
  buttons->addWidget(m_pDiscard);
  layout->addLayout(buttons);
  connect(m_pAccept, &QPushButton::clicked, this, [this, onAccept = std::move(onAccept)] {
    onAccept({m_pTake[0]->isChecked(), m_pTake[1]->isChecked(), m_pTake[2]->isChecked()},
             m_pReplace->isChecked() ? EAcceptMode::Replace : EAcceptMode::Add);
  });
  connect(m_pDiscard, &QPushButton::clicked, this, [this] { m_onDiscard(); });
}

void CDetectionPanel::Show(const CDetectionReview& review) {
  for (int axis = 0; axis < 3; ++axis) {
    const CSuggestedDirection& direction = review.Direction(axis);
    const std::string text = std::string(kAxisNames[axis]) + " (" + kColourNames[axis] + "): " +
                             std::to_string(review.AcceptedCount(axis)) + " of " + std::to_string(review.Count(axis)) +
                             " segments accepted";
    m_pTake[axis]->setText(QString::fromStdString(text));
    if (!direction.found) m_pTake[axis]->setChecked(false);
    else if (!m_pTake[axis]->isEnabled() || !isVisible()) m_pTake[axis]->setChecked(true);
    m_pTake[axis]->setEnabled(direction.found);
    m_pWhy[axis]->setText(QString::fromStdString(direction.message));
    m_pWhy[axis]->setVisible(!direction.found);
  }
  m_pOutliers->setText(QString::fromStdString("Outliers (grey): " + std::to_string(review.OutlierCount())));
  if (!isVisible()) show();
}

void CDetectionPanel::closeEvent(QCloseEvent* event) {
  // Closing the window is Discard.
  event->ignore();
  m_onDiscard();
}
