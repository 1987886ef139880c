#include "camera/CameraFiles.h"

#include "model/SingleImage.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <locale>
#include <sstream>

namespace {

using nlohmann::json;

// How far from the centre an infinite vanishing point is written, in image-plane units.
constexpr double kFarAway = 1e6;

void AppendLe32(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
}

// Numbers that read back to the same doubles, whatever the locale.
std::ostringstream NumberStream() {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  out << std::setprecision(17);
  return out;
}

json Rows(const double (&m)[4][4]) {
  json rows = json::array();
  for (const auto& row : m) rows.push_back(std::vector<double>(row, row + 4));
  return {{"rows", rows}};
}

}  // namespace

std::string MakeFspyProject(const CCameraCalibration& camera, const std::vector<unsigned char>& image,
                            const std::string& distanceUnit) {
  const double w = camera.imageWidth, h = camera.imageHeight;
  const double halfLonger = std::max(w, h) / 2;
  const auto plane = [halfLonger](double u, double v) { return json{{"x", u / halfLonger}, {"y", v / halfLonger}}; };

  // The camera's right, up and backward directions in the world, and its position.
  const CMatrix3& R = camera.rotation;
  double cameraTransform[4][4] = {}, viewTransform[4][4] = {};
  for (int i = 0; i < 3; ++i) {
    cameraTransform[i][0] = R[0][i];
    cameraTransform[i][1] = -R[1][i];
    cameraTransform[i][2] = -R[2][i];
    cameraTransform[i][3] = camera.position[i];
    viewTransform[0][i] = R[0][i];
    viewTransform[1][i] = -R[1][i];
    viewTransform[2][i] = -R[2][i];
  }
  cameraTransform[3][3] = viewTransform[3][3] = 1;
  viewTransform[0][3] = camera.translation[0];
  viewTransform[1][3] = -camera.translation[1];
  viewTransform[2][3] = -camera.translation[2];

  // Each vanishing point is where its world axis, taken in the direction the camera looks along
  // it, meets the photograph.
  json vanishingPoints = json::array(), axes = json::array();
  const char* names[3][2] = {{"xPositive", "xNegative"}, {"yPositive", "yNegative"}, {"zPositive", "zNegative"}};
  for (int axis = 0; axis < 3; ++axis) {
    const double d[3] = {R[0][axis], -R[1][axis], R[2][axis]};  // right, up, forward
    const double f = camera.focalPixels;
    const bool towards = d[2] > 0 || (d[2] == 0 && (d[0] > 0 || (d[0] == 0 && d[1] > 0)));
    axes.push_back(names[axis][towards ? 0 : 1]);
    if (std::fabs(d[2]) * kFarAway * halfLonger > f * std::hypot(d[0], d[1])) {
      vanishingPoints.push_back(plane(f * d[0] / d[2] + camera.principalPoint[0], f * d[1] / d[2] + camera.principalPoint[1]));
    } else {
      const double s = (towards ? 1 : -1) * kFarAway / std::hypot(d[0], d[1]);
      vanishingPoints.push_back({{"x", s * d[0]}, {"y", s * d[1]}});
    }
  }

  json state;
  state["cameraParameters"] = {
      {"principalPoint", plane(camera.principalPoint[0], camera.principalPoint[1])},
      {"viewTransform", Rows(viewTransform)},
      {"cameraTransform", Rows(cameraTransform)},
      {"horizontalFieldOfView", camera.horizontalFov},
      {"verticalFieldOfView", camera.verticalFov},
      {"vanishingPoints", vanishingPoints},
      {"vanishingPointAxes", axes},
      {"relativeFocalLength", camera.focalPixels / halfLonger},
      {"imageWidth", camera.imageWidth},
      {"imageHeight", camera.imageHeight},
  };
  state["calibrationSettingsBase"] = {{"referenceDistanceUnit", distanceUnit}};
  const std::string text = state.dump();

  std::string bytes = "fspy";
  AppendLe32(bytes, 1);
  AppendLe32(bytes, static_cast<uint32_t>(text.size()));
  AppendLe32(bytes, static_cast<uint32_t>(image.size()));
  bytes += text;
  bytes.append(image.begin(), image.end());
  return bytes;
}

CColmapModel MakeColmapModel(const CSingleImage& model, const CCameraCalibration& camera, const std::string& imageName) {
  const double w = camera.imageWidth, h = camera.imageHeight;
  const int count = model.m_Points.GetCount();
  CColmapModel files;

  std::ostringstream cameras = NumberStream();
  cameras << "# Camera list with one line of data per camera:\n"
          << "#   CAMERA_ID, MODEL, WIDTH, HEIGHT, PARAMS[]\n"
          << "# Number of cameras: 1\n"
          << "1 PINHOLE " << camera.imageWidth << ' ' << camera.imageHeight << ' ' << camera.focalPixels << ' '
          << camera.focalPixels << ' ' << camera.principalPoint[0] + w / 2 << ' ' << h / 2 - camera.principalPoint[1]
          << '\n';
  files.cameras = cameras.str();

  const std::array<double, 4> q = QuaternionFromRotation(camera.rotation);
  std::ostringstream images = NumberStream();
  images << "# Image list with two lines of data per image:\n"
         << "#   IMAGE_ID, QW, QX, QY, QZ, TX, TY, TZ, CAMERA_ID, NAME\n"
         << "#   POINTS2D[] as (X, Y, POINT3D_ID)\n"
         << "# Number of images: 1, mean observations per image: " << count << '\n'
         << "1 " << q[0] << ' ' << q[1] << ' ' << q[2] << ' ' << q[3] << ' ' << camera.translation[0] << ' '
         << camera.translation[1] << ' ' << camera.translation[2] << " 1 " << imageName << '\n';
  for (int i = 0; i < count; ++i) {
    const CViewPoint& p = *model.m_Points.ElementAt(i);
    images << (i ? " " : "") << p.m_u + w / 2 << ' ' << h / 2 - p.m_v << ' ' << i + 1;
  }
  images << '\n';
  files.images = images.str();

  std::ostringstream points = NumberStream();
  points << "# 3D point list with one line of data per point:\n"
         << "#   POINT3D_ID, X, Y, Z, R, G, B, ERROR, TRACK[] as (IMAGE_ID, POINT2D_IDX)\n"
         << "# Number of points: " << count << ", mean track length: " << (count ? 1 : 0) << '\n';
  for (int i = 0; i < count; ++i) {
    const CViewPoint& p = *model.m_Points.ElementAt(i);
    // The photograph's pixel under the point (rows bottom-up, three bytes a pixel), grey without one.
    unsigned char rgb[3] = {128, 128, 128};
    const double column = std::floor(p.m_u + w / 2), row = std::floor(p.m_v + h / 2);
    if (model.HasPixels() && column >= 0 && row >= 0 && column < w && row < h) {
      const unsigned char* pixel = model.m_pPixels.get() + 3 * (static_cast<size_t>(row) * camera.imageWidth + static_cast<size_t>(column));
      for (int k = 0; k < 3; ++k) rgb[k] = pixel[k];
    }
    const auto seen = ProjectThroughCamera(camera, {p.m_x, p.m_y, p.m_z});
    points << i + 1 << ' ' << p.m_x << ' ' << p.m_y << ' ' << p.m_z << ' ' << int(rgb[0]) << ' ' << int(rgb[1]) << ' '
           << int(rgb[2]) << ' ' << std::hypot(seen[0] - p.m_u, seen[1] - p.m_v) << " 1 " << i << '\n';
  }
  files.points3D = points.str();
  return files;
}
