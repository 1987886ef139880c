#include "batch/BatchRun.h"

#include "camera/Calibration.h"
#include "export/ExportStep.h"
#include "export/Utf8Text.h"
#include "model/SingleImage.h"
#include "services/SaveFile.h"
#include "session/CameraUncertainty.h"
#include "session/MeasurementRows.h"
#include "session/Sha256.h"
#include "texture/FaceTexture.h"
#include "texture/Rectification.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <cmath>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Resolve(const std::string& folder, const std::string& path) {
  if (path.empty() || path.front() == '/' || folder.empty()) return path;
  return folder + "/" + path;
}

// A message for the report's one line.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

SaveContentWriter BytesWriter(std::string bytes) {
  return [bytes = std::move(bytes)](CFileSink& sink) { sink.Write(bytes); };
}

// The photograph, checked against what the project says of it; "" when it is the one.
std::string PhotographMismatch(const CPhotographInfo& expected, const CSingleImage& model) {
  std::string sha256, reason;
  if (!expected.sha256.empty()) {
    sha256 = Sha256OfFile(expected.path, reason);
    if (sha256.empty()) return expected.path + " cannot be read: " + reason;
  }
  return PhotographDifference(expected, {expected.path, model.GetWidth(), model.GetHeight(), sha256});
}

// A texture waiting to be written with the job's other outputs.
struct CTextureOutput {
  std::string base;
  std::shared_ptr<const CPixelImage> picture;
  std::string place;
};

struct COutput {
  std::string name;  // in the output folder
  SaveContentWriter write;
  std::string place;
};

// The first output written twice, as "<place>: <name> is also written by <place>"; "" if none.
std::string OutputWrittenTwice(const std::vector<COutput>& outputs) {
  for (size_t i = 0; i < outputs.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (outputs[i].name == outputs[j].name)
        return outputs[i].place + ": " + outputs[i].name + " is also written by " + outputs[j].place;
  return {};
}

nlohmann::json Vector(const double* v, int n) { return std::vector<double>(v, v + n); }
// Standard deviations of X, Y and Z, null where they are not known.
nlohmann::json Sigma(const std::array<std::optional<double>, 3>& sigma) {
  nlohmann::json values = nlohmann::json::array();
  for (const auto& s : sigma) values.push_back(s ? nlohmann::json(*s) : nlohmann::json(nullptr));
  return values;
}

nlohmann::json Matrix(const double (&m)[3][3]) {
  return {Vector(m[0], 3), Vector(m[1], 3), Vector(m[2], 3)};
}

// The figures of a camera, or their σ, by the report's names; angles in degrees.
nlohmann::json CameraFigures(const CCameraCalibration& camera, const std::array<double, 2>& principal) {
  const double degrees = 180 / std::acos(-1.0);
  nlohmann::json rotation = nlohmann::json::array();
  for (const CVector3& row : camera.rotation) rotation.push_back(Vector(row.data(), 3));
  return {{"focal_px", camera.focalPixels},
          {"principal_point", {principal[0], principal[1]}},
          {"rotation", rotation},
          {"position", Vector(camera.position.data(), 3)},
          {"fov_deg", {camera.horizontalFov * degrees, camera.verticalFov * degrees}},
          {"height", camera.height},
          {"heading_deg", camera.heading * degrees},
          {"pitch_deg", camera.pitch * degrees},
          {"roll_deg", camera.roll * degrees},
          {"focal_35mm", camera.focal35mm},
          {"xy_angle_error_deg", camera.xyAngleError * degrees},
          {"aspect", camera.aspect},
          {"skew", camera.skew}};
}

// The calibrated camera: positions as the status bar shows them, angles in degrees, and the
// standard deviation of each figure under "sigma" (null when it cannot be propagated); null
// when there is no camera (the warnings of the camera's outputs say why).
nlohmann::json CameraReport(const CCameraCalibration& camera, const CCameraUncertainty& uncertainty) {
  if (!camera.IsValid()) return nullptr;
  nlohmann::json report =
      CameraFigures(camera, PixelFromCentred(camera, camera.principalPoint[0], camera.principalPoint[1]));
  report["calibration"] = CalibrationCaseName(camera.calibrationCase);
  report["rotation_axes"] = "x right, y down, z forward";
  const CCameraCalibration& sigma = uncertainty.sigma;
  report["sigma"] = uncertainty.IsValid() ? CameraFigures(sigma, {sigma.principalPoint[0], sigma.principalPoint[1]})
                                          : nlohmann::json(nullptr);
  return report;
}

// The segments the vanishing points rest on, per direction: every enabled one, with whether
// detection found it and the RMS of its edge fit where it was snapped.
nlohmann::json SegmentsReport(const std::vector<CAction>& actions, const std::vector<bool>& detected) {
  nlohmann::json report = {{"X", nlohmann::json::array()}, {"Y", nlohmann::json::array()}, {"Z", nlohmann::json::array()}};
  static const char* kAxes[3] = {"X", "Y", "Z"};
  for (size_t i = 0; i < actions.size(); ++i) {
    const auto* s = std::get_if<CSegmentAction>(&actions[i]);
    if (!s || !s->enabled || s->axis < 0 || s->axis > 2) continue;
    nlohmann::json entry = {{"ends", s->ends}, {"detected", static_cast<bool>(detected[i])}};
    if (s->snapRms) entry["snap_rms"] = *s->snapRms;
    report[kAxes[s->axis]].push_back(entry);
  }
  return report;
}

}  // namespace

