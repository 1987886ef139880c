#pragma once
// The "Points and Faces" dock: one table of the measured points (id, photograph position, world
// coordinates, reference ids) and one of the faces (number, texture name, corner ids, whether
// every corner still exists). Its context menu deletes the row under the cursor after asking,
// or copies the selected rows to the clipboard as tab-separated lines.

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
  // The selected rows of a table, one line each, cells separated by tabs.
  static std::string SelectedRowsText(const QTableWidget& table);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowContextMenu(QTableWidget& table, const QPoint& position);
  void DeleteRow(QTableWidget& table, int row);

  CPelorinDoc& m_document;
  std::function<void()> m_afterDelete;
  QTableWidget* m_pPoints = nullptr;
  QTableWidget* m_pFaces = nullptr;
};
