#pragma once
// The stateless numerics toolkit that every computation on vectors and small dense matrices
// goes through. Vectors are double arrays from index 0; matrices are arrays of row pointers,
// element (i, j) at row i, column j, rows not necessarily contiguous; the singular value
// decomposition alone takes flat row-major arrays. Routines trust sizes and pointers, never
// allocate what the caller passes, and outputs must not overlap inputs unless stated.
// Sums start at 0 and add their terms in increasing index order.

class CMatrix {
 public:
  virtual ~CMatrix() = default;

  // out = a × b (right-handed). The line through homogeneous points p and q is p × q.
  void CrossProduct(const double* a, const double* b, double* out) const;
  // Always exactly three components.
  double DotProduct(const double* a, const double* b) const;
  double VectorNorm(const double* v, int n) const;
  // Divides every component by the norm, taken once. A zero vector is left unchanged.
  void Normalize(double* v, int n) const;
  // M[i][j] = u[i]·v[j], M n × n.
  void OuterProduct(const double* u, const double* v, double** M, int n) const;
  // C = A·B with A m × k, B k × n, C m × n.
  void MatrixMultiply(double** A, double** B, double** C, int m, int k, int n) const;
  // y = A·x with A m × n; x and y must be distinct.
  void MatrixVectorMultiply(double** A, const double* x, double* y, int m, int n) const;
  // Blend of the samples at the corners of a unit cell: c00 at (0, 0), c10 at (1, 0), c01 at
  // (0, 1), c11 at (1, 1); fx, fy the offsets inside the cell. No rounding.
  double BilinearInterpolate(double fx, double fy, unsigned char c00, unsigned char c10, unsigned char c01,
                             unsigned char c11) const;
  // Strict comparisons: on a tie the second argument is returned.
  double Max2(double a, double b) const;
  double Min2(double a, double b) const;
  double Max4(double a, double b, double c, double d) const;
  double Min4(double a, double b, double c, double d) const;

  // Crout LU decomposition with implicit (row-scaled) partial pivoting, in place: the unit lower
  // triangle below the diagonal, the upper triangle on and above it, both of the row-permuted
  // matrix. perm[k] holds the 1-based row exchanged with row k+1 at step k+1; parity is +1 or
  // −1. Every row that is entirely zero is reported with an "Error" box, and the result is then
  // false (the factors are meaningless); a zero pivot becomes kTinyPivot without a message.
  bool LUDecompose(double** A, int n, int* perm, double& parity) const;
  // Replaces b by the solution of A·x = b for the matrix whose factors A holds.
  void LUBackSubstitute(double** A, int n, const int* perm, double* b) const;
  // Solves A·x = b in place (b becomes x, A its factors). After an all-zero row has been
  // reported, b is set to zeros and the result is false.
  bool SolveLinearSystem(double** A, double* b, int n) const;
  // Ainv = A⁻¹, one decomposition of a fresh copy of A for each column; A is not written.
  // A column whose solve failed is left zero; the result is false then.
  bool InvertMatrix(double** A, double** Ainv, int n) const;

  // Singular value decomposition a = U·S·Vᵀ of the m × n matrix a (flat, row-major), after
  // LINPACK's DSVDC with the negligibility tests relative to tol. On return a holds S (the
  // diagonal and the unconverged superdiagonal), the first min(m, n) columns of u (m × m, row
  // length m) the left singular vectors, and v (n × n) holds Vᵀ. Singular values come out
  // non-negative and non-increasing. Result 1 when every value converged, −1 when a value took
  // more than kSvdSweepBudget sweeps; the outputs are filled either way.
  int Svd(double* a, int m, int n, double* u, double* v, double tol) const;

  static constexpr double kTinyPivot = 1e-20;  // replaces an exactly zero pivot
  static constexpr int kSvdSweepBudget = 60;    // QR sweeps allowed per singular value

 private:
  // Plane rotation [c s; −s c] that maps (f, g) to (r, 0).
  void GivensRotation(double f, double g, double& c, double& s, double& r) const;
  // Packs the diagonal s and superdiagonal e (1-based) into a and turns V into Vᵀ.
  void SvdPackResult(double* a, int m, int n, const double* s, const double* e, double* v) const;
};
