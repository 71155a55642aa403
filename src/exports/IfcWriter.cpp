#include "tarncheckvalve/exports/IfcWriter.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace tcv::exports::p21 {

namespace {

// Decodes one UTF-8 character at `at`, advancing it; malformed or overlong sequences give U+FFFD.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    constexpr char32_t kReplacement = 0xFFFD;
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t point = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        point = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < extra; ++i) {
        if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) return kReplacement;
        point = (point << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    static constexpr std::array<char32_t, 4> kSmallest{0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return kReplacement;
    return point;
}

void appendHex16(std::string& out, unsigned unit) {
    static constexpr const char* kDigits = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(unit >> shift) & 0xF];
}

bool printableAscii(char32_t point) { return point >= 0x20 && point <= 0x7E; }

std::uint64_t fnv1a(std::string_view text, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001B3ULL;
    }
    // A final mix so that keys differing in their last character differ in every bit.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ULL;
    hash ^= hash >> 33;
    return hash;
}

} // namespace

Value string(std::string_view utf8) {
    std::string out = "'";
    bool inHex = false;
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t point = nextCodePoint(utf8, at);
        if (printableAscii(point)) {
            if (inHex) out += "\\X0\\";
            inHex = false;
            if (point == '\'')
                out += "''";
            else if (point == '\\')
                out += "\\\\";
            else
                out += static_cast<char>(point);
            continue;
        }
        if (!inHex) out += "\\X2\\";
        inHex = true;
        if (point > 0xFFFF) { // a surrogate pair
            const char32_t offset = point - 0x10000;
            appendHex16(out, 0xD800 + static_cast<unsigned>(offset >> 10));
            appendHex16(out, 0xDC00 + static_cast<unsigned>(offset & 0x3FF));
        } else {
            appendHex16(out, static_cast<unsigned>(point));
        }
    }
    if (inHex) out += "\\X0\\";
    return out + "'";
}

Value real(double value) {
    if (!std::isfinite(value)) throw std::invalid_argument("a real in an ISO 10303-21 file must be finite");
    if (value == 0) value = 0; // no "-0."
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc()) throw std::invalid_argument("a real could not be formatted");
    std::string text(buffer.data(), end);
    const std::size_t exponent = text.find('e');
    std::string mantissa = text.substr(0, exponent);
    if (mantissa.find('.') == std::string::npos) mantissa += '.';
    if (exponent == std::string::npos) return mantissa;
    return mantissa + "E" + text.substr(exponent + 1);
}

Value realRounded(double value, int decimals) {
    if (!std::isfinite(value)) throw std::invalid_argument("a real in an ISO 10303-21 file must be finite");
    std::array<char, 400> buffer{};
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    if (error != std::errc()) throw std::invalid_argument("a real could not be formatted");
    std::string text(buffer.data(), end);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
    } else {
        text += '.';
    }
    if (text == "-0." || text == "-.") text = "0.";
    return text;
}

Value integer(long long value) { return std::to_string(value); }

Value boolean(bool value) { return value ? ".T." : ".F."; }

Value enumeration(std::string_view name) { return "." + std::string(name) + "."; }

Value ref(std::size_t id) { return "#" + std::to_string(id); }

Value list(const std::vector<Value>& items) {
    std::string out = "(";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ',';
        out += items[i];
    }
    return out + ")";
}

Value typed(std::string_view type, const Value& value) { return std::string(type) + "(" + value + ")"; }

std::string globalId(std::string_view key) {
    static constexpr const char* kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_$";
    std::uint64_t high = fnv1a(key, 0xCBF29CE484222325ULL);
    std::uint64_t low = fnv1a(key, 0x84222325CBF29CE4ULL);
    // Marked as a name-based identifier of the RFC 9562 "custom" version 8, variant 10.
    high = (high & ~0xF000ULL) | 0x8000ULL;
    low = (low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;
    // 128 bits: the first character carries the top 2, each of the other 21 the next 6.
    std::string id(22, '0');
    for (std::size_t i = 21; i > 0; --i) {
        id[i] = kAlphabet[low & 0x3F];
        low = (low >> 6) | (high << 58);
        high >>= 6;
    }
    id[0] = kAlphabet[low & 0x3];
    return id;
}

std::size_t Writer::add(std::string_view type, const std::vector<Value>& attributes) {
    const std::size_t id = ++count_;
    data_ += ref(id);
    data_ += '=';
    for (char c : type) data_ += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    data_ += list(attributes);
    data_ += ";\n";
    return id;
}

std::int64_t fileMoment() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (errno == 0 && *end == '\0' && seconds >= 0) return seconds;
    }
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string isoTimeStamp(std::int64_t secondsSince1970) {
    const auto moment = static_cast<std::time_t>(secondsSince1970);
    std::tm utc{};
    char text[40] = "";
    if (gmtime_r(&moment, &utc) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S+00:00", &utc) == 0)
        return "1970-01-01T00:00:00+00:00";
    return text;
}

std::string Writer::file(std::string_view fileName, std::string_view schema, std::string_view originatingSystem,
                         std::string_view timeStamp, std::string_view viewDefinition) const {
    std::string out = "ISO-10303-21;\nHEADER;\n";
    out += "FILE_DESCRIPTION((" + string("ViewDefinition [" + std::string(viewDefinition) + "]") + "),'2;1');\n";
    // No author: the same content stamped at the same moment gives the same file, byte for byte.
    out += "FILE_NAME(" + string(fileName) + "," + string(timeStamp) + ",(''),(''),'TarnCheckValve'," +
           string(originatingSystem) + ",'');\n";
    out += "FILE_SCHEMA((" + string(schema) + "));\nENDSEC;\nDATA;\n";
    out += data_;
    out += "ENDSEC;\nEND-ISO-10303-21;\n";
    return out;
}

} // namespace tcv::exports::p21
