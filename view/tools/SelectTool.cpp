#include "view/tools/SelectTool.h"

#include <algorithm>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

ViewCursor ToViewCursor(HandleCursor cursor) {
    switch (cursor) {
    case HandleCursor::SizeNWSE: return ViewCursor::SizeNWSE;
    case HandleCursor::SizeNS: return ViewCursor::SizeNS;
    case HandleCursor::SizeNESW: return ViewCursor::SizeNESW;
    case HandleCursor::SizeWE: return ViewCursor::SizeWE;
    case HandleCursor::SizeAll: return ViewCursor::SizeAll;
    }
    return ViewCursor::Arrow;
}

std::int32_t SelectionMethod(const CKavitroView& view) {
    const CApplicationProperties* s = view.GetDocument().GetServices().settings;
    return s ? (*s)[CApplicationProperties::SelectionMethod] : 0;
}

bool OnPage(const CDrawObj& o, std::uint32_t page) {
    return page == kAllPages || IsOnEveryPage(o.m_nPage) || o.m_nPage == page;
}

Rect Normalized(Rect r) {
    r.NormalizeRect();
    return r;
}

bool IsPlainWordRange(const CTextComponentSelection& r) {
    const auto none = CTextComponentSelection::kNone;
    return r.m_firstWord != none && r.m_lastWord != none && r.m_point == none && !r.IsMark();
}

void PostSelectionChanged(CKavitroView& view) {
    view.GetHost().Post(PostTarget::MainFrame, NotifyMessage::SelectionChanged);
}

}  // namespace

// --- Press ----------------------------------------------------------------------------------

void CSelectTool::OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) {
    CKavitroDoc& doc = view.GetDocument();
    CSelectedObjects& selection = view.GetSelection();
    SelectMode() = kSelectNone;
    TextComponentMode() = kComponentsNone;
    const Point p = view.ClientToDoc(point);

    if (m_bGuideHover) {
        view.m_pDraggedGuide = nullptr;
        for (CDrawObj* guide : doc.m_guideLines) {
            if (guide->HitTest(p, &view, true) == 0)
                continue;
            view.m_pDraggedGuide = guide;
            SelectMode() = kSelectGuide;
            break;
        }
    } else if ((DragHandle() = selection.HitTestHandle(p, view)) != 0) {
        m_dPressWidth = selection.GetBoundingRect().Width();
        m_dWidthChange = 0.0;
        for (CDrawObj* o : selection.GetObjects())
            o->CacheZoomedRect();
        selection.RecalcBounds();
        SelectMode() = kSelectSize;
    } else {
        for (CDrawObj* o : selection.GetObjects()) {
            if (!o->IntersectsPoint(p))
                continue;
            SelectMode() = kSelectMove;
            if ((SelectionMethod(view) & 8) && selection.GetEditedText())
                HitTestTextComponents(view, point);
            break;
        }
    }
    if (SelectMode() == kSelectNone && doc.ObjectAt(p, view.GetCurrentPage(), &view))
        SelectMode() = kSelectPick;
    if (SelectMode() == kSelectNone) {
        if (!(flags & MK_SHIFT)) {
            view.OnUpdate(CKavitroView::kHintSelection, nullptr);
            selection.ClearComponent();
            selection.RemoveAll();
            PostSelectionChanged(view);
        }
        SelectMode() = kSelectNet;
        view.ToggleOverlay(CViewOverlay::Kind::RubberBand, Rect(point.x, point.y, point.x, point.y));
    }
    MovePoint() = p;
    CDrawTool::OnLButtonDown(view, flags, point);
}

// --- Drag -----------------------------------------------------------------------------------

