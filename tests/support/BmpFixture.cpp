#include "BmpFixture.h"

#include <cstdlib>

namespace {

void Put16(std::vector<unsigned char>& bytes, size_t at, uint16_t value) {
  bytes[at] = value & 0xFF;
  bytes[at + 1] = value >> 8;
}

void Put32(std::vector<unsigned char>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = (value >> (8 * i)) & 0xFF;
}

}  // namespace

std::vector<unsigned char> BmpHeaderBytes(const CBmpFields& f) {
  std::vector<unsigned char> bytes(54, 0);
  Put16(bytes, 0, f.type);
  Put32(bytes, 2, 54);
  Put32(bytes, 10, f.pixelOffset);
  Put32(bytes, 14, f.headerSize);
  Put32(bytes, 18, static_cast<uint32_t>(f.width));
  Put32(bytes, 22, static_cast<uint32_t>(f.height));
  Put16(bytes, 26, f.planes);
  Put16(bytes, 28, f.bitsPerPixel);
  Put32(bytes, 30, f.compression);
  return bytes;
}

std::vector<unsigned char> BmpFileBytes(const CBmpFields& f, const std::vector<unsigned char>& fileRows) {
  std::vector<unsigned char> bytes = BmpHeaderBytes(f);
  const size_t rowBytes = 3 * static_cast<size_t>(f.width);
  const size_t padded = (rowBytes + 3) / 4 * 4;
  const size_t rows = static_cast<size_t>(std::abs(static_cast<long long>(f.height)));
  for (size_t r = 0; r < rows; ++r) {
    bytes.insert(bytes.end(), fileRows.begin() + r * rowBytes, fileRows.begin() + (r + 1) * rowBytes);
    bytes.insert(bytes.end(), padded - rowBytes, 0);
  }
  Put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
  return bytes;
}
