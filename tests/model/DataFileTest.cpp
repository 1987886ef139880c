#include "model/DataFile.h"

#include "ChildProcess.h"
#include "ScriptedServices.h"
#include "TempDir.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kFreshScene =
    "X Vanishing Point is 0.000000,0.000000,0.000000 \n"
    "Y Vanishing Point is 0.000000,0.000000,0.000000 \n"
    "Z Vanishing Point is 0.000000,0.000000,0.000000 \n"
    " a is : 0.000000 \n"
    " b is : 0.000000 \n"
    " A is : 0.000000 \n"
    " Standard Origin is x = 0.000000,y = 0.000000\n"
    " l vector is 0.000000,0.000000,0.000000 \n"
    " HMatrix First Line is: 0.000000,0.000000,0.000000 \n"
    " HMatrix Secon Line is: 0.000000,0.000000,0.000000 \n"
    " HMatrix Third Line is: 0.000000,0.000000,0.000000 \n"
    " lScale vector is 0.000000,0.000000,0.000000 \n"
    " HStandardMatrix First Line is: 0.000000,0.000000,0.000000 \n"
    " HStandardMatrix Secon Line is: 0.000000,0.000000,0.000000 \n"
    " HStandardMatrix Third Line is: 0.000000,0.000000,0.000000 \n"
    " Max id is -1 \n"
    "The number of the point is 0 \n"
    "The number of the textures is 0 \n";

std::unique_ptr<CSingleImage> Scene() {
  auto model = std::make_unique<CSingleImage>("");
  model->m_nWidth = 640;
  model->m_nHeight = 480;
  return model;
}

void AddPoint(CSingleImage& model, int id, double u, double v, double x, double y, double z, int refX = -1) {
  auto* p = new CViewPoint;
  p->m_id = id, p->m_u = u, p->m_v = v, p->m_x = x, p->m_y = y, p->m_z = z, p->m_refX = refX;
  model.m_Points.Add(p);
}

void AddFace(CSingleImage& model, const char* name, int a, int b, int c, int d) {
  auto* face = new CTextureImage;
  face->SetName(name);
  face->m_pointId[0] = a, face->m_pointId[1] = b, face->m_pointId[2] = c, face->m_pointId[3] = d;
  model.m_Textures.Add(face);
}

// A scene with everything: the worked example's parameters, three points, two faces, one of
// them without a texture name.
std::unique_ptr<CSingleImage> FullScene() {
  auto model = Scene();
  model->m_Vx[0] = 1, model->m_Vy[1] = 1, model->m_Vz[2] = 1;
  model->m_a = 50, model->m_b = 20, model->m_A = -1.0 / 30;
  model->m_lScale[2] = 1, model->m_l[2] = 1;
  model->m_HMatrix[0][0] = 50, model->m_HMatrix[1][1] = 20, model->m_HMatrix[2][2] = 1;
  model->m_HStandardMatrix[0][0] = 50, model->m_HStandardMatrix[1][1] = 20, model->m_HStandardMatrix[2][2] = 1;
  model->m_StandardOrigin[0] = -4.0 / 3;
  model->m_nMaxId = 2;
  AddPoint(*model, 0, 150, 90, 2, 3, 10);
  AddPoint(*model, 1, -0.5, 12.25, 1e-7, -2.5, 0, 0);
  AddPoint(*model, 2, 3, 4, 5, 6, 7);
  AddFace(*model, "wall.gif", 0, 1, 2, 0);
  AddFace(*model, "", 2, 1, 0, 7);
  return model;
}

TEST(DataFile, FreshSceneIsEighteenLinesByteForByte) {
  EXPECT_EQ(DataFileText(*Scene()), kFreshScene);
}

TEST(DataFile, WorkedExampleWritesItsScalesAndMatrixRows) {
  const std::string text = DataFileText(*FullScene());
  EXPECT_NE(text.find("\n A is : -0.033333 \n"), std::string::npos);
  EXPECT_NE(text.find("\n HMatrix First Line is: 50.000000,0.000000,0.000000 \n"), std::string::npos);
  EXPECT_NE(text.find("\n Standard Origin is x = -1.333333,y = 0.000000\n"), std::string::npos);
  EXPECT_NE(text.find("\n The name of the texture is:wall.gif \n"), std::string::npos);
  EXPECT_NE(text.find("\n The name of the texture is: \n The id num of the first point is: 2 \n"), std::string::npos);
}

