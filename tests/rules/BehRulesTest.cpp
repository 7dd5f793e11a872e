// The beh table (beh, teh, theh, peh): the only letter table besides noon that
// re-shapes five letters. Counts first, then typing.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/rules/TableCensus.h"

namespace kavitro::test {
namespace {

using letters_by_font_index::L;

TEST(BehRules, CompiledTableKeepsItsCensus) {
    const TableCensus c = TakeCensus(RequireTable("beh"));
    EXPECT_EQ(c.rows, 1105);
    EXPECT_EQ(c.refusals, 43);
    EXPECT_EQ(c.newGlyphs, (std::map<GlyphId, int>{
                               {G(1, 133), 1}, {G(1, 219), 490}, {G(1, 119), 307}, {G(1, 188), 264}}));
    EXPECT_EQ(c.actions, (std::map<std::string, int>{
                             {"P1", 10}, {"C1", 24}, {"C2", 215}, {"C3", 594}, {"C4", 204}, {"C5", 14}}));
    // 808 of the 1051 chains are written to repeat their last lift; once
    // compiled they cannot be told from those that name it, so only the total
    // is held.
    EXPECT_EQ(c.repeatRests + c.explicitRests + c.actions.at("C1"), 1051);
    EXPECT_EQ(c.minLift, -260);
    EXPECT_EQ(c.maxLift, 502);
    // c1 lowered by 27 with 1/219, raised by 142 with 1/119 and by 181 with
    // 1/188, but for one row and two rows of their own.
    EXPECT_EQ(c.liftsByNewGlyph, (std::map<std::pair<GlyphId, std::int32_t>, int>{{{G(1, 219), -27}, 490},
                                                                                  {{G(1, 119), 142}, 306},
                                                                                  {{G(1, 119), -27}, 1},
                                                                                  {{G(1, 188), 181}, 262},
                                                                                  {{G(1, 188), 0}, 2}}));
    using C = Column;
    ExpectColumns(c.ownTests, {{{C::Glyph, 2}, 1059}, {{C::Glyph, 3}, 544}, {{C::Glyph, 4}, 218},
                               {{C::Alternate, 1}, 981}, {{C::Position, 0}, 70}, {{C::Mode, 0}, 52}});
    // Code points and c2's flag are counted where they were tried on the way.
    EXPECT_EQ(c.pathTests.at({C::Code, 2}) + c.pathTests.at({C::Code, 3}) + c.pathTests.at({C::Code, 4}), 401);
    EXPECT_EQ(c.pathTests.at({C::Alternate, 2}), 66);
}

TEST(BehRules, FirstLetterFormsGoWithTheirNewGlyph) {
    // A beh after a letter it re-glyphs to one of these gives 1/188 (the
    // forms its own rows key on under 1/188), after the others 1/119.
    const std::map<GlyphId, bool> forms188 = {{G(1, 241), true}, {G(1, 215), true}, {G(1, 105), true},
                                              {G(1, 114), true}, {G(3, 128), true}, {G(4, 235), true},
                                              {G(1, 207), true}, {G(1, 195), true}};
    for (const auto& [key, n] : TakeCensus(RequireTable("beh")).firstLetters) {
        const auto [g0, g1, d1] = key;
        if (g0 == G(1, 188)) {
            EXPECT_TRUE(forms188.count(g1)) << GlyphFont(g1) << "/" << GlyphIndex(g1);
        } else if (g0 == G(1, 119)) {
            EXPECT_FALSE(forms188.count(g1)) << GlyphFont(g1) << "/" << GlyphIndex(g1);
        }
    }
}

TEST(BehRules, ShapesByContext) {
    const GlyphId kAltForm = G(1, 219), kLow = G(1, 119), kHigh = G(1, 188);
    RunTypingCases({
        {"word start", {}, kBeh, G(1, 133), {}},
        {"after a space", {L(kSpace, 1, 32)}, kBeh, G(1, 133), {}},
        {"after 1/219 the rest of the chain rises by 189", {L(kBeh, 1, 133), L(kBeh, 1, 219)}, kBeh, kLow,
         {L(kBeh, 1, 133, 0, -189), L(kBeh, 2, 91, 0, -142)}},
        {"after a flagged sad form c1 is lowered by 27", {L(kSad, 1, 250), L(kSad, 1, 216, kAlt)}, kBeh, kAltForm,
         {L(kSad, 1, 250, 0, -34), L(kSad, 2, 43, kAlt, 27)}},
        {"a flagged beh after 3/128, mode 1", {L(kBeh, 1, 133), L(kBeh, 3, 128), L(kBeh, 1, 188, kAlt)}, kBeh,
         kAltForm, {L(kBeh, 1, 133, 0, -116), L(kBeh, 3, 122, 0, -126), L(kBeh, 4, 185, kAlt, 27)}},
        {"the same in mode 0 takes the plain outcome", {L(kBeh, 1, 133), L(kBeh, 3, 128), L(kBeh, 1, 188, kAlt)}, kBeh,
         kLow, {L(kBeh, 1, 133, 0, -29), L(kBeh, 3, 128, 0, -29), L(kBeh, 5, 111, kAlt, -142)}, 0},
        {"after a plain beh and 1/241", {L(kBeh, 1, 241), L(kBeh, 1, 188)}, kBeh, kHigh,
         {L(kBeh, 4, 253, 0, -48), L(kBeh, 1, 207, 0, -181)}},
        {"four letters after a plain beh", {L(kBeh, 1, 241), L(kBeh, 5, 118), L(kBeh, 4, 235), L(kBeh, 1, 188)}, kBeh,
         kHigh,
         {L(kBeh, 4, 154, 0, -56), L(kBeh, 3, 109, 0, -103), L(kBeh, 5, 118, 0, -47), L(kBeh, 4, 235, 0, -181)}},
        {"c2's flag before c1's after a noon", {L(kBeh, 1, 224, kAlt), L(kNoon, 4, 33, kAlt)}, kBeh, kLow,
         {L(kBeh, 2, 166, kAlt, -307), L(kNoon, 2, 91, kAlt, 27)}},
        {"a heh form with a c2 none of its keys refuses", {L(kBeh, 2, 91), L(kHeh, 1, 247)}, kBeh, 0, {}},
        {"a joining letter whose glyph is no key refuses", {L(kBeh, 2, 91)}, kBeh, 0, {}},
    }, /*defaultMode=*/1);
}

TEST(BehRules, PositionDecidesWhetherTheThirdLetterMoves) {
    RunTypingCases({
        {"index 2: c1 and c2", {L(kSad, 2, 103), L(kBeh, 1, 119, kAlt)}, kBeh, G(1, 219),
         {L(kSad, 1, 41, 0, -176), L(kBeh, 4, 181, kAlt, 27)}},
        {"index 3: c3 keeps its glyph and rises by 156", {L(kBeh, 1, 133), L(kSad, 2, 103), L(kBeh, 1, 119, kAlt)},
         kBeh, G(1, 219), {L(kBeh, 1, 133, 0, -156), L(kSad, 1, 41, 0, -176), L(kBeh, 4, 181, kAlt, 27)}},
    }, /*defaultMode=*/1);
}

TEST(BehRules, FiveLettersAndTheChainBeyondThem) {
    RunTypingCases({
        {"after a flagged noon, c5 and the letter before it rise by 178",
         {L(kBeh, 1, 133), L(kBeh, 1, 188), L(kBeh, 5, 104), L(kBeh, 5, 154), L(kBeh, 3, 201), L(kNoon, 4, 33, kAlt)},
         kBeh, G(1, 219),
         {L(kBeh, 1, 133, 0, -178), L(kBeh, 1, 188, 0, -178), L(kBeh, 5, 245, 0, -187), L(kBeh, 5, 122, 0, -161),
          L(kBeh, 3, 113, 0, -318), L(kNoon, 4, 181, kAlt, 27)}},
        {"with c1 plain, four letters", {L(kBeh, 1, 133), L(kBeh, 5, 104), L(kBeh, 5, 154), L(kBeh, 3, 201), L(kNoon, 4, 33)},
         kBeh, G(1, 188),
         {L(kBeh, 1, 133, 0, -134), L(kBeh, 5, 104, 0, -134), L(kBeh, 3, 117, 0, -138), L(kBeh, 5, 118, 0, -228),
          L(kNoon, 4, 235, 0, -181)}},
        {"the chain walk stops at a letter that does not join",
         {L(kAlef, 1, 65), L(kBeh, 1, 188), L(kBeh, 5, 104), L(kBeh, 5, 154), L(kBeh, 3, 201), L(kNoon, 4, 33, kAlt)},
         kBeh, G(1, 219),
         {L(kAlef, 1, 65), L(kBeh, 1, 188, 0, -178), L(kBeh, 5, 245, 0, -187), L(kBeh, 5, 122, 0, -161),
          L(kBeh, 3, 113, 0, -318), L(kNoon, 4, 181, kAlt, 27)}},
    }, /*defaultMode=*/1);
}

TEST(BehRules, TheFourLettersTakeTheSameGlyphsWithTheirOwnDots) {
    auto c1Reshaped = [](const CCalligraphyWord& word) { EXPECT_EQ(word.m_characters[1].GetGlyph(), G(2, 91)); };
    ExpectSameGlyphWithOwnMark({L(kBeh, 1, 133), L(kBeh, 1, 219)}, G(1, 119),
                               {{kBeh, 35}, {kTeh, 36}, {kTheh, 37}, {kPeh, 38}}, c1Reshaped);
}

}  // namespace
}  // namespace kavitro::test
