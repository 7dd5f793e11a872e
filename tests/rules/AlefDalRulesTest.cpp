// The alef and dal tables: letters that never join the letter after them
// (dal only a following reh, zain or jeh), so their glyph here is their last
// joined form. Counts first, then typing.

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

TEST(AlefRules, CompiledTableKeepsItsCensus) {
    const TableCensus c = TakeCensus(RequireTable("alef"));
    EXPECT_EQ(c.rows, 910);
    EXPECT_EQ(c.refusals, 34);
    EXPECT_EQ(c.newGlyphs, (std::map<GlyphId, int>{
                               {G(1, 65), 1}, {G(1, 140), 360}, {G(1, 151), 341}, {G(5, 34), 114}, {G(1, 205), 60}}));
    EXPECT_EQ(c.actions,
              (std::map<std::string, int>{{"P1", 19}, {"C1", 21}, {"C2", 224}, {"C3", 570}, {"C4", 41}}));
    // 706 of these 835 are written to repeat the last lift; one filled row
    // does so where it names its rest.
    EXPECT_EQ(c.repeatRests + c.explicitRests, 835);
    EXPECT_EQ(c.keptGlyphs.at(3), 239);
    EXPECT_EQ(c.keptGlyphs.at(4), 2);
    EXPECT_EQ(c.minLift, -286);
    EXPECT_EQ(c.maxLift, 529);
    // c1 is raised by 10 with 1/140 but for eleven seen rows, and never moved otherwise.
    EXPECT_EQ(c.liftsByNewGlyph, (std::map<std::pair<GlyphId, std::int32_t>, int>{{{G(1, 140), 0}, 11},
                                                                                  {{G(1, 140), 10}, 349},
                                                                                  {{G(1, 151), 0}, 341},
                                                                                  {{G(5, 34), 0}, 114},
                                                                                  {{G(1, 205), 0}, 60}}));
    using C = Column;
    ExpectColumns(c.ownTests, {{{C::Glyph, 1}, 908}, {{C::Glyph, 2}, 860}, {{C::Glyph, 3}, 378}, {{C::Glyph, 4}, 39},
                               {{C::Alternate, 1}, 726}, {{C::Alternate, 2}, 68}, {{C::Code, 1}, 2}, {{C::Code, 2}, 54},
                               {{C::Code, 3}, 3}, {{C::Code, 4}, 6}, {{C::Position, 0}, 74}, {{C::Mode, 0}, 30}});
}

