#pragma once
// Run-length encoded BMP pixel data (RLE8 and RLE4) expanded into one palette index a pixel.
// Rows are taken in file order (the first row of the data is row 0). Escapes: 0 0 ends a row,
// 0 1 ends the picture, 0 2 dx dy moves ahead, 0 n (n >= 3) gives n literal indices padded to
// an even byte count. Pixels the data skips keep index 0, as other readers give them.

#include <cstddef>
#include <string>
#include <vector>

// indices: width × height entries, row after row. Returns false with the reason when the data
// is cut short, runs past a row or past the last row, or moves outside the picture.
bool ExpandBmpRle(const unsigned char* data, size_t size, int bitsPerIndex, int width, int height,
                  std::vector<unsigned char>& indices, std::string& reason);
