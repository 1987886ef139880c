// Crout's LU decomposition with implicit partial pivoting, forward and back substitution, and
// the inverse built column by column from them. Rows and columns are numbered 1 … n in the
// comments; the code indexes from 0.

#include "numerics/Matrix.h"

#include "services/Services.h"

#include <cmath>
#include <vector>

bool CMatrix::LUDecompose(double** A, int n, int* perm, double& parity) const {
  parity = 1.0;
  std::vector<double> scale(static_cast<size_t>(n > 0 ? n : 0));
  bool everyRowNonZero = true;
  for (int i = 0; i < n; ++i) {
    double big = 0;
    for (int j = 0; j < n; ++j) {
      const double magnitude = std::fabs(A[i][j]);
      if (magnitude > big) big = magnitude;
    }
    if (big == 0) {
      Services().MessageBox("Error");
      everyRowNonZero = false;
    }
    scale[i] = 1.0 / big;
  }

  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < j; ++i) {
      double sum = A[i][j];
      for (int k = 0; k < i; ++k) sum = sum - A[i][k] * A[k][j];
      A[i][j] = sum;
    }
    // A column without any candidate (zero rows, NaN entries) keeps its own row as the pivot,
    // so the permutation always names rows 1 … n.
    double big = 0;
    int pivotRow = j;
    for (int i = j; i < n; ++i) {
      double sum = A[i][j];
      for (int k = 0; k < j; ++k) sum = sum - A[i][k] * A[k][j];
      A[i][j] = sum;
      const double candidate = scale[i] * std::fabs(sum);
      if (candidate >= big) {  // the last of equal candidates wins
        big = candidate;
        pivotRow = i;
      }
    }
    if (pivotRow != j) {
      for (int k = 0; k < n; ++k) {
        const double held = A[pivotRow][k];
        A[pivotRow][k] = A[j][k];
        A[j][k] = held;
      }
      parity = -parity;
      scale[pivotRow] = scale[j];
    }
    perm[j] = pivotRow + 1;
    if (A[j][j] == 0) A[j][j] = kTinyPivot;
    if (j != n - 1) {
      const double reciprocal = 1.0 / A[j][j];
      for (int i = j + 1; i < n; ++i) A[i][j] *= reciprocal;
    }
  }
  return everyRowNonZero;
}

void CMatrix::LUBackSubstitute(double** A, int n, const int* perm, double* b) const {
  for (int i = 0; i < n; ++i) {
    const int p = perm[i] - 1;
    double sum = b[p];
    b[p] = b[i];
    for (int k = 0; k < i; ++k) sum = sum - A[i][k] * b[k];
    b[i] = sum;
  }
  for (int i = n - 1; i >= 0; --i) {
    double sum = b[i];
    for (int k = i + 1; k < n; ++k) sum = sum - A[i][k] * b[k];
    b[i] = sum / A[i][i];
  }
}

bool CMatrix::SolveLinearSystem(double** A, double* b, int n) const {
  std::vector<int> perm(static_cast<size_t>(n > 0 ? n : 0));
  double parity = 0;
  if (!LUDecompose(A, n, perm.data(), parity)) {
    // The factors of a matrix with a zero row solve nothing; give zeros rather than noise.
    for (int i = 0; i < n; ++i) b[i] = 0;
    return false;
  }
  LUBackSubstitute(A, n, perm.data(), b);
  return true;
}

bool CMatrix::InvertMatrix(double** A, double** Ainv, int n) const {
  if (n <= 0) return true;
  const size_t size = static_cast<size_t>(n);
  std::vector<double> storage(size * size);
  std::vector<double*> work(size);
  for (size_t i = 0; i < size; ++i) work[i] = storage.data() + i * size;
  std::vector<double> column(size);
  bool solved = true;
  for (int j = 0; j < n; ++j) {
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) work[r][c] = A[r][c];
    for (int i = 0; i < n; ++i) column[i] = i == j ? 1.0 : 0.0;
    solved = SolveLinearSystem(work.data(), column.data(), n) && solved;
    for (int i = 0; i < n; ++i) Ainv[i][j] = column[i];
  }
  return solved;
}
