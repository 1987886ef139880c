// JPEG through libjpeg-turbo, turned upright by the EXIF orientation tag (libexif).

#include "image/ImageOrientation.h"
#include "image/Photograph.h"

#include <libexif/exif-data.h>
#include <turbojpeg.h>

#include <cstring>
#include <memory>

namespace {

int ExifOrientation(const unsigned char* bytes, size_t size) {
  ExifData* data = exif_data_new_from_data(bytes, static_cast<unsigned int>(size));
  if (!data) return 1;
  int orientation = 1;
  if (ExifEntry* entry = exif_data_get_entry(data, EXIF_TAG_ORIENTATION); entry && entry->data && entry->size >= 2)
    orientation = exif_get_short(entry->data, exif_data_get_byte_order(data));
  exif_data_unref(data);
  return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// After a warning TurboJPEG may report a later fatal error as a warning too, with rows never
// written, so only warnings known to leave every row decoded are let through: bytes between
// the segments, which the decoder skips.
bool IsBenignWarning(tjhandle handle) {
  return tjGetErrorCode(handle) == TJERR_WARNING &&
         std::strstr(tjGetErrorStr2(handle), "extraneous bytes before marker") != nullptr;
}

struct CDecompressor {
  tjhandle handle = tjInitDecompress();
  ~CDecompressor() {
    if (handle) tjDestroy(handle);
  }
};

}  // namespace

CPhotoReadResult DecodeJpeg(const unsigned char* bytes, size_t size) {
  CPhotoReadResult result;
  CDecompressor jpeg;
  if (!jpeg.handle) {
    result.reason = "the JPEG decoder cannot start";
    return result;
  }
  int width = 0, height = 0, subsampling = 0, colourSpace = 0;
  if (tjDecompressHeader3(jpeg.handle, bytes, static_cast<unsigned long>(size), &width, &height, &subsampling,
                          &colourSpace) != 0 &&
      !IsBenignWarning(jpeg.handle)) {
    result.reason = std::string("the JPEG file is damaged: ") + tjGetErrorStr2(jpeg.handle);
    return result;
  }
  if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) {
    result.reason = "CMYK JPEG files are not supported: save the picture in RGB";
    return result;
  }
  if (width < 1 || height < 1 || !PixelBytesWithinLimit(width, height)) {
    result.reason = "the JPEG picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is larger than 1 GiB";
    return result;
  }
  CPixelImage decoded;
  decoded.width = width, decoded.height = height;
  decoded.pixels = AllocateZeroedPixels(decoded.ByteCount());
  if (!decoded.pixels) {
    result.reason = "there is not enough memory for the picture";
    return result;
  }
  // Grey pictures come out as grey RGB; rows bottom-up, as the buffer wants them.
  if (tjDecompress2(jpeg.handle, bytes, static_cast<unsigned long>(size), decoded.pixels.get(), width, 0, height,
                    TJPF_RGB, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT) != 0) {
    if (!IsBenignWarning(jpeg.handle)) {
      result.reason = std::string("the JPEG file is damaged or truncated: ") + tjGetErrorStr2(jpeg.handle);
      return result;
    }
  }
  const int orientation = ExifOrientation(bytes, size);
  result.image = orientation == 1 ? std::move(decoded) : ApplyOrientation(decoded, orientation);
  if (!result.image.pixels) result.reason = "there is not enough memory for the picture";
  return result;
}
