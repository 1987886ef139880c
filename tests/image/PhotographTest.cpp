// Photographs of every format the program reads, all made from one source picture by
// photos/make-photos.sh, must land in the same buffer as its 24-bit BMP.

#include "image/Photograph.h"

#include "ScriptedServices.h"
#include "TempDir.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

const std::string kPhotos = PELORIN_SOURCE_DIR "/tests/image/photos/";

// JPEG at quality 100 without chroma subsampling divides every DCT coefficient by 1, so what
// it loses is the rounding of the coefficients and of the colour conversion on both sides:
// a few levels at most on this smooth picture, and well under one on average.
constexpr int kJpegMaxDifference = 4;
constexpr double kJpegMeanDifference = 1.0;

std::vector<unsigned char> Pixels(const CSingleImage& model) {
  return model.HasPixels() ? std::vector<unsigned char>(model.m_pPixels.get(),
                                                       model.m_pPixels.get() + 3ull * model.GetWidth() * model.GetHeight())
                           : std::vector<unsigned char>{};
}

class Photographs : public ::testing::Test {
 protected:
  std::unique_ptr<CSingleImage> Load(const std::string& name) {
    return std::make_unique<CSingleImage>((kPhotos + name).c_str(), EPhotoFiles::AnyFormat);
  }
  CScriptedServices services;
};

TEST_F(Photographs, LosslessFormatsGiveTheSameBufferAsThe24BitBmp) {
  const auto reference = Load("photo-24.bmp");
  ASSERT_TRUE(reference->HasPixels());
  EXPECT_EQ(reference->GetWidth(), 48);
  EXPECT_EQ(reference->GetHeight(), 32);
  struct Case {
    const char* file;
    const char* sameAs;
  };
  const Case cases[] = {{"photo-32-v5.bmp", "photo-24.bmp"},
                        {"photo-32-v4.bmp", "photo-24.bmp"},
                        {"photo.png", "photo-24.bmp"},
                        {"photo-16.png", "photo-24.bmp"},
                        {"photo-16-no-gamma.png", "photo-24.bmp"},
                        {"photo-8-palette.bmp", "photo-8-palette-as-24.bmp"},
                        {"photo-palette.png", "photo-palette-as-24.bmp"},
                        {"photo-grey.png", "photo-grey-24.bmp"},
                        {"photo-alpha.png", "photo-alpha-over-black.bmp"}};
  for (const Case& c : cases) {
    const auto model = Load(c.file);
    ASSERT_TRUE(model->HasPixels()) << c.file << ": " << model->ReadFailure();
    EXPECT_EQ(model->GetWidth(), 48) << c.file;
    EXPECT_EQ(model->GetHeight(), 32) << c.file;
    EXPECT_TRUE(Pixels(*model) == Pixels(*Load(c.sameAs))) << c.file;
  }
}

TEST_F(Photographs, EveryBmpVariantLoadsAsImageMagickDecodesIt) {
  // Each "-as-24" file is ImageMagick's decoding of the variant, saved as the classic BMP.
  for (const char* variant : {"photo-rle8", "photo-rle4", "photo-1-bit", "photo-os2", "photo-16-565", "photo-16-gap",
                              "photo-8-top-down", "photo-24-colour-table", "photo-32-top-down"}) {
    const std::string file = std::string(variant) + ".bmp";
    const auto model = Load(file);
    const auto reference = Load(std::string(variant) + "-as-24.bmp");
    ASSERT_TRUE(reference->HasPixels()) << variant;
    if (!model->HasPixels()) {
      ADD_FAILURE() << file << ": " << model->ReadFailure();
      continue;
    }
    EXPECT_EQ(model->GetWidth(), 48) << file;
    EXPECT_EQ(model->GetHeight(), 32) << file;
    EXPECT_TRUE(Pixels(*model) == Pixels(*reference)) << file;
  }
}

