#include "app/SegmentsPanel.h"

#include "app/PelorinDoc.h"
#include "services/NumberText.h"
#include "services/Services.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

namespace {

const QStringList kColumns = {"Segment",       "Point 1",       "Point 2", "Length (px)", "Angle (\u00b0)",
                              "Distance (px)", "Snap RMS (px)"};
constexpr int kAngleColumn = 4, kDistanceColumn = 5, kSnapColumn = 6;
constexpr int kColumnCount = 7;
const char* kAxisNames[3] = {"X", "Y", "Z"};
// A residual marked as an outlier, and a quality line with a warning.
const QColor kWarning(190, 0, 0);
// Copy takes a cell's text from this role, as in the dock's other tables.
constexpr int kCopyRole = Qt::UserRole;
constexpr int kResidualDecimals = 3;
constexpr int kLengthDecimals = 1;
constexpr int kSnapDecimals = 2;

// A position to a millionth of a pixel, as shown, and in full, as Copy takes it.
std::string Pair(double x, double y) { return FormatPosition(x) + ", " + FormatPosition(y); }
std::string FullPair(double x, double y) { return FormatDoubleField(x) + ", " + FormatDoubleField(y); }

// σ to two significant digits.
std::string SigmaText(double sigma) {
  if (!(sigma > 0) || !std::isfinite(sigma)) return FormatDoubleField(sigma);
  return FormatFixed(sigma, std::clamp(1 - static_cast<int>(std::floor(std::log10(sigma))), 0, 15));
}

std::string QualityText(int axis, const CDirectionQuality& q) {
  std::string text = std::string(kAxisNames[axis]) + ": " + std::to_string(q.segments) + " segment" +
                     (q.segments == 1 ? "" : "s") + ", direction \u03c3 " +
                     (q.directionSigmaDegrees ? SigmaText(*q.directionSigmaDegrees) + "\u00b0" : std::string("\u2014"));
  if (q.tooFew) text += "  \u26a0 fewer than two segments";
  if (q.nearlyParallel)
    text += "  \u26a0 all within 1\u00b0 of parallel, yet their vanishing point is finite: it is poorly fixed";
  return text;
}

// "a", "a and b", "a, b and c".
std::string Enumeration(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return text;
}

// The item in (row, column), made when the row is new; kept otherwise, so a refresh from within
// the table's own signal never deletes the item that signalled.
QTableWidgetItem& ItemAt(QTableWidget& table, int row, int column) {
  if (QTableWidgetItem* item = table.item(row, column)) return *item;
  auto* item = new QTableWidgetItem;
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | (column == 0 ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
  table.setItem(row, column, item);
  return *item;
}

}  // namespace

CSegmentsPanel::CSegmentsPanel(CPelorinDoc& document, QWidget* parent) : QWidget(parent), m_document(document) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  for (int axis = 0; axis < 3; ++axis) {
    m_pQuality[axis] = new QLabel(this);
    m_pQuality[axis]->setObjectName(QStringLiteral("segmentQuality") + QString::fromUtf8(kAxisNames[axis]));
    m_pQuality[axis]->setWordWrap(true);
    m_pQuality[axis]->setToolTip(QStringLiteral(
        "<p>Enabled segments of this direction, and the standard deviation of the direction in which its vanishing "
        "point lies as seen from the image centre, from the noise of every position.</p>"));
    layout->addWidget(m_pQuality[axis]);
  }
  m_pTable = new QTableWidget(0, kColumnCount, this);
  m_pTable->setObjectName(QStringLiteral("segments"));
  m_pTable->setHorizontalHeaderLabels(kColumns);
  m_pTable->verticalHeader()->setVisible(false);
  m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_pTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_pTable->setContextMenuPolicy(Qt::CustomContextMenu);
  m_pTable->horizontalHeaderItem(0)->setToolTip(QStringLiteral("Uncheck to leave the segment out"));
  m_pTable->horizontalHeaderItem(kAngleColumn)
      ->setToolTip(QStringLiteral("Between the segment and the line from its midpoint to its vanishing point"));
  m_pTable->horizontalHeaderItem(kDistanceColumn)
      ->setToolTip(QStringLiteral("The larger distance of its ends from the line through its midpoint and its "
                                  "vanishing point"));
  m_pTable->horizontalHeaderItem(kSnapColumn)
      ->setToolTip(QStringLiteral("<p>For a segment snapped onto the edge beside it, or found by Detect Segments: "
                                  "how far the edge's points lie from the fitted line (RMS). Empty when it was not "
                                  "snapped.</p>"));
  layout->addWidget(m_pTable, 1);
  connect(m_pTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!m_bRefreshing && item->column() == 0) SetSegmentEnabled(item->row(), item->checkState() == Qt::Checked);
  });
  connect(m_pTable->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ReportSelection(); });
}

