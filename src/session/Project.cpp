#include "session/Project.h"

#include "dialogs/DialogforParameter.h"
#include "dialogs/GetPointDialog.h"
#include "export/Obj.h"
#include "image/InputFile.h"
#include "services/Dialog.h"

#include <nlohmann/json.hpp>

#include <span>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

namespace {

using nlohmann::json;
using ordered = nlohmann::ordered_json;

// The names of the dialogs' fields and buttons in a project, and their controls.
struct CNamedControl {
  const char* name;
  int id;
};
constexpr CNamedControl kPointFields[] = {
    {"U", IDC_POINT_U},       {"V", IDC_POINT_V},         {"X", IDC_POINT_X},         {"Y", IDC_POINT_Y},
    {"Z", IDC_POINT_Z},       {"b.u", IDC_POINT_BU},      {"b.v", IDC_POINT_BV},      {"t.u", IDC_POINT_TU},
    {"t.v", IDC_POINT_TV},    {"ref.x", IDC_POINT_REF_X}, {"ref.y", IDC_POINT_REF_Y}, {"ref.z", IDC_POINT_REF_Z},
    {"id", IDC_POINT_ID}};
constexpr CNamedControl kPointButtons[] = {{"reference", IDC_GET_REF},
                                           {"height", IDC_CALCULATE_Z},
                                           {"xy", IDC_CALCULATE_XY},
                                           {"image", IDC_CALCULATE_IMAGE_POSITION},
                                           {"OK", IDOK},
                                           {"Cancel", IDCANCEL}};
constexpr CNamedControl kParameterFields[] = {
    {"origin.u", IDC_ORIGIN_U},       {"origin.v", IDC_ORIGIN_V},         {"ground.u", IDC_GROUND_U},
    {"ground.v", IDC_GROUND_V},       {"ground.x", IDC_GROUND_X},         {"ground.y", IDC_GROUND_Y},
    {"foot.u", IDC_REFERENCE_BU},     {"foot.v", IDC_REFERENCE_BV},       {"top.u", IDC_REFERENCE_TU},
    {"top.v", IDC_REFERENCE_TV},      {"height", IDC_REFERENCE_HEIGHT},   {"a", IDC_SCALE_A_X},
    {"b", IDC_SCALE_B_Y},             {"A", IDC_SCALE_A_Z}};
constexpr CNamedControl kParameterButtons[] = {{"caculate", IDC_CALCULATE_PARAMETERS}, {"OK", IDOK}, {"Cancel", IDCANCEL}};

struct CDialogNames {
  std::span<const CNamedControl> fields, buttons;
};
constexpr CDialogNames kPointNames{kPointFields, kPointButtons};
constexpr CDialogNames kParameterNames{kParameterFields, kParameterButtons};

const char* kAxes[3] = {"X", "Y", "Z"};
const char* kMeasurementKinds[3] = {"distance", "height", "area"};

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
      Fail(place.empty() ? "file" : place, "expected an object");
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

