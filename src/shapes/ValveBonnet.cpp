#include "tarncheckvalve/shapes/ValveBonnet.h"
#include "tarncheckvalve/base/Constants.h"

#include "tarncheckvalve/geometry/CheckedMath.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/geometry/basGeom3dEx.h"
#include "tarncheckvalve/host/Runtime.h"
#include "tarncheckvalve/ports/Nozzles.h"
#include "tarncheckvalve/shapes/FaceNozzles.h"

namespace tcv::shapes {

using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;

using host::DPosition;
using host::DT4x4;
using host::DVector;

void addBonnetBox(const host::OutputCollectionPtr& outputColl, const std::string& name, double x1, double x2,
                  double halfWidth, double yBottom, double yTop) {
    outputColl->AddOutput(name,
                          PlaceBox(outputColl, DPosition(x1, yBottom, halfWidth), DPosition(x2, yTop, -halfWidth)));
}

void addLoftedBody(const host::OutputCollectionPtr& outputColl, double length, double diameter,
                   const std::string& name) {
    auto& rt = host::runtime();
    auto factory = rt.CreateGeometryFactory();
    const double halfLength = length / 2;
    const double radius = diameter / 2;

    // The lower guide: straight at both ends, with a half ellipse between that dips a quarter of the
    // diameter below the body's underside.
    auto lowerCurves = rt.CreateCollection();
    lowerCurves->Add(
        factory->CreateLine(nullptr, DPosition(-halfLength, -radius, 0), DPosition(-0.35 * length, -radius, 0)));
    lowerCurves->Add(factory->CreateEllipticalArc(nullptr, DPosition(0, -radius, 0), DVector(0, 0, 1),
                                                  DVector(-0.35 * length, 0, 0),
                                                  checked::divide(0.25 * diameter, 0.35 * length), 0, kPi));
    lowerCurves->Add(
        factory->CreateLine(nullptr, DPosition(0.35 * length, -radius, 0), DPosition(halfLength, -radius, 0)));
    DPosition chainStart(-halfLength, -radius, 0);
    auto lowerGuide = PlaceTrCString(chainStart, lowerCurves);
    auto upperGuide = factory->CreateLine(nullptr, DPosition(-halfLength, radius, 0), DPosition(halfLength, radius, 0));

    auto guides = rt.CreateCollection();
    guides->Add(lowerGuide);
    guides->Add(upperGuide);

    auto sections = rt.CreateCollection();
    for (double x : {-halfLength, halfLength})
        sections->Add(factory->CreateCircleBy3Points(nullptr, DPosition(x, radius, 0), DPosition(x, -radius, 0),
                                                     DPosition(x, 0, radius)));

    auto surfaces = factory->CreateSkin(outputColl->ResourceManager(), guides, sections, 0);
    for (int i = 1; i <= surfaces->Count(); ++i) outputColl->AddOutput(name, surfaces->Item(i));
}

std::vector<NutPosition> bonnetNutPositions(double left, double right, double c, double t,
                                            std::optional<double> inner) {
    std::vector<NutPosition> positions = {
        {left + 2 * t, -c}, {left + 2 * t, c}, {right - 2 * t, -c}, {right - 2 * t, c}};
    if (inner) {
        const double k = *inner;
        positions.insert(positions.end(),
                         {{right - k * t, c}, {left + k * t, c}, {right - k * t, -c}, {left + k * t, -c}});
    }
    return positions;
}

void addHexagonNuts(const host::OutputCollectionPtr& outputColl, double t, double height, double y,
                    const std::vector<NutPosition>& positions) {
    const double side = checked::tangent(kPi / 3) * t;
    for (const auto& position : positions) {
        auto nut = PlaceNSidedPrism(outputColl, 6, side, height, true);
        // The prism is made along +X; a quarter turn about Z stands it along +Y.
        DT4x4 matrix;
        matrix.rotate(kPi / 2, DVector(0, 0, 1));
        nut->Transform(matrix);
        matrix.loadIdentity();
        matrix.translate(DVector(position.x, y, position.z));
        nut->Transform(matrix);
        outputColl->AddOutput("Nut_", nut);
    }
}

namespace {

// The closed rectangle as a bounded plane: five points, the first repeated, x, y, z point after point.
host::PlanePtr bonnetPlane(const host::GeometryFactoryPtr& factory, const BonnetRectangle& r) {
    const std::vector<double> coordinates = {r.x1, r.y, r.halfWidth, r.x1, r.y, -r.halfWidth, r.x2, r.y, -r.halfWidth,
                                             r.x2, r.y, r.halfWidth, r.x1, r.y, r.halfWidth};
    return factory->CreatePlane(nullptr, 5, coordinates);
}

} // namespace

void addTaperedBonnet(const host::OutputCollectionPtr& outputColl, const std::string& plateName, double plateBottom,
                      const BonnetRectangle& plateTop, const BonnetRectangle& capBase, const std::string& capName,
                      double capTop) {
    addBonnetBox(outputColl, plateName, plateTop.x1, plateTop.x2, plateTop.halfWidth, plateBottom, plateTop.y);
    auto factory = host::runtime().CreateGeometryFactory();
    auto lowerPlane = bonnetPlane(factory, plateTop);
    auto upperPlane = bonnetPlane(factory, capBase);
    outputColl->AddOutput("RuledSurface",
                          factory->CreateRuledSurface(outputColl->ResourceManager(), lowerPlane, upperPlane, true));
    addBonnetBox(outputColl, capName, capBase.x1, capBase.x2, capBase.halfWidth, capBase.y, capTop);
}

void addBonnetFaceNozzles(const host::ObjectPtr& part, const host::OutputCollectionPtr& outputColl, double faceX,
                          const PortDataRecord& port1, const PortDataRecord& port2) {
    PortDataRecord outlet = port2;
    makeFaceNozzles(part, outputColl, {.face1X = -faceX, .face2X = faceX}, port1, outlet, false,
                    [&](std::int16_t portIndex, const host::NozzlePtr& nozzle) {
                        outputColl->AddOutput(portIndex == 1 ? "PNoz1" : "PNoz2", nozzle);
                    });
}

} // namespace tcv::shapes
