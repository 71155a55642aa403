// Piping nozzles: the nozzle factory, the graphics utility "SymbolUtilities.SyUtilities" and the nozzle
// they make. A nozzle carries its port's data, position, direction and length, and port graphics (a
// flange disc or a pipe stub) so that exports show the connection point.
#include <cmath>
#include <optional>

#include "Factories.h"
#include "tarncheckvalve/refhost/GeometryKernel.h"
#include "tarncheckvalve/refhost/LengthUnits.h"
#include "tarncheckvalve/refhost/Parts.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/Refusal.h"

namespace tcv::refhost {

namespace {

constexpr std::int32_t kFlanged = 5;
// The stub drawn for a nozzle of length 0.
constexpr double kDefaultStubLength = 0.02;
// Below this a disc or stub has nothing to show.
constexpr double kSmallestGraphic = 1e-7;

// The port with the given port index (not position) of a part.
PortSpec portOf(const host::ObjectPtr& part, std::int16_t portIndex) {
    auto component = host::queryInterface<host::IPipingComponent>(part);
    if (!component) throw host::HostError(host::kTypeMismatch, "a nozzle needs a part with piping ports");
    auto ports = component->Ports();
    std::int16_t count = ports ? ports->Count() : 0;
    for (std::int16_t position = 1; position <= count; ++position) {
        auto port = ports->Item(position);
        if (!port || port->PortIndex() != portIndex) continue;
        // The host's own reads of the port, not the symbol's.
        host::EvaluationTrail::PauseReads paused(host::currentTrail());
        PortSpec partSpec;
        partSpec.index = port->PortIndex();
        partSpec.terminationClass = port->TerminationClass();
        partSpec.endType = port->EndType();
        partSpec.attribute = port->Attribute();
        partSpec.pipeOD = port->PipingOutsideDiameter();
        partSpec.flangeOD = port->FlangeOrHubOutsideDiameter();
        partSpec.flangeThickness = port->FlangeOrHubThickness();
        partSpec.cptOffset = port->CptOffset();
        partSpec.depth = port->Depth();
        partSpec.length = port->NozzleLength();
        partSpec.npd = port->NominalSize();
        partSpec.npdUnit = port->NominalSizeUnits();
        return partSpec;
    }
    throw host::HostError(host::kGenericFailure, "the part has no port with port index " + std::to_string(portIndex) +
                                                     " to make a nozzle from");
}

void requireFinite(double value, const char* what) {
    if (!std::isfinite(value))
        throw host::HostError(host::kGenericFailure, std::string("nozzle ") + what + " is not a finite number");
}

class RefNozzle : public host::INozzle, public RecordedObject {
public:
    RefNozzle(PortSpec port, std::string via, std::optional<bool> flag, KernelPtr kernel)
        : port_(std::move(port)), via_(std::move(via)), flag_(flag), kernel_(std::move(kernel)), length_(port_.length) {
    }

    void SetDirection(const host::DVector& direction) override {
        requireFinite(direction.x(), "direction");
        requireFinite(direction.y(), "direction");
        requireFinite(direction.z(), "direction");
        if (direction.length() < kSmallestGraphic)
            throw host::HostError(host::kGenericFailure, "a nozzle direction must not be a zero vector");
        direction_ = direction;
        invalidate();
    }
    void SetPosition(const host::DPosition& position) override {
        requireFinite(position.x(), "position");
        requireFinite(position.y(), "position");
        requireFinite(position.z(), "position");
        if (!withinModel(position.x()) || !withinModel(position.y()) || !withinModel(position.z()))
            throw host::HostError(host::kGenericFailure, "a nozzle position lies beyond the host's model space");
        position_ = position;
        invalidate();
    }
    void SetLength(double length) override {
        requireFinite(length, "length");
        length_ = length;
        invalidate();
    }
    double PortLength() const override { return port_.length; }

