#include "batch/Job.h"

#include "export/Obj.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <climits>
#include <set>

namespace {

using nlohmann::json;

// Checks values as it reads them and keeps the first failure with its place.
class CReader {
 public:
  bool Failed() const { return !m_error.empty(); }
  const std::string& Error() const { return m_error; }
  void Fail(const std::string& place, const std::string& expected) {
    if (!Failed()) m_error = place + ": " + expected;
  }

  const json* Member(const json& object, const std::string& place, const char* key, bool required) {
    if (Failed()) return nullptr;
    if (!object.is_object()) {
      Fail(place, "expected an object");
      return nullptr;
    }
    auto it = object.find(key);
    if (it == object.end()) {
      if (required) Fail(Join(place, key), "missing");
      return nullptr;
    }
    return &*it;
  }

  double Number(const json& value, const std::string& place) {
    if (!value.is_number()) {
      Fail(place, "expected a number");
      return 0;
    }
    return value.get<double>();
  }

  int Id(const json& value, const std::string& place) {
    if (!value.is_number_integer() || value.get<long long>() < 0 || value.get<long long>() >= INT_MAX) {
      Fail(place, "expected a point id (a whole number, 0 or more)");
      return -1;
    }
    return value.get<int>();
  }

  std::string Text(const json& value, const std::string& place) {
    if (!value.is_string()) {
      Fail(place, "expected a text");
      return {};
    }
    return value.get<std::string>();
  }

  template <size_t N>
  std::array<double, N> Numbers(const json& value, const std::string& place) {
    std::array<double, N> numbers{};
    static const char* kWords[] = {"", "one number", "two numbers", "three numbers", "four numbers"};
    if (!value.is_array() || value.size() != N) {
      Fail(place, std::string("expected ") + kWords[N]);
      return numbers;
    }
    for (size_t i = 0; i < N; ++i) {
      if (!value[i].is_number()) {
        Fail(place, std::string("expected ") + kWords[N]);
        return numbers;
      }
      numbers[i] = value[i].get<double>();
    }
    return numbers;
  }

  static std::string Join(const std::string& place, const std::string& key) {
    return place.empty() ? key : place + "." + key;
  }

