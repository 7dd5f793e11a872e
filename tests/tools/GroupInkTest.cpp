// The ink-piece measure: piece counting on runs, the joined groups of a
// word, and where a group's glyphs are placed (checked on the placeholder
// artwork, whose letters are strokes along the baseline that touch their
// neighbours at equal lifts).

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/CalligraphyText.h"
#include "engine/JoinCorrection.h"
#include "tools/groupink/GroupInk.h"
#include "tools/shape/LineTyping.h"

namespace kavitro::tool {
namespace {

struct PiecesCase {
    const char* name;
    std::vector<InkRun> runs;
    std::size_t pieces;
};

TEST(GroupInk, CountsEightConnectedPieces) {
    const PiecesCase cases[] = {
        {"nothing", {}, 0},
        {"gap of a pixel in a row", {{0, 0, 2}, {0, 4, 6}}, 2},
        {"runs meeting in a row", {{0, 0, 2}, {0, 3, 6}}, 1},
        {"runs of two glyphs overlapping", {{0, 0, 5}, {0, 2, 3}, {1, 9, 9}, {0, 4, 8}}, 1},
        {"corners touching across rows", {{0, 0, 2}, {1, 3, 5}}, 1},
        {"corners a pixel apart", {{0, 0, 2}, {1, 4, 6}}, 2},
        {"a row between", {{0, 0, 2}, {2, 0, 2}}, 2},
        {"a bowl closed below", {{0, 0, 5}, {1, 0, 0}, {1, 5, 5}, {2, 0, 0}, {2, 5, 5}}, 1},
        {"one stretch under several", {{1, 0, 1}, {1, 4, 5}, {1, 8, 9}, {0, 0, 9}}, 1},
        {"a stretch touching both neighbours' ends", {{0, 0, 1}, {0, 10, 11}, {1, 2, 9}}, 1},
        {"unsorted rows", {{5, 0, 0}, {3, 0, 0}, {4, 1, 1}}, 1},
    };
    for (const PiecesCase& c : cases) EXPECT_EQ(CountGroupInk(c.runs), c.pieces) << c.name;
}

CCalligraphyWord WordOf(std::initializer_list<std::uint16_t> codes) {
    CCalligraphyWord word;
    for (const std::uint16_t code : codes) {
        CCalligraphyCharacter c;
        c.m_code = code;
        c.SetGlyph(MakeGlyph(1, 66));
        word.m_characters.push_back(c);
    }
    return word;
}

std::string GroupsOf(const CCalligraphyWord& word) {
    std::string out;
    for (const JoinedGroup& g : FindJoinedGroups(word)) out += std::to_string(g.first) + "+" + std::to_string(g.count) + " ";
    return out;
}

TEST(GroupInk, GroupsRunsOfLettersThatJoinTheNext) {
    // kaf teh alef beh: the alef ends the group; the lone beh is no group.
    EXPECT_EQ(GroupsOf(WordOf({0x06A9, 0x062A, 0x0627, 0x0628, 0x0020})), "0+3 ");
    // beh beh, a space, beh seen mim: nothing joins across the space.
    EXPECT_EQ(GroupsOf(WordOf({0x0628, 0x0628, 0x0020, 0x0628, 0x0633, 0x0645})), "0+2 3+3 ");
    // A digit closes the letters before it; reh joins nothing after it.
    EXPECT_EQ(GroupsOf(WordOf({0x0628, 0x06F1})), "");
    EXPECT_EQ(GroupsOf(WordOf({0x0631, 0x0628, 0x0627})), "1+2 ");
    // The engine keeps dal and reh in one group, but the pen lifts after dal.
    EXPECT_EQ(GroupsOf(WordOf({0x0628, 0x062F, 0x0631})), "0+2 ");
}

class PlacedGroup : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadGlyphData(KAVITRO_SHARE_DIR, "GroupInkTest")); }

    // Two plain placeholder letters, beh beh, at equal lifts.
    static CCalligraphyWord TwoLetters() {
        CCalligraphyWord word = WordOf({0x0628, 0x0628});
        word.m_characters[0].SetGlyph(MakeGlyph(1, 41));
        return word;
    }

    GroupPieces Measure(const CCalligraphyWord& word, JoinCorrection first) {
        return m_measure.Measure(word, {0, 2}, {first, {}});
    }

    CGroupInkMeasure m_measure;
};

TEST_F(PlacedGroup, GlyphsMeetAtTheirPensAndMoveByTheirCorrection) {
    const CCalligraphyWord word = TwoLetters();
    const GroupPieces placed = Measure(word, {});
    EXPECT_EQ(placed.inkedGlyphs, 2u);
    EXPECT_EQ(placed.glyphPieces, 2u);
    EXPECT_EQ(placed.pieces, 1u);
    EXPECT_EQ(placed.Extra(), 0u);
    // dx grows leftward, over the letter after it; the other way opens a gap.
    EXPECT_EQ(Measure(word, {300, 0}).Extra(), 0u);
    EXPECT_EQ(Measure(word, {-300, 0}).Extra(), 1u);
    EXPECT_EQ(Measure(word, {0, 400}).Extra(), 1u);
}

TEST_F(PlacedGroup, LiftsGrowDownwardAndTheCorrectionCanUndoThem) {
    CCalligraphyWord word = TwoLetters();
    word.m_characters[0].m_yOffset = 125;  // 360 glyph units down: clear of the stroke
    EXPECT_EQ(Measure(word, {}).Extra(), 1u);
    EXPECT_EQ(Measure(word, {0, -360}).Extra(), 0u);
    EXPECT_EQ(Measure(word, {0, 360}).Extra(), 1u);
}

}  // namespace
}  // namespace kavitro::tool
