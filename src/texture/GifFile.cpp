#include "texture/GifFile.h"

#include "image/PixelImage.h"

#include <gif_lib.h>

#include <memory>
#include <vector>

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* bytes, int count) {
  auto* out = static_cast<std::vector<unsigned char>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + count);
  return count;
}

}  // namespace

CSaveResult WriteGifFile(const std::string& path, const unsigned char* pixels, int width, int height) {
  std::string problem;
  const std::vector<unsigned char> bytes = EncodeGif(pixels, width, height, problem);
  if (bytes.empty()) {
    CSaveResult refused;
    refused.reason = problem;
    return refused;
  }
  return SaveFile(path, [&bytes](CFileSink& sink) { sink.Write(bytes.data(), bytes.size()); });
}

std::vector<unsigned char> EncodeGif(const unsigned char* pixels, int width, int height, std::string& problem) {
  if (width < 1 || height < 1 || width > 65535 || height > 65535 || !PixelBytesWithinLimit(width, height)) {
    problem = "a picture of " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels cannot be written as a GIF file";
    return {};
  }
  const size_t count = static_cast<size_t>(width) * height;
  std::vector<GifByteType> red, green, blue, indices;
  try {
    red.resize(count), green.resize(count), blue.resize(count), indices.resize(count);
  } catch (const std::bad_alloc&) {
    problem = "there is not enough memory to write the GIF file";
    return {};
  }
  // GIF rows run from the top; the buffer's from the bottom.
  for (int row = 0; row < height; ++row) {
    const unsigned char* source = pixels + static_cast<size_t>(height - 1 - row) * width * 3;
    for (int x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(row) * width + x;
      red[at] = source[3 * x], green[at] = source[3 * x + 1], blue[at] = source[3 * x + 2];
    }
  }
  int colours = 256;
  GifColorType palette[256] = {};
  if (GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height), &colours, red.data(),
                        green.data(), blue.data(), indices.data(), palette) == GIF_ERROR) {
    problem = "the colours of the picture cannot be reduced for a GIF file";
    return {};
  }
  std::vector<unsigned char> bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, AppendBytes, &error);
  if (!gif) {
    problem = GifErrorString(error);
    return {};
  }
  ColorMapObject* map = GifMakeMapObject(256, palette);
  bool written = map && EGifPutScreenDesc(gif, width, height, 8, 0, map) != GIF_ERROR &&
                 EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_ERROR;
  for (int row = 0; written && row < height; ++row)
    written = EGifPutLine(gif, indices.data() + static_cast<size_t>(row) * width, width) != GIF_ERROR;
  const int putError = gif->Error;
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) == GIF_ERROR) written = false;
  if (!written) {
    problem = GifErrorString(putError ? putError : error);
    return {};
  }
  return bytes;
}
