// The session in the real window: the guide's first steps undone back to nothing and redone to
// the same data file; a project saved, the program ended and started again, and the project
// opened with the same uncertainties; the save prompt before work is replaced or the window
// closes; and the work of a program that was killed offered back at the next start.

#include "AppFixture.h"
#include "ServerScreen.h"
#include "app/PointsAndFacesDock.h"
#include "app/Recovery.h"
#include "model/DataFile.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string FileText(const std::string& path) {
  const std::vector<unsigned char> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The user's state folder, where recovery files are kept, for a while.
class CStateFolder {
 public:
  explicit CStateFolder(const std::string& folder) : m_kept(std::getenv("XDG_STATE_HOME")) {
    setenv("XDG_STATE_HOME", folder.c_str(), 1);
  }
  ~CStateFolder() { setenv("XDG_STATE_HOME", m_kept.c_str(), 1); }

 private:
  std::string m_kept;
};

class Session : public AppTest {
 protected:
  // The whole sample photograph in view, as in the guide's pictures.
  void SetUp() override {
    AppTest::SetUp();
    Frame().resize(1150, 940);
    QTest::qWait(50);
  }

  // Ends the program and starts it again on the same settings, with the command line given;
  // `restore` answers the question about work left by a program that did not end normally,
  // `save` the save prompt.
  void Restart(std::deque<bool> restore = {}, std::deque<ESaveChoice> save = {}, const QStringList& arguments = {}) {
    services.reset();
    app.reset();
    app = std::make_unique<CPelorinApp>();
    services = std::make_unique<CScriptedServices>(&app->QtServices());
    services->yesNoAnswers = std::move(restore);
    services->saveAnswers = std::move(save);
    ASSERT_TRUE(app->InitInstance(arguments));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    Frame().resize(1150, 940);
    QTest::qWait(50);
  }

  // The window position of a photograph pixel at pan 0 and zoom 1.
  QPoint WindowOf(int x, int y) { return QPoint(x, View().ClientSize().height() - 1 - y); }

  std::string DataFile() { return Model() ? DataFileText(*Model()) : std::string(); }
  std::string UndoText() { return Frame().Action(ID_EDIT_UNDO)->text().toStdString(); }
  std::string RedoText() { return Frame().Action(ID_EDIT_REDO)->text().toStdString(); }
  std::string Title() { return Frame().windowTitle().toStdString(); }

  // After every step of the guide: the command's name as Undo shows it, and the data file.
  struct CStep {
    std::string name;
    std::string data;
  };
  void Done(const std::string& name) {
    EXPECT_EQ(UndoText(), "&Undo " + name);
    steps.push_back({name, DataFile()});
  }

  void Segment(int command, const std::string& axis, std::array<int, 4> ends) {
    services->ScriptDialog([ends](CDialogDriver& d) {
      for (int k = 0; k < 4; ++k) d.Type(1000 + k, std::to_string(ends[k]));
      d.PressOk();
    });
    Command(command);
    Done("Add Segment " + axis);
  }

  // A point as the guide measures it: clicked where it is, on the ground (Z = 0) or above its
  // foot (the foot and the clicked pixel typed, CACULATE Z, CACULATE XandY).
  void Point(int id, QPoint pixel, std::optional<QPoint> foot) {
    services->ScriptDialog([=](CDialogDriver& d) {
      EXPECT_EQ(d.Text(1015), std::to_string(id));
      EXPECT_EQ(d.Text(1022), std::to_string(pixel.x()));
      EXPECT_EQ(d.Text(1023), std::to_string(pixel.y()));
      if (!foot) {
        d.Type(1020, "0");
      } else {
        d.Type(1005, std::to_string(foot->x())), d.Type(1006, std::to_string(foot->y()));
        d.Type(1007, std::to_string(pixel.x())), d.Type(1008, std::to_string(pixel.y()));
        d.Press(1026);
      }
      d.Press(1028);
      d.PressOk();
    });
    DoubleClick(WindowOf(pixel.x(), pixel.y()));
    Done("Add Point " + std::to_string(id));
  }

