// The program's dialogs as the user meets them: real Qt windows, typed into and clicked with
// real events. Message boxes are recorded instead of shown.

#include "AppFixture.h"

#include "app/DialogTemplates.h"
#include "app/QtServices.h"
#include "app/QtDialogRunner.h"
#include "dialogs/DialogforParameter.h"
#include "dialogs/GenTextureDialog.h"
#include "dialogs/GetPointDialog.h"
#include "dialogs/InputDialogForVanishPoints.h"
#include "dialogs/QueryTexture.h"
#include "metrology/ReferenceParameters.h"

#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <set>

namespace {

class RealDialogs : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    services.reset();
    services = std::make_unique<CScriptedServices>(&app->QtServices(), CScriptedServices::EDialogs::Real);
  }

  // Runs the steps on the dialog once it is up; the action that opens it follows the call.
  void WhenDialogOpens(std::function<void(CQtDialog&)> steps) {
    QTimer::singleShot(0, [this, steps] {
      CQtDialog* dialog = nullptr;
      for (int attempt = 0; attempt < 300 && !dialog; ++attempt) {
        dialog = dynamic_cast<CQtDialog*>(QApplication::activeModalWidget());
        if (!dialog) QTest::qWait(10);
      }
      if (!dialog) {
        ADD_FAILURE() << "no dialog opened";
        return;
      }
      opened = true;
      steps(*dialog);
      if (dialog->isVisible()) {
        ADD_FAILURE() << "the steps left the dialog open";
        dialog->reject();
      }
    });
  }

  static std::string Text(CQtDialog& dialog, int id) { return dialog.Edit(id)->text().toStdString(); }
  static void Type(CQtDialog& dialog, int id, const char* text) {
    QLineEdit* edit = dialog.Edit(id);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromUtf8(text));
  }
  static void Click(CQtDialog& dialog, int id) {
    auto* button = dialog.findChild<QPushButton*>(QStringLiteral("control%1").arg(id));
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
  }

  bool opened = false;
};

// Typing at once replaces what the first field shows, as in any dialog: the segment dialog's
// first end point, and in the point dialog (whose first controls are buttons) X.
TEST_F(RealDialogs, TheFirstFieldOpensFocusedWithItsTextSelected) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 641, 481));
  const auto typeInto = [this](int field, std::string& typed) {
    WhenDialogOpens([&typed, field](CQtDialog& dialog) {
      QWidget* focused = dialog.focusWidget();
      EXPECT_EQ(focused, dialog.Edit(field));
      if (focused) QTest::keyClicks(focused, QStringLiteral("12"));
      typed = Text(dialog, field);
      Click(dialog, 2);
    });
  };
  std::string segment, point;
  typeInto(1000, segment);
  Command(ID_INPUT_VX);
  ASSERT_TRUE(opened);
  EXPECT_EQ(segment, "12");
  opened = false;
  typeInto(1016, point);
  DoubleClick(QPoint(30, 50));
  ASSERT_TRUE(opened);
  EXPECT_EQ(point, "12");
}

TEST_F(RealDialogs, DoubleClickOpensThePointDialogAtTheClickedPosition) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  SetViewHeight(400);
  struct Shown {
    std::string u, v, id, x, refX;
  } shown;
  WhenDialogOpens([&](CQtDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Dialog");
    shown = {Text(dialog, 1022), Text(dialog, 1023), Text(dialog, 1015), Text(dialog, 1016), Text(dialog, 1017)};
    Click(dialog, 2);
  });
  DoubleClick(QPoint(30, 50));
  ASSERT_TRUE(opened);
  EXPECT_EQ(shown.u, "30");
  EXPECT_EQ(shown.v, "349");
  EXPECT_EQ(shown.id, "0");
  EXPECT_EQ(shown.x, "0");
  EXPECT_EQ(shown.refX, "-1");
  EXPECT_EQ(Model()->m_Points.GetCount(), 0);
  EXPECT_EQ(Model()->m_nMaxId, -1);
  EXPECT_EQ(View().m_bDragging, 0);

  // After panning by (−10, −10) the same click names another pixel.
  Press(QPoint(100, 100));
  MoveTo(QPointF(90, 110));
  Release(QPoint(90, 110));
  ASSERT_EQ(View().m_nPanX, -10);
  ASSERT_EQ(View().m_nPanY, -10);
  opened = false;
  WhenDialogOpens([&](CQtDialog& dialog) {
    shown.u = Text(dialog, 1022);
    shown.v = Text(dialog, 1023);
    Click(dialog, 2);
  });
  DoubleClick(QPoint(30, 50));
  ASSERT_TRUE(opened);
  EXPECT_EQ(shown.u, "20");
  EXPECT_EQ(shown.v, "339");
}

