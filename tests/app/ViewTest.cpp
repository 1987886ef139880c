#include "AppFixture.h"

#include <QResizeEvent>

#include <cerrno>
#include <cstring>

namespace {

class ViewEcho : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetViewHeight(400);
    ratio = View().devicePixelRatioF();
    if (qgetenv("QT_SCALE_FACTOR") == "2") {
      ASSERT_EQ(ratio, 2.0);
    }
    clientHeight = View().ClientSize().height();
  }
  // A window position given in device pixels, sent as the logical position Qt would report.
  void MoveToDevice(int px, int py) { MoveTo(QPointF((px + 0.5) / ratio, (py + 0.5) / ratio)); }

  qreal ratio = 1;
  int clientHeight = 0;
};

TEST_F(ViewEcho, ShowsThePhotographPixelUnderTheMouse) {
  EXPECT_EQ(clientHeight, qRound(400 * ratio));
  MoveToDevice(0, 0);
  EXPECT_EQ(Frame().MessageText(), "x = 0, y = " + std::to_string(clientHeight - 1));
  MoveToDevice(10, clientHeight - 1);
  EXPECT_EQ(Frame().MessageText(), "x = 10, y = 0");
  MoveToDevice(120, clientHeight + 2);
  EXPECT_EQ(Frame().MessageText(), "x = 120, y = -3");
}

TEST_F(ViewEcho, PanningAddsTheWholeDistanceFromThePress) {
  Press(QPoint(100, 100));
  MoveTo(QPointF(105, 100));
  EXPECT_EQ(View().m_nPanX, static_cast<int>(5 * ratio));
  MoveTo(QPointF(110, 100));
  EXPECT_EQ(View().m_nPanX, static_cast<int>(15 * ratio));
  Release(QPoint(110, 100));
  Press(QPoint(100, 100));
  MoveTo(QPointF(100, 110));
  EXPECT_EQ(View().m_nPanY, static_cast<int>(-10 * ratio));
  Release(QPoint(100, 110));

  // The echo uses the pan offsets: the bottom-left pixel now shows (15, −10).
  MoveToDevice(0, clientHeight - 1);
  EXPECT_EQ(Frame().MessageText(), "x = " + std::to_string(View().m_nPanX) + ", y = " + std::to_string(View().m_nPanY));
  if (ratio == 1) {
    EXPECT_EQ(Frame().MessageText(), "x = 15, y = -10");
  }
  // Moves after the release no longer pan.
  MoveTo(QPointF(300, 300));
  EXPECT_EQ(View().m_nPanX, static_cast<int>(15 * ratio));
}

TEST_F(AppTest, EveryPanningMoveRepaintsOnceBeforeItReturns) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 64, 48));
  QTest::qWait(50);
  Press(QPoint(50, 50));
  const int before = View().PaintCount();
  MoveTo(QPointF(60, 50));
  EXPECT_EQ(View().PaintCount(), before + 1);
  MoveTo(QPointF(70, 50));
  EXPECT_EQ(View().PaintCount(), before + 2);
  Release(QPoint(70, 50));
  MoveTo(QPointF(80, 50));
  EXPECT_EQ(View().PaintCount(), before + 2);
}

TEST_F(AppTest, DoubleClickLeavesTheViewNotDragging) {
  DoubleClick(QPoint(40, 40));
  EXPECT_EQ(View().m_bDragging, 0);
  EXPECT_EQ(services->messages, std::vector<std::string>{"No source image is loaded."});
  MoveTo(QPointF(90, 90));
  EXPECT_EQ(View().m_nPanX, 0);
}

TEST_F(AppTest, CommandsAndClicksWithoutAPhotographSayNoImageIsLoaded) {
  for (int id : {ID_INPUT_VX, ID_INPUT_VY, ID_INPUT_VZ, ID_CALCULATE_VANISHING_POINTS, ID_LOAD_DATA_FILE,
                 ID_SAVE_DATA_FILE, ID_GET_PARAMETER, ID_QUERY_TEXTURE, ID_SAVE_VRML_FILE}) {
    services->messages.clear();
    Command(id);
    EXPECT_EQ(services->messages, std::vector<std::string>{"No source image is loaded."}) << id;
  }
  services->messages.clear();
  QTest::mousePress(&View(), Qt::RightButton, {}, QPoint(30, 30));
  EXPECT_EQ(services->messages, std::vector<std::string>{"No source image is loaded."});
  EXPECT_TRUE(services->fileRequests.empty());
  EXPECT_TRUE(services->dialogsRun.empty());
}

