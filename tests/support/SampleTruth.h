#pragma once
// The truth behind the sample photograph (examples/sample-scene-truth.txt): every box corner and
// reference position with its world coordinates and exact pixel position, and the segments of
// each direction.

#include <array>
#include <map>
#include <string>
#include <vector>

struct CSampleTruth {
  struct CPosition {
    double X, Y, Z;  // world, metres
    double x, y;     // photograph pixel position, exact
  };
  std::map<std::string, CPosition> corners, references;
  std::map<char, std::vector<std::array<double, 4>>> segments;  // 'X', 'Y', 'Z': x1, y1, x2, y2
};

// Empty maps when the file cannot be read.
CSampleTruth ReadSampleTruth(const std::string& path);
