#include "AppFixture.h"

#include "ServerLockKeys.h"
#include "ServerScreen.h"
#include "app/AboutDialog.h"
#include "app/UserGuide.h"

#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <locale.h>

namespace {

// "" is a separator; otherwise the text with its mnemonic and, after a tab, the shortcut.
struct CExpectedMenu {
  const char* title;
  std::vector<std::pair<int, std::string>> items;
};

const std::vector<CExpectedMenu> kExpectedMenus = {
    {"&File",
     {{57600, "&New\tCtrl+N"}, {57601, "&Open...\tCtrl+O"}, {57603, "&Save\tCtrl+S"}, {57604, "Save &As..."},
      {0, ""}, {57607, "&Print...\tCtrl+P"}, {57609, "Print Pre&view"}, {57606, "P&rint Setup..."}, {0, ""},
      {57616, "Recent File"}, {0, ""}, {57665, "E&xit"}}},
    {"Image File ",
     {{32771, "Load Souce Image"}, {32772, "Input for Vx"}, {32773, "Input for Vy"}, {32774, "Input for Vz"},
      {32775, "Caculate "}, {32820, "Detect Segments..."}, {32821, "Disable Outliers..."}, {32777, "Load Data File"}, {32778, "Save Data File"}, {32779, "GetParameter"},
      {32781, "Query Texture"}, {32780, "Save VRML File"}, {32782, "Save glTF File"}, {32783, "Save OBJ File"},
      {32797, "Export Camera..."}}},
    {"&Edit", {{57643, "&Undo\tCtrl+Z"}, {57644, "&Redo\tCtrl+Y"}, {0, ""}, {57635, "Cu&t\tCtrl+X"}, {57634, "&Copy\tCtrl+C"}, {57637, "&Paste\tCtrl+V"}}},
    {"&View",
     {{59392, "&Toolbar"}, {59393, "&Status Bar"}, {0, ""}, {32790, "Zoom &In\tCtrl++"}, {32791, "Zoom &Out\tCtrl+-"},
      {32792, "&Actual Pixels\tCtrl+0"}, {32800, "&Fit in Window\tCtrl+9"}, {0, ""}, {32793, "O&verlays"}, {32794, "&Points and Faces"},
      {32796, "&Camera"}}},
    {"&Help", {{32795, "&User Guide\tF1"}, {0, ""}, {57664, "&About Pelorin..."}}},
};

std::string ShownText(QAction* action) {
  if (action->isSeparator()) return "";
  std::string text = action->text().toStdString();
  if (!action->shortcut().isEmpty()) text += "\t" + action->shortcut().toString(QKeySequence::NativeText).toStdString();
  return text;
}

TEST_F(AppTest, MenuBarHoldsEveryMenuAndItemInOrder) {
  const QList<QAction*> menus = Frame().menuBar()->actions();
  ASSERT_EQ(menus.size(), static_cast<int>(kExpectedMenus.size()));
  for (size_t m = 0; m < kExpectedMenus.size(); ++m) {
    EXPECT_EQ(menus[m]->text().toStdString(), kExpectedMenus[m].title);
    const QList<QAction*> items = menus[m]->menu()->actions();
    ASSERT_EQ(items.size(), static_cast<int>(kExpectedMenus[m].items.size())) << kExpectedMenus[m].title;
    for (size_t i = 0; i < kExpectedMenus[m].items.size(); ++i) {
      const auto& [id, text] = kExpectedMenus[m].items[i];
      EXPECT_EQ(ShownText(items[i]), text) << kExpectedMenus[m].title << " item " << i;
      if (id != 0) {
        EXPECT_EQ(items[i]->data().toInt(), id) << text;
      }
    }
  }
}

TEST_F(AppTest, AcceleratorsIncludeTheAlternativeEditKeys) {
  struct Case {
    int id;
    std::vector<std::string> keys;
  };
  const Case cases[] = {{57600, {"Ctrl+N"}},
                        {57643, {"Ctrl+Z", "Alt+Backspace"}},
                        {57644, {"Ctrl+Y", "Ctrl+Shift+Z"}},
                        {57635, {"Ctrl+X", "Shift+Del"}},
                        {57634, {"Ctrl+C", "Ctrl+Ins"}},
                        {57637, {"Ctrl+V", "Shift+Ins"}},
                        {57680, {"F6"}},
                        {57681, {"Shift+F6"}}};
  for (const Case& c : cases) {
    std::vector<std::string> keys;
    for (const QKeySequence& key : Frame().Action(c.id)->shortcuts()) keys.push_back(key.toString().toStdString());
    EXPECT_EQ(keys, c.keys) << c.id;
  }
}

TEST_F(AppTest, ToolbarHasItsButtonsAndGapsInOrderEachWithAnIcon) {
  const std::vector<int> expected = {57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57607, 0, 57664};
  const QList<QAction*> buttons = Frame().ToolBar()->actions();
  ASSERT_EQ(buttons.size(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] == 0) {
      EXPECT_TRUE(buttons[i]->isSeparator()) << i;
      continue;
    }
    EXPECT_EQ(buttons[i]->data().toInt(), expected[i]);
    EXPECT_FALSE(buttons[i]->icon().isNull()) << expected[i];
  }
  EXPECT_EQ(Frame().Action(57600)->toolTip().toStdString(), "New");
  EXPECT_EQ(Frame().Action(57600)->statusTip().toStdString(), "Create a new document");
  EXPECT_TRUE(Frame().ToolBar()->isMovable());
  EXPECT_TRUE(Frame().ToolBar()->isFloatable());
}