void CSegmentsPanel::Refresh() {
  const CSingleImage* model = m_document.GetSingleImage();
  // During a drag the rows follow the previewed ends, as the photograph does.
  m_rows = model ? SegmentTable(m_document.Session().ShownActions(), *model, m_document.Session().Replayed())
                 : CSegmentTable{};
  m_bRefreshing = true;
  for (int axis = 0; axis < 3; ++axis) {
    const CDirectionQuality& quality = m_rows.quality[axis];
    m_pQuality[axis]->setText(QString::fromStdString(QualityText(axis, quality)));
    QPalette palette = m_pQuality[axis]->palette();
    palette.setColor(QPalette::WindowText, quality.tooFew || quality.nearlyParallel
                                               ? kWarning
                                               : QApplication::palette().color(QPalette::WindowText));
    m_pQuality[axis]->setPalette(palette);
  }
  const int count = static_cast<int>(m_rows.rows.size());
  m_pTable->setRowCount(count);
  const QColor disabledText = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
  const QColor text = QApplication::palette().color(QPalette::Text);
  for (int r = 0; r < count; ++r) {
    const CSegmentRow& row = m_rows.rows[r];
    const auto& e = row.ends;
    const std::string residualAngle = row.residual ? FormatDoubleField(row.residual->angleDegrees) : std::string();
    const std::string residualDistance = row.residual ? FormatDoubleField(row.residual->distancePixels) : std::string();
    const std::string shown[kColumnCount] = {
        SegmentName(row.axis, row.number), Pair(e[0], e[1]), Pair(e[2], e[3]),
        FormatFixed(row.lengthPixels, kLengthDecimals),
        row.residual ? FormatFixed(row.residual->angleDegrees, kResidualDecimals) : std::string(),
        row.residual ? FormatFixed(row.residual->distancePixels, kResidualDecimals) : std::string(),
        row.snapRms ? FormatFixed(*row.snapRms, kSnapDecimals) : std::string()};
    const std::string copied[kColumnCount] = {shown[0], FullPair(e[0], e[1]), FullPair(e[2], e[3]),
                                              FormatDoubleField(row.lengthPixels), residualAngle, residualDistance,
                                              row.snapRms ? FormatDoubleField(*row.snapRms) : std::string()};
    std::string tip;
    if (!row.enabled) tip = "Disabled: it counts in no \"Caculate \"";
    else if (!row.counted) tip = "It counts from the next \"Caculate \"";
    for (int column = 0; column < kColumnCount; ++column) {
      QTableWidgetItem& item = ItemAt(*m_pTable, r, column);
      item.setText(QString::fromStdString(shown[column]));
      item.setData(kCopyRole, QString::fromStdString(copied[column]));
      const bool residualCell = column == kAngleColumn || column == kDistanceColumn;
      const bool marked = residualCell && row.outlier;
      QFont font = m_pTable->font();
      font.setBold(marked);
      font.setItalic(row.enabled && !row.counted);
      item.setFont(font);
      item.setForeground(marked ? kWarning : row.enabled ? text : disabledText);
      std::string cellTip = tip;
      if (marked)
        cellTip = "More than three times the median residual of " + std::string(kAxisNames[row.axis]) + " (" +
                  residualAngle + "\u00b0, " + residualDistance + " px)";
      else if (residualCell && row.residual)
        cellTip = (column == kAngleColumn ? residualAngle + "\u00b0" : residualDistance + " px");
      else if (column == kSnapColumn && row.snapRms)
        cellTip = "Fitted to the edge under it: the edge's points lie " + FormatFixed(*row.snapRms, 3) +
                  " px (RMS) from the segment's line";
      item.setToolTip(QString::fromStdString(cellTip));
    }
    m_pTable->item(r, 0)->setCheckState(row.enabled ? Qt::Checked : Qt::Unchecked);
  }
  m_bRefreshing = false;
  m_pTable->resizeColumnsToContents();
  ReportSelection();
}

