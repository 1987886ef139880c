#include "RenderedScene.h"

#include "image/Photograph.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include <turbojpeg.h>

namespace {

void Normalise(double v[3]) {
  const double norm = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  for (int i = 0; i < 3; ++i) v[i] /= norm;
}

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

constexpr int kRaysPerPixel = 16;
constexpr std::array<unsigned char, 3> kGround = {120, 125, 110};
constexpr std::array<unsigned char, 3> kWindow = {35, 45, 60};
constexpr std::array<unsigned char, 3> kBand = {235, 230, 220};  // the cornice between two storeys
const double kLight[3] = {-0.4, -0.7, 0.9};  // towards the light, not normalised

}  // namespace

CRenderedScene::CRenderedScene(int width, int height, const CSceneCamera& camera, std::vector<CSceneBox> boxes)
    : m_nWidth(width), m_nHeight(height), m_camera(camera), m_boxes(std::move(boxes)) {
  for (int i = 0; i < 3; ++i) m_forward[i] = camera.target[i] - camera.position[i];
  Normalise(m_forward);
  double right[3] = {m_forward[1], -m_forward[0], 0};  // forward × Z
  Normalise(right);
  const double up[3] = {right[1] * m_forward[2] - right[2] * m_forward[1], right[2] * m_forward[0] - right[0] * m_forward[2],
                        right[0] * m_forward[1] - right[1] * m_forward[0]};
  const double roll = camera.rollDegrees * std::numbers::pi / 180;
  for (int i = 0; i < 3; ++i) {
    m_right[i] = std::cos(roll) * right[i] + std::sin(roll) * up[i];
    m_up[i] = -std::sin(roll) * right[i] + std::cos(roll) * up[i];
  }
}

std::array<double, 2> CRenderedScene::Pixel(double X, double Y, double Z) const {
  const double d[3] = {X - m_camera.position[0], Y - m_camera.position[1], Z - m_camera.position[2]};
  const double depth = Dot(d, m_forward);
  return {m_camera.focal * Dot(d, m_right) / depth + m_nWidth / 2.0,
          m_camera.focal * Dot(d, m_up) / depth + m_nHeight / 2.0};
}

std::array<double, 3> CRenderedScene::VanishingPoint(int axis) const {
  return {m_camera.focal * m_right[axis], m_camera.focal * m_up[axis], m_forward[axis]};
}

