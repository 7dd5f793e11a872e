#pragma once

// The codes a text object holds, in order, its closing space included.

#include <string>

#include "document/DrawText.h"

namespace kavitro::test {

inline std::u16string TextOf(const CDrawText& text) {
    std::u16string s;
    for (const CCalligraphyWord& word : text.m_paragraph.m_words)
        for (const CCalligraphyCharacter& c : word.m_characters)
            s += static_cast<char16_t>(c.m_code);
    return s;
}

}  // namespace kavitro::test