    // Built when asked, so that it shows the placement the symbol gave the nozzle after creating it.
    const Creation& creation() const override {
        if (!creation_) {
            Creation record;
            record.kind = "nozzle";
            record.add("port", static_cast<std::int64_t>(port_.index))
                .add("position", position_)
                .add("direction", direction_)
                .add("length", length_)
                .add("pipeOD", port_.pipeOD)
                .add("flangeOD", port_.flangeOD)
                .add("flangeThickness", port_.flangeThickness)
                .add("terminationClass", static_cast<std::int64_t>(port_.terminationClass))
                .add("via", via_);
            if (flag_) record.add("flag", *flag_);
            creation_ = std::move(record);
        }
        return *creation_;
    }
    OutputKind outputKind() const override { return OutputKind::Nozzle; }
    const ShapePtr& shape() const override {
        if (!shape_) shape_ = kernel_ ? portGraphics() : ShapePtr();
        return *shape_;
    }

private:
    void invalidate() {
        creation_.reset();
        shape_.reset();
    }

    // A flanged port shows its flange disc, any other port a short pipe stub; both lie behind the
    // connection point, against the direction the nozzle looks in. The graphics only show where the
    // nozzle is: port data so odd that the kernel cannot make a valid disc of them (a flange diameter
    // of 1e228 m) leave the nozzle without graphics, as data too small to show do, rather than hand
    // on a broken shape.
    ShapePtr portGraphics() const {
        try {
            ShapePtr disc = discOrStub();
            if (!disc || disc->valid(true)) return disc;
        } catch (const host::HostError&) {
        }
        return {};
    }

    ShapePtr discOrStub() const {
        bool flangeDisc = port_.terminationClass == kFlanged && port_.flangeOD > kSmallestGraphic &&
                          port_.flangeThickness > kSmallestGraphic;
        double diameter = flangeDisc ? port_.flangeOD : stubDiameter();
        double extent =
            flangeDisc ? port_.flangeThickness : (length_ > kSmallestGraphic ? length_ : kDefaultStubLength);
        if (diameter <= kSmallestGraphic) return {};

        host::DVector axis = direction_;
        axis.setLength(1);
        const Vec3 base(position_.x() - extent * axis.x(), position_.y() - extent * axis.y(),
                        position_.z() - extent * axis.z());
        return kernel_->portCylinder(base, Vec3(axis.x(), axis.y(), axis.z()), diameter / 2, extent);
    }

    double stubDiameter() const {
        if (port_.pipeOD > kSmallestGraphic) return port_.pipeOD;
        if (port_.flangeOD > kSmallestGraphic) return port_.flangeOD;
        return nominalSizeAsLength(port_); // the last guess at a stub diameter
    }

    PortSpec port_;
    std::string via_;
    std::optional<bool> flag_;
    KernelPtr kernel_;
    host::DPosition position_;
    host::DVector direction_{1, 0, 0};
    double length_;
    mutable std::optional<Creation> creation_;
    mutable std::optional<ShapePtr> shape_;
};

class RefNozzleFactory : public host::INozzleFactory {
public:
    explicit RefNozzleFactory(KernelPtr kernel) : kernel_(std::move(kernel)) {}

    host::NozzlePtr CreatePipeNozzleFromPart(const host::ObjectPtr& part, std::int16_t portIndex, bool flag,
                                             const host::ResourceManagerPtr&) override {
        return std::make_shared<RefNozzle>(portOf(part, portIndex), "factory", flag, kernel_);
    }

private:
    KernelPtr kernel_;
};

class RefSymbolUtilities : public host::ISymbolUtilities {
public:
    explicit RefSymbolUtilities(KernelPtr kernel) : kernel_(std::move(kernel)) {}

    host::NozzlePtr CreatePortGraphics(std::int16_t portIndex, const host::ObjectPtr& part,
                                       const host::OutputCollectionPtr&, const host::DVector& direction,
                                       const host::DPosition& point, std::optional<double> length) override {
        auto nozzle = std::make_shared<RefNozzle>(portOf(part, portIndex), "utility", std::nullopt, kernel_);
        nozzle->SetDirection(direction);
        nozzle->SetPosition(point);
        if (length) nozzle->SetLength(*length);
        return nozzle;
    }

private:
    KernelPtr kernel_;
};

} // namespace

host::NozzleFactoryPtr makeNozzleFactory(const HostOptions& options) {
    return std::make_shared<RefNozzleFactory>(options.kernel);
}

host::SymbolUtilitiesPtr makeSymbolUtilities(const HostOptions& options) {
    return std::make_shared<RefSymbolUtilities>(options.kernel);
}

} // namespace tcv::refhost
