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

// Why baseName cannot name an OBJ file, or "". The "mtllib" line lists file names separated by
// blanks, and the MTL file's "map_Kd" lines end in a file name, so no name may hold white space.
std::string ObjNameProblem(const std::string& baseName);

// baseName: the OBJ file's name without folder and extension, which the files refer to; one
// that ObjNameProblem accepts.
CObjModel MakeObj(const CSingleImage& model, const std::string& baseName);
