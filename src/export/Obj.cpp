#include "export/Obj.h"

#include "export/FaceTextures.h"
#include "services/NumberText.h"

namespace {

// OBJ's texture coordinates start at the image's bottom-left corner, as the texture's own rows do.
constexpr const char* kTextureCorners[4] = {"0 0", "1 0", "1 1", "0 1"};

}  // namespace

std::string ObjNameProblem(const std::string& baseName) {
  if (baseName.empty()) return "an OBJ file needs a name";
  if (baseName.find_first_of(" \t\r\n\v\f") != std::string::npos)
    return "an OBJ file name cannot hold blanks, tabs or line breaks (its mtllib line lists file names separated "
           "by blanks)";
  return {};
}

CObjModel MakeObj(const CSingleImage& model, const std::string& baseName) {
  CObjModel result;
  result.faces = CollectExportFaces(model);
  result.obj = "# Pelorin\nmtllib " + baseName + ".mtl\n";
  result.mtl = "# Pelorin\n";
  for (const char* corner : kTextureCorners) result.obj += std::string("vt ") + corner + "\n";
  int vertex = 1;
  std::vector<std::vector<unsigned char>> pngs = FaceTexturePngs(model, result.faces.faces);
  for (size_t i = 0; i < result.faces.faces.size(); ++i) {
    const CExportFace& face = result.faces.faces[i];
    const std::string material = "face" + std::to_string(face.number);
    for (const auto& corner : face.corners)
      result.obj += "v " + FormatFixedSix(corner[0]) + " " + FormatFixedSix(corner[1]) + " " + FormatFixedSix(corner[2]) + "\n";
    result.obj += "usemtl " + material + "\nf";
    for (int k = 0; k < 4; ++k) result.obj += " " + std::to_string(vertex + k) + "/" + std::to_string(k + 1);
    result.obj += "\n";
    vertex += 4;

    result.mtl += "newmtl " + material + "\nKa 1 1 1\nKd 1 1 1\nKs 0 0 0\nd 1\nillum 1\n";
    std::vector<unsigned char>& png = pngs[i];
    if (png.empty()) {
      result.untexturedFaces.push_back(face.number);
      continue;
    }
    const std::string texture = baseName + "_" + material + ".png";
    result.mtl += "map_Kd " + texture + "\n";
    result.textures.emplace_back(texture, std::move(png));
  }
  return result;
}
