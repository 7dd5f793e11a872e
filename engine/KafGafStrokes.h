#pragma once

// The top stroke of keheh and gaf depends on the body glyph the letter shows:
// a lookup from body glyph to stroke mark (a font-4 glyph index).

#include <cstdint>
#include <optional>

#include "engine/GlyphMetrics.h"

namespace kavitro {

inline constexpr std::uint8_t kKehehLongStroke = 39;
inline constexpr std::uint8_t kKehehShortStroke = 59;
inline constexpr std::uint8_t kGafLongStroke = 40;
inline constexpr std::uint8_t kGafShortStroke = 60;

// The stroke a keheh or gaf takes on this body (0 = no stroke), or nothing
// when the code is another letter or the body is not listed: the mark then
// stays as it is.
std::optional<std::uint8_t> FindKafGafStroke(std::uint16_t code, GlyphId body);

}  // namespace kavitro
