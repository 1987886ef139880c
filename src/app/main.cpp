// Pelorin: one photograph of a man-made scene into a small textured 3D model.

#include "app/AppLocale.h"
#include "app/Pelorin.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Qt aborts when it finds no display; say so plainly instead.
bool DisplayAvailable(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0) return true;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform && std::strncmp(platform, "xcb", 3) != 0) return true;
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (display && *display) || (wayland && *wayland && !(platform && *platform));
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayAvailable(argc, argv)) {
    std::fputs("pelorin: no display to open the window on (DISPLAY is not set); "
               "to run it without one, start it under Xvfb: xvfb-run -a scripts/run.sh\n",
               stderr);
    return 1;
  }
  QApplication application(argc, argv);
  UseCLocaleForNumbers();
  CPelorinApp pelorin;
  if (!pelorin.InitInstance(QApplication::arguments().mid(1))) return pelorin.ExitCode();
  return QApplication::exec();
}
