#include "app/PointsAndFacesDock.h"

#include "app/PelorinDoc.h"
#include "app/SegmentsPanel.h"
#include "session/MeasurementRows.h"
#include "metrology/Measurements.h"
#include "metrology/PointMeasurement.h"
#include "services/NumberText.h"
#include "services/Services.h"
#include "texture/FaceTexture.h"

#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

const QStringList kPointColumns = {"Id", "U", "V", "X \u00b1 \u03c3", "Y \u00b1 \u03c3", "Z \u00b1 \u03c3",
                                   "Ref X", "Ref Y", "Ref Z"};
// What Copy writes above the rows: value and σ in columns of their own.
const QStringList kPointCopyColumns = {"Id", "U", "V", "X\t\u03c3 X", "Y\t\u03c3 Y", "Z\t\u03c3 Z",
                                       "Ref X", "Ref Y", "Ref Z"};
const QStringList kFaceColumns = {"Face", "Texture", "Point 1", "Point 2", "Point 3", "Point 4", "Complete"};
const QStringList kMeasurementColumns = {"Measurement", "Value \u00b1 \u03c3", "Known", "Difference",
                                         "|\u0394|/\u03c3"};
const QStringList kMeasurementCopyColumns = {"Measurement", "Value\t\u03c3", "Known", "Difference",
                                             "|\u0394|/\u03c3"};
constexpr int kKnownColumn = 2;
const QStringList kReferenceColumns = {"Foot", "Top", "Height", "Own A \u00b1 \u03c3", "Residual", "Height from A",
                                       "Note"};
const char* kReferenceFieldNames[5] = {"foot u", "foot v", "top u", "top v", "height"};
// A check length that misses by more than three σ.
const QColor kSuspiciousCheck(255, 225, 160);
const char* kMeasurementKindNames[3] = {"Distance", "Height difference", "Area"};
// Faces that lost a corner are left out of the exports; their rows say so in this colour.
const QColor kIncompleteFace(255, 210, 210);
// Copy takes a cell's text from this role when the cell has one.
constexpr int kCopyRole = Qt::UserRole;
// More decimals than a double holds say nothing.
constexpr int kMaxDecimals = 15;

QTableWidget* MakeTable(const QStringList& columns, const QStringList& copyColumns, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(columns.size()), parent);
  table->setHorizontalHeaderLabels(columns);
  for (int column = 0; column < copyColumns.size(); ++column)
    table->horizontalHeaderItem(column)->setData(kCopyRole, copyColumns[column]);
  table->verticalHeader()->setVisible(false);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  return table;
}

// A zero that rounding left negative ("-0", "-0.000") is shown as zero.
std::string WithoutNegativeZero(std::string text) {
  if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
  return text;
}

std::string FullNumber(double value) { return WithoutNegativeZero(FormatDoubleField(value)); }

// One cell: what it shows, its tool tip, and what Copy takes from it.
struct CCell {
  std::string shown;
  std::string tip;
  std::string copied;
};

CCell PlainCell(std::string text) { return {text, {}, text}; }

// A photograph position: shown to a millionth of a pixel, in full in the tool tip and in Copy.
CCell PositionCell(double value) {
  const std::string full = FullNumber(value);
  return {FormatPosition(value), full, full};
}

// A reference id; -1 means "none" and shows as nothing.
CCell ReferenceCell(int id) { return PlainCell(id < 0 ? std::string() : FormatIntField(id)); }

// "value ± σ" with σ to two significant digits and the value to the same decimals; "—" for a σ
// that is not known, and then the value in full.
CCell MeasuredCell(double value, const std::optional<double>& sigma) {
  const std::string fullValue = FullNumber(value);
  if (!sigma) return {fullValue + " \u00b1 \u2014", fullValue + " (\u03c3 not known)", fullValue + "\t"};
  const std::string fullSigma = FullNumber(*sigma);
  CCell cell{fullValue + " \u00b1 " + fullSigma, fullValue + " \u00b1 " + fullSigma, fullValue + "\t" + fullSigma};
  if (*sigma > 0 && std::isfinite(*sigma) && std::isfinite(value)) {
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(*sigma))), 0, kMaxDecimals);
    cell.shown = WithoutNegativeZero(FormatFixed(value, decimals)) + " \u00b1 " + FormatFixed(*sigma, decimals);
  }
  return cell;
}

