// The project file as a user meets it: every action written and read back unchanged, the
// common order written as a job's sections, and bad files refused with one message that names
// the place.

#include "session/Project.h"
#include "session/Sha256.h"

#include "dialogs/GetPointDialog.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

CActionList Shared(const std::vector<CAction>& actions) {
  CActionList list;
  for (const CAction& action : actions) list.push_back(std::make_shared<const CAction>(action));
  return list;
}

CPhotographInfo Photograph() { return {"/photos/house.jpg", 4000, 3000, std::string(64, 'a')}; }

TEST(ProjectFile, EveryKindOfActionIsReadBackAsItWasWritten) {
  CTypedPoint typed;
  typed.pixel = {10.25, 20.5};
  typed.foot = std::array<double, 2>{10, 5};
  typed.top = std::array<double, 2>{11, 40};
  typed.reference = {-1, 3, -1};
  typed.compute = {"reference", "height", "xy"};
  CPointAction steps;
  steps.steps = {{{{IDC_POINT_U, "1.5"}, {IDC_POINT_Z, "2"}}, IDC_CALCULATE_XY},
                 {{{IDC_POINT_U, "1.5"}, {IDC_POINT_Z, "3,5 \" \\ ü"}}, IDOK}};
  CTypedParameters parameters;
  parameters.origin = {1, 2}, parameters.groundPixel = {3, 4}, parameters.groundWorld = {5, 6};
  parameters.foot = {7, 8}, parameters.top = {9, 10}, parameters.height = 1.2, parameters.A = 0.125;
  const std::vector<CAction> actions = {
      CSegmentAction{2, {0.1, 0.2, 300.3, 400.4}, true, 0.125},
      CSegmentAction{0, {1, 2, 3, 4}, false, std::nullopt},
      CCalculateAction{},
      CParametersAction{parameters, {}},
      CPointAction{typed, {}},
      steps,
      CFaceAction{{0, 1, 2, 3}, "front.gif"},
      CFaceAction{{0, 1, 2, 7}, "odd name.bmp"},
      CRenameFaceAction{1, "side.gif"},
      CDeletePointAction{2, 7},
      CDeleteFaceAction{0},
      CDataFileAction{"/data/scene.txt", "X Vanishing Point is 1,2,3\nline \"two\"\n"},
      CMeasurementAction{EMeasurementKind::Area, {0, 1, 5, 4}, 2.4, std::nullopt},
      CMeasurementAction{EMeasurementKind::HeightDifference, {1, 2}, std::nullopt, std::nullopt},
      CMeasurementAction{EMeasurementKind::Area, {}, 1.5, 2},
      CKnownValueAction{1, 1.2},
      CKnownValueAction{0, std::nullopt},
      CDeleteMeasurementAction{0},
      CReferenceHeightAction{{100.5, 20}, {101, 300.25}, 2.5},
      CDeleteReferenceAction{0},
  };
  const std::string text = ProjectText(Photograph(), Shared(actions), "/photos");
  CProject read;
  std::string error;
  ASSERT_TRUE(ReadProject(text, "/photos", read, error)) << error << "\n" << text;
  EXPECT_TRUE(read.isProject);
  EXPECT_EQ(read.photograph, Photograph());
  EXPECT_EQ(read.actions, actions);
  // Not the common order: a list of actions, the photograph beside the project.
  const nlohmann::json doc = nlohmann::json::parse(text);
  EXPECT_TRUE(doc.contains("actions"));
  EXPECT_EQ(doc["photograph"], "house.jpg");
  EXPECT_EQ(doc["actions"][5]["point"]["steps"][1]["fields"]["Z"], "3,5 \" \\ ü");
}

TEST(ProjectFile, TheCommonOrderIsWrittenAsAJobsSections) {
  std::vector<CAction> actions;
  for (int axis = 0; axis < 3; ++axis)
    for (int k = 0; k < 2; ++k)
      actions.push_back(CSegmentAction{axis, {1.0 * axis, 2.0 * k, 50, 60}, k == 0, axis == 2 ? std::optional(0.25) : std::nullopt});
  actions.push_back(CCalculateAction{});
  actions.push_back(CParametersAction{CTypedParameters{}, {}});
  actions.push_back(CReferenceHeightAction{{10, 20}, {11, 80}, 3.0});
  actions.push_back(CReferenceHeightAction{{30, 20}, {31, 60}, 2.0});
  CTypedPoint point;
  point.height = 0;
  point.compute = {"xy"};
  actions.push_back(CPointAction{point, {}});
  actions.push_back(CFaceAction{{0, 0, 0, 0}, ""});
  actions.push_back(CMeasurementAction{EMeasurementKind::Distance, {0, 0}, 2.0, std::nullopt});
  const std::string text = ProjectText(Photograph(), Shared(actions), "/elsewhere");
  const nlohmann::json doc = nlohmann::json::parse(text);
  EXPECT_FALSE(doc.contains("actions"));
  EXPECT_EQ(doc["photograph"], "/photos/house.jpg");
  EXPECT_EQ(doc["segments"]["Y"][0], nlohmann::json({1.0, 0.0, 50.0, 60.0}));
  EXPECT_EQ(doc["segments"]["Y"][1]["disabled"], true);
  // A snapped segment keeps its fit's RMS.
  EXPECT_EQ(doc["segments"]["Z"][0], nlohmann::json({{"ends", {2.0, 0.0, 50.0, 60.0}}, {"snap_rms", 0.25}}));
  EXPECT_EQ(doc["points"][0]["compute"], nlohmann::json({"xy"}));
  EXPECT_EQ(doc["parameters"]["references"][1],
            nlohmann::json({{"foot", {30.0, 20.0}}, {"top", {31.0, 60.0}}, {"height", 2.0}}));
  EXPECT_EQ(doc["measurements"][0], nlohmann::json({{"distance", {0, 0}}, {"true", 2.0}}));
  CProject read;
  std::string error;
  ASSERT_TRUE(ReadProject(text, "/elsewhere", read, error)) << error;
  EXPECT_EQ(read.actions, actions);
}

