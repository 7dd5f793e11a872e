// The ain and feh tables: one tree of conditions, the feh outcomes moved from
// the ain ones by a fixed substitution. Counts first, then typing.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/rules/TableCensus.h"

namespace kavitro::test {
namespace {

using letters_by_font_index::L;

// Counts shared by the two tables: the same conditions, tried the same way.
void ExpectAinColumns(const TableCensus& c) {
    using C = Column;
    ExpectColumns(c.pathTests, {{{C::Glyph, 1}, 907}, {{C::Glyph, 2}, 876}, {{C::Glyph, 3}, 361}, {{C::Glyph, 4}, 64},
                                {{C::Alternate, 1}, 801}, {{C::Alternate, 2}, 61}, {{C::Code, 2}, 150},
                                {{C::Code, 3}, 5}, {{C::Code, 4}, 53}, {{C::Position, 0}, 70}, {{C::Mode, 0}, 46}});
}

TEST(AinRules, CompiledTableKeepsItsCensus) {
    const TableCensus c = TakeCensus(RequireTable("ain"));
    EXPECT_EQ(c.rows, 908);
    EXPECT_EQ(c.refusals, 37);
    EXPECT_EQ(c.newGlyphs, (std::map<GlyphId, int>{{G(1, 172), 1}, {G(1, 226), 472}, {G(5, 88), 398}}));
    EXPECT_EQ(c.actions, (std::map<std::string, int>{
                             {"S1", 5}, {"P1", 12}, {"C1", 25}, {"C2", 218}, {"C3", 552}, {"C4", 58}}));
    EXPECT_EQ(c.repeatRests, 693);
    EXPECT_EQ(c.explicitRests, 135);
    EXPECT_EQ(c.keptGlyphs.at(3), 279);
    EXPECT_EQ(c.minLift, -612);
    EXPECT_EQ(c.maxLift, 677);
    // The alternate form raises c1 by 148, the plain one by 240, everywhere.
    EXPECT_EQ(c.liftsByNewGlyph, (std::map<std::pair<GlyphId, std::int32_t>, int>{
                                     {{G(5, 88), 148}, 398}, {{G(1, 226), 240}, 472}}));
    ExpectAinColumns(c);
}

TEST(AinRules, FirstLetterFormsKeepTheirRowCounts) {
    const TableCensus c = TakeCensus(RequireTable("ain"));
    const std::map<std::tuple<GlyphId, GlyphId, std::int32_t>, int> want = {
        // alternate forms, with 5/88
        {{G(5, 88), G(4, 181), 148}, 109}, {{G(5, 88), G(4, 176), 148}, 94}, {{G(5, 88), G(3, 112), 148}, 58}, {{G(5, 88), G(2, 52), 148}, 28},
        {{G(5, 88), G(2, 177), 148}, 27}, {{G(5, 88), G(3, 194), 148}, 18}, {{G(5, 88), G(2, 42), 148}, 14}, {{G(5, 88), G(2, 124), 148}, 13},
        {{G(5, 88), G(4, 179), 148}, 13}, {{G(5, 88), G(1, 248), 148}, 7}, {{G(5, 88), G(4, 185), 148}, 6}, {{G(5, 88), G(1, 128), 148}, 3},
        {{G(5, 88), G(1, 156), 148}, 2}, {{G(5, 88), G(2, 233), 148}, 1}, {{G(5, 88), G(1, 253), 148}, 1}, {{G(5, 88), G(1, 167), 148}, 1},
        {{G(5, 88), G(2, 166), 148}, 1}, {{G(5, 88), G(2, 249), 148}, 1}, {{G(5, 88), G(1, 243), 148}, 1},
        // plain forms, with 1/226
        {{G(1, 226), G(1, 53), 240}, 152}, {{G(1, 226), G(4, 120), 240}, 135}, {{G(1, 226), G(3, 34), 240}, 49}, {{G(1, 226), G(3, 37), 240}, 30},
        {{G(1, 226), G(3, 36), 240}, 29}, {{G(1, 226), G(1, 56), 240}, 27}, {{G(1, 226), G(3, 35), 240}, 10}, {{G(1, 226), G(3, 33), 240}, 9},
        {{G(1, 226), G(1, 51), 240}, 6}, {{G(1, 226), G(3, 39), 240}, 4}, {{G(1, 226), G(2, 222), 240}, 3}, {{G(1, 226), G(1, 50), 240}, 3},
        {{G(1, 226), G(1, 145), 240}, 2}, {{G(1, 226), G(4, 121), 240}, 2}, {{G(1, 226), G(1, 133), 240}, 1}, {{G(1, 226), G(1, 143), 240}, 1},
        {{G(1, 226), G(2, 65), 240}, 1}, {{G(1, 226), G(3, 90), 240}, 1}, {{G(1, 226), G(3, 85), 240}, 1}, {{G(1, 226), G(1, 229), 240}, 1},
        {{G(1, 226), G(3, 83), 240}, 1}, {{G(1, 226), G(3, 82), 240}, 1}, {{G(1, 226), G(1, 52), 240}, 1}, {{G(1, 226), G(5, 80), 240}, 1},
        {{G(1, 226), G(5, 64), 240}, 1}};
    EXPECT_EQ(c.firstLetters, want);
}

TEST(FehRules, CompiledTableKeepsItsCensus) {
    const TableCensus c = TakeCensus(RequireTable("feh"));
    EXPECT_EQ(c.rows, 908);
    EXPECT_EQ(c.refusals, 37);
    EXPECT_EQ(c.newGlyphs,
              (std::map<GlyphId, int>{{G(2, 73), 1}, {G(1, 231), 472}, {G(5, 83), 373}, {G(5, 88), 25}}));
    EXPECT_EQ(c.actions, (std::map<std::string, int>{
                             {"S1", 7}, {"P1", 10}, {"C1", 25}, {"C2", 218}, {"C3", 552}, {"C4", 58}}));
    EXPECT_EQ(c.repeatRests, 692);
    EXPECT_EQ(c.explicitRests, 136);
    EXPECT_EQ(c.keptGlyphs.at(3), 279);
    EXPECT_EQ(c.minLift, -796);
    EXPECT_EQ(c.maxLift, 497);
    EXPECT_EQ(c.liftsByNewGlyph, (std::map<std::pair<GlyphId, std::int32_t>, int>{
                                     {{G(5, 83), -32}, 373}, {{G(5, 88), 148}, 25}, {{G(1, 231), 152}, 472}}));
    ExpectAinColumns(c);
}

bool SameConditions(const rules::RuleTable& ta, const FlatRow& a, const rules::RuleTable& tb, const FlatRow& b) {
    if (a.conditions.size() != b.conditions.size()) return false;
    for (std::size_t i = 0; i < a.conditions.size(); ++i) {
        const rules::Condition &x = a.conditions[i], &y = b.conditions[i];
        if (x.kind != y.kind || x.k != y.k) return false;
        const bool codes = IsCodeTest(x);
        if (!codes && (x.a != y.a || x.b != y.b)) return false;
        if (codes && (x.b != y.b || !std::equal(ta.codes.begin() + x.a, ta.codes.begin() + x.a + x.b,
                                                tb.codes.begin() + y.a)))
            return false;
    }
    return true;
}

bool UnderQafForm(const FlatRow& row) { return RequiredGlyph(row, 1) == G(1, 235); }

// The feh row that the substitution makes of an ain row.
rules::Outcome Substitute(const rules::Outcome& ain, bool underQafForm) {
    rules::Outcome feh = ain;
    std::int32_t delta = 0;
    if (ain.glyph0 == G(1, 226)) {
        feh.glyph0 = G(1, 231);
        delta = -88;
    } else if (ain.glyph0 == G(5, 88) && !underQafForm) {
        feh.glyph0 = G(5, 83);
        delta = -180;
    }
    for (std::uint8_t k = 0; k < ain.count; ++k) feh.lifts[k] += delta;
    if (ain.action == rules::ActionKind::Chain && ain.rest != CCalligraphyEngine::kRepeatLastLift) feh.rest += delta;
    return feh;
}

bool SameEffect(const rules::Outcome& a, const rules::Outcome& b) {
    // A re-glyph of c1 with a direct lift and SetPrevious1 do the same.
    auto kind = [](rules::ActionKind k) {
        return k == rules::ActionKind::SetGlyph1 ? rules::ActionKind::Previous1 : k;
    };
    if (a.verdict != b.verdict || a.glyph0 != b.glyph0 || kind(a.action) != kind(b.action) || a.count != b.count)
        return false;
    for (std::uint8_t k = 0; k < a.count; ++k)
        if (a.glyphs[k] != b.glyphs[k] || a.lifts[k] != b.lifts[k]) return false;
    return a.action != rules::ActionKind::Chain || a.rest == b.rest;
}

TEST(FehRules, FollowTheAinRowsBySubstitutionButTwentyTwo) {
    const rules::RuleTable& ain = RequireTable("ain");
    const rules::RuleTable& feh = RequireTable("feh");
    const std::vector<FlatRow> a = FlattenTable(ain), f = FlattenTable(feh);
    ASSERT_EQ(a.size(), f.size());
    int departures = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_TRUE(SameConditions(ain, a[i], feh, f[i])) << "row " << i;
        ASSERT_EQ(IsRefusal(a[i]), IsRefusal(f[i])) << "row " << i;
        if (!IsShape(a[i]) || IsStart(a[i])) continue;
        if (!SameEffect(Substitute(*a[i].outcome, UnderQafForm(a[i])), *f[i].outcome)) ++departures;
    }
    EXPECT_EQ(departures, 22);
}

// Where a feh row departs from the substitution, only the values listed as
// departing do: after 1/119 and 3/129 (flag clear) that is the third letter's
// lift alone, so c1's and c2's lifts still lie 88 above feh's.
TEST(FehRules, ADepartingRowDepartsOnlyInItsListedValue) {
    const std::vector<FlatRow> a = FlattenTable(RequireTable("ain")), f = FlattenTable(RequireTable("feh"));
    ASSERT_EQ(a.size(), f.size());
    int found = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (RequiredGlyph(a[i], 1) != G(1, 119) || RequiredGlyph(a[i], 2) != G(3, 129) ||
            a[i].outcome->glyph0 != G(1, 226))
            continue;
        ++found;
        const rules::Outcome expected = Substitute(*a[i].outcome, false);
        EXPECT_EQ(f[i].outcome->lifts[0], expected.lifts[0]);
        EXPECT_EQ(f[i].outcome->lifts[1], expected.lifts[1]);
        EXPECT_EQ(f[i].outcome->lifts[2], expected.lifts[2] + 1);  // 5, not 4
    }
    EXPECT_EQ(found, 1);
}

