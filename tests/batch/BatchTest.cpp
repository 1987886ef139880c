// pelorin-batch as a user runs it: the sample job, a re-export, and jobs that must be refused
// with one line, exit status 2 and no output at all.

#include "ChildProcess.h"
#include "SampleTruth.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using nlohmann::json;

struct CRun {
  int status;
  std::string out, err;
};

CRun RunBatch(const std::string& job, const std::string& prefix = "") {
  CTempDir scratch;
  const std::string command = prefix + "'" PELORIN_BATCH "' '" + job + "' >'" + scratch.File("out") + "' 2>'" +
                              scratch.File("err") + "'";
  const int status = std::system(command.c_str());
  const auto text = [](const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(scratch.File("out")), text(scratch.File("err"))};
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Batch : public ::testing::Test {
 protected:
  // The sample job, with the photograph where it is and the outputs in the test's folder.
  json SampleJob() {
    json job = json::parse(FileText(PELORIN_EXAMPLES_DIR "/sample-job.json"));
    job["photograph"] = PELORIN_EXAMPLES_DIR "/sample-scene.bmp";
    job["outputs"]["folder"] = dir.File("out");
    return job;
  }
  std::string WriteJob(const json& job, const std::string& name = "job.json") {
    std::ofstream(dir.File(name)) << job.dump(1);
    return dir.File(name);
  }
  CTempDir dir;
};

TEST_F(Batch, TheSampleJobMeasuresTheBoxAndWritesWhatTheProgramWrites) {
  const CRun run = RunBatch(WriteJob(SampleJob()));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // The same data file as the program's own "Save Data File" for the same inputs.
  EXPECT_EQ(FileText(dir.File("out/sample-scene.txt")), FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt"));

  const json report = json::parse(run.out);
  const CSampleTruth truth = ReadSampleTruth(PELORIN_EXAMPLES_DIR "/sample-scene-truth.txt");
  const char* order[8] = {"A000", "A100", "A110", "A010", "A001", "A101", "A111", "A011"};
  ASSERT_EQ(report["points"].size(), 8u);
  for (int i = 0; i < 8; ++i) {
    const json& point = report["points"][i];
    const auto& corner = truth.corners.at(order[i]);
    EXPECT_EQ(point["id"], i);
    EXPECT_NEAR(point["world"][0].get<double>(), corner.X, 1e-6) << order[i];
    EXPECT_NEAR(point["world"][1].get<double>(), corner.Y, 1e-6) << order[i];
    EXPECT_NEAR(point["world"][2].get<double>(), corner.Z, 1e-6) << order[i];
    EXPECT_NEAR(point["pixel"][0].get<double>(), corner.x, 1e-9) << order[i];
    // X and Y are computed for every corner, heights only for the top ones (the ground's is typed).
    const json& sigma = point["sigma"];
    EXPECT_GT(sigma[0].get<double>(), 0) << order[i];
    EXPECT_GT(sigma[1].get<double>(), 0) << order[i];
    if (corner.Z == 0)
      EXPECT_TRUE(sigma[2].is_null()) << order[i];
    else
      EXPECT_GT(sigma[2].get<double>(), 0) << order[i];
  }
  // The vertical vanishing point lies far below the photograph (the camera looks down):
  // its direction is (almost) straight down in the image.
  const json& vz = report["vanishing_points"]["Z"];
  EXPECT_GT(std::fabs(vz[1].get<double>()), 0.99);
  EXPECT_EQ(report["faces"].size(), 3u);
  EXPECT_EQ(report["faces"][0]["texture"], "front.gif");
  for (const char* file : {"front.bmp", "front.gif", "side.bmp", "top.gif", "sample-scene.wrl", "sample-scene.glb",
                           "sample-scene.obj", "sample-scene.mtl", "sample-scene_face2.png"})
    EXPECT_FALSE(FileText(dir.File(std::string("out/") + file)).empty()) << file;

  const int validator = std::system(("node '" PELORIN_SOURCE_DIR "/tools/gltf-validator/validate.mjs' '" +
                                     dir.File("out/sample-scene.glb") + "' >/dev/null")
                                        .c_str());
  EXPECT_EQ(validator, 0);
}

TEST_F(Batch, TheReportHoldsTheCameraThatRenderedTheSampleAndItsFilesAreWritten) {
  json job = SampleJob();
  job["outputs"]["fspy"] = "sample-scene.fspy";
  job["outputs"]["colmap"] = "sparse";
  const CRun run = RunBatch(WriteJob(job));
  ASSERT_EQ(run.status, 0) << run.err;
  const json report = json::parse(run.out);
  // The renderer's camera: at (−4.2, −6.3, 4.4), f = 1000 pixels, principal point at the centre
  // of the 1024 × 768 photograph; the segments' ends are exact to 1e-6 pixels.
  const json& camera = report["camera"];
  ASSERT_TRUE(camera.is_object()) << report["warnings"];
  EXPECT_NEAR(camera["focal_px"].get<double>(), 1000, 0.01);
  EXPECT_NEAR(camera["principal_point"][0].get<double>(), 512, 0.01);
  EXPECT_NEAR(camera["principal_point"][1].get<double>(), 384, 0.01);
  const double position[3] = {-4.2, -6.3, 4.4};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(camera["position"][i].get<double>(), position[i], 1e-4) << i;
  EXPECT_NEAR(camera["height"].get<double>(), 4.4, 1e-4);
  EXPECT_NEAR(camera["fov_deg"][0].get<double>(), 2 * std::atan(0.512) * 180 / std::numbers::pi, 1e-3);
  // The third row of the rotation is the viewing direction, towards (1.55, 0.75, 0.35).
  const double look[3] = {1.55 + 4.2, 0.75 + 6.3, 0.35 - 4.4}, length = std::hypot(look[0], look[1], look[2]);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(camera["rotation"][2][i].get<double>(), look[i] / length, 1e-6) << i;
  // Every figure has its σ under the same name; a focal length from a dozen segments typed to
  // half a pixel is known to a few pixels, not to thousandths and not to hundreds.
  const json& sigma = camera["sigma"];
  ASSERT_TRUE(sigma.is_object());
  for (const auto& [name, value] : camera.items()) {
    if (value.is_number() || value.is_array()) {
      EXPECT_TRUE(sigma.contains(name)) << name;
    }
  }
  EXPECT_GT(sigma["focal_px"].get<double>(), 0.1);
  EXPECT_LT(sigma["focal_px"].get<double>(), 100);
  const std::string fspy = FileText(dir.File("out/sample-scene.fspy"));
  EXPECT_EQ(fspy.substr(0, 4), "fspy");
  EXPECT_NE(FileText(dir.File("out/sparse/cameras.txt")).find("1 PINHOLE 1024 768 "), std::string::npos);
  EXPECT_NE(FileText(dir.File("out/sparse/images.txt")).find(" 1 sample-scene.bmp\n"), std::string::npos);
  EXPECT_NE(FileText(dir.File("out/sparse/points3D.txt")).find("# Number of points: 8"), std::string::npos);
}

TEST_F(Batch, WithoutACameraTheOtherOutputsAreWrittenAndAWarningSaysWhy) {
  json job = SampleJob();
  job["parameters"]["ground"]["world"][1] = -2.5;  // Y mirrored: a left-handed world
  job["outputs"]["fspy"] = "sample-scene.fspy";
  job["outputs"]["colmap"] = "sparse";
  const CRun run = RunBatch(WriteJob(job));
  ASSERT_EQ(run.status, 0) << run.err;
  const json report = json::parse(run.out);
  EXPECT_TRUE(report["camera"].is_null());
  ASSERT_EQ(report["warnings"].size(), 3u) << report["warnings"];
  EXPECT_NE(report["warnings"][0].get<std::string>().find("outputs.gltf: Written without a camera: The world axes"),
            std::string::npos)
      << report["warnings"][0];
  EXPECT_NE(report["warnings"][1].get<std::string>().find("outputs.fspy: No camera can be exported: The world axes"),
            std::string::npos)
      << report["warnings"][1];
  EXPECT_NE(report["warnings"][2].get<std::string>().find("outputs.colmap: "), std::string::npos);
  EXPECT_FALSE(FileText(dir.File("out/sample-scene.glb")).empty());
  EXPECT_TRUE(FileText(dir.File("out/sample-scene.fspy")).empty());
  EXPECT_NE(access(dir.File("out/sparse").c_str(), F_OK), 0);
}

TEST_F(Batch, AFinishedJobIsExportedAgainFromItsDataFile) {
  json job = {{"photograph", PELORIN_EXAMPLES_DIR "/sample-scene.bmp"},
              {"data", PELORIN_EXAMPLES_DIR "/sample-scene.txt"},
              {"outputs", {{"folder", dir.File("again")}, {"gltf", "model.glb"}, {"data", "copy.txt"}}}};
  const CRun run = RunBatch(WriteJob(job));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FileText(dir.File("again/copy.txt")), FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt"));
  EXPECT_FALSE(FileText(dir.File("again/model.glb")).empty());
}

TEST_F(Batch, TheSampleProjectRunsAsItsJobAndWritesNothingWithoutOutputs) {
  // Beside its photograph, as the program saved it.
  const std::vector<unsigned char> photograph = ReadFileBytes(PELORIN_EXAMPLES_DIR "/sample-scene.bmp");
  WriteFileBytes(dir.File("sample-scene.bmp"), photograph);
  const std::string project = FileText(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin");
  std::ofstream(dir.File("sample-scene.pelorin")) << project;
  const CRun quiet = RunBatch(dir.File("sample-scene.pelorin"));
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(json::parse(quiet.out)["points"].size(), 8u);
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"sample-scene.bmp", "sample-scene.pelorin"}));

  json withOutputs = json::parse(project);
  withOutputs["outputs"] = {{"folder", "out"}, {"data", "scene.txt"}};
  std::ofstream(dir.File("with-outputs.pelorin")) << withOutputs.dump(2);
  const CRun run = RunBatch(dir.File("with-outputs.pelorin"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FileText(dir.File("out/scene.txt")), FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt"));
  EXPECT_FALSE(FileText(dir.File("out/front.gif")).empty());

  // Another photograph under the project's name is refused, and nothing is written.
  std::vector<unsigned char> other = photograph;
  other.back() ^= 1;
  WriteFileBytes(dir.File("sample-scene.bmp"), other);
  const CRun refused = RunBatch(dir.File("sample-scene.pelorin"));
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "pelorin-batch: " + dir.File("sample-scene.pelorin") + ": photograph: " +
                             dir.File("sample-scene.bmp") +
                             " is not the photograph the project was made on (its SHA-256 differs)\n");
}

TEST_F(Batch, AJobsFurtherReferencesAreFittedAndReported) {
  const CSampleTruth truth = ReadSampleTruth(PELORIN_EXAMPLES_DIR "/sample-scene-truth.txt");
  json job = SampleJob();
  const auto edge = [&](const char* foot, const char* top, double height) {
    const auto& b = truth.corners.at(foot);
    const auto& t = truth.corners.at(top);
    return json{{"foot", {b.x, b.y}}, {"top", {t.x, t.y}}, {"height", height}};
  };
  job["parameters"]["references"] = {edge("A100", "A101", 1.2), edge("A110", "A111", 1.2), edge("A010", "A011", 0)};
  const CRun run = RunBatch(WriteJob(job));
  ASSERT_EQ(run.status, 0) << run.err;
  const json report = json::parse(run.out);
  const json& references = report["references"];
  ASSERT_EQ(references.size(), 4u) << report.dump(1);
  EXPECT_EQ(references[0]["note"], "GetParameter's reference");
  const double A = report["A"].get<double>();
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(references[i]["implied_height"].get<double>(), 1.2, 1e-4) << i;
    EXPECT_NEAR(references[i]["residual"].get<double>(), references[i]["A"].get<double>() - A, 1e-15) << i;
    EXPECT_GT(references[i]["sigma_A"].get<double>(), 0) << i;
  }
  EXPECT_NE(references[3]["note"].get<std::string>().find("Z Value must not be 0"), std::string::npos);
  // The box's top corners on the fitted scale, as exact as the positions.
  EXPECT_NEAR(report["points"][5]["world"][2].get<double>(), 1.2, 1e-4);
}

