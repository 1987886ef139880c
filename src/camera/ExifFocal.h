#pragma once
// The focal length a JPEG's EXIF states, as a check beside the calibrated one: the 35 mm
// equivalent, from FocalLengthIn35mmFilm, or from FocalLength and the sensor's width when the
// caller knows it (scaled on the diagonal, as the calibration's equivalent is).

#include <optional>
#include <string>

struct CExifFocal {
  std::optional<double> focal35mm;    // the equivalent, millimetres
  std::optional<double> focalLength;  // FocalLength as stated, millimetres
  std::string source;                 // "FocalLengthIn35mmFilm", "FocalLength", or "" when none
};

// `sensorWidthMm` (0 when not known) and the photograph's size in pixels turn FocalLength into
// the equivalent when the file has no FocalLengthIn35mmFilm. A file without EXIF, or no JPEG,
// gives an empty result.
CExifFocal ReadExifFocal(const std::string& path, double sensorWidthMm = 0, int imageWidth = 0, int imageHeight = 0);
