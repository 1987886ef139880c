#pragma once
// A picture as a GIF file, for programs (VRML viewers) that read that format: the colours are
// reduced to 256 with giflib's quantiser; the file shows the picture upright, the same size.

#include "services/SaveFile.h"

#include <string>

#include <vector>

// Pixels RGB, bottom row first, no padding. Saved through the save routine.
CSaveResult WriteGifFile(const std::string& path, const unsigned char* pixels, int width, int height);

// The GIF file's bytes; empty, with the reason, when the picture cannot be one.
std::vector<unsigned char> EncodeGif(const unsigned char* pixels, int width, int height, std::string& problem);
