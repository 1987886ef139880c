// Damaged and odd photographs: each is refused with one line that names its real cause and
// leaves the loaded photograph as it was, or loads whole; none loads memory that no decoder
// wrote. The files are made here from the pictures of photos/make-photos.sh.

#include "BmpFixture.h"
#include "ScriptedServices.h"
#include "TempDir.h"
#include "image/Bmp.h"
#include "image/Photograph.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string kPhotos = PELORIN_SOURCE_DIR "/tests/image/photos/";

std::vector<unsigned char> Pixels(const CSingleImage& model) {
  return std::vector<unsigned char>(model.m_pPixels.get(),
                                    model.m_pPixels.get() + 3ull * model.GetWidth() * model.GetHeight());
}

class HostilePhotographs : public ::testing::Test {
 protected:
  // Loads the file into a model that already holds the classic picture, which a refusal keeps.
  std::string Refusal(const std::string& path) {
    CSingleImage model((kPhotos + "photo-24.bmp").c_str(), EPhotoFiles::AnyFormat);
    const std::vector<unsigned char> before = Pixels(model);
    model.ReadPhotograph(path.c_str());
    EXPECT_EQ(Pixels(model), before) << path;
    EXPECT_EQ(model.ReadFailure().find('\n'), std::string::npos) << model.ReadFailure();
    return model.ReadFailure();
  }
  CScriptedServices services;
  CTempDir dir;
};

// Mean difference per byte between two buffers of one size.
double MeanDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return sum / static_cast<double>(a.size());
}

// A progressive file whose refining scans are missing still holds every pixel, coarsely: on
// this smooth picture its colours stay within a few levels of the whole file's on average.
constexpr double kCoarseScanMeanDifference = 8.0;

TEST_F(HostilePhotographs, ProgressiveJpegCutShortAndClosedIsRefusedOrLoadsEveryPixel) {
  const std::vector<unsigned char> whole = ReadFileBytes(kPhotos + "photo-progressive.jpg");
  const CSingleImage original((kPhotos + "photo-progressive.jpg").c_str(), EPhotoFiles::AnyFormat);
  ASSERT_TRUE(original.HasPixels()) << original.ReadFailure();
  // Some cuts leave a scan whose tables or parameters are broken; TurboJPEG reports several of
  // them as warnings and leaves every row unwritten.
  int refused = 0;
  for (size_t cut = 200; cut + 2 < whole.size(); cut += 20) {
    std::vector<unsigned char> damaged(whole.begin(), whole.begin() + static_cast<long>(cut));
    damaged.push_back(0xFF), damaged.push_back(0xD9);
    const std::string path = dir.File("cut.jpg");
    WriteFileBytes(path, damaged);
    const CSingleImage model(path.c_str(), EPhotoFiles::AnyFormat);
    if (!model.HasPixels()) {
      ++refused;
      EXPECT_NE(model.ReadFailure().find("the JPEG file is damaged"), std::string::npos)
          << "cut at " << cut << ": " << model.ReadFailure();
      continue;
    }
    ASSERT_EQ(model.GetWidth() * model.GetHeight(), original.GetWidth() * original.GetHeight());
    EXPECT_LE(MeanDifference(Pixels(model), Pixels(original)), kCoarseScanMeanDifference) << "cut at " << cut;
  }
  EXPECT_GT(refused, 0);
}

TEST_F(HostilePhotographs, JpegWithBytesBetweenItsSegmentsLoadsWhole) {
  const std::vector<unsigned char> whole = ReadFileBytes(kPhotos + "photo-q100.jpg");
  std::vector<unsigned char> padded = whole;
  for (size_t i = 2; i + 1 < padded.size(); ++i)
    if (padded[i] == 0xFF && padded[i + 1] == 0xC0) {
      padded.insert(padded.begin() + static_cast<long>(i), {1, 2, 3});  // before the frame header
      break;
    }
  WriteFileBytes(dir.File("padded.jpg"), padded);
  const CSingleImage original((kPhotos + "photo-q100.jpg").c_str(), EPhotoFiles::AnyFormat);
  const CSingleImage model(dir.File("padded.jpg").c_str(), EPhotoFiles::AnyFormat);
  ASSERT_TRUE(model.HasPixels()) << model.ReadFailure();
  EXPECT_TRUE(Pixels(model) == Pixels(original));
}

// An 8-bit BMP of one row whose palette holds paletteSize entries (grey levels 0, 10, 20 …).
std::vector<unsigned char> PaletteBmp(const std::vector<unsigned char>& indices, uint32_t paletteSize) {
  CBmpFields fields;
  fields.bitsPerPixel = 8;
  fields.width = static_cast<int32_t>(indices.size());
  fields.pixelOffset = 54 + 4 * paletteSize;
  std::vector<unsigned char> bytes = BmpHeaderBytes(fields);
  bytes[46] = static_cast<unsigned char>(paletteSize);  // colours used
  for (uint32_t i = 0; i < paletteSize; ++i)
    bytes.insert(bytes.end(), {static_cast<unsigned char>(10 * i), static_cast<unsigned char>(10 * i),
                               static_cast<unsigned char>(10 * i), 0});
  bytes.insert(bytes.end(), indices.begin(), indices.end());
  bytes.resize(bytes.size() + (4 - indices.size() % 4) % 4, 0);
  return bytes;
}

