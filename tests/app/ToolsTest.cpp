// The "Modelling" tools and direct manipulation in the real window, through real mouse and key
// events: a dragged segment end moves the vanishing point as the segment typed anew would and is
// undone to the same data file; a dragged point's row follows; the Face tool's clicks fill the
// face dialog; the loupe shows the photograph magnified while a handle moves; a segment tool
// draws its direction; the Point tool measures where it clicks; arrow keys nudge.

#include "AppFixture.h"
#include "app/PointsAndFacesDock.h"
#include "app/SegmentsPanel.h"
#include "dialogs/GenTextureDialog.h"
#include "dialogs/GetPointDialog.h"
#include "model/DataFile.h"
#include "session/Project.h"
#include "session/Session.h"

#include <QTableWidget>
#include <QToolBar>

#include <fstream>
#include <iterator>

namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CProject SampleProject() {
  CProject project;
  std::string error;
  EXPECT_TRUE(ReadProject(FileText(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin"), PELORIN_EXAMPLES_DIR, project, error))
      << error;
  return project;
}

CActionList Shared(const std::vector<CAction>& actions) {
  CActionList list;
  for (const CAction& action : actions) list.push_back(std::make_shared<const CAction>(action));
  return list;
}

class Tools : public AppTest {
 protected:
  // The whole sample photograph in view at pan 0 and zoom 1.
  void SetUp() override {
    AppTest::SetUp();
    Frame().resize(1150, 940);
    QTest::qWait(50);
  }

  void OpenSample() {
    services->AnswerFileDialog(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin");
    Command(ID_FILE_OPEN);
    ASSERT_NE(Model(), nullptr);
    ASSERT_TRUE(services->messages.empty()) << services->messages.front();
    ShowOverlays();
  }

  // Handles are taken where they are drawn.
  void ShowOverlays() {
    if (!Frame().Action(ID_VIEW_OVERLAYS)->isChecked()) Command(ID_VIEW_OVERLAYS);
    ASSERT_TRUE(View().OverlaysShown());
  }

  // The window position of a photograph pixel at pan 0 and zoom 1.
  QPoint WindowOf(int x, int y) { return QPoint(x, View().ClientSize().height() - 1 - y); }

  // A plain 200 × 150 photograph with one Z segment drawn from the pixel (60, 20) to (62, 120),
  // the overlays shown and the Pan tool taken again.
  void PhotographWithOneZSegment() {
    LoadPhotograph(UniformPhotograph("photo.bmp", 200, 150));
    ShowOverlays();
    Key(Qt::Key_3);
    Drag(WindowOf(60, 20), WindowOf(62, 120));
    Key(Qt::Key_P);
  }

  // A left drag as the window system sends it: press, moves one after the other, release.
  void Drag(QPoint from, QPoint to, const std::function<void()>& whileHeld = {},
            Qt::KeyboardModifiers atRelease = Qt::NoModifier) {
    Press(from);
    const int steps = 4;
    for (int k = 1; k <= steps; ++k) MoveTo(QPointF(from + (to - from) * k / steps));
    if (whileHeld) whileHeld();
    leftHeld = false;
    QTest::mouseRelease(&View(), Qt::LeftButton, atRelease, to);
  }

  void Key(Qt::Key key) {
    ActivateFrame();
    QTest::keyClick(&View(), key);
  }

  std::string SavedDataFile(const std::string& name) {
    services->AnswerFileDialog(dir.File(name));
    Command(ID_SAVE_DATA_FILE);
    return FileText(dir.File(name));
  }

  // The points table's row of a point, every cell as shown and in full.
  std::vector<std::string> Row(int id) {
    if (!Frame().PointsAndFaces()->isVisible()) Command(ID_VIEW_POINTS_AND_FACES);
    const QTableWidget& table = *Frame().PointsAndFaces()->PointsTable();
    std::vector<std::string> cells;
    for (int row = 0; row < table.rowCount(); ++row)
      if (table.item(row, 0)->text() == QString::number(id))
        for (int column = 0; column < table.columnCount(); ++column)
          cells.push_back((table.item(row, column)->text() + " | " + table.item(row, column)->toolTip()).toStdString());
    return cells;
  }
};

TEST_F(Tools, TheModellingToolbarHasSixToolsOneCheckedPanFirst) {
  QToolBar* bar = Frame().ModellingBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->windowTitle(), "Modelling");
  const struct {
    int id;
    const char* text;
    const char* key;
  } tools[] = {{ID_TOOL_PAN, "Pan", "P"},         {ID_TOOL_SEGMENT_X, "Segment X", "1"},
               {ID_TOOL_SEGMENT_Y, "Segment Y", "2"}, {ID_TOOL_SEGMENT_Z, "Segment Z", "3"},
               {ID_TOOL_POINT, "Point", "M"},     {ID_TOOL_FACE, "Face", "F"}};
  for (const auto& tool : tools) {
    QAction* action = Frame().Action(tool.id);
    ASSERT_NE(action, nullptr) << tool.text;
    EXPECT_TRUE(bar->actions().contains(action)) << tool.text;
    EXPECT_EQ(action->text(), tool.text);
    EXPECT_EQ(action->shortcut(), QKeySequence(tool.key)) << tool.text;
    EXPECT_FALSE(action->toolTip().isEmpty()) << tool.text;
    EXPECT_EQ(action->isChecked(), tool.id == ID_TOOL_PAN) << tool.text;
  }
  EXPECT_EQ(View().Tool(), ETool::Pan);
  Key(Qt::Key_3);
  EXPECT_EQ(View().Tool(), ETool::SegmentZ);
  EXPECT_TRUE(Frame().Action(ID_TOOL_SEGMENT_Z)->isChecked());
  EXPECT_FALSE(Frame().Action(ID_TOOL_PAN)->isChecked());
  Key(Qt::Key_P);
  EXPECT_EQ(View().Tool(), ETool::Pan);
}

TEST_F(Tools, ADraggedSegmentEndMovesTheVanishingPointAsTheSegmentTypedAnewAndUndoRestoresTheDataFile) {
  OpenSample();
  const std::string before = SavedDataFile("before.txt");
  const double vanishingX = Model()->m_Vx[0];
  // X segment 4 ends alone at (854.275558, 539.349573); dragged 5 pixels to the right, with Alt
  // held at the release so that it stays where it was dragged.
  Drag(WindowOf(854, 539), WindowOf(859, 539), {}, Qt::AltModifier);
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Move Segment End");

  CProject typed = SampleProject();
  int xSegments = 0;
  for (CAction& action : typed.actions)
    if (auto* segment = std::get_if<CSegmentAction>(&action); segment && segment->axis == 0 && ++xSegments == 4)
      segment->ends[2] = 854.275558 + 5;
  CSession anew;
  ASSERT_EQ(anew.Open(std::make_shared<CSingleImage>(1024, 768), typed.photograph, Shared(typed.actions)), "");
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Model()->m_Vx[k], anew.Model()->m_Vx[k]) << k;
  }
  EXPECT_NE(Model()->m_Vx[0], vanishingX);
  EXPECT_EQ(DataFileText(*Model()), DataFileText(*anew.Model()));
  EXPECT_NE(DataFileText(*Model()), before);

  Command(ID_EDIT_UNDO);
  EXPECT_EQ(SavedDataFile("after-undo.txt"), before);
  EXPECT_TRUE(services->messages.empty()) << services->messages.front();
}

// A segment tool's drawing ends without a segment when Esc is pressed, or when the release went
// elsewhere (a menu took the mouse): the next move without the button ends it.
TEST_F(Tools, EscOrALostReleaseEndsASegmentBeingDrawnWithoutOne) {
  OpenSample();
  const size_t actions = app->Document().Session().Actions().size();
  Key(Qt::Key_2);
  for (const bool escape : {true, false}) {
    Press(WindowOf(300, 200));
    MoveTo(QPointF(WindowOf(340, 230)));
    if (escape) {
      QTest::keyClick(&View(), Qt::Key_Escape);
    } else {
      leftHeld = false;  // released over a menu
      MoveTo(QPointF(WindowOf(360, 240)));
    }
    Release(WindowOf(360, 240));
    EXPECT_EQ(app->Document().Session().Actions().size(), actions) << (escape ? "Esc" : "lost release");
  }
  // Drawing still works afterwards.
  Press(WindowOf(300, 200));
  MoveTo(QPointF(WindowOf(340, 230)));
  Release(WindowOf(340, 230));
  EXPECT_EQ(app->Document().Session().Actions().size(), actions + 1);
}

TEST_F(Tools, ADraggedPointsRowFollowsWhileItMovesAndEqualsThePointTypedThere) {
  OpenSample();
  const std::vector<std::string> before = Row(7);
  ASSERT_FALSE(before.empty());
  QTest::qWait(50);  // the dock takes its place beside the view
  // Point 7 lies at (330.871555, 450.440123), its foot at (339.950394, 334.516737).
  const QPoint from = WindowOf(331, 450), to = WindowOf(334, 454);
  std::vector<std::string> during;
  Drag(from, to, [&] { during = Row(7); });
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Move Point 7");
  const std::vector<std::string> after = Row(7);
  EXPECT_EQ(during, after);
  for (size_t column = 1; column <= 5; ++column) EXPECT_NE(after[column], before[column]) << column;

  // The same job with the point typed at the new position, opened as a project.
  CProject typed = SampleProject();
  int points = 0;
  for (CAction& action : typed.actions)
    if (auto* point = std::get_if<CPointAction>(&action); point && points++ == 7)
      point->typed->pixel = {330.871555 + 3, 450.440123 + 4};
  const std::string project = dir.File("typed.pelorin");
  std::ofstream(project, std::ios::binary) << ProjectText(typed.photograph, Shared(typed.actions), dir.Path());
  services->saveAnswers.push_back(ESaveChoice::Discard);
  services->AnswerFileDialog(project);
  Command(ID_FILE_OPEN);
  ASSERT_TRUE(services->messages.empty()) << services->messages.front();
  EXPECT_EQ(Row(7), after);
}

TEST_F(Tools, TheFaceToolsFourClicksFillTheFaceDialogsIds) {
  OpenSample();
  Key(Qt::Key_F);
  ASSERT_EQ(View().Tool(), ETool::Face);
  std::vector<std::string> ids;
  services->ScriptDialog([&ids](CDialogDriver& d) {
    for (int k = 0; k < 4; ++k) ids.push_back(d.Text(IDC_POINT_IDS[k]));
    d.PressOk();
  });
  // Points 3, 0, 4 and 7: the box's left side; 0 and 4 share their places with segment ends.
  for (const QPoint pixel : {QPoint(340, 335), QPoint(428, 274), QPoint(423, 401), QPoint(331, 450)})
    QTest::mouseClick(&View(), Qt::LeftButton, {}, WindowOf(pixel.x(), pixel.y()));
  ASSERT_EQ(services->dialogsRun, std::vector<int>{IDD_GEN_TEXTURE});
  EXPECT_EQ(ids, (std::vector<std::string>{"3", "0", "4", "7"}));
  ASSERT_EQ(Model()->m_Textures.GetCount(), 4);
  EXPECT_EQ(Model()->m_Textures.ElementAt(3)->m_pointId[2], 4);
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Add Face 3");
}

TEST_F(Tools, ASegmentToolDrawsItsDirectionAndThePointToolMeasuresWhereItClicks) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 200, 150));
  const int h = View().ClientSize().height();
  Key(Qt::Key_2);
  Drag(QPoint(20, h - 1 - 100), QPoint(120, h - 1 - 60));
  EXPECT_TRUE(services->menusShown.empty());
  EXPECT_EQ(View().m_YLines.GetCount(), 1);
  EXPECT_EQ(View().m_XLines.GetCount() + View().m_ZLines.GetCount(), 0);
  ASSERT_FALSE(app->Document().Session().Actions().empty());
  EXPECT_EQ(std::get<CSegmentAction>(*app->Document().Session().Actions().back()).ends,
            (std::array<double, 4>{20, 100, 120, 60}));
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Add Segment Y");
  // In the Pan tool the same drag pans and adds nothing.
  Key(Qt::Key_P);
  Press(QPoint(30, h - 1 - 30));
  MoveTo(QPointF(40, h - 1 - 30));
  Release(QPoint(40, h - 1 - 30));
  EXPECT_EQ(View().m_YLines.GetCount(), 1);
  EXPECT_EQ(View().m_nPanX, 10);
  View().OnInitialUpdate();

  Key(Qt::Key_M);
  std::string u, v, id;
  services->ScriptDialog([&](CDialogDriver& d) {
    u = d.Text(IDC_POINT_U), v = d.Text(IDC_POINT_V), id = d.Text(IDC_POINT_ID);
    d.PressOk();
  });
  QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(50, h - 1 - 40));
  ASSERT_EQ(services->dialogsRun, std::vector<int>{IDD_GET_POINT});
  EXPECT_EQ(u, "50");
  EXPECT_EQ(v, "40");
  EXPECT_EQ(id, "0");
  ASSERT_EQ(Model()->m_Points.GetCount(), 1);
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Add Point 0");
}

