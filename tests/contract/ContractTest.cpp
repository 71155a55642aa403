// The contract table against what the symbol declares to a host: the definition, the positions the
// builders read and the aspect names are all derived from it, so they must agree with it entry by entry.
#include <gtest/gtest.h>

#include <utility>

#include "support/TestSupport.h"
#include "tarncheckvalve/contract/Contract.h"
#include "tarncheckvalve/refhost/SymbolEntities.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv {
namespace {

std::shared_ptr<refhost::RefSymbolDefinition> declaredDefinition(CCheckValve& symbol) {
    return std::dynamic_pointer_cast<refhost::RefSymbolDefinition>(
        symbol.InstanciateDefinition("codebase", {}, nullptr));
}

TEST(Contract, DeclaredInputsAreTheTableInOrder) {
    test::HostFixtureScope host;
    CCheckValve symbol;
    const auto definition = declaredDefinition(symbol);
    const auto& inputs = definition->inputs();
    ASSERT_EQ(kInputContract.size(), 34u);
    ASSERT_EQ(inputs.size(), kInputContract.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const InputContract& entry = kInputContract[i];
        SCOPED_TRACE(std::string(entry.name));
        EXPECT_EQ(inputs[i].position, entry.position);
        EXPECT_EQ(inputs[i].name, entry.name);
        EXPECT_EQ(inputs[i].description, entry.description);
        EXPECT_EQ(inputs[i].properties, entry.properties);
        EXPECT_EQ(inputs[i].defaultValue, entry.defaultValue);
        EXPECT_EQ(inputAt(entry.position), &entry);
    }
    EXPECT_EQ(inputAt(kPartPosition), nullptr);
    EXPECT_EQ(inputAt(36), nullptr);
}

// The named positions the builders read are the table's, name for name.
TEST(Contract, NamedPositionsAreTheTablePositions) {
    const std::pair<const char*, int> named[] = {
        {"FacetoFace", input::FacetoFace},
        {"InsulationThickness", input::InsulationThickness},
        {"HandwheelAngle", input::HandwheelAngle},
        {"BodyDiameter", input::BodyDiameter},
        {"PortVOffset", input::PortVOffset},
        {"B", input::B},
        {"OffsetFrmValCen", input::OffsetFrmValCen},
        {"Length2", input::Length2},
        {"OffsetfromPort1", input::OffsetfromPort1},
        {"EqualizerClearance", input::EqualizerClearance},
        {"Diameter", input::Diameter},
        {"HeightFrmValCen", input::HeightFrmValCen},
        {"Width", input::Width},
        {"Height", input::Height},
        {"PlugDiameter", input::PlugDiameter},
        {"FlushDiameter1", input::FlushDiameter1},
        {"FlushDiameter2", input::FlushDiameter2},
        {"FlushDiameter", input::FlushDiameter},
        {"A", input::A},
        {"C", input::C},
        {"D", input::D},
        {"E", input::E},
        {"ValveFacetoFace", input::ValveFacetoFace},
        {"NippleLength", input::NippleLength},
        {"EndtoEnd", input::EndtoEnd},
        {"XOffJacketInlet", input::XOffJacketInlet},
        {"YOffJacketOutlet", input::YOffJacketOutlet},
        {"ZOffJacketInlet", input::ZOffJacketInlet},
        {"YOffJacketInlet", input::YOffJacketInlet},
        {"ValveHeight", input::ValveHeight},
        {"Face1toCenter", input::Face1toCenter},
        {"Face2toCenter", input::Face2toCenter},
        {"FacetoCenter", input::FacetoCenter},
        {"BranchLength", input::BranchLength},
    };
    ASSERT_EQ(std::size(named), kInputContract.size());
    for (const auto& [name, position] : named) {
        SCOPED_TRACE(name);
        const InputContract* entry = inputAt(position);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->name, name);
    }
    EXPECT_EQ(input::Part, 1);
}

// The catalogues read the operator's rotation as an angle and every other input as a length.
TEST(Contract, OnlyTheOperatorRotationIsAnAngle) {
    for (const auto& entry : kInputContract)
        EXPECT_EQ(entry.unit == UnitKind::Angle, entry.name == "HandwheelAngle") << entry.name;
}

TEST(Contract, DeclaredRepresentationsAndEvaluationsAreTheAspectsWithTheirOutputs) {
    test::HostFixtureScope host;
    CCheckValve symbol;
    auto definition = declaredDefinition(symbol);
    const auto& reps = definition->representations();
    const auto& evaluations = definition->evaluations();
    ASSERT_EQ(reps.size(), kAspects.size());
    ASSERT_EQ(evaluations.size(), kAspects.size());
    std::size_t declaredOutputs = 0;
    for (std::size_t i = 0; i < kAspects.size(); ++i) {
        const Aspect aspect = kAspects[i];
        SCOPED_TRACE(std::string(aspectName(aspect)));
        EXPECT_EQ(reps[i].name, aspectName(aspect));
        EXPECT_EQ(reps[i].identifier, aspectCode(aspect));
        EXPECT_EQ(evaluations[i].name, aspectName(aspect));
        std::vector<std::string> expected;
        for (const auto& output : kOutputContract)
            if (output.aspect == aspect) expected.emplace_back(output.name);
        std::vector<std::string> declared;
        for (const auto& output : reps[i].outputs) declared.push_back(output.name);
        EXPECT_EQ(declared, expected);
        declaredOutputs += declared.size();
    }
    EXPECT_EQ(declaredOutputs, kOutputContract.size());
    EXPECT_EQ(aspectCode(Aspect::Physical), 1);
    EXPECT_EQ(aspectCode(Aspect::Insulation), 32);
    EXPECT_EQ(allAspectNames(), (std::vector<std::string>{"Physical", "Insulation"}));
}

TEST(Contract, AspectNamesMatchIgnoringCaseAndNothingElse) {
    const std::pair<const char*, std::optional<Aspect>> cases[] = {
        {"Physical", Aspect::Physical},
        {"PHYSICAL", Aspect::Physical},
        {"insulation", Aspect::Insulation},
        {"Insulation", Aspect::Insulation},
        {"Physica", std::nullopt},
        {"Physical ", std::nullopt},
        {"", std::nullopt},
        {"Maintenance", std::nullopt},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(aspectNamed(name), expected) << '"' << name << '"';
}

} // namespace
} // namespace tcv
