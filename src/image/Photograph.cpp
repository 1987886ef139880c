#include "image/Photograph.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

unsigned ReadLe(const unsigned char* bytes, int count) {
  unsigned value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

EPhotoFormat DetectPhotoFormat(const unsigned char* bytes, size_t size) {
  if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return EPhotoFormat::Jpeg;
  if (size >= 8 && std::memcmp(bytes, "\x89PNG\r\n\x1a\n", 8) == 0) return EPhotoFormat::Png;
  if (size >= 54 && ReadLe(bytes + 10, 4) == 54 && ReadLe(bytes + 14, 4) == 40 && ReadLe(bytes + 26, 2) == 1 &&
      ReadLe(bytes + 28, 2) == 24 && ReadLe(bytes + 30, 4) == 0)
    return EPhotoFormat::ClassicBmp;
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return EPhotoFormat::OtherBmp;
  return EPhotoFormat::Unknown;
}

CPhotoReadResult DecodePhotograph(EPhotoFormat format, const unsigned char* bytes, size_t size) {
  switch (format) {
    case EPhotoFormat::Jpeg: return DecodeJpeg(bytes, size);
    case EPhotoFormat::Png: return DecodePng(bytes, size);
    case EPhotoFormat::OtherBmp: return DecodeOtherBmp(bytes, size);
    default: {
      CPhotoReadResult refused;
      refused.reason = "the file is not a BMP, JPEG or PNG picture";
      return refused;
    }
  }
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& reason) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    reason = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat status {};
  bool ok = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
  if (!ok) reason = "the file is not a regular file";
  if (ok && status.st_size > kMaxPhotographFileBytes) {
    reason = "the file is larger than 2 GiB";
    ok = false;
  }
  if (ok) {
    try {
      bytes.resize(static_cast<size_t>(status.st_size));
    } catch (const std::bad_alloc&) {
      reason = "there is not enough memory to read the file";
      ok = false;
    }
  }
  if (ok && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    reason = "the file cannot be read whole";
    ok = false;
  }
  std::fclose(file);
  return ok;
}