TEST(AinRules, ShapesByContext) {
    const GlyphId kAinPlain = G(1, 226), kAinAlt = G(5, 88);
    RunTypingCases({
        {"word start", {}, kAin, G(1, 172), {}},
        {"after a non-joining alef", {L(kAlef, 1, 65)}, kAin, G(1, 172), {}},
        {"a flagged seen whose c2 is none of its keys shapes as a plain one",
         {L(kBeh, 1, 241), L(kSeen, 1, 208, kAlt)}, kAin, kAinPlain,
         {L(kBeh, 1, 241, 0, -111), L(kSeen, 3, 39, kAlt, -240)}},
        {"a flagged heh after 1/136, mode 1", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)}, kAin,
         kAinAlt, {L(kBeh, 1, 188, 0, -534), L(kBeh, 5, 200, 0, -547), L(kHeh, 4, 176, kAlt, -148)}},
        {"the same in mode 0 takes the plain outcome", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)},
         kAin, kAinPlain, {L(kBeh, 1, 188, 0, -287), L(kBeh, 5, 205, 0, -291), L(kHeh, 4, 120, kAlt, -240)}, 0},
        {"a lam with a c2 none of its keys refuses", {L(kBeh, 1, 241), L(kLam, 1, 81)}, kAin, 0, {}},
        {"a joining letter whose glyph is no key refuses", {L(kBeh, 2, 91)}, kAin, 0, {}},
        {"four letters after a noon", {L(kBeh, 4, 154), L(kBeh, 5, 161), L(kBeh, 3, 201), L(kNoon, 4, 33)}, kAin,
         kAinPlain,
         {L(kBeh, 1, 241, 0, -168), L(kBeh, 5, 122, 0, -144), L(kBeh, 5, 129, 0, -285), L(kNoon, 1, 53, 0, -240)}},
    }, /*defaultMode=*/1);
}

