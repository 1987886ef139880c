#pragma once
// The small window beside the photograph while the suggestions of "Detect Segments..." are
// looked over: per direction its count of accepted and suggested segments (or why nothing is
// suggested), the outliers' count, which directions to take, whether they add to or replace the
// existing segments of those directions, and Accept or Discard. It does nothing itself: its
// buttons call the view's handlers.

#include "session/DetectionReview.h"

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

class CDetectionPanel final : public QWidget {
 public:
  CDetectionPanel(QWidget* parent, std::function<void(std::array<bool, 3>, EAcceptMode)> onAccept,
                  std::function<void()> onDiscard);

  // Shows the review's counts; the directions not found cannot be taken.
  void Show(const CDetectionReview& review);

  QCheckBox* Take(int axis) const { return m_pTake[axis]; }
  QLabel* Outliers() const { return m_pOutliers; }
  QRadioButton* ReplaceChoice() const { return m_pReplace; }
  QPushButton* AcceptButton() const { return m_pAccept; }
  QPushButton* DiscardButton() const { return m_pDiscard; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::array<QCheckBox*, 3> m_pTake{};
  std::array<QLabel*, 3> m_pWhy{};
  QLabel* m_pOutliers = nullptr;
  QRadioButton* m_pAdd = nullptr;
  QRadioButton* m_pReplace = nullptr;
  QPushButton* m_pAccept = nullptr;
  QPushButton* m_pDiscard = nullptr;
  std::function<void()> m_onDiscard;
};
