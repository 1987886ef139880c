#include "image/Bmp.h"

#include "BmpFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::vector<unsigned char> PixelsOf(const CPixelImage& image) {
  return std::vector<unsigned char>(image.pixels.get(), image.pixels.get() + image.ByteCount());
}

TEST(BmpRowPad, MakesRowsAMultipleOfFourBytes) {
  const int pads[] = {0, 1, 2, 3, 0, 1, 2, 3, 0};  // widths 0 … 8
  for (int width = 1; width <= 8; ++width) EXPECT_EQ(BmpRowPad(width), pads[width]) << "width " << width;
}

TEST(WriteBmpFile, OnePixelFileIsFiftyEightBytesByteForByte) {
  CTempDir dir;
  const unsigned char pixel[3] = {30, 20, 10};  // red, green, blue
  ASSERT_TRUE(WriteBmpFile(dir.File("one.bmp"), pixel, 1, 1));
  const std::vector<unsigned char> expected = {
      'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,        // file header
      40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,      // size, width, height, planes, bits
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,        // compression, image size, resolution
      0, 0, 0, 0, 0, 0, 0, 0,                                // colours
      10, 20, 30, 0};                                        // blue, green, red, one pad byte
  EXPECT_EQ(ReadFileBytes(dir.File("one.bmp")), expected);
}

TEST(WriteBmpFile, RowsAreBottomUpBlueGreenRedWithZeroPadding) {
  CTempDir dir;
  // 2 × 2: bottom row red, green; top row blue, white.
  const unsigned char pixels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  ASSERT_TRUE(WriteBmpFile(dir.File("four.bmp"), pixels, 2, 2));
  const std::vector<unsigned char> bytes = ReadFileBytes(dir.File("four.bmp"));
  ASSERT_EQ(bytes.size(), 54u + 2 * 8);
  const std::vector<unsigned char> rows(bytes.begin() + 54, bytes.end());
  const std::vector<unsigned char> expected = {0, 0, 255, 0, 255, 0, 0, 0,          // bottom: red, green, pad
                                               255, 0, 0, 255, 255, 255, 0, 0};    // top: blue, white, pad
  EXPECT_EQ(rows, expected);
}

TEST(ReadBmpFile, SwapsFileBlueGreenRedIntoRedGreenBlue) {
  CTempDir dir;
  WriteFileBytes(dir.File("p.bmp"), BmpFileBytes({}, {10, 20, 30}));
  const CBmpReadResult result = ReadBmpFile(dir.File("p.bmp"));
  ASSERT_TRUE(result.Succeeded()) << result.reason;
  EXPECT_EQ(PixelsOf(result.image), (std::vector<unsigned char>{30, 20, 10}));
}

TEST(ReadBmpFile, TopDownFileIsStoredBottomUp) {
  CTempDir dir;
  CBmpFields fields;
  fields.width = 2;
  fields.height = -2;
  // File rows: first (top) row pixels 1 and 2, second (bottom) row pixels 3 and 4.
  const std::vector<unsigned char> rows = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
  WriteFileBytes(dir.File("top.bmp"), BmpFileBytes(fields, rows));
  const CBmpReadResult result = ReadBmpFile(dir.File("top.bmp"));
  ASSERT_TRUE(result.Succeeded()) << result.reason;
  EXPECT_EQ(result.image.width, 2);
  EXPECT_EQ(result.image.height, 2);
  EXPECT_EQ(PixelsOf(result.image), (std::vector<unsigned char>{3, 3, 3, 4, 4, 4, 1, 1, 1, 2, 2, 2}));
}

