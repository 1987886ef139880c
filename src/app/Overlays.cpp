#include "app/Overlays.h"

#include "camera/Calibration.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/WorldAxes.h"
#include "model/SingleImage.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

using CColour = std::array<float, 3>;

CColour DirectionColour(int axis) {
  return {kDirectionColours[axis][0], kDirectionColours[axis][1], kDirectionColours[axis][2]};
}

constexpr CColour kPointColour = {1, 1, 0.2f};
constexpr CColour kFaceColour = {1, 0.4f, 1};
constexpr CColour kCameraColour = {0.2f, 0.9f, 0.9f};
constexpr CColour kReferenceColour = {1, 0.6f, 0.1f};
// Under every coloured line, wider by one device pixel on each side.
constexpr CColour kOutlineColour = {0.05f, 0.05f, 0.05f};
// A highlighted row's lines: this much nearer to white, and this wide in device pixels.
constexpr float kHighlightBrightening = 0.35f;
constexpr float kHighlightWidth = 3;
// Sizes in device pixels.
constexpr double kVanishingPointRadius = 7;
constexpr double kVanishingPointArm = 11;
constexpr double kAxisLength = 40;
constexpr double kReferenceMark = 5;
// Farther than this from the photograph (in photograph pixels) a mark is off every view, and
// single-precision vertices would lose it anyway.
constexpr double kFarthestMark = 1e7;

// One line strip, loop or set of lines in photograph positions, pixel x centred at x.
struct CStroke {
  GLenum mode = GL_LINES;
  CColour colour{};
  float width = 1;
  bool dashed = false;
  std::vector<std::array<double, 2>> vertices;
};

CColour Brightened(const CColour& colour) {
  return {colour[0] + (1 - colour[0]) * kHighlightBrightening, colour[1] + (1 - colour[1]) * kHighlightBrightening,
          colour[2] + (1 - colour[2]) * kHighlightBrightening};
}

class CStrokes {
 public:
  CStroke& Add(GLenum mode, const CColour& colour, bool highlighted = false) {
    m_strokes.push_back({mode, highlighted ? Brightened(colour) : colour, highlighted ? kHighlightWidth : 1, false, {}});
    return m_strokes.back();
  }

  // Each stroke first in the outline's colour, wider, then every stroke in its own colour, so
  // no outline covers a coloured line.
  void Draw() const {
    for (const bool outline : {true, false})
      for (const CStroke& stroke : m_strokes) {
        const CColour& colour = outline ? kOutlineColour : stroke.colour;
        glColor3f(colour[0], colour[1], colour[2]);
        glLineWidth(outline ? stroke.width + 2 : stroke.width);
        if (stroke.dashed) {
          glEnable(GL_LINE_STIPPLE);
          glLineStipple(2, 0x5555);
        }
        glBegin(stroke.mode);
        for (const auto& v : stroke.vertices) glVertex2d(v[0] + 0.5, v[1] + 0.5);
        glEnd();
        if (stroke.dashed) glDisable(GL_LINE_STIPPLE);
      }
    glLineWidth(1);
  }

 private:
  std::vector<CStroke> m_strokes;
};

// A digit as seven segments in a 1 × 2 box: a (top), b, c, d (bottom), e, f, g (middle).
void AddDigits(CStroke& stroke, const std::string& text, double x, double y, double height) {
  static const char* kSegments[10] = {"abcdef", "bc", "abged", "abgcd", "fgbc", "afgcd", "afgedc", "abc", "abcdefg", "abcdfg"};
  const double size = height / 2;
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
      stroke.vertices.push_back({x + from[0] * size, y + from[1] * size});
      stroke.vertices.push_back({x + to[0] * size, y + to[1] * size});
    }
    x += 1.6 * size;
  }
}

void AddCross(CStroke& stroke, double x, double y, double arm) {
  stroke.vertices.push_back({x - arm, y}), stroke.vertices.push_back({x + arm, y});
  stroke.vertices.push_back({x, y - arm}), stroke.vertices.push_back({x, y + arm});
}

