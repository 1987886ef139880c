// The "Points and Faces" dock: its tables follow the scene model, its context menu deletes and
// copies rows, and a deleted face is gone from the data file and the exports.

#include "../metrology/SyntheticReference.h"
#include "AppFixture.h"
#include "CameraScene.h"
#include "SyntheticScene.h"
#include "app/PointsAndFacesDock.h"
#include "dialogs/GetPointDialog.h"
#include "metrology/PointMeasurement.h"
#include "metrology/VanishingPoints.h"
#include "services/NumberText.h"
#include "texture/FaceTexture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QTableWidget>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

class PointsAndFaces : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    LoadPhotograph(UniformPhotograph("scene.bmp", 200, 100));
    // A unit square on the ground (ids 0 … 3) and two points above it (4, 5).
    const double corners[6][5] = {{10, 20, 0, 0, 0},  {60, 20, 1, 0, 0},  {60, 70, 1, 1, 0},
                                  {10, 70, 0, 1, 0},  {10, 90, 0, 0, 1},  {60, 90, 1, 0, 1}};
    for (const auto& c : corners) {
      CPointFields fields;
      fields.m_U = c[0], fields.m_V = c[1], fields.m_X = c[2], fields.m_Y = c[3], fields.m_Z = c[4];
      AddViewPoint(*Model(), fields);
    }
    const int ground[4] = {0, 1, 2, 3}, front[4] = {0, 1, 5, 4}, side[4] = {1, 2, 5, 4};
    AddFace(*Model(), "ground.gif", ground);
    AddFace(*Model(), "front.gif", front);
    AddFace(*Model(), "side.gif", side);
    Command(ID_VIEW_POINTS_AND_FACES);
    ASSERT_TRUE(Dock().isVisible());
  }

  CPointsAndFacesDock& Dock() { return *Frame().PointsAndFaces(); }
  QTableWidget& Points() { return *Dock().PointsTable(); }
  QTableWidget& Faces() { return *Dock().FacesTable(); }

  std::vector<std::string> Row(QTableWidget& table, int row) {
    std::vector<std::string> cells;
    for (int column = 0; column < table.columnCount(); ++column) cells.push_back(table.item(row, column)->text().toStdString());
    return cells;
  }
  std::vector<std::string> Column(QTableWidget& table, int column) {
    std::vector<std::string> cells;
    for (int row = 0; row < table.rowCount(); ++row) cells.push_back(table.item(row, column)->text().toStdString());
    return cells;
  }

  // A right click on the row as the window system delivers it: press, release, context menu.
  void RightClick(QTableWidget& table, int row) {
    const QPoint at = table.visualItemRect(table.item(row, 0)).center();
    QTest::mouseClick(table.viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, table.viewport()->mapToGlobal(at));
    QApplication::sendEvent(table.viewport(), &menu);
  }
  // A left click on the row, with Ctrl to add it to the selection.
  void Click(QTableWidget& table, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(table.viewport(), Qt::LeftButton, modifiers, table.visualItemRect(table.item(row, 0)).center());
  }
  void DeleteRow(QTableWidget& table, int row, bool confirm) {
    services->menuAnswers.push_back(0);
    services->yesNoAnswers.push_back(confirm);
    RightClick(table, row);
  }

  std::string SaveFile(int command, const std::string& name) {
    const std::string path = dir.File(name);
    services->AnswerFileDialog(path);
    Command(command);
    const auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(PointsAndFaces, TheTablesShowPhotographPositionsAndFollowNewPoints) {
  // Points made without the dialogs have no record: their uncertainty is unknown.
  // No reference point shows as an empty cell, not as -1.
  EXPECT_EQ(Row(Points(), 1), (std::vector<std::string>{"1", "60", "20", "1 \u00b1 \u2014", "0 \u00b1 \u2014",
                                                        "0 \u00b1 \u2014", "", "", ""}));
  EXPECT_EQ(Row(Faces(), 2), (std::vector<std::string>{"2", "side.gif", "1", "2", "5", "4", "Yes"}));

  // A point measured by a double-click appears at once.
  services->ScriptDialog([](CDialogDriver& d) { d.PressOk(); });
  DoubleClick(QPoint(30, View().height() - 1 - 40));
  ASSERT_EQ(Points().rowCount(), 7);
  EXPECT_EQ(Row(Points(), 6)[0], "6");

  // Hidden, the dock is unchecked; shown again, it is up to date.
  Command(ID_VIEW_POINTS_AND_FACES);
  EXPECT_FALSE(Dock().isVisible());
  EXPECT_FALSE(Frame().Action(ID_VIEW_POINTS_AND_FACES)->isChecked());
  const int more[4] = {3, 2, 5, 4};
  AddFace(*Model(), "back.gif", more);
  Command(ID_VIEW_POINTS_AND_FACES);
  EXPECT_EQ(Faces().rowCount(), 4);
}

TEST_F(PointsAndFaces, MeasurementsComeFromSelectedRowsOrTypedIdsAndCheckAgainstTrueValues) {
  QTableWidget& measurements = *Dock().MeasurementsTable();
  // Two points selected: a distance from the context menu.
  Click(Points(), 0);
  Click(Points(), 1, Qt::ControlModifier);
  services->menuAnswers.push_back(2);
  RightClick(Points(), 1);
  EXPECT_EQ(services->menusShown.back(),
            (std::vector<std::string>{"Delete", "Copy", "Measure Distance", "Measure Height difference"}));
  ASSERT_EQ(measurements.rowCount(), 1);
  // These points were typed: their σ, and so the distance's, is not known.
  EXPECT_EQ(Row(measurements, 0), (std::vector<std::string>{"Distance 0\u20131", "1 \u00b1 \u2014", "", "", ""}));

  // Typed ids: a height difference, and ids that name no point.
  auto* kind = Dock().findChild<QComboBox*>();
  auto* ids = Dock().findChild<QLineEdit*>();
  ASSERT_TRUE(kind && ids);
  kind->setCurrentIndex(1);
  QTest::keyClicks(ids, "0 42");
  QTest::keyClick(ids, Qt::Key_Return);
  EXPECT_EQ(services->messages, std::vector<std::string>{"Point 42 doesn't exist."});
  EXPECT_EQ(measurements.rowCount(), 1);
  ids->clear();
  QTest::keyClicks(ids, "4 0");
  QTest::keyClick(ids, Qt::Key_Return);
  ASSERT_EQ(measurements.rowCount(), 2);
  EXPECT_EQ(Row(measurements, 1)[0], "Height difference 4\u20130");
  EXPECT_EQ(Row(measurements, 1)[1], "1 \u00b1 \u2014");

  // A face's area from its context menu: the unit square standing at the front.
  services->menuAnswers.push_back(2);
  RightClick(Faces(), 1);
  ASSERT_EQ(measurements.rowCount(), 3);
  EXPECT_EQ(Row(measurements, 2)[0], "Area 0, 1, 5, 4");
  EXPECT_EQ(Row(measurements, 2)[1], "1 \u00b1 \u2014");

  // A true value typed into its cell gives the difference (one command); an empty cell takes it
  // away, and a cell that holds no number is refused.
  measurements.item(1, 2)->setText(QStringLiteral("1.25"));
  EXPECT_EQ(Row(measurements, 1)[2], "1.25");
  EXPECT_EQ(Row(measurements, 1)[3], "-0.25");
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Set Known Value of Measurement 1");
  measurements.item(1, 2)->setText(QStringLiteral("high"));
  EXPECT_EQ(services->messages.back(), "Known: please enter a number.");
  EXPECT_EQ(Row(measurements, 1)[2], "1.25");
  measurements.item(1, 2)->setText(QString());
  EXPECT_EQ(Row(measurements, 1)[2], "");
  EXPECT_EQ(Row(measurements, 1)[3], "");

  // Copy: value and σ in columns of their own, under a header.
  measurements.selectRow(0);
  EXPECT_EQ(CPointsAndFacesDock::SelectedRowsText(measurements),
            "Measurement\tValue\t\u03c3\tKnown\tDifference\t|\u0394|/\u03c3\n"
            "Distance 0\u20131\t1\t\t\t\t\n");

  // Four points selected, listed in id order: the area of the square they span, its corners put
  // in order around it.
  Click(Points(), 0);
  for (int row : {1, 4, 5}) Click(Points(), row, Qt::ControlModifier);
  services->menuAnswers.push_back(2);
  RightClick(Points(), 5);
  EXPECT_EQ(services->menusShown.back(), (std::vector<std::string>{"Delete", "Copy", "Measure Area"}));
  ASSERT_EQ(measurements.rowCount(), 4);
  EXPECT_EQ(Row(measurements, 3)[0], "Area 0, 1, 5, 4");
  EXPECT_EQ(Row(measurements, 3)[1], "1 \u00b1 \u2014");
}

TEST_F(PointsAndFaces, DeletingAFaceRenumbersTheLaterOnesEverywhere) {
  DeleteRow(Faces(), 1, /*confirm=*/false);
  EXPECT_EQ(services->menusShown.back(), (std::vector<std::string>{"Delete", "Copy", "Measure Area"}));
  EXPECT_EQ(services->questions,
            std::vector<std::string>{"Delete face 1 (front.gif)? The later faces move down one number."});
  EXPECT_EQ(Model()->m_Textures.GetCount(), 3);

  DeleteRow(Faces(), 1, /*confirm=*/true);
  EXPECT_EQ(Column(Faces(), 0), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(Column(Faces(), 1), (std::vector<std::string>{"ground.gif", "side.gif"}));

  // Query Texture uses the new numbers.
  std::vector<std::string> shown;
  services->ScriptDialog([&](CDialogDriver& d) {
    d.Type(1031, "1");
    d.Press(5);
    for (int id : {1027, 1028, 1029, 1030}) shown.push_back(d.Text(id));
    d.PressOk();
  });
  Command(ID_QUERY_TEXTURE);
  EXPECT_EQ(shown, (std::vector<std::string>{"1", "2", "5", "4"}));

  const std::string data = SaveFile(ID_SAVE_DATA_FILE, "scene.txt");
  EXPECT_NE(data.find("side.gif"), std::string::npos);
  EXPECT_EQ(data.find("front.gif"), std::string::npos);
  const std::string vrml = SaveFile(ID_SAVE_VRML_FILE, "scene.wrl");
  EXPECT_EQ(vrml.find("front.gif"), std::string::npos);
  EXPECT_NE(vrml.find("side.gif"), std::string::npos);
  // OBJ materials are named by face number: two faces, numbered 0 and 1.
  const std::string obj = SaveFile(ID_SAVE_OBJ_FILE, "scene.obj");
  EXPECT_NE(obj.find("usemtl face1\n"), std::string::npos);
  EXPECT_EQ(obj.find("face2"), std::string::npos);
  EXPECT_EQ(services->menusShown.size(), 2u);  // one menu per right click
}

TEST_F(PointsAndFaces, DeletingAPointKeepsIdsAndMarksItsFaces) {
  DeleteRow(Points(), 5, /*confirm=*/true);
  EXPECT_EQ(services->questions.back(), "Delete point 5? Faces with this corner are left out of the exports.");
  EXPECT_EQ(Column(Points(), 0), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  EXPECT_EQ(Model()->m_nMaxId, 5);
  EXPECT_EQ(Column(Faces(), 6), (std::vector<std::string>{"Yes", "No", "No"}));
  EXPECT_NE(Faces().item(1, 0)->background(), Faces().item(0, 0)->background());

  // The next point takes a new id, not the deleted one.
  services->ScriptDialog([](CDialogDriver& d) { d.PressOk(); });
  DoubleClick(QPoint(30, View().height() - 1 - 40));
  EXPECT_EQ(Row(Points(), 5)[0], "6");

  const std::string scene = SaveFile(ID_SAVE_VRML_FILE, "scene.wrl");
  EXPECT_NE(scene.find("ground.gif"), std::string::npos);
  EXPECT_EQ(scene.find("front.gif"), std::string::npos);
  EXPECT_EQ(scene.find("side.gif"), std::string::npos);
}

TEST_F(PointsAndFaces, DeleteRemovesEverySelectedRowAfterOneQuestion) {
  Click(Points(), 1);
  Click(Points(), 3, Qt::ControlModifier);
  Click(Points(), 4, Qt::ControlModifier);
  DeleteRow(Points(), 3, /*confirm=*/true);
  EXPECT_EQ(services->questions,
            std::vector<std::string>{"Delete points 1, 3 and 4? Faces with these corners are left out of the exports."});
  EXPECT_EQ(Column(Points(), 0), (std::vector<std::string>{"0", "2", "5"}));
  EXPECT_TRUE(Points().selectedItems().empty()) << "rows that moved into the deleted positions stay unselected";

  // Answering No keeps every row.
  Click(Faces(), 0);
  Click(Faces(), 2, Qt::ControlModifier);
  services->menuAnswers.push_back(0);
  services->yesNoAnswers.push_back(false);
  RightClick(Faces(), 2);
  EXPECT_EQ(Faces().rowCount(), 3);
}

TEST_F(PointsAndFaces, TheDeleteKeyDeletesTheSelectedRows) {
  Click(Faces(), 0);
  Click(Faces(), 2, Qt::ControlModifier);
  services->yesNoAnswers.push_back(true);
  QTest::keyClick(&Faces(), Qt::Key_Delete);
  EXPECT_EQ(services->questions, std::vector<std::string>{"Delete faces 0 (ground.gif) and 2 (side.gif)? The later "
                                                          "faces move down to fill the gaps."});
  EXPECT_EQ(Column(Faces(), 1), (std::vector<std::string>{"front.gif"}));
  EXPECT_EQ(Model()->m_Textures.GetCount(), 1);

  Click(Points(), 5);
  services->yesNoAnswers.push_back(true);
  QTest::keyClick(&Points(), Qt::Key_Delete);
  EXPECT_EQ(services->questions.back(), "Delete point 5? Faces with this corner are left out of the exports.");
  EXPECT_EQ(Points().rowCount(), 5);
}

TEST_F(PointsAndFaces, ANegativeZeroShowsAsZero) {
  CPointFields fields;
  fields.m_U = 20, fields.m_V = 30, fields.m_X = -0.0, fields.m_Y = -1e-300, fields.m_Z = 0;
  AddViewPoint(*Model(), fields);
  Dock().Refresh();
  EXPECT_EQ(Row(Points(), 6)[3], "0 \u00b1 \u2014");
  EXPECT_EQ(Row(Points(), 6)[4], "-1e-300 \u00b1 \u2014");
}

TEST_F(PointsAndFaces, CopyPutsTheSelectedRowsOnTheClipboard) {
  Points().selectRow(0);
  Points().selectionModel()->select(Points().model()->index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  services->menuAnswers.push_back(1);
  RightClick(Points(), 2);
  // A header row, then value and σ in columns of their own (σ empty where it is not known).
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "Id\tU\tV\tX\t\u03c3 X\tY\t\u03c3 Y\tZ\t\u03c3 Z\tRef X\tRef Y\tRef Z\n"
            "0\t10\t20\t0\t\t0\t\t0\t\t\t\t\n"
            "2\t60\t70\t1\t\t1\t\t0\t\t\t\t\n");
  EXPECT_TRUE(services->questions.empty());
  EXPECT_EQ(Model()->m_Points.GetCount(), 6);
}

// A point measured on a synthetic scene through the dialog has a σ; the table shows its value
// to the digits that σ supports and the full value in a tool tip.
TEST_F(AppTest, TheTableShowsValuesToThePrecisionOfTheirSigma) {
  std::mt19937 random(11);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 1024, 768, true);
  LoadPhotograph(UniformPhotograph("scene.bmp", scene.Width(), scene.Height()));
  CRecordArray<CLineEndPoints>* lists[3] = {&View().m_XLines, &View().m_YLines, &View().m_ZLines};
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& e : scene.EdgesAlong(axis)) lists[axis]->Add(MakeSegment(*Model(), e[0], e[1], e[2], e[3]));
  Command(ID_CALCULATE_VANISHING_POINTS);
  CReferenceFields reference = SyntheticReference(scene);
  ASSERT_EQ(CalculateReferenceScales(*Model(), reference), "");
  StoreReferenceParameters(*Model(), reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                           reference.m_WorldOriginV);
  app->Document().MeasurementLog().SetReference(*Model(), reference);

  const CBox& box = scene.Boxes()[0];
  const auto corner = scene.Pixel(box.max[0], box.max[1], 0);
  services->ScriptDialog([&](CDialogDriver& d) {
    d.Type(1022, FormatDoubleField(corner[0])), d.Type(1023, FormatDoubleField(corner[1])), d.Type(1020, "0");
    d.Press(IDC_CALCULATE_XY);
    d.PressOk();
  });
  DoubleClick(QPoint(40, 40));
  ASSERT_EQ(Model()->m_Points.GetCount(), 1);
  const CViewPoint& point = *Model()->m_Points.ElementAt(0);
  const auto sigma = app->Document().MeasurementLog().Sigma(point.m_id);
  ASSERT_TRUE(sigma[0] && sigma[1]);

  Command(ID_VIEW_POINTS_AND_FACES);
  const QTableWidget& table = *Frame().PointsAndFaces()->PointsTable();
  const double values[2] = {point.m_x, point.m_y};
  for (int k = 0; k < 2; ++k) {
    const std::string shown = table.item(0, 3 + k)->text().toStdString();
    // σ with two significant digits; the value with as many decimals.
    char sigmaText[64], valueText[64];
    int decimals = 0;
    while (decimals < 15 && *sigma[k] * std::pow(10.0, decimals) < 10) ++decimals;
    std::snprintf(sigmaText, sizeof sigmaText, "%.*f", decimals, *sigma[k]);
    std::snprintf(valueText, sizeof valueText, "%.*f", decimals, values[k]);
    EXPECT_EQ(shown, std::string(valueText) + " \u00b1 " + sigmaText) << "coordinate " << k;
    EXPECT_LT(shown.size(), 24u) << shown;
    const std::string tip = table.item(0, 3 + k)->toolTip().toStdString();
    EXPECT_EQ(std::stod(tip), values[k]) << tip;
  }
}

// Further reference heights typed into the References table: each a command, fitted with
// GetParameter's, a bad one kept with its note, GetParameter's own row not deletable.
TEST_F(AppTest, ReferenceHeightsAreTypedFittedAndDeleted) {
  std::mt19937 random(11);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 1024, 768, true);
  LoadPhotograph(UniformPhotograph("scene.bmp", scene.Width(), scene.Height()));
  ASSERT_EQ(app->Document().Append(CameraJob(scene), "Set Up"), "");
  const double parametersA = Model()->m_A;

  Command(ID_VIEW_POINTS_AND_FACES);
  CPointsAndFacesDock& dock = *Frame().PointsAndFaces();
  QTableWidget& references = *dock.ReferencesTable();
  ASSERT_EQ(references.rowCount(), 1);
  EXPECT_EQ(references.item(0, 6)->text().toStdString(), "GetParameter's reference");

  const auto type = [&](double footU, double footV, double topU, double topV, const std::string& height) {
    const char* names[5] = {"foot_u", "foot_v", "top_u", "top_v", "height"};
    const std::string texts[5] = {FormatDoubleField(footU), FormatDoubleField(footV), FormatDoubleField(topU),
                                  FormatDoubleField(topV), height};
    for (int i = 0; i < 5; ++i) {
      auto* field = dock.findChild<QLineEdit*>(names[i]);
      ASSERT_NE(field, nullptr) << names[i];
      field->clear();
      QTest::keyClicks(field, QString::fromStdString(texts[i]));
    }
    QTest::mouseClick(dock.findChild<QPushButton*>("addReference"), Qt::LeftButton);
  };
  // The first box's edge on the X axis, exact: A agrees with GetParameter's.
  const CBox& box = scene.Boxes()[0];
  const auto foot = scene.Pixel(box.max[0], 0, 0), top = scene.Pixel(box.max[0], 0, box.max[2]);
  type(foot[0], foot[1], top[0], top[1], FormatDoubleField(box.max[2]));
  ASSERT_EQ(references.rowCount(), 2);
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Add Reference Height");
  EXPECT_EQ(references.item(1, 6)->text().toStdString(), "");
  EXPECT_FALSE(references.item(1, 3)->text().isEmpty());
  // Residual and implied height to the decimals A's σ supports; in full in the tool tip.
  EXPECT_NEAR(std::stod(references.item(1, 4)->toolTip().toStdString()), 0, 1e-9 * std::fabs(parametersA));
  EXPECT_NEAR(std::stod(references.item(1, 5)->toolTip().toStdString()), box.max[2], 1e-6);
  EXPECT_LT(references.item(1, 4)->text().size(), 8) << references.item(1, 4)->text().toStdString();
  EXPECT_LT(references.item(1, 5)->text().size(), 8) << references.item(1, 5)->text().toStdString();
  EXPECT_NEAR(Model()->m_A, parametersA, 1e-9 * std::fabs(parametersA));

  // A height that is not a number is refused; a height of 0 is kept with its note.
  type(foot[0], foot[1], top[0], top[1], "tall");
  EXPECT_EQ(services->messages.back(), "Reference height: please enter a number.");
  EXPECT_EQ(references.rowCount(), 2);
  type(foot[0], foot[1], top[0], top[1], "0");
  ASSERT_EQ(references.rowCount(), 3);
  EXPECT_NE(references.item(2, 6)->text().toStdString().find("Z Value must not be 0"), std::string::npos);

  const auto Click = [](QTableWidget& table, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(table.viewport(), Qt::LeftButton, modifiers, table.visualItemRect(table.item(row, 0)).center());
  };
  // Delete: GetParameter's row stays, the others go after one question, as one command.
  references.setFocus();
  Click(references, 0);
  QTest::keyClick(&references, Qt::Key_Delete);
  EXPECT_TRUE(services->questions.empty());
  EXPECT_EQ(references.rowCount(), 3);
  Click(references, 1);
  Click(references, 2, Qt::ControlModifier);
  services->yesNoAnswers.push_back(true);
  QTest::keyClick(&references, Qt::Key_Delete);
  EXPECT_EQ(services->questions.back(), "Delete the selected references?");
  EXPECT_EQ(references.rowCount(), 1);
  EXPECT_EQ(Model()->m_A, parametersA);
  EXPECT_EQ(Frame().Action(ID_EDIT_UNDO)->text().toStdString(), "&Undo Delete Reference Heights");
}

}  // namespace