  int Whole(const json& value, const std::string& place, const char* what) {
    if (!value.is_number_integer() || value.get<long long>() < 0 || value.get<long long>() >= INT_MAX) {
      Fail(place, std::string("expected ") + what);
      return -1;
    }
    return value.get<int>();
  }
  int Id(const json& value, const std::string& place) {
    return Whole(value, place, "a point id (a whole number, 0 or more)");
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

bool IsTextureBase(const std::string& name) {
  return IsNameInFolder(name) && name.size() <= 47 && name.find_first_of(" \t\r\n\v\f") == std::string::npos;
}

std::string Resolve(const std::string& folder, const std::string& path) {
  if (path.empty() || path.front() == '/' || folder.empty()) return path;
  return folder + "/" + path;
}

// ---- reading ----

std::vector<CDialogStep> ReadSteps(CReader& r, const json& steps, const std::string& place, const CDialogNames& names) {
  std::vector<CDialogStep> out;
  if (!steps.is_array() || steps.empty()) {
    r.Fail(place, "expected a list of presses");
    return out;
  }
  for (size_t i = 0; i < steps.size() && !r.Failed(); ++i) {
    const std::string stepPlace = Indexed(place, i);
    CDialogStep step;
    if (const json* fields = r.Member(steps[i], stepPlace, "fields", false)) {
      if (!fields->is_object()) r.Fail(stepPlace + ".fields", "expected an object of field texts");
      for (auto it = fields->begin(); fields->is_object() && it != fields->end() && !r.Failed(); ++it) {
        const auto named = std::find_if(names.fields.begin(), names.fields.end(),
                                        [&](const CNamedControl& c) { return it.key() == c.name; });
        if (named == names.fields.end()) {
          std::string known;
          for (const CNamedControl& c : names.fields) known += (known.empty() ? "" : ", ") + std::string(c.name);
          r.Fail(stepPlace + ".fields." + it.key(), "unknown field (expected " + known + ")");
          break;
        }
        step.texts[named->id] = r.Text(*it, stepPlace + ".fields." + it.key());
      }
    }
    if (const json* press = r.Member(steps[i], stepPlace, "press", true)) {
      const std::string name = r.Text(*press, stepPlace + ".press");
      const auto named = std::find_if(names.buttons.begin(), names.buttons.end(),
                                      [&](const CNamedControl& c) { return name == c.name; });
      if (!r.Failed() && named == names.buttons.end()) {
        std::string known;
        for (const CNamedControl& c : names.buttons) known += (known.empty() ? "" : ", ") + std::string(c.name);
        r.Fail(stepPlace + ".press", "unknown button \"" + name + "\" (expected " + known + ")");
      }
      if (!r.Failed()) step.button = named->id;
    }
    out.push_back(std::move(step));
  }
  if (!r.Failed() && out.back().button != IDOK) r.Fail(Indexed(place, out.size() - 1) + ".press", "expected \"OK\" last");
  return out;
}

CSegmentAction ReadSegment(CReader& r, const json& value, const std::string& place, int axis) {
  CSegmentAction segment;
  segment.axis = axis;
  if (value.is_object()) {
    if (const json* ends = r.Member(value, place, "ends", true)) segment.ends = r.Numbers<4>(*ends, place + ".ends");
    if (const json* disabled = r.Member(value, place, "disabled", false)) {
      if (!disabled->is_boolean()) r.Fail(place + ".disabled", "expected true or false");
      else segment.enabled = !disabled->get<bool>();
    }
    if (const json* rms = r.Member(value, place, "snap_rms", false)) {
      segment.snapRms = r.Number(*rms, place + ".snap_rms");
      if (!r.Failed() && !(*segment.snapRms >= 0 && std::isfinite(*segment.snapRms)))
        r.Fail(place + ".snap_rms", "expected a number of pixels, 0 or more");
    }
  } else {
    segment.ends = r.Numbers<4>(value, place);
  }
  return segment;
}

// "detect": true, or {"x": bool, "y": bool, "z": bool} (a direction left out is not detected),
// with an optional "region": [x0, y0, x1, y1] beside it.
CDetectRequest ReadDetectRequest(CReader& r, const json& segments, const json& detect) {
  CDetectRequest request;
  if (detect.is_boolean()) {
    if (!detect.get<bool>()) r.Fail("segments.detect", "expected true or an object of directions");
  } else if (detect.is_object()) {
    static const char* kKeys[3] = {"x", "y", "z"};
    for (auto it = detect.begin(); it != detect.end() && !r.Failed(); ++it)
      if (std::find_if(std::begin(kKeys), std::end(kKeys), [&](const char* k) { return it.key() == k; }) == std::end(kKeys))
        r.Fail("segments.detect." + it.key(), "unknown direction (expected x, y or z)");
    for (int axis = 0; axis < 3 && !r.Failed(); ++axis) {
      request.axes[axis] = false;
      if (const json* v = r.Member(detect, "segments.detect", kKeys[axis], false)) {
        if (!v->is_boolean()) r.Fail(std::string("segments.detect.") + kKeys[axis], "expected true or false");
        else request.axes[axis] = v->get<bool>();
      }
    }
  } else {
    r.Fail("segments.detect", "expected true or an object of directions");
  }
  if (const json* region = r.Member(segments, "segments", "region", false)) {
    const std::array<double, 4> corners = r.Numbers<4>(*region, "segments.region");
    bool whole = true;
    for (double c : corners) whole = whole && c == std::floor(c) && std::fabs(c) < INT_MAX;
    if (!r.Failed() && !whole) r.Fail("segments.region", "expected four whole numbers x0, y0, x1, y1");
    request.region = CPixelRegion{static_cast<int>(corners[0]), static_cast<int>(corners[1]), static_cast<int>(corners[2]),
                                  static_cast<int>(corners[3])};
  }
  return request;
}

CParametersAction ReadParameters(CReader& r, const json& parameters, const std::string& place) {
  CParametersAction action;
  if (const json* steps = r.Member(parameters, place, "steps", false)) {
    action.steps = ReadSteps(r, *steps, place + ".steps", kParameterNames);
    return action;
  }
  CTypedParameters typed;
  if (const json* v = r.Member(parameters, place, "origin", true)) typed.origin = r.Numbers<2>(*v, place + ".origin");
  if (const json* ground = r.Member(parameters, place, "ground", true)) {
    if (const json* v = r.Member(*ground, place + ".ground", "pixel", true))
      typed.groundPixel = r.Numbers<2>(*v, place + ".ground.pixel");
    if (const json* v = r.Member(*ground, place + ".ground", "world", true))
      typed.groundWorld = r.Numbers<2>(*v, place + ".ground.world");
  }
  if (const json* vertical = r.Member(parameters, place, "vertical", true)) {
    if (const json* v = r.Member(*vertical, place + ".vertical", "foot", true))
      typed.foot = r.Numbers<2>(*v, place + ".vertical.foot");
    if (const json* v = r.Member(*vertical, place + ".vertical", "top", true))
      typed.top = r.Numbers<2>(*v, place + ".vertical.top");
    if (const json* v = r.Member(*vertical, place + ".vertical", "height", true))
      typed.height = r.Number(*v, place + ".vertical.height");
  }
  if (const json* v = r.Member(parameters, place, "a", false)) typed.a = r.Number(*v, place + ".a");
  if (const json* v = r.Member(parameters, place, "b", false)) typed.b = r.Number(*v, place + ".b");
  if (const json* v = r.Member(parameters, place, "A", false)) typed.A = r.Number(*v, place + ".A");
  action.typed = typed;
  return action;
}

CReferenceHeightAction ReadReference(CReader& r, const json& reference, const std::string& place) {
  CReferenceHeightAction action;
  if (const json* v = r.Member(reference, place, "foot", true)) action.foot = r.Numbers<2>(*v, place + ".foot");
  if (const json* v = r.Member(reference, place, "top", true)) action.top = r.Numbers<2>(*v, place + ".top");
  if (const json* v = r.Member(reference, place, "height", true)) action.height = r.Number(*v, place + ".height");
  return action;
}

// `index` is the point's place among a job's points (its id there), for the job's own check
// that a reference names an earlier point; projects may name any id.
CPointAction ReadPoint(CReader& r, const json& p, const std::string& place, std::optional<size_t> index) {
  CPointAction action;
  if (const json* steps = r.Member(p, place, "steps", false)) {
    action.steps = ReadSteps(r, *steps, place + ".steps", kPointNames);
    return action;
  }
  CTypedPoint point;
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
        if (index && !r.Failed() && point.reference[k] >= static_cast<int>(*index))
          r.Fail(place + ".reference." + keys[k],
                 "no earlier point has id " + std::to_string(point.reference[k]) +
                     (*index ? " (the points before this one have ids 0 to " + std::to_string(*index - 1) + ")"
                             : " (this is the first point)"));
      }
  }
  const json* compute = r.Member(p, place, "compute", true);
  if (compute && !compute->is_array()) r.Fail(place + ".compute", "expected a list of computations");
  for (size_t k = 0; compute && compute->is_array() && k < compute->size() && !r.Failed(); ++k) {
    const std::string step = r.Text((*compute)[k], Indexed(place + ".compute", k));
    if (!r.Failed() && PointButtonId(step) == 0)
      r.Fail(Indexed(place + ".compute", k), "unknown computation \"" + step + "\" (expected reference, height, xy or image)");
    if (step == "height" && !point.foot) r.Fail(place + ".foot", "missing (\"height\" needs the foot)");
    if (step == "image" && !point.world) r.Fail(place + ".world", "missing (\"image\" needs world coordinates)");
    point.compute.push_back(step);
  }
  action.typed = point;
  return action;
}

