#pragma once

// Equality of the text model, for the fuzz targets that check that an edit
// undone or a block stored and loaded again gives the same paragraph. Kept
// apart from FuzzSupport.h, which serves every target and knows no engine.

#include <cstddef>

#include "engine/CalligraphyText.h"

namespace kavitro::fuzz {

// Every stored field of a character.
inline bool SameCharacter(const CCalligraphyCharacter& a, const CCalligraphyCharacter& b) {
    return a.m_code == b.m_code && a.m_glyph == b.m_glyph && a.m_font == b.m_font && a.m_yOffset == b.m_yOffset &&
           a.m_flags == b.m_flags && a.m_mark == b.m_mark && a.m_markDx == b.m_markDx && a.m_markDy == b.m_markDy;
}

// The same words at the same places, character by character; vowel points
// are not compared.
inline bool SameWords(const CCalligraphyParagraph& a, const CCalligraphyParagraph& b) {
    if (a.m_words.size() != b.m_words.size())
        return false;
    for (std::size_t i = 0; i < a.m_words.size(); ++i) {
        const CCalligraphyWord& wa = a.m_words[i];
        const CCalligraphyWord& wb = b.m_words[i];
        if (wa.m_x != wb.m_x || wa.m_y != wb.m_y || wa.m_characters.size() != wb.m_characters.size())
            return false;
        for (std::size_t k = 0; k < wa.m_characters.size(); ++k) {
            if (!SameCharacter(wa.m_characters[k], wb.m_characters[k]))
                return false;
        }
    }
    return true;
}

}  // namespace kavitro::fuzz
