#pragma once
// The world frame as the photograph shows it, once the reference parameters are stored: the
// image of the world origin and, for X, Y and Z, the unit direction in which the image of the
// positive axis leaves it. Centred positions, v upwards. The X and Y directions come from the
// ground-plane homography H = [a·Vx, b·Vy, o], Z from the plane homography at height Z (its
// third column grows by A·Z·Vz), so each points along its own axis whatever the signs of the
// vanishing points.

#include <array>
#include <optional>

class CSingleImage;

struct CWorldAxesImage {
  std::array<double, 2> origin{};
  // None for an axis whose image at the origin is a single point (a degenerate scale).
  std::optional<std::array<double, 2>> direction[3];
};

// None before the reference parameters are stored (the origin's image is not known).
std::optional<CWorldAxesImage> WorldAxesInImage(const CSingleImage& model);
