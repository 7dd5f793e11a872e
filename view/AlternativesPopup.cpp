#include "view/AlternativesPopup.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/ObjectsBuffer.h"
#include "platform/Exceptions.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

// The word at the caret (preferring the end of the word before it), checked
// against the paragraph.
WordPosition WordAtCaret(const CDrawText& text) {
    const CCalligraphyParagraph& paragraph = text.m_paragraph;
    const WordPosition at = paragraph.CaretToWord(text.m_nCaret, true);
    if (at.word < 0 || static_cast<std::size_t>(at.word) >= paragraph.m_words.size())
        throw InvalidArgumentException("word index outside the paragraph");
    return at;
}

}  // namespace

CAlternativesPopup& CAlternativesPopup::Instance() {
    static CAlternativesPopup popup;
    return popup;
}

std::size_t CAlternativesPopup::GetCount() const { return std::min(m_paragraph.m_words.size(), kMaxItems); }

void CAlternativesPopup::Clear() {
    m_paragraph.RemoveAll();
    m_pText = nullptr;
}

bool CAlternativesPopup::Show(CKavitroView& view, Point client) {
    const CDrawText* text = view.GetSelection().GetEditedText();
    if (!text || text->m_paragraph.m_words.empty())
        return false;
    const WordPosition at = WordAtCaret(*text);
    Clear();  // a failed build leaves no popup of another word behind
    m_paragraph.SetContext(text->m_paragraph.GetContext());
    m_paragraph.BuildStylisticVariants(std::as_const(text->m_paragraph.m_words)[static_cast<std::size_t>(at.word)]);
    if (m_paragraph.m_words.size() > kMaxItems)
        m_paragraph.m_words.erase(m_paragraph.m_words.begin() + kMaxItems, m_paragraph.m_words.end());
    if (m_paragraph.m_words.empty())
        return false;  // no menu without items
    m_pText = text;
    view.GetHost().ShowPopupMenu(kMenuId, client);
    return true;
}

void CAlternativesPopup::Choose(CKavitroView& view, std::size_t index) {
    if (index >= GetCount())
        return;
    CDrawText* text = view.GetSelection().GetEditedText();
    if (!text || text != m_pText)
        return;
    CKavitroDoc& doc = view.GetDocument();
    CCalligraphyParagraph& paragraph = text->m_paragraph;
    if (paragraph.m_words.empty())
        return;
    const WordPosition at = WordAtCaret(*text);
    if (at.word == 0 && at.offset == 0) {
        doc.SetModifiedFlag();
        return;
    }
    const auto w = static_cast<std::size_t>(at.word);
    const CCalligraphyWord& current = std::as_const(paragraph.m_words)[w];
    // Word 0 of the popup is the word it was built for: another word at the
    // caret now means the popup is stale.
    if (!current.HasSameGlyphs(std::as_const(m_paragraph.m_words)[0]))
        return;

    CCalligraphyWord alternative = std::as_const(m_paragraph.m_words)[index];
    alternative.m_x = current.m_x;
    alternative.m_y = current.m_y;
    const std::int64_t shift = std::int64_t{alternative.GetWidth()} - current.GetWidth();

    doc.RecordModify(text);
    paragraph.m_words[w] = std::move(alternative);
    for (std::size_t i = w + 1; i < paragraph.m_words.size(); ++i) {
        CCalligraphyWord& later = paragraph.m_words[i];
        later.m_x = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            later.m_x + shift, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    }
    text->RecalcLayout(&view, true);
    ++CObjectsBuffer::GetActionIdCounter();
    doc.SetModifiedFlag();
}

}  // namespace kavitro
