// Opening a 6000 × 4000 photograph in the real window, as "Load Souce Image" does it: from the
// file dialog's answer to the first frame drawn (read, decode, texture upload, first paint), for
// JPEG, PNG and BMP, each against the bare decode of the same file in the same run (djpeg to
// /dev/null, libpng into a buffer, a plain fread). Reports the peak memory of each load as a
// multiple of the pixel buffer, and the frame time at several zooms while panning. With
// --stages it first prints the time of every stage of a load. Run it under a display, with
// repetitions that take turns (see the README):
//   LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_load
//     --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true

#include "BenchmarkRatios.h"
#include "CameraPicture.h"
#include "app/AppLocale.h"
#include "app/CommandIds.h"
#include "app/MainFrm.h"
#include "app/Pelorin.h"
#include "app/PelorinDoc.h"
#include "app/PelorinView.h"
#include "app/PhotographTexture.h"
#include "image/Bmp.h"
#include "image/ImageOrientation.h"
#include "image/Photograph.h"
#include "image/PngFile.h"
#include "services/Services.h"

#include <QApplication>
#include <QOpenGLContext>
#include <QTest>

#include <benchmark/benchmark.h>
#include <png.h>
#include <turbojpeg.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr double kPixelBufferBytes = 3.0 * kWidth * kHeight;
enum EFormat { kJpeg, kPng, kBmp };
const char* const kFormatNames[] = {"jpeg", "png", "bmp"};

std::string& PhotographPath(int format) {
  static std::string paths[3];
  return paths[format];
}

// Answers every open-file dialog with the chosen photograph.
class CPhotographChooser final : public CServices {
 public:
  CPhotographChooser(CServices& real, std::string path) : m_real(real), m_path(std::move(path)), m_guard(*this) {}
  void TraceText(const std::string& text) override { m_real.TraceText(text); }
  void MessageBox(const std::string& text) override { m_real.TraceText(text); }
  int RunModalDialog(CDialogModel&) override { return kDialogCancel; }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest&) override {
    return CFileDialogChoice{m_path, "photo"};
  }
  void SetStatusText(const std::string& text) override { m_real.SetStatusText(text); }
  void Repaint() override { m_real.Repaint(); }

 private:
  CServices& m_real;
  std::string m_path;
  CScopedServices m_guard;
};

// The program's window, shown and ready.
class CWindow {
 public:
  CWindow() {
    m_app.InitInstance({});
    m_bExposed = QTest::qWaitForWindowExposed(&m_app.Frame());
  }
  CPelorinApp& App() { return m_app; }
  bool Exposed() const { return m_bExposed; }

 private:
  CPelorinApp m_app;
  bool m_bExposed = false;
};

long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return 0;
}

// Restarts the peak resident size at the current one (Linux 4.0 and later).
void ResetPeakMemory() {
  std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
  if (!file) return;
  std::fputs("5", file);
  std::fclose(file);
}

// The load as the user meets it, up to the first frame; the argument is the format. The previous
// photograph is dropped outside the timed part, so its memory does not count.
void BM_FirstFrame(benchmark::State& state) {
  CWindow window;
  if (!window.Exposed()) state.SkipWithError("the window did not appear");
  CPhotographChooser chooser(window.App().QtServices(), PhotographPath(static_cast<int>(state.range(0))));
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    window.App().Document().Clear();
    QCoreApplication::processEvents();
    const long before = StatusKilobytes("VmRSS:");
    ResetPeakMemory();
    state.ResumeTiming();
    window.App().View().OnCommand(ID_LOAD_SOURCE_IMAGE);
    state.PauseTiming();
    // The tiles not in view follow while the program is idle; their memory counts too.
    while (PhotographTilesPending()) QCoreApplication::processEvents();
    peak = std::max(peak, (StatusKilobytes("VmHWM:") - before) * 1024.0 / kPixelBufferBytes);
    state.ResumeTiming();
  }
  if (!window.App().Document().GetSingleImage()) state.SkipWithError("the photograph did not load");
  state.counters["peak/buffer"] = peak;
}

