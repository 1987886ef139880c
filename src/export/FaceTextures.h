#pragma once
// The texture of an exported face, rectified afresh from the photograph as "Gen TEX" does and
// encoded as PNG in memory: the recorded names carry no folder, and the BMP or GIF files may be
// elsewhere or gone.

#include "export/ExportFaces.h"

#include <span>
#include <vector>

class CSingleImage;

// PNG bytes, or empty when the face's texture cannot be made (its size, the memory).
std::vector<unsigned char> FaceTexturePng(const CSingleImage& model, const CExportFace& face);

// The PNG of every face, in the faces' order. Several faces are made side by side, one per core;
// the bytes are those FaceTexturePng gives for each face alone.
std::vector<std::vector<unsigned char>> FaceTexturePngs(const CSingleImage& model, std::span<const CExportFace> faces);
