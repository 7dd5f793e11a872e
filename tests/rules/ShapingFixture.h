#pragma once

// Helpers shared by the rule-table tests: a flat view of a compiled table (one
// row per leaf, with the conditions of its blocks), the same rows as text, and
// a way to type one letter after a given run of letters and read back what the
// tables did.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/CalligraphyEngine.h"
#include "engine/CalligraphyText.h"
#include "engine/rules/RuleTable.h"
#include "tests/support/Letters.h"

namespace kavitro::test {

inline constexpr std::int32_t kRepeatLastLift = CCalligraphyEngine::kRepeatLastLift;

// ---- Compiled tables --------------------------------------------------------

struct FlatRow {
    std::vector<rules::Condition> conditions;  // the blocks' first, then the row's own
    const rules::Outcome* outcome = nullptr;
};

// The leaves of a table in evaluation order. Mended rows are left out unless
// asked for: they stand before refusals that real words reach, outside the
// rows the tables state, derive and fill, which the census tests describe.
inline std::vector<FlatRow> FlattenTable(const rules::RuleTable& table, bool withMends = false) {
    std::vector<FlatRow> rows;
    std::vector<std::uint32_t> open;  // blocks enclosing the current node
    for (std::uint32_t i = 0; i < table.nodes.size(); ++i) {
        while (!open.empty() && table.nodes[open.back()].skip <= i) open.pop_back();
        const rules::Node& node = table.nodes[i];
        if (node.outcome < 0) {
            open.push_back(i);
            continue;
        }
        FlatRow row;
        for (std::uint32_t b : open) {
            const rules::Node& block = table.nodes[b];
            for (std::uint32_t c = 0; c < block.conditionCount; ++c)
                row.conditions.push_back(table.conditions[block.conditionBegin + c]);
        }
        for (std::uint32_t c = 0; c < node.conditionCount; ++c)
            row.conditions.push_back(table.conditions[node.conditionBegin + c]);
        row.outcome = &table.outcomes[static_cast<std::size_t>(node.outcome)];
        if (row.outcome->origin == rules::Origin::Mended && !withMends) continue;
        rows.push_back(std::move(row));
    }
    return rows;
}

// The table, failing the test when it was not compiled in.
inline const rules::RuleTable& RequireTable(std::string_view name) {
    const rules::RuleTable* table = rules::FindRuleTable(name);
    if (table == nullptr) {
        ADD_FAILURE() << "no rule table " << name;
        static const rules::RuleTable empty{};
        return empty;
    }
    return *table;
}

inline bool Tests(const FlatRow& row, rules::ConditionKind kind, std::uint8_t k) {
    for (const rules::Condition& c : row.conditions)
        if (c.kind == kind && c.k == k) return true;
    return false;
}

// The glyph a row requires of ck, or 0 when it does not test one.
inline GlyphId RequiredGlyph(const FlatRow& row, std::uint8_t k) {
    for (const rules::Condition& c : row.conditions)
        if (c.kind == rules::ConditionKind::GlyphEq && c.k == k) return c.a;
    return 0;
}

inline bool IsShape(const FlatRow& row) { return row.outcome->verdict == rules::Verdict::Shape; }
inline bool IsRefusal(const FlatRow& row) { return row.outcome->verdict == rules::Verdict::Refuse; }
inline bool IsStart(const FlatRow& row) { return Tests(row, rules::ConditionKind::ChainStart, 0); }

inline bool IsCodeTest(const rules::Condition& c) {
    return c.kind == rules::ConditionKind::CodeIn || c.kind == rules::ConditionKind::CodeNotIn;
}

// What the letters beyond the named ones are lifted by: a chain of two or more
// that repeats its last lift gives that lift, any other the rest it names.
inline std::int32_t RestLift(const rules::Outcome& o) {
    return o.count > 1 && o.rest == kRepeatLastLift ? o.lifts[o.count - 1] : o.rest;
}

// "S1", "A1", "P1" or "C1".."C5" (a chain of that many letters); "none" when
// the outcome re-shapes nothing.
inline std::string ActionName(const rules::Outcome& o) {
    switch (o.action) {
    case rules::ActionKind::None: return "none";
    case rules::ActionKind::SetGlyph1: return "S1";
    case rules::ActionKind::SetGlyph1AddY: return "A1";
    case rules::ActionKind::Previous1: return "P1";
    case rules::ActionKind::Chain: return "C" + std::to_string(o.count);
    }
    return "?";
}

// ---- Rows as text -------------------------------------------------------------

// "1/208", or "=c" for a letter that keeps its glyph.
inline std::string GlyphText(GlyphId g) {
    if (g == rules::kKeepGlyph) return "=c";
    return std::to_string(GlyphFont(g)) + "/" + std::to_string(GlyphIndex(g));
}

// "c1=1/188", "c2.alt", "c2.code=06A9|06AF", "pos<=2", "mode=0", ...
inline std::string ConditionText(const rules::RuleTable& t, const rules::Condition& c) {
    using K = rules::ConditionKind;
    const std::string k = "c" + std::to_string(c.k);
    std::string codes;
    if (IsCodeTest(c))
        for (std::uint32_t i = 0; i < c.b; ++i) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%s%04X", i ? "|" : "", t.codes[c.a + i]);
            codes += hex;
        }
    switch (c.kind) {
    case K::ChainStart: return "start";
    case K::GlyphEq: return k + "=" + GlyphText(c.a);
    case K::GlyphNe: return k + "!=" + GlyphText(c.a);
    case K::GlyphRange: return k + "=" + GlyphText(c.a) + ".." + GlyphText(c.b);
    case K::AltSet: return k + ".alt";
    case K::AltClear: return k + ".plain";
    case K::CodeIn: return k + ".code=" + codes;
    case K::CodeNotIn: return k + ".code!=" + codes;
    case K::PosLe: return "pos<=" + std::to_string(c.a);
    case K::PosGt: return "pos>" + std::to_string(c.a);
    case K::ModeZero: return "mode=0";
    case K::ModeNonZero: return "mode!=0";
    }
    return "?";
}

