#include "app/PhotographTexture.h"

#include "services/Services.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QPointer>
#include <QTimer>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#ifndef GL_GENERATE_MIPMAP
#define GL_GENERATE_MIPMAP 0x8191
#endif

namespace {

// Tiles uploaded in one idle turn: each takes a few milliseconds, so the program stays responsive.
constexpr int kTilesPerIdleTurn = 2;

struct CTile {
  int x = 0, y = 0, width = 0, height = 0;  // in photograph pixels
  GLuint name = 0;                          // 0 until uploaded
  bool mipmapped = false;
};

struct CTiledPhotograph {
  const unsigned char* pixels = nullptr;
  int width = 0, height = 0;
  std::vector<CTile> tiles;
  QPointer<QOpenGLContext> context;
  QSurface* surface = nullptr;
};

std::map<unsigned int, CTiledPhotograph>& Photographs() {
  static std::map<unsigned int, CTiledPhotograph> photographs;
  return photographs;
}

bool TakesTexturesOfAnySize() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version && version[0] >= '2' && version[0] <= '9') return true;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions && std::strstr(extensions, "GL_ARB_texture_non_power_of_two");
}

using GenerateMipmapFunction = void (*)(GLenum);

GenerateMipmapFunction GenerateMipmap() {
  QOpenGLContext* context = QOpenGLContext::currentContext();
  return context ? reinterpret_cast<GenerateMipmapFunction>(context->getProcAddress("glGenerateMipmap")) : nullptr;
}

void UploadTile(const CTiledPhotograph& photo, CTile& tile) {
  glGenTextures(1, &tile.name);
  glBindTexture(GL_TEXTURE_2D, tile.name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, photo.width);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, tile.x);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, tile.y);
  if (TakesTexturesOfAnySize()) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, tile.width, tile.height, 0, GL_RGB, GL_UNSIGNED_BYTE, photo.pixels);
  } else {
    // Without textures of any size GLU rescales the tile and builds its mipmaps at once.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, tile.width, tile.height, GL_RGB, GL_UNSIGNED_BYTE, photo.pixels);
    tile.mipmapped = true;
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
}

// Minified tiles need their smaller levels; the first such frame makes them.
void MakeMipmaps(const CTiledPhotograph& photo, CTile& tile) {
  if (const GenerateMipmapFunction generate = GenerateMipmap()) {
    generate(GL_TEXTURE_2D);
  } else {
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, photo.width);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, tile.x);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, tile.y);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, tile.width, tile.height, 0, GL_RGB, GL_UNSIGNED_BYTE, photo.pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  tile.mipmapped = true;
}

// One idle turn: a few more tiles of the photograph, then another turn while some are left.
void UploadSomeTiles(unsigned int textureName) {
  auto found = Photographs().find(textureName);
  if (found == Photographs().end()) return;
  CTiledPhotograph& photo = found->second;
  if (!photo.context || !photo.context->makeCurrent(photo.surface)) return;
  int uploaded = 0;
  for (CTile& tile : photo.tiles)
    if (tile.name == 0 && uploaded < kTilesPerIdleTurn) {
      UploadTile(photo, tile);
      ++uploaded;
    }
  if (uploaded == kTilesPerIdleTurn)
    QTimer::singleShot(0, QCoreApplication::instance(), [textureName] { UploadSomeTiles(textureName); });
}

}  // namespace

unsigned int UploadPhotographTexture(const unsigned char* pixels, int width, int height) {
  static unsigned int lastName = 0;
  const unsigned int name = ++lastName == 0 ? ++lastName : lastName;
  CTiledPhotograph& photo = Photographs()[name];
  photo.pixels = pixels;
  photo.width = width;
  photo.height = height;
  photo.context = QOpenGLContext::currentContext();
  photo.surface = photo.context ? photo.context->surface() : nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const int tileSize = std::max(1, std::min(kPhotographTileSize, static_cast<int>(maxSize)));
  for (int y = 0; y < height; y += tileSize)
    for (int x = 0; x < width; x += tileSize)
      photo.tiles.push_back({x, y, std::min(tileSize, width - x), std::min(tileSize, height - y)});
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  // After the first frame, which uploads what it shows.
  QTimer::singleShot(0, QCoreApplication::instance(), [name] { UploadSomeTiles(name); });
  return name;
}

void DeletePhotographTexture(unsigned int textureName) {
  auto found = Photographs().find(textureName);
  if (found == Photographs().end()) return;
  for (const CTile& tile : found->second.tiles)
    if (tile.name != 0) glDeleteTextures(1, &tile.name);
  Photographs().erase(found);
}

void DrawPhotographTexture(unsigned int textureName, const CPhotographView& view) {
  auto found = Photographs().find(textureName);
  if (found == Photographs().end()) return;
  CTiledPhotograph& photo = found->second;
  glEnable(GL_TEXTURE_2D);
  for (CTile& tile : photo.tiles) {
    if (tile.x >= view.right || tile.x + tile.width <= view.left || tile.y >= view.top ||
        tile.y + tile.height <= view.bottom)
      continue;
    if (tile.name == 0) UploadTile(photo, tile);
    glBindTexture(GL_TEXTURE_2D, tile.name);
    if (view.zoom < 1 && !tile.mipmapped) MakeMipmaps(photo, tile);
    // Magnified photograph pixels are crisp squares; at zoom 1 and below, filtered.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, view.zoom > 1 ? GL_NEAREST : GL_LINEAR);
    glBegin(GL_QUADS);
    glTexCoord2d(0, 0);
    glVertex2i(tile.x, tile.y);
    glTexCoord2d(1, 0);
    glVertex2i(tile.x + tile.width, tile.y);
    glTexCoord2d(1, 1);
    glVertex2i(tile.x + tile.width, tile.y + tile.height);
    glTexCoord2d(0, 1);
    glVertex2i(tile.x, tile.y + tile.height);
    glEnd();
  }
  glDisable(GL_TEXTURE_2D);
}

bool PhotographTilesPending() {
  for (const auto& [name, photo] : Photographs())
    for (const CTile& tile : photo.tiles)
      if (tile.name == 0) return true;
  return false;
}
