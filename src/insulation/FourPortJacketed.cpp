// Insulated four-port jacketed bodies: each piece of the bare body wrapped in a shell one insulation
// thickness thicker, and shells over the run flanges.
#include <array>

#include "geometry/CheckedMath.h"
#include "geometry/Comparisons.h"
#include "geometry/basGeom3d.h"
#include "geometry/basGeom3dEx.h"
#include "insulation/CInsulation.h"
#include "physical/MultiPortEnds.h"
#include "symbol/Inputs.h"
#include "symbol/basCCheckValve.h"

namespace tcv {

namespace {

using FourPorts = std::array<PortDataRecord, 5>;

// The stem shell grows by 2T but never beyond the face-to-face length.
double stemShellDiameter(double S, double T, double F) {
    return CmpDblGreaterthan(S + 2 * T, F, kTolerance) ? F : S + 2 * T;
}

void addRunShell(const host::OutputCollectionPtr& outputColl, const host::StringArray& arrayOfOutputs, double F,
                 double T, const FourPorts& port) {
    outputColl->AddOutput(arrayOfOutputs.at(1), PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0),
                                                              DPosition(F / 2, 0, 0), port[1].pipeOD + 2 * T, true));
}

// Shells over the run flanges, each from its face inwards by flange thickness plus T; `hasFlange`
// decides which ends have one.
template <class HasFlange>
void addFlangeShells(const host::OutputCollectionPtr& outputColl, double F, double T, const FourPorts& port,
                     HasFlange hasFlange) {
    if (hasFlange(port[1].flangeDiameter))
        outputColl->AddOutput("InsOutput6", PlaceCylinder(outputColl, DPosition(-F / 2, 0, 0),
                                                          DPosition(-F / 2 + port[1].flangeThickness + T, 0, 0),
                                                          port[1].flangeDiameter + 2 * T, true));
    if (hasFlange(port[2].flangeDiameter))
        outputColl->AddOutput("InsOutput7", PlaceCylinder(outputColl, DPosition(F / 2, 0, 0),
                                                          DPosition(F / 2 - port[2].flangeThickness - T, 0, 0),
                                                          port[2].flangeDiameter + 2 * T, true));
}

} // namespace

void CInsulation::runINSPDB3125(const host::OutputCollectionPtr& m_OutputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB3125", [&] {
        auto part = readPart(arrayofinputs);
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
        double W = readDimension(arrayofinputs, input::Width);
        const double Yo = readDimension(arrayofinputs, input::YOffJacketOutlet);
        const double Zi = readDimension(arrayofinputs, input::ZOffJacketInlet);
        const double Yi = readDimension(arrayofinputs, input::YOffJacketInlet);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        if (CmpDblEqual(W, 0, kTolerance)) W = 0.65 * F;
        const double S = 1.2 * W;
        const auto port = RetrievePortsData<4>(part, m_OutputColl, true);

        addRunShell(m_OutputColl, arrayOfOutputs, F, T, port);
        m_OutputColl->AddOutput("InsOutput2",
                                PlaceCylinder(m_OutputColl, DPosition(0, 0.8 * H + T, 0),
                                              DPosition(0, -0.75 * Yo - T, 0), stemShellDiameter(S, T, F), true));
        m_OutputColl->AddOutput("InsOutput3",
                                CreateBoxWithProjection(m_OutputColl, DPosition(-W / 2 - T, 0.8 * H - T, -W / 2 - T),
                                                        DPosition(W / 2 + T, H + T, W / 2 + T)));
        m_OutputColl->AddOutput("InsOutput4", PlaceCylinder(m_OutputColl, DPosition(0, Yi, 0), DPosition(0, Yi, Zi),
                                                            StubDiameter(port[3]) + 2 * T, true));
        m_OutputColl->AddOutput("InsOutput5", PlaceCylinder(m_OutputColl, DPosition(0, -0.75 * Yo, 0),
                                                            DPosition(0, -Yo, 0), StubDiameter(port[4]) + 2 * T, true));
        addFlangeShells(m_OutputColl, F, T, port, [](double fd) { return !CmpDblEqual(fd, 0, kTolerance); });
    });
}

