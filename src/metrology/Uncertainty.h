#pragma once
// How far to trust a measured point. Every image position the user gives is taken to be off by
// an error of standard deviation kImagePositionSigma pixels in u and in v, independently; the
// reference world values (point x, point y, Z Value) are exact. A point's X, Y and Z are a
// function of all those positions through the whole chain (segments → vanishing points →
// reference scales → the point dialog's buttons); their standard deviations follow to first
// order. The segments reach the point only through the vanishing points, whose first-order
// moves are worked out analytically from the decomposition of their scatter matrices (one pass
// over the segments); the rest of the chain, from the vanishing points and the other positions
// on, is differentiated numerically. The cost is linear in the number of segments.
// This is one point alone, its fields taken as separate positions; the measurement log
// (MeasurementLog.h) propagates all points of a session jointly.

#include "metrology/PointMeasurement.h"
#include "metrology/ReferenceParameters.h"

#include <array>
#include <optional>
#include <vector>

inline constexpr double kImagePositionSigma = 0.5;

// What the chain was computed from: the photograph's size, the segments of each direction as
// they were at "Caculate " (photograph pixels x1, y1, x2, y2) and the fields of the last
// reference-parameter OK, with the further vertical references beside it (the measurement log
// fits A to all of them; the single-point propagation here uses the reference fields alone).
struct CChainInputs {
  int width = 0;
  int height = 0;
  std::vector<std::array<double, 4>> segments[3];
  CReferenceFields reference;
  std::vector<CVerticalReference> references;
};

// How one point's coordinates were obtained in its dialog: Z typed, or by "CACULATE Z" from the
// foot b and the top t; X and Y by "CACULATE XandY" from (U, V) at that Z.
struct CPointProvenance {
  bool heightFromSegment = false;
  double bU = 0, bV = 0, tU = 0, tV = 0;
  double Z = 0;  // the typed height when it is not from a segment
  double U = 0, V = 0;
};

// The point's X, Y and Z as the chain computes them from the inputs.
std::array<double, 3> MeasureThroughChain(const CChainInputs& chain, const CPointProvenance& point);

// The image positions a point's measurement rests on, in a fixed order: every segment end
// point, the reference positions (world origin, ground point, foot, top), then the point's own.
std::vector<double> ChainPositions(const CChainInputs& chain, const CPointProvenance& point);
// MeasureThroughChain with the positions replaced by the given ones (in ChainPositions' order).
std::array<double, 3> MeasureAtPositions(const CChainInputs& chain, const CPointProvenance& point,
                                         const std::vector<double>& positions);

// How a direction's vanishing point (the unit vector the chain computes, with its sign) moves
// with its segments' end points: to first order only along the two directions orthogonal to it,
// with this covariance per unit variance of every end point coordinate.
struct CVanishingPointSpread {
  std::array<double, 3> point = {};
  std::array<double, 3> directions[2] = {};
  double covariance[2][2] = {};
};
// The principal axes of a spread's covariance (unit vectors in the plane of its two directions)
// and the variance along each: moves along them are independent.
struct CPrincipalAxes {
  double axes[2][2];
  double variances[2];
};
CPrincipalAxes PrincipalAxes(const double (&covariance)[2][2]);

// Direction 0, 1 or 2 (X, Y, Z) of the chain.
CVanishingPointSpread SpreadOfVanishingPoint(const CChainInputs& chain, int axis);

// Standard deviations of X, Y and Z; none when the chain gives no finite answer.
std::optional<std::array<double, 3>> PropagatePointUncertainty(const CChainInputs& chain,
                                                               const CPointProvenance& point,
                                                               double sigma = kImagePositionSigma);
// The same with the spreads of the chain's three vanishing points already worked out, for
// several points of one chain.
std::optional<std::array<double, 3>> PropagatePointUncertainty(const CChainInputs& chain,
                                                               const std::array<CVanishingPointSpread, 3>& spreads,
                                                               const CPointProvenance& point,
                                                               double sigma = kImagePositionSigma);