  // A face by a right click; with a texture base name, "Gen TEX" writes its texture first.
  void Face(int number, std::array<int, 4> ids, const std::string& texture) {
    if (!texture.empty()) services->AnswerFileDialog(dir.File(texture));
    services->ScriptDialog([ids, texture](CDialogDriver& d) {
      for (int k = 0; k < 4; ++k) d.Type(1027 + k, std::to_string(ids[k]));
      if (!texture.empty()) d.Press(3);
      d.PressOk();
    });
    QTest::mousePress(&View(), Qt::RightButton, {}, QPoint(20, 20));
    Done("Add Face " + std::to_string(number));
  }

  // Sections 1 to 5 of the guide, with whole pixels as the status bar shows them; the last Z
  // segment is drawn with Shift and the left button.
  void GuideSteps() {
    LoadPhotograph(PELORIN_EXAMPLES_DIR "/sample-scene.bmp");
    ASSERT_NE(Model(), nullptr);
    Done("Load Photograph sample-scene.bmp");
    const struct {
      int command;
      const char* axis;
      std::array<int, 4> ends;
    } segments[] = {
        {ID_INPUT_VX, "X", {428, 274, 596, 339}}, {ID_INPUT_VX, "X", {423, 401, 600, 454}},
        {ID_INPUT_VX, "X", {331, 450, 500, 492}}, {ID_INPUT_VX, "X", {786, 520, 854, 539}},
        {ID_INPUT_VY, "Y", {428, 274, 340, 335}}, {ID_INPUT_VY, "Y", {423, 401, 331, 450}},
        {ID_INPUT_VY, "Y", {600, 454, 500, 492}}, {ID_INPUT_VY, "Y", {762, 311, 681, 348}},
        {ID_INPUT_VZ, "Z", {428, 274, 423, 401}}, {ID_INPUT_VZ, "Z", {596, 339, 600, 454}},
        {ID_INPUT_VZ, "Z", {340, 335, 331, 450}},
    };
    for (const auto& segment : segments) Segment(segment.command, segment.axis, segment.ends);
    services->menuAnswers.push_back(2);  // Z
    // Alt keeps the whole pixels: no snapping onto the edge.
    QTest::mousePress(&View(), Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, WindowOf(762, 311));
    QTest::mouseRelease(&View(), Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, WindowOf(786, 520));
    EXPECT_EQ(services->menusShown.back(), (std::vector<std::string>{"X", "Y", "Z", "Cancel"}));
    Done("Add Segment Z");
    ASSERT_EQ(View().m_ZLines.GetCount(), 4);

    Command(ID_CALCULATE_VANISHING_POINTS);
    Done("Calculate Vanishing Points");
    services->ScriptDialog([](CDialogDriver& d) {
      d.Type(1015, "428"), d.Type(1016, "274");
      d.Type(1001, "3.5"), d.Type(1002, "2.5"), d.Type(1003, "544"), d.Type(1004, "443");
      d.Type(1005, "428"), d.Type(1006, "274"), d.Type(1007, "423"), d.Type(1008, "401"), d.Type(1009, "1.2");
      d.Press(1014);
      d.PressOk();
    });
    Command(ID_GET_PARAMETER);
    Done("Set Reference Parameters");

    const QPoint ground[4] = {{428, 274}, {596, 339}, {500, 387}, {340, 335}};
    const QPoint top[4] = {{423, 401}, {600, 454}, {500, 492}, {331, 450}};
    for (int i = 0; i < 4; ++i) Point(i, ground[i], std::nullopt);
    for (int i = 0; i < 4; ++i) Point(4 + i, top[i], ground[i]);
    Face(0, {0, 1, 5, 4}, "front");
    Face(1, {4, 5, 6, 7}, "");

    EXPECT_TRUE(services->messages.empty()) << services->messages.front();
    EXPECT_TRUE(services->dialogsLeftOpen.empty());
    ASSERT_EQ(Model()->m_Points.GetCount(), 8);
    ASSERT_EQ(Model()->m_Textures.GetCount(), 2);
    EXPECT_EQ(Title(), "Untitled* - Pelorin");
  }