TEST_F(RealDialogs, OkWithTextThatIsNotANumberKeepsThePointDialogOpen) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  bool stayedOpen = false;
  std::string pointIdAfter;
  WhenDialogOpens([&](CQtDialog& dialog) {
    Type(dialog, 1016, "abc");
    Click(dialog, 1);
    stayedOpen = dialog.isVisible();
    Type(dialog, 1016, "2.5");
    Type(dialog, 1018, "-3");
    Type(dialog, 1020, "1e1");
    Click(dialog, 1);
  });
  DoubleClick(QPoint(320, 200));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(services->messages, std::vector<std::string>{"X: please enter a number."});
  ASSERT_EQ(Model()->m_Points.GetCount(), 1);
  const CViewPoint& point = *Model()->m_Points.ElementAt(0);
  EXPECT_EQ(point.m_x, 2.5);
  EXPECT_EQ(point.m_y, -3);
  EXPECT_EQ(point.m_z, 10);
  EXPECT_EQ(point.m_id, 0);
  WhenDialogOpens([&](CQtDialog& dialog) {
    pointIdAfter = Text(dialog, 1015);
    Click(dialog, 2);
  });
  DoubleClick(QPoint(10, 10));
  EXPECT_EQ(pointIdAfter, "1");
}

TEST_F(RealDialogs, SegmentDialogStoresACentredSegment) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 641, 481));
  WhenDialogOpens([&](CQtDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "End Points of Line for Vanish Points");
    Type(dialog, 1000, "320");
    Type(dialog, 1001, "240");
    Type(dialog, 1002, "330");
    Type(dialog, 1003, "260");
    Click(dialog, 1);
  });
  Command(ID_INPUT_VY);
  ASSERT_EQ(View().m_YLines.GetCount(), 1);
  const CLineEndPoints& segment = *View().m_YLines.ElementAt(0);
  EXPECT_EQ(segment.m_Point1[0], -0.5);
  EXPECT_EQ(segment.m_Point1[1], -0.5);
  EXPECT_EQ(segment.m_Point2[0], 9.5);
  EXPECT_EQ(segment.m_Point2[1], 19.5);
  EXPECT_EQ(View().m_XLines.GetCount(), 0);
}

TEST_F(RealDialogs, ParameterDialogCalculatesShowsAndStores) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  Model()->m_Vx[0] = 1, Model()->m_Vy[1] = 1, Model()->m_Vz[2] = 1;
  std::string a, b, A;
  WhenDialogOpens([&](CQtDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "SPECIFY ORIGIN AND ANOTHER ONE POINT FOR a & b & l & A");
    const std::pair<int, const char*> inputs[] = {{1001, "2"},   {1002, "3"},   {1003, "420"}, {1004, "300"},
                                                  {1005, "420"}, {1006, "300"}, {1007, "470"}, {1008, "330"},
                                                  {1009, "10"},  {1015, "320"}, {1016, "240"}};
    for (const auto& [id, text] : inputs) Type(dialog, id, text);
    Click(dialog, 1014);
    a = Text(dialog, 1010), b = Text(dialog, 1011), A = Text(dialog, 1012);
    Click(dialog, 1);
  });
  Command(ID_GET_PARAMETER);
  EXPECT_EQ(a, "50");
  EXPECT_EQ(b, "20");
  EXPECT_EQ(A, "-0.0333333333333333");
  EXPECT_TRUE(services->messages.empty());
  EXPECT_NEAR(Model()->m_HStandardMatrix[0][0], 50, 1e-9);
  EXPECT_NEAR(Model()->m_HStandardMatrix[1][1], 20, 1e-9);
  // The value shown and stored is the 15-digit one the field held at OK.
  EXPECT_EQ(Model()->m_A, -0.0333333333333333);
}

