#include "platform/DcMapping.h"

#include <gtest/gtest.h>

namespace kavitro {
namespace {

TEST(DcMappingTest, HimetricMapsAnInchToTheDpiWithYUp) {
    CDcMapping m(96, 96);
    EXPECT_EQ(m.SetMapMode(MM_HIMETRIC), MM_TEXT);
    EXPECT_EQ(m.LPtoDP(Point{2540, -2540}), (Point{96, 96}));
    EXPECT_EQ(m.DPtoLP(Point{96, 96}), (Point{2540, -2540}));
    EXPECT_TRUE(m.IsYUp());
    m.SetMapMode(MM_HIENGLISH);
    EXPECT_EQ(m.LPtoDP(Point{1000, 500}), (Point{96, -48}));
    m.SetMapMode(MM_TEXT);
    EXPECT_EQ(m.LPtoDP(Point{7, -3}), (Point{7, -3}));
}

TEST(DcMappingTest, RoundsHalvesAwayFromZeroLikeMulDiv) {
    CDcMapping m;
    m.SetMapMode(MM_ANISOTROPIC);
    ASSERT_TRUE(m.SetWindowExt({2, 2}));
    ASSERT_TRUE(m.SetViewportExt({1, 1}));
    struct Case {
        std::int32_t logical;
        std::int32_t device;
    };
    for (const Case c : {Case{1, 1}, Case{-1, -1}, Case{3, 2}, Case{-3, -2}, Case{2, 1}, Case{0, 0}}) {
        EXPECT_EQ(m.LPtoDP(Point{c.logical, c.logical}), (Point{c.device, c.device})) << c.logical;
    }
}

TEST(DcMappingTest, ExtentsChangeOnlyInTheScalableModes) {
    CDcMapping m(96, 96);
    EXPECT_FALSE(m.SetWindowExt({10, 10}));  // MM_TEXT
    m.SetMapMode(MM_HIMETRIC);
    EXPECT_FALSE(m.SetViewportExt({10, 10}));
    // Switching to anisotropic keeps the extents of the mode before.
    m.SetMapMode(MM_ANISOTROPIC);
    EXPECT_EQ(m.GetWindowExt(), (Size{2540, 2540}));
    EXPECT_EQ(m.GetViewportExt(), (Size{96, -96}));
    EXPECT_FALSE(m.SetWindowExt({0, 10}));
    EXPECT_EQ(m.GetWindowExt(), (Size{2540, 2540}));
    EXPECT_EQ(m.SetMapMode(99), 0);
    EXPECT_EQ(m.GetMapMode(), MM_ANISOTROPIC);
    // Isotropic: the larger scale gives way to the smaller.
    m.SetMapMode(MM_ISOTROPIC);
    m.SetWindowExt({100, 100});
    m.SetViewportExt({50, -200});
    EXPECT_EQ(m.GetViewportExt(), (Size{50, -50}));
}

TEST(DcMappingTest, ExportPictureMappingPutsTheBoxOnTheViewport) {
    // A picture box r = (-3000, -2000)..(-1000, -500) in y-up units drawn
    // into (cx, cy) = (1000, 750) pixels: window extent (|w|, -|h|), window
    // origin (left, bottom).
    CDcMapping m;
    m.SetMapMode(MM_ANISOTROPIC);
    m.SetWindowExt({2000, -1500});
    m.SetViewportExt({1000, 750});
    m.SetWindowOrg({-3000, -500});
    EXPECT_EQ(m.LPtoDP(Point{-3000, -500}), (Point{0, 0}));
    EXPECT_EQ(m.LPtoDP(Point{-1000, -2000}), (Point{1000, 750}));
    EXPECT_EQ(m.DPtoLP(Point{500, 375}), (Point{-2000, -1250}));
    m.OffsetViewportOrg(10, 20);
    EXPECT_EQ(m.LPtoDP(Point{-3000, -500}), (Point{10, 20}));
}

TEST(DcMappingTest, FarPointsSaturateInsteadOfWrapping) {
    CDcMapping m;
    m.SetMapMode(MM_ANISOTROPIC);
    m.SetWindowExt({1, 1});
    m.SetViewportExt({1000, 1000});
    m.SetWindowOrg({INT32_MIN, 0});
    const Point p = m.LPtoDP(Point{INT32_MAX, INT32_MIN});
    EXPECT_EQ(p.x, INT32_MAX);
    EXPECT_EQ(p.y, INT32_MIN);
    m.OffsetWindowOrg(-1, INT32_MAX);
    m.OffsetWindowOrg(0, INT32_MAX);
    EXPECT_EQ(m.GetWindowOrg(), (Point{INT32_MIN, INT32_MAX}));
    // Extremes of the extents, as a metafile may set them.
    m.SetMapMode(MM_ISOTROPIC);
    EXPECT_TRUE(m.SetWindowExt({INT32_MIN, 1}));
    EXPECT_TRUE(m.SetViewportExt({1, INT32_MIN}));
    EXPECT_EQ(m.GetViewportExt(), (Size{1, -1}));
}

}  // namespace
}  // namespace kavitro
