// libFuzzer target: any bytes are recognised as one format or none, and each decoder reads
// them whole or refuses with a reason. libpng and libjpeg-turbo come from the distribution
// uninstrumented; the BMP decoder (palettes, RLE, bit fields) is ours, so its reads are watched.

#include "image/Photograph.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const EPhotoFormat format = DetectPhotoFormat(data, size);
  // Each decoder sees every input, not only those whose first bytes name it.
  for (EPhotoFormat decoder : {format, EPhotoFormat::Jpeg, EPhotoFormat::Png, EPhotoFormat::OtherBmp}) {
    const CPhotoReadResult result = DecodePhotograph(decoder, data, size);
    if (result.Succeeded()) {
      if (result.image.width < 1 || result.image.height < 1 || !PixelBytesWithinLimit(result.image.width, result.image.height))
        std::abort();
      unsigned sum = 0;
      for (size_t i = 0; i < result.image.ByteCount(); ++i) sum += result.image.pixels[i];
      if (sum == 0xFFFFFFFFu) std::abort();
    } else if (result.reason.empty()) {
      std::abort();
    }
  }
  return 0;
}
