#include "export/Utf8Text.h"

namespace {

// Length of the well-formed UTF-8 sequence at the start of bytes (RFC 3629: no overlong forms,
// no surrogates, nothing above U+10FFFF), or 0.
size_t Utf8SequenceLength(std::string_view bytes) {
  const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

}  // namespace

std::string Utf8Text(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    const size_t length = Utf8SequenceLength(bytes);
    if (length > 0) {
      text.append(bytes.substr(0, length));
      bytes.remove_prefix(length);
      continue;
    }
    const auto latin1 = static_cast<unsigned char>(bytes.front());
    text += static_cast<char>(0xC0 | latin1 >> 6);
    text += static_cast<char>(0x80 | (latin1 & 0x3F));
    bytes.remove_prefix(1);
  }
  return text;
}
