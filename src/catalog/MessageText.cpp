#include "tarncheckvalve/catalog/MessageText.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace tcv::catalog {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::string hexEscape(const char* format, unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

} // namespace

std::string escapedControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // C1 controls arrive as two-byte UTF-8 sequences (U+0080..U+009F).
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                out += hexEscape("\\u%04X", next);
                ++i;
                continue;
            }
        }
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c == 0x7F)
            out += hexEscape("\\x%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string shownValue(std::string_view text, std::size_t length) {
    std::size_t end = 0;
    for (std::size_t characters = 0; end < text.size() && characters < length; ++characters) {
        ++end;
        while (end < text.size() && isContinuation(static_cast<unsigned char>(text[end]))) ++end;
    }
    if (end >= text.size()) return escapedControls(text);
    return escapedControls(text.substr(0, end)) + "... (" + std::to_string(text.size()) + " bytes)";
}

std::string quotedValue(std::string_view text) {
    // Appended piece by piece: GCC 12 warns falsely of overlapping copies for "literal" + string at -O3.
    std::string quoted(1, '"');
    quoted += shownValue(text);
    quoted += '"';
    return quoted;
}

std::string closestName(const std::string& name, const std::vector<std::string>& candidates) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    const std::string a = lower(name);
    std::string best;
    std::size_t bestDistance = std::numeric_limits<std::size_t>::max();
    for (const auto& candidate : candidates) {
        const std::string b = lower(candidate);
        std::vector<std::size_t> row(b.size() + 1);
        for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= a.size(); ++i) {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= b.size(); ++j) {
                std::size_t above = row[j];
                row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
                diagonal = above;
            }
        }
        if (row[b.size()] < bestDistance) bestDistance = row[b.size()], best = candidate;
    }
    // Close means at most a third of the name differs.
    return bestDistance <= std::max<std::size_t>(2, name.size() / 3) ? best : std::string();
}

} // namespace tcv::catalog