// Vertical stripes four pixels wide: in the loupe they are 8 times as wide, 32 device pixels.
TEST_F(Tools, TheLoupeShowsThePhotographEightTimesLargerBesideTheCursorWhileAHandleMoves) {
  LoadPhotograph(Photograph("stripes.bmp", 300, 200, [](int x, int) {
    const unsigned char level = (x / 4) % 2 ? 230 : 20;
    return std::array<unsigned char, 3>{level, level, level};
  }));
  // The segment drawn here stays clear of the row read below.
  ShowOverlays();
  const int h = View().ClientSize().height();
  Key(Qt::Key_1);
  EXPECT_TRUE(View().LoupeRect().isEmpty());
  Drag(QPoint(40, h - 1 - 50), QPoint(150, h - 1 - 50));
  ASSERT_EQ(View().m_XLines.GetCount(), 1);
  EXPECT_TRUE(View().LoupeRect().isEmpty());

  std::vector<int> edges;
  QRect loupe;
  Drag(QPoint(150, h - 1 - 50), QPoint(160, h - 1 - 80), [&] {
    ASSERT_TRUE(View().IsDraggingHandle());
    loupe = View().LoupeRect();
    ASSERT_FALSE(loupe.isEmpty());
    const QImage frame = View().m_glContext.Surface()->grabFramebuffer();
    // A row clear of the centre mark, inside the disc.
    const int y = loupe.center().y() + 20;
    bool light = qGray(frame.pixel(loupe.center().x() - 50, y)) > 128;
    for (int x = loupe.center().x() - 50; x <= loupe.center().x() + 50; ++x)
      if ((qGray(frame.pixel(x, y)) > 128) != light) edges.push_back(x), light = !light;
  });
  ASSERT_GE(edges.size(), 3u);
  for (size_t k = 1; k < edges.size(); ++k) {
    EXPECT_NEAR(edges[k] - edges[k - 1], 32, 1) << "edges " << edges[k - 1] << " and " << edges[k];
  }
  // Beside the cursor, not under it.
  EXPECT_FALSE(loupe.contains(QPoint(160, h - 1 - 80)));
  EXPECT_TRUE(View().LoupeRect().isEmpty());
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Move Segment End");
}

