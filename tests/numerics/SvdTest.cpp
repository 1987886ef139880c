#include "numerics/Matrix.h"

#include "MatrixCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr double kProgramTolerance = 1e-7;  // what the vanishing-point estimation passes
constexpr double kTightTolerance = 1e-15;

struct CSvdResult {
  int code;
  std::vector<double> s, u, v;  // packed S (m × n), u (m × m), v = Vᵀ (n × n)
};

CSvdResult Decompose(const std::vector<double>& a, int m, int n, double tol) {
  CSvdResult result{0, a, std::vector<double>(m * m, 0.0), std::vector<double>(n * n, 0.0)};
  result.code = CMatrix().Svd(result.s.data(), m, n, result.u.data(), result.v.data(), tol);
  return result;
}

// Scaled, so that it neither overflows nor underflows for the huge and tiny test matrices.
double FrobeniusNorm(const std::vector<double>& a) {
  double largest = 0;
  for (double x : a) largest = std::max(largest, std::fabs(x));
  if (largest == 0) return 0;
  double sum = 0;
  for (double x : a) sum += (x / largest) * (x / largest);
  return largest * std::sqrt(sum);
}

// Largest |(U·S·Vᵀ − a)(i, j)| with U's first min(m, n) columns and the packed S.
double ReconstructionError(const std::vector<double>& a, int m, int n, const CSvdResult& r) {
  const int q = std::min(m, n);
  double worst = 0;
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) {
      long double sum = 0;
      for (int k = 0; k < q; ++k)
        for (int l = 0; l < n; ++l) sum += (long double)r.u[i * m + k] * r.s[k * n + l] * r.v[l * n + j];
      worst = std::max(worst, static_cast<double>(std::fabs(sum - a[i * n + j])));
    }
  return worst;
}

// Largest deviation of the first q columns of u, and of the rows of v, from orthonormality.
double OrthonormalityError(const CSvdResult& r, int m, int n) {
  const int q = std::min(m, n);
  double worst = 0;
  for (int a = 0; a < q; ++a)
    for (int b = 0; b < q; ++b) {
      double dot = 0;
      for (int i = 0; i < m; ++i) dot += r.u[i * m + a] * r.u[i * m + b];
      worst = std::max(worst, std::fabs(dot - (a == b)));
    }
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      double dot = 0;
      for (int j = 0; j < n; ++j) dot += r.v[a * n + j] * r.v[b * n + j];
      worst = std::max(worst, std::fabs(dot - (a == b)));
    }
  return worst;
}

void ExpectOrderedNonNegative(const CSvdResult& r, int m, int n, const std::string& name) {
  const int q = std::min(m, n);
  for (int i = 0; i < q; ++i) {
    EXPECT_GE(r.s[i * n + i], 0.0) << name;
    if (i + 1 < q) {
      EXPECT_GE(r.s[i * n + i], r.s[(i + 1) * n + i + 1]) << name;
    }
  }
}

TEST(Svd, IdentityGivesNegatedFirstColumns) {
  const std::vector<double> identity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  const CSvdResult r = Decompose(identity, 3, 3, kProgramTolerance);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(MatricesNear(identity, r.s, 3, 3, 0));
  const std::vector<double> negated = {-1, 0, 0, 0, -1, 0, 0, 0, 1};
  EXPECT_TRUE(MatricesNear(negated, r.u, 3, 3, 0));
  EXPECT_TRUE(MatricesNear(negated, r.v, 3, 3, 0));
}

TEST(Svd, DiagonalMatrixGivesSortedValuesAndPermutedAxes) {
  const CSvdResult r = Decompose({3, 0, 0, 0, 1, 0, 0, 0, 2}, 3, 3, kProgramTolerance);
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(MatricesNear({3, 0, 0, 0, 2, 0, 0, 0, 1}, r.s, 3, 3, 0));
  // Columns of U: (−1, 0, 0), (0, 0, 1), (0, −1, 0); the rows of v are the same vectors.
  EXPECT_TRUE(MatricesNear({-1, 0, 0, 0, 0, -1, 0, 1, 0}, r.u, 3, 3, 0));
  EXPECT_TRUE(MatricesNear({-1, 0, 0, 0, 0, 1, 0, -1, 0}, r.v, 3, 3, 0));
}

TEST(Svd, ZeroMatrixGivesZeroValuesAndIdentityVectors) {
  const CSvdResult r = Decompose(std::vector<double>(9, 0.0), 3, 3, kProgramTolerance);
  EXPECT_EQ(r.code, 1);
  const std::vector<double> identity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  EXPECT_TRUE(MatricesNear(std::vector<double>(9, 0.0), r.s, 3, 3, 0));  // −0.0 compares equal
  EXPECT_TRUE(MatricesNear(identity, r.u, 3, 3, 0));
  EXPECT_TRUE(MatricesNear(identity, r.v, 3, 3, 0));
}

