#pragma once
// Vanishing points from image segments that are parallel in the world. Each segment gives the
// homogeneous line through its end points (their cross product, not normalised, so longer
// segments and segments far from the centre weigh more); the vanishing point is the unit vector
// p minimising Σ (l · p)², the left singular vector of the smallest singular value of the
// lines' scatter matrix. It is not divided by its third component, and either sign occurs.

#include "metrology/LineEndPoints.h"
#include "model/RecordArray.h"

#include <array>
#include <string>

class CSingleImage;

// Negligibility tolerance of the SVD for the scatter matrix.
inline constexpr double kVanishingPointSvdTolerance = 1e-7;

using CSegmentList = CRecordArray<CLineEndPoints>;

// A new segment from two photograph pixel positions, in centred coordinates of the model's photograph.
CLineEndPoints* MakeSegment(const CSingleImage& model, double point1X, double point1Y, double point2X,
                            double point2Y);

// The scatter matrix Σ l lᵀ of the segments' lines, decomposed: singular values on the diagonal
// of s (non-increasing when the SVD converged), left singular vectors in the columns of u, and
// the index of the smallest singular value (the first one on ties).
struct CScatterDecomposition {
  double s[3] = {};
  double u[9] = {};
  int smallest = 0;
  std::array<double, 3> Column(int j) const { return {u[j], u[3 + j], u[6 + j]}; }
};
CScatterDecomposition DecomposeScatterMatrix(const CSegmentList& lines,
                                             double tolerance = kVanishingPointSvdTolerance);

std::array<double, 3> EstimateVanishingPoint(const CSegmentList& lines,
                                             double tolerance = kVanishingPointSvdTolerance);

// Below this ratio of its second to its largest singular value a scatter matrix counts as rank
// one: its segments lie on one line (repeated, or pieces of one line) or have no length, and any
// point of that line fits them equally well. The matrix is taken with centred coordinates in
// units of the end points' RMS distance from the centre, so that the ratio does not depend on
// the photograph's size or where the lines lie. Rounding leaves coinciding lines below 1e-13
// (4e-14 for 25,000 copies of one segment); two distinct lines of lengths L1 ≤ L2 at an angle θ
// in those units give about (L1/L2)²·θ²/4: 1e-8 for two parallel lines a pixel apart at the
// edge of a 6000 × 4000 photograph, 1.5e-11 for a 1-pixel segment 0.006 rad off its diagonal.
inline constexpr double kUndeterminedPointRatio = 1e-12;

// The segments fix a point: their scatter matrix has rank two or three.
bool SegmentsDetermineAPoint(const CSegmentList& lines);

// Estimates and stores m_Vx, m_Vy and m_Vz. With fewer than two segments in any direction, or
// segments that do not determine a point, it stores nothing and returns the message that names
// those directions; otherwise "".
std::string CalculateVanishingPoints(CSingleImage& model, const CSegmentList& xLines, const CSegmentList& yLines,
                                     const CSegmentList& zLines);
