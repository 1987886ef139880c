// "Load Souce Image" of a photograph that takes long: a busy cursor and a message in the status
// bar while it loads, both gone once the photograph is shown; a quick load shows neither.

#include "AppFixture.h"
#include "app/PhotographLoad.h"

#include <QCursor>
#include <QTimer>

#include <chrono>
#include <thread>

namespace {

class SlowLoad : public AppTest {
 protected:
  void TearDown() override {
    SetPhotographReader({});
    AppTest::TearDown();
  }
};

// Reads the photograph after a delay, as a slow disk or a very large file would.
CPhotographReader SlowedReader(std::chrono::milliseconds delay) {
  return [delay](CSingleImage& model, const std::string& path) {
    std::this_thread::sleep_for(delay);
    model.ReadPhotograph(path.c_str());
  };
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(SlowLoad, ABusyCursorAndAMessageShowWhileTheLoadTakesLong) {
  const std::string path = UniformPhotograph("slow.bmp", 40, 30);
  SetPhotographReader(SlowedReader(std::chrono::milliseconds(1500)));
  // Looks at the window in the middle of the load, from the user-interface thread.
  bool sampled = false, busyCursor = false, stillWithoutPhotograph = false;
  std::string messageDuringLoad;
  QTimer::singleShot(900, &Frame(), [&] {
    sampled = true;
    busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    messageDuringLoad = Frame().MessageText();
    stillWithoutPhotograph = Model() == nullptr;
  });
  LoadPhotograph(path);

  ASSERT_TRUE(sampled) << "the window handled no events during the load";
  EXPECT_TRUE(busyCursor);
  EXPECT_EQ(messageDuringLoad, "Loading slow.bmp ...");
  EXPECT_TRUE(stillWithoutPhotograph);
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Model()->GetWidth(), 40);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Frame().MessageText(), std::string(kIdleMessage));
}

TEST_F(SlowLoad, AQuickLoadShowsNoBusyIndication) {
  const std::string path = UniformPhotograph("quick.bmp", 40, 30);
  LoadPhotograph(path);
  ASSERT_NE(Model(), nullptr);
  EXPECT_FALSE(Contains(services->statusTexts, "Loading quick.bmp ..."));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SlowLoad, AFileThatCannotBeReadEndsTheBusyIndicationBeforeSayingWhy) {
  const std::string path = dir.File("broken.bmp");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fputs("not a picture", file);
  std::fclose(file);
  SetPhotographReader(SlowedReader(std::chrono::milliseconds(600)));
  LoadPhotograph(path);
  EXPECT_TRUE(Contains(services->statusTexts, "Loading broken.bmp ..."));
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Model(), nullptr);
}

}  // namespace
