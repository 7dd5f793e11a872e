// Final forms given to the last letters of a word when a word-end character
// arrives, and the shape of the compiled word-end table.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/CalligraphyEngine.h"
#include "engine/rules/RuleTable.h"
#include "tests/engine/EngineWords.h"

namespace kavitro::test {
namespace {

// A space typed after the letters; the expected shapes are the letters' own.
void RunCases(const std::vector<WordCase>& cases) {
    RunWordCases(cases, [](CCalligraphyEngine& engine, const CCalligraphyWord& word, const WordCase& c) {
        ASSERT_EQ(engine.AppendCharacter(kSpace), 1);
        ASSERT_EQ(word.m_characters.size(), c.letters.size() + 1);
    });
}

TEST(WordEndFormsTest, LoneLettersTakeTheirIsolatedForms) {
    RunCases({
        {"beh", {{kBeh, G(1, 133)}}, {{G(1, 66), 0}}},
        {"beh, alternate", {{kBeh, G(1, 133), kAlt}}, {{G(1, 67), 0}}},
        {"noon", {{kNoon, G(1, 133), kAlt}}, {{G(1, 84), 0}}},
        {"hamza", {{kHamza, G(1, 133)}}, {{G(1, 86), 0}}},
        {"farsi yeh, alternate", {{kYeh, G(1, 133), kAlt}}, {{G(1, 87), 0}}},
        {"jeem", {{kJeem, G(1, 182)}}, {{G(1, 68), 0}}},
        {"seen", {{kSeen, G(2, 65)}}, {{G(1, 90), 0}}},
        {"seen, alternate", {{kSeen, G(2, 65), kAlt}}, {{G(1, 73), 0}}},
        {"sad", {{kSad, G(1, 250)}}, {{G(1, 74), 0}}},
        {"tah", {{kTah, G(2, 222)}}, {{G(1, 72), 0}}},
        {"ain", {{kAin, G(1, 172)}}, {{G(1, 78), 0}}},
        {"feh", {{kFeh, G(2, 73)}}, {{G(1, 88), 0}}},
        {"feh, alternate", {{kFeh, G(2, 73), kAlt}}, {{G(1, 77), 0}}},
        {"qaf", {{kQaf, G(2, 73)}}, {{G(1, 76), 0}}},
        {"feh glyph on another letter", {{kBeh, G(2, 73)}}, {{G(2, 73), 0}}},
        {"keheh", {{kKeheh, G(1, 229)}}, {{G(1, 79), 0}}},
        {"gaf, alternate", {{kGaf, G(1, 229), kAlt}}, {{G(1, 80), 0}}},
        {"lam", {{kLam, G(1, 229)}}, {{G(1, 81), 0}}},
        {"kaf glyph on another letter", {{kBeh, G(1, 229)}}, {{G(1, 229), 0}}},
        {"meem", {{kMeem, G(2, 216)}}, {{G(1, 82), 0}}},
        {"heh", {{kHeh, G(2, 75)}}, {{G(1, 85), 0}}},
    });
}

TEST(WordEndFormsTest, LettersThatJoinNothingOrShowNoKeyAreLeftAlone) {
    RunCases({
        {"alef", {{kBeh, G(1, 188)}, {kAlef, G(1, 133)}}, {{G(1, 188), 0}, {G(1, 133), 0}}},
        {"dal", {{kDal, G(1, 133)}}, {{G(1, 133), 0}}},
        {"reh", {{kReh, G(1, 133), kAlt}}, {{G(1, 133), 0}}},
        {"unknown glyph", {{kBeh, G(1, 5)}, {kBeh, G(2, 2), kAlt}}, {{G(1, 5), 0}, {G(2, 2), 0}}},
        {"joined kaf after a letter outside its table", {{kBeh, G(1, 5)}, {kKeheh, G(3, 209)}},
         {{G(1, 5), 0}, {G(3, 209), 0}}},
        // No key: the alternate-form rules decide (1/237 with the flag becomes 1/236).
        {"alternate fallback", {{kBeh, G(1, 5)}, {kKeheh, G(1, 237), kAlt}}, {{G(1, 5), 0}, {G(1, 236), 0}}},
    });
}

TEST(WordEndFormsTest, DeeperRowsReshapeTheChain) {
    RunCases({
        {"kaf after 2/36 and 1/40",
         {{kBeh, G(1, 9)}, {kBeh, G(1, 40)}, {kBeh, G(2, 36)}, {kKeheh, G(3, 209)}},
         {{G(1, 9), 154}, {G(1, 241), 154}, {G(1, 195), -36}, {G(1, 237), 0}}},
        {"three letters: the three-letter form",
         {{kBeh, G(3, 60)}, {kBeh, G(3, 112)}, {kKeheh, G(3, 209)}},
         {{G(2, 155), -138}, {G(1, 195), -36}, {G(1, 237), 0}}},
        {"four letters: the form that also moves c4",
         {{kBeh, G(1, 9)}, {kBeh, G(3, 60)}, {kBeh, G(3, 112)}, {kKeheh, G(3, 209)}},
         {{G(1, 9), 152}, {G(2, 155), -138}, {G(1, 195), -46}, {G(1, 237), 0}}},
        {"3/114 after keheh",
         {{kBeh, G(3, 114)}, {kBeh, G(2, 136)}, {kKeheh, G(3, 209)}},
         {{G(2, 219), 157}, {G(2, 203), -36}, {G(1, 237), 0}}},
        {"3/114 after lam",
         {{kBeh, G(3, 114)}, {kBeh, G(2, 136)}, {kLam, G(3, 209)}},
         {{G(2, 215), 157}, {G(2, 203), -36}, {G(1, 237), 0}}},
        {"3/114 after another letter",
         {{kBeh, G(3, 114)}, {kBeh, G(2, 136)}, {kBeh, G(3, 209)}},
         {{G(3, 114), 0}, {G(2, 136), 0}, {G(3, 209), 0}}},
        {"c4 meem",
         {{kMeem, G(4, 153)}, {kBeh, G(3, 107)}, {kBeh, G(4, 181)}, {kBeh, G(1, 219)}},
         {{G(1, 139), 23}, {G(5, 118), 90}, {G(4, 235), -208}, {G(1, 188), 0}}},
        {"c4 heh",
         {{kHeh, G(4, 153)}, {kBeh, G(3, 107)}, {kBeh, G(4, 181)}, {kBeh, G(1, 219)}},
         {{G(3, 97), 23}, {G(5, 118), 90}, {G(4, 235), -208}, {G(1, 188), 0}}},
        {"yeh with its own rest lift",
         {{kBeh, G(1, 9)}, {kBeh, G(4, 184)}, {kBeh, G(3, 112)}, {kBeh, G(3, 112)}, {kYeh, G(1, 219)}},
         {{G(1, 9), -44}, {G(4, 151), -336}, {G(4, 169), -313}, {G(2, 187), -27}, {G(4, 33), 0}}},
        {"noon lowers the rest",
         {{kBeh, G(1, 9)}, {kBeh, G(3, 130)}, {kBeh, G(4, 185)}, {kNoon, G(1, 219)}},
         {{G(1, 9), 42}, {G(5, 106), 118}, {G(1, 149), -27}, {G(4, 33), 0}}},
        {"c2 outside its table", {{kBeh, G(1, 5)}, {kBeh, G(2, 200)}, {kKeheh, G(3, 209)}},
         {{G(1, 5), 0}, {G(2, 200), 0}, {G(3, 209), 0}}},
        {"joined beh on another code goes to the alternate rules",
         {{kBeh, G(2, 43)}, {kJeem, G(1, 219)}}, {{G(2, 43), 0}, {G(1, 219), 0}}},
    });
}

// The table's rows in their flat form: every leaf with the conditions of the
// blocks around it.
struct Row {
    std::vector<rules::Condition> conditions;
    const rules::Outcome* outcome;
};

std::vector<Row> FlatRows(const rules::RuleTable& table) {
    std::vector<Row> rows;
    std::function<void(std::size_t, std::size_t, std::vector<rules::Condition>)> visit =
        [&](std::size_t begin, std::size_t end, std::vector<rules::Condition> inherited) {
            for (std::size_t i = begin; i < end; i = table.nodes[i].skip) {
                const rules::Node& node = table.nodes[i];
                std::vector<rules::Condition> conditions = inherited;
                for (std::uint32_t j = 0; j < node.conditionCount; ++j)
                    conditions.push_back(table.conditions[node.conditionBegin + j]);
                if (node.outcome >= 0)
                    rows.push_back({conditions, &table.outcomes[static_cast<std::size_t>(node.outcome)]});
                else
                    visit(i + 1, node.skip, conditions);
            }
        };
    visit(0, table.nodes.size(), {});
    return rows;
}

bool Tests(const Row& row, rules::ConditionKind kind, std::uint8_t k, std::uint32_t a) {
    for (const rules::Condition& c : row.conditions)
        if (c.kind == kind && c.k == k && c.a == a) return true;
    return false;
}

bool TestsKind(const Row& row, rules::ConditionKind kind, std::uint8_t k) {
    for (const rules::Condition& c : row.conditions)
        if (c.kind == kind && c.k == k) return true;
    return false;
}

bool TestsCode(const rules::RuleTable& table, const Row& row, std::uint16_t code) {
    for (const rules::Condition& c : row.conditions)
        if (c.kind == rules::ConditionKind::CodeIn && c.k == 1)
            for (std::uint16_t listed : table.codes.subspan(c.a, c.b))
                if (listed == code) return true;
    return false;
}

TEST(WordEndFormsTest, CompiledTableHasTheExpectedRowsAndActions) {
    const rules::RuleTable* table = rules::FindRuleTable("wordend");
    ASSERT_NE(table, nullptr);
    const std::vector<Row> rows = FlatRows(*table);
    ASSERT_EQ(rows.size(), 568u);

    int reshape = 0, nothing = 0, alternate = 0, setGlyph = 0, chains = 0;
    int c1Joined[4] = {};  // 4/33, 1/237, 1/119 or 1/188, other
    int c4Glyph = 0, position = 0, under3209 = 0, blocks[3] = {};
    for (const Row& row : rows) {
        const rules::Outcome& o = *row.outcome;
        EXPECT_FALSE(TestsKind(row, rules::ConditionKind::ModeZero, 0) ||
                     TestsKind(row, rules::ConditionKind::ModeNonZero, 0));
        reshape += o.verdict == rules::Verdict::Shape;
        nothing += o.verdict == rules::Verdict::Nothing;
        alternate += o.verdict == rules::Verdict::Alternate;
        if (o.action == rules::ActionKind::SetGlyph1) {
            ++setGlyph;
            EXPECT_EQ(o.lifts[0], 0) << "line " << o.line;
        }
        if (o.action == rules::ActionKind::Chain) {
            ++chains;
            EXPECT_TRUE(o.count == 3 || o.count == 4) << "line " << o.line;
            EXPECT_EQ(o.lifts[0], 0) << "line " << o.line;
            const GlyphId g1 = o.glyphs[0];
            ++c1Joined[g1 == G(4, 33) ? 0 : g1 == G(1, 237) ? 1 : (g1 == G(1, 119) || g1 == G(1, 188)) ? 2 : 3];
            for (int k = 0; k < o.count; ++k) {
                EXPECT_GE(o.lifts[k], -299) << "line " << o.line;
                EXPECT_LE(o.lifts[k], 336) << "line " << o.line;
            }
        }
        c4Glyph += TestsKind(row, rules::ConditionKind::GlyphEq, 4);
        position += TestsKind(row, rules::ConditionKind::PosLe, 0) || TestsKind(row, rules::ConditionKind::PosGt, 0);
        if (Tests(row, rules::ConditionKind::GlyphEq, 1, G(3, 209))) {
            ++under3209;
            if (o.action == rules::ActionKind::Chain) {
                EXPECT_EQ(o.glyphs[0], G(1, 237));
                EXPECT_TRUE(o.lifts[1] == 36 || o.lifts[1] == 46) << "line " << o.line;
            }
        }
        if (Tests(row, rules::ConditionKind::GlyphEq, 1, G(1, 219))) {
            const bool beh = TestsCode(*table, row, kBeh), noon = TestsCode(*table, row, kNoon),
                       yeh = TestsCode(*table, row, kYeh);
            blocks[0] += beh;
            blocks[1] += noon;
            blocks[2] += yeh;
            if (o.action == rules::ActionKind::Chain && beh) {
                const bool joined188 = o.glyphs[0] == G(1, 188);
                EXPECT_EQ(o.lifts[1], joined188 ? 208 : 169) << "line " << o.line;
                if (joined188) {
                    EXPECT_TRUE(o.glyphs[1] == G(4, 235) || o.glyphs[1] == G(1, 207));
                }
            }
            if (o.action == rules::ActionKind::Chain && (noon || yeh)) {
                EXPECT_EQ(o.glyphs[0], G(4, 33));
                EXPECT_EQ(o.lifts[1], 27) << "line " << o.line;
            }
        }
    }
    EXPECT_EQ(reshape, 513);
    EXPECT_EQ(nothing, 52);
    EXPECT_EQ(alternate, 3);
    EXPECT_EQ(setGlyph, 19);
    EXPECT_EQ(chains, 494);
    EXPECT_EQ(c1Joined[0], 258);
    EXPECT_EQ(c1Joined[1], 103);
    EXPECT_EQ(c1Joined[2], 133);
    EXPECT_EQ(c1Joined[3], 0);
    EXPECT_EQ(c4Glyph, 136);
    EXPECT_EQ(position, 14);
    EXPECT_EQ(under3209, 113);
    EXPECT_EQ(blocks[0], 147);
    EXPECT_EQ(blocks[1], 146);
    EXPECT_EQ(blocks[2], 138);
}

}  // namespace
}  // namespace kavitro::test