TEST(ReadBmpFile, IgnoresTheTypeFieldAndTheMissingLastPad) {
  CTempDir dir;
  CBmpFields fields;
  fields.type = 0x5A5A;
  fields.width = 1;
  fields.height = 2;
  std::vector<unsigned char> bytes = BmpFileBytes(fields, {1, 2, 3, 4, 5, 6});
  bytes.pop_back();  // the last row's pad byte
  WriteFileBytes(dir.File("odd.bmp"), bytes);
  const CBmpReadResult result = ReadBmpFile(dir.File("odd.bmp"));
  ASSERT_TRUE(result.Succeeded()) << result.reason;
  EXPECT_EQ(PixelsOf(result.image), (std::vector<unsigned char>{3, 2, 1, 6, 5, 4}));
}

TEST(BmpRoundTrip, WriteThenReadGivesTheSameBufferForWidthsOneToNine) {
  CTempDir dir;
  std::mt19937 random(20261210);
  for (int width = 1; width <= 9; ++width) {
    for (int height : {1, 2, 5}) {
      std::vector<unsigned char> pixels(3 * width * height);
      for (unsigned char& byte : pixels) byte = static_cast<unsigned char>(random());
      const std::string path = dir.File("r.bmp");
      ASSERT_TRUE(WriteBmpFile(path, pixels.data(), width, height));
      const size_t stride = 3 * width + BmpRowPad(width);
      EXPECT_EQ(ReadFileBytes(path).size(), 54 + stride * height);
      const CBmpReadResult result = ReadBmpFile(path);
      ASSERT_TRUE(result.Succeeded()) << result.reason;
      EXPECT_EQ(result.image.width, width);
      EXPECT_EQ(result.image.height, height);
      EXPECT_EQ(PixelsOf(result.image), pixels) << width << " x " << height;
    }
  }
}

TEST(BmpRoundTrip, LargeRowsCrossTheCopyBuffer) {
  // Wide enough that one row is larger than the reader's chunk, tall enough for several chunks.
  CTempDir dir;
  for (auto [width, height] : {std::pair{90001, 3}, std::pair{333, 1000}}) {
    std::vector<unsigned char> pixels(3ull * width * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7 + i / 3);
    ASSERT_TRUE(WriteBmpFile(dir.File("big.bmp"), pixels.data(), width, height));
    const CBmpReadResult result = ReadBmpFile(dir.File("big.bmp"));
    ASSERT_TRUE(result.Succeeded()) << result.reason;
    EXPECT_TRUE(PixelsOf(result.image) == pixels) << width << " x " << height;
  }
}

TEST(WriteBmpFile, RefusesSizesThatCannotBeReadBackAndWritesNothing) {
  CTempDir dir;
  const unsigned char pixel[3] = {};
  for (auto [width, height] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{-3, 2}, std::pair{30000, 20000},
                               std::pair{INT32_MAX, INT32_MAX}}) {
    const CSaveResult result = WriteBmpFile(dir.File("no.bmp"), pixel, width, height);
    EXPECT_FALSE(result) << width << " x " << height;
    EXPECT_FALSE(result.reason.empty());
  }
  EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

struct CHostileCase {
  const char* name;
  std::vector<unsigned char> bytes;
  EBmpReadFailure failure;
};

CBmpFields Sized(int32_t width, int32_t height) {
  CBmpFields fields;
  fields.width = width;
  fields.height = height;
  return fields;
}