// A number that comes with a σ of its own: shown to σ's decimals as MeasuredCell shows it, in
// full in the tool tip and in what Copy takes.
CCell RoundedCell(const std::optional<double>& value, const std::optional<double>& sigma) {
  if (!value) return PlainCell(std::string());
  CCell cell = PlainCell(FullNumber(*value));
  cell.tip = cell.shown;
  if (sigma && *sigma > 0 && std::isfinite(*sigma) && std::isfinite(*value)) {
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(*sigma))), 0, kMaxDecimals);
    cell.shown = WithoutNegativeZero(FormatFixed(*value, decimals));
  }
  return cell;
}

void SetRow(QTableWidget& table, int row, const std::vector<CCell>& cells, const QColor* background = nullptr) {
  for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
    auto* item = new QTableWidgetItem(QString::fromStdString(cells[column].shown));
    if (!cells[column].tip.empty()) item->setToolTip(QString::fromStdString(cells[column].tip));
    item->setData(kCopyRole, QString::fromStdString(cells[column].copied));
    if (background) item->setBackground(*background);
    table.setItem(row, column, item);
  }
}

// "a", "a and b", "a, b and c".
std::string ListOf(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return text;
}

// The text Copy takes from a cell or a header item.
std::string CopiedText(const QTableWidgetItem* item) {
  if (!item) return {};
  const QVariant copied = item->data(kCopyRole);
  return (copied.isValid() ? copied.toString() : item->text()).toStdString();
}

// Rows of the selection, top to bottom.
std::vector<int> SelectedRows(const QTableWidget& table) {
  std::set<int> rows;
  for (const QModelIndex& index : table.selectionModel()->selectedIndexes()) rows.insert(index.row());
  return {rows.begin(), rows.end()};
}

}  // namespace