// `pointCount` is the number of a job's points, for the job's check of face ids; projects may
// record a face before its points exist.
CFaceAction ReadFace(CReader& r, const json& f, const std::string& place, std::optional<size_t> pointCount) {
  CFaceAction face;
  if (const json* ids = r.Member(f, place, "points", true)) {
    if (!ids->is_array() || ids->size() != 4) {
      r.Fail(place + ".points", "expected four point ids");
    } else {
      for (size_t k = 0; k < 4 && !r.Failed(); ++k) {
        face.points[k] = r.Id((*ids)[k], Indexed(place + ".points", k));
        if (pointCount && !r.Failed() && face.points[k] >= static_cast<int>(*pointCount))
          r.Fail(Indexed(place + ".points", k), "no point has id " + std::to_string(face.points[k]) + " (the job measures " +
                                                   std::to_string(*pointCount) + " points, ids 0 up)");
      }
    }
  }
  if (const json* v = r.Member(f, place, "texture", false)) {
    const std::string base = r.Text(*v, place + ".texture");
    if (!r.Failed() && !IsTextureBase(base))
      r.Fail(place + ".texture", "expected a name of 1 to 47 characters without blanks or folders");
    face.texture = base + ".gif";
  } else if (const json* name = r.Member(f, place, "texture_name", false)) {
    face.texture = r.Text(*name, place + ".texture_name");
  }
  return face;
}

CMeasurementAction ReadMeasurement(CReader& r, const json& m, const std::string& place) {
  CMeasurementAction measurement;
  int kinds = 0;
  for (int k = 0; k < 3; ++k) {
    const json* ids = r.Member(m, place, kMeasurementKinds[k], false);
    if (!ids) continue;
    ++kinds;
    measurement.kind = static_cast<EMeasurementKind>(k);
    const size_t count = MeasurementPointCount(measurement.kind);
    const std::string idsPlace = place + "." + kMeasurementKinds[k];
    // An area may name a face instead of its four corners.
    if (measurement.kind == EMeasurementKind::Area && ids->is_number()) {
      measurement.face = r.Whole(*ids, idsPlace, "a face number or four point ids");
      continue;
    }
    if (!ids->is_array() || ids->size() != count) {
      r.Fail(idsPlace, count == 2 ? "expected two point ids" : "expected a face number or four point ids");
      return measurement;
    }
    for (size_t i = 0; i < count && !r.Failed(); ++i) measurement.points.push_back(r.Id((*ids)[i], Indexed(idsPlace, i)));
  }
  if (!r.Failed() && kinds != 1)
    r.Fail(place, "expected one of \"distance\", \"height\" or \"area\" with its point ids");
  if (const json* known = r.Member(m, place, "true", false)) measurement.known = r.Number(*known, place + ".true");
  return measurement;
}