void CSelectTool::OnMouseMove(CKavitroView& view, std::uint32_t, Point point, bool setCursor) {
    const Point p = view.ClientToDoc(point);
    const Point offset{Clamp32(std::int64_t{p.x} - MovePoint().x),
                       Clamp32(std::int64_t{p.y} - MovePoint().y)};
    MovePoint() = p;
    ViewHost& host = view.GetHost();
    if (!host.HasCapture()) {
        HoverWithoutCapture(view, p);
        LastPoint() = point;
        return;
    }
    switch (SelectMode()) {
    case kSelectNet:
        view.ToggleOverlay(CViewOverlay::Kind::RubberBand, Normalized(Rect(PressPoint(), LastPoint())));
        view.ToggleOverlay(CViewOverlay::Kind::RubberBand, Normalized(Rect(PressPoint(), point)));
        LastPoint() = point;
        if (setCursor)
            host.SetCursor(ViewCursor::Arrow);
        return;
    case kSelectGuide: DragGuide(view, offset); break;
    case kSelectMove:
        if (TextComponentMode() == kComponentsSelected) {
            if (SelectionMethod(view) & 8)
                MoveTextComponents(view, offset);
        } else {
            view.GetSelection().MoveBy(offset, view, 100, true, true);
        }
        break;
    default:
        if (DragHandle() != 0)
            ResizeSelection(view, p, offset.x);
        break;
    }
    if (SelectMode() == kSelectSize && CurrentShape() == 0 && setCursor) {
        if (const auto cursor = view.GetSelection().GetHandleCursor(DragHandle()))
            host.SetCursor(ToViewCursor(*cursor));
    }
    LastPoint() = point;
}

void CSelectTool::DragGuide(CKavitroView& view, Point offset) {
    CDrawObj* guide = view.m_pDraggedGuide;
    const auto& guides = view.GetDocument().m_guideLines;
    const auto* line = dynamic_cast<const CDrawGuideLine*>(guide);
    if (!m_bGuideHover || !line || std::find(guides.begin(), guides.end(), guide) == guides.end()) {
        view.m_pDraggedGuide = nullptr;
        return;
    }
    CPolygonRect pr = guide->BuildZoomedPosition();
    if (line->IsVertical())
        pr.m_rect.OffsetRect(offset.x, 0);
    else
        pr.m_rect.OffsetRect(0, offset.y);
    pr.SetAngle(pr.m_nAngle);
    guide->MoveTo(pr, &view, true);
}

void CSelectTool::ResizeSelection(CKavitroView& view, Point p, std::int32_t dx) {
    CSelectedObjects& selection = view.GetSelection();
    if (selection.GetCount() == 1) {
        selection.Invalidate(view, false);
        selection.GetObjects().front()->MoveHandleTo(DragHandle(), p, &view);
        selection.Invalidate(view, false);
        return;
    }
    if (selection.GetCount() < 2)
        return;
    const std::int32_t handle = DragHandle();
    if (handle == 1 || handle == 4)
        m_dWidthChange -= dx;
    if (handle == 2 || handle == 3)
        m_dWidthChange += dx;
    // A selection without width has nothing to scale by: the factor would
    // be infinite and would throw every object off the page.
    if (m_dPressWidth == 0.0)
        return;
    selection.ApplyTransform(m_dWidthChange / m_dPressWidth + 1.0, view, handle);
}

void CSelectTool::HoverWithoutCapture(CKavitroView& view, Point p) {
    m_bGuideHover = false;
    if (CurrentShape() != 0)
        return;
    ViewHost& host = view.GetHost();
    const CSelectedObjects& selection = view.GetSelection();
    if (const int handle = selection.HitTestHandle(p, view)) {
        if (const auto cursor = selection.GetHandleCursor(handle))
            host.SetCursor(ToViewCursor(*cursor));
        return;
    }
    for (CDrawObj* guide : view.GetDocument().m_guideLines) {
        if (guide->HitTest(p, &view, true) == 0)
            continue;
        host.SetCursor(ToViewCursor(guide->GetHandleCursor(1)));
        m_bGuideHover = true;
        return;
    }
    host.SetCursor(ViewCursor::Arrow);
}

// --- Release --------------------------------------------------------------------------------