TEST(Svd, RankTwoMatrixHasANullVectorOfItsTranspose) {
  // Third row = first + 2·second.
  const std::vector<double> a = {1, 4, -2, 3, 0, 5, 7, 4, 8};
  const CSvdResult r = Decompose(a, 3, 3, kProgramTolerance);
  EXPECT_EQ(r.code, 1);
  const double scale = FrobeniusNorm(a);
  EXPECT_LE(r.s[8], 1e-12 * scale);
  // aᵀ·u₃ = 0: u₃ is proportional to (1, 2, −1).
  for (int j = 0; j < 3; ++j) {
    double sum = 0;
    for (int i = 0; i < 3; ++i) sum += a[i * 3 + j] * r.u[i * 3 + 2];
    EXPECT_NEAR(sum, 0.0, 1e-12 * scale) << "column " << j;
  }
  EXPECT_NEAR(std::fabs(r.u[0 * 3 + 2]), 1 / std::sqrt(6.0), 1e-12);
  EXPECT_NEAR(r.u[1 * 3 + 2] / r.u[0 * 3 + 2], 2.0, 1e-12);
  EXPECT_NEAR(r.u[2 * 3 + 2] / r.u[0 * 3 + 2], -1.0, 1e-12);
}

struct CShape {
  int m, n;
};

class SvdOnRandomMatrices : public ::testing::TestWithParam<CShape> {};

TEST_P(SvdOnRandomMatrices, ReconstructsTheInputWithOrthonormalVectors) {
  const auto [m, n] = GetParam();
  std::mt19937 random(1000 * m + n);
  std::uniform_real_distribution<double> value(-1, 1);
  for (int trial = 0; trial < 500; ++trial) {
    std::vector<double> a(m * n);
    for (double& x : a) x = value(random);
    if (trial % 5 == 0) a[0] = a[n - 1];  // now and then two equal entries
    const double norm = FrobeniusNorm(a);
    const std::string name = std::to_string(m) + " x " + std::to_string(n) + " trial " + std::to_string(trial);

    const CSvdResult tight = Decompose(a, m, n, kTightTolerance);
    EXPECT_EQ(tight.code, 1) << name;
    EXPECT_LE(ReconstructionError(a, m, n, tight), 1e-12 * norm) << name;
    EXPECT_LE(OrthonormalityError(tight, m, n), 1e-12) << name;
    ExpectOrderedNonNegative(tight, m, n, name);

    // The program's tolerance lets superdiagonal elements below tol·|s| be dropped.
    const CSvdResult loose = Decompose(a, m, n, kProgramTolerance);
    EXPECT_EQ(loose.code, 1) << name;
    EXPECT_LE(ReconstructionError(a, m, n, loose), 4 * kProgramTolerance * norm) << name;
    ExpectOrderedNonNegative(loose, m, n, name);
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, SvdOnRandomMatrices,
                         ::testing::Values(CShape{3, 3}, CShape{2, 4}, CShape{4, 2}, CShape{1, 3}, CShape{3, 1},
                                           CShape{8, 8}),
                         [](const auto& info) {
                           return std::to_string(info.param.m) + "x" + std::to_string(info.param.n);
                         });

TEST(Svd, HugeAndTinyMatricesStayFinite) {
  std::mt19937 random(77);
  std::uniform_real_distribution<double> value(-1, 1);
  for (double scale : {1e155, 1e-158, 1e-165, 1e300, 1e-300}) {
    for (int trial = 0; trial < 100; ++trial) {
      std::vector<double> a(9);
      for (double& x : a) x = value(random) * scale;
      const CSvdResult r = Decompose(a, 3, 3, kTightTolerance);
      EXPECT_EQ(r.code, 1) << scale;
      for (double x : r.s) ASSERT_TRUE(std::isfinite(x)) << "scale " << scale << " trial " << trial;
      for (double x : r.u) ASSERT_TRUE(std::isfinite(x)) << "scale " << scale << " trial " << trial;
      EXPECT_LE(ReconstructionError(a, 3, 3, r), 1e-12 * FrobeniusNorm(a)) << scale;
      EXPECT_LE(OrthonormalityError(r, 3, 3), 1e-12) << scale;
    }
  }
}

TEST(Svd, NonFiniteInputsRunOutOfSweepsWithinTheArrays) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const CSvdResult allNan = Decompose(std::vector<double>(9, nan), 3, 3, kProgramTolerance);
  EXPECT_EQ(allNan.code, -1);
  for (const auto& [m, n] : {CShape{3, 3}, CShape{2, 4}, CShape{4, 2}}) {
    std::vector<double> a(m * n, 1.0);
    a[1] = inf;
    a[m * n - 1] = nan;
    Decompose(a, m, n, kProgramTolerance);  // must merely stay inside its arrays
  }
}

}  // namespace
