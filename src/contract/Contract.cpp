#include "tarncheckvalve/contract/Contract.h"

#include <algorithm>
#include <cctype>

namespace tcv::contract {

std::optional<Aspect> aspectNamed(std::string_view name) {
    // ASCII letters only, as the host's run time compares text when told to ignore case.
    const auto sameLetter = [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); };
    for (Aspect aspect : kAspects) {
        const std::string_view candidate = aspectName(aspect);
        if (std::ranges::equal(candidate, name, sameLetter)) return aspect;
    }
    return std::nullopt;
}

std::vector<std::string> allAspectNames() {
    std::vector<std::string> names;
    for (Aspect aspect : kAspects) names.emplace_back(aspectName(aspect));
    return names;
}

} // namespace tcv::contract
