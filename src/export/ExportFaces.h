#pragma once
// The faces an export can write: each with its corners in the exports' axes, (X, Y, Z) =
// (−y, z, −x) of the world, so that the world's vertical is the up axis, and the pixel positions
// of its points for its texture. A face whose points cannot all be found, or whose coordinates
// are not all finite numbers within the range of 32-bit floats, is left out and named: glTF
// stores floats, and VRML's and OBJ's readers read floats.

#include <string>
#include <vector>

class CSingleImage;
class CTextureImage;

struct CExportFace {
  int number;  // its place in m_Textures
  const CTextureImage* record;
  double corners[4][3];  // points 1 … 4, export axes
  double pixelU[4], pixelV[4];
};

struct CExportFaces {
  std::vector<CExportFace> faces;
  std::vector<int> missingVertexFaces;  // face numbers left out for a point id that no point has
  std::vector<int> nonFiniteFaces;      // face numbers left out for coordinates that are not floats
};

CExportFaces CollectExportFaces(const CSingleImage& model);

// A world position or direction in the exports' axes: (−y, z, −x), a rotation.
inline void ExportFromWorld(const double world[3], double exported[3]) {
  exported[0] = -world[1];
  exported[1] = world[2];
  exported[2] = -world[0];
}

// The message that tells which faces were left out; "" when none was.
std::string LeftOutFacesMessage(const CExportFaces& faces);
