// What the reference host records of every object it creates: the kind of creation and its defining
// values, and, where geometry was built, the kernel's shape. Tests and the JSON report read these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Shape.h"

namespace tcv::refhost {

using RecordValue = std::variant<bool, std::int64_t, double, std::string, std::vector<double>>;

// The kind of creation ("cylinder", "projection", "cone", "line", ...) and its defining values in the
// order they were given.
struct Creation {
    std::string kind;
    std::vector<std::pair<std::string, RecordValue>> values;

    Creation& add(std::string name, RecordValue value) {
        values.emplace_back(std::move(name), std::move(value));
        return *this;
    }
    Creation& add(std::string name, const host::DPosition& p) {
        return add(std::move(name), std::vector<double>{p.x(), p.y(), p.z()});
    }
    Creation& add(std::string name, const host::DVector& v) {
        return add(std::move(name), std::vector<double>{v.x(), v.y(), v.z()});
    }
    // The value recorded under `name`, if any.
    const RecordValue* find(const std::string& name) const {
        for (const auto& [key, value] : values)
            if (key == name) return &value;
        return nullptr;
    }
};

// What an output is, as a host sees it.
enum class OutputKind { Solid, Surface, Curve, Nozzle, Occurrence, Other };

TCV_EXPORT const char* outputKindName(OutputKind kind);

// Every object the reference host creates records its creation; geometry also carries its shape
// (null in record-only mode). Reached from a host object with a cross-cast.
class TCV_EXPORT RecordedObject {
public:
    virtual ~RecordedObject() = default;
    virtual const Creation& creation() const = 0;
    virtual OutputKind outputKind() const = 0;
    virtual const ShapePtr& shape() const = 0;
};

} // namespace tcv::refhost
