// Import of version-1.x text blocks over a synthetic glyph table.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "engine/CalligraphyText.h"
#include "engine/LegacyText.h"
#include "platform/Exceptions.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro {
namespace {

using test::TestGlyphMetrics;

TEST(LegacyRounding, HalvesGoDown) {
    struct Case {
        double value;
        std::optional<std::int32_t> rounded;
    };
    const Case cases[] = {
        {2.5, 2}, {2.6, 3}, {-2.5, -3}, {-2.4, -2}, {-2.6, -3}, {0.49, 0}, {7.0, 7},
        {std::nan(""), std::nullopt}, {1e12, std::nullopt}, {-1e12, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RoundLegacyPosition(c.value), c.rounded) << c.value;
}

TEST(LegacyCode, MapsEveryByteOrLeavesTheCode) {
    std::map<std::uint8_t, std::uint16_t> expected = {{32, 0x0020}, {59, 0x06F0}};
    for (std::uint8_t b = 50; b <= 58; ++b)
        expected[b] = static_cast<std::uint16_t>(0x06F1 + b - 50);
    const std::u16string letters =
        u"\u0627\u0628\u062A\u062B\u067E\u062C\u0686\u062D\u062E\u062F\u0630\u0631\u0632\u0698\u0633\u0634\u0635"
        u"\u0636\u0637\u0638\u0639\u063A\u0641\u0642\u06A9\u06AF\u0644\u0645\u0646\u0647\u0648\u06CC\u0621\u0622";
    const std::u16string punctuation = u"!\"{}\u066A*/()\uF02A+\u060C-.\\:\u061B\u061F[]=";
    for (std::size_t i = 0; i < letters.size(); ++i)
        expected[static_cast<std::uint8_t>(60 + i)] = letters[i];
    for (std::size_t i = 0; i < punctuation.size(); ++i)
        expected[static_cast<std::uint8_t>(94 + i)] = punctuation[i];
    ASSERT_EQ(expected.size(), 2u + 9 + 34 + 21);

    for (unsigned b = 0; b < 256; ++b) {
        CCalligraphyCharacter c;
        c.m_code = 0xBEEF;
        c.SetLegacyCode(static_cast<std::uint8_t>(b));
        const auto it = expected.find(static_cast<std::uint8_t>(b));
        EXPECT_EQ(c.m_code, it != expected.end() ? it->second : 0xBEEF) << "byte " << b;
    }
}

// A text block at size 1500 with its origin at (100, 200): one version-1.x
// unit is 1.44 glyph units across and 0.5 y units down.
struct LegacyBlock {
    CLegacyTextBlock block;

    LegacyBlock() {
        block.scale = 1500;
        block.xOrigin = 100;
        block.yOrigin = 200;
    }
    CLegacyTextBlock::Record& Add(std::uint8_t code, std::uint8_t glyph, float x, float y, std::uint8_t font = 1) {
        CLegacyTextBlock::Record& r = block.records[static_cast<std::size_t>(block.characterCount++)];
        r.legacyCode = code;
        r.glyphIndex = glyph;
        r.font = font;
        r.x = x;
        r.y = y;
        return r;
    }
};

constexpr std::uint8_t kBeh = 61, kAlef = 60, kSpace = 32, kDal = 69, kReh = 71, kLam = 86, kMeem = 87;

struct Expected {
    std::int32_t x, y;
    std::vector<std::uint16_t> codes;
    std::vector<std::int32_t> offsets;
};

void ExpectWords(const CCalligraphyParagraph& paragraph, const std::vector<Expected>& words) {
    ASSERT_EQ(paragraph.m_words.size(), words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        SCOPED_TRACE(i);
        const CCalligraphyWord& word = paragraph.m_words[i];
        EXPECT_EQ(word.m_x, words[i].x);
        EXPECT_EQ(word.m_y, words[i].y);
        std::vector<std::uint16_t> codes;
        std::vector<std::int32_t> offsets;
        for (const CCalligraphyCharacter& c : word.m_characters) {
            codes.push_back(c.m_code);
            offsets.push_back(c.m_yOffset);
        }
        EXPECT_EQ(codes, words[i].codes);
        EXPECT_EQ(offsets, words[i].offsets);
    }
}

TEST(LoadLegacyText, WordsCloseAtNonJoiningCodesOnTheirLastLetter) {
    TestGlyphMetrics metrics;  // every advance 100: 70.19 units of version 1.x
    LegacyBlock b;
    b.Add(kBeh, 70, 1000, 210);    // y offset 5
    b.Add(kAlef, 71, 900, 205);    // 2.5 -> 2; alef closes the word
    b.Add(kSpace, 32, 850, 300);   // 50; a space closes its own word
    b.Add(kDal, 72, 700, 200);     // dal closes although reh follows
    b.Add(kReh, 73, 600, 204);     // 2
    b.Add(kLam, 74, 500, 206);     // 3
    b.Add(kMeem, 75, 400, 195);    // -2.5 -> -3; the last record closes the word

    CCalligraphyParagraph paragraph;
    paragraph.m_points.push_back({});
    paragraph.LoadLegacyText(b.block, 1.0);
    // x: (x + 70.19 - 100) * 1.44 rounded, growing leftward; the space word
    // joins the word before it.
    ExpectWords(paragraph, {
        {-1397, 2, {0x0628, 0x0627, 0x0020}, {3, 0, 50}},
        {-965, 0, {0x062F}, {0}},
        {-821, 2, {0x0631}, {0}},
        {-677, -3, {0x0644, 0x0645}, {6, 0}},
    });
    EXPECT_TRUE(paragraph.m_points.empty());
}

TEST(LoadLegacyText, CarriesFlagsMarksAndUnmappedCodes) {
    TestGlyphMetrics metrics;
    metrics.SetAbc(MakeGlyph(4, 41), {5, 120, 5});
    LegacyBlock b;
    auto& first = b.Add(33, 57, 1000, 200, 2);  // unmapped: keeps the code 0 it started with
    first.mark = 41;                            // the heh mark on a shifted glyph
    first.markDx = 10;
    first.markDy = 7;
    first.alternate = 3;
    auto& second = b.Add(kBeh, 58, 900, 200);
    second.mark = 41;  // same mark, other glyph: no correction
    second.markDx = 10;
    second.markDy = -7;
    auto& third = b.Add(200, 57, 800, 200);  // unmapped: keeps beh
    third.mark = 35;
    third.markDx = 10;

    CCalligraphyParagraph paragraph;
    paragraph.LoadLegacyText(b.block, 1.5);
    ASSERT_EQ(paragraph.m_words.size(), 1u);
    const auto& chars = paragraph.m_words[0].m_characters;
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[0].GetGlyph(), MakeGlyph(2, 57));
    EXPECT_EQ(chars[0].m_code, 0);
    EXPECT_EQ(chars[0].m_flags, CCalligraphyCharacter::kAlternate);
    EXPECT_EQ(chars[0].m_markDx, 15 - 120);
    EXPECT_EQ(chars[0].m_markDy, 10);  // 10.5 truncated
    EXPECT_EQ(chars[1].m_markDx, 15);
    EXPECT_EQ(chars[1].m_markDy, -10);
    EXPECT_EQ(chars[1].m_flags, 0);
    EXPECT_EQ(chars[2].m_code, 0x0628);
    EXPECT_EQ(chars[2].m_markDx, 15);
}

// The difference to the origin is taken in double precision: single
// precision would lose the 0.00001 that lifts 1000.5 over the half.
TEST(LoadLegacyText, HeightsAreComputedInDoublePrecision) {
    TestGlyphMetrics metrics;
    LegacyBlock b;
    b.block.scale = 750;  // one unit of version 1.x is one y unit
    b.block.yOrigin = -0.00001f;
    b.Add(kBeh, 70, 1000, 1000.5f);
    b.Add(kAlef, 71, 900, 1000.5f);
    CCalligraphyParagraph paragraph;
    paragraph.LoadLegacyText(b.block, 1.0);
    ASSERT_EQ(paragraph.m_words.size(), 1u);
    EXPECT_EQ(paragraph.m_words[0].m_y, 1001);
}

TEST(LoadLegacyText, EmptyTexts) {
    TestGlyphMetrics metrics;
    LegacyBlock loneSpace;
    loneSpace.Add(kSpace, 32, 100, 200);
    LegacyBlock none;
    LegacyBlock negative;
    negative.block.characterCount = -5;
    for (const LegacyBlock* b : {&loneSpace, &none, &negative}) {
        CCalligraphyParagraph paragraph;
        paragraph.m_words.resize(2);
        paragraph.LoadLegacyText(b->block, 1.0);
        EXPECT_TRUE(paragraph.m_words.empty());
    }
}

TEST(LoadLegacyText, ReadsNoMoreThanTheRecordsThereAre) {
    TestGlyphMetrics metrics;
    LegacyBlock b;
    for (int i = 0; i < 200; ++i)
        b.Add(kAlef, 70, static_cast<float>(10000 - 40 * i), 200);
    b.block.characterCount = 100000;
    CCalligraphyParagraph paragraph;
    paragraph.LoadLegacyText(b.block, 1.0);
    EXPECT_EQ(paragraph.m_words.size(), 200u);
}

TEST(LoadLegacyText, RefusesADamagedBlockAndKeepsTheParagraph) {
    TestGlyphMetrics metrics;
    struct Case {
        const char* name;
        void (*damage)(CLegacyTextBlock&);
    };
    const Case cases[] = {
        {"size 0", [](CLegacyTextBlock& b) { b.scale = 0; }},
        {"size not a number", [](CLegacyTextBlock& b) { b.scale = std::numeric_limits<float>::quiet_NaN(); }},
        {"font 0", [](CLegacyTextBlock& b) { b.records[1].font = 0; }},
        {"font 6", [](CLegacyTextBlock& b) { b.records[1].font = 6; }},
        {"glyph 0", [](CLegacyTextBlock& b) { b.records[1].glyphIndex = 0; }},
        {"position beyond 32 bits", [](CLegacyTextBlock& b) { b.records[1].y = 1e30f; }},
        {"position not a number", [](CLegacyTextBlock& b) { b.xOrigin = std::numeric_limits<float>::infinity(); }},
        // Each value fits in 32 bits, but the word's x (the negated start) or
        // a letter's height over the word's last letter does not.
        {"x that cannot be negated",
         [](CLegacyTextBlock& b) {
             b.scale = 2160;  // x1 = x + 101.07 - x origin
             b.xOrigin = 101;
             b.records[0].x = -2147483648.0f;
         }},
        {"heights too far apart",
         [](CLegacyTextBlock& b) {
             b.records[0].y = 3e9f;   // 1.5e9 y units
             b.records[1].y = -3e9f;  // -1.5e9, the baseline of the word
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LegacyBlock b;
        b.Add(kBeh, 70, 1000, 200);
        b.Add(kAlef, 71, 900, 200);
        c.damage(b.block);
        CCalligraphyParagraph paragraph;
        paragraph.m_words.resize(1);
        paragraph.m_words[0].m_x = 42;
        EXPECT_THROW(paragraph.LoadLegacyText(b.block, 1.0), ArchiveException);
        ASSERT_EQ(paragraph.m_words.size(), 1u);
        EXPECT_EQ(paragraph.m_words[0].m_x, 42);
    }
}

}  // namespace
}  // namespace kavitro
