#include "export/ExportStep.h"

#include "export/ExportFaces.h"
#include "export/Gltf.h"
#include "export/Obj.h"
#include "export/Vrml.h"
#include "model/DataFile.h"

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

CExportStep MakeExport(const CSingleImage& model, EExportFormat format, const std::string& fileName) {
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
    case EExportFormat::Gltf: {
      const CGltfModel gltf = MakeGlb(model);
      step.files.push_back({fileName, Bytes(gltf.bytes)});
      step.facesMessage = FacesMessage(gltf.faces, gltf.untexturedFaces);
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
  }
  return step;
}
