#include "app/PhotographTexture.h"

#include "services/Services.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#ifndef GL_GENERATE_MIPMAP
#define GL_GENERATE_MIPMAP 0x8191
#endif

namespace {

bool TakesTexturesOfAnySize() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version && version[0] >= '2' && version[0] <= '9') return true;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions && std::strstr(extensions, "GL_ARB_texture_non_power_of_two");
}

}  // namespace

unsigned int UploadPhotographTexture(const unsigned char* pixels, int width, int height) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);

  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const bool fits = width <= maxSize && height <= maxSize;
  if (fits && TakesTexturesOfAnySize()) {
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  } else {
    if (!fits)
      Trace("the photograph of %d x %d pixels is larger than the texture limit of %d: it is shown rescaled\n",
            width, height, maxSize);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  }
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  return name;
}

void DeletePhotographTexture(unsigned int textureName) {
  const GLuint name = textureName;
  glDeleteTextures(1, &name);
}
