#pragma once

// The engine's vocabulary of letters and glyphs: the codes it treats by name,
// the glyph-id layout and the glyphs it places itself. Everything that needs
// one of these names takes it from here.

#include <cstdint>

namespace kavitro {

// --- Glyph ids ------------------------------------------------------------------
// Glyph id: (font number << 16) | glyph index; index 0 means "not shaped".
using GlyphId = std::uint32_t;

constexpr GlyphId MakeGlyph(unsigned font, unsigned index) { return (font << 16) | index; }
constexpr unsigned GlyphFont(GlyphId id) { return (id >> 16) & 0xFF; }
constexpr unsigned GlyphIndex(GlyphId id) { return id & 0xFF; }

// The font that holds dots, strokes, vowel signs, digits and punctuation.
inline constexpr unsigned kMarkFont = 4;

// Its dot marks (one, two, three dots above, three below) and the hamza:
// the marks that sit beside a neighbour's and are kept clear of them.
constexpr bool IsDotMark(std::uint8_t mark) { return (mark >= 35 && mark <= 38) || mark == 67; }

// A space is glyph 32 of whichever font holds it; typing gives it font 1.
inline constexpr unsigned kSpaceGlyphIndex = 32;
inline constexpr GlyphId kSpaceGlyph = MakeGlyph(1, kSpaceGlyphIndex);

// --- Letter codes -------------------------------------------------------------------
inline constexpr std::uint16_t kSpaceCode = 0x0020;
inline constexpr std::uint16_t kBehCode = 0x0628;
inline constexpr std::uint16_t kJeemCode = 0x062C;
inline constexpr std::uint16_t kDalCode = 0x062F;
inline constexpr std::uint16_t kThalCode = 0x0630;
inline constexpr std::uint16_t kTahCode = 0x0637;
inline constexpr std::uint16_t kZahCode = 0x0638;
inline constexpr std::uint16_t kLamCode = 0x0644;
inline constexpr std::uint16_t kPehCode = 0x067E;
inline constexpr std::uint16_t kTchehCode = 0x0686;
inline constexpr std::uint16_t kKehehCode = 0x06A9;
inline constexpr std::uint16_t kGafCode = 0x06AF;
inline constexpr std::uint16_t kFarsiYehCode = 0x06CC;

constexpr bool IsDalOrThal(std::uint16_t code) { return code == kDalCode || code == kThalCode; }
constexpr bool IsKehehOrGafCode(std::uint16_t code) { return code == kKehehCode || code == kGafCode; }

}  // namespace kavitro