// The same file decoded and nothing else.
void BM_BareDecode(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const std::string& path = PhotographPath(format);
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[3ull * kWidth * kHeight + 1024]);
  for (auto _ : state) {
    if (format == kJpeg) {
      if (std::system(("djpeg -ppm -outfile /dev/null '" + path + "'").c_str()) != 0) state.SkipWithError("djpeg failed");
    } else if (format == kPng) {
      png_image image{};
      image.version = PNG_IMAGE_VERSION;
      if (!png_image_begin_read_from_file(&image, path.c_str())) state.SkipWithError("libpng cannot read the file");
      image.format = PNG_FORMAT_RGB;
      png_image_finish_read(&image, nullptr, buffer.get(), 0, nullptr);
    } else {
      std::FILE* file = std::fopen(path.c_str(), "rb");
      benchmark::DoNotOptimize(std::fread(buffer.get(), 1, 3ull * kWidth * kHeight + 1024, file));
      std::fclose(file);
    }
  }
}

// Processor time of the whole process, every thread (the software renderer draws on several).
double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec * 1e-9;
}

// One frame after a pan at the zoom 2^argument. On a shared machine the real time says little;
// "cpu ms/frame" is the work of all the process's threads for one frame.
void BM_FrameWhilePanning(benchmark::State& state) {
  CWindow window;
  if (!window.Exposed()) state.SkipWithError("the window did not appear");
  CPhotographChooser chooser(window.App().QtServices(), PhotographPath(kJpeg));
  CPelorinView& view = window.App().View();
  view.OnCommand(ID_LOAD_SOURCE_IMAGE);
  for (int z = 0; z < std::abs(static_cast<int>(state.range(0))); ++z)
    view.OnCommand(state.range(0) > 0 ? ID_VIEW_ZOOM_IN : ID_VIEW_ZOOM_OUT);
  view.RepaintNow();  // the tiles' mipmaps are made by the first frame that needs them
  int step = 0;
  const double start = ProcessSeconds();
  for (auto _ : state) {
    view.m_nPanX = (step++ % 200) * 10;
    view.RepaintNow();
  }
  state.counters["cpu ms/frame"] = (ProcessSeconds() - start) * 1e3 / static_cast<double>(state.iterations());
}

