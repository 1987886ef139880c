// "Detect Segments...", snapping of a hand-drawn segment and "Disable Outliers..." on a rendered
// photograph of three boxes whose edges and vanishing points are known exactly.

#include "AppFixture.h"
#include "LineScenes.h"
#include "app/DetectionPanel.h"
#include "app/DetectionRun.h"
#include "app/PelorinDoc.h"
#include "app/PointsAndFacesDock.h"
#include "app/SegmentsPanel.h"
#include "dialogs/OutlierThresholdDialog.h"
#include "services/NumberText.h"

#include <QCheckBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

constexpr int kWidth = 1024, kHeight = 768;
// How close the vanishing points of detected segments come to the truth: the angle between the
// viewing rays.
constexpr double kVanishingToleranceDegrees = 0.1;
// How close a snapped segment lies to the true edge, in pixels.
constexpr double kSnapTolerancePixels = 0.1;
// The column of the Segments page that shows a snapped segment's fit.
constexpr int kSnapColumn = 6;

const CRenderedScene& Scene() {
  static const CRenderedScene scene = ThreeBoxes(kWidth, kHeight);
  return scene;
}

class Detection : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // The whole 1024 × 768 photograph in view at actual pixels, not fitted.
    Frame().resize(1150, 940);
    QTest::qWait(50);
    for (int attempt = 0; attempt < 100 && !View().m_glContext.m_hRC; ++attempt) QTest::qWait(10);
    CRenderSettings settings;
    settings.blurSigma = 1.0, settings.noiseSigma = 2, settings.jpegQuality = 90;
    const CPixelImage image = Scene().Render(settings);
    const std::string path = dir.File("boxes.bmp");
    ASSERT_TRUE(WriteBmpFile(path, image.pixels.get(), image.width, image.height));
    LoadPhotograph(path);
    ASSERT_NE(Model(), nullptr);
  }

  // The window position that shows the photograph position, in the plain view.
  QPoint WindowAt(double x, double y) {
    const QPointF device = View().DeviceAt(QPointF(x, y));
    return QPoint(static_cast<int>(std::floor(device.x())), static_cast<int>(std::floor(device.y())));
  }
  bool Shown(QPoint p) { return View().rect().contains(p); }
  // What the view shows at a photograph pixel, read back from its frame.
  QRgb ShownAt(double x, double y) {
    View().RepaintNow();
    const QImage frame = View().m_glContext.Surface()->grabFramebuffer();
    return frame.pixel(static_cast<int>(std::floor(x)) - View().m_nPanX,
                       frame.height() - 1 - (static_cast<int>(std::floor(y)) - View().m_nPanY));
  }

  const CActionList& Actions() { return app->Document().Session().Actions(); }
};

