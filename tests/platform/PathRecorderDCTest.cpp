#include "platform/PathRecorderDC.h"

#include <gtest/gtest.h>

#include "tests/platform/DcScene.h"

namespace kavitro {
namespace {

TEST(PathRecorderDCTest, SceneAreasAnswerHitTests) {
    scene::SquareGlyphSource glyphs;
    CPathRecorderDC dc;
    dc.SetGlyphOutlineSource(&glyphs);
    scene::Draw(dc, 0x41);
    struct Case {
        const char* what;
        Point point;
        bool hit;
    };
    for (const Case c : {
             Case{"frame rectangle", {400, -400}, true},
             Case{"ellipse centre", {1200, -400}, true},
             Case{"ellipse corner", {910, -110}, false},
             Case{"round rectangle", {400, -1200}, true},
             Case{"round corner", {105, -1495}, false},
             Case{"dash-dot line", {1200, -900}, false},
             Case{"triangle", {1200, -1350}, true},
             Case{"beside the triangle", {950, -1450}, false},
             Case{"filled rectangle", {1750, -1750}, true},
             Case{"bitmap", {1750, -250}, true},
             Case{"glyph left of its origin, above the baseline", {1300, -1600}, true},
             Case{"right of the glyph origin", {1550, -1600}, false},
             Case{"below the baseline", {1300, -1850}, false},
         }) {
        EXPECT_EQ(dc.HitTest(c.point), c.hit) << c.what;
    }
    EXPECT_EQ(dc.GetBounds(), Rect(100, -1900, 1900, -100));
    dc.Clear();
    EXPECT_TRUE(dc.GetBounds().IsRectNull());
    EXPECT_FALSE(dc.HitTest({400, -400}));
}

TEST(PathRecorderDCTest, LinesAreOutlineWithoutArea) {
    CPathRecorderDC dc;
    const Point zigzag[] = {{0, 0}, {100, 0}, {100, 100}};
    dc.Polyline(zigzag);
    dc.MoveTo({-50, 20});
    dc.LineTo({-10, 30});
    EXPECT_EQ(dc.GetBounds(), Rect(-50, 0, 100, 100));
    EXPECT_FALSE(dc.HitTest({90, 10}));
    EXPECT_EQ(dc.GetOutline().GetTypes().size(), 5u);
    // Without a glyph source text has no outline, and says so.
    EXPECT_FALSE(dc.TextOut(0, 0, u"a"));
}

TEST(PathRecorderDCTest, FillModeDecidesOverlaps) {
    CPathRecorderDC dc;
    dc.Rectangle({0, 0, 100, 100});
    dc.Rectangle({25, 25, 75, 75});
    EXPECT_FALSE(dc.HitTest({50, 50}));
    dc.SetPolyFillMode(WINDING);
    EXPECT_TRUE(dc.HitTest({50, 50}));
}

}  // namespace
}  // namespace kavitro
