#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/DocumentView.h"
#include "view/KavitroView.h"
#include "view/RulerModel.h"

namespace kavitro {
namespace {

TEST(RulerModel, LabelsAreTenthsOfTheAbsolutePosition) {
    const std::pair<std::int32_t, std::u16string> cases[] = {
        {0, u"0.0"}, {5, u"0.5"}, {15, u"1.5"}, {150, u"15.0"}, {-15, u"1.5"}, {-2105, u"210.5"}};
    for (const auto& [position, label] : cases) EXPECT_EQ(CRulerModel::Label(position), label) << position;
}

TEST(RulerModel, NumbersStandAtTheZoomsStep) {
    struct Case {
        std::int32_t zoom;
        std::int32_t step;
    };
    const CRulerModel horizontal(CRulerModel::Horizontal);
    const CRulerModel vertical(CRulerModel::Vertical);
    for (const Case c : {Case{10, 50}, Case{40, 50}, Case{41, 30}, Case{80, 30}, Case{100, 15}, Case{300, 15},
                         Case{301, 7}, Case{1500, 7}, Case{3000, 3}, Case{5000, 1}}) {
        SCOPED_TRACE(c.zoom);
        EXPECT_EQ(CRulerModel::StepForZoom(c.zoom), c.step);
        // A ruler over the page's right end (x from -20 cm to 1 cm at zoom 100).
        const std::int32_t left = MulDiv(-20000, c.zoom, 100), right = MulDiv(1000, c.zoom, 100);
        const auto ticks = horizontal.Ticks(c.zoom, left, right);
        ASSERT_GE(ticks.size(), 2u);
        for (std::size_t i = 1; i < ticks.size(); ++i) {
            EXPECT_EQ(ticks[i].logical - ticks[i - 1].logical, c.step * c.zoom);
            EXPECT_EQ(ticks[i].logical % (c.step * c.zoom), 0);  // on the step's grid
        }
        // The first number may stand up to one step inside an edge.
        EXPECT_LE(ticks.front().logical, left + c.step * c.zoom);
        EXPECT_GE(ticks.back().logical, right);
        const auto down = vertical.Ticks(c.zoom, right, left);  // from the top down
        ASSERT_GE(down.size(), 2u);
        EXPECT_EQ(down[0].logical - down[1].logical, c.step * c.zoom);
        EXPECT_GE(down.front().logical, right - c.step * c.zoom);
        EXPECT_LE(down.back().logical, left);
    }
    // At zoom 100: ... 3.0, 1.5, 0.0, 1.5 ... either side of the origin.
    const auto ticks = horizontal.Ticks(100, -4600, 1600);
    std::vector<std::u16string> labels;
    for (const auto& t : ticks) labels.push_back(t.label);
    EXPECT_EQ(labels, (std::vector<std::u16string>{u"4.5", u"3.0", u"1.5", u"0.0", u"1.5", u"3.0"}));
    EXPECT_EQ(CRulerModel::PageEnd(21000, 40), -8400);
}

struct RulerDragFixture : ::testing::Test, test::DocumentView {
    void SetUp() override { Open(); }
};

TEST_F(RulerDragFixture, ReleasingInsideMakesOneGuideAndOutsideNone) {
    for (const auto orientation : {CRulerModel::Horizontal, CRulerModel::Vertical}) {
        SCOPED_TRACE(orientation);
        CRulerModel ruler(orientation);
        const std::size_t guides = doc->m_guideLines.size();
        ASSERT_TRUE(ruler.OnLButtonDown(true));
        // Without the button nothing is tracked.
        EXPECT_FALSE(ruler.OnMouseMove(*view, false, Point{100, 120}).has_value());
        const auto inside = ruler.OnMouseMove(*view, true, Point{100, 120});
        ASSERT_TRUE(inside.has_value());
        EXPECT_EQ(inside->stringId, orientation == CRulerModel::Horizontal ? 11007u : 11008u);
        EXPECT_EQ(view->GetOverlay().GetItems().size(), 1u);
        ruler.OnMouseMove(*view, true, Point{110, 130});
        EXPECT_EQ(view->GetOverlay().GetItems().size(), 1u);  // the old line erased, the new one drawn
        const auto outside = ruler.OnMouseMove(*view, true, Point{-30, -40});
        ASSERT_TRUE(outside.has_value());
        EXPECT_EQ(outside->stringId, 11009u);

        // Released outside: the tracking line goes and nothing is made.
        EXPECT_FALSE(ruler.OnLButtonUp(*view, Point{-30, -40}));
        EXPECT_TRUE(view->GetOverlay().GetItems().empty());
        EXPECT_EQ(doc->m_guideLines.size(), guides);

        // Released inside: exactly one guide at the point, every view repainted.
        ruler.OnLButtonDown(true);
        ruler.OnMouseMove(*view, true, Point{110, 130});
        host.ClearRecords();
        ASSERT_TRUE(ruler.OnLButtonUp(*view, Point{110, 130}));
        ASSERT_EQ(doc->m_guideLines.size(), guides + 1);
        EXPECT_GT(host.m_invalidateAll, 0);
        EXPECT_TRUE(view->GetOverlay().GetItems().empty());
        const auto* guide = dynamic_cast<const CDrawGuideLine*>(doc->m_guideLines.back());
        ASSERT_NE(guide, nullptr);
        EXPECT_EQ(guide->IsVertical(), orientation == CRulerModel::Vertical);
        const Point logical = view->ClientToDoc(Point{110, 130});
        const Rect at = guide->BuildZoomedPosition().m_rect;
        EXPECT_EQ(orientation == CRulerModel::Horizontal ? at.top : at.left,
                  orientation == CRulerModel::Horizontal ? logical.y : logical.x);
    }
}

TEST_F(RulerDragFixture, WithGuideLinesHiddenNothingIsDragged) {
    CRulerModel ruler(CRulerModel::Horizontal);
    EXPECT_FALSE(ruler.OnLButtonDown(false));
    EXPECT_FALSE(ruler.OnMouseMove(*view, true, Point{100, 120}).has_value());
    EXPECT_TRUE(view->GetOverlay().GetItems().empty());
    EXPECT_FALSE(ruler.OnLButtonUp(*view, Point{100, 120}));
    EXPECT_TRUE(doc->m_guideLines.empty());
}

}  // namespace
}  // namespace kavitro
