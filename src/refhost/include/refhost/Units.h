// How a number with a unit is written in catalogues and data files ("292mm", "11.5 in", "30deg"): blanks
// around it, an optional sign, a finite decimal number with an optional exponent (no hexadecimal, no
// "inf" or "nan"), then the unit, of which blanks are ignored and case does not matter.
#pragma once

#include <string>

#include "host/Export.h"

namespace tcv::refhost {

// Splits `text` into its number and its unit (lower case, "" when none); false when it does not read so.
TCV_EXPORT bool readNumberWithUnit(const std::string& text, double& number, std::string& unit);

} // namespace tcv::refhost
