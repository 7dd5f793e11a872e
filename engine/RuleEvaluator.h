#pragma once

// Runs the shaping tables (letter groups, word-end and alternate forms): the
// table walker finds the first row that holds on c1..c5, the position of c0
// and the mode, and the outcome is applied through the engine's operations.

#include <array>
#include <cstdint>

#include "engine/CalligraphyText.h"
#include "engine/rules/RuleTable.h"

namespace kavitro {

class CCalligraphyEngine;
struct TableRows;

// What a table saw on entry; the rows test this, never the live letters.
struct RuleContext {
    std::array<CCalligraphyCharacter, 6> c{};  // c[1]..c[5]; c[0] unused
    std::int32_t pos = 0;                      // index of c0 in its word
    std::int32_t mode = 0;
    bool chainStart = true;  // c1 is absent or does not join c0

    static RuleContext Capture(const CCalligraphyEngine& engine);
};

enum class RuleResult : std::uint8_t {
    NoMatch,    // no row holds
    Shaped,     // a row gave its glyph and action
    Refused,    // a refusal row
    Nothing,    // a row that changes nothing
    Alternate,  // hand over to the alternate-form rules
};

class CRuleEvaluator {
public:
    // The outcome of the first row whose conditions (and its blocks') hold,
    // or nullptr. Failing rows are skipped with their whole subtree.
    static const rules::Outcome* FindFirstMatch(const rules::RuleTable& table, const RuleContext& context);

    // Evaluates the table on the engine's words and applies the outcome: a
    // letter table gives c0 its glyph, then the re-shape action runs.
    static RuleResult Run(CCalligraphyEngine& engine, const rules::RuleTable& table);
    // The same with the table's rows as RowsOf gave them.
    static RuleResult Run(CCalligraphyEngine& engine, const rules::RuleTable& table, const TableRows& rows);

private:
    static void ApplyAction(CCalligraphyEngine& engine, const rules::Outcome& outcome);
};

}  // namespace kavitro
