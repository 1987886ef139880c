#include "export/ExportStep.h"

#include "camera/CameraFiles.h"
#include "export/ExportFaces.h"
#include "export/Gltf.h"
#include "export/Obj.h"
#include "export/Vrml.h"
#include "image/PngFile.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"

namespace {

std::string FacesMessage(const CExportFaces& faces, const std::vector<int>& untextured) {
  std::string message = LeftOutFacesMessage(faces);
  if (!untextured.empty()) {
    std::string numbers;
    for (int number : untextured) numbers += (numbers.empty() ? "" : ", ") + std::to_string(number);
    message += (message.empty() ? "" : "\n") + std::string("Faces written without a texture (none could be made): ") + numbers;
  }
  return message;
}

std::string Bytes(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

std::string ExportSubfolder(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

CExportStep MakeExport(const CSingleImage& model, EExportFormat format, const std::string& fileName,
                       const std::string& photographName, const CCameraCalibration* cameraSigma,
                       std::optional<double> givenFocalPixels) {
  CExportStep step;
  switch (format) {
    case EExportFormat::DataFile:
      step.files.push_back({fileName, DataFileText(model)});
      break;
    case EExportFormat::Vrml: {
      CVrmlScene scene = MakeVrmlScene(model);
      step.files.push_back({fileName, std::move(scene.text)});
      step.facesMessage = LeftOutFacesMessage(scene.faces);
      break;
    }
    case EExportFormat::Gltf:
    case EExportFormat::GltfCamera: {
      const CGltfModel gltf = MakeGlb(model, {format == EExportFormat::GltfCamera, cameraSigma, givenFocalPixels});
      if (format == EExportFormat::GltfCamera && !gltf.cameraProblem.empty()) {
        step.problem = "No camera can be exported: " + gltf.cameraProblem;
        return step;
      }
      step.files.push_back({fileName, Bytes(gltf.bytes)});
      step.facesMessage = FacesMessage(gltf.faces, gltf.untexturedFaces);
      if (!gltf.cameraProblem.empty()) step.cameraMessage = "Written without a camera: " + gltf.cameraProblem;
      break;
    }
    case EExportFormat::Obj: {
      std::string base = fileName;
      if (base.size() > 4 && base.compare(base.size() - 4, 4, ".obj") == 0) base.resize(base.size() - 4);
      if (std::string problem = ObjNameProblem(base); !problem.empty()) {
        step.problem = std::move(problem);
        return step;
      }
      CObjModel obj = MakeObj(model, base);
      step.files.push_back({base + ".obj", std::move(obj.obj)});
      step.files.push_back({base + ".mtl", std::move(obj.mtl)});
      for (const auto& [name, png] : obj.textures) step.files.push_back({name, Bytes(png)});
      step.facesMessage = FacesMessage(obj.faces, obj.untexturedFaces);
      break;
    }
    case EExportFormat::Fspy:
    case EExportFormat::Colmap: {
      const CCameraCalibration camera = CalibrateCamera(model, givenFocalPixels);
      if (!camera.IsValid()) {
        step.problem = "No camera can be exported: " + camera.problem;
        return step;
      }
      if (format == EExportFormat::Fspy) {
        std::vector<unsigned char> png;
        if (model.HasPixels()) png = EncodePng(model.m_pPixels.get(), model.GetWidth(), model.GetHeight());
        step.files.push_back({fileName, MakeFspyProject(camera, png)});
      } else {
        CColmapModel colmap = MakeColmapModel(model, camera, photographName);
        step.files.push_back({fileName + "/cameras.txt", std::move(colmap.cameras)});
        step.files.push_back({fileName + "/images.txt", std::move(colmap.images)});
        step.files.push_back({fileName + "/points3D.txt", std::move(colmap.points3D)});
      }
      break;
    }
  }
  return step;
}
