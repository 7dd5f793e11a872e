// The qaf family of letter tables: jeem, qaf, sad, seen, tah and waw. They
// test one tree of conditions (jeem and seen with a few places of their own);
// tah's and waw's rows beyond the ones we were given follow sad's and qaf's.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/rules/ShapingFixture.h"

namespace kavitro::test {
namespace {

using rules::ActionKind;
using rules::ConditionKind;
using rules::Origin;

// Letter codes.

// The keys, as written, of the rows `keep` accepts, in table order.
std::vector<std::string> RowKeys(const rules::RuleTable& t, const std::function<bool(const FlatRow&)>& keep) {
    std::vector<std::string> keys;
    for (const FlatRow& row : FlattenTable(t))
        if (keep(row)) keys.push_back(RowKeyAsWritten(t, row));
    return keys;
}

// c1's lift in a row that re-shapes (the direct write or the chain's first).
std::int32_t C1Lift(const rules::Outcome& o) { return o.lifts[0]; }

bool Under(const FlatRow& row, GlyphId c1) { return RequiredGlyph(row, 1) == c1; }

// ---- What the tables state about themselves ---------------------------------

struct TableFacts {
    const char* name;
    std::size_t rows;
    std::size_t refusals;
    GlyphId start;
    std::map<GlyphId, int> joinedGlyphs;    // c0's glyph in the re-shaping rows
    std::map<std::int32_t, int> c1Lifts;    // c1's lift in the re-shaping rows
    std::map<std::string, int> actions;     // S1, C1..C4
};

// Rows are counted one per outcome case: the start row, each shaping case,
// the refusal written out at the end of every level that refuses, and the
// final refusal of a c1 that is no key.
TEST(QafFamilyTables, RowsRefusalsGlyphsLiftsAndActions) {
    const std::vector<TableFacts> facts = {
        {"jeem", 421, 27, G(1, 182), {{G(1, 175), 393}}, {{335, 393}},
         {{"S1", 11}, {"C1", 14}, {"C2", 119}, {"C3", 230}, {"C4", 19}}},
        // The one row that lifts c1 by 121 is 1/119 with c2 3/129.
        {"qaf", 416, 26, G(2, 73), {{G(1, 235), 389}}, {{135, 388}, {121, 1}},
         {{"S1", 10}, {"C1", 14}, {"C2", 116}, {"C3", 230}, {"C4", 19}}},
        {"sad", 416, 26, G(1, 250), {{G(1, 216), 389}}, {{195, 389}},
         {{"S1", 10}, {"C1", 14}, {"C2", 116}, {"C3", 230}, {"C4", 19}}},
        // 163 under 4/33 with c2 1/149; 0 under 4/33, 3/201 with c3 5/112 or 5/102.
        {"seen", 416, 26, G(2, 65), {{G(1, 208), 389}}, {{210, 367}, {163, 20}, {0, 2}},
         {{"S1", 10}, {"C1", 14}, {"C2", 117}, {"C3", 230}, {"C4", 18}}},
        {"tah", 417, 26, G(2, 222), {{G(1, 220), 390}}, {{40, 390}},
         {{"S1", 10}, {"C1", 15}, {"C2", 116}, {"C3", 230}, {"C4", 19}}},
        // 4/34 after a jeem (1/182 and the 1/175 block), where c1 does not move.
        {"waw", 417, 26, G(1, 83), {{G(2, 178), 383}, {G(4, 34), 7}}, {{121, 383}, {0, 7}},
         {{"S1", 10}, {"C1", 15}, {"C2", 116}, {"C3", 230}, {"C4", 19}}},
    };
    for (const TableFacts& f : facts) {
        SCOPED_TRACE(f.name);
        const std::vector<FlatRow> rows = FlattenTable(RequireTable(f.name));
        std::size_t refusals = 0;
        std::map<GlyphId, int> joined;
        std::map<std::int32_t, int> lifts;
        std::map<std::string, int> actions;
        for (const FlatRow& row : rows) {
            if (IsRefusal(row)) ++refusals;
            if (!IsShape(row) || IsStart(row)) continue;
            ++joined[row.outcome->glyph0];
            ++lifts[C1Lift(*row.outcome)];
            ++actions[ActionName(*row.outcome)];
        }
        EXPECT_EQ(rows.size(), f.rows);
        EXPECT_EQ(refusals, f.refusals);
        ASSERT_TRUE(IsStart(rows.front()));
        EXPECT_EQ(rows.front().outcome->glyph0, f.start);
        EXPECT_EQ(joined, f.joinedGlyphs);
        EXPECT_EQ(lifts, f.c1Lifts);
        EXPECT_EQ(actions, f.actions);
        // Every table ends in the refusal of a c1 that is none of the keys.
        EXPECT_TRUE(rows.back().conditions.empty() && IsRefusal(rows.back()));
    }
}

TEST(QafFamilyTables, LookOnlyAtWhatTheFamilyTests) {
    struct Case {
        const char* name;
        std::set<std::string> codeTests;
    };
    const std::set<std::string> shared = {"c2.code=0647", "c2.code=06A9", "c2.code=06AF", "c2.code=0644",
                                          "c4.code=0645", "c4.code=0647", "c4.code=0644"};
    std::set<std::string> jeem = shared;
    jeem.insert("c1.code=0644");
    const std::set<std::string> seen = {"c2.code=0647", "c2.code=06A9", "c2.code=06AF", "c2.code=0644",
                                        "c4.code=0645", "c4.code=0647"};
    for (const Case& c : std::vector<Case>{
             {"jeem", jeem}, {"qaf", shared}, {"sad", shared}, {"seen", seen}, {"tah", shared}, {"waw", shared}}) {
        SCOPED_TRACE(c.name);
        const rules::RuleTable& t = RequireTable(c.name);
        std::set<std::string> codeTests;
        std::set<std::pair<GlyphId, GlyphId>> positionSplits;
        for (const FlatRow& row : FlattenTable(t)) {
            for (const rules::Condition& cond : row.conditions) {
                // No row looks at c5, the mode, or any flag but c2's.
                EXPECT_LT(cond.k, 5);
                EXPECT_NE(cond.kind, ConditionKind::ModeZero);
                EXPECT_NE(cond.kind, ConditionKind::ModeNonZero);
                if (cond.kind == ConditionKind::AltSet || cond.kind == ConditionKind::AltClear) {
                    EXPECT_EQ(cond.k, 2);
                }
                if (cond.kind == ConditionKind::CodeIn) codeTests.insert(ConditionText(t, cond));
                if (cond.kind == ConditionKind::PosLe || cond.kind == ConditionKind::PosGt) {
                    EXPECT_EQ(cond.a, 2u);
                    positionSplits.insert({RequiredGlyph(row, 1), RequiredGlyph(row, 2)});
                }
            }
        }
        EXPECT_EQ(codeTests, c.codeTests);
        // The same fifteen c2 glyphs tell a two-letter chain from a longer one.
        EXPECT_EQ(positionSplits.size(), 15u);
    }
}

// Under the beh and noon keys an alternate c2 gives c1 one form of its own,
// and only an alternate c2 does.
TEST(QafFamilyTables, AlternateC2GetsItsOwnC1FormUnderBehAndNoon) {
    const std::vector<std::pair<const char*, GlyphId>> cases = {
        {"jeem", G(1, 157)}, {"qaf", G(4, 116)}, {"sad", G(4, 131)},
        {"seen", G(1, 219)}, {"tah", G(4, 131)}, {"waw", G(4, 116)},
    };
    for (const auto& [name, form] : cases) {
        SCOPED_TRACE(name);
        int altRows = 0;
        for (const FlatRow& row : FlattenTable(RequireTable(name))) {
            if (!IsShape(row) || !(Under(row, G(1, 188)) || Under(row, G(1, 119)) || Under(row, G(4, 33))))
                continue;
            const bool alt = Tests(row, ConditionKind::AltSet, 2);
            EXPECT_EQ(row.outcome->glyphs[0] == form, alt) << RowKeyAsWritten(RequireTable(name), row);
            altRows += alt;
        }
        EXPECT_EQ(altRows, 1 + 7 + 17);  // 1/188, 1/119, 4/33
    }
}

// ---- The family's shared tests -------------------------------------------------

TEST(QafFamilyTables, QafSadTahAndWawTestTheSameConditions) {
    auto all = [](const FlatRow&) { return true; };
    auto outside1237 = [](const FlatRow& row) { return !Under(row, G(1, 237)); };
    EXPECT_EQ(RowKeys(RequireTable("qaf"), all), RowKeys(RequireTable("sad"), all));
    // Tah and waw tell a plain c2 from an alternate one before the 1/237
    // alternate rows; the rest is qaf's, and theirs is one tree.
    EXPECT_EQ(RowKeys(RequireTable("tah"), all), RowKeys(RequireTable("waw"), all));
    EXPECT_EQ(RowKeys(RequireTable("tah"), outside1237), RowKeys(RequireTable("sad"), outside1237));
}

TEST(QafFamilyTables, JeemDiffersFromQafInThreePlaces) {
    auto shared = [](const FlatRow& row) {
        return !Under(row, G(1, 229)) && !Under(row, G(1, 237)) &&
               !(Under(row, G(1, 175)) && RequiredGlyph(row, 2) == G(2, 228));
    };
    const rules::RuleTable& jeem = RequireTable("jeem");
    EXPECT_EQ(RowKeys(jeem, shared), RowKeys(RequireTable("qaf"), shared));
    const std::vector<std::string> own = RowKeys(jeem, [&](const FlatRow& row) { return !shared(row); });
    for (const char* key : {"c1=1/229 c1.code=0644", "c1=1/175 c2=2/228", "c1=1/237 c2=1/130", "c1=1/237 c2=3/137",
                            "c1=1/237 c2=1/165", "c1=1/237 c2.alt"})
        EXPECT_NE(std::find(own.begin(), own.end(), key), own.end()) << key;
    // Qaf takes 1/130 only with the flag, among its alternate rows.
    const std::vector<std::string> qaf = RowKeys(RequireTable("qaf"), [](const FlatRow&) { return true; });
    EXPECT_NE(std::find(qaf.begin(), qaf.end(), "c1=1/237 c2=1/130 c2.alt"), qaf.end());
}

TEST(QafFamilyTables, SeenDiffersFromSadInSixPlaces) {
    auto shared = [](const FlatRow& row) {
        const GlyphId c2 = RequiredGlyph(row, 2), c3 = RequiredGlyph(row, 3), c4 = RequiredGlyph(row, 4);
        if (Under(row, G(1, 188)) && c2 == G(4, 235) && c3 == G(5, 118)) return false;
        if (Under(row, G(1, 244))) return false;
        if (Under(row, G(4, 33)) && c2 == G(3, 201) && (c3 == G(5, 145) || c3 == G(5, 98))) return false;
        if (Under(row, G(1, 247)) && c2 == G(1, 248) && (c3 == G(1, 157) || c3 == G(1, 130))) return false;
        if (Under(row, G(1, 179)) && c2 == G(3, 183)) return false;
        if (Under(row, G(4, 33)) && c2 == G(3, 201) && c3 == G(5, 154) && c4 == G(3, 156)) return false;
        return true;
    };
    const rules::RuleTable& seen = RequireTable("seen");
    EXPECT_EQ(RowKeys(seen, shared), RowKeys(RequireTable("sad"), shared));
    const std::vector<std::string> own = RowKeys(seen, [&](const FlatRow& row) { return !shared(row); });
    const std::vector<std::string> want = {
        "c1=1/179 c2=3/183 c2.code=06A9", "c1=1/179 c2=3/183",          "c1=1/244 c2=2/249", "c1=1/244",
        "c1=4/33 c2=3/201 c3=5/98",       "c1=4/33 c2=3/201 c3=5/154 c4=3/156", "c1=1/247 c2=1/248 c3=1/130"};
    EXPECT_EQ(own, want);
}

// ---- Tah and waw: their own rows, and sad's and qaf's rows lowered -----------------

struct SiblingCase {
    const char* name;
    const char* sibling;
    std::int32_t lowered;  // every lift is this much smaller than the sibling's
    std::set<std::string> ownValues;  // given rows that do not follow the sibling
    std::map<Origin, int> origins;
};

// Sad's (qaf's) outcome moved down by a fixed lift, same glyphs, same verdict.
bool FollowsSibling(const rules::Outcome& row, const rules::Outcome& sibling, std::int32_t lowered) {
    if (row.verdict != sibling.verdict) return false;
    if (row.verdict != rules::Verdict::Shape) return true;
    if (row.action != sibling.action || row.count != sibling.count) return false;
    for (int i = 0; i < row.count; ++i)
        if (row.glyphs[i] != sibling.glyphs[i] || row.lifts[i] != sibling.lifts[i] - lowered) return false;
    return row.action != ActionKind::Chain || RestLift(row) == RestLift(sibling) - lowered;
}

TEST(QafFamilyTables, TahAndWawFollowSadAndQafWhereTheirOwnRowsAreMissing) {
    const std::vector<SiblingCase> cases = {
        {"tah", "sad", 155, {"c1=2/222", "c1=1/237 c2=1/206"},
         {{Origin::Given, 61}, {Origin::Derived, 356}}},
        {"waw", "qaf", 14,
         {"c1=1/182", "c1=1/119 c2=3/129", "c1=1/175 c2=1/176", "c1=1/175 c2=1/159", "c1=1/175 c2=1/174 pos<=2",
          "c1=1/175 c2=1/174 pos>2", "c1=1/175 c2=2/116", "c1=1/175"},
         {{Origin::Given, 65}, {Origin::Derived, 352}}},
    };
    for (const SiblingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const rules::RuleTable& table = RequireTable(c.name);
        const rules::RuleTable& sibling = RequireTable(c.sibling);
        std::map<std::string, const rules::Outcome*> siblingRows;
        for (const FlatRow& row : FlattenTable(sibling)) siblingRows[RowKeyAsWritten(sibling, row)] = row.outcome;

        std::set<std::string> ownValues;
        std::map<Origin, int> origins;
        for (const FlatRow& row : FlattenTable(table)) {
            const std::string key = RowKeyAsWritten(table, row);
            ++origins[row.outcome->origin];
            if (IsStart(row)) continue;
            const auto it = siblingRows.find(key);
            if (row.outcome->origin == Origin::Derived) {
                ASSERT_NE(it, siblingRows.end()) << key;
                EXPECT_TRUE(FollowsSibling(*row.outcome, *it->second, c.lowered)) << key;
            } else if (it != siblingRows.end() && !FollowsSibling(*row.outcome, *it->second, c.lowered)) {
                ownValues.insert(key);
            }
        }
        EXPECT_EQ(ownValues, c.ownValues);
        EXPECT_EQ(origins, c.origins);
        EXPECT_EQ(origins.count(Origin::Filled), 0u);
    }
}

// Counted the way the tah and waw texts count: the start rule, one rule per
// outcome that shapes, and one catch-all refusal.
struct TreeFacts {
    const char* name;
    int rules;
    std::map<GlyphId, int> blockRules;  // shaping rules per multi-rule c1 key
    std::map<GlyphId, int> c1FormsUnder119;
    std::map<GlyphId, int> c1FormsUnder433;
    std::map<std::string, int> reshapes;  // "S1" with a lift, "S1 0" without
    int restLast;
    int restExplicit;
    std::int32_t lowestLift;
    std::int32_t highestLift;
};

TEST(QafFamilyTables, TahAndWawRuleCounts) {
    // Waw gains the alternate/plain pair after 1/119 with c2 2/255 that tah
    // has: two more rules than the waw table we started from (one of them
    // re-shaping with 4/101, the other with 4/116), both chain 2, rest = last.
    const std::vector<TreeFacts> cases = {
        {"tah", 392,
         {{G(1, 188), 10}, {G(1, 119), 41}, {G(1, 175), 6}, {G(1, 220), 2}, {G(1, 235), 25}, {G(1, 237), 12},
          {G(1, 81), 44}, {G(1, 179), 23}, {G(4, 33), 122}, {G(4, 34), 25}, {G(1, 247), 59}},
         {{G(1, 242), 25}, {G(5, 124), 8}, {G(4, 131), 7}, {G(4, 134), 1}},
         {{G(1, 242), 81}, {G(5, 124), 18}, {G(4, 131), 17}, {G(4, 134), 4}, {G(4, 136), 2}},
         {{"S1", 10}, {"C1", 15}, {"C2", 116}, {"C3", 230}, {"C4", 19}},
         306, 74, -211, 290},
        {"waw", 390 + 2,
         {{G(1, 188), 10}, {G(1, 119), 39 + 2}, {G(1, 175), 6}, {G(1, 220), 2}, {G(1, 235), 25}, {G(1, 237), 12},
          {G(1, 81), 44}, {G(1, 179), 23}, {G(4, 33), 122}, {G(4, 34), 25}, {G(1, 247), 59}},
         {{G(4, 101), 31 + 1}, {G(4, 116), 6 + 1}, {G(4, 104), 2}},
         {{G(4, 101), 99}, {G(4, 116), 17}, {G(4, 104), 4}, {G(4, 117), 2}},
         {{"S1", 9}, {"S1 0", 1}, {"C1", 15}, {"C2", 114 + 2}, {"C3", 230}, {"C4", 19}},
         304 + 2, 74, -149, 359},
    };
    for (const TreeFacts& f : cases) {
        SCOPED_TRACE(f.name);
        int rules = 0, restLast = 0, restExplicit = 0;
        std::int32_t lowest = 0, highest = 0;
        std::map<GlyphId, int> perKey, under119, under433;
        std::map<std::string, int> reshapes;
        for (const FlatRow& row : FlattenTable(RequireTable(f.name))) {
            if (IsStart(row) || row.conditions.empty()) {
                ++rules;
                continue;
            }
            if (!IsShape(row)) continue;
            ++rules;
            const rules::Outcome& o = *row.outcome;
            const GlyphId c1 = RequiredGlyph(row, 1);
            ++perKey[c1];
            if (c1 == G(1, 119)) ++under119[o.glyphs[0]];
            if (c1 == G(4, 33)) ++under433[o.glyphs[0]];
            const std::string action = ActionName(o);
            ++reshapes[action == "S1" && o.lifts[0] == 0 ? "S1 0" : action];
            for (int i = 0; i < o.count; ++i) {
                lowest = std::min(lowest, o.lifts[i]);
                highest = std::max(highest, o.lifts[i]);
            }
            if (o.action != ActionKind::Chain) continue;
            if (o.count > 1 && o.rest == kRepeatLastLift) {
                ++restLast;
            } else {
                ++restExplicit;
                lowest = std::min(lowest, o.rest);
                highest = std::max(highest, o.rest);
            }
        }
        std::erase_if(perKey, [](const auto& entry) { return entry.second == 1; });
        EXPECT_EQ(rules, f.rules);
        EXPECT_EQ(perKey, f.blockRules);
        EXPECT_EQ(under119, f.c1FormsUnder119);
        EXPECT_EQ(under433, f.c1FormsUnder433);
        EXPECT_EQ(reshapes, f.reshapes);
        EXPECT_EQ(restLast, f.restLast);
        EXPECT_EQ(restExplicit, f.restExplicit);
        EXPECT_EQ(lowest, f.lowestLift);
        EXPECT_EQ(highest, f.highestLift);
    }
}

TEST(QafFamilyTables, TahRulesTestTheLettersAsCounted) {
    // Rules (that shape) testing c2's, c3's, c4's glyph, c2's flag, the
    // position and a code point; waw tests the same tree.
    for (const char* name : {"tah", "waw"}) {
        SCOPED_TRACE(name);
        std::map<std::string, int> tests;
        for (const FlatRow& row : FlattenTable(RequireTable(name))) {
            if (!IsShape(row) || IsStart(row)) continue;
            for (std::uint8_t k = 2; k <= 4; ++k)
                if (Tests(row, ConditionKind::GlyphEq, k)) ++tests["c" + std::to_string(k)];
            if (Tests(row, ConditionKind::AltSet, 2) || Tests(row, ConditionKind::AltClear, 2)) ++tests["flag"];
            if (Tests(row, ConditionKind::PosLe, 0) || Tests(row, ConditionKind::PosGt, 0)) ++tests["pos"];
            if (Tests(row, ConditionKind::CodeIn, 2) || Tests(row, ConditionKind::CodeIn, 4)) ++tests["code"];
        }
        const std::map<std::string, int> want = {{"c2", 365}, {"c3", 148}, {"c4", 19},
                                                 {"flag", 60}, {"pos", 40}, {"code", 7}};
        EXPECT_EQ(tests, want);
    }
}

// ---- Typing through the dispatcher -----------------------------------------------

Letter L(std::uint16_t code, GlyphId glyph, std::int32_t y = 0, std::uint8_t flags = 0) {
    return Letter{code, glyph, flags, y};
}
Letter Alt(std::uint16_t code, GlyphId glyph, std::int32_t y = 0) { return Letter{code, glyph, kAlt, y}; }

TEST(QafShaping, TypedAfterTheLettersBeforeIt) {
    RunTypingCases({
        {"first letter", {}, kQaf, G(2, 73), {}},
        {"after alef", {L(kAlef, G(1, 34))}, kQaf, G(2, 73), {}},
        // Kept as it stands: c1 lifts by 121 here, c2 by 51, c3 keeps its
        // glyph and lifts by 40 like the rest of the chain; alef ends it.
        {"1/119 then 3/129",
         {L(kAlef, G(1, 34)), L(kBeh, G(1, 133)), L(kBeh, G(5, 200)), L(kBeh, G(3, 129)), L(kBeh, G(1, 119))},
         kQaf,
         G(1, 235),
         {L(kAlef, G(1, 34)), L(kBeh, G(1, 133), -40), L(kBeh, G(5, 200), -40), L(kBeh, G(4, 151), -51),
          L(kBeh, G(4, 104), -121)}},
        {"a negative rest lowers the chain", {L(kBeh, G(1, 133)), L(kLam, G(2, 120))}, kQaf, G(1, 235),
         {L(kBeh, G(1, 133), 26), L(kLam, G(4, 105), -135)}},
        {"1/247, 1/128 as the third letter", {L(kBeh, G(1, 128)), L(kHeh, G(1, 247))}, kQaf, G(1, 235),
         {L(kBeh, G(2, 61), -235), L(kHeh, G(4, 108), -135)}},
        {"1/247, 1/128 as the fourth letter", {L(kBeh, G(1, 50)), L(kBeh, G(1, 128)), L(kHeh, G(1, 247))}, kQaf,
         G(1, 235), {L(kBeh, G(1, 50), 135), L(kBeh, G(2, 61), -235), L(kHeh, G(4, 108), -135)}},
        {"1/237 with an alternate c2 of no row", {Alt(kBeh, G(2, 200)), L(kKeheh, G(1, 237))}, kQaf, G(1, 235),
         {Alt(kBeh, G(2, 200), -195), L(kKeheh, G(4, 115), -135)}},
        {"1/81, 2/85 with a c3 of no row", {L(kBeh, G(1, 50)), L(kBeh, G(2, 85)), L(kLam, G(1, 81))}, kQaf,
         G(1, 235), {L(kBeh, G(1, 50), -195), L(kBeh, G(3, 137), -195), L(kLam, G(4, 115), -135)}},
        {"1/188 with a c2 of no row", {L(kBeh, G(2, 93)), L(kBeh, G(1, 188))}, kQaf, 0, {}},
        {"a c1 that is no key", {L(kBeh, G(1, 50))}, kQaf, 0, {}},
    });
}

TEST(QafShaping, TheLetterBeforeMayLieInThePreviousWord) {
    // A word that ends in alef: the qaf starts a chain of its own.
    ShapingBench afterAlef({}, {L(kBeh, G(1, 133)), L(kAlef, G(1, 34))});
    EXPECT_EQ(afterAlef.Type(kQaf), 1);
    ShapingBench::ExpectLetters(afterAlef.Current(), {L(kQaf, G(2, 73))});
    ShapingBench::ExpectLetters(afterAlef.Previous(), {L(kBeh, G(1, 133)), L(kAlef, G(1, 34))});
}

TEST(JeemShaping, TypedAfterTheLettersBeforeIt) {
    RunTypingCases({
        {"first letter", {}, kJeem, G(1, 182), {}},
        {"hah, khah and tcheh share the table", {L(kSeen, G(1, 208))}, kTcheh, G(1, 175),
         {L(kSeen, G(2, 138), -335)}},
        {"1/175, 1/174 as the third letter", {L(kSad, G(1, 174)), L(kJeem, G(1, 175))}, kJeem, G(1, 175),
         {L(kSad, G(3, 151), -149), L(kJeem, G(2, 107), -335)}},
        {"1/175, 1/174 as the fourth letter", {L(kBeh, G(1, 50)), L(kSad, G(1, 174)), L(kJeem, G(1, 175))}, kJeem,
         G(1, 175), {L(kBeh, G(1, 50), -153), L(kSad, G(3, 151), -149), L(kJeem, G(2, 107), -335)}},
        {"1/175 after a jeem", {L(kJeem, G(2, 228)), L(kJeem, G(1, 175))}, kJeem, G(1, 175),
         {L(kJeem, G(2, 228), -149), L(kJeem, G(2, 107), -335)}},
        {"4/33, 2/110 plain", {L(kBeh, G(2, 110)), L(kNoon, G(4, 33))}, kJeem, G(1, 175),
         {L(kBeh, G(4, 208), -362), L(kNoon, G(2, 225), -335)}},
        {"4/33, 2/110 alternate", {Alt(kBeh, G(2, 110)), L(kNoon, G(4, 33))}, kJeem, G(1, 175),
         {Alt(kBeh, G(1, 233), -328), L(kNoon, G(1, 157), -335)}},
        {"a small negative keep", {L(kBeh, G(1, 50)), L(kBeh, G(1, 128)), L(kHeh, G(1, 247))}, kJeem, G(1, 175),
         {L(kBeh, G(1, 50), 5), L(kBeh, G(2, 61), -365), L(kHeh, G(2, 48), -335)}},
        {"1/237 with 1/130, any flag", {Alt(kLam, G(1, 130)), L(kKeheh, G(1, 237))}, kJeem, G(1, 175),
         {Alt(kLam, G(1, 130), -318), L(kKeheh, G(4, 203), -335)}},
        {"1/237 with an alternate c2 of no row", {Alt(kBeh, G(2, 200)), L(kKeheh, G(1, 237))}, kJeem, 0, {}},
        {"1/237 with a plain c2 of no row", {L(kBeh, G(2, 200)), L(kKeheh, G(1, 237))}, kJeem, G(1, 175),
         {L(kBeh, G(2, 200), -318), L(kKeheh, G(2, 106), -335)}},
        // A three-letter outcome on a two-letter chain re-shapes two letters.
        {"the chain ends at alef", {L(kAlef, G(1, 34)), L(kBeh, G(2, 103)), L(kBeh, G(1, 119))}, kJeem, G(1, 175),
         {L(kAlef, G(1, 34)), L(kBeh, G(4, 204), -220), L(kBeh, G(2, 225), -335)}},
        {"a c1 that is no key", {L(kBeh, G(1, 50))}, kJeem, 0, {}},
    });
}

TEST(SadShaping, TypedAfterTheLettersBeforeIt) {
    RunTypingCases({
        {"after a dal", {L(kDal, G(1, 70))}, kSad, G(1, 250), {}},
        {"after a beh that began its chain", {L(kAlef, G(1, 34)), L(kBeh, G(1, 133))}, kDad, G(1, 216),
         {L(kAlef, G(1, 34)), L(kBeh, G(3, 192), -195)}},
        {"1/188, 1/215 alternate", {Alt(kBeh, G(1, 215)), L(kBeh, G(1, 188))}, kSad, G(1, 216),
         {Alt(kBeh, G(1, 233), -28), L(kBeh, G(4, 131), -195)}},
        {"1/188, 1/215 plain", {L(kBeh, G(1, 215)), L(kBeh, G(1, 188))}, kSad, G(1, 216),
         {L(kBeh, G(4, 128), -104), L(kBeh, G(1, 242), -195)}},
        {"4/34, 2/131 after keheh", {L(kKeheh, G(2, 131)), L(kHeh, G(4, 34))}, kSad, G(1, 216),
         {L(kKeheh, G(3, 143), -314), L(kHeh, G(1, 54), -195)}},
        {"4/34, 2/131 after gaf", {L(kGaf, G(2, 131)), L(kHeh, G(4, 34))}, kSad, G(1, 216),
         {L(kGaf, G(3, 143), -314), L(kHeh, G(1, 54), -195)}},
        {"4/34, 2/131 after lam", {L(kLam, G(2, 131)), L(kHeh, G(4, 34))}, kSad, G(1, 216),
         {L(kLam, G(3, 180), -314), L(kHeh, G(1, 54), -195)}},
        {"4/34, 2/131 after another letter", {L(kBeh, G(2, 131)), L(kHeh, G(4, 34))}, kSad, 0, {}},
        {"1/247, 1/248, 1/157", {L(kBeh, G(1, 157)), L(kBeh, G(1, 248)), L(kHeh, G(1, 247))}, kSad, G(1, 216),
         {L(kBeh, G(1, 170), 21), L(kBeh, G(5, 202), -314), L(kHeh, G(1, 54), -195)}},
        {"1/247, 1/248 with a c3 of no row", {L(kBeh, G(1, 50)), L(kBeh, G(1, 248)), L(kHeh, G(1, 247))}, kSad,
         G(1, 216), {L(kBeh, G(1, 50), 21), L(kBeh, G(5, 202), -314), L(kHeh, G(1, 54), -195)}},
        {"four letters re-shaped",
         {L(kBeh, G(4, 154)), L(kBeh, G(5, 161)), L(kBeh, G(3, 201)), L(kNoon, G(4, 33))}, kSad, G(1, 216),
         {L(kBeh, G(1, 241), -168), L(kBeh, G(5, 122), -144), L(kBeh, G(5, 129), -285),
          L(kNoon, G(1, 242), -195)}},
        {"a lam at c4 3/156", {L(kLam, G(3, 156)), L(kBeh, G(5, 154)), L(kBeh, G(3, 201)), L(kNoon, G(4, 33))},
         kSad, G(1, 216),
         {L(kLam, G(3, 138), -170), L(kBeh, G(5, 122), -144), L(kBeh, G(5, 129), -285),
          L(kNoon, G(1, 242), -195)}},
        {"a meem at c4 3/156", {L(kMeem, G(3, 156)), L(kBeh, G(5, 154)), L(kBeh, G(3, 201)), L(kNoon, G(4, 33))},
         kSad, G(1, 216),
         {L(kMeem, G(2, 148), -170), L(kBeh, G(5, 122), -144), L(kBeh, G(5, 129), -285),
          L(kNoon, G(1, 242), -195)}},
        {"1/188 with a c2 of no row", {L(kBeh, G(2, 93)), L(kBeh, G(1, 188))}, kSad, 0, {}},
        // The rest lift stops at the first letter of the chain.
        {"1/219 moves its chain only",
         {L(kBeh, G(1, 50)), L(kAlef, G(1, 34)), L(kBeh, G(1, 60)), L(kBeh, G(1, 61)), L(kBeh, G(1, 219))}, kSad,
         G(1, 216),
         {L(kBeh, G(1, 50)), L(kAlef, G(1, 34)), L(kBeh, G(1, 60), -236), L(kBeh, G(1, 61), -236),
          L(kBeh, G(4, 131), -195)}},
    });
}

TEST(SeenShaping, TypedAfterTheLettersBeforeIt) {
    RunTypingCases({
        {"after reh", {L(kReh, G(1, 90))}, kSeen, G(2, 65), {}},
        {"2/120 lowers the rest", {L(kBeh, G(1, 133)), L(kLam, G(2, 120))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 133), 20), L(kLam, G(3, 209), -210)}},
        {"1/244, 2/249", {L(kHeh, G(2, 249)), L(kMeem, G(1, 244))}, kSeen, G(1, 208),
         {L(kHeh, G(2, 160), -214), L(kMeem, G(4, 160), -210)}},
        {"1/244 with another c2", {L(kBeh, G(1, 50)), L(kMeem, G(1, 244))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 50), -214), L(kMeem, G(4, 160), -210)}},
        {"1/188, 4/235, 5/97",
         {L(kBeh, G(1, 40)), L(kBeh, G(5, 97)), L(kBeh, G(4, 235)), L(kBeh, G(1, 188))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 40), -38), L(kBeh, G(5, 255), -99), L(kBeh, G(5, 122), -60), L(kBeh, G(1, 117), -210)}},
        // Mended: c1 and c2 as after 5/97, the third tooth kept and moved with c2.
        {"1/188, 4/235, 5/118", {L(kBeh, G(5, 118)), L(kBeh, G(4, 235)), L(kBeh, G(1, 188))}, kSeen, G(1, 208),
         {L(kBeh, G(5, 118), -60), L(kBeh, G(5, 122), -60), L(kBeh, G(1, 117), -210)}},
        {"1/179, 3/183 after keheh", {L(kBeh, G(1, 50)), L(kKeheh, G(3, 183)), L(kMeem, G(1, 179))}, kSeen,
         G(1, 208), {L(kBeh, G(1, 50), -71), L(kKeheh, G(5, 218), -72), L(kMeem, G(4, 152), -210)}},
        {"1/179, 3/183 after gaf", {L(kBeh, G(1, 50)), L(kGaf, G(3, 183)), L(kMeem, G(1, 179))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 50), -63), L(kGaf, G(5, 218), -72), L(kMeem, G(4, 152), -210)}},
        {"4/33, 3/201, 5/112",
         {L(kBeh, G(1, 40)), L(kBeh, G(5, 112)), L(kBeh, G(3, 201)), L(kNoon, G(4, 33))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 40), 30), L(kBeh, G(3, 109), 31), L(kBeh, G(5, 122), -102), L(kNoon, G(1, 117), 0)}},
        {"4/33, 1/149, 3/163", {L(kBeh, G(3, 163)), L(kBeh, G(1, 149)), L(kNoon, G(4, 33))}, kSeen, G(1, 208),
         {L(kBeh, G(4, 154), -116), L(kBeh, G(5, 140), -253), L(kNoon, G(1, 242), -163)}},
        {"1/231 moves its chain only",
         {L(kAlef, G(1, 34)), L(kBeh, G(1, 60)), L(kBeh, G(1, 61)), L(kFeh, G(1, 231))}, kSeen, G(1, 208),
         {L(kAlef, G(1, 34)), L(kBeh, G(1, 60), -110), L(kBeh, G(1, 61), -110), L(kFeh, G(1, 171), -210)}},
    });
}

