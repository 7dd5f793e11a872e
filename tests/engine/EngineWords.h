#pragma once

// Words built letter by letter with chosen codes, glyphs, flags and offsets,
// so that engine rules can be tested whatever letter tables exist.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "engine/CalligraphyEngine.h"

namespace kavitro::test {

constexpr GlyphId G(unsigned font, unsigned index) { return MakeGlyph(font, index); }

// Codes of letters that join the letter after them, and of some that do not.
inline constexpr std::uint16_t kAlef = 0x0627;
inline constexpr std::uint16_t kBeh = 0x0628;
inline constexpr std::uint16_t kDal = 0x062F;
inline constexpr std::uint16_t kReh = 0x0631;
inline constexpr std::uint16_t kLam = 0x0644;
inline constexpr std::uint16_t kMeem = 0x0645;
inline constexpr std::uint16_t kNoon = 0x0646;
inline constexpr std::uint16_t kHeh = 0x0647;
inline constexpr std::uint16_t kHamza = 0x0621;
inline constexpr std::uint16_t kKeheh = 0x06A9;
inline constexpr std::uint16_t kGaf = 0x06AF;
inline constexpr std::uint16_t kFarsiYeh = 0x06CC;
inline constexpr std::uint16_t kSpace = 0x0020;

struct Letter {
    std::uint16_t code;
    GlyphId glyph;
    bool alternate = false;
    std::int32_t y = 0;
};

inline CCalligraphyWord MakeWord(const std::vector<Letter>& letters) {
    CCalligraphyWord word;
    for (const Letter& letter : letters) {
        CCalligraphyCharacter c;
        c.m_code = letter.code;
        c.SetGlyph(letter.glyph);
        c.m_flags = letter.alternate ? CCalligraphyCharacter::kAlternate : 0;
        c.m_yOffset = letter.y;
        word.m_characters.push_back(c);
    }
    return word;
}

inline CCalligraphyWord MakeWord(std::initializer_list<Letter> letters) {
    return MakeWord(std::vector<Letter>(letters));
}

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
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(ShapeOf(word.m_characters[i]), expected[i]) << what << ", letter " << i;
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
