#include "SyntheticScene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

CSyntheticScene::CSyntheticScene(int width, int height, const CPinholeCamera& camera, std::vector<CBox> boxes)
    : m_nWidth(width), m_nHeight(height), m_camera(camera), m_boxes(std::move(boxes)) {
  const double cp = std::cos(camera.pitch), sp = std::sin(camera.pitch);
  m_forward[0] = cp * std::cos(camera.yaw);
  m_forward[1] = cp * std::sin(camera.yaw);
  m_forward[2] = -sp;
  // right = forward × up (normalised), up = right × forward, then the roll turns both.
  double right[3] = {m_forward[1], -m_forward[0], 0};
  const double length = std::hypot(right[0], right[1]);
  for (double& r : right) r /= length;
  const double up[3] = {right[1] * m_forward[2] - right[2] * m_forward[1],
                        right[2] * m_forward[0] - right[0] * m_forward[2],
                        right[0] * m_forward[1] - right[1] * m_forward[0]};
  const double cr = std::cos(camera.roll), sr = std::sin(camera.roll);
  for (int i = 0; i < 3; ++i) {
    m_right[i] = cr * right[i] + sr * up[i];
    m_up[i] = -sr * right[i] + cr * up[i];
  }
}

void CSyntheticScene::CameraCoordinates(double X, double Y, double Z, double out[3]) const {
  const double d[3] = {X - m_camera.position[0], Y - m_camera.position[1], Z - m_camera.position[2]};
  out[0] = m_right[0] * d[0] + m_right[1] * d[1] + m_right[2] * d[2];
  out[1] = m_up[0] * d[0] + m_up[1] * d[1] + m_up[2] * d[2];
  out[2] = m_forward[0] * d[0] + m_forward[1] * d[1] + m_forward[2] * d[2];
}

double CSyntheticScene::Depth(double X, double Y, double Z) const {
  double c[3];
  CameraCoordinates(X, Y, Z, c);
  return c[2];
}

std::array<double, 2> CSyntheticScene::Pixel(double X, double Y, double Z) const {
  double c[3];
  CameraCoordinates(X, Y, Z, c);
  const double u = m_camera.focal * c[0] / c[2] + m_camera.principalOffset[0];
  const double v = m_camera.focal * c[1] / c[2] + m_camera.principalOffset[1];
  return {u + m_nWidth / 2.0, v + m_nHeight / 2.0};
}

std::vector<CPixelSegment> CSyntheticScene::EdgesAlong(int axis) const {
  std::vector<CPixelSegment> edges;
  const int a = (axis + 1) % 3, b = (axis + 2) % 3;
  for (const CBox& box : m_boxes)
    for (double first : {box.min[a], box.max[a]})
      for (double second : {box.min[b], box.max[b]}) {
        double p[3], q[3];
        p[axis] = box.min[axis], q[axis] = box.max[axis];
        p[a] = q[a] = first;
        p[b] = q[b] = second;
        const auto from = Pixel(p[0], p[1], p[2]);
        const auto to = Pixel(q[0], q[1], q[2]);
        edges.push_back({from[0], from[1], to[0], to[1]});
      }
  return edges;
}

std::vector<std::array<double, 3>> CSyntheticScene::Corners() const {
  std::vector<std::array<double, 3>> corners;
  for (const CBox& box : m_boxes)
    for (double x : {box.min[0], box.max[0]})
      for (double y : {box.min[1], box.max[1]})
        for (double z : {box.min[2], box.max[2]}) corners.push_back({x, y, z});
  return corners;
}

double CSyntheticScene::Extent() const {
  double low[2] = {0, 0}, high[2] = {0, 0};
  for (const CBox& box : m_boxes)
    for (int i = 0; i < 2; ++i) {
      low[i] = std::min(low[i], box.min[i]);
      high[i] = std::max(high[i], box.max[i]);
    }
  return std::max(high[0] - low[0], high[1] - low[1]);
}

CSyntheticScene CSyntheticScene::Random(std::mt19937& random, int width, int height, bool level) {
  auto uniform = [&random](double low, double high) { return std::uniform_real_distribution<double>(low, high)(random); };
  std::vector<CBox> boxes = {
      {{0, 0, 0}, {uniform(1, 3), uniform(1, 3), uniform(0.5, 2)}},
      {{uniform(3.5, 4.5), uniform(-3, -1.5), 0}, {uniform(5, 6.5), uniform(-1, 0), uniform(1, 3)}},
      {{uniform(-3, -2), uniform(3, 4), 0}, {uniform(-1.5, -0.5), uniform(4.5, 6), uniform(0.5, 2.5)}},
  };
  CPinholeCamera camera;
  camera.focal = uniform(0.8, 1.6) * width;
  const double yaw = uniform(0.15, 0.6) * std::numbers::pi;  // look roughly towards +X +Y
  const double distance = uniform(12, 20);
  const double elevation = uniform(0.2, 0.7);
  const double target[3] = {1.5, 1, 0.5};
  camera.position[0] = target[0] - distance * std::cos(elevation) * std::cos(yaw);
  camera.position[1] = target[1] - distance * std::cos(elevation) * std::sin(yaw);
  camera.position[2] = target[2] + distance * std::sin(elevation);
  camera.yaw = yaw + uniform(-0.05, 0.05);
  camera.pitch = elevation + uniform(-0.05, 0.05);
  camera.roll = level ? 0 : uniform(-0.25, 0.25);
  camera.principalOffset[0] = uniform(-0.02, 0.02) * width;
  camera.principalOffset[1] = uniform(-0.02, 0.02) * height;
  return CSyntheticScene(width, height, camera, std::move(boxes));
}
