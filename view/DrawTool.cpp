#include "view/DrawTool.h"

#include <algorithm>
#include <cstdlib>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/ObjectsBuffer.h"
#include "view/KavitroView.h"
#include "view/tools/DrawTools.h"

namespace kavitro {

namespace {

ToolCursor Resource(std::uint32_t id) { return {ToolCursor::Kind::Resource, id}; }

// The tools, built once and kept for the whole process, in list order.
std::vector<std::unique_ptr<CDrawTool>> MakeTools() {
    std::vector<std::unique_ptr<CDrawTool>> tools;
    tools.push_back(std::make_unique<CSelectTool>(0));
    tools.push_back(std::make_unique<CSelectTextComponentsTool>(1));
    tools.push_back(std::make_unique<CZoomTool>(6, Resource(10202)));
    tools.push_back(std::make_unique<CZoomTool>(7, Resource(10203)));
    tools.push_back(std::make_unique<CHandTool>(8, Resource(10201)));
    tools.push_back(std::make_unique<CObjectPictureTool>(9, ToolCursor{ToolCursor::Kind::Cross, 0}));
    tools.push_back(std::make_unique<CObjectTextTool>(10, Resource(10200)));
    tools.push_back(std::make_unique<CRectTool>(2, Resource(10208)));
    tools.push_back(std::make_unique<CRectTool>(3, Resource(10206)));
    tools.push_back(std::make_unique<CRectTool>(4, Resource(10207)));
    tools.push_back(std::make_unique<CRectTool>(5, Resource(10205)));
    tools.push_back(std::make_unique<CTextModificationTool>(11, 65430, 161));
    tools.push_back(std::make_unique<CTextModificationTool>(12, 65431, 162));
    tools.push_back(std::make_unique<CTextModificationTool>(13, 65432, 163));
    constexpr std::uint32_t kVowelCursors[] = {133, 142, 141, 140, 24002, 24001, 24003, 24004, 151, 152,
                                               153, 154, 155, 148, 157,   147,   158,   159,   156, 160};
    std::int32_t shape = 14;
    for (const std::uint32_t cursor : kVowelCursors)
        tools.push_back(std::make_unique<CVowelsTool>(shape++, Resource(cursor)));
    return tools;
}

struct ToolList {
    std::vector<std::unique_ptr<CDrawTool>> owned = MakeTools();
    std::vector<CDrawTool*> list = [this] {
        std::vector<CDrawTool*> l;
        for (const auto& t : owned)
            l.push_back(t.get());
        return l;
    }();
};

ToolList& TheTools() {
    static ToolList tools;
    return tools;
}

bool OnPage(const CDrawObj& o, std::uint32_t page) {
    return page == kAllPages || IsOnEveryPage(o.m_nPage) || o.m_nPage == page;
}

}  // namespace

CDrawTool::CDrawTool(std::int32_t shape, ToolCursor cursor) : m_nShape(shape), m_cursor(cursor) {}

std::int32_t& CDrawTool::CurrentShape() {
    static std::int32_t shape = 0;
    return shape;
}

std::int32_t& CDrawTool::ShapeBeforeZoom() {
    static std::int32_t shape = 0;
    return shape;
}

Point& CDrawTool::PressPoint() {
    static Point p;
    return p;
}

Point& CDrawTool::LastPoint() {
    static Point p;
    return p;
}

Point& CDrawTool::MovePoint() {
    static Point p;
    return p;
}

std::int32_t& CDrawTool::SelectMode() {
    static std::int32_t mode = kSelectNone;
    return mode;
}

std::int32_t& CDrawTool::DragHandle() {
    static std::int32_t handle = 0;
    return handle;
}

std::int32_t& CDrawTool::TextComponentMode() {
    static std::int32_t mode = kComponentsNone;
    return mode;
}

const std::vector<CDrawTool*>& CDrawTool::Tools() { return TheTools().list; }

CDrawTool* CDrawTool::FindTool(std::int32_t shape) {
    for (CDrawTool* t : Tools())
        if (t->GetShape() == shape)
            return t;
    return nullptr;
}

void CDrawTool::NextAction() { ++CObjectsBuffer::GetActionIdCounter(); }

bool CDrawTool::IsClick(Point point) {
    const Point press = PressPoint();
    return std::llabs(std::int64_t{point.x} - press.x) < 2 && std::llabs(std::int64_t{point.y} - press.y) < 2;
}

void CDrawTool::ShowCursor(CKavitroView& view, ToolCursor cursor) {
    switch (cursor.kind) {
    case ToolCursor::Kind::Arrow: view.GetHost().SetCursor(ViewCursor::Arrow); break;
    case ToolCursor::Kind::Cross: view.GetHost().SetCursor(ViewCursor::Cross); break;
    case ToolCursor::Kind::Resource: view.GetHost().SetCursor(ViewCursor::Resource, cursor.resourceId); break;
    }
}

void CDrawTool::OnLButtonDown(CKavitroView& view, std::uint32_t, Point point) {
    view.GetHost().SetCapture(true);
    PressPoint() = point;
    LastPoint() = point;
}

void CDrawTool::OnLButtonDblClk(CKavitroView&, std::uint32_t, Point) {}

void CDrawTool::OnLButtonUp(CKavitroView& view, std::uint32_t, Point) {
    view.GetHost().SetCapture(false);
    if (RevertsToSelection())
        CurrentShape() = 0;
    // Outline modes drew drags inverted: the page is repainted plainly.
    const std::uint16_t mode = view.GetDocument().GetDrawingMode();
    if (mode == 1 || mode == 2) {
        view.GetOverlay().Clear();
        view.GetHost().InvalidateAll();
    }
    NextAction();
}

void CDrawTool::OnMouseMove(CKavitroView& view, std::uint32_t, Point point, bool setCursor) {
    LastPoint() = point;
    if (setCursor)
        view.GetHost().SetCursor(ViewCursor::Arrow);
}

void CDrawTool::OnChar(CKavitroView& view, std::uint32_t code, std::uint32_t, std::uint32_t flags) {
    CDrawText* text = view.GetSelection().GetEditedText();
    if (!text)
        return;
    text->OnChar(&view, code, flags);
    NextAction();
}

void CDrawTool::OnKeyDown(CKavitroView& view, std::uint32_t key, std::uint32_t, std::uint32_t flags) {
    Point offset;
    switch (key) {
    case VK_LEFT: offset = {-100, 0}; break;
    case VK_RIGHT: offset = {100, 0}; break;
    case VK_UP: offset = {0, 100}; break;
    case VK_DOWN: offset = {0, -100}; break;
    default: break;
    }
    CSelectedObjects& selection = view.GetSelection();
    if (CDrawText* text = selection.GetEditedText()) {
        if (flags & MK_CONTROL) {
            view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
            if (!selection.HasComponent()) {
                selection.ClearComponent();
                selection.MoveBy(offset, view, 110, false, false);
            } else {
                if (selection.m_component.m_point == CTextComponentSelection::kNone)
                    text->MoveMarkOrWordsBy(selection.m_component, offset);
                else
                    text->MoveVowelPointBy(selection.m_component, offset);
                text->RecalcLayout(&view, true);
            }
            view.GetDocument().SetModifiedFlag();
            view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
        } else if (key == VK_LEFT || key == VK_RIGHT) {
            // The text runs right to left: Left goes one character on.
            text->m_paragraph.SetCaret(text->m_nCaret, key == VK_LEFT ? 1 : -1, true);
            view.UpdateCaret(true);
        }
        return;
    }
    if (!selection.IsEmpty()) {
        view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
        selection.MoveBy(offset, view, 110, false, false);
        view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    }
    NextAction();
}

void CDrawTool::OnEditProperties(CKavitroView&) {}

void CDrawTool::OnCancel() { CurrentShape() = 0; }

void CDrawTool::RotateSelection(CKavitroView& view, std::int32_t angle, bool absolute) {
    CSelectedObjects& selection = view.GetSelection();
    if (selection.IsEmpty())
        return;
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    const std::vector<CDrawObj*> objects = selection.GetObjects();
    // Only text objects turn by this command; the others ignore it.
    for (CDrawObj* o : objects)
        if (auto* text = dynamic_cast<CDrawText*>(o))
            text->ApplyChange(&view, angle, absolute, true);
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    NextAction();
}

void CDrawTool::AlignTextBaselines(CKavitroView& view, int mode) {
    CSelectedObjects& selection = view.GetSelection();
    if (selection.GetEditedText())
        return;
    const Point origin = selection.GetTextOrigin();
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    const std::vector<CDrawObj*> objects = selection.GetObjects();
    for (CDrawObj* o : objects) {
        auto* text = dynamic_cast<CDrawText*>(o);
        if (!text || !OnPage(*text, view.GetCurrentPage()))
            continue;
        const std::int32_t baseline = text->GetZoomedBaselinePoint().y;
        std::int32_t dy = MulDiv(Clamp32(std::int64_t{origin.y} - baseline), 10, 100);
        if (mode == 0)
            dy = -dy;
        CPolygonRect pr = text->BuildZoomedPosition();
        pr.m_rect.OffsetRect(0, dy);
        pr.SetAngle(pr.m_nAngle);
        text->MoveTo(pr, &view, false);
    }
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    NextAction();
}

void CDrawTool::AdjustTextSpacing(CKavitroView& view, int mode) {
    CSelectedObjects& selection = view.GetSelection();
    CKavitroDoc& doc = view.GetDocument();
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    const std::vector<CDrawObj*> objects = selection.GetObjects();
    for (CDrawObj* o : objects) {
        auto* text = dynamic_cast<CDrawText*>(o);
        if (!text || !OnPage(*text, view.GetCurrentPage()))
            continue;
        doc.RecordModify(text);
        const CApplicationProperties* settings = doc.GetServices().settings;
        const SmartSpacingSettings spacing = settings ? settings->GetSmartSpacing() : SmartSpacingSettings{};
        switch (mode) {
        case 0:
        case 1:
            for (std::size_t i = 0; i < text->m_paragraph.m_words.size(); ++i) {
                std::int32_t& x = text->m_paragraph.m_words[i].m_x;
                x = Clamp32(std::int64_t{x} + MulDiv(x, mode == 0 ? 10 : -10, 100));
            }
            break;
        case 2: text->m_paragraph.SmartSpace(false, spacing); break;
        case 3:
            text->m_nBaselineOffset = 0;
            text->m_paragraph.SmartSpace(true, spacing);
            break;
        default: break;
        }
        NextAction();
        text->RecalcLayout(&view, true);
    }
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    NextAction();
}

void CDrawTool::SetTextColor(CKavitroView& view, COLORREF colour) {
    CSelectedObjects& selection = view.GetSelection();
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    const std::vector<CDrawObj*> objects = selection.GetObjects();
    for (CDrawObj* o : objects) {
        auto* text = dynamic_cast<CDrawText*>(o);
        if (!text)
            continue;
        view.GetDocument().RecordModify(text);
        text->m_color = colour;
    }
    view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    NextAction();
}

}  // namespace kavitro
