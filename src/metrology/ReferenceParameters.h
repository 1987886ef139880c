#pragma once
// The metric world frame: from the vanishing points, the image of the world origin, a second
// ground point with its world X and Y, and a vertical segment of known height, the scales a
// and b of the X and Y vanishing points in the ground-plane homography H = [a·Vx, b·Vy, o] and
// the vertical scale A. Positions are photograph pixels; the computation is centred.

#include <array>
#include <string>
#include <vector>

class CSingleImage;

// The fields of the reference-parameter dialog, in its exchange order.
struct CReferenceFields {
  double m_bU = 0;
  double m_bV = 0;
  double m_A = 0;
  double m_a = 0;
  double m_b = 0;
  double m_PointX = 0;
  double m_PointY = 0;
  double m_tU = 0;
  double m_tV = 0;
  double m_ZValue = 0;
  double m_PointU = 0;
  double m_PointV = 0;
  double m_WorldOriginU = 0;
  double m_WorldOriginV = 0;
};

// A further vertical segment of known height standing on the ground: its foot and top as
// photograph pixels, and its height in the unit of Z Value.
struct CVerticalReference {
  std::array<double, 2> foot{}, top{};
  double height = 0;

  bool operator==(const CVerticalReference&) const = default;
};

// Why a vertical segment from the foot (bU, bV) to the top (tU, tV) of this height cannot fix A,
// one cause an entry (a height of 0, coincident ends, a foot on the vanishing line, no vanishing
// line); none when it can.
std::vector<std::string> VerticalSegmentProblems(const CSingleImage& model, double bU, double bV, double tU, double tV,
                                                 double height);

// Computes a, b (a 2 × 2 solve) and A into the fields; the scene model is only read. The
// values are computed whatever the inputs; the result names the inputs that make them
// meaningless, one cause a line, or is "" when there are none.
std::string CalculateReferenceScales(const CSingleImage& model, CReferenceFields& fields);

// How far the typed point t lies off the vertical through point b, in pixels; A is computed
// with t moved onto that vertical (VerticalScale.h).
double TopOffVertical(const CSingleImage& model, const CReferenceFields& fields);

// Stores a, b and A and derives m_lScale, m_l, m_HMatrix, m_StandardOrigin and
// m_HStandardMatrix, whose third column is m_lScale.
void StoreReferenceParameters(CSingleImage& model, double a, double b, double A, double worldOriginU,
                              double worldOriginV);
