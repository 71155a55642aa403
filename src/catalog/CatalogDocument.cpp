// Catalogue documents: the JSON a catalogue holds, read into parts field by field.
#include "tarncheckvalve/catalog/CatalogDocument.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>

#include "tarncheckvalve/catalog/MessageText.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/refhost/LengthUnits.h"

namespace tcv::catalog {

namespace {

std::string firstWithCount(const std::vector<std::string>& problems, std::size_t total) {
    std::string text = problems.empty() ? std::string("no problem given") : problems.front();
    if (total > 1) text += " (and " + std::to_string(total - 1) + " more problem" + (total > 2 ? "s" : "") + ")";
    return text;
}

} // namespace

CatalogError::CatalogError(std::vector<std::string> problems, std::size_t total)
    : std::runtime_error(firstWithCount(problems, total)), problems_(std::move(problems)), total_(total) {}

using namespace tcv::refhost;

namespace {

using Json = nlohmann::json;

// Where in the catalogue a value sits, for messages: "part 'x': ports[1].pipeOD".
struct Place {
    std::string origin;
    std::string part;
    [[noreturn]] void fail(const std::string& field, const std::string& problem) const {
        std::string where = origin;
        if (!part.empty()) where += ": part '" + shownValue(part) + "'";
        throw CatalogError(where + ": " + field + ": " + problem);
    }
};

std::string typeName(const Json& value) {
    if (value.is_string()) return "a text";
    if (value.is_boolean()) return "a boolean";
    if (value.is_number()) return "a number";
    if (value.is_null()) return "null";
    if (value.is_array()) return "an array";
    return "an object";
}

// A length: a number of metres or a text with a unit ("292mm", "11.5in").
double readLength(const Json& value, const Place& place, const std::string& field) {
    if (value.is_number()) {
        double number = value.get<double>();
        if (!std::isfinite(number)) place.fail(field, "expected a finite number");
        return number;
    }
    if (value.is_string()) {
        try {
            return makeUnitsService()->ParseUnit(1, value.get<std::string>());
        } catch (const std::exception&) {
            place.fail(field,
                       "expected a length in metres or a text with a unit such as \"292mm\" or \"11.5in\", got " +
                           quotedValue(value.get<std::string>()));
        }
    }
    place.fail(field, "expected a length (number of metres or text with a unit), got " + typeName(value));
}

// An angle: a number of radians or a text in degrees ("30deg") or radians ("0.5rad").
double readAngle(const Json& value, const Place& place, const std::string& field) {
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        double number = 0;
        std::string unit;
        if (readNumberWithUnit(text, number, unit)) {
            if (unit == "deg") return number * (std::acos(-1.0) / 180);
            if (unit == "rad") return number;
        }
        place.fail(field, "expected an angle in radians or a text such as \"30deg\", got " + quotedValue(text));
    }
    if (value.is_number() && std::isfinite(value.get<double>())) return value.get<double>();
    place.fail(field, "expected an angle (number of radians or text such as \"30deg\"), got " + typeName(value));
}

// A whole number that fits the type it goes into; a value beyond it is refused, never wrapped.
template <class Int>
Int readInteger(const Json& value, const Place& place, const std::string& field) {
    const std::string range =
        std::to_string(std::numeric_limits<Int>::min()) + " to " + std::to_string(std::numeric_limits<Int>::max());
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (std::isfinite(number) && std::floor(number) == number) {
            const bool inRange = number >= std::numeric_limits<Int>::min() && number <= std::numeric_limits<Int>::max();
            place.fail(field, inRange ? "expected a whole number written without a fraction or exponent, got " +
                                            quotedValue(value.dump())
                                      : "expected a whole number from " + range + ", got " + quotedValue(value.dump()));
        }
    }
    if (!value.is_number_integer())
        place.fail(field,
                   "expected a whole number, got " + typeName(value) + (value.is_number() ? " with a fraction" : ""));
    const bool fits = value.is_number_unsigned()
                          ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<Int>::max())
                          : value.get<std::int64_t>() >= std::numeric_limits<Int>::min() &&
                                value.get<std::int64_t>() <= std::numeric_limits<Int>::max();
    if (!fits) place.fail(field, "expected a whole number from " + range + ", got " + value.dump());
    return static_cast<Int>(value.get<std::int64_t>());
}

std::string readText(const Json& value, const Place& place, const std::string& field) {
    if (!value.is_string()) place.fail(field, "expected a text, got " + typeName(value));
    return value.get<std::string>();
}

double readNumber(const Json& value, const Place& place, const std::string& field) {
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        place.fail(field, "expected a finite number, got " + typeName(value));
    return value.get<double>();
}

