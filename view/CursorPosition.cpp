// The pointer's position in the status bar (the view's and the rulers').

#include <cmath>

#include "view/KavitroView.h"

namespace kavitro {

std::optional<CursorPositionText> CKavitroView::FormatCursorPosition(std::uint32_t stringId, Point client) const {
    const StringTable* strings = m_document.GetServices().strings;
    if (!strings)
        return std::nullopt;
    CursorPositionText text;
    text.format = strings->GetString(stringId);
    if (text.format.empty())
        return std::nullopt;
    const char16_t layout = text.format[0];
    if (layout != u'1' && layout != u'2' && layout != u'3')
        return std::nullopt;
    text.format[0] = u' ';

    const Point logical = ClientToDoc(client);
    const float zoom = static_cast<float>(GetZoom());
    const double x = std::fabs(static_cast<float>(logical.x) / zoom);
    const double y = std::fabs(static_cast<float>(logical.y) / zoom);
    const std::u16string unit = m_document.m_nMapMode == 3   ? strings->GetString(kMillimetreStringId)
                                : m_document.m_nMapMode == 5 ? strings->GetString(kInchStringId)
                                                             : std::u16string();
    using A = CursorPositionText::Argument;
    if (layout != u'2')
        text.arguments.insert(text.arguments.end(), {A{x, {}, false}, A{0, unit, true}});
    if (layout != u'3')
        text.arguments.insert(text.arguments.end(), {A{y, {}, false}, A{0, unit, true}});
    return text;
}

void CKavitroView::ShowCursorPosition(std::uint32_t stringId, Point client) {
    if (const std::optional<CursorPositionText> text = FormatCursorPosition(stringId, client))
        m_host.ShowCursorPosition(*text);
}

}  // namespace kavitro
