// The view's handler of inserted text (message 0x4CE): the text of the
// import wizard, pasted Unicode text and the first space of a new document.

#include <cmath>
#include <memory>
#include <utility>

#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "view/KavitroView.h"
#include "view/RibbonValues.h"

namespace kavitro {

std::int32_t CKavitroView::NewTextSize() const {
    const CApplicationProperties& s = *Settings();
    const RibbonValues& ribbon = RibbonValues::Current();
    double shown = ribbon.textSize ? ribbon.textSize() : s[CApplicationProperties::DefaultTextSize];
    // A size box holding no finite number counts as empty.
    if (!std::isfinite(shown))
        shown = s[CApplicationProperties::DefaultTextSize];
    return CDrawText::ClampSize(SaturateToInt32(std::trunc(shown * 20)));
}

CDrawText* CKavitroView::MakeTextForInsertion() {
    const std::int32_t size = NewTextSize();
    const std::int32_t angle = RibbonValues::Current().angle ? RibbonValues::Current().angle() : 0;
    const std::int32_t zoom = GetZoom();
    // Room for one line at the page's top-right corner.
    const std::int32_t line = CCalligraphyFont::GetInstance().GetLineHeight();
    const std::int32_t h1 = ScaleSaturated(line, size, 2160);
    const std::int32_t h2 = ScaleSaturated(std::int64_t{2} * line, size, 2160);
    CPolygonRect at;
    at.m_rect = Rect(-ScaleSaturated(h1, zoom, 100), -ScaleSaturated(h2, zoom, 100), 0, 0);
    at.SetAngle(0);
    auto owned = std::make_unique<CDrawText>(at, m_nCurrentPage, &m_document);
    CDrawText* text = owned.get();
    text->m_nSize = size;
    m_document.Add(owned.release(), false);
    PostSelectionChanged();
    text->ApplyChange(this, angle, false, false);
    m_document.RecordModify(text);
    text->m_color = static_cast<COLORREF>((*Settings())[CApplicationProperties::DefaultTextColor]);
    Select(text, false, false);
    return text;
}

void CKavitroView::OnInsertText(std::u16string text, LParam lParam) {
    // A fresh document that only got its starting space asks nothing at close.
    const bool startingText = std::exchange(m_startingTextPending, false) && !m_document.IsModified();
    CDrawText* target = m_selection.GetEditedText();
    if (!target)
        target = MakeTextForInsertion();
    // The block always ends in its terminator, so that its last line is laid
    // out and selected like the others.
    if (text.empty() || text.back() != u'\0')
        text.push_back(u'\0');
    m_document.InsertText(this, target, text.data(), text.size(), lParam == 0);
    if (startingText)
        m_document.SetModifiedFlag(false);
}

}  // namespace kavitro
