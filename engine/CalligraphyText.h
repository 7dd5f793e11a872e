#pragma once

// The text model of a calligraphic text object: shaped characters grouped in
// connected words, and the paragraph of words and free vowel signs.
// The model stores the result of shaping (glyph, offset, mark) so that a loaded
// text draws as it was saved without being shaped again.

#include <cstdint>
#include <vector>

namespace kavitro {

// Glyph id: (font number << 16) | glyph index; index 0 means "not shaped".
using GlyphId = std::uint32_t;

constexpr GlyphId MakeGlyph(unsigned font, unsigned index) { return (font << 16) | index; }
constexpr unsigned GlyphFont(GlyphId id) { return (id >> 16) & 0xFF; }
constexpr unsigned GlyphIndex(GlyphId id) { return id & 0xFF; }

class CCalligraphyCharacter {
public:
    enum Flags : std::uint8_t {
        kAlternate = 0x01,  // the user's alternate-form choice
        kModified = 0x02,   // glyph chosen by a text-modification command
    };

    CCalligraphyCharacter() = default;
    CCalligraphyCharacter(const CCalligraphyCharacter&) = default;
    CCalligraphyCharacter& operator=(const CCalligraphyCharacter&) = default;
    virtual ~CCalligraphyCharacter() = default;

    bool HasGlyph(GlyphId id) const { return GetGlyph() == id; }
    GlyphId GetGlyph() const { return MakeGlyph(m_font, m_glyph); }
    void SetGlyph(GlyphId id) {
        m_font = static_cast<std::uint8_t>(GlyphFont(id));
        m_glyph = static_cast<std::uint8_t>(GlyphIndex(id));
    }
    std::uint16_t& GetCode() { return m_code; }
    std::uint16_t GetCode() const { return m_code; }
    bool IsAlternate() const { return (m_flags & kAlternate) != 0; }
    bool IsLam() const { return m_code == 0x0644; }
    bool IsMeem() const { return m_code == 0x0645; }
    bool IsKehehOrGaf() const { return m_code == 0x06A9 || m_code == 0x06AF; }

    std::uint16_t m_code = 0;
    std::uint8_t m_glyph = 0;  // glyph index in its font; 0 = not shaped
    std::uint8_t m_font = 0;   // 1..5 once shaped
    std::int32_t m_yOffset = 0;  // y units (1/750 of the text size), grows downward
    std::uint8_t m_flags = 0;
    std::uint8_t m_mark = 0;     // font-4 glyph index of the dot or stroke; 0 = none
    std::int32_t m_markDx = 0;   // glyph units
    std::int32_t m_markDy = 0;   // glyph units, grows upward
};

struct CCalligraphyPoint {
    CCalligraphyPoint() = default;
    CCalligraphyPoint(const CCalligraphyPoint&) = default;
    CCalligraphyPoint& operator=(const CCalligraphyPoint&) = default;
    virtual ~CCalligraphyPoint() = default;

    std::uint8_t m_sign = 0;  // font-4 glyph index of the vowel sign
    std::int32_t m_x = 0;     // glyph units, relative to the text object
    std::int32_t m_y = 0;
};

// One connected letter group and its position. (Serialization, copying and the
// measures are added with the paragraph operations.)
class CCalligraphyWord {
public:
    std::vector<CCalligraphyCharacter> m_characters;  // logical (typing) order
    std::int32_t m_x = 0;  // glyph units, grows leftward from the start of the text
    std::int32_t m_y = 0;  // y units
};

}  // namespace kavitro
