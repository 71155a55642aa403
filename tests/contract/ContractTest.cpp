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

std::shared_ptr<refhost::RefSymbolDefinition> declaredDefinition(symbol::CCheckValve& symbol) {
    return std::dynamic_pointer_cast<refhost::RefSymbolDefinition>(
        symbol.InstanciateDefinition("codebase", {}, nullptr));
}

TEST(Contract, DeclaredInputsAreTheTableInOrder) {
    test::HostFixtureScope host;
    symbol::CCheckValve symbol;
    const auto definition = declaredDefinition(symbol);
    const auto& inputs = definition->inputs();
    ASSERT_EQ(contract::kInputContract.size(), 34u);
    ASSERT_EQ(inputs.size(), contract::kInputContract.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const contract::InputContract& entry = contract::kInputContract[i];
        SCOPED_TRACE(std::string(entry.name));
        EXPECT_EQ(inputs[i].position, entry.position);
        EXPECT_EQ(inputs[i].name, entry.name);
        EXPECT_EQ(inputs[i].description, entry.description);
        EXPECT_EQ(inputs[i].properties, entry.properties);
        EXPECT_EQ(inputs[i].defaultValue, entry.defaultValue);
        EXPECT_EQ(contract::inputAt(entry.position), &entry);
    }
    EXPECT_EQ(contract::inputAt(contract::kPartPosition), nullptr);
    EXPECT_EQ(contract::inputAt(36), nullptr);
}

// The named positions the builders read are the table's, name for name.
TEST(Contract, NamedPositionsAreTheTablePositions) {
    const std::pair<const char*, int> named[] = {
        {"FacetoFace", contract::input::FacetoFace},
        {"InsulationThickness", contract::input::InsulationThickness},
        {"HandwheelAngle", contract::input::HandwheelAngle},
        {"BodyDiameter", contract::input::BodyDiameter},
        {"PortVOffset", contract::input::PortVOffset},
        {"B", contract::input::B},
        {"OffsetFrmValCen", contract::input::OffsetFrmValCen},
        {"Length2", contract::input::Length2},
        {"OffsetfromPort1", contract::input::OffsetfromPort1},
        {"EqualizerClearance", contract::input::EqualizerClearance},
        {"Diameter", contract::input::Diameter},
        {"HeightFrmValCen", contract::input::HeightFrmValCen},
        {"Width", contract::input::Width},
        {"Height", contract::input::Height},
        {"PlugDiameter", contract::input::PlugDiameter},
        {"FlushDiameter1", contract::input::FlushDiameter1},
        {"FlushDiameter2", contract::input::FlushDiameter2},
        {"FlushDiameter", contract::input::FlushDiameter},
        {"A", contract::input::A},
        {"C", contract::input::C},
        {"D", contract::input::D},
        {"E", contract::input::E},
        {"ValveFacetoFace", contract::input::ValveFacetoFace},
        {"NippleLength", contract::input::NippleLength},
        {"EndtoEnd", contract::input::EndtoEnd},
        {"XOffJacketInlet", contract::input::XOffJacketInlet},
        {"YOffJacketOutlet", contract::input::YOffJacketOutlet},
        {"ZOffJacketInlet", contract::input::ZOffJacketInlet},
        {"YOffJacketInlet", contract::input::YOffJacketInlet},
        {"ValveHeight", contract::input::ValveHeight},
        {"Face1toCenter", contract::input::Face1toCenter},
        {"Face2toCenter", contract::input::Face2toCenter},
        {"FacetoCenter", contract::input::FacetoCenter},
        {"BranchLength", contract::input::BranchLength},
    };
    ASSERT_EQ(std::size(named), contract::kInputContract.size());
    for (const auto& [name, position] : named) {
        SCOPED_TRACE(name);
        const contract::InputContract* entry = contract::inputAt(position);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->name, name);
    }
    EXPECT_EQ(contract::input::Part, 1);
}

// The catalogues read the operator's rotation as an angle and every other input as a length.
TEST(Contract, OnlyTheOperatorRotationIsAnAngle) {
    for (const auto& entry : contract::kInputContract)
        EXPECT_EQ(entry.unit == contract::UnitKind::Angle, entry.name == "HandwheelAngle") << entry.name;
}

TEST(Contract, DeclaredRepresentationsAndEvaluationsAreTheAspectsWithTheirOutputs) {
    test::HostFixtureScope host;
    symbol::CCheckValve symbol;
    auto definition = declaredDefinition(symbol);
    const auto& reps = definition->representations();
    const auto& evaluations = definition->evaluations();
    ASSERT_EQ(reps.size(), contract::kAspects.size());
    ASSERT_EQ(evaluations.size(), contract::kAspects.size());
    std::size_t declaredOutputs = 0;
    for (std::size_t i = 0; i < contract::kAspects.size(); ++i) {
        const contract::Aspect aspect = contract::kAspects[i];
        SCOPED_TRACE(std::string(contract::aspectName(aspect)));
        EXPECT_EQ(reps[i].name, contract::aspectName(aspect));
        EXPECT_EQ(reps[i].identifier, contract::aspectCode(aspect));
        EXPECT_EQ(evaluations[i].name, contract::aspectName(aspect));
        std::vector<std::string> expected;
        for (const auto& output : contract::kOutputContract)
            if (output.aspect == aspect) expected.emplace_back(output.name);
        std::vector<std::string> declared;
        for (const auto& output : reps[i].outputs) declared.push_back(output.name);
        EXPECT_EQ(declared, expected);
        declaredOutputs += declared.size();
    }
    EXPECT_EQ(declaredOutputs, contract::kOutputContract.size());
    EXPECT_EQ(contract::aspectCode(contract::Aspect::Physical), 1);
    EXPECT_EQ(contract::aspectCode(contract::Aspect::Insulation), 32);
    EXPECT_EQ(contract::allAspectNames(), (std::vector<std::string>{"Physical", "Insulation"}));
}

TEST(Contract, AspectNamesMatchIgnoringCaseAndNothingElse) {
    const std::pair<const char*, std::optional<contract::Aspect>> cases[] = {
        {"Physical", contract::Aspect::Physical},
        {"PHYSICAL", contract::Aspect::Physical},
        {"insulation", contract::Aspect::Insulation},
        {"Insulation", contract::Aspect::Insulation},
        {"Physica", std::nullopt},
        {"Physical ", std::nullopt},
        {"", std::nullopt},
        {"Maintenance", std::nullopt},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(contract::aspectNamed(name), expected) << '"' << name << '"';
}

} // namespace
} // namespace tcv
