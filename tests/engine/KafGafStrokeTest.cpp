// The stroke of keheh and gaf, chosen from the body glyph and shortened after
// another kaf or gaf.

#include <gtest/gtest.h>

#include "engine/CalligraphyEngine.h"
#include "engine/KafGafStrokes.h"
#include "tests/engine/EngineWords.h"

namespace kavitro::test {
namespace {

TEST(KafGafStrokeTest, StrokeByBodyList) {
    struct Case {
        GlyphId body;
        int keheh;  // -1: not listed, the mark stays
        int gaf;
    };
    const Case cases[] = {
        {G(1, 37), 59, 60},  {G(5, 249), 59, 60}, {G(1, 57), 39, 40},  {G(5, 219), 39, 40}, {G(3, 209), 39, 40},
        {G(2, 85), 0, 45},   {G(4, 173), 0, 45},  {G(2, 219), 0, 47},  {G(3, 137), 0, 72},  {G(5, 210), 0, 58},
        {G(1, 133), -1, -1}, {G(1, 0), -1, -1},   {G(6, 37), -1, -1},  {0x1000025, -1, -1}, {0, -1, -1},
    };
    for (const Case& c : cases) {
        const auto keheh = FindKafGafStroke(kKeheh, c.body);
        const auto gaf = FindKafGafStroke(kGaf, c.body);
        EXPECT_EQ(keheh ? int{*keheh} : -1, c.keheh) << std::hex << c.body;
        EXPECT_EQ(gaf ? int{*gaf} : -1, c.gaf) << std::hex << c.body;
        EXPECT_FALSE(FindKafGafStroke(kLam, c.body)) << std::hex << c.body;
    }
}

class StrokePassTest : public ::testing::Test {
protected:
    // Runs the pass over the whole word, newest first, as the dispatcher does.
    void RunPass(CCalligraphyWord& word) {
        engine.SetCurrentWord(&word);
        engine.SetPreviousWord(nullptr);
        for (std::int32_t i = 0; i <= engine.GetLastIndex(); ++i) engine.SelectKafGafStroke(i);
    }

    static CCalligraphyWord WithMarks(std::initializer_list<Letter> letters, std::initializer_list<std::uint8_t> marks) {
        CCalligraphyWord word = MakeWord(letters);
        std::size_t i = 0;
        for (std::uint8_t mark : marks) word.m_characters[i++].m_mark = mark;
        return word;
    }

    static std::vector<int> Marks(const CCalligraphyWord& word) {
        std::vector<int> marks;
        for (const CCalligraphyCharacter& c : word.m_characters) marks.push_back(c.m_mark);
        return marks;
    }

    CCalligraphyEngine engine;
};

TEST_F(StrokePassTest, ShortensAfterAnotherKafButNotTheSpecialStrokes) {
    struct Case {
        const char* what;
        CCalligraphyWord word;
        std::vector<int> expected;
    };
    Case cases[] = {
        {"unlisted body keeps the long stroke", WithMarks({{kKeheh, G(1, 133)}}, {39}), {39}},
        {"unlisted body after keheh", WithMarks({{kKeheh, G(1, 133)}, {kKeheh, G(1, 133)}}, {39, 39}), {39, 59}},
        {"keheh keheh, long bodies", WithMarks({{kKeheh, G(1, 237)}, {kGaf, G(1, 229)}}, {39, 40}), {39, 60}},
        {"gaf on 3/137 after gaf", WithMarks({{kGaf, G(1, 237)}, {kGaf, G(3, 137)}}, {40, 40}), {40, 72}},
        {"keheh on 2/219 loses its stroke", WithMarks({{kKeheh, G(2, 219)}}, {39}), {0}},
        {"gaf on 2/219", WithMarks({{kGaf, G(2, 219)}}, {40}), {47}},
        {"short body after a letter", WithMarks({{kBeh, G(1, 5)}, {kKeheh, G(1, 37)}}, {35, 39}), {35, 59}},
        {"other letters keep their marks", WithMarks({{kKeheh, G(1, 237)}, {kBeh, G(1, 37)}}, {39, 35}),
         {39, 35}},
    };
    for (Case& c : cases) {
        RunPass(c.word);
        EXPECT_EQ(Marks(c.word), c.expected) << c.what;
        RunPass(c.word);
        EXPECT_EQ(Marks(c.word), c.expected) << c.what << ", run twice";
    }
}

TEST_F(StrokePassTest, RunsAfterEveryAcceptedCharacter) {
    CCalligraphyWord word = WithMarks({{kKeheh, G(1, 37)}}, {39});
    engine.SetCurrentWord(&word);
    ASSERT_EQ(engine.AppendCharacter(0x06F1), 1);
    EXPECT_EQ(word.m_characters[0].m_mark, 59);
}

}  // namespace
}  // namespace kavitro::test
