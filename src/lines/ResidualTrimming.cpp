#include "lines/ResidualTrimming.h"

#include <cmath>
#include <numbers>

double ResidualAngleDegrees(const CImageSegment& segment, const std::array<double, 3>& vanishingPoint) {
  const double dx = segment.x2 - segment.x1, dy = segment.y2 - segment.y1;
  const double mx = 0.5 * (segment.x1 + segment.x2), my = 0.5 * (segment.y1 + segment.y2);
  // Direction from the midpoint towards the vanishing point, up to sign: v_xy − m·v_w.
  const double tx = vanishingPoint[0] - mx * vanishingPoint[2], ty = vanishingPoint[1] - my * vanishingPoint[2];
  const double cross = dx * ty - dy * tx, dot = dx * tx + dy * ty;
  if (cross == 0 && dot == 0) return 90;
  return std::atan2(std::fabs(cross), std::fabs(dot)) * 180 / std::numbers::pi;
}

CResidualTrim TrimByResidual(const std::vector<CImageSegment>& segments, const std::array<double, 3>& vanishingPoint,
                             double thresholdDegrees) {
  CResidualTrim trim;
  for (const CImageSegment& segment : segments) {
    const double residual = ResidualAngleDegrees(segment, vanishingPoint);
    trim.residualDegrees.push_back(residual);
    trim.exceeds.push_back(residual > thresholdDegrees);
    if (residual > thresholdDegrees) ++trim.exceeding;
  }
  return trim;
}

CResidualTrim TrimByResidual(const CSegmentList& segments, const std::array<double, 3>& vanishingPoint,
                             double thresholdDegrees) {
  std::vector<CImageSegment> plain;
  for (int k = 0; k < segments.GetCount(); ++k) {
    const CLineEndPoints& s = *segments.ElementAt(k);
    plain.push_back({s.m_Point1[0], s.m_Point1[1], s.m_Point2[0], s.m_Point2[1]});
  }
  return TrimByResidual(plain, vanishingPoint, thresholdDegrees);
}
