#include "export/ExportFaces.h"

#include "model/SingleImage.h"

#include <cmath>
#include <limits>

namespace {

// Beyond this a coordinate becomes an infinite float.
constexpr double kLargestFloat = std::numeric_limits<float>::max();

std::string NumberList(const std::vector<int>& numbers) {
  std::string list;
  for (int number : numbers) list += (list.empty() ? "" : ", ") + std::to_string(number);
  return list;
}

}  // namespace

CExportFaces CollectExportFaces(const CSingleImage& model) {
  CExportFaces result;
  for (int number = 0; number < model.m_Textures.GetCount(); ++number) {
    CExportFace face{number, model.m_Textures.ElementAt(number), {}, {}, {}};
    bool found = true, finite = true;
    for (int k = 0; k < 4; ++k) {
      const int index = model.FindPointIndex(face.record->m_pointId[k]);
      if (index < 0) {
        found = false;
        continue;
      }
      const CViewPoint& point = *model.m_Points.ElementAt(index);
      const double world[3] = {point.m_x, point.m_y, point.m_z};
      ExportFromWorld(world, face.corners[k]);
      face.pixelU[k] = model.GetWidth() / 2.0 + point.m_u;
      face.pixelV[k] = model.GetHeight() / 2.0 + point.m_v;
      for (double coordinate : face.corners[k]) finite = finite && std::fabs(coordinate) <= kLargestFloat;
    }
    if (!found)
      result.missingVertexFaces.push_back(number);
    else if (!finite)
      result.nonFiniteFaces.push_back(number);
    else
      result.faces.push_back(face);
  }
  return result;
}

std::string LeftOutFacesMessage(const CExportFaces& faces) {
  std::string message;
  if (!faces.missingVertexFaces.empty())
    message = "Can't find Vertex when save VRML!!\nFaces left out: " + NumberList(faces.missingVertexFaces);
  if (!faces.nonFiniteFaces.empty())
    message += (message.empty() ? "" : "\n") + std::string("Faces with coordinates that are not numbers or beyond the range of 32-bit floats were left out: ") +
               NumberList(faces.nonFiniteFaces);
  return message;
}
