#include <gtest/gtest.h>

#include "platform/Geometry.h"

namespace {

using kavitro::MulDiv;
using kavitro::Rect;

struct MulDivCase {
    std::int32_t number, numerator, denominator, expected;
};

TEST(MulDiv, RoundsHalfAwayFromZeroAndFailsWithMinusOne) {
    const MulDivCase cases[] = {
        {5, 1, 2, 3},            // 2.5 -> 3
        {-5, 1, 2, -3},          // -2.5 -> -3
        {5, -1, 2, -3},
        {-5, -1, -2, -3},        // 5 / -2 = -2.5 -> -3
        {7, 1, 3, 2},            // 2.33 -> 2
        {8, 1, 3, 3},            // 2.67 -> 3
        {100, 2160, 750, 288},
        {1, 1, 0, -1},           // zero divisor
        {0x40000000, 4, 1, -1},  // does not fit
        {0x40000000, 4, 2, -1},  // 2^31 is one past the largest value
        {0x40000000, 4, 4, 0x40000000},  // 64-bit product, fits after division
        {-0x40000000, 2, 1, INT32_MIN},
        {0, 5, 7, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
            << c.number << " * " << c.numerator << " / " << c.denominator;
    }
}

TEST(Rect, FollowsWin32Semantics) {
    Rect r(10, 20, 30, 40);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_TRUE(r.PtInRect({10, 20}));
    EXPECT_FALSE(r.PtInRect({30, 20}));  // right edge is outside
    EXPECT_FALSE(r.PtInRect({10, 40}));

    Rect flipped(30, 40, 10, 20);
    EXPECT_TRUE(flipped.IsRectEmpty());
    EXPECT_EQ(flipped.Width(), -20);
    flipped.NormalizeRect();
    EXPECT_EQ(flipped, r);

    Rect both;
    EXPECT_FALSE(both.IntersectRect(r, Rect(30, 20, 50, 40)));  // touching only
    EXPECT_TRUE(both.IsRectNull());
    EXPECT_TRUE(both.UnionRect(Rect(), r));
    EXPECT_EQ(both, r);
    EXPECT_TRUE(both.UnionRect(r, Rect(0, 0, 5, 5)));
    EXPECT_EQ(both, Rect(0, 0, 30, 40));
}

}  // namespace
