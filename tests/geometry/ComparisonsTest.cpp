// The tolerant comparisons at their tolerance boundaries.
#include <gtest/gtest.h>

#include "tarncheckvalve/geometry/Comparisons.h"

namespace tcv {
namespace {

TEST(Comparisons, LenientAtTheToleranceBoundary) {
    struct Case {
        const char* what;
        bool actual;
        bool expected;
    };
    const double t = geometry::kTolerance;
    const Case cases[] = {
        {"equal inside", geometry::CmpDblEqual(1 + 0.5e-7, 1, t), true},
        {"equal outside", geometry::CmpDblEqual(1 + 2e-7, 1, t), false},
        {"equal below", geometry::CmpDblEqual(1 - 2e-7, 1, t), false},
        {"zero test", geometry::CmpDblEqual(-0.9e-7, 0, t), true},
        {"greater within tolerance below", geometry::CmpDblGreaterthan(0.99999995, 1, t), true},
        {"greater well below", geometry::CmpDblGreaterthan(0.9999998, 1, t), false},
        {"greater or equal at boundary", geometry::CmpDblGreaterthanOrEqualTo(1 - 1e-7, 1, t), true},
        {"less within tolerance above", geometry::CmpDblLessThan(1.00000005, 1, t), true},
        {"less well above", geometry::CmpDblLessThan(1.0000002, 1, t), false},
        {"less or equal at boundary", geometry::CmpDblLessThanOrEqualTo(1 + 1e-7, 1, t), true},
        {"greater than zero for tiny negative", geometry::CmpDblGreaterthan(-0.5e-7, 0, t), true},
    };
    for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST(Comparisons, FirstArgumentWinsInsideTheTolerance) {
    EXPECT_EQ(geometry::GreaterDim(1, 1.00000005), 1);
    EXPECT_EQ(geometry::GreaterDim(1, 2), 2);
    EXPECT_EQ(geometry::GreaterDim(3, 2), 3);
    EXPECT_EQ(geometry::SmallerDim(1.00000005, 1), 1.00000005);
    EXPECT_EQ(geometry::SmallerDim(2, 1), 1);
    EXPECT_EQ(geometry::SmallerDim(1, 2), 1);
    EXPECT_DOUBLE_EQ(geometry::InsulatedDiameter(0.2, 0.3, 0.05), 0.4);
    EXPECT_DOUBLE_EQ(geometry::InsulatedDiameter(0.3, 0.2, 0.05), 0.4);
}

} // namespace
} // namespace tcv
