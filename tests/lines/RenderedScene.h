#pragma once
// Photographs of boxes and façades rendered for the line tests, so that every edge and every
// vanishing point is known exactly. A pinhole camera with its principal point at the
// photograph's centre looks at boxes standing on a plain ground plane; the sky has the ground's
// colour, so no horizon shows. A pixel whose four corners see the same colour has that colour;
// any other is the average of 16 rays spread over its square (all at different columns and
// rows, so that edges along the rows or columns land within 1/32 pixel). Then the picture is
// blurred, given noise and, when asked, passed through JPEG.
// Pixel positions are the program's: column from the left, row from the bottom, pixel (i, j)
// being the picture at exactly (i, j).

#include "image/PixelImage.h"

#include <array>
#include <vector>

struct CSceneCamera {
  double focal = 700;               // pixels
  double position[3] = {};          // world
  double target[3] = {};            // world point seen at the photograph's centre
  double rollDegrees = 0;           // about the viewing direction, counter-clockwise in the picture
};

struct CSceneBox {
  double min[3];
  double max[3];
  std::array<unsigned char, 3> colour;
  int windowColumns = 0;  // windows on every side face: columns per face along its width
  int windowRows = 0;     // ... and storeys, with a light band between two storeys
};

struct CRenderSettings {
  double blurSigma = 0;   // pixels
  double noiseSigma = 0;  // grey levels, per channel
  int jpegQuality = 0;    // 0 leaves the picture uncompressed
  unsigned seed = 7;
  bool singleRay = false;  // one ray through each pixel's centre: quick, for large pictures that need no exact edges
};

class CRenderedScene {
 public:
  CRenderedScene(int width, int height, const CSceneCamera& camera, std::vector<CSceneBox> boxes);

  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  double Focal() const { return m_camera.focal; }

  // Pixel position of a world point in front of the camera.
  std::array<double, 2> Pixel(double X, double Y, double Z) const;
  // Vanishing point of world axis 0 (X), 1 (Y) or 2 (Z): homogeneous, centred positions.
  std::array<double, 3> VanishingPoint(int axis) const;
  // Angle in degrees between the viewing rays of two homogeneous centred positions, as lines
  // through the camera centre (signs do not matter).
  double RayAngleDegrees(const std::array<double, 3>& p, const std::array<double, 3>& q) const;

  // RGB, rows bottom-up.
  CPixelImage Render(const CRenderSettings& settings) const;

 private:
  std::array<double, 3> Shade(const double direction[3]) const;

  int m_nWidth, m_nHeight;
  CSceneCamera m_camera;
  std::vector<CSceneBox> m_boxes;
  double m_right[3], m_up[3], m_forward[3];
};
