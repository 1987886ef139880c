#include "image/BmpRle.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 4, kHeight = 3;

TEST(ExpandBmpRle, RunsMovesLiteralsAndEarlyEndGiveTheIndicesByHand) {
  const std::vector<unsigned char> data = {
      2, 1,              // row 0: two of index 1
      0, 2, 1, 1,        // move one right and one up: row 1, column 3
      1, 2,              // one of index 2
      0, 0,              // end of row 1
      0, 3, 2, 1, 2, 0,  // row 2: literal 2 1 2, padded to an even count
      0, 1};             // end of picture
  std::vector<unsigned char> indices;
  std::string reason;
  ASSERT_TRUE(ExpandBmpRle(data.data(), data.size(), 8, kWidth, kHeight, indices, reason)) << reason;
  // Skipped pixels keep index 0 (ImageMagick shows them in palette colour 0 too).
  EXPECT_EQ(indices, (std::vector<unsigned char>{1, 1, 0, 0, /**/ 0, 0, 0, 2, /**/ 2, 1, 2, 0}));
}

TEST(ExpandBmpRle, FourBitRunsAlternateTheirTwoIndicesHighNibbleFirst) {
  const std::vector<unsigned char> data = {3, 0x52, 0, 0, 0, 3, 0x12, 0x30, 0, 1};
  std::vector<unsigned char> indices;
  std::string reason;
  ASSERT_TRUE(ExpandBmpRle(data.data(), data.size(), 4, kWidth, 2, indices, reason)) << reason;
  EXPECT_EQ(indices, (std::vector<unsigned char>{5, 2, 5, 0, /**/ 1, 2, 3, 0}));
}

TEST(ExpandBmpRle, RefusesDataThatLeavesThePictureOrStopsShort) {
  struct Case {
    const char* name;
    std::vector<unsigned char> data;
    const char* reason;
  };
  const Case cases[] = {
      {"run past the row end", {5, 1}, "passes the end of row 1"},
      {"literal past the row end", {2, 1, 0, 3, 1, 1, 1, 0}, "passes the end of row 1"},
      {"move out of the picture", {0, 2, 0, 4}, "leaves the picture"},
      {"run after the last row", {0, 0, 0, 0, 0, 0, 1, 1}, "past the last row"},
      {"cut inside a literal", {0, 4, 1, 1}, "truncated"},
      {"no end before the last row", {4, 1, 0, 0}, "ends at row 2 of 3"},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> indices;
    std::string reason;
    EXPECT_FALSE(ExpandBmpRle(c.data.data(), c.data.size(), 8, kWidth, kHeight, indices, reason)) << c.name;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
  }
}

}  // namespace
