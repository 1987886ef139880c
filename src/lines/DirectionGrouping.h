#pragma once
// Sorting segments into the three principal directions of the scene. Vanishing-point
// hypotheses are the intersections of pairs of segments drawn at random (longer segments more
// often); a hypothesis is scored by every segment: the angle θ between the segment and the line
// from its midpoint to the hypothesis, against a tolerance τ that widens for short segments
// (τ = inlierDegrees + atan(2·endPointPixels / length)), each segment adding
// length·(1 − (θ/τ)²) when θ < τ. The best hypothesis takes its consistent segments (at least
// three, since any two agree on their crossing), its point is refined by least squares of the
// angles, and the search repeats on the segments left, for up to five groups. A segment that
// agrees with several groups (near the horizon, say) then goes to the one it agrees with best.
// Pieces of one straight line within a group (window sides stacked in a column) are fitted as
// one line for the final vanishing point, whose angle their whole span fixes.
// Of the groups found, the vertical is the one whose vanishing point lies closest to the
// image's up (or down) as seen from the image centre, within verticalToleranceDegrees; the two
// ground directions are the two other groups with the largest support. A direction with fewer
// than minimumSegments segments is reported as not found, and suggests nothing; the segments of
// no reported direction are outliers.

#include "lines/ImageSegment.h"

#include <array>
#include <string>
#include <vector>

struct CGroupingOptions {
  int hypotheses = 2000;
  double inlierDegrees = 0.5;
  double endPointPixels = 0.5;
  int minimumSegments = 5;
  double verticalToleranceDegrees = 35;
  unsigned seed = 1;  // the random draws are repeatable
};

// Pieces of one straight line within a direction (window sides stacked in a column): two or
// more segments whose end points all lie on one fitted line.
struct CJoinedLine {
  std::vector<int> pieces;  // indices of its segments in the input, ascending
  CImageSegment span;       // the fitted line from its outermost end to the other, pixel positions
};

struct CDirectionGroup {
  bool found = false;
  std::vector<int> segments;                 // indices of its segments in the input, ascending
  std::array<double, 3> vanishingPoint{};   // homogeneous, centred positions, length 1, as the model's m_Vx
  double rmsResidualDegrees = 0;             // of its segments about the vanishing point
  std::string message;                       // why it was not found; empty when it was
  std::vector<CJoinedLine> joinedLines;      // its pieces of one line, each piece in one at most
  int Count() const { return static_cast<int>(segments.size()); }
};

// Positions in CSegmentGrouping::directions.
inline constexpr int kFirstGround = 0;   // the ground direction with the larger support
inline constexpr int kSecondGround = 1;
inline constexpr int kVertical = 2;
// Label of a segment that belongs to no direction.
inline constexpr int kOutlier = -1;

struct CSegmentGrouping {
  std::array<CDirectionGroup, 3> directions;
  std::vector<int> labels;  // per input segment: kFirstGround, kSecondGround, kVertical or kOutlier
  bool cancelled = false;
};

// Segments in pixel positions of a width × height photograph. edgeSigmaPixels, when given (one
// per segment), is the scatter of each segment's edge points about its line, which sets its
// weight in the vanishing point's least squares; without it every segment counts 1 pixel.
CSegmentGrouping GroupSegments(const std::vector<CImageSegment>& segments, int width, int height,
                               const CGroupingOptions& options = {}, const CProgressCallback& progress = {},
                               const std::vector<double>& edgeSigmaPixels = {});

// The vanishing point that fits the segments best, starting from a guess (homogeneous, centred
// positions, as is the result). It minimises Σ w·sin²θ, θ as above, with the weight
// w = length³ / σ² of a line fitted to one edge point per pixel of length, each σ off the line.
std::array<double, 3> FitVanishingPoint(const std::vector<CImageSegment>& segments, int width, int height,
                                        const std::array<double, 3>& guess,
                                        const std::vector<double>& edgeSigmaPixels = {});
