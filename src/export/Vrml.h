#pragma once
// The model as a VRML 1.0 scene: a fixed set of lights, then one textured quadrilateral per face
// at its points' world positions, converted to VRML's axes as (X, Y, Z) = (−y, z, −x) so that
// the world's vertical becomes VRML's up. A face whose points cannot all be found, or whose
// coordinates are not all finite numbers, is left out; every other face is written.

#include "services/SaveFile.h"

#include <string>
#include <vector>

class CSingleImage;

struct CVrmlScene {
  std::string text;
  std::vector<int> missingVertexFaces;  // face numbers left out for a point id that no point has
  std::vector<int> nonFiniteFaces;      // face numbers left out for coordinates that are not numbers
};

CVrmlScene MakeVrmlScene(const CSingleImage& model);

// The message that tells which faces were left out; "" when none was.
std::string LeftOutFacesMessage(const CVrmlScene& scene);