bool ReadWholeFile(const std::string& path, std::string& text, std::string& reason) {
  CInputFile file(path);
  if (!file.Get()) {
    reason = file.Problem();
    return false;
  }
  text.assign(static_cast<size_t>(file.Size()), '\0');
  if (!text.empty() && !file.ReadExactly(text.data(), text.size())) {
    reason = "it could not be read to its end";
    return false;
  }
  return true;
}

void Add(CProject& project, CAction action, std::string place) {
  project.actions.push_back(std::move(action));
  project.places.push_back(std::move(place));
}

void ReadSections(CReader& r, const json& doc, const std::string& folder, CProject& out) {
  const bool job = !out.isProject;
  if (const json* data = r.Member(doc, "", "data", false)) {
    CDataFileAction action;
    action.path = Resolve(folder, r.Text(*data, "data"));
    std::string reason;
    if (!r.Failed() && !ReadWholeFile(action.path, action.text, reason))
      r.Fail("data", action.path + " cannot be loaded: " + reason);
    Add(out, std::move(action), "data");
  } else {
    const json* segments = r.Member(doc, "", "segments", true);
    const json* detect = segments ? r.Member(*segments, "segments", "detect", false) : nullptr;
    if (detect) out.detect = ReadDetectRequest(r, *segments, *detect);
    for (int axis = 0; segments && axis < 3 && !r.Failed(); ++axis) {
      // Beside detection, listed segments are welcome but not required.
      const json* list = r.Member(*segments, "segments", kAxes[axis], !out.detect);
      if (!list && out.detect) continue;
      if (!list) return;
      const std::string place = std::string("segments.") + kAxes[axis];
      if (!list->is_array() || (!out.detect && list->size() < 2)) {
        r.Fail(place, "expected a list of at least two segments [x1, y1, x2, y2]");
        return;
      }
      for (size_t i = 0; i < list->size(); ++i)
        Add(out, ReadSegment(r, (*list)[i], Indexed(place, i), axis), "segments");
    }
    out.detectBefore = out.actions.size();
    Add(out, CCalculateAction{}, "segments");
    if (const json* parameters = r.Member(doc, "", "parameters", true)) {
      Add(out, ReadParameters(r, *parameters, "parameters"), "parameters");
      const json* references = r.Member(*parameters, "parameters", "references", false);
      if (references && !references->is_array()) r.Fail("parameters.references", "expected a list of references");
      for (size_t i = 0; references && references->is_array() && i < references->size() && !r.Failed(); ++i) {
        const std::string place = Indexed("parameters.references", i);
        Add(out, ReadReference(r, (*references)[i], place), place);
      }
    }
    const json* points = r.Member(doc, "", "points", false);
    if (points && !points->is_array()) r.Fail("points", "expected a list of points");
    for (size_t i = 0; points && points->is_array() && i < points->size() && !r.Failed(); ++i)
      Add(out, ReadPoint(r, (*points)[i], Indexed("points", i), job ? std::optional(i) : std::nullopt),
          Indexed("points", i));
  }
  size_t pointCount = 0;
  for (const CAction& action : out.actions) pointCount += std::holds_alternative<CPointAction>(action);
  const bool checkIds = job && !std::holds_alternative<CDataFileAction>(out.actions.front());
  const json* faces = r.Member(doc, "", "faces", false);
  if (faces && !faces->is_array()) r.Fail("faces", "expected a list of faces");
  for (size_t i = 0; faces && faces->is_array() && i < faces->size() && !r.Failed(); ++i)
    Add(out, ReadFace(r, (*faces)[i], Indexed("faces", i), checkIds ? std::optional(pointCount) : std::nullopt),
        Indexed("faces", i));
  const json* measurements = r.Member(doc, "", "measurements", false);
  if (measurements && !measurements->is_array()) r.Fail("measurements", "expected a list of measurements");
  for (size_t i = 0; measurements && measurements->is_array() && i < measurements->size() && !r.Failed(); ++i)
    Add(out, ReadMeasurement(r, (*measurements)[i], Indexed("measurements", i)), Indexed("measurements", i));
}