TEST_F(Batch, HelpExplainsTheJobFormat) {
  const CRun run = RunBatch("--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"segments\""), std::string::npos);
  EXPECT_NE(run.out.find("CACULATE XandY"), std::string::npos);
}

TEST_F(Batch, BadJobsGetOneLineAndNoOutput) {
  struct Case {
    const char* name;
    std::function<void(json&)> change;
    std::string message;  // what the line says after the job's path
  };
  const Case cases[] = {
      {"missing photograph", [](json& j) { j.erase("photograph"); }, "photograph: missing"},
      {"segments not an object", [](json& j) { j["segments"] = 7; }, "segments: expected an object"},
      {"one segment", [](json& j) { j["segments"]["Y"] = json::array({j["segments"]["Y"][0]}); },
       "segments.Y: expected a list of at least two segments [x1, y1, x2, y2]"},
      {"segment shorter than a pixel",
       [](json& j) {
         json& s = j["segments"]["X"][1];
         s[2] = s[0], s[3] = s[1];
       },
       "segments: The segment from ("},
      {"the same segment twice", [](json& j) { j["segments"]["Y"] = json::array({j["segments"]["Y"][0], j["segments"]["Y"][0]}); },
       "segments: The segments for Y do not determine a vanishing point"},
      {"two pieces of one line",
       [](json& j) {
         const std::vector<double> s = j["segments"]["X"][0];
         j["segments"]["X"] = {s, {s[2], s[3], 2 * s[2] - s[0], 2 * s[3] - s[1]}};
       },
       "segments: The segments for X do not determine a vanishing point"},
      {"pixel with one number", [](json& j) { j["points"][3]["pixel"] = {5}; }, "points[3].pixel: expected two numbers"},
      {"height as text", [](json& j) { j["points"][0]["height"] = "low"; }, "points[0].height: expected a number"},
      {"unknown computation", [](json& j) { j["points"][1]["compute"] = {"xy", "volume"}; },
       "points[1].compute[1]: unknown computation \"volume\" (expected reference, height, xy or image)"},
      {"reference to a later point", [](json& j) { j["points"][2]["reference"] = {{"x", 5}}; },
       "points[2].reference.x: no earlier point has id 5 (the points before this one have ids 0 to 1)"},
      {"face with a missing point", [](json& j) { j["faces"][1]["points"][2] = 42; },
       "faces[1].points[2]: no point has id 42 (the job measures 8 points, ids 0 up)"},
      {"texture name with a blank", [](json& j) { j["faces"][0]["texture"] = "my wall"; },
       "faces[0].texture: expected a name of 1 to 47 characters without blanks or folders"},
      {"photograph that cannot be read",
       [](json& j) { j["photograph"] = PELORIN_EXAMPLES_DIR "/sample-scene-truth.txt"; },
       "photograph: " PELORIN_EXAMPLES_DIR "/sample-scene-truth.txt cannot be loaded: "},
      {"second ground point on an axis", [](json& j) { j["parameters"]["ground"]["world"][1] = 0; },
       "parameters: The second ground point must not lie on an axis"},
      {"output in another folder", [](json& j) { j["outputs"]["data"] = "../scene.txt"; },
       "outputs.data: expected a file name without folders (outputs.folder names the folder)"},
      {"output named ..", [](json& j) { j["outputs"]["vrml"] = ".."; },
       "outputs.vrml: expected a file name without folders (outputs.folder names the folder)"},
      {"texture named ..", [](json& j) { j["faces"][0]["texture"] = ".."; },
       "faces[0].texture: expected a name of 1 to 47 characters without blanks or folders"},
      {"OBJ name with a blank", [](json& j) { j["outputs"]["obj"] = "my scene.obj"; },
       "outputs.obj: an OBJ file name cannot hold blanks, tabs or line breaks"},
      {"data and VRML with one name", [](json& j) { j["outputs"]["vrml"] = j["outputs"]["data"]; },
       "outputs.vrml: sample-scene.txt is also written by outputs.data"},
      {"two faces with one texture", [](json& j) { j["faces"][2]["texture"] = j["faces"][0]["texture"]; },
       "faces[2].texture: front.bmp is also written by faces[0].texture"},
      {"a texture named as the data file", [](json& j) { j["outputs"]["data"] = "side.gif"; },
       "faces[1].texture: side.gif is also written by outputs.data"},
  };
  for (const Case& c : cases) {
    json job = SampleJob();
    c.change(job);
    const CRun run = RunBatch(WriteJob(job));
    EXPECT_EQ(run.status, 2) << c.name;
    EXPECT_EQ(run.err.rfind("pelorin-batch: " + dir.File("job.json") + ": " + c.message, 0), 0u)
        << c.name << ": " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.name;
    EXPECT_NE(access(dir.File("out").c_str(), F_OK), 0) << c.name << ": an output folder was made";
  }
  std::ofstream(dir.File("broken.json")) << "{ \"photograph\": ";
  const CRun broken = RunBatch(dir.File("broken.json"));
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(broken.err.find("the file is not JSON"), std::string::npos);
}

