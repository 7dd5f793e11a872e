// The user's alternate form of the letter before the newest one.

#include <gtest/gtest.h>

#include <vector>

#include "engine/CalligraphyEngine.h"
#include "engine/rules/RuleTable.h"
#include "tests/engine/EngineWords.h"

namespace kavitro::test {
namespace {

// The alternate form re-shapes the letters but leaves every flag as it was.
void RunCases(const std::vector<WordCase>& cases) {
    RunWordCases(cases, [](CCalligraphyEngine& engine, const CCalligraphyWord& word, const WordCase& c) {
        engine.ApplyAlternateForm();
        ASSERT_EQ(word.m_characters.size(), c.expected.size());
        for (std::size_t i = 0; i < c.letters.size(); ++i)
            EXPECT_EQ(word.m_characters[i].m_flags, c.letters[i].flags) << "flags kept, letter " << i;
    });
}

constexpr Letter kC0 = {kBeh, G(1, 133)};

TEST(AlternateFormTest, GuardNeedsThreeCharactersAndTheFlagOnC1) {
    RunCases({
        {"two characters", {{kBeh, G(1, 208), kAlt}, kC0}, {{G(1, 208), 0}, {G(1, 133), 0}}},
        {"flag clear", {{kBeh, G(1, 211)}, {kBeh, G(1, 208)}, kC0}, {{G(1, 211), 0}, {G(1, 208), 0}, {G(1, 133), 0}}},
        {"flag on c2 only", {{kBeh, G(1, 211), kAlt}, {kBeh, G(1, 208)}, kC0},
         {{G(1, 211), 0}, {G(1, 208), 0}, {G(1, 133), 0}}},
    });
}

TEST(AlternateFormTest, SeenJoinedFormDependsOnTheWordLength) {
    RunCases({
        {"exactly three characters", {{kBeh, G(1, 211)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(2, 111), 105}, {G(1, 213), 0}, {G(1, 133), 0}}},
        {"longer word", {{kBeh, G(1, 9)}, {kBeh, G(1, 4)}, {kBeh, G(1, 211)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(1, 9), -134}, {G(1, 4), -134}, {G(2, 111), 105}, {G(1, 213), 0}, {G(1, 133), 0}}},
        {"chain ends at alef", {{kAlef, G(1, 9)}, {kBeh, G(1, 4)}, {kBeh, G(1, 211)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(1, 9), 0}, {G(1, 4), -134}, {G(2, 111), 105}, {G(1, 213), 0}, {G(1, 133), 0}}},
    });
}

TEST(AlternateFormTest, ThirdLetterDecidesUnderSomeKeys) {
    RunCases({
        {"meem", {{kMeem, G(4, 153)}, {kBeh, G(4, 158)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(1, 147), -210}, {G(4, 181), 105}, {G(1, 213), 0}, {G(1, 133), 0}}},
        {"heh", {{kHeh, G(4, 153)}, {kBeh, G(4, 158)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(1, 44), -210}, {G(4, 181), 105}, {G(1, 213), 0}, {G(1, 133), 0}}},
        {"other code", {{kBeh, G(4, 153)}, {kBeh, G(4, 158)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(4, 153), 0}, {G(4, 158), 0}, {G(1, 208), 0}, {G(1, 133), 0}}},
        {"c3 1/206", {{kBeh, G(1, 206)}, {kBeh, G(4, 166)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(1, 206), 45}, {G(4, 123), 105}, {G(1, 213), 0}, {G(1, 133), 0}}},
        {"c3 kept", {{kBeh, G(1, 5)}, {kBeh, G(4, 166)}, {kBeh, G(1, 208), kAlt}, kC0},
         {{G(1, 5), 28}, {G(4, 123), 105}, {G(1, 213), 0}, {G(1, 133), 0}}},
        {"beh before 1/184 and 4/248", {{kBeh, G(4, 248)}, {kBeh, G(1, 184)}, {kBeh, G(1, 119), kAlt}, kC0},
         {{G(4, 248), -99}, {G(4, 239), -132}, {G(1, 94), 0}, {G(1, 133), 0}}},
        {"beh before 1/207", {{kBeh, G(1, 5)}, {kBeh, G(1, 207)}, {kBeh, G(1, 188), kAlt}, kC0},
         {{G(1, 5), -85}, {G(4, 244), -93}, {G(1, 94), 0}, {G(1, 133), 0}}},
    });
}

TEST(AlternateFormTest, FehKafAndTailForms) {
    RunCases({
        {"1/231 raises the whole chain",
         {{kAlef, G(1, 60)}, {kBeh, G(1, 3)}, {kBeh, G(1, 2)}, {kBeh, G(1, 231), kAlt}, kC0},
         {{G(1, 60), 0}, {G(1, 3), -54}, {G(1, 2), -54}, {G(1, 228), 0}, {G(1, 133), 0}}},
        {"1/237", {{kBeh, G(1, 3)}, {kKeheh, G(1, 237), kAlt}, kC0}, {{G(1, 3), 0}, {G(1, 236), 0}, {G(1, 133), 0}}},
        {"tail lowers the rest",
         {{kBeh, G(1, 4)}, {kBeh, G(5, 78)}, {kNoon, G(4, 33), kAlt}, kC0},
         {{G(1, 4), 2}, {G(5, 63), -134}, {G(1, 252), 0}, {G(1, 133), 0}}},
        {"tail in a word of three", {{kBeh, G(2, 74)}, {kNoon, G(4, 33), kAlt}, kC0},
         {{G(2, 51), -134}, {G(1, 252), 0}, {G(1, 133), 0}}},
        {"tail in a longer word", {{kBeh, G(1, 4)}, {kBeh, G(2, 74)}, {kNoon, G(4, 33), kAlt}, kC0},
         {{G(1, 4), -25}, {G(2, 51), -134}, {G(1, 252), 0}, {G(1, 133), 0}}},
        {"tail, c2 not listed", {{kBeh, G(2, 75)}, {kNoon, G(4, 33), kAlt}, kC0},
         {{G(2, 75), 0}, {G(4, 33), 0}, {G(1, 133), 0}}},
    });
}

TEST(AlternateFormTest, TailCanBeCalledOnItsOwn) {
    CCalligraphyEngine engine;
    CCalligraphyWord word = MakeWord({{kBeh, G(1, 144)}, {kNoon, G(4, 33)}, kC0});
    engine.SetCurrentWord(&word);
    engine.ApplyAlternateFormTail();  // no flag needed here
    EXPECT_EQ(ShapeOf(word.m_characters[1]), (Shape{G(1, 252), 0}));
    EXPECT_EQ(ShapeOf(word.m_characters[0]), (Shape{G(2, 33), -134}));

    CCalligraphyWord other = MakeWord({{kBeh, G(1, 211)}, {kBeh, G(1, 208), kAlt}, kC0});
    engine.SetCurrentWord(&other);
    engine.ApplyAlternateFormTail();  // only the tail key
    EXPECT_EQ(other.m_characters[1].GetGlyph(), G(1, 208));
}

TEST(AlternateFormTest, EveryRowIsGiven) {
    const rules::RuleTable* table = rules::FindRuleTable("alternate");
    ASSERT_NE(table, nullptr);
    for (const rules::Outcome& outcome : table->outcomes)
        EXPECT_EQ(outcome.origin, rules::Origin::Given) << "line " << outcome.line;
}

}  // namespace
}  // namespace kavitro::test