double CRenderedScene::RayAngleDegrees(const std::array<double, 3>& p, const std::array<double, 3>& q) const {
  const double a[3] = {p[0], p[1], m_camera.focal * p[2]}, b[3] = {q[0], q[1], m_camera.focal * q[2]};
  const double cross[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  return std::atan2(std::sqrt(Dot(cross, cross)), std::fabs(Dot(a, b))) * 180 / std::numbers::pi;
}

std::array<double, 3> CRenderedScene::Shade(const double direction[3]) const {
  const double* origin = m_camera.position;
  double nearest = std::numeric_limits<double>::infinity();
  std::array<double, 3> colour = {double(kGround[0]), double(kGround[1]), double(kGround[2])};
  if (direction[2] < 0) nearest = -origin[2] / direction[2];
  for (const CSceneBox& box : m_boxes) {
    double enter = 0, leave = std::numeric_limits<double>::infinity();
    int enterAxis = -1;
    double enterSign = 0;
    bool missed = false;
    for (int axis = 0; axis < 3 && !missed; ++axis) {
      if (direction[axis] == 0) {
        missed = origin[axis] < box.min[axis] || origin[axis] > box.max[axis];
        continue;
      }
      double t0 = (box.min[axis] - origin[axis]) / direction[axis];
      double t1 = (box.max[axis] - origin[axis]) / direction[axis];
      double sign = -1;  // the face entered has its normal against the ray
      if (t0 > t1) {
        std::swap(t0, t1);
        sign = 1;
      }
      if (t0 > enter) {
        enter = t0;
        enterAxis = axis;
        enterSign = sign;
      }
      leave = std::min(leave, t1);
      missed = enter > leave;
    }
    if (missed || enterAxis < 0 || enter >= nearest) continue;
    nearest = enter;
    double normal[3] = {0, 0, 0};
    normal[enterAxis] = enterSign;
    const double lightNorm = std::sqrt(Dot(kLight, kLight));
    const double brightness = 0.35 + 0.65 * std::max(0.0, Dot(normal, kLight) / lightNorm);
    std::array<unsigned char, 3> base = box.colour;
    if (enterAxis < 2 && box.windowColumns > 0) {
      const int across = enterAxis == 0 ? 1 : 0;
      const double hit[3] = {origin[0] + enter * direction[0], origin[1] + enter * direction[1],
                             origin[2] + enter * direction[2]};
      const double s = (hit[across] - box.min[across]) / (box.max[across] - box.min[across]) * box.windowColumns;
      const double t = (hit[2] - box.min[2]) / (box.max[2] - box.min[2]) * box.windowRows;
      const double fs = s - std::floor(s), ft = t - std::floor(t);
      if (fs > 0.2 && fs < 0.8 && ft > 0.3 && ft < 0.8) base = kWindow;
      if (ft < 0.12 && t > 1) base = kBand;
    }
    for (int c = 0; c < 3; ++c) colour[c] = base[c] * brightness;
  }
  return colour;
}

CPixelImage CRenderedScene::Render(const CRenderSettings& settings) const {
  const int width = m_nWidth, height = m_nHeight;
  std::vector<double> picture(static_cast<size_t>(width) * height * 3);
  const auto shadeAt = [this](double u, double v) {
    double direction[3];
    for (int i = 0; i < 3; ++i) direction[i] = m_right[i] * u + m_up[i] * v + m_forward[i] * m_camera.focal;
    return Shade(direction);
  };
  // The colours at the pixels' corners: a pixel whose four corners agree lies inside one face
  // (every feature of the scenes is several pixels wide) and needs no more rays.
  std::vector<std::array<double, 3>> corners;
  if (!settings.singleRay) {
    corners.resize(static_cast<size_t>(width + 1) * (height + 1));
    for (int y = 0; y <= height; ++y)
      for (int x = 0; x <= width; ++x)
        corners[static_cast<size_t>(y) * (width + 1) + x] = shadeAt(x - 0.5 - width / 2.0, y - 0.5 - height / 2.0);
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double* out = &picture[(static_cast<size_t>(y) * width + x) * 3];
      if (settings.singleRay) {
        const std::array<double, 3> colour = shadeAt(x - width / 2.0, y - height / 2.0);
        for (int c = 0; c < 3; ++c) out[c] = colour[c];
        continue;
      }
      const std::array<double, 3>& corner = corners[static_cast<size_t>(y) * (width + 1) + x];
      if (corner == corners[static_cast<size_t>(y) * (width + 1) + x + 1] &&
          corner == corners[static_cast<size_t>(y + 1) * (width + 1) + x] &&
          corner == corners[static_cast<size_t>(y + 1) * (width + 1) + x + 1]) {
        for (int c = 0; c < 3; ++c) out[c] = corner[c];
        continue;
      }
      double sum[3] = {0, 0, 0};
      for (int k = 0; k < kRaysPerPixel; ++k) {
        // Every ray at its own column and row within the pixel.
        const double u = x + (k + 0.5) / kRaysPerPixel - 0.5 - width / 2.0;
        const double v = y + ((k * 7) % kRaysPerPixel + 0.5) / kRaysPerPixel - 0.5 - height / 2.0;
        const std::array<double, 3> colour = shadeAt(u, v);
        for (int c = 0; c < 3; ++c) sum[c] += colour[c];
      }
      for (int c = 0; c < 3; ++c) out[c] = sum[c] / kRaysPerPixel;
    }

  if (settings.blurSigma > 0) {
    const int radius = static_cast<int>(std::ceil(3 * settings.blurSigma));
    std::vector<double> kernel(2 * radius + 1);
    double total = 0;
    for (int i = -radius; i <= radius; ++i)
      total += kernel[i + radius] = std::exp(-0.5 * i * i / (settings.blurSigma * settings.blurSigma));
    for (double& weight : kernel) weight /= total;
    std::vector<double> pass(picture.size());
    for (int direction = 0; direction < 2; ++direction) {
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int i = -radius; i <= radius; ++i) {
              const int xs = direction == 0 ? std::clamp(x + i, 0, width - 1) : x;
              const int ys = direction == 1 ? std::clamp(y + i, 0, height - 1) : y;
              sum += kernel[i + radius] * picture[(static_cast<size_t>(ys) * width + xs) * 3 + c];
            }
            pass[(static_cast<size_t>(y) * width + x) * 3 + c] = sum;
          }
      picture.swap(pass);
    }
  }

  CPixelImage image;
  image.width = width;
  image.height = height;
  image.pixels = AllocatePixels(image.ByteCount());
  std::mt19937 random(settings.seed);
  std::normal_distribution<double> noise(0, settings.noiseSigma > 0 ? settings.noiseSigma : 1);
  for (size_t i = 0; i < picture.size(); ++i) {
    const double value = picture[i] + (settings.noiseSigma > 0 ? noise(random) : 0);
    image.pixels[i] = static_cast<unsigned char>(std::clamp(std::lround(value), 0L, 255L));
  }
  if (settings.jpegQuality > 0) {
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, image.pixels.get(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420,
                settings.jpegQuality, TJFLAG_BOTTOMUP);
    CPhotoReadResult decoded = DecodeJpeg(jpeg, size);
    tjFree(jpeg);
    tjDestroy(handle);
    image = std::move(decoded.image);
  }
  return image;
}