void ReadActions(CReader& r, const json& actions, CProject& out) {
  if (!actions.is_array()) {
    r.Fail("actions", "expected a list of actions");
    return;
  }
  for (size_t i = 0; i < actions.size() && !r.Failed(); ++i) {
    const std::string place = Indexed("actions", i);
    const json& a = actions[i];
    if (!a.is_object() || a.size() != 1) {
      r.Fail(place, "expected an object with one action");
      return;
    }
    const std::string kind = a.begin().key();
    const json& v = a.begin().value();
    const std::string inner = place + "." + kind;
    if (kind == "segment") {
      int axis = 0;
      if (const json* name = r.Member(v, inner, "axis", true)) {
        const std::string text = r.Text(*name, inner + ".axis");
        axis = text == "X" ? 0 : text == "Y" ? 1 : text == "Z" ? 2 : -1;
        if (!r.Failed() && axis < 0) r.Fail(inner + ".axis", "expected \"X\", \"Y\" or \"Z\"");
      }
      Add(out, ReadSegment(r, v, inner, axis), place);
    } else if (kind == "calculate") {
      Add(out, CCalculateAction{}, place);
    } else if (kind == "parameters") {
      Add(out, ReadParameters(r, v, inner), place);
    } else if (kind == "point") {
      Add(out, ReadPoint(r, v, inner, std::nullopt), place);
    } else if (kind == "face") {
      Add(out, ReadFace(r, v, inner, std::nullopt), place);
    } else if (kind == "rename_face") {
      CRenameFaceAction rename;
      if (const json* n = r.Member(v, inner, "face", true)) rename.face = r.Whole(*n, inner + ".face", "a face number");
      if (const json* n = r.Member(v, inner, "texture_name", true)) rename.texture = r.Text(*n, inner + ".texture_name");
      Add(out, rename, place);
    } else if (kind == "delete_point") {
      CDeletePointAction deletion;
      if (const json* n = r.Member(v, inner, "row", true)) deletion.row = r.Whole(*n, inner + ".row", "a row number");
      if (const json* n = r.Member(v, inner, "id", true)) deletion.id = r.Id(*n, inner + ".id");
      Add(out, deletion, place);
    } else if (kind == "delete_face") {
      CDeleteFaceAction deletion;
      if (const json* n = r.Member(v, inner, "face", true)) deletion.face = r.Whole(*n, inner + ".face", "a face number");
      Add(out, deletion, place);
    } else if (kind == "measure") {
      Add(out, ReadMeasurement(r, v, inner), place);
    } else if (kind == "delete_measurement") {
      CDeleteMeasurementAction deletion;
      if (const json* n = r.Member(v, inner, "row", true)) deletion.row = r.Whole(*n, inner + ".row", "a row number");
      Add(out, deletion, place);
    } else if (kind == "reference") {
      Add(out, ReadReference(r, v, inner), place);
    } else if (kind == "delete_reference") {
      CDeleteReferenceAction deletion;
      if (const json* n = r.Member(v, inner, "row", true)) deletion.row = r.Whole(*n, inner + ".row", "a row number");
      Add(out, deletion, place);
    } else if (kind == "true_value") {
      CKnownValueAction known;
      if (const json* n = r.Member(v, inner, "row", true)) known.row = r.Whole(*n, inner + ".row", "a row number");
      if (const json* n = r.Member(v, inner, "true", true); n && !n->is_null()) known.known = r.Number(*n, inner + ".true");
      Add(out, known, place);
    } else if (kind == "data") {
      CDataFileAction data;
      if (const json* n = r.Member(v, inner, "file", true)) data.path = r.Text(*n, inner + ".file");
      if (const json* n = r.Member(v, inner, "text", true)) data.text = r.Text(*n, inner + ".text");
      Add(out, data, place);
    } else {
      r.Fail(place, "unknown action \"" + kind +
                        "\" (expected segment, calculate, parameters, point, face, rename_face, delete_point, "
                        "delete_face, data, measure, delete_measurement, true_value, reference or "
                        "delete_reference)");
    }
  }
}

void ReadOutputName(CReader& r, const json& outputs, const char* key, std::string& name) {
  const std::string place = std::string("outputs.") + key;
  const json* v = r.Member(outputs, "outputs", key, false);
  if (!v) return;
  name = r.Text(*v, place);
  if (!r.Failed() && !IsNameInFolder(name))
    r.Fail(place, "expected a file name without folders (outputs.folder names the folder)");
}

void ReadOutputs(CReader& r, const json& doc, CProject& out) {
  const json* outputs = r.Member(doc, "", "outputs", !out.isProject);
  if (!outputs) return;
  out.outputs.given = true;
  if (const json* v = r.Member(*outputs, "outputs", "folder", false)) out.outputs.folder = r.Text(*v, "outputs.folder");
  ReadOutputName(r, *outputs, "data", out.outputs.data);
  ReadOutputName(r, *outputs, "vrml", out.outputs.vrml);
  ReadOutputName(r, *outputs, "gltf", out.outputs.gltf);
  ReadOutputName(r, *outputs, "obj", out.outputs.obj);
  ReadOutputName(r, *outputs, "fspy", out.outputs.fspy);
  ReadOutputName(r, *outputs, "colmap", out.outputs.colmap);
  const std::string& obj = out.outputs.obj;
  if (!r.Failed() && !obj.empty()) {
    if (obj.size() < 5 || obj.compare(obj.size() - 4, 4, ".obj") != 0)
      r.Fail("outputs.obj", "expected a file name ending in .obj");
    else if (const std::string problem = ObjNameProblem(obj.substr(0, obj.size() - 4)); !problem.empty())
      r.Fail("outputs.obj", problem);
  }
}

