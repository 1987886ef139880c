#pragma once
// A scene model measured from a synthetic photograph through the program's own road: the boxes'
// edges as segments → vanishing points → reference parameters, and every box corner as a
// measured point at its exact pixel position. The SVD runs at a tight tolerance so that the
// camera is recovered to rounding. The truth of the camera in the frames of the calibration:
// world → camera rows right, down, forward.

#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "camera/Calibration.h"
#include "metrology/PointMeasurement.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"
#include "session/Actions.h"

#include <cmath>
#include <memory>

inline std::unique_ptr<CSingleImage> MeasuredModel(const CSyntheticScene& scene, bool rightHanded = true) {
  auto model = std::make_unique<CSingleImage>(scene.Width(), scene.Height());
  CSegmentList lists[3];
  for (int axis = 0; axis < 3; ++axis)
    for (const CPixelSegment& s : scene.EdgesAlong(axis)) lists[axis].Add(MakeSegment(*model, s[0], s[1], s[2], s[3]));
  double* vanishing[3] = {model->m_Vx, model->m_Vy, model->m_Vz};
  for (int axis = 0; axis < 3; ++axis) {
    const auto point = EstimateVanishingPoint(lists[axis], 1e-15);
    for (int i = 0; i < 3; ++i) vanishing[axis][i] = point[i];
    lists[axis].RemoveAll();
  }
  CReferenceFields f = SyntheticReference(scene);
  if (!rightHanded) f.m_PointY = -f.m_PointY;  // the world's Y mirrored
  CalculateReferenceScales(*model, f);
  StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);
  for (const auto& [X, Y, Z] : scene.Corners()) {
    const auto pixel = scene.Pixel(X, Y, Z);
    CPointFields p;
    p.m_U = pixel[0], p.m_V = pixel[1], p.m_X = X, p.m_Y = Y, p.m_Z = Z;
    AddViewPoint(*model, p);
  }
  return model;
}

// The synthetic camera's world → camera rotation (rows right, down, forward).
inline CMatrix3 TrueRotation(const CPinholeCamera& c) {
  const double forward[3] = {std::cos(c.pitch) * std::cos(c.yaw), std::cos(c.pitch) * std::sin(c.yaw), -std::sin(c.pitch)};
  const double level[3] = {std::sin(c.yaw), -std::cos(c.yaw), 0};  // forward × Z, unit
  const double up[3] = {level[1] * forward[2] - level[2] * forward[1], level[2] * forward[0] - level[0] * forward[2],
                        level[0] * forward[1] - level[1] * forward[0]};
  CMatrix3 R;
  for (int i = 0; i < 3; ++i) {
    const double right = std::cos(c.roll) * level[i] + std::sin(c.roll) * up[i];
    const double rolledUp = -std::sin(c.roll) * level[i] + std::cos(c.roll) * up[i];
    R[0][i] = right, R[1][i] = -rolledUp, R[2][i] = forward[i];
  }
  return R;
}

// Three boxes on the ground and a camera `distance` away from (1.5, 1, 0.5) looking at it.
inline CSyntheticScene LookingAtBoxes(int width, int height, double focal, double yaw, double pitch, double roll,
                                      double offsetU, double offsetV) {
  std::vector<CBox> boxes = {{{0, 0, 0}, {2, 2.5, 1.5}}, {{4, -2.5, 0}, {6, -0.5, 2.5}}, {{-2.5, 3.5, 0}, {-1, 5, 2}}};
  CPinholeCamera camera;
  camera.focal = focal;
  const double distance = 16, target[3] = {1.5, 1, 0.5};
  camera.position[0] = target[0] - distance * std::cos(pitch) * std::cos(yaw);
  camera.position[1] = target[1] - distance * std::cos(pitch) * std::sin(yaw);
  camera.position[2] = target[2] + distance * std::sin(pitch);
  camera.yaw = yaw, camera.pitch = pitch, camera.roll = roll;
  camera.principalOffset[0] = offsetU, camera.principalOffset[1] = offsetV;
  return CSyntheticScene(width, height, camera, std::move(boxes));
}

// The job a user makes on the synthetic photograph: every box edge as a segment, "Caculate ",
// and the reference dialog typed.
inline std::vector<CAction> CameraJob(const CSyntheticScene& scene) {
  std::vector<CAction> actions;
  for (int axis = 0; axis < 3; ++axis)
    for (const CPixelSegment& s : scene.EdgesAlong(axis)) actions.push_back(CSegmentAction{axis, s, true});
  actions.push_back(CCalculateAction{});
  const CReferenceFields f = SyntheticReference(scene);
  CTypedParameters typed;
  typed.origin = {f.m_WorldOriginU, f.m_WorldOriginV};
  typed.groundPixel = {f.m_PointU, f.m_PointV};
  typed.groundWorld = {f.m_PointX, f.m_PointY};
  typed.foot = {f.m_bU, f.m_bV};
  typed.top = {f.m_tU, f.m_tV};
  typed.height = f.m_ZValue;
  actions.push_back(CParametersAction{typed, {}});
  return actions;
}
