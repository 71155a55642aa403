#include "tarncheckvalve/shapes/InlineBodyShapes.h"
#include "tarncheckvalve/base/Constants.h"

#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"

namespace tcv::shapes::inline_bodies {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;

using host::DPosition;

namespace {

// The female end type: a flat-sided wafer whose first port has it and no flange is sized from its pipe.
constexpr std::int32_t kFemaleEndType = 15;

constexpr const char* kShapeName = "CheckValve_";

// How the bulb outline is laid out: the height of the straight runs, the semi-length of the bulge, where
// the runs meet it, how much the crest grows and whether the runs are drawn at all.
struct BulgeOutline {
    double runHeight = 0;
    double semiLength = 0;
    double runEnd = 0;
    double crestGrowth = 0;
    bool withRuns = true;
};

host::CurvePtr chainBulgeProfile(double faceToFace, double flangeThk, double pipeOD, double crestHeight,
                                 const BulgeOutline& outline) {
    auto& rt = host::runtime();
    auto factory = rt.CreateGeometryFactory();
    auto curves = rt.CreateCollection();
    const double inletFace = -faceToFace / 2 + flangeThk;
    const double outletFace = faceToFace / 2 - flangeThk;
    const double r = outline.runHeight;
    if (outline.withRuns) curves->Add(factory->CreateLine(nullptr, {inletFace, r, 0}, {-outline.runEnd, r, 0}));
    // The ellipse rises from the pipe wall to the crest; it is placed where the inlet run ends.
    const double ratio = checked::divide(crestHeight - 0.5 * pipeOD + outline.crestGrowth, outline.semiLength);
    curves->Add(factory->CreateEllipticalArc(nullptr, {0, pipeOD / 2, 0}, {0, 0, -1}, {outline.semiLength, 0, 0}, ratio,
                                             kPi, kPi));
    if (outline.withRuns) curves->Add(factory->CreateLine(nullptr, {outline.runEnd, r, 0}, {outletFace, r, 0}));
    DPosition start(inletFace, r, 0);
    return PlaceTrCString(start, curves);
}

void addCylinder(const host::OutputCollectionPtr& outputColl, const std::string& name, const DPosition& start,
                 const DPosition& end, double diameter) {
    outputColl->AddOutput(name, PlaceCylinder(outputColl, start, end, diameter, true));
}

// A flush connection below the body at x, of the given diameter, when it has one.
void addFlushConnection(const host::OutputCollectionPtr& outputColl, double x, double height, double diameter,
                        double growth) {
    if (isZeroDim(diameter)) return;
    addCylinder(outputColl, kShapeName, {x, -0.45 * height, 0}, {x, -0.5 * height - growth, 0}, diameter + 2 * growth);
}

} // namespace

CommonInputs readCommonInputs(const host::VariantArray& arrayofinputs) {
    CommonInputs in;
    in.part = readPart(arrayofinputs);
    in.faceToFace = readDimension(arrayofinputs, input::FacetoFace);
    in.insulationThickness = readDimension(arrayofinputs, input::InsulationThickness);
    return in;
}

WaferInputs readWaferInputs(const host::VariantArray& arrayofinputs, const host::OutputCollectionPtr& outputColl) {
    const CommonInputs common = readCommonInputs(arrayofinputs);
    WaferInputs in{
        common.part, common.faceToFace, common.insulationThickness, readDimension(arrayofinputs, input::Height), {}};
    RetrievePortData(1, in.part, outputColl, in.port);
    return in;
}

std::int32_t firstPortEndType(const host::ObjectPtr& part) {
    auto ports = pipingComponent(part)->Ports();
    if (!ports || ports->Count() < 1) throw host::HostError(host::kBadIndex, "the part has no ports");
    auto port = ports->Item(1);
    if (!port) throw host::HostError(host::kBadIndex, "the part has no first port");
    return port->EndType();
}

FlatSidedEnds flatSidedEnds(const host::ObjectPtr& part, double faceToFace, double height,
                            const PortDataRecord& port1) {
    FlatSidedEnds ends;
    double discDiameter = port1.flangeDiameter;
    if (isZeroDim(height)) {
        const bool femaleWithoutFlange =
            firstPortEndType(part) == kFemaleEndType && !isPositiveDim(port1.flangeDiameter);
        ends.acrossFlats = femaleWithoutFlange ? 1.05 * port1.pipeOD : 0.9 * port1.flangeDiameter;
    } else {
        ends.acrossFlats = height;
    }
    // The female end still gets its discs, sized from the pipe, once the flats are fixed.
    if (firstPortEndType(part) == kFemaleEndType && CmpDblLessThanOrEqualTo(discDiameter, kTolerance, kTolerance))
        discDiameter = 1.1 * port1.pipeOD;
    ends.discDiameter = discDiameter;
    ends.discThickness =
        isPositiveDim(discDiameter) && isZeroDim(port1.flangeThickness) ? 0.15 * faceToFace : port1.flangeThickness;
    return ends;
}

FlatSidedWeb flatSidedWeb(const FlatSidedEnds& ends, double pipeOD) {
    FlatSidedWeb web;
    const double discRadius = ends.discDiameter / 2;
    const double halfFlats = ends.acrossFlats / 2;
    web.flatsWidth = 2 * checked::squareRoot(discRadius * discRadius - halfFlats * halfFlats);
    web.webWidth = 0.4 * web.flatsWidth;
    const double pipeRadius = pipeOD / 2;
    web.webBottom = checked::squareRoot(pipeRadius * pipeRadius - web.webWidth * web.webWidth / 4);
    return web;
}

host::CurvePtr flatSidedDiscProfile(double x, double halfHeight, double halfWidth) {
    auto& rt = host::runtime();
    auto factory = rt.CreateGeometryFactory();
    auto curves = rt.CreateCollection();
    const DPosition centre(x, 0, 0);
    curves->Add(factory->CreateLine(nullptr, {x, halfHeight, -halfWidth}, {x, halfHeight, halfWidth}));
    curves->Add(factory->CreateArcByCenter(nullptr, centre, {x, halfHeight, halfWidth}, {x, -halfHeight, halfWidth}));
    curves->Add(factory->CreateLine(nullptr, {x, -halfHeight, halfWidth}, {x, -halfHeight, -halfWidth}));
    curves->Add(factory->CreateArcByCenter(nullptr, centre, {x, -halfHeight, -halfWidth}, {x, halfHeight, -halfWidth}));
    DPosition start(x, halfHeight, -halfWidth);
    return PlaceTrCString(start, curves);
}

void addFlatSidedDiscs(const host::OutputCollectionPtr& outputColl, const std::string& inletName,
                       const std::string& outletName, double faceToFace, double halfHeight, double halfWidth,
                       double length) {
    outputColl->AddOutput(inletName,
                          PlaceProjection(outputColl, flatSidedDiscProfile(-faceToFace / 2, halfHeight, halfWidth),
                                          {1, 0, 0}, length, true));
    outputColl->AddOutput(outletName,
                          PlaceProjection(outputColl, flatSidedDiscProfile(faceToFace / 2, halfHeight, halfWidth),
                                          {-1, 0, 0}, length, true));
}

host::CurvePtr bulgeProfile(double faceToFace, double flangeThk, double pipeOD, double crestHeight) {
    BulgeOutline outline;
    outline.runHeight = pipeOD / 2;
    outline.semiLength = 0.35 * faceToFace;
    outline.runEnd = 0.35 * faceToFace;
    return chainBulgeProfile(faceToFace, flangeThk, pipeOD, crestHeight, outline);
}

host::CurvePtr insulatedBulgeProfile(double faceToFace, double flangeThk, double pipeOD, double crestHeight,
                                     double growth) {
    BulgeOutline outline;
    outline.runHeight = pipeOD / 2 + growth;
    const double grownSemiLength = 0.35 * faceToFace + growth;
    const double innerFace = 0.5 * faceToFace - flangeThk;
    outline.semiLength = CmpDblLessThan(grownSemiLength, innerFace, kTolerance) ? grownSemiLength : innerFace;
    outline.runEnd = grownSemiLength;
    outline.crestGrowth = growth;
    outline.withRuns = CmpDblLessThanOrEqualTo(growth, 0.15 * faceToFace - flangeThk, kTolerance);
    return chainBulgeProfile(faceToFace, flangeThk, pipeOD, crestHeight, outline);
}

void addRevolvedBody(const host::OutputCollectionPtr& outputColl, const std::string& name,
                     const host::CurvePtr& profile) {
    outputColl->AddOutput(name, PlaceRevolution(outputColl, profile, {1, 0, 0}, {0, 0, 0}, 2 * kPi, true));
}

void addTransitionBody(const host::OutputCollectionPtr& outputColl, const std::string& firstName, double faceToFace,
                       double pipeOD, double diameter, double heightFromCentre, double width, double growth) {
    const double L = faceToFace;
    const double g = growth;
    auto factory = host::runtime().CreateGeometryFactory();
    const DPosition waist(0, -0.1 * pipeOD, 0);
    auto inletRing = factory->CreateCircle(nullptr, {-0.4 * L, 0, 0}, {1, 0, 0}, 0.7 * pipeOD + g);
    auto waistFacingInlet = factory->CreateCircle(nullptr, waist, {-1, 0, 0}, 0.4 * width + g);
    auto outletRing = factory->CreateCircle(nullptr, {0.4 * L, 0, 0}, {-1, 0, 0}, 0.7 * pipeOD + g);
    auto rm = outputColl->ResourceManager();

    outputColl->AddOutput(firstName, factory->CreateRuledSurface(rm, inletRing, waistFacingInlet, true));
    outputColl->AddOutput(
        kShapeName, PlaceCone(outputColl, {-L / 2, 0, 0}, {-0.4 * L, 0, 0}, pipeOD / 2 + g, 0.7 * pipeOD + g, true));
    auto waistFacingOutlet = factory->CreateCircle(nullptr, waist, {1, 0, 0}, 0.4 * width + g);
    outputColl->AddOutput(kShapeName, factory->CreateRuledSurface(rm, waistFacingOutlet, outletRing, true));
    outputColl->AddOutput(
        kShapeName, PlaceCone(outputColl, {L / 2, 0, 0}, {0.4 * L, 0, 0}, pipeOD / 2 + g, 0.7 * pipeOD + g, true));

    // The bonnet: a wide lower part from the flow axis up to 0.8 of its height, a narrower cap above.
    const DPosition bonnetStep(0, 0.8 * heightFromCentre, 0);
    addCylinder(outputColl, kShapeName, bonnetStep, {0, 0, 0}, diameter + 2 * g);
    addCylinder(outputColl, kShapeName, bonnetStep, {0, heightFromCentre, 0}, 0.8 * diameter + 2 * g);
    // The disc's cross shaft, across the flow.
    addCylinder(outputColl, kShapeName, {-0.1 * L, 0, -width / 2 - g}, {-0.1 * L, 0, width / 2 + g}, 0.2 * L + 2 * g);
}

PlateBowlInputs readPlateBowlInputs(const host::VariantArray& arrayofinputs, double faceToFace) {
    PlateBowlInputs in;
    in.faceToFace = faceToFace;
    in.height = readDimension(arrayofinputs, input::Height);
    in.plugDiameter = readDimension(arrayofinputs, input::PlugDiameter);
    in.flushDiameter1 = readDimension(arrayofinputs, input::FlushDiameter1);
    in.flushDiameter2 = readDimension(arrayofinputs, input::FlushDiameter2);
    return in;
}

void addPlateBowlBody(const host::OutputCollectionPtr& outputColl, const std::string& firstName,
                      const PlateBowlInputs& in, double growth) {
    const double Lb = in.bodyLength;
    const double H = in.height;
    const double g = growth;
    addCylinder(outputColl, firstName, {-0.4 * Lb - g, 0, 0}, {0.4 * Lb + g, 0, 0}, 0.75 * H + 2 * g);
    outputColl->AddOutput(kShapeName, PlaceBox(outputColl, {-in.faceToFace / 2, -0.1 * H - g, -H / 2 - g},
                                               {in.faceToFace / 2, 0.1 * H + g, H / 2 + g}));
    addCylinder(outputColl, kShapeName, {0, 0.4 * H + g, 0}, {0, -0.45 * H - g, 0}, 0.6 * Lb + 2 * g);
    if (!isZeroDim(in.plugDiameter))
        addCylinder(outputColl, kShapeName, {0, 0.4 * H, 0}, {0, 0.5 * H + g, 0}, in.plugDiameter + 2 * g);
    addFlushConnection(outputColl, -0.2 * Lb, H, in.flushDiameter1, g);
    addFlushConnection(outputColl, 0.2 * Lb, H, in.flushDiameter2, g);
}

CollarBodyInputs readCollarBodyInputs(const host::VariantArray& arrayofinputs) {
    CollarBodyInputs in;
    in.height = readDimension(arrayofinputs, input::Height);
    in.plugDiameter = readDimension(arrayofinputs, input::PlugDiameter);
    in.flushDiameter = readDimension(arrayofinputs, input::FlushDiameter);
    return in;
}

void addCollarBody(const host::OutputCollectionPtr& outputColl, const std::string& firstName,
                   const CollarBodyInputs& in, double growth) {
    const double Lb = in.bodyLength;
    const double H = in.height;
    const double g = growth;
    addCylinder(outputColl, firstName, {-0.4 * Lb - g, -0.025 * H, 0}, {0.4 * Lb + g, -0.025 * H, 0}, 0.85 * H + 2 * g);
    addCylinder(outputColl, "CheckValveBody_", {-0.4 * Lb - g, 0, 0}, {-0.3 * Lb + g, 0, 0}, H + 2 * g);
    if (!isZeroDim(in.plugDiameter))
        addCylinder(outputColl, kShapeName, {0.25 * Lb, 0.4 * H, 0}, {0.25 * Lb, 0.5 * H + g, 0},
                    in.plugDiameter + 2 * g);
    if (!isZeroDim(in.flushDiameter)) {
        addFlushConnection(outputColl, -0.2 * Lb, H, in.flushDiameter, g);
        addFlushConnection(outputColl, 0.2 * Lb, H, in.flushDiameter, g);
    }
}

void addDoubleConeBody(const host::OutputCollectionPtr& outputColl, const DoubleConeNames& names, double faceToFace,
                       double flangeThk, double pipeOD, double heightFromCentre, double verticalDiameter,
                       double growth) {
    const double g = growth;
    const DPosition centre(0, 0, 0);
    const double endRadius = pipeOD / 2 + g;
    const double centreRadius = 0.5 * heightFromCentre + g;
    // Port 1's flange thickness sets both inner faces.
    outputColl->AddOutput(names.leftCone, PlaceCone(outputColl, {-faceToFace / 2 + flangeThk, 0, 0}, centre, endRadius,
                                                    centreRadius, true));
    outputColl->AddOutput(names.rightCone, PlaceCone(outputColl, centre, {faceToFace / 2 - flangeThk, 0, 0},
                                                     centreRadius, endRadius, true));
    addCylinder(outputColl, names.verticalCylinder, {0, -0.5 * heightFromCentre - g, 0}, {0, heightFromCentre + g, 0},
                verticalDiameter);
}

} // namespace tcv::shapes::inline_bodies
