#pragma once
// The suggestions of "Detect Segments..." over the photograph: accepted segments in their
// direction's colour two device pixels wide, segments the user turned off in a dark shade of
// it, outliers grey; and the rectangle being dragged (the region to search, or the rubber band
// that turns suggestions off). Positions are photograph positions, pixel x centred at x.

class CDetectionReview;

void DrawDetectionSuggestions(const CDetectionReview& review);
void DrawRectangleBand(double x0, double y0, double x1, double y1);
