#pragma once
// The model as Wavefront OBJ: NAME.obj with the faces' corners (axes as in the VRML scene) and
// texture coordinates, NAME.mtl with one material per face, and the textures as NAME_faceN.png
// beside them (N the face's number).

#include "export/ExportFaces.h"

#include <string>
#include <utility>
#include <vector>

class CSingleImage;

struct CObjModel {
  std::string obj;
  std::string mtl;
  std::vector<std::pair<std::string, std::vector<unsigned char>>> textures;  // file name, PNG bytes
  CExportFaces faces;
  std::vector<int> untexturedFaces;
};

// baseName: the OBJ file's name without folder and extension, which the files refer to.
CObjModel MakeObj(const CSingleImage& model, const std::string& baseName);
