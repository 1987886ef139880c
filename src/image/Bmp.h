#pragma once
// The 24-bit uncompressed Windows bitmap: a 14-byte file header, a 40-byte information header,
// no colour table, pixel rows from offset 54, each row blue-green-red padded to a multiple of
// four bytes. These functions know nothing of the scene model: they read a file into a
// CPixelImage or write one from a pixel buffer, and say why when they cannot.

#include "image/PixelImage.h"
#include "services/SaveFile.h"

#include <string>

inline constexpr int kBmpHeaderBytes = 54;

// Pad bytes after a row of the given width: 0, 1, 2 or 3.
int BmpRowPad(int width);

// How a refused read is to be reported, in the order the reader checks.
enum class EBmpReadFailure {
  None,
  CannotOpen,      // the file cannot be opened
  NotThisFormat,   // no regular file, file header incomplete or pixel data not at offset 54:
                   // refused silently
  BadFormat,       // every later refusal: header fields, sizes, file type, length, reads
};

struct CBmpReadResult {
  EBmpReadFailure failure = EBmpReadFailure::None;
  std::string reason;        // for the user; empty on success
  CPixelImage image;         // complete on success, empty otherwise
  bool closeFailed = false;  // the file was read but closing it reported an error

  bool Succeeded() const { return failure == EBmpReadFailure::None; }
};

// Reads the whole file, or nothing: on any refusal no pixels are returned.
CBmpReadResult ReadBmpFile(const std::string& path);

// Writes the image through the save routine. Refuses, writing nothing, a width or height
// below 1 or pixel data above kMaxPixelBytes, so that every file it writes reads back.
CSaveResult WriteBmpFile(const std::string& path, const unsigned char* pixels, int width, int height);

// The file's content for a save (sizes already accepted by BmpSizeProblem); the pixels must
// outlive it.
SaveContentWriter BmpContentWriter(const unsigned char* pixels, int width, int height);
// Why a picture of this size cannot be a BMP file; "" when it can.
std::string BmpSizeProblem(int width, int height);
