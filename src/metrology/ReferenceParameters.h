#pragma once
// The metric world frame: from the vanishing points, the image of the world origin, a second
// ground point with its world X and Y, and a vertical segment of known height, the scales a
// and b of the X and Y vanishing points in the ground-plane homography H = [a·Vx, b·Vy, o] and
// the vertical scale A. Positions are photograph pixels; the computation is centred.

#include <string>

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
