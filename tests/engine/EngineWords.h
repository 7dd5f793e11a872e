#pragma once

// Checks on words built letter by letter (tests/support/Letters.h), so that
// engine rules can be tested whatever letter tables exist.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "engine/CalligraphyEngine.h"
#include "tests/support/Letters.h"

namespace kavitro::test {

// Glyph and offset of one character, compared as a pair.
struct Shape {
    GlyphId glyph;
    std::int32_t y;
    friend bool operator==(const Shape&, const Shape&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Shape& s) {
        return out << (s.glyph >> 16) << '/' << (s.glyph & 0xFFFF) << " y=" << s.y;
    }
};

inline Shape ShapeOf(const CCalligraphyCharacter& c) { return {c.GetGlyph(), c.m_yOffset}; }

// Checks the word's first expected.size() characters one by one; `what` names
// the case in a failure.
inline void ExpectShapes(const CCalligraphyWord& word, const std::vector<Shape>& expected, const char* what) {
    ASSERT_GE(word.m_characters.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(ShapeOf(word.m_characters[i]), expected[i]) << what << ", letter " << i;
}

// A word given letter by letter, and how its first letters must look after
// the step a test applies to it.
struct WordCase {
    const char* what;
    std::vector<Letter> letters;  // typing order
    std::vector<Shape> expected;
};

// Builds each case's word alone (no word before it), lets `step(engine, word,
// case)` act on it and then compares the word with the expected shapes.
template <typename Step>
void RunWordCases(const std::vector<WordCase>& cases, Step step) {
    CCalligraphyEngine engine;
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.what);
        CCalligraphyWord word = MakeWord(c.letters);
        engine.SetCurrentWord(&word);
        engine.SetPreviousWord(nullptr);
        step(engine, word, c);
        ExpectShapes(word, c.expected, c.what);
    }
}

// Every field of every character, for "left exactly as it was" checks.
inline bool SameCharacters(const CCalligraphyWord& a, const CCalligraphyWord& b) {
    if (a.m_characters.size() != b.m_characters.size()) return false;
    for (std::size_t i = 0; i < a.m_characters.size(); ++i) {
        const CCalligraphyCharacter& x = a.m_characters[i];
        const CCalligraphyCharacter& y = b.m_characters[i];
        if (x.m_code != y.m_code || x.m_glyph != y.m_glyph || x.m_font != y.m_font || x.m_yOffset != y.m_yOffset ||
            x.m_flags != y.m_flags || x.m_mark != y.m_mark || x.m_markDx != y.m_markDx || x.m_markDy != y.m_markDy)
            return false;
    }
    return true;
}

}  // namespace kavitro::test
