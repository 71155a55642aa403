// Catalogue parts as the reference host offers them to the symbol: a part with its piping-component
// interface, its pipe ports and, optionally, a valve operator part.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Diagnostics.h"
#include "tarncheckvalve/host/Piping.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::refhost {

// One piping port. Lengths in metres.
struct PortSpec {
    std::int16_t index = 1;
    std::int32_t terminationClass = 5; // 5 flanged, 10 plain (own diameter), 15 female, 20 mechanical
    std::int32_t endType = 5;
    std::int32_t attribute = 0; // the further integer attribute of the port
    double pipeOD = 0;
    double flangeOD = 0; // flange or hub outside diameter
    double flangeThickness = 0;
    double cptOffset = 0;
    double depth = 0;
    double length = 0; // the length a nozzle of this port reports
    double npd = 0;    // nominal size
    std::string npdUnit = "in";
};

// A valve operator part: its name and the inputs of its own symbol (name and value, in order; an
// input's position is its place in this list, from 2).
struct OperatorSpec {
    std::string name = "ValveOperator";
    std::vector<std::pair<std::string, double>> inputs;
    // True when the operator's own symbol cannot be found: placing it then reports the host's
    // operator-absent code 0x80040400.
    bool symbolMissing = false;
};

// A part as a catalogue gives it: its name, PartDataBasis, inputs, ports and valve operator; the host
// makes a part object of it for an evaluation (makePart).
struct CatalogPart {
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

class TCV_EXPORT RefOperatorPart : public host::IObject {
public:
    explicit RefOperatorPart(OperatorSpec partSpec) : spec_(std::move(partSpec)) {}
    const OperatorSpec& partSpec() const { return spec_; }

private:
    OperatorSpec spec_;
};

// A pipe port of a part, answering from its PortSpec.
class TCV_EXPORT RefPipePort : public host::IPipePort {
public:
    explicit RefPipePort(PortSpec partSpec) : spec_(std::move(partSpec)) {}
    const PortSpec& partSpec() const { return spec_; }

    // Every field but the index is noted on the evaluation's trail as read ("port2.flangeOD").
    std::int16_t PortIndex() const override { return spec_.index; }
    std::int32_t TerminationClass() const override { return noted("terminationClass", spec_.terminationClass); }
    std::int32_t EndType() const override { return noted("endType", spec_.endType); }
    std::int32_t Attribute() const override { return noted("attribute", spec_.attribute); }
    double PipingOutsideDiameter() const override { return noted("pipeOD", spec_.pipeOD); }
    double FlangeOrHubOutsideDiameter() const override { return noted("flangeOD", spec_.flangeOD); }
    double FlangeOrHubThickness() const override { return noted("flangeThickness", spec_.flangeThickness); }
    double CptOffset() const override { return noted("cptOffset", spec_.cptOffset); }
    double Depth() const override { return noted("depth", spec_.depth); }
    double NozzleLength() const override { return noted("length", spec_.length); }
    double NominalSize() const override { return noted("npd", spec_.npd); }
    std::string NominalSizeUnits() const override { return noted("npdUnit", spec_.npdUnit); }

private:
    template <class T>
    T noted(const char* field, T value) const {
        if (auto* trail = host::currentTrail()) trail->noteFieldRead(spec_.index, field, host::Variant(value));
        return value;
    }

    PortSpec spec_;
};

// The ports of a part in catalogue order; Item takes a 1-based position.
class TCV_EXPORT RefPortCollection : public host::IPortCollection {
public:
    explicit RefPortCollection(std::vector<host::PipePortPtr> ports) : ports_(std::move(ports)) {}
    std::int16_t Count() const override { return static_cast<std::int16_t>(ports_.size()); }
    host::PipePortPtr Item(std::int16_t position) const override;

private:
    std::vector<host::PipePortPtr> ports_;
};

// Member 1 of a part's operator collection: it remembers the index and text the symbol hands it and
// offers the part's valve-operator part.
class TCV_EXPORT RefOperatorSource : public host::IOperatorSource {
public:
    explicit RefOperatorSource(host::ObjectPtr operatorPart) : operatorPart_(std::move(operatorPart)) {}

    void SetIndexAndText(std::int16_t index, const std::string& text) override;
    host::ObjectPtr OperatorPart() const override { return operatorPart_; }

    // What the symbol handed over; no index until it did.
    std::optional<std::int16_t> index() const { return index_; }
    const std::string& text() const { return text_; }

private:
    host::ObjectPtr operatorPart_;
    std::optional<std::int16_t> index_;
    std::string text_;
};

// The part object at position 1 of the symbol's input array.
class TCV_EXPORT RefPart : public host::IPipingComponent {
public:
    explicit RefPart(CatalogPart partSpec);
    const CatalogPart& partSpec() const { return spec_; }

    std::int32_t PartDataBasis() const override { return spec_.partDataBasis; }
    host::ObjectPtr ValveOperatorPart() const override { return operatorPart_; }
    std::int32_t OperatorSourceCode() const override { return spec_.operatorSourceCode; }
    host::CollectionPtr OperatorCollection() const override;
    std::string OperatorText() const override { return spec_.operatorText; }
    host::PortCollectionPtr Ports() const override { return ports_; }

    // Member 1 of the operator collection, or nullptr when the part has no valve operator.
    std::shared_ptr<RefOperatorSource> operatorSource() const { return operatorSource_; }

private:
    CatalogPart spec_;
    host::ObjectPtr operatorPart_;
    host::PortCollectionPtr ports_;
    std::shared_ptr<RefOperatorSource> operatorSource_;
    host::CollectionPtr operatorCollection_;
};

// A part from its partSpec. Port values are offered as they are, numbers or not, so that the symbol
// meets them unchanged; a part with more ports than the host can count is refused with a HostError.
TCV_EXPORT std::shared_ptr<RefPart> makePart(const CatalogPart& partSpec);

} // namespace tcv::refhost
