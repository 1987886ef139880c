#include "metrology/WorldAxes.h"

#include "model/SingleImage.h"

#include <cmath>

namespace {

// The unit direction in which p(t) = p0 + t·d leaves p0 once both are divided by their third
// component: the derivative (d_xy·p0_w − p0_xy·d_w) / p0_w², up to its positive length.
std::optional<std::array<double, 2>> ImageDirection(const double p0[3], const double d[3]) {
  const double dx = (d[0] * p0[2] - p0[0] * d[2]) / (p0[2] * p0[2]);
  const double dy = (d[1] * p0[2] - p0[1] * d[2]) / (p0[2] * p0[2]);
  const double length = std::hypot(dx, dy);
  if (!(length > 0) || !std::isfinite(length)) return std::nullopt;
  return std::array<double, 2>{dx / length, dy / length};
}

}  // namespace

std::optional<CWorldAxesImage> WorldAxesInImage(const CSingleImage& model) {
  // H·(0, 0, 1): the origin's image, the homography's third column.
  const double origin[3] = {model.m_HMatrix[0][2], model.m_HMatrix[1][2], model.m_HMatrix[2][2]};
  if (origin[2] == 0 || !std::isfinite(origin[0] / origin[2]) || !std::isfinite(origin[1] / origin[2]))
    return std::nullopt;
  CWorldAxesImage axes;
  axes.origin = {origin[0] / origin[2], origin[1] / origin[2]};
  for (int axis = 0; axis < 2; ++axis) {
    const double column[3] = {model.m_HMatrix[0][axis], model.m_HMatrix[1][axis], model.m_HMatrix[2][axis]};
    axes.direction[axis] = ImageDirection(origin, column);
  }
  // The plane at height Z maps the origin, (−Sx, −Sy, 1) from the standard origin, to
  // standardOrigin + A·Z·Vz; its scale may differ from H's in sign.
  double standard[3];
  for (int i = 0; i < 3; ++i)
    standard[i] = model.m_HStandardMatrix[i][2] - model.m_StandardOrigin[0] * model.m_HStandardMatrix[i][0] -
                  model.m_StandardOrigin[1] * model.m_HStandardMatrix[i][1];
  const double vertical[3] = {model.m_A * model.m_Vz[0], model.m_A * model.m_Vz[1], model.m_A * model.m_Vz[2]};
  if (standard[2] != 0) axes.direction[2] = ImageDirection(standard, vertical);
  return axes;
}
