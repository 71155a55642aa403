// The host's box symbol: placed as a nested occurrence, given its corners as six values, it computes a
// solid box between them.
#include "support/GeometryHelpers.h"

namespace tcv::test {
namespace {

host::ObjectPtr placeBox(const std::vector<double>& values) {
    auto& rt = host::runtime();
    auto rm = std::make_shared<refhost::RefResourceManager>();
    auto symbols = rt.CreateSymbolFactory();
    auto definition = symbols->DefinitionCollection(rm)->GetDefinitionByProgId("Box.BoxServices", "");
    auto occurrence = symbols->PlaceSymbol(definition, rm);
    std::vector<host::ParameterEntry> entries;
    for (std::size_t i = 0; i < values.size(); ++i) {
        auto content = rt.CreateParameterContent();
        content->setType(2);
        content->setSecondFlag(1);
        content->setUomValue(values[i]);
        entries.push_back({static_cast<std::int16_t>(i + 1), content});
    }
    std::dynamic_pointer_cast<host::IZDValuesArg>(occurrence)->SetValues(entries);
    std::dynamic_pointer_cast<host::ISymbolOccurrenceCompute>(occurrence)->Compute();
    return occurrence;
}

class BoxSymbol : public ::testing::TestWithParam<bool> {};

// The box between corners given in either order; other symbols, and boxes without volume, are refused.
TEST_P(BoxSymbol, CarriesASolidBoxBetweenItsCorners) {
    HostFixtureScope host(hostOptions(GetParam()));
    auto box = placeBox({1, -1, 0.5, -2, 3, 0});
    const auto& recorded = recordOf(box);
    EXPECT_EQ(recorded.outputKind(), refhost::OutputKind::Solid);
    expectNear(recordedTriple(recorded.creation(), "corner1"), {1, -1, 0.5}, 0);
    EXPECT_EQ(recorded.shape() == nullptr, !GetParam());
    if (GetParam()) {
        expectSolid(measureOf(box), 3 * 4 * 0.5);
        expectBox(measureOf(box), {-2, -1, 0, 1, 3, 0.5});
    }
    auto symbols = host::runtime().CreateSymbolFactory();
    auto rm = std::make_shared<refhost::RefResourceManager>();
    expectRefused([&] { symbols->DefinitionCollection(rm)->GetDefinitionByProgId("Other.Services", ""); },
                  "unknown symbol");
    expectRefused([&] { symbols->PlaceSymbol(rm, rm); }, "placing what is not a definition");
    expectRefused([&] { placeBox({0, 0, 0, 1, 0, 1}); }, "flat box");
    expectRefused([&] { placeBox({0, 0, 0, 1, 1}); }, "box missing a value");
}

INSTANTIATE_TEST_SUITE_P(BothModes, BoxSymbol, ::testing::Values(true, false), modeName);

} // namespace
} // namespace tcv::test
