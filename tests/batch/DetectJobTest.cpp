// Jobs whose segments are found in the photograph: the rendered three boxes, of known vanishing
// points, and the sample scene of examples/, measured with detection alone.

#include "batch/BatchRun.h"
#include "image/Bmp.h"
#include "session/Project.h"

#include "LineScenes.h"
#include "SampleTruth.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using nlohmann::json;

// How close the job's vanishing points must come to the truth: the angle between the viewing rays
// through the two. "Caculate " weighs every segment alike; it comes as close as detection's own
// fit because pieces of one line (window sides in a column) are taken as one segment.
constexpr double kToleranceDegrees = 0.1;

json Pixel(const std::array<double, 2>& p) { return {p[0], p[1]}; }

// The scene as a camera takes it (soft edges, noise, JPEG), written as a BMP file.
void WriteCameraLike(const CRenderedScene& scene, const std::string& path) {
  CRenderSettings settings;
  settings.blurSigma = 1.0, settings.noiseSigma = 2, settings.jpegQuality = 90;
  const CPixelImage image = scene.Render(settings);
  ASSERT_TRUE(WriteBmpFile(path, image.pixels.get(), image.width, image.height));
}

TEST(DetectJob, SegmentsFoundInTheRenderedPhotographGiveTheTrueVanishingPointsAndAreReported) {
  const CRenderedScene scene = ThreeBoxes(1024, 768);
  CTempDir dir;
  ASSERT_NO_FATAL_FAILURE(WriteCameraLike(scene, dir.File("boxes.bmp")));

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

// The sample scene of examples/ with its segments found by detection alone: the job's own
// references and every box corner at its exact pixel position, so that what is measured shows
// what the detected segments are worth.
TEST(DetectJob, TheSampleSceneSolvedWithDetectedSegmentsPutsEveryCornerWithinHalfAPercent) {
  const CSampleTruth truth = ReadSampleTruth(PELORIN_EXAMPLES_DIR "/sample-scene-truth.txt");
  ASSERT_FALSE(truth.corners.empty());
  const auto pixel = [&](const std::string& name) {
    const CSampleTruth::CPosition& p = truth.corners.at(name);
    return json{p.x, p.y};
  };
  json job = {{"photograph", PELORIN_EXAMPLES_DIR "/sample-scene.bmp"},
              {"segments", {{"detect", true}}},
              {"parameters",
               {{"origin", pixel("A000")},
                {"ground", {{"pixel", {truth.references.at("ground").x, truth.references.at("ground").y}}, {"world", {3.5, 2.5}}}},
                {"vertical", {{"foot", pixel("A000")}, {"top", pixel("A001")}, {"height", 1.2}}}}},
              {"points", json::array()},
              {"outputs", json::object()}};
  // Ground corners first, then each top corner measured from the corner below it.
  std::vector<std::string> order;
  for (const auto& [name, corner] : truth.corners)
    if (name[3] == '0') {
      order.push_back(name);
      job["points"].push_back({{"pixel", pixel(name)}, {"height", 0}, {"compute", {"xy"}}});
    }
  for (const auto& [name, corner] : truth.corners)
    if (name[3] == '1') {
      order.push_back(name);
      std::string below = name;
      below[3] = '0';
      job["points"].push_back({{"pixel", pixel(name)}, {"foot", pixel(below)}, {"compute", {"height", "xy"}}});
    }
  CProject project;
  std::string error;
  ASSERT_TRUE(ReadProject(job.dump(), PELORIN_EXAMPLES_DIR, project, error)) << error;
  const CBatchResult result = RunJob(project, PELORIN_EXAMPLES_DIR);
  ASSERT_TRUE(result.ok) << result.error;
  const json report = json::parse(result.report);
  for (const char* axis : {"X", "Y", "Z"})
    for (const json& segment : report["segments"][axis]) EXPECT_TRUE(segment["detected"].get<bool>());

  ASSERT_EQ(report["points"].size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    const CSampleTruth::CPosition& corner = truth.corners.at(order[i]);
    const json& world = report["points"][i]["world"];
    const double error = std::hypot(world[0].get<double>() - corner.X, world[1].get<double>() - corner.Y,
                                    world[2].get<double>() - corner.Z);
    const double distance = std::hypot(corner.X, corner.Y, corner.Z);
    EXPECT_LE(error, 0.005 * distance + 1e-9) << order[i];
  }
}

// Heights and distances on the rendered three boxes, measured with detected segments alone and
// every point at its exact pixel position: each lies within its σ of the truth, for the usual
// 0.5-pixel positions and for positions read as closely as a snapped edge (0.1 pixel).
TEST(DetectJob, HeightsAndDistancesMeasuredWithDetectedSegmentsLieWithinTheirSigma) {
  const CRenderedScene scene = ThreeBoxes(1024, 768);
  CTempDir dir;
  ASSERT_NO_FATAL_FAILURE(WriteCameraLike(scene, dir.File("boxes.bmp")));

  // Visible ground corners of the three boxes, and the top above each.
  const std::array<double, 3> corners[] = {{0, 0, 0}, {3, 0, 0},  {0, 2, 0},    {4, -1, 0},
                                           {6, -1, 0}, {4, 1.5, 0}, {-1, 3.5, 0}, {1.5, 3.5, 0}};
  const double tops[] = {2.5, 2.5, 2.5, 4, 4, 4, 1.5, 1.5};
  const int count = static_cast<int>(std::size(corners));
  json job = {{"photograph", "boxes.bmp"},
              {"segments", {{"detect", true}}},
              {"parameters",
               {{"origin", Pixel(scene.Pixel(0, 0, 0))},
                {"ground", {{"pixel", Pixel(scene.Pixel(3, 2, 0))}, {"world", {3, 2}}}},
                {"vertical", {{"foot", Pixel(scene.Pixel(0, 0, 0))}, {"top", Pixel(scene.Pixel(0, 0, 2.5))}, {"height", 2.5}}}}},
              {"points", json::array()},
              {"measurements", json::array()},
              {"outputs", json::object()}};
  for (const auto& c : corners)  // ids 0 .. count − 1
    job["points"].push_back({{"pixel", Pixel(scene.Pixel(c[0], c[1], 0))}, {"height", 0}, {"compute", {"xy"}}});
  for (int i = 0; i < count; ++i)  // ids count .. 2·count − 1
    job["points"].push_back({{"pixel", Pixel(scene.Pixel(corners[i][0], corners[i][1], tops[i]))},
                             {"foot", Pixel(scene.Pixel(corners[i][0], corners[i][1], 0))},
                             {"compute", {"height", "xy"}}});
  for (int i = 1; i < count; ++i) job["measurements"].push_back({{"height", {count + i, i}}, {"true", tops[i]}});
  const auto distance = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
  };
  for (const auto& [i, j] : {std::pair{0, 1}, {0, 2}, {3, 4}, {3, 5}, {6, 7}, {0, 3}, {1, 6}, {2, 7}})
    job["measurements"].push_back({{"distance", {i, j}}, {"true", distance(corners[i], corners[j])}});
  for (const auto& [i, j] : {std::pair{0, 3}, {1, 4}, {2, 6}}) {
    const std::array<double, 3> a = {corners[i][0], corners[i][1], tops[i]}, b = {corners[j][0], corners[j][1], tops[j]};
    job["measurements"].push_back({{"distance", {count + i, count + j}}, {"true", distance(a, b)}});
  }

  for (double positionSigma : {0.5, 0.1}) {
    job["position_sigma"] = positionSigma;
    CProject project;
    std::string error;
    ASSERT_TRUE(ReadProject(job.dump(), dir.Path(), project, error)) << error;
    const CBatchResult result = RunJob(project, dir.Path());
    ASSERT_TRUE(result.ok) << result.error;
    const json report = json::parse(result.report);
    ASSERT_EQ(report["measurements"].size(), job["measurements"].size());
    for (const json& m : report["measurements"]) {
      ASSERT_FALSE(m.contains("problem")) << m.dump();
      EXPECT_LE(std::fabs(m["difference"].get<double>()), m["sigma"].get<double>()) << positionSigma << " " << m.dump();
    }
  }
}

}  // namespace
