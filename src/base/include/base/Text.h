// Text comparison as the host's run time does it when told to ignore case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace tcv {

inline bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

} // namespace tcv
