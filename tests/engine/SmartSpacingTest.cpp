// Smart spacing over synthetic glyphs: box-shaped outlines whose distances
// are known, and dot anchors whose mark offsets can be worked out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string_view>

#include "engine/CalligraphyText.h"
#include "engine/VectorPathSource.h"
#include "platform/Exceptions.h"
#include "tests/engine/TestGlyphMetrics.h"
#include "tests/engine/TestVectorPaths.h"
#include "tests/support/Letters.h"

namespace kavitro {
namespace {

using test::kBeh;
using test::kHamza;
using test::kKeheh;
using test::kLam;
using test::kNoon;
using test::kTeh;
using test::TestGlyphMetrics;
using test::TestVectorPaths;

// Glyphs drawn as boxes: the glyph reaches from its origin `width` units to
// the left and `height` units up, and advances by its width.
struct BoxGlyphs {
    TestGlyphMetrics metrics;
    TestVectorPaths paths;

    GlyphId Box(unsigned index, std::int32_t width, std::int32_t height) {
        const GlyphId id = MakeGlyph(1, index);
        metrics.SetAbc(id, {0, static_cast<std::uint32_t>(width), 0});
        paths.Set(id, {PathPoint::MoveTo, PathPoint::LineTo, PathPoint::LineTo, PathPoint::LineTo | PathPoint::CloseFigure},
                  {{0, 0}, {-width, 0}, {-width, height}, {0, height}});
        return id;
    }
};

// Two paragraphs in one process, each measuring and spacing with the glyphs
// of its own context while the process-wide ones say otherwise: typing lays
// the words out, the bounding box measures them and smart spacing builds
// their outlines, all from the context.
TEST(EngineContext, EachParagraphMeasuresWithItsOwnMetricsAndOutlines) {
    TestGlyphMetrics processWideMetrics({0, 1000, 0});
    TestVectorPaths processWidePaths;  // no outlines at all
    struct Own {
        explicit Own(std::int32_t a)
            : advance(a), metrics({0, static_cast<std::uint32_t>(a), 0}, TestGlyphMetrics::ForOneContext{}) {}
        std::int32_t advance;
        TestGlyphMetrics metrics;
        TestVectorPaths paths{TestVectorPaths::ForOneContext{}};
        CCalligraphyParagraph paragraph;
    };
    Own narrow{30};
    Own wide{70};
    for (Own* own : {&narrow, &wide}) {
        own->paragraph.SetContext({nullptr, &own->metrics, &own->paths});
        std::int32_t caret = 0;
        for (char16_t code : std::u16string_view(u"\u06F1\u06F2 \u06F3\u06F4 \u06F5"))
            own->paragraph.InsertCharacter(caret, code);
        caret = 1;
        own->paragraph.InsertCharacter(caret, u'\u06F6');  // inside the first word
    }
    for (Own* own : {&narrow, &wide}) {
        SCOPED_TRACE(own->advance);
        const CWordArray& words = own->paragraph.m_words;
        ASSERT_GE(words.size(), 2U);
        for (const CCalligraphyWord& word : words) {
            for (const CCalligraphyCharacter& c : word.m_characters)
                own->paths.Set(c.GetGlyph(), {PathPoint::MoveTo, PathPoint::LineTo},
                               {{0, 0}, {-own->advance, 0}});
        }
        std::int32_t x = 0;
        for (const CCalligraphyWord& word : words) {
            EXPECT_EQ(word.m_x, x);
            x += own->advance * static_cast<std::int32_t>(word.m_characters.size());
        }
        const Rect box = own->paragraph.GetBoundingRect();
        EXPECT_EQ(box.right - box.left, x);

        own->paragraph.SmartSpace(true);
        for (const CCalligraphyWord& word : own->paragraph.m_words)
            EXPECT_EQ(word.GetOutlineWidth(), own->advance * static_cast<std::int32_t>(word.m_characters.size()));
    }
}

CCalligraphyCharacter Char(GlyphId glyph, std::uint16_t code = kNoon, std::int32_t yOffset = 0) {
    return test::MakeCharacter(glyph, code, yOffset);
}

CCalligraphyWord Word(std::vector<CCalligraphyCharacter> characters, std::int32_t x = 0, std::int32_t y = 0) {
    return test::MakeWordAt(std::move(characters), x, y);
}

std::vector<Point> Sorted(std::vector<Point> points) {
    std::sort(points.begin(), points.end(), [](Point a, Point b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    return points;
}

TEST(WordGeometry, LaysGlyphOutlinesEndToEndAtTheirOffsets) {
    BoxGlyphs glyphs;
    const GlyphId a = glyphs.Box(70, 300, 200);
    const GlyphId b = glyphs.Box(71, 500, 100);
    // Points that are neither lines nor moves are left out.
    glyphs.paths.Set(MakeGlyph(1, 72), {PathPoint::MoveTo, 0, PathPoint::LineTo}, {{0, 0}, {-50, 999}, {-40, 10}});
    glyphs.metrics.SetAbc(MakeGlyph(1, 72), {0, 40, 0});

    // b raised by 75 y units = 216 glyph units; the word's own place is not applied.
    CCalligraphyWord word = Word({Char(a), Char(b, kNoon, -75), Char(MakeGlyph(1, 72))}, 5000, 300);
    word.BuildGeometry();
    EXPECT_EQ(Sorted(word.m_outline), Sorted({{0, 0}, {-300, 0}, {-300, 200}, {0, 200},
                                              {-300, 216}, {-800, 216}, {-800, 316}, {-300, 316},
                                              {-800, 0}, {-840, 10}}));
    EXPECT_EQ(word.m_bounds, Rect(-840, 0, 0, 316));
    EXPECT_EQ(word.GetOutlineWidth(), 840);

    // Rebuilding replaces the cache; a word without points is 0 wide.
    CCalligraphyWord blank = word;
    blank.m_characters = {Char(MakeGlyph(1, 99))};
    blank.BuildGeometry();
    EXPECT_TRUE(blank.m_outline.empty());
    EXPECT_EQ(blank.GetOutlineWidth(), 0);
}

TEST(WordGeometry, RefusesCurves) {
    BoxGlyphs glyphs;
    const GlyphId curved = MakeGlyph(2, 40);
    glyphs.paths.Set(curved, {PathPoint::MoveTo, PathPoint::BezierTo, PathPoint::BezierTo, PathPoint::BezierTo},
                     {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
    CCalligraphyWord word = Word({Char(glyphs.Box(70, 100, 100)), Char(curved)});
    EXPECT_THROW(word.BuildGeometry(), NotSupportedException);
}

TEST(PlaceMarks, DotsClearTheLetterTopsOrHangUnderTheBaseline) {
    TestGlyphMetrics metrics;
    const GlyphId wide = MakeGlyph(1, 80), narrow = MakeGlyph(1, 81), tall = MakeGlyph(1, 82),
                  low = MakeGlyph(1, 83), bare = MakeGlyph(1, 84);
    for (GlyphId g : {wide, tall, low, bare})
        metrics.SetAbc(g, {0, 1200, 0});
    metrics.SetAbc(narrow, {0, 400, 0});
    metrics.SetOutline(wide, 900, 0);
    metrics.SetOutline(narrow, 600, 0);
    metrics.SetOutline(tall, 1800, 0);
    metrics.SetAnchor(wide, false, {0, 500});
    metrics.SetAnchor(narrow, false, {0, 300});
    metrics.SetAnchor(low, true, {0, -100});
    metrics.SetAnchor(tall, false, {0, 700});

    auto marked = [](GlyphId g, std::uint16_t code, std::uint8_t mark, std::int32_t yOffset = 0) {
        CCalligraphyCharacter c = Char(g, code, yOffset);
        c.m_mark = mark;
        c.m_markDy = 55;
        return c;
    };
    CCalligraphyWord word = Word({
        marked(wide, kNoon, 35, -75),   // 0: raised 216 glyph units
        marked(narrow, kTeh, 36),       // 1: narrow, between 0 and the lam
        marked(tall, kLam, 0),          // 2: tall stroke, no dot
        marked(low, kBeh, 35),          // 3: dot below
        marked(tall, kKeheh, 39),       // 4: a stroke, not a dot
        marked(bare, kHamza, 67),       // 5: no anchor for it
    });
    word.PlaceMarks(350, 800, 1000);

    // Above: the mark lands 350 over the letter's top (900 above its
    // anchor), whatever the letter's offset.
    EXPECT_EQ(word.m_characters[0].m_markDy, 900 - 500 + 350);
    // Narrow: the neighbours count, the lam's stroke at two thirds (1200)
    // beats the raised noon (900 + 216).
    EXPECT_EQ(word.m_characters[1].m_markDy, -300 + 350 + 1200);
    // Below: 800 under the text baseline.
    EXPECT_EQ(word.m_characters[3].m_markDy, 100 - 800);
    // Not a dot, or nowhere to anchor it: untouched.
    EXPECT_EQ(word.m_characters[2].m_markDy, 55);
    EXPECT_EQ(word.m_characters[4].m_markDy, 55);
    EXPECT_EQ(word.m_characters[5].m_markDy, 55);
}

TEST(PlaceMarks, MissingNeighboursCountAsZero) {
    TestGlyphMetrics metrics;
    const GlyphId narrow = MakeGlyph(1, 81);
    metrics.SetAbc(narrow, {0, 400, 0});
    metrics.SetOutline(narrow, 100, 0);
    metrics.SetAnchor(narrow, false, {0, 50});
    // Lowered by 750 y units: its own top lies 2060 below the baseline.
    CCalligraphyCharacter c = Char(narrow, kNoon, 750);
    c.m_mark = 35;
    CCalligraphyWord lone = Word({c});
    lone.PlaceMarks(350, 800, 1000);
    EXPECT_EQ(lone.m_characters[0].m_markDy, 2160 - 50 + 350 + 0);
    lone.PlaceMarks(350, 800, 400);  // not narrow any more: its own top counts
    EXPECT_EQ(lone.m_characters[0].m_markDy, 2160 - 50 + 350 + 100 - 2160);
}

// A paragraph of box words whose later words start wherever the test says.
struct BoxParagraph {
    BoxGlyphs glyphs;
    CCalligraphyParagraph paragraph;

    void Add(std::int32_t width, std::int32_t height, std::int32_t x = 0, std::int32_t y = 0) {
        const auto index = static_cast<unsigned>(100 + paragraph.m_words.size());
        paragraph.m_words.push_back(Word({Char(glyphs.Box(index, width, height))}, x, y));
    }
    std::int32_t X(std::size_t i) const { return paragraph.m_words[i].m_x; }
};

TEST(SmartSpace, TwoBoxWordsEndWithinTheTargetBand) {
    BoxParagraph p;
    p.Add(1000, 500, 777);
    p.Add(1000, 500, 9000);
    p.paragraph.SmartSpace(false);
    EXPECT_EQ(p.X(0), 0);
    const std::int32_t gap = p.X(1) - 1000;  // edge to edge
    EXPECT_GE(gap, 250 - 15);
    EXPECT_LE(gap, 250 + 15);
}

TEST(SmartSpace, AWordThatWouldSinkTooDeepStopsAtTheAllowedOverlap) {
    struct Case {
        const char* name;
        std::int32_t earlierWidth, width;
        SmartSpacingSettings settings;
        std::int32_t overlap;
    };
    SmartSpacingSettings zeroDivisors;
    zeroDivisors.maxOverlapWidthDivider = 0;
    zeroDivisors.maxOverlapDenominator = 0;
    const Case cases[] = {
        {"the target rule: 250 * 45 / 10", 3000, 1000, {}, 1125},
        {"half its own width when that is more", 5000, 3000, {}, 1500},
        {"zero divisors stand for the defaults", 5000, 3000, zeroDivisors, 1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxParagraph p;
        p.Add(c.earlierWidth, 500);
        p.Add(c.width, 500, 0, -2000);  // far above: no outline comes near
        p.paragraph.SmartSpace(false, c.settings);
        EXPECT_EQ(p.X(1), c.earlierWidth - c.overlap);
    }
}

TEST(SmartSpace, NeverMovesAWordBeforeTheStartOfTheText) {
    BoxParagraph p;
    p.Add(100, 500);
    p.Add(1000, 500, 0, -2000);
    p.paragraph.SmartSpace(false);
    EXPECT_EQ(p.X(1), 0);
}

TEST(SmartSpace, ResetYLevelsTheWordsBeforeTheDotsArePlaced) {
    BoxParagraph p;
    p.Add(1000, 500, 0, 120);
    p.Add(1000, 500, 0, -300);
    CCalligraphyCharacter& beh = p.paragraph.m_words[1].m_characters[0];
    beh.m_code = kBeh;
    beh.m_mark = 35;
    beh.m_yOffset = 75;  // 216 glyph units down
    p.glyphs.metrics.SetAnchor(beh.GetGlyph(), true, {0, -100});

    CCalligraphyParagraph kept = p.paragraph;
    kept.SmartSpace(false);
    EXPECT_EQ(kept.m_words[1].m_y, -300);
    EXPECT_EQ(kept.m_words[1].m_characters[0].m_markDy, MulDiv(75 - 300, 2160, 750) + 100 - 800);

    p.paragraph.SmartSpace(true);
    for (const CCalligraphyWord& word : p.paragraph.m_words)
        EXPECT_EQ(word.m_y, 0);
    // 800 under the baseline the letter now stands on.
    EXPECT_EQ(p.paragraph.m_words[1].m_characters[0].m_markDy, 216 + 100 - 800);
}

// A letter whose dot hangs right of the word's start, level with the tall
// word before it: spaced by the letters alone, the dot would sit in that
// word.
TEST(SmartSpace, KeepsADotAsClearOfTheWordBeforeAsTheLetters) {
    for (const bool dotted : {false, true}) {
        SCOPED_TRACE(dotted ? "dotted" : "bare");
        BoxParagraph p;
        p.Add(1000, 1200);
        p.Add(1000, 500);
        CCalligraphyCharacter& letter = p.paragraph.m_words[1].m_characters[0];
        letter.m_code = kNoon;
        letter.m_mark = dotted ? 35 : 0;
        const GlyphId dot = MakeGlyph(kMarkFont, 35);
        p.glyphs.metrics.SetAbc(dot, {0, 200, 0});
        p.glyphs.paths.Set(dot, {PathPoint::MoveTo, PathPoint::LineTo, PathPoint::LineTo, PathPoint::LineTo | PathPoint::CloseFigure},
                           {{0, 0}, {-200, 0}, {-200, 200}, {0, 200}});
        // The dot's box reaches from 300 to 500 right of the letter's start,
        // further than twice the target distance; placed 350 over the
        // letter's top, it spans y 850..1050.
        p.glyphs.metrics.SetOutline(letter.GetGlyph(), 500, 0);
        p.glyphs.metrics.SetAnchor(letter.GetGlyph(), false, {300, 0});
        p.paragraph.SmartSpace(false);

        const std::int64_t letterGap = p.X(1) - 1000;
        if (!dotted) {
            EXPECT_GE(letterGap, 250 - 15);
            EXPECT_LE(letterGap, 250 + 15);
            continue;
        }
        ASSERT_EQ(letter.m_markDy, 850);
        // The dot stands left of the tall word, not in it; the nearest
        // points are its upper right corner and the tall word's top left one.
        EXPECT_GT(letterGap - 500, 0);
        const double dotGap = std::hypot(static_cast<double>(letterGap - 500), 1200.0 - 1050.0);
        EXPECT_GE(dotGap, 250 - 15);
        EXPECT_LE(dotGap, 250 + 15 + 1);
    }
}

// Two neighbouring letters whose dots, hung at one clearance, would land on
// each other: the later letter's dots step out past the earlier's.
TEST(SmartSpace, StaggersTheDotsOfNeighbouringLetters) {
    struct Case {
        const char* name;
        std::uint16_t first, second;  // beh hangs its dot below, teh above
        std::int32_t secondDotLeft;   // where the later dot's box starts, from the word's start
        std::int32_t secondDy;        // the later dot's mark dy
    };
    // Letters 400 wide; a dot box 200 square, the first's at x -200..0;
    // below: 800 under the baseline, above: 350 over the letters' top at 500.
    const Case cases[] = {
        {"below, overlapping: one dot box and the gap lower", kBeh, kBeh, -300, -800 - 200 - 40},
        {"above, overlapping: one dot box and the gap higher", kTeh, kTeh, -300, 850 + 200 + 40},
        {"clear of each other: left alone", kBeh, kBeh, -600, -800},
        {"on opposite sides: left alone", kTeh, kBeh, -300, -800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxGlyphs glyphs;
        const GlyphId first = glyphs.Box(70, 400, 500), second = glyphs.Box(71, 400, 500);
        const GlyphId dot = MakeGlyph(kMarkFont, 35);
        glyphs.metrics.SetAbc(dot, {0, 200, 0});
        glyphs.paths.Set(dot, {PathPoint::MoveTo, PathPoint::LineTo, PathPoint::LineTo, PathPoint::LineTo | PathPoint::CloseFigure},
                         {{0, 0}, {-200, 0}, {-200, 200}, {0, 200}});
        for (const GlyphId g : {first, second})
            glyphs.metrics.SetOutline(g, 500, 0);
        // A dot's box starts at its letter's start plus the anchor's x.
        glyphs.metrics.SetAnchor(first, false, {-200, 0});
        glyphs.metrics.SetAnchor(first, true, {-200, 0});
        glyphs.metrics.SetAnchor(second, false, {c.secondDotLeft + 400, 0});
        glyphs.metrics.SetAnchor(second, true, {c.secondDotLeft + 400, 0});
        CCalligraphyParagraph paragraph;
        paragraph.m_words.push_back(Word({Char(first, c.first), Char(second, c.second)}));
        for (CCalligraphyCharacter& letter : paragraph.m_words[0].m_characters)
            letter.m_mark = 35;
        paragraph.SmartSpace(false, SmartSpacingSettings{});
        const auto& letters = paragraph.m_words[0].m_characters;
        EXPECT_EQ(letters[0].m_markDy, c.first == kBeh ? -800 : 850);
        EXPECT_EQ(letters[1].m_markDy, c.secondDy);
    }
}

TEST(SmartSpace, EndsWhateverTheSettings) {
    SmartSpacingSettings noStep;  // the error left soon truncates to a step of 0
    noStep.minJump = 0;
    noStep.targetDistanceTolerance = 0;
    SmartSpacingSettings noBand;  // no gap is ever accepted
    noBand.minJump = 1;
    noBand.targetDistanceTolerance = -1;
    noBand.maxJumpDirectionSwap = std::numeric_limits<std::int32_t>::max();
    SmartSpacingSettings unreachable;
    unreachable.targetDistance = std::numeric_limits<std::int32_t>::max();
    unreachable.minJump = std::numeric_limits<std::int32_t>::min();
    for (const SmartSpacingSettings& settings : {noStep, noBand, unreachable}) {
        BoxParagraph p;
        p.Add(1000, 500);
        p.Add(1000, 500, 0, 100);
        p.Add(700, 300, 0, -100);
        p.paragraph.SmartSpace(false, settings);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_GE(p.X(i), 0);
    }
}

// A long paragraph compares each word only with the earlier words near
// enough to matter; it must end exactly where comparing every earlier word
// (MeasureWordGap over all of them, in the same search) ends, also where a
// wide early word still reaches under many later ones and words sit at
// different heights.
TEST(SmartSpace, LongParagraphsEndWhereComparingEveryEarlierWordEnds) {
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::uniform_int_distribution<std::int32_t> width(100, 2500), height(100, 1500), lift(-3, 3), wide(0, 15);
        BoxParagraph p;
        for (int i = 0; i < 300; ++i)
            p.Add(wide(random) == 0 ? 12000 : width(random), height(random), 0, 200 * lift(random));
        CCalligraphyParagraph reference;
        reference.m_words = p.paragraph.m_words;

        p.paragraph.SmartSpace(false);

        const SmartSpacingSettings s;
        const auto inBand = [&](std::int64_t gap) {
            return gap >= s.targetDistance - s.targetDistanceTolerance && gap <= s.targetDistance + s.targetDistanceTolerance;
        };
        for (std::size_t i = 0; i < reference.m_words.size(); ++i) {
            CCalligraphyWord& word = reference.m_words[i];
            word.BuildGeometry();
            std::int64_t start = 0;
            for (std::size_t j = 0; j < i; ++j)
                start = std::max<std::int64_t>(start, std::int64_t{reference.m_words[j].m_x} + reference.m_words[j].GetOutlineWidth());
            word.m_x = static_cast<std::int32_t>(start);
            std::int64_t gap = 1000, swaps = 0, previousStep = 0;
            for (int steps = 0; i > 0 && !inBand(gap) && steps < 1000; ++steps) {
                gap = reference.MeasureWordGap(static_cast<std::int32_t>(i), &word, s);
                if (inBand(gap))
                    break;
                std::int64_t step = (gap - s.targetDistance) / (swaps + 2);
                if (step == 0)
                    break;
                if (step > 0) {
                    step = std::max<std::int64_t>(step, s.minJump);
                    swaps += previousStep < 0 ? 1 : 0;
                } else {
                    step = std::min<std::int64_t>(step, -std::int64_t{s.minJump});
                    swaps += previousStep > 0 ? 1 : 0;
                }
                const std::int64_t x = std::int64_t{word.m_x} - step;
                previousStep = step;
                word.m_x = static_cast<std::int32_t>(std::max<std::int64_t>(x, 0));
                if (swaps > s.maxJumpDirectionSwap || x < 0)
                    break;
            }
            ASSERT_EQ(p.X(i), word.m_x) << "word " << i;
        }
    }
}

TEST(MeasureWordGap, FarWordsByTheirGapNearWordsByTheirClosestPoints) {
    BoxParagraph p;
    p.Add(1000, 500);
    p.Add(1000, 500, 1600);
    p.paragraph.m_words[0].BuildGeometry();
    CCalligraphyWord& word = p.paragraph.m_words[1];
    word.BuildGeometry();
    const SmartSpacingSettings settings;

    EXPECT_EQ(p.paragraph.MeasureWordGap(0, &word, settings), 1000);
    EXPECT_EQ(p.paragraph.MeasureWordGap(1, nullptr, settings), 1000);
    // 600 apart is beyond twice the target: the horizontal gap alone.
    EXPECT_EQ(p.paragraph.MeasureWordGap(1, &word, settings), 600);
    // The word itself is never an earlier word.
    EXPECT_EQ(p.paragraph.MeasureWordGap(2, &word, settings), 600);
    // Corners 30 apart across and 220 up: sqrt(30² + 220²) = 222.03.
    word.m_x = 1030;
    word.m_y = -250;  // 720 glyph units up
    EXPECT_EQ(p.paragraph.MeasureWordGap(1, &word, settings), 222);
    EXPECT_EQ(word.m_x, 1030);
}

// The search looks only at the points that can still beat the best distance;
// it must find what comparing every pair finds.
TEST(MeasureWordGap, MatchesTheDistanceOfEveryPointPair) {
    BoxGlyphs glyphs;
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> coordinate(-900, 900);
    auto randomGlyph = [&](unsigned index) {
        std::vector<Point> points(40);
        for (Point& point : points)
            point = {coordinate(random) - 900, coordinate(random)};
        std::vector<std::uint8_t> types(points.size(), PathPoint::LineTo);
        types[0] = PathPoint::MoveTo;
        glyphs.paths.Set(MakeGlyph(2, index), types, points);
        glyphs.metrics.SetAbc(MakeGlyph(2, index), {0, 1800, 0});
        return MakeGlyph(2, index);
    };
    for (unsigned trial = 0; trial < 60; ++trial) {
        CCalligraphyParagraph paragraph;
        paragraph.m_words.push_back(Word({Char(randomGlyph(1)), Char(randomGlyph(2))}, 0, 0));
        paragraph.m_words.push_back(Word({Char(randomGlyph(3))}, 3600 + coordinate(random) / 3, coordinate(random) / 4));
        for (CCalligraphyWord& w : paragraph.m_words)
            w.BuildGeometry();
        const CCalligraphyWord& earlier = paragraph.m_words[0];
        CCalligraphyWord& word = paragraph.m_words[1];

        const std::int64_t dx = word.m_x - earlier.m_x;
        const std::int64_t dy = std::int64_t{word.m_y - earlier.m_y} * 2160 / 750;
        std::int64_t smallest = std::numeric_limits<std::int64_t>::max();
        for (const Point& a : word.m_outline)
            for (const Point& b : earlier.m_outline)
                smallest = std::min(smallest, (a.x - dx - b.x) * (a.x - dx - b.x) + (a.y - dy - b.y) * (a.y - dy - b.y));
        const std::int64_t h = word.m_x - (earlier.m_x + earlier.GetOutlineWidth());
        const std::int64_t expected =
            h < 500 ? std::min<std::int64_t>(1000, static_cast<std::int64_t>(std::sqrt(static_cast<double>(smallest))))
                    : std::min<std::int64_t>(1000, h);
        EXPECT_EQ(paragraph.MeasureWordGap(1, &word, SmartSpacingSettings{}), expected) << "trial " << trial;
    }
}

}  // namespace
}  // namespace kavitro
