#pragma once
// Builds BMP files byte by byte from chosen header fields, independently of the program's
// writer, so that tests can hand the reader exactly the file they mean.

#include <cstdint>
#include <vector>

struct CBmpFields {
  uint16_t type = 0x4D42;
  uint32_t pixelOffset = 54;
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t planes = 1;
  uint16_t bitsPerPixel = 24;
  uint32_t compression = 0;
};

// Headers only, 54 bytes, with the file-size field set to 54.
std::vector<unsigned char> BmpHeaderBytes(const CBmpFields& fields);

// Headers followed by the rows as stored in the file (blue, green, red, then zero padding to a
// multiple of four). fileRows holds the rows' pixel bytes, |height| rows of 3·width bytes each,
// in file order.
std::vector<unsigned char> BmpFileBytes(const CBmpFields& fields, const std::vector<unsigned char>& fileRows);
