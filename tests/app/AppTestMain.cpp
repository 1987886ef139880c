// GoogleTest main for the GUI tests: one QApplication for the whole run, made the way the
// program makes it, with HOME and the XDG folders pointing at a fresh temporary folder so no
// test touches the real settings. After every test no top-level widget may be left over.

#include "app/AppLocale.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class CNoLeftoverWindows : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo& test) override {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* widget : QApplication::topLevelWidgets())
      ADD_FAILURE() << test.name() << " left a top-level widget behind: " << widget->metaObject()->className() << " "
                    << widget->objectName().toStdString();
  }
};

std::string MakeTemporaryHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pelorin-gui-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  for (const char* folder : {"/config", "/data", "/cache", "/state", "/runtime"})
    std::filesystem::create_directory(pattern + folder);
  std::filesystem::permissions(pattern + "/runtime", std::filesystem::perms::owner_all);
  setenv("HOME", pattern.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (pattern + "/config").c_str(), 1);
  setenv("XDG_DATA_HOME", (pattern + "/data").c_str(), 1);
  setenv("XDG_CACHE_HOME", (pattern + "/cache").c_str(), 1);
  setenv("XDG_STATE_HOME", (pattern + "/state").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (pattern + "/runtime").c_str(), 1);
  return pattern;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string home = MakeTemporaryHome();
  ::testing::InitGoogleTest(&argc, argv);
  int result = 0;
  {
    QApplication application(argc, argv);
    UseCLocaleForNumbers();
    ::testing::UnitTest::GetInstance()->listeners().Append(new CNoLeftoverWindows);
    result = RUN_ALL_TESTS();
  }
  std::filesystem::remove_all(home);
  return result;
}
