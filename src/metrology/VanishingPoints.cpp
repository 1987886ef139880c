#include "metrology/VanishingPoints.h"

#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"

CLineEndPoints* MakeSegment(const CSingleImage& model, double point1X, double point1Y, double point2X,
                            double point2Y) {
  const double hw = model.GetWidth() / 2.0;
  const double hh = model.GetHeight() / 2.0;
  auto* segment = new CLineEndPoints;
  segment->m_Point1[0] = point1X - hw;
  segment->m_Point1[1] = point1Y - hh;
  segment->m_Point2[0] = point2X - hw;
  segment->m_Point2[1] = point2Y - hh;
  return segment;
}

std::array<double, 3> EstimateVanishingPoint(const CSegmentList& lines, double tolerance) {
  const CMatrix matrix;
  CRowMatrix scatter(3, 3);
  CRowMatrix term(3, 3);
  for (int k = 0; k < lines.GetCount(); ++k) {
    const CLineEndPoints& segment = *lines.ElementAt(k);
    double line[3];
    matrix.CrossProduct(segment.m_Point1, segment.m_Point2, line);
    matrix.OuterProduct(line, line, term.Rows(), 3);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) scatter[i][j] = scatter[i][j] + term[i][j];
  }
  double a[9], u[9] = {}, v[9] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[i * 3 + j] = scatter[i][j];
  matrix.Svd(a, 3, 3, u, v, tolerance);
  int smallest = 0;
  for (int i = 0; i < 3; ++i)
    if (a[i * 3 + i] < a[smallest * 3 + smallest]) smallest = i;
  return {u[smallest], u[3 + smallest], u[6 + smallest]};
}

std::string CalculateVanishingPoints(CSingleImage& model, const CSegmentList& xLines, const CSegmentList& yLines,
                                     const CSegmentList& zLines) {
  std::string lacking;
  const std::pair<const char*, const CSegmentList*> directions[] = {{"X", &xLines}, {"Y", &yLines}, {"Z", &zLines}};
  for (const auto& [name, lines] : directions) {
    if (lines->GetCount() >= 2) continue;
    if (!lacking.empty()) lacking += ", ";
    lacking += name;
  }
  if (!lacking.empty()) return "Vanishing points need at least two segments for each direction: " + lacking + ".";
  const std::array<double, 3> vx = EstimateVanishingPoint(xLines);
  for (int i = 0; i < 3; ++i) model.m_Vx[i] = vx[i];
  const std::array<double, 3> vy = EstimateVanishingPoint(yLines);
  for (int i = 0; i < 3; ++i) model.m_Vy[i] = vy[i];
  const std::array<double, 3> vz = EstimateVanishingPoint(zLines);
  for (int i = 0; i < 3; ++i) model.m_Vz[i] = vz[i];
  return {};
}
