// Port-sized bonneted bodies: a body as wide as the ports, drawn as two half-length cylinders meeting at
// the valve centre, a bonnet between the two flanges and the lofted body around it. The three builders
// differ only in the bonnet.
// Insulation of port-sized bonneted bodies: the insulated body, bonnet block and downward bulge, the
// insulated neck of the eight-nut bonnet, and insulated flange rings.
//
// The family's Physical and Insulation builders side by side, registered at the end of the file
// under its PartDataBasis values (Registry.cpp lists the family).
#include "InsulatedFlangeRings.h"
#include "Variants.h"
#include "tarncheckvalve/base/Inputs.h"
#include "tarncheckvalve/base/basCCheckValve.h"
#include "tarncheckvalve/geometry/Comparisons.h"
#include "tarncheckvalve/geometry/basGeom3d.h"
#include "tarncheckvalve/shapes/BonnetedValveSizes.h"
#include "tarncheckvalve/shapes/ValveBonnet.h"

namespace tcv::variants {

using namespace tcv::contract;
using namespace tcv::base;
using namespace tcv::geometry;
using namespace tcv::ports;
using namespace tcv::shapes;

using host::DPosition;

namespace {

// ---- Physical

namespace {

// The sizes the three builders share once the two half cylinders stand.
struct BonnetedBody {
    host::ObjectPtr part;
    double F = 0;  // face-to-face length
    double H = 0;  // height of the bonnet top above the flow axis
    double B = 0;  // body diameter
    double t1 = 0; // flange thickness of port 1
    double t2 = 0; // flange thickness of port 2
    double E = 0;  // length between the two flanges
    PortDataRecord port1, port2;

    // The height at fraction k of the bonnet, from the top of the body (0.5 B) to the bonnet top.
    double heightAt(double k) const { return 0.5 * B + k * (H - 0.5 * B); }
    // The ends of a bonnet part reaching `fraction` of F from the centre on either side, each end set back
    // by its own flange's thickness: unequal flanges shift the bonnet, each end following its own flange.
    double leftEnd(double fraction) const { return -(fraction * F - t1); }
    double rightEnd(double fraction) const { return fraction * F - t2; }
};

// Reads the sizes and adds the two half cylinders, the first under the first declared output.
BonnetedBody addHalfCylinders(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                              const host::StringArray& arrayOfOutputs) {
    BonnetedBody body;
    body.part = readPart(arrayofinputs);
    body.F = readDimension(arrayofinputs, input::FacetoFace);
    readDimension(arrayofinputs, input::InsulationThickness);
    body.H = readDimension(arrayofinputs, input::HeightFrmValCen);
    readPartDataBasis(body.part);
    const EndTypeCodes codes = readEndTypeCodes(body.part);

    RetrievePortData(1, body.part, outputColl, body.port1);
    RetrievePortData(2, body.part, outputColl, body.port2);
    body.B = portSizedBodyDiameter(codes, body.port1, body.port2);
    body.t1 = body.port1.flangeThickness;
    body.t2 = body.port2.flangeThickness;
    body.E = body.F - body.t1 - body.t2;

    const DPosition centre(0, 0, 0);
    outputColl->AddOutput(arrayOfOutputs.at(1),
                          PlaceCylinder(outputColl, DPosition(-body.F / 2, 0, 0), centre, body.B, true));
    outputColl->AddOutput("Body2", PlaceCylinder(outputColl, DPosition(body.F / 2, 0, 0), centre, body.B, true));
    return body;
}

// The lofted body reaches from flange to flange, centred on the valve centre.
void addLoftedBody(const host::OutputCollectionPtr& outputColl, const BonnetedBody& body, const char* name) {
    shapes::addLoftedBody(outputColl, body.E, body.B, name);
}

void addNozzles(const host::OutputCollectionPtr& outputColl, const BonnetedBody& body) {
    addBonnetFaceNozzles(body.part, outputColl, body.F / 2, body.port1, body.port2);
}

// The nuts stand near the ends of the bonnet plate.
std::vector<NutPosition> bonnetNuts(const BonnetedBody& body, double t, std::optional<double> inner) {
    return bonnetNutPositions(body.leftEnd(0.4), body.rightEnd(0.4), 0.6 * body.B - 1.5 * t, t, inner);
}

} // namespace

void runPDB2459(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2459", [&] {
        const BonnetedBody body = addHalfCylinders(outputColl, arrayofinputs, arrayOfOutputs);
        const double left = 0.95 * body.leftEnd(0.5), right = 0.95 * body.rightEnd(0.5);
        const double halfWidth = 0.75 * body.B;

        // Two plates, the upper one carrying four nuts.
        addBonnetBox(outputColl, "Body3", left, right, halfWidth, 0.5 * body.B, body.heightAt(0.4));
        addBonnetBox(outputColl, "Body4", left, right, halfWidth, body.heightAt(0.4), body.heightAt(0.8));
        const double t = 0.8 * body.E / 16;
        addHexagonNuts(outputColl, t, 0.2 * (body.H - 0.5 * body.B), body.heightAt(0.8),
                       bonnetNuts(body, t, std::nullopt));

        addLoftedBody(outputColl, body, "Body5_");
        addNozzles(outputColl, body);
    });
}

