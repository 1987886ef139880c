#include "camera/ExifFocal.h"

#include "camera/Calibration.h"

#include <libexif/exif-data.h>

#include <cmath>

CExifFocal ReadExifFocal(const std::string& path, double sensorWidthMm, int imageWidth, int imageHeight) {
  CExifFocal result;
  ExifData* data = exif_data_new_from_file(path.c_str());
  if (!data) return result;
  const ExifByteOrder order = exif_data_get_byte_order(data);
  if (ExifEntry* entry = exif_data_get_entry(data, EXIF_TAG_FOCAL_LENGTH);
      entry && entry->data && entry->format == EXIF_FORMAT_RATIONAL && entry->size >= 8) {
    const ExifRational r = exif_get_rational(entry->data, order);
    if (r.denominator != 0 && r.numerator != 0) result.focalLength = static_cast<double>(r.numerator) / r.denominator;
  }
  if (ExifEntry* entry = exif_data_get_entry(data, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM);
      entry && entry->data && entry->format == EXIF_FORMAT_SHORT && entry->size >= 2) {
    const ExifShort value = exif_get_short(entry->data, order);
    if (value != 0) {  // 0 means "unknown"
      result.focal35mm = value;
      result.source = "FocalLengthIn35mmFilm";
    }
  }
  exif_data_unref(data);
  if (!result.focal35mm && result.focalLength && sensorWidthMm > 0 && imageWidth > 0 && imageHeight > 0) {
    const double sensorDiagonal = sensorWidthMm * std::hypot(imageWidth, imageHeight) / imageWidth;
    result.focal35mm = *result.focalLength * k35mmDiagonal / sensorDiagonal;
    result.source = "FocalLength";
  }
  return result;
}
