// The evaluator on a small hand-made table, and the structure of every table
// compiled into the engine.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/CalligraphyEngine.h"
#include "engine/CodePointTable.h"
#include "engine/RuleEvaluator.h"
#include "engine/TextModificationEvaluator.h"
#include "engine/rules/RuleTable.h"
#include "tests/engine/EngineWords.h"

namespace kavitro::test {
namespace {

using rules::ActionKind;
using rules::Condition;
using rules::ConditionKind;
using rules::Node;
using rules::Outcome;
using rules::RuleTable;
using rules::Verdict;

Outcome Leaf(Verdict verdict, GlyphId glyph0) {
    return {verdict, glyph0, ActionKind::None, 0, {}, {}, 0, rules::Origin::Given, 0};
}

// c1=1/100:
//   c2=1/1 -> A
//   c2.code=0645|0647 -> B
// c1=1/100..1/110 -> C
// c1.alt pos>2 mode!=0 -> D
// start -> E
// -> refuse
constexpr std::uint16_t kCodes[] = {0x0645, 0x0647};
const Condition kConditions[] = {
    {ConditionKind::GlyphEq, 1, G(1, 100), 0}, {ConditionKind::GlyphEq, 2, G(1, 1), 0},
    {ConditionKind::CodeIn, 2, 0, 2},          {ConditionKind::GlyphRange, 1, G(1, 100), G(1, 110)},
    {ConditionKind::AltSet, 1, 0, 0},          {ConditionKind::PosGt, 0, 2, 0},
    {ConditionKind::ModeNonZero, 0, 0, 0},     {ConditionKind::ChainStart, 0, 0, 0},
};
const Node kNodes[] = {
    {0, 1, 3, -1, 1}, {1, 1, 2, 0, 2}, {2, 1, 3, 1, 3}, {3, 1, 4, 2, 4}, {4, 3, 5, 3, 5}, {7, 1, 6, 4, 6}, {8, 0, 7, 5, 7},
};
const Outcome kOutcomes[] = {
    Leaf(Verdict::Shape, G(2, 1)), Leaf(Verdict::Shape, G(2, 2)), Leaf(Verdict::Shape, G(2, 3)),
    Leaf(Verdict::Shape, G(2, 4)), Leaf(Verdict::Shape, G(2, 5)), Leaf(Verdict::Refuse, 0),
};
const RuleTable kTable = {"test", rules::TableKind::Letter, kNodes, kConditions, kCodes, kOutcomes};

RuleContext Context(CCalligraphyCharacter c1, CCalligraphyCharacter c2, std::int32_t pos, std::int32_t mode,
                    bool chainStart) {
    RuleContext context;
    context.c[1] = c1;
    context.c[2] = c2;
    context.pos = pos;
    context.mode = mode;
    context.chainStart = chainStart;
    return context;
}

CCalligraphyCharacter Char(std::uint16_t code, GlyphId glyph, bool alternate = false) {
    return MakeWord({{code, glyph, alternate}}).m_characters[0];
}

TEST(RuleEvaluatorTest, FirstMatchWithBlocksThatFallThrough) {
    struct Case {
        const char* what;
        RuleContext context;
        const Outcome* expected;
    };
    const Case cases[] = {
        {"block, first row", Context(Char(kBeh, G(1, 100)), Char(kBeh, G(1, 1)), 0, 0, false), &kOutcomes[0]},
        {"block, code row", Context(Char(kBeh, G(1, 100)), Char(kHeh, G(1, 2)), 0, 0, false), &kOutcomes[1]},
        {"block falls through", Context(Char(kBeh, G(1, 100)), Char(kLam, G(1, 2)), 0, 0, false), &kOutcomes[2]},
        {"range, upper end", Context(Char(kBeh, G(1, 110)), {}, 0, 0, false), &kOutcomes[2]},
        {"alt, pos and mode", Context(Char(kBeh, G(1, 50), true), {}, 3, 1, false), &kOutcomes[3]},
        {"pos too small", Context(Char(kBeh, G(1, 50), true), {}, 2, 1, false), &kOutcomes[5]},
        {"mode 0", Context(Char(kBeh, G(1, 50), true), {}, 3, 0, true), &kOutcomes[4]},
        {"empty c1 at a chain start", Context({}, {}, 0, 0, true), &kOutcomes[4]},
    };
    for (const Case& c : cases) EXPECT_EQ(CRuleEvaluator::FindFirstMatch(kTable, c.context), c.expected) << c.what;
}

TEST(RuleEvaluatorTest, NoRowOrABackwardSkipMatchesNothing) {
    const Node noElse[] = {{0, 1, 1, 0, 1}};
    const RuleTable table = {"test", rules::TableKind::Letter, noElse, kConditions, kCodes, kOutcomes};
    EXPECT_EQ(CRuleEvaluator::FindFirstMatch(table, RuleContext{}), nullptr);

    const Node loop[] = {{0, 1, 0, -1, 1}};
    const RuleTable broken = {"test", rules::TableKind::Letter, loop, kConditions, kCodes, kOutcomes};
    EXPECT_EQ(CRuleEvaluator::FindFirstMatch(broken, RuleContext{}), nullptr);
}

bool ValidGlyph(GlyphId glyph) {
    return glyph >> 16 >= 1 && glyph >> 16 <= 5 && (glyph & 0xFFFF) >= 1 && (glyph & 0xFFFF) <= 255;
}

bool PerLetter(ConditionKind kind) {
    return kind != ConditionKind::ChainStart && kind != ConditionKind::PosLe && kind != ConditionKind::PosGt &&
           kind != ConditionKind::ModeZero && kind != ConditionKind::ModeNonZero;
}

// Blocks nest inside their parent's range and every leaf names its own outcome.
void CheckNodes(const RuleTable& table, std::size_t begin, std::size_t end, std::set<std::int32_t>& outcomes) {
    for (std::size_t i = begin; i < end;) {
        const Node& node = table.nodes[i];
        ASSERT_GT(node.skip, i) << table.name << " node " << i;
        ASSERT_LE(node.skip, end) << table.name << " node " << i;
        ASSERT_LE(std::size_t{node.conditionBegin} + node.conditionCount, table.conditions.size());
        if (node.outcome >= 0) {
            EXPECT_EQ(node.skip, i + 1) << table.name << " line " << node.line;
            ASSERT_LT(static_cast<std::size_t>(node.outcome), table.outcomes.size());
            EXPECT_TRUE(outcomes.insert(node.outcome).second) << table.name << " line " << node.line;
        } else {
            EXPECT_GT(node.skip, i + 1) << table.name << " empty block, line " << node.line;
            CheckNodes(table, i + 1, node.skip, outcomes);
        }
        i = node.skip;
    }
}

// The compiled tables are searched through an index of their rows of
// glyph tests; a copy of a table (the same rows at another address) is
// walked row by row. Both must find the same first row for any letters,
// drawn from the glyphs and codes the table tests so that deep rows hold.
TEST(CompiledTablesTest, IndexedSearchFindsTheRowTheWalkFinds) {
    std::mt19937 random(20240611);
    for (const RuleTable& table : rules::AllRuleTables()) {
        SCOPED_TRACE(std::string(table.name));
        const RuleTable walked = table;
        std::vector<GlyphId> glyphs = {G(1, 1)};
        for (const Condition& condition : table.conditions) {
            if (condition.kind == ConditionKind::GlyphEq || condition.kind == ConditionKind::GlyphRange)
                glyphs.push_back(condition.a);
        }
        std::vector<std::uint16_t> codes(table.codes.begin(), table.codes.end());
        codes.push_back(kBeh);
        for (int n = 0; n < 3000; ++n) {
            RuleContext context;
            for (std::size_t k = 1; k < context.c.size(); ++k) {
                context.c[k].m_code = codes[random() % codes.size()];
                context.c[k].SetGlyph(glyphs[random() % glyphs.size()]);
                context.c[k].m_flags = static_cast<std::uint8_t>(random() % 2);
            }
            context.pos = static_cast<std::int32_t>(random() % 8);
            context.mode = static_cast<std::int32_t>(random() % 2);
            context.chainStart = random() % 2 == 1;
            const Outcome* found = CRuleEvaluator::FindFirstMatch(table, context);
            ASSERT_EQ(found, CRuleEvaluator::FindFirstMatch(walked, context)) << "case " << n;
        }
    }
}

// The same for the glyph-variant and glyph-swap tables, whose rows read
// the target letter and its two neighbours.
TEST(CompiledTablesTest, IndexedSearchOfModificationTablesFindsTheRowTheWalkFinds) {
    std::mt19937 random(20240612);
    for (const rules::ModificationTable& table : rules::AllModificationTables()) {
        SCOPED_TRACE(std::string(table.name));
        const rules::ModificationTable walked = table;
        std::vector<GlyphId> glyphs = {G(1, 1)};
        for (const Condition& condition : table.conditions)
            if (condition.kind == ConditionKind::GlyphEq) glyphs.push_back(condition.a);
        std::vector<std::uint16_t> codes(table.codes.begin(), table.codes.end());
        codes.push_back(kBeh);
        for (int n = 0; n < 3000; ++n) {
            TextModificationContext context;
            for (CCalligraphyCharacter* c : {&context.target, &context.previous, &context.next}) {
                c->m_code = codes[random() % codes.size()];
                c->SetGlyph(glyphs[random() % glyphs.size()]);
            }
            ASSERT_EQ(CTextModificationEvaluator::FindFirstMatch(table, context),
                      CTextModificationEvaluator::FindFirstMatch(walked, context))
                << "case " << n;
        }
    }
}

TEST(CompiledTablesTest, EveryTableIsWellFormedAndUsedByTheEngine) {
    std::set<std::string> known = {"wordend", "alternate"};
    for (std::size_t g = 0; g < kLetterGroupCount; ++g)
        known.insert(std::string(LetterGroupTableName(static_cast<LetterGroup>(g))));

    ASSERT_NE(rules::FindRuleTable("wordend"), nullptr);
    ASSERT_NE(rules::FindRuleTable("alternate"), nullptr);
    for (const RuleTable& table : rules::AllRuleTables()) {
        SCOPED_TRACE(std::string(table.name));
        EXPECT_TRUE(known.count(std::string(table.name))) << "no routine uses this table";
        const rules::TableKind kind = table.name == "wordend"     ? rules::TableKind::Wordend
                                      : table.name == "alternate" ? rules::TableKind::Alternate
                                                                  : rules::TableKind::Letter;
        EXPECT_EQ(table.kind, kind);

        std::set<std::int32_t> outcomes;
        CheckNodes(table, 0, table.nodes.size(), outcomes);
        EXPECT_EQ(outcomes.size(), table.outcomes.size());

        for (const Condition& c : table.conditions) {
            if (PerLetter(c.kind)) {
                EXPECT_TRUE(c.k >= 1 && c.k <= 5);
            }
            if (c.kind == ConditionKind::CodeIn || c.kind == ConditionKind::CodeNotIn) {
                EXPECT_LE(std::size_t{c.a} + c.b, table.codes.size());
            }
            if (c.kind == ConditionKind::GlyphEq || c.kind == ConditionKind::GlyphNe) {
                EXPECT_TRUE(ValidGlyph(c.a));
            }
        }
        for (const Outcome& o : table.outcomes) {
            if (o.verdict != Verdict::Shape) continue;
            if (table.kind == rules::TableKind::Letter) {
                EXPECT_TRUE(ValidGlyph(o.glyph0)) << "line " << o.line;
            }
            const int named = o.action == ActionKind::Chain ? o.count : o.action == ActionKind::None ? 0 : 1;
            EXPECT_TRUE(named >= 0 && named <= 5) << "line " << o.line;
            for (int k = 0; k < named; ++k)
                EXPECT_TRUE(ValidGlyph(o.glyphs[k]) || o.glyphs[k] == rules::kKeepGlyph) << "line " << o.line;
        }

        // Letter and word-end tables open with the row for a letter that
        // begins a chain.
        ASSERT_FALSE(table.nodes.empty());
        if (kind == rules::TableKind::Alternate) continue;
        const Node& first = table.nodes[0];
        ASSERT_EQ(first.conditionCount, 1u);
        EXPECT_EQ(table.conditions[first.conditionBegin].kind, ConditionKind::ChainStart);
        EXPECT_GE(first.outcome, 0);
    }
}

}  // namespace
}  // namespace kavitro::test
