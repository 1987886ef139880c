// Finding the segments of a 6000 x 4000 photograph and sorting them into the three directions,
// against OpenCV's line segment detector run alone on the full-resolution grey picture, in the
// same run. The photograph is a rendered façade scene, blurred and with noise, made once.

#include "BenchmarkRatios.h"
#include "LineScenes.h"
#include "lines/SceneDirections.h"

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <string>
#include <vector>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

const CPixelImage& Photograph() {
  static const CPixelImage image = [] {
    CRenderSettings settings;
    settings.blurSigma = 1.5;
    settings.noiseSigma = 2;
    settings.singleRay = true;
    return ThreeBoxes(kWidth, kHeight).Render(settings);
  }();
  return image;
}

CPixelView View() { return {Photograph().pixels.get(), Photograph().width, Photograph().height}; }

void BM_FindSceneDirections(benchmark::State& state) {
  for (auto _ : state) {
    const CSceneDirections found = FindSceneDirections(View(), std::nullopt);
    if (!found.grouping.directions[kVertical].found) state.SkipWithError("no vertical found");
    benchmark::DoNotOptimize(found.grouping.labels.data());
  }
}

void BM_DetectSegments(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(DetectSegments(View(), std::nullopt).segments.data());
}

void BM_GroupSegments(benchmark::State& state) {
  std::vector<CImageSegment> segments;
  std::vector<double> sigmas;
  for (const CDetectedSegment& detected : DetectSegments(View(), std::nullopt).segments) {
    segments.push_back(detected.segment);
    sigmas.push_back(detected.refined ? detected.rmsPixels : 4);
  }
  state.counters["segments"] = static_cast<double>(segments.size());
  for (auto _ : state)
    benchmark::DoNotOptimize(GroupSegments(segments, kWidth, kHeight, {}, {}, sigmas).labels.data());
}

// The reference: the detector alone on the whole picture in grey, rows flipped as it expects.
void BM_OpenCvLsdFullResolution(benchmark::State& state) {
  const CPixelView view = View();
  for (auto _ : state) {
    cv::Mat grey(view.height, view.width, CV_8UC1);
    for (int row = 0; row < view.height; ++row) {
      const unsigned char* p = view.pixels + static_cast<size_t>(view.height - 1 - row) * view.width * 3;
      unsigned char* out = grey.ptr<unsigned char>(row);
      for (int x = 0; x < view.width; ++x, p += 3)
        out[x] = static_cast<unsigned char>((19595u * p[0] + 38470u * p[1] + 7471u * p[2] + 32768u) >> 16);
    }
    std::vector<cv::Vec4f> lines;
    cv::createLineSegmentDetector(cv::LSD_REFINE_STD)->detect(grey, lines);
    benchmark::DoNotOptimize(lines.data());
  }
}

BENCHMARK(BM_OpenCvLsdFullResolution)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FindSceneDirections)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DetectSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_GroupSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Photograph();
  CRatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
      {"BM_FindSceneDirections/min_time:2.000/real_time", "BM_OpenCvLsdFullResolution/min_time:2.000/real_time"}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
