#pragma once

// The compiled form of the .rules files (see README.md beside this file):
// each table is a pre-order array of nodes; a node whose conditions fail jumps
// to its skip index, a block whose conditions hold is entered at the next node,
// and the first leaf that holds decides.

#include <cstdint>
#include <span>
#include <string_view>

namespace kavitro::rules {

enum class TableKind : std::uint8_t { Letter, Wordend, Alternate };

enum class ConditionKind : std::uint8_t {
    ChainStart,   // c1 is absent or does not join the letter after it
    GlyphEq,      // glyph of c[k] == a
    GlyphNe,      // glyph of c[k] != a
    GlyphRange,   // a <= glyph of c[k] <= b
    AltSet,       // flag bit 0 of c[k] set
    AltClear,     // flag bit 0 of c[k] clear
    CodeIn,       // code of c[k] is one of codes[a .. a + b)
    CodeNotIn,    // code of c[k] is none of codes[a .. a + b)
    PosLe,        // index of c0 in its word <= a
    PosGt,        // index of c0 in its word > a
    ModeZero,     // engine mode == 0
    ModeNonZero,  // engine mode != 0
};

struct Condition {
    ConditionKind kind;
    std::uint8_t k;
    std::uint32_t a;
    std::uint32_t b;
};

enum class Verdict : std::uint8_t {
    Shape,      // give c0 its glyph (letter tables) and run the action
    Refuse,     // the letter is refused; nothing changes
    Nothing,    // the row holds and changes nothing
    Alternate,  // hand over to the alternate-form rules
};

enum class ActionKind : std::uint8_t {
    None,
    SetGlyph1,      // c1 := G1, offset -= d1
    SetGlyph1AddY,  // c1 := G1, offset += d1
    Previous1,      // SetPrevious1(G1, d1)
    Chain,          // SetPrevious<count>Chain(G1..Gn, d1..dn, rest)
};

// Where a row's outcome came from: as given, derived by a stated relation,
// filled in by the fallback policy, or added by that policy before a refusal
// that real words reach (a mend).
enum class Origin : std::uint8_t { Given, Derived, Filled, Mended };

// A glyph slot holding this value keeps the letter's glyph (the "=cK" form).
inline constexpr std::uint32_t kKeepGlyph = 0xFFFFFFFFu;

struct Outcome {
    Verdict verdict;
    std::uint32_t glyph0;  // letter tables: the new letter's glyph
    ActionKind action;
    std::uint8_t count;  // letters the action names (1..5)
    std::uint32_t glyphs[5];
    std::int32_t lifts[5];
    std::int32_t rest;
    Origin origin;
    std::uint32_t line;  // line in the .rules file, for diagnostics
};

struct Node {
    std::uint32_t conditionBegin;
    std::uint32_t conditionCount;
    std::uint32_t skip;    // index of the node after this one's subtree
    std::int32_t outcome;  // index into outcomes for a leaf, -1 for a block
    std::uint32_t line;
};

// A compiled table of either family: the kind says what the engine uses it
// for, and the leaves index its outcomes.
template <typename Kind, typename Result>
struct CompiledTable {
    std::string_view name;
    Kind kind;
    std::span<const Node> nodes;
    std::span<const Condition> conditions;
    std::span<const std::uint16_t> codes;
    std::span<const Result> outcomes;
};

using RuleTable = CompiledTable<TableKind, Outcome>;

// Every compiled table, in file-name order.
std::span<const RuleTable> AllRuleTables();

// The table of that name, or nullptr when none was compiled in.
const RuleTable* FindRuleTable(std::string_view name);

// --- Text-modification tables (glyph variant, glyph swap) -----------------
// Successor tables keyed on the glyph the target letter shows. Nodes and
// conditions work as above, except that a condition's k names the letter it
// reads (ModificationLetter) and only GlyphEq and CodeIn occur.

enum class ModificationKind : std::uint8_t { Variant, Swap };

enum class ModificationLetter : std::uint8_t { Target, Previous, Next };

enum class ModificationVerdict : std::uint8_t {
    Modify,   // the row's result fields
    Nothing,  // the row holds and changes nothing
    Lookup,   // hand over to the variant lookup table
};

// New glyph ids; 0 keeps the previous and next letters as they are.
struct ModificationGlyphs {
    std::uint32_t target;
    std::uint32_t previous;
    std::uint32_t next;
};

// Subtracted from y offsets, so positive raises.
struct ModificationShifts {
    std::int32_t target;
    std::int32_t previous1;
    std::int32_t previous2;
    std::int32_t previous3;
    std::int32_t rest;  // earlier letters without a shift of their own
    std::int32_t next1;
    std::int32_t next2;
    std::int32_t next3;
};

struct ModificationOutcome {
    ModificationVerdict verdict;
    ModificationGlyphs glyphs;
    ModificationShifts shifts;  // unnamed fields are 0
    Origin origin;
    std::uint32_t line;
};

using ModificationTable = CompiledTable<ModificationKind, ModificationOutcome>;

// Every compiled text-modification table, in file-name order.
std::span<const ModificationTable> AllModificationTables();

// The table of that name, or nullptr when none was compiled in.
const ModificationTable* FindModificationTable(std::string_view name);

}  // namespace kavitro::rules
