// A job whose segments are found in the photograph: the rendered three boxes, of known
// vanishing points, measured with detection alone.

#include "batch/BatchRun.h"
#include "image/Bmp.h"
#include "session/Project.h"

#include "LineScenes.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <string>

namespace {

using nlohmann::json;

// How close the job's vanishing points must come to the truth: the angle between the viewing rays
// through the two. Detection's own fit comes within 0.1°; "Caculate " weighs every segment alike,
// short ones as much as long ones, and lands a little further off.
constexpr double kToleranceDegrees = 0.25;

json Pixel(const std::array<double, 2>& p) { return {p[0], p[1]}; }

TEST(DetectJob, SegmentsFoundInTheRenderedPhotographGiveTheTrueVanishingPointsAndAreReported) {
  const CRenderedScene scene = ThreeBoxes(1024, 768);
  CRenderSettings settings;
  settings.blurSigma = 1.0, settings.noiseSigma = 2, settings.jpegQuality = 90;
  const CPixelImage image = scene.Render(settings);
  CTempDir dir;
  ASSERT_TRUE(WriteBmpFile(dir.File("boxes.bmp"), image.pixels.get(), image.width, image.height));

  const json job = {
      {"photograph", "boxes.bmp"},
      {"segments", {{"detect", true}}},
      {"parameters",
       {{"origin", Pixel(scene.Pixel(0, 0, 0))},
        {"ground", {{"pixel", Pixel(scene.Pixel(3, 2, 0))}, {"world", {3, 2}}}},
        {"vertical", {{"foot", Pixel(scene.Pixel(0, 0, 0))}, {"top", Pixel(scene.Pixel(0, 0, 2.5))}, {"height", 2.5}}}}},
      {"outputs", json::object()}};
  CProject project;
  std::string error;
  ASSERT_TRUE(ReadProject(job.dump(), dir.Path(), project, error)) << error;
  ASSERT_TRUE(project.detect);
  const CBatchResult result = RunJob(project, dir.Path());
  ASSERT_TRUE(result.ok) << result.error;

  const json report = json::parse(result.report);
  const char* names[3] = {"X", "Y", "Z"};
  for (int axis = 0; axis < 3; ++axis) {
    const json& v = report["vanishing_points"][names[axis]];
    const std::array<double, 3> found = {v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
    EXPECT_LT(scene.RayAngleDegrees(found, scene.VanishingPoint(axis)), kToleranceDegrees) << names[axis];
    const json& listed = report["segments"][names[axis]];
    EXPECT_GE(listed.size(), 5u) << names[axis];
    for (const json& segment : listed) {
      EXPECT_TRUE(segment["detected"].get<bool>());
      EXPECT_EQ(segment["ends"].size(), 4u);
    }
  }
}

TEST(DetectJob, ADirectionDetectionCannotFindStopsTheJobUnlessItsListGivesTwoSegments) {
  const CRenderedScene scene = LoneWall(1024, 768);
  CRenderSettings settings;
  settings.blurSigma = 1.0, settings.noiseSigma = 2;
  const CPixelImage image = scene.Render(settings);
  CTempDir dir;
  ASSERT_TRUE(WriteBmpFile(dir.File("wall.bmp"), image.pixels.get(), image.width, image.height));
  json job = {{"photograph", "wall.bmp"},
              {"segments", {{"detect", true}}},
              {"parameters",
               {{"origin", Pixel(scene.Pixel(0, 0, 0))},
                {"ground", {{"pixel", Pixel(scene.Pixel(3, -2, 0))}, {"world", {3, -2}}}},
                {"vertical", {{"foot", Pixel(scene.Pixel(4, 0, 0))}, {"top", Pixel(scene.Pixel(4, 0, 2))}, {"height", 2}}}}},
              {"outputs", json::object()}};
  CProject project;
  std::string error;
  ASSERT_TRUE(ReadProject(job.dump(), dir.Path(), project, error)) << error;
  const CBatchResult refused = RunJob(project, dir.Path());
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.error.find("segments.detect: Nothing is suggested for Y"), std::string::npos) << refused.error;

  // Two Y segments by hand (any two lines meeting somewhere): the job runs and says what was missing.
  job["segments"]["Y"] = {{100, 100, 50, 200}, {300, 100, 260, 210}};
  ASSERT_TRUE(ReadProject(job.dump(), dir.Path(), project, error)) << error;
  const CBatchResult done = RunJob(project, dir.Path());
  ASSERT_TRUE(done.ok) << done.error;
  ASSERT_EQ(done.warnings.size(), 1u);
  EXPECT_NE(done.warnings[0].find("Y"), std::string::npos) << done.warnings[0];
  const json report = json::parse(done.report);
  EXPECT_EQ(report["segments"]["Y"].size(), 2u);
  EXPECT_FALSE(report["segments"]["Y"][0]["detected"].get<bool>());
  EXPECT_TRUE(report["segments"]["X"][0]["detected"].get<bool>());
}

TEST(DetectJob, ADirectionLeftOutOfDetectionComesFromItsListAndARegionIsRead) {
  const std::string text = R"({"photograph": "p.bmp",
    "segments": {"detect": {"x": true, "y": true}, "region": [10, 20, 600, 400],
                 "Z": [[1, 2, 3, 40], [5, 2, 7, 40]]},
    "parameters": {"origin": [0, 0], "ground": {"pixel": [1, 1], "world": [1, 1]},
                   "vertical": {"foot": [0, 0], "top": [0, 5], "height": 1}}, "outputs": {}})";
  CProject project;
  std::string error;
  ASSERT_TRUE(ReadProject(text, "/jobs", project, error)) << error;
  ASSERT_TRUE(project.detect);
  EXPECT_EQ(project.detect->axes, (std::array<bool, 3>{true, true, false}));
  ASSERT_TRUE(project.detect->region);
  EXPECT_EQ(project.detect->region->x1, 600);
  EXPECT_EQ(project.detectBefore, 2u);  // after the two listed Z segments, before "Caculate "

  for (const char* bad : {R"("detect": false)", R"("detect": {"w": true})", R"("detect": true, "region": [1, 2, 3])"}) {
    const std::string job = std::string(R"({"photograph": "p.bmp", "segments": {)") + bad +
                            R"(}, "parameters": {"origin": [0, 0], "ground": {"pixel": [1, 1], "world": [1, 1]},
                   "vertical": {"foot": [0, 0], "top": [0, 5], "height": 1}}})";
    EXPECT_FALSE(ReadProject(job, "/jobs", project, error)) << bad;
    EXPECT_NE(error.find("segments."), std::string::npos) << error;
  }
}

}  // namespace