TEST_F(AppTest, StartsUntitledWithReadyAndTheThreeIndicators) {
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Untitled - Pelorin");
  EXPECT_EQ(Frame().MessageText(), "Ready");
  EXPECT_EQ(Frame().Indicator(0)->objectName().toStdString(), "CAP");
  EXPECT_EQ(Frame().Indicator(1)->objectName().toStdString(), "NUM");
  EXPECT_EQ(Frame().Indicator(2)->objectName().toStdString(), "SCRL");
  EXPECT_EQ(Model(), nullptr);
}

TEST_F(AppTest, ViewCommandsShowAndHideTheirBars) {
  Command(ID_VIEW_TOOLBAR);
  EXPECT_FALSE(Frame().ToolBar()->isVisible());
  EXPECT_FALSE(Frame().Action(ID_VIEW_TOOLBAR)->isChecked());
  Command(ID_VIEW_TOOLBAR);
  EXPECT_TRUE(Frame().ToolBar()->isVisible());
  Command(ID_VIEW_STATUS_BAR);
  EXPECT_FALSE(Frame().statusBar()->isVisible());
  Command(ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(Frame().statusBar()->isVisible());
}

TEST_F(AppTest, EditCommandsDoNothing) {
  for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}) {
    EXPECT_FALSE(Frame().Action(id)->isEnabled()) << id;
    Frame().Action(id)->trigger();
  }
  ActivateFrame();
  QTest::keyClick(&Frame(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_TRUE(services->messages.empty());
  EXPECT_TRUE(services->fileRequests.empty());
}

// A project of the photograph with one X segment, written as the program writes it.
std::string WriteProject(const std::string& path, const std::string& photograph) {
  std::ofstream(path) << "{\"format\": \"pelorin-project\", \"version\": 1, \"photograph\": \"" << photograph
                      << "\", \"actions\": [{\"segment\": {\"axis\": \"X\", \"ends\": [1, 1, 15, 2]}}]}\n";
  return path;
}

TEST_F(AppTest, FileOpenReadsAProjectAndFileNewEmptiesTheSession) {
  const std::string photograph = UniformPhotograph("photo.bmp", 20, 10);
  const std::string project = WriteProject(dir.File("job.pelorin"), photograph);
  View().m_nPanX = 12;
  services->AnswerFileDialog(project);
  Command(ID_FILE_OPEN);
  EXPECT_TRUE(services->messages.empty()) << services->messages[0];
  EXPECT_EQ(Frame().windowTitle().toStdString(), "job.pelorin - Pelorin");
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Model()->GetWidth(), 20);
  EXPECT_EQ(View().m_XLines.GetCount(), 1);
  EXPECT_EQ(View().m_nPanX, 0);
  EXPECT_EQ(app->RecentFiles(), QStringList{QString::fromStdString(project)});
  EXPECT_EQ(services->fileRequests.back().defaultExtension, "pelorin");
  EXPECT_FALSE(Frame().Action(ID_EDIT_UNDO)->isEnabled());

  Command(ID_FILE_NEW);
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Untitled - Pelorin");
  EXPECT_EQ(Model(), nullptr);
  EXPECT_EQ(View().m_XLines.GetCount(), 0);
  EXPECT_TRUE(services->messages.empty());
  EXPECT_TRUE(services->saveQuestions.empty());
}

