#include "document/PolygonRect.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "platform/Archive.h"

namespace kavitro {
namespace {

TEST(DegreeTable, UsesTruncatedPiAndDescribesNegativeRotation) {
    const double* t = GetTrigTable();
    EXPECT_DOUBLE_EQ(t[0], 1.0);
    EXPECT_DOUBLE_EQ(t[360], 0.0);
    EXPECT_DOUBLE_EQ(t[90], std::cos(-(90 * 3.141592) / 180.0));
    EXPECT_NE(t[90], 0.0);  // pi is 3.141592, so cos(90) is not exactly 0
    EXPECT_LT(t[360 + 45], 0.0);
    EXPECT_EQ(GetTrigTable(), t);  // one table for the process
}

TEST(RotatePoint, ReducesEveryAngleAndRoundsHalvesDown) {
    const double* t = GetTrigTable();
    struct Case { std::int32_t angle; std::int32_t same; };
    const Case cases[] = {{-90, 270}, {725, 5}, {360, 0}, {INT_MIN, NormalizeAngle(INT_MIN)}, {INT_MAX, NormalizeAngle(INT_MAX)}};
    for (const Case& c : cases) {
        Point a{1000, 300}, b{1000, 300};
        RotatePoint(t, a, c.angle, {10, 20});
        RotatePoint(t, b, c.same, {10, 20});
        EXPECT_EQ(a, b) << c.angle;
    }
    EXPECT_EQ(NormalizeAngle(INT_MIN), static_cast<std::int32_t>(((std::int64_t{INT_MIN} % 360) + 360) % 360));

    // 180 degrees about the origin: (dx - t*dy)*c with c = cos(-pi') slightly
    // above -1; (3, 0) goes to about -2.99999..., which rounds to -3.
    Point p{3, 0};
    RotatePoint(t, p, 180, {0, 0});
    EXPECT_EQ(p.x, -3);
    // Saturation instead of undefined conversion far from the pivot.
    Point far{INT_MAX, INT_MAX};
    RotatePoint(t, far, 45, {INT_MIN, INT_MIN});
    EXPECT_EQ(far.x, INT_MAX);
}

TEST(RotatePoint, HalfRoundsDown) {
    // A table whose entry makes x' an exact half: c = 1, t = 0.5.
    double table[720] = {};
    table[10] = 1.0;
    table[370] = 0.5;
    Point p{0, 1};
    RotatePoint(table, p, 10, {0, 0});
    EXPECT_EQ(p.x, -1);  // -0.5 -> floor -1, fraction exactly 0.5 -> stays -1
    Point q{0, -1};
    RotatePoint(table, q, 10, {0, 0});
    EXPECT_EQ(q.x, 0);  // 0.5 -> 0
}

TEST(CPolygonRect, SetAngleNormalisesAndResetsAtZero) {
    CPolygonRect pr({0, 0}, {100, 50});
    const Point centre{50, 25};
    pr.SetAngle(-90, &centre);
    EXPECT_EQ(pr.m_nAngle, 270);
    EXPECT_DOUBLE_EQ(pr.m_dPivotRatioX, 2.0);
    EXPECT_DOUBLE_EQ(pr.m_dPivotRatioY, 2.0);
    pr.SetAngle(725);
    EXPECT_EQ(pr.m_nAngle, 5);
    pr.SetAngle(360);
    EXPECT_EQ(pr.m_nAngle, 0);
    EXPECT_EQ(pr.m_bounds, pr.m_rect);
    EXPECT_EQ(pr.m_dPivotRatioX, 0.0);
    EXPECT_EQ(pr.m_corners[2], (Point{100, 50}));
}

TEST(CPolygonRect, RotationAboutCentreUsesTableAndHalfDownRounding) {
    CPolygonRect pr({0, 0}, {100, 50});
    const Point centre{50, 25};
    pr.SetAngle(90, &centre);
    const double* t = GetTrigTable();
    const Point corners[4] = {{0, 0}, {100, 0}, {100, 50}, {0, 50}};
    for (int i = 0; i < 4; ++i) {
        Point expect = corners[i];
        RotatePoint(t, expect, 90, centre);
        EXPECT_EQ(pr.m_corners[i], expect) << i;
    }
    // Rotated by -90 degrees about (50, 25): x spans 25..75, y spans -25..75.
    EXPECT_EQ(pr.m_bounds.left, 75);  // the largest x is held in left
    EXPECT_EQ(pr.m_bounds.right, 25);
    EXPECT_EQ(pr.m_bounds.top, -25);
    EXPECT_EQ(pr.m_bounds.bottom, 75);
}

TEST(CPolygonRect, ZeroOrNonFiniteRatioRotatesAboutCentre) {
    for (double ratio : {0.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        CPolygonRect pr({0, 0}, {100, 50});
        pr.m_dPivotRatioX = ratio;
        pr.m_dPivotRatioY = ratio;
        pr.SetAngle(90);
        CPolygonRect ref({0, 0}, {100, 50});
        const Point centre{50, 25};
        ref.SetAngle(90, &centre);
        EXPECT_EQ(pr.m_corners, ref.m_corners) << ratio;
    }
}

TEST(CPolygonRect, StoredFormIs36BytesAndLoadRecomputesCorners) {
    CPolygonRect pr({-300, 200}, {100, 50});
    const Point pivot{-280, 210};
    pr.SetAngle(33, &pivot);
    CArchive out = CArchive::ForStoring();
    pr.Serialize(out);
    ASSERT_EQ(out.GetStoredBytes().size(), CPolygonRect::kStoredSize);
    EXPECT_EQ(out.GetStoredBytes()[0], 33);

    CArchive in = CArchive::ForLoading(out.GetStoredBytes());
    CPolygonRect back;
    back.Serialize(in);
    EXPECT_EQ(back.m_nAngle, 33);
    EXPECT_EQ(back.m_rect, pr.m_rect);
    EXPECT_EQ(back.m_corners, pr.m_corners);
    EXPECT_EQ(back.m_bounds, pr.m_bounds);

    // Every truncation is an end-of-file error that leaves the rectangle alone.
    for (std::size_t n = 0; n < CPolygonRect::kStoredSize; ++n) {
        CArchive shortIn = CArchive::ForLoading(std::span(out.GetStoredBytes()).first(n));
        CPolygonRect untouched({1, 2}, {3, 4});
        try {
            untouched.Serialize(shortIn);
            FAIL() << n;
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), ArchiveException::Cause::EndOfFile);
        }
        EXPECT_EQ(untouched.m_rect, Rect(1, 2, 4, 6));
    }
}

TEST(CPolygonRect, PointInPolygon) {
    CPolygonRect upright({0, 0}, {100, 50});
    EXPECT_TRUE(upright.PtInPolygon({10, 10}));
    EXPECT_FALSE(upright.PtInPolygon({100, 10}));  // right edge is outside
    EXPECT_FALSE(upright.PtInPolygon({10, 50}));   // bottom edge is outside

    CPolygonRect diamond({-1000, -1000}, {2000, 2000});
    const Point origin{0, 0};
    diamond.SetAngle(45, &origin);
    EXPECT_TRUE(diamond.PtInPolygon({0, 0}));
    EXPECT_TRUE(diamond.PtInPolygon({1300, 0}));
    EXPECT_FALSE(diamond.PtInPolygon({1000, 1000}));  // inside the bounds, outside the diamond

    // Far from the origin, where 32-bit cross products would overflow.
    CPolygonRect big({-2000000000, -2000000000}, {2100000000, 2100000000});
    const Point c{-950000000, -950000000};
    big.SetAngle(30, &c);
    EXPECT_TRUE(big.PtInPolygon(c));
}

TEST(SideOfSegment, CrossingsWithWideProducts) {
    EXPECT_TRUE(SideOfSegment({0, 0}, {10, 10}, {0, 10}, {10, 0}));
    EXPECT_FALSE(SideOfSegment({0, 0}, {10, 0}, {0, 5}, {10, 5}));
    EXPECT_TRUE(SideOfSegment({-2000000000, 0}, {2000000000, 0}, {0, -2000000000}, {0, 2000000000}));
    EXPECT_FALSE(SideOfSegment({-2000000000, 1}, {2000000000, 1}, {-2000000000, 3}, {2000000000, 2}));
}

TEST(FitRectInRect, FitsCoversAndIgnoresEmpty) {
    struct Case { Rect target, source; bool inside; Rect expect; };
    const Case cases[] = {
        {{0, 0, 100, 100}, {0, 0, 200, 100}, true, {0, 25, 100, 75}},
        {{0, 0, 100, 100}, {0, 0, 200, 100}, false, {-50, 0, 150, 100}},
        {{0, 0, 100, 100}, {0, 0, 0, 100}, true, {0, 0, 100, 100}},      // empty source
        {{5, 5, 5, 100}, {0, 0, 200, 100}, true, {5, 5, 5, 100}},        // empty target
    };
    for (const Case& c : cases) {
        Rect target = c.target, source = c.source;
        FitRectInRect(target, source, c.inside);
        EXPECT_EQ(target, c.expect);
    }
}

}  // namespace
}  // namespace kavitro
