// Nozzles through the graphics utility and the nozzle factory, and the reference host's parts, context
// and units service behind the port data.
#include <gtest/gtest.h>

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>

#include <array>
#include <cmath>

#include "support/TestSupport.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/ports/Nozzles.h"
#include "tarncheckvalve/ports/basPipePortParameters.h"
#include "tarncheckvalve/refhost/LengthUnits.h"
#include "tarncheckvalve/refhost/OutputCollection.h"

namespace tcv::test {
namespace {

using Triple = std::vector<double>;

refhost::HostOptions hostOptions(bool offerSymbolUtilities, bool buildShapes = false) {
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    options.offerSymbolUtilities = offerSymbolUtilities;
    if (!buildShapes) options.kernel.reset();
    return options;
}

const refhost::RecordedObject& recordOf(const host::NozzlePtr& nozzle) {
    auto recorded = std::dynamic_pointer_cast<refhost::RecordedObject>(nozzle);
    if (!recorded) throw std::logic_error("the nozzle records nothing");
    return *recorded;
}

// Which port a nozzle serves, where it sits, and whether it came through the graphics utility or the
// nozzle factory (with or without the direct flag), are checked with the bodies that make the nozzles
// (tests/variants/physical); here the host's side of a nozzle.

TEST(Nozzles, PortIndexThePartLacksIsAHostError) {
    for (bool offer : {true, false}) {
        HostFixtureScope host(hostOptions(offer));
        std::int16_t index = 3;
        try {
            ports::CreateNozzle(index, refhost::makePart(twoPortPart(2256)),
                                std::make_shared<refhost::RefOutputCollection>(), host::DVector(1, 0, 0),
                                host::DPosition(0, 0, 0));
            ADD_FAILURE() << "a nozzle for a missing port was made";
        } catch (const host::HostError& error) {
            EXPECT_EQ(error.code(), host::kGenericFailure);
            EXPECT_NE(std::string(error.what()).find("port index 3"), std::string::npos) << error.what();
        }
    }
}

TEST(Nozzles, RecordShowsThePlacementGivenAfterCreation) {
    HostFixtureScope host(hostOptions(false));
    auto part = refhost::makePart(twoPortPart(2256));
    auto nozzle = host.runtime().CreateNozzleFactory()->CreatePipeNozzleFromPart(part, 2, false, nullptr);
    EXPECT_EQ(recordedNumber(recordOf(nozzle).creation(), "port"), 2);
    nozzle->SetPosition(host::DPosition(1, 2, 3));
    nozzle->SetDirection(host::DVector(0, 1, 0));
    nozzle->SetLength(0.5);
    const auto& creation = recordOf(nozzle).creation();
    EXPECT_EQ(creation.kind, "nozzle");
    EXPECT_EQ(recordedTriple(creation, "position"), (Triple{1, 2, 3}));
    EXPECT_EQ(recordedTriple(creation, "direction"), (Triple{0, 1, 0}));
    EXPECT_EQ(recordedNumber(creation, "length"), 0.5);
    EXPECT_EQ(recordedNumber(creation, "terminationClass"), 5);
    EXPECT_DOUBLE_EQ(recordedNumber(creation, "flangeOD"), 0.2286);

    EXPECT_THROW(nozzle->SetDirection(host::DVector(0, 0, 0)), host::HostError);
    EXPECT_THROW(nozzle->SetPosition(host::DPosition(std::nan(""), 0, 0)), host::HostError);
}

// --- Port graphics ------------------------------------------------------------------------------------

void expectBox(const host::NozzlePtr& nozzle, const std::array<double, 6>& expected) {
    Bnd_Box box;
    BRepBndLib::AddOptimal(kernel::occShape(recordOf(nozzle).shape()), box, false, false);
    std::array<double, 6> c{};
    box.Get(c[0], c[1], c[2], c[3], c[4], c[5]);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(c[i], expected[i], 1e-6) << "corner value " << i;
}

TEST(Nozzles, PortGraphicsLieBehindTheConnectionPointAndOnlyWhereShapesAreBuilt) {
    auto outputs = std::make_shared<refhost::RefOutputCollection>();
    refhost::CatalogPart partSpec = twoPortPart(2256);
    refhost::PortSpec bare = plainPort(4, 0.0603);
    bare.length = 0;
    partSpec.ports.insert(partSpec.ports.end(), {plainPort(3, 0.0603), bare});
    auto part = refhost::makePart(partSpec);
    auto create = [&](std::int16_t index, host::DVector direction, host::DPosition point) {
        return ports::CreateNozzle(index, part, outputs, direction, point);
    };
    {
        HostFixtureScope host(hostOptions(false, true));
        // A class 150 NPS 4 flange disc: 228.6 mm across, 23.9 mm thick, on the valve side of the face.
        expectBox(create(1, {-1, 0, 0}, {-0.146, 0, 0}), {-0.146, -0.1143, -0.1143, -0.1221, 0.1143, 0.1143});
        expectBox(create(3, {0, 1, 0}, {0, 0.2, 0}), {-0.03015, 0.15, -0.03015, 0.03015, 0.2, 0.03015});
        expectBox(create(4, {0, 0, 1}, {0, 0, 0}), {-0.03015, -0.03015, -0.02, 0.03015, 0.03015, 0}); // zero length
    }
    HostFixtureScope recordOnly(hostOptions(true, false));
    EXPECT_TRUE(recordOf(create(1, {-1, 0, 0}, {-0.146, 0, 0})).shape() == nullptr);
}

// --- Parts, context and units ----------------------------------------------------------------------------

TEST(ReferenceParts, PortsByPositionAndAnOperatorSourceThatRecordsWhatItIsHanded) {
    refhost::CatalogPart partSpec = twoPortPart(2143);
    partSpec.valveOperator = refhost::OperatorSpec{};
    partSpec.operatorText = "Handwheel";
    auto part = refhost::makePart(partSpec);

    EXPECT_EQ(part->Ports()->Count(), 2);
    EXPECT_EQ(part->Ports()->Item(2)->PortIndex(), 2);
    try {
        part->Ports()->Item(3);
        ADD_FAILURE() << "position 3 of two ports was served";
    } catch (const host::HostError& error) {
        EXPECT_EQ(error.code(), host::kBadIndex);
    }

    auto operators = part->OperatorCollection();
    ASSERT_EQ(operators->Count(), 1);
    auto source = host::queryInterface<host::IOperatorSource>(operators->Item(1));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->OperatorPart(), part->ValveOperatorPart());
    source->SetIndexAndText(1, part->OperatorText());
    EXPECT_EQ(part->operatorSource()->index(), std::optional<std::int16_t>(1));
    EXPECT_EQ(part->operatorSource()->text(), "Handwheel");

