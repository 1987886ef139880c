// The scene model's texture operations: pixels, bilinear samples and the generated texture.

#include "image/Bmp.h"
#include "model/SingleImage.h"
#include "texture/Rectification.h"
#include "texture/RectificationKernel.h"

int CSingleImage::GetPixel(int column, int row, unsigned char* out) const {
  if (!m_pPixels || column < 0 || column >= m_nWidth || row < 0 || row >= m_nHeight) return 0;
  const unsigned char* pixel = m_pPixels.get() + (static_cast<size_t>(row) * m_nWidth + column) * 3;
  out[0] = pixel[0], out[1] = pixel[1], out[2] = pixel[2];
  return 1;
}

int CSingleImage::SampleBilinear(unsigned char* out, double u, double v) const {
  return SampleBilinearAt(CRectificationSource{m_pPixels.get(), m_nWidth, m_nHeight}, u, v, out) ? 1 : 0;
}

CSaveResult CSingleImage::GenerateTexture(double U1, double V1, double U2, double V2, double U3, double V3, double U4,
                                          double V4, int W, int H, const char* path) const {
  const double U[4] = {U1, U2, U3, U4};
  const double V[4] = {V1, V2, V3, V4};
  const CPixelImage texture = RectifyTexture(*this, U, V, W, H);
  if (!texture.pixels) {
    CSaveResult refused;
    refused.reason = "there is not enough memory for a texture of " + std::to_string(W) + " x " + std::to_string(H) +
                     " pixels";
    return refused;
  }
  return WriteBMP(path, texture.pixels.get(), W, H);
}