void refuseUnknownFields(const Json& object, const std::vector<std::string>& known, const Place& place,
                         const std::string& prefix) {
    for (const auto& [key, value] : object.items()) {
        if (std::find(known.begin(), known.end(), key) != known.end()) continue;
        std::string hint = closestName(key, known);
        place.fail(
            prefix + shownValue(key), "unknown field" + (hint.empty() ? "" : "; did you mean \"" + hint + "\"?") +
                                          " (known: " +
                                          [&] {
                                              std::string list;
                                              for (const auto& k : known) list += (list.empty() ? "" : ", ") + k;
                                              return list;
                                          }() +
                                          ")");
    }
}

PortSpec parsePort(const Json& json, const Place& place, const std::string& field) {
    if (!json.is_object()) place.fail(field, "expected a port object, got " + typeName(json));
    static const std::vector<std::string> known = {"index",    "terminationClass", "endType",   "attribute", "pipeOD",
                                                   "flangeOD", "flangeThickness",  "cptOffset", "depth",     "length",
                                                   "npd",      "npdUnit"};
    refuseUnknownFields(json, known, place, field + ".");
    if (!json.contains("index")) place.fail(field + ".index", "missing; every port needs its port index");
    PortSpec port;
    port.index = readInteger<std::int16_t>(json["index"], place, field + ".index");
    auto optional = [&](const char* name, auto reader) {
        if (json.contains(name)) reader(json[name], field + "." + name);
    };
    optional("terminationClass", [&](const Json& v, const std::string& f) {
        port.terminationClass = readInteger<std::int32_t>(v, place, f);
    });
    optional("endType",
             [&](const Json& v, const std::string& f) { port.endType = readInteger<std::int32_t>(v, place, f); });
    optional("attribute",
             [&](const Json& v, const std::string& f) { port.attribute = readInteger<std::int32_t>(v, place, f); });
    optional("pipeOD", [&](const Json& v, const std::string& f) { port.pipeOD = readLength(v, place, f); });
    optional("flangeOD", [&](const Json& v, const std::string& f) { port.flangeOD = readLength(v, place, f); });
    optional("flangeThickness",
             [&](const Json& v, const std::string& f) { port.flangeThickness = readLength(v, place, f); });
    optional("cptOffset", [&](const Json& v, const std::string& f) { port.cptOffset = readLength(v, place, f); });
    optional("depth", [&](const Json& v, const std::string& f) { port.depth = readLength(v, place, f); });
    optional("length", [&](const Json& v, const std::string& f) { port.length = readLength(v, place, f); });
    optional("npd", [&](const Json& v, const std::string& f) { port.npd = readNumber(v, place, f); });
    optional("npdUnit", [&](const Json& v, const std::string& f) { port.npdUnit = readText(v, place, f); });
    return port;
}

CatalogPart parsePart(const Json& json, const std::string& origin, std::size_t position) {
    Place place{origin, ""};
    const std::string where = "parts[" + std::to_string(position) + "]";
    if (!json.is_object()) place.fail(where, "expected a part object, got " + typeName(json));
    if (!json.contains("name")) place.fail(where + ".name", "missing; every part needs a name");
    CatalogPart part;
    part.name = readText(json["name"], place, where + ".name");
    if (part.name.empty()) place.fail(where + ".name", "expected a non-empty text");
    // Names travel into every file a part is exported to, and into file names: a bounded length keeps
    // each of them small however the catalogue was written.
    if (part.name.size() > kMaxPartNameBytes)
        place.fail(where + ".name", "is " + std::to_string(part.name.size()) +
                                        " bytes long; a part name takes at most " + std::to_string(kMaxPartNameBytes));
    place.part = part.name;

    static const std::vector<std::string> known = {"name",        "description", "source",   "partDataBasis",
                                                   "inputs",      "ports",       "operator", "operatorSourceCode",
                                                   "operatorText"};
    refuseUnknownFields(json, known, place, "");
    if (json.contains("description")) part.description = readText(json["description"], place, "description");
    if (json.contains("source")) readText(json["source"], place, "source");
    if (!json.contains("partDataBasis")) place.fail("partDataBasis", "missing; expected the variant's whole number");
    part.partDataBasis = readInteger<std::int32_t>(json["partDataBasis"], place, "partDataBasis");

    if (json.contains("inputs")) {
        const Json& inputs = json["inputs"];
        if (!inputs.is_object())
            place.fail("inputs", "expected an object of input names and values, got " + typeName(inputs));
        const auto& names = inputNames();
        for (const auto& [name, value] : inputs.items()) {
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                std::string hint = closestName(name, names);
                place.fail("inputs." + shownValue(name),
                           "unknown input" + (hint.empty() ? "" : "; did you mean \"" + hint + "\"?"));
            }
            part.inputs[name] = contract::isAngleInput(name) ? readAngle(value, place, "inputs." + name)
                                                             : readLength(value, place, "inputs." + name);
        }
    }

    if (json.contains("ports")) {
        const Json& ports = json["ports"];
        if (!ports.is_array()) place.fail("ports", "expected an array of ports, got " + typeName(ports));
        for (std::size_t i = 0; i < ports.size(); ++i)
            part.ports.push_back(parsePort(ports[i], place, "ports[" + std::to_string(i) + "]"));
    }

    if (json.contains("operator")) {
        const Json& op = json["operator"];
        if (!op.is_object()) place.fail("operator", "expected an operator object, got " + typeName(op));
        refuseUnknownFields(op, {"name", "inputs"}, place, "operator.");
        OperatorSpec partSpec;
        if (op.contains("name")) partSpec.name = readText(op["name"], place, "operator.name");
        if (op.contains("inputs")) {
            if (!op["inputs"].is_object())
                place.fail("operator.inputs", "expected an object of input names and values");
            for (const auto& [name, value] : op["inputs"].items())
                partSpec.inputs.emplace_back(name, readLength(value, place, "operator.inputs." + shownValue(name)));
        }
        part.valveOperator = partSpec;
    }
    if (json.contains("operatorSourceCode"))
        part.operatorSourceCode = readInteger<std::int32_t>(json["operatorSourceCode"], place, "operatorSourceCode");
    if (json.contains("operatorText")) part.operatorText = readText(json["operatorText"], place, "operatorText");
    return part;
}