TEST_F(Tools, ArrowKeysNudgeTheSelectedHandleEachNudgeOneCommandAndEscapeLetsItGo) {
  PhotographWithOneZSegment();
  const int h = View().ClientSize().height();
  // A click on the top end selects it; the status bar names the handle under the mouse.
  MoveTo(QPointF(62, h - 1 - 120));
  EXPECT_NE(Frame().MessageText().find("x = 62, y = 120  \u2014  Segment Z 0, end 2"), std::string::npos)
      << Frame().MessageText();
  QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(62, h - 1 - 120));
  ASSERT_TRUE(View().SelectedHandle());
  const auto ends = [this] { return std::get<CSegmentAction>(*app->Document().Session().Actions().back()).ends; };
  Key(Qt::Key_Up);
  Key(Qt::Key_Left);
  EXPECT_EQ(ends(), (std::array<double, 4>{60, 20, 61, 121}));
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Move Segment End");
  Command(ID_EDIT_UNDO);
  EXPECT_EQ(ends(), (std::array<double, 4>{60, 20, 62, 121}));

  // Esc during a drag puts the handle back and records nothing.
  Press(QPoint(62, h - 1 - 121));
  MoveTo(QPointF(70, h - 1 - 130));
  ASSERT_TRUE(View().IsDraggingHandle());
  EXPECT_EQ(View().m_ZLines.ElementAt(0)->m_Point2[0], 70 - 100);  // centred: shown while it moves
  Key(Qt::Key_Escape);
  Release(QPoint(70, h - 1 - 130));
  EXPECT_EQ(ends(), (std::array<double, 4>{60, 20, 62, 121}));
  EXPECT_EQ(View().m_ZLines.ElementAt(0)->m_Point2[0], 62 - 100);
  EXPECT_EQ(Frame().Action(ID_EDIT_REDO)->text().toStdString(), "&Redo Move Segment End");
  // With the overlays hidden nothing stays selected, and the same press pans, as it always did.
  Command(ID_VIEW_OVERLAYS);
  EXPECT_FALSE(View().SelectedHandle());
  Press(QPoint(62, h - 1 - 121));
  MoveTo(QPointF(72, h - 1 - 121));
  Release(QPoint(72, h - 1 - 121));
  EXPECT_EQ(View().m_nPanX, 10);
  EXPECT_EQ(ends(), (std::array<double, 4>{60, 20, 62, 121}));
  View().OnInitialUpdate();
  ShowOverlays();
  QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(62, h - 1 - 121));
  ASSERT_TRUE(View().SelectedHandle());
  // Zoomed in beyond 4, a tenth of a pixel.
  View().SetZoom(8, QPointF(62, h - 1 - 120));
  Key(Qt::Key_Right);
  EXPECT_EQ(ends(), (std::array<double, 4>{60, 20, 62 + 0.1, 121}));
  Key(Qt::Key_Escape);
  EXPECT_FALSE(View().SelectedHandle());
  Key(Qt::Key_Right);
  EXPECT_EQ(ends(), (std::array<double, 4>{60, 20, 62 + 0.1, 121}));
}

