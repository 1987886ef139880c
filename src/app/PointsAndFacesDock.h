#pragma once
// The "Points and Faces" dock, three pages: one table of the measured points (id, photograph position, world
// coordinates, reference ids), one of the faces (number, texture name, corner ids, whether
// every corner still exists), one of the measurements between points (distances, height
// differences, areas, each with σ, and for a check length its known value and the difference),
// one of the vertical references A is fitted to (GetParameter's and further ones typed below it,
// each with its own A, residual and a note) on the second page, and the segments on the third with their residuals
// (SegmentsPanel.h). Measured values show the digits their σ supports, the full value in a tool
// tip. The context menu and the Delete key delete the selected rows after one question; Copy
// puts them on the clipboard as tab-separated lines under a header, value and σ apart.

#include <QDockWidget>

#include "session/Actions.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class CPelorinDoc;
class CSegmentsPanel;
class QTabWidget;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QTableWidget;

class CPointsAndFacesDock final : public QDockWidget {
 public:
  // afterDelete runs after a point or face was deleted, so the view shows the change.
  CPointsAndFacesDock(CPelorinDoc& document, std::function<void()> afterDelete, QWidget* parent);

  // Fills both tables from the scene model again.
  void Refresh();

  QTableWidget* PointsTable() const { return m_pPoints; }
  QTableWidget* FacesTable() const { return m_pFaces; }
  QTableWidget* MeasurementsTable() const { return m_pMeasurements; }
  QTableWidget* ReferencesTable() const { return m_pReferences; }
  CSegmentsPanel* SegmentsPanel() const { return m_pSegments; }
  // The pages: "Points and Faces", "Measurements" (with the references) and "Segments".
  QTabWidget* Pages() const { return m_pPages; }
  // Brings the page that holds the widget to the front.
  void ShowPageOf(const QWidget* widget);
  // Runs with the selected segments, per direction their places among its enabled segments (as
  // the document's Lines(axis) holds them), whenever that selection changes.
  void SetSegmentSelectionHandler(std::function<void(std::array<std::vector<int>, 3>)> handler);
  // Adds a further vertical reference as one command.
  bool AddReference(const CReferenceHeightAction& reference);
  // Adds the reference typed into the foot, top and height fields.
  void AddTypedReference();
  // Adds a measurement of the points with these ids as one command; false, after telling the
  // user why, when it cannot be made.
  bool AddMeasurement(EMeasurementKind kind, const std::vector<int>& ids);
  // Adds the measurement typed into the ids field, of the kind chosen beside it.
  void AddTypedMeasurement();
  // Gives measurement `row` a known value (none for an empty text) as one command.
  void SetKnownValue(int row, const std::string& text);
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
  QTableWidget* m_pMeasurements = nullptr;
  QComboBox* m_pMeasurementKind = nullptr;
  QLineEdit* m_pMeasurementIds = nullptr;
  QDoubleSpinBox* m_pPositionSigma = nullptr;
  QTableWidget* m_pReferences = nullptr;
  QLineEdit* m_pReferenceFields[5] = {};  // foot u, foot v, top u, top v, height
  CSegmentsPanel* m_pSegments = nullptr;
  QTabWidget* m_pPages = nullptr;
  bool m_bRefreshing = false;
};
