// The host's piping services: parts, pipe ports, nozzles, the nozzle factory, the graphics utility,
// the context and the units service.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/host/Math.h"
#include "tarncheckvalve/host/Symbol.h"
#include "tarncheckvalve/host/Value.h"
#include "tarncheckvalve/host/Visibility.h"

namespace tcv::host {

class TCV_EXPORT IPipePort : public virtual IObject {
public:
    virtual std::int16_t PortIndex() const = 0;
    virtual std::int32_t TerminationClass() const = 0;
    virtual std::int32_t EndType() const = 0;
    // The port's further integer attribute (read by the extended port-data call).
    virtual std::int32_t Attribute() const = 0;
    virtual double PipingOutsideDiameter() const = 0;
    virtual double FlangeOrHubOutsideDiameter() const = 0;
    virtual double FlangeOrHubThickness() const = 0;
    virtual double CptOffset() const = 0;
    virtual double Depth() const = 0;
    // The length a nozzle made from this port reports by default.
    virtual double NozzleLength() const = 0;
    virtual double NominalSize() const = 0;
    virtual std::string NominalSizeUnits() const = 0;
};
using PipePortPtr = std::shared_ptr<IPipePort>;

class TCV_EXPORT IPortCollection : public virtual IObject {
public:
    virtual std::int16_t Count() const = 0;
    // Ports by 1-based position.
    virtual PipePortPtr Item(std::int16_t position) const = 0;
};
using PortCollectionPtr = std::shared_ptr<IPortCollection>;

// A member of the part's operator collection; it takes an index and the part's text.
class TCV_EXPORT IOperatorSource : public virtual IObject {
public:
    virtual void SetIndexAndText(std::int16_t index, const std::string& text) = 0;
    virtual ObjectPtr OperatorPart() const = 0;
};

// The piping-component interface of a part.
class TCV_EXPORT IPipingComponent : public virtual IObject {
public:
    virtual std::int32_t PartDataBasis() const = 0;
    // The part's valve-operator part, or nullptr when it has none.
    virtual ObjectPtr ValveOperatorPart() const = 0;
    // The code that says where an operator comes from (5: the valve-operator part; 10: the first
    // member of the operator collection).
    virtual std::int32_t OperatorSourceCode() const = 0;
    virtual CollectionPtr OperatorCollection() const = 0;
    virtual std::string OperatorText() const = 0;
    virtual PortCollectionPtr Ports() const = 0;
};
using PipingComponentPtr = std::shared_ptr<IPipingComponent>;

class TCV_EXPORT INozzle : public virtual IObject {
public:
    virtual void SetDirection(const DVector& direction) = 0;
    virtual void SetPosition(const DPosition& position) = 0;
    virtual void SetLength(double length) = 0;
    // The length the nozzle's own port data report.
    virtual double PortLength() const = 0;
};
using NozzlePtr = std::shared_ptr<INozzle>;

class TCV_EXPORT INozzleFactory : public virtual IObject {
public:
    virtual NozzlePtr CreatePipeNozzleFromPart(const ObjectPtr& part, std::int16_t portIndex, bool flag,
                                               const ResourceManagerPtr& rm) = 0;
};
using NozzleFactoryPtr = std::shared_ptr<INozzleFactory>;

// The graphics utility "SymbolUtilities.SyUtilities".
class TCV_EXPORT ISymbolUtilities : public virtual IObject {
public:
    virtual NozzlePtr CreatePortGraphics(std::int16_t portIndex, const ObjectPtr& part,
                                         const OutputCollectionPtr& outputColl, const DVector& direction,
                                         const DPosition& point, std::optional<double> length) = 0;
};
using SymbolUtilitiesPtr = std::shared_ptr<ISymbolUtilities>;

class TCV_EXPORT IContext : public virtual IObject {
public:
    // The value of a context variable, empty when it is not set.
    virtual Variant GetVariable(const std::string& name) const = 0;
};
using ContextPtr = std::shared_ptr<IContext>;

class TCV_EXPORT IUnitsService : public virtual IObject {
public:
    // Reads a text with a unit ("3.5in", "88.9mm") as a value of the given unit type (1: length,
    // answered in metres). A text it cannot read raises a HostError.
    virtual double ParseUnit(std::int32_t unitType, const std::string& text) const = 0;
};
using UnitsServicePtr = std::shared_ptr<IUnitsService>;

} // namespace tcv::host
