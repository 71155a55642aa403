// Reading the nozzle and operator records out of the host's creation records, once, when the export
// document is built.
#include "DocumentRecords.h"

#include <variant>

namespace tcv::exports {

namespace {

template <class T>
std::optional<T> valueOf(const refhost::Creation& creation, const char* name) {
    const refhost::RecordValue* value = creation.find(name);
    const T* typed = value ? std::get_if<T>(value) : nullptr;
    return typed ? std::optional<T>(*typed) : std::nullopt;
}

// A length given as a number: a recorded whole number counts as one.
std::optional<double> numberOf(const refhost::Creation& creation, const char* name) {
    const refhost::RecordValue* value = creation.find(name);
    if (const auto* d = value ? std::get_if<double>(value) : nullptr) return *d;
    if (const auto* i = value ? std::get_if<std::int64_t>(value) : nullptr) return static_cast<double>(*i);
    return std::nullopt;
}

std::optional<Point3> pointOf(const refhost::Creation& creation, const char* name) {
    const auto xyz = valueOf<std::vector<double>>(creation, name);
    if (!xyz || xyz->size() != 3) return std::nullopt;
    return Point3{(*xyz)[0], (*xyz)[1], (*xyz)[2]};
}

} // namespace

NozzleRecord nozzleRecordOf(const refhost::Creation& creation) {
    NozzleRecord nozzle;
    nozzle.port = valueOf<std::int64_t>(creation, "port");
    nozzle.position = pointOf(creation, "position");
    nozzle.direction = pointOf(creation, "direction");
    nozzle.length = numberOf(creation, "length");
    nozzle.pipeOD = numberOf(creation, "pipeOD");
    nozzle.flangeOD = numberOf(creation, "flangeOD");
    nozzle.flangeThickness = numberOf(creation, "flangeThickness");
    nozzle.terminationClass = valueOf<std::int64_t>(creation, "terminationClass");
    return nozzle;
}

OperatorRecord operatorRecordOf(const refhost::Creation& creation) {
    OperatorRecord occurrence;
    occurrence.operatorName = valueOf<std::string>(creation, "operator");
    occurrence.position = pointOf(creation, "position");
    const char* axisNames[] = {"firstAxis", "secondAxis", "thirdAxis"};
    for (std::size_t i = 0; i < 3; ++i) occurrence.axes[i] = pointOf(creation, axisNames[i]);
    for (const auto& [name, value] : creation.values)
        if (name.rfind("attribute.", 0) == 0)
            if (const auto* number = std::get_if<double>(&value))
                occurrence.attributes.emplace_back(name.substr(10), *number);
    return occurrence;
}

} // namespace tcv::exports
