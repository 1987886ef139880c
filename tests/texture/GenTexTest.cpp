#include "texture/FaceTexture.h"

#include "ScriptedServices.h"
#include "TempDir.h"
#include "image/Bmp.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

// ImageMagick's answer for an image file: "WIDTH HEIGHT" and the colour at a pixel.
std::string Identify(const std::string& path, const std::string& format) {
  const std::string command = "identify -format '" + format + "' '" + path + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "no identify";
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  pclose(pipe);
  return output;
}

class GenTex : public ::testing::Test {
 protected:
  void SetUp() override {
    model = std::make_unique<CSingleImage>("");
    model->m_nWidth = 200, model->m_nHeight = 100;
    model->m_pPixels = AllocatePixels(200 * 100 * 3);
    // Bottom half red, top half blue: the texture's orientation shows.
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 200; ++x) {
        unsigned char* p = model->m_pPixels.get() + (y * 200 + x) * 3;
        p[0] = y < 50 ? 255 : 0, p[1] = 0, p[2] = y < 50 ? 0 : 255;
      }
  }
  // A point with the given pixel position (centred in the model as the metrology stores it).
  void Point(int id, double x, double y) {
    auto* point = new CViewPoint;
    point->m_id = id;
    point->m_u = x - 100, point->m_v = y - 50;
    model->m_Points.Add(point);
  }
  int TextureWidth(const std::string& path) {
    const CBmpReadResult read = ReadBmpFile(path);
    return read.Succeeded() ? read.image.width : -1;
  }

  CScriptedServices services;
  CTempDir dir;
  std::unique_ptr<CSingleImage> model;
  std::string name = "unchanged";
};

