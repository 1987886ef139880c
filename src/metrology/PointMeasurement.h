#pragma once
// Measuring one point from the reference parameters. The plane at height Z has the homography
//     M(Z) = m_HStandardMatrix with A·Z·Vz added to its third column,
// which maps (X − Sx, Y − Sy, 1), measured from the standard origin (Sx, Sy), to the centred
// image of the world point (X, Y, Z). Positions are photograph pixels.

#include <string>

class CSingleImage;

// The fields of the point dialog, in its exchange order.
struct CPointFields {
  double m_bU = 0;
  double m_bV = 0;
  double m_U = 0;
  double m_V = 0;
  int m_nPointID = 0;
  double m_tU = 0;
  double m_tV = 0;
  double m_X = 0;
  double m_Y = 0;
  double m_Z = 0;
  int m_nRefX = -1;
  int m_nRefY = -1;
  int m_nRefZ = -1;
};

// Each computes into the fields whatever the inputs, and names the inputs that make the result
// meaningless (one cause a line), or returns "".
// b.u, b.v = the image of the world point (X, Y, Z).
std::string CalculateImagePosition(const CSingleImage& model, CPointFields& fields);
// X, Y of the image point (U, V) at height Z.
std::string CalculateXY(const CSingleImage& model, CPointFields& fields);
// Z = the height of t above the ground point b, with t moved onto the vertical through b
// (VerticalScale.h).
std::string CalculateZ(const CSingleImage& model, CPointFields& fields);
// How far the typed t lies off the vertical through b, in pixels: what "CACULATE Z" moves it by.
double TopOffVertical(const CSingleImage& model, const CPointFields& fields);

// Copies X, Y and Z from the first point (in array order) with each non-negative reference id;
// a field whose id matches no point keeps its value.
void GetReferences(const CSingleImage& model, CPointFields& fields);

// Appends the point with the next id (m_nMaxId + 1), its centred image position from U and V,
// its world coordinates and reference ids as the fields hold them.
void AddViewPoint(CSingleImage& model, const CPointFields& fields);
// Removes the point at the index of m_Points. Ids, m_nMaxId and the other points' reference ids
// stay as they are, so the next point never takes over a deleted point's id.
void DeleteViewPoint(CSingleImage& model, int index);