void ExpectCloseTo(const CSingleImage& model, const CSingleImage& reference, const std::string& name) {
  ASSERT_EQ(model.GetWidth(), reference.GetWidth()) << name;
  ASSERT_EQ(model.GetHeight(), reference.GetHeight()) << name;
  const std::vector<unsigned char> a = Pixels(model), b = Pixels(reference);
  int worst = 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int difference = std::abs(a[i] - b[i]);
    worst = std::max(worst, difference);
    sum += difference;
  }
  EXPECT_LE(worst, kJpegMaxDifference) << name;
  EXPECT_LE(sum / a.size(), kJpegMeanDifference) << name;
}

TEST_F(Photographs, JpegAtQuality100IsCloseAndEveryOrientationStandsUpright) {
  const auto reference = Load("photo-24.bmp");
  ExpectCloseTo(*Load("photo-q100.jpg"), *reference, "photo-q100.jpg");
  ExpectCloseTo(*Load("photo-grey.jpg"), *Load("photo-grey-24.bmp"), "photo-grey.jpg");
  ExpectCloseTo(*Load("photo-progressive.jpg"), *reference, "photo-progressive.jpg");
  for (int orientation : {1, 3, 6, 8}) {
    const std::string name = "photo-orientation-" + std::to_string(orientation) + ".jpg";
    ExpectCloseTo(*Load(name), *reference, name);
  }
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(Photographs, VariantsThatCannotBeReadAreRefusedByName) {
  struct Case {
    const char* file;
    const char* reason;
  };
  const Case cases[] = {{"photo-cmyk.jpg", "CMYK JPEG files are not supported"},
                        {"make-photos.sh", "the file is not a BMP, JPEG or PNG picture"}};
  for (const Case& c : cases) {
    const auto model = Load(c.file);
    EXPECT_FALSE(model->HasPixels()) << c.file;
    EXPECT_NE(model->ReadFailure().find(c.reason), std::string::npos) << c.file << ": " << model->ReadFailure();
  }
}

TEST_F(Photographs, TruncatedAndOversizedFilesAreRefusedAndTheModelKept) {
  CTempDir dir;
  auto model = Load("photo-24.bmp");
  const std::vector<unsigned char> before = Pixels(*model);
  const auto keep = [&](const std::string& path, const char* reason) {
    model->ReadPhotograph(path.c_str());
    EXPECT_EQ(Pixels(*model), before) << path;
    EXPECT_NE(model->ReadFailure().find(reason), std::string::npos) << path << ": " << model->ReadFailure();
  };
  for (const char* file : {"photo-q100.jpg", "photo.png", "photo-32-v5.bmp"}) {
    std::vector<unsigned char> bytes = ReadFileBytes(kPhotos + file);
    bytes.resize(bytes.size() / 2);
    WriteFileBytes(dir.File(file), bytes);
    keep(dir.File(file), "truncated");
  }
  // A JPEG whose frame header claims 65000 x 65000 pixels: refused before anything is allocated.
  std::vector<unsigned char> jpeg = ReadFileBytes(kPhotos + "photo-q100.jpg");
  for (size_t i = 0; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = 0xFD, jpeg[i + 6] = 0xE8, jpeg[i + 7] = 0xFD, jpeg[i + 8] = 0xE8;
      break;
    }
  WriteFileBytes(dir.File("huge.jpg"), jpeg);
  keep(dir.File("huge.jpg"), "larger than 1 GiB");
}

TEST_F(Photographs, TheClassicBmpStillGoesThroughTheBmpReaderWithItsTraces) {
  CTempDir dir;
  std::vector<unsigned char> bytes = ReadFileBytes(kPhotos + "photo-24.bmp");
  bytes.resize(200);
  WriteFileBytes(dir.File("short.bmp"), bytes);
  const auto model = std::make_unique<CSingleImage>(dir.File("short.bmp").c_str(), EPhotoFiles::AnyFormat);
  EXPECT_FALSE(model->HasPixels());
  ASSERT_FALSE(services.traces.empty());
  EXPECT_EQ(services.traces.back(), "the iamgeformat is not 24bit uncompressed bitmap!");
}

}  // namespace
