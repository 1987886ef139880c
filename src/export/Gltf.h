#pragma once
// The model as one binary glTF 2.0 file (.glb): a mesh with one primitive per face, the face's
// texture as the base colour of a double-sided material, the PNG textures inside the file.
// Axes as in the VRML scene; texture corner k lies on the face's point k (points 1 … 4 at the
// texture's bottom-left, bottom-right, top-right and top-left).

#include "export/ExportFaces.h"

#include <vector>

class CSingleImage;

struct CGltfModel {
  std::vector<unsigned char> bytes;  // the .glb file
  CExportFaces faces;                // what was written and what was left out
  std::vector<int> untexturedFaces;  // written with a plain material: no texture could be made
};

CGltfModel MakeGlb(const CSingleImage& model);