// Finds the first key given twice in one object while the parser reads, with the path of that object
// ("parts[0].inputs"). The parser itself would keep the last of them silently.
class DuplicateKeys {
public:
    struct Found {
        std::string path;
        std::string key;
    };

    std::optional<Found> see(Json::parse_event_t event, const Json& parsed) {
        using Event = Json::parse_event_t;
        switch (event) {
        case Event::object_start:
            open_.push_back(Level{true, {}, {}, 0});
            break;
        case Event::array_start:
            open_.push_back(Level{false, {}, {}, 0});
            break;
        case Event::key: {
            Level& object = open_.back();
            object.current = parsed.get<std::string>();
            if (!object.keys.insert(object.current).second) return Found{path(), object.current};
            break;
        }
        case Event::object_end:
        case Event::array_end:
            open_.pop_back();
            elementDone();
            break;
        case Event::value:
            elementDone();
            break;
        }
        return std::nullopt;
    }

private:
    struct Level {
        bool object;
        std::set<std::string> keys;
        std::string current; // in an object, the key being read
        std::size_t index;   // in an array, the element being read
    };

    void elementDone() {
        if (!open_.empty() && !open_.back().object) ++open_.back().index;
    }

    // Where the innermost open object sits.
    std::string path() const {
        std::string where;
        for (std::size_t i = 0; i + 1 < open_.size(); ++i) {
            if (open_[i].object)
                where += (where.empty() ? "" : ".") + shownValue(open_[i].current);
            else
                where += "[" + std::to_string(open_[i].index) + "]";
        }
        return where.empty() ? "the top-level object" : where;
    }

    std::vector<Level> open_;
};

// The parser's message with the input it quotes cut short: a number or literal of any length can be
// the offending token.
std::string clippedParserMessage(const std::string& message) {
    const std::size_t first = message.find('\'');
    const std::size_t last = message.rfind('\'');
    if (first == std::string::npos || last <= first) return escapedControls(message);
    return escapedControls(message.substr(0, first + 1)) + shownValue(message.substr(first + 1, last - first - 1)) +
           escapedControls(message.substr(last));
}

} // namespace

Json parseCatalogDocument(const std::string& text, const std::string& origin) {
    Json json;
    DuplicateKeys duplicates;
    try {
        json = Json::parse(text, [&](int, Json::parse_event_t event, Json& parsed) {
            if (auto found = duplicates.see(event, parsed))
                throw CatalogError(origin + ": " + found->path + ": the key " + quotedValue(found->key) +
                                   " appears more than once");
            return true;
        });
    } catch (const Json::exception& error) {
        throw CatalogError(origin + ": not valid JSON: " + clippedParserMessage(error.what()));
    }
    return json;
}

std::vector<CatalogPart> readCatalogParts(const Json& json, const std::string& origin) {
    std::vector<CatalogPart> parts;
    if (json.is_object() && json.contains("parts")) {
        Place place{origin, ""};
        refuseUnknownFields(json, {"parts", "description"}, place, "");
        if (!json["parts"].is_array())
            place.fail("parts", "expected an array of parts, got " + typeName(json["parts"]));
        for (std::size_t i = 0; i < json["parts"].size(); ++i) parts.push_back(parsePart(json["parts"][i], origin, i));
    } else {
        parts.push_back(parsePart(json, origin, 0));
    }
    std::set<std::string> seen;
    for (const auto& part : parts)
        if (!seen.insert(part.name).second)
            throw CatalogError(origin + ": part '" + shownValue(part.name) + "': name: used by more than one part");
    return parts;
}

std::vector<CatalogPart> parseCatalog(const std::string& text, const std::string& origin) {
    return readCatalogParts(parseCatalogDocument(text, origin), origin);
}

} // namespace tcv::catalog
