// Finding the segments of a 6000 x 4000 photograph and sorting them into the three directions,
// against OpenCV's line segment detector run alone on the full-resolution grey picture, in the
// same run. The photographs are rendered box scenes, blurred and with noise, made once: three
// boxes, and a busy street of twenty façades with many windows that gives the detector and the
// grouping several times more segments.

#include "BenchmarkRatios.h"
#include "LineScenes.h"
#include "lines/SceneDirections.h"

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <memory>
#include <random>
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

// Twenty façades of 8 × 6 windows along both sides of a street, seen from above its middle.
const CPixelImage& BusyPhotograph() {
  static const CPixelImage image = [] {
    CSceneCamera camera;
    camera.focal = 4000;
    camera.position[0] = -14, camera.position[1] = -9, camera.position[2] = 12;
    camera.target[0] = 10, camera.target[1] = 6, camera.target[2] = 2;
    camera.rollDegrees = 2;
    std::vector<CSceneBox> boxes;
    for (int k = 0; k < 10; ++k) {
      const double x = 3.2 * k;
      boxes.push_back({{x, 0, 0}, {x + 3, 3, 4.0 + k % 3}, {200, 150, 110}, 8, 6});
      boxes.push_back({{x, 9, 0}, {x + 3, 12, 5.0 + k % 2}, {150, 170, 200}, 8, 6});
    }
    CRenderSettings settings;
    settings.blurSigma = 1.5;
    settings.noiseSigma = 2;
    settings.singleRay = true;
    return CRenderedScene(kWidth, kHeight, camera, boxes).Render(settings);
  }();
  return image;
}

void BM_FindSceneDirectionsBusy(benchmark::State& state) {
  size_t segments = 0;
  for (auto _ : state) {
    const CSceneDirections found =
        FindSceneDirections({BusyPhotograph().pixels.get(), kWidth, kHeight}, std::nullopt);
    segments = found.detection.segments.size();
    benchmark::DoNotOptimize(found.grouping.labels.data());
  }
  state.counters["segments"] = static_cast<double>(segments);
}

void BM_DetectSegments(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(DetectSegments(View(), std::nullopt).segments.data());
}

// The grouping alone on many segments: three quarters towards three vanishing points, one
// quarter pointing anywhere, spread over the photograph, 40 to 400 pixels long.
void BM_GroupSegments(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::mt19937 random(3);
  std::uniform_real_distribution<double> x(0, kWidth), y(0, kHeight), length(40, 400), angle(0, 3.14159);
  const double points[3][2] = {{kWidth * 2.5, kHeight * 0.55}, {-kWidth * 1.5, kHeight * 0.6}, {kWidth * 0.52, -kHeight * 4.0}};
  std::vector<CImageSegment> segments;
  for (int k = 0; k < count; ++k) {
    const double mx = x(random), my = y(random), half = length(random) / 2;
    double dx, dy;
    if (k % 4 == 3) {
      const double a = angle(random);
      dx = std::cos(a), dy = std::sin(a);
    } else {
      dx = points[k % 4][0] - mx, dy = points[k % 4][1] - my;
      const double norm = std::hypot(dx, dy);
      dx /= norm, dy /= norm;
    }
    segments.push_back({mx - half * dx, my - half * dy, mx + half * dx, my + half * dy});
  }
  for (auto _ : state) benchmark::DoNotOptimize(GroupSegments(segments, kWidth, kHeight).labels.data());
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
BENCHMARK(BM_FindSceneDirectionsBusy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DetectSegments)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_GroupSegments)->Arg(300)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Photograph();
  BusyPhotograph();
  CRatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
      {"BM_FindSceneDirections/min_time:2.000/real_time", "BM_OpenCvLsdFullResolution/min_time:2.000/real_time"},
      {"BM_FindSceneDirectionsBusy/min_time:2.000/real_time", "BM_OpenCvLsdFullResolution/min_time:2.000/real_time"}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
