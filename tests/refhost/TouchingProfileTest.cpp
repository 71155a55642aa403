// A closed profile that touches itself at one point (the corners left between a square and the half
// circle inscribed in it) is projected as the two loops it is made of.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/basGeom3dEx.h"
#include "host/Runtime.h"
#include "refhost/OutputCollection.h"
#include "support/TestSupport.h"

namespace tcv {
namespace {

TEST(TouchingProfile, ProjectsAsTwoLoopsWithTheAreaBetweenSquareAndHalfCircle) {
    test::HostFixtureScope host;
    auto outputs = std::make_shared<refhost::RefOutputCollection>();
    auto factory = host::runtime().CreateGeometryFactory();
    const double r = 0.03, length = 0.2;
    auto curves = host::runtime().CreateCollection();
    curves->Add(factory->CreateLine(nullptr, {0, 0, r}, {0, r, r}));
    curves->Add(factory->CreateLine(nullptr, {0, r, r}, {0, r, -r}));
    curves->Add(factory->CreateLine(nullptr, {0, r, -r}, {0, 0, -r}));
    // The half circle touches the top line at (0, r, 0).
    curves->Add(factory->CreateArcBy3Points(nullptr, {0, 0, -r}, {0, r, 0}, {0, 0, r}));
    DPosition start(0, 0, r);
    auto profile = PlaceTrCString(start, curves);
    auto solid = PlaceProjection(outputs, profile, DVector(-1, 0, 0), length, true);
    outputs->AddOutput("FillerBody", solid);

    refhost::AspectResult result;
    result.outputs = outputs;
    auto m = test::measured(result, 0);
    ASSERT_TRUE(m.valid);
    ASSERT_TRUE(m.volume);
    const double area = 2 * r * r - std::acos(-1.0) * r * r / 2;
    EXPECT_NEAR(*m.volume, area * length, 1e-6 * area * length);
    EXPECT_NEAR(m.bbox[0], -length, 1e-7);
    EXPECT_NEAR(m.bbox[4], r, 1e-7);
}

} // namespace
} // namespace tcv
