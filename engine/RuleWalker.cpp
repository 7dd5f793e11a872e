#include "engine/RuleWalker.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "engine/CalligraphyEngine.h"

namespace kavitro {

using rules::Condition;
using rules::ConditionKind;
using rules::Node;

namespace {

constexpr std::uint32_t Bit(ConditionKind kind) { return 1u << static_cast<unsigned>(kind); }

// The text-modification tables test only their letters' glyphs and codes.
constexpr std::uint32_t kModificationKinds = Bit(ConditionKind::GlyphEq) | Bit(ConditionKind::CodeIn);

constexpr std::size_t kShapingLetters = 6;       // c0..c5, c0 unused
constexpr std::size_t kModificationLetters = 3;  // target, previous, next

}  // namespace

// The tables list one block per glyph of a letter (and, inside them, of the
// next letter and so on) as a row of sibling nodes whose first condition is
// "glyph of ck == a". A walk would try the siblings one by one; the index
// finds the next sibling for the glyph at hand by a sorted look-up. The
// siblings it passes over would all fail that first condition, so the first
// row that holds is the same.
struct GlyphRow {
    std::uint8_t k = 0;
    std::uint32_t end = 0;  // where the walk goes after the last sibling of the row
    std::vector<std::pair<GlyphId, std::uint32_t>> nodes;  // (glyph, node index), sorted
};

struct TableIndex {
    std::vector<std::int32_t> rowOf;  // per node: the row it belongs to, or -1
    std::vector<GlyphRow> rows;
};

namespace {

struct IndexBuilder {
    const TableRows& table;
    std::size_t letters;
    TableIndex index;

    const Condition* FirstGlyphTest(const Node& node) const {
        if (node.conditionCount == 0) return nullptr;
        const Condition& first = table.conditions[node.conditionBegin];
        return first.kind == ConditionKind::GlyphEq && first.k < letters ? &first : nullptr;
    }

    // Indexes the siblings from node `begin` (following skips) up to `end`,
    // and the children of every block among them.
    void IndexSiblings(std::uint32_t begin, std::uint32_t end) {
        std::uint32_t i = begin;
        while (i < end) {
            const Condition* test = FirstGlyphTest(table.nodes[i]);
            if (test == nullptr) {
                if (table.nodes[i].outcome < 0) IndexSiblings(i + 1, table.nodes[i].skip);
                i = table.nodes[i].skip;
                continue;
            }
            // The row's place is taken first: the rows inside its blocks follow it.
            const auto id = static_cast<std::int32_t>(index.rows.size());
            index.rows.emplace_back();
            GlyphRow row;
            row.k = test->k;
            while (i < end && (test = FirstGlyphTest(table.nodes[i])) != nullptr && test->k == row.k) {
                row.nodes.emplace_back(test->a, i);
                index.rowOf[i] = id;
                if (table.nodes[i].outcome < 0) IndexSiblings(i + 1, table.nodes[i].skip);
                i = table.nodes[i].skip;
            }
            row.end = i;
            std::sort(row.nodes.begin(), row.nodes.end());
            index.rows[static_cast<std::size_t>(id)] = std::move(row);
        }
    }
};

TableIndex BuildIndex(const TableRows& table, std::size_t letters) {
    // Only a well-formed table: every node's subtree ends after it and inside
    // the table. A malformed one is walked node by node.
    const auto size = static_cast<std::uint32_t>(table.nodes.size());
    for (std::uint32_t i = 0; i < size; ++i) {
        const Node& node = table.nodes[i];
        const bool conditionsInside = std::size_t{node.conditionBegin} + node.conditionCount <= table.conditions.size();
        if (node.skip <= i || node.skip > size || !conditionsInside) return {};
    }
    IndexBuilder builder{table, letters, {}};
    builder.index.rowOf.assign(size, -1);
    builder.IndexSiblings(0, size);
    return std::move(builder.index);
}

TableRows Rows(const rules::RuleTable& table) {
    return {table.nodes, table.conditions, table.codes, table.outcomes.size(), ~0u, nullptr};
}

TableRows Rows(const rules::ModificationTable& table) {
    return {table.nodes, table.conditions, table.codes, table.outcomes.size(), kModificationKinds, nullptr};
}

// The compiled tables of one kind, indexed once. Tables are immutable data
// of the program, so one index serves every engine.
template <typename Table>
class CompiledIndexes {
public:
    CompiledIndexes(std::span<const Table> tables, std::size_t letters) : m_tables(tables) {
        for (const Table& table : tables) m_indexes.push_back(BuildIndex(Rows(table), letters));
    }

