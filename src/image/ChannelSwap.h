#pragma once
// Converts between RGB and BGR pixel order (the same swap both ways): copies pixelCount
// three-byte pixels from source to target, exchanging the first and third byte of each.
// Source and target must not overlap.

#include <cstddef>

void CopySwappingRedBlue(const unsigned char* source, unsigned char* target, size_t pixelCount);
