#include "app/DetectionRun.h"

#include "app/PhotographLoad.h"
#include "services/Services.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <memory>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr int kProgressSteps = 1000;

CDirectionsFinder& InstalledFinder() {
  static CDirectionsFinder finder;
  return finder;
}

}  // namespace

void SetDirectionsFinder(CDirectionsFinder finder) { InstalledFinder() = std::move(finder); }

CSceneDirections FindSceneDirectionsWhileResponsive(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                                    QWidget* parent) {
  std::atomic<double> fraction{0};
  std::atomic<bool> cancel{false};
  CDeferredServices said;
  const CDirectionsFinder finder = InstalledFinder();
  std::future<CSceneDirections> work = std::async(std::launch::async, [&] {
    const CThreadServices worker(said);
    const CProgressCallback progress = [&](double done) {
      fraction.store(done);
      return !cancel.load();
    };
    return finder ? finder(photograph, region, progress) : FindSceneDirections(photograph, region, {}, {}, progress);
  });
  std::unique_ptr<QProgressDialog> progress;
  const auto start = std::chrono::steady_clock::now();
  while (work.wait_for(kPollInterval) != std::future_status::ready) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!progress && elapsed >= kBusyAfterSeconds) {
      progress = std::make_unique<QProgressDialog>("Detecting segments ...", "Cancel", 0, kProgressSteps, parent);
      progress->setWindowTitle("Detect Segments");
      progress->setWindowModality(Qt::WindowModal);
      progress->setMinimumDuration(0);
      progress->show();
    }
    if (!progress) continue;
    progress->setValue(static_cast<int>(std::lround(fraction.load() * (kProgressSteps - 1))));
    // The dialog is window-modal: only its Cancel reaches the program while the work runs.
    QCoreApplication::processEvents();
    if (progress->wasCanceled()) cancel.store(true);
  }
  CSceneDirections found = work.get();
  said.Replay();
  return found;
}
