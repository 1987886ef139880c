// Rectifying a 3000 × 2000 texture out of a 6000 × 4000 photograph through a perspective
// homography: on one and on two threads with the fastest kernel, and on one thread with each
// row kernel this processor runs (the plain per-pixel one is what the others must reproduce).
// bench/compare_warp.py runs this beside OpenCV's warpPerspective on the same sizes.

#include "model/SingleImage.h"
#include "services/Services.h"
#include "texture/Rectification.h"
#include "texture/RectificationKernel.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;
constexpr int kTextureWidth = 3000, kTextureHeight = 2000;
// A face seen in perspective, well inside the photograph.
constexpr double kU[4] = {700, 5400, 5000, 1100};
constexpr double kV[4] = {500, 800, 3500, 3300};

// Keeps the empty model's "can't open" trace out of the report.
class CQuietServices final : public CServices {
  void TraceText(const std::string&) override {}
  void MessageBox(const std::string&) override {}
  int RunModalDialog(CDialogModel&) override { return kDialogCancel; }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest&) override { return std::nullopt; }
  void SetStatusText(const std::string&) override {}
  void Repaint() override {}
};

const CSingleImage& Photograph() {
  static CSingleImage* model = [] {
    CQuietServices quiet;
    CScopedServices installed(quiet);
    auto* photo = new CSingleImage("");
    photo->m_nWidth = kPhotoWidth, photo->m_nHeight = kPhotoHeight;
    photo->m_pPixels = AllocatePixels(3ull * kPhotoWidth * kPhotoHeight);
    for (size_t i = 0; i < 3ull * kPhotoWidth * kPhotoHeight; ++i) photo->m_pPixels[i] = static_cast<unsigned char>(i * 7 + i / 11);
    return photo;
  }();
  return *model;
}

void CountPixels(benchmark::State& state) {
  state.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTextureWidth *
                                                       kTextureHeight / 1e6,
                                                   benchmark::Counter::kIsRate);
}

// The argument is the number of threads.
void BM_RectifyTexture(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CPixelImage texture = RectifyTexture(Photograph(), kU, kV, kTextureWidth, kTextureHeight, threads);
    benchmark::DoNotOptimize(texture.pixels.get());
  }
  CountPixels(state);
}

// One thread, row by row, with the kernel given as argument.
void BM_RectifyTextureKernel(benchmark::State& state) {
  const auto kernel = static_cast<CRowKernel>(state.range(0));
  if (!RowKernelRuns(kernel)) {
    state.SkipWithError("this processor does not run the kernel");
    return;
  }
  double M[3][3];
  FitTextureHomography(kU, kV, kTextureWidth, kTextureHeight, M);
  const CSingleImage& photo = Photograph();
  const CRectificationSource source{photo.m_pPixels.get(), photo.GetWidth(), photo.GetHeight()};
  for (auto _ : state) {
    std::unique_ptr<unsigned char[]> texture = AllocatePixels(3ull * kTextureWidth * kTextureHeight);
    for (int y = 0; y < kTextureHeight; ++y)
      SampleTextureRowWith(kernel, source, M, y, 0, kTextureWidth, texture.get() + 3ull * kTextureWidth * y);
    benchmark::DoNotOptimize(texture.get());
  }
  CountPixels(state);
}

BENCHMARK(BM_RectifyTexture)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RectifyTextureKernel)
    ->ArgName("kernel")
    ->Arg(static_cast<int>(CRowKernel::kPlain))
    ->Arg(static_cast<int>(CRowKernel::kAvx2))
    ->Arg(static_cast<int>(CRowKernel::kAvx512))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // --homography prints the texture-to-image homography for the comparison script.
  if (argc > 1 && std::strcmp(argv[1], "--homography") == 0) {
    double M[3][3];
    FitTextureHomography(kU, kV, kTextureWidth, kTextureHeight, M);
    for (auto& row : M) std::printf("%.17g %.17g %.17g\n", row[0], row[1], row[2]);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
