#include "app/DetectionOverlay.h"

#include "app/Overlays.h"
#include "session/DetectionReview.h"

#include <GL/gl.h>

namespace {

constexpr float kOutlierGrey = 0.6f;
constexpr float kTurnedOffShade = 0.4f;  // of the direction's colour

void Vertex(double x, double y) { glVertex2d(x + 0.5, y + 0.5); }

}  // namespace

void DrawDetectionSuggestions(const CDetectionReview& review) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  // Outliers and turned-off segments first, thin, so the accepted ones lie on top.
  glLineWidth(1);
  glBegin(GL_LINES);
  for (const CSuggestedSegment& s : review.Segments()) {
    if (s.axis != kOutlier && s.accepted) continue;
    if (s.axis == kOutlier)
      glColor3f(kOutlierGrey, kOutlierGrey, kOutlierGrey);
    else
      glColor3f(kDirectionColours[s.axis][0] * kTurnedOffShade, kDirectionColours[s.axis][1] * kTurnedOffShade,
                kDirectionColours[s.axis][2] * kTurnedOffShade);
    Vertex(s.segment.x1, s.segment.y1);
    Vertex(s.segment.x2, s.segment.y2);
  }
  glEnd();
  glLineWidth(2);
  glBegin(GL_LINES);
  for (const CSuggestedSegment& s : review.Segments()) {
    if (s.axis == kOutlier || !s.accepted) continue;
    glColor3fv(kDirectionColours[s.axis]);
    Vertex(s.segment.x1, s.segment.y1);
    Vertex(s.segment.x2, s.segment.y2);
  }
  glEnd();
  glLineWidth(1);
  glColor3f(1, 1, 1);
  glEnable(GL_DEPTH_TEST);
}

void DrawRectangleBand(double x0, double y0, double x1, double y1) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glColor3f(1, 1, 1);
  glEnable(GL_LINE_STIPPLE);
  glLineStipple(1, 0x0F0F);
  glBegin(GL_LINE_LOOP);
  Vertex(x0, y0);
  Vertex(x1, y0);
  Vertex(x1, y1);
  Vertex(x0, y1);
  glEnd();
  glDisable(GL_LINE_STIPPLE);
  glEnable(GL_DEPTH_TEST);
}
