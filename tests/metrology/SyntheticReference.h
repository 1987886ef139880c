#pragma once
// The reference-parameter fields for a synthetic scene, before "Caculate": the world origin at
// the first box's corner (0, 0, 0), the second ground point and the vertical segment at the
// second box's corners, every position exact.

#include "SyntheticScene.h"
#include "metrology/ReferenceParameters.h"

inline CReferenceFields SyntheticReference(const CSyntheticScene& scene) {
  const CBox& second = scene.Boxes()[1];
  CReferenceFields f;
  const auto origin = scene.Pixel(0, 0, 0);
  f.m_WorldOriginU = origin[0], f.m_WorldOriginV = origin[1];
  f.m_PointX = second.max[0], f.m_PointY = second.min[1];
  const auto ground = scene.Pixel(f.m_PointX, f.m_PointY, 0);
  f.m_PointU = ground[0], f.m_PointV = ground[1];
  const auto foot = scene.Pixel(second.min[0], second.max[1], 0);
  const auto top = scene.Pixel(second.min[0], second.max[1], second.max[2]);
  f.m_bU = foot[0], f.m_bV = foot[1], f.m_tU = top[0], f.m_tV = top[1];
  f.m_ZValue = second.max[2];
  return f;
}
