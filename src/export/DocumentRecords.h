// What the export document knows of every part, aspect and output beside their shapes, as typed records:
// the part's catalogue data, each aspect's outcome, each output's name and kind, and the data of nozzles
// (their port) and of the valve operator. The writers read these; the glTF extras are written from them.
// Neither the geometry kernel nor JSON is seen here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "refhost/Parts.h"
#include "refhost/Records.h"

namespace tcv::exports {

using Point3 = std::array<double, 3>;

// A nozzle as the host placed it: its port, its connection point and outward direction, and the port's
// dimensions; metres.
struct NozzleRecord {
    std::int64_t port = 0;
    Point3 position{0, 0, 0};
    Point3 direction{0, 0, 0};
    double length = 0;
    double pipeOD = 0;
    double flangeOD = 0;
    double flangeThickness = 0;
    std::int64_t terminationClass = 0;
};

// The valve operator's occurrence: which operator, where and how turned, and the attributes the symbol set
// (in name order).
struct OperatorRecord {
    std::string operatorName;
    Point3 position{0, 0, 0};
    std::array<Point3, 3> axes{};
    std::vector<std::pair<std::string, double>> attributes;
};

struct OutputRecord {
    std::string name;
    refhost::OutputKind kind = refhost::OutputKind::Other;
    // False for an output the host did not make (it has no record, kind or data of its own).
    bool recorded = false;
    std::optional<NozzleRecord> nozzle;
    std::optional<OperatorRecord> operatorOccurrence;
};

struct AspectRecord {
    std::string name;
    bool ok = true;
    std::optional<std::int32_t> errorCode;
};

struct PartRecord {
    std::string name;
    std::int32_t partDataBasis = 0;
    std::string description;
    // The part's ports as the catalogue gives them (nominal size, end type), for exports that describe them.
    std::vector<refhost::PortSpec> ports;
};

// The nozzle and operator records of a host's creation record (nothing for other kinds of output).
std::optional<NozzleRecord> nozzleRecordOf(const refhost::Creation& creation);
std::optional<OperatorRecord> operatorRecordOf(const refhost::Creation& creation);

} // namespace tcv::exports