void AddCircle(CStrokes& strokes, const CColour& colour, double x, double y, double radius) {
  constexpr int kSides = 24;
  CStroke& circle = strokes.Add(GL_LINE_LOOP, colour);
  for (int k = 0; k < kSides; ++k) {
    const double angle = 2 * std::numbers::pi * k / kSides;
    circle.vertices.push_back({x + radius * std::cos(angle), y + radius * std::sin(angle)});
  }
}

// The horizon, a·u + b·v + c = 0 in centred positions, where it crosses the photograph.
void AddHorizon(CStrokes& strokes, const CSingleImage& model, double hw, double hh) {
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
  CStroke& horizon = strokes.Add(GL_LINES, kCameraColour);
  horizon.vertices.push_back({crossings.front()[0] + hw, crossings.front()[1] + hh});
  horizon.vertices.push_back({crossings.back()[0] + hw, crossings.back()[1] + hh});
}

void AddDirections(CStrokes& strokes, const COverlayInput& in, double hw, double hh, double pixel) {
  const CSingleImage& model = *in.model;
  const double* vanishing[3] = {model.m_Vx, model.m_Vy, model.m_Vz};
  for (int axis = 0; axis < 3; ++axis) {
    const CRecordArray<CLineEndPoints>& lines = *in.lines[axis];
    for (int i = 0; i < lines.GetCount(); ++i) {
      const CLineEndPoints& s = *lines.ElementAt(i);
      const bool highlighted = in.highlights && in.highlights->segments[axis].count(i) != 0;
      CStroke& segment = strokes.Add(GL_LINES, DirectionColour(axis), highlighted);
      segment.vertices.push_back({s.m_Point1[0] + hw, s.m_Point1[1] + hh});
      segment.vertices.push_back({s.m_Point2[0] + hw, s.m_Point2[1] + hh});
    }
    // The vanishing point's direction, from the photograph's centre towards it.
    const double* v = vanishing[axis];
    const double length = std::hypot(v[0], v[1]);
    if (length == 0) continue;
    const double reach = 0.45 * std::hypot(model.GetWidth(), model.GetHeight());
    double dx = v[0] / length * reach, dy = v[1] / length * reach;
    const bool finite = std::fabs(v[2]) > 1e-12;
    if (finite) {
      const double fx = v[0] / v[2], fy = v[1] / v[2];
      if (std::hypot(fx, fy) < reach) dx = fx, dy = fy;
      else dx = fx / std::hypot(fx, fy) * reach, dy = fy / std::hypot(fx, fy) * reach;
    }
    CStroke& direction = strokes.Add(GL_LINES, DirectionColour(axis));
    direction.dashed = true;
    direction.vertices.push_back({hw, hh});
    direction.vertices.push_back({hw + dx, hh + dy});
    // The vanishing point itself, where the view may show it.
    if (!finite) continue;
    const double x = v[0] / v[2] + hw, y = v[1] / v[2] + hh;
    if (!(std::fabs(x) < kFarthestMark && std::fabs(y) < kFarthestMark)) continue;
    AddCircle(strokes, DirectionColour(axis), x, y, kVanishingPointRadius * pixel);
    AddCross(strokes.Add(GL_LINES, DirectionColour(axis)), x, y, kVanishingPointArm * pixel);
  }
}