TEST(AinRules, DeepestLookBackTellsMeemFromHeh) {
    const std::vector<Letter> rest = {L(kBeh, 5, 161), L(kBeh, 3, 201), L(kNoon, 4, 33)};
    auto with = [&](std::uint16_t code) {
        std::vector<Letter> v = {L(code, 4, 153)};
        v.insert(v.end(), rest.begin(), rest.end());
        return v;
    };
    auto after = [](std::uint16_t code, unsigned f, unsigned i) {
        return std::vector<Letter>{L(code, f, i, 0, -168), L(kBeh, 5, 122, 0, -144), L(kBeh, 5, 129, 0, -285),
                                   L(kNoon, 1, 53, 0, -240)};
    };
    RunTypingCases({
        {"a meem c4 becomes 1/139", with(kMeem), kAin, G(1, 226), after(kMeem, 1, 139)},
        {"a heh c4 becomes 3/97", with(kHeh), kAin, G(1, 226), after(kHeh, 3, 97)},
        {"any other letter with that glyph refuses", with(kBeh), kAin, 0, {}},
    }, /*defaultMode=*/1);
}

TEST(AinRules, PositionDecidesWhetherTheThirdLetterMoves) {
    RunTypingCases({
        {"index 2: two letters", {L(kJeem, 1, 174), L(kJeem, 1, 175)}, kAin, G(1, 226),
         {L(kJeem, 3, 151, 0, -68), L(kJeem, 3, 33, 0, -240)}},
        {"index 3: c3 keeps its glyph and is lifted by 73",
         {L(kBeh, 1, 133), L(kJeem, 1, 174), L(kJeem, 1, 175)}, kAin, G(1, 226),
         {L(kBeh, 1, 133, 0, -73), L(kJeem, 3, 151, 0, -68), L(kJeem, 3, 33, 0, -240)}},
        {"index 3, flag set: lifted by 291", {L(kBeh, 1, 133), L(kJeem, 1, 174), L(kJeem, 1, 175, kAlt)}, kAin,
         G(5, 88), {L(kBeh, 1, 133, 0, -291), L(kJeem, 3, 145, 0, -309), L(kJeem, 1, 248, kAlt, -148)}},
    }, /*defaultMode=*/1);
}

