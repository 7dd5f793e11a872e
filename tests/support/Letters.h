#pragma once

// The vocabulary every engine test shares: the codes of the letters by name,
// glyph ids written as font and index, and a letter of a word given by code,
// glyph, flags and lift, so that tests build words whatever tables exist.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "engine/CalligraphyText.h"
#include "engine/GlyphMetrics.h"

namespace kavitro::test {

constexpr GlyphId G(unsigned font, unsigned index) { return MakeGlyph(font, index); }

// Persian letters as the keyboard types them (Persian keheh and yeh, not the
// Arabic forms), and the space.
inline constexpr std::uint16_t kSpace = 0x0020;
inline constexpr std::uint16_t kHamza = 0x0621;
inline constexpr std::uint16_t kAlefMadda = 0x0622;
inline constexpr std::uint16_t kAlef = 0x0627;
inline constexpr std::uint16_t kBeh = 0x0628;
inline constexpr std::uint16_t kTeh = 0x062A;
inline constexpr std::uint16_t kTheh = 0x062B;
inline constexpr std::uint16_t kJeem = 0x062C;
inline constexpr std::uint16_t kHah = 0x062D;
inline constexpr std::uint16_t kKhah = 0x062E;
inline constexpr std::uint16_t kDal = 0x062F;
inline constexpr std::uint16_t kThal = 0x0630;
inline constexpr std::uint16_t kReh = 0x0631;
inline constexpr std::uint16_t kZain = 0x0632;
inline constexpr std::uint16_t kSeen = 0x0633;
inline constexpr std::uint16_t kSheen = 0x0634;
inline constexpr std::uint16_t kSad = 0x0635;
inline constexpr std::uint16_t kDad = 0x0636;
inline constexpr std::uint16_t kTah = 0x0637;
inline constexpr std::uint16_t kZah = 0x0638;
inline constexpr std::uint16_t kAin = 0x0639;
inline constexpr std::uint16_t kGhain = 0x063A;
inline constexpr std::uint16_t kFeh = 0x0641;
inline constexpr std::uint16_t kQaf = 0x0642;
inline constexpr std::uint16_t kLam = 0x0644;
inline constexpr std::uint16_t kMeem = 0x0645;
inline constexpr std::uint16_t kNoon = 0x0646;
inline constexpr std::uint16_t kHeh = 0x0647;
inline constexpr std::uint16_t kWaw = 0x0648;
inline constexpr std::uint16_t kPeh = 0x067E;
inline constexpr std::uint16_t kTcheh = 0x0686;
inline constexpr std::uint16_t kJeh = 0x0698;
inline constexpr std::uint16_t kKeheh = 0x06A9;
inline constexpr std::uint16_t kGaf = 0x06AF;
inline constexpr std::uint16_t kYeh = 0x06CC;

// The flag of a letter in its alternate form.
inline constexpr std::uint8_t kAlt = CCalligraphyCharacter::kAlternate;

// A letter of a word: its code, glyph, flags and lift (y units, growing
// downward).
struct Letter {
    std::uint16_t code = 0;
    GlyphId glyph = 0;
    std::uint8_t flags = 0;
    std::int32_t y = 0;
};

inline CCalligraphyCharacter MakeCharacter(const Letter& letter) {
    CCalligraphyCharacter c;
    c.m_code = letter.code;
    c.SetGlyph(letter.glyph);
    c.m_flags = letter.flags;
    c.m_yOffset = letter.y;
    return c;
}

// A word of the letters, in typing order.
inline CCalligraphyWord MakeWord(const std::vector<Letter>& letters) {
    CCalligraphyWord word;
    for (const Letter& letter : letters)
        word.m_characters.push_back(MakeCharacter(letter));
    return word;
}

inline CCalligraphyWord MakeWord(std::initializer_list<Letter> letters) {
    return MakeWord(std::vector<Letter>(letters));
}

}  // namespace kavitro::test
