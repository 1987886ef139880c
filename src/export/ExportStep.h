#pragma once
// One export of the scene model as the files it writes, named within one folder, and what the
// user should hear about the faces. The program and the batch write the files together through
// the save routine, so both name them by the same rules.

#include <optional>
#include <string>
#include <vector>

class CSingleImage;
struct CCameraCalibration;

// GltfCamera is the .glb with the photograph hanging behind the model in the camera's view;
// unlike Gltf it needs the camera.
enum class EExportFormat { DataFile, Vrml, Gltf, Obj, Fspy, Colmap, GltfCamera };

struct CExportFile {
  std::string name;  // within the export's folder
  std::string bytes;
};

struct CExportStep {
  std::string problem;  // why nothing can be written ("" when the files are ready)
  std::vector<CExportFile> files;
  // The faces left out or written without a texture, as the user is told; "" when none.
  std::string facesMessage;
  // For the .glb: why it has no camera; "" when it has one.
  std::string cameraMessage;
};

// `fileName` is the chosen file's name without folders: NAME.txt, NAME.wrl, NAME.glb, NAME.fspy;
// for OBJ, NAME or NAME.obj gives NAME.obj, NAME.mtl and NAME_faceN.png; for COLMAP, NAME gives
// the folder NAME with cameras.txt, images.txt and points3D.txt. The camera formats have a
// problem, naming its cause, when the camera cannot be calibrated. `photographName` is the
// photograph's file name as COLMAP's image list names it.
// `cameraSigma`, when given, goes into the .glb camera's extras; `givenFocalPixels` is the focal
// length a one-point photograph's camera needs.
CExportStep MakeExport(const CSingleImage& model, EExportFormat format, const std::string& fileName,
                       const std::string& photographName = "photograph",
                       const CCameraCalibration* cameraSigma = nullptr,
                       std::optional<double> givenFocalPixels = {});

// The folder a file of an export lies in within the export's folder ("" for none).
std::string ExportSubfolder(const std::string& name);