  // The points table's X, Y and Z cells, as shown and in full (the tool tip).
  std::vector<std::string> Coordinates() {
    if (!Frame().PointsAndFaces()->isVisible()) Command(ID_VIEW_POINTS_AND_FACES);
    const QTableWidget& table = *Frame().PointsAndFaces()->PointsTable();
    std::vector<std::string> cells;
    for (int row = 0; row < table.rowCount(); ++row)
      for (int column = 3; column <= 5; ++column)
        cells.push_back((table.item(row, column)->text() + " | " + table.item(row, column)->toolTip()).toStdString());
    return cells;
  }

  // Some work in the document: a photograph and one segment on it.
  void SomeWork() {
    LoadPhotograph(UniformPhotograph("photo.bmp", 40, 30));
    services->ScriptDialog([](CDialogDriver& d) {
      d.Type(1000, "1"), d.Type(1001, "1"), d.Type(1002, "15"), d.Type(1003, "2");
      d.PressOk();
    });
    Command(ID_INPUT_VX);
    ASSERT_EQ(View().m_XLines.GetCount(), 1);
  }

  std::vector<CStep> steps;
};

TEST_F(Session, TheGuideIsUndoneToNothingAndRedoneToTheSameDataFile) {
  GuideSteps();
  const std::string finished = DataFile();
  EXPECT_NE(finished.find("front.gif"), std::string::npos);
  EXPECT_FALSE(Frame().Action(ID_EDIT_REDO)->isEnabled());

  // Ctrl+Z takes back one command after the other, each named before it goes.
  ActivateFrame();
  for (size_t i = steps.size(); i-- > 0;) {
    ASSERT_TRUE(Frame().Action(ID_EDIT_UNDO)->isEnabled()) << i;
    ASSERT_EQ(UndoText(), "&Undo " + steps[i].name);
    QTest::keyClick(&Frame(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(RedoText(), "&Redo " + steps[i].name);
    ASSERT_EQ(DataFile(), i > 0 ? steps[i - 1].data : std::string()) << "after undoing " << steps[i].name;
  }
  EXPECT_EQ(Model(), nullptr);
  EXPECT_EQ(View().m_XLines.GetCount(), 0);
  EXPECT_FALSE(Frame().Action(ID_EDIT_UNDO)->isEnabled());
  EXPECT_EQ(UndoText(), "&Undo");
  EXPECT_EQ(Title(), "Untitled - Pelorin");

  // Ctrl+Y and Ctrl+Shift+Z do them again, through the same data files to the finished one.
  for (size_t i = 0; i < steps.size(); ++i) {
    ASSERT_EQ(RedoText(), "&Redo " + steps[i].name);
    if (i % 2)
      QTest::keyClick(&Frame(), Qt::Key_Y, Qt::ControlModifier);
    else
      QTest::keyClick(&Frame(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(DataFile(), steps[i].data) << "after redoing " << steps[i].name;
  }
  EXPECT_EQ(DataFile(), finished);
  EXPECT_FALSE(Frame().Action(ID_EDIT_REDO)->isEnabled());
  EXPECT_EQ(RedoText(), "&Redo");
  EXPECT_EQ(UndoText(), "&Undo Add Face 1");
  EXPECT_EQ(Title(), "Untitled* - Pelorin");

  // Save Data File writes the same text.
  services->AnswerFileDialog(dir.File("box.txt"));
  Command(ID_SAVE_DATA_FILE);
  EXPECT_EQ(FileText(dir.File("box.txt")), finished);
  EXPECT_TRUE(services->messages.empty()) << services->messages.front();
}

TEST_F(Session, ASavedProjectReopensAfterARestartWithTheSameSigmasAndCalculatesOn) {
  GuideSteps();
  const std::vector<std::string> before = Coordinates();
  ASSERT_EQ(before.size(), 24u);
  // The chain's own points have σ; the typed heights of the ground points do not.
  EXPECT_EQ(before[0].find("\u2014"), std::string::npos) << before[0];
  EXPECT_NE(before[2].find("\u2014"), std::string::npos) << before[2];
  const std::string data = DataFile();
  const std::string project = dir.File("box.pelorin");
  services->AnswerFileDialog(project);
  Command(ID_FILE_SAVE_AS);
  ASSERT_TRUE(services->messages.empty()) << services->messages.front();
  EXPECT_EQ(Title(), "box.pelorin - Pelorin");

  Restart();
  EXPECT_EQ(Model(), nullptr);
  services->AnswerFileDialog(project);
  Command(ID_FILE_OPEN);
  ASSERT_TRUE(services->messages.empty()) << services->messages.front();
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Title(), "box.pelorin - Pelorin");
  EXPECT_EQ(Coordinates(), before);
  EXPECT_EQ(DataFile(), data);

  // One more X segment, along the box's left bottom edge, and the vanishing points again: they
  // move, and the points measured before keep their values until measured again.
  services->ScriptDialog([](CDialogDriver& d) {
    d.Type(1000, "340"), d.Type(1001, "335"), d.Type(1002, "500"), d.Type(1003, "387");
    d.PressOk();
  });
  Command(ID_INPUT_VX);
  Command(ID_CALCULATE_VANISHING_POINTS);
  EXPECT_TRUE(services->messages.empty()) << services->messages.front();
  EXPECT_EQ(UndoText(), "&Undo Calculate Vanishing Points");
  EXPECT_EQ(View().m_XLines.GetCount(), 5);
  const std::string again = DataFile();
  EXPECT_NE(again.substr(0, again.find('\n')), data.substr(0, data.find('\n')));
  EXPECT_EQ(Title(), "box.pelorin* - Pelorin");
}

// Undoing a photograph load brings the previous photograph back with its work, on the screen.
TEST_F(Session, UndoingAPhotographLoadShowsThePreviousPhotographAgain) {
  SomeWork();  // a green photograph, 40 × 30, and one segment
  services->saveAnswers.push_back(ESaveChoice::Discard);
  LoadPhotograph(Photograph("red.bmp", 50, 20, [](int, int) { return std::array<unsigned char, 3>{200, 20, 20}; }));
  ASSERT_EQ(Model()->GetWidth(), 50);
  EXPECT_EQ(UndoText(), "&Undo Load Photograph red.bmp");
  auto shownAtLowerLeft = [this] {
    QTest::qWait(50);
    const QImage screen = ServerWindowImage(Frame());
    const QPoint origin = View().mapTo(&Frame(), QPoint(0, 0));
    return screen.pixel(origin.x() + 5, origin.y() + View().ClientSize().height() - 1 - 5);
  };
  EXPECT_EQ(shownAtLowerLeft(), qRgb(200, 20, 20));

  Command(ID_EDIT_UNDO);
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Model()->GetWidth(), 40);
  EXPECT_EQ(View().m_XLines.GetCount(), 1);
  EXPECT_EQ(shownAtLowerLeft(), qRgb(90, 160, 30));
  Command(ID_EDIT_REDO);
  EXPECT_EQ(Model()->GetWidth(), 50);
  EXPECT_EQ(View().m_XLines.GetCount(), 0);
  EXPECT_EQ(shownAtLowerLeft(), qRgb(200, 20, 20));
}

// A deletion in the points table is a command too: Undo brings the row back in the table.
TEST_F(Session, ADeletionInTheTableIsUndoneIntoTheTable) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 40, 30));
  for (int x : {10, 20}) {
    services->ScriptDialog([](CDialogDriver& d) { d.PressOk(); });
    DoubleClick(WindowOf(x, 5));
  }
  Command(ID_VIEW_POINTS_AND_FACES);
  QTableWidget& table = *Frame().PointsAndFaces()->PointsTable();
  ASSERT_EQ(table.rowCount(), 2);
  QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, table.visualItemRect(table.item(0, 0)).center());
  services->yesNoAnswers.push_back(true);
  QTest::keyClick(&table, Qt::Key_Delete);
  ASSERT_EQ(table.rowCount(), 1);
  EXPECT_EQ(UndoText(), "&Undo Delete Point 0");

  Command(ID_EDIT_UNDO);
  ASSERT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.item(0, 0)->text().toStdString(), "0");
  EXPECT_EQ(table.item(0, 1)->text().toStdString(), "10");
  EXPECT_EQ(UndoText(), "&Undo Add Point 1");
}

