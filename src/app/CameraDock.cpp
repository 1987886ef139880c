#include "app/CameraDock.h"

#include "app/PelorinDoc.h"
#include "camera/ExifFocal.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "session/CameraUncertainty.h"

#include "services/Services.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kMaxDecimals = 9;
// Below this σ (in the units shown) the figure does not depend on the positions at all, only
// rounding moves it (X and Y at right angles by construction): σ is shown as 0, the value to
// six decimals.
constexpr double kNoSigma = 1e-8;
constexpr double kDegrees = 180 / std::numbers::pi;

QString ToQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

// A reason after "No camera: ": with a full stop, unless it ends with one already, and its first
// word in lower case when it is an ordinary capitalised word ("The", not "EXIF").
std::string Sentence(std::string reason) {
  if (reason.size() > 1 && std::isupper(static_cast<unsigned char>(reason[0])) &&
      std::islower(static_cast<unsigned char>(reason[1])))
    reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  const bool stopped = !reason.empty() && (reason.back() == '.' || reason.back() == '!' || reason.back() == '?');
  return stopped ? reason : reason + ".";
}

std::string WithoutNegativeZero(std::string text) {
  if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
  return text;
}

// The value to the decimals that σ's two significant digits have, and σ so; the full numbers in
// the tool tip.
struct CFigureRow {
  std::string name;
  std::string value;
  std::string sigma;
  std::string tip;
};

CFigureRow Figure(std::string name, double value, double sigma) {
  CFigureRow row{std::move(name), WithoutNegativeZero(FormatDoubleField(value)), FormatDoubleField(sigma), {}};
  row.tip = row.value + " \u00b1 " + row.sigma;
  if (std::fabs(sigma) < kNoSigma) {
    row.value = WithoutNegativeZero(FormatFixed(value, 6));
    row.sigma = "0";
  } else if (sigma > 0 && std::isfinite(sigma) && std::isfinite(value)) {
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(sigma))), 0, kMaxDecimals);
    row.value = WithoutNegativeZero(FormatFixed(value, decimals));
    row.sigma = FormatFixed(sigma, decimals);
  }
  return row;
}

}  // namespace

CCameraDock::CCameraDock(CPelorinDoc& document, QWidget* parent)
    : QDockWidget(QStringLiteral("Camera"), parent), m_document(document) {
  setObjectName(QStringLiteral("camera"));
  auto* contents = new QWidget(this);
  auto* layout = new QVBoxLayout(contents);
  m_pMessage = new QLabel(contents);
  m_pMessage->setWordWrap(true);
  m_pTable = new QTableWidget(0, 3, contents);
  m_pTable->setHorizontalHeaderLabels({QStringLiteral("Figure"), QStringLiteral("Value"), QStringLiteral("\u03c3")});
  m_pTable->verticalHeader()->hide();
  m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_pTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  m_pTable->horizontalHeader()->setStretchLastSection(true);
  auto* focal = new QHBoxLayout;
  auto* focalLabel = new QLabel(QStringLiteral("Focal length (35 mm, mm):"), contents);
  m_pGivenFocal = new QLineEdit(contents);
  m_pGivenFocal->setObjectName(QStringLiteral("givenFocal"));
  m_pGivenFocal->setPlaceholderText(QStringLiteral("not given"));
  m_pGivenFocal->setToolTip(
      QStringLiteral("The 35 mm equivalent focal length of the lens. Only a photograph with one finite vanishing "
                     "point (one-point perspective) needs it; the others give their own."));
  focalLabel->setBuddy(m_pGivenFocal);
  m_pFocalFromExif = new QPushButton(QStringLiteral("From EXIF"), contents);
  m_pFocalFromExif->setObjectName(QStringLiteral("focalFromExif"));
  m_pFocalFromExif->setToolTip(QStringLiteral("Takes the focal length the photograph's file states."));
  focal->addWidget(focalLabel);
  focal->addWidget(m_pGivenFocal, 1);
  focal->addWidget(m_pFocalFromExif);
  connect(m_pGivenFocal, &QLineEdit::editingFinished, this, [this] { GivenFocalEdited(); });
  // Enter gives the keys back to the window, so that a tool's key does not type into the field.
  connect(m_pGivenFocal, &QLineEdit::returnPressed, this, [this] { m_pGivenFocal->clearFocus(); });
  connect(m_pFocalFromExif, &QPushButton::clicked, this, [this] {
    if (m_exifFocal35mm) m_document.SetGivenFocal35mm(m_exifFocal35mm);
    ShowGivenFocal();
  });
  layout->addWidget(m_pMessage);
  layout->addLayout(focal);
  layout->addWidget(m_pTable);
  setWidget(contents);
}

void CCameraDock::showEvent(QShowEvent* event) {
  Refresh();
  QDockWidget::showEvent(event);
}

void CCameraDock::ShowGivenFocal() {
  const std::optional<double> given = m_document.Session().GivenFocal35mm();
  m_pGivenFocal->setText(given ? ToQString(FormatDoubleField(*given)) : QString());
}

void CCameraDock::GivenFocalEdited() {
  const std::string text = m_pGivenFocal->text().trimmed().toStdString();
  const std::optional<double> given = m_document.Session().GivenFocal35mm();
  std::optional<double> typed;
  if (!text.empty()) {
    typed = ParseDoubleField(text);
    if (!typed || !(*typed > 0) || !std::isfinite(*typed)) {
      ShowGivenFocal();
      Services().MessageBox("The focal length must be a positive number of millimetres.");
      return;
    }
  }
  if (typed != given) m_document.SetGivenFocal35mm(typed);
  ShowGivenFocal();
}

