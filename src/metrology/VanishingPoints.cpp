#include "metrology/VanishingPoints.h"

#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"

#include <cmath>
#include <limits>

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

namespace {

// Σ l lᵀ of the segments' homogeneous lines, every end point (u, v, 1) taken as (u, v, unitScale):
// the same point in units of unitScale (1 keeps the centred pixel frame).
void AccumulateScatter(const CSegmentList& lines, double unitScale, CRowMatrix& scatter) {
  const CMatrix matrix;
  CRowMatrix term(3, 3);
  for (int k = 0; k < lines.GetCount(); ++k) {
    const CLineEndPoints& segment = *lines.ElementAt(k);
    double first[3] = {segment.m_Point1[0], segment.m_Point1[1], segment.m_Point1[2]};
    double second[3] = {segment.m_Point2[0], segment.m_Point2[1], segment.m_Point2[2]};
    if (unitScale != 1) {
      for (double* point : {first, second}) point[2] *= unitScale;
    }
    double line[3];
    matrix.CrossProduct(first, second, line);
    matrix.OuterProduct(line, line, term.Rows(), 3);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) scatter[i][j] = scatter[i][j] + term[i][j];
  }
}

CScatterDecomposition Decompose(const CRowMatrix& scatter, double tolerance) {
  const CMatrix matrix;
  CScatterDecomposition result;
  double a[9], v[9] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[i * 3 + j] = scatter[i][j];
  matrix.Svd(a, 3, 3, result.u, v, tolerance);
  for (int i = 0; i < 3; ++i) result.s[i] = a[i * 3 + i];
  for (int i = 0; i < 3; ++i)
    if (result.s[i] < result.s[result.smallest]) result.smallest = i;
  return result;
}

}  // namespace

CScatterDecomposition DecomposeScatterMatrix(const CSegmentList& lines, double tolerance) {
  CRowMatrix scatter(3, 3);
  AccumulateScatter(lines, 1, scatter);
  return Decompose(scatter, tolerance);
}

std::array<double, 3> EstimateVanishingPoint(const CSegmentList& lines, double tolerance) {
  const CScatterDecomposition decomposition = DecomposeScatterMatrix(lines, tolerance);
  return decomposition.Column(decomposition.smallest);
}

bool SegmentsDetermineAPoint(const CSegmentList& lines) {
  double squares = 0;
  for (int k = 0; k < lines.GetCount(); ++k) {
    const CLineEndPoints& s = *lines.ElementAt(k);
    squares += s.m_Point1[0] * s.m_Point1[0] + s.m_Point1[1] * s.m_Point1[1] + s.m_Point2[0] * s.m_Point2[0] +
               s.m_Point2[1] * s.m_Point2[1];
  }
  const double spread = lines.GetCount() > 0 ? std::sqrt(squares / (2.0 * lines.GetCount())) : 0;
  // Scaling (u, v, 1) to (u, v, spread) is the same point in units of spread.
  CRowMatrix scatter(3, 3);
  AccumulateScatter(lines, spread > 0 ? spread : 1, scatter);
  // Every value converged to the last bit: the test is about the smallest ones.
  const CScatterDecomposition decomposition = Decompose(scatter, std::numeric_limits<double>::epsilon());
  double largest = 0, second = 0;
  for (double value : decomposition.s) {
    if (value > largest) {
      second = largest;
      largest = value;
    } else if (value > second) {
      second = value;
    }
  }
  return std::isfinite(largest) && second > kUndeterminedPointRatio * largest;
}

std::string CalculateVanishingPoints(CSingleImage& model, const CSegmentList& xLines, const CSegmentList& yLines,
                                     const CSegmentList& zLines) {
  const std::pair<const char*, const CSegmentList*> directions[] = {{"X", &xLines}, {"Y", &yLines}, {"Z", &zLines}};
  // The names of the directions whose segments fail the test, as "X, Z".
  const auto failing = [&directions](const auto& passes) {
    std::string names;
    for (const auto& [name, lines] : directions) {
      if (passes(*lines)) continue;
      if (!names.empty()) names += ", ";
      names += name;
    }
    return names;
  };
  const std::string lacking = failing([](const CSegmentList& lines) { return lines.GetCount() >= 2; });
  if (!lacking.empty()) return "Vanishing points need at least two segments for each direction: " + lacking + ".";
  const std::string undetermined = failing(SegmentsDetermineAPoint);
  if (!undetermined.empty())
    return "The segments for " + undetermined +
           " do not determine a vanishing point: they lie on one line, repeat each other or have no length.";
  const std::array<double, 3> vx = EstimateVanishingPoint(xLines);
  for (int i = 0; i < 3; ++i) model.m_Vx[i] = vx[i];
  const std::array<double, 3> vy = EstimateVanishingPoint(yLines);
  for (int i = 0; i < 3; ++i) model.m_Vy[i] = vy[i];
  const std::array<double, 3> vz = EstimateVanishingPoint(zLines);
  for (int i = 0; i < 3; ++i) model.m_Vz[i] = vz[i];
  return {};
}