// Exit and the window's own close button, with each answer to "Save changes to Untitled?";
// a save that fails (its folder is gone) keeps the window open and the work unsaved.
struct CExitCase {
  const char* name;
  bool byMenu;
  ESaveChoice answer;
  bool saveFails;
  friend void PrintTo(const CExitCase& c, std::ostream* out) { *out << c.name; }
};

class SaveOnExit : public Session, public ::testing::WithParamInterface<CExitCase> {};

TEST_P(SaveOnExit, AsksAndDoesWhatTheUserChose) {
  const CExitCase& c = GetParam();
  SomeWork();
  const std::string project = dir.File(c.saveFails ? "gone/work.pelorin" : "work.pelorin");
  services->saveAnswers.push_back(c.answer);
  services->AnswerFileDialog(project);
  if (c.byMenu)
    Command(ID_APP_EXIT);
  else
    Frame().close();
  EXPECT_EQ(services->saveQuestions, std::vector<std::string>{"Save changes to Untitled?"});
  const bool saved = c.answer == ESaveChoice::Save && !c.saveFails;
  EXPECT_EQ(Frame().isVisible(), c.answer == ESaveChoice::Cancel || c.saveFails);
  EXPECT_EQ(services->messages.size(), c.saveFails ? 1u : 0u);
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(View().m_XLines.GetCount(), 1);
  EXPECT_EQ(std::filesystem::exists(project), saved);
  if (saved) {
    EXPECT_NE(FileText(project).find("[1.0, 1.0, 15.0, 2.0]"), std::string::npos);
  }
  EXPECT_EQ(Title(), saved ? "work.pelorin - Pelorin" : "Untitled* - Pelorin");
}