void ReadHeader(CReader& r, const json& doc, const std::string& folder, CProject& out) {
  if (const json* format = r.Member(doc, "", "format", false)) {
    out.isProject = true;
    if (!format->is_string() || format->get<std::string>() != kProjectFormatName)
      r.Fail("format", std::string("expected \"") + kProjectFormatName + "\"");
    if (const json* version = r.Member(doc, "", "version", true)) {
      if (!version->is_number_integer() || version->get<long long>() < 1)
        r.Fail("version", "expected a whole number, 1 or more");
      else if (version->get<long long>() > kProjectFormatVersion)
        r.Fail("version", "the project was written by a newer Pelorin (format version " +
                              std::to_string(version->get<long long>()) + "; this one reads up to " +
                              std::to_string(kProjectFormatVersion) + ")");
    }
  }
  if (const json* v = r.Member(doc, "", "photograph", true)) out.photograph.path = Resolve(folder, r.Text(*v, "photograph"));
  if (const json* v = r.Member(doc, "", "photograph_size", false)) {
    if (!v->is_array() || v->size() != 2 || !(*v)[0].is_number_integer() || !(*v)[1].is_number_integer() ||
        (*v)[0].get<long long>() < 0 || (*v)[1].get<long long>() < 0 || (*v)[0].get<long long>() > INT_MAX ||
        (*v)[1].get<long long>() > INT_MAX)
      r.Fail("photograph_size", "expected two whole numbers, width and height");
    else
      out.photograph.width = (*v)[0].get<int>(), out.photograph.height = (*v)[1].get<int>();
  }
  if (const json* v = r.Member(doc, "", "photograph_sha256", false)) {
    out.photograph.sha256 = r.Text(*v, "photograph_sha256");
    if (!r.Failed() && (out.photograph.sha256.size() != 64 ||
                        out.photograph.sha256.find_first_not_of("0123456789abcdef") != std::string::npos))
      r.Fail("photograph_sha256", "expected 64 lower-case hexadecimal digits");
  }
  if (const json* v = r.Member(doc, "", "position_sigma", false)) {
    out.positionSigma = r.Number(*v, "position_sigma");
    if (!r.Failed() && !(out.positionSigma > 0 && std::isfinite(out.positionSigma)))
      r.Fail("position_sigma", "expected a positive number of pixels");
  }
  if (const json* v = r.Member(doc, "", "focal_length_35mm", false)) {
    const double focal = r.Number(*v, "focal_length_35mm");
    if (!r.Failed() && !(focal > 0 && std::isfinite(focal)))
      r.Fail("focal_length_35mm", "expected a positive number of millimetres");
    else if (!r.Failed())
      out.focal35mm = focal;
  }
}

// ---- writing ----

ordered Steps(const std::vector<CDialogStep>& steps, const CDialogNames& names) {
  ordered list = ordered::array();
  for (const CDialogStep& step : steps) {
    ordered entry = ordered::object();
    ordered fields = ordered::object();
    for (const CNamedControl& field : names.fields)
      if (auto it = step.texts.find(field.id); it != step.texts.end()) fields[field.name] = it->second;
    entry["fields"] = fields;
    for (const CNamedControl& button : names.buttons)
      if (button.id == step.button) entry["press"] = button.name;
    list.push_back(entry);
  }
  return list;
}

ordered Parameters(const CParametersAction& action) {
  if (!action.typed) return {{"steps", Steps(action.steps, kParameterNames)}};
  const CTypedParameters& p = *action.typed;
  ordered out = {{"origin", p.origin},
                 {"ground", {{"pixel", p.groundPixel}, {"world", p.groundWorld}}},
                 {"vertical", {{"foot", p.foot}, {"top", p.top}, {"height", p.height}}}};
  if (p.a) out["a"] = *p.a;
  if (p.b) out["b"] = *p.b;
  if (p.A) out["A"] = *p.A;
  return out;
}

ordered Reference(const CReferenceHeightAction& reference) {
  return {{"foot", reference.foot}, {"top", reference.top}, {"height", reference.height}};
}

ordered Point(const CPointAction& action) {
  if (!action.typed) return {{"steps", Steps(action.steps, kPointNames)}};
  const CTypedPoint& p = *action.typed;
  ordered out = {{"pixel", p.pixel}};
  if (p.height) out["height"] = *p.height;
  if (p.world) out["world"] = *p.world;
  if (p.foot) out["foot"] = *p.foot;
  if (p.top) out["top"] = *p.top;
  const char* keys[3] = {"x", "y", "z"};
  ordered references = ordered::object();
  for (int k = 0; k < 3; ++k)
    if (p.reference[k] >= 0) references[keys[k]] = p.reference[k];
  if (!references.empty()) out["reference"] = references;
  out["compute"] = p.compute;
  return out;
}