TEST(AlefRules, JoiningFormsOfTheLetterBeforeKeepTheirRowCounts) {
    const TableCensus c = TakeCensus(RequireTable("alef"));
    const std::map<std::tuple<GlyphId, GlyphId, std::int32_t>, int> want = {
        // before 1/151
        {{G(1, 151), G(1, 195), 0}, 150}, {{G(1, 151), G(2, 59), 0}, 86}, {{G(1, 151), G(2, 203), 0}, 40}, {{G(1, 151), G(2, 143), 0}, 29}, {{G(1, 151), G(1, 113), 0}, 11},
        {{G(1, 151), G(1, 163), 0}, 8}, {{G(1, 151), G(2, 190), 0}, 4}, {{G(1, 151), G(1, 187), 0}, 2}, {{G(1, 151), G(1, 130), 0}, 2}, {{G(1, 151), G(1, 206), 0}, 1},
        {{G(1, 151), G(2, 239), 0}, 1}, {{G(1, 151), G(2, 212), 0}, 1}, {{G(1, 151), G(1, 126), 0}, 1}, {{G(1, 151), G(1, 123), 0}, 1}, {{G(1, 151), G(1, 141), 0}, 1},
        {{G(1, 151), G(5, 81), 0}, 1}, {{G(1, 151), G(2, 198), 0}, 1}, {{G(1, 151), G(5, 82), 0}, 1},
        // before 1/140
        {{G(1, 140), G(2, 156), 10}, 117}, {{G(1, 140), G(1, 192), 10}, 83}, {{G(1, 140), G(3, 112), 10}, 47}, {{G(1, 140), G(3, 112), 0}, 11},
        {{G(1, 140), G(2, 136), 10}, 36}, {{G(1, 140), G(2, 97), 10}, 26}, {{G(1, 140), G(2, 36), 10}, 21}, {{G(1, 140), G(2, 226), 10}, 7},
        {{G(1, 140), G(1, 200), 10}, 3}, {{G(1, 140), G(2, 68), 10}, 2}, {{G(1, 140), G(2, 209), 10}, 1}, {{G(1, 140), G(2, 236), 10}, 1}, {{G(1, 140), G(2, 147), 10}, 1},
        {{G(1, 140), G(2, 245), 10}, 1}, {{G(1, 140), G(3, 176), 10}, 1}, {{G(1, 140), G(2, 46), 10}, 1}, {{G(1, 140), G(2, 126), 10}, 1},
        // before 5/34
        {{G(5, 34), G(2, 235), 0}, 45}, {{G(5, 34), G(2, 180), 0}, 40}, {{G(5, 34), G(2, 86), 0}, 19}, {{G(5, 34), G(2, 88), 0}, 8}, {{G(5, 34), G(2, 44), 0}, 1},
        {{G(5, 34), G(2, 112), 0}, 1},
        // before 1/205
        {{G(1, 205), G(4, 172), 0}, 28}, {{G(1, 205), G(2, 167), 0}, 27}, {{G(1, 205), G(1, 195), 0}, 2},
        {{G(1, 205), G(2, 82), 0}, 2}, {{G(1, 205), G(1, 163), 0}, 1}};
    EXPECT_EQ(c.firstLetters, want);
}

TEST(DalRules, CompiledTableKeepsItsCensus) {
    const TableCensus c = TakeCensus(RequireTable("dal"));
    EXPECT_EQ(c.rows, 982);
    EXPECT_EQ(c.refusals, 41);
    EXPECT_EQ(c.newGlyphs, (std::map<GlyphId, int>{
                               {G(1, 70), 1}, {G(5, 34), 465}, {G(1, 193), 434}, {G(1, 196), 41}}));
    EXPECT_EQ(c.actions, (std::map<std::string, int>{
                             {"S1", 6}, {"A1", 1}, {"P1", 11}, {"C1", 24}, {"C2", 236}, {"C3", 604}, {"C4", 58}}));
    // 762 of these 898 are written to repeat the last lift; three filled rows
    // do so where they name their rest.
    EXPECT_EQ(c.repeatRests + c.explicitRests, 898);
    EXPECT_EQ(c.keptGlyphs.at(3), 332);
    EXPECT_EQ(c.minLift, -270);
    EXPECT_EQ(c.maxLift, 529);
    // c1 raised by 10 with 1/193 (once through AddYOffset(1, -10)), by 5 under
    // 1/229, and never moved otherwise.
    EXPECT_EQ(c.liftsByNewGlyph, (std::map<std::pair<GlyphId, std::int32_t>, int>{{{G(1, 193), 10}, 422},
                                                                                  {{G(1, 193), -10}, 1},
                                                                                  {{G(1, 193), 0}, 11},
                                                                                  {{G(1, 196), 5}, 1},
                                                                                  {{G(1, 196), 0}, 40},
                                                                                  {{G(5, 34), 0}, 465}}));
    using C = Column;
    ExpectColumns(c.ownTests, {{{C::Glyph, 1}, 980}, {{C::Glyph, 2}, 926}, {{C::Glyph, 3}, 338}, {{C::Glyph, 4}, 58},
                               {{C::Alternate, 1}, 877}, {{C::Alternate, 2}, 56}, {{C::Code, 2}, 191},
                               {{C::Code, 3}, 4}, {{C::Code, 4}, 29}, {{C::Position, 0}, 58}, {{C::Mode, 0}, 56}});
}