void CSelectTool::OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) {
    CKavitroDoc& doc = view.GetDocument();
    CSelectedObjects& selection = view.GetSelection();
    for (CDrawObj* o : selection.GetObjects())
        o->ClearZoomedRect();
    selection.ClearBounds();
    const Point p = view.ClientToDoc(point);
    if (view.GetHost().HasCapture()) {
        switch (SelectMode()) {
        case kSelectPick:
            if (CDrawObj* hit = doc.ObjectAt(p, view.GetCurrentPage(), &view); hit && !view.IsSelected(*hit))
                view.Select(hit, (flags & MK_SHIFT) != 0, true);
            selection.Invalidate(view, false);
            break;
        case kSelectNet: {
            // The band goes in every case: an empty one would stay in the
            // overlay for good.
            const Rect band = Normalized(Rect(PressPoint(), LastPoint()));
            view.ToggleOverlay(CViewOverlay::Kind::RubberBand, band);
            if (!band.IsRectEmpty())
                view.SelectObjectsInRect(band);
            break;
        }
        case kSelectMove: ReleaseMove(view, flags, p, point); break;
        case kSelectGuide: ReleaseGuide(view, point); break;
        default: doc.UpdateAllViews(&view, kHintNone, nullptr); break;
        }
    }
    CDrawTool::OnLButtonUp(view, flags, point);
}

void CSelectTool::ReleaseMove(CKavitroView& view, std::uint32_t flags, Point p, Point point) {
    CKavitroDoc& doc = view.GetDocument();
    CSelectedObjects& selection = view.GetSelection();
    if (IsClick(point)) {
        // The object below the one selected object, wrapping round; from the
        // top when that object is not among the page's objects.
        CDrawObj* after = selection.GetCount() == 1 ? selection.GetObjects().front() : nullptr;
        const std::uint32_t page = view.GetCurrentPage();
        if (after) {
            const std::vector<CDrawObj*> candidates = doc.ObjectsOnPage(page);
            if (std::find(candidates.begin(), candidates.end(), after) == candidates.end())
                after = nullptr;
        }
        if (CDrawObj* next = doc.ObjectAtAfter(p, after, page, &view)) {
            if (!view.IsSelected(*next)) {
                view.Select(next, (flags & MK_SHIFT) != 0, true);
            } else if ((SelectionMethod(view) & 8) && selection.GetEditedText()) {
                ClickTextComponent(view, flags, point);
            } else if (flags & MK_SHIFT) {
                view.OnUpdate(CKavitroView::kHintSelection, nullptr);
                selection.ClearComponent();
                selection.Remove(*next);
                PostSelectionChanged(view);
            }
        }
        selection.Invalidate(view, true);
    }
    doc.UpdateAllViews(&view, kHintNone, nullptr);
}

void CSelectTool::ReleaseGuide(CKavitroView& view, Point point) {
    CDrawObj* guide = view.m_pDraggedGuide;
    view.m_pDraggedGuide = nullptr;
    if (!guide)
        return;
    const Size client = view.GetHost().GetClientSize();
    if (Rect(0, 0, client.cx, client.cy).PtInRect(point))
        return;
    // Dragged out of the window: the guide goes, every view's reference to
    // it with it, and every view repaints.
    CKavitroDoc& doc = view.GetDocument();
    if (doc.DeleteObject(guide))
        doc.UpdateAllViews(nullptr, kHintNone, nullptr);
}

// --- Double click and properties ------------------------------------------------------------

void CSelectTool::OnLButtonDblClk(CKavitroView& view, std::uint32_t flags, Point point) {
    CSelectedObjects& selection = view.GetSelection();
    const Point p = view.ClientToDoc(point);
    if (flags & MK_SHIFT) {
        if (CDrawObj* hit = view.GetDocument().ObjectAt(p, view.GetCurrentPage(), &view)) {
            view.OnUpdate(CKavitroView::kHintSelection, nullptr);
            selection.ClearComponent();
            if (selection.Remove(*hit))
                PostSelectionChanged(view);
            selection.Invalidate(view, false);
        }
        return;
    }
    if (selection.HasComponent())
        return;
    if (m_bGuideHover) {
        view.GetHost().RunDialog(kPagePropertiesCommand);
    } else if (selection.GetCount() == 1) {
        selection.GetObjects().front()->OnOpen(&view);
        view.OnUpdate(CKavitroView::kHintInvalidateSelection, nullptr);
    }
}

