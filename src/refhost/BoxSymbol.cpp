// The host's box symbol "Box.BoxServices": placed as a nested symbol occurrence, given the two corners
// as six indexed values (x1, y1, z1, x2, y2, z2), and computed into a solid box between them.
#include <array>
#include <cmath>
#include <optional>

#include "Factories.h"
#include "tarncheckvalve/refhost/GeometryKernel.h"
#include "tarncheckvalve/refhost/RecordSheet.h"
#include "tarncheckvalve/refhost/RefRuntime.h"
#include "tarncheckvalve/refhost/Refusal.h"

namespace tcv::refhost {

namespace {

constexpr const char* kBoxProgId = "Box.BoxServices";

class BoxDefinition final : public host::IObject, public RecordedObject {
public:
    BoxDefinition() {
        creation_.kind = "symbolDefinition";
        creation_.add("progId", std::string(kBoxProgId));
    }
    const Creation& creation() const override { return creation_; }
    OutputKind outputKind() const override { return OutputKind::Other; }
    const ShapePtr& shape() const override { return noShape_; }

private:
    Creation creation_;
    ShapePtr noShape_;
};

class BoxDefinitions final : public host::IDefinitionCollection {
public:
    host::ObjectPtr GetDefinitionByProgId(const std::string& progId, const std::string&) override {
        if (progId != kBoxProgId)
            throw host::HostError(host::kGenericFailure, "this host offers no symbol definition '" + progId + "'");
        return std::make_shared<BoxDefinition>();
    }
};

class BoxOccurrence final : public host::IObject,
                            public host::IZDValuesArg,
                            public host::ISymbolOccurrenceCompute,
                            public RecordedObject {
public:
    explicit BoxOccurrence(KernelPtr kernel) : kernel_(std::move(kernel)), sheet_("box") {}

    void SetValues(const std::vector<host::ParameterEntry>& values) override {
        for (const auto& entry : values) {
            if (entry.index < 1 || entry.index > 6)
                throw host::HostError(host::kGenericFailure,
                                      "the box takes values 1 to 6, not " + std::to_string(entry.index));
            if (!entry.content) throw host::HostError(host::kGenericFailure, "a box value has no content");
            values_[static_cast<std::size_t>(entry.index - 1)] = entry.content->uomValue();
        }
    }

    void Compute() override {
        const char* what = "box";
        std::array<double, 6> v{};
        for (std::size_t i = 0; i < 6; ++i) {
            if (!values_[i]) refuse(what, "value " + std::to_string(i + 1) + " of the box was not given");
            v[i] = *values_[i];
            if (!std::isfinite(v[i])) refuse(what, "a corner coordinate is not a finite number");
            if (!withinModel(v[i])) refuse(what, "a corner lies beyond the host's model space");
        }
        const Vec3 corner1(v[0], v[1], v[2]), corner2(v[3], v[4], v[5]);
        const Vec3 extent = corner2 - corner1;
        if (std::fabs(extent.X()) < 1e-7 || std::fabs(extent.Y()) < 1e-7 || std::fabs(extent.Z()) < 1e-7)
            refuse(what, "the corners span no volume");
        RecordSheet sheet("box");
        sheet.point("corner1", corner1).point("corner2", corner2);
        sheet_ = std::move(sheet);
        if (!kernel_) return;
        const Vec3 low(std::min(v[0], v[3]), std::min(v[1], v[4]), std::min(v[2], v[5]));
        const Vec3 high(std::max(v[0], v[3]), std::max(v[1], v[4]), std::max(v[2], v[5]));
        shape_ = kernel_->box(low, high);
    }

    const Creation& creation() const override { return sheet_.creation(); }
    OutputKind outputKind() const override { return OutputKind::Solid; }
    const ShapePtr& shape() const override { return shape_; }

private:
    KernelPtr kernel_;
    std::array<std::optional<double>, 6> values_;
    RecordSheet sheet_;
    ShapePtr shape_;
};

class RefSymbolFactory final : public host::ISymbolFactory {
public:
    explicit RefSymbolFactory(KernelPtr kernel) : kernel_(std::move(kernel)) {}

    host::DefinitionCollectionPtr DefinitionCollection(const host::ResourceManagerPtr&) override {
        return std::make_shared<BoxDefinitions>();
    }

    host::ObjectPtr PlaceSymbol(const host::ObjectPtr& definition, const host::ResourceManagerPtr&) override {
        if (!std::dynamic_pointer_cast<BoxDefinition>(definition))
            throw host::HostError(host::kGenericFailure, "this host places only its own symbol definitions");
        return std::make_shared<BoxOccurrence>(kernel_);
    }

private:
    KernelPtr kernel_;
};

} // namespace

host::SymbolFactoryPtr makeSymbolFactory(const HostOptions& options) {
    return std::make_shared<RefSymbolFactory>(options.kernel);
}

} // namespace tcv::refhost