TEST_F(HostilePhotographs, PaletteIndexBeyondThePaletteIsRefusedAndOneWithinLoads) {
  WriteFileBytes(dir.File("within.bmp"), PaletteBmp({0, 2, 1}, 3));
  const CSingleImage within(dir.File("within.bmp").c_str(), EPhotoFiles::AnyFormat);
  ASSERT_TRUE(within.HasPixels()) << within.ReadFailure();
  EXPECT_EQ(Pixels(within), (std::vector<unsigned char>{0, 0, 0, 20, 20, 20, 10, 10, 10}));

  WriteFileBytes(dir.File("beyond.bmp"), PaletteBmp({0, 200, 1}, 3));
  const std::string reason = Refusal(dir.File("beyond.bmp"));
  EXPECT_NE(reason.find("pixel (1, 0) uses colour 200 of a palette that has only 3"), std::string::npos) << reason;
}

TEST_F(HostilePhotographs, RefusalsNameTheirRealCause) {
  struct Case {
    const char* name;
    CBmpFields fields;
    const char* reason;
  };
  CBmpFields negativeWidth;
  negativeWidth.bitsPerPixel = 32, negativeWidth.width = -4;
  CBmpFields hugeBitCount;
  hugeBitCount.bitsPerPixel = 30000;
  CBmpFields rle8Of24Bits;
  rle8Of24Bits.compression = 1, rle8Of24Bits.pixelOffset = 60;
  CBmpFields unknownHeader;
  unknownHeader.headerSize = 99, unknownHeader.bitsPerPixel = 32;
  CBmpFields offsetInHeader;
  offsetInHeader.bitsPerPixel = 32, offsetInHeader.pixelOffset = 20;
  const Case cases[] = {
      {"negative width", negativeWidth, "the BMP header gives a width of -4 pixels"},
      {"bit count 30000", hugeBitCount, "30000 bits per pixel, which no BMP picture has"},
      {"RLE8 of 24-bit pixels", rle8Of24Bits, "RLE8 compression cannot hold 24-bit pixels"},
      {"unknown header size", unknownHeader, "information headers of 99 bytes are not supported"},
      {"pixels inside the headers", offsetInHeader, "said to start at byte 20, inside the headers"},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> bytes = BmpHeaderBytes(c.fields);
    bytes.resize(bytes.size() + 64, 0);
    WriteFileBytes(dir.File("odd.bmp"), bytes);
    const std::string reason = Refusal(dir.File("odd.bmp"));
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
  }
  const std::string folder = Refusal(dir.Path());
  EXPECT_NE(folder.find("is a folder"), std::string::npos) << folder;
  std::vector<unsigned char> rle = ReadFileBytes(kPhotos + "photo-rle8.bmp");
  rle.resize(rle.size() - 600);
  WriteFileBytes(dir.File("rle-cut.bmp"), rle);
  const std::string cut = Refusal(dir.File("rle-cut.bmp"));
  EXPECT_NE(cut.find("truncated"), std::string::npos) << cut;
}

// Opens the FIFO's other end whenever a reader waits on it, so that a reader that blocks is
// released (and the test fails) instead of hanging.
class CFifoWriterStandIn {
 public:
  explicit CFifoWriterStandIn(std::string path) : m_path(std::move(path)), m_thread([this] { Run(); }) {}
  ~CFifoWriterStandIn() {
    m_bStop = true;
    m_thread.join();
  }

 private:
  void Run() {
    while (!m_bStop) {
      const int descriptor = open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
      if (descriptor >= 0) close(descriptor);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  std::string m_path;
  std::atomic<bool> m_bStop{false};
  std::thread m_thread;
};

TEST_F(HostilePhotographs, FifoIsRefusedAtOnceByEveryReader) {
  const std::string fifo = dir.File("photo.jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  CFifoWriterStandIn writer(fifo);
  const std::string reason = Refusal(fifo);
  EXPECT_NE(reason.find("is not a regular file"), std::string::npos) << reason;
  const CBmpReadResult bmp = ReadBmpFile(fifo);
  EXPECT_EQ(bmp.failure, EBmpReadFailure::NotThisFormat);
  EXPECT_NE(bmp.reason.find("is not a regular file"), std::string::npos) << bmp.reason;
  std::string bytes, wholeReason;
  EXPECT_FALSE(ReadWholeFile(fifo, bytes, wholeReason));
  EXPECT_NE(wholeReason.find("is not a regular file"), std::string::npos) << wholeReason;
}

}  // namespace