void runPDB2469(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2469", [&] {
        const BonnetedBody body = addHalfCylinders(outputColl, arrayofinputs, arrayOfOutputs);
        const BonnetRectangle plateTop = {body.leftEnd(0.45), body.rightEnd(0.45), 0.75 * body.B, body.heightAt(0.5)};
        const BonnetRectangle capBase = {body.leftEnd(0.35), body.rightEnd(0.35), 0.6 * body.B, body.heightAt(0.75)};

        // A plate, a ruled transition narrowing to the cap block.
        addTaperedBonnet(outputColl, "Body3", 0.5 * body.B, plateTop, capBase, "Body5", body.H);

        addLoftedBody(outputColl, body, "Body6_");
        addNozzles(outputColl, body);
    });
}

void runPDB2470(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Physical:", "runPDB2470", [&] {
        const BonnetedBody body = addHalfCylinders(outputColl, arrayofinputs, arrayOfOutputs);
        const double left = body.leftEnd(0.45), right = body.rightEnd(0.45);
        const double halfWidth = 0.75 * body.B;

        // A neck, then two plates; the lofted body comes before the eight nuts.
        outputColl->AddOutput("Body3", PlaceCylinder(outputColl, DPosition(0, 0.5 * body.B, 0),
                                                     DPosition(0, body.heightAt(0.2), 0), 0.35 * body.E, true));
        addBonnetBox(outputColl, "Body4", left, right, halfWidth, body.heightAt(0.2), body.heightAt(0.5));
        addBonnetBox(outputColl, "Body5", left, right, halfWidth, body.heightAt(0.5), body.heightAt(0.85));
        addLoftedBody(outputColl, body, "Body6_");
        const double t = (0.7 * body.F - body.t1 - body.t2) / 16;
        addHexagonNuts(outputColl, t, 0.15 * (body.H - 0.5 * body.B), body.heightAt(0.85), bonnetNuts(body, t, 7.0));

        addNozzles(outputColl, body);
    });
}

// ---- Insulation

namespace {

// The two bonnet shapes the insulation tells apart: the plate bonnets (four nuts, or a ruled cap) keep
// their insulation within the valve's faces where it would end short of them; the neck bonnet has an
// insulated neck and keeps its own extents.
enum class Bonnet { Plate, Neck };

void buildInsulatedBonnetedBody(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs, Bonnet bonnet) {
    const auto part = readPart(arrayofinputs);
    const double F = readDimension(arrayofinputs, input::FacetoFace);
    const double T = readDimension(arrayofinputs, input::InsulationThickness);
    const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
    readPartDataBasis(part);
    const EndTypeCodes codes = readEndTypeCodes(part);
    PortDataRecord port1, port2;
    RetrievePortData(1, part, outputColl, port1);
    RetrievePortData(2, part, outputColl, port2);
    const double B = portSizedBodyDiameter(codes, port1, port2);
    const double E = F - port1.flangeThickness - port2.flangeThickness;

    outputColl->AddOutput(arrayOfOutputs.at(1),
                          PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0), DPosition(F / 2, 0, 0), 2 * T + B, true));

    double left = -0.45 * (F - port1.flangeThickness) - T;
    double right = 0.45 * (F - port2.flangeThickness) + T;
    if (bonnet == Bonnet::Plate && !CmpDblLessThan(F / 2, right, kTolerance)) {
        left = -F / 2;
        right = F / 2;
    }
    addBonnetBox(outputColl, "Body2", left, right, 0.75 * B + T, 0.5 * B - T, H + T);

    if (bonnet == Bonnet::Neck)
        outputColl->AddOutput("InsBody3",
                              PlaceCylinder(outputColl, DPosition(0, 0.5 * B, 0),
                                            DPosition(0, 0.5 * B + 0.2 * (H - 0.5 * B), 0), 0.35 * E + 2 * T, true));

    double bulgeDiameter = 0.75 * E + 2 * T;
    if (bonnet == Bonnet::Plate && CmpDblGreaterthan(bulgeDiameter, F, kTolerance)) bulgeDiameter = F;
    outputColl->AddOutput("InsValvBody", PlaceCylinder(outputColl, DPosition(0, 0.5 * B, 0),
                                                       DPosition(0, -0.75 * B - T, 0), bulgeDiameter, true));

    AddInsulatedFlangeRings(outputColl, F / 2, F, port1, port2, T);
}

} // namespace

void runINSPDB2459(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB2459",
                    [&] { buildInsulatedBonnetedBody(outputColl, arrayofinputs, arrayOfOutputs, Bonnet::Plate); });
}

void runINSPDB2469(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB2469",
                    [&] { buildInsulatedBonnetedBody(outputColl, arrayofinputs, arrayOfOutputs, Bonnet::Plate); });
}

void runINSPDB2470(const host::OutputCollectionPtr& outputColl, const host::VariantArray& arrayofinputs,
                   const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB2470",
                    [&] { buildInsulatedBonnetedBody(outputColl, arrayofinputs, arrayOfOutputs, Bonnet::Neck); });
}

// The family's variants: the PartDataBasis values each serves and its Physical and Insulation builders.
const Variant kVariants[] = {
    {{2459}, runPDB2459, runINSPDB2459},
    {{2469}, runPDB2469, runINSPDB2469},
    {{2470}, runPDB2470, runINSPDB2470},
};

} // namespace

extern const std::span<const Variant> kBonnetedBodiesFamily{kVariants};

} // namespace tcv::variants