TEST_F(RealDialogs, CancelAfterCaculateLeavesTheSceneModel) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  Model()->m_Vx[0] = 1, Model()->m_Vy[1] = 1, Model()->m_Vz[2] = 1;
  WhenDialogOpens([&](CQtDialog& dialog) {
    Type(dialog, 1001, "2");
    Click(dialog, 1014);  // Z Value 0 and more: computed, and the causes named
    Click(dialog, 2);
  });
  Command(ID_GET_PARAMETER);
  // The 2 × 2 system has a zero row: the solver says "Error" first, then the causes are named.
  ASSERT_EQ(services->messages.size(), 2u);
  EXPECT_EQ(services->messages[0], "Error");
  EXPECT_NE(services->messages[1].find("point x and point y must both be non-zero"), std::string::npos);
  EXPECT_NE(services->messages[1].find("Z Value must not be 0"), std::string::npos);
  EXPECT_EQ(Model()->m_a, 0);
  EXPECT_EQ(Model()->m_HMatrix[2][2], 0);
}

// The scene of the worked example: the point (2, 3, 10) is imaged at (470, 330).
void ReferenceTheScene(CSingleImage& model) {
  model.m_Vx[0] = 1, model.m_Vy[1] = 1, model.m_Vz[2] = 1;
  StoreReferenceParameters(model, 50, 20, -1.0 / 30, 320, 240);
}

TEST_F(RealDialogs, ARefusedZLeavesXYAndTheTypedTextAndTakesTheFocus) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  ReferenceTheScene(*Model());
  struct Seen {
    std::string x, y, z, selected;
    bool zFocused = false;
  } computed, refused;
  bool okRefused = false;
  WhenDialogOpens([&](CQtDialog& dialog) {
    Type(dialog, 1022, "470"), Type(dialog, 1023, "330"), Type(dialog, 1020, "10");
    Click(dialog, 1028);
    computed = {Text(dialog, 1016), Text(dialog, 1018), Text(dialog, 1020), "", false};
    Type(dialog, 1020, "1,2");
    Click(dialog, 1028);
    refused = {Text(dialog, 1016), Text(dialog, 1018), Text(dialog, 1020),
               dialog.Edit(1020)->selectedText().toStdString(), dialog.focusWidget() == dialog.Edit(1020)};
    Click(dialog, 1);
    okRefused = dialog.isVisible();
    Click(dialog, 2);
  });
  DoubleClick(QPoint(320, 200));
  EXPECT_NEAR(std::stod(computed.x), 2, 1e-9);
  EXPECT_NEAR(std::stod(computed.y), 3, 1e-9);
  EXPECT_EQ(refused.x, computed.x);  // not X and Y at the old Z
  EXPECT_EQ(refused.y, computed.y);
  EXPECT_EQ(refused.z, "1,2");
  EXPECT_TRUE(refused.zFocused);
  EXPECT_EQ(refused.selected, "1,2");
  EXPECT_TRUE(okRefused);
  EXPECT_EQ(services->messages, (std::vector<std::string>{"Z: please enter a number.", "Z: please enter a number."}));
  EXPECT_EQ(Model()->m_Points.GetCount(), 0);
}

TEST_F(RealDialogs, MeasuringBeforeGetParameterShowsExactlyTwoBoxes) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  WhenDialogOpens([&](CQtDialog& dialog) {
    Click(dialog, 1028);
    Click(dialog, 2);
  });
  DoubleClick(QPoint(100, 100));
  ASSERT_EQ(services->messages.size(), 2u);
  EXPECT_EQ(services->messages[0], "Error");
  EXPECT_NE(services->messages[1].find("(GetParameter) first"), std::string::npos) << services->messages[1];
}