INSTANTIATE_TEST_SUITE_P(Answers, SaveOnExit,
                         ::testing::Values(CExitCase{"ExitCancel", true, ESaveChoice::Cancel, false},
                                           CExitCase{"ExitDiscard", true, ESaveChoice::Discard, false},
                                           CExitCase{"ExitSave", true, ESaveChoice::Save, false},
                                           CExitCase{"ExitSaveFails", true, ESaveChoice::Save, true},
                                           CExitCase{"CloseCancel", false, ESaveChoice::Cancel, false},
                                           CExitCase{"CloseDiscard", false, ESaveChoice::Discard, false},
                                           CExitCase{"CloseSave", false, ESaveChoice::Save, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The prompt itself, as the program shows it: a real message box, answered by its buttons once
// its modal event loop runs.
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

TEST_F(Session, TheRealPromptOffersSaveDiscardAndCancel) {
  SomeWork();
  services.reset();  // the real Qt services
  for (const QMessageBox::StandardButton button : {QMessageBox::Cancel, QMessageBox::Discard}) {
    std::string text;
    bool hasAllThree = false;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      text = box->text().toStdString();
      hasAllThree = box->button(QMessageBox::Save) && box->button(QMessageBox::Discard) && box->button(button);
      box->button(button)->click();
    });
    Command(ID_APP_EXIT);
    EXPECT_EQ(text, "Save changes to Untitled?");
    EXPECT_TRUE(hasAllThree);
    EXPECT_EQ(Frame().isVisible(), button == QMessageBox::Cancel);
  }
}

TEST_F(Session, ExitWithNothingUnsavedClosesWithoutAsking) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 40, 30));
  Command(ID_APP_EXIT);
  EXPECT_FALSE(Frame().isVisible());
  EXPECT_TRUE(services->saveQuestions.empty());
}

