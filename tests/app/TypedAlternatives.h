// The calligraphic alternatives of one word, typed into a text as a user
// types it: the paragraph the view hands to the alternatives popup.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include "document/DrawText.h"
#include "engine/CalligraphyText.h"

namespace kavitro::test {

inline CCalligraphyParagraph AlternativesOf(std::u16string_view letters) {
    CDrawText text;
    for (const char16_t c : letters)
        text.m_paragraph.InsertCharacter(text.m_nCaret, c);
    const WordPosition at = text.m_paragraph.CaretToWord(text.m_nCaret, true);
    CCalligraphyParagraph alternatives;
    alternatives.SetContext(text.m_paragraph.GetContext());
    if (at.word >= 0 && static_cast<std::size_t>(at.word) < text.m_paragraph.m_words.size())
        alternatives.BuildStylisticVariants(std::as_const(text.m_paragraph.m_words)[static_cast<std::size_t>(at.word)]);
    return alternatives;
}

}  // namespace kavitro::test
