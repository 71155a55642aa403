// Length units in metres: the one place the project states them. Catalogues, data files and reports give
// nominal sizes and diameters in inches or millimetres; the host and the symbol work in metres.
#pragma once

namespace tcv::host {

inline constexpr double kMetresPerInch = 0.0254; // exactly, by definition
inline constexpr double kMetresPerFoot = 0.3048; // exactly, by definition
inline constexpr double kMetresPerMillimetre = 0.001;
inline constexpr double kMetresPerCentimetre = 0.01;

} // namespace tcv::host
