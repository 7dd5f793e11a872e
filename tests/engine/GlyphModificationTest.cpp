// The glyph-variant (65431) and glyph-swap (65432) keys pressed on a word of
// a paragraph: the letter before the offset steps on, its neighbours follow
// the row, the words after it move by the change of width, and the kaf and
// gaf strokes are chosen again where the command says so.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/CalligraphyEngine.h"
#include "engine/CalligraphyText.h"
#include "tests/engine/EngineWords.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro::test {
namespace {

constexpr std::uint16_t kVariant = kGlyphVariantCode;
constexpr std::uint16_t kSwap = kGlyphSwapCode;

// A space word, the edited word, and a space word after it, laid end to end.
class EditedParagraph {
public:
    explicit EditedParagraph(std::initializer_list<Letter> letters) {
        m_paragraph.m_words.push_back(MakeWord({{kSpace, G(1, 32)}}));
        m_paragraph.m_words.push_back(MakeWord(letters));
        m_paragraph.m_words.push_back(MakeWord({{kSpace, G(1, 32)}}));
        std::int32_t x = 0;
        for (CCalligraphyWord& word : m_paragraph.m_words) {
            word.m_x = x;
            x += word.GetWidth();
        }
    }

    // Presses the key `times` times with the caret after letter offset - 1,
    // and checks that the word after it moved by the change of width.
    void Press(std::uint16_t key, std::int32_t offset, int times = 1) {
        const std::int32_t width = Word().GetWidth();
        const std::int32_t followingX = m_paragraph.m_words[2].m_x;
        for (int i = 0; i < times; ++i) m_paragraph.ModifyCharacter(1, offset, key);
        EXPECT_EQ(m_paragraph.m_words[2].m_x, followingX + Word().GetWidth() - width);
        EXPECT_EQ(m_paragraph.m_words[0].m_x, 0);
    }

    const CCalligraphyWord& Word() const { return m_paragraph.m_words[1]; }

