// Loading a 6000 × 4000 photograph as "Load Souce Image" does it (read plus texture upload with
// its mipmaps), and one repaint of it, in the real view under the OpenGL in use. Run it under
// a display, for example: xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_load

#include "app/AppLocale.h"
#include "app/CommandIds.h"
#include "app/MainFrm.h"
#include "app/Pelorin.h"
#include "app/PelorinView.h"
#include "image/Bmp.h"
#include "services/Services.h"

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Answers every open-file dialog with the photograph.
class CPhotographChooser final : public CServices {
 public:
  CPhotographChooser(CServices& real, std::string path) : m_real(real), m_path(std::move(path)), m_guard(*this) {}
  void TraceText(const std::string& text) override { m_real.TraceText(text); }
  void MessageBox(const std::string& text) override { m_real.TraceText(text); }
  int RunModalDialog(CDialogModel&) override { return kDialogCancel; }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest&) override {
    return CFileDialogChoice{m_path, "photo.bmp"};
  }
  void SetStatusText(const std::string& text) override { m_real.SetStatusText(text); }
  void Repaint() override { m_real.Repaint(); }

 private:
  CServices& m_real;
  std::string m_path;
  CScopedServices m_guard;
};

std::string& PhotographPath() {
  static std::string path;
  return path;
}

void BM_LoadSourceImage(benchmark::State& state) {
  CPelorinApp app;
  app.InitInstance({});
  if (!QTest::qWaitForWindowExposed(&app.Frame())) state.SkipWithError("the window did not appear");
  CPhotographChooser chooser(app.QtServices(), PhotographPath());
  for (auto _ : state) app.View().OnCommand(ID_LOAD_SOURCE_IMAGE);
}

void BM_RepaintWhilePanning(benchmark::State& state) {
  CPelorinApp app;
  app.InitInstance({});
  if (!QTest::qWaitForWindowExposed(&app.Frame())) state.SkipWithError("the window did not appear");
  CPhotographChooser chooser(app.QtServices(), PhotographPath());
  app.View().OnCommand(ID_LOAD_SOURCE_IMAGE);
  int step = 0;
  for (auto _ : state) {
    app.View().m_nPanX = (step++ % 200) * 10;
    app.View().RepaintNow();
  }
}

BENCHMARK(BM_LoadSourceImage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_RepaintWhilePanning)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseCLocaleForNumbers();
  benchmark::Initialize(&argc, argv);
  const char* base = std::getenv("TMPDIR");
  PhotographPath() = std::string(base && *base ? base : "/tmp") + "/pelorin-bench-load.bmp";
  {
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[3ull * kWidth * kHeight]);
    for (size_t i = 0; i < 3ull * kWidth * kHeight; ++i) pixels[i] = static_cast<unsigned char>(i * 13 + i / 5);
    if (!WriteBmpFile(PhotographPath(), pixels.get(), kWidth, kHeight)) return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink(PhotographPath().c_str());
}
