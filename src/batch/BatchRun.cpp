#include "batch/BatchRun.h"

#include "dialogs/DialogforParameter.h"
#include "dialogs/GenTextureDialog.h"
#include "dialogs/GetPointDialog.h"
#include "dialogs/InputDialogForVanishPoints.h"
#include "export/Gltf.h"
#include "export/Obj.h"
#include "export/Utf8Text.h"
#include "export/Vrml.h"
#include "image/Bmp.h"
#include "metrology/MeasurementLog.h"
#include "metrology/VanishingPoints.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/SaveFile.h"
#include "services/Services.h"
#include "texture/FaceTexture.h"
#include "texture/GifFile.h"
#include "texture/Rectification.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Message boxes become the job's errors; there are no windows to open.
class CBatchServices final : public CServices {
 public:
  void TraceText(const std::string&) override {}
  void MessageBox(const std::string& text) override { messages.push_back(text); }
  int RunModalDialog(CDialogModel&) override { return kDialogCancel; }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest&) override { return std::nullopt; }
  void SetStatusText(const std::string&) override {}
  void Repaint() override {}

  // The messages shown since the last call, one a line.
  std::string Take() {
    std::string text;
    for (const std::string& message : messages) text += (text.empty() ? "" : " ") + message;
    messages.clear();
    for (char& c : text)
      if (c == '\n') c = ' ';
    return text;
  }
  std::vector<std::string> messages;
};

std::string Resolve(const std::string& folder, const std::string& path) {
  if (path.empty() || path.front() == '/' || folder.empty()) return path;
  return folder + "/" + path;
}

void Type(CDialogModel& dialog, int controlId, double value) { dialog.SetControlText(controlId, FormatDoubleField(value)); }

// A texture waiting to be written with the job's other outputs.
struct CTextureOutput {
  std::string base;
  CPixelImage picture;
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

}  // namespace