    std::vector<Shape> Shapes() const {
        std::vector<Shape> shapes;
        for (const CCalligraphyCharacter& c : Word().m_characters) shapes.push_back(ShapeOf(c));
        return shapes;
    }

private:
    TestGlyphMetrics m_metrics{TestGlyphMetrics::Distinct{}};
    CCalligraphyParagraph m_paragraph;
};

struct Case {
    const char* what;
    std::initializer_list<Letter> word;
    std::uint16_t key;
    std::int32_t offset;
    int presses;
    std::vector<Shape> expected;
    int marked;  // the letter whose glyph the command chose (flag bit 1), -1: none
};

// Offsets grow downward: a negative shift lowers, so it adds to y.
const Case kCases[] = {
    // --- glyph variant ---
    {"1/81 lowers every earlier letter by 53, the letter after it stays",
     {{kBeh, G(1, 2), 0, 10}, {kBeh, G(1, 3), 0, -20}, {kBeh, G(1, 4), 0, 5}, {kBeh, G(1, 5)},
      {kLam, G(1, 81)}, {kBeh, G(1, 6), 0, 7}},
     kVariant, 5, 1,
     {{G(1, 2), 63}, {G(1, 3), 33}, {G(1, 4), 58}, {G(1, 5), 53}, {G(1, 71), 0}, {G(1, 6), 7}}, 4},
    {"1/81 pressed twice is back where it started",
     {{kBeh, G(1, 2), 0, 10}, {kBeh, G(1, 3), 0, -20}, {kLam, G(1, 81)}},
     kVariant, 3, 2, {{G(1, 2), 10}, {G(1, 3), -20}, {G(1, 81), 0}}, 2},
    {"1/81 as the first letter moves nothing else",
     {{kLam, G(1, 81)}, {kBeh, G(1, 6)}}, kVariant, 1, 1, {{G(1, 71), 0}, {G(1, 6), 0}}, 0},
    {"1/114 of a keheh after a heh 1/141: 3/42, raised by 81",
     {{kBeh, G(1, 2)}, {kHeh, G(1, 141)}, {kKeheh, G(1, 114)}},
     kVariant, 3, 1, {{G(1, 2), 0}, {G(3, 42), -81}, {G(4, 230), 0}}, 2},
    {"1/114 of a gaf after another letter on 1/141: 4/219, raised by 81",
     {{kBeh, G(1, 2)}, {kBeh, G(1, 141)}, {kGaf, G(1, 114)}},
     kVariant, 3, 1, {{G(1, 2), 0}, {G(4, 219), -81}, {G(4, 230), 0}}, 2},
    {"1/114 after 1/187: the letters further back rise by the rest shift",
     {{kBeh, G(1, 2)}, {kBeh, G(1, 3)}, {kBeh, G(1, 187)}, {kKeheh, G(1, 114)}},
     kVariant, 4, 1, {{G(1, 2), -30}, {G(1, 3), -30}, {G(3, 44), -81}, {G(4, 230), 0}}, 3},
    {"1/114 after 1/187 pressed twice restores glyphs and offsets",
     {{kBeh, G(1, 2)}, {kBeh, G(1, 3)}, {kBeh, G(1, 187)}, {kKeheh, G(1, 114)}},
     kVariant, 4, 2, {{G(1, 2), 0}, {G(1, 3), 0}, {G(1, 187), 0}, {G(1, 114), 0}}, 3},
    {"1/114 of a lam: no row",
     {{kBeh, G(1, 141)}, {kLam, G(1, 114)}}, kVariant, 2, 1, {{G(1, 141), 0}, {G(1, 114), 0}}, -1},
    {"1/114 of a keheh after a glyph its rows do not name: no change",
     {{kBeh, G(1, 2)}, {kKeheh, G(1, 114)}}, kVariant, 2, 1, {{G(1, 2), 0}, {G(1, 114), 0}}, -1},
    {"2/86 after 1/54: 5/246 raised by 151, every letter further back by 94",
     {{kBeh, G(1, 2)}, {kBeh, G(1, 3)}, {kBeh, G(1, 4)}, {kBeh, G(1, 54)}, {kBeh, G(2, 86)}},
     kVariant, 5, 1, {{G(1, 2), -94}, {G(1, 3), -94}, {G(1, 4), -94}, {G(5, 246), -151}, {G(2, 180), 0}}, 4},
    {"2/180 after 2/186 comes back after 2/60: two previous glyphs lead to 2/175",
     {{kBeh, G(1, 2)}, {kBeh, G(2, 186)}, {kBeh, G(2, 180)}},
     kVariant, 3, 2, {{G(1, 2), 0}, {G(2, 60), 0}, {G(2, 180), 0}}, 2},
    {"4/153 of a heh before 4/158: 3/174 raised by 1, the next letter 1/117",
     {{kBeh, G(1, 2)}, {kHeh, G(4, 153)}, {kBeh, G(4, 158)}},
     kVariant, 2, 1, {{G(1, 2), 0}, {G(3, 174), -1}, {G(1, 117), 0}}, 1},
    {"4/153 of a heh before another letter: no change and no mark",
     {{kBeh, G(1, 2)}, {kHeh, G(4, 153)}, {kBeh, G(1, 6)}},
     kVariant, 2, 1, {{G(1, 2), 0}, {G(4, 153), 0}, {G(1, 6), 0}}, -1},
    {"1/150 before 1/151: 2/44 and the next letter 5/34",
     {{kHeh, G(1, 150)}, {kBeh, G(1, 151)}}, kVariant, 1, 1, {{G(2, 44), 0}, {G(5, 34), 0}}, 0},
    {"1/150 before 1/151 pressed twice",
     {{kHeh, G(1, 150)}, {kBeh, G(1, 151)}}, kVariant, 1, 2, {{G(1, 150), 0}, {G(1, 151), 0}}, 0},
    {"1/192 after 1/107: a three-cycle, one press",
     {{kBeh, G(1, 107)}, {kBeh, G(1, 192)}}, kVariant, 2, 1, {{G(2, 66), 162}, {G(2, 37), 0}}, 1},
    {"1/192 after 1/107: three presses restore the word",
     {{kBeh, G(1, 107)}, {kBeh, G(1, 192)}}, kVariant, 2, 3, {{G(1, 107), 0}, {G(1, 192), 0}}, 1},
    {"1/65 steps to 4/164", {{kBeh, G(1, 2)}, {kBeh, G(1, 65)}}, kVariant, 2, 1, {{G(1, 2), 0}, {G(4, 164), 0}}, 1},
    {"1/186 comes back after four presses",
     {{kBeh, G(1, 2)}, {kBeh, G(1, 186)}}, kVariant, 2, 4, {{G(1, 2), 0}, {G(1, 186), 0}}, 1},
    {"offset 0 names no letter", {{kLam, G(1, 81)}}, kVariant, 0, 1, {{G(1, 81), 0}}, -1},
    {"an offset past the word names no letter", {{kLam, G(1, 81)}}, kVariant, 3, 1, {{G(1, 81), 0}}, -1},
    // --- glyph swap ---
    {"1/119 with four letters before it: 4/237, all four lowered by 2",
     {{kBeh, G(1, 2), 0, 1}, {kBeh, G(1, 3)}, {kBeh, G(1, 4)}, {kBeh, G(1, 5)}, {kBeh, G(1, 119)}, {kBeh, G(1, 6)}},
     kSwap, 5, 1, {{G(1, 2), 3}, {G(1, 3), 2}, {G(1, 4), 2}, {G(1, 5), 2}, {G(4, 237), 0}, {G(1, 6), 0}}, 4},
    {"1/119 swapped twice is back where it started",
     {{kBeh, G(1, 2), 0, 1}, {kBeh, G(1, 3)}, {kBeh, G(1, 4)}, {kBeh, G(1, 5)}, {kBeh, G(1, 119)}},
     kSwap, 5, 2, {{G(1, 2), 1}, {G(1, 3), 0}, {G(1, 4), 0}, {G(1, 5), 0}, {G(1, 119), 0}}, 4},
    {"1/119 as the first letter moves nothing else",
     {{kBeh, G(1, 119)}, {kBeh, G(1, 6)}}, kSwap, 1, 1, {{G(4, 237), 0}, {G(1, 6), 0}}, 0},
    {"3/243 before 1/213: 2/111, the letters before it rise by 49",
     {{kBeh, G(1, 2)}, {kBeh, G(3, 243)}, {kBeh, G(1, 213)}},
     kSwap, 2, 1, {{G(1, 2), 49}, {G(2, 111), 0}, {G(1, 213), 0}}, 1},
    {"3/243 before another letter: 1/128, the letters before it drop by 101",
     {{kBeh, G(1, 2)}, {kBeh, G(3, 243)}, {kBeh, G(1, 6)}},
     kSwap, 2, 1, {{G(1, 2), -101}, {G(1, 128), 0}, {G(1, 6), 0}}, 1},
    {"3/194 goes round its three-cycle and back",
     {{kBeh, G(1, 2)}, {kBeh, G(3, 194)}}, kSwap, 2, 3, {{G(1, 2), 0}, {G(3, 194), 0}}, 1},
    {"a glyph without a row: no change and no mark",
     {{kBeh, G(1, 2)}, {kBeh, G(1, 3)}}, kSwap, 2, 1, {{G(1, 2), 0}, {G(1, 3), 0}}, -1},
    {"offset 0 names no letter", {{kBeh, G(1, 119)}}, kSwap, 0, 1, {{G(1, 119), 0}}, -1},
};

TEST(GlyphModification, KeysOnAWordOfAParagraph) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EditedParagraph paragraph(c.word);
        paragraph.Press(c.key, c.offset, c.presses);
        EXPECT_EQ(paragraph.Shapes(), c.expected);
        for (std::size_t i = 0; i < paragraph.Word().m_characters.size(); ++i) {
            const bool marked = (paragraph.Word().m_characters[i].m_flags & CCalligraphyCharacter::kModified) != 0;
            EXPECT_EQ(marked, static_cast<int>(i) == c.marked) << "letter " << i;
        }
    }
}

