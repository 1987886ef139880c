// The textures of an export with many faces: the sample scene's three faces taken eight times
// over, made one after another against side by side on every core (what the glTF and OBJ
// exports do). Both give the same bytes.

#include "export/ExportFaces.h"
#include "export/FaceTextures.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kRounds = 8;

struct CScene {
  std::unique_ptr<CSingleImage> model;
  std::vector<CExportFace> faces;
};

const CScene& Scene() {
  static const CScene scene = [] {
    CScene s;
    s.model = std::make_unique<CSingleImage>(PELORIN_EXAMPLES_DIR "/sample-scene.bmp");
    std::string reason;
    if (ReadDataFile(PELORIN_EXAMPLES_DIR "/sample-scene.txt", *s.model, reason) != EDataFileRead::Loaded) {
      std::fprintf(stderr, "bench_export: the sample scene cannot be loaded: %s\n", reason.c_str());
      std::exit(1);
    }
    const CExportFaces collected = CollectExportFaces(*s.model);
    for (int round = 0; round < kRounds; ++round)
      s.faces.insert(s.faces.end(), collected.faces.begin(), collected.faces.end());
    return s;
  }();
  return scene;
}

void BM_FaceTexturesOneByOne(benchmark::State& state) {
  const CScene& scene = Scene();
  for (auto _ : state)
    for (const CExportFace& face : scene.faces) benchmark::DoNotOptimize(FaceTexturePng(*scene.model, face).data());
}

void BM_FaceTexturesSideBySide(benchmark::State& state) {
  const CScene& scene = Scene();
  for (auto _ : state) benchmark::DoNotOptimize(FaceTexturePngs(*scene.model, scene.faces).data());
}

BENCHMARK(BM_FaceTexturesOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FaceTexturesSideBySide)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
