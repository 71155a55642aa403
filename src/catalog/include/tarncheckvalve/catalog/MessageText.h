// Text from input files shown in messages and on a terminal: quoted values are cut short, so a huge
// value cannot flood a message, and control characters are shown as escapes, so a name cannot move the
// cursor, recolour or retitle the terminal it is printed to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::catalog {

// The longest value, in characters, a message quotes whole.
inline constexpr std::size_t kQuotedValueLength = 80;

// `text` with its control characters (C0, DEL and C1) written as \n, \t, \r, \xNN or \u00NN escapes;
// anything else unchanged.
TCV_EXPORT std::string escapedControls(std::string_view text);

// `text` cut to `length` characters (whole UTF-8 sequences), with "..." and the full length in bytes
// added when something was cut; then escaped.
TCV_EXPORT std::string shownValue(std::string_view text, std::size_t length = kQuotedValueLength);

// A value for a message: shownValue in double quotes.
TCV_EXPORT std::string quotedValue(std::string_view text);

// The closest of `candidates` to `name` (by edit distance, ignoring case), or "" when none is close.
TCV_EXPORT std::string closestName(const std::string& name, const std::vector<std::string>& candidates);

} // namespace tcv::catalog