TEST_F(AppTest, RecentFileListKeepsFourEntriesInTheSettings) {
  const std::string photograph = UniformPhotograph("photo.bmp", 20, 10);
  for (int i = 1; i <= 5; ++i) {
    const std::string path = WriteProject(dir.File("doc" + std::to_string(i)), photograph);
    ASSERT_TRUE(app->OpenDocumentFile(QString::fromStdString(path)));
  }
  const QStringList expected = {QString::fromStdString(dir.File("doc5")), QString::fromStdString(dir.File("doc4")),
                                QString::fromStdString(dir.File("doc3")), QString::fromStdString(dir.File("doc2"))};
  EXPECT_EQ(app->RecentFiles(), expected);
  QSettings settings(QString::fromUtf8(kSettingsOrganisation.data()), QStringLiteral("Pelorin"));
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), expected[0]);
  EXPECT_EQ(settings.value("Recent File List/File4").toString(), expected[3]);
  EXPECT_FALSE(settings.contains("Recent File List/File5"));
  // The settings live in the test's own folder, never in the real home.
  EXPECT_TRUE(settings.fileName().startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))));
  // The File menu shows them in place of the greyed place holder.
  EXPECT_FALSE(Frame().Action(ID_FILE_MRU_FILE1)->isVisible());
  // A photograph opened is a recent file too.
  ASSERT_TRUE(app->OpenDocumentFile(QString::fromStdString(photograph)));
  EXPECT_EQ(app->RecentFiles().front(), QString::fromStdString(photograph));
}

TEST_F(AppTest, SaveWritesTheProjectAndNeverOverwritesOtherData) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 20, 10));
  services->ScriptDialog([](CDialogDriver& d) {
    d.Type(1000, "1"), d.Type(1001, "1"), d.Type(1002, "15"), d.Type(1003, "2");
    d.PressOk();
  });
  Command(ID_INPUT_VX);
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Untitled* - Pelorin");
  const std::string fresh = dir.File("fresh.pelorin");
  services->AnswerFileDialog(fresh);
  Command(ID_FILE_SAVE);  // untitled: Save As
  const std::vector<unsigned char> saved = ReadFileBytes(fresh);
  const std::string text(saved.begin(), saved.end());
  EXPECT_NE(text.find("\"format\": \"pelorin-project\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"photograph\": \"photo.bmp\""), std::string::npos) << text;
  EXPECT_NE(text.find("[1.0, 1.0, 15.0, 2.0]"), std::string::npos) << text;
  EXPECT_EQ(Frame().windowTitle().toStdString(), "fresh.pelorin - Pelorin");
  ASSERT_EQ(services->fileRequests.size(), 2u);
  EXPECT_EQ(services->fileRequests[1].kind, EFileDialogKind::Save);
  EXPECT_EQ(services->fileRequests[1].defaultExtension, "pelorin");

  // A data file chosen by mistake for Save As is left as it was, and the work stays unsaved.
  Command(ID_CALCULATE_VANISHING_POINTS);  // refused: one segment; nothing changes
  services->messages.clear();
  services->ScriptDialog([](CDialogDriver& d) {
    d.Type(1000, "1"), d.Type(1001, "5"), d.Type(1002, "15"), d.Type(1003, "6");
    d.PressOk();
  });
  Command(ID_INPUT_VX);
  const std::string data = dir.File("scene.txt");
  std::ofstream(data) << "X Vanishing Point is 1.000000,0.000000,0.000000 \n";
  const std::vector<unsigned char> before = ReadFileBytes(data);
  services->AnswerFileDialog(data);
  Command(ID_FILE_SAVE_AS);
  EXPECT_EQ(ReadFileBytes(data), before);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find(data), std::string::npos) << services->messages[0];
  EXPECT_EQ(Frame().windowTitle().toStdString(), "fresh.pelorin* - Pelorin");
  EXPECT_EQ(ReadFileBytes(fresh), saved);
}

