// What to change when an aspect failed because its values broke a relation the variant's rules need:
// a negative size, or flats across a wafer's end discs wider than the discs. The symbol names what failed
// ("square root of a negative number (in runPDB2256)"); this names the values that made it fail, in the
// catalogue's own names and metres, and how to mend them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::catalog {

// The hint for a failed aspect of a part of `partDataBasis` that read `reads` (names and values, as
// refhost::AspectResult keeps them), or "" when no known relation is broken.
TCV_EXPORT std::string failureHint(int partDataBasis, const std::vector<std::pair<std::string, host::Variant>>& reads);

} // namespace tcv::catalog
