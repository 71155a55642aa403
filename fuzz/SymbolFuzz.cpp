// Fuzz target: the symbol evaluated on a part decoded from the fuzz bytes, in one aspect, with kernel
// shapes built. The evaluation must either succeed with valid shapes or fail with the generic failure
// code; nothing else may leave the host, and no sanitizer may complain.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "tarncheckvalve/kernel/Measure.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/refhost/Records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tcv;
    fuzz::ByteReader in(data, size);
    const contract::Aspect aspect = in.byte() & 1 ? contract::Aspect::Insulation : contract::Aspect::Physical;
    const refhost::CatalogPart part = fuzz::decodePart(in);

    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.kernel = kernel::makeOccKernel();
    const refhost::AspectResult result = refhost::evaluateAspect(part, aspect, options);
    fuzz::checkOutcome(result);

    // Every output handed on is usable: its shape can be had and, after a successful evaluation, is
    // valid (a solid with a positive volume).
    for (const auto& output : result.outputs->outputs()) {
        const auto* recorded = dynamic_cast<const refhost::RecordedObject*>(output.object.get());
        if (!recorded) continue;
        try {
            const TopoDS_Shape& shape = kernel::occShape(recorded->shape());
            if (!result.ok || shape.IsNull()) continue;
            const bool solid = recorded->outputKind() == refhost::OutputKind::Solid;
            if (!kernel::measureShape(shape, solid).valid)
                fuzz::violated(result.aspect + " output '" + output.name + "' is not a valid shape");
        } catch (const host::HostError& error) {
            fuzz::violated(result.aspect + " output '" + output.name + "' has no shape: " + error.what());
        }
    }
    return 0;
}