ordered Face(const CFaceAction& face) {
  ordered out = {{"points", face.points}};
  const std::string& name = face.texture;
  if (IsGeneratedTextureName(name))
    out["texture"] = name.substr(0, name.size() - 4);
  else if (!name.empty())
    out["texture_name"] = name;
  return out;
}

ordered Measurement(const CMeasurementAction& measurement) {
  ordered out = {{kMeasurementKinds[static_cast<int>(measurement.kind)],
                  measurement.face ? ordered(*measurement.face) : ordered(measurement.points)}};
  if (measurement.known) out["true"] = *measurement.known;
  return out;
}

ordered Segment(const CSegmentAction& segment, bool withAxis) {
  if (!withAxis && segment.enabled && !segment.snapRms) return segment.ends;
  ordered out = ordered::object();
  if (withAxis) out["axis"] = kAxes[segment.axis];
  out["ends"] = segment.ends;
  if (!segment.enabled) out["disabled"] = true;
  if (segment.snapRms) out["snap_rms"] = *segment.snapRms;
  return out;
}

// Segments, one "Caculate ", the reference fields and further references, points, then faces,
// with at least two segments a direction: what a job's sections say.
bool IsCommonOrder(const CActionList& actions) {
  size_t i = 0;
  int perAxis[3] = {};
  for (; i < actions.size() && std::holds_alternative<CSegmentAction>(*actions[i]); ++i) {
    const int axis = std::get<CSegmentAction>(*actions[i]).axis;
    if (axis < 0 || axis > 2) return false;
    ++perAxis[axis];
  }
  if (perAxis[0] < 2 || perAxis[1] < 2 || perAxis[2] < 2) return false;
  if (i >= actions.size() || !std::holds_alternative<CCalculateAction>(*actions[i++])) return false;
  if (i >= actions.size() || !std::holds_alternative<CParametersAction>(*actions[i++])) return false;
  while (i < actions.size() && std::holds_alternative<CReferenceHeightAction>(*actions[i])) ++i;
  while (i < actions.size() && std::holds_alternative<CPointAction>(*actions[i])) ++i;
  while (i < actions.size() && std::holds_alternative<CFaceAction>(*actions[i])) ++i;
  while (i < actions.size() && std::holds_alternative<CMeasurementAction>(*actions[i])) ++i;
  return i == actions.size();
}

ordered Action(const CAction& action) {
  return std::visit(
      [](const auto& a) -> ordered {
        using T = std::decay_t<decltype(a)>;
        if constexpr (std::is_same_v<T, CSegmentAction>) return {{"segment", Segment(a, true)}};
        else if constexpr (std::is_same_v<T, CCalculateAction>) return {{"calculate", true}};
        else if constexpr (std::is_same_v<T, CParametersAction>) return {{"parameters", Parameters(a)}};
        else if constexpr (std::is_same_v<T, CPointAction>) return {{"point", Point(a)}};
        else if constexpr (std::is_same_v<T, CFaceAction>) return {{"face", Face(a)}};
        else if constexpr (std::is_same_v<T, CRenameFaceAction>)
          return {{"rename_face", {{"face", a.face}, {"texture_name", a.texture}}}};
        else if constexpr (std::is_same_v<T, CDeletePointAction>) return {{"delete_point", {{"row", a.row}, {"id", a.id}}}};
        else if constexpr (std::is_same_v<T, CDeleteFaceAction>) return {{"delete_face", {{"face", a.face}}}};
        else if constexpr (std::is_same_v<T, CMeasurementAction>) return {{"measure", Measurement(a)}};
        else if constexpr (std::is_same_v<T, CDeleteMeasurementAction>)
          return {{"delete_measurement", {{"row", a.row}}}};
        else if constexpr (std::is_same_v<T, CReferenceHeightAction>) return {{"reference", Reference(a)}};
        else if constexpr (std::is_same_v<T, CDeleteReferenceAction>) return {{"delete_reference", {{"row", a.row}}}};
        else if constexpr (std::is_same_v<T, CKnownValueAction>)
          return {{"true_value", {{"row", a.row}, {"true", a.known ? ordered(*a.known) : ordered(nullptr)}}}};
        else return {{"data", {{"file", a.path}, {"text", a.text}}}};
      },
      action);
}

