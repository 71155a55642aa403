// How a number with a unit is written in catalogues and data files ("292mm", "11.5 in", "30deg"): blanks
// around it, an optional sign, a finite decimal number with an optional exponent (no hexadecimal, no
// "inf" or "nan"), then the unit, of which blanks are ignored and case does not matter.
#pragma once

#include <string>

#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Parts.h"

namespace tcv::refhost {

// Splits `text` into its number and its unit (lower case, "" when none); false when it does not read so.
TCV_EXPORT bool readNumberWithUnit(const std::string& text, double& number, std::string& unit);

// A port's nominal size as a length in metres: its number in inches for the size unit "in", in
// millimetres for "mm"; 0 for any other unit. The number is taken as it is (it may be negative or not
// finite): callers that need a usable length check it.
TCV_EXPORT double nominalSizeAsLength(const PortSpec& port);

// The host's units service, which reads such texts as lengths in metres (a plain number as metres).
TCV_EXPORT host::UnitsServicePtr makeUnitsService();

} // namespace tcv::refhost
