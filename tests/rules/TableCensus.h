#pragma once

// A census of a compiled letter table (rows, new-letter glyphs, action kinds,
// lifts, columns tested), pinned by the tests so that any change to a table's
// rows shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/rules/ShapingFixture.h"

namespace kavitro::test {

// What a condition looks at: a glyph, a flag or a code of ck, or the
// position or the mode (k = 0).
enum class Column : std::uint8_t { Glyph, Alternate, Code, Position, Mode, Start };

inline Column ColumnOf(rules::ConditionKind kind) {
    using K = rules::ConditionKind;
    switch (kind) {
    case K::GlyphEq:
    case K::GlyphNe:
    case K::GlyphRange: return Column::Glyph;
    case K::AltSet:
    case K::AltClear: return Column::Alternate;
    case K::CodeIn:
    case K::CodeNotIn: return Column::Code;
    case K::PosLe:
    case K::PosGt: return Column::Position;
    case K::ModeZero:
    case K::ModeNonZero: return Column::Mode;
    case K::ChainStart: return Column::Start;
    }
    return Column::Start;
}

using ColumnKey = std::pair<Column, int>;  // column and back-index (0 for position, mode)

inline ColumnKey KeyOf(const rules::Condition& c) {
    const Column col = ColumnOf(c.kind);
    return {col, col == Column::Position || col == Column::Mode || col == Column::Start ? 0 : c.k};
}

struct TableCensus {
    int rows = 0;
    int refusals = 0;
    std::map<GlyphId, int> newGlyphs;        // shaping rows by the new letter's glyph
    std::map<std::string, int> actions;      // "S1", "A1", "P1", "C1" .. "C5"
    int repeatRests = 0;                     // chains of two letters or more ending in 10000
    int explicitRests = 0;                   // the other chains of two letters or more
    std::map<int, int> keptGlyphs;           // k -> rows in which ck keeps its glyph (=ck)
    // (new glyph, c1 glyph, c1 lift) -> rows
    std::map<std::tuple<GlyphId, GlyphId, std::int32_t>, int> firstLetters;
    std::map<std::pair<GlyphId, std::int32_t>, int> liftsByNewGlyph;  // (new glyph, c1 lift) -> rows
    std::int32_t minLift = INT32_MAX;
    std::int32_t maxLift = INT32_MIN;
    std::map<ColumnKey, int> ownTests;   // rows whose own tests (and their blocks') use the column
    std::map<ColumnKey, int> pathTests;  // ... or that of an earlier row of the same block
};

namespace census_detail {

inline void Walk(const rules::RuleTable& t, std::uint32_t begin, std::uint32_t end, const std::set<ColumnKey>& own,
                 const std::set<ColumnKey>& path, TableCensus& out) {
    std::set<ColumnKey> before;  // first tests of the earlier rows of this block
    for (std::uint32_t i = begin; i < end;) {
        const rules::Node& node = t.nodes[i];
        // Mended rows stay out of the census, as FlattenTable leaves them out.
        if (node.outcome >= 0 && t.outcomes[static_cast<std::size_t>(node.outcome)].origin == rules::Origin::Mended) {
            i = node.skip;
            continue;
        }
        std::set<ColumnKey> mine = own;
        std::set<ColumnKey> tried = path;
        tried.insert(before.begin(), before.end());
        for (std::uint32_t c = 0; c < node.conditionCount; ++c) {
            mine.insert(KeyOf(t.conditions[node.conditionBegin + c]));
            tried.insert(KeyOf(t.conditions[node.conditionBegin + c]));
        }
        if (node.outcome < 0) {
            Walk(t, i + 1, node.skip, mine, tried, out);
        } else {
            for (const ColumnKey& k : mine) ++out.ownTests[k];
            for (const ColumnKey& k : tried) ++out.pathTests[k];
        }
        if (node.conditionCount > 0) before.insert(KeyOf(t.conditions[node.conditionBegin]));
        i = node.skip;
    }
}

}  // namespace census_detail

inline TableCensus TakeCensus(const rules::RuleTable& t) {
    TableCensus out;
    for (const FlatRow& row : FlattenTable(t)) {
        ++out.rows;
        const rules::Outcome& o = *row.outcome;
        if (o.verdict == rules::Verdict::Refuse) {
            ++out.refusals;
            continue;
        }
        ++out.newGlyphs[o.glyph0];
        if (o.action == rules::ActionKind::None) continue;
        if (o.action == rules::ActionKind::Chain) {
            if (o.count >= 2) ++(o.rest == kRepeatLastLift ? out.repeatRests : out.explicitRests);
            if (o.rest != kRepeatLastLift) {
                out.minLift = std::min(out.minLift, o.rest);
                out.maxLift = std::max(out.maxLift, o.rest);
            }
        }
        ++out.actions[ActionName(o)];
        ++out.firstLetters[{o.glyph0, o.glyphs[0], o.lifts[0]}];
        ++out.liftsByNewGlyph[{o.glyph0, o.lifts[0]}];
        for (std::uint8_t k = 0; k < o.count; ++k) {
            if (o.glyphs[k] == rules::kKeepGlyph) ++out.keptGlyphs[k + 1];
            out.minLift = std::min(out.minLift, o.lifts[k]);
            out.maxLift = std::max(out.maxLift, o.lifts[k]);
        }
    }
    census_detail::Walk(t, 0, static_cast<std::uint32_t>(t.nodes.size()), {}, {}, out);
    return out;
}

// Compares the rows counted per column with the counts wanted; a column
// missing from `got` counts as tested by no row.
inline void ExpectColumns(const std::map<ColumnKey, int>& got, const std::map<ColumnKey, int>& want) {
    for (const auto& [key, n] : want)
        EXPECT_EQ(got.count(key) ? got.at(key) : 0, n) << "column " << static_cast<int>(key.first) << " of c"
                                                       << key.second;
}

}  // namespace kavitro::test