TEST(ProjectFile, BadFilesAreRefusedWithThePlace) {
  const std::string good = R"("format": "pelorin-project", "version": 1, "photograph": "p.jpg")";
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"{\"format\": ", "the file is not JSON"},
      {"[1, 2]", "file: expected an object"},
      {R"({"format": "other", "version": 1, "photograph": "p.jpg"})", "format: expected \"pelorin-project\""},
      {R"({"format": "pelorin-project", "version": 2, "photograph": "p.jpg"})",
       "version: the project was written by a newer Pelorin (format version 2; this one reads up to 1)"},
      {R"({"format": "pelorin-project", "version": "1", "photograph": "p.jpg"})",
       "version: expected a whole number, 1 or more"},
      {R"({"format": "pelorin-project", "version": 1})", "photograph: missing"},
      {"{" + good + R"(, "photograph_sha256": "xyz"})", "photograph_sha256: expected 64 lower-case hexadecimal digits"},
      {"{" + good + R"(, "photograph_size": [10]})", "photograph_size: expected two whole numbers, width and height"},
      {"{" + good + R"(, "actions": 5})", "actions: expected a list of actions"},
      {"{" + good + R"(, "actions": [{"paint": {}}]})",
       "actions[0]: unknown action \"paint\" (expected segment, calculate, parameters, point, face, rename_face, "
       "delete_point, delete_face, data, measure, delete_measurement, true_value, reference or delete_reference)"},
      {"{" + good + R"(, "actions": [{"measure": {"distance": [1, 2, 3]}}]})",
       "actions[0].measure.distance: expected two point ids"},
      {"{" + good + R"(, "actions": [{"measure": {"known": 2}}]})",
       "actions[0].measure: expected one of \"distance\", \"height\" or \"area\" with its point ids"},
      {"{" + good + R"(, "actions": [{"segment": {"axis": "W", "ends": [1, 2, 3, 4]}}]})",
       "actions[0].segment.axis: expected \"X\", \"Y\" or \"Z\""},
      {"{" + good + R"(, "actions": [{"segment": {"axis": "X", "ends": [1, 2, 3]}}]})",
       "actions[0].segment.ends: expected four numbers"},
      {"{" + good + R"(, "actions": [{"point": {"pixel": [1, "2"], "compute": []}}]})",
       "actions[0].point.pixel: expected two numbers"},
      {"{" + good + R"(, "actions": [{"point": {"steps": [{"fields": {"W": "1"}, "press": "OK"}]}}]})",
       "actions[0].point.steps[0].fields.W: unknown field (expected U, V, X, Y, Z, b.u, b.v, t.u, t.v, ref.x, ref.y, "
       "ref.z, id)"},
      {"{" + good + R"(, "actions": [{"point": {"steps": [{"press": "height"}]}}]})",
       "actions[0].point.steps[0].press: expected \"OK\" last"},
      {"{" + good + R"(, "actions": [{"point": {"steps": [{"press": "fly"}]}}]})",
       "actions[0].point.steps[0].press: unknown button \"fly\" (expected reference, height, xy, image, OK, Cancel)"},
      {"{" + good + R"(, "actions": [{"delete_point": {"row": -1, "id": 3}}]})",
       "actions[0].delete_point.row: expected a row number"},
      {"{" + good + R"(, "actions": [{"face": {"points": [1, 2, 3]}}]})", "actions[0].face.points: expected four point ids"},
      {"{" + good + R"(, "actions": [{"data": {"file": "a.txt"}}]})", "actions[0].data.text: missing"},
  };
  for (const Case& c : cases) {
    CProject project;
    project.actions.push_back(CCalculateAction{});
    std::string error;
    EXPECT_FALSE(ReadProject(c.text, "/p", project, error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
    EXPECT_TRUE(project.actions.empty()) << c.text;
  }
}

TEST(ProjectFile, APhotographOfAnotherSizeOrContentIsNamed) {
  const CPhotographInfo expected = Photograph();
  CPhotographInfo found = expected;
  found.path = "/moved/house.jpg";
  EXPECT_EQ(PhotographDifference(expected, found), "");
  found.width = 3000;
  EXPECT_EQ(PhotographDifference(expected, found),
            "/moved/house.jpg is 3000 x 3000 pixels; the project was made on a photograph of 4000 x 3000 pixels");
  found.width = 4000, found.sha256 = std::string(64, 'b');
  EXPECT_EQ(PhotographDifference(expected, found),
            "/moved/house.jpg is not the photograph the project was made on (its SHA-256 differs)");
  // A job that says nothing of its photograph takes any.
  EXPECT_EQ(PhotographDifference({"/a.jpg", 0, 0, ""}, found), "");
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