// The world origin with its axes, the second ground point and the reference segment.
void AddReferences(CStrokes& strokes, const COverlayInput& in, double hw, double hh, double pixel) {
  if (const std::optional<CWorldAxesImage> axes = WorldAxesInImage(*in.model)) {
    const double x = axes->origin[0] + hw, y = axes->origin[1] + hh;
    if (std::fabs(x) < kFarthestMark && std::fabs(y) < kFarthestMark) {
      for (int axis = 0; axis < 3; ++axis) {
        if (!axes->direction[axis]) continue;
        CStroke& line = strokes.Add(GL_LINES, DirectionColour(axis));
        line.vertices.push_back({x, y});
        line.vertices.push_back({x + (*axes->direction[axis])[0] * kAxisLength * pixel,
                                 y + (*axes->direction[axis])[1] * kAxisLength * pixel});
      }
      AddCircle(strokes, kReferenceColour, x, y, kReferenceMark * pixel);
    }
  }
  if (!in.reference) return;
  const CReferenceFields& f = *in.reference;
  // The second ground point: a diamond.
  CStroke& ground = strokes.Add(GL_LINE_LOOP, kReferenceColour);
  const double m = kReferenceMark * pixel;
  ground.vertices = {{f.m_PointU + m, f.m_PointV}, {f.m_PointU, f.m_PointV + m}, {f.m_PointU - m, f.m_PointV},
                     {f.m_PointU, f.m_PointV - m}};
  // The reference segment from its foot to its top, with a tick across each end.
  CStroke& segment = strokes.Add(GL_LINES, kReferenceColour);
  segment.vertices = {{f.m_bU, f.m_bV}, {f.m_tU, f.m_tV}};
  const double dx = f.m_tU - f.m_bU, dy = f.m_tV - f.m_bV, length = std::hypot(dx, dy);
  if (length > 0) {
    const double nx = -dy / length * m, ny = dx / length * m;
    for (const auto& end : {std::array<double, 2>{f.m_bU, f.m_bV}, std::array<double, 2>{f.m_tU, f.m_tV}}) {
      segment.vertices.push_back({end[0] - nx, end[1] - ny});
      segment.vertices.push_back({end[0] + nx, end[1] + ny});
    }
  }
}

void AddFacesAndPoints(CStrokes& strokes, const COverlayInput& in, double hw, double hh, double pixel) {
  const CSingleImage& model = *in.model;
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
    const bool highlighted = in.highlights && in.highlights->faces.count(f) != 0;
    CStroke& outline = strokes.Add(GL_LINE_LOOP, kFaceColour, highlighted);
    for (int k = 0; k < 4; ++k) outline.vertices.push_back({x[k], y[k]});
    AddDigits(strokes.Add(GL_LINES, kFaceColour), std::to_string(f), (x[0] + x[1] + x[2] + x[3]) / 4,
              (y[0] + y[1] + y[2] + y[3]) / 4, 12 * pixel);
  }
  for (int i = 0; i < model.m_Points.GetCount(); ++i) {
    const CViewPoint& p = *model.m_Points.ElementAt(i);
    const double x = p.m_u + hw, y = p.m_v + hh;
    const bool highlighted = in.highlights && in.highlights->points.count(i) != 0;
    AddCross(strokes.Add(GL_LINES, kPointColour, highlighted), x, y, (highlighted ? 6 : 4) * pixel);
    AddDigits(strokes.Add(GL_LINES, kPointColour), std::to_string(p.m_id), x + 5 * pixel, y + 4 * pixel, 10 * pixel);
  }
}

}  // namespace

void DrawOverlays(const COverlayInput& in) {
  const CSingleImage& model = *in.model;
  const double hw = model.GetWidth() / 2.0, hh = model.GetHeight() / 2.0;
  const double pixel = 1 / in.zoom;  // one device pixel, in photograph pixels
  CStrokes strokes;
  AddDirections(strokes, in, hw, hh, pixel);
  AddHorizon(strokes, model, hw, hh);
  if (const CCameraCalibration camera = CalibrateCamera(model, in.givenFocalPixels); camera.IsValid()) {
    const double x = camera.principalPoint[0] + hw, y = camera.principalPoint[1] + hh, arm = 6 * pixel;
    CStroke& cross = strokes.Add(GL_LINES, kCameraColour);
    cross.vertices = {{x - arm, y - arm}, {x + arm, y + arm}, {x - arm, y + arm}, {x + arm, y - arm}};
  }
  AddReferences(strokes, in, hw, hh, pixel);
  AddFacesAndPoints(strokes, in, hw, hh, pixel);

  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  strokes.Draw();
  glColor3f(1, 1, 1);
  glEnable(GL_DEPTH_TEST);
}

void DrawRubberBand(double x1, double y1, double x2, double y2) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  CStrokes strokes;
  CStroke& band = strokes.Add(GL_LINES, {1, 1, 1});
  band.vertices = {{x1, y1}, {x2, y2}};
  strokes.Draw();
  glEnable(GL_DEPTH_TEST);
}
