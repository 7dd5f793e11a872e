// The engine's accessors, dispatcher, joining test and chain operations.

#include <gtest/gtest.h>

#include <climits>
#include <string_view>

#include "engine/CalligraphyEngine.h"
#include "engine/RuleEvaluator.h"
#include "engine/rules/RuleTable.h"
#include "tests/engine/EngineWords.h"

namespace kavitro::test {
namespace {

class EngineTest : public ::testing::Test {
protected:
    void Use(CCalligraphyWord& current, CCalligraphyWord* previous = nullptr) {
        engine.SetCurrentWord(&current);
        engine.SetPreviousWord(previous);
    }

    CCalligraphyEngine engine;
};

TEST_F(EngineTest, BackIndexReachesIntoThePreviousWordAndNoFurther) {
    CCalligraphyWord previous = MakeWord({{kBeh, G(1, 1)}, {kBeh, G(1, 2)}, {kBeh, G(1, 3)}});
    CCalligraphyWord current = MakeWord({{kBeh, G(1, 4)}});
    Use(current, &previous);

    EXPECT_EQ(engine.GetCharacter(0).GetGlyph(), G(1, 4));
    EXPECT_EQ(engine.GetCharacter(1).GetGlyph(), G(1, 3));  // the previous word's last character
    EXPECT_EQ(engine.GetCharacter(3).GetGlyph(), G(1, 1));  // and its first
    for (std::int32_t k : {4, 100, -1}) {
        EXPECT_EQ(engine.GetCharacter(k).GetCode(), 0) << k;
        EXPECT_EQ(engine.GetCharacter(k).GetGlyph(), 0u) << k;
    }
    Use(current);
    EXPECT_EQ(engine.GetCharacter(1).GetCode(), 0);
}

TEST_F(EngineTest, LastIndexOfEmptyAndMissingWord) {
    CCalligraphyWord empty;
    Use(empty);
    EXPECT_EQ(engine.GetLastIndex(), -1);
    engine.SetCurrentWord(nullptr);
    EXPECT_EQ(engine.GetLastIndex(), 0);
    EXPECT_EQ(engine.AppendCharacter(kSpace), 0);
}

TEST_F(EngineTest, WritesBeyondTheWordsChangeNothing) {
    CCalligraphyWord previous = MakeWord({{kBeh, G(1, 1)}});
    CCalligraphyWord current = MakeWord({{kBeh, G(1, 2)}});
    const CCalligraphyWord previousBefore = previous;
    const CCalligraphyWord currentBefore = current;
    for (CCalligraphyWord* prev : {&previous, static_cast<CCalligraphyWord*>(nullptr)}) {
        Use(current, prev);
        for (std::int32_t k : {2, 7, -1}) {
            engine.SetGlyph(k, G(3, 3));
            engine.AddYOffset(k, 50);
        }
        EXPECT_TRUE(SameCharacters(previous, previousBefore));
        EXPECT_TRUE(SameCharacters(current, currentBefore));
        EXPECT_EQ(engine.GetCharacter(5).GetGlyph(), 0u);
        EXPECT_EQ(engine.GetCharacter(5).m_yOffset, 0);
    }
    Use(current);  // no c1 at all
    engine.SetPrevious1(G(2, 2), 1);
    engine.SetPrevious5Chain(G(2, 2), G(2, 2), G(2, 2), G(2, 2), G(2, 2), 1, 1, 1, 1, 1, 1);
    EXPECT_TRUE(SameCharacters(current, currentBefore));

    Use(current, &previous);
    engine.SetGlyph(1, G(5, 9));
    EXPECT_EQ(previous.m_characters[0].GetGlyph(), G(5, 9));
}

TEST_F(EngineTest, OffsetsWrapInsteadOfOverflowing) {
    CCalligraphyWord word = MakeWord({{kBeh, G(1, 1), 0, INT_MIN}, {kBeh, G(1, 2)}});
    Use(word);
    engine.SetPrevious1(G(1, 3), 1);
    EXPECT_EQ(word.m_characters[0].m_yOffset, INT_MAX);
}

TEST_F(EngineTest, RefusedCodesLeaveTheWordExactlyAsItWas) {
    CCalligraphyWord previous = MakeWord({{kAlef, G(1, 60)}});
    CCalligraphyWord current = MakeWord({{kBeh, G(1, 133), kAlt, -40}, {kKeheh, G(3, 209), 0, 12}});
    current.m_characters[1].m_mark = 39;
    current.m_characters[1].m_markDx = 5;
    const CCalligraphyWord before = current;
    Use(current, &previous);
    for (std::uint16_t code : {0x0000, 0x0031, 0x0661, 0x0023, 0x0041, 0x0643, 0x064A, 0x200C, 0x0640, 0x064B, 0x0623,
                               0xFF96, 0x000A, 0x003F}) {
        EXPECT_EQ(engine.AppendCharacter(code), 0) << std::hex << code;
        EXPECT_TRUE(SameCharacters(current, before)) << std::hex << code;
    }
}

TEST_F(EngineTest, WordEndCharactersTakeTheirFixedGlyphs) {
    struct Case {
        std::uint16_t code;
        GlyphId glyph;
    };
    const Case cases[] = {
        {0x0020, G(1, 32)}, {0x0021, G(4, 73)}, {0x0022, G(4, 74)}, {0x0028, G(4, 80)}, {0x0029, G(4, 81)},
        {0x002A, G(4, 78)}, {0x002B, G(4, 83)}, {0x002D, G(4, 85)}, {0x002E, G(4, 86)}, {0x002F, G(4, 79)},
        {0x003A, G(5, 37)}, {0x003D, G(5, 41)}, {0x005B, G(5, 40)}, {0x005C, G(4, 87)}, {0x005D, G(5, 42)},
        {0x007B, G(4, 75)}, {0x007D, G(4, 76)}, {0x060C, G(4, 84)}, {0x061B, G(5, 38)}, {0x061F, G(5, 39)},
        {0x066A, G(4, 77)}, {0x06F0, G(4, 48)}, {0x06F1, G(4, 49)}, {0x06F2, G(4, 50)}, {0x06F3, G(4, 51)},
        {0x06F4, G(4, 52)}, {0x06F5, G(4, 53)}, {0x06F6, G(4, 54)}, {0x06F7, G(4, 55)}, {0x06F8, G(4, 56)},
        {0x06F9, G(4, 57)}, {0xF02A, G(4, 82)},
    };
    for (const Case& c : cases) {
        // Each ends the word: a lone beh before it takes its isolated form.
        CCalligraphyWord word = MakeWord({{kBeh, G(1, 133)}});
        Use(word);
        ASSERT_EQ(engine.AppendCharacter(c.code), 1) << std::hex << c.code;
        ASSERT_EQ(word.m_characters.size(), 2u);
        EXPECT_EQ(word.m_characters[1].GetGlyph(), c.glyph) << std::hex << c.code;
        EXPECT_EQ(word.m_characters[1].m_mark, 0);
        EXPECT_EQ(word.m_characters[0].GetGlyph(), G(1, 66)) << std::hex << c.code;
        EXPECT_TRUE(engine.IsNonJoining(c.code, 0)) << std::hex << c.code;
    }
}

// The start row of a letter table: what a letter gets at the start of a word.
GlyphId StartGlyph(const rules::RuleTable& table) {
    const rules::Outcome* outcome = CRuleEvaluator::FindFirstMatch(table, RuleContext{});
    return outcome != nullptr && outcome->verdict == rules::Verdict::Shape ? outcome->glyph0 : 0;
}

TEST_F(EngineTest, EveryLetterGoesToItsGroupWithItsMark) {
    struct Case {
        std::uint16_t code;
        std::string_view table;
        std::uint8_t mark;
    };
    const Case cases[] = {
        {0x0621, "yeh", 67},  {0x0622, "alef", 42}, {0x0627, "alef", 0},  {0x0628, "beh", 35},
        {0x062A, "beh", 36},  {0x062B, "beh", 37},  {0x062C, "jeem", 35}, {0x062D, "jeem", 0},
        {0x062E, "jeem", 35}, {0x062F, "dal", 0},   {0x0630, "dal", 35},  {0x0631, "reh", 0},
        {0x0632, "reh", 35},  {0x0633, "seen", 0},  {0x0634, "seen", 37}, {0x0635, "sad", 0},
        {0x0636, "sad", 35},  {0x0637, "tah", 0},   {0x0638, "tah", 35},  {0x0639, "ain", 0},
        {0x063A, "ain", 35},  {0x0641, "feh", 35},  {0x0642, "qaf", 36},  {0x0644, "lam", 0},
        {0x0645, "meem", 0},  {0x0646, "noon", 35}, {0x0647, "heh", 41},  {0x0648, "waw", 0},
        {0x067E, "beh", 38},  {0x0686, "jeem", 38}, {0x0698, "reh", 37},  {0x06A9, "kaf", 39},
        {0x06AF, "kaf", 40},  {0x06CC, "yeh", 36},
    };
    for (const Case& c : cases) {
        CCalligraphyWord word;
        Use(word);
        const rules::RuleTable* table = rules::FindRuleTable(c.table);
        const std::int32_t accepted = engine.AppendCharacter(c.code);
        if (table == nullptr) {  // a group without rules refuses its letters
            EXPECT_EQ(accepted, 0) << std::hex << c.code;
            EXPECT_TRUE(word.m_characters.empty());
            continue;
        }
        ASSERT_EQ(accepted, 1) << std::hex << c.code;
        EXPECT_EQ(word.m_characters[0].GetGlyph(), StartGlyph(*table)) << std::hex << c.code;
        EXPECT_EQ(word.m_characters[0].m_mark, c.mark) << std::hex << c.code;
    }
}

TEST_F(EngineTest, AddCharacterRestoresOnlyTheAlternateAndModifiedFlags) {
    CCalligraphyWord word = MakeWord({{kAlef, G(1, 60)}});
    Use(word);
    CCalligraphyCharacter stored;
    stored.m_code = kSpace;
    stored.m_flags = 0xFF;
    stored.m_mark = 9;
    stored.m_yOffset = 77;
    engine.AddCharacter(stored);
    ASSERT_EQ(word.m_characters.size(), 2u);
    EXPECT_EQ(word.m_characters[1].m_flags, 0x03);
    EXPECT_EQ(ShapeOf(word.m_characters[1]), (Shape{G(1, 32), 0}));
    EXPECT_EQ(word.m_characters[1].m_mark, 0);

    stored.m_code = 0x0031;  // refused: nothing changes, no flag lands anywhere
    const CCalligraphyWord before = word;
    engine.AddCharacter(stored);
    EXPECT_TRUE(SameCharacters(word, before));
}

TEST(JoiningTest, NonJoiningCodes) {
    struct Case {
        std::uint16_t code;
        std::uint16_t next;
        bool nonJoining;
    };
    const Case cases[] = {
        {0x0020, 0, true},       {0x06F5, 0, true},       {0xF02A, 0, true},      {0x0622, 0, true},
        {0x0627, 0, true},       {0x0631, 0, true},       {0x0632, 0, true},      {0x0648, 0, true},
        {0x0698, 0, true},       {0x062F, 0, true},       {0x0630, 0x0628, true}, {0x062F, 0x0631, false},
        {0x0630, 0x0632, false}, {0x062F, 0x0698, false}, {0x0628, 0, false},     {0x0621, 0, false},
        {0x0000, 0, false},      {0x06A9, 0x0020, false}, {0x0031, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CCalligraphyEngine::IsNonJoining(c.code, c.next), c.nonJoining) << std::hex << c.code << ' ' << c.next;
}

TEST_F(EngineTest, DalJoinsAFollowingRehOnlyAsTheFirstLetterOfItsRun) {
    struct Case {
        const char* what;
        CCalligraphyWord previous;
        CCalligraphyWord current;
        bool chainStart;  // IsChainStart(1)
    };
    Case cases[] = {
        {"dal starts the word", {}, MakeWord({{kDal, G(1, 69)}, {kReh, 0}}), false},
        {"dal after alef", {}, MakeWord({{kAlef, G(1, 1)}, {kDal, G(1, 69)}, {kReh, 0}}), false},
        {"dal joined from beh", {}, MakeWord({{kBeh, G(1, 1)}, {kDal, G(1, 69)}, {kReh, 0}}), true},
        {"dal before dal", {}, MakeWord({{kDal, G(1, 69)}, {kDal, G(1, 69)}, {kReh, 0}}), false},
        {"dal before beh", {}, MakeWord({{kDal, G(1, 69)}, {kBeh, 0}}), true},
        {"dal ends the previous word", MakeWord({{kSpace, G(1, 32)}, {kDal, G(1, 69)}}), MakeWord({{kReh, 0}}), false},
        {"after hamza", {}, MakeWord({{kHamza, G(1, 133)}, {kBeh, 0}}), false},
        {"after a digit", {}, MakeWord({{0x06F3, G(4, 51)}, {kBeh, 0}}), true},
        {"after waw", {}, MakeWord({{0x0648, G(1, 83)}, {kBeh, 0}}), true},
        {"first letter", {}, MakeWord({{kBeh, 0}}), true},
    };
    for (Case& c : cases) {
        Use(c.current, c.previous.m_characters.empty() ? nullptr : &c.previous);
        EXPECT_EQ(engine.IsChainStart(1), c.chainStart) << c.what;
    }
}

// A run of joined letters c1..c5 with alef before it and c0 after it.
CCalligraphyWord RunOfFive() {
    return MakeWord({{kAlef, G(1, 90), 0, 7},
                     {kBeh, G(1, 5)},
                     {kBeh, G(1, 4)},
                     {kBeh, G(1, 3)},
                     {kBeh, G(1, 2)},
                     {kBeh, G(1, 1)},
                     {kBeh, G(1, 133)}});
}

TEST_F(EngineTest, ChainOperationsWalkTheRunAndStopBeforeIt) {
    struct Case {
        const char* what;
        void (*apply)(CCalligraphyEngine&);
        Shape expected[6];  // c1..c5, then the alef before the run
    };
    const Case cases[] = {
        {"SetPrevious2Chain repeats d2",
         [](CCalligraphyEngine& e) { e.SetPrevious2Chain(G(2, 1), G(2, 2), 10, 20, 10000); },
         {{G(2, 1), -10}, {G(2, 2), -20}, {G(1, 3), -20}, {G(1, 4), -20}, {G(1, 5), -20}, {G(1, 90), 7}}},
        {"SetPrevious2Chain with rest 0",
         [](CCalligraphyEngine& e) { e.SetPrevious2Chain(G(2, 1), G(2, 2), 10, 20, 0); },
         {{G(2, 1), -10}, {G(2, 2), -20}, {G(1, 3), 0}, {G(1, 4), 0}, {G(1, 5), 0}, {G(1, 90), 7}}},
        {"SetPrevious1Chain takes 10000 literally",
         [](CCalligraphyEngine& e) { e.SetPrevious1Chain(G(2, 1), 3, 10000); },
         {{G(2, 1), -3}, {G(1, 2), -10000}, {G(1, 3), -10000}, {G(1, 4), -10000}, {G(1, 5), -10000}, {G(1, 90), 7}}},
        {"SetPrevious4Chain keeps =c3 and lowers the rest",
         [](CCalligraphyEngine& e) {
             e.SetPrevious4Chain(G(2, 1), G(2, 2), CCalligraphyEngine::kKeepGlyph, G(2, 4), 0, 36, 36, -50, 10000);
         },
         {{G(2, 1), 0}, {G(2, 2), -36}, {G(1, 3), -36}, {G(2, 4), 50}, {G(1, 5), 50}, {G(1, 90), 7}}},
        {"SetPrevious5Chain",
         [](CCalligraphyEngine& e) {
             e.SetPrevious5Chain(G(4, 181), G(3, 113), G(5, 122), G(3, 3), CCalligraphyEngine::kKeepGlyph, -27, 318,
                                 161, 187, 5, 10000);
         },
         {{G(4, 181), 27}, {G(3, 113), -318}, {G(5, 122), -161}, {G(3, 3), -187}, {G(1, 5), -5}, {G(1, 90), 7}}},
    };
    for (const Case& c : cases) {
        CCalligraphyWord word = RunOfFive();
        Use(word);
        c.apply(engine);
        for (std::int32_t k = 1; k <= 6; ++k)
            EXPECT_EQ(ShapeOf(engine.GetCharacter(k)), c.expected[k - 1]) << c.what << ", c" << k;
        EXPECT_EQ(ShapeOf(engine.GetCharacter(0)), (Shape{G(1, 133), 0})) << c.what;
    }
}

TEST_F(EngineTest, SetPrevious5ChainLiftsLettersBeyondTheFifthByD5) {
    CCalligraphyWord word = MakeWord({{kBeh, G(1, 7)}, {kBeh, G(1, 6)}});
    CCalligraphyWord tail = RunOfFive();
    tail.m_characters.erase(tail.m_characters.begin());  // no alef: the run is seven letters long
    word.m_characters.insert(word.m_characters.end(), tail.m_characters.begin(), tail.m_characters.end());
    Use(word);
    engine.SetPrevious5Chain(G(4, 181), G(3, 113), G(5, 122), G(3, 3), G(3, 5), -27, 318, 161, 187, 9, 10000);
    EXPECT_EQ(ShapeOf(engine.GetCharacter(6)), (Shape{G(1, 6), -9}));
    EXPECT_EQ(ShapeOf(engine.GetCharacter(7)), (Shape{G(1, 7), -9}));
}

TEST_F(EngineTest, ChainStopsAtANonJoiningSecondLetter) {
    CCalligraphyWord word = MakeWord({{kBeh, G(1, 9)}, {kAlef, G(1, 60)}, {kBeh, G(1, 1)}, {kBeh, G(1, 133)}});
    Use(word);
    engine.SetPrevious3Chain(G(2, 1), G(2, 2), G(2, 3), 1, 2, 3, 10000);
    EXPECT_EQ(ShapeOf(word.m_characters[2]), (Shape{G(2, 1), -1}));
    EXPECT_EQ(ShapeOf(word.m_characters[1]), (Shape{G(1, 60), 0}));
    EXPECT_EQ(ShapeOf(word.m_characters[0]), (Shape{G(1, 9), 0}));
}

TEST_F(EngineTest, ChainCrossesIntoThePreviousWordThroughADalThatStartsItsRun) {
    CCalligraphyWord previous = MakeWord({{kAlef, G(1, 60)}, {kDal, G(1, 69)}});
    CCalligraphyWord current = MakeWord({{kReh, G(1, 75)}, {kBeh, G(1, 133)}});
    Use(current, &previous);
    engine.SetPrevious2Chain(G(2, 1), G(2, 2), 0, 30, 10000);
    EXPECT_EQ(ShapeOf(current.m_characters[0]), (Shape{G(2, 1), 0}));
    EXPECT_EQ(ShapeOf(previous.m_characters[1]), (Shape{G(2, 2), -30}));
    EXPECT_EQ(ShapeOf(previous.m_characters[0]), (Shape{G(1, 60), 0}));
}

}  // namespace
}  // namespace kavitro::test