TEST(SeenShaping, OneLetterChainsMoveTheRestWithC1) {
    // These four rows keep c1's lift for the rest of the chain, 210, not the
    // 10000 that a literal "rest same" would give a one-letter chain.
    RunTypingCases({
        {"1/219", {L(kBeh, G(1, 60)), L(kBeh, G(1, 61)), L(kBeh, G(1, 219))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 60), -210), L(kBeh, G(1, 61), -210), L(kBeh, G(1, 219), -210)}},
        {"5/83", {L(kBeh, G(1, 60)), L(kFeh, G(5, 83))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 60), -210), L(kFeh, G(5, 83), -210)}},
        {"3/209", {L(kBeh, G(1, 60)), L(kKeheh, G(3, 209))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 60), -210), L(kKeheh, G(3, 209), -210)}},
        {"1/237 with a plain c2", {L(kBeh, G(1, 60)), L(kBeh, G(2, 239)), L(kKeheh, G(1, 237))}, kSeen, G(1, 208),
         {L(kBeh, G(1, 60), -210), L(kBeh, G(2, 239), -210), L(kKeheh, G(4, 166), -210)}},
    });
}

TEST(TahShaping, TypedAfterTheLettersBeforeIt) {
    RunTypingCases({
        {"after waw", {L(kWaw, G(1, 83))}, kTah, G(2, 222), {}},
        {"after a beh that began its chain", {L(kAlef, G(1, 34)), L(kBeh, G(1, 133))}, kZah, G(1, 220),
         {L(kAlef, G(1, 34)), L(kBeh, G(3, 192), -40)}},
        {"1/175, 1/174 as the third letter", {L(kSad, G(1, 174)), L(kJeem, G(1, 175))}, kTah, G(1, 220),
         {L(kSad, G(3, 151), 76), L(kJeem, G(4, 133), -40)}},
        {"1/175, 1/174 as the fourth letter", {L(kBeh, G(1, 50)), L(kSad, G(1, 174)), L(kJeem, G(1, 175))}, kTah,
         G(1, 220), {L(kBeh, G(1, 50), 72), L(kSad, G(3, 151), 76), L(kJeem, G(4, 133), -40)}},
        {"a tah after a tah that began its chain", {L(kTah, G(2, 222))}, kTah, G(1, 220),
         {L(kTah, G(3, 95), -40)}},
        {"a third tah", {L(kTah, G(3, 95)), L(kTah, G(1, 220))}, kTah, G(1, 220),
         {L(kTah, G(1, 63), -80), L(kTah, G(1, 63), -40)}},
        {"a tah after a joined tah", {L(kBeh, G(1, 50)), L(kTah, G(1, 220))}, kTah, G(1, 220),
         {L(kBeh, G(1, 50), -80), L(kTah, G(1, 63), -40)}},
        // Kept as it stands: 84, where sad's row lowered would give 81.
        {"1/237, 1/206", {L(kBeh, G(1, 206)), L(kKeheh, G(1, 237))}, kTah, G(1, 220),
         {L(kBeh, G(1, 206), -84), L(kKeheh, G(1, 164), -40)}},
        {"1/237 with an alternate c2 of no row", {Alt(kBeh, G(2, 200)), L(kKeheh, G(1, 237))}, kTah, G(1, 220),
         {Alt(kBeh, G(2, 200), -76), L(kKeheh, G(1, 164), -40)}},
        {"4/33, 3/201, 5/157, 4/151",
         {L(kBeh, G(1, 40)), L(kBeh, G(4, 151)), L(kBeh, G(5, 157)), L(kBeh, G(3, 201)), L(kNoon, G(4, 33))}, kTah,
         G(1, 220),
         {L(kBeh, G(1, 40), -26), L(kBeh, G(5, 72), -44), L(kBeh, G(5, 122), 11), L(kBeh, G(5, 129), -130),
          L(kNoon, G(1, 242), -40)}},
        {"a c1 in a final form", {L(kBeh, G(1, 71))}, kTah, 0, {}},
    });
}