CBatchResult RunJob(const CProject& project, const std::string& jobFolder) {
  CBatchResult result;
  const auto fail = [&result](const std::string& error) {
    result.error = error;
    return result;
  };

  const std::string& photograph = project.photograph.path;
  CSingleImage model(photograph.c_str(), EPhotoFiles::AnyFormat);
  if (!model.HasPixels()) return fail("photograph: " + photograph + " cannot be loaded: " + model.ReadFailure());
  if (const std::string other = PhotographMismatch(project.photograph, model); !other.empty())
    return fail("photograph: " + other);

  // Segments found in the photograph join the listed ones before their "Caculate ".
  std::vector<CAction> actions = project.actions;
  std::vector<std::string> places = project.places;
  std::vector<bool> detected(actions.size(), false);
  if (project.detect) {
    CDetectedActions found = DetectSegmentActions(model, *project.detect);
    static const char* kAxes[3] = {"X", "Y", "Z"};
    for (int axis = 0; axis < 3; ++axis) {
      if (found.messages[axis].empty()) continue;
      const auto listed = std::count_if(actions.begin(), actions.end(), [axis](const CAction& a) {
        const auto* s = std::get_if<CSegmentAction>(&a);
        return s && s->axis == axis && s->enabled;
      });
      if (listed < 2) return fail(std::string("segments.detect: ") + OneLine(found.messages[axis]));
      result.warnings.push_back(std::string("segments.detect: ") + kAxes[axis] + ": " + OneLine(found.messages[axis]));
    }
    const auto at = static_cast<std::ptrdiff_t>(std::min(project.detectBefore, actions.size()));
    const size_t count = found.actions.size();
    actions.insert(actions.begin() + at, found.actions.begin(), found.actions.end());
    places.insert(places.begin() + at, count, "segments.detect");
    detected.insert(detected.begin() + at, count, true);
  }

  // A job's steps are its user's typing: whatever a dialog would have said stops it. A project
  // saved by the program already went past those messages once.
  CReplayed replayed;
  replayed.log.SetPositionSigma(project.positionSigma);
  std::vector<CTextureOutput> textures;
  for (size_t i = 0; i < actions.size(); ++i) {
    const CAction& action = actions[i];
    const std::string& place = places[i];
    CAppliedAction applied = ApplyAction(action, model, replayed);
    if (!applied.refusal.empty()) return fail(place + ": " + OneLine(applied.refusal));
    if (!applied.messages.empty()) {
      if (!project.isProject) return fail(place + ": " + OneLine(applied.messages));
      result.warnings.push_back(place + ": " + OneLine(applied.messages));
    }
    const auto* face = std::get_if<CFaceAction>(&action);
    if (!face) continue;
    if (!project.isProject)
      for (int k = 0; k < 4; ++k)
        if (model.FindPointIndex(face->points[k]) < 0)
          return fail(place + ".points[" + std::to_string(k) + "]: no point has id " + std::to_string(face->points[k]));
    // Textures are outputs too: a project run only for its report writes none.
    if (!IsGeneratedTextureName(face->texture) || !project.outputs.given) continue;
    double U[4], V[4];
    int W = 0, H = 0;
    std::string problem;
    if (!FaceTextureLayout(model, face->points.data(), U, V, W, H, problem)) return fail(place + ": " + OneLine(problem));
    auto picture = std::make_shared<CPixelImage>(RectifyTexture(model, U, V, W, H));
    if (!picture->pixels) return fail(place + ": there is not enough memory for its texture");
    textures.push_back({face->texture.substr(0, face->texture.size() - 4), std::move(picture), place + ".texture"});
  }

  // Every output is staged first; none appears unless all could be written. They go beside the
  // job unless it names a folder.
  const CProjectOutputs& named = project.outputs;
  const std::string folder = named.folder.empty() ? jobFolder : Resolve(jobFolder, named.folder);
  const auto out = [&folder](const std::string& name) { return folder.empty() ? name : folder + "/" + name; };
  std::vector<COutput> outputs;
  const struct {
    const std::string& name;
    EExportFormat format;
    const char* place;
  } exports[] = {{named.data, EExportFormat::DataFile, "outputs.data"},
                 {named.vrml, EExportFormat::Vrml, "outputs.vrml"},
                 {named.gltf, EExportFormat::Gltf, "outputs.gltf"},
                 {named.obj, EExportFormat::Obj, "outputs.obj"},
                 {named.fspy, EExportFormat::Fspy, "outputs.fspy"},
                 {named.colmap, EExportFormat::Colmap, "outputs.colmap"}};
  const std::string photographName = photograph.substr(photograph.find_last_of('/') + 1);
  // The camera's σ from every typed position, for the .glb's camera and the report.
  CActionList sharedActions;
  for (const CAction& action : actions) sharedActions.push_back(std::make_shared<const CAction>(action));
  std::optional<double> givenFocalPixels;
  if (project.focal35mm) givenFocalPixels = FocalPixelsFrom35mm(*project.focal35mm, model.GetWidth(), model.GetHeight());
  const CCameraUncertainty cameraUncertainty =
      CalibrateWithUncertainty(sharedActions, model.GetWidth(), model.GetHeight(), project.positionSigma,
                               givenFocalPixels)
          .uncertainty;
  for (const auto& e : exports) {
    if (e.name.empty()) continue;
    CExportStep step = MakeExport(model, e.format, e.name, photographName,
                                  cameraUncertainty.IsValid() ? &cameraUncertainty.sigma : nullptr, givenFocalPixels);
    // Without a camera the camera's files are left out; the model's are written all the same.
    const bool cameraFormat = e.format == EExportFormat::Fspy || e.format == EExportFormat::Colmap;
    if (!step.problem.empty() && cameraFormat) {
      result.warnings.push_back(std::string(e.place) + ": " + OneLine(step.problem));
      continue;
    }
    if (!step.problem.empty()) return fail(std::string(e.place) + ": " + step.problem);
    if (!step.cameraMessage.empty()) result.warnings.push_back(std::string(e.place) + ": " + OneLine(step.cameraMessage));
    for (CExportFile& file : step.files) outputs.push_back({file.name, BytesWriter(std::move(file.bytes)), e.place});
    // Each message once, however many formats left the same faces out.
    if (!step.facesMessage.empty()) {
      const std::string line = OneLine(step.facesMessage);
      if (std::find(result.warnings.begin(), result.warnings.end(), line) == result.warnings.end())
        result.warnings.push_back(line);
    }
  }
  for (const CTextureOutput& texture : textures) {
    std::string problem;
    std::vector<CTextureFile> files = TextureFiles(texture.picture, texture.base, problem);
    if (files.empty()) return fail(texture.place + ": " + texture.base + ".gif: " + problem);
    for (CTextureFile& file : files) outputs.push_back({file.name, std::move(file.write), texture.place});
  }
  if (const std::string twice = OutputWrittenTwice(outputs); !twice.empty()) return fail(twice);

  // A missing output folder is made, and removed again if the job then fails.
  std::vector<std::string> madeFolders;
  for (std::string missing = folder; !missing.empty() && missing != "." && access(missing.c_str(), F_OK) != 0;) {
    madeFolders.insert(madeFolders.begin(), missing);
    const size_t slash = missing.find_last_of('/');
    missing = slash == std::string::npos || slash == 0 ? std::string() : missing.substr(0, slash);
  }
  // Folders inside the output folder that outputs name (COLMAP's), made once each.
  for (const COutput& output : outputs) {
    const std::string inner = ExportSubfolder(output.name);
    if (inner.empty()) continue;
    const std::string path = out(inner);
    if (std::find(madeFolders.begin(), madeFolders.end(), path) == madeFolders.end() && access(path.c_str(), F_OK) != 0)
      madeFolders.push_back(path);
  }
  const auto removeMadeFolders = [&madeFolders] {
    for (auto it = madeFolders.rbegin(); it != madeFolders.rend(); ++it) rmdir(it->c_str());
  };
  for (const std::string& made : madeFolders)
    if (mkdir(made.c_str(), 0777) != 0) {
      const std::string cause = std::strerror(errno);  // before the cleanup sets errno again
      removeMadeFolders();
      return fail("outputs.folder: " + made + " cannot be made: " + cause);
    }

  std::vector<CStagedFile> staged(outputs.size());
  for (size_t i = 0; i < outputs.size(); ++i) {
    const CSaveResult stage = staged[i].Stage(out(outputs[i].name), outputs[i].write);
    if (!stage) {
      staged.clear();
      removeMadeFolders();
      return fail(outputs[i].place + ": " + stage.reason);
    }
  }
  size_t failed = 0;
  if (const CSaveResult commit = CommitTogether(staged, &failed); !commit) {
    staged.clear();
    removeMadeFolders();
    return fail(outputs[failed].place + ": " + commit.reason);
  }
  std::vector<std::string> written;
  for (const COutput& output : outputs) written.push_back(Utf8Text(out(output.name)));

  nlohmann::json report;
  report["photograph"] = Utf8Text(photograph);
  report["size"] = {model.GetWidth(), model.GetHeight()};
  report["vanishing_points"] = {{"X", Vector(model.m_Vx, 3)}, {"Y", Vector(model.m_Vy, 3)}, {"Z", Vector(model.m_Vz, 3)}};
  report["a"] = model.m_a, report["b"] = model.m_b, report["A"] = model.m_A;
  report["l"] = Vector(model.m_l, 3), report["lScale"] = Vector(model.m_lScale, 3);
  report["HMatrix"] = Matrix(model.m_HMatrix), report["HStandardMatrix"] = Matrix(model.m_HStandardMatrix);
  report["standard_origin"] = Vector(model.m_StandardOrigin, 2);
  report["camera"] = CameraReport(CalibrateCamera(model, givenFocalPixels), cameraUncertainty);
  report["segments"] = SegmentsReport(actions, detected);
  report["points"] = nlohmann::json::array();
  for (int i = 0; i < model.m_Points.GetCount(); ++i) {
    const CViewPoint& p = *model.m_Points.ElementAt(i);
    report["points"].push_back({{"id", p.m_id},
                                {"pixel", {p.m_u + model.GetWidth() / 2.0, p.m_v + model.GetHeight() / 2.0}},
                                {"centred", {p.m_u, p.m_v}},
                                {"world", {p.m_x, p.m_y, p.m_z}},
                                {"references", {p.m_refX, p.m_refY, p.m_refZ}},
                                {"sigma", Sigma(replayed.log.Sigma(p.m_id))}});
    if (auto image = replayed.imagePositions.find(p.m_id); image != replayed.imagePositions.end())
      report["points"].back()["image"] = image->second;
  }
  report["position_sigma"] = replayed.log.PositionSigma();
  report["measurements"] = nlohmann::json::array();
  for (const CMeasurementRow& row : MeasurementRows(model, replayed)) {
    nlohmann::json entry = {{"name", Utf8Text(row.name)}};
    if (!row.problem.empty()) entry["problem"] = OneLine(row.problem);
    else entry["value"] = row.value, entry["sigma"] = row.sigma ? nlohmann::json(*row.sigma) : nlohmann::json(nullptr);
    if (row.known) entry["true"] = *row.known;
    if (row.difference) entry["difference"] = *row.difference;
    if (row.sigmas) entry["z"] = *row.sigmas;
    report["measurements"].push_back(entry);
  }
  report["references"] = nlohmann::json::array();
  const auto optional = [](const std::optional<double>& v) { return v ? nlohmann::json(*v) : nlohmann::json(nullptr); };
  for (const CReferenceRow& row : ReferenceRows(replayed))
    report["references"].push_back({{"foot", row.reference.foot},
                                    {"top", row.reference.top},
                                    {"height", row.reference.height},
                                    {"A", optional(row.ownA)},
                                    {"sigma_A", optional(row.sigmaA)},
                                    {"residual", optional(row.residual)},
                                    {"implied_height", optional(row.impliedHeight)},
                                    {"note", OneLine(row.note)}});
  report["faces"] = nlohmann::json::array();
  for (int i = 0; i < model.m_Textures.GetCount(); ++i) {
    const CTextureImage& face = *model.m_Textures.ElementAt(i);
    report["faces"].push_back({{"number", i}, {"points", std::vector<int>(face.m_pointId, face.m_pointId + 4)},
                               {"texture", Utf8Text(face.m_name)}});
  }
  report["written"] = written;
  report["warnings"] = result.warnings;
  result.report = report.dump(1);
  result.ok = true;
  return result;
}