TEST(FormatFixedSix, AgreesWithTheCLibrary) {
  std::mt19937_64 random(6);
  std::vector<double> values = {0.0, -0.0, 1.0 / 128, -1.0 / 128, 0.5e-6, 2.5e-6, 0.0000015, 123.4567895,
                                1e20, -1e300, 4.9e-324, 1e-7, 0.9999995, 50};
  for (int i = 0; i < 20000; ++i) {
    const double scale = std::ldexp(1.0, static_cast<int>(random() % 80) - 40);
    values.push_back((static_cast<double>(random() >> 11) / 9007199254740992.0 - 0.5) * scale);
    values.push_back(std::round(values.back() * 1e7) / 1e7 + 5e-7);  // near the rounding point
  }
  for (double value : values) {
    char expected[512];
    std::snprintf(expected, sizeof expected, "%lf", value);
    ASSERT_EQ(FormatFixedSix(value), expected) << value;
  }
  EXPECT_EQ(FormatFixedSix(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(FormatFixedSix(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(FormatFixedSix(std::nan("")), "nan");
  EXPECT_EQ(FormatFixedSix(-std::nan("")), "-nan");
}

class DataFileRoundTrip : public ::testing::Test {
 protected:
  std::unique_ptr<CSingleImage> Load(const std::string& text, CSingleImage* into = nullptr) {
    std::unique_ptr<CSingleImage> fresh = into ? nullptr : Scene();
    CSingleImage& target = into ? *into : *fresh;
    CDataFileContent content;
    std::string error;
    EXPECT_TRUE(ParseDataFile(text, content, error)) << error;
    ApplyDataFile(target, std::move(content));
    return fresh;
  }
};

TEST_F(DataFileRoundTrip, RestoresCountsOrderIdsReferencesNamesAndSixDecimals) {
  const auto original = FullScene();
  const auto loaded = Load(DataFileText(*original));
  ASSERT_EQ(loaded->m_Points.GetCount(), 3);
  ASSERT_EQ(loaded->m_Textures.GetCount(), 2);
  EXPECT_EQ(loaded->m_nMaxId, 2);
  EXPECT_EQ(loaded->m_A, -0.033333);
  EXPECT_EQ(loaded->m_StandardOrigin[0], -1.333333);
  const CViewPoint& second = *loaded->m_Points.ElementAt(1);
  EXPECT_EQ(second.m_id, 1);
  EXPECT_EQ(second.m_u, -0.5);
  EXPECT_EQ(second.m_v, 12.25);
  EXPECT_EQ(second.m_x, 0.0);  // 1e-7 has no digit within six decimals
  EXPECT_EQ(second.m_refX, 0);
  EXPECT_EQ(second.m_refY, -1);
  EXPECT_STREQ(loaded->m_Textures.ElementAt(0)->m_name, "wall.gif");
  EXPECT_STREQ(loaded->m_Textures.ElementAt(1)->m_name, "");
  EXPECT_EQ(loaded->m_Textures.ElementAt(1)->m_pointId[0], 2);
  EXPECT_EQ(loaded->m_Textures.ElementAt(1)->m_pointId[3], 7);
  // A saved scene always loads again, to the same text.
  EXPECT_EQ(DataFileText(*loaded), DataFileText(*original));
}

TEST_F(DataFileRoundTrip, NonFiniteValuesReadBackAsThemselves) {
  auto model = Scene();
  model->m_a = std::numeric_limits<double>::infinity();
  model->m_b = -std::numeric_limits<double>::infinity();
  model->m_A = std::nan("");
  model->m_HMatrix[1][2] = -std::nan("");
  const auto loaded = Load(DataFileText(*model));
  EXPECT_EQ(loaded->m_a, model->m_a);
  EXPECT_EQ(loaded->m_b, model->m_b);
  EXPECT_TRUE(std::isnan(loaded->m_A));
  EXPECT_TRUE(std::isnan(loaded->m_HMatrix[1][2]) && std::signbit(loaded->m_HMatrix[1][2]));
}

TEST_F(DataFileRoundTrip, CrLfAndReSpacedFilesLoadLikeTheWritersOwn) {
  const std::string text = DataFileText(*FullScene());
  std::string crlf, respaced;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  // Blanks in the format match any white space, including none.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ' && i % 3 == 0) continue;
    respaced += text[i] == '\n' ? std::string("\n\n\t ") : std::string(1, text[i]);
  }
  for (const std::string& variant : {crlf, respaced}) EXPECT_EQ(DataFileText(*Load(variant)), text);
}

TEST_F(DataFileRoundTrip, AFileWithoutPointsDeletesTheEarlierPointsAndFaces) {
  auto model = FullScene();
  Load(kFreshScene, model.get());
  EXPECT_EQ(model->m_Points.GetCount(), 0);
  EXPECT_EQ(model->m_Textures.GetCount(), 0);
  EXPECT_EQ(model->m_nMaxId, -1);
  EXPECT_EQ(model->m_a, 0);
  EXPECT_EQ(model->GetWidth(), 640);  // the photograph is not the file's
}

TEST_F(DataFileRoundTrip, AMaxIdSmallerThanAPointIdIsKept) {
  auto model = FullScene();
  model->m_nMaxId = 0;
  EXPECT_EQ(Load(DataFileText(*model))->m_nMaxId, 0);
}

TEST(DataFile, IsTheSameUnderADecimalCommaLocale) {
  const std::string inC = DataFileText(*FullScene());
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is not installed";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  EXPECT_STREQ(probe, "1,5");  // the locale really has a decimal comma
  const std::string inGerman = DataFileText(*FullScene());
  CDataFileContent content;
  std::string error;
  const bool parsed = ParseDataFile(inC, content, error);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(inGerman, inC);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(content.m_A, -0.033333);
}

// ---- hostile files: refused, and the scene model stays exactly as it was ----

class HostileDataFile : public ::testing::Test {
 protected:
  // Refuses the text, leaves the model alone, and gives the message.
  std::string Refused(const std::string& text) {
    const std::string path = dir.File("hostile.txt");
    WriteFileBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
    const std::string before = DataFileText(*model);
    const int pointsBefore = model->m_Points.GetCount();
    std::string reason;
    EXPECT_EQ(ReadDataFile(path, *model, reason), EDataFileRead::Refused);
    EXPECT_EQ(DataFileText(*model), before);
    EXPECT_EQ(model->m_Points.GetCount(), pointsBefore);
    return reason;
  }
  CTempDir dir;
  std::unique_ptr<CSingleImage> model = FullScene();
  const std::string real = DataFileText(*FullScene());
};

TEST_F(HostileDataFile, TruncatedAtEveryLineIsRefused) {
  for (size_t end = real.find('\n'); end + 1 < real.size(); end = real.find('\n', end + 1)) {
    const std::string reason = Refused(real.substr(0, end + 1));
    EXPECT_EQ(reason.rfind("Line ", 0), 0u) << reason;
  }
  // And in the middle of a number.
  EXPECT_NE(Refused(real.substr(0, real.find("-0.033")) + "-").find("Line 6: expected \"A is\" and a number"),
            std::string::npos);
}

TEST_F(HostileDataFile, CountsThatDoNotFitTheRecordsAreRefused) {
  std::string huge = kFreshScene;
  huge.replace(huge.find("point is 0"), 10, "point is 2000000000");
  EXPECT_EQ(Refused(huge), "Line 18: expected \"The id of the point is\" and an id.");
  std::string negative = kFreshScene;
  negative.replace(negative.find("point is 0"), 10, "point is -1");
  EXPECT_EQ(Refused(negative), "Line 17: expected \"The number of the point is\" and a count (-1 is not one).");
  std::string overflow = kFreshScene;
  overflow.replace(overflow.find("point is 0"), 10, "point is 99999999999");
  EXPECT_EQ(Refused(overflow),
            "Line 17: expected \"The number of the point is\" and a count (99999999999 is too large).");
  std::string lastId = kFreshScene;
  lastId.replace(lastId.find("-1"), 2, "2147483647");
  EXPECT_EQ(Refused(lastId), "Line 16: the largest id 2147483647 leaves no id for the next point.");
}

TEST_F(HostileDataFile, LongNamesOtherWordsGarbageAndEmptyFilesAreRefused) {
  std::string longName = real;
  longName.replace(longName.find("wall.gif"), 8, std::string(300, 'n'));
  EXPECT_NE(Refused(longName).find("the name has 300 characters, more than 51"), std::string::npos);
  std::string otherWords = real;
  otherWords.replace(otherWords.find("Secon"), 5, "Second");
  EXPECT_EQ(Refused(otherWords).rfind("Line 10: expected \"HMatrix Secon Line is\" and three numbers", 0), 0u);
  std::string blankBeforeComma = real;
  blankBeforeComma.replace(blankBeforeComma.find(",0.000000"), 1, " ,");
  EXPECT_EQ(Refused(blankBeforeComma).rfind("Line 1:", 0), 0u);
  std::mt19937 random(17);
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  EXPECT_EQ(Refused(garbage).rfind("Line 1:", 0), 0u);
  EXPECT_EQ(Refused(""), "Line 1: expected \"X Vanishing Point is\" and three numbers, but the file ends there.");
}

TEST_F(HostileDataFile, AFaultAfterThousandsOfPointsNamesItsLine) {
  // Eighteen fixed lines, four a point: the fault in the refs line of the last point of n sits on
  // line 17 + 4·n.
  constexpr int kPoints = 3000;
  auto many = Scene();
  for (int i = 0; i < kPoints; ++i) AddPoint(*many, i, i, -i, 1, 2, 3);
  std::string text = DataFileText(*many);
  text.replace(text.rfind("refx="), 4, "refq");
  EXPECT_EQ(Refused(text).rfind("Line " + std::to_string(17 + 4 * kPoints) + ": expected \"refx\"", 0), 0u);
}

// ---- saving: failures are told, and the previous file stays ----

TEST(SaveDataFile, WritesTheTextAndReplacesTheFileKeepingItsPermissions) {
  CTempDir dir;
  const std::string path = dir.File("scene.txt");
  WriteFileBytes(path, {'o', 'l', 'd'});
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(symlink("scene.txt", dir.File("link.txt").c_str()), 0);
  ASSERT_TRUE(SaveDataFile(dir.File("link.txt"), *Scene()));
  const auto bytes = ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kFreshScene);
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);
  ASSERT_EQ(lstat(dir.File("link.txt").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
}

TEST(SaveDataFile, AFullDiskKeepsThePreviousFileAndSaysWhy) {
  CTempDir dir;
  const std::string disk = dir.File("disk");
  ASSERT_EQ(mkdir(disk.c_str(), 0755), 0);
  const int status = RunInChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
      return 3;
    const std::string path = disk + "/scene.txt";
    WriteFileBytes(path, {'o', 'l', 'd'});
    auto model = FullScene();
    for (int i = 0; i < 200; ++i) AddPoint(*model, 10 + i, i, i, i, i, i);
    const CSaveResult result = SaveDataFile(path, *model);
    if (result || ReadFileBytes(path) != std::vector<unsigned char>{'o', 'l', 'd'}) return 1;
    return result.reason.find(path) != std::string::npos ? 0 : 4;
  });
  if (status == 3) GTEST_SKIP() << "no private tmpfs can be mounted here";
  EXPECT_EQ(status, 0);
}

TEST(SaveDataFile, AFolderWithoutWritePermission) {
  CTempDir dir;
  const std::string folder = dir.File("locked");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string writable = folder + "/writable.txt", readOnly = folder + "/readonly.txt";
  WriteFileBytes(writable, {'o', 'l', 'd'});
  WriteFileBytes(readOnly, {'o', 'l', 'd'});
  ASSERT_EQ(chmod(writable.c_str(), 0666), 0);
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  if (geteuid() == 0) {
    for (const std::string& p : {dir.Path(), folder, writable, readOnly}) ASSERT_EQ(chown(p.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  const int status = RunInChild([&] {
    if (!DropPrivileges()) return 2;
    auto model = Scene();
    if (!SaveDataFile(writable, *model)) return 1;                 // written in place
    const CSaveResult refused = SaveDataFile(readOnly, *model);
    if (refused || refused.reason.find("locked") == std::string::npos) return 3;
    const CSaveResult newFile = SaveDataFile(folder + "/new.txt", *model);
    return !newFile && newFile.reason.find("Permission denied") != std::string::npos ? 0 : 4;
  });
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(status, 0);
  const auto written = ReadFileBytes(writable);
  EXPECT_EQ(std::string(written.begin(), written.end()), kFreshScene);
  EXPECT_EQ(ReadFileBytes(readOnly), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

TEST(ReadDataFile, AFileThatCannotBeOpenedIsSaid) {
  auto model = FullScene();
  std::string reason;
  EXPECT_EQ(ReadDataFile("/no/such/scene.txt", *model, reason), EDataFileRead::CannotOpen);
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(model->m_Points.GetCount(), 3);
}

TEST(ReadDataFile, ANamedPipeOrAFolderIsRefusedAtOnceSayingWhatItIs) {
  CTempDir dir;
  const std::string pipe = dir.File("scene.fifo");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  struct Case {
    std::string path;
    std::string reason;
  } cases[] = {{pipe, "it is a named pipe, not a file"}, {dir.Path(), "it is a folder, not a file"}};
  for (const Case& c : cases) {
    // A read that waits for a writer would block for ever: in a child it is stopped instead.
    const int status = RunInChild([&] {
      alarm(10);
      auto model = FullScene();
      const std::string before = DataFileText(*model);
      std::string reason;
      if (ReadDataFile(c.path, *model, reason) != EDataFileRead::CannotOpen) return 1;
      if (DataFileText(*model) != before) return 2;
      return reason == c.reason ? 0 : 3;
    });
    EXPECT_EQ(status, 0) << c.path << " (-1: the read blocked)";
  }
}

}  // namespace
