#include "image/Photograph.h"

#include "image/InputFile.h"

#include <cstring>
#include <new>

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
  CInputFile file(path);
  if (!file.Get()) {
    reason = file.Problem();
    return false;
  }
  if (file.Size() > kMaxPhotographFileBytes) {
    reason = "the file is larger than 2 GiB";
    return false;
  }
  try {
    bytes.resize(static_cast<size_t>(file.Size()));
  } catch (const std::bad_alloc&) {
    reason = "there is not enough memory to read the file";
    return false;
  }
  if (!file.ReadExactly(bytes.data(), bytes.size())) {
    reason = "the file cannot be read whole";
    return false;
  }
  return true;
}

size_t ReadFileHead(const std::string& path, unsigned char* head, size_t size) {
  CInputFile file(path);
  return file.Get() ? std::fread(head, 1, size, file.Get()) : 0;
}