TEST_F(Batch, AnOutputFolderWithoutWritePermissionWritesNothing) {
  const std::string locked = dir.File("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
  json job = SampleJob();
  job["outputs"]["folder"] = locked;
  const std::string path = WriteJob(job);
  std::string prefix;
  if (geteuid() == 0) {
    // Root may write anywhere: run the job as nobody, who may read the job but not write there.
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  } else {
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  }
  const CRun run = RunBatch(path, prefix);
  chmod(locked.c_str(), 0755);
  EXPECT_EQ(run.status, 2) << run.out;
  EXPECT_NE(run.err.find("outputs.data: cannot create a file in " + locked + ": Permission denied"), std::string::npos)
      << run.err;
  EXPECT_TRUE(FolderEntries(locked).empty());
}

// The folder must not be readable by nobody from the start: a failure shows in the message.
TEST_F(Batch, AFolderThatCannotBeMadeReportsItsOwnCause) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the job as another user";
  const std::string locked = dir.File("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  json job = SampleJob();
  job["outputs"]["folder"] = locked + "/new/deeper";
  const std::string path = WriteJob(job);
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  const CRun run = RunBatch(path, "setpriv --reuid=65534 --regid=65534 --clear-groups ");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "pelorin-batch: " + path + ": outputs.folder: " + locked + "/new cannot be made: Permission denied\n");
  EXPECT_TRUE(FolderEntries(locked).empty());
}