std::vector<int> CSegmentsPanel::SelectedRows() const {
  std::set<int> rows;
  for (const QModelIndex& index : m_pTable->selectionModel()->selectedIndexes())
    if (index.row() < static_cast<int>(m_rows.rows.size())) rows.insert(index.row());
  return {rows.begin(), rows.end()};
}

std::array<std::vector<int>, 3> CSegmentsPanel::SelectedLines() const {
  std::array<std::vector<int>, 3> lines;
  for (int r : SelectedRows())
    if (const CSegmentRow& row = m_rows.rows[r]; row.line >= 0) lines[row.axis].push_back(row.line);
  return lines;
}

void CSegmentsPanel::SetSelectionHandler(std::function<void(std::array<std::vector<int>, 3>)> handler) {
  m_onSelection = std::move(handler);
}

void CSegmentsPanel::ReportSelection() {
  if (m_bRefreshing) return;
  std::array<std::vector<int>, 3> lines = SelectedLines();
  if (lines == m_reported) return;
  m_reported = lines;
  if (m_onSelection) m_onSelection(std::move(lines));
}

// A segment counts at the "Caculate " actions after it, which a replay estimates again from the
// enabled segments listed before them: the flag flipped in place is the whole change, and no new
// "Caculate " is added. A segment after the last one counts from the next, as a new one does.
bool CSegmentsPanel::SetSegmentEnabled(int r, bool enabled) {
  if (r < 0 || r >= static_cast<int>(m_rows.rows.size())) return false;
  const CSegmentRow row = m_rows.rows[r];
  if (row.enabled == enabled) return true;
  const std::string label =
      std::string(enabled ? "Enable Segment " : "Disable Segment ") + SegmentName(row.axis, row.number);
  const std::string refusal =
      m_document.Replace(WithSegmentEnabled(m_document.Session().Actions(), row.action, enabled), label);
  Refresh();
  if (!refusal.empty()) {
    Services().MessageBox(refusal);
    return false;
  }
  return true;
}

void CSegmentsPanel::DeleteSelectedRows() {
  if (!m_document.GetSingleImage()) return;
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  std::vector<std::string> names;
  std::vector<size_t> places;
  for (int r : rows) {
    names.push_back(SegmentName(m_rows.rows[r].axis, m_rows.rows[r].number));
    places.push_back(m_rows.rows[r].action);
  }
  const bool several = rows.size() > 1;
  if (!Services().AskYesNo("Delete segment" + std::string(several ? "s " : " ") + Enumeration(names) + "?")) return;
  // The rows then in those places are other segments: a later Delete must not take them, and the
  // view must not highlight them.
  m_pTable->clearSelection();
  const std::string refusal = m_document.Replace(WithoutActions(m_document.Session().Actions(), places),
                                                 "Delete Segment" + std::string(several ? "s " : " ") +
                                                     Enumeration(names));
  Refresh();
  if (!refusal.empty()) Services().MessageBox(refusal);
}
