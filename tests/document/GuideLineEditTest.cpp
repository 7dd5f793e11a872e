// The guide lines of a page as lists of positions: listing them and putting
// edited lists back, as one undo step, without moving a line.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DocumentFixture.h"
#include "document/GuideLineEdit.h"

namespace kavitro {
namespace {

using Positions = std::vector<double>;

class GuideLineEdit : public ::testing::Test {
protected:
    void SetUp() override {
        m_doc = test::NewDocument(m_services.services);
        m_doc->m_objects.m_nPages = 2;
    }
    // A guide at a position in millimetres from the top (right) edge.
    CDrawObj* AddGuide(std::uint32_t orientation, double millimetres, std::uint32_t page) {
        CDrawGuideLine* guide = m_doc->AddGuideline(nullptr, orientation, m_doc->Zoomed(static_cast<std::int32_t>(-millimetres * 100)));
        guide->m_nPage = page;
        return guide;
    }
    std::size_t UndoCount() const { return m_doc->m_objects.m_undo.size(); }

    test::TestServices m_services;
    std::unique_ptr<CKavitroDoc> m_doc;
};

TEST_F(GuideLineEdit, ReplacesTheLinesOfOnePageAsOneUndoStep) {
    AddGuide(1, 30, kEveryPageFlags);
    AddGuide(0, 12.5, 0);
    CDrawObj* otherPage = AddGuide(0, 99, 1);
    // An odd zoom: a list read and put back at the zoom would drift.
    m_doc->SetZoom(37);
    const GuideLinePositions shown = ListGuideLines(*m_doc, 0);
    EXPECT_EQ(shown.horizontal, Positions{12.5});
    EXPECT_EQ(shown.vertical, Positions{30});

    // Unchanged lists change nothing and record nothing.
    EXPECT_FALSE(ReplaceGuideLines(*m_doc, 0, shown, false));
    EXPECT_EQ(UndoCount(), 0u);

    // A line that stays where it was keeps showing on every page.
    const std::list<CDrawObj*> before = m_doc->m_guideLines;
    ASSERT_TRUE(ReplaceGuideLines(*m_doc, 0, {{40.25, 3}, {30}}, false));
    EXPECT_EQ(ListGuideLines(*m_doc, 1).vertical, Positions{30});
    EXPECT_EQ(ListGuideLines(*m_doc, 0).horizontal, (Positions{40.25, 3}));
    EXPECT_EQ(ListGuideLines(*m_doc, 1).horizontal, Positions{99});  // page 1 keeps its own line
    EXPECT_EQ(UndoCount(), 1u);

    ASSERT_TRUE(m_doc->UndoRedo(true, nullptr));
    EXPECT_EQ(m_doc->m_guideLines.size(), before.size());
    for (CDrawObj* guide : before) EXPECT_NE(std::find(m_doc->m_guideLines.begin(), m_doc->m_guideLines.end(), guide), m_doc->m_guideLines.end());
    EXPECT_EQ(ListGuideLines(*m_doc, 0).vertical, Positions{30});
    ASSERT_TRUE(m_doc->UndoRedo(false, nullptr));
    EXPECT_EQ(ListGuideLines(*m_doc, 0).horizontal, (Positions{40.25, 3}));
    EXPECT_NE(std::find(m_doc->m_guideLines.begin(), m_doc->m_guideLines.end(), otherPage), m_doc->m_guideLines.end());
}

TEST_F(GuideLineEdit, LeavesOutPositionsThatAreNotOnThePage) {
    // US Letter: 215.9 mm wide, 279.4 mm high.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        GuideLinePositions in;
        GuideLinePositions kept;
    } cases[] = {
        {"not finite", {{nan, 5, -inf}, {inf}}, {{5}, {}}},
        {"outside the page", {{-0.01, 279.4, 279.41}, {215.9, 216, 1e300}}, {{279.4}, {215.9}}},
        {"edges", {{0}, {0}}, {{0}, {0}}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AddGuide(0, 50, 0);
        ReplaceGuideLines(*m_doc, 0, c.in, false);
        const GuideLinePositions shown = ListGuideLines(*m_doc, 0);
        EXPECT_EQ(shown.horizontal, c.kept.horizontal);
        EXPECT_EQ(shown.vertical, c.kept.vertical);
        ReplaceGuideLines(*m_doc, 0, {}, false);
    }
}

TEST_F(GuideLineEdit, AllPagesReplacesEveryLineAndSurvivesALineDeletedLater) {
    AddGuide(0, 10, 0);
    AddGuide(1, 20, 1);
    ASSERT_TRUE(ReplaceGuideLines(*m_doc, 0, {{15}, {25}}, true));
    ASSERT_EQ(m_doc->m_guideLines.size(), 2u);
    for (const CDrawObj* guide : m_doc->m_guideLines) EXPECT_TRUE(IsOnEveryPage(guide->m_nPage));
    EXPECT_EQ(ListGuideLines(*m_doc, 1).vertical, Positions{25});

    // A new line dragged off the page is gone for good; undo and redo of the
    // replacement must not reach it.
    ASSERT_TRUE(m_doc->DeleteObject(m_doc->m_guideLines.front()));
    ASSERT_TRUE(m_doc->UndoRedo(true, nullptr));
    EXPECT_EQ(ListGuideLines(*m_doc, 0).horizontal, Positions{10});
    EXPECT_EQ(ListGuideLines(*m_doc, 1).vertical, Positions{20});
    ASSERT_TRUE(m_doc->UndoRedo(false, nullptr));
    EXPECT_TRUE(ListGuideLines(*m_doc, 0).horizontal.empty());
    EXPECT_EQ(ListGuideLines(*m_doc, 0).vertical, Positions{25});
}

}  // namespace
}  // namespace kavitro
