#include "numerics/Matrix.h"

#include "numerics/RowMatrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(CrossProduct, IsRightHandedAndGivesTheLineThroughTwoPoints) {
  const CMatrix matrix;
  const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
  double out[3];
  matrix.CrossProduct(x, y, out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 1);
  matrix.CrossProduct(x, x, out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 0);
  // Line through (x1, y1) and (x2, y2): (y1 − y2, x2 − x1, x1·y2 − x2·y1).
  const double p[3] = {3, -2, 1}, q[3] = {-5, 7, 1};
  matrix.CrossProduct(p, q, out);
  EXPECT_EQ(out[0], -2.0 - 7.0);
  EXPECT_EQ(out[1], -5.0 - 3.0);
  EXPECT_EQ(out[2], 3.0 * 7.0 - (-5.0) * (-2.0));
}

TEST(CrossProduct, RoundsEachProductSeparately) {
  // With a fused multiply-add the exact product's tail (2^-60) would survive.
  const CMatrix matrix;
  const double a[3] = {1 + std::ldexp(1.0, -30), 1 + std::ldexp(1.0, -29), 0};
  const double b[3] = {1, 1 + std::ldexp(1.0, -30), 0};
  double out[3];
  matrix.CrossProduct(a, b, out);
  EXPECT_EQ(out[2], 0.0);
}

TEST(DotProduct, UsesExactlyThreeComponents) {
  const CMatrix matrix;
  const double a[4] = {1, 2, 3, 1e300}, b[4] = {4, 5, 6, 1e300};
  EXPECT_EQ(matrix.DotProduct(a, b), 32.0);
}

TEST(Normalize, DividesByTheNormAndLeavesAZeroVectorAlone) {
  const CMatrix matrix;
  double v[3] = {3, 0, 4};
  EXPECT_EQ(matrix.VectorNorm(v, 3), 5.0);
  matrix.Normalize(v, 3);
  EXPECT_EQ(v[0], 0.6);
  EXPECT_EQ(v[1], 0.0);
  EXPECT_EQ(v[2], 0.8);
  double zero[3] = {0, 0, 0};
  matrix.Normalize(zero, 3);
  for (double component : zero) EXPECT_EQ(component, 0.0);
}

TEST(OuterProduct, OfAVectorWithItselfIsSymmetric) {
  const CMatrix matrix;
  const double u[3] = {1.5, -2, 7};
  CRowMatrix M(3, 3);
  matrix.OuterProduct(u, u, M.Rows(), 3);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(M[i][j], u[i] * u[j]);
      EXPECT_EQ(M[i][j], M[j][i]);
    }
}

TEST(MatrixMultiply, MultipliesRowsByColumnsAddingInIndexOrder) {
  const CMatrix matrix;
  CRowMatrix A({{1, 2, 3}, {4, 5, 6}});
  CRowMatrix B({{7, 8}, {9, 10}, {11, 12}});
  CRowMatrix C(2, 2);
  matrix.MatrixMultiply(A.Rows(), B.Rows(), C.Rows(), 2, 3, 2);
  EXPECT_EQ(C[0][0], 58);
  EXPECT_EQ(C[0][1], 64);
  EXPECT_EQ(C[1][0], 139);
  EXPECT_EQ(C[1][1], 154);
  // 1e16 + 1 − 1e16 is 0 in increasing order, 1 in the opposite one.
  CRowMatrix row({{1e16, 1, -1e16}});
  CRowMatrix ones({{1}, {1}, {1}});
  CRowMatrix sum(1, 1);
  matrix.MatrixMultiply(row.Rows(), ones.Rows(), sum.Rows(), 1, 3, 1);
  EXPECT_EQ(sum[0][0], 0.0);
}

TEST(MatrixMultiply, WithAnEmptyInnerDimensionGivesZeros) {
  const CMatrix matrix;
  CRowMatrix A(2, 1), B(1, 2);
  CRowMatrix C({{5, 5}, {5, 5}});
  matrix.MatrixMultiply(A.Rows(), B.Rows(), C.Rows(), 2, 0, 2);
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) EXPECT_EQ(C[i][j], 0.0);
}

TEST(MatrixVectorMultiply, AppliesAHomographyToAPoint) {
  const CMatrix matrix;
  CRowMatrix H({{2, 0, 1}, {0, 3, -1}, {0, 0, 0.5}});
  const double p[3] = {4, 5, 1};
  double q[3] = {9, 9, 9};
  matrix.MatrixVectorMultiply(H.Rows(), p, q, 3, 3);
  EXPECT_EQ(q[0], 9);
  EXPECT_EQ(q[1], 14);
  EXPECT_EQ(q[2], 0.5);
}

TEST(BilinearInterpolate, BlendsTheFourCornerSamples) {
  const CMatrix matrix;
  struct Case {
    double fx, fy, expected;
  };
  // Corners: c00 = 10, c10 = 250, c01 = 0, c11 = 100.
  const Case cases[] = {{0, 0, 10}, {1, 0, 250}, {0, 1, 0}, {1, 1, 100}, {0.5, 0.5, 90}, {0.25, 0, 70}};
  for (const Case& c : cases)
    EXPECT_EQ(matrix.BilinearInterpolate(c.fx, c.fy, 10, 250, 0, 100), c.expected) << c.fx << ", " << c.fy;
}

TEST(MinMax, CompareStrictlySoTiesGiveTheSecondArgument) {
  const CMatrix matrix;
  EXPECT_EQ(matrix.Max4(1, 5, 3, 5), 5);
  EXPECT_EQ(matrix.Min4(2, 2, 7, 9), 2);
  EXPECT_EQ(matrix.Max4(-1, -7, 4, 3.5), 4);
  EXPECT_TRUE(std::signbit(matrix.Max2(0.0, -0.0)));
  EXPECT_FALSE(std::signbit(matrix.Min2(-0.0, 0.0)));
}

}  // namespace