    // Another table, also a copy of a compiled one, has no index.
    const TableIndex* Find(const Table& table) const {
        const std::less<const Table*> before;
        const Table* first = m_tables.data();
        if (before(&table, first) || !before(&table, first + m_tables.size())) return nullptr;
        const TableIndex& index = m_indexes[static_cast<std::size_t>(&table - first)];
        return index.rowOf.empty() ? nullptr : &index;
    }

private:
    std::span<const Table> m_tables;
    std::vector<TableIndex> m_indexes;  // one per table, in the same order
};

bool Holds(const TableRows& table, const Condition& condition, const RowInputs& inputs) {
    if ((table.kinds & Bit(condition.kind)) == 0 || condition.k >= inputs.letterCount) return false;
    const CCalligraphyCharacter& ck = *inputs.letters[condition.k];
    switch (condition.kind) {
    case ConditionKind::ChainStart:
        return inputs.IsChainStart();
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
        const auto codes = table.codes.subspan(condition.a, condition.b);
        const bool found = std::find(codes.begin(), codes.end(), ck.GetCode()) != codes.end();
        return found == (condition.kind == ConditionKind::CodeIn);
    }
    case ConditionKind::PosLe:
        return std::int64_t{inputs.pos} <= std::int64_t{condition.a};
    case ConditionKind::PosGt:
        return std::int64_t{inputs.pos} > std::int64_t{condition.a};
    case ConditionKind::ModeZero:
        return inputs.mode == 0;
    case ConditionKind::ModeNonZero:
        return inputs.mode != 0;
    }
    return false;
}

}  // namespace

bool RowInputs::IsChainStart() const {
    if (chainSource == nullptr) return chainStart;
    if (m_chainKnown < 0) m_chainKnown = chainSource->IsChainStart(1) ? 1 : 0;
    return m_chainKnown == 1;
}

TableRows RowsOf(const rules::RuleTable& table) {
    static const CompiledIndexes<rules::RuleTable> compiled(rules::AllRuleTables(), kShapingLetters);
    TableRows rows = Rows(table);
    rows.index = compiled.Find(table);
    return rows;
}

TableRows RowsOf(const rules::ModificationTable& table) {
    static const CompiledIndexes<rules::ModificationTable> compiled(rules::AllModificationTables(),
                                                                    kModificationLetters);
    TableRows rows = Rows(table);
    rows.index = compiled.Find(table);
    return rows;
}

std::int32_t FindFirstRow(const TableRows& table, const RowInputs& inputs) {
    const TableIndex* index = table.index;
    std::size_t i = 0;
    while (i < table.nodes.size()) {
        std::uint32_t firstCondition = 0;
        if (index != nullptr && index->rowOf[i] >= 0) {
            // The next sibling of the row for this glyph, or past the row.
            const GlyphRow& row = index->rows[static_cast<std::size_t>(index->rowOf[i])];
            if (row.k >= inputs.letterCount) {
                i = row.end;
                continue;
            }
            const std::pair<GlyphId, std::uint32_t> key{inputs.letters[row.k]->GetGlyph(),
                                                        static_cast<std::uint32_t>(i)};
            const auto next = std::lower_bound(row.nodes.begin(), row.nodes.end(), key);
            if (next == row.nodes.end() || next->first != key.first) {
                i = row.end;
                continue;
            }
            i = next->second;
            ++firstCondition;  // the index matched it
        }
        const Node& node = table.nodes[i];
        bool holds = std::size_t{node.conditionBegin} + node.conditionCount <= table.conditions.size();
        for (std::uint32_t j = firstCondition; holds && j < node.conditionCount; ++j)
            holds = Holds(table, table.conditions[node.conditionBegin + j], inputs);
        if (!holds) {
            if (node.skip <= i) return -1;  // a malformed table must not loop
            i = node.skip;
            continue;
        }
        if (node.outcome >= 0)
            return static_cast<std::size_t>(node.outcome) < table.outcomeCount ? node.outcome : -1;
        ++i;  // enter the block
    }
    return -1;
}

}  // namespace kavitro
