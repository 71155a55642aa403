// The ISO 10303-21 ("STEP physical file") text in which IFC files are exchanged: numbered entity instances
// `#12=IFCVALVE(...);` between a HEADER and a DATA section. This module knows the encoding only (strings,
// reals, lists, references, enumerations); which entities an IFC file holds is decided in Ifc.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tarncheckvalve/host/Visibility.h"

namespace tcv::exports::p21 {

// An attribute value already in file syntax: "$" (unset), "*" (derived), "#12", "'text'", "1.5", "(...)".
using Value = std::string;

inline const Value kUnset = "$";
inline const Value kDerived = "*";

// A string literal. The text is UTF-8: an apostrophe is doubled, a backslash doubled, and every character
// outside printable ASCII (controls, and everything beyond U+007E) is written as hexadecimal UTF-16 code
// units inside \X2\...\X0\ (one run per stretch of such characters). Invalid UTF-8 becomes U+FFFD.
TCV_EXPORT Value string(std::string_view utf8);
// A real that reads back as the same double: the shortest decimal that does, always with a point
// ("1.", "0.25", "1.E-07"). Raises std::invalid_argument for NaN and infinities, which the format lacks.
TCV_EXPORT Value real(double value);
// A real rounded to `decimals` digits after the point, with no trailing zeros ("0.0283317", "2.", "0."):
// for values whose precision is known to be that coarse. Raises std::invalid_argument as real() does.
TCV_EXPORT Value realRounded(double value, int decimals);
TCV_EXPORT Value integer(long long value);
TCV_EXPORT Value boolean(bool value);
// An enumeration value, ".CHECK.".
TCV_EXPORT Value enumeration(std::string_view name);
// A reference to entity instance `id`, "#12".
TCV_EXPORT Value ref(std::size_t id);
// An aggregate "(a,b,c)".
TCV_EXPORT Value list(const std::vector<Value>& items);
// A value of a defined type where a SELECT needs it typed: typed("IFCLABEL", string("x")) -> IFCLABEL('x').
TCV_EXPORT Value typed(std::string_view type, const Value& value);

// A 22-character IFC GlobalId (the 128 bits of a name-based identifier in IFC's base-64 alphabet
// "0-9A-Za-z_$"), the same for the same key every time.
TCV_EXPORT std::string globalId(std::string_view key);

// The moment a file is stamped with, in seconds since 1970 (UTC): SOURCE_DATE_EPOCH where it is set to such
// a number, as reproducible builds ask, so that the same content gives the same bytes; the present otherwise.
TCV_EXPORT std::int64_t fileMoment();
// A moment as the header's ISO 8601 time stamp, "2026-12-07T18:30:00+00:00".
TCV_EXPORT std::string isoTimeStamp(std::int64_t secondsSince1970);

// The entity instances of one file, numbered from 1 in the order they are added.
class TCV_EXPORT Writer {
public:
    // Adds `TYPE(attributes...)` and returns its number. The type name is written in upper case.
    std::size_t add(std::string_view type, const std::vector<Value>& attributes);
    std::size_t count() const { return count_; }

    // The whole file: header (description with the view definition's identifier, name, time stamp, schema) and
    // data section.
    std::string file(std::string_view fileName, std::string_view schema, std::string_view originatingSystem,
                     std::string_view timeStamp = {}, std::string_view viewDefinition = kReferenceView) const;
    static constexpr std::string_view kReferenceView = "ReferenceView_V1.2";
    static constexpr std::string_view kDesignTransferView = "DesignTransferView_V1.0";

private:
    std::string data_;
    std::size_t count_ = 0;
};

} // namespace tcv::exports::p21