 private:
  std::string m_error;
};

std::string Indexed(const std::string& place, size_t index) { return place + "[" + std::to_string(index) + "]"; }

// A name that stays in its folder: no folder part, not the folder itself or its parent, and no
// zero byte, after which the system would read a shorter name.
bool IsNameInFolder(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

void ReadOutputName(CReader& r, const json& outputs, const char* key, std::string& name) {
  const std::string place = std::string("outputs.") + key;
  const json* v = r.Member(outputs, "outputs", key, false);
  if (!v) return;
  name = r.Text(*v, place);
  if (!r.Failed() && !IsNameInFolder(name))
    r.Fail(place, "expected a file name without folders (outputs.folder names the folder)");
}

void ReadSteps(CReader& r, const json& job, CJob& out) {
  const json* segments = r.Member(job, "", "segments", true);
  if (segments) {
    const char* axes[3] = {"X", "Y", "Z"};
    for (int axis = 0; axis < 3; ++axis) {
      const json* list = r.Member(*segments, "segments", axes[axis], true);
      if (!list) return;
      const std::string place = std::string("segments.") + axes[axis];
      if (!list->is_array() || list->size() < 2) {
        r.Fail(place, "expected a list of at least two segments [x1, y1, x2, y2]");
        return;
      }
      for (size_t i = 0; i < list->size(); ++i) out.segments[axis].push_back(r.Numbers<4>((*list)[i], Indexed(place, i)));
    }
  }

  const json* parameters = r.Member(job, "", "parameters", true);
  if (parameters) {
    if (const json* v = r.Member(*parameters, "parameters", "origin", true)) out.origin = r.Numbers<2>(*v, "parameters.origin");
    if (const json* ground = r.Member(*parameters, "parameters", "ground", true)) {
      if (const json* v = r.Member(*ground, "parameters.ground", "pixel", true))
        out.groundPixel = r.Numbers<2>(*v, "parameters.ground.pixel");
      if (const json* v = r.Member(*ground, "parameters.ground", "world", true))
        out.groundWorld = r.Numbers<2>(*v, "parameters.ground.world");
    }
    if (const json* vertical = r.Member(*parameters, "parameters", "vertical", true)) {
      if (const json* v = r.Member(*vertical, "parameters.vertical", "foot", true))
        out.foot = r.Numbers<2>(*v, "parameters.vertical.foot");
      if (const json* v = r.Member(*vertical, "parameters.vertical", "top", true))
        out.top = r.Numbers<2>(*v, "parameters.vertical.top");
      if (const json* v = r.Member(*vertical, "parameters.vertical", "height", true))
        out.height = r.Number(*v, "parameters.vertical.height");
    }
    if (const json* v = r.Member(*parameters, "parameters", "a", false)) out.a = r.Number(*v, "parameters.a");
    if (const json* v = r.Member(*parameters, "parameters", "b", false)) out.b = r.Number(*v, "parameters.b");
    if (const json* v = r.Member(*parameters, "parameters", "A", false)) out.A = r.Number(*v, "parameters.A");
  }

  const json* points = r.Member(job, "", "points", false);
  if (points && !points->is_array()) r.Fail("points", "expected a list of points");
  for (size_t i = 0; points && points->is_array() && i < points->size() && !r.Failed(); ++i) {
    const json& p = (*points)[i];
    const std::string place = Indexed("points", i);
    CJobPoint point;
    if (const json* v = r.Member(p, place, "pixel", true)) point.pixel = r.Numbers<2>(*v, place + ".pixel");
    if (const json* v = r.Member(p, place, "height", false)) point.height = r.Number(*v, place + ".height");
    if (const json* v = r.Member(p, place, "foot", false)) point.foot = r.Numbers<2>(*v, place + ".foot");
    if (const json* v = r.Member(p, place, "top", false)) point.top = r.Numbers<2>(*v, place + ".top");
    if (const json* v = r.Member(p, place, "world", false)) point.world = r.Numbers<3>(*v, place + ".world");
    if (const json* v = r.Member(p, place, "reference", false)) {
      const char* keys[3] = {"x", "y", "z"};
      for (int k = 0; k < 3; ++k)
        if (const json* id = r.Member(*v, place + ".reference", keys[k], false)) {
          point.reference[k] = r.Id(*id, place + ".reference." + keys[k]);
          if (!r.Failed() && point.reference[k] >= static_cast<int>(i))
            r.Fail(place + ".reference." + keys[k],
                   "no earlier point has id " + std::to_string(point.reference[k]) +
                       (i ? " (the points before this one have ids 0 to " + std::to_string(i - 1) + ")"
                          : " (this is the first point)"));
        }
    }
    const json* compute = r.Member(p, place, "compute", true);
    if (compute && !compute->is_array()) r.Fail(place + ".compute", "expected a list of computations");
    for (size_t k = 0; compute && compute->is_array() && k < compute->size() && !r.Failed(); ++k) {
      const std::string step = r.Text((*compute)[k], Indexed(place + ".compute", k));
      static const std::set<std::string> kSteps = {"reference", "height", "xy", "image"};
      if (!r.Failed() && !kSteps.count(step))
        r.Fail(Indexed(place + ".compute", k),
               "unknown computation \"" + step + "\" (expected reference, height, xy or image)");
      if (step == "height" && !point.foot) r.Fail(place + ".foot", "missing (\"height\" needs the foot)");
      if (step == "image" && !point.world) r.Fail(place + ".world", "missing (\"image\" needs world coordinates)");
      point.compute.push_back(step);
    }
    out.points.push_back(point);
  }
}

}  // namespace

bool ReadJob(const std::string& text, const std::string& folder, CJob& out, std::string& error) {
  const json job = json::parse(text, nullptr, false);
  if (job.is_discarded()) {
    error = "the job is not JSON";
    return false;
  }
  out.folder = folder;
  CReader r;
  if (const json* v = r.Member(job, "", "photograph", true)) out.photograph = r.Text(*v, "photograph");
  if (const json* v = r.Member(job, "", "data", false))
    out.dataFile = r.Text(*v, "data");
  else
    ReadSteps(r, job, out);

  const json* faces = r.Member(job, "", "faces", false);
  if (faces && !faces->is_array()) r.Fail("faces", "expected a list of faces");
  for (size_t i = 0; faces && faces->is_array() && i < faces->size() && !r.Failed(); ++i) {
    const json& f = (*faces)[i];
    const std::string place = Indexed("faces", i);
    CJobFace face;
    if (const json* ids = r.Member(f, place, "points", true)) {
      if (!ids->is_array() || ids->size() != 4) {
        r.Fail(place + ".points", "expected four point ids");
      } else {
        for (size_t k = 0; k < 4 && !r.Failed(); ++k) {
          face.points[k] = r.Id((*ids)[k], Indexed(place + ".points", k));
          if (!r.Failed() && out.dataFile.empty() && face.points[k] >= static_cast<int>(out.points.size()))
            r.Fail(Indexed(place + ".points", k), "no point has id " + std::to_string(face.points[k]) +
                                                     " (the job measures " + std::to_string(out.points.size()) +
                                                     " points, ids 0 up)");
        }
      }
    }
    if (const json* v = r.Member(f, place, "texture", false)) {
      face.texture = r.Text(*v, place + ".texture");
      if (!r.Failed() && (!IsNameInFolder(face.texture) || face.texture.size() > 47 ||
                          face.texture.find_first_of(" \t\r\n\v\f") != std::string::npos))
        r.Fail(place + ".texture", "expected a name of 1 to 47 characters without blanks or folders");
    }
    out.faces.push_back(face);
  }

  const json* outputs = r.Member(job, "", "outputs", true);
  if (outputs) {
    if (const json* v = r.Member(*outputs, "outputs", "folder", false)) out.outputFolder = r.Text(*v, "outputs.folder");
    ReadOutputName(r, *outputs, "data", out.dataOutput);
    ReadOutputName(r, *outputs, "vrml", out.vrmlOutput);
    ReadOutputName(r, *outputs, "gltf", out.gltfOutput);
    ReadOutputName(r, *outputs, "obj", out.objOutput);
    if (!r.Failed() && !out.objOutput.empty()) {
      if (out.objOutput.size() < 5 || out.objOutput.compare(out.objOutput.size() - 4, 4, ".obj") != 0)
        r.Fail("outputs.obj", "expected a file name ending in .obj");
      else if (const std::string problem = ObjNameProblem(out.objOutput.substr(0, out.objOutput.size() - 4));
               !problem.empty())
        r.Fail("outputs.obj", problem);
    }
  }
  if (r.Failed()) {
    error = r.Error();
    return false;
  }
  return true;
}

const char* JobFormatHelp() {
  return R"(Usage: pelorin-batch JOB.json
Runs one modelling job as the program's dialogs would, writes the outputs it names, and prints a
JSON report (vanishing points, parameters, points, faces) on standard output. Bad input gets one
line naming the place and exit status 2, and then nothing is written.

A job, with paths relative to the job file (pixel positions as the status bar shows them:
column from the left, row from the bottom; fractions are welcome):
{
  "photograph": "sample-scene.bmp",
  "segments": {
    "X": [[428.18, 273.96, 595.70, 339.19], [423.18, 401.31, 600.08, 454.21]],
    "Y": [[428.18, 273.96, 339.95, 334.52], [423.18, 401.31, 330.87, 450.44]],
    "Z": [[428.18, 273.96, 423.18, 401.31], [595.70, 339.19, 600.08, 454.21]]
  },
  "parameters": {
    "origin": [428.18, 273.96],
    "ground": {"pixel": [544.49, 442.80], "world": [3.5, 2.5]},
    "vertical": {"foot": [428.18, 273.96], "top": [423.18, 401.31], "height": 1.2}
  },
  "points": [
    {"pixel": [428.18, 273.96], "height": 0, "compute": ["xy"]},
    {"pixel": [595.70, 339.19], "height": 0, "compute": ["xy"]},
    {"pixel": [423.18, 401.31], "foot": [428.18, 273.96], "compute": ["height", "xy"]},
    {"pixel": [600.08, 454.21], "reference": {"z": 2}, "compute": ["reference", "xy"]}
  ],
  "faces": [{"points": [0, 1, 3, 2], "texture": "front"}],
  "outputs": {"folder": "out", "data": "scene.txt", "vrml": "scene.wrl", "gltf": "scene.glb",
              "obj": "scene.obj"}
}

"parameters" may also give "a", "b" and "A"; otherwise they are computed as "Caculate" does.
A point's "compute" runs the point dialog's buttons in order: "reference" (GET REF with the ids
in "reference": {"x": id, "y": id, "z": id}), "height" (CACULATE Z from "foot" to "top", which
is the pixel unless given), "xy" (CACULATE XandY at the height), "image" (CACULATE B.u and B.v
of "world": [X, Y, Z]). Points get ids 0, 1, 2, ... in order. A face's "texture" NAME writes
NAME.bmp and NAME.gif into the output folder and records NAME.gif.
Instead of "segments", "parameters" and "points", "data": "scene.txt" re-exports a finished job
(the faces then come from the data file, and "faces" adds to them).
The outputs are file names without folders, written into "folder" (relative to the job), or
beside the job when it names none; no two outputs may share a name, and an OBJ name no blank.
)";
}