    EXPECT_EQ(refhost::makePart(twoPortPart(2143))->OperatorCollection()->Count(), 0);
}

TEST(ReferenceContext, DataServerVariableNamesTheDataDirectory) {
    refhost::HostOptions options = hostOptions(true);
    options.dataDirectory = "/opt/valves/data";
    HostFixtureScope host(options);
    auto context = host.runtime().CreateContext();
    EXPECT_EQ(std::get<std::string>(context->GetVariable("OLE_SERVER")), "/opt/valves/data");
    EXPECT_TRUE(host::isEmpty(context->GetVariable("OTHER")));
}

TEST(ReferenceUnits, ReadsLengthsWithUnitsAsMetres) {
    auto units = refhost::makeUnitsService();
    const std::pair<const char*, double> cases[] = {
        {"3.5in", 0.0889}, {"88.9mm", 0.0889}, {"0.1143m", 0.1143},  {"2 in", 0.0508},  {"292 mm", 0.292},
        {"1.5ft", 0.4572}, {"0.25", 0.25},     {" 4.5 IN ", 0.1143}, {"12.5cm", 0.125}, {"-1in", -0.0254},
    };
    for (const auto& [text, metres] : cases) EXPECT_NEAR(units->ParseUnit(1, text), metres, 1e-12) << text;

    for (const char* text : {"", "in", "3.5 parsecs", "abc", "1e400in", "nanin", "3.5in4"}) {
        try {
            units->ParseUnit(1, text);
            ADD_FAILURE() << "'" << text << "' was read as a length";
        } catch (const host::HostError& error) {
            EXPECT_NE(std::string(error.what()).find(std::string("'") + text + "'"), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(units->ParseUnit(2, "3.5in"), host::HostError);
}

} // namespace
} // namespace tcv::test
