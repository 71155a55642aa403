// Reading the nozzle and operator records out of the host's creation records, once, when the export
// document is built.
#include "DocumentRecords.h"

#include <variant>

namespace tcv::exports {

namespace {

template <class T>
T valueOf(const refhost::Creation& creation, const char* name, T fallback = T()) {
    const refhost::RecordValue* value = creation.find(name);
    const T* typed = value ? std::get_if<T>(value) : nullptr;
    return typed ? *typed : fallback;
}

// A length given as a number: a recorded whole number counts as one.
double numberOf(const refhost::Creation& creation, const char* name) {
    const refhost::RecordValue* value = creation.find(name);
    if (const auto* d = value ? std::get_if<double>(value) : nullptr) return *d;
    if (const auto* i = value ? std::get_if<std::int64_t>(value) : nullptr) return static_cast<double>(*i);
    return 0;
}

std::optional<Point3> pointOf(const refhost::Creation& creation, const char* name) {
    const auto* xyz = creation.find(name) ? std::get_if<std::vector<double>>(creation.find(name)) : nullptr;
    if (!xyz || xyz->size() != 3) return std::nullopt;
    return Point3{(*xyz)[0], (*xyz)[1], (*xyz)[2]};
}

} // namespace

std::optional<NozzleRecord> nozzleRecordOf(const refhost::Creation& creation) {
    const auto position = pointOf(creation, "position");
    const auto direction = pointOf(creation, "direction");
    if (creation.kind != "nozzle" || !position || !direction) return std::nullopt;
    NozzleRecord nozzle;
    nozzle.port = valueOf<std::int64_t>(creation, "port");
    nozzle.position = *position;
    nozzle.direction = *direction;
    nozzle.length = numberOf(creation, "length");
    nozzle.pipeOD = numberOf(creation, "pipeOD");
    nozzle.flangeOD = numberOf(creation, "flangeOD");
    nozzle.flangeThickness = numberOf(creation, "flangeThickness");
    nozzle.terminationClass = valueOf<std::int64_t>(creation, "terminationClass");
    return nozzle;
}

std::optional<OperatorRecord> operatorRecordOf(const refhost::Creation& creation) {
    if (creation.kind != "occurrence") return std::nullopt;
    OperatorRecord occurrence;
    occurrence.operatorName = valueOf<std::string>(creation, "operator");
    occurrence.position = pointOf(creation, "position").value_or(Point3{0, 0, 0});
    const char* axisNames[] = {"firstAxis", "secondAxis", "thirdAxis"};
    for (std::size_t i = 0; i < 3; ++i) occurrence.axes[i] = pointOf(creation, axisNames[i]).value_or(Point3{0, 0, 0});
    for (const auto& [name, value] : creation.values)
        if (name.rfind("attribute.", 0) == 0)
            if (const auto* number = std::get_if<double>(&value))
                occurrence.attributes.emplace_back(name.substr(10), *number);
    return occurrence;
}

} // namespace tcv::exports