// The variant command and a swap that reaches the second part of its table
// choose every stroke of the word again, even when the key has no row; a
// swap that the first part answers does not.
TEST(GlyphModification, StrokesAreChosenAgainAfterTheCommand) {
    struct StrokeCase {
        const char* what;
        std::uint16_t key;
        std::initializer_list<Letter> word;
        std::int32_t offset;
        GlyphId targetAfter;
        std::vector<int> marks;  // every letter starts without a mark
    };
    const StrokeCase cases[] = {
        {"variant without a row", kVariant, {{kKeheh, G(1, 57)}, {kBeh, G(1, 2)}}, 2, G(1, 2), {39, 0}},
        {"variant with a row", kVariant, {{kGaf, G(1, 57)}, {kLam, G(1, 81)}}, 2, G(1, 71), {40, 0}},
        {"swap in the second part: the new body's stroke, short after a kaf",
         kSwap, {{kKeheh, G(1, 57)}, {kKeheh, G(1, 237)}}, 2, G(1, 204), {39, 59}},
        {"swap without a row in either part", kSwap, {{kGaf, G(1, 57)}, {kBeh, G(1, 2)}}, 2, G(1, 2), {40, 0}},
        {"swap in the first part: no stroke changes", kSwap, {{kKeheh, G(1, 57)}, {kBeh, G(1, 65)}}, 2, G(4, 164), {0, 0}},
    };
    for (const StrokeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EditedParagraph paragraph(c.word);
        paragraph.Press(c.key, c.offset);
        std::vector<int> marks;
        for (const CCalligraphyCharacter& ch : paragraph.Word().m_characters) marks.push_back(ch.m_mark);
        EXPECT_EQ(marks, c.marks);
        EXPECT_EQ(paragraph.Word().m_characters[static_cast<std::size_t>(c.offset) - 1].GetGlyph(), c.targetAfter);
    }
}