CPointsAndFacesDock::CPointsAndFacesDock(CPelorinDoc& document, std::function<void()> afterDelete, QWidget* parent)
    : QDockWidget(QStringLiteral("Points and Faces"), parent), m_document(document), m_afterDelete(std::move(afterDelete)) {
  setObjectName(QStringLiteral("pointsAndFaces"));
  // Three pages, so that each table has the dock's height: the points with the faces made of
  // them, the measurements with the references that scale them, and the segments. How far a
  // position may be off stays below them: every σ on every page rests on it.
  auto* frame = new QWidget(this);
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->setContentsMargins(0, 0, 0, 0);
  m_pPages = new QTabWidget(frame);
  m_pPages->setObjectName(QStringLiteral("pages"));
  frameLayout->addWidget(m_pPages, 1);
  auto* contents = new QWidget(m_pPages);
  auto* layout = new QVBoxLayout(contents);
  m_pPages->addTab(contents, QStringLiteral("Points and Faces"));
  m_pPoints = MakeTable(kPointColumns, kPointCopyColumns, contents);
  m_pFaces = MakeTable(kFaceColumns, kFaceColumns, contents);
  layout->addWidget(new QLabel(QStringLiteral("Points"), contents));
  layout->addWidget(m_pPoints, 3);
  layout->addWidget(new QLabel(QStringLiteral("Faces"), contents));
  layout->addWidget(m_pFaces, 2);
  contents = new QWidget(m_pPages);
  layout = new QVBoxLayout(contents);
  m_pPages->addTab(contents, QStringLiteral("Measurements"));
  m_pMeasurements = MakeTable(kMeasurementColumns, kMeasurementCopyColumns, contents);
  // The known value of a check length is typed into its cell.
  m_pMeasurements->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  layout->addWidget(new QLabel(QStringLiteral("Measurements"), contents));
  auto* adder = new QHBoxLayout;
  m_pMeasurementKind = new QComboBox(contents);
  for (const char* kind : kMeasurementKindNames) m_pMeasurementKind->addItem(QString::fromUtf8(kind));
  m_pMeasurementIds = new QLineEdit(contents);
  m_pMeasurementIds->setPlaceholderText(QStringLiteral("point ids, e.g. 0 3"));
  m_pMeasurementIds->setToolTip(QStringLiteral("Two ids for a distance or a height difference, four for an area"));
  auto* add = new QPushButton(QStringLiteral("Add"), contents);
  adder->addWidget(m_pMeasurementKind);
  adder->addWidget(m_pMeasurementIds, 1);
  adder->addWidget(add);
  layout->addLayout(adder);
  layout->addWidget(m_pMeasurements, 2);
  // Further vertical references, typed as photograph pixels and a height.
  layout->addWidget(new QLabel(QStringLiteral("References"), contents));
  auto* referenceAdder = new QHBoxLayout;
  for (int i = 0; i < 5; ++i) {
    m_pReferenceFields[i] = new QLineEdit(contents);
    m_pReferenceFields[i]->setObjectName(QString::fromUtf8(kReferenceFieldNames[i]).replace(' ', '_'));
    m_pReferenceFields[i]->setPlaceholderText(QString::fromUtf8(kReferenceFieldNames[i]));
    referenceAdder->addWidget(m_pReferenceFields[i], 1);
    connect(m_pReferenceFields[i], &QLineEdit::returnPressed, this, [this] { AddTypedReference(); });
  }
  auto* addReference = new QPushButton(QStringLiteral("Add"), contents);
  addReference->setObjectName(QStringLiteral("addReference"));
  addReference->setToolTip(QStringLiteral("A further vertical edge standing on the ground, and its height"));
  referenceAdder->addWidget(addReference);
  layout->addLayout(referenceAdder);
  m_pReferences = MakeTable(kReferenceColumns, kReferenceColumns, contents);
  layout->addWidget(m_pReferences, 1);
  connect(addReference, &QPushButton::clicked, this, [this] { AddTypedReference(); });
  m_pSegments = new CSegmentsPanel(m_document, m_pPages);
  m_pPages->addTab(m_pSegments, QStringLiteral("Segments"));
  contents = frame;
  layout = frameLayout;
  // Every σ rests on how far a typed or clicked position may be off.
  auto* noise = new QHBoxLayout;
  noise->setContentsMargins(9, 0, 9, 6);
  m_pPositionSigma = new QDoubleSpinBox(contents);
  m_pPositionSigma->setObjectName(QStringLiteral("positionSigma"));
  m_pPositionSigma->setLocale(QLocale::c());
  m_pPositionSigma->setRange(0.01, 100);
  m_pPositionSigma->setDecimals(2);
  m_pPositionSigma->setSingleStep(0.1);
  m_pPositionSigma->setSuffix(QStringLiteral(" px"));
  m_pPositionSigma->setValue(m_document.Session().PositionSigma());
  m_pPositionSigma->setToolTip(
      QStringLiteral("The standard deviation of every typed or clicked image position, on which every \u03c3 rests"));
  noise->addWidget(new QLabel(QStringLiteral("\u03c3 of a position:"), contents));
  noise->addWidget(m_pPositionSigma);
  noise->addStretch(1);
  layout->addLayout(noise);
  setWidget(frame);
  connect(add, &QPushButton::clicked, this, [this] { AddTypedMeasurement(); });
  connect(m_pPositionSigma, &QDoubleSpinBox::editingFinished, this, [this] {
    if (m_bRefreshing || m_pPositionSigma->value() == m_document.Session().PositionSigma()) return;
    if (const std::string refusal = m_document.SetPositionSigma(m_pPositionSigma->value()); !refusal.empty())
      Services().MessageBox(refusal);
    Refresh();
  });
  connect(m_pMeasurementIds, &QLineEdit::returnPressed, this, [this] { AddTypedMeasurement(); });
  connect(m_pMeasurements, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!m_bRefreshing && item->column() == kKnownColumn) SetKnownValue(item->row(), item->text().toStdString());
  });
  for (QTableWidget* table : {m_pPoints, m_pFaces, m_pMeasurements, m_pReferences, m_pSegments->Table()}) {
    connect(table, &QWidget::customContextMenuRequested, this,
            [this, table](const QPoint& position) { ShowContextMenu(*table, position); });
    table->installEventFilter(this);
  }
}

