#include "model/SingleImage.h"

#include "BmpFixture.h"
#include "ScriptedServices.h"
#include "TempDir.h"
#include "model/DisplayTexture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A 5 × 3 photograph whose pixel (x, y) holds red = 10·x + y, green = y, blue = 200 + x.
std::vector<unsigned char> FiveByThreeFile() {
  CBmpFields fields;
  fields.width = 5;
  fields.height = 3;
  std::vector<unsigned char> rows;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) rows.insert(rows.end(), {static_cast<unsigned char>(200 + x),
                                                        static_cast<unsigned char>(y),
                                                        static_cast<unsigned char>(10 * x + y)});
  return BmpFileBytes(fields, rows);
}

// Display hooks that hand out names and remember what they saw.
struct CRecordingDisplay {
  CRecordingDisplay() {
    SetDisplayTextureHooks({[this](const unsigned char* pixels, int width, int height) {
                              uploads.push_back({pixels != nullptr, width, height});
                              return static_cast<unsigned int>(40 + uploads.size());
                            },
                            [this](unsigned int name) { released.push_back(name); }});
  }
  ~CRecordingDisplay() { SetDisplayTextureHooks({}); }
  struct CUpload {
    bool hadPixels;
    int width;
    int height;
    bool operator==(const CUpload&) const = default;
  };
  std::vector<CUpload> uploads;
  std::vector<unsigned int> released;
};

class SingleImage : public ::testing::Test {
 protected:
  SingleImage() { WriteFileBytes(photo, FiveByThreeFile()); }
  CScriptedServices services;
  CTempDir dir;
  std::string photo = dir.File("photo.bmp");
};

void ExpectFreshQuantities(const CSingleImage& model) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(model.m_Vx[i], 0);
    EXPECT_EQ(model.m_Vy[i], 0);
    EXPECT_EQ(model.m_Vz[i], 0);
    EXPECT_EQ(model.m_lScale[i], 0);
    EXPECT_EQ(model.m_l[i], 0);
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(model.m_HMatrix[i][j], 0);
      EXPECT_EQ(model.m_HStandardMatrix[i][j], 0);
    }
  }
  EXPECT_EQ(model.m_a, 0);
  EXPECT_EQ(model.m_b, 0);
  EXPECT_EQ(model.m_A, 0);
  EXPECT_EQ(model.m_StandardOrigin[0], 0);
  EXPECT_EQ(model.m_StandardOrigin[1], 0);
  EXPECT_EQ(model.m_nMaxId, -1);
  EXPECT_EQ(model.m_Points.GetCount(), 0);
  EXPECT_EQ(model.m_Textures.GetCount(), 0);
}