TEST(AinRules, GhainTakesTheSameGlyphsWithItsDot) {
    // The letter before is raised by 240 either way.
    auto raised = [](const CCalligraphyWord& word) { EXPECT_EQ(word.m_characters.front().m_yOffset, -240); };
    ExpectSameGlyphWithOwnMark({L(kBeh, 1, 133)}, G(1, 226), {{kAin, 0}, {kGhain, 35}}, raised);
}

TEST(FehRules, ShapesByContext) {
    const GlyphId kFehPlain = G(1, 231), kFehAlt = G(5, 83);
    RunTypingCases({
        {"word start", {}, kFeh, G(2, 73), {}},
        {"after a flagged qaf form the ain outcome stands", {L(kBeh, 2, 204), L(kQaf, 1, 235, kAlt)}, kFeh,
         G(5, 88), {L(kBeh, 1, 133, 0, -356), L(kQaf, 2, 124, kAlt, -148)}},
        {"after a plain qaf form", {L(kBeh, 2, 204), L(kQaf, 1, 235)}, kFeh, kFehPlain,
         {L(kBeh, 1, 133, 0, -103), L(kQaf, 3, 36, 0, -152)}},
        {"a qaf form with a c2 none of its keys refuses", {L(kBeh, 1, 241), L(kQaf, 1, 235)}, kFeh, 0, {}},
        {"a flagged heh after 1/136, mode 1", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)}, kFeh,
         kFehAlt, {L(kBeh, 1, 188, 0, -354), L(kBeh, 5, 200, 0, -367), L(kHeh, 4, 176, kAlt, 32)}},
        {"the same in mode 0", {L(kBeh, 1, 188), L(kBeh, 1, 136), L(kHeh, 4, 34, kAlt)}, kFeh, kFehPlain,
         {L(kBeh, 1, 188, 0, -199), L(kBeh, 5, 205, 0, -203), L(kHeh, 4, 120, kAlt, -152)}, 0},
        {"c3 = 3/219 after 1/149, flagged, takes the outcome of 3/230",
         {L(kBeh, 1, 133), L(kBeh, 3, 219), L(kBeh, 1, 149), L(kNoon, 4, 33, kAlt)}, kFeh, kFehAlt,
         {L(kBeh, 1, 133, 0, -108), L(kBeh, 1, 160, 0, -138), L(kBeh, 4, 241, 0, -313), L(kNoon, 4, 181, kAlt, 32)}},
        {"the same context, plain", {L(kBeh, 1, 133), L(kBeh, 3, 219), L(kBeh, 1, 149), L(kNoon, 4, 33)}, kFeh,
         kFehPlain,
         {L(kBeh, 1, 133, 0, -60), L(kBeh, 4, 162, 0, -60), L(kBeh, 5, 129, 0, -197), L(kNoon, 1, 53, 0, -152)}},
    }, /*defaultMode=*/1);
}

}  // namespace
}  // namespace kavitro::test
