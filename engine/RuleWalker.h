#pragma once

// The one walker of every compiled table, shaping and text-modification
// alike: it finds the first row whose conditions, and those of the blocks
// around it, hold on the letters a caller hands in. Every index it reads from
// a table is checked before use, so a malformed table finds nothing instead
// of reading out of bounds or looping.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/CalligraphyText.h"
#include "engine/rules/RuleTable.h"

namespace kavitro {

class CCalligraphyEngine;

// What the rows of a table read. A condition's k names a letter: c1..c5 for
// the shaping tables (letters[0] unused), the target, the previous and the
// next letter for the text-modification tables. An absent letter is the
// empty character, never a null pointer.
struct RowInputs {
    std::array<const CCalligraphyCharacter*, 6> letters{};
    std::size_t letterCount = 0;  // letters[0 .. letterCount) are set
    std::int32_t pos = 0;         // index of c0 in its word
    std::int32_t mode = 0;
    bool chainStart = true;  // c1 is absent or does not join c0
    // When set, chainStart is asked of this engine, and only when a row
    // tests it.
    const CCalligraphyEngine* chainSource = nullptr;

    bool IsChainStart() const;

private:
    mutable std::int8_t m_chainKnown = -1;
};

struct TableIndex;

// The rows of one table as the walker sees them, whatever its outcome type.
struct TableRows {
    std::span<const rules::Node> nodes;
    std::span<const rules::Condition> conditions;
    std::span<const std::uint16_t> codes;
    std::size_t outcomeCount = 0;
    // The condition kinds the table's rows may test; any other fails.
    std::uint32_t kinds = ~0u;
    // The sibling index of a compiled table, or null to walk row by row.
    const TableIndex* index = nullptr;
};

// Index of the outcome of the first row that holds, or -1 when none does.
std::int32_t FindFirstRow(const TableRows& table, const RowInputs& inputs);

// The rows of a table and, for a table compiled into the engine (not a copy
// of one), its index.
TableRows RowsOf(const rules::RuleTable& table);
TableRows RowsOf(const rules::ModificationTable& table);

// rows: RowsOf(table), which a caller may keep.
template <typename Table>
const auto* FindFirstOutcome(const Table& table, const TableRows& rows, const RowInputs& inputs) {
    const std::int32_t found = FindFirstRow(rows, inputs);
    return found < 0 ? nullptr : &table.outcomes[static_cast<std::size_t>(found)];
}

template <typename Table>
const auto* FindFirstOutcome(const Table& table, const RowInputs& inputs) {
    return FindFirstOutcome(table, RowsOf(table), inputs);
}

}  // namespace kavitro
