#pragma once
// The "Points and Faces" dock: one table of the measured points (id, photograph position, world
// coordinates, reference ids) and one of the faces (number, texture name, corner ids, whether
// every corner still exists). Measured values show the digits their σ supports, the full value in
// a tool tip. The context menu and the Delete key delete the selected rows after one question;
// Copy puts them on the clipboard as tab-separated lines under a header, value and σ apart.

#include <QDockWidget>

#include <functional>
#include <string>

class CPelorinDoc;
class QTableWidget;

class CPointsAndFacesDock final : public QDockWidget {
 public:
  // afterDelete runs after a point or face was deleted, so the view shows the change.
  CPointsAndFacesDock(CPelorinDoc& document, std::function<void()> afterDelete, QWidget* parent);

  // Fills both tables from the scene model again.
  void Refresh();

  QTableWidget* PointsTable() const { return m_pPoints; }
  QTableWidget* FacesTable() const { return m_pFaces; }
  // The header and the selected rows of a table, one line each, cells separated by tabs, every
  // number in full.
  static std::string SelectedRowsText(const QTableWidget& table);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowContextMenu(QTableWidget& table, const QPoint& position);
  void DeleteSelectedRows(QTableWidget& table);

  CPelorinDoc& m_document;
  std::function<void()> m_afterDelete;
  QTableWidget* m_pPoints = nullptr;
  QTableWidget* m_pFaces = nullptr;
};
