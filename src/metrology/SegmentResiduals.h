#pragma once
// How well each segment of a direction agrees with the vanishing point computed for it, and how
// firmly that vanishing point is fixed. Everything is worked out in the centred frame the
// vanishing points live in: segment ends come as photograph pixels and are centred here; a
// vanishing point is homogeneous there, with third component 0 for a point at infinity.

#include "metrology/Uncertainty.h"

#include <array>
#include <optional>
#include <vector>

class CSingleImage;

// A segment against its vanishing point v: the angle between the segment and the line from its
// midpoint m to v (for v at infinity, the line through m in v's direction), 0° to 90°, and the
// larger distance of its two ends from that line, in pixels.
struct CSegmentResidual {
  double angleDegrees = 0;
  double distancePixels = 0;
};

// Segment ends in centred coordinates. None when v is (0, 0, 0) (never computed), when v lies
// on the midpoint, or when the segment has no length: then there is no line to compare with.
std::optional<CSegmentResidual> CentredSegmentResidual(const std::array<double, 2>& first,
                                                       const std::array<double, 2>& second,
                                                       const std::array<double, 3>& vanishingPoint);

// A segment typed as photograph pixels (x1, y1, x2, y2) against the model's vanishing point of
// direction `axis` (0 X, 1 Y, 2 Z).
std::optional<CSegmentResidual> SegmentResidual(const CSingleImage& model, int axis,
                                                const std::array<double, 4>& pixelEnds);

// The median of the values (the mean of the middle two for an even count); none for none.
std::optional<double> Median(std::vector<double> values);

// A residual angle more than this many times the median of its direction's is an outlier.
inline constexpr double kOutlierMedianFactor = 3.0;
// Angles below this are no disagreement worth a mark: a direction of exact segments has
// residuals of about 1e-13°, and a segment of a few hundred pixels typed to the pixel misses by
// up to a few hundredths of a degree; none of them is an outlier, whatever the median.
inline constexpr double kNegligibleResidualDegrees = 0.05;

// For each angle (none where a segment has no residual): whether it is an outlier against the
// median of the angles marked as counting (the enabled segments of one direction).
std::vector<bool> OutlyingResiduals(const std::vector<std::optional<double>>& angles,
                                    const std::vector<bool>& counting);

// The standard deviation, in degrees, of the direction of a vanishing point: the angle its unit
// vector (centred pixels, third component 1) turns by along the principal axis of its spread
// with the larger variance, each end point coordinate off by `positionSigma` pixels. For a point
// more than a few pixels from the centre that is the direction in which it lies as seen from the
// image centre; for a point at infinity, the direction of its lines in the image. None when the
// spread is not finite.
std::optional<double> DirectionSigmaDegrees(const CVanishingPointSpread& spread, double positionSigma);

// Segments closer to parallel than this in the image fix a finite vanishing point poorly.
inline constexpr double kNearlyParallelDegrees = 1.0;
// A vanishing point whose third component is below this fraction of its length lies further than
// about 1e9 pixels: the rounding of exactly parallel segments, at infinity in effect.
inline constexpr double kInfiniteTolerance = 1e-9;

bool IsFiniteVanishingPoint(const std::array<double, 3>& vanishingPoint);

// Whether every two of the segments (x1, y1, x2, y2 in any one frame) are within `limitDegrees`
// of parallel in the image; `limitDegrees` at most 45. True for fewer than two.
bool WithinDegreesOfParallel(const std::vector<std::array<double, 4>>& segments, double limitDegrees);

// One direction's quality line: how many segments count, how firmly their vanishing point's
// direction is fixed, and what is wrong with them.
struct CDirectionQuality {
  int segments = 0;
  std::optional<double> directionSigmaDegrees;
  bool tooFew = false;          // fewer than two segments
  bool nearlyParallel = false;  // all within kNearlyParallelDegrees, yet their vanishing point finite
};

// `segments` are the direction's enabled ones; `spread` the spread of its vanishing point as last
// calculated (none when that is not known, as after a loaded data file).
CDirectionQuality AssessDirection(const std::vector<std::array<double, 4>>& segments,
                                  const std::array<double, 3>& vanishingPoint,
                                  const std::optional<CVanishingPointSpread>& spread, double positionSigma);
