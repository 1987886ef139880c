// The program's numeric sizes: the 3 × 3 SVD of a vanishing-point scatter matrix and the
// 8 × 8 solve of a four-point homography.

#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

namespace {

void BM_Svd3x3(benchmark::State& state) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> value(-1, 1);
  // A symmetric scatter matrix, as the vanishing-point estimation builds.
  double lines[5][3];
  for (auto& line : lines)
    for (double& x : line) x = value(random);
  double scatter[9] = {};
  for (auto& line : lines)
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) scatter[3 * i + j] += line[i] * line[j];
  const CMatrix matrix;
  double a[9], u[9], v[9];
  for (auto _ : state) {
    std::memcpy(a, scatter, sizeof a);
    benchmark::DoNotOptimize(matrix.Svd(a, 3, 3, u, v, 1e-7));
    benchmark::ClobberMemory();
  }
}

void BM_Solve8x8(benchmark::State& state) {
  std::mt19937 random(8);
  std::uniform_real_distribution<double> value(-100, 100);
  CRowMatrix system(8, 8);
  double rhs[8];
  for (int i = 0; i < 8; ++i) {
    rhs[i] = value(random);
    for (int j = 0; j < 8; ++j) system[i][j] = value(random);
  }
  const CMatrix matrix;
  CRowMatrix work(8, 8);
  double b[8];
  for (auto _ : state) {
    for (int i = 0; i < 8; ++i) std::memcpy(work[i], system[i], sizeof(double) * 8);
    std::memcpy(b, rhs, sizeof b);
    matrix.SolveLinearSystem(work.Rows(), b, 8);
    benchmark::DoNotOptimize(b);
    benchmark::ClobberMemory();
  }
}

void BM_Invert3x3(benchmark::State& state) {
  CRowMatrix homography({{50, 2, 310}, {-3, 47, 220}, {0.001, 0.002, 1}});
  CRowMatrix inverse(3, 3);
  const CMatrix matrix;
  for (auto _ : state) {
    matrix.InvertMatrix(homography.Rows(), inverse.Rows(), 3);
    benchmark::DoNotOptimize(inverse[0]);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Svd3x3);
BENCHMARK(BM_Solve8x8);
BENCHMARK(BM_Invert3x3);

}  // namespace

BENCHMARK_MAIN();
