// Numbers read left to right inside the right-to-left text: typed digits keep
// their order in the words, and the placed pens turn each run of digits round
// inside the stretch it occupies; the caret follows.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/DigitRuns.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro {
namespace {

using test::TestGlyphMetrics;

// Typed as into a new text object: its space first, the caret before it.
CCalligraphyParagraph TypeIntoNewText(std::u16string_view text) {
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    paragraph.InsertCharacter(caret, u' ');
    paragraph.SetCaret(caret, 0, false);
    for (char16_t code : text)
        EXPECT_EQ(paragraph.InsertCharacter(caret, code), 1) << "U+" << std::hex << int(code);
    return paragraph;
}

struct Placed {
    char16_t code;
    std::int64_t pen;  // placed, leftward from the start of the text
    std::int64_t advance;
};

std::vector<Placed> PlacedCharacters(const CCalligraphyParagraph& paragraph) {
    std::vector<Placed> placed;
    const auto& words = paragraph.m_words;
    for (std::size_t w = 0; w < words.size(); ++w)
        for (std::size_t k = 0; k < words[w].m_characters.size(); ++k) {
            const CCalligraphyCharacter& c = words[w].m_characters[k];
            placed.push_back(
                {c.m_code, GetPlacedPen(words, {w, k}), GetGlyphMetrics().GetReferenceAbc(c.GetGlyph()).Advance()});
        }
    return placed;
}

// The line as the eye reads it from its left end: digits as 0..9, the space
// as "_", beh as "b", jeem as "j".
std::string ReadFromTheLeft(std::vector<Placed> placed) {
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.pen > b.pen; });
    std::string line;
    for (const Placed& p : placed) {
        if (IsPersianDigit(p.code))
            line += static_cast<char>('0' + (p.code - 0x06F0));
        else if (p.code == u' ')
            line += '_';
        else if (p.code == u'\u0628')
            line += 'b';
        else if (p.code == u'\u062C')
            line += 'j';
        else
            line += '?';
    }
    return line;
}

TEST(DigitRuns, TypedNumbersReadLeftToRightAndStillTileTheLine) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});  // every digit its own width
    struct Case {
        std::u16string_view typed;
        const char* fromTheLeft;
    };
    const Case cases[] = {
        {u"۱", "_1"},
        {u"۱۲", "_12"},
        {u"۱۲۳۴", "_1234"},
        {u"ب۱۲۳", "_123b"},      // the first digit shares the letter's word
        {u"ب ۱۲ ج", "_j_12_b"},  // between words, after a space
        {u"۱۲ب", "_b12"},        // letters follow the number
        {u"ب۱ ۲۳", "_23_1b"},    // a lone digit, then a second number
        {u"۱۴۰۲ ۵۶۷", "_567_1402"},
    };
    for (const Case& c : cases) {
        const CCalligraphyParagraph paragraph = TypeIntoNewText(c.typed);
        // Stored as typed: the digits keep their logical order.
        std::u16string stored;
        for (const CCalligraphyWord& w : paragraph.m_words)
            for (const CCalligraphyCharacter& ch : w.m_characters)
                stored += static_cast<char16_t>(ch.m_code);
        EXPECT_EQ(stored, std::u16string(c.typed) + u" ");

        std::vector<Placed> placed = PlacedCharacters(paragraph);
        EXPECT_EQ(ReadFromTheLeft(placed), c.fromTheLeft);
        // Typing lays the glyphs end to end; turning the numbers round must
        // neither overlap them nor open gaps.
        std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.pen < b.pen; });
        std::int64_t end = 0;
        for (const Placed& p : placed) {
            EXPECT_EQ(p.pen, end) << c.fromTheLeft;
            end = p.pen + p.advance;
        }
    }
}

// Spacing may leave gaps between the digits' words: each pair of digits keeps
// its gap, and the number keeps the stretch it had.
TEST(DigitRuns, GapsBetweenDigitsTravelWithTheirPair) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = TypeIntoNewText(u"ب۱۲۳");
    ASSERT_EQ(paragraph.m_words.size(), 3u);  // "ب۱", "۲", "۳ "
    paragraph.m_words[1].m_x += 40;
    paragraph.m_words[2].m_x += 40 + 90;
    const auto& words = paragraph.m_words;
    auto box = [&](std::size_t w, std::size_t k) {
        const std::int64_t pen = GetPlacedPen(words, {w, k});
        return std::pair{pen, pen + metrics.GetReferenceAbc(words[w].m_characters[k].GetGlyph()).Advance()};
    };
    const auto one = box(0, 1), two = box(1, 0), three = box(2, 0);
    EXPECT_EQ(one.first - two.second, 40);  // "۱" left of "۲", 40 apart as before
    EXPECT_EQ(two.first - three.second, 90);
    EXPECT_EQ(three.first, box(0, 0).second) << "the number still starts where the letter ends";
    EXPECT_EQ(one.second, GetPlacedPen(words, {2, 1})) << "and ends where the space starts";
}

