// Signals raised inside kernel code become kernel exceptions only where OCC_CATCH_SIGNALS marks a
// landing point; the kernel libraries are built for this, the project's headers say so here only.
#define OCC_CONVERT_SIGNALS 1

#include "tarncheckvalve/kernel/KernelGuard.h"

#include <cmath>
#include <mutex>
#include <new>

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <OSD.hxx>
#include <Standard_ErrorHandler.hxx>
#include <Standard_Failure.hxx>
#include <TopoDS_Iterator.hxx>

namespace tcv::kernel {

using namespace tcv::refhost;

namespace {

// Signal handlers are process-wide and set once; the floating-point trap setting is per thread. Handlers
// another component installed (a debugger, a sanitizer) are left in place, and floating-point errors
// stay quiet numbers, as the symbol's checked arithmetic expects.
void ensureSignalHandling() {
    static std::once_flag processOnce;
    std::call_once(processOnce, [] { OSD::SetSignal(OSD_SignalMode_SetUnhandled, Standard_False); });
    thread_local bool threadReady = false;
    if (!threadReady) {
        OSD::SetThreadLocalSignal(OSD_SignalMode_SetUnhandled, Standard_False);
        threadReady = true;
    }
}

std::string describe(const Standard_Failure& failure) {
    std::string text = failure.DynamicType()->Name();
    const char* message = failure.GetMessageString();
    if (message && *message) text += std::string(" (") + message + ")";
    return text;
}

} // namespace

void runGuarded(const std::string& what, const std::function<void()>& work) {
    ensureSignalHandling();
    checkWork(what);
    try {
        OCC_CATCH_SIGNALS
        work();
    } catch (const host::HostError&) {
        throw;
    } catch (const Standard_Failure& failure) {
        // An algorithm that was told to break may fail for want of what it did not finish: the budget's
        // reason is the real one.
        checkWork(what);
        throw host::HostError(host::kGenericFailure, what + ": the geometry kernel failed: " + describe(failure));
    } catch (const std::bad_alloc&) {
        throw host::HostError(host::kGenericFailure, what + ": out of memory in the geometry kernel");
    }
    // Work that broke early returns what it had made so far, which is no result to hand on.
    checkWork(what);
}

TopoDS_Shape checkedShape(const std::string& what, TopoDS_Shape shape, bool solid, ShapeCheck check) {
    runGuarded(what, [&] {
        if (shape.IsNull()) refuse(what, "the geometry kernel produced no shape");
        if (shape.ShapeType() <= TopAbs_SHELL && !TopoDS_Iterator(shape).More())
            refuse(what, "the geometry kernel produced an empty shape");
        if (check == ShapeCheck::Trusted) return;
        if (!BRepCheck_Analyzer(shape).IsValid()) refuse(what, "the geometry kernel produced an invalid shape");
        if (check == ShapeCheck::Validity) return;
        Bnd_Box box;
        BRepBndLib::Add(shape, box, Standard_False);
        if (box.IsVoid() || box.IsOpen()) refuse(what, "the shape has no finite extent");
        double xmin, ymin, zmin, xmax, ymax, zmax;
        box.Get(xmin, ymin, zmin, xmax, ymax, zmax);
        for (double v : {xmin, ymin, zmin, xmax, ymax, zmax})
            if (!std::isfinite(v)) refuse(what, "the shape has no finite extent");
        if (!solid) return;
        GProp_GProps properties;
        BRepGProp::VolumeProperties(shape, properties);
        double volume = properties.Mass();
        if (volume < 0) {
            shape.Reverse();
            volume = -volume;
        }
        const double extent = std::max({xmax - xmin, ymax - ymin, zmax - zmin});
        if (!(volume > 1e-9 * extent * extent * extent))
            refuse(what, "the solid has no volume (" + std::to_string(volume) + " m3)");
    });
    return shape;
}

} // namespace tcv::kernel
