// What a host relies on when it loads the symbol: the declared definition, re-declaration, the aspect
// lookup and the failure code.
#include <gtest/gtest.h>

#include <optional>

#include "support/TestSupport.h"
#include "tarncheckvalve/refhost/OutputCollection.h"
#include "tarncheckvalve/refhost/SymbolEntities.h"
#include "tarncheckvalve/symbol/CCheckValve.h"

namespace tcv {
namespace {

using refhost::RefSymbolDefinition;

std::shared_ptr<RefSymbolDefinition> instanciate(symbol::CCheckValve& symbol) {
    return std::dynamic_pointer_cast<RefSymbolDefinition>(symbol.InstanciateDefinition("codebase", {}, nullptr));
}

// Each declared input carries its own copy of the one shared default-value object: a host that
// stored the object itself would see the last input's default on every input.
TEST(SymbolDefinition, DeclaresEachInputOfItsTableAtPositionsTwoToThirtyFive) {
    test::HostFixtureScope host;
    symbol::CCheckValve symbol;
    auto definition = instanciate(symbol);
    const auto& inputs = definition->inputs();
    const auto& table = symbol.inputTable();
    ASSERT_EQ(inputs.size(), 34u);
    ASSERT_EQ(table.size(), inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(table[i].name);
        EXPECT_EQ(inputs[i].position, static_cast<int>(i) + 2);
        EXPECT_EQ(inputs[i].name, table[i].name);
        EXPECT_EQ(inputs[i].description, table[i].description);
        EXPECT_EQ(inputs[i].properties, table[i].properties);
        EXPECT_EQ(inputs[i].defaultValue, table[i].defaultValue);
        EXPECT_EQ(inputs[i].defaultType, 2);
    }
}

TEST(SymbolDefinition, DeclaresTwoAspectsWithTheirOutputsAndEvaluations) {
    test::HostFixtureScope host;
    symbol::CCheckValve symbol;
    auto definition = instanciate(symbol);
    EXPECT_EQ(definition->progId(), "TarnCheckValve.CCheckValve");
    EXPECT_EQ(definition->codeBase(), "codebase");
    EXPECT_EQ(definition->options(), 256);
    EXPECT_EQ(definition->auxiliaryCalls, 1);

    const auto& reps = definition->representations();
    ASSERT_EQ(reps.size(), 2u);
    EXPECT_EQ(reps[0].name, "Physical");
    EXPECT_EQ(reps[0].identifier, 1);
    EXPECT_EQ(reps[0].flags, 16);
    ASSERT_EQ(reps[0].outputs.size(), 3u);
    EXPECT_EQ(reps[0].outputs[0].name, "Body");
    EXPECT_EQ(reps[0].outputs[0].description, "Check Valve Body");
    EXPECT_EQ(reps[0].outputs[1].name, "PNoz1");
    EXPECT_EQ(reps[0].outputs[2].name, "PNoz2");
    EXPECT_EQ(reps[1].name, "Insulation");
    EXPECT_EQ(reps[1].identifier, 32);
    ASSERT_EQ(reps[1].outputs.size(), 1u);
    EXPECT_EQ(reps[1].outputs[0].name, "InsulatedBody");

    const auto& evaluations = definition->evaluations();
    ASSERT_EQ(evaluations.size(), 2u);
    for (const auto& evaluation : evaluations) {
        EXPECT_EQ(evaluation.progId, "TarnCheckValve.CCheckValve");
        EXPECT_EQ(evaluation.flags, 1);
        EXPECT_EQ(evaluation.kind, 512);
    }
}

TEST(SymbolDefinition, SecondInitialisationRedeclaresInsteadOfAppending) {
    test::HostFixtureScope host;
    symbol::CCheckValve symbol;
    auto definition = instanciate(symbol);
    symbol.InitializeSymbolDefinition(definition);
    EXPECT_EQ(definition->inputs().size(), 34u);
    EXPECT_EQ(definition->representations().size(), 2u);
    EXPECT_EQ(definition->evaluations().size(), 2u);
}

TEST(SymbolDefinition, NameAndEditAnswerWithoutAHost) {
    symbol::CCheckValve symbol;
    EXPECT_EQ(symbol.GetDefinitionName(host::Variant(42)), "TarnCheckValve.CCheckValve");
    EXPECT_EQ(symbol.GetDefinitionName({}), "TarnCheckValve.CCheckValve");
    EXPECT_FALSE(symbol.EditOccurence(nullptr, nullptr));
}

// A host creates the symbol by the ProgID it stored with the definition; any other name, even one that
// differs only in case, is not this library's.
TEST(SymbolDefinition, CreatedByItsProgIdAndByNoOtherName) {
    auto symbol = symbol::createSymbol("TarnCheckValve.CCheckValve");
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(symbol->GetDefinitionName({}), "TarnCheckValve.CCheckValve");
    for (const char* other : {"", "tarncheckvalve.ccheckvalve", "TarnCheckValve.CCheckValve ", "Box.BoxServices"})
        EXPECT_EQ(symbol::createSymbol(other), nullptr) << other;
}

TEST(SymbolDefinition, HostFailureDuringDeclarationIsTheGenericFailure) {
    // Without a host runtime nothing can be created.
    symbol::CCheckValve symbol;
    try {
        symbol.InstanciateDefinition("x", {}, nullptr);
        FAIL() << "expected a failure";
    } catch (const host::HostError& error) {
        EXPECT_EQ(error.code(), host::kGenericFailure);
    }
}

// Evaluates an aspect by name on a plain-body part and returns the output names and the error.
struct Invocation {
    std::vector<std::string> names;
    std::optional<std::int32_t> error;
};

Invocation invoke(const std::string& aspect, std::int32_t partDataBasis, int inputCount = 35) {
    test::HostFixtureScope host;
    auto partSpec = test::twoPortPart(partDataBasis);
    partSpec.inputs["FacetoFace"] = 0.292;
    auto part = refhost::makePart(partSpec);
    auto inputs = refhost::buildInputArray(part);
    host::VariantArray truncated;
    for (int i = 1; i <= inputCount; ++i) truncated.push_back(inputs.at(i));
    auto outputs = std::make_shared<refhost::RefOutputCollection>();
    Invocation result;
    try {
        symbol::CCheckValve symbol;
        symbol.InvokeRepresentation(nullptr, aspect, outputs, truncated);
    } catch (const host::HostError& error) {
        result.error = error.code();
    }
    result.names = outputs->names();
    return result;
}

TEST(RepresentationDispatch, AspectNamesAreCaseSensitive) {
    struct Case {
        const char* aspect;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"Physical", {"Body", "PNoz1", "PNoz2"}},
        {"Insulation", {"InsulatedBody"}},
        {"physical", {}},
        {"INSULATION", {}},
        {"Graphics", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.aspect);
        auto result = invoke(c.aspect, 0);
        EXPECT_FALSE(result.error);
        EXPECT_EQ(result.names, c.names);
    }
}

TEST(RepresentationDispatch, UnlistedPartDataBasisFailsWithTheGenericCodeAndAddsNothing) {
    for (std::int32_t pdb : {2, 2000, 9999, 2257}) {
        for (const char* aspect : {"Physical", "Insulation"}) {
            SCOPED_TRACE(std::string(aspect) + " " + std::to_string(pdb));
            auto result = invoke(aspect, pdb);
            ASSERT_TRUE(result.error);
            EXPECT_EQ(*result.error, host::kGenericFailure);
            EXPECT_TRUE(result.names.empty());
        }
    }
}

TEST(RepresentationDispatch, MissingInputPositionFailsTheAspect) {
    auto result = invoke("Physical", 455, 5); // 455 reads "PortVOffset" at position 6
    ASSERT_TRUE(result.error);
    EXPECT_EQ(*result.error, host::kGenericFailure);
}

TEST(RepresentationDispatch, ThreeElementInputArrayStillBuildsThePlainBody) {
    auto result = invoke("Physical", 1, 3);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(result.names, (std::vector<std::string>{"Body", "PNoz1", "PNoz2"}));
}

} // namespace
} // namespace tcv
