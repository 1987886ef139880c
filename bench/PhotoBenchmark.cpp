// Loading a 6000 x 4000 JPEG into the model's buffer (read, decode, rows bottom-up), against
// djpeg decoding the same file to a PPM written to /dev/null, in the same run.

#include "BenchmarkRatios.h"
#include "CameraPicture.h"
#include "model/SingleImage.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

const std::string& JpegPath() {
  static const std::string path = [] {
    const char* base = std::getenv("TMPDIR");
    std::string file = std::string(base && *base ? base : "/tmp") + "/pelorin-bench-photo.jpg";
    // 4:2:0, quality 90, as cameras write.
    const std::unique_ptr<unsigned char[]> pixels = CameraLikePicture(kWidth, kHeight);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, pixels.get(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(jpeg, 1, size, out);
    std::fclose(out);
    tjFree(jpeg);
    tjDestroy(handle);
    return file;
  }();
  return path;
}

void BM_LoadJpeg(benchmark::State& state) {
  for (auto _ : state) {
    CSingleImage model(JpegPath().c_str(), EPhotoFiles::AnyFormat);
    if (!model.HasPixels()) state.SkipWithError("the JPEG did not load");
    benchmark::DoNotOptimize(model.m_pPixels.get());
  }
}

void BM_DjpegToDevNull(benchmark::State& state) {
  const std::string command = "djpeg -ppm -outfile /dev/null '" + JpegPath() + "'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("djpeg failed");
}

BENCHMARK(BM_DjpegToDevNull)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  JpegPath();
  CRatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
      {"BM_LoadJpeg/min_time:3.000/real_time", "BM_DjpegToDevNull/min_time:3.000/real_time"}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  unlink(JpegPath().c_str());
}