void CPointsAndFacesDock::ShowPageOf(const QWidget* widget) {
  for (int page = 0; page < m_pPages->count(); ++page)
    if (m_pPages->widget(page)->isAncestorOf(widget)) m_pPages->setCurrentIndex(page);
}

bool CPointsAndFacesDock::eventFilter(QObject* watched, QEvent* event) {
  auto* table = qobject_cast<QTableWidget*>(watched);
  if (table && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    DeleteSelectedRows(*table);
    return true;
  }
  return QDockWidget::eventFilter(watched, event);
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
           {PlainCell(FormatIntField(p.m_id)), PositionCell(p.m_u + model->GetWidth() / 2.0),
            PositionCell(p.m_v + model->GetHeight() / 2.0), MeasuredCell(p.m_x, sigma[0]),
            MeasuredCell(p.m_y, sigma[1]), MeasuredCell(p.m_z, sigma[2]), ReferenceCell(p.m_refX),
            ReferenceCell(p.m_refY), ReferenceCell(p.m_refZ)});
  }
  m_pFaces->setRowCount(faces);
  for (int i = 0; i < faces; ++i) {
    const CTextureImage& face = *model->m_Textures.ElementAt(i);
    const bool complete = FaceHasAllPoints(*model, i);
    SetRow(*m_pFaces, i,
           {PlainCell(FormatIntField(i)), PlainCell(face.m_name), PlainCell(FormatIntField(face.m_pointId[0])),
            PlainCell(FormatIntField(face.m_pointId[1])), PlainCell(FormatIntField(face.m_pointId[2])),
            PlainCell(FormatIntField(face.m_pointId[3])), PlainCell(complete ? "Yes" : "No")},
           complete ? nullptr : &kIncompleteFace);
  }
  m_bRefreshing = true;
  m_pPositionSigma->setValue(m_document.Session().PositionSigma());
  const std::vector<CMeasurementRow> rows =
      model ? MeasurementRows(*model, m_document.Session().Replayed()) : std::vector<CMeasurementRow>();
  m_pMeasurements->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const CMeasurementRow& row = rows[i];
    const CCell known = PlainCell(row.known ? FullNumber(*row.known) : std::string());
    CCell value = row.problem.empty() ? MeasuredCell(row.value, row.sigma) : CCell{row.problem, row.problem, "\t"};
    CCell difference = RoundedCell(row.difference, row.sigma);
    CCell ratio = PlainCell(row.sigmas ? FormatFixed(*row.sigmas, 1) : std::string());
    if (row.suspicious) ratio.tip = "More than three \u03c3 from the known value";
    SetRow(*m_pMeasurements, i, {PlainCell(row.name), value, known, difference, ratio},
           row.suspicious ? &kSuspiciousCheck : nullptr);
    for (int column = 0; column < m_pMeasurements->columnCount(); ++column)
      if (column != kKnownColumn)
        m_pMeasurements->item(i, column)->setFlags(m_pMeasurements->item(i, column)->flags() & ~Qt::ItemIsEditable);
    m_pMeasurements->item(i, kKnownColumn)->setToolTip(QStringLiteral("The true value, for a check; double-click to type it"));
  }
  const std::vector<CReferenceRow> references = ReferenceRows(m_document.Session().Replayed());
  m_pReferences->setRowCount(static_cast<int>(references.size()));
  const auto pair = [](const std::array<double, 2>& p) {
    const std::string full = FullNumber(p[0]) + ", " + FullNumber(p[1]);
    return CCell{FormatPosition(p[0]) + ", " + FormatPosition(p[1]), full, full};
  };
  for (int i = 0; i < static_cast<int>(references.size()); ++i) {
    const CReferenceRow& row = references[i];
    // The implied height errs as A does, relatively.
    std::optional<double> heightSigma;
    if (row.impliedHeight && row.sigmaA && row.ownA && *row.ownA != 0)
      heightSigma = std::fabs(*row.impliedHeight * *row.sigmaA / *row.ownA);
    SetRow(*m_pReferences, i,
           {pair(row.reference.foot), pair(row.reference.top),
            PlainCell(FullNumber(row.reference.height)),
            row.ownA ? MeasuredCell(*row.ownA, row.sigmaA) : PlainCell(std::string()),
            RoundedCell(row.residual, row.sigmaA), RoundedCell(row.impliedHeight, heightSigma),
            CCell{row.note, row.note, row.note}});
  }
  m_bRefreshing = false;
  m_pSegments->Refresh();
  m_pReferences->resizeColumnsToContents();
  m_pPoints->resizeColumnsToContents();
  m_pFaces->resizeColumnsToContents();
  m_pMeasurements->resizeColumnsToContents();
}

