#pragma once
// What was entered, drawn over the photograph with OpenGL 1.1 lines one device pixel wide: the
// segments of each direction in their colour (X red, Y green, Z blue) with the direction of each
// computed vanishing point, and the vanishing point itself as a small ringed cross where it lies
// at a finite position; the measured points as crosses labelled with their ids, the faces as
// outlines labelled with their numbers; the horizon (the ground plane's vanishing line, through
// the X and Y vanishing points) across the photograph and, once the camera is calibrated, its
// principal point as a small cross; once the reference parameters are set, the world origin
// with short X, Y and Z axes, the second ground point, and the reference segment from its foot
// to its top. Every line has a near-black outline one device pixel wide on each side, so it
// reads on light and dark photographs alike. Positions are photograph positions, pixel x
// centred at x; `zoom` gives the size of a device pixel in them.

#include "metrology/LineEndPoints.h"
#include "model/RecordArray.h"

#include <optional>
#include <set>

class CSingleImage;
struct CReferenceFields;

// Rows selected in the tables: points and faces by their index in the scene model, segments by
// their index in the drawn lines of their direction. They are drawn brighter and thicker.
struct COverlayHighlights {
  std::set<int> points;
  std::set<int> faces;
  std::set<int> segments[3];  // X, Y, Z

  bool operator==(const COverlayHighlights&) const = default;
};

// The colours of the directions X, Y and Z, as RGB.
inline constexpr float kDirectionColours[3][3] = {{1, 0.15f, 0.15f}, {0.15f, 0.9f, 0.15f}, {0.2f, 0.4f, 1}};

struct COverlayInput {
  const CSingleImage* model;
  const CRecordArray<CLineEndPoints>* lines[3];  // X, Y, Z
  double zoom;
  // GetParameter's fields as its last OK gave them; null before.
  const CReferenceFields* reference = nullptr;
  const COverlayHighlights* highlights = nullptr;
  // The focal length a one-point photograph's camera was given, for its principal point.
  std::optional<double> givenFocalPixels = {};
};

void DrawOverlays(const COverlayInput& input);

// The segment being drawn with the mouse, from and to photograph positions.
void DrawRubberBand(double x1, double y1, double x2, double y2);