TEST_F(Detection, SuggestionsAreToggledByClickAndRubberBandAndAcceptedAsOneUndoableCommand) {
  services->menuAnswers.push_back(0);  // "Whole photograph"
  Command(ID_DETECT_SEGMENTS);
  ASSERT_EQ(services->menusShown.back(), (std::vector<std::string>{"Whole photograph", "Region...", "Cancel"}));
  CDetectionReview* review = View().DetectionReview();
  ASSERT_NE(review, nullptr);
  ASSERT_NE(View().DetectionPanel(), nullptr);
  EXPECT_TRUE(View().DetectionPanel()->isVisible());
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_TRUE(review->Direction(axis).found) << axis << ": " << review->Direction(axis).message;
    EXPECT_GE(review->Count(axis), 5) << axis;
    EXPECT_TRUE(View().DetectionPanel()->Take(axis)->isChecked());
  }
  EXPECT_TRUE(Actions().empty());

  // A click on the middle of a shown vertical suggestion turns it off; a second click on again.
  int clicked = -1;
  for (size_t i = 0; i < review->Segments().size() && clicked < 0; ++i) {
    const CSuggestedSegment& s = review->Segments()[i];
    if (s.axis == 2 && Shown(WindowAt((s.segment.x1 + s.segment.x2) / 2, (s.segment.y1 + s.segment.y2) / 2)))
      clicked = static_cast<int>(i);
  }
  ASSERT_GE(clicked, 0) << "no vertical suggestion in view";
  const CImageSegment& target = review->Segments()[clicked].segment;
  const QPoint middle = WindowAt((target.x1 + target.x2) / 2, (target.y1 + target.y2) / 2);
  const int verticals = review->AcceptedCount(2);
  const double mx = (target.x1 + target.x2) / 2, my = (target.y1 + target.y2) / 2;
  // Accepted, it is drawn in Z's blue, two pixels wide; turned off, no longer (a thin dark shade).
  const QRgb drawn = ShownAt(mx, my);
  EXPECT_GT(qBlue(drawn), 200) << std::hex << drawn;
  EXPECT_GT(qBlue(drawn), qRed(drawn) + 100) << std::hex << drawn;
  QTest::mouseClick(&View(), Qt::LeftButton, {}, middle);
  EXPECT_FALSE(review->Segments()[clicked].accepted);
  const QRgb turnedOff = ShownAt(mx, my);
  EXPECT_LT(qBlue(turnedOff), 140) << std::hex << turnedOff;
  EXPECT_EQ(review->AcceptedCount(2), verticals - 1);
  EXPECT_EQ(View().m_nPanX, 0);  // a click is no pan
  QTest::mouseClick(&View(), Qt::LeftButton, {}, middle);
  EXPECT_TRUE(review->Segments()[clicked].accepted);

  // Ctrl and a drag around that segment turn off every suggestion wholly inside.
  const QPoint a = WindowAt(std::min(target.x1, target.x2) - 3, std::min(target.y1, target.y2) - 3);
  const QPoint b = WindowAt(std::max(target.x1, target.x2) + 3, std::max(target.y1, target.y2) + 3);
  QTest::mousePress(&View(), Qt::LeftButton, Qt::ControlModifier, a);
  QMouseEvent move(QEvent::MouseMove, QPointF(b), View().mapToGlobal(QPointF(b)), Qt::NoButton, Qt::LeftButton,
                   Qt::ControlModifier);
  QApplication::sendEvent(&View(), &move);
  QTest::mouseRelease(&View(), Qt::LeftButton, Qt::ControlModifier, b);
  EXPECT_FALSE(review->Segments()[clicked].accepted);
  EXPECT_EQ(View().m_nPanX, 0);
  size_t pieces = 0;
  for (int axis = 0; axis < 3; ++axis) pieces += review->AcceptedCount(axis);
  // Window sides in a column are pieces of one line, taken as one segment.
  const size_t accepted = review->AcceptedActions({true, true, true}).size();
  EXPECT_LT(accepted, pieces);

  // Accept: the accepted segments and "Caculate " as one command.
  const unsigned long long serial = app->Document().Session().Serial();
  QTest::mouseClick(View().DetectionPanel()->AcceptButton(), Qt::LeftButton);
  EXPECT_EQ(View().DetectionReview(), nullptr);
  EXPECT_FALSE(View().DetectionPanel()->isVisible());
  ASSERT_EQ(Actions().size(), accepted + 1);
  EXPECT_TRUE(std::holds_alternative<CCalculateAction>(*Actions().back()));
  EXPECT_EQ(app->Document().Session().UndoName(), "Add Detected Segments");
  EXPECT_EQ(app->Document().Session().Serial(), serial + 1);
  const double* found[3] = {Model()->m_Vx, Model()->m_Vy, Model()->m_Vz};
  for (int axis = 0; axis < 3; ++axis)
    EXPECT_LT(Scene().RayAngleDegrees({found[axis][0], found[axis][1], found[axis][2]}, Scene().VanishingPoint(axis)),
              kVanishingToleranceDegrees)
        << axis;

  // One Undo takes them all away.
  Command(ID_EDIT_UNDO);
  EXPECT_TRUE(Actions().empty());
  EXPECT_EQ(View().m_XLines.GetCount() + View().m_YLines.GetCount() + View().m_ZLines.GetCount(), 0);
}

