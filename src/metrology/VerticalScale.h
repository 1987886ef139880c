#pragma once
// The relation between a vertical segment's image and its height. For the foot b (on the
// ground plane) and the top t of a vertical segment of height Z, with the vertical vanishing
// point Vz and the ground's vanishing line l:
//     A·Z = −σ·‖b × t‖ / (d · ‖Vz × t‖),   d = l · b,
// where σ = sign((b × t) · (Vz × t)) says whether t lies on the same side of b as Vz does
// (b, t and Vz are collinear, so the two cross products are parallel; σ = +1 when either is 0).
// With σ, A follows the sign of Vz and a top below its foot gets a negative height, so every
// measurement is the same whichever sign the vanishing points came out with.

// σ for the homogeneous centred points b, t and the vanishing point vz.
double VerticalOrientation(const double* b, const double* t, const double* vz);

// Solves the relation above for the unknown one of A and Z: the vertical scale A given the
// height Z, or the height Z given A, as −σ·‖b × t‖ / ((d · ‖Vz × t‖) · known).
double VerticalScaleOrHeight(const double* b, const double* t, const double* vz, const double* vanishingLine,
                             double known);