TEST_F(RealDialogs, TheSegmentDialogRefusesEndPointsLessThanAPixelApart) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  bool stayedOpen = false, point2XFocused = false;
  WhenDialogOpens([&](CQtDialog& dialog) {
    for (int id : {1000, 1002}) Type(dialog, id, "320");
    for (int id : {1001, 1003}) Type(dialog, id, "240");
    Click(dialog, 1);
    stayedOpen = dialog.isVisible();
    point2XFocused = dialog.focusWidget() == dialog.Edit(1002);
    Type(dialog, 1002, "330");
    Click(dialog, 1);
  });
  Command(ID_INPUT_VX);
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(point2XFocused);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(services->messages[0].rfind("The segment from (320, 240) to (320, 240) is shorter than one pixel", 0), 0u)
      << services->messages[0];
  ASSERT_EQ(View().m_XLines.GetCount(), 1);
  EXPECT_EQ(View().m_XLines.ElementAt(0)->m_Point2[0], 10);
}

TEST_F(AppTest, AShiftClickWithoutADragStoresNothingAndOffersNoDirections) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
  services->menuAnswers.push_back(0);  // "X", were it asked
  QTest::mousePress(&View(), Qt::LeftButton, Qt::ShiftModifier, QPoint(40, 60));
  QTest::mouseRelease(&View(), Qt::LeftButton, Qt::ShiftModifier, QPoint(40, 60));
  EXPECT_TRUE(services->menusShown.empty());
  EXPECT_EQ(View().m_XLines.GetCount() + View().m_YLines.GetCount() + View().m_ZLines.GetCount(), 0);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find("shorter than one pixel"), std::string::npos) << services->messages[0];
}

// What every dialog shows fits its control in the font it is shown in: labels and buttons
// their whole text, number fields a 15-digit number ("%.15g" is at most this long without an
// exponent), integer fields any int.
TEST_F(AppTest, EveryDialogShowsItsTextsWholeAndFifteenDigitNumbers) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 64, 48));
  const CSingleImage& model = *Model();
  CInputDialogForVanishPoints segment;
  CDialogforParameter parameters(model);
  CGetPointDialog point(model);
  CGenTextureDialog face(model);
  CQueryTexture query(model);
  const std::set<int> intControls = {1015, 1017, 1019, 1021};  // of the point dialog; the face dialogs hold only ints
  const QString longestDouble = QStringLiteral("-0.000123456789012345");
  const QString longestInt = QStringLiteral("-2147483648");
  for (CDialogModel* dialogModel : std::initializer_list<CDialogModel*>{&segment, &parameters, &point, &face, &query}) {
    const int templateId = dialogModel->TemplateId();
    SCOPED_TRACE(templateId);
    CQtDialog dialog(*dialogModel, *FindDialogTemplate(templateId), &Frame());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QFontMetrics metrics(dialog.font());
    QStyle* style = dialog.style();
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    for (QLabel* label : dialog.findChildren<QLabel*>())
      EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width()) << label->text().toStdString();
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
      EXPECT_LE(metrics.horizontalAdvance(button->text()) + style->pixelMetric(QStyle::PM_ButtonMargin) + 2 * frame,
                button->width())
          << button->text().toStdString();
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
      const int id = edit->objectName().mid(7).toInt();
      const bool holdsInt = templateId >= IDD_GEN_TEXTURE || intControls.count(id);
      constexpr int kLineEditMargin = 2;  // QLineEdit's own space beside its text
      EXPECT_LE(metrics.horizontalAdvance(holdsInt ? longestInt : longestDouble) + 2 * (kLineEditMargin + frame),
                edit->width())
          << "control " << id;
      EXPECT_GE(edit->y(), 0);
    }
    // Nothing sticks out of the window.
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      EXPECT_TRUE(dialog.rect().contains(child->geometry())) << child->objectName().toStdString();
  }
}

