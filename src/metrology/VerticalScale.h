#pragma once
// The relation between a vertical segment's image and its height. For the foot b (on the
// ground plane) and the top t of a vertical segment of height Z, with the vertical vanishing
// point Vz and the ground's vanishing line l:
//     A·Z = −σ·‖b × t'‖ / (d · ‖Vz × t'‖),   d = l · b,
// where t' is t moved orthogonally onto the image of the vertical through b (the line through b
// and Vz; for Vz at infinity, the line through b in its direction), and σ = sign((b × t') ·
// (Vz × t')) says whether t' lies on the same side of b as Vz does (σ = +1 when either is 0).
// The image of a vertical segment lies on that line; a top clicked beside it is read as the
// nearest point of it, so the height does not depend on how near the line passes the image
// centre (without the move, a pixel off the line changes the height by about 1/distance).
// With σ, A follows the sign of Vz and a top below its foot gets a negative height, so every
// measurement is the same whichever sign the vanishing points came out with. b and t are
// homogeneous centred points with third component 1.

#include <array>
#include <string>

// Beyond this distance from its foot's vertical, in pixels, a top is worth a warning: a careful
// click is off by about half a pixel.
inline constexpr double kTopOffVerticalWarningPixels = 2.0;

// t' above: t moved onto the line through b and vz; t itself when b and vz are the same point
// or vz is not set (no line).
std::array<double, 3> TopOnVertical(const double* b, const double* t, const double* vz);
// The distance of t from that line, in pixels; 0 when there is no line.
double TopDistanceFromVertical(const double* b, const double* t, const double* vz);

// What the user is told about a top this far off its foot's vertical: "" up to
// kTopOffVerticalWarningPixels, beyond it a warning that names the distance.
std::string TopOffVerticalWarning(double distancePixels);

// σ for the homogeneous centred points b, t and the vanishing point vz.
double VerticalOrientation(const double* b, const double* t, const double* vz);

// Solves the relation above for the unknown one of A and Z: the vertical scale A given the
// height Z, or the height Z given A, as −σ·‖b × t'‖ / ((d · ‖Vz × t'‖) · known).
double VerticalScaleOrHeight(const double* b, const double* t, const double* vz, const double* vanishingLine,
                             double known);