void CInsulation::runInsPDB3146(const host::OutputCollectionPtr& m_OutputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runInsPDB3146", [&] {
        auto part = readPart(arrayofinputs);
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
        double W = readDimension(arrayofinputs, input::Width);
        const double Yo = readDimension(arrayofinputs, input::YOffJacketOutlet);
        const double Zi = readDimension(arrayofinputs, input::ZOffJacketInlet);
        const double Yi = readDimension(arrayofinputs, input::YOffJacketInlet);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        if (CmpDblLessThanOrEqualTo(W, 0, kTolerance)) W = 0.5 * F;
        const double S = checked::squareRoot(2 * W * W);
        const auto port = RetrievePortsData<4>(part, m_OutputColl, true);

        addRunShell(m_OutputColl, arrayOfOutputs, F, T, port);
        m_OutputColl->AddOutput("InsOutput2",
                                PlaceCylinder(m_OutputColl, DPosition(0, 0.8 * H + T, 0),
                                              DPosition(0, -0.75 * Yo - T, 0), stemShellDiameter(S, T, F), true));
        m_OutputColl->AddOutput("InsOutput3", PlaceBox(m_OutputColl, DPosition(-W / 2 - T, 0.8 * H - T, -W / 2 - T),
                                                       DPosition(W / 2 + T, H + T, W / 2 + T)));
        m_OutputColl->AddOutput("InsOutput4", PlaceCylinder(m_OutputColl, DPosition(0, Yi, 0), DPosition(0, Yi, Zi),
                                                            StubDiameter(port[3]) + 2 * T, true));
        m_OutputColl->AddOutput("InsOutput5", PlaceCylinder(m_OutputColl, DPosition(0, -0.75 * Yo, 0),
                                                            DPosition(0, -Yo, 0), StubDiameter(port[4]) + 2 * T, true));
        addFlangeShells(m_OutputColl, F, T, port,
                        [](double fd) { return !CmpDblLessThanOrEqualTo(fd, 0, kTolerance); });
    });
}

void CInsulation::runINSPDB3124(const host::OutputCollectionPtr& m_OutputColl, const host::VariantArray& arrayofinputs,
                                const host::StringArray& arrayOfOutputs) {
    withErrorReport("Insulation:", "runINSPDB3124", [&] {
        auto part = readPart(arrayofinputs);
        const double F = readDimension(arrayofinputs, input::FacetoFace);
        const double H = readDimension(arrayofinputs, input::HeightFrmValCen);
        double W = readDimension(arrayofinputs, input::Width);
        const double Yo = readDimension(arrayofinputs, input::YOffJacketOutlet);
        const double Zi = readDimension(arrayofinputs, input::ZOffJacketInlet);
        const double Xi = readDimension(arrayofinputs, input::XOffJacketInlet);
        const double T = readDimension(arrayofinputs, input::InsulationThickness);
        if (CmpDblEqual(W, 0, kTolerance)) W = 0.6 * F;
        const double S = 0.75 * W;
        const auto port = RetrievePortsData<4>(part, m_OutputColl, true);

        addRunShell(m_OutputColl, arrayOfOutputs, F, T, port);
        // The stem shell reaches T below the run, or down to the jacket outlet when that is nearer.
        const double stemBottom = CmpDblGreaterthan(T + port[1].pipeOD, Yo, kTolerance) ? -Yo : -port[1].pipeOD / 2 - T;
        m_OutputColl->AddOutput("InsOutput2",
                                PlaceCylinder(m_OutputColl, DPosition(0, 0.75 * H, 0), DPosition(0, stemBottom, 0),
                                              stemShellDiameter(S, T, F), true));
        // One shell over both cap plates.
        m_OutputColl->AddOutput("InsOutput3",
                                CreateBoxWithProjection(m_OutputColl, DPosition(-W / 2 - T, 0.75 * H - T, -W / 2 - T),
                                                        DPosition(W / 2 + T, H + T, W / 2 + T)));
        m_OutputColl->AddOutput("InsOutput4", PlaceCylinder(m_OutputColl, DPosition(0, 0, 0), DPosition(0, -Yo, 0),
                                                            StubDiameter(port[4]) + 2 * T, true));
        const double x3 = -F / 2 + Xi;
        m_OutputColl->AddOutput("InsOutput5", PlaceCylinder(m_OutputColl, DPosition(x3, 0, 0), DPosition(x3, 0, Zi),
                                                            StubDiameter(port[3]) + 2 * T, true));
        addFlangeShells(m_OutputColl, F, T, port, [](double fd) { return !CmpDblEqual(fd, 0, kTolerance); });
    });
}

} // namespace tcv