TEST_F(AppTest, LoadingASecondPhotographKeepsThePanAndDropsLinesPointsAndFaces) {
  LoadPhotograph(UniformPhotograph("first.bmp", 64, 48));
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(services->fileRequests.back().kind, EFileDialogKind::Open);
  EXPECT_EQ(services->fileRequests.back().defaultExtension, "");
  Model()->m_Points.Add(new CViewPoint);
  Model()->m_Textures.Add(new CTextureImage);
  View().m_XLines.Add(new CLineEndPoints);
  View().m_ZLines.Add(new CLineEndPoints);
  View().m_nPanX = 7;
  View().m_nPanY = -4;

  LoadPhotograph(UniformPhotograph("second.bmp", 30, 20));
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Model()->GetWidth(), 30);
  EXPECT_EQ(Model()->m_Points.GetCount(), 0);
  EXPECT_EQ(Model()->m_Textures.GetCount(), 0);
  EXPECT_EQ(View().m_XLines.GetCount(), 0);
  EXPECT_EQ(View().m_ZLines.GetCount(), 0);
  EXPECT_EQ(View().m_nPanX, 7);
  EXPECT_EQ(View().m_nPanY, -4);
  EXPECT_NE(Model()->GetTexName(), 0u);
  EXPECT_TRUE(services->messages.empty());
}

class KeptWork : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    LoadPhotograph(UniformPhotograph("photo.bmp", 64, 48));
    model = Model();
    model->m_Points.Add(new CViewPoint);
    View().m_YLines.Add(new CLineEndPoints);
    View().m_nPanX = 3;
  }
  void ExpectWorkKept() {
    EXPECT_EQ(Model(), model);
    EXPECT_EQ(Model()->GetWidth(), 64);
    EXPECT_EQ(Model()->m_Points.GetCount(), 1);
    EXPECT_EQ(View().m_YLines.GetCount(), 1);
    EXPECT_EQ(View().m_nPanX, 3);
  }
  CSingleImage* model = nullptr;
};

TEST_F(KeptWork, CancellingTheOpenDialogChangesNothing) {
  services->CancelFileDialog();
  Command(ID_LOAD_SOURCE_IMAGE);
  ExpectWorkKept();
  EXPECT_TRUE(services->messages.empty());
}

TEST_F(KeptWork, APhotographThatCannotBeReadKeepsEverythingAndSaysWhy) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    const char* reason;
  };
  std::vector<unsigned char> truncated = ReadFileBytes(UniformPhotograph("full.bmp", 10, 10));
  truncated.resize(truncated.size() - 40);
  std::vector<unsigned char> compressed = ReadFileBytes(dir.File("full.bmp"));
  compressed[30] = 1;
  const Case cases[] = {{"truncated.bmp", truncated, "shorter than its header"},
                        {"compressed.bmp", compressed, "RLE8 compression cannot hold 24-bit pixels"},
                        {"empty.bmp", {}, "too short"}};
  for (const Case& c : cases) {
    services->messages.clear();
    WriteFileBytes(dir.File(c.name), c.bytes);
    LoadPhotograph(dir.File(c.name));
    ExpectWorkKept();
    ASSERT_EQ(services->messages.size(), 1u) << c.name;
    EXPECT_NE(services->messages[0].find(dir.File(c.name)), std::string::npos) << services->messages[0];
    EXPECT_NE(services->messages[0].find(c.reason), std::string::npos) << services->messages[0];
  }
  services->messages.clear();
  LoadPhotograph(dir.File("missing.bmp"));
  ExpectWorkKept();
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find(std::strerror(ENOENT)), std::string::npos) << services->messages[0];
}

TEST_F(KeptWork, FileNewStartsAnEmptySessionAndResetsThePan) {
  Command(ID_FILE_NEW);
  EXPECT_EQ(Model(), nullptr);
  EXPECT_EQ(View().m_YLines.GetCount(), 0);
  EXPECT_EQ(View().m_nPanX, 0);
  EXPECT_FALSE(Frame().Action(ID_EDIT_UNDO)->isEnabled());
}

TEST_F(AppTest, AZeroHeightSizeEventKeepsTheViewport) {
  const std::vector<int> before(View().Viewport(), View().Viewport() + 4);
  ASSERT_GT(before[3], 0);
  View().OnSize(300, 0);
  View().OnSize(0, 200);
  EXPECT_EQ(std::vector<int>(View().Viewport(), View().Viewport() + 4), before);
  QResizeEvent flat(QSize(View().width(), 0), View().size());
  QApplication::sendEvent(&View(), &flat);
  EXPECT_EQ(std::vector<int>(View().Viewport(), View().Viewport() + 4), before);
  View().OnSize(320, 240);
  EXPECT_EQ(std::vector<int>(View().Viewport(), View().Viewport() + 4), (std::vector<int>{0, 0, 320, 240}));
}

}  // namespace

namespace {

TEST_F(AppTest, LoadSouceImageTakesJpegAndPngToo) {
  for (const char* file : {"photo-orientation-6.jpg", "photo-16.png", "photo-32-v5.bmp"}) {
    LoadPhotograph(PELORIN_SOURCE_DIR "/tests/image/photos/" + std::string(file));
    ASSERT_NE(Model(), nullptr) << file;
    EXPECT_EQ(Model()->GetWidth(), 48) << file;
    EXPECT_EQ(Model()->GetHeight(), 32) << file;
    EXPECT_NE(Model()->GetTexName(), 0u) << file;
  }
  EXPECT_TRUE(services->messages.empty());
  LoadPhotograph(PELORIN_SOURCE_DIR "/tests/image/photos/photo-cmyk.jpg");
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find("CMYK JPEG files are not supported"), std::string::npos);
  EXPECT_EQ(Model()->GetWidth(), 48);  // the previous photograph stays
}

}  // namespace