TEST(AlefRules, ShapesByContext) {
    const GlyphId kPlain = G(1, 151), kAltForm = G(1, 140), kLamAlef = G(5, 34);
    RunTypingCases({
        {"lam-alef", {L(kLam, 1, 229)}, kAlef, kLamAlef, {L(kLam, 2, 235)}},
        {"kaf-alef", {L(kKeheh, 1, 229)}, kAlef, kLamAlef, {L(kKeheh, 2, 86)}},
        {"gaf-alef", {L(kGaf, 1, 229)}, kAlef, kLamAlef, {L(kGaf, 2, 86)}},
        {"1/229 of another letter refuses", {L(kBeh, 1, 229)}, kAlef, 0, {}},
        {"a flagged seen whose c2 is none of its keys", {L(kBeh, 1, 241), L(kSeen, 1, 208, kAlt)}, kAlef, kPlain,
         {L(kBeh, 1, 241, 0, 51), L(kSeen, 2, 190, kAlt)}},
        {"a flagged heh after 1/136, mode 1", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)}, kAlef,
         kAltForm, {L(kBeh, 1, 188, 0, -386), L(kBeh, 5, 200, 0, -399), L(kHeh, 1, 192, kAlt, -10)}},
        {"the same in mode 0", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)}, kAlef, kPlain,
         {L(kBeh, 1, 188, 0, -80), L(kBeh, 5, 205, 0, -84), L(kHeh, 2, 59, kAlt)}, 0},
        {"a lam with a c2 none of its keys refuses", {L(kBeh, 1, 241), L(kLam, 1, 81)}, kAlef, 0, {}},
        {"a joining letter whose glyph is no key refuses", {L(kBeh, 2, 91)}, kAlef, 0, {}},
        {"four letters after a flagged noon", {L(kBeh, 4, 154), L(kBeh, 5, 161), L(kBeh, 3, 201), L(kNoon, 4, 33, kAlt)},
         kAlef, kAltForm,
         {L(kBeh, 1, 241, 0, -182), L(kBeh, 5, 122, 0, -158), L(kBeh, 3, 113, 0, -315), L(kNoon, 2, 156, kAlt, -10)}},
        {"four letters after a plain noon", {L(kBeh, 4, 154), L(kBeh, 5, 161), L(kBeh, 3, 201), L(kNoon, 4, 33)},
         kAlef, kPlain,
         {L(kBeh, 1, 241, 0, 11), L(kBeh, 5, 122, 0, 35), L(kBeh, 3, 117, 0, -102), L(kNoon, 1, 195)}},
        {"a meem c4 at the deepest place becomes 1/139",
         {L(kMeem, 4, 153), L(kBeh, 5, 161), L(kBeh, 3, 201), L(kNoon, 4, 33)}, kAlef, kPlain,
         {L(kMeem, 1, 139, 0, 11), L(kBeh, 5, 122, 0, 35), L(kBeh, 3, 117, 0, -102), L(kNoon, 1, 195)}},
        {"any other letter with that glyph refuses",
         {L(kBeh, 4, 153), L(kBeh, 5, 161), L(kBeh, 3, 201), L(kNoon, 4, 33)}, kAlef, 0, {}},
        {"after a meem, a keheh c2 = 3/183 with c3 = 1/206",
         {L(kBeh, 1, 206), L(kKeheh, 3, 183), L(kMeem, 1, 179)}, kAlef, kPlain,
         {L(kBeh, 4, 220, 0, 91), L(kKeheh, 5, 210, 0, 136), L(kMeem, 2, 203)}},
    }, /*defaultMode=*/1);
}

TEST(AlefRules, PositionDecidesWhetherTheThirdLetterMoves) {
    RunTypingCases({
        {"index 2", {L(kJeem, 1, 174), L(kJeem, 1, 175)}, kAlef, G(1, 151),
         {L(kJeem, 3, 151, 0, 136), L(kJeem, 1, 163)}},
        {"index 3: c3 lowered by 126", {L(kBeh, 1, 133), L(kJeem, 1, 174), L(kJeem, 1, 175)}, kAlef, G(1, 151),
         {L(kBeh, 1, 133, 0, 126), L(kJeem, 3, 151, 0, 136), L(kJeem, 1, 163)}},
        {"index 3, flag set: c3 raised by 60", {L(kBeh, 1, 133), L(kJeem, 1, 174), L(kJeem, 1, 175, kAlt)}, kAlef,
         G(1, 140), {L(kBeh, 1, 133, 0, -60), L(kJeem, 3, 145, 0, -76), L(kJeem, 2, 226, kAlt, -10)}},
    }, /*defaultMode=*/1);
}

