#include "view/tools/TextComponentTools.h"

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

// The text-modification tools' cursors, by the current shape; the
// component tool's own otherwise.
ToolCursor ComponentCursor(ToolCursor own) {
    const std::int32_t shape = CDrawTool::CurrentShape();
    if (shape >= 11 && shape <= 13)
        return {ToolCursor::Kind::Resource, static_cast<std::uint32_t>(161 + (shape - 11))};
    return own;
}

}  // namespace

void CSelectTextComponentsTool::OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) {
    HitTestTextComponents(view, point);
    MovePoint() = view.ClientToDoc(point);
    CDrawTool::OnLButtonDown(view, flags, point);
}

void CSelectTextComponentsTool::OnMouseMove(CKavitroView& view, std::uint32_t, Point point, bool setCursor) {
    if (setCursor)
        ShowCursor(view, ComponentCursor(GetCursor()));
    const Point p = view.ClientToDoc(point);
    MoveTextComponents(
        view, Point{Clamp32(std::int64_t{p.x} - MovePoint().x), Clamp32(std::int64_t{p.y} - MovePoint().y)});
    MovePoint() = p;
    LastPoint() = point;
}

void CSelectTextComponentsTool::OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) {
    ClickTextComponent(view, flags, point);
    CDrawTool::OnLButtonUp(view, flags, point);
}

void CTextModificationTool::OnMouseMove(CKavitroView& view, std::uint32_t, Point point, bool setCursor) {
    if (setCursor)
        ShowCursor(view, ComponentCursor(GetCursor()));
    LastPoint() = point;
}

void CTextModificationTool::OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) {
    CSelectedObjects& selection = view.GetSelection();
    if (CDrawText* text = selection.GetEditedText()) {
        if (!IsClick(point))
            TextComponentMode() = kComponentsNone;
        const std::int32_t mode = TextComponentMode();
        if (mode == kComponentsNone) {
            selection.ClearComponent();
            selection.Invalidate(view, true);
        } else if (!m_components.empty()) {
            // The letter under the press, not the cycled one.
            const CTextComponentSelection& letter = m_components.front();
            view.GetDocument().RecordModify(text);
            text->m_paragraph.ModifyCharacter(letter.m_firstWord, letter.m_letter + 1,
                                              static_cast<std::uint16_t>(m_nCode));
            text->RecalcLayout(&view, true);
            view.GetDocument().SetModifiedFlag();
        } else {
            selection.ClearComponent();
            view.GetDocument().UpdateAllViews(nullptr, kHintObject, text);
        }
    }
    // Released in every case: a press with no single text selected took
    // the mouse too.
    CDrawTool::OnLButtonUp(view, flags, point);
}

}  // namespace kavitro