// "Load Souce Image", File New and File Open replace the work: they ask while some is unsaved,
// and Cancel keeps it; with nothing unsaved (no work, or all of it saved) they do not ask.
TEST_F(Session, CommandsThatReplaceTheWorkAskOnlyWhenSomeIsUnsaved) {
  const std::string other = UniformPhotograph("other.bmp", 20, 10);
  for (int command : {ID_LOAD_SOURCE_IMAGE, ID_FILE_NEW, ID_FILE_OPEN}) {
    SCOPED_TRACE(command);
    Command(ID_FILE_NEW);
    services->saveQuestions.clear();
    services->fileRequests.clear();
    services->CancelFileDialog();
    Command(command);
    EXPECT_TRUE(services->saveQuestions.empty());
    services->fileAnswers.clear();

    SomeWork();
    services->saveQuestions.clear();
    services->fileRequests.clear();
    services->saveAnswers.push_back(ESaveChoice::Cancel);
    Command(command);
    EXPECT_EQ(services->saveQuestions, std::vector<std::string>{"Save changes to Untitled?"});
    EXPECT_TRUE(services->fileRequests.empty()) << "no file is asked for after Cancel";
    ASSERT_NE(Model(), nullptr);
    EXPECT_EQ(Model()->GetWidth(), 40);
    EXPECT_EQ(View().m_XLines.GetCount(), 1);
    EXPECT_EQ(Title(), "Untitled* - Pelorin");

    // Saved, the work is not asked about.
    services->AnswerFileDialog(dir.File("work.pelorin"));
    Command(ID_FILE_SAVE);
    services->saveQuestions.clear();
    services->AnswerFileDialog(other);
    Command(command);
    EXPECT_TRUE(services->saveQuestions.empty());
    EXPECT_TRUE(services->messages.empty()) << services->messages.front();
    services->messages.clear();
    services->fileAnswers.clear();
  }
}

// A photograph loaded into new work, with nothing done on it yet, is not asked about; Discard
// lets the new photograph in.
TEST_F(Session, DiscardLetsTheNewPhotographIn) {
  SomeWork();
  services->saveAnswers.push_back(ESaveChoice::Discard);
  LoadPhotograph(UniformPhotograph("other.bmp", 20, 10));
  EXPECT_EQ(services->saveQuestions.size(), 1u);
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Model()->GetWidth(), 20);
  EXPECT_EQ(View().m_XLines.GetCount(), 0);
  LoadPhotograph(UniformPhotograph("third.bmp", 30, 10));
  EXPECT_EQ(services->saveQuestions.size(), 1u);
  EXPECT_EQ(Model()->GetWidth(), 30);
}