// The result fields keep the last command's outcome, and each command
// starts from a cleared result.
TEST(GlyphModification, ResultFieldsHoldTheLastCommand) {
    CCalligraphyEngine engine;
    CCalligraphyWord word = MakeWord({{kBeh, G(1, 2)}, {kBeh, G(1, 187)}, {kKeheh, G(1, 114)}});
    engine.SetCurrentWord(&word);
    engine.ApplyGlyphVariant(3);
    const CTextModificationResult& r = engine.GetTextModification();
    EXPECT_EQ(r.glyphs.target, G(4, 230));
    EXPECT_EQ(r.glyphs.previous, G(3, 44));
    EXPECT_EQ(r.shifts.previous1, 81);
    EXPECT_EQ(r.shifts.rest, 30);
    engine.ApplyGlyphSwap(1);  // 1/2 has no swap row
    EXPECT_EQ(r.glyphs.target, 0u);
    EXPECT_EQ(r.shifts.previous1, 0);
    EXPECT_EQ(r.shifts.rest, 0);
    EXPECT_EQ(&engine.GetCharacterAt(2), &word.m_characters[2]);
    EXPECT_EQ(engine.GetCharacterAt(3).GetGlyph(), 0u);
    EXPECT_EQ(engine.GetCharacterAt(-1).GetGlyph(), 0u);
}

TEST(GlyphModification, ExtremeOffsetsNameNoLetter) {
    CCalligraphyEngine engine;
    CCalligraphyWord word = MakeWord({{kLam, G(1, 81)}, {kBeh, G(1, 119)}});
    const CCalligraphyWord before = word;
    engine.SetCurrentWord(&word);
    for (std::int32_t offset : {INT_MIN, -1, 3, INT_MAX}) {
        engine.ApplyGlyphVariant(offset);
        engine.ApplyGlyphSwap(offset);
        engine.LookupGlyphVariant(offset);
        EXPECT_TRUE(engine.LookupGlyphSwap(offset)) << "no row in the first part: " << offset;
        EXPECT_EQ(engine.GetTextModification().glyphs.target, 0u) << offset;
    }
    EXPECT_TRUE(SameCharacters(word, before));
    engine.SetCurrentWord(nullptr);
    engine.ApplyGlyphVariant(1);
    engine.ApplyGlyphSwap(1);
    EXPECT_EQ(engine.GetCharacterAt(0).GetGlyph(), 0u);
}

}  // namespace
}  // namespace kavitro::test