// A row's conditions in the order the table tests them, e.g.
// "c1=1/188 c2=1/215 c2.alt".
inline std::string RowKeyAsWritten(const rules::RuleTable& t, const FlatRow& row) {
    std::string key;
    for (const rules::Condition& c : row.conditions) key += (key.empty() ? "" : " ") + ConditionText(t, c);
    return key;
}

namespace text_detail {
inline std::string JoinSorted(const std::set<std::string>& parts) {
    std::string key;
    for (const std::string& p : parts) key += (key.empty() ? "" : " ") + p;
    return key;
}
}  // namespace text_detail

// A row's conditions sorted (and each named once), so that rows that test the
// same things in another order compare equal.
inline std::string RowKeySorted(const rules::RuleTable& t, const FlatRow& row) {
    std::set<std::string> parts;
    for (const rules::Condition& c : row.conditions) parts.insert(ConditionText(t, c));
    return text_detail::JoinSorted(parts);
}

// A key written by hand ("c1.alt c1=1/179 c2=3/190") in RowKeySorted's order.
inline std::string SortedKey(std::string_view text) {
    std::set<std::string> parts;
    for (std::size_t from = 0; from < text.size();) {
        std::size_t to = text.find(' ', from);
        if (to == std::string_view::npos) to = text.size();
        parts.insert(std::string(text.substr(from, to - from)));
        from = to + 1;
    }
    return text_detail::JoinSorted(parts);
}

// ---- Typing through the dispatcher -------------------------------------------
//
// The words here are made by hand, so that a table can be driven into contexts
// that typing alone does not reach; contexts a user can type are typed end to
// end by the golden typing files (tests/typing/cases).

// For test files that write their letters as code, font and index.
namespace letters_by_font_index {
inline Letter L(std::uint16_t code, unsigned font, unsigned index, std::uint8_t flags = 0, std::int32_t y = 0) {
    return Letter{code, G(font, index), flags, y};
}
}  // namespace letters_by_font_index

inline std::string Describe(const CCalligraphyCharacter& c) {
    return std::to_string(c.m_font) + "/" + std::to_string(c.m_glyph) + " y " + std::to_string(c.m_yOffset);
}

inline std::string Describe(const Letter& l) {
    return std::to_string(GlyphFont(l.glyph)) + "/" + std::to_string(GlyphIndex(l.glyph)) + " y " +
           std::to_string(l.y);
}

