#include "export/Vrml.h"

#include "model/SingleImage.h"
#include "services/NumberText.h"


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

}  // namespace

CVrmlScene MakeVrmlScene(const CSingleImage& model) {
  CVrmlScene scene;
  scene.faces = CollectExportFaces(model);
  scene.text = kHeader;
  for (const CExportFace& face : scene.faces.faces) {
    scene.text += "Separator { \n Coordinate3 { point [ \n";
    for (const auto& corner : face.corners)
      scene.text += " " + FormatFixedSix(corner[0]) + " " + FormatFixedSix(corner[1]) + " " + FormatFixedSix(corner[2]) +
                    " ,\n";
    scene.text += "]} \nTexture2 { filename \"" + QuotedName(face.record->m_name) + "\" } \n";
    scene.text += kTextureCoordinates;
  }
  scene.text += kLastLine;
  return scene;
}
