#pragma once
// Photographs that exist only as geometry: a pinhole camera over boxes standing on the ground
// plane Z = 0, with the world origin at a ground point. It gives the exact photograph pixel
// position (x right, y up from the bottom row, as the status bar shows it) of any world point,
// and the pixel end points of every box edge along X, Y or Z, so a test knows every answer of
// the metrology independently of it.

#include <array>
#include <random>
#include <vector>

struct CPinholeCamera {
  double focal = 800;           // pixels
  double position[3] = {};      // world
  double yaw = 0;               // radians about Z; 0 looks along +X
  double pitch = 0;             // radians below the horizon
  double roll = 0;              // radians about the viewing direction; 0 keeps the horizon level
  double principalOffset[2] = {};  // principal point relative to the photograph's centre, pixels
};

struct CBox {
  double min[3];  // min[2] is 0: boxes stand on the ground
  double max[3];
};

using CPixelSegment = std::array<double, 4>;  // x1, y1, x2, y2

class CSyntheticScene {
 public:
  CSyntheticScene(int width, int height, const CPinholeCamera& camera, std::vector<CBox> boxes);

  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  const std::vector<CBox>& Boxes() const { return m_boxes; }

  // Photograph pixel position of a world point; the point must lie in front of the camera.
  std::array<double, 2> Pixel(double X, double Y, double Z) const;
  // Depth of a world point along the viewing direction (positive in front of the camera).
  double Depth(double X, double Y, double Z) const;
  // The box edges parallel to world axis 0 (X), 1 (Y) or 2 (Z), as pixel segments.
  std::vector<CPixelSegment> EdgesAlong(int axis) const;
  // Every box corner, ground and top.
  std::vector<std::array<double, 3>> Corners() const;
  // The largest world extent of the boxes along X or Y.
  double Extent() const;

  // A random scene of this size: the camera looks down on three boxes from 12 to 20 units away;
  // level cameras have no roll.
  static CSyntheticScene Random(std::mt19937& random, int width, int height, bool level);

 private:
  void CameraCoordinates(double X, double Y, double Z, double out[3]) const;

  int m_nWidth;
  int m_nHeight;
  CPinholeCamera m_camera;
  std::vector<CBox> m_boxes;
  double m_right[3], m_up[3], m_forward[3];
};
