// BMP files beyond the 24-bit one with the 40-byte header, decoded here: OS/2 1.x (12-byte
// header, 3-byte palette entries), Windows headers of 40, 52, 56, 108 and 124 bytes; 1, 4 and
// 8 bits through a palette, RLE8 and RLE4; 16 and 32 bits with default or given bit fields; 24
// bits with a colour table or a gap before the pixels; rows top-down or bottom-up. The fourth
// byte of a 32-bit pixel without bit fields is reserved; an alpha field, where one is given,
// lays the pixel over black. Every palette index is checked against the palette the file holds.

#include "image/BmpRle.h"
#include "image/Photograph.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kOs2HeaderBytes = 12;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3, kBiJpeg = 4, kBiPng = 5,
                   kBiAlphaBitFields = 6;

uint32_t ReadLe16(const unsigned char* bytes) { return bytes[0] | (bytes[1] << 8); }
uint32_t ReadLe32(const unsigned char* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// One colour channel given by a bit mask: its value scaled to 0 … 255, short fields by
// repeating their bits (5 bits abcde become abcdeabc), long ones by keeping their top 8 bits.
class CBitField {
 public:
  explicit CBitField(uint32_t mask = 0) : m_nMask(mask) {
    if (mask == 0) return;
    while (!(mask & 1)) mask >>= 1, ++m_nShift;
    while (mask & 1) mask >>= 1, ++m_nBits;
  }
  bool Contiguous() const {
    return m_nMask == 0 || (m_nMask >> m_nShift) == (m_nBits == 32 ? ~0u : (1u << m_nBits) - 1);
  }
  bool Present() const { return m_nMask != 0; }
  unsigned char Scale(uint32_t pixel) const {
    if (m_nMask == 0) return 0;
    const uint32_t value = (pixel & m_nMask) >> m_nShift;
    if (m_nBits >= 8) return static_cast<unsigned char>(value >> (m_nBits - 8));
    uint32_t scaled = 0;
    for (int filled = 0; filled < 8; filled += m_nBits) scaled = (scaled << m_nBits) | value;
    const int total = (8 + m_nBits - 1) / m_nBits * m_nBits;
    return static_cast<unsigned char>(scaled >> (total - 8));
  }

 private:
  uint32_t m_nMask;
  int m_nShift = 0;
  int m_nBits = 0;
};

struct CBmpLayout {
  uint32_t headerSize = 0;
  uint32_t pixelOffset = 0;
  int width = 0;
  int height = 0;
  bool bottomUp = true;
  uint32_t bitsPerPixel = 0;
  uint32_t compression = kBiRgb;
  std::array<CBitField, 4> fields;  // red, green, blue, alpha
  std::vector<std::array<unsigned char, 3>> palette;  // red, green, blue
};

// Reads the headers, bit fields and palette; "" when the file can be decoded.
std::string ReadLayout(const unsigned char* bytes, size_t size, CBmpLayout& layout) {
  if (size < kFileHeaderBytes + 4) return "the file is too short to be a BMP picture";
  layout.headerSize = ReadLe32(bytes + kFileHeaderBytes);
  const uint32_t known[] = {kOs2HeaderBytes, 40, 52, 56, 108, 124};
  if (std::find(std::begin(known), std::end(known), layout.headerSize) == std::end(known))
    return "BMP information headers of " + std::to_string(layout.headerSize) + " bytes are not supported";
  const size_t headersEnd = kFileHeaderBytes + layout.headerSize;
  if (size < headersEnd) return "the file ends inside the BMP information header (truncated)";
  const unsigned char* info = bytes + kFileHeaderBytes;
  const bool os2 = layout.headerSize == kOs2HeaderBytes;
  const int64_t width = os2 ? int64_t{ReadLe16(info + 4)} : int64_t{static_cast<int32_t>(ReadLe32(info + 4))};
  const int64_t height = os2 ? int64_t{ReadLe16(info + 6)} : int64_t{static_cast<int32_t>(ReadLe32(info + 8))};
  const uint32_t planes = ReadLe16(info + (os2 ? 8 : 12));
  layout.bitsPerPixel = ReadLe16(info + (os2 ? 10 : 14));
  layout.compression = os2 ? kBiRgb : ReadLe32(info + 16);
  const uint32_t coloursUsed = os2 ? 0 : ReadLe32(info + 32);
  layout.pixelOffset = ReadLe32(bytes + 10);

  if (planes != 1) return "the BMP header gives " + std::to_string(planes) + " colour planes instead of 1";
  const uint32_t bits = layout.bitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return "the BMP header gives " + std::to_string(bits) + " bits per pixel, which no BMP picture has";
  switch (layout.compression) {
    case kBiRgb: break;
    case kBiRle8:
    case kBiRle4:
      if (bits != (layout.compression == kBiRle8 ? 8u : 4u))
        return std::string(layout.compression == kBiRle8 ? "RLE8" : "RLE4") + " compression cannot hold " +
               std::to_string(bits) + "-bit pixels";
      break;
    case kBiBitFields:
    case kBiAlphaBitFields:
      if (bits != 16 && bits != 32) return "bit fields cannot describe " + std::to_string(bits) + "-bit pixels";
      break;
    case kBiJpeg:
    case kBiPng: return "BMP files that hold JPEG or PNG data are not supported";
    default: return "BMP compression " + std::to_string(layout.compression) + " is not supported";
  }
  if (width < 1) return "the BMP header gives a width of " + std::to_string(width) + " pixels";
  if (height == 0 || height == std::numeric_limits<int32_t>::min())
    return "the BMP header gives a height of " + std::to_string(height) + " pixels";
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height < 0 ? -height : height);
  layout.bottomUp = height > 0;
  if (!PixelBytesWithinLimit(layout.width, layout.height))
    return "the BMP picture of " + std::to_string(layout.width) + " x " + std::to_string(layout.height) +
           " pixels is larger than 1 GiB";

  size_t tablesEnd = headersEnd;
  if (bits == 16 || bits == 32) {
    uint32_t masks[4] = {};
    if (layout.compression == kBiRgb) {
      // Without bit fields: 5-5-5 in 16 bits, 8-8-8 and a reserved byte in 32.
      if (bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
      else masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF;
    } else {
      // The masks follow a 40-byte header and lie inside the larger ones.
      const int count = layout.compression == kBiAlphaBitFields || layout.headerSize >= 56 ? 4 : 3;
      if (layout.headerSize == 40) tablesEnd += 4 * static_cast<size_t>(count);
      if (size < kFileHeaderBytes + 40 + 4 * static_cast<size_t>(count))
        return "the file ends inside the BMP bit fields (truncated)";
      for (int i = 0; i < count; ++i) masks[i] = ReadLe32(bytes + kFileHeaderBytes + 40 + 4 * i);
    }
    for (int i = 0; i < 4; ++i) {
      layout.fields[i] = CBitField(bits == 16 ? masks[i] & 0xFFFF : masks[i]);
      if (!layout.fields[i].Contiguous()) return "the BMP bit fields are not runs of adjacent bits";
    }
  }
  if (layout.pixelOffset < tablesEnd)
    return "the BMP pixel data is said to start at byte " + std::to_string(layout.pixelOffset) +
           ", inside the headers";
  if (layout.pixelOffset > size) return "the file ends before its pixel data (truncated)";

  if (bits <= 8) {
    const size_t entryBytes = os2 ? 3 : 4;
    const size_t room = (layout.pixelOffset - tablesEnd) / entryBytes;
    size_t entries = coloursUsed != 0 && coloursUsed < (1u << bits) ? coloursUsed : size_t{1} << bits;
    if (entries > room) entries = room;
    if (entries == 0) return "the BMP file has no palette for its " + std::to_string(bits) + "-bit pixels";
    for (size_t i = 0; i < entries; ++i) {
      const unsigned char* entry = bytes + tablesEnd + i * entryBytes;
      layout.palette.push_back({entry[2], entry[1], entry[0]});
    }
  }
  return {};
}

// The palette indices of every pixel, in file row order.
std::string ReadIndices(const unsigned char* bytes, size_t size, const CBmpLayout& layout,
                        std::vector<unsigned char>& indices) {
  const unsigned char* data = bytes + layout.pixelOffset;
  const size_t dataBytes = size - layout.pixelOffset;
  if (layout.compression != kBiRgb) {
    std::string reason;
    ExpandBmpRle(data, dataBytes, static_cast<int>(layout.bitsPerPixel), layout.width, layout.height, indices, reason);
    return reason;
  }
  const size_t rowBytes = (static_cast<size_t>(layout.bitsPerPixel) * layout.width + 31) / 32 * 4;
  const int bits = static_cast<int>(layout.bitsPerPixel);
  indices.resize(static_cast<size_t>(layout.width) * layout.height);
  for (size_t row = 0; row < static_cast<size_t>(layout.height); ++row)
    for (size_t x = 0; x < static_cast<size_t>(layout.width); ++x) {
      const size_t bit = x * bits;
      const unsigned byte = data[row * rowBytes + bit / 8];
      indices[row * layout.width + x] = static_cast<unsigned char>((byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
    }
  return {};
}

std::string DecodePaletteRows(const unsigned char* bytes, size_t size, const CBmpLayout& layout,
                              unsigned char* rgb) {
  std::vector<unsigned char> indices;
  if (std::string reason = ReadIndices(bytes, size, layout, indices); !reason.empty()) return reason;
  for (size_t i = 0; i < indices.size(); ++i) {
    if (indices[i] >= layout.palette.size()) {
      const size_t row = i / layout.width, x = i % layout.width;
      const size_t y = layout.bottomUp ? row : layout.height - 1 - row;
      return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") uses colour " + std::to_string(indices[i]) +
             " of a palette that has only " + std::to_string(layout.palette.size());
    }
  }
  for (size_t i = 0; i < indices.size(); ++i) {
    const size_t row = i / layout.width, x = i % layout.width;
    const size_t bufferRow = layout.bottomUp ? row : layout.height - 1 - row;
    const std::array<unsigned char, 3>& colour = layout.palette[indices[i]];
    std::copy(colour.begin(), colour.end(), rgb + (bufferRow * layout.width + x) * 3);
  }
  return {};
}

void DecodeDirectRows(const unsigned char* bytes, const CBmpLayout& layout, unsigned char* rgb) {
  const size_t bytesPerPixel = layout.bitsPerPixel / 8;
  const size_t rowBytes = (bytesPerPixel * layout.width + 3) / 4 * 4;
  const bool alpha = layout.fields[3].Present();
  for (size_t row = 0; row < static_cast<size_t>(layout.height); ++row) {
    const unsigned char* from = bytes + layout.pixelOffset + row * rowBytes;
    unsigned char* to = rgb + (layout.bottomUp ? row : layout.height - 1 - row) * layout.width * 3;
    for (int x = 0; x < layout.width; ++x, from += bytesPerPixel, to += 3) {
      if (bytesPerPixel == 3) {
        to[0] = from[2], to[1] = from[1], to[2] = from[0];
        continue;
      }
      const uint32_t pixel = bytesPerPixel == 2 ? ReadLe16(from) : ReadLe32(from);
      const unsigned opacity = alpha ? layout.fields[3].Scale(pixel) : 255;
      for (int c = 0; c < 3; ++c)
        to[c] = static_cast<unsigned char>((layout.fields[c].Scale(pixel) * opacity + 127) / 255);
    }
  }
}

}  // namespace

CPhotoReadResult DecodeOtherBmp(const unsigned char* bytes, size_t size) {
  CPhotoReadResult result;
  CBmpLayout layout;
  result.reason = ReadLayout(bytes, size, layout);
  if (!result.reason.empty()) return result;
  if (layout.compression != kBiRle8 && layout.compression != kBiRle4) {
    // The last row's padding may be missing, as for the 24-bit reader.
    const long long rowBits = static_cast<long long>(layout.bitsPerPixel) * layout.width;
    const long long needed = layout.pixelOffset + (rowBits + 31) / 32 * 4 * (layout.height - 1LL) + (rowBits + 7) / 8;
    if (static_cast<long long>(size) < needed) {
      result.reason = "the BMP file is shorter than its header says (" + std::to_string(size) + " of " +
                      std::to_string(needed) + " bytes, truncated)";
      return result;
    }
  }
  CPixelImage image;
  image.width = layout.width, image.height = layout.height;
  image.pixels = AllocateZeroedPixels(image.ByteCount());
  if (!image.pixels) {
    result.reason = "there is not enough memory for the picture";
    return result;
  }
  if (layout.bitsPerPixel <= 8) {
    try {
      result.reason = DecodePaletteRows(bytes, size, layout, image.pixels.get());
    } catch (const std::bad_alloc&) {
      result.reason = "there is not enough memory for the picture";
    }
    if (!result.reason.empty()) return result;
  } else {
    DecodeDirectRows(bytes, layout, image.pixels.get());
  }
  result.image = std::move(image);
  return result;
}
