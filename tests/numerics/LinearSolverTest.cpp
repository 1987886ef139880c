#include "numerics/Matrix.h"

#include "MatrixCheck.h"
#include "ScriptedServices.h"
#include "numerics/RowMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

class LinearSolver : public ::testing::Test {
 protected:
  CScriptedServices services;
  CMatrix matrix;
};

TEST_F(LinearSolver, SolvesASmallSystemAndLeavesItsFactors) {
  CRowMatrix A({{2, 1}, {1, 3}});
  double b[2] = {3, 5};
  matrix.SolveLinearSystem(A.Rows(), b, 2);
  EXPECT_EQ(b[0], 0.8);
  EXPECT_EQ(b[1], 1.4);
  EXPECT_TRUE(MatricesNear({2, 1, 0.5, 2.5}, Flatten(A), 2, 2, 0));

  CRowMatrix B({{2, 1}, {1, 3}});
  int perm[2];
  double parity = 0;
  EXPECT_TRUE(matrix.LUDecompose(B.Rows(), 2, perm, parity));
  EXPECT_EQ(perm[0], 1);
  EXPECT_EQ(perm[1], 2);
  EXPECT_EQ(parity, 1.0);
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(LinearSolver, ChoosesPivotsOnScaledMagnitudesWithTiesToTheLaterRow) {
  struct Case {
    const char* name;
    CRowMatrix A;
    int firstPivot;
    double parity;
  };
  Case cases[] = {{"scaled", CRowMatrix({{2, 1000}, {1, 1}}), 2, -1.0},
                  {"tie", CRowMatrix({{1, 1}, {1, -1}}), 2, -1.0},
                  {"plain", CRowMatrix({{5, 1}, {1, 4}}), 1, 1.0}};
  for (Case& c : cases) {
    int perm[2];
    double parity = 0;
    matrix.LUDecompose(c.A.Rows(), 2, perm, parity);
    EXPECT_EQ(perm[0], c.firstPivot) << c.name;
    EXPECT_EQ(parity, c.parity) << c.name;
  }
  CRowMatrix tie({{1, 1}, {1, -1}});
  double b[2] = {2, 0};
  matrix.SolveLinearSystem(tie.Rows(), b, 2);
  EXPECT_EQ(b[0], 1.0);
  EXPECT_EQ(b[1], 1.0);
}

TEST_F(LinearSolver, SingularMatrixWithoutZeroRowsGetsATinyPivotAndNoMessage) {
  CRowMatrix A({{1, 2}, {2, 4}});
  int perm[2];
  double parity = 0;
  EXPECT_TRUE(matrix.LUDecompose(A.Rows(), 2, perm, parity));
  EXPECT_EQ(A[1][1], 1e-20);
  EXPECT_EQ(perm[0], 2);
  EXPECT_EQ(perm[1], 2);
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(LinearSolver, ReportsEachZeroRowOnceAndSolvesToZeros) {
  CRowMatrix A({{0, 0, 0}, {1, 2, 3}, {0, 0, 0}});
  double b[3] = {1, 2, 3};
  EXPECT_FALSE(matrix.SolveLinearSystem(A.Rows(), b, 3));
  EXPECT_EQ(services.messages, (std::vector<std::string>{"Error", "Error"}));
  for (double x : b) EXPECT_EQ(x, 0.0);
}

TEST_F(LinearSolver, InverseReportsAZeroRowOncePerColumnAndStaysZero) {
  CRowMatrix A({{1, 2, 3}, {0, 0, 0}, {4, 5, 7}});
  CRowMatrix inverse(3, 3);
  EXPECT_FALSE(matrix.InvertMatrix(A.Rows(), inverse.Rows(), 3));
  EXPECT_EQ(services.messages.size(), 3u);
  EXPECT_TRUE(MatricesNear(std::vector<double>(9, 0.0), Flatten(inverse), 3, 3, 0));
}

TEST_F(LinearSolver, InvertsWithoutTouchingTheInput) {
  CRowMatrix identity({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  CRowMatrix inverse(3, 3);
  EXPECT_TRUE(matrix.InvertMatrix(identity.Rows(), inverse.Rows(), 3));
  EXPECT_TRUE(MatricesNear(Flatten(identity), Flatten(inverse), 3, 3, 0));

  CRowMatrix A({{4, 7}, {2, 6}});
  CRowMatrix Ainv(2, 2);
  matrix.InvertMatrix(A.Rows(), Ainv.Rows(), 2);
  EXPECT_TRUE(MatricesNear({0.6, -0.7, -0.2, 0.4}, Flatten(Ainv), 2, 2, 2e-16));
  EXPECT_TRUE(MatricesNear({4, 7, 2, 6}, Flatten(A), 2, 2, 0));
}

TEST_F(LinearSolver, RandomSystemsSolveToRoundOff) {
  std::mt19937 random(8);
  std::uniform_real_distribution<double> value(-10, 10);
  for (int n : {2, 3, 8}) {
    for (int trial = 0; trial < 200; ++trial) {
      CRowMatrix A(n, n);
      std::vector<double> x(n), b(n, 0.0);
      for (int i = 0; i < n; ++i) {
        x[i] = value(random);
        for (int j = 0; j < n; ++j) A[i][j] = value(random);
      }
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) b[i] += A[i][j] * x[j];
      CRowMatrix factors(A);
      std::vector<double> solution = b;
      matrix.SolveLinearSystem(factors.Rows(), solution.data(), n);
      // The residual of the computed solution, relative to the sizes involved.
      double residual = 0, scale = 0;
      for (int i = 0; i < n; ++i) {
        double row = -b[i];
        for (int j = 0; j < n; ++j) {
          row += A[i][j] * solution[j];
          scale = std::max(scale, std::fabs(A[i][j] * solution[j]));
        }
        residual = std::max(residual, std::fabs(row));
      }
      EXPECT_LE(residual, 64 * n * std::numeric_limits<double>::epsilon() * scale) << "n " << n << " trial " << trial;
    }
  }
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(LinearSolver, NonFiniteMatricesKeepThePermutationInRange) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  CRowMatrix cases[] = {CRowMatrix({{nan, nan, nan}, {nan, nan, nan}, {nan, nan, nan}}),
                        CRowMatrix({{inf, 1, 2}, {3, -inf, 4}, {nan, 5, inf}}),
                        CRowMatrix({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}),
                        CRowMatrix({{1, nan, 2}, {0, 0, 0}, {3, 4, inf}})};
  for (CRowMatrix& A : cases) {
    CRowMatrix copy(A);
    int perm[3];
    double parity = 0;
    matrix.LUDecompose(copy.Rows(), 3, perm, parity);
    for (int p : perm) {
      EXPECT_GE(p, 1);
      EXPECT_LE(p, 3);
    }
    double b[3] = {1, 2, 3};
    CRowMatrix solveCopy(A);
    matrix.SolveLinearSystem(solveCopy.Rows(), b, 3);
    CRowMatrix inverse(3, 3);
    matrix.InvertMatrix(A.Rows(), inverse.Rows(), 3);
  }
}

}  // namespace
