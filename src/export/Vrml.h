#pragma once
// The model as a VRML 1.0 scene: a fixed set of lights, then one textured quadrilateral per face
// at its points' world positions, converted to VRML's axes as (X, Y, Z) = (−y, z, −x) so that
// the world's vertical becomes VRML's up. A face whose points cannot all be found, or whose
// coordinates are not all finite numbers, is left out; every other face is written.

#include "export/ExportFaces.h"

#include <string>
#include <vector>

class CSingleImage;

struct CVrmlScene {
  std::string text;
  CExportFaces faces;  // what was written and what was left out
};

CVrmlScene MakeVrmlScene(const CSingleImage& model);