void CCameraDock::Refresh() {
  const CSession& session = m_document.Session();
  const CSingleImage* model = session.Model();
  if (!m_pGivenFocal->hasFocus()) ShowGivenFocal();
  if (!model) {
    m_pFocalFromExif->setEnabled(false);
    m_pTable->setRowCount(0);
    m_pMessage->setText(QStringLiteral("No camera: no photograph is loaded."));
    return;
  }
  const int width = model->GetWidth(), height = model->GetHeight();
  // The EXIF value first: the button offers it even while there is no camera yet.
  const std::string& path = session.Photograph().path;
  if (path != m_exifPath) {
    m_exifPath = path;
    const CExifFocal exif = ReadExifFocal(path, 0, width, height);
    m_exifFocal35mm = exif.focal35mm;
    m_exifText = exif.focal35mm ? WithoutNegativeZero(FormatFixed(*exif.focal35mm, 1)) + " (EXIF " + exif.source + ")"
                                : std::string();
  }
  m_pFocalFromExif->setEnabled(m_exifFocal35mm.has_value());
  const CCameraWithUncertainty result = CalibrateWithUncertainty(session.Actions(), width, height, session.PositionSigma(),
                                                                 session.GivenFocalPixels());
  const CCameraCalibration& c = result.camera;
  if (!c.IsValid()) {
    m_pTable->setRowCount(0);
    // The one-point case says where the missing focal length goes.
    const std::string hint = c.calibrationCase == ECalibrationCase::OneFinite && !session.GivenFocal35mm()
                                 ? " Type it above" + std::string(m_exifFocal35mm ? ", or take the file's with From EXIF." : ".")
                                 : std::string();
    m_pMessage->setText(ToQString("No camera: " + Sentence(c.problem) + hint));
    return;
  }
  // Without σ the figures are shown all the same, σ as unknown.
  CCameraCalibration s = result.uncertainty.sigma;
  if (!result.uncertainty.IsValid()) {
    const double unknown = std::nan("");
    s = {};
    for (double* v : {&s.focalPixels, &s.focal35mm, &s.principalPoint[0], &s.principalPoint[1], &s.position[0],
                      &s.position[1], &s.position[2], &s.height, &s.heading, &s.pitch, &s.roll, &s.horizontalFov,
                      &s.verticalFov, &s.xyAngleError, &s.aspect, &s.skew})
      *v = unknown;
  }
  const auto pixel = PixelFromCentred(c, c.principalPoint[0], c.principalPoint[1]);
  std::vector<CFigureRow> rows = {
      {"Calibration", CalibrationCaseName(c.calibrationCase), "", ""},
      Figure("Focal length (pixels)", c.focalPixels, s.focalPixels),
      Figure("Focal length (35 mm equivalent, mm)", c.focal35mm, s.focal35mm),
  };
  if (!m_exifText.empty()) rows.push_back({"Focal length stated by the photograph (35 mm, mm)", m_exifText, "", ""});
  rows.push_back(Figure("Principal point x (pixels)", pixel[0], s.principalPoint[0]));
  rows.push_back(Figure("Principal point y (pixels)", pixel[1], s.principalPoint[1]));
  rows.push_back(Figure("Position X", c.position[0], s.position[0]));
  rows.push_back(Figure("Position Y", c.position[1], s.position[1]));
  rows.push_back(Figure("Position Z", c.position[2], s.position[2]));
  rows.push_back(Figure("Height above the ground", c.height, s.height));
  rows.push_back(Figure("Heading (degrees)", c.heading * kDegrees, s.heading * kDegrees));
  rows.push_back(Figure("Pitch (degrees)", c.pitch * kDegrees, s.pitch * kDegrees));
  rows.push_back(Figure("Roll (degrees)", c.roll * kDegrees, s.roll * kDegrees));
  rows.push_back(Figure("Horizontal field of view (degrees)", c.horizontalFov * kDegrees, s.horizontalFov * kDegrees));
  rows.push_back(Figure("Vertical field of view (degrees)", c.verticalFov * kDegrees, s.verticalFov * kDegrees));
  rows.push_back(Figure("X and Y miss a right angle by (degrees)", c.xyAngleError * kDegrees, s.xyAngleError * kDegrees));
  rows.push_back(Figure("Aspect of the projection", c.aspect, s.aspect));
  rows.push_back(Figure("Skew of the projection", c.skew, s.skew));

  m_pTable->clearSpans();
  m_pTable->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const std::string texts[3] = {rows[i].name, rows[i].value, rows[i].sigma};
    // A row without σ spreads its text over both columns.
    if (rows[i].sigma.empty()) m_pTable->setSpan(i, 1, 1, 2);
    for (int column = 0; column < 3; ++column) {
      auto* item = new QTableWidgetItem(ToQString(texts[column]));
      if (column > 0 && !rows[i].tip.empty()) item->setToolTip(ToQString(rows[i].tip));
      m_pTable->setItem(i, column, item);
    }
  }
  m_pMessage->setText(result.uncertainty.IsValid()
                          ? ToQString("\u03c3 from " + std::to_string(result.uncertainty.positions / 2) +
                                      " image positions (typed, clicked or detected), each " +
                                      FormatDoubleField(session.PositionSigma()) + " pixels.")
                          : ToQString("No \u03c3: " + Sentence(result.uncertainty.problem)));
}
