// A letter that its join moves is moved the same in every output of a text
// object: the drawing (screen, print and the image exports draw through
// it), the rectangles that hit tests use, and the EPS outlines.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "engine/JoinCorrection.h"
#include "platform/SpyDC.h"
#include "platform/Vector.h"
#include "tests/document/TextDocumentFixture.h"

namespace kavitro {
namespace {

// The build's artwork (which has no join points) with join points on every
// glyph: a letter is joined into at its right edge on its baseline, and
// leaves at `exit`, beyond its left edge and far up, so that the letter
// before the last of a group moves right of and below all other ink.
class JoinedArtwork final : public IGlyphMetrics {
public:
    explicit JoinedArtwork(Point exit) : m_exit(exit) { SetGlyphMetrics(this); }
    ~JoinedArtwork() override { SetGlyphMetrics(nullptr); }
    JoinedArtwork(const JoinedArtwork&) = delete;
    JoinedArtwork& operator=(const JoinedArtwork&) = delete;

    GlyphAbc GetReferenceAbc(GlyphId id) const override { return Fonts().GetReferenceAbc(id); }
    std::int32_t GetOutlineHeight(GlyphId id) const override { return Fonts().GetOutlineHeight(id); }
    std::int32_t GetOutlineDepth(GlyphId id) const override { return Fonts().GetOutlineDepth(id); }
    std::int32_t GetAnchorY(GlyphId id, bool below) const override { return Fonts().GetAnchorY(id, below); }
    std::int32_t GetAnchorX(GlyphId id, bool below) const override { return Fonts().GetAnchorX(id, below); }
    GlyphJoinPoints GetJoinPoints(GlyphId id) const override {
        const auto advance = static_cast<std::int32_t>(GetReferenceAbc(id).Advance());
        return {true, true, {advance, 0}, m_exit};
    }
    bool HasJoinPoints() const override { return true; }

private:
    Point m_exit;
    static const CCalligraphyFont& Fonts() { return CCalligraphyFont::GetInstance(); }
};

struct JoinView : DefaultDocumentView, TextEditView {
    CTextComponentSelection component;
    CTextComponentSelection& GetComponentSelection() override { return component; }
    Point DeviceToLogical(Point device) const override { return device; }
};

CTextComponentSelection Letter(std::uint16_t k) {
    CTextComponentSelection s;
    s.m_firstWord = s.m_lastWord = 0;
    s.m_letter = k;
    return s;
}

// Where each glyph call of the word puts its glyph, in call order.
std::vector<Point> DrawnGlyphs(CDrawText& text) {
    CSpyDC spy;
    CTextComponentSelection word;
    word.m_firstWord = word.m_lastWord = 0;
    text.DrawComponents(spy, nullptr, word, text.GetZoomedBaselinePoint(), kWordsWithMarks);
    std::vector<Point> drawn;
    for (const std::string& call : spy.Calls()) {
        Point p;
        if (std::sscanf(call.c_str(), "ExtTextOut %d,%d", &p.x, &p.y) == 2)
            drawn.push_back(p);
    }
    return drawn;
}

struct Outputs {
    std::vector<Point> drawn;
    Rect letter, mark;  // letter 0 and its dot, as hit tests see them
    double outlineRight = 0, outlineBottom = 0;
};

Outputs Capture(CDrawText& text) {
    Outputs o;
    o.drawn = DrawnGlyphs(text);
    o.letter = text.GetComponentRect(Letter(0), kLetter).m_rect;
    o.mark = text.GetComponentRect(Letter(0), kLetterMark).m_rect;
    o.letter.NormalizeRect();
    o.mark.NormalizeRect();
    CVector outline;
    CTextComponentSelection word;
    word.m_firstWord = word.m_lastWord = 0;
    text.WriteEPS(outline, word, text.GetZoomedBaselinePoint(), true);
    o.outlineRight = outline.GetMaxX();
    o.outlineBottom = outline.GetMinY();
    return o;
}

using JoinPlacement = test::TextDocumentFixture<JoinView>;

TEST_F(JoinPlacement, DrawingHitTestsAndOutlinesMoveTheLetterAlike) {
    CPolygonRect pr;
    pr.m_rect = Rect(-3000, -5000, 0, 0);
    auto* text = new CDrawText(pr, 0, doc.get());
    doc->Add(text, true);
    view.m_selection = {text};
    for (const char16_t c : std::u16string_view(u"\u0628\u0628")) {
        ASSERT_EQ(text->OnChar(&view, c), 1);
    }
    const CCalligraphyWord& word = text->m_paragraph.m_words[0];
    ASSERT_GE(word.m_characters.size(), 2u);
    ASSERT_NE(word.m_characters[0].m_mark, 0) << "beh carries its dot";

    // The same text under two sets of join points: every output moves the
    // letter by the difference of its corrections.
    struct Joined {
        JoinCorrection correction;
        Outputs outputs;
    };
    auto capture = [&](Point exit) {
        const JoinedArtwork artwork(exit);
        return Joined{GetJoinCorrections(word)[0], Capture(*text)};
    };
    const Joined near = capture({-30, 3000}), far = capture({-130, 4000});
    ASSERT_EQ(far.correction.dx - near.correction.dx, -100);
    ASSERT_EQ(far.correction.dy - near.correction.dy, 1000);

    // Device units grow rightward and upward; the correction's x leftward
    // and its y downward.
    const double size = text->m_nSize * text->GetZoom() / 100.0;
    const double dx = 100 * size / 2160, dy = -1000 * size / 2160;
    const Outputs& before = near.outputs;
    const Outputs& after = far.outputs;
    ASSERT_EQ(before.drawn.size(), after.drawn.size());
    ASSERT_GE(after.drawn.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {  // the letter, then its dot
        EXPECT_NEAR(after.drawn[i].x - before.drawn[i].x, dx, 1) << "glyph call " << i;
        EXPECT_NEAR(after.drawn[i].y - before.drawn[i].y, dy, 1) << "glyph call " << i;
    }
    EXPECT_EQ(after.drawn[2], before.drawn[2]) << "the group's last letter stays";

    for (const auto& [a, b] : {std::pair{before.letter, after.letter}, std::pair{before.mark, after.mark}}) {
        EXPECT_NEAR(b.left - a.left, dx, 1);
        EXPECT_NEAR(b.right - a.right, dx, 1);
        EXPECT_NEAR(b.top - a.top, dy, 1);
        EXPECT_NEAR(b.bottom - a.bottom, dy, 1);
    }
    // The letter is hit where it now stands, below where it stood.
    const Point below{(after.letter.left + after.letter.right) / 2, after.letter.top + 1};
    ASSERT_FALSE(before.letter.PtInRect(below));
    const JoinedArtwork artwork({-130, 4000});
    EXPECT_EQ(text->HitComponent(&view, Letter(0), kLetter, below), 1);

    EXPECT_NEAR(after.outlineRight - before.outlineRight, dx, 1) << "the first letter is the rightmost ink";
    EXPECT_NEAR(after.outlineBottom - before.outlineBottom, dy, 1) << "and the lowest";
}

}  // namespace
}  // namespace kavitro
