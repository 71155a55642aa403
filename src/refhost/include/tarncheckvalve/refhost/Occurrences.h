// Child occurrences: the valve operator placed by the symbol, with its input collection, attribute
// set "IZUAOffsetFrmValCen", edit argument, and a small operator symbol of the host's own (a stem along
// the operator's second axis up to "OffsetFrmValCen" and a handwheel) so that its placement shows.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tarncheckvalve/host/Occurrence.h"
#include "tarncheckvalve/host/Visibility.h"
#include "tarncheckvalve/refhost/Curves.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::refhost {

class TCV_EXPORT RefOperatorOccurrence : public host::ISymbolOccurrence,
                                         public host::IAttributeOwner,
                                         public host::IOccurrenceUpdate,
                                         public RecordedObject,
                                         public std::enable_shared_from_this<RefOperatorOccurrence> {
public:
    RefOperatorOccurrence(std::string name, OperatorSpec partSpec, const host::DPosition& position,
                          const host::DVector& firstAxis, const host::DVector& secondAxis,
                          const host::DVector& thirdAxis, KernelPtr kernel);

    std::shared_ptr<host::IArgumentContainer> ArgumentContainer() const override;
    std::shared_ptr<host::IOccurrenceInputs> Inputs(std::int32_t kind) const override;
    std::shared_ptr<host::IAttributeSet> AttributeSet(const std::string& interfaceName) const override;
    void Update() override { ++updates_; }

    const Creation& creation() const override;
    OutputKind outputKind() const override { return OutputKind::Occurrence; }
    const ShapePtr& shape() const override;

    // What a host can observe of the occurrence.
    const std::string& name() const { return name_; }
    const OperatorSpec& operatorSpec() const { return spec_; }
    const host::DPosition& position() const { return position_; }
    std::array<host::DVector, 3> axes() const { return {firstAxis_, secondAxis_, thirdAxis_}; }
    // Attribute values by attribute name (within the set "IZUAOffsetFrmValCen").
    const std::map<std::string, double>& attributes() const { return attributes_; }
    // Symbol arguments written through the edit argument, by input position.
    const std::map<std::int16_t, double>& arguments() const { return arguments_; }
    int updates() const { return updates_; }

    void setAttribute(const std::string& name, double value);
    void setArgument(std::int16_t position, double value);

private:
    std::string name_;
    OperatorSpec spec_;
    host::DPosition position_;
    host::DVector firstAxis_, secondAxis_, thirdAxis_;
    KernelPtr kernel_;
    std::map<std::string, double> attributes_;
    std::map<std::int16_t, double> arguments_;
    int updates_ = 0;
    mutable Creation creation_;
    mutable ShapePtr shape_;
    mutable bool shapeBuilt_ = false;
};

} // namespace tcv::refhost