TEST_F(AppTest, OpeningAFileThatCannotBeReadSaysSoAndKeepsTheTitle) {
  services->AnswerFileDialog(dir.File("missing.pel"));
  Command(ID_FILE_OPEN);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find("missing.pel"), std::string::npos);
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Untitled - Pelorin");
}

TEST(CommandLine, UnknownOptionGetsTheUsageLineAndEnds) {
  CPelorinApp app;
  EXPECT_FALSE(app.InitInstance({QStringLiteral("--bogus")}));
  EXPECT_EQ(app.ExitCode(), 2);
}

TEST(CommandLine, AProjectNamedIsOpenedAsFileOpenWould) {
  CTempDir dir;
  const std::string project =
      WriteProject(dir.File("job.pelorin"), PELORIN_EXAMPLES_DIR "/sample-scene.bmp");
  CPelorinApp app;
  CScriptedServices services(&app.QtServices());
  ASSERT_TRUE(app.InitInstance({QString::fromStdString(project)}));
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(app.Frame().windowTitle().toStdString(), "job.pelorin - Pelorin");
  EXPECT_EQ(app.View().m_XLines.GetCount(), 1);
}

// A photograph named on the command line is loaded as "Load Souce Image" loads it, and shown;
// the document stays untitled and the photograph is the one recent file.
TEST(CommandLine, APhotographNamedIsLoadedAndShown) {
  QSettings(QString::fromUtf8(kSettingsOrganisation.data()), QStringLiteral("Pelorin")).clear();
  const std::string path = PELORIN_EXAMPLES_DIR "/sample-scene.bmp";
  const CBmpReadResult photograph = ReadBmpFile(path);
  ASSERT_TRUE(photograph.Succeeded());
  CPelorinApp app;
  CScriptedServices services(&app.QtServices());
  ASSERT_TRUE(app.InitInstance({QStringLiteral(PELORIN_EXAMPLES_DIR "/sample-scene.bmp")}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.Frame()));
  EXPECT_TRUE(services.messages.empty());
  ASSERT_NE(app.Document().GetSingleImage(), nullptr);
  EXPECT_EQ(app.Document().GetSingleImage()->GetWidth(), photograph.image.width);
  EXPECT_EQ(app.Frame().windowTitle().toStdString(), "Untitled - Pelorin");
  EXPECT_EQ(app.RecentFiles(), QStringList{QStringLiteral(PELORIN_EXAMPLES_DIR "/sample-scene.bmp")});

  // A first start takes most of the screen.
  const QRect available = app.Frame().screen()->availableGeometry();
  EXPECT_GE(app.Frame().width(), available.width() * 4 / 5);
  EXPECT_GE(app.Frame().height(), available.height() * 4 / 5);

  // Larger than the view, it opens fitted, otherwise at actual pixels; at actual pixels the
  // screen shows the photograph pixel for pixel about the view's middle.
  const QSize view = app.View().ClientSize();
  const bool larger = photograph.image.width > view.width() || photograph.image.height > view.height();
  EXPECT_DOUBLE_EQ(app.View().Zoom(), larger ? app.View().FitZoom() : 1.0);
  app.Frame().Action(ID_VIEW_ACTUAL_PIXELS)->trigger();
  ASSERT_TRUE(app.View().IsPlainView());
  for (int attempt = 0; attempt < 50 && app.View().PaintCount() == 0; ++attempt) QTest::qWait(10);
  QTest::qWait(100);
  const QImage screen = ServerWindowImage(app.Frame());
  ASSERT_FALSE(screen.isNull());
  const qreal ratio = app.View().devicePixelRatioF();
  const QPoint origin = app.View().mapTo(&app.Frame(), QPoint(0, 0)) * ratio;
  const int bottom = origin.y() + app.View().ClientSize().height() - 1;
  int mismatches = 0;
  for (int py = 0; py < 200; py += 7)
    for (int px = 0; px < 300; px += 7) {
      const int x = px + app.View().m_nPanX, y = py + app.View().m_nPanY;
      ASSERT_TRUE(x >= 0 && y >= 0 && x < photograph.image.width && y < photograph.image.height) << x << ", " << y;
      const unsigned char* rgb = photograph.image.pixels.get() + 3 * (static_cast<size_t>(y) * photograph.image.width + x);
      if (screen.pixel(origin.x() + px, bottom - py) != qRgb(rgb[0], rgb[1], rgb[2]) && ++mismatches <= 3)
        ADD_FAILURE() << "photograph pixel (" << x << ", " << y << ") is not on the screen";
    }
  EXPECT_EQ(mismatches, 0);
}