TEST(AlefRules, MaddaTakesTheSameGlyphsWithItsMark) {
    ExpectSameGlyphWithOwnMark({L(kLam, 1, 229)}, G(5, 34), {{kAlef, 0}, {kAlefMadda, 42}});
}

TEST(DalRules, ShapesByContext) {
    const GlyphId kAltForm = G(1, 193), kPlain = G(5, 34);
    RunTypingCases({
        {"a flagged heh after 1/136, mode 1", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)}, kDal,
         kAltForm, {L(kBeh, 1, 188, 0, -386), L(kBeh, 5, 200, 0, -399), L(kHeh, 1, 192, kAlt, -10)}},
        {"the same in mode 0", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)}, kDal, kPlain,
         {L(kBeh, 1, 188, 0, -96), L(kBeh, 5, 205, 0, -100), L(kHeh, 1, 135, kAlt)}, 0},
        {"a keheh 2/158 after a flagged meem", {L(kKeheh, 2, 158), L(kMeem, 1, 179, kAlt)}, kDal, kAltForm,
         {L(kKeheh, 3, 114, 0, -67), L(kMeem, 2, 136, kAlt, -10)}},
        {"2/158 of another letter refuses", {L(kBeh, 2, 158), L(kMeem, 1, 179, kAlt)}, kDal, 0, {}},
        {"a beh with a c2 none of its keys refuses", {L(kBeh, 2, 91), L(kBeh, 1, 188)}, kDal, 0, {}},
        {"a lam c4 = 3/156 becomes 3/138", {L(kLam, 3, 156), L(kBeh, 5, 154), L(kBeh, 3, 201), L(kNoon, 4, 33)},
         kDal, kPlain,
         {L(kLam, 3, 138, 0, 4), L(kBeh, 5, 122, 0, 30), L(kBeh, 3, 117, 0, -107), L(kNoon, 3, 244)}},
        {"another letter with that glyph becomes 2/148",
         {L(kBeh, 3, 156), L(kBeh, 5, 154), L(kBeh, 3, 201), L(kNoon, 4, 33)}, kDal, kPlain,
         {L(kBeh, 2, 148, 0, 4), L(kBeh, 5, 122, 0, 30), L(kBeh, 3, 117, 0, -107), L(kNoon, 3, 244)}},
        {"a negative lift lowers c3 by 264", {L(kBeh, 1, 107), L(kBeh, 2, 52), L(kHeh, 1, 247)}, kDal, kPlain,
         {L(kBeh, 2, 66, 0, 264), L(kBeh, 5, 179, 0, -100), L(kHeh, 1, 135)}},
    }, /*defaultMode=*/1);
}

TEST(DalRules, PositionDecidesWhetherTheThirdLetterMoves) {
    RunTypingCases({
        {"index 2", {L(kBeh, 1, 124), L(kHeh, 4, 34)}, kDal, G(5, 34), {L(kBeh, 2, 64, 0, -100), L(kHeh, 1, 135)}},
        {"index 3", {L(kBeh, 1, 133), L(kBeh, 1, 124), L(kHeh, 4, 34)}, kDal, G(5, 34),
         {L(kBeh, 1, 133, 0, -61), L(kBeh, 2, 64, 0, -100), L(kHeh, 1, 135)}},
    }, /*defaultMode=*/1);
}

TEST(DalRules, ThalTakesTheSameGlyphsWithItsDot) {
    ExpectSameGlyphWithOwnMark({L(kBeh, 1, 133)}, G(5, 34), {{kDal, 0}, {kThal, 35}});
}

}  // namespace
}  // namespace kavitro::test