void CSelectTool::OnEditProperties(CKavitroView& view) {
    CSelectedObjects& selection = view.GetSelection();
    if (selection.GetCount() != 1)
        return;
    CDrawObj* object = selection.GetObjects().front();
    object->OnEditProperties(&view);
    // The properties may have moved it to a page this view does not show.
    if (view.GetSelection().Contains(*object) && !OnPage(*object, view.GetCurrentPage())) {
        selection.ClearComponent();
        selection.RemoveAll();
        PostSelectionChanged(view);
    }
}

// --- Text components --------------------------------------------------------------------------

int CSelectTool::FindTextComponentInRange(const CTextComponentSelection& range,
                                          const std::vector<CTextComponentSelection>& components) {
    const std::uint16_t low = std::min(range.m_firstWord, range.m_lastWord);
    const std::uint16_t high = std::max(range.m_firstWord, range.m_lastWord);
    for (std::size_t i = 0; i < components.size(); ++i)
        if (components[i].m_firstWord >= low && components[i].m_firstWord <= high)
            return static_cast<int>(i);
    return -1;
}

void CSelectTool::HitTestTextComponents(CKavitroView& view, Point point) {
    TextComponentMode() = kComponentsNone;
    m_bComponentsMoved = false;
    CDrawText* text = view.GetSelection().GetEditedText();
    if (!text)
        return;
    if (!text->IntersectsPoint(view.ClientToDoc(point)))
        CurrentShape() = 0;
    m_components.clear();
    text->FindComponentsAt(&view, m_components, point, m_bComponentsOnly);
    if (FindTextComponentInRange(view.GetSelection().m_component, m_components) >= 0)
        TextComponentMode() = kComponentsSelected;
    else if (!m_components.empty())
        TextComponentMode() = kComponentsFound;
}

void CSelectTool::ClickTextComponent(CKavitroView& view, std::uint32_t flags, Point point) {
    CSelectedObjects& selection = view.GetSelection();
    CDrawText* text = selection.GetEditedText();
    if (!text)
        return;
    if (!IsClick(point))
        TextComponentMode() = kComponentsNone;
    if (view.GetHost().HasCapture() && !m_bComponentsMoved) {
        CTextComponentSelection& range = selection.m_component;
        const bool found = TextComponentMode() == kComponentsFound || TextComponentMode() == kComponentsSelected;
        if (found && !m_components.empty()) {
            std::size_t next = static_cast<std::size_t>(FindTextComponentInRange(range, m_components) + 1);
            if (next >= m_components.size())
                next = 0;
            if ((flags & MK_SHIFT) && IsPlainWordRange(range))
                range.m_lastWord = m_components[next].m_firstWord;
            else
                range = m_components[next];
            if (range.m_point == CTextComponentSelection::kNone)
                text->SetCaretAfterWord(std::max(range.m_firstWord, range.m_lastWord));
            view.GetDocument().UpdateAllViews(nullptr, kHintObject, text);
        } else if (found) {
            selection.ClearComponent();
            view.GetDocument().UpdateAllViews(nullptr, kHintObject, text);
        } else {
            selection.ClearComponent();
            selection.Invalidate(view, true);
        }
    }
    m_bComponentsMoved = false;
}

void CSelectTool::MoveTextComponents(CKavitroView& view, Point offset) {
    CSelectedObjects& selection = view.GetSelection();
    CDrawText* text = selection.GetEditedText();
    if (!view.GetHost().HasCapture() || TextComponentMode() != kComponentsSelected || !selection.HasComponent() ||
        !text)
        return;
    CTextComponentSelection& range = selection.m_component;
    const auto none = CTextComponentSelection::kNone;
    if (range.m_firstWord != none && range.m_lastWord != none && range.m_point == none)
        text->MoveMarkOrWordsBy(range, offset);
    else if (range.m_point != none)
        text->MoveVowelPointBy(range, offset);
    else
        selection.ClearComponent();
    text->RecalcLayout(&view, true);
    m_bComponentsMoved = true;
    view.GetDocument().SetModifiedFlag();
}

}  // namespace kavitro
