// The symbol library on the record-only host: this program links no geometry kernel, so building it
// proves that the library and the host objects need none. Every sample part evaluates in both aspects
// and every creation the host recorded is a usable record.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <variant>

#include "tarncheckvalve/catalog/Catalog.h"
#include "tarncheckvalve/refhost/Evaluator.h"
#include "tarncheckvalve/refhost/Records.h"

namespace tcv {
namespace {

bool finite(const refhost::RecordValue& value) {
    if (const auto* number = std::get_if<double>(&value)) return std::isfinite(*number);
    if (const auto* numbers = std::get_if<std::vector<double>>(&value)) {
        for (double v : *numbers)
            if (!std::isfinite(v)) return false;
    }
    return true;
}

TEST(RecordOnly, EverySamplePartEvaluatesWithRecordsAndNoShapes) {
    const auto parts = catalog::loadSampleCatalog();
    ASSERT_GE(parts.size(), 40u);
    refhost::HostOptions options = refhost::RefRuntime::defaultOptions();
    ASSERT_EQ(options.kernel, nullptr) << "this program installs no kernel";
    for (const auto& part : parts) {
        for (const contract::Aspect aspect : contract::kAspects) {
            SCOPED_TRACE(part.name + " " + std::string(contract::aspectName(aspect)));
            const auto result = refhost::evaluateAspect(part, aspect, options);
            ASSERT_TRUE(result.ok) << result.errorText;
            ASSERT_FALSE(result.outputs->outputs().empty());
            for (const auto& output : result.outputs->outputs()) {
                EXPECT_FALSE(output.name.empty());
                const auto* recorded = dynamic_cast<const refhost::RecordedObject*>(output.object.get());
                ASSERT_NE(recorded, nullptr) << output.name;
                EXPECT_FALSE(recorded->creation().kind.empty()) << output.name;
                EXPECT_EQ(recorded->shape(), nullptr) << output.name;
                for (const auto& [name, value] : recorded->creation().values)
                    EXPECT_TRUE(finite(value)) << output.name << " records " << name << " as not finite";
            }
        }
    }
}

} // namespace
} // namespace tcv
