#include "app/Overlays.h"

#include "camera/Calibration.h"
#include "model/SingleImage.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr float kPointColour[3] = {1, 1, 0.2f};
constexpr float kFaceColour[3] = {1, 0.4f, 1};
constexpr float kCameraColour[3] = {0.2f, 0.9f, 0.9f};

// Photograph position (pixel centre at x) to the world of the view's projection.
void Vertex(double x, double y) { glVertex2d(x + 0.5, y + 0.5); }

// A digit as seven segments in a 1 × 2 box: a (top), b, c, d (bottom), e, f, g (middle).
void DrawDigits(const std::string& text, double x, double y, double height) {
  static const char* kSegments[10] = {"abcdef", "bc", "abged", "abgcd", "fgbc", "afgcd", "afgedc", "abc", "abcdefg", "abcdfg"};
  const double size = height / 2;
  glBegin(GL_LINES);
  for (char c : text) {
    const char* lit = c == '-' ? "g" : (c >= '0' && c <= '9' ? kSegments[c - '0'] : "");
    for (const char* segment = lit; *segment; ++segment) {
      double from[2], to[2];
      switch (*segment) {
        case 'a': from[0] = 0, from[1] = 2, to[0] = 1, to[1] = 2; break;
        case 'b': from[0] = 1, from[1] = 2, to[0] = 1, to[1] = 1; break;
        case 'c': from[0] = 1, from[1] = 1, to[0] = 1, to[1] = 0; break;
        case 'd': from[0] = 0, from[1] = 0, to[0] = 1, to[1] = 0; break;
        case 'e': from[0] = 0, from[1] = 0, to[0] = 0, to[1] = 1; break;
        case 'f': from[0] = 0, from[1] = 1, to[0] = 0, to[1] = 2; break;
        default: from[0] = 0, from[1] = 1, to[0] = 1, to[1] = 1; break;
      }
      Vertex(x + from[0] * size, y + from[1] * size);
      Vertex(x + to[0] * size, y + to[1] * size);
    }
    x += 1.6 * size;
  }
  glEnd();
}

// The horizon, a·u + b·v + c = 0 in centred positions, where it crosses the photograph.
void DrawHorizon(const CSingleImage& model, double hw, double hh) {
  const double* x = model.m_Vx;
  const double* y = model.m_Vy;
  const double a = x[1] * y[2] - x[2] * y[1], b = x[2] * y[0] - x[0] * y[2], c = x[0] * y[1] - x[1] * y[0];
  const double scale = std::hypot(a, b);
  if (!(scale > 0) || !std::isfinite(scale)) return;
  std::vector<std::array<double, 2>> crossings;
  for (const double u : {-hw, hw})
    if (b != 0) {
      const double v = -(a * u + c) / b;
      if (std::fabs(v) <= hh) crossings.push_back({u, v});
    }
  for (const double v : {-hh, hh})
    if (a != 0) {
      const double u = -(b * v + c) / a;
      if (std::fabs(u) <= hw) crossings.push_back({u, v});
    }
  if (crossings.size() < 2) return;
  glBegin(GL_LINES);
  Vertex(crossings.front()[0] + hw, crossings.front()[1] + hh);
  Vertex(crossings.back()[0] + hw, crossings.back()[1] + hh);
  glEnd();
}

}  // namespace

void DrawOverlays(const COverlayInput& in) {
  const CSingleImage& model = *in.model;
  const double hw = model.GetWidth() / 2.0, hh = model.GetHeight() / 2.0;
  const double pixel = 1 / in.zoom;  // one device pixel, in photograph pixels
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glLineWidth(1);

  const double* vanishing[3] = {model.m_Vx, model.m_Vy, model.m_Vz};
  for (int axis = 0; axis < 3; ++axis) {
    glColor3fv(kDirectionColours[axis]);
    const CRecordArray<CLineEndPoints>& lines = *in.lines[axis];
    glBegin(GL_LINES);
    for (int i = 0; i < lines.GetCount(); ++i) {
      const CLineEndPoints& s = *lines.ElementAt(i);
      Vertex(s.m_Point1[0] + hw, s.m_Point1[1] + hh);
      Vertex(s.m_Point2[0] + hw, s.m_Point2[1] + hh);
    }
    glEnd();
    // The vanishing point's direction, from the photograph's centre towards it.
    const double* v = vanishing[axis];
    const double length = std::hypot(v[0], v[1]);
    if (length == 0) continue;
    const double reach = 0.45 * std::hypot(model.GetWidth(), model.GetHeight());
    double dx = v[0] / length * reach, dy = v[1] / length * reach;
    if (std::fabs(v[2]) > 1e-12) {
      const double fx = v[0] / v[2], fy = v[1] / v[2];
      if (std::hypot(fx, fy) < reach) dx = fx, dy = fy;
      else dx = fx / std::hypot(fx, fy) * reach, dy = fy / std::hypot(fx, fy) * reach;
    }
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(2, 0x5555);
    glBegin(GL_LINES);
    Vertex(hw, hh);
    Vertex(hw + dx, hh + dy);
    glEnd();
    glDisable(GL_LINE_STIPPLE);
  }

  glColor3fv(kCameraColour);
  DrawHorizon(model, hw, hh);
  if (const CCameraCalibration camera = CalibrateCamera(model); camera.IsValid()) {
    const double x = camera.principalPoint[0] + hw, y = camera.principalPoint[1] + hh;
    glBegin(GL_LINES);
    Vertex(x - 6 * pixel, y - 6 * pixel), Vertex(x + 6 * pixel, y + 6 * pixel);
    Vertex(x - 6 * pixel, y + 6 * pixel), Vertex(x + 6 * pixel, y - 6 * pixel);
    glEnd();
  }

  glColor3fv(kFaceColour);
  for (int f = 0; f < model.m_Textures.GetCount(); ++f) {
    const CTextureImage& face = *model.m_Textures.ElementAt(f);
    double x[4], y[4];
    bool complete = true;
    for (int k = 0; k < 4 && complete; ++k) {
      const int index = model.FindPointIndex(face.m_pointId[k]);
      complete = index >= 0;
      if (complete) x[k] = model.m_Points.ElementAt(index)->m_u + hw, y[k] = model.m_Points.ElementAt(index)->m_v + hh;
    }
    if (!complete) continue;
    glBegin(GL_LINE_LOOP);
    for (int k = 0; k < 4; ++k) Vertex(x[k], y[k]);
    glEnd();
    DrawDigits(std::to_string(f), (x[0] + x[1] + x[2] + x[3]) / 4, (y[0] + y[1] + y[2] + y[3]) / 4, 9 * pixel);
  }

  glColor3fv(kPointColour);
  for (int i = 0; i < model.m_Points.GetCount(); ++i) {
    const CViewPoint& p = *model.m_Points.ElementAt(i);
    const double x = p.m_u + hw, y = p.m_v + hh;
    glBegin(GL_LINES);
    Vertex(x - 4 * pixel, y), Vertex(x + 4 * pixel, y);
    Vertex(x, y - 4 * pixel), Vertex(x, y + 4 * pixel);
    glEnd();
    DrawDigits(std::to_string(p.m_id), x + 4 * pixel, y + 3 * pixel, 7 * pixel);
  }
  glColor3f(1, 1, 1);
  glEnable(GL_DEPTH_TEST);
}

void DrawRubberBand(double x1, double y1, double x2, double y2) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glColor3f(1, 1, 1);
  glBegin(GL_LINES);
  Vertex(x1, y1);
  Vertex(x2, y2);
  glEnd();
  glEnable(GL_DEPTH_TEST);
}
