#include "app/Loupe.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kCursorGap = 24;  // device pixels between the cursor and the loupe's square
constexpr int kDiscSides = 64;
constexpr double kPi = 3.14159265358979323846;

void Circle(double cx, double cy, double radius) {
  glBegin(GL_LINE_LOOP);
  for (int k = 0; k < kDiscSides; ++k)
    glVertex2d(cx + radius * std::cos(2 * kPi * k / kDiscSides), cy + radius * std::sin(2 * kPi * k / kDiscSides));
  glEnd();
}

}  // namespace

CLoupeSquare PlaceLoupe(double cursorX, double cursorY, int clientWidth, int clientHeight, int size) {
  if (clientWidth < size || clientHeight < size) return {};
  double left = cursorX + kCursorGap;
  if (left + size > clientWidth) left = cursorX - kCursorGap - size;
  double top = cursorY - kCursorGap - size;  // y downwards
  if (top < 0) top = cursorY + kCursorGap;
  left = std::clamp(left, 0.0, static_cast<double>(clientWidth - size));
  top = std::clamp(top, 0.0, static_cast<double>(clientHeight - size));
  const int x = static_cast<int>(std::lround(left)), y = static_cast<int>(std::lround(top));
  return {x, clientHeight - y - size, size};
}

void BeginLoupeContent(const CLoupeSquare& square, double centreX, double centreY, double zoom) {
  glViewport(square.x, square.y, square.size, square.size);
  glScissor(square.x, square.y, square.size, square.size);
  glEnable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const double half = square.size / 2.0 / zoom;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(centreX - half, centreX + half, centreY - half, centreY + half, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslated(0, 0, 1);
}

void EndLoupeContent(const CLoupeSquare& square, unsigned int& texture) {
  if (texture == 0) glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, square.x, square.y, square.size, square.size, 0);
  // Laid on one to one: no mipmaps, no blending of neighbours.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_SCISSOR_TEST);
}

void DrawLoupeDisc(const CLoupeSquare& square, unsigned int texture, int clientWidth, int clientHeight) {
  glViewport(0, 0, clientWidth, clientHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, clientWidth, 0, clientHeight, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  const double radius = square.size / 2.0;
  const double cx = square.x + radius, cy = square.y + radius;
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glColor3f(1, 1, 1);
  glBegin(GL_TRIANGLE_FAN);
  glTexCoord2d(0.5, 0.5);
  glVertex2d(cx, cy);
  for (int k = 0; k <= kDiscSides; ++k) {
    const double c = std::cos(2 * kPi * k / kDiscSides), s = std::sin(2 * kPi * k / kDiscSides);
    glTexCoord2d(0.5 + 0.5 * c, 0.5 + 0.5 * s);
    glVertex2d(cx + radius * c, cy + radius * s);
  }
  glEnd();
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  // A rim that shows on light and dark photographs, and a mark that leaves the centre free.
  glColor3f(0, 0, 0);
  Circle(cx, cy, radius + 0.5);
  glColor3f(1, 1, 1);
  Circle(cx, cy, radius - 0.5);
  glBegin(GL_LINES);
  for (const double direction : {0.0, 0.5, 1.0, 1.5}) {
    const double c = std::cos(kPi * direction), s = std::sin(kPi * direction);
    glVertex2d(cx + 6 * c, cy + 6 * s);
    glVertex2d(cx + 12 * c, cy + 12 * s);
  }
  glEnd();
  glEnable(GL_DEPTH_TEST);
}