TEST(CommandLine, AFileThatIsNeitherProjectNorPhotographSaysWhereAndEnds) {
  CTempDir dir;
  std::ofstream(dir.File("notes.pel")) << "Pelorin notes";
  CPelorinApp app;
  CScriptedServices services(&app.QtServices());
  EXPECT_FALSE(app.InitInstance({QString::fromStdString(dir.File("notes.pel"))}));
  EXPECT_EQ(app.ExitCode(), 1);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0], "The project " + dir.File("notes.pel") + " cannot be opened: the file is not JSON.");
  EXPECT_EQ(app.Document().GetSingleImage(), nullptr);
}

// The guide's pictures are named in it as ![text](file.png), beside it.
std::vector<std::string> GuidePictures(const std::string& guide) {
  std::ifstream file(guide);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> pictures;
  const std::regex picture(R"(!\[[^\]]*\]\(([^)]+)\))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), picture); it != std::sregex_iterator(); ++it)
    pictures.push_back((*it)[1]);
  return pictures;
}

TEST_F(AppTest, HelpUserGuideShowsTheGuideWithItsPictures) {
  ActivateFrame();
  QTest::keyClick(&Frame(), Qt::Key_F1);
  ASSERT_EQ(services->documentsShown.size(), 1u);
  const std::string guide = services->documentsShown[0];
  std::ifstream file(guide);
  std::string title;
  std::getline(file, title);
  EXPECT_EQ(title, "# Pelorin user guide: your first model") << guide;
  const std::vector<std::string> pictures = GuidePictures(guide);
  EXPECT_GE(pictures.size(), 8u);
  const std::filesystem::path folder = std::filesystem::path(guide).parent_path();
  for (const std::string& picture : pictures) EXPECT_TRUE(std::filesystem::exists(folder / picture)) << picture;
  EXPECT_TRUE(services->messages.empty());

  // Without a program to show it, the user is told where the guide is.
  services->showDocumentAnswer = false;
  Command(ID_HELP_USER_GUIDE);
  ASSERT_EQ(services->messages.size(), 1u);
  EXPECT_NE(services->messages[0].find(guide), std::string::npos) << services->messages[0];
}

TEST(UserGuide, CmakeInstallPutsItWhereTheInstalledProgramFindsIt) {
  CTempDir prefix;
  const std::string command = std::string("\"" CMAKE_COMMAND "\" --install \"" PELORIN_BINARY_DIR "\" --prefix \"") +
                              prefix.Path() + "\" > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  ASSERT_TRUE(std::filesystem::exists(prefix.File("share/applications/pelorin.desktop")));
  const std::optional<std::string> guide = FindUserGuide(prefix.File("bin"));
  ASSERT_TRUE(guide.has_value());
  EXPECT_EQ(*guide, prefix.File("share/doc/pelorin/guide.md"));
  for (const std::string& picture : GuidePictures(*guide))
    EXPECT_TRUE(std::filesystem::exists(prefix.File("share/doc/pelorin/" + picture))) << picture;
}

TEST_F(AppTest, PrintingDrawsNothing) {
  QImage page(200, 100, QImage::Format_RGB32);
  page.fill(Qt::white);
  LoadPhotograph(UniformPhotograph("photo.bmp", 20, 10));
  {
    QPainter painter(&page);
    View().OnDraw(painter);
  }
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) ASSERT_EQ(page.pixel(x, y), qRgb(255, 255, 255));
}

