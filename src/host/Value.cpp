#include "tarncheckvalve/host/Value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "tarncheckvalve/host/Diagnostics.h"

namespace tcv::host {

std::string HostError::describe(std::int32_t code) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "host error 0x%08X", static_cast<unsigned>(code));
    return buffer;
}

namespace {

double parseNumber(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t");
    std::size_t end = text.find_last_not_of(" \t");
    if (begin == std::string::npos) throw HostError(kTypeMismatch, "empty text is not a number");
    double value = 0;
    auto [ptr, ec] = std::from_chars(text.data() + begin, text.data() + end + 1, value);
    if (ec != std::errc() || ptr != text.data() + end + 1)
        throw HostError(kTypeMismatch, "'" + text + "' is not a number");
    return value;
}

} // namespace

double toDouble(const Variant& value) {
    struct Visitor {
        double operator()(std::monostate) const { return 0.0; }
        // The host's true is -1.
        double operator()(bool b) const { return b ? -1.0 : 0.0; }
        double operator()(std::int16_t i) const { return i; }
        double operator()(std::int32_t i) const { return i; }
        double operator()(double d) const { return d; }
        double operator()(const std::string& s) const { return parseNumber(s); }
        double operator()(const ObjectPtr&) const { throw HostError(kTypeMismatch, "an object is not a number"); }
    };
    return std::visit(Visitor{}, value);
}

std::int32_t toInt32(const Variant& value) {
    double d = toDouble(value);
    if (!std::isfinite(d) || d < -2147483648.5 || d >= 2147483647.5)
        throw HostError(kOverflow, "value does not fit a 32-bit integer");
    // The host rounds half to even when it converts to an integer.
    return static_cast<std::int32_t>(std::nearbyint(d));
}

ObjectPtr toObject(const Variant& value) {
    if (const auto* object = std::get_if<ObjectPtr>(&value)) return *object;
    if (std::holds_alternative<std::monostate>(value)) return nullptr;
    throw HostError(kTypeMismatch, "value is not an object");
}

bool isEmpty(const Variant& value) { return std::holds_alternative<std::monostate>(value); }

const Variant& VariantArray::at(int position) const {
    if (position < 1 || position > upperBound())
        throw HostError(kBadIndex, "input position " + std::to_string(position) + " is outside the array");
    const Variant& value = values_[static_cast<std::size_t>(position - 1)];
    if (auto* trail = currentTrail()) trail->noteInputRead(this, position, value);
    return value;
}

Variant& VariantArray::at(int position) {
    return const_cast<Variant&>(static_cast<const VariantArray&>(*this).at(position));
}

const std::string& StringArray::at(int position) const {
    if (position < 1 || position > upperBound())
        throw HostError(kBadIndex, "output name " + std::to_string(position) + " is outside the array");
    return names_[static_cast<std::size_t>(position - 1)];
}

} // namespace tcv::host