TEST(WawShaping, TypedAfterTheLettersBeforeIt) {
    RunTypingCases({
        {"after a joined jeem", {L(kBeh, G(1, 50)), L(kJeem, G(1, 175))}, kWaw, G(4, 34),
         {L(kBeh, G(1, 50), 27), L(kJeem, G(4, 107), 0)}},
        {"after a jeem that began its chain", {L(kJeem, G(1, 182))}, kWaw, G(4, 34), {L(kJeem, G(1, 153), 0)}},
        {"1/247, 2/42, 1/40", {L(kBeh, G(1, 40)), L(kBeh, G(2, 42)), L(kHeh, G(1, 247))}, kWaw, G(2, 178),
         {L(kBeh, G(1, 241), 69), L(kBeh, G(5, 206), -221), L(kHeh, G(4, 108), -121)}},
        {"1/119, 3/129", {L(kBeh, G(1, 40)), L(kBeh, G(3, 129)), L(kBeh, G(1, 119))}, kWaw, G(2, 178),
         {L(kBeh, G(1, 40), -26), L(kBeh, G(4, 151), -51), L(kBeh, G(4, 104), -121)}},
        // After ain and beh, as in a word like ain-beh-waw-reh: the pair that
        // tah has there, lowered from qaf's.
        {"1/119, 2/255 plain", {L(kAin, G(2, 255)), L(kBeh, G(1, 119))}, kWaw, G(2, 178),
         {L(kAin, G(4, 129), -77), L(kBeh, G(4, 101), -121)}},
        {"1/119, 2/255 alternate", {Alt(kAin, G(2, 255)), L(kBeh, G(1, 119))}, kWaw, G(2, 178),
         {Alt(kAin, G(1, 58), -39), L(kBeh, G(4, 116), -121)}},
        {"a c1 that is no key", {L(kBeh, G(1, 50))}, kWaw, 0, {}},
    });
}

}  // namespace
}  // namespace kavitro::test