BENCHMARK(BM_FirstFrame)->ArgName("format")->DenseRange(kJpeg, kBmp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_BareDecode)->ArgName("format")->DenseRange(kJpeg, kBmp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FrameWhilePanning)->ArgName("zoom")->DenseRange(-3, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

bool WriteBytes(const std::string& path, const unsigned char* bytes, size_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(bytes, 1, size, out) == size;
  return std::fclose(out) == 0 && written;
}

// JPEG (4:2:0, quality 90, as cameras write), PNG and BMP files of the test picture.
bool WritePhotographs() {
  const char* base = std::getenv("TMPDIR");
  for (int format = kJpeg; format <= kBmp; ++format)
    PhotographPath(format) = std::string(base && *base ? base : "/tmp") + "/pelorin-bench-load." + kFormatNames[format];
  const std::unique_ptr<unsigned char[]> pixels = CameraLikePicture(kWidth, kHeight);
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const bool compressed = tjCompress2(handle, pixels.get(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90,
                                      TJFLAG_BOTTOMUP) == 0;
  const bool jpegWritten = compressed && WriteBytes(PhotographPath(kJpeg), jpeg, size);
  tjFree(jpeg);
  tjDestroy(handle);
  const std::vector<unsigned char> png = EncodePng(pixels.get(), kWidth, kHeight);
  return jpegWritten && WriteBytes(PhotographPath(kPng), png.data(), png.size()) &&
         static_cast<bool>(WriteBmpFile(PhotographPath(kBmp), pixels.get(), kWidth, kHeight));
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct CUploadTimes {
  double levelZero = 0, mipmaps = 0;
};

// The texture upload of the full-size picture, then the mipmaps made from it by the driver.
CUploadTimes TimeUpload(CPelorinApp& app, const CPixelImage& image) {
  CUploadTimes times;
  if (!app.View().m_glContext.MakeCurrent()) return times;
  using GenerateMipmap = void (*)(GLenum);
  const auto generateMipmap =
      reinterpret_cast<GenerateMipmap>(QOpenGLContext::currentContext()->getProcAddress("glGenerateMipmap"));
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  auto start = std::chrono::steady_clock::now();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.get());
  glFinish();
  times.levelZero = Seconds(start);
  start = std::chrono::steady_clock::now();
  if (generateMipmap) generateMipmap(GL_TEXTURE_2D);
  glFinish();
  times.mipmaps = generateMipmap ? Seconds(start) : -1;
  glDeleteTextures(1, &name);
  return times;
}

// Each stage of a load on its own, once per format, in the real window's context.
void PrintStages() {
  CWindow window;
  CPelorinApp& app = window.App();
  std::printf("GL_RENDERER %s\n", app.View().m_glContext.MakeCurrent()
                                      ? reinterpret_cast<const char*>(glGetString(GL_RENDERER))
                                      : "(none)");
  std::printf("%-5s %9s %9s %12s %9s %9s %12s\n", "", "read s", "decode s", "orientation", "upload s", "mipmaps",
              "first paint");
  for (int format = kJpeg; format <= kBmp; ++format) {
    const std::string& path = PhotographPath(format);
    auto start = std::chrono::steady_clock::now();
    std::string bytes, reason;
    double read = 0, decode = 0;
    CPixelImage image;
    if (format == kBmp) {
      CBmpReadResult result = ReadBmpFile(path);
      decode = Seconds(start);
      image = std::move(result.image);
    } else {
      ReadWholeFile(path, bytes, reason);
      read = Seconds(start);
      start = std::chrono::steady_clock::now();
      CPhotoReadResult result = DecodePhotograph(format == kJpeg ? EPhotoFormat::Jpeg : EPhotoFormat::Png,
                                                 reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
      decode = Seconds(start);
      image = std::move(result.image);
    }
    start = std::chrono::steady_clock::now();
    const CPixelImage turned = ApplyOrientation(image, 6);
    const double orientation = Seconds(start);
    const CUploadTimes upload = TimeUpload(app, image);
    CPhotographChooser chooser(app.QtServices(), path);
    app.View().OnCommand(ID_LOAD_SOURCE_IMAGE);
    start = std::chrono::steady_clock::now();
    app.View().RepaintNow();
    const double paint = Seconds(start);
    std::printf("%-5s %9.3f %9.3f %12.3f %9.3f %9.3f %12.3f\n", kFormatNames[format], read, decode, orientation,
                upload.levelZero, upload.mipmaps, paint);
    benchmark::DoNotOptimize(turned.pixels.get());
  }
  app.Document().Clear();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UseCLocaleForNumbers();
  const bool stages = argc > 1 && std::strcmp(argv[1], "--stages") == 0;
  if (stages) {
    for (int i = 1; i + 1 < argc; ++i) argv[i] = argv[i + 1];
    --argc;
  }
  benchmark::Initialize(&argc, argv);
  if (!WritePhotographs()) return 1;
  if (stages) PrintStages();
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int format = kJpeg; format <= kBmp; ++format)
    pairs.emplace_back("BM_FirstFrame/format:" + std::to_string(format) + "/iterations:3/real_time",
                       "BM_BareDecode/format:" + std::to_string(format) + "/iterations:3/real_time");
  CRatioReporter reporter(pairs);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (int format = kJpeg; format <= kBmp; ++format) unlink(PhotographPath(format).c_str());
}