// A list that holds neither lists nor objects goes on one line: positions stay readable.
std::string Compact(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '"') {  // copy a string whole
      for (++i; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\\' && i + 1 < text.size()) out += text[++i];
        else if (text[i] == '"') break;
      }
      continue;
    }
    if (text[i] != '[') continue;
    // Find the end of this list; give up on the first nested list or object.
    size_t j = i + 1;
    bool flat = true, inString = false;
    for (; j < text.size(); ++j) {
      const char c = text[j];
      if (inString) {
        if (c == '\\') ++j;
        else if (c == '"') inString = false;
      } else if (c == '"') {
        inString = true;
      } else if (c == '[' || c == '{') {
        flat = false;
        break;
      } else if (c == ']') {
        break;
      }
    }
    if (!flat || j >= text.size()) continue;
    inString = false;
    for (size_t k = i + 1; k < j; ++k) {
      const char c = text[k];
      if (inString) {
        out += c;
        if (c == '\\') out += text[++k];
        else if (c == '"') inString = false;
      } else if (c == '"') {
        inString = true;
        out += c;
      } else if (c == ',') {
        out += ", ";
      } else if (c != ' ' && c != '\n') {
        out += c;
      }
    }
    out += ']';
    i = j;
  }
  return out;
}

std::string RelativePath(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.empty() || path.front() != '/') return path;
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

}  // namespace

std::string PhotographDifference(const CPhotographInfo& expected, const CPhotographInfo& found) {
  if ((expected.width > 0 || expected.height > 0) && (expected.width != found.width || expected.height != found.height))
    return found.path + " is " + std::to_string(found.width) + " x " + std::to_string(found.height) +
           " pixels; the project was made on a photograph of " + std::to_string(expected.width) + " x " +
           std::to_string(expected.height) + " pixels";
  if (!expected.sha256.empty() && !found.sha256.empty() && expected.sha256 != found.sha256)
    return found.path + " is not the photograph the project was made on (its SHA-256 differs)";
  return {};
}

bool IsGeneratedTextureName(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".gif") == 0 && IsTextureBase(name.substr(0, name.size() - 4));
}

bool IsNameInFolder(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

bool ReadProject(std::string_view text, const std::string& folder, CProject& out, std::string& error) {
  out = CProject{};
  const json doc = json::parse(text, nullptr, false);
  if (doc.is_discarded()) {
    error = "the file is not JSON";
    return false;
  }
  CReader r;
  if (!doc.is_object()) r.Fail("file", "expected an object");
  ReadHeader(r, doc, folder, out);
  if (!r.Failed()) {
    if (const json* actions = r.Member(doc, "", "actions", false))
      ReadActions(r, *actions, out);
    else if (out.isProject && !doc.contains("segments") && !doc.contains("data"))
      ;  // a project of a photograph and nothing done on it yet
    else
      ReadSections(r, doc, folder, out);
  }
  if (!r.Failed()) ReadOutputs(r, doc, out);
  if (r.Failed()) {
    error = r.Error();
    out = CProject{};
    return false;
  }
  return true;
}

std::string ProjectText(const CPhotographInfo& photograph, const CActionList& actions, const std::string& folder,
                        double positionSigma, std::optional<double> focal35mm) {
  ordered doc = ordered::object();
  doc["format"] = kProjectFormatName;
  doc["version"] = kProjectFormatVersion;
  doc["photograph"] = RelativePath(photograph.path, folder);
  doc["photograph_size"] = {photograph.width, photograph.height};
  if (!photograph.sha256.empty()) doc["photograph_sha256"] = photograph.sha256;
  doc["position_sigma"] = positionSigma;
  if (focal35mm) doc["focal_length_35mm"] = *focal35mm;
  if (IsCommonOrder(actions)) {
    ordered segments = {{"X", ordered::array()}, {"Y", ordered::array()}, {"Z", ordered::array()}};
    ordered points = ordered::array(), faces = ordered::array(), measurements = ordered::array();
    for (const auto& action : actions) {
      if (const auto* s = std::get_if<CSegmentAction>(action.get())) segments[kAxes[s->axis]].push_back(Segment(*s, false));
      if (const auto* p = std::get_if<CParametersAction>(action.get())) doc["parameters"] = Parameters(*p);
      if (const auto* r = std::get_if<CReferenceHeightAction>(action.get()))
        doc["parameters"]["references"].push_back(Reference(*r));
      if (const auto* p = std::get_if<CPointAction>(action.get())) points.push_back(Point(*p));
      if (const auto* f = std::get_if<CFaceAction>(action.get())) faces.push_back(Face(*f));
      if (const auto* m = std::get_if<CMeasurementAction>(action.get())) measurements.push_back(Measurement(*m));
    }
    // Sections in the order a job is read.
    ordered ordered_doc = ordered::object();
    for (const char* key : {"format", "version", "photograph", "photograph_size", "photograph_sha256", "position_sigma",
                            "focal_length_35mm"})
      if (doc.contains(key)) ordered_doc[key] = doc[key];
    ordered_doc["segments"] = segments;
    ordered_doc["parameters"] = doc["parameters"];
    ordered_doc["points"] = points;
    ordered_doc["faces"] = faces;
    if (!measurements.empty()) ordered_doc["measurements"] = measurements;
    doc = ordered_doc;
  } else {
    ordered list = ordered::array();
    for (const auto& action : actions) list.push_back(Action(*action));
    doc["actions"] = list;
  }
  return Compact(doc.dump(2)) + "\n";
}
