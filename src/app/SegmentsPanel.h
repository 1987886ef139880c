#pragma once
// The segments of the job in the "Points and Faces" dock: per direction a quality line (how many
// segments count, the σ of their vanishing point's direction, and a warning when they cannot fix
// it), and a table of every segment with its end points, length and residual against its
// direction's vanishing point. A row's check box disables or enables its segment, one command;
// residuals far above their direction's median are shown in bold red.

#include <QWidget>

#include "session/SegmentRows.h"

#include <array>
#include <functional>
#include <vector>

class CPelorinDoc;
class QLabel;
class QTableWidget;

class CSegmentsPanel final : public QWidget {
 public:
  CSegmentsPanel(CPelorinDoc& document, QWidget* parent);

  // Fills the quality lines and the table from the session again.
  void Refresh();

  QTableWidget* Table() const { return m_pTable; }
  QLabel* QualityLine(int axis) const { return m_pQuality[axis]; }

  // Disables or enables the segment in `row` as one command; false, after telling the user why,
  // when the job would not replay without it.
  bool SetSegmentEnabled(int row, bool enabled);
  // Deletes the selected segments as one command after one question.
  void DeleteSelectedRows();

  // The selected rows as places among each direction's enabled segments (X, Y, Z), the way
  // the document's Lines(axis) holds and the view draws them; a disabled segment is in no list.
  std::array<std::vector<int>, 3> SelectedLines() const;
  // Runs whenever SelectedLines changes: a new selection, or rows that changed meaning.
  void SetSelectionHandler(std::function<void(std::array<std::vector<int>, 3>)> handler);

 private:
  std::vector<int> SelectedRows() const;
  void ReportSelection();

  CPelorinDoc& m_document;
  QLabel* m_pQuality[3] = {};
  QTableWidget* m_pTable = nullptr;
  CSegmentTable m_rows;
  std::function<void(std::array<std::vector<int>, 3>)> m_onSelection;
  std::array<std::vector<int>, 3> m_reported;
  bool m_bRefreshing = false;
};
