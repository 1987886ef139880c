// Reading and writing a 6000 × 4000 photograph, each against the plain C library doing the
// least that the same job needs: one fread of the whole file into a fresh buffer, one fwrite of
// the same number of bytes followed by the same fsync.

#include "BenchmarkRatios.h"
#include "image/Bmp.h"
#include "model/SingleImage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

struct CPhotoFixture {
  CPhotoFixture() {
    const char* base = std::getenv("TMPDIR");
    folder = std::string(base && *base ? base : "/tmp") + "/pelorin-bench-XXXXXX";
    if (!mkdtemp(folder.data())) std::abort();
    photo = folder + "/photo.bmp";
    copy = folder + "/copy.bmp";
    pixels.reset(new unsigned char[3ull * kWidth * kHeight]);
    for (size_t i = 0; i < 3ull * kWidth * kHeight; ++i) pixels[i] = static_cast<unsigned char>(i * 31 + i / 7);
    if (!WriteBmpFile(photo, pixels.get(), kWidth, kHeight)) std::abort();
    struct stat status {};
    stat(photo.c_str(), &status);
    fileBytes = static_cast<size_t>(status.st_size);
  }
  ~CPhotoFixture() {
    unlink(photo.c_str());
    unlink(copy.c_str());
    rmdir(folder.c_str());
  }
  std::string folder, photo, copy;
  std::unique_ptr<unsigned char[]> pixels;
  size_t fileBytes = 0;
};

CPhotoFixture& Fixture() {
  static CPhotoFixture fixture;
  return fixture;
}

void BM_ReadBMP(benchmark::State& state) {
  CSingleImage model(Fixture().photo.c_str());  // each further read gives it a fresh buffer
  for (auto _ : state) {
    model.ReadBMP(Fixture().photo.c_str());
    benchmark::DoNotOptimize(model.m_pPixels.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().fileBytes));
}

void BM_FreadBaseline(benchmark::State& state) {
  for (auto _ : state) {
    std::FILE* file = std::fopen(Fixture().photo.c_str(), "rb");
    struct stat status {};
    fstat(fileno(file), &status);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[static_cast<size_t>(status.st_size)]);
    if (std::fread(buffer.get(), 1, static_cast<size_t>(status.st_size), file) != static_cast<size_t>(status.st_size))
      std::abort();
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().fileBytes));
}

void BM_WriteBMP(benchmark::State& state) {
  for (auto _ : state) {
    if (!CSingleImage::WriteBMP(Fixture().copy.c_str(), Fixture().pixels.get(), kWidth, kHeight)) std::abort();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().fileBytes));
}

void BM_FwriteBaseline(benchmark::State& state) {
  // The same number of bytes as the BMP file, already in file order.
  std::unique_ptr<unsigned char[]> bytes(new unsigned char[Fixture().fileBytes]);
  for (size_t i = 0; i < Fixture().fileBytes; ++i) bytes[i] = static_cast<unsigned char>(i);
  for (auto _ : state) {
    std::FILE* file = std::fopen(Fixture().copy.c_str(), "wb");
    if (std::fwrite(bytes.get(), 1, Fixture().fileBytes, file) != Fixture().fileBytes) std::abort();
    std::fflush(file);
    fsync(fileno(file));
    std::fclose(file);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().fileBytes));
}

BENCHMARK(BM_FreadBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadBMP)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FwriteBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_WriteBMP)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Fixture();
  CRatioReporter reporter({{"BM_ReadBMP/min_time:2.000/real_time", "BM_FreadBaseline/min_time:2.000/real_time"},
                           {"BM_WriteBMP/min_time:3.000/real_time", "BM_FwriteBaseline/min_time:3.000/real_time"}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