// The real program, started on a copy of the sample job (opened as unsaved work) with a state
// folder of its own, is killed once its recovery file is there; the next start offers the work and brings it back,
// untitled and unsaved.
TEST_F(Session, WorkOfAKilledProgramIsRestoredAtTheNextStart) {
  namespace fs = std::filesystem;
  const fs::path root = dir.File("killed");
  for (const char* folder : {"home", "config", "data", "cache", "runtime", "state", "job"})
    fs::create_directories(root / folder);
  fs::permissions(root / "runtime", fs::perms::owner_all);
  for (const char* name : {"sample-job.json", "sample-scene.bmp"})
    fs::copy_file(fs::path(PELORIN_EXAMPLES_DIR) / name, root / "job" / name);

  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const std::pair<const char*, const char*> folders[] = {
      {"HOME", "home"},         {"XDG_CONFIG_HOME", "config"},   {"XDG_DATA_HOME", "data"},
      {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "runtime"}, {"XDG_STATE_HOME", "state"}};
  for (const auto& [variable, folder] : folders)
    environment.insert(QString::fromUtf8(variable), QString::fromStdString((root / folder).string()));
  program.setProcessEnvironment(environment);
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  program.start(QStringLiteral(PELORIN_PROGRAM),
                {QString::fromStdString((root / "job/sample-job.json").string())});
  ASSERT_TRUE(program.waitForStarted(5000));
  const fs::path recovery = root / "state/pelorin" / ("recovery-" + std::to_string(program.processId()) + ".pelorin");
  for (int attempt = 0; attempt < 200 && !fs::exists(recovery); ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_TRUE(fs::exists(recovery)) << "the program wrote no recovery file";
  program.kill();
  ASSERT_TRUE(program.waitForFinished(5000));
  EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
  ASSERT_TRUE(fs::exists(recovery));

  // The next start, in this process, uses the same state folder.
  {
    const CStateFolder state((root / "state").string());
    Restart({true});
  }
  EXPECT_EQ(services->questions, std::vector<std::string>{"Pelorin did not end normally last time, and its work was "
                                                          "not saved. Restore that work?"});
  EXPECT_TRUE(services->messages.empty()) << services->messages.front();
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(DataFile(), FileText(PELORIN_EXAMPLES_DIR "/sample-scene.txt"));
  EXPECT_EQ(Title(), "Untitled* - Pelorin");
  EXPECT_FALSE(fs::exists(recovery)) << "the restored file is not offered again";
  EXPECT_FALSE(Frame().Action(ID_EDIT_UNDO)->isEnabled());
}

// A recovery file is offered once its program has gone, even while the process of that id
// lives on as a zombie its parent has not collected, or the id was taken by another program;
// the file of a copy of this program that still runs is not.
TEST_F(Session, WorkLeftBehindIsTheWorkOfProgramsThatNoLongerRun) {
  namespace fs = std::filesystem;
  const CStateFolder state(dir.File("state"));
  const fs::path folder = CRecovery::Folder();
  ASSERT_FALSE(folder.empty());
  // Each child only exits, waits or runs another program: safe after fork in a threaded process.
  const pid_t zombie = fork();
  if (zombie == 0) _exit(0);
  const pid_t copy = fork();
  if (copy == 0) {
    pause();
    _exit(0);
  }
  const pid_t other = fork();
  if (other == 0) {
    execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(zombie, 0);
  ASSERT_GT(copy, 0);
  ASSERT_GT(other, 0);
  const auto procText = [](pid_t pid, const char* name) { return FileText("/proc/" + std::to_string(pid) + "/" + name); };
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (procText(zombie, "stat").find(") Z") != std::string::npos && procText(other, "comm") == "sleep\n") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const auto fileOf = [&](pid_t pid) { return (folder / ("recovery-" + std::to_string(pid) + ".pelorin")).string(); };
  for (pid_t pid : {zombie, copy, other}) fs::copy_file(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin", fileOf(pid));

  const std::vector<std::string> left = CRecovery::LeftBehind();
  const auto offered = [&](pid_t pid) { return std::find(left.begin(), left.end(), fileOf(pid)) != left.end(); };
  EXPECT_TRUE(offered(zombie));
  EXPECT_TRUE(offered(other));
  EXPECT_FALSE(offered(copy));
  for (pid_t pid : {zombie, copy, other}) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

// Work left behind by two programs: the newest is offered first, and the older waits for the
// next start instead of being thrown away unasked.
TEST_F(Session, OlderWorkLeftBehindIsOfferedAtTheNextStart) {
  namespace fs = std::filesystem;
  const fs::path folder = dir.File("state/pelorin");
  fs::create_directories(folder);
  const fs::path older = folder / "recovery-999999998.pelorin", newer = folder / "recovery-999999999.pelorin";
  fs::copy_file(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin", older);
  fs::copy_file(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin", newer);
  fs::copy_file(PELORIN_EXAMPLES_DIR "/sample-scene.bmp", folder / "sample-scene.bmp");
  fs::last_write_time(older, fs::last_write_time(newer) - std::chrono::hours(1));
  const CStateFolder state(dir.File("state"));
  Restart({false});
  EXPECT_EQ(services->questions.size(), 1u);
  EXPECT_FALSE(fs::exists(newer)) << "declined, it is gone";
  ASSERT_TRUE(fs::exists(older)) << "not asked about, it is kept";
  Restart({true});
  EXPECT_EQ(services->questions.size(), 1u);
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Title(), "Untitled* - Pelorin");
  EXPECT_FALSE(fs::exists(older));
  Restart({});
  EXPECT_TRUE(services->questions.empty()) << "nothing is left to offer";
}

// Work left behind, answered at a start with or without a file named: declined, it is gone;
// restored, the file named does not replace it unless the user lets it.
struct CRecoveryCase {
  const char* name;
  bool restore;
  bool fileNamed;
  ESaveChoice answer;
  bool restoredWorkKept;
  friend void PrintTo(const CRecoveryCase& c, std::ostream* out) { *out << c.name; }
};

class RecoveryAtStart : public Session, public ::testing::WithParamInterface<CRecoveryCase> {};

TEST_P(RecoveryAtStart, TheUserDecidesWhatHappensToTheWorkLeftBehind) {
  namespace fs = std::filesystem;
  const CRecoveryCase& c = GetParam();
  const fs::path folder = dir.File("state/pelorin");
  fs::create_directories(folder);
  const fs::path left = folder / "recovery-999999999.pelorin";
  fs::copy_file(PELORIN_EXAMPLES_DIR "/sample-scene.pelorin", left);
  fs::copy_file(PELORIN_EXAMPLES_DIR "/sample-scene.bmp", folder / "sample-scene.bmp");
  const std::string named = UniformPhotograph("named.bmp", 20, 10);
  {
    const CStateFolder state(dir.File("state"));
    Restart({c.restore}, {c.answer}, c.fileNamed ? QStringList{QString::fromStdString(named)} : QStringList{});
  }
  EXPECT_EQ(services->questions.size(), 1u);
  EXPECT_EQ(services->saveQuestions.size(), c.restore && c.fileNamed ? 1u : 0u);
  EXPECT_TRUE(services->messages.empty()) << services->messages.front();
  EXPECT_FALSE(fs::exists(left));
  if (c.restoredWorkKept) {
    ASSERT_NE(Model(), nullptr);
    EXPECT_EQ(Model()->m_Points.GetCount(), 8);
    EXPECT_EQ(Title(), "Untitled* - Pelorin");
  } else if (c.fileNamed) {
    ASSERT_NE(Model(), nullptr);
    EXPECT_EQ(Model()->GetWidth(), 20);
    EXPECT_EQ(Title(), "Untitled - Pelorin");
  } else {
    EXPECT_EQ(Model(), nullptr);
    EXPECT_EQ(Title(), "Untitled - Pelorin");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RecoveryAtStart,
    ::testing::Values(CRecoveryCase{"Declined", false, false, ESaveChoice::Cancel, false},
                      CRecoveryCase{"DeclinedFileNamed", false, true, ESaveChoice::Cancel, false},
                      CRecoveryCase{"RestoredFileNamedCancel", true, true, ESaveChoice::Cancel, true},
                      CRecoveryCase{"RestoredFileNamedDiscard", true, true, ESaveChoice::Discard, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
