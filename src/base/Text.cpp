#include "tarncheckvalve/base/Text.h"

#include <algorithm>
#include <cctype>

namespace tcv::base {

namespace {

char lowerCased(unsigned char c) { return static_cast<char>(std::tolower(c)); }

} // namespace

std::string toLower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](unsigned char c) { return lowerCased(c); });
    return result;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return lowerCased(x) == lowerCased(y);
           });
}

std::string trim(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string_view::npos) return {};
    return std::string(text.substr(begin, text.find_last_not_of(blanks) - begin + 1));
}

} // namespace tcv::base