bool CPointsAndFacesDock::AddMeasurement(EMeasurementKind kind, const std::vector<int>& ids) {
  if (!m_document.GetSingleImage()) {
    Services().MessageBox("No source image is loaded.");
    return false;
  }
  CMeasurementAction measurement{kind, ids, std::nullopt, std::nullopt};
  std::string label = std::string("Measure ") + kMeasurementKindNames[static_cast<int>(kind)];
  const std::string refusal = m_document.Append({measurement}, label);
  Refresh();
  if (!refusal.empty()) {
    Services().MessageBox(refusal);
    return false;
  }
  // A measurement asked for from the points' page is shown where it is.
  ShowPageOf(m_pMeasurements);
  return true;
}

void CPointsAndFacesDock::AddTypedMeasurement() {
  const auto kind = static_cast<EMeasurementKind>(m_pMeasurementKind->currentIndex());
  const size_t wanted = MeasurementPointCount(kind);
  std::vector<int> ids;
  std::string text = m_pMeasurementIds->text().toStdString();
  for (char& c : text)
    if (c == ',' || c == ';') c = ' ';
  size_t start = 0;
  bool numbers = true;
  while ((start = text.find_first_not_of(' ', start)) != std::string::npos) {
    const size_t end = text.find(' ', start);
    const std::optional<int> id = ParseIntField(text.substr(start, end - start));
    if (!id || *id < 0) numbers = false;
    else ids.push_back(*id);
    start = end;
  }
  if (!numbers || ids.size() != wanted) {
    Services().MessageBox(std::string(kMeasurementKindNames[static_cast<int>(kind)]) + " needs " +
                          (wanted == 2 ? "two" : "four") + " point ids, separated by blanks.");
    m_pMeasurementIds->setFocus();
    return;
  }
  if (AddMeasurement(kind, ids)) m_pMeasurementIds->clear();
}

bool CPointsAndFacesDock::AddReference(const CReferenceHeightAction& reference) {
  if (!m_document.GetSingleImage()) {
    Services().MessageBox("No source image is loaded.");
    return false;
  }
  const std::string refusal = m_document.Append({reference}, "Add Reference Height");
  Refresh();
  if (!refusal.empty()) {
    Services().MessageBox(refusal);
    return false;
  }
  ShowPageOf(m_pReferences);
  return true;
}

void CPointsAndFacesDock::AddTypedReference() {
  double values[5];
  for (int i = 0; i < 5; ++i) {
    const std::optional<double> value = ParseDoubleField(m_pReferenceFields[i]->text().toStdString());
    if (!value) {
      Services().MessageBox(std::string("Reference ") + kReferenceFieldNames[i] + ": please enter a number.");
      m_pReferenceFields[i]->setFocus();
      return;
    }
    values[i] = *value;
  }
  if (!AddReference({{values[0], values[1]}, {values[2], values[3]}, values[4]})) return;
  for (QLineEdit* field : m_pReferenceFields) field->clear();
}

