// Helpers for the geometry tests: a factory of the reference host in either mode, and what a host can
// read of the objects it makes (records, measured shapes).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "tarncheckvalve/host/Geometry.h"
#include "tarncheckvalve/kernel/Measure.h"
#include "tarncheckvalve/kernel/OccKernel.h"
#include "tarncheckvalve/refhost/Records.h"
#include "tarncheckvalve/refhost/RefRuntime.h"

namespace tcv::test {

inline constexpr double kPi = std::numbers::pi;

inline refhost::HostOptions hostOptions(bool buildShapes) {
    auto options = refhost::RefRuntime::defaultOptions();
    if (!buildShapes) options.kernel.reset();
    return options;
}

// Names the two modes of the host in parameterised tests.
inline std::string modeName(const ::testing::TestParamInfo<bool>& mode) {
    return mode.param ? "building" : "recordOnly";
}

inline const refhost::RecordedObject& recordOf(const host::ObjectPtr& object) {
    auto* recorded = dynamic_cast<const refhost::RecordedObject*>(object.get());
    if (!recorded) throw std::logic_error("the object records nothing");
    return *recorded;
}

inline refhost::ShapeMeasure measureOf(const host::ObjectPtr& object) {
    const auto& recorded = recordOf(object);
    return kernel::measureShape(kernel::occShape(recorded.shape()),
                                recorded.outputKind() == refhost::OutputKind::Solid);
}

inline std::string recordedText(const refhost::Creation& creation, const std::string& name) {
    return std::get<std::string>(*creation.find(name));
}

inline std::vector<double> triple(const host::DPosition& p) { return {p.x(), p.y(), p.z()}; }

inline void expectNear(const std::vector<double>& actual, const std::vector<double>& expected, double tolerance,
                       const std::string& what = {}) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << what << " [" << i << "]";
}

inline void expectBox(const refhost::ShapeMeasure& measure, const std::array<double, 6>& expected,
                      double tolerance = 1e-6) {
    expectBoxNear(measure.bbox, expected, tolerance);
}

// A valid solid of the given volume (relative tolerance).
inline void expectSolid(const refhost::ShapeMeasure& measure, double volume, double relative = 1e-6) {
    EXPECT_FALSE(measure.empty);
    EXPECT_TRUE(measure.valid);
    ASSERT_TRUE(measure.volume.has_value());
    EXPECT_NEAR(*measure.volume, volume, relative * volume);
}

// Runs the call and expects the generic failure of the host.
template <class Call>
void expectRefused(Call&& call, const std::string& what) {
    try {
        call();
        ADD_FAILURE() << what << ": no host error";
    } catch (const host::HostError& error) {
        EXPECT_EQ(error.code(), host::kGenericFailure) << what << ": " << error.what();
        EXPECT_FALSE(error.text().empty()) << what;
    } catch (const std::exception& other) {
        ADD_FAILURE() << what << ": not a host error: " << other.what();
    }
}

// Numbers as a list, written without braces so that a table of calls keeps one call to a line.
template <class... T>
std::vector<double> xyz(T... values) {
    return {static_cast<double>(values)...};
}

} // namespace tcv::test
