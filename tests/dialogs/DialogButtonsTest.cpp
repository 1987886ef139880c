// The dialogs' buttons as a user presses them, through the scripted services: what a refused
// field stops, how many boxes one press shows, and the input that OK refuses or asks about.

#include "ScriptedServices.h"
#include "dialogs/DialogforParameter.h"
#include "dialogs/GenTextureDialog.h"
#include "dialogs/GetPointDialog.h"
#include "dialogs/InputDialogForVanishPoints.h"
#include "dialogs/QueryTexture.h"
#include "metrology/ReferenceParameters.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

namespace {

// 640 × 480 with Vx = (1, 0, 0), Vy = (0, 1, 0), Vz = (0, 0, 1), the world origin imaged at the
// centre, a = 50, b = 20, A = −1/30: the point (2, 3, 10) is imaged at (470, 330).
std::unique_ptr<CSingleImage> ReferencedScene() {
  auto model = std::make_unique<CSingleImage>(640, 480);
  model->m_Vx[0] = 1, model->m_Vy[1] = 1, model->m_Vz[2] = 1;
  StoreReferenceParameters(*model, 50, 20, -1.0 / 30, 320, 240);
  return model;
}

void AddPoint(CSingleImage& model, int id) {
  auto* point = new CViewPoint;
  point->m_id = id;
  point->m_u = 10.0 * id, point->m_v = 5.0 * id;
  model.m_Points.Add(point);
  model.m_nMaxId = std::max(model.m_nMaxId, id);
}

// A typed text that does not convert, and the button pressed after it.
struct RefusedCase {
  const char* name;
  std::function<std::unique_ptr<CDialogModel>(const CSingleImage&)> open;
  int control;
  const char* typed;
  int button;
  const char* message;
};

template <typename Dialog>
std::unique_ptr<CDialogModel> Open(const CSingleImage& model) {
  return std::make_unique<Dialog>(model);
}

TEST(DialogButtons, AFieldThatDoesNotConvertStopsTheButtonNamesTheFieldAndTakesTheFocus) {
  const auto model = ReferencedScene();
  AddPoint(*model, 0);
  const RefusedCase cases[] = {
      {"point, XandY", Open<CGetPointDialog>, 1020, "1,2", IDC_CALCULATE_XY, "Z: please enter a number."},
      {"point, B.u and B.v", Open<CGetPointDialog>, 1020, "abc", IDC_CALCULATE_IMAGE_POSITION,
       "Z: please enter a number."},
      {"point, Z", Open<CGetPointDialog>, 1005, "4..2", IDC_CALCULATE_Z, "b.u: please enter a number."},
      {"point, GET REF", Open<CGetPointDialog>, 1017, "0.5", IDC_GET_REF, "Reference ID of X: please enter an integer."},
      {"parameters", Open<CDialogforParameter>, 1009, "1,2", IDC_CALCULATE_PARAMETERS,
       "Z Value: please enter a number."},
      {"face, Gen TEX", Open<CGenTextureDialog>, 1029, "two", IDC_GEN_TEX, "Point 3 ID: please enter an integer."},
      {"query, Gen TEX", Open<CQueryTexture>, 1028, "", IDC_GEN_TEX, "Point 2 ID: please enter an integer."},
      {"query, QUERY", Open<CQueryTexture>, 1031, "0x", IDC_QUERY, "TEXUTURE  NUMBER: please enter an integer."},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    CScriptedServices services;
    services.AnswerFileDialog("/nonexistent/face");  // taken only if "Gen TEX" went on
    const std::unique_ptr<CDialogModel> dialog = c.open(*model);
    dialog->OnInitDialog();
    // Values that every computation would change, then the refused text.
    for (int id : {1016, 1018, 1005, 1006, 1010, 1011, 1012})
      if (!dialog->ControlText(id).empty()) dialog->SetControlText(id, "7");
    dialog->SetControlText(c.control, c.typed);
    const std::map<int, std::string> before = dialog->ControlTexts();
    dialog->Press(c.button);
    EXPECT_EQ(dialog->ControlTexts(), before);  // nothing computed, nothing shown anew
    EXPECT_EQ(services.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(dialog->TakeFocusRequest(), c.control);
    EXPECT_EQ(services.fileRequests.size(), 0u);
    EXPECT_FALSE(dialog->IsEnded());

    // OK is refused in the same words.
    services.messages.clear();
    dialog->Press(IDOK);
    if (dialog->TemplateId() == IDD_QUERY_TEXTURE && c.control != IDC_TEXTURE_NUMBER) {
      EXPECT_TRUE(dialog->IsEnded());  // OK of "SELECT TEXTURE" reads only the face number
    } else {
      EXPECT_FALSE(dialog->IsEnded());
      EXPECT_EQ(services.messages, std::vector<std::string>{c.message});
    }
  }
}

TEST(DialogButtons, ARefusedZLeavesTheFieldsThatXandYWouldHaveOverwritten) {
  const auto model = ReferencedScene();
  CScriptedServices services;
  CGetPointDialog dialog(*model);
  services.ScriptDialog([](CDialogDriver& d) {
    d.Type(1022, "470"), d.Type(1023, "330"), d.Type(1020, "10");
    d.Press(IDC_CALCULATE_XY);
    EXPECT_NEAR(std::stod(d.Text(1016)), 2, 1e-9);
    d.Type(1020, "1,2");
    d.Press(IDC_CALCULATE_XY);
    EXPECT_NEAR(std::stod(d.Text(1016)), 2, 1e-9);  // not X at the old Z, nor at Z = 1
    EXPECT_NEAR(std::stod(d.Text(1018)), 3, 1e-9);
    EXPECT_EQ(d.Text(1020), "1,2");
    d.PressOk();
    EXPECT_TRUE(d.IsOpen());
    d.PressCancel();
  });
  services.RunModalDialog(dialog);
  EXPECT_EQ(services.messages, (std::vector<std::string>{"Z: please enter a number.", "Z: please enter a number."}));
}

TEST(DialogButtons, MeasuringBeforeTheReferenceParametersShowsTheSolversErrorOnceThenWhatToDo) {
  CSingleImage model(640, 480);
  CScriptedServices services;
  CGetPointDialog dialog(model);
  dialog.OnInitDialog();
  dialog.Press(IDC_CALCULATE_XY);  // M(Z) is all zeros: every column of its inverse meets three zero rows
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_EQ(services.messages[0], "Error");
  EXPECT_NE(services.messages[1].find("set the reference parameters (GetParameter) first"), std::string::npos)
      << services.messages[1];

  // The next press is another action: it says so again.
  dialog.Press(IDC_CALCULATE_XY);
  EXPECT_EQ(services.messages.size(), 4u);
}

TEST(DialogButtons, AComputationThatCannotBeDoneLeavesTheFieldsAsTheyWere) {
  struct Case {
    const char* name;
    int button;
  };
  for (const Case& c : {Case{"X and Y", IDC_CALCULATE_XY}, Case{"Z", IDC_CALCULATE_Z},
                        Case{"image position", IDC_CALCULATE_IMAGE_POSITION}}) {
    CSingleImage model(640, 480);  // no vanishing points, no reference parameters
    CScriptedServices services;
    CGetPointDialog dialog(model);
    dialog.OnInitDialog();
    const std::vector<std::pair<int, std::string>> typed = {
        {1016, "1.5"}, {1018, "-2.5"}, {1020, "0.75"}, {1005, "12"}, {1006, "34"}, {1007, "12"}, {1008, "90"}};
    for (const auto& [control, text] : typed) dialog.SetControlText(control, text);
    dialog.Press(c.button);
    ASSERT_FALSE(services.messages.empty()) << c.name;
    for (const auto& [control, text] : typed)
      EXPECT_EQ(std::stod(dialog.ControlText(control)), std::stod(text)) << c.name << ", control " << control;
    dialog.Press(IDOK);
    EXPECT_EQ(dialog.m_X, 1.5) << c.name;
    EXPECT_EQ(dialog.m_Y, -2.5) << c.name;
    EXPECT_EQ(dialog.m_Z, 0.75) << c.name;
  }
}

TEST(DialogButtons, CaculateBeforeTheVanishingPointsShowsTheSolversErrorAtMostOnce) {
  CSingleImage model(640, 480);
  CScriptedServices services;
  CDialogforParameter dialog(model);
  dialog.OnInitDialog();
  for (auto [id, text] : {std::pair{1001, "2"}, {1002, "3"}, {1003, "420"}, {1004, "300"}, {1009, "10"}})
    dialog.SetControlText(id, text);
  dialog.Press(IDC_CALCULATE_PARAMETERS);
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_EQ(services.messages[0], "Error");
  EXPECT_NE(services.messages[1].find("calculate the vanishing points first"), std::string::npos)
      << services.messages[1];
}

TEST(SegmentDialog, OkRefusesEndPointsLessThanOnePixelApart) {
  struct Case {
    const char* ends[4];
    bool accepted;
  };
  const Case cases[] = {{{"10", "20", "10", "20"}, false},   {{"10", "20", "10.5", "20.5"}, false},
                        {{"10", "20", "10.99", "20"}, false}, {{"10", "20", "11", "20"}, true},
                        {{"10", "20", "10", "19"}, true},     {{"nan", "20", "10", "20"}, false},
                        {{"0", "0", "300", "400"}, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ends[0]) + " " + c.ends[1] + " " + c.ends[2] + " " + c.ends[3]);
    CScriptedServices services;
    CInputDialogForVanishPoints dialog;
    dialog.OnInitDialog();
    for (int k = 0; k < 4; ++k) dialog.SetControlText(1000 + k, c.ends[k]);
    dialog.Press(IDOK);
    EXPECT_EQ(dialog.IsEnded(), c.accepted);
    if (c.accepted) {
      EXPECT_TRUE(services.messages.empty());
    } else {
      ASSERT_EQ(services.messages.size(), 1u);
      EXPECT_EQ(services.messages[0].rfind("The segment from (" + std::string(c.ends[0]) + ", 20) to (", 0), 0u)
          << services.messages[0];
      EXPECT_NE(services.messages[0].find("shorter than one pixel"), std::string::npos);
      EXPECT_EQ(dialog.TakeFocusRequest(), 1002);
    }
  }
}

TEST(FaceDialog, OkWithIdsThatNameNoPointAsksAndNamesThem) {
  const auto model = ReferencedScene();
  for (int id = 0; id < 4; ++id) AddPoint(*model, id);
  CScriptedServices services;
  CGenTextureDialog dialog(*model);
  dialog.OnInitDialog();
  for (auto [id, text] : {std::pair{1027, "0"}, {1028, "12"}, {1029, "2"}, {1030, "42"}}) dialog.SetControlText(id, text);
  services.yesNoAnswers = {false, true};
  dialog.Press(IDOK);
  EXPECT_FALSE(dialog.IsEnded());
  EXPECT_EQ(dialog.TakeFocusRequest(), 1028);
  ASSERT_EQ(services.questions.size(), 1u);
  EXPECT_EQ(services.questions[0].rfind("Points 12 and 42 don't exist.\n", 0), 0u) << services.questions[0];
  dialog.Press(IDOK);
  EXPECT_TRUE(dialog.IsEnded());
  EXPECT_EQ(dialog.PointIds(), (std::array<int, 4>{0, 12, 2, 42}));

  // Ids that all exist are recorded without a question.
  CGenTextureDialog complete(*model);
  complete.OnInitDialog();
  for (int k = 0; k < 4; ++k) complete.SetControlText(1027 + k, std::to_string(3 - k));
  complete.Press(IDOK);
  EXPECT_TRUE(complete.IsEnded());
  EXPECT_EQ(complete.PointIds(), (std::array<int, 4>{3, 2, 1, 0}));
  EXPECT_EQ(services.questions.size(), 2u);
}

TEST(QueryTexture, ANumberThatNoFaceHasEmptiesTheIdsAndSaysSo) {
  const auto model = ReferencedScene();
  auto* face = new CTextureImage;
  for (int k = 0; k < 4; ++k) face->m_pointId[k] = 9 - k;
  model->m_Textures.Add(face);
  CScriptedServices services;
  CQueryTexture dialog(*model);
  dialog.OnInitDialog();
  dialog.SetControlText(1031, "0");
  dialog.Press(IDC_QUERY);
  EXPECT_EQ(dialog.ControlText(1027), "9");
  EXPECT_EQ(dialog.ControlText(1030), "6");
  EXPECT_TRUE(services.messages.empty());

  dialog.SetControlText(1031, "3");
  dialog.Press(IDC_QUERY);
  for (int id : {1027, 1028, 1029, 1030}) EXPECT_EQ(dialog.ControlText(id), "") << id;
  EXPECT_EQ(dialog.ControlText(1031), "3");
  EXPECT_EQ(services.messages, std::vector<std::string>{"Face 3 doesn't exist: the only face is number 0."});
  EXPECT_EQ(dialog.TakeFocusRequest(), 1031);

  // OK needs only the number.
  dialog.Press(IDOK);
  EXPECT_TRUE(dialog.IsEnded());
  EXPECT_EQ(dialog.m_nTextureNumber, 3);
}

}  // namespace