TEST_F(SingleImage, FreshModelHoldsThePhotographAndNoQuantities) {
  CRecordingDisplay display;
  {
    CSingleImage model(photo.c_str());
    EXPECT_EQ(model.GetWidth(), 5);
    EXPECT_EQ(model.GetHeight(), 3);
    ASSERT_TRUE(model.HasPixels());
    // Pixel (4, 0), the bottom-right one, starts at byte 12 of the 45.
    EXPECT_EQ(model.m_pPixels[12], 40);
    EXPECT_EQ(model.m_pPixels[13], 0);
    EXPECT_EQ(model.m_pPixels[14], 204);
    // The top-left pixel (0, 2) is the first of the last row.
    EXPECT_EQ(model.m_pPixels[30], 2);
    EXPECT_EQ(model.m_pPixels[44], 204);
    ExpectFreshQuantities(model);
    EXPECT_EQ(model.GetTexName(), 41u);
    EXPECT_EQ(display.uploads, (std::vector<CRecordingDisplay::CUpload>{{true, 5, 3}}));
  }
  EXPECT_EQ(display.released, std::vector<unsigned int>{41});
  EXPECT_TRUE(services.traces.empty());
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(SingleImage, FailedLoadGivesAnEmptyModelAndUploadsNothing) {
  CRecordingDisplay display;
  {
    CSingleImage model(dir.File("missing.bmp").c_str());
    EXPECT_EQ(model.GetWidth(), 0);
    EXPECT_EQ(model.GetHeight(), 0);
    EXPECT_FALSE(model.HasPixels());
    EXPECT_EQ(model.GetTexName(), 0u);
    ExpectFreshQuantities(model);
    EXPECT_NE(model.ReadFailure().find("No such file"), std::string::npos);
  }
  EXPECT_TRUE(display.uploads.empty());
  EXPECT_TRUE(display.released.empty());
  EXPECT_EQ(services.traces, std::vector<std::string>{"can't open imagefile " + dir.File("missing.bmp") + "!"});
}

TEST_F(SingleImage, RefusedFilesLeaveTheModelUntouchedWithTheirTraces) {
  CSingleImage model(photo.c_str());
  const unsigned char* pixels = model.m_pPixels.get();
  CBmpFields eightBit;
  eightBit.pixelOffset = 1078;
  eightBit.bitsPerPixel = 8;
  CBmpFields compressed;
  compressed.compression = 1;
  CBmpFields huge;
  huge.width = 10000;
  huge.height = 10000;
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    std::vector<std::string> traces;
  };
  const std::string format = "the iamgeformat is not 24bit uncompressed bitmap!";
  const Case cases[] = {{"offset not 54", BmpHeaderBytes(eightBit), {}},
                        {"empty", {}, {}},
                        {"compressed", BmpHeaderBytes(compressed), {format}},
                        {"header promises too much", BmpHeaderBytes(huge), {format}}};
  for (const Case& c : cases) {
    services.traces.clear();
    WriteFileBytes(dir.File("bad.bmp"), c.bytes);
    model.ReadBMP(dir.File("bad.bmp").c_str());
    EXPECT_EQ(services.traces, c.traces) << c.name;
    EXPECT_EQ(model.GetWidth(), 5) << c.name;
    EXPECT_EQ(model.GetHeight(), 3) << c.name;
    EXPECT_EQ(model.m_pPixels.get(), pixels) << c.name;
    EXPECT_FALSE(model.ReadFailure().empty()) << c.name;
  }
  services.traces.clear();
  model.ReadBMP(dir.Path().c_str());  // a folder: no file header can be read
  EXPECT_TRUE(services.traces.empty());
  EXPECT_EQ(model.m_pPixels.get(), pixels);
}

TEST_F(SingleImage, SecondReadReplacesThePhotograph) {
  CSingleImage model(photo.c_str());
  CBmpFields fields;
  fields.width = 2;
  fields.height = 1;
  WriteFileBytes(dir.File("small.bmp"), BmpFileBytes(fields, {1, 2, 3, 4, 5, 6}));
  model.ReadBMP(dir.File("small.bmp").c_str());
  EXPECT_EQ(model.GetWidth(), 2);
  EXPECT_EQ(model.GetHeight(), 1);
  EXPECT_EQ(std::vector<unsigned char>(model.m_pPixels.get(), model.m_pPixels.get() + 6),
            (std::vector<unsigned char>{3, 2, 1, 6, 5, 4}));
  EXPECT_TRUE(model.ReadFailure().empty());
}

TEST_F(SingleImage, WriteBmpTracesAFileThatCannotBeOpened) {
  const unsigned char pixel[3] = {1, 2, 3};
  const std::string path = dir.File("no/such/folder/t.bmp");
  const CSaveResult result = CSingleImage::WriteBMP(path.c_str(), pixel, 1, 1);
  EXPECT_FALSE(result);
  EXPECT_EQ(services.traces, std::vector<std::string>{"can't open imagefile " + path + "!"});
  EXPECT_TRUE(CSingleImage::WriteBMP(dir.File("t.bmp").c_str(), pixel, 1, 1));
}

TEST_F(SingleImage, FindPointIndexGivesTheLastPointWithTheId) {
  CSingleImage model(photo.c_str());
  EXPECT_EQ(model.FindPointIndex(3), -1);
  for (int id : {3, 7, 3}) {
    auto* point = new CViewPoint;
    point->m_id = id;
    model.m_Points.Add(point);
  }
  EXPECT_EQ(model.FindPointIndex(3), 2);
  EXPECT_EQ(model.FindPointIndex(7), 1);
  EXPECT_EQ(model.FindPointIndex(5), -1);
}

TEST(TextureImage, SetNameNeverWritesPastTheField) {
  CTextureImage face;
  EXPECT_TRUE(face.SetName("wall.gif"));
  EXPECT_STREQ(face.m_name, "wall.gif");
  const std::string longName(60, 'n');
  EXPECT_FALSE(face.SetName(longName));
  EXPECT_EQ(std::strlen(face.m_name), 51u);
  EXPECT_EQ(std::string(face.m_name), longName.substr(0, 51));
}

}  // namespace