std::vector<CHostileCase> HostileCases() {
  std::vector<unsigned char> fileHeaderOnly = BmpHeaderBytes({});
  fileHeaderOnly.resize(14);
  std::vector<unsigned char> fiftyThree = BmpHeaderBytes({});
  fiftyThree.resize(53);
  std::vector<unsigned char> hugeInSixty = BmpHeaderBytes(Sized(10000, 10000));
  hugeInSixty.resize(60, 0);
  std::vector<unsigned char> shortRows = BmpFileBytes(Sized(3, 3), std::vector<unsigned char>(27, 9));
  shortRows.resize(shortRows.size() - 4);  // more than the last pad
  CBmpFields eightBit;
  eightBit.pixelOffset = 54 + 1024;
  eightBit.bitsPerPixel = 8;
  CBmpFields compressed;
  compressed.compression = 1;
  CBmpFields thirtyTwo;
  thirtyTwo.bitsPerPixel = 32;
  CBmpFields twoPlanes;
  twoPlanes.planes = 2;
  CBmpFields v5Header;
  v5Header.headerSize = 124;
  return {
      {"empty file", {}, EBmpReadFailure::NotThisFormat},
      {"file header only", fileHeaderOnly, EBmpReadFailure::BadFormat},
      {"53 bytes", fiftyThree, EBmpReadFailure::BadFormat},
      {"8-bit with colour table", BmpHeaderBytes(eightBit), EBmpReadFailure::NotThisFormat},
      {"compression 1", BmpHeaderBytes(compressed), EBmpReadFailure::BadFormat},
      {"32 bits per pixel", BmpHeaderBytes(thirtyTwo), EBmpReadFailure::BadFormat},
      {"two planes", BmpHeaderBytes(twoPlanes), EBmpReadFailure::BadFormat},
      {"124-byte header", BmpHeaderBytes(v5Header), EBmpReadFailure::BadFormat},
      {"width 0", BmpHeaderBytes(Sized(0, 5)), EBmpReadFailure::BadFormat},
      {"negative width", BmpHeaderBytes(Sized(-4, 5)), EBmpReadFailure::BadFormat},
      {"height 0", BmpHeaderBytes(Sized(5, 0)), EBmpReadFailure::BadFormat},
      {"height whose negation overflows", BmpHeaderBytes(Sized(5, INT32_MIN)), EBmpReadFailure::BadFormat},
      {"size that overflows 64 bits", BmpHeaderBytes(Sized(INT32_MAX, INT32_MAX)), EBmpReadFailure::BadFormat},
      {"more than 1 GiB of pixels", BmpHeaderBytes(Sized(20000, -20000)), EBmpReadFailure::BadFormat},
      {"10000 x 10000 in 60 bytes", hugeInSixty, EBmpReadFailure::BadFormat},
      {"header only", BmpHeaderBytes(Sized(2, 2)), EBmpReadFailure::BadFormat},
      {"rows cut short", shortRows, EBmpReadFailure::BadFormat},
  };
}

TEST(ReadBmpFile, RefusesHostileFilesWithoutPixels) {
  CTempDir dir;
  for (const CHostileCase& c : HostileCases()) {
    WriteFileBytes(dir.File("hostile.bmp"), c.bytes);
    const CBmpReadResult result = ReadBmpFile(dir.File("hostile.bmp"));
    EXPECT_EQ(result.failure, c.failure) << c.name;
    EXPECT_FALSE(result.image.pixels) << c.name;
    EXPECT_FALSE(result.reason.empty()) << c.name;
  }
}

TEST(ReadBmpFile, RefusesFoldersAndMissingFiles) {
  CTempDir dir;
  const CBmpReadResult folder = ReadBmpFile(dir.Path());
  EXPECT_EQ(folder.failure, EBmpReadFailure::NotThisFormat);
  EXPECT_NE(folder.reason.find("is a folder"), std::string::npos) << folder.reason;
  const CBmpReadResult missing = ReadBmpFile(dir.File("missing.bmp"));
  EXPECT_EQ(missing.failure, EBmpReadFailure::CannotOpen);
  EXPECT_NE(missing.reason.find("No such file"), std::string::npos) << missing.reason;
}

TEST(ReadBmpFile, SaysWhenTheFileIsShorterThanItsHeader) {
  CTempDir dir;
  std::vector<unsigned char> bytes = BmpHeaderBytes(Sized(10000, 10000));
  bytes.resize(60);
  WriteFileBytes(dir.File("short.bmp"), bytes);
  const CBmpReadResult result = ReadBmpFile(dir.File("short.bmp"));
  EXPECT_NE(result.reason.find("shorter than its header"), std::string::npos) << result.reason;
}

}  // namespace
