#include "app/PointsAndFacesDock.h"

#include "app/PelorinDoc.h"
#include "metrology/PointMeasurement.h"
#include "services/NumberText.h"
#include "services/Services.h"
#include "texture/FaceTexture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

namespace {

const QStringList kPointColumns = {"Id", "U", "V", "X \u00b1 \u03c3", "Y \u00b1 \u03c3", "Z \u00b1 \u03c3",
                                   "Ref X", "Ref Y", "Ref Z"};
const QStringList kFaceColumns = {"Face", "Texture", "Point 1", "Point 2", "Point 3", "Point 4", "Complete"};
// Faces that lost a corner are left out of the exports; their rows say so in this colour.
const QColor kIncompleteFace(255, 210, 210);

QTableWidget* MakeTable(const QStringList& columns, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(columns.size()), parent);
  table->setHorizontalHeaderLabels(columns);
  table->verticalHeader()->setVisible(false);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  return table;
}

// "value ± σ", σ to two significant digits; "—" for a σ that is not known.
std::string WithSigma(double value, const std::optional<double>& sigma) {
  std::string text = FormatDoubleField(value) + " \u00b1 ";
  if (!sigma) return text + "\u2014";
  const int decimals = *sigma > 0 ? std::max(0, 1 - static_cast<int>(std::floor(std::log10(*sigma)))) : 0;
  return text + FormatFixed(*sigma, decimals);
}

void SetRow(QTableWidget& table, int row, const std::vector<std::string>& cells, const QColor* background = nullptr) {
  for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
    auto* item = new QTableWidgetItem(QString::fromStdString(cells[column]));
    if (background) item->setBackground(*background);
    table.setItem(row, column, item);
  }
}

}  // namespace

CPointsAndFacesDock::CPointsAndFacesDock(CPelorinDoc& document, std::function<void()> afterDelete, QWidget* parent)
    : QDockWidget(QStringLiteral("Points and Faces"), parent), m_document(document), m_afterDelete(std::move(afterDelete)) {
  setObjectName(QStringLiteral("pointsAndFaces"));
  auto* contents = new QWidget(this);
  auto* layout = new QVBoxLayout(contents);
  m_pPoints = MakeTable(kPointColumns, contents);
  m_pFaces = MakeTable(kFaceColumns, contents);
  layout->addWidget(new QLabel(QStringLiteral("Points"), contents));
  layout->addWidget(m_pPoints, 3);
  layout->addWidget(new QLabel(QStringLiteral("Faces"), contents));
  layout->addWidget(m_pFaces, 2);
  setWidget(contents);
  for (QTableWidget* table : {m_pPoints, m_pFaces})
    connect(table, &QWidget::customContextMenuRequested, this,
            [this, table](const QPoint& position) { ShowContextMenu(*table, position); });
}

void CPointsAndFacesDock::showEvent(QShowEvent* event) {
  Refresh();
  QDockWidget::showEvent(event);
}

void CPointsAndFacesDock::Refresh() {
  const CSingleImage* model = m_document.GetSingleImage();
  const int points = model ? model->m_Points.GetCount() : 0;
  const int faces = model ? model->m_Textures.GetCount() : 0;
  m_pPoints->setRowCount(points);
  for (int i = 0; i < points; ++i) {
    const CViewPoint& p = *model->m_Points.ElementAt(i);
    const auto sigma = m_document.MeasurementLog().Sigma(p.m_id);
    // Photograph pixel positions, as the point dialog shows them.
    SetRow(*m_pPoints, i,
           {FormatIntField(p.m_id), FormatDoubleField(p.m_u + model->GetWidth() / 2.0),
            FormatDoubleField(p.m_v + model->GetHeight() / 2.0), WithSigma(p.m_x, sigma[0]), WithSigma(p.m_y, sigma[1]),
            WithSigma(p.m_z, sigma[2]), FormatIntField(p.m_refX), FormatIntField(p.m_refY), FormatIntField(p.m_refZ)});
  }
  m_pFaces->setRowCount(faces);
  for (int i = 0; i < faces; ++i) {
    const CTextureImage& face = *model->m_Textures.ElementAt(i);
    const bool complete = FaceHasAllPoints(*model, i);
    SetRow(*m_pFaces, i,
           {FormatIntField(i), face.m_name, FormatIntField(face.m_pointId[0]), FormatIntField(face.m_pointId[1]),
            FormatIntField(face.m_pointId[2]), FormatIntField(face.m_pointId[3]), complete ? "Yes" : "No"},
           complete ? nullptr : &kIncompleteFace);
  }
  m_pPoints->resizeColumnsToContents();
  m_pFaces->resizeColumnsToContents();
}

std::string CPointsAndFacesDock::SelectedRowsText(const QTableWidget& table) {
  std::set<int> rows;
  for (const QModelIndex& index : table.selectionModel()->selectedIndexes()) rows.insert(index.row());
  std::string text;
  for (int row : rows) {
    for (int column = 0; column < table.columnCount(); ++column) {
      if (column > 0) text += '\t';
      if (const QTableWidgetItem* item = table.item(row, column)) text += item->text().toStdString();
    }
    text += '\n';
  }
  return text;
}

void CPointsAndFacesDock::ShowContextMenu(QTableWidget& table, const QPoint& position) {
  const int row = table.rowAt(position.y());
  if (row < 0) return;
  // The row under the cursor joins the selection, as file managers do.
  if (!table.selectionModel()->isRowSelected(row, QModelIndex())) table.selectRow(row);
  switch (Services().ChooseFromMenu({"Delete", "Copy"})) {
    case 0: DeleteRow(table, row); break;
    case 1: QGuiApplication::clipboard()->setText(QString::fromStdString(SelectedRowsText(table))); break;
    default: break;
  }
}

void CPointsAndFacesDock::DeleteRow(QTableWidget& table, int row) {
  CSingleImage* model = m_document.GetSingleImage();
  if (!model) return;
  if (&table == m_pPoints) {
    if (row >= model->m_Points.GetCount()) return;
    const int id = model->m_Points.ElementAt(row)->m_id;
    if (!Services().AskYesNo("Delete point " + std::to_string(id) +
                             "? Faces with this corner are left out of the exports."))
      return;
    DeleteViewPoint(*model, row);
  } else {
    if (row >= model->m_Textures.GetCount()) return;
    if (!Services().AskYesNo("Delete face " + std::to_string(row) + " (" + model->m_Textures.ElementAt(row)->m_name +
                             ")? The later faces move down one number."))
      return;
    DeleteFace(*model, row);
  }
  Refresh();
  if (m_afterDelete) m_afterDelete();
}
