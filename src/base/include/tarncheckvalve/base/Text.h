// Text helpers: comparison and lower-casing as the host's run time does them when told to ignore case
// (ASCII letters only), and trimming of the blanks a document reader leaves around element text.
#pragma once

#include <string>
#include <string_view>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::base {

// `text` with its ASCII capitals made small; every other byte unchanged.
TCV_EXPORT std::string toLower(std::string_view text);

// True when `a` and `b` are the same text but for the case of ASCII letters.
TCV_EXPORT bool equalsIgnoringCase(std::string_view a, std::string_view b);

// `text` without the spaces, tabs, carriage returns and line feeds at either end.
TCV_EXPORT std::string trim(std::string_view text);

} // namespace tcv::base
