#include "image/BmpRle.h"

namespace {

constexpr unsigned char kEscape = 0;
constexpr unsigned char kEndOfRow = 0;
constexpr unsigned char kEndOfPicture = 1;
constexpr unsigned char kDelta = 2;

class CRleExpander {
 public:
  CRleExpander(const unsigned char* data, size_t size, int bitsPerIndex, int width, int height,
               std::vector<unsigned char>& indices)
      : m_data(data), m_nSize(size), m_bFourBit(bitsPerIndex == 4), m_nWidth(width), m_nHeight(height),
        m_indices(indices) {}

  bool Run(std::string& reason) {
    m_indices.assign(static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight), 0);
    while (m_nAt + 2 <= m_nSize) {
      const unsigned char count = m_data[m_nAt], value = m_data[m_nAt + 1];
      m_nAt += 2;
      if (count != kEscape) {
        if (!Fits(count, reason)) return false;
        for (int i = 0; i < count; ++i) Put(m_bFourBit ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      } else if (value == kEndOfRow) {
        m_nX = 0, ++m_nY;
      } else if (value == kEndOfPicture) {
        return true;
      } else if (value == kDelta) {
        if (m_nAt + 2 > m_nSize) break;
        m_nX += m_data[m_nAt], m_nY += m_data[m_nAt + 1];
        m_nAt += 2;
        if (m_nX > m_nWidth || m_nY > m_nHeight) {
          reason = "a move in the RLE data leaves the picture";
          return false;
        }
      } else if (!Literal(value, reason)) {
        return false;
      }
    }
    // Data that stops after the last row without its end mark has lost nothing.
    if (m_nY >= m_nHeight) return true;
    reason = "the RLE data ends at row " + std::to_string(m_nY + 1) + " of " + std::to_string(m_nHeight) +
             " (the file is truncated)";
    return false;
  }

 private:
  bool Fits(int count, std::string& reason) const {
    if (m_nY >= m_nHeight) {
      reason = "the RLE data goes on past the last row";
      return false;
    }
    if (count > m_nWidth - m_nX) {
      reason = "a run in the RLE data passes the end of row " + std::to_string(m_nY + 1);
      return false;
    }
    return true;
  }

  void Put(int index) {
    m_indices[static_cast<size_t>(m_nY) * static_cast<size_t>(m_nWidth) + static_cast<size_t>(m_nX)] =
        static_cast<unsigned char>(index);
    ++m_nX;
  }

  bool Literal(int count, std::string& reason) {
    const size_t bytes = m_bFourBit ? (static_cast<size_t>(count) + 1) / 2 : static_cast<size_t>(count);
    if (m_nAt + bytes > m_nSize) {
      reason = "the RLE data is cut short inside a literal run (the file is truncated)";
      return false;
    }
    if (!Fits(count, reason)) return false;
    for (int i = 0; i < count; ++i) {
      const unsigned char byte = m_data[m_nAt + (m_bFourBit ? static_cast<size_t>(i) / 2 : static_cast<size_t>(i))];
      Put(m_bFourBit ? (i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
    }
    m_nAt += bytes + bytes % 2;  // literal runs are padded to an even byte count
    return true;
  }

  const unsigned char* m_data;
  size_t m_nSize;
  size_t m_nAt = 0;
  bool m_bFourBit;
  int m_nWidth, m_nHeight;
  int m_nX = 0, m_nY = 0;
  std::vector<unsigned char>& m_indices;
};

}  // namespace

bool ExpandBmpRle(const unsigned char* data, size_t size, int bitsPerIndex, int width, int height,
                  std::vector<unsigned char>& indices, std::string& reason) {
  return CRleExpander(data, size, bitsPerIndex, width, height, indices).Run(reason);
}
