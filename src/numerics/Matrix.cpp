#include "numerics/Matrix.h"

#include <cmath>

void CMatrix::CrossProduct(const double* a, const double* b, double* out) const {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

double CMatrix::DotProduct(const double* a, const double* b) const {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double CMatrix::VectorNorm(const double* v, int n) const {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += v[i] * v[i];
  return std::sqrt(sum);
}

void CMatrix::Normalize(double* v, int n) const {
  const double norm = VectorNorm(v, n);
  if (norm == 0) return;  // no direction to keep: the vector stays as it is
  for (int i = 0; i < n; ++i) v[i] = v[i] / norm;
}

void CMatrix::OuterProduct(const double* u, const double* v, double** M, int n) const {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) M[i][j] = u[i] * v[j];
}

void CMatrix::MatrixMultiply(double** A, double** B, double** C, int m, int k, int n) const {
  for (int i = 0; i < m; ++i) {
    for (int j = 0; j < n; ++j) {
      double sum = 0;
      for (int l = 0; l < k; ++l) sum = A[i][l] * B[l][j] + sum;
      C[i][j] = sum;
    }
  }
}

void CMatrix::MatrixVectorMultiply(double** A, const double* x, double* y, int m, int n) const {
  for (int i = 0; i < m; ++i) y[i] = 0;
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) y[i] = A[i][j] * x[j] + y[i];
}

double CMatrix::BilinearInterpolate(double fx, double fy, unsigned char c00, unsigned char c10,
                                    unsigned char c01, unsigned char c11) const {
  const double top = c00 + (c10 - c00) * fx;
  const double bottom = c01 + (c11 - c01) * fx;
  return top + (bottom - top) * fy;
}

double CMatrix::Max2(double a, double b) const { return a > b ? a : b; }

double CMatrix::Min2(double a, double b) const { return a < b ? a : b; }

double CMatrix::Max4(double a, double b, double c, double d) const { return Max2(Max2(a, b), Max2(c, d)); }

double CMatrix::Min4(double a, double b, double c, double d) const { return Min2(Min2(a, b), Min2(c, d)); }
