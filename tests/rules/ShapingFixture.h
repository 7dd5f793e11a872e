#pragma once

// Helpers shared by the rule-table tests: a flat view of a compiled table (one
// row per leaf, with the conditions of its blocks), and a way to type one
// letter after a given run of letters and read back what the tables did.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CalligraphyEngine.h"
#include "engine/CalligraphyText.h"
#include "engine/rules/RuleTable.h"

namespace kavitro::testing {

constexpr GlyphId G(unsigned font, unsigned index) { return MakeGlyph(font, index); }

// ---- Compiled tables --------------------------------------------------------

struct FlatRow {
    std::vector<rules::Condition> conditions;  // the blocks' first, then the row's own
    const rules::Outcome* outcome = nullptr;
};

// The leaves of a table in evaluation order.
inline std::vector<FlatRow> FlattenTable(const rules::RuleTable& table) {
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

// ---- Typing through the dispatcher -------------------------------------------

// A letter of a word: its code, glyph, flags and y offset.
struct Letter {
    std::uint16_t code = 0;
    GlyphId glyph = 0;
    std::uint8_t flags = 0;
    std::int32_t yOffset = 0;
};

inline std::string Describe(const CCalligraphyCharacter& c) {
    return std::to_string(c.m_font) + "/" + std::to_string(c.m_glyph) + " y " + std::to_string(c.m_yOffset);
}

inline std::string Describe(const Letter& l) {
    return std::to_string(GlyphFont(l.glyph)) + "/" + std::to_string(GlyphIndex(l.glyph)) + " y " +
           std::to_string(l.yOffset);
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
            EXPECT_TRUE(c.GetGlyph() == expected[i].glyph && c.m_yOffset == expected[i].yOffset)
                << "letter " << i << ": got " << Describe(c) << ", want " << Describe(expected[i]);
        }
    }

private:
    static void Fill(CCalligraphyWord& word, const std::vector<Letter>& letters) {
        for (const Letter& l : letters) {
            CCalligraphyCharacter c;
            c.m_code = l.code;
            c.SetGlyph(l.glyph);
            c.m_flags = l.flags;
            c.m_yOffset = l.yOffset;
            word.m_characters.push_back(c);
        }
    }

    CCalligraphyEngine m_engine;
    CCalligraphyWord m_current;
    CCalligraphyWord m_previous;
};

// One typed letter: the letters before it (typing order), the code typed, the
// glyph it must get (0: refused) and the letters before it afterwards.
struct TypingCase {
    const char* name;
    std::vector<Letter> before;
    std::uint16_t code;
    GlyphId c0;
    std::vector<Letter> after;  // empty: unchanged
};

inline void RunTypingCases(const std::vector<TypingCase>& cases) {
    for (const TypingCase& t : cases) {
        SCOPED_TRACE(t.name);
        ShapingBench bench(t.before);
        const std::int32_t accepted = bench.Type(t.code);
        std::vector<Letter> want = t.after.empty() ? t.before : t.after;
        if (t.c0 == 0) {
            EXPECT_EQ(accepted, 0);
            ShapingBench::ExpectLetters(bench.Current(), t.before);
            continue;
        }
        EXPECT_EQ(accepted, 1);
        want.push_back(Letter{t.code, t.c0, 0, 0});
        ShapingBench::ExpectLetters(bench.Current(), want);
    }
}

}  // namespace kavitro::testing
