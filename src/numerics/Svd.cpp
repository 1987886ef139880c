// Singular value decomposition after LINPACK's DSVDC (Golub–Kahan–Reinsch): Householder
// reduction to upper bidiagonal form, generation of U (min(m, n) columns) and V, implicit-shift
// QR sweeps with plane rotations until the superdiagonal is negligible, then sign correction
// and ordering. Indices follow DSVDC: rows i = 1 … m, columns j = 1 … n, s(1 …), e(1 …).
// Negligibility is judged relative to the caller's tolerance instead of machine precision.

#include "numerics/Matrix.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace {

// Column views of the flat row-major arrays, 1-based as in DSVDC.
struct CFlat {
  double* data;
  int rowLength;
  double& operator()(int i, int j) const { return data[(i - 1) * rowLength + (j - 1)]; }
};

// Euclidean norm of count elements of column j from row i, safe from overflow and underflow as
// LINPACK's DNRM2: the plain sum of squares in the ordinary range, a scaled sum outside it.
double ColumnNorm(const CFlat& x, int i, int j, int count) {
  double sum = 0;
  for (int k = 0; k < count; ++k) sum += x(i + k, j) * x(i + k, j);
  if (std::isfinite(sum) && sum >= DBL_MIN / DBL_EPSILON) return std::sqrt(sum);
  double largest = 0;
  for (int k = 0; k < count; ++k) largest = std::max(largest, std::fabs(x(i + k, j)));
  if (largest == 0 || !std::isfinite(largest)) return std::sqrt(sum);
  double scaled = 0;
  for (int k = 0; k < count; ++k) {
    const double ratio = x(i + k, j) / largest;
    scaled += ratio * ratio;
  }
  return largest * std::sqrt(scaled);
}

// The same for count elements of a 1-based vector from index i.
double VectorPartNorm(const double* e, int i, int count) {
  CFlat asColumn{const_cast<double*>(e) + i, 1};
  return ColumnNorm(asColumn, 1, 1, count);
}

// Dot product of count elements of columns j1 of x and j2 of y, from row i.
double ColumnDot(const CFlat& x, int j1, const CFlat& y, int j2, int i, int count) {
  double sum = 0;
  for (int k = 0; k < count; ++k) sum = sum + x(i + k, j1) * y(i + k, j2);
  return sum;
}

// y(:, j2) += t·x(:, j1) over count rows from row i.
void ColumnAxpy(double t, const CFlat& x, int j1, const CFlat& y, int j2, int i, int count) {
  for (int k = 0; k < count; ++k) y(i + k, j2) = y(i + k, j2) + t * x(i + k, j1);
}

void ColumnScale(double factor, const CFlat& x, int j, int i, int count) {
  for (int k = 0; k < count; ++k) x(i + k, j) = factor * x(i + k, j);
}

// Applies the rotation to columns j1 and j2 (rows 1 … rows).
void RotateColumns(const CFlat& x, int rows, int j1, int j2, double c, double s) {
  for (int i = 1; i <= rows; ++i) {
    const double held = c * x(i, j1) + s * x(i, j2);
    x(i, j2) = c * x(i, j2) - s * x(i, j1);
    x(i, j1) = held;
  }
}

void SwapColumns(const CFlat& x, int rows, int j1, int j2) {
  for (int i = 1; i <= rows; ++i) std::swap(x(i, j1), x(i, j2));
}

}  // namespace

void CMatrix::GivensRotation(double f, double g, double& c, double& s, double& r) const {
  if (std::fabs(f) + std::fabs(g) == 0) {
    c = 1;
    s = 0;
    r = 0;
    return;
  }
  const double squares = f * f + g * g;
  r = std::sqrt(squares);
  if (!(squares >= DBL_MIN) || !std::isfinite(squares)) {
    // The squares overflowed, underflowed or lost digits as subnormals; recompute scaled.
    const double scale = std::fabs(f) + std::fabs(g);
    const double fs = f / scale;
    const double gs = g / scale;
    r = scale * std::sqrt(fs * fs + gs * gs);
  }
  const double leading = std::fabs(f) > std::fabs(g) ? f : g;
  if (leading < 0) r = -r;
  c = f / r;
  s = g / r;
}

void CMatrix::SvdPackResult(double* a, int m, int n, const double* s, const double* e, double* v) const {
  const int q = std::min(m, n);
  for (int i = 0; i < q; ++i) a[i * n + i] = s[i + 1];
  for (int i = 0; i + 1 < q; ++i) a[i * n + i + 1] = e[i + 1];
  if (m < n) a[(q - 1) * n + q] = e[q];
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j) std::swap(v[i * n + j], v[j * n + i]);
}

