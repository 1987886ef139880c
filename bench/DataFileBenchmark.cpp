// Loading a data file of 32,000 points, against one plain fread of the same file into a fresh
// buffer: the least the same job needs before any parsing.

#include "BenchmarkRatios.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPoints = 32000;

std::unique_ptr<CSingleImage> Scene() {
  auto model = std::make_unique<CSingleImage>("");
  model->m_nWidth = 6000;
  model->m_nHeight = 4000;
  return model;
}

struct CDataFileFixture {
  CDataFileFixture() {
    const char* base = std::getenv("TMPDIR");
    folder = std::string(base && *base ? base : "/tmp") + "/pelorin-bench-XXXXXX";
    if (!mkdtemp(folder.data())) std::abort();
    path = folder + "/scene.txt";
    auto model = Scene();
    for (int i = 0; i < kPoints; ++i) {
      auto* p = new CViewPoint;
      p->m_id = i, p->m_u = i % 6000 - 3000.25, p->m_v = i % 4000 - 2000.5;
      p->m_x = i * 0.001, p->m_y = -i * 0.002, p->m_z = i % 17, p->m_refX = i - 1;
      model->m_Points.Add(p);
    }
    model->m_nMaxId = kPoints - 1;
    if (!SaveDataFile(path, *model)) std::abort();
    struct stat status {};
    stat(path.c_str(), &status);
    fileBytes = static_cast<size_t>(status.st_size);
  }
  ~CDataFileFixture() {
    unlink(path.c_str());
    rmdir(folder.c_str());
  }
  std::string folder, path;
  size_t fileBytes = 0;
};

CDataFileFixture& Fixture() {
  static CDataFileFixture fixture;
  return fixture;
}

void BM_ReadDataFile(benchmark::State& state) {
  auto model = Scene();
  for (auto _ : state) {
    std::string reason;
    if (ReadDataFile(Fixture().path, *model, reason) != EDataFileRead::Loaded) std::abort();
    benchmark::DoNotOptimize(model->m_Points.GetCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().fileBytes));
}

void BM_FreadBaseline(benchmark::State& state) {
  for (auto _ : state) {
    std::FILE* file = std::fopen(Fixture().path.c_str(), "rb");
    std::unique_ptr<char[]> buffer(new char[Fixture().fileBytes]);
    if (std::fread(buffer.get(), 1, Fixture().fileBytes, file) != Fixture().fileBytes) std::abort();
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.get());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().fileBytes));
}

BENCHMARK(BM_FreadBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Fixture();
  CRatioReporter reporter(
      std::vector<std::pair<std::string, std::string>>{{"BM_ReadDataFile/real_time", "BM_FreadBaseline/real_time"}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
