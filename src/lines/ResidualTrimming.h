#pragma once
// How far each segment of one direction misses that direction's vanishing point: the angle
// between the segment and the line from its midpoint to the vanishing point, in degrees from 0
// to 90. A vanishing point at infinity (third component 0) gives the angle between the segment
// and its direction. Segments and vanishing point must be in the same frame, for example
// centred positions with the model's m_Vx, m_Vy or m_Vz; the vanishing point's scale and sign
// do not matter.

#include "lines/ImageSegment.h"
#include "metrology/VanishingPoints.h"

#include <array>
#include <vector>

// Residual above which "Disable outliers" disables a segment.
inline constexpr double kDefaultResidualThresholdDegrees = 0.5;

double ResidualAngleDegrees(const CImageSegment& segment, const std::array<double, 3>& vanishingPoint);

struct CResidualTrim {
  std::vector<double> residualDegrees;  // one per segment, in order
  std::vector<bool> exceeds;            // residual above the threshold
  int exceeding = 0;
};

CResidualTrim TrimByResidual(const std::vector<CImageSegment>& segments, const std::array<double, 3>& vanishingPoint,
                             double thresholdDegrees = kDefaultResidualThresholdDegrees);
// The same for the segments as the model stores them (centred positions).
CResidualTrim TrimByResidual(const CSegmentList& segments, const std::array<double, 3>& vanishingPoint,
                             double thresholdDegrees = kDefaultResidualThresholdDegrees);
