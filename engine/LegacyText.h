#pragma once

// The text block of a version-1.x document: already shaped glyphs with
// absolute positions and an 8-bit character code of that version's own. The
// document reader fills it; CCalligraphyParagraph::LoadLegacyText rebuilds a
// paragraph from it.

#include <array>
#include <cstdint>
#include <optional>

namespace kavitro {

struct CLegacyTextBlock {
    static constexpr std::size_t kRecordCount = 200;
    // A glyph's advance at the reference size 2160 spans advance * scale /
    // kAdvanceUnit units of version 1.x.
    static constexpr double kAdvanceUnit = 2137.1904;

    struct Record {
        std::uint8_t glyphIndex = 0;
        std::uint8_t legacyCode = 0;
        float x = 0;  // left end of the glyph, growing to the right
        float y = 0;  // growing downward
        std::uint8_t mark = 0;       // font-4 glyph index; 0 = none
        std::uint8_t alternate = 0;  // nonzero: the letter's alternate form
        std::uint8_t unused = 0;
        std::uint8_t font = 0;       // 1..5
        std::int32_t markDx = 0;
        std::int32_t markDy = 0;
    };

    std::array<Record, kRecordCount> records{};
    std::int32_t unused1 = 0;
    std::int32_t characterCount = 0;
    std::int32_t unused2 = 0;
    float scale = 0;  // the text size of version 1.x
    std::int32_t unused3 = 0;
    float xOrigin = 0;
    float yOrigin = 0;
};

// The Unicode code of a version-1.x character byte, none for a byte that
// has no counterpart.
std::optional<std::uint16_t> LegacyCodeToUnicode(std::uint8_t legacyCode);

// Version 1.x rounds positions to the nearest integer with an exact half
// going down (2.5 to 2, -2.5 to -3). None for a value that does not fit in
// 32 bits (or is not a number).
std::optional<std::int32_t> RoundLegacyPosition(double value);

}  // namespace kavitro
