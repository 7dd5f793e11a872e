// The exploration of stylistic variants over a scripted re-shaper, whose
// alternate forms and glyph commands each test chooses.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "engine/CalligraphyEngine.h"
#include "engine/StylisticVariants.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro {
namespace {

using test::TestGlyphMetrics;
using Glyphs = std::vector<GlyphId>;
using GlyphCommand = std::function<void(CCalligraphyWord&, std::int32_t)>;

// By default a letter carrying the alternate flag shows font 2, any other
// font 1, and the glyph commands change nothing.
class ScriptedReshaper final : public IWordReshaper {
public:
    std::function<void(CCalligraphyWord&)> alternate = [](CCalligraphyWord& word) {
        for (CCalligraphyCharacter& c : word.m_characters)
            c.m_font = c.IsAlternate() ? 2 : 1;
    };
    GlyphCommand variant = [](CCalligraphyWord&, std::int32_t) {};
    GlyphCommand swap = [](CCalligraphyWord&, std::int32_t) {};
    int refeeds = 0;

    CCalligraphyWord Refeed(const CCalligraphyWord& word, std::size_t) override {
        ++refeeds;
        CCalligraphyWord shaped;
        shaped.m_characters = word.m_characters;
        alternate(shaped);
        return shaped;
    }
    void ApplyGlyphVariant(CCalligraphyWord& word, std::int32_t cursor) override { variant(word, cursor); }
    void ApplyGlyphSwap(CCalligraphyWord& word, std::int32_t cursor) override { swap(word, cursor); }
};

// Swaps glyph index a and b of the letter before the cursor.
GlyphCommand Toggle(std::int32_t cursor, unsigned a, unsigned b) {
    return [=](CCalligraphyWord& word, std::int32_t at) {
        if (at != cursor)
            return;
        CCalligraphyCharacter& c = word.m_characters[static_cast<std::size_t>(at - 1)];
        if (c.m_glyph == a || c.m_glyph == b)
            c.m_glyph = static_cast<std::uint8_t>(c.m_glyph == a ? b : a);
    };
}

CCalligraphyWord Source(const Glyphs& glyphs, std::int32_t x = 500, std::int32_t y = 30) {
    CCalligraphyWord word;
    for (GlyphId g : glyphs) {
        CCalligraphyCharacter c;
        c.m_code = 0x0628;
        c.SetGlyph(g);
        word.m_characters.push_back(c);
    }
    word.m_x = x;
    word.m_y = y;
    return word;
}

Glyphs Letters(std::size_t n) {
    Glyphs glyphs;
    for (std::size_t i = 0; i < n; ++i)
        glyphs.push_back(MakeGlyph(1, static_cast<unsigned>(50 + 10 * i)));
    return glyphs;
}

std::vector<Glyphs> GlyphsOf(const CCalligraphyParagraph& paragraph) {
    std::vector<Glyphs> out;
    for (const CCalligraphyWord& word : paragraph.m_words) {
        Glyphs glyphs;
        for (const CCalligraphyCharacter& c : word.m_characters)
            glyphs.push_back(c.GetGlyph());
        out.push_back(glyphs);
    }
    return out;
}

CCalligraphyParagraph Build(ScriptedReshaper& reshaper, const CCalligraphyWord& source) {
    CCalligraphyParagraph result;
    result.m_words.resize(3);
    result.m_points.resize(2);
    CStylisticVariantBuilder(reshaper).Build(source, result);
    return result;
}

TEST(StylisticVariants, WordZeroIsTheSourceAndLongWordsGetNothingElse) {
    TestGlyphMetrics metrics;
    struct Case {
        std::size_t letters;
        std::size_t words;
    };
    // Every letter but the last can be toggled; the last has a glyph variant.
    const Case cases[] = {{1, 2}, {2, 4}, {7, 15 + 1}, {8, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.letters);
        ScriptedReshaper reshaper;
        const unsigned last = 50 + 10 * static_cast<unsigned>(c.letters - 1);
        reshaper.variant = Toggle(static_cast<std::int32_t>(c.letters), last, last + 1);
        const CCalligraphyWord source = Source(Letters(c.letters));
        const CCalligraphyParagraph result = Build(reshaper, source);
        ASSERT_EQ(result.m_words.size(), c.words);
        EXPECT_EQ(GlyphsOf(result)[0], Letters(c.letters));
        EXPECT_EQ(result.m_words[0].m_x, 0);
        EXPECT_EQ(result.m_words[0].m_y, 0);
        EXPECT_TRUE(result.m_points.empty());
        if (c.letters == 1) {
            EXPECT_EQ(reshaper.refeeds, 0);  // nothing to toggle before the last letter
        }
    }
}

TEST(StylisticVariants, PassesRunInOrderEachInsertingAfterItsStartingPoint) {
    TestGlyphMetrics metrics;  // every advance 100
    ScriptedReshaper reshaper;
    reshaper.variant = Toggle(2, 100, 101);
    reshaper.swap = Toggle(1, 50, 60);
    const CCalligraphyParagraph result = Build(reshaper, Source({MakeGlyph(1, 50), MakeGlyph(1, 100)}));

    const GlyphId a = MakeGlyph(1, 50), alt = MakeGlyph(2, 50), swapped = MakeGlyph(1, 60),
                  altSwapped = MakeGlyph(2, 60), b = MakeGlyph(1, 100), varied = MakeGlyph(1, 101);
    const std::vector<Glyphs> expected = {
        {a, b},                 // the source
        {swapped, b},           // its swap
        {a, varied},            // its variant
        {swapped, varied},      // the swap of its variant
        {alt, b},               // the alternate form, found first
        {altSwapped, b},
        {alt, varied},
        {altSwapped, varied},
    };
    EXPECT_EQ(GlyphsOf(result), expected);
    // Each word stands after the word it came from.
    const std::int32_t x[] = {0, 200, 200, 400, 200, 400, 400, 600};
    for (std::size_t i = 0; i < std::size(x); ++i)
        EXPECT_EQ(result.m_words[i].m_x, x[i]) << i;
}

TEST(StylisticVariants, OnlyNewGlyphSequencesOfTheSourceLengthAreAdded) {
    TestGlyphMetrics metrics;
    ScriptedReshaper reshaper;
    // Any toggle gives the same shape; toggling the first letter also loses
    // the last one, as a refused letter would.
    reshaper.alternate = [](CCalligraphyWord& word) {
        const bool firstToggled = word.m_characters[0].IsAlternate();
        const bool any = firstToggled || word.m_characters[1].IsAlternate();
        for (CCalligraphyCharacter& c : word.m_characters)
            c.m_flags = 0;
        if (any)
            word.m_characters[0].SetGlyph(MakeGlyph(3, 1));
        if (firstToggled)
            word.m_characters.pop_back();
    };
    const CCalligraphyParagraph result = Build(reshaper, Source(Letters(3)));
    EXPECT_EQ(GlyphsOf(result), (std::vector<Glyphs>{Letters(3), {MakeGlyph(3, 1), MakeGlyph(1, 60), MakeGlyph(1, 70)}}));

    // Codes, offsets, flags and marks do not make a variant.
    CCalligraphyWord same = result.m_words[1];
    same.m_characters[0].m_code = 0x0627;
    same.m_characters[1].m_yOffset = 40;
    same.m_characters[2].m_mark = 35;
    EXPECT_FALSE(result.IsNewVariant(same));
    same.m_characters[2].m_glyph = 71;
    EXPECT_TRUE(result.IsNewVariant(same));
}

TEST(StylisticVariants, StartingPointsStopAtFifteenWordsAndTheMenuAtNineteen) {
    TestGlyphMetrics metrics;
    {
        // Independent toggles: 1 + 6 + 5 + 4 words before the count reaches
        // 15; the third starting point still adds all of its own, and the
        // glyph commands find no starting point left.
        ScriptedReshaper reshaper;
        reshaper.variant = Toggle(1, 50, 51);
        EXPECT_EQ(Build(reshaper, Source(Letters(7))).m_words.size(), 16u);
    }
    {
        // No alternate forms, but every press gives a new glyph: the first
        // starting point alone would give 28.
        ScriptedReshaper reshaper;
        reshaper.alternate = [](CCalligraphyWord&) {};
        reshaper.variant = [](CCalligraphyWord& word, std::int32_t cursor) {
            CCalligraphyCharacter& c = word.m_characters[static_cast<std::size_t>(cursor - 1)];
            c.m_glyph = static_cast<std::uint8_t>(c.m_glyph % 10 == 4 ? c.m_glyph - 4 : c.m_glyph + 1);
        };
        const CCalligraphyParagraph result = Build(reshaper, Source(Letters(7)));
        const std::vector<Glyphs> glyphs = GlyphsOf(result);
        EXPECT_EQ(glyphs.size(), CStylisticVariantBuilder::kMaxVariants);
        EXPECT_EQ(std::set<Glyphs>(glyphs.begin(), glyphs.end()).size(), glyphs.size());
    }
}

// Through the engine: a lone reh (1/75) runs through its glyph-variant
// cycle 1/75 -> 4/144 -> 4/143, each found variant inserted right after the
// source; it has no alternate form and no swap partner.
TEST(StylisticVariants, TheEngineGivesTheGlyphVariantCycleOfALoneLetter) {
    TestGlyphMetrics metrics;
    CCalligraphyParagraph text;
    std::int32_t caret = 0;
    ASSERT_EQ(text.InsertCharacter(caret, 0x0631), 1);
    ASSERT_EQ(text.m_words[0].m_characters[0].GetGlyph(), MakeGlyph(1, 75));

    CCalligraphyParagraph variants;
    variants.BuildStylisticVariants(text.m_words[0]);
    EXPECT_EQ(GlyphsOf(variants),
              (std::vector<Glyphs>{{MakeGlyph(1, 75)}, {MakeGlyph(4, 143)}, {MakeGlyph(4, 144)}}));
    // The source is untouched and the engine is pointed back where it was.
    EXPECT_EQ(text.m_words[0].m_characters[0].GetGlyph(), MakeGlyph(1, 75));
    EXPECT_EQ(CCalligraphyEngine::GetInstance().GetCurrentWord(), nullptr);
    EXPECT_EQ(CCalligraphyEngine::GetInstance().GetPreviousWord(), nullptr);
}

}  // namespace
}  // namespace kavitro
