#pragma once
// Tests for the inputs that make a measurement meaningless, so that the user is told instead
// of being shown a number that only looks like one.

#include <string>
#include <vector>

// Relative size below which a quantity counts as zero against the sizes it is made of.
inline constexpr double kDegenerateRelative = 1e-12;

// The homogeneous point lies on the line (l · p negligible against ‖l‖·‖p‖).
bool LiesOnLine(const double* line, const double* point);
// The two homogeneous points are the same image point.
bool SamePoint(const double* p, const double* q);
// The 3 × 3 matrix (row pointers) is singular or not finite: its determinant is negligible
// against the product of its column lengths.
bool IsSingular3x3(double** M);

// The causes found as one message, one cause a line; "" when there is none.
std::string JoinCauses(const std::vector<std::string>& causes);
