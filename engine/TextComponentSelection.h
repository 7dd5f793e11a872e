#pragma once

// One selected component of a text object: a word range, a letter, a letter's
// mark or a vowel point. The text object's hit test fills it; the paragraph
// deletes what it names.

#include <cstdint>

namespace kavitro {

class CTextComponentSelection {
public:
    static constexpr std::uint16_t kNone = 0xFFFF;  // names nothing in a u16 field
    static constexpr std::uint8_t kNoMark = 255;    // the mark byte of "not the mark"

    virtual ~CTextComponentSelection() = default;

    // One letter's dot or stroke mark.
    bool IsMark() const { return m_firstWord != kNone && m_lastWord != kNone && m_letter < kNone && m_mark < kNoMark; }
    bool IsLetter() const { return m_firstWord < kNone && m_lastWord < kNone && m_letter < kNone; }

    std::uint16_t m_firstWord = kNone;
    std::uint16_t m_lastWord = kNone;
    std::uint16_t m_letter = kNone;
    std::uint8_t m_mark = kNoMark;  // 0: the letter's mark
    std::uint16_t m_point = kNone;  // vowel-point index
};

}  // namespace kavitro