// These run the real modal event loops: a zero-time timer answers the dialog once it is up.
void WhenModal(const std::function<void(QWidget*)>& answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* modal = nullptr;
    for (int attempt = 0; attempt < 200 && !modal; ++attempt) {
      modal = QApplication::activeModalWidget();
      if (!modal) QTest::qWait(10);
    }
    answer(modal);
  });
}

class ModalDialogs : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    services.reset();  // the real Qt services
  }
};

TEST_F(ModalDialogs, AboutBoxShowsTheVersionAndCloses) {
  std::vector<std::string> texts;
  std::string caption;
  WhenModal([&](QWidget* modal) {
    ASSERT_NE(modal, nullptr);
    caption = modal->windowTitle().toStdString();
    for (QLabel* label : modal->findChildren<QLabel*>())
      if (!label->text().isEmpty()) texts.push_back(label->text().toStdString());
    modal->findChild<QPushButton*>()->click();
  });
  Command(ID_APP_ABOUT);
  EXPECT_EQ(caption, "About Pelorin");
  EXPECT_EQ(texts, (std::vector<std::string>{"Pelorin Version 1.0", "Copyright (C) 2026 the Pelorin authors. MIT licence."}));
}

TEST_F(ModalDialogs, CommandWithoutPhotographShowsARealMessageBox) {
  std::string text;
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    text = box->text().toStdString();
    box->button(QMessageBox::Ok)->click();
  });
  Command(ID_INPUT_VX);
  EXPECT_EQ(text, "No source image is loaded.");
}

TEST_F(ModalDialogs, PrintPreviewOpensAndCloses) {
  bool shown = false;
  WhenModal([&](QWidget* modal) {
    ASSERT_NE(modal, nullptr);
    shown = true;
    qobject_cast<QDialog*>(modal)->reject();
  });
  Command(ID_FILE_PRINT_PREVIEW);
  EXPECT_TRUE(shown);
}

TEST(Locale, NumbersStayInTheCLocaleUnderADecimalCommaLocale) {
  // The test runs under de_DE.UTF-8; without that locale it would prove nothing.
  locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  ASSERT_NE(german, static_cast<locale_t>(0)) << "the de_DE.UTF-8 locale is not installed";
  freelocale(german);
  ASSERT_EQ(std::string(std::setlocale(LC_CTYPE, nullptr)).rfind("de_DE", 0), 0u)
      << "the GUI tests must run with LC_ALL=de_DE.UTF-8";
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char text[32];
  std::snprintf(text, sizeof text, "%lf", 1.5);
  EXPECT_STREQ(text, "1.500000");
  double value = 0;
  ASSERT_EQ(std::sscanf("2.25", "%lf", &value), 1);
  EXPECT_EQ(value, 2.25);
  EXPECT_EQ(QString::number(2.5).toStdString(), "2.5");
  EXPECT_EQ(QLocale().toString(1234.5).toStdString(), "1234.5");
}

}  // namespace

namespace {

// Locks Caps Lock on the X server itself, as the key would, and sees the indicator follow.
TEST_F(AppTest, CapsIndicatorFollowsTheServersLockState) {
  ASSERT_TRUE(SetServerCapsLock(true));
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_CapsLock, Qt::NoModifier);
  QApplication::sendEvent(&Frame(), &release);
  EXPECT_EQ(Frame().Indicator(0)->text().toStdString(), "CAP");
  EXPECT_EQ(Frame().Indicator(1)->text().toStdString(), "");
  ASSERT_TRUE(SetServerCapsLock(false));
  QApplication::sendEvent(&Frame(), &release);
  EXPECT_EQ(Frame().Indicator(0)->text().toStdString(), "");
}

}  // namespace