TEST_F(AppTest, ANumberLongerThanItsFieldShowsItsStart) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 64, 48));
  CGetPointDialog point(*Model());
  point.m_X = -1.23456789012345e-300;
  CQtDialog dialog(point, *FindDialogTemplate(IDD_GET_POINT), &Frame());
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QLineEdit* edit = dialog.Edit(1016);
  EXPECT_EQ(edit->text().toStdString(), "-1.23456789012345e-300");
  EXPECT_EQ(edit->cursorPosition(), 0);
  // The cursor before the first character stands at the left edge of the text area.
  const int frame = dialog.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  EXPECT_LE(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), frame + 4);
}

TEST_F(AppTest, CaculateWithTooFewSegmentsSaysWhichDirections) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 64, 48));
  for (int i = 0; i < 2; ++i) View().m_XLines.Add(new CLineEndPoints);
  View().m_ZLines.Add(new CLineEndPoints);
  Command(ID_CALCULATE_VANISHING_POINTS);
  EXPECT_EQ(services->messages,
            std::vector<std::string>{"Vanishing points need at least two segments for each direction: Y, Z."});
}

TEST_F(AppTest, CaculateWithRepeatedSegmentsNamesTheDirectionAndStoresNothing) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 64, 48));
  const auto add = [](CRecordArray<CLineEndPoints>& list, double u1, double v1, double u2, double v2) {
    auto* segment = new CLineEndPoints;
    segment->m_Point1[0] = u1, segment->m_Point1[1] = v1, segment->m_Point2[0] = u2, segment->m_Point2[1] = v2;
    list.Add(segment);
  };
  add(View().m_XLines, 0, 0, 30, 0), add(View().m_XLines, 0, 20, 30, 20);
  for (CRecordArray<CLineEndPoints>* list : {&View().m_YLines, &View().m_ZLines})
    for (int copy = 0; copy < 2; ++copy) add(*list, 5, 5, 25, 15);
  Command(ID_CALCULATE_VANISHING_POINTS);
  EXPECT_EQ(services->messages, std::vector<std::string>{"The segments for Y, Z do not determine a vanishing point: "
                                                         "they lie on one line, repeat each other or have no length."});
  EXPECT_EQ(Model()->m_Vx[0], 0);
}

}  // namespace

#include "model/DataFile.h"

namespace {

class DataFileCommands : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    LoadPhotograph(UniformPhotograph("photo.bmp", 640, 480));
    Model()->m_a = 50;
    auto* point = new CViewPoint;
    point->m_id = 0;
    Model()->m_Points.Add(point);
    Model()->m_nMaxId = 0;
  }
};

TEST_F(DataFileCommands, SaveWritesTheSceneAndLoadRestoresIt) {
  const std::string path = dir.File("scene.txt");
  services->AnswerFileDialog(path);
  Command(ID_SAVE_DATA_FILE);
  ASSERT_EQ(services->fileRequests.back().kind, EFileDialogKind::Save);
  EXPECT_EQ(services->fileRequests.back().defaultExtension, "");
  const auto bytes = ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), DataFileText(*Model()));

  Model()->m_a = 7;
  Model()->m_Points.RemoveAll();
  services->AnswerFileDialog(path);
  Command(ID_LOAD_DATA_FILE);
  EXPECT_EQ(services->fileRequests.back().kind, EFileDialogKind::Open);
  EXPECT_EQ(Model()->m_a, 50);
  EXPECT_EQ(Model()->m_Points.GetCount(), 1);
  EXPECT_TRUE(services->messages.empty());

  services->CancelFileDialog();
  Command(ID_LOAD_DATA_FILE);
  EXPECT_EQ(Model()->m_Points.GetCount(), 1);
}

