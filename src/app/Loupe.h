#pragma once
// The loupe: a round picture of the view magnified around one photograph position, shown beside
// the cursor while something is placed or dragged. OpenGL 1.1 has no offscreen target, so the
// magnified picture is drawn first into the square the loupe will cover and copied into a
// texture; the frame is then drawn over it and the texture laid on top as a disc. Squares are in
// window coordinates of OpenGL (device pixels, y upwards).

struct CLoupeSquare {
  int x = 0, y = 0, size = 0;
};

// Beside the cursor (device position, y downwards), above and to the right where it fits, inside
// the client area; size 0 where the area is smaller than the loupe.
CLoupeSquare PlaceLoupe(double cursorX, double cursorY, int clientWidth, int clientHeight, int size);

// Viewport and scissor on the square, cleared, and the projection of the photograph's world
// (pixel x spans [x, x + 1]) around `centreX`, `centreY` at `zoom` device pixels a pixel.
void BeginLoupeContent(const CLoupeSquare& square, double centreX, double centreY, double zoom);
// Copies the square into `texture` (made on first use) and ends the scissor.
void EndLoupeContent(const CLoupeSquare& square, unsigned int& texture);
// Lays the texture over the frame as a disc with a dark and a light rim and a mark around its
// centre, with a projection of the client area's device pixels.
void DrawLoupeDisc(const CLoupeSquare& square, unsigned int texture, int clientWidth, int clientHeight);