// An engine of its own pointed at a current word (and optionally the word
// before it) built from letters given in typing order.
class ShapingBench {
public:
    explicit ShapingBench(const std::vector<Letter>& current, const std::vector<Letter>& previous = {}) {
        Fill(m_current, current);
        Fill(m_previous, previous);
        m_engine.SetCurrentWord(&m_current);
        m_engine.SetPreviousWord(previous.empty() ? nullptr : &m_previous);
    }

    // 1 when the letter was accepted, 0 when it was refused.
    std::int32_t Type(std::uint16_t code) { return m_engine.AppendCharacter(code); }

    CCalligraphyEngine& Engine() { return m_engine; }
    const CCalligraphyWord& Current() const { return m_current; }
    const CCalligraphyWord& Previous() const { return m_previous; }

    // Compares the letters of a word with the expected glyphs and offsets.
    static void ExpectLetters(const CCalligraphyWord& word, const std::vector<Letter>& expected) {
        ASSERT_EQ(word.m_characters.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const CCalligraphyCharacter& c = word.m_characters[i];
            EXPECT_TRUE(c.GetGlyph() == expected[i].glyph && c.m_yOffset == expected[i].y)
                << "letter " << i << ": got " << Describe(c) << ", want " << Describe(expected[i]);
        }
    }

private:
    static void Fill(CCalligraphyWord& word, const std::vector<Letter>& letters) {
        for (const Letter& l : letters)
            word.m_characters.push_back(MakeCharacter(l));
    }

    CCalligraphyEngine m_engine;
    CCalligraphyWord m_current;
    CCalligraphyWord m_previous;
};

// One typed letter: the letters before it (typing order), the code typed, the
// glyph it must get (0: refused) and the letters before it afterwards;
// optionally the mode and the word before, with how it must look afterwards.
struct TypingCase {
    const char* name;
    std::vector<Letter> before;
    std::uint16_t code;
    GlyphId c0;
    std::vector<Letter> after = {};          // empty: unchanged
    std::optional<std::int32_t> mode = {};   // none: the runner's default mode
    std::vector<Letter> previous = {};       // the word before, typing order
    std::vector<Letter> previousAfter = {};  // empty: unchanged
};

// Types each case into a bench of its own; a case that names no mode runs in
// `defaultMode` (0 is also the engine's own).
inline void RunTypingCases(const std::vector<TypingCase>& cases, std::int32_t defaultMode = 0) {
    for (const TypingCase& t : cases) {
        SCOPED_TRACE(t.name);
        ShapingBench bench(t.before, t.previous);
        bench.Engine().SetMode(t.mode.value_or(defaultMode));
        const std::int32_t accepted = bench.Type(t.code);
        EXPECT_EQ(accepted, t.c0 == 0 ? 0 : 1);
        std::vector<Letter> want = t.c0 == 0 || t.after.empty() ? t.before : t.after;
        if (t.c0 != 0) want.push_back(Letter{t.code, t.c0, 0, 0});
        ShapingBench::ExpectLetters(bench.Current(), want);
        ShapingBench::ExpectLetters(bench.Previous(), t.previousAfter.empty() ? t.previous : t.previousAfter);
    }
}

// Letters that share one table (a letter and its dotted or marked siblings):
// each code typed after `before`, in a bench of its own, must be taken with
// `glyph` and its own mark; `alsoCheck` looks at the word afterwards.
inline void ExpectSameGlyphWithOwnMark(const std::vector<Letter>& before, GlyphId glyph,
                                       std::initializer_list<std::pair<std::uint16_t, int>> codesAndMarks,
                                       const std::function<void(const CCalligraphyWord&)>& alsoCheck = {}) {
    for (const auto& [code, mark] : codesAndMarks) {
        ShapingBench bench(before);
        ASSERT_EQ(bench.Type(code), 1);
        EXPECT_EQ(bench.Current().m_characters.back().GetGlyph(), glyph);
        EXPECT_EQ(bench.Current().m_characters.back().m_mark, mark);
        if (alsoCheck) alsoCheck(bench.Current());
    }
}

}  // namespace kavitro::test
