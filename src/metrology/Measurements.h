#pragma once
// Measurements between points: the distance of two points, the height difference of two points
// and the area of a face, from the points' world coordinates in the scene model, each with its
// standard deviation from the joint covariance of the coordinates it rests on (the measurement
// log): correlated errors, such as those of two points on one vanishing point, partly cancel.
// A face's area is that of a planar quadrilateral, half the length of the cross product of its
// diagonals (for a quadrilateral that is not quite planar, the area of its projection on the
// plane that fits it best in that sense).

#include <array>
#include <optional>
#include <string>

class CMeasurementLog;
class CSingleImage;

struct CMeasuredValue {
  double value = 0;
  // None when a coordinate the value depends on has no known σ (typed, or from a data file).
  std::optional<double> sigma;
  // Why there is no value; "" when there is one.
  std::string message;
  bool HasValue() const { return message.empty(); }
};

// ‖P(idA) − P(idB)‖ in world units.
CMeasuredValue MeasureDistance(const CSingleImage& model, const CMeasurementLog& log, int idA, int idB);
// Z(idA) − Z(idB).
CMeasuredValue MeasureHeightDifference(const CSingleImage& model, const CMeasurementLog& log, int idA, int idB);
// The area of the quadrilateral with these corners, in order around it, in world units squared.
CMeasuredValue MeasureArea(const CSingleImage& model, const CMeasurementLog& log, const std::array<int, 4>& ids);
// The four corners in an order around the quadrilateral they span, the first kept first, for
// corners picked in any order: of the three ways to pair them as diagonals, the one with the
// largest area, since a crossed order (a bow tie) gives only the difference of its two
// triangles, and the order of a rectangle's sides gives 0. The ids as given when a point is
// missing, or when the given order is as large as any.
std::array<int, 4> CornersInOrderAround(const CSingleImage& model, const std::array<int, 4>& ids);
// The area of face number `faceNumber` (0-based in m_Textures).
CMeasuredValue MeasureFaceArea(const CSingleImage& model, const CMeasurementLog& log, int faceNumber);
