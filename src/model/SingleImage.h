#pragma once
// The whole state of one modelling job: the photograph (size, pixels, display texture), every
// quantity the metrology computes from it, the measured points and the faces. Image positions
// are centred: u = x − width/2, v = y − height/2, v upwards. A model whose photograph could not
// be read is 0 × 0 with no pixels, and is otherwise complete.

#include "image/PixelImage.h"
#include "model/RecordArray.h"
#include "model/TextureImage.h"
#include "model/ViewPoint.h"
#include "services/SaveFile.h"

#include <climits>
#include <memory>
#include <string>

// Which photograph files a model is built from: the 24-bit BMP only, or also other BMP files,
// JPEG and PNG (recognised by their first bytes).
enum class EPhotoFiles { BmpOnly, AnyFormat };

// The largest id a point can get: a data file whose largest id is INT_MAX would leave no id for
// the next point, so the reader refuses it, and no point may take that id.
inline constexpr int kLargestPointId = INT_MAX - 1;

class CSingleImage {
 public:
  // Reads the photograph, makes its display texture and resets every computed quantity.
  explicit CSingleImage(const char* path, EPhotoFiles files = EPhotoFiles::BmpOnly);
  // A model of a photograph of this size whose pixels are not needed: for measuring alone.
  CSingleImage(int width, int height);
  virtual ~CSingleImage();
  CSingleImage(const CSingleImage&) = delete;
  CSingleImage& operator=(const CSingleImage&) = delete;

  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  unsigned int GetTexName() const { return m_nTexName; }
  bool HasPixels() const { return m_pPixels != nullptr; }

  // Index in m_Points of the last point with this id, or −1.
  int FindPointIndex(int id) const;
  // Whether a new point can get the id m_nMaxId + 1.
  bool HasFreePointId() const { return m_nMaxId < kLargestPointId; }

  // Replaces the photograph only when the whole file was read; otherwise the model is untouched
  // and ReadFailure() says why.
  void ReadBMP(const char* path);
  // ReadBMP for the 24-bit BMP with the 40-byte header, the other decoders for the rest; the
  // same rule: the model changes only when the whole picture was read.
  void ReadPhotograph(const char* path);
  // Why the last read refused its file; empty after a successful read.
  const std::string& ReadFailure() const { return m_readFailure; }
  // Writes any pixel buffer (RGB, bottom row first) as a 24-bit BMP file.
  static CSaveResult WriteBMP(const char* path, const unsigned char* pixels, int width, int height);

  // Forgets every computed quantity, point and face; the photograph stays. A replay of the
  // user's actions starts here.
  void ResetScene() { ResetQuantities(); }

  // Uploads the pixels as the display texture through the installed hooks.
  void CreateTexture();

  // Texture rectification, defined with the texture code (pelorin_texture): the face whose
  // corners 1 … 4 lie at the pixel positions (U1, V1) … (U4, V4) resampled into a W × H texture,
  // corner 1 at its bottom-left, 2 bottom-right, 3 top-right, 4 top-left, written as a BMP file.
  CSaveResult GenerateTexture(double U1, double V1, double U2, double V2, double U3, double V3, double U4, double V4,
                              int W, int H, const char* path) const;
  // Bilinear sample at a fractional pixel position; 1 and three bytes when all four neighbours
  // exist, else 0 and nothing written.
  int SampleBilinear(unsigned char* out, double u, double v) const;
  // The three bytes of pixel (column, row); 1 when it exists, else 0.
  int GetPixel(int column, int row, unsigned char* out) const;

  int m_nWidth = 0;
  int m_nHeight = 0;
  std::unique_ptr<unsigned char[]> m_pPixels;
  unsigned int m_nTexName = 0;
  double m_Vx[3] = {};
  double m_Vy[3] = {};
  double m_Vz[3] = {};
  double m_a = 0;
  double m_b = 0;
  double m_A = 0;
  double m_lScale[3] = {};
  double m_l[3] = {};
  double m_HMatrix[3][3] = {};
  double m_HStandardMatrix[3][3] = {};
  double m_StandardOrigin[2] = {};
  int m_nMaxId = -1;
  CRecordArray<CViewPoint> m_Points;
  CRecordArray<CTextureImage> m_Textures;

 private:
  void ResetQuantities();

  std::string m_readFailure;
};

// "" when every one of the `count` ids names a point; otherwise the message that names the ids
// that do not, each once ("Point 12 doesn't exist.", "Points 7 and 9 don't exist.").
std::string MissingPointsMessage(const CSingleImage& model, const int* ids, int count);
