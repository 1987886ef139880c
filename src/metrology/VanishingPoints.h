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

std::array<double, 3> EstimateVanishingPoint(const CSegmentList& lines,
                                             double tolerance = kVanishingPointSvdTolerance);

// Estimates and stores m_Vx, m_Vy and m_Vz. With fewer than two segments in any direction it
// stores nothing and returns the message that says which directions lack them; otherwise "".
std::string CalculateVanishingPoints(CSingleImage& model, const CSegmentList& xLines, const CSegmentList& yLines,
                                     const CSegmentList& zLines);