TEST_F(GenTex, WritesNameBmpAndNameGifAndRecordsNameGif) {
  Point(0, 20, 10), Point(1, 180, 10), Point(2, 180, 90), Point(3, 20, 90);
  const int ids[4] = {0, 1, 2, 3};
  services.AnswerFileDialog(dir.File("wall"));
  EXPECT_TRUE(GenerateFaceTexture(*model, ids, name));
  EXPECT_EQ(name, "wall.gif");
  ASSERT_EQ(services.fileRequests.size(), 1u);
  EXPECT_EQ(services.fileRequests[0].kind, EFileDialogKind::Save);
  EXPECT_EQ(services.fileRequests[0].defaultExtension, "");
  const CBmpReadResult bmp = ReadBmpFile(dir.File("wall.bmp"));
  ASSERT_TRUE(bmp.Succeeded()) << bmp.reason;
  EXPECT_EQ(bmp.image.width, 161);
  EXPECT_EQ(bmp.image.height, 81);
  // The GIF has the BMP's size and stands the same way up: red at the bottom, blue at the top.
  EXPECT_EQ(Identify(dir.File("wall.gif"), "%w %h"), "161 81");
  // (The quantiser keeps five bits a channel, so full red comes back as 248.)
  EXPECT_EQ(Identify(dir.File("wall.gif"), "%[fx:p{5,75}.r>0.9 && p{5,75}.b<0.1]"), "1");
  EXPECT_EQ(Identify(dir.File("wall.gif"), "%[fx:p{5,5}.b>0.9 && p{5,5}.r<0.1]"), "1");
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(GenTex, SizeIsTheBoxAroundThePointsRoundedHalfUp) {
  struct Case {
    double extent;
    int size;
  };
  for (const Case& c : {Case{2.4, 3}, Case{2.5, 4}, Case{0, 1}, Case{100, 101}}) {
    model->m_Points.RemoveAll();
    Point(0, 50, 30), Point(1, 50 + c.extent, 30), Point(2, 50 + c.extent, 40), Point(3, 50, 40);
    const int ids[4] = {0, 1, 2, 3};
    services.AnswerFileDialog(dir.File("box"));
    GenerateFaceTexture(*model, ids, name);
    EXPECT_EQ(TextureWidth(dir.File("box.bmp")), c.size) << c.extent;
  }
}

TEST_F(GenTex, AMissingPointStopsBeforeTheFileDialogAndIsNamed) {
  Point(5, 1, 1), Point(6, 2, 1), Point(8, 2, 2);
  const int ids[4] = {5, 6, 7, 8};
  EXPECT_FALSE(GenerateFaceTexture(*model, ids, name));
  EXPECT_EQ(services.messages, std::vector<std::string>{"Point 7 doesn't exist."});
  EXPECT_TRUE(services.fileRequests.empty());
  EXPECT_EQ(name, "unchanged");

  // Each missing id once, in the order typed.
  const int several[4] = {12, 5, 12, 42};
  EXPECT_FALSE(GenerateFaceTexture(*model, several, name));
  EXPECT_EQ(services.messages.back(), "Points 12 and 42 don't exist.");
  const int none[4] = {1, 2, 3, 4};
  EXPECT_FALSE(GenerateFaceTexture(*model, none, name));
  EXPECT_EQ(services.messages.back(), "Points 1, 2, 3 and 4 don't exist.");
}

TEST_F(GenTex, CancelWritesNothing) {
  Point(0, 1, 1), Point(1, 9, 1), Point(2, 9, 9), Point(3, 1, 9);
  const int ids[4] = {0, 1, 2, 3};
  services.CancelFileDialog();
  EXPECT_FALSE(GenerateFaceTexture(*model, ids, name));
  EXPECT_EQ(name, "unchanged");
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST_F(GenTex, ImpossibleSizesAreRefusedBeforeTheFileDialog) {
  Point(0, 0, 0), Point(1, 1e9, 0), Point(2, 1e9, 10), Point(3, 0, 10);
  Point(10, 0, 0), Point(11, std::nan(""), 0), Point(12, 5, 5), Point(13, 0, 5);
  const int huge[4] = {0, 1, 2, 3};
  const int notANumber[4] = {10, 11, 12, 13};
  EXPECT_FALSE(GenerateFaceTexture(*model, huge, name));
  EXPECT_FALSE(GenerateFaceTexture(*model, notANumber, name));
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_NE(services.messages[0].find("1 GiB"), std::string::npos) << services.messages[0];
  EXPECT_NE(services.messages[1].find("finite"), std::string::npos) << services.messages[1];
  EXPECT_TRUE(services.fileRequests.empty());
}

TEST_F(GenTex, NamesThatCannotBeReadBackAreRefusedBeforeWriting) {
  Point(0, 1, 1), Point(1, 9, 1), Point(2, 9, 9), Point(3, 1, 9);
  const int ids[4] = {0, 1, 2, 3};
  services.AnswerFileDialog(dir.File("my wall"));
  EXPECT_FALSE(GenerateFaceTexture(*model, ids, name));
  services.AnswerFileDialog(dir.File(std::string(48, 'n')));
  EXPECT_FALSE(GenerateFaceTexture(*model, ids, name));
  services.AnswerFileDialog(dir.File(std::string(47, 'n')));
  EXPECT_TRUE(GenerateFaceTexture(*model, ids, name));
  EXPECT_EQ(name, std::string(47, 'n') + ".gif");
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_NE(services.messages[0].find("white space"), std::string::npos);
  EXPECT_NE(services.messages[1].find("1 to 47 characters"), std::string::npos);
  EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u);  // only the accepted name's files
}

TEST_F(GenTex, AFileThatCannotBeWrittenIsToldAndTheNameStillSet) {
  Point(0, 1, 1), Point(1, 9, 1), Point(2, 9, 9), Point(3, 1, 9);
  const int ids[4] = {0, 1, 2, 3};
  const std::string path = dir.File("missing/wall");
  services.AnswerFileDialog(path);
  EXPECT_TRUE(GenerateFaceTexture(*model, ids, name));
  EXPECT_EQ(name, "wall.gif");
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_EQ(services.messages[0].rfind("The texture file " + path + ".bmp cannot be written: ", 0), 0u);
  EXPECT_EQ(services.messages[1].rfind("The texture file " + path + ".gif cannot be written: ", 0), 0u);
  ASSERT_FALSE(services.traces.empty());
  EXPECT_EQ(services.traces.back(), "can't open imagefile " + path + ".bmp!");
}

TEST(Faces, AddQueryAndRename) {
  CSingleImage model("");
  const int ids[4] = {0, 1, 2, 3};
  AddFace(model, "", ids);
  AddFace(model, "b.gif", ids);
  ASSERT_EQ(model.m_Textures.GetCount(), 2);
  EXPECT_STREQ(model.m_Textures.ElementAt(0)->m_name, "");
  int shown[4] = {9, 9, 9, 9};
  EXPECT_FALSE(QueryFace(model, 2, shown));
  EXPECT_FALSE(QueryFace(model, -1, shown));
  EXPECT_EQ(shown[0], 9);
  EXPECT_TRUE(QueryFace(model, 1, shown));
  EXPECT_EQ(shown[3], 3);
  RenameFace(model, 0, "a.gif");
  RenameFace(model, 5, "x.gif");
  EXPECT_STREQ(model.m_Textures.ElementAt(0)->m_name, "a.gif");
}

}  // namespace