// Dragging words moves their glyphs on the page by the drag, whatever part
// of a number they hold, and leaves every other glyph where it was (spaces
// show nothing and go with the number's end).
TEST(DigitRuns, DraggedWordsMoveTheirDigitsWithTheMouse) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const CCalligraphyParagraph typed = TypeIntoNewText(u"ب ۱۲۳۴");
    ASSERT_EQ(typed.m_words.size(), 5u);  // "ب ", "۱", "۲", "۳", "۴ "
    struct Range {
        std::size_t first, last;
    };
    const Range ranges[] = {{1, 1}, {2, 2}, {4, 4}, {2, 3}, {0, 1}, {1, 4}, {0, 0}};
    constexpr std::int64_t dx = 37;  // leftward on the page
    for (const Range& r : ranges) {
        CCalligraphyParagraph paragraph = typed;
        const std::vector<Placed> before = PlacedCharacters(paragraph);
        const std::vector<std::int64_t> shifts = GetWordShifts(paragraph.m_words, r.first, r.last, dx);
        for (std::size_t w = 0; w < shifts.size(); ++w)
            paragraph.m_words[w].m_x = static_cast<std::int32_t>(paragraph.m_words[w].m_x + shifts[w]);
        const std::vector<Placed> after = PlacedCharacters(paragraph);
        std::size_t i = 0;
        for (std::size_t w = 0; w < paragraph.m_words.size(); ++w)
            for (std::size_t k = 0; k < paragraph.m_words[w].m_characters.size(); ++k, ++i) {
                if (after[i].code == u' ')
                    continue;
                const bool dragged = w >= r.first && w <= r.last;
                EXPECT_EQ(after[i].pen - before[i].pen, dragged ? dx : 0)
                    << "word " << w << " of range " << r.first << ".." << r.last;
            }
    }
}

// Carets stand where right-to-left text with a left-to-right number puts
// them: between two digits at the later one's left edge; at the start of a
// text that opens with a number, at its left end; next to a number with
// other text on that side, where the other text is.
TEST(DigitRuns, CaretFollowsTheDigitsItStandsBetween) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    struct Case {
        std::u16string_view typed;
        std::vector<int> glyphsRightOfCaret;  // for carets 0, 1, 2, ...
    };
    const Case cases[] = {
        {u"ب۱۲۳ ج", {0, 1, 3, 2, 4, 5, 6}}, {u"۱۲۳", {3, 2, 1, 3}}, {u"۱ب", {1, 1, 2}},
        {u"ب ۱۲", {0, 1, 2, 3, 4}},         {u"ب", {0, 1}},
    };
    for (const Case& c : cases) {
        const CCalligraphyParagraph paragraph = TypeIntoNewText(c.typed);
        const auto& words = paragraph.m_words;
        auto pen = [&](CharacterAt at) {
            const CCalligraphyWord& w = words[at.word];
            return std::int64_t{w.m_x} + w.GetTailOverhang() + w.GetWidthOfFirst(static_cast<std::int32_t>(at.index));
        };
        auto advance = [&](CharacterAt at) {
            return std::int64_t{metrics.GetReferenceAbc(words[at.word].m_characters[at.index].GetGlyph()).Advance()};
        };
        const std::vector<Placed> placed = PlacedCharacters(paragraph);
        for (std::size_t caret = 0; caret < c.glyphsRightOfCaret.size(); ++caret) {
            const auto [before, after] = CaretNeighbours(words, caret);
            const std::int64_t natural = after ? pen(*after) : pen(*before) + advance(*before);
            const std::int64_t x = PlaceCaret(words, caret, natural, pen, advance);
            const auto right =
                std::count_if(placed.begin(), placed.end(), [&](const Placed& p) { return p.pen + p.advance <= x; });
            EXPECT_EQ(right, c.glyphsRightOfCaret[caret]) << "caret " << caret << " of case " << &c - cases;
        }
    }
}

// A stored text need not end with a space: the caret after a closing number
// stands at the number's right end.
TEST(DigitRuns, CaretAtTheEndOfATextClosedByANumber) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = TypeIntoNewText(u"ب ۱۲");
    std::int32_t caret = paragraph.GetCharacterCount();
    paragraph.DeleteCharacter(caret);  // the text object's own space
    const auto& words = paragraph.m_words;
    ASSERT_EQ(words.back().m_characters.back().m_code, u'\u06F2');
    auto pen = [&](CharacterAt at) {
        const CCalligraphyWord& w = words[at.word];
        return std::int64_t{w.m_x} + w.GetWidthOfFirst(static_cast<std::int32_t>(at.index));
    };
    auto advance = [&](CharacterAt at) {
        return std::int64_t{metrics.GetReferenceAbc(words[at.word].m_characters[at.index].GetGlyph()).Advance()};
    };
    const std::size_t end = static_cast<std::size_t>(paragraph.GetCharacterCount());
    const CharacterAt two{words.size() - 1, words.back().m_characters.size() - 1};
    const std::int64_t numberStart = pen({0, 2});  // where "ب " ends
    EXPECT_EQ(PlaceCaret(words, end, pen(two) + advance(two), pen, advance), numberStart);
    EXPECT_EQ(CaretNeighbours(words, end + 1), (std::pair<std::optional<CharacterAt>, std::optional<CharacterAt>>{}));
}

}  // namespace
}  // namespace kavitro
