#include "engine/KafGafStrokes.h"

#include <array>
#include <iterator>

#include "engine/CodePointTable.h"

namespace kavitro {

namespace {

constexpr GlyphId G(unsigned font, unsigned index) { return MakeGlyph(font, index); }

// Bodies that take the short stroke.
constexpr GlyphId kShortBodies[] = {
    G(1, 37),  G(1, 60),  G(1, 66),  G(1, 92),  G(1, 103), G(1, 161), G(2, 67),  G(2, 70),
    G(2, 96),  G(2, 101), G(2, 117), G(2, 148), G(2, 150), G(2, 172), G(2, 208), G(3, 38),
    G(3, 49),  G(3, 51),  G(3, 74),  G(3, 76),  G(3, 81),  G(3, 87),  G(3, 89),  G(3, 115),
    G(3, 143), G(3, 150), G(3, 198), G(3, 237), G(4, 92),  G(4, 113), G(4, 135), G(4, 161),
    G(4, 167), G(4, 198), G(4, 226), G(4, 230), G(5, 134), G(5, 249),
};

// Bodies that take the long stroke.
constexpr GlyphId kLongBodies[] = {
    G(1, 57),  G(1, 62),  G(1, 79),  G(1, 80),  G(1, 100), G(1, 106), G(1, 114), G(1, 129),
    G(1, 144), G(1, 164), G(1, 166), G(1, 185), G(1, 202), G(1, 204), G(1, 223), G(1, 227),
    G(1, 229), G(1, 236), G(1, 237), G(1, 239), G(2, 33),  G(2, 106), G(2, 131), G(2, 137),
    G(2, 140), G(2, 158), G(2, 163), G(2, 176), G(2, 206), G(2, 253), G(3, 34),  G(3, 35),
    G(3, 48),  G(3, 63),  G(3, 66),  G(3, 67),  G(3, 78),  G(3, 100), G(3, 102), G(3, 114),
    G(3, 120), G(3, 122), G(3, 126), G(3, 128), G(3, 130), G(3, 156), G(3, 158), G(3, 167),
    G(3, 180), G(3, 183), G(3, 191), G(3, 209), G(3, 213), G(3, 239), G(3, 240), G(4, 93),
    G(4, 105), G(4, 115), G(4, 123), G(4, 130), G(4, 137), G(4, 166), G(4, 178), G(4, 202),
    G(4, 203), G(4, 224), G(5, 89),  G(5, 100), G(5, 106), G(5, 110), G(5, 120), G(5, 126),
    G(5, 128), G(5, 130), G(5, 133), G(5, 138), G(5, 155), G(5, 160), G(5, 169), G(5, 173),
    G(5, 178), G(5, 181), G(5, 183), G(5, 184), G(5, 212), G(5, 215), G(5, 218), G(5, 219),
};

struct SpecialBody {
    GlyphId body;
    std::uint8_t gafStroke;  // keheh has no stroke on these bodies
};

constexpr SpecialBody kSpecialBodies[] = {
    {G(2, 85), 45},  {G(2, 86), 45},  {G(2, 88), 45},  {G(2, 180), 45}, {G(3, 99), 45},  {G(4, 171), 45},
    {G(4, 172), 45}, {G(4, 173), 45}, {G(2, 219), 47}, {G(3, 137), 72}, {G(5, 210), 58},
};

static_assert(std::size(kShortBodies) == 38 && std::size(kLongBodies) == 88 && std::size(kSpecialBodies) == 11);

constexpr std::uint8_t kUnlisted = 0xFF;

struct StrokePair {
    std::uint8_t keheh = kUnlisted;
    std::uint8_t gaf = kUnlisted;
};

constexpr std::size_t kSlots = 5 * 256;

constexpr std::size_t Slot(GlyphId body) { return (GlyphFont(body) - 1) * 256 + GlyphIndex(body); }

// One slot per glyph of the five fonts, so that the pass over a word is a
// plain index per letter.
constexpr std::array<StrokePair, kSlots> BuildStrokeTable() {
    std::array<StrokePair, kSlots> table{};
    for (GlyphId body : kShortBodies) table[Slot(body)] = {kKehehShortStroke, kGafShortStroke};
    for (GlyphId body : kLongBodies) table[Slot(body)] = {kKehehLongStroke, kGafLongStroke};
    for (const SpecialBody& special : kSpecialBodies) table[Slot(special.body)] = {0, special.gafStroke};
    return table;
}

constexpr std::array<StrokePair, kSlots> kStrokeTable = BuildStrokeTable();

}  // namespace

std::optional<std::uint8_t> FindKafGafStroke(std::uint16_t code, GlyphId body) {
    if (!IsKehehOrGafCode(code)) return std::nullopt;
    const unsigned font = body >> 16;  // the whole high half, so that no stray id aliases a slot
    if (font < 1 || font > 5 || GlyphIndex(body) != (body & 0xFFFF)) return std::nullopt;
    const StrokePair& pair = kStrokeTable[Slot(body)];
    const std::uint8_t stroke = code == kKehehCode ? pair.keheh : pair.gaf;
    if (stroke == kUnlisted) return std::nullopt;
    return stroke;
}

}  // namespace kavitro
