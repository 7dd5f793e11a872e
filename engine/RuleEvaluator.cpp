#include "engine/RuleEvaluator.h"

#include <algorithm>
#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "engine/CalligraphyEngine.h"

namespace kavitro {

using rules::ActionKind;
using rules::Condition;
using rules::ConditionKind;
using rules::Outcome;
using rules::RuleTable;

namespace {

// The tables list one block per glyph of c1 (and, inside them, of c2 and so
// on) as a row of sibling nodes whose first condition is "glyph of ck == a".
// A walk would try the siblings one by one; the index finds the next sibling
// for the glyph at hand by a sorted look-up. The siblings it passes over
// would all fail that first condition, so the first row that holds is the
// same.
struct GlyphRow {
    std::uint8_t k = 0;
    std::uint32_t end = 0;  // where the walk goes after the last sibling of the row
    std::vector<std::pair<GlyphId, std::uint32_t>> nodes;  // (glyph, node index), sorted
};

struct TableIndex {
    std::vector<std::int32_t> rowOf;  // per node: the row it belongs to, or -1
    std::vector<GlyphRow> rows;
};

const Condition* FirstGlyphTest(const RuleTable& table, const rules::Node& node) {
    if (node.conditionCount == 0) return nullptr;
    const Condition& first = table.conditions[node.conditionBegin];
    constexpr std::size_t kLetters = std::tuple_size_v<decltype(RuleContext::c)>;
    return first.kind == ConditionKind::GlyphEq && first.k < kLetters ? &first : nullptr;
}

// Indexes the siblings from node `begin` (following skips) up to `end`, and
// the children of every block among them.
void IndexSiblings(const RuleTable& table, std::uint32_t begin, std::uint32_t end, TableIndex& index) {
    std::uint32_t i = begin;
    while (i < end) {
        const Condition* test = FirstGlyphTest(table, table.nodes[i]);
        if (test == nullptr) {
            if (table.nodes[i].outcome < 0) IndexSiblings(table, i + 1, table.nodes[i].skip, index);
            i = table.nodes[i].skip;
            continue;
        }
        // The row's place is taken first: the rows inside its blocks follow it.
        const auto id = static_cast<std::int32_t>(index.rows.size());
        index.rows.emplace_back();
        GlyphRow row;
        row.k = test->k;
        while (i < end && (test = FirstGlyphTest(table, table.nodes[i])) != nullptr && test->k == row.k) {
            row.nodes.emplace_back(test->a, i);
            index.rowOf[i] = id;
            if (table.nodes[i].outcome < 0) IndexSiblings(table, i + 1, table.nodes[i].skip, index);
            i = table.nodes[i].skip;
        }
        row.end = i;
        std::sort(row.nodes.begin(), row.nodes.end());
        index.rows[static_cast<std::size_t>(id)] = std::move(row);
    }
}

TableIndex BuildIndex(const RuleTable& table) {
    // Only a well-formed table: every node's subtree ends after it and inside
    // the table. A malformed one is walked node by node.
    const auto size = static_cast<std::uint32_t>(table.nodes.size());
    for (std::uint32_t i = 0; i < size; ++i) {
        const rules::Node& node = table.nodes[i];
        const bool conditionsInside = std::size_t{node.conditionBegin} + node.conditionCount <= table.conditions.size();
        if (node.skip <= i || node.skip > size || !conditionsInside) return {};
    }
    TableIndex index;
    index.rowOf.assign(size, -1);
    IndexSiblings(table, 0, size, index);
    return index;
}

struct CompiledIndexes {
    std::span<const RuleTable> tables;
    std::vector<TableIndex> indexes;  // one per table, in the same order
};

// The compiled tables are indexed once; any other table has no index.
const TableIndex* FindIndex(const RuleTable& table) {
    static const CompiledIndexes compiled = [] {
        CompiledIndexes built{rules::AllRuleTables(), {}};
        for (const RuleTable& t : built.tables) built.indexes.push_back(BuildIndex(t));
        return built;
    }();
    const std::less<const RuleTable*> before;
    const RuleTable* first = compiled.tables.data();
    if (before(&table, first) || !before(&table, first + compiled.tables.size())) return nullptr;
    const TableIndex& index = compiled.indexes[static_cast<std::size_t>(&table - first)];
    return index.rowOf.empty() ? nullptr : &index;
}

// What the rows read during Run: the letters themselves, which nothing
// changes before the first row that holds is found, so that no copies are
// taken on every typed letter. Absent letters read as the empty character.
struct LiveContext {
    std::array<const CCalligraphyCharacter*, std::tuple_size_v<decltype(RuleContext::c)>> c{};  // c[0] unused
    std::int32_t pos = 0;
    std::int32_t mode = 0;
    bool chainStart = true;
};

const CCalligraphyCharacter& Letter(const RuleContext& context, std::size_t k) { return context.c[k]; }
const CCalligraphyCharacter& Letter(const LiveContext& context, std::size_t k) { return *context.c[k]; }

// c1..c5 as GetCharacter(1..5) reads them, found in one walk back over the
// current word and on into the previous one (c0 is skipped).
LiveContext Look(const CCalligraphyEngine& engine) {
    static const CCalligraphyCharacter kAbsent{};
    LiveContext context;
    context.c.fill(&kAbsent);
    if (const CCalligraphyWord* current = engine.GetCurrentWord()) {
        const CCalligraphyWord* previous = engine.GetPreviousWord();
        std::size_t k = 0;
        for (const CCalligraphyWord* word : {current, previous}) {
            if (word == nullptr) break;
            const std::vector<CCalligraphyCharacter>& characters = word->m_characters;
            for (auto it = characters.rbegin(); it != characters.rend() && k < context.c.size(); ++it, ++k)
                if (k > 0) context.c[k] = &*it;
        }
    }
    context.pos = engine.GetLastIndex();
    context.mode = engine.GetMode();
    context.chainStart = engine.IsChainStart(1);
    return context;
}

template <typename Context>
bool HoldsIn(const RuleTable& table, const Condition& condition, const Context& context) {
    if (condition.k >= context.c.size()) return false;
    const CCalligraphyCharacter& ck = Letter(context, condition.k);
    switch (condition.kind) {
    case ConditionKind::ChainStart:
        return context.chainStart;
    case ConditionKind::GlyphEq:
        return ck.GetGlyph() == condition.a;
    case ConditionKind::GlyphNe:
        return ck.GetGlyph() != condition.a;
    case ConditionKind::GlyphRange:
        return condition.a <= ck.GetGlyph() && ck.GetGlyph() <= condition.b;
    case ConditionKind::AltSet:
        return ck.IsAlternate();
    case ConditionKind::AltClear:
        return !ck.IsAlternate();
    case ConditionKind::CodeIn:
    case ConditionKind::CodeNotIn: {
        if (std::size_t{condition.a} + condition.b > table.codes.size()) return false;
        bool found = false;
        for (std::uint16_t code : table.codes.subspan(condition.a, condition.b)) found = found || ck.GetCode() == code;
        return found == (condition.kind == ConditionKind::CodeIn);
    }
    case ConditionKind::PosLe:
        return std::int64_t{context.pos} <= std::int64_t{condition.a};
    case ConditionKind::PosGt:
        return std::int64_t{context.pos} > std::int64_t{condition.a};
    case ConditionKind::ModeZero:
        return context.mode == 0;
    case ConditionKind::ModeNonZero:
        return context.mode != 0;
    }
    return false;
}

template <typename Context>
const Outcome* FindFirstIn(const RuleTable& table, const Context& context) {
    const TableIndex* index = FindIndex(table);
    std::size_t i = 0;
    while (i < table.nodes.size()) {
        if (index != nullptr && index->rowOf[i] >= 0) {
            // The next sibling of the row for this glyph, or past the row.
            const GlyphRow& row = index->rows[static_cast<std::size_t>(index->rowOf[i])];
            const std::pair<GlyphId, std::uint32_t> key{Letter(context, row.k).GetGlyph(),
                                                        static_cast<std::uint32_t>(i)};
            const auto next = std::lower_bound(row.nodes.begin(), row.nodes.end(), key);
            if (next == row.nodes.end() || next->first != key.first) {
                i = row.end;
                continue;
            }
            i = next->second;
        }
        const rules::Node& node = table.nodes[i];
        bool holds = true;
        for (std::uint32_t j = 0; holds && j < node.conditionCount; ++j)
            holds = HoldsIn(table, table.conditions[node.conditionBegin + j], context);
        if (!holds) {
            if (node.skip <= i) return nullptr;  // a malformed table must not loop
            i = node.skip;
            continue;
        }
        if (node.outcome >= 0) return &table.outcomes[static_cast<std::size_t>(node.outcome)];
        ++i;  // enter the block
    }
    return nullptr;
}

}  // namespace

RuleContext RuleContext::Capture(const CCalligraphyEngine& engine) {
    const LiveContext live = Look(engine);
    RuleContext context;
    for (std::size_t k = 1; k < context.c.size(); ++k) context.c[k] = *live.c[k];
    context.pos = live.pos;
    context.mode = live.mode;
    context.chainStart = live.chainStart;
    return context;
}

bool CRuleEvaluator::Holds(const RuleTable& table, const Condition& condition, const RuleContext& context) {
    return HoldsIn(table, condition, context);
}

const Outcome* CRuleEvaluator::FindFirstMatch(const RuleTable& table, const RuleContext& context) {
    return FindFirstIn(table, context);
}

void CRuleEvaluator::ApplyAction(CCalligraphyEngine& engine, const Outcome& o) {
    const GlyphId* g = o.glyphs;
    const std::int32_t* d = o.lifts;
    switch (o.action) {
    case ActionKind::None:
        return;
    case ActionKind::SetGlyph1:
    case ActionKind::Previous1:
        engine.SetPrevious1(g[0], d[0]);
        return;
    case ActionKind::SetGlyph1AddY:
        engine.SetGlyph(1, g[0]);
        engine.AddYOffset(1, d[0]);
        return;
    case ActionKind::Chain:
        switch (o.count) {
        case 1: engine.SetPrevious1Chain(g[0], d[0], o.rest); return;
        case 2: engine.SetPrevious2Chain(g[0], g[1], d[0], d[1], o.rest); return;
        case 3: engine.SetPrevious3Chain(g[0], g[1], g[2], d[0], d[1], d[2], o.rest); return;
        case 4: engine.SetPrevious4Chain(g[0], g[1], g[2], g[3], d[0], d[1], d[2], d[3], o.rest); return;
        case 5:
            engine.SetPrevious5Chain(g[0], g[1], g[2], g[3], g[4], d[0], d[1], d[2], d[3], d[4], o.rest);
            return;
        default: return;
        }
    }
}

RuleResult CRuleEvaluator::Run(CCalligraphyEngine& engine, const RuleTable& table) {
    const Outcome* outcome = FindFirstIn(table, Look(engine));
    if (outcome == nullptr) return RuleResult::NoMatch;
    switch (outcome->verdict) {
    case rules::Verdict::Refuse: return RuleResult::Refused;
    case rules::Verdict::Nothing: return RuleResult::Nothing;
    case rules::Verdict::Alternate: return RuleResult::Alternate;
    case rules::Verdict::Shape: break;
    }
    if (table.kind == rules::TableKind::Letter) engine.SetGlyph(0, outcome->glyph0);
    ApplyAction(engine, *outcome);
    return RuleResult::Shaped;
}

}  // namespace kavitro
