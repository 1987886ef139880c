#include "app/PhotographLoad.h"

#include "app/Resources.h"
#include "services/Services.h"
#include "session/Sha256.h"

#include <QApplication>
#include <QCursor>

#include <chrono>
#include <future>

namespace {

// How often the waiting thread looks at the worker, and, once busy, how often it lets the window
// repaint: seldom, since a repaint takes processor time from the decoder.
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr double kRepaintIntervalSeconds = 0.25;

CPhotographReader& InstalledReader() {
  static CPhotographReader reader;
  return reader;
}

}  // namespace

void SetPhotographReader(CPhotographReader reader) { InstalledReader() = std::move(reader); }

CBusyIndication::~CBusyIndication() {
  if (!m_bShown) return;
  QApplication::restoreOverrideCursor();
  Services().SetStatusText(std::string(kIdleMessage));
}

void CBusyIndication::Show() {
  if (m_bShown) return;
  m_bShown = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Services().SetStatusText(m_message);
}

std::unique_ptr<CSingleImage> ReadPhotographWhileResponsive(const std::string& path, CBusyIndication& busy,
                                                            std::string* sha256) {
  auto model = std::make_unique<CSingleImage>(0, 0);
  const CPhotographReader reader = InstalledReader();
  CSingleImage& target = *model;
  // What the reading says (a trace, a box about closing the file) is told here, once it is done.
  CDeferredServices said;
  std::future<void> reading = std::async(std::launch::async, [&target, &path, &reader, &said, sha256] {
    const CThreadServices worker(said);
    if (reader)
      reader(target, path);
    else
      target.ReadPhotograph(path.c_str());
    std::string reason;
    if (sha256 && target.HasPixels()) *sha256 = Sha256OfFile(path, reason);
  });
  const auto start = std::chrono::steady_clock::now();
  double nextRepaint = kBusyAfterSeconds;
  while (reading.wait_for(kPollInterval) != std::future_status::ready) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed < nextRepaint) continue;
    nextRepaint = elapsed + kRepaintIntervalSeconds;
    busy.Show();
    // Repaints and the cursor reach the screen; commands wait until the photograph is in.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  reading.get();
  said.Replay();
  return model;
}