TEST_F(DataFileCommands, AFailedSaveIsToldWithTheFileAndTheReason) {
  const std::string path = dir.File("missing-folder/scene.txt");
  services->AnswerFileDialog(path);
  Command(ID_SAVE_DATA_FILE);
  EXPECT_EQ(services->traces, std::vector<std::string>{"can't save datafile " + path + "!"});
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(services->messages[0].rfind("The data file " + path + " cannot be saved: ", 0), 0u) << services->messages[0];
}

TEST_F(DataFileCommands, FilesThatCannotBeLoadedChangeNothing) {
  const std::string before = DataFileText(*Model());
  WriteFileBytes(dir.File("bad.txt"), {'X', ' ', 'V'});
  services->AnswerFileDialog(dir.File("bad.txt"));
  Command(ID_LOAD_DATA_FILE);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find("Line 1: expected \"X Vanishing Point is\""), std::string::npos)
      << services->messages[0];
  EXPECT_EQ(DataFileText(*Model()), before);

  services->messages.clear();
  services->AnswerFileDialog(dir.File("none.txt"));
  Command(ID_LOAD_DATA_FILE);
  EXPECT_EQ(services->traces.back(), "can't read datafile " + dir.File("none.txt") + "!");
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find(dir.File("none.txt")), std::string::npos);
  EXPECT_EQ(DataFileText(*Model()), before);
}

}  // namespace

#include "export/Vrml.h"