TEST_F(Detection, ARegionOfAWallSeenFromTheFrontSuggestsNothingAlongYAndSaysSo) {
  CRenderSettings settings;
  settings.blurSigma = 1.0, settings.noiseSigma = 2;
  const CPixelImage image = LoneWall(kWidth, kHeight).Render(settings);
  const std::string path = dir.File("wall.bmp");
  ASSERT_TRUE(WriteBmpFile(path, image.pixels.get(), image.width, image.height));
  LoadPhotograph(path);

  services->menuAnswers.push_back(1);  // "Region..."
  Command(ID_DETECT_SEGMENTS);
  EXPECT_EQ(View().DetectionReview(), nullptr);  // not before the region is dragged
  const QPoint a(10, 10), b(View().width() - 10, View().height() - 10);
  QTest::mousePress(&View(), Qt::LeftButton, {}, a);
  QMouseEvent move(QEvent::MouseMove, QPointF(b), View().mapToGlobal(QPointF(b)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&View(), &move);
  QTest::mouseRelease(&View(), Qt::LeftButton, {}, b);
  EXPECT_EQ(View().m_nPanX, 0);  // the drag chose the region; it did not pan

  const CDetectionReview* review = View().DetectionReview();
  ASSERT_NE(review, nullptr);
  EXPECT_TRUE(review->Direction(0).found) << review->Direction(0).message;
  EXPECT_TRUE(review->Direction(2).found) << review->Direction(2).message;
  EXPECT_FALSE(review->Direction(1).found);
  EXPECT_EQ(review->Count(1), 0);
  EXPECT_NE(review->Direction(1).message.find("Nothing is suggested for Y"), std::string::npos)
      << review->Direction(1).message;
  EXPECT_FALSE(View().DetectionPanel()->Take(1)->isEnabled());
  EXPECT_FALSE(View().DetectionPanel()->Take(1)->isChecked());
  // Everything found lies in the region (refitting may move an end by a pixel).
  const QPointF from = View().PhotoPositionAt(QPointF(a)), to = View().PhotoPositionAt(QPointF(b));
  constexpr double kSlackPixels = 2;
  for (const CSuggestedSegment& s : review->Segments())
    for (const auto& [x, y] : {std::pair(s.segment.x1, s.segment.y1), std::pair(s.segment.x2, s.segment.y2)}) {
      EXPECT_GE(x, std::min(from.x(), to.x()) - kSlackPixels);
      EXPECT_LE(x, std::max(from.x(), to.x()) + kSlackPixels);
      EXPECT_GE(y, std::min(from.y(), to.y()) - kSlackPixels);
      EXPECT_LE(y, std::max(from.y(), to.y()) + kSlackPixels);
    }

  // X and Z are taken; without Y "Caculate " would be refused, so it is left out.
  const size_t taken = review->AcceptedActions({true, false, true}).size();
  QTest::mouseClick(View().DetectionPanel()->AcceptButton(), Qt::LeftButton);
  ASSERT_EQ(Actions().size(), taken);
  EXPECT_EQ(View().m_XLines.GetCount() + View().m_ZLines.GetCount(), static_cast<int>(taken));
  EXPECT_EQ(View().m_YLines.GetCount(), 0);
}

TEST_F(Detection, ASlowSearchShowsItsProgressAndCancelStopsIt) {
  // A search that reports its progress and goes on until it is cancelled (or 20 s pass).
  std::atomic<double> reported{0};  // written by the worker thread
  SetDirectionsFinder([&reported](const CPixelView&, const std::optional<CPixelRegion>&, const CProgressCallback& progress) {
    CSceneDirections result;
    for (int step = 0; step < 2000; ++step) {
      reported.store(0.25);
      if (!progress(0.25)) {
        result.cancelled = true;
        return result;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return result;
  });
  int shownValue = -1;
  std::function<void()> cancelWhenShown = [&] {
    auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->value() <= 0) {
      QTimer::singleShot(20, cancelWhenShown);
      return;
    }
    shownValue = dialog->value();
    dialog->cancel();
  };
  QTimer::singleShot(0, cancelWhenShown);
  services->menuAnswers.push_back(0);  // "Whole photograph"
  Command(ID_DETECT_SEGMENTS);
  SetDirectionsFinder({});
  EXPECT_EQ(reported.load(), 0.25);
  EXPECT_NEAR(shownValue, 250, 1);  // a quarter of the way
  EXPECT_EQ(View().DetectionReview(), nullptr);
  EXPECT_EQ(services->statusTexts.back(), "Detection was cancelled.");
  EXPECT_TRUE(Actions().empty());
}

// The tall box's vertical corner, its middle 80 %, and the same drawn about 0.8 pixel to one side
// and rounded to whole pixels as the plain view gives them.
struct CHandSegment {
  std::array<double, 4> truth{}, hand{};
  double normal[2] = {};
  // Signed distance of a position from the true edge's line, in pixels.
  double Across(double x, double y) const { return (x - truth[0]) * normal[0] + (y - truth[1]) * normal[1]; }
};

CHandSegment HandSegmentBesideTheTallCorner() {
  const auto p = Scene().Pixel(4, -1, 0.3), q = Scene().Pixel(4, -1, 3.7);
  const double dx = q[0] - p[0], dy = q[1] - p[1], length = std::hypot(dx, dy);
  CHandSegment s;
  s.normal[0] = -dy / length, s.normal[1] = dx / length;
  s.truth = {p[0] + 0.1 * dx, p[1] + 0.1 * dy, q[0] - 0.1 * dx, q[1] - 0.1 * dy};
  for (int k = 0; k < 4; ++k) s.hand[k] = std::round(s.truth[k] + 0.8 * s.normal[k % 2]);
  return s;
}

TEST_F(Detection, AHandSegmentBesideAnEdgeSnapsOntoItUnlessAltIsHeld) {
  const CHandSegment edge = HandSegmentBesideTheTallCorner();
  const auto& hand = edge.hand;
  ASSERT_GT(std::fabs(edge.Across(hand[0], hand[1])), 0.3);
  const QPoint from = WindowAt(hand[0], hand[1]), to = WindowAt(hand[2], hand[3]);
  ASSERT_TRUE(Shown(from) && Shown(to));

  for (const bool alt : {false, true}) {
    const Qt::KeyboardModifiers modifiers = alt ? Qt::ShiftModifier | Qt::AltModifier : Qt::ShiftModifier;
    services->menuAnswers.push_back(2);  // "Z"
    QTest::mousePress(&View(), Qt::LeftButton, modifiers, from);
    QTest::mouseRelease(&View(), Qt::LeftButton, modifiers, to);
    const auto* segment = std::get_if<CSegmentAction>(Actions().back().get());
    ASSERT_NE(segment, nullptr);
    EXPECT_EQ(segment->axis, 2);
    if (alt) {
      EXPECT_EQ(segment->ends, (std::array<double, 4>{hand[0], hand[1], hand[2], hand[3]}));
      EXPECT_FALSE(segment->snapRms);
      EXPECT_EQ(services->statusTexts.back(), "The segment was kept as drawn (Alt held).");
      continue;
    }
    EXPECT_LT(std::fabs(edge.Across(segment->ends[0], segment->ends[1])), kSnapTolerancePixels);
    EXPECT_LT(std::fabs(edge.Across(segment->ends[2], segment->ends[3])), kSnapTolerancePixels);
    ASSERT_TRUE(segment->snapRms);
    EXPECT_GT(*segment->snapRms, 0);
  }
  // The Segments page tells the snapped segment, with its fit's RMS, from the one kept as drawn.
  Command(ID_VIEW_POINTS_AND_FACES);
  QTableWidget& table = *Frame().PointsAndFaces()->SegmentsPanel()->Table();
  ASSERT_EQ(table.rowCount(), 2);
  ASSERT_EQ(table.horizontalHeaderItem(kSnapColumn)->text(), QStringLiteral("Snap RMS (px)"));
  const auto* snapped = std::get_if<CSegmentAction>(Actions()[0].get());
  EXPECT_EQ(table.item(0, kSnapColumn)->text().toStdString(), FormatFixed(*snapped->snapRms, 2));
  EXPECT_EQ(table.item(1, kSnapColumn)->text(), QString());
}

// A segment kept beside its edge with Alt, then one end dragged along the edge: on release it
// snaps onto the edge, as a drawn one does; with Alt held at the release it stays as dragged.
TEST_F(Detection, ADraggedSegmentSnapsOntoItsEdgeUnlessAltIsHeld) {
  if (!View().OverlaysShown()) Command(ID_VIEW_OVERLAYS);  // handles are taken where they are seen
  const CHandSegment edge = HandSegmentBesideTheTallCorner();
  const auto& hand = edge.hand;
  const double dx = edge.truth[2] - edge.truth[0], dy = edge.truth[3] - edge.truth[1], length = std::hypot(dx, dy);
  services->menuAnswers.push_back(2);  // "Z"
  const Qt::KeyboardModifiers kept = Qt::ShiftModifier | Qt::AltModifier;
  QTest::mousePress(&View(), Qt::LeftButton, kept, WindowAt(hand[0], hand[1]));
  QTest::mouseRelease(&View(), Qt::LeftButton, kept, WindowAt(hand[2], hand[3]));
  const size_t index = Actions().size() - 1;
  ASSERT_NE(std::get_if<CSegmentAction>(Actions()[index].get()), nullptr);

  for (const bool alt : {true, false}) {
    const auto* before = std::get_if<CSegmentAction>(Actions()[index].get());
    // Four pixels along the edge, towards the other end.
    const double along[2] = {before->ends[2] - 4 * dx / length, before->ends[3] - 4 * dy / length};
    const QPoint from = WindowAt(before->ends[2], before->ends[3]), to = WindowAt(along[0], along[1]);
    QTest::mousePress(&View(), Qt::LeftButton, Qt::NoModifier, from);
    for (int k = 1; k <= 4; ++k) QTest::mouseMove(&View(), from + (to - from) * k / 4);
    QTest::mouseRelease(&View(), Qt::LeftButton, alt ? Qt::AltModifier : Qt::NoModifier, to);
    const auto* segment = std::get_if<CSegmentAction>(Actions()[index].get());
    ASSERT_NE(segment, nullptr);
    ASSERT_NE(segment->ends, before->ends) << "the end was not dragged";
    if (alt) {
      EXPECT_FALSE(segment->snapRms);
      EXPECT_GT(std::fabs(edge.Across(segment->ends[0], segment->ends[1])), 0.3);
      EXPECT_EQ(services->statusTexts.back(), "The segment was kept as dragged (Alt held).");
      continue;
    }
    EXPECT_EQ(services->statusTexts.back().rfind("The segment snapped onto the edge beside it (fit RMS ", 0), 0u)
        << services->statusTexts.back();
    ASSERT_TRUE(segment->snapRms);
    EXPECT_LT(std::fabs(edge.Across(segment->ends[0], segment->ends[1])), kSnapTolerancePixels);
    EXPECT_LT(std::fabs(edge.Across(segment->ends[2], segment->ends[3])), kSnapTolerancePixels);
  }
}

TEST_F(Detection, DisableOutliersDisablesTheSegmentsThatMissTheirVanishingPointAndSaysHowMany) {
  // Three true segments a direction, and one X segment turned by 3° about its middle.
  std::vector<CAction> actions;
  const double edges[3][3][2][3] = {{{{0, 0, 0}, {3, 0, 0}}, {{0, 0, 2.5}, {3, 0, 2.5}}, {{0, 2, 2.5}, {3, 2, 2.5}}},
                                    {{{0, 0, 0}, {0, 2, 0}}, {{0, 0, 2.5}, {0, 2, 2.5}}, {{3, 0, 2.5}, {3, 2, 2.5}}},
                                    {{{0, 0, 0}, {0, 0, 2.5}}, {{3, 0, 0}, {3, 0, 2.5}}, {{0, 2, 0}, {0, 2, 2.5}}}};
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& edge : edges[axis]) {
      const auto a = Scene().Pixel(edge[0][0], edge[0][1], edge[0][2]);
      const auto b = Scene().Pixel(edge[1][0], edge[1][1], edge[1][2]);
      actions.push_back(CSegmentAction{axis, {a[0], a[1], b[0], b[1]}, true, std::nullopt});
    }
  const auto a = Scene().Pixel(0, 0, 1), b = Scene().Pixel(3, 0, 1);
  const double mx = (a[0] + b[0]) / 2, my = (a[1] + b[1]) / 2, turn = 3 * 3.14159265358979 / 180;
  const auto turned = [&](const std::array<double, 2>& e) {
    return std::array<double, 2>{mx + (e[0] - mx) * std::cos(turn) - (e[1] - my) * std::sin(turn),
                                 my + (e[0] - mx) * std::sin(turn) + (e[1] - my) * std::cos(turn)};
  };
  actions.insert(actions.begin() + 2, CSegmentAction{0, {turned(a)[0], turned(a)[1], turned(b)[0], turned(b)[1]}, true,
                                                     std::nullopt});
  actions.push_back(CCalculateAction{});
  ASSERT_EQ(app->Document().Append(actions, "Set Up"), "");

  services->ScriptDialog([](CDialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_OUTLIER_THRESHOLD), "0.5");
    d.PressOk();
  });
  Command(ID_DISABLE_OUTLIERS);
  ASSERT_FALSE(services->messages.empty());
  EXPECT_NE(services->messages.back().find("X 1, Y 0, Z 0"), std::string::npos) << services->messages.back();
  EXPECT_EQ(app->Document().Session().UndoName(), "Disable Outliers");
  EXPECT_FALSE(std::get<CSegmentAction>(*Actions()[2]).enabled);
  EXPECT_EQ(View().m_XLines.GetCount(), 3);
  EXPECT_TRUE(std::holds_alternative<CCalculateAction>(*Actions().back()));
  Command(ID_EDIT_UNDO);
  EXPECT_EQ(View().m_XLines.GetCount(), 4);
}

}  // namespace