CBatchResult RunJob(const CJob& job) {
  CBatchResult result;
  CBatchServices services;
  CScopedServices installed(services);
  const auto fail = [&result](const std::string& error) {
    result.error = error;
    return result;
  };

  const std::string photograph = Resolve(job.folder, job.photograph);
  CSingleImage model(photograph.c_str(), EPhotoFiles::AnyFormat);
  CMeasurementLog measurementLog;
  if (!model.HasPixels()) return fail("photograph: " + photograph + " cannot be loaded: " + model.ReadFailure());

  if (!job.dataFile.empty()) {
    std::string reason;
    if (ReadDataFile(Resolve(job.folder, job.dataFile), model, reason) != EDataFileRead::Loaded)
      return fail("data: " + Resolve(job.folder, job.dataFile) + " cannot be loaded: " + reason);
  } else {
    CSegmentList lists[3];
    const auto clear = [&lists] {
      for (CSegmentList& list : lists) list.RemoveAll();
    };
    for (int axis = 0; axis < 3; ++axis)
      for (const auto& s : job.segments[axis]) {
        CInputDialogForVanishPoints dialog;
        dialog.OnInitDialog();
        for (int k = 0; k < 4; ++k) Type(dialog, 1000 + k, s[k]);
        dialog.OnOK();
        if (const std::string problem = services.Take(); !problem.empty()) {
          clear();
          return fail("segments: " + problem);
        }
        lists[axis].Add(MakeSegment(model, dialog.m_Point1X, dialog.m_Point1Y, dialog.m_Point2X, dialog.m_Point2Y));
      }
    const std::string refusal = CalculateVanishingPoints(model, lists[0], lists[1], lists[2]);
    if (refusal.empty()) measurementLog.SetSegments(model, lists[0], lists[1], lists[2]);
    clear();
    if (!refusal.empty()) return fail("segments: " + refusal);

    CDialogforParameter parameters(model);
    parameters.OnInitDialog();
    Type(parameters, 1015, job.origin[0]), Type(parameters, 1016, job.origin[1]);
    Type(parameters, 1001, job.groundWorld[0]), Type(parameters, 1002, job.groundWorld[1]);
    Type(parameters, 1003, job.groundPixel[0]), Type(parameters, 1004, job.groundPixel[1]);
    Type(parameters, 1005, job.foot[0]), Type(parameters, 1006, job.foot[1]);
    Type(parameters, 1007, job.top[0]), Type(parameters, 1008, job.top[1]);
    Type(parameters, 1009, job.height);
    if (!job.a || !job.b || !job.A) parameters.Press(IDC_CALCULATE_PARAMETERS);
    if (job.a) Type(parameters, 1010, *job.a);
    if (job.b) Type(parameters, 1011, *job.b);
    if (job.A) Type(parameters, 1012, *job.A);
    parameters.OnOK();
    if (const std::string problem = services.Take(); !problem.empty()) return fail("parameters: " + problem);
    StoreReferenceParameters(model, parameters.m_a, parameters.m_b, parameters.m_A, parameters.m_WorldOriginU,
                             parameters.m_WorldOriginV);
    measurementLog.SetReference(model, parameters);

    for (size_t i = 0; i < job.points.size(); ++i) {
      const CJobPoint& p = job.points[i];
      CGetPointDialog dialog(model);
      dialog.m_nPointID = model.m_nMaxId + 1;
      dialog.OnInitDialog();
      Type(dialog, 1022, p.pixel[0]), Type(dialog, 1023, p.pixel[1]);
      if (p.height) Type(dialog, 1020, *p.height);
      if (p.world) Type(dialog, 1016, (*p.world)[0]), Type(dialog, 1018, (*p.world)[1]), Type(dialog, 1020, (*p.world)[2]);
      if (p.foot) Type(dialog, 1005, (*p.foot)[0]), Type(dialog, 1006, (*p.foot)[1]);
      const auto& top = p.top ? *p.top : p.pixel;
      if (p.foot || p.top) Type(dialog, 1007, top[0]), Type(dialog, 1008, top[1]);
      for (int k = 0; k < 3; ++k)
        if (p.reference[k] >= 0) dialog.SetControlText(1017 + 2 * k, std::to_string(p.reference[k]));
      for (const std::string& step : p.compute)
        dialog.Press(step == "reference" ? IDC_GET_REF
                     : step == "height"  ? IDC_CALCULATE_Z
                     : step == "xy"      ? IDC_CALCULATE_XY
                                         : IDC_CALCULATE_IMAGE_POSITION);
      dialog.OnOK();
      if (const std::string problem = services.Take(); !problem.empty())
        return fail("points[" + std::to_string(i) + "]: " + problem);
      AddViewPoint(model, dialog);
      if (measurementLog.HasChain())
        measurementLog.RecordPoint(model.m_nMaxId, dialog.MeasurementRecord(measurementLog.Chain()));
    }
  }

  // Faces, with their textures made now and written with everything else.
  std::vector<CTextureOutput> textures;
  for (size_t i = 0; i < job.faces.size(); ++i) {
    const CJobFace& face = job.faces[i];
    const std::string place = "faces[" + std::to_string(i) + "]";
    double U[4], V[4];
    for (int k = 0; k < 4; ++k) {
      const int index = model.FindPointIndex(face.points[k]);
      if (index < 0)
        return fail(place + ".points[" + std::to_string(k) + "]: no point has id " + std::to_string(face.points[k]));
      U[k] = model.GetWidth() / 2.0 + model.m_Points.ElementAt(index)->m_u;
      V[k] = model.GetHeight() / 2.0 + model.m_Points.ElementAt(index)->m_v;
    }
    CGenTextureDialog dialog(model);
    dialog.OnInitDialog();
    for (int k = 0; k < 4; ++k) dialog.SetControlText(1027 + k, std::to_string(face.points[k]));
    dialog.OnOK();
    if (!face.texture.empty()) {
      int W = 0, H = 0;
      std::string problem;
      if (!FaceTextureSize(U, V, W, H, problem)) return fail(place + ": " + problem);
      CPixelImage picture = RectifyTexture(model, U, V, W, H);
      if (!picture.pixels) return fail(place + ": there is not enough memory for its texture");
      textures.push_back({face.texture, std::move(picture), place + ".texture"});
      dialog.m_szTextureName = face.texture + ".gif";
    }
    AddFace(model, dialog.m_szTextureName, dialog.PointIds().data());
  }

  // Every output is staged first; none appears unless all could be written. They go beside the
  // job unless it names a folder.
  const std::string folder = job.outputFolder.empty() ? job.folder : Resolve(job.folder, job.outputFolder);
  const auto out = [&folder](const std::string& name) { return folder.empty() ? name : folder + "/" + name; };
  std::vector<COutput> outputs;
  const auto bytesWriter = [](std::string bytes) {
    return [bytes = std::move(bytes)](CFileSink& sink) { sink.Write(bytes); };
  };
  if (!job.dataOutput.empty()) outputs.push_back({job.dataOutput, bytesWriter(DataFileText(model)), "outputs.data"});
  std::vector<int> leftOutWarned;
  CExportFaces exported = CollectExportFaces(model);
  if (const std::string leftOut = LeftOutFacesMessage(exported); !leftOut.empty() &&
      (!job.vrmlOutput.empty() || !job.gltfOutput.empty() || !job.objOutput.empty())) {
    std::string line = leftOut;
    for (char& c : line)
      if (c == '\n') c = ' ';
    result.warnings.push_back(line);
  }
  if (!job.vrmlOutput.empty()) outputs.push_back({job.vrmlOutput, bytesWriter(MakeVrmlScene(model).text), "outputs.vrml"});
  if (!job.gltfOutput.empty()) {
    const CGltfModel gltf = MakeGlb(model);
    outputs.push_back({job.gltfOutput, bytesWriter(std::string(gltf.bytes.begin(), gltf.bytes.end())), "outputs.gltf"});
  }
  if (!job.objOutput.empty()) {
    const std::string base = job.objOutput.substr(0, job.objOutput.size() - 4);
    const CObjModel obj = MakeObj(model, base);
    outputs.push_back({job.objOutput, bytesWriter(obj.obj), "outputs.obj"});
    outputs.push_back({base + ".mtl", bytesWriter(obj.mtl), "outputs.obj"});
    for (const auto& [name, png] : obj.textures)
      outputs.push_back({name, bytesWriter(std::string(png.begin(), png.end())), "outputs.obj"});
  }
  for (const CTextureOutput& texture : textures) {
    outputs.push_back({texture.base + ".bmp",
                       BmpContentWriter(texture.picture.pixels.get(), texture.picture.width, texture.picture.height),
                       texture.place});
    std::string problem;
    const std::vector<unsigned char> gif =
        EncodeGif(texture.picture.pixels.get(), texture.picture.width, texture.picture.height, problem);
    if (gif.empty()) return fail(texture.place + ": " + texture.base + ".gif: " + problem);
    outputs.push_back({texture.base + ".gif", bytesWriter(std::string(gif.begin(), gif.end())), texture.place});
  }
  if (const std::string twice = OutputWrittenTwice(outputs); !twice.empty()) return fail(twice);

  // A missing output folder is made, and removed again if the job then fails.
  std::vector<std::string> madeFolders;
  for (std::string missing = folder; !missing.empty() && missing != "." && access(missing.c_str(), F_OK) != 0;) {
    madeFolders.insert(madeFolders.begin(), missing);
    const size_t slash = missing.find_last_of('/');
    missing = slash == std::string::npos || slash == 0 ? std::string() : missing.substr(0, slash);
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
  report["points"] = nlohmann::json::array();
  for (int i = 0; i < model.m_Points.GetCount(); ++i) {
    const CViewPoint& p = *model.m_Points.ElementAt(i);
    report["points"].push_back({{"id", p.m_id},
                                {"pixel", {p.m_u + model.GetWidth() / 2.0, p.m_v + model.GetHeight() / 2.0}},
                                {"centred", {p.m_u, p.m_v}},
                                {"world", {p.m_x, p.m_y, p.m_z}},
                                {"references", {p.m_refX, p.m_refY, p.m_refZ}},
                                {"sigma", Sigma(measurementLog.Sigma(p.m_id))}});
  }
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
