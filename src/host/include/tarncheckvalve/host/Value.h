// Value types exchanged between the host and the symbol: host errors, the generic value and the
// 1-based array of generic values that carries the symbol's inputs.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

// Error numbers of the host's component run time.
inline constexpr std::int32_t kGenericFailure = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kOperatorAbsent = static_cast<std::int32_t>(0x80040400u);
inline constexpr std::int32_t kBadIndex = static_cast<std::int32_t>(0x8002000Bu);
inline constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x800A000Du);
// Arithmetic the run time refuses: invalid procedure call (square root of a negative number),
// overflow (a result that is no longer a finite number) and division by zero.
inline constexpr std::int32_t kInvalidCall = static_cast<std::int32_t>(0x800A0005u);
inline constexpr std::int32_t kOverflow = static_cast<std::int32_t>(0x800A0006u);
inline constexpr std::int32_t kDivisionByZero = static_cast<std::int32_t>(0x800A000Bu);

// A host error: a 32-bit error number and, for the host's own diagnostics, an optional text.
class TCV_EXPORT HostError : public std::runtime_error {
public:
    explicit HostError(std::int32_t code, const std::string& text = {})
        : std::runtime_error(text.empty() ? describe(code) : text), code_(code), text_(text) {}

    std::int32_t code() const noexcept { return code_; }
    const std::string& text() const noexcept { return text_; }

    static std::string describe(std::int32_t code);

private:
    std::int32_t code_;
    std::string text_;
};

// Every host object derives from this; objects are shared and released by letting go of the pointer.
class TCV_EXPORT IObject {
public:
    virtual ~IObject() = default;
};
using ObjectPtr = std::shared_ptr<IObject>;

// The generic value of the host: empty, boolean, 16/32-bit integer, double, string or object.
using Variant = std::variant<std::monostate, bool, std::int16_t, std::int32_t, double, std::string, ObjectPtr>;

// Conversions as the host's run time performs them; a value that cannot be converted raises a
// type-mismatch host error.
TCV_EXPORT double toDouble(const Variant& value);
TCV_EXPORT std::int32_t toInt32(const Variant& value);
TCV_EXPORT ObjectPtr toObject(const Variant& value);
TCV_EXPORT bool isEmpty(const Variant& value);

// Casts an object to one of its interfaces, or nullptr when it does not offer it.
template <class T>
std::shared_ptr<T> queryInterface(const ObjectPtr& object) {
    return std::dynamic_pointer_cast<T>(object);
}

// A 1-based array of generic values. Reading a position the array lacks is a host error.
class TCV_EXPORT VariantArray {
public:
    VariantArray() = default;
    explicit VariantArray(std::vector<Variant> values) : values_(std::move(values)) {}

    int lowerBound() const { return 1; }
    int upperBound() const { return static_cast<int>(values_.size()); }
    const Variant& at(int position) const;
    Variant& at(int position);
    void push_back(Variant value) { values_.push_back(std::move(value)); }
    std::size_t size() const { return values_.size(); }

private:
    std::vector<Variant> values_;
};

// A 1-based array of strings (the output names of an aspect). Reading a position the array lacks is a
// host error.
class TCV_EXPORT StringArray {
public:
    StringArray() = default;
    StringArray(std::initializer_list<std::string> names) : names_(names) {}

    int upperBound() const { return static_cast<int>(names_.size()); }
    const std::string& at(int position) const;
    void push_back(std::string name) { names_.push_back(std::move(name)); }
    std::size_t size() const { return names_.size(); }

private:
    std::vector<std::string> names_;
};

} // namespace tcv::host