TEST_F(Batch, WithoutAnOutputFolderTheFilesGoBesideTheJob) {
  ASSERT_EQ(mkdir(dir.File("jobs").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(dir.File("elsewhere").c_str(), 0755), 0);
  json job = SampleJob();
  job["outputs"].erase("folder");
  const std::string path = WriteJob(job, "jobs/job.json");
  const CRun run = RunBatch(path, "cd '" + dir.File("elsewhere") + "' && ");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(FolderEntries(dir.File("elsewhere")).empty());
  EXPECT_EQ(FileText(dir.File("jobs/sample-scene.txt")), FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt"));
  EXPECT_FALSE(FileText(dir.File("jobs/front.gif")).empty());
  // A job named without a folder is beside the working directory's files.
  const CRun local = RunBatch("job.json", "cd '" + dir.File("jobs") + "' && ");
  ASSERT_EQ(local.status, 0) << local.err;
  EXPECT_EQ(json::parse(local.out)["written"][0], "./sample-scene.txt");
}

// An older system's data file names a texture in Latin-1, and the job lies in a folder named in
// Latin-1: the report is JSON all the same, and the files keep their names' bytes.
TEST_F(Batch, NamesThatAreNotUtf8AreReportedAsUtf8) {
  const std::string folder = dir.File("caf\xe9");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string data = FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt");
  const size_t name = data.find("front.gif");
  ASSERT_NE(name, std::string::npos);
  data.replace(name, 5, "fa\xe7" "ade");
  std::ofstream(folder + "/old.txt", std::ios::binary) << data;
  const json job = {{"photograph", PELORIN_EXAMPLES_DIR "/sample-scene.bmp"},
                    {"data", "old.txt"},
                    {"outputs", {{"gltf", "model.glb"}, {"data", "copy.txt"}}}};
  std::ofstream(folder + "/job.json") << job.dump();
  const CRun run = RunBatch(folder + "/job.json");
  ASSERT_EQ(run.status, 0) << run.err;
  const json report = json::parse(run.out, nullptr, false);
  ASSERT_FALSE(report.is_discarded()) << run.out;
  EXPECT_EQ(report["faces"][0]["texture"], "fa\u00e7ade.gif");
  EXPECT_EQ(report["written"], json({dir.File("caf\u00e9/copy.txt"), dir.File("caf\u00e9/model.glb")}));
  EXPECT_EQ(FileText(folder + "/copy.txt"), data);
  // Node reads its arguments as UTF-8, so the validator gets a copy.
  std::ofstream(dir.File("model.glb"), std::ios::binary) << FileText(folder + "/model.glb");
  const int validator = std::system(
      ("node '" PELORIN_SOURCE_DIR "/tools/gltf-validator/validate.mjs' '" + dir.File("model.glb") + "' >/dev/null").c_str());
  EXPECT_EQ(validator, 0);
}

// The output folder is shared and sticky, and the OBJ file there belongs to root: when the job
// runs as another user, that one rename fails after others succeeded. The user's previous data
// file must survive, and nothing new may stay.
TEST_F(Batch, AnOutputThatCannotBeReplacedLeavesEveryPreviousFile) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the files to two users";
  const std::string shared = dir.File("shared");
  ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  std::ofstream(shared + "/sample-scene.txt") << "my previous data\n";
  ASSERT_EQ(chown((shared + "/sample-scene.txt").c_str(), 65534, 65534), 0);
  std::ofstream(shared + "/sample-scene.obj") << "# root's\n";
  ASSERT_EQ(chmod((shared + "/sample-scene.obj").c_str(), 0666), 0);
  json job = SampleJob();
  job["outputs"]["folder"] = shared;
  const std::string path = WriteJob(job);
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  const CRun run = RunBatch(path, "setpriv --reuid=65534 --regid=65534 --clear-groups ");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "pelorin-batch: " + path + ": outputs.obj: cannot replace " + shared +
                         "/sample-scene.obj: Operation not permitted\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(FileText(shared + "/sample-scene.txt"), "my previous data\n");
  EXPECT_EQ(FileText(shared + "/sample-scene.obj"), "# root's\n");
  EXPECT_EQ(FolderEntries(shared), (std::vector<std::string>{"sample-scene.obj", "sample-scene.txt"}));
}

}  // namespace
