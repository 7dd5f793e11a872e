// Word and paragraph measures over a synthetic glyph table.

#include <gtest/gtest.h>

#include <limits>

#include "engine/CalligraphyText.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro {
namespace {

using test::TestGlyphMetrics;

constexpr GlyphId kPlain = MakeGlyph(1, 66);  // default ABC: 10, 80, 10
constexpr GlyphId kTail = MakeGlyph(1, 252);
constexpr GlyphId kOtherTail = MakeGlyph(1, 181);

CCalligraphyCharacter Char(GlyphId glyph, std::uint16_t code = 0x0628, std::int32_t yOffset = 0) {
    return test::MakeCharacter(glyph, code, yOffset);
}

CCalligraphyWord Word(std::vector<CCalligraphyCharacter> characters, std::int32_t x = 0, std::int32_t y = 0) {
    return test::MakeWordAt(std::move(characters), x, y);
}

TEST(WordWidth, SumsAdvancesAndTheFirstTailOverhang) {
    TestGlyphMetrics metrics;
    metrics.SetAbc(kTail, {-50, 400, -150});         // advance 200, black box 400
    metrics.SetAbc(kOtherTail, {0, 1000, -900});     // advance 100, black box 1000
    metrics.SetAbc(MakeGlyph(1, 30), {0, 50, 0});    // advance 50, no overhang

    struct Case {
        const char* name;
        std::vector<GlyphId> glyphs;
        std::int32_t overhang;
    };
    const Case cases[] = {
        {"no tail glyph", {kPlain, kPlain}, 0},
        {"tail first: black box beyond its advance", {kTail, kPlain}, 400 - 200},
        {"tail after a letter: its advance counts too", {kPlain, kTail}, 400 - 300},
        {"only the first tail counts", {kTail, kOtherTail}, 200},
        {"a tail whose box stays inside", {kPlain, kPlain, kPlain, kPlain, kTail}, 0},
        {"empty word", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CCalligraphyCharacter> chars;
        std::int32_t advances = 0;
        for (GlyphId g : c.glyphs) {
            chars.push_back(Char(g));
            advances += static_cast<std::int32_t>(metrics.GetReferenceAbc(g).Advance());
        }
        const CCalligraphyWord word = Word(chars);
        EXPECT_EQ(word.GetTailOverhang(), c.overhang);
        EXPECT_EQ(word.GetWidth(), advances + c.overhang);
    }
}

TEST(WordWidth, WidthOfFirstCountsOnlyExistingCharacters) {
    TestGlyphMetrics metrics;
    metrics.SetAbc(MakeGlyph(1, 30), {0, 50, 0});
    const CCalligraphyWord word = Word({Char(kPlain), Char(MakeGlyph(1, 30)), Char(kPlain)});
    EXPECT_EQ(word.GetWidthOfFirst(-1), 0);
    EXPECT_EQ(word.GetWidthOfFirst(0), 0);
    EXPECT_EQ(word.GetWidthOfFirst(2), 150);
    EXPECT_EQ(word.GetWidthOfFirst(99), 250);
}

TEST(WordHeight, TopAndBottomFollowOffsetsAndMarks) {
    TestGlyphMetrics metrics;
    metrics.SetOutline(kPlain, 2160, 432);                 // 750 and 150 y units
    metrics.SetOutline(MakeGlyph(4, 35), 216, 216);        // the dot: 75 y units each way
    metrics.SetAnchor(kPlain, false, {-100, 2160});        // above: 750 y units up
    metrics.SetAnchor(kPlain, true, {-100, -2160});        // below: 750 down

    EXPECT_EQ(Word({}).GetTop(true), 0);
    EXPECT_EQ(Word({}).GetBottom(true), 0);

    const CCalligraphyWord flat = Word({Char(kPlain)});
    EXPECT_EQ(flat.GetTop(false), 750);
    EXPECT_EQ(flat.GetBottom(false), 150);
    // Raised by 40 (a negative offset): higher top, shallower bottom.
    const CCalligraphyWord raised = Word({Char(kPlain, 0x0628, -40)});
    EXPECT_EQ(raised.GetTop(false), 790);
    EXPECT_EQ(raised.GetBottom(false), 110);

    // Mark above on alef-like code, below on beh; mark dy moves it up.
    CCalligraphyCharacter above = Char(kPlain, 0x0646);
    above.m_mark = 35;
    above.m_markDy = 216;  // 75 y units further up
    EXPECT_EQ(Word({above}).GetTop(true), 75 + 750 + 75);
    EXPECT_EQ(Word({above}).GetTop(false), 750);
    CCalligraphyCharacter below = Char(kPlain, 0x0628);
    below.m_mark = 35;
    EXPECT_EQ(Word({below}).GetBottom(true), 75 + 750);
    EXPECT_EQ(Word({below}).GetBottom(false), 150);
}

TEST(WordExtent, CoversBlackBoxesAndAnchoredMarksOnly) {
    TestGlyphMetrics metrics;
    metrics.SetAbc(kPlain, {-20, 150, -30});          // advance 100, ink past both edges
    metrics.SetAbc(MakeGlyph(4, 35), {0, 40, 0});     // the dot, advance 40
    metrics.SetAnchor(kPlain, false, {-300, 500});
    const CCalligraphyWord bare = Word({Char(kPlain)});
    // Near edge at pen + C = -30, far edge 100 - A = 120, 20 beyond the advance.
    EXPECT_EQ(bare.GetExtent(), Rect(-30, 0, 20, 0));

    CCalligraphyCharacter dotted = Char(kPlain, 0x0646);
    dotted.m_mark = 35;
    dotted.m_markDx = 10;
    dotted.m_markDy = -700;
    // The anchor's x grows by the dot's advance (-260); near = 0 + 260 - 10.
    EXPECT_EQ(Word({dotted}).GetExtent(), Rect(-30, 0, 250 + 40 - 100, -200));

    CCalligraphyCharacter unanchored = Char(kPlain, 0x0628);  // beh: below, no anchor there
    unanchored.m_mark = 35;
    EXPECT_EQ(Word({unanchored}).GetExtent(), bare.GetExtent());
    EXPECT_EQ(Word({}).GetExtent(), Rect());
}

TEST(WordAttachable, SpaceGlyphsAndTravellingForms) {
    TestGlyphMetrics metrics;
    const GlyphId attachable[] = {MakeGlyph(1, 32), MakeGlyph(4, 32), MakeGlyph(3, 112), MakeGlyph(4, 33),
                                  MakeGlyph(4, 34), MakeGlyph(4, 88), MakeGlyph(5, 33), MakeGlyph(5, 35),
                                  MakeGlyph(5, 43), MakeGlyph(5, 49)};
    const GlyphId other[] = {MakeGlyph(1, 33), MakeGlyph(3, 113), MakeGlyph(4, 35), MakeGlyph(5, 36),
                             MakeGlyph(5, 42), MakeGlyph(5, 50), kPlain};
    for (GlyphId g : attachable)
        EXPECT_TRUE(Word({Char(g), Char(MakeGlyph(1, 32))}).IsAttachable()) << GlyphFont(g) << "/" << GlyphIndex(g);
    for (GlyphId g : other)
        EXPECT_FALSE(Word({Char(g), Char(MakeGlyph(1, 32))}).IsAttachable()) << GlyphFont(g) << "/" << GlyphIndex(g);
    EXPECT_TRUE(Word({}).IsAttachable());
}

TEST(WordCopy, CopiesCharactersAndPositionButNeverTheOutlineCache) {
    CCalligraphyWord source = Word({Char(kPlain), Char(kTail)}, 10, 20);
    source.m_characters[0].m_markDy = 9;
    source.m_outline = {{1, 2}, {3, 4}};
    source.m_bounds = Rect(1, 2, 3, 4);

    CCalligraphyWord target = Word({Char(kTail)});
    target.m_outline = {{7, 7}};
    target = source;
    EXPECT_EQ(target.m_characters.size(), 2u);
    EXPECT_EQ(target.m_characters[0].m_markDy, 9);
    EXPECT_EQ(target.m_x, 10);
    EXPECT_EQ(target.m_y, 20);
    EXPECT_EQ(target.m_outline, (std::vector<Point>{{7, 7}}));

    const CCalligraphyWord copied(source);
    EXPECT_TRUE(copied.m_outline.empty());
    EXPECT_EQ(copied.m_bounds, Rect());

    target.AppendCharacters(target);
    EXPECT_EQ(target.m_characters.size(), 4u);
}

TEST(ParagraphBox, BoundingRectSkipsEmptyWords) {
    TestGlyphMetrics metrics;  // advance 100 each
    CCalligraphyParagraph paragraph;
    paragraph.m_words = {Word({}), Word({})};
    const std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(paragraph.GetBoundingRect(), Rect(kMax, kMin, kMin, kMax));

    paragraph.m_words = {Word({Char(kPlain, 0x0628, -30), Char(kPlain)}, 0, 0), Word({}, -500, 900),
                         Word({Char(kPlain, 0x0628, 15)}, 200, 40)};
    // Lowest baseline 40; highest letter origin 0 - 30.
    EXPECT_EQ(paragraph.GetBoundingRect(), Rect(0, 40, 300, -30));
}

TEST(ParagraphBox, ExtentAddsInkBeyondTheLastWordAndVowelPoints) {
    TestGlyphMetrics metrics;
    metrics.SetAbc(kPlain, {-20, 150, -30});  // ink 20 past the far edge
    metrics.SetAbc(MakeGlyph(4, 44), {0, 60, 0});
    CCalligraphyParagraph paragraph;
    paragraph.m_words = {Word({Char(kPlain)}, 0), Word({Char(kPlain)}, 100)};
    EXPECT_EQ(paragraph.GetExtent(), Rect(-30, 0, 20, 0));

    CCalligraphyPoint point;
    point.m_sign = 44;
    point.m_x = -250;  // beyond the end of the text (x grows to the right here)
    point.m_y = 300;
    paragraph.m_points = {point};
    EXPECT_EQ(paragraph.GetExtent(), Rect(-30, 300, 60 + 250 - 200, 0));

    CCalligraphyParagraph wordless;
    wordless.m_points = {point};
    EXPECT_EQ(wordless.GetExtent(), Rect(0, 300, 310, 0));
}

}  // namespace
}  // namespace kavitro
