#include "export/Vrml.h"

#include "model/SingleImage.h"
#include "services/NumberText.h"

#include <cmath>

namespace {

constexpr const char* kHeader =
    "#VRML V1.0 ascii \n"
    "PointLight{ intensity 1 location 50 100 300 } \n"
    "PointLight{ intensity 1 location 40 100 250 } \n"
    "PointLight{ intensity 1 location 60 100 250 } \n"
    "PointLight{ intensity 1 location 20 100 100 } \n"
    "PointLight{ intensity 3 location 80 100 100 } \n"
    "PointLight{ intensity 5 location 50 400 50 } \n"
    "ShapeHints { \n"
    " vertexOrdering  COUNTERCLOCKWISE \n"
    " shapeType       SOLID \n"
    " }  \n"
    "Separator { \n"
    "Transform {      rotation 1 0 0 0   } \n"
    "Transform {      rotation 0 0 1 0   } \n";

constexpr const char* kTextureCoordinates =
    "TextureCoordinate2 { point [ \n"
    "0 0, \n"
    "1 0, \n"
    "1 1, \n"
    "0 1, \n"
    " ]} \n"
    "IndexedFaceSet { coordIndex [0, 1, 2, 3]} \n"
    "} \n";

constexpr const char* kLastLine = "} \n";

// Inside VRML's double quotes a double quote and a backslash need a backslash before them.
std::string QuotedName(const char* name) {
  std::string quoted;
  for (const char* c = name; *c; ++c) {
    if (*c == '"' || *c == '\\') quoted += '\\';
    quoted += *c;
  }
  return quoted;
}

std::string NumberList(const std::vector<int>& numbers) {
  std::string list;
  for (int number : numbers) list += (list.empty() ? "" : ", ") + std::to_string(number);
  return list;
}

}  // namespace

CVrmlScene MakeVrmlScene(const CSingleImage& model) {
  CVrmlScene scene;
  scene.text = kHeader;
  for (int face = 0; face < model.m_Textures.GetCount(); ++face) {
    const CTextureImage& record = *model.m_Textures.ElementAt(face);
    double corners[4][3];
    bool found = true, finite = true;
    for (int k = 0; k < 4; ++k) {
      const int index = model.FindPointIndex(record.m_pointId[k]);
      if (index < 0) {
        found = false;
        continue;
      }
      const CViewPoint& point = *model.m_Points.ElementAt(index);
      corners[k][0] = -point.m_y;
      corners[k][1] = point.m_z;
      corners[k][2] = -point.m_x;
      for (double coordinate : corners[k]) finite = finite && std::isfinite(coordinate);
    }
    if (!found) {
      scene.missingVertexFaces.push_back(face);
      continue;
    }
    if (!finite) {
      scene.nonFiniteFaces.push_back(face);
      continue;
    }
    scene.text += "Separator { \n Coordinate3 { point [ \n";
    for (const auto& corner : corners)
      scene.text += " " + FormatFixedSix(corner[0]) + " " + FormatFixedSix(corner[1]) + " " + FormatFixedSix(corner[2]) +
                    " ,\n";
    scene.text += "]} \nTexture2 { filename \"" + QuotedName(record.m_name) + "\" } \n";
    scene.text += kTextureCoordinates;
  }
  scene.text += kLastLine;
  return scene;
}

std::string LeftOutFacesMessage(const CVrmlScene& scene) {
  std::string message;
  if (!scene.missingVertexFaces.empty())
    message = "Can't find Vertex when save VRML!!\nFaces left out: " + NumberList(scene.missingVertexFaces);
  if (!scene.nonFiniteFaces.empty())
    message += (message.empty() ? "" : "\n") + std::string("Faces with coordinates that are not numbers were left out: ") +
               NumberList(scene.nonFiniteFaces);
  return message;
}