int CMatrix::Svd(double* a, int m, int n, double* u, double* v, double tol) const {
  if (m < 1 || n < 1) return 1;
  const CFlat X{a, n};
  const CFlat U{u, m};
  const CFlat V{v, n};
  const size_t room = static_cast<size_t>(std::max(m, n)) + 1;
  std::vector<double> sStorage(room + 1), eStorage(room + 1), work(room + 1);
  double* s = sStorage.data();
  double* e = eStorage.data();

  const int nct = std::min(m - 1, n);
  const int nrt = std::max(0, std::min(n - 2, m));
  const int ncu = std::min(m, n);
  const int lu = std::max(nct, nrt);

  // Reduction to bidiagonal form: s holds the diagonal, e the superdiagonal.
  for (int l = 1; l <= lu; ++l) {
    const int lp1 = l + 1;
    if (l <= nct) {
      s[l] = ColumnNorm(X, l, l, m - l + 1);
      if (s[l] != 0) {
        if (X(l, l) != 0) s[l] = std::copysign(s[l], X(l, l));
        ColumnScale(1.0 / s[l], X, l, l, m - l + 1);
        X(l, l) = 1.0 + X(l, l);
      }
      s[l] = -s[l];
    }
    for (int j = lp1; j <= n; ++j) {
      if (l <= nct && s[l] != 0) {
        const double t = -ColumnDot(X, l, X, j, l, m - l + 1) / X(l, l);
        ColumnAxpy(t, X, l, X, j, l, m - l + 1);
      }
      e[j] = X(l, j);
    }
    if (l <= nct)
      for (int i = l; i <= m; ++i) U(i, l) = X(i, l);
    if (l <= nrt) {
      e[l] = VectorPartNorm(e, lp1, n - l);
      if (e[l] != 0) {
        if (e[lp1] != 0) e[l] = std::copysign(e[l], e[lp1]);
        const double factor = 1.0 / e[l];
        for (int i = lp1; i <= n; ++i) e[i] = factor * e[i];
        e[lp1] = 1.0 + e[lp1];
      }
      e[l] = -e[l];
      if (lp1 <= m && e[l] != 0) {
        for (int i = lp1; i <= m; ++i) work[i] = 0;
        for (int j = lp1; j <= n; ++j)
          for (int i = lp1; i <= m; ++i) work[i] = work[i] + e[j] * X(i, j);
        for (int j = lp1; j <= n; ++j) {
          const double t = -e[j] / e[lp1];
          for (int i = lp1; i <= m; ++i) X(i, j) = X(i, j) + t * work[i];
        }
      }
      for (int i = lp1; i <= n; ++i) V(i, l) = e[i];
    }
  }

  // The bidiagonal matrix of order k.
  int k = std::min(n, m + 1);
  const int nctp1 = nct + 1;
  const int nrtp1 = nrt + 1;
  if (nct < n) s[nctp1] = X(nctp1, nctp1);
  if (m < k) s[k] = 0;
  if (nrtp1 < k) e[nrtp1] = X(nrtp1, k);
  e[k] = 0;

  // Generate U.
  for (int j = nctp1; j <= ncu; ++j) {
    for (int i = 1; i <= m; ++i) U(i, j) = 0;
    U(j, j) = 1;
  }
  for (int l = nct; l >= 1; --l) {
    if (s[l] != 0) {
      for (int j = l + 1; j <= ncu; ++j) {
        const double t = -ColumnDot(U, l, U, j, l, m - l + 1) / U(l, l);
        ColumnAxpy(t, U, l, U, j, l, m - l + 1);
      }
      ColumnScale(-1.0, U, l, l, m - l + 1);
      U(l, l) = 1.0 + U(l, l);
      for (int i = 1; i < l; ++i) U(i, l) = 0;
    } else {
      for (int i = 1; i <= m; ++i) U(i, l) = 0;
      U(l, l) = 1;
    }
  }

  // Generate V.
  for (int l = n; l >= 1; --l) {
    const int lp1 = l + 1;
    if (l <= nrt && e[l] != 0) {
      for (int j = lp1; j <= n; ++j) {
        const double t = -ColumnDot(V, l, V, j, lp1, n - l) / V(lp1, l);
        ColumnAxpy(t, V, l, V, j, lp1, n - l);
      }
    }
    for (int i = 1; i <= n; ++i) V(i, l) = 0;
    V(l, l) = 1;
  }

  for (int i = 0; i < m * n; ++i) a[i] = 0;

  // QR iteration on the bidiagonal until every superdiagonal element is negligible.
  const int order = k;
  int sweepsLeft = kSvdSweepBudget;
  int result = 1;
  while (k > 0) {
    if (sweepsLeft == 0) {
      result = -1;
      break;
    }
    // Find the last negligible superdiagonal element e(l) above the unreduced block.
    int l = k - 1;
    for (; l >= 1; --l) {
      if (e[l] == 0) break;
      if (tol * (std::fabs(s[l]) + std::fabs(s[l + 1])) >= std::fabs(e[l])) {
        e[l] = 0;
        break;
      }
    }
    int kase;
    if (l == k - 1) {
      kase = 4;  // s(k) has converged
    } else {
      int ls = k;
      for (; ls >= l + 1; --ls) {
        if (s[ls] == 0) break;
        double t = 0;
        if (ls != k) t += std::fabs(e[ls]);
        if (ls != l + 1) t += std::fabs(e[ls - 1]);
        if (tol * t >= std::fabs(s[ls])) {
          s[ls] = 0;
          break;
        }
      }
      if (ls == l) {
        kase = 3;  // one QR sweep
      } else if (ls == k) {
        kase = 1;  // deflate the negligible s(k)
      } else {
        kase = 2;  // split at the negligible s(ls)
        l = ls;
      }
    }
    ++l;

    double c = 0, sn = 0, r = 0;
    switch (kase) {
      case 1: {
        double f = e[k - 1];
        e[k - 1] = 0;
        for (int j = k - 1; j >= l; --j) {
          GivensRotation(s[j], f, c, sn, r);
          s[j] = r;
          if (j != l) {
            f = -sn * e[j - 1];
            e[j - 1] = c * e[j - 1];
          }
          RotateColumns(V, n, j, k, c, sn);
        }
        break;
      }
      case 2: {
        double f = e[l - 1];
        e[l - 1] = 0;
        for (int j = l; j <= k; ++j) {
          GivensRotation(s[j], f, c, sn, r);
          s[j] = r;
          f = -sn * e[j];
          e[j] = c * e[j];
          if (j <= ncu) RotateColumns(U, m, j, l - 1, c, sn);
        }
        break;
      }
      case 3: {
        // The shift from the trailing 2 × 2 block, on scaled values.
        const double scale = std::max({std::fabs(s[k]), std::fabs(s[k - 1]), std::fabs(e[k - 1]),
                                       std::fabs(s[l]), std::fabs(e[l])});
        const double sk = s[k] / scale;
        const double skm1 = s[k - 1] / scale;
        const double ekm1 = e[k - 1] / scale;
        const double sl = s[l] / scale;
        const double el = e[l] / scale;
        const double b = ((skm1 + sk) * (skm1 - sk) + ekm1 * ekm1) / 2.0;
        const double cc = (sk * ekm1) * (sk * ekm1);
        double shift = 0;
        if (b != 0 || cc != 0) {
          shift = std::sqrt(b * b + cc);
          if (b < 0) shift = -shift;
          shift = cc / (b + shift);
        }
        double f = (sl + sk) * (sl - sk) + shift;
        double g = sl * el;
        // Chase the bulge down the bidiagonal.
        for (int j = l; j <= k - 1; ++j) {
          GivensRotation(f, g, c, sn, r);
          f = r;
          if (j != l) e[j - 1] = f;
          f = c * s[j] + sn * e[j];
          e[j] = c * e[j] - sn * s[j];
          g = sn * s[j + 1];
          s[j + 1] = c * s[j + 1];
          RotateColumns(V, n, j, j + 1, c, sn);
          GivensRotation(f, g, c, sn, r);
          f = r;
          s[j] = f;
          f = c * e[j] + sn * s[j + 1];
          s[j + 1] = -sn * e[j] + c * s[j + 1];
          g = sn * e[j + 1];
          e[j + 1] = c * e[j + 1];
          if (j < m) RotateColumns(U, m, j, j + 1, c, sn);
        }
        e[k - 1] = f;
        --sweepsLeft;
        break;
      }
      default: {
        // Convergence: make s(l) non-negative, then move it down to its place.
        if (s[l] < 0) {
          s[l] = -s[l];
          ColumnScale(-1.0, V, l, 1, n);
        }
        while (l != order && s[l] < s[l + 1]) {
          std::swap(s[l], s[l + 1]);
          if (l < n) SwapColumns(V, n, l, l + 1);
          if (l < m) SwapColumns(U, m, l, l + 1);
          ++l;
        }
        sweepsLeft = kSvdSweepBudget;
        --k;
        break;
      }
    }
  }

  SvdPackResult(a, m, n, s, e, v);
  return result;
}