// A selected handle whose segment Undo takes away is no longer selected: nothing marks it, and
// the arrow keys scroll again instead of moving what is gone.
TEST_F(Tools, UndoingTheSelectedHandlesSegmentLetsTheHandleGo) {
  PhotographWithOneZSegment();
  const int h = View().ClientSize().height();
  QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(62, h - 1 - 120));
  ASSERT_TRUE(View().SelectedHandle());
  Command(ID_EDIT_UNDO);
  EXPECT_TRUE(app->Document().Session().Actions().empty());
  EXPECT_FALSE(View().SelectedHandle());
  Key(Qt::Key_Up);
  EXPECT_TRUE(app->Document().Session().Actions().empty());
  EXPECT_EQ(Frame().Action(ID_EDIT_REDO)->text().toStdString().rfind("&Redo", 0), 0u);
}

// The Segments page follows an end while it is dragged, as the photograph does, and shows it
// back where it was when Esc puts it back.
TEST_F(Tools, TheSegmentsPageFollowsADraggedEnd) {
  PhotographWithOneZSegment();
  Command(ID_VIEW_POINTS_AND_FACES);
  const int h = View().ClientSize().height();
  QTableWidget& table = *Frame().PointsAndFaces()->SegmentsPanel()->Table();
  ASSERT_EQ(table.rowCount(), 1);
  EXPECT_EQ(table.item(0, 2)->text(), QStringLiteral("62, 120"));
  Press(QPoint(62, h - 1 - 120));
  MoveTo(QPointF(70, h - 1 - 130));
  ASSERT_TRUE(View().IsDraggingHandle());
  EXPECT_EQ(table.item(0, 2)->text(), QStringLiteral("70, 130"));
  Key(Qt::Key_Escape);
  Release(QPoint(70, h - 1 - 130));
  EXPECT_EQ(table.item(0, 2)->text(), QStringLiteral("62, 120"));
}

}  // namespace
