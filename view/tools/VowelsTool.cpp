#include "view/tools/VowelsTool.h"

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "engine/CalligraphyFont.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

constexpr std::int32_t kFirstVowelShape = 14;
constexpr std::uint8_t kSignCodes[] = {38, 37, 36, 35, 70, 71, 69, 68, 47, 61, 62, 63, 64, 42, 67, 46, 44, 66, 65, 43};

}  // namespace

std::uint8_t CVowelsTool::SignCodeOf(std::int32_t shape) {
    const std::int64_t i = std::int64_t{shape} - kFirstVowelShape;
    if (i < 0 || i >= static_cast<std::int64_t>(std::size(kSignCodes)))
        return 35;
    return kSignCodes[i];
}

void CVowelsTool::OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) {
    CDrawText* text = view.GetSelection().GetEditedText();
    if (!text)
        return;
    CKavitroDoc& doc = view.GetDocument();
    const std::int32_t zoom = doc.GetZoom();
    const Point logical = view.ClientToDoc(point);
    const Point p{MulDiv(logical.x, 100, zoom), MulDiv(logical.y, 100, zoom)};

    // Relative to the start of the baseline, in glyph units of size 2160.
    const std::int32_t size = text->GetTextSize();
    const Point baseline = text->GetBaselinePoint();
    Point r{MulDiv(Clamp32(std::int64_t{p.x} - baseline.x), 2160, size),
            MulDiv(Clamp32(std::int64_t{p.y} - baseline.y), 2160, size)};
    const std::int32_t angle = text->m_position.m_nAngle;
    if (angle != 0)
        RotatePoint(GetTrigTable(), r, 360 - NormalizeAngle(angle), Point{0, 0});

    doc.RecordModify(text);
    text->m_paragraph.m_points.push_back(CCalligraphyPoint{SignCodeOf(GetShape()), r.x, r.y});
    text->RecalcLayout(&view, true);
    doc.SetModifiedFlag();
    CDrawTool::OnLButtonDown(view, flags, point);
}

void CVowelsTool::OnMouseMove(CKavitroView& view, std::uint32_t, Point point, bool setCursor) {
    if (setCursor) {
        // Another shape reaching this tool shows the arrow.
        ShowCursor(view, CurrentShape() == GetShape() ? GetCursor() : ToolCursor{});
    }
    LastPoint() = point;
}

}  // namespace kavitro
