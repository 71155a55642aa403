#include "tarncheckvalve/shapes/OperatorBaseGeometry.h"

#include "tarncheckvalve/shapes/FaceNozzles.h"

namespace tcv::shapes::operator_base {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;

using host::DPosition;
using host::DVector;

ValveInputs readValveInputs(const host::VariantArray& arrayofinputs, const host::OutputCollectionPtr& outputColl) {
    ValveInputs in{readDimension(arrayofinputs, input::InsulationThickness),
                   readDimension(arrayofinputs, input::EqualizerClearance),
                   readDimension(arrayofinputs, input::Diameter),
                   readPart(arrayofinputs),
                   {}};
    RetrievePortData(1, in.part, outputColl, in.port1);
    return in;
}

FaceToCentre readFaceToCentre(const host::VariantArray& arrayofinputs) {
    FaceToCentre f{readDimension(arrayofinputs, input::Face1toCenter),
                   readDimension(arrayofinputs, input::Face2toCenter)};
    if (CmpDblLessThanOrEqualTo(f.face2, 0, kTolerance)) f.face2 = f.face1;
    return f;
}

EqualizerPath equalizerPath(double startX, double topX, double topY, double OD, double clearance) {
    const double nearZ = -0.4 * OD;
    const double farZ = -clearance + 0.1 * OD;
    return {{startX, 0, nearZ}, {startX, 0, farZ}, {topX, topY, farZ}, {topX, topY, nearZ}};
}

double crossingLegInPlan(const EqualizerPath& path) {
    const double dx = path.p1.x() - path.p3.x();
    const double dy = path.p1.y() - path.p3.y();
    return checked::squareRoot(dx * dx + dy * dy);
}

void addEqualizer(const host::OutputCollectionPtr& outputColl, const EqualizerPath& path, double radius,
                  const char* name) {
    auto factory = host::runtime().CreateGeometryFactory();
    const std::vector<double> corners = {path.p1.x(), path.p1.y(), path.p1.z(), path.p2.x(), path.p2.y(), path.p2.z(),
                                         path.p3.x(), path.p3.y(), path.p3.z(), path.p4.x(), path.p4.y(), path.p4.z()};
    auto line = factory->CreateLineString(nullptr, 4, corners);
    auto section = factory->CreateCircle(nullptr, path.p1, DVector(0, 0, 1), radius);
    host::ObjectPtr startCap, endCap;
    auto solids = factory->CreateSingleSweep(outputColl->ResourceManager(), line, section, 1, 2, startCap, endCap, 0);
    for (int i = 1; i <= solids->Count(); ++i) outputColl->AddOutput(name, solids->Item(i));
}

void addSkinnedBody(const host::OutputCollectionPtr& outputColl, const SkinStations& at, double OD, double grow,
                    const char* name) {
    auto& rt = host::runtime();
    auto factory = rt.CreateGeometryFactory();
    const double* x = at.x;

    auto profiles = rt.CreateCollection();
    int order = 4;
    profiles->Add(PlaceTrBspline(
        order, {{x[0], OD / 2, 0}, {x[1], 0.4 * OD, 0}, {x[2], 0.7 * OD, 0}, {x[3], 0.6 * OD, 0}, {x[4], OD / 2, 0}}));
    order = 4;
    profiles->Add(PlaceTrBspline(
        order,
        {{x[0], -OD / 2, 0}, {x[1], -0.85 * OD, 0}, {x[2], -0.85 * OD, 0}, {x[3], -0.5 * OD, 0}, {x[4], -OD / 2, 0}}));

    // The middle section is lowered and wider than the end sections: the body bulges below the axis.
    const DVector alongFlow(1, 0, 0);
    auto sections = rt.CreateCollection();
    sections->Add(factory->CreateCircle(nullptr, DPosition(x[0], 0, 0), alongFlow, OD / 2 + grow));
    sections->Add(factory->CreateCircle(nullptr, DPosition(0, -0.075 * OD, 0), alongFlow, 0.775 * OD + grow));
    sections->Add(factory->CreateCircle(nullptr, DPosition(x[4], 0, 0), alongFlow, OD / 2 + grow));

    // The body is a closed solid: the skin is closed through its end sections.
    auto surfaces = factory->CreateSkin(outputColl->ResourceManager(), profiles, sections, 1);
    for (int i = 1; i <= surfaces->Count(); ++i) outputColl->AddOutput(name, surfaces->Item(i));
}

InclinedBaseHeights heightsFromFlangeHeight(double height, double DF, double c) {
    const double baseTop = 0.95 * height - 0.5 * DF * c;
    return {baseTop, height - 0.5 * DF * c, 0.75 * baseTop};
}

InclinedValveLayout offCentreLayout(double F, double FT) {
    return {-0.25 * F + FT, 0.75 * F - FT, 0.5 * F, -0.25 * F, 0.75 * F};
}

InclinedValveLayout faceToCentreLayout(const FaceToCentre& f, double FT) {
    return {-f.face1 + FT, f.face2 - FT, 0.67 * f.face2, -f.face1, f.face2};
}

SkinnedValveLayout faceToCentreSkin(const FaceToCentre& f) {
    return {{{-f.face1, -0.5 * f.face1, 0, 0.5 * f.face2, f.face2}}, 0.8 * f.face2};
}

SkinnedOperatorHeight readSkinnedOperatorHeight(const host::VariantArray& arrayofinputs, const host::ObjectPtr& part) {
    const bool givenAsOffset = readPartDataBasis(part) == 2157;
    return {readDimension(arrayofinputs, givenAsOffset ? input::OffsetFrmValCen : input::HeightFrmValCen),
            givenAsOffset};
}

void addFaceNozzles(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs,
                    const host::ObjectPtr& part, const PortDataRecord& port1, double face1X, double face2X) {
    PortDataRecord port2;
    makeFaceNozzles(part, outputColl, {.face1X = face1X, .face2X = face2X}, port1, port2, true,
                    [&](std::int16_t portIndex, const host::NozzlePtr& nozzle) {
                        outputColl->AddOutput(arrayOfOutputs.at(portIndex + 1), nozzle);
                    });
}
} // namespace tcv::shapes::operator_base
