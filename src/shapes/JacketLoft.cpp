#include "tarncheckvalve/shapes/JacketLoft.h"
#include "tarncheckvalve/base/Constants.h"

#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"

namespace tcv::shapes {

using namespace tcv::base;
using namespace tcv::geometry;

using host::DPosition;
using host::DVector;

namespace {

// The inlet circle as four quarter arcs about its centre, chained from its +z point.
host::CurvePtr inletSection(host::IGeometryFactory& factory, const JacketLoftShape& shape) {
    const double px = shape.inletX, py = shape.inletCentreY, r = shape.inletRadius;
    const DPosition centre(px, py, 0);
    const DPosition front(px, py, r), top(px, py + r, 0), back(px, py, -r), bottom(px, py - r, 0);
    auto arcs = host::runtime().CreateCollection();
    arcs->Add(factory.CreateArcByCenter(nullptr, centre, front, top));
    arcs->Add(factory.CreateArcByCenter(nullptr, centre, top, back));
    arcs->Add(factory.CreateArcByCenter(nullptr, centre, back, bottom));
    arcs->Add(factory.CreateArcByCenter(nullptr, centre, bottom, front));
    DPosition start = front;
    auto section = PlaceTrCString(start, arcs);
    arcs->Clear();
    return section;
}

// The outlet "D": down the +z side from the top, across the top, down the -z side, and back through
// the lower half-ellipse. The ellipse takes its major axis along the larger of depth and half-width.
host::CurvePtr outletSection(host::IGeometryFactory& factory, const JacketLoftShape& shape) {
    const double x = shape.outletX, top = shape.A + shape.T, e = shape.E / 2 + shape.T;
    auto curves = host::runtime().CreateCollection();
    curves->Add(factory.CreateLine(nullptr, DPosition(x, 0, e), DPosition(x, top, e)));
    curves->Add(factory.CreateLine(nullptr, DPosition(x, top, e), DPosition(x, top, 0)));
    curves->Add(factory.CreateLine(nullptr, DPosition(x, top, 0), DPosition(x, top, -e)));
    curves->Add(factory.CreateLine(nullptr, DPosition(x, top, -e), DPosition(x, 0, -e)));

    const DPosition centre(x, 0, 0);
    const DVector normal(-1, 0, 0);
    if (CmpDblGreaterthan(2 * shape.B, shape.E, kTolerance)) {
        const DVector major(0, -shape.B - shape.T, 0);
        const double ratio = checked::divide(shape.E + 2 * shape.T, 2 * shape.B + 2 * shape.T);
        curves->Add(factory.CreateEllipticalArc(nullptr, centre, normal, major, ratio, 3 * kPi / 2, kPi / 2));
        curves->Add(factory.CreateEllipticalArc(nullptr, centre, normal, major, ratio, 0, kPi / 2));
    } else {
        const DVector major(0, 0, e);
        const double ratio = checked::divide(2 * shape.B + 2 * shape.T, shape.E + 2 * shape.T);
        curves->Add(factory.CreateEllipticalArc(nullptr, centre, normal, major, ratio, kPi, kPi / 2));
        curves->Add(factory.CreateEllipticalArc(nullptr, centre, normal, major, ratio, 3 * kPi / 2, kPi / 2));
    }
    DPosition start(x, 0, e);
    auto section = PlaceTrCString(start, curves);
    curves->Clear();
    return section;
}

} // namespace

void addJacketLoft(const host::OutputCollectionPtr& outputColl, const JacketLoftShape& shape, const char* surfaceName) {
    auto factory = host::runtime().CreateGeometryFactory();
    auto sections = host::runtime().CreateCollection();
    sections->Add(inletSection(*factory, shape));
    sections->Add(outletSection(*factory, shape));

    const double px = shape.inletX, py = shape.inletCentreY, r = shape.inletRadius;
    const double x2 = shape.outletX, top = shape.A + shape.T, e = shape.E / 2 + shape.T;
    auto guides = host::runtime().CreateCollection();
    guides->Add(factory->CreateLine(nullptr, DPosition(px, py, r), DPosition(x2, 0, e)));
    guides->Add(factory->CreateLine(nullptr, DPosition(px, py + r, 0), DPosition(x2, top, 0)));
    guides->Add(factory->CreateLine(nullptr, DPosition(px, py, -r), DPosition(x2, 0, -e)));
    guides->Add(factory->CreateLine(nullptr, DPosition(px, py - r, 0), DPosition(x2, -shape.B - shape.T, 0)));

    auto surfaces = factory->CreateSkin(outputColl->ResourceManager(), guides, sections, 1);
    for (int i = 1; i <= surfaces->Count(); ++i) outputColl->AddOutput(surfaceName, surfaces->Item(i));
    guides->Clear();
    sections->Clear();
}

} // namespace tcv::shapes
