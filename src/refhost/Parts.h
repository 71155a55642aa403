// Catalogue parts as the reference host offers them to the symbol: a part with its piping-component
// interface, its pipe ports and, optionally, a valve operator part.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/Piping.h"

namespace tcv::refhost {

// One piping port. Lengths in metres.
struct PortSpec {
    std::int16_t index = 1;
    std::int32_t terminationClass = 5; // 5 flanged, 10 plain (own diameter), 15 female, 20 mechanical
    std::int32_t endType = 5;
    std::int32_t attribute = 0;        // the further integer attribute of the port
    double pipeOD = 0;
    double flangeOD = 0;               // flange or hub outside diameter
    double flangeThickness = 0;
    double cptOffset = 0;
    double depth = 0;
    double length = 0;                 // the length a nozzle of this port reports
    double npd = 0;                    // nominal size
    std::string npdUnit = "in";
};

// A valve operator part: its name and the inputs of its own symbol (name and value, in order; an
// input's position is its place in this list, from 2).
struct OperatorSpec {
    std::string name = "ValveOperator";
    std::vector<std::pair<std::string, double>> inputs;
};

struct PartSpec {
    std::string name;
    std::string description;
    std::int32_t partDataBasis = 0;
    std::vector<PortSpec> ports;
    std::optional<OperatorSpec> valveOperator;
    // Where the operator-mounted variants take their operator from: 5 the valve-operator part,
    // 10 the first member of the operator collection (which holds the same operator part).
    std::int32_t operatorSourceCode = 5;
    std::string operatorText;
    // The symbol's inputs by name; inputs left out take the definition's defaults. Lengths in metres,
    // angles in radians.
    std::map<std::string, double> inputs;
};

class RefOperatorPart : public host::IObject {
public:
    explicit RefOperatorPart(OperatorSpec spec) : spec_(std::move(spec)) {}
    const OperatorSpec& spec() const { return spec_; }

private:
    OperatorSpec spec_;
};

// The part object at position 1 of the symbol's input array.
class RefPart : public host::IPipingComponent {
public:
    explicit RefPart(PartSpec spec);
    const PartSpec& spec() const { return spec_; }

    std::int32_t PartDataBasis() const override { return spec_.partDataBasis; }
    host::ObjectPtr ValveOperatorPart() const override { return operatorPart_; }
    std::int32_t OperatorSourceCode() const override { return spec_.operatorSourceCode; }
    host::CollectionPtr OperatorCollection() const override;
    std::string OperatorText() const override { return spec_.operatorText; }
    host::PortCollectionPtr Ports() const override { return ports_; }

private:
    PartSpec spec_;
    host::ObjectPtr operatorPart_;
    host::PortCollectionPtr ports_;
};

std::shared_ptr<RefPart> makePart(const PartSpec& spec);

} // namespace tcv::refhost
