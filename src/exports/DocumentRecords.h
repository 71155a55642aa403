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

#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/Records.h"

namespace tcv::exports {

using Point3 = std::array<double, 3>;

// A nozzle as the host placed it: its port, its connection point and outward direction, and the port's
// dimensions; metres. A value the host's record does not hold (another host's nozzle) is left empty.
struct NozzleRecord {
    std::optional<std::int64_t> port;
    std::optional<Point3> position;
    std::optional<Point3> direction;
    std::optional<double> length;
    std::optional<double> pipeOD;
    std::optional<double> flangeOD;
    std::optional<double> flangeThickness;
    std::optional<std::int64_t> terminationClass;
};

// The valve operator's occurrence: which operator, where and how turned, and the attributes the symbol set
// (in name order).
struct OperatorRecord {
    std::optional<std::string> operatorName;
    std::optional<Point3> position;
    std::array<std::optional<Point3>, 3> axes;
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

// The nozzle and operator records of a host's creation record of a nozzle or the operator's occurrence.
NozzleRecord nozzleRecordOf(const refhost::Creation& creation);
OperatorRecord operatorRecordOf(const refhost::Creation& creation);

} // namespace tcv::exports