namespace {

class FaceDialogs : public RealDialogs {
 protected:
  void SetUp() override {
    RealDialogs::SetUp();
    LoadPhotograph(Photograph("photo.bmp", 200, 100, [](int x, int y) {
      return std::array<unsigned char, 3>{static_cast<unsigned char>(x), static_cast<unsigned char>(y), 77};
    }));
    const double corners[4][2] = {{20, 10}, {180, 10}, {180, 90}, {20, 90}};
    for (int id = 0; id < 4; ++id) {
      auto* point = new CViewPoint;
      point->m_id = id;
      point->m_u = corners[id][0] - 100, point->m_v = corners[id][1] - 50;
      point->m_x = id, point->m_y = 2 * id, point->m_z = 3;
      Model()->m_Points.Add(point);
    }
    Model()->m_nMaxId = 3;
    services->fileRequests.clear();
  }
  void TypeIds(CQtDialog& dialog, const char* a, const char* b, const char* c, const char* d) {
    Type(dialog, 1027, a), Type(dialog, 1028, b), Type(dialog, 1029, c), Type(dialog, 1030, d);
  }
  void RightClick() { QTest::mousePress(&View(), Qt::RightButton, {}, QPoint(50, 50)); }
  void AddFaceRecord(const char* name, std::array<int, 4> ids) {
    auto* face = new CTextureImage;
    face->SetName(name);
    std::copy(ids.begin(), ids.end(), face->m_pointId);
    Model()->m_Textures.Add(face);
  }
};

TEST_F(FaceDialogs, OkWithoutGenTexRecordsTheIdsAndAnEmptyName) {
  WhenDialogOpens([&](CQtDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "SPECIFY FACE POINTS:");
    TypeIds(dialog, "0", "1", "2", "3");
    Click(dialog, 1);
  });
  RightClick();
  ASSERT_TRUE(opened);
  ASSERT_EQ(Model()->m_Textures.GetCount(), 1);
  const CTextureImage& face = *Model()->m_Textures.ElementAt(0);
  EXPECT_STREQ(face.m_name, "");
  EXPECT_EQ(std::vector<int>(face.m_pointId, face.m_pointId + 4), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(FaceDialogs, GenTexThenCancelLeavesTheFileButNoFace) {
  services->AnswerFileDialog(dir.File("wall"));
  WhenDialogOpens([&](CQtDialog& dialog) {
    TypeIds(dialog, "0", "1", "2", "3");
    Click(dialog, 3);
    EXPECT_TRUE(dialog.isVisible());
    Click(dialog, 2);
  });
  RightClick();
  EXPECT_EQ(Model()->m_Textures.GetCount(), 0);
  EXPECT_TRUE(ReadBmpFile(dir.File("wall.bmp")).Succeeded());
  EXPECT_FALSE(ReadFileBytes(dir.File("wall.gif")).empty());
}

TEST_F(FaceDialogs, TheLastGenTexNamesTheFace) {
  services->AnswerFileDialog(dir.File("a"));
  services->AnswerFileDialog(dir.File("b"));
  WhenDialogOpens([&](CQtDialog& dialog) {
    TypeIds(dialog, "0", "1", "2", "3");
    Click(dialog, 3);
    Click(dialog, 3);
    Click(dialog, 1);
  });
  RightClick();
  ASSERT_EQ(Model()->m_Textures.GetCount(), 1);
  EXPECT_STREQ(Model()->m_Textures.ElementAt(0)->m_name, "b.gif");
}

TEST_F(FaceDialogs, EnterPressesOk) {
  WhenDialogOpens([&](CQtDialog& dialog) {
    TypeIds(dialog, "3", "2", "1", "0");
    QTest::keyClick(dialog.Edit(1030), Qt::Key_Return);
  });
  RightClick();
  ASSERT_EQ(Model()->m_Textures.GetCount(), 1);
  EXPECT_EQ(Model()->m_Textures.ElementAt(0)->m_pointId[0], 3);
  EXPECT_TRUE(services->fileRequests.empty());  // "Gen TEX" is not the default button
}

TEST_F(FaceDialogs, QueryShowsAFacesIdsAndOkKeepsItsName) {
  AddFaceRecord("kept.gif", {3, 2, 1, 0});
  std::vector<std::string> shown;
  WhenDialogOpens([&](CQtDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "SELECT TEXTURE");
    EXPECT_EQ(Text(dialog, 1031), "-1");
    Type(dialog, 1031, "0");
    Click(dialog, 5);
    for (int id : {1027, 1028, 1029, 1030}) shown.push_back(Text(dialog, id));
    Click(dialog, 1);
  });
  Command(ID_QUERY_TEXTURE);
  EXPECT_EQ(shown, (std::vector<std::string>{"3", "2", "1", "0"}));
  EXPECT_STREQ(Model()->m_Textures.ElementAt(0)->m_name, "kept.gif");
}

TEST_F(FaceDialogs, QueryOutOfRangeEmptiesTheIdsAndGenTexRenames) {
  AddFaceRecord("old.gif", {0, 1, 2, 3});
  services->AnswerFileDialog(dir.File("new"));
  std::vector<std::string> shown;
  WhenDialogOpens([&](CQtDialog& dialog) {
    TypeIds(dialog, "7", "8", "9", "10");
    Type(dialog, 1031, "1");  // the number of faces: none has it
    Click(dialog, 5);
    for (int id : {1027, 1028, 1029, 1030}) shown.push_back(Text(dialog, id));
    Type(dialog, 1031, "0");
    Click(dialog, 5);
    Click(dialog, 3);
    Click(dialog, 1);
  });
  Command(ID_QUERY_TEXTURE);
  // Ids left in the fields would pass for the ids of a face that does not exist.
  EXPECT_EQ(shown, (std::vector<std::string>{"", "", "", ""}));
  ASSERT_FALSE(services->messages.empty());
  EXPECT_EQ(services->messages.front(), "Face 1 doesn't exist: the only face is number 0.");
  EXPECT_STREQ(Model()->m_Textures.ElementAt(0)->m_name, "new.gif");
  EXPECT_EQ(Model()->m_Textures.ElementAt(0)->m_pointId[1], 1);
}

TEST_F(FaceDialogs, QueryWithTheInitialNumberAndOkChangesNothing) {
  AddFaceRecord("old.gif", {0, 1, 2, 3});
  WhenDialogOpens([&](CQtDialog& dialog) { Click(dialog, 1); });
  Command(ID_QUERY_TEXTURE);
  EXPECT_STREQ(Model()->m_Textures.ElementAt(0)->m_name, "old.gif");
}

TEST_F(FaceDialogs, SaveVrmlFileWritesTheSceneAndTellsWhatWasLeftOut) {
  AddFaceRecord("wall.gif", {0, 1, 2, 3});
  AddFaceRecord("typo.gif", {0, 1, 2, 42});
  const std::string path = dir.File("house.wrl");
  services->AnswerFileDialog(path);
  Command(ID_SAVE_VRML_FILE);
  ASSERT_EQ(services->fileRequests.back().kind, EFileDialogKind::Save);
  EXPECT_EQ(services->fileRequests.back().defaultExtension, "wrl");
  const auto bytes = ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), MakeVrmlScene(*Model()).text);
  EXPECT_EQ(services->messages, std::vector<std::string>{"Can't find Vertex when save VRML!!\nFaces left out: 1"});
}

