#pragma once
// The model as one binary glTF 2.0 file (.glb): a mesh with one primitive per face, the face's
// texture as the base colour of a double-sided material, the PNG textures inside the file.
// Axes as in the VRML scene; texture corner k lies on the face's point k (points 1 … 4 at the
// texture's bottom-left, bottom-right, top-right and top-left).
// When the camera can be calibrated, a perspective camera node "camera" sees the model as the
// photograph shows it: yfov = 2·atan(h / 2f), aspect ratio w / h, and in its extras what core
// glTF cannot say: the principal point's offset from the centre in normalised device
// coordinates ("principalPointOffset", to be added to a projected point's x and y, −1 … 1
// across the photograph), the focal length in pixels and the principal point as a pixel
// position, and under "sigma" their standard deviations when the caller knows them (focal length
// and principal point in pixels, position in world units, yfov in radians). Optionally the photograph itself hangs behind the model as an unlit textured
// rectangle, a child of the camera that fills its view.

#include "export/ExportFaces.h"

#include <optional>
#include <string>
#include <vector>

class CSingleImage;
struct CCameraCalibration;

struct CGltfModel {
  std::vector<unsigned char> bytes;  // the .glb file
  CExportFaces faces;                // what was written and what was left out
  std::vector<int> untexturedFaces;  // written with a plain material: no texture could be made
  std::string cameraProblem;         // why no camera was written; "" when it was
};

struct CGltfOptions {
  bool photographPlane = false;
  // The σ of the camera's figures, each in the field of its name; none when not known.
  const CCameraCalibration* cameraSigma = nullptr;
  // The focal length in pixels a one-point photograph's camera needs.
  std::optional<double> givenFocalPixels = {};
};

CGltfModel MakeGlb(const CSingleImage& model, const CGltfOptions& options = {});
