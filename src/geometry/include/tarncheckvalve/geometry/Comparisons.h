// Tolerant comparisons: every dimension test of the symbol goes through these, with tolerance 1e-7.
// The greater-than and less-than tests are lenient: a value within the tolerance of b counts as both
// greater and less than b.
#pragma once

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::geometry {

inline constexpr double kTolerance = 1e-7;

inline bool CmpDblEqual(double a, double b, double t) { return b - t <= a && a <= b + t; }
inline bool CmpDblGreaterthan(double a, double b, double t) { return a > b - t; }
inline bool CmpDblGreaterthanOrEqualTo(double a, double b, double t) { return a >= b - t; }
inline bool CmpDblLessThan(double a, double b, double t) { return a < b + t; }
inline bool CmpDblLessThanOrEqualTo(double a, double b, double t) { return a <= b + t; }

// The larger of two dimensions; the first wins within the tolerance.
TCV_EXPORT double GreaterDim(double a, double b);
// The smaller of two dimensions; the first wins within the tolerance.
TCV_EXPORT double SmallerDim(double a, double b);
// The diameter of an insulation shell of thickness c around the larger of a and b.
TCV_EXPORT double InsulatedDiameter(double a, double b, double c);

} // namespace tcv::geometry