void CPointsAndFacesDock::SetKnownValue(int row, const std::string& text) {
  std::optional<double> known;
  const bool blank = text.find_first_not_of(" \t") == std::string::npos;
  if (!blank) {
    known = ParseDoubleField(text);
    if (!known) {
      Refresh();
      Services().MessageBox("Known: please enter a number.");
      return;
    }
  }
  const std::string refusal =
      m_document.Append({CKnownValueAction{row, known}}, "Set Known Value of Measurement " + std::to_string(row));
  Refresh();
  if (!refusal.empty()) Services().MessageBox(refusal);
}

std::string CPointsAndFacesDock::SelectedRowsText(const QTableWidget& table) {
  std::string text;
  for (int column = 0; column < table.columnCount(); ++column)
    text += (column > 0 ? "\t" : "") + CopiedText(table.horizontalHeaderItem(column));
  text += '\n';
  for (int row : SelectedRows(table)) {
    for (int column = 0; column < table.columnCount(); ++column)
      text += (column > 0 ? "\t" : "") + CopiedText(table.item(row, column));
    text += '\n';
  }
  return text;
}

void CPointsAndFacesDock::ShowContextMenu(QTableWidget& table, const QPoint& position) {
  const int row = table.rowAt(position.y());
  if (row < 0) return;
  // A right click on a row outside the selection selects that row alone, as file managers do.
  if (!table.selectionModel()->isRowSelected(row, QModelIndex())) table.selectRow(row);
  const std::vector<int> rows = SelectedRows(table);
  const CSingleImage* model = m_document.GetSingleImage();
  std::vector<std::string> items = {"Delete", "Copy"};
  // Measurements of the selected points, or of the selected face.
  std::vector<std::pair<EMeasurementKind, std::vector<int>>> measurements;
  if (model && &table == m_pPoints && (rows.size() == 2 || rows.size() == 4)) {
    std::vector<int> ids;
    for (int r : rows)
      if (r < model->m_Points.GetCount()) ids.push_back(model->m_Points.ElementAt(r)->m_id);
    if (ids.size() == 2) {
      measurements.push_back({EMeasurementKind::Distance, ids});
      measurements.push_back({EMeasurementKind::HeightDifference, ids});
    } else if (ids.size() == 4) {
      // The rows come in id order, which is seldom the order around the face.
      const std::array<int, 4> around = CornersInOrderAround(*model, {ids[0], ids[1], ids[2], ids[3]});
      measurements.push_back({EMeasurementKind::Area, std::vector<int>(around.begin(), around.end())});
    }
  }
  if (model && &table == m_pFaces && rows.size() == 1 && rows[0] < model->m_Textures.GetCount()) {
    const CTextureImage& face = *model->m_Textures.ElementAt(rows[0]);
    measurements.push_back({EMeasurementKind::Area, std::vector<int>(face.m_pointId, face.m_pointId + 4)});
  }
  for (const auto& [kind, ids] : measurements)
    items.push_back(std::string("Measure ") + kMeasurementKindNames[static_cast<int>(kind)]);
  const int chosen = Services().ChooseFromMenu(items);
  if (chosen == 0) DeleteSelectedRows(table);
  if (chosen == 1) QGuiApplication::clipboard()->setText(QString::fromStdString(SelectedRowsText(table)));
  if (chosen >= 2 && chosen - 2 < static_cast<int>(measurements.size()))
    AddMeasurement(measurements[chosen - 2].first, measurements[chosen - 2].second);
}

void CPointsAndFacesDock::SetSegmentSelectionHandler(std::function<void(std::array<std::vector<int>, 3>)> handler) {
  m_pSegments->SetSelectionHandler(std::move(handler));
}