TEST_F(FaceDialogs, AVrmlFileThatCannotBeSavedIsTold) {
  const std::string path = dir.File("no/such/house.wrl");
  services->AnswerFileDialog(path);
  Command(ID_SAVE_VRML_FILE);
  EXPECT_EQ(services->traces.back(), "can't save VRMLfile " + path + "!");
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(services->messages[0].rfind("The VRML file " + path + " cannot be saved: ", 0), 0u);
}

}  // namespace

namespace {

TEST_F(FaceDialogs, SaveGltfAndObjWriteTheirFilesAndTellWhatWasLeftOut) {
  AddFaceRecord("wall.gif", {0, 1, 2, 3});
  AddFaceRecord("typo.gif", {0, 1, 2, 42});
  services->AnswerFileDialog(dir.File("house.glb"));
  Command(ID_SAVE_GLTF_FILE);
  EXPECT_EQ(services->fileRequests.back().defaultExtension, "glb");
  const std::vector<unsigned char> glb = ReadFileBytes(dir.File("house.glb"));
  ASSERT_GE(glb.size(), 4u);
  EXPECT_EQ(std::string(glb.begin(), glb.begin() + 4), "glTF");
  services->AnswerFileDialog(dir.File("house.obj"));
  Command(ID_SAVE_OBJ_FILE);
  EXPECT_EQ(services->fileRequests.back().defaultExtension, "obj");
  for (const char* file : {"house.obj", "house.mtl", "house_face0.png"})
    EXPECT_FALSE(ReadFileBytes(dir.File(file)).empty()) << file;
  EXPECT_TRUE(ReadFileBytes(dir.File("house_face1.png")).empty());  // the face left out
  const std::string leftOut = "Can't find Vertex when save VRML!!\nFaces left out: 1";
  EXPECT_EQ(services->messages, (std::vector<std::string>{leftOut, leftOut}));
}

TEST_F(FaceDialogs, AnObjExportThatCannotBeSavedWritesNoneOfItsFiles) {
  AddFaceRecord("wall.gif", {0, 1, 2, 3});
  const std::string path = dir.File("missing/house.obj");
  services->AnswerFileDialog(path);
  Command(ID_SAVE_OBJ_FILE);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(services->messages[0].rfind("The OBJ files " + path + " cannot be saved: ", 0), 0u) << services->messages[0];
}

// Questions whose likely answer keeps work (restoring it, locating its photograph) take Yes on
// Enter; the others, deletions among them, take No.
TEST(Questions, EnterAnswersYesOnlyWhereYesKeepsWork) {
  struct CRecordingServices : CQtServices {
    int ExecDialog(QDialog& dialog) override {
      auto* box = qobject_cast<QMessageBox*>(&dialog);
      preferred.push_back(box && box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton);
      return QMessageBox::No;
    }
    std::vector<QMessageBox::StandardButton> preferred;
  } services;
  EXPECT_FALSE(services.AskYesNo("Delete point 3?"));
  EXPECT_FALSE(services.AskYesNoPreferringYes("Restore that work?"));
  EXPECT_EQ(services.preferred, (std::vector<QMessageBox::StandardButton>{QMessageBox::No, QMessageBox::Yes}));
}

}  // namespace
