// The paragraph keeps each word's measures between edits. Whatever changes
// the words (an edit, a word changed in place, an assignment, a swap) or the
// glyph measures, the paragraph's box and extent must be those of a
// paragraph that measures its words for the first time.

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "engine/CalligraphyText.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro {
namespace {

using test::TestGlyphMetrics;

// A paragraph with the same words and points that has measured nothing yet.
CCalligraphyParagraph Fresh(const CCalligraphyParagraph& paragraph) {
    CCalligraphyParagraph fresh;
    fresh.m_words = static_cast<const CWordList&>(std::as_const(paragraph).m_words);
    fresh.m_points = paragraph.m_points;
    return fresh;
}

void ExpectMeasuredAfresh(const CCalligraphyParagraph& paragraph) {
    const CCalligraphyParagraph fresh = Fresh(paragraph);
    EXPECT_EQ(paragraph.GetBoundingRect(), fresh.GetBoundingRect());
    EXPECT_EQ(paragraph.GetExtent(), fresh.GetExtent());
}

CCalligraphyWord DigitWord(std::size_t length, std::int32_t x) {
    std::vector<CCalligraphyCharacter> characters;
    for (std::size_t i = 0; i < length; ++i)
        characters.push_back(test::MakeCharacter(MakeGlyph(4, 48 + static_cast<int>(i % 10)), u'\u06F0'));
    return test::MakeWordAt(std::move(characters), x, 0);
}

// Two arrays that went through the same number of changes hold the same
// change count; taking the other's words must not let the kept measures pass.
TEST(MeasureCache, WordsTakenFromElsewhereAreMeasuredAgain) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const auto build = [](std::size_t length) {
        CCalligraphyParagraph paragraph;
        for (std::int32_t w = 0; w < 3; ++w)
            paragraph.m_words.push_back(DigitWord(length, w * 1000));
        return paragraph;
    };
    struct Case {
        const char* name;
        void (*change)(CCalligraphyParagraph& measured, CCalligraphyParagraph& other);
    };
    const Case cases[] = {
        {"copy-assigned words", [](CCalligraphyParagraph& m, CCalligraphyParagraph& o) { m.m_words = o.m_words; }},
        {"move-assigned words",
         [](CCalligraphyParagraph& m, CCalligraphyParagraph& o) { m.m_words = std::move(o.m_words); }},
        {"words moved out", [](CCalligraphyParagraph& m, CCalligraphyParagraph&) { CWordArray gone(std::move(m.m_words)); }},
        {"swapped paragraphs", [](CCalligraphyParagraph& m, CCalligraphyParagraph& o) { std::swap(m, o); }},
        {"copied paragraph", [](CCalligraphyParagraph& m, CCalligraphyParagraph& o) { m = o; }},
        {"a mark set in place",
         [](CCalligraphyParagraph& m, CCalligraphyParagraph&) { m.m_words[1].m_characters[0].m_yOffset = -300; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCalligraphyParagraph measured = build(2);
        CCalligraphyParagraph other = build(5);
        ASSERT_EQ(measured.m_words.GetChangeCount(), other.m_words.GetChangeCount());
        ExpectMeasuredAfresh(measured);
        ExpectMeasuredAfresh(other);
        c.change(measured, other);
        ExpectMeasuredAfresh(measured);
        ExpectMeasuredAfresh(other);
    }
}

TEST(MeasureCache, NewGlyphMeasuresAreSeen) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph;
    paragraph.m_words.push_back(DigitWord(4, 0));
    const Rect before = paragraph.GetBoundingRect();
    metrics.SetAbc(MakeGlyph(4, 49), {0, 5000, 0});
    EXPECT_NE(paragraph.GetBoundingRect(), before);
    ExpectMeasuredAfresh(paragraph);
}

// Random typing, Backspace, in-place changes, assignments and new glyph
// measures; after each step the kept measures agree with fresh ones.
TEST(MeasureCache, AgreesWithFreshMeasuresThroughRandomEdits) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const char16_t codes[] = {u' ', u'.', u'\u06F1', u'\u06F2', u'\u0628', u'\u0627', u'\u062F', u'\u0631'};
    std::mt19937 random(20261211);
    const auto pick = [&random](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    CCalligraphyParagraph paragraph;
    CCalligraphyParagraph earlier;
    std::int32_t caret = 0;
    for (int step = 0; step < 600; ++step) {
        SCOPED_TRACE(testing::Message() << "step " << step);
        const std::size_t op = pick(10);
        const std::int32_t count = paragraph.GetCharacterCount();
        if (op < 5 || count == 0) {
            caret = static_cast<std::int32_t>(pick(static_cast<std::size_t>(count) + 1));
            paragraph.InsertCharacter(caret, codes[pick(std::size(codes))]);
        } else if (op < 7) {
            caret = static_cast<std::int32_t>(pick(static_cast<std::size_t>(count) + 1));
            paragraph.DeleteCharacter(caret);
        } else if (op == 7 && !paragraph.m_words.empty()) {
            CCalligraphyWord& word = paragraph.m_words[pick(paragraph.m_words.size())];
            if (!word.m_characters.empty()) {
                CCalligraphyCharacter& c = word.m_characters[pick(word.m_characters.size())];
                c.m_mark = static_cast<std::uint8_t>(pick(3));
                c.m_markDy = static_cast<std::int32_t>(pick(400));
                c.m_yOffset = -static_cast<std::int32_t>(pick(200));
            }
        } else if (op == 8) {
            metrics.SetAbc(MakeGlyph(4, 48 + static_cast<int>(pick(4))),
                           {static_cast<std::int32_t>(pick(50)), static_cast<std::uint32_t>(50 + pick(200)), 0});
        } else {
            std::swap(paragraph, earlier);
            earlier.Copy(paragraph);
        }
        ExpectMeasuredAfresh(paragraph);
        if (testing::Test::HasFailure())
            return;
    }
}

}  // namespace
}  // namespace kavitro