void CPointsAndFacesDock::DeleteSelectedRows(QTableWidget& table) {
  CSingleImage* model = m_document.GetSingleImage();
  if (!model) return;
  if (&table == m_pSegments->Table()) {
    m_pSegments->DeleteSelectedRows();
    if (m_afterDelete) m_afterDelete();
    return;
  }
  if (&table == m_pReferences) {
    // GetParameter's reference, when shown, is the first row and is changed in its own dialog.
    const std::vector<CReferenceRow> references = ReferenceRows(m_document.Session().Replayed());
    const int first = !references.empty() && references[0].parameters ? 1 : 0;
    std::vector<int> rows = SelectedRows(table);
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](int row) { return row < first || row >= static_cast<int>(references.size()); }),
               rows.end());
    if (rows.empty()) return;
    const bool several = rows.size() > 1;
    if (!Services().AskYesNo(std::string("Delete the selected reference") + (several ? "s" : "") + "?")) return;
    std::vector<CAction> deletions;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) deletions.push_back(CDeleteReferenceAction{*row - first});
    const std::string refusal =
        m_document.Append(std::move(deletions), std::string("Delete Reference Height") + (several ? "s" : ""));
    table.clearSelection();
    Refresh();
    if (!refusal.empty()) Services().MessageBox(refusal);
    return;
  }
  if (&table == m_pMeasurements) {
    std::vector<int> rows = SelectedRows(table);
    const int count = static_cast<int>(m_document.Session().Replayed().measurements.size());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [count](int row) { return row >= count; }), rows.end());
    if (rows.empty()) return;
    std::vector<std::string> names;
    for (int row : rows) names.push_back(table.item(row, 0)->text().toStdString());
    const bool several = rows.size() > 1;
    if (!Services().AskYesNo("Delete the measurement" + std::string(several ? "s " : " ") + ListOf(names) + "?"))
      return;
    std::vector<CAction> deletions;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) deletions.push_back(CDeleteMeasurementAction{*row});
    const std::string refusal =
        m_document.Append(std::move(deletions), std::string("Delete Measurement") + (several ? "s" : ""));
    table.clearSelection();
    Refresh();
    if (!refusal.empty()) Services().MessageBox(refusal);
    return;
  }
  const bool points = &table == m_pPoints;
  const int count = points ? model->m_Points.GetCount() : model->m_Textures.GetCount();
  std::vector<int> rows = SelectedRows(table);
  rows.erase(std::remove_if(rows.begin(), rows.end(), [count](int row) { return row >= count; }), rows.end());
  if (rows.empty()) return;
  std::vector<std::string> names;
  for (int row : rows)
    names.push_back(points ? std::to_string(model->m_Points.ElementAt(row)->m_id)
                           : std::to_string(row) + " (" + model->m_Textures.ElementAt(row)->m_name + ")");
  const bool several = rows.size() > 1;
  const std::string question =
      points ? "Delete point" + std::string(several ? "s " : " ") + ListOf(names) + "? Faces with " +
                   (several ? "these corners" : "this corner") + " are left out of the exports."
             : "Delete face" + std::string(several ? "s " : " ") + ListOf(names) + "? The later faces move down " +
                   (several ? "to fill the gaps." : "one number.");
  if (!Services().AskYesNo(question)) return;
  // From the bottom up, so the rows still to go keep their positions; one command for all.
  std::vector<CAction> deletions;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    if (points)
      deletions.push_back(CDeletePointAction{*row, model->m_Points.ElementAt(*row)->m_id});
    else
      deletions.push_back(CDeleteFaceAction{*row});
  }
  const std::string refusal =
      m_document.Append(std::move(deletions), std::string(points ? "Delete Point" : "Delete Face") +
                                                  (several ? "s " : " ") + ListOf(names));
  // The rows now at those positions are other points or faces: a later Delete must not take them.
  table.clearSelection();
  Refresh();
  if (m_afterDelete) m_afterDelete();
  if (!refusal.empty()) Services().MessageBox(refusal);
}
