// The segments table of the "Points and Faces" dock, driven by real clicks and keys: residuals
// against vanishing points chosen in advance, a check box that takes a segment out exactly as
// deleting it would, multi-row Delete after one question, outliers marked, the selection
// reported per direction.

#include "AppFixture.h"
#include "ComputedValues.h"
#include "app/PointsAndFacesDock.h"
#include "app/SegmentsPanel.h"
#include "services/NumberText.h"

#include <QLabel>
#include <QContextMenuEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <cmath>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;

class SegmentsTable : public AppTest {
 protected:
  void ShowDock() {
    Command(ID_VIEW_POINTS_AND_FACES);
    ASSERT_TRUE(Frame().PointsAndFaces()->isVisible());
  }
  void OpenSample() {
    ASSERT_TRUE(app->OpenDocumentFile(QStringLiteral(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin")));
    ShowDock();
    ASSERT_EQ(Table().rowCount(), 12);
  }
  CSegmentsPanel& Panel() { return *Frame().PointsAndFaces()->SegmentsPanel(); }
  QTableWidget& Table() { return *Panel().Table(); }
  std::string Cell(int row, int column) { return Table().item(row, column)->text().toStdString(); }
  std::string Quality(int axis) { return Panel().QualityLine(axis)->text().toStdString(); }
  std::string UndoText() { return Frame().Action(ID_EDIT_UNDO)->text().toStdString(); }
  CComputedValues Computed() { return ComputedValues(*Model(), app->Document().MeasurementLog()); }

  void Click(int row, Qt::KeyboardModifiers modifiers = {}) {
    Table().scrollToItem(Table().item(row, 0));
    QTest::mouseClick(Table().viewport(), Qt::LeftButton, modifiers, Table().visualItemRect(Table().item(row, 0)).center());
  }
  // A click on the row's check box, where the style draws it.
  void ClickCheckBox(int row) {
    struct CDelegate : QStyledItemDelegate {
      using QStyledItemDelegate::initStyleOption;
    } delegate;
    Table().scrollToItem(Table().item(row, 0));
    QStyleOptionViewItem option;
    option.initFrom(Table().viewport());
    option.widget = &Table();
    option.rect = Table().visualItemRect(Table().item(row, 0));
    delegate.initStyleOption(&option, Table().model()->index(row, 0));
    const QRect box = Table().style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &Table());
    ASSERT_TRUE(box.isValid());
    QTest::mouseClick(Table().viewport(), Qt::LeftButton, {}, box.center());
  }
  void PressDelete(bool confirm) {
    services->yesNoAnswers.push_back(confirm);
    QTest::keyClick(&Table(), Qt::Key_Delete);
  }
};

// A segment of half-length `half` with its midpoint at the pixel m, pointing at the pixel v (or in
// the direction v at infinity when `atInfinity`), turned about m by `turn` degrees.
std::array<double, 4> TurnedSegment(std::array<double, 2> m, std::array<double, 2> v, bool atInfinity, double half,
                                    double turn) {
  double d[2] = {atInfinity ? v[0] : v[0] - m[0], atInfinity ? v[1] : v[1] - m[1]};
  const double length = std::hypot(d[0], d[1]);
  const double c = std::cos(turn * kRadiansPerDegree), s = std::sin(turn * kRadiansPerDegree);
  const double t[2] = {(c * d[0] - s * d[1]) / length * half, (s * d[0] + c * d[1]) / length * half};
  return {m[0] - t[0], m[1] - t[1], m[0] + t[0], m[1] + t[1]};
}

// Vanishing points chosen in advance: X at the pixel (2600, 500), Y at (-60000, 350), nearly at
// infinity, Z at infinity straight up. Each is fixed exactly by segments through it; segments
// turned by known angles come after "Caculate ", so they are measured against it without moving it.
TEST_F(SegmentsTable, ResidualsAgainstKnownVanishingPointsAndOutliersMarked) {
  LoadPhotograph(UniformPhotograph("scene.bmp", 1000, 800));
  const std::array<double, 2> vx = {2600, 500}, vy = {-60000, 350}, up = {0, 1};
  std::vector<CAction> actions;
  for (const auto& m : std::vector<std::array<double, 2>>{{300, 200}, {500, 600}, {700, 350}})
    actions.push_back(CSegmentAction{0, TurnedSegment(m, vx, false, 60, 0), true});
  for (const auto& m : std::vector<std::array<double, 2>>{{300, 300}, {400, 500}})
    actions.push_back(CSegmentAction{1, TurnedSegment(m, vy, false, 80, 0), true});
  for (const auto& m : std::vector<std::array<double, 2>>{{100, 400}, {800, 300}})
    actions.push_back(CSegmentAction{2, TurnedSegment(m, up, true, 50, 0), true});
  actions.push_back(CCalculateAction{});
  struct Turned {
    int axis;
    std::array<double, 2> midpoint;
    double half, turn;
    bool outlier;
  };
  // X's enabled residuals: 0, 0, 0, 0.09, 0.1, 0.12, 2 degrees; the median 0.09 times three is 0.27.
  const Turned turned[] = {{0, {250, 650}, 70, 0.1, false},   {0, {600, 150}, 90, -0.12, false},
                           {0, {420, 420}, 50, 0.09, false},  {0, {820, 700}, 40, 2, true},
                           {2, {500, 100}, 100, 1.5, true}};
  for (const Turned& t : turned)
    actions.push_back(CSegmentAction{t.axis,
                                     TurnedSegment(t.midpoint, t.axis == 0 ? vx : up, t.axis == 2, t.half, t.turn), true});
  ASSERT_EQ(app->Document().Append(actions, "Set Up"), "");
  ShowDock();
  ASSERT_EQ(Table().rowCount(), 12);

  // Rows go by direction, each in the order entered: X's three exact segments and then its four
  // turned ones, Y's two, Z's two exact ones and its turned one.
  const int turnedRows[5] = {3, 4, 5, 6, 11};
  // The exact segments lie on their lines.
  for (int row : {0, 1, 2, 7, 8, 9, 10}) {
    EXPECT_EQ(Cell(row, 4), "0.000") << row;
    EXPECT_EQ(Cell(row, 5), "0.000") << row;
    EXPECT_FALSE(Table().item(row, 4)->font().bold()) << row;
    EXPECT_FALSE(Table().item(row, 0)->font().italic()) << row << " counts";
  }
  for (int k = 0; k < 5; ++k) {
    const int row = turnedRows[k];
    const Turned& t = turned[k];
    EXPECT_EQ(Cell(row, 0), (t.axis == 0 ? "X " : "Z ") + std::to_string(t.axis == 0 ? 3 + k : 2)) << row;
    EXPECT_EQ(Cell(row, 3), FormatFixed(2 * t.half, 1)) << row;
    EXPECT_EQ(Cell(row, 4), FormatFixed(std::fabs(t.turn), 3)) << row;
    EXPECT_EQ(Cell(row, 5), FormatFixed(t.half * std::sin(std::fabs(t.turn) * kRadiansPerDegree), 3)) << row;
    EXPECT_EQ(Table().item(row, 4)->font().bold(), t.outlier) << row;
    EXPECT_EQ(Table().item(row, 5)->font().bold(), t.outlier) << row;
    EXPECT_EQ(Table().item(row, 4)->foreground() == Table().item(0, 4)->foreground(), !t.outlier) << row;
    if (t.outlier) {
      EXPECT_NE(Table().item(row, 4)->toolTip().indexOf(QStringLiteral("three times the median")), -1) << row;
    }
    // After the last "Caculate ": shown in italics until the next one.
    EXPECT_TRUE(Table().item(row, 0)->font().italic()) << row;
  }
  const std::array<double, 4> first = TurnedSegment({300, 200}, vx, false, 60, 0);
  // Positions to a millionth of a pixel; Copy takes them in full.
  EXPECT_EQ(Cell(0, 1), FormatPosition(first[0]) + ", " + FormatPosition(first[1]));
  EXPECT_EQ(Cell(0, 2), FormatPosition(first[2]) + ", " + FormatPosition(first[3]));
  EXPECT_EQ(Table().item(0, 1)->data(Qt::UserRole).toString().toStdString(),
            FormatDoubleField(first[0]) + ", " + FormatDoubleField(first[1]));

  // Y's two segments are 0.1 degrees apart and meet at a finite point; X's and Z's are fine.
  EXPECT_EQ(Quality(0).rfind("X: 7 segments, direction \u03c3 ", 0), 0u) << Quality(0);
  EXPECT_EQ(Quality(0).find("\u26a0"), std::string::npos) << Quality(0);
  EXPECT_NE(Quality(1).find("\u26a0 all within 1\u00b0 of parallel, yet their vanishing point is finite"),
            std::string::npos)
      << Quality(1);
  EXPECT_EQ(Quality(2).find("\u26a0"), std::string::npos) << Quality(2);
  EXPECT_NE(Panel().QualityLine(1)->palette().color(QPalette::WindowText),
            Panel().QualityLine(0)->palette().color(QPalette::WindowText));
}

TEST_F(SegmentsTable, TheSampleSegmentsAreListedAsTyped) {
  OpenSample();
  EXPECT_EQ(Cell(0, 0), "X 0");
  EXPECT_EQ(Cell(0, 1), "428.179001, 273.962001");
  EXPECT_EQ(Cell(0, 2), "595.702221, 339.191199");
  EXPECT_EQ(Cell(0, 3), FormatFixed(std::hypot(595.702221 - 428.179001, 339.191199 - 273.962001), 1));
  EXPECT_EQ(Cell(11, 0), "Z 3");
  for (int row = 0; row < 12; ++row) {
    EXPECT_EQ(Table().item(row, 0)->checkState(), Qt::Checked) << row;
    EXPECT_FALSE(Cell(row, 4).empty()) << row;
  }
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_NE(Quality(axis).find(": 4 segments, direction \u03c3 "), std::string::npos) << Quality(axis);
    EXPECT_EQ(Quality(axis).find("\u2014"), std::string::npos) << "the σ is known: " << Quality(axis);
  }
  // A new photograph: no segments, and a warning for each direction.
  LoadPhotograph(UniformPhotograph("plain.bmp", 100, 80));
  EXPECT_EQ(Table().rowCount(), 0);
  EXPECT_EQ(Quality(2), "Z: 0 segments, direction \u03c3 \u2014  \u26a0 fewer than two segments");
}

TEST_F(SegmentsTable, UncheckingASegmentEqualsDeletingItAndUndoBringsItBack) {
  OpenSample();
  const CComputedValues original = Computed();
  ClickCheckBox(5);
  EXPECT_EQ(Table().item(5, 0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(UndoText(), "&Undo Disable Segment Y 1");
  EXPECT_EQ(Table().item(5, 1)->foreground().color(),
            QApplication::palette().color(QPalette::Disabled, QPalette::Text));
  EXPECT_NE(Quality(1).find("Y: 3 segments"), std::string::npos) << Quality(1);
  const CComputedValues disabled = Computed();
  EXPECT_NE(disabled, original);

  // The same segment deleted instead.
  Frame().Action(ID_EDIT_UNDO)->trigger();
  EXPECT_EQ(Table().item(5, 0)->checkState(), Qt::Checked);
  EXPECT_EQ(Computed(), original);
  Click(5);
  PressDelete(true);
  EXPECT_EQ(services->questions.back(), "Delete segment Y 1?");
  ASSERT_EQ(Table().rowCount(), 11);
  EXPECT_EQ(Computed(), disabled);

  // Back, and checked again from the box.
  Frame().Action(ID_EDIT_UNDO)->trigger();
  ASSERT_EQ(Table().rowCount(), 12);
  ClickCheckBox(5);
  ClickCheckBox(5);
  EXPECT_EQ(UndoText(), "&Undo Enable Segment Y 1");
  EXPECT_EQ(Computed(), original);
  EXPECT_TRUE(services->messages.empty());

  // A third of X's four segments unchecked would leave "Caculate " too few: refused, and the box
  // is checked again.
  ClickCheckBox(0);
  ClickCheckBox(1);
  const CComputedValues twoLeft = Computed();
  ClickCheckBox(2);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(Table().item(2, 0)->checkState(), Qt::Checked);
  EXPECT_EQ(UndoText(), "&Undo Disable Segment X 1");
  EXPECT_EQ(Computed(), twoLeft);
}

TEST_F(SegmentsTable, DeleteTakesEverySelectedRowAfterOneQuestionAndNoChangesNothing) {
  OpenSample();
  const CComputedValues original = Computed();
  const std::string undoBefore = UndoText();
  Table().setFocus();
  Click(0);
  Click(4, Qt::ControlModifier);
  Click(9, Qt::ControlModifier);
  PressDelete(false);
  EXPECT_EQ(services->questions.back(), "Delete segments X 0, Y 0 and Z 1?");
  EXPECT_EQ(Table().rowCount(), 12);
  EXPECT_EQ(UndoText(), undoBefore);
  EXPECT_EQ(Computed(), original);

  PressDelete(true);
  ASSERT_EQ(Table().rowCount(), 9);
  EXPECT_EQ(UndoText(), "&Undo Delete Segments X 0, Y 0 and Z 1");
  EXPECT_EQ(Cell(0, 1), "423.182128, 401.312481") << "X 1 moved up and is X 0 now";
  EXPECT_EQ(Cell(0, 0), "X 0");
  EXPECT_TRUE(Table().selectedItems().empty());
  Frame().Action(ID_EDIT_UNDO)->trigger();
  ASSERT_EQ(Table().rowCount(), 12);
  EXPECT_EQ(Computed(), original);

  // From the context menu; three of X's four segments would leave "Caculate " too few.
  Click(0);
  Click(1, Qt::ControlModifier);
  Click(2, Qt::ControlModifier);
  services->menuAnswers.push_back(0);
  services->yesNoAnswers.push_back(true);
  const QPoint at = Table().visualItemRect(Table().item(2, 0)).center();
  QTest::mouseClick(Table().viewport(), Qt::RightButton, {}, at);
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, Table().viewport()->mapToGlobal(at));
  QApplication::sendEvent(Table().viewport(), &menu);
  EXPECT_EQ(services->menusShown.back(), (std::vector<std::string>{"Delete", "Copy"}));
  EXPECT_EQ(services->questions.back(), "Delete segments X 0, X 1 and X 2?");
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(Table().rowCount(), 12);
  EXPECT_EQ(Computed(), original);
}

TEST_F(SegmentsTable, TheSelectionIsReportedAmongEachDirectionsEnabledSegments) {
  OpenSample();
  std::vector<std::array<std::vector<int>, 3>> reported;
  Frame().PointsAndFaces()->SetSegmentSelectionHandler(
      [&](std::array<std::vector<int>, 3> lines) { reported.push_back(std::move(lines)); });
  ClickCheckBox(1);  // X 1 disabled: X 2 is the second enabled one
  reported.clear();
  Click(2);
  Click(7, Qt::ControlModifier);
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.back(), (std::array<std::vector<int>, 3>{{{1}, {3}, {}}}));
  // The disabled segment is drawn nowhere, so it is in no list.
  Click(1, Qt::ControlModifier);
  EXPECT_EQ(Panel().SelectedLines(), (std::array<std::vector<int>, 3>{{{1}, {3}, {}}}));
  // Enabled again by Undo, the same rows are other places among the enabled segments.
  const size_t before = reported.size();
  Frame().Action(ID_EDIT_UNDO)->trigger();
  ASSERT_EQ(Table().item(1, 0)->checkState(), Qt::Checked);
  ASSERT_GT(reported.size(), before);
  EXPECT_EQ(reported.back(), (std::array<std::vector<int>, 3>{{{1, 2}, {3}, {}}}));
}

// The panel, whose tables would take the whole width, leaves most of the window to the
// photograph; its tables scroll sideways instead.
TEST_F(SegmentsTable, ThePanelLeavesMostOfTheWindowToThePhotograph) {
  OpenSample();
  QApplication::processEvents();
  EXPECT_LE(Frame().PointsAndFaces()->width(), Frame().width() * 2 / 5 + 1);
  EXPECT_GE(View().width(), Frame().width() / 2);
}

}  // namespace
