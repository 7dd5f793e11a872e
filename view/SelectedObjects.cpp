#include "view/SelectedObjects.h"

#include <algorithm>
#include <cstdlib>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "platform/DC.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

Rect Ordered(Rect r) {
    r.NormalizeRect();
    return r;
}

Rect Union(const Rect& a, const Rect& b) {
    if (a.IsRectEmpty()) return b;
    if (b.IsRectEmpty()) return a;
    Rect u;
    u.UnionRect(a, b);
    return u;
}

bool OnPage(const CDrawObj& o, std::uint32_t page) {
    return IsOnEveryPage(o.m_nPage) || o.m_nPage == page || page == kAllPages;
}

}  // namespace

bool CSelectedObjects::Contains(const CDrawObj& object) const {
    return std::find(m_objects.begin(), m_objects.end(), &object) != m_objects.end();
}

bool CSelectedObjects::Add(CDrawObj& object) {
    if (Contains(object)) return false;
    m_objects.push_back(&object);
    return true;
}

bool CSelectedObjects::Remove(const CDrawObj& object) {
    const auto it = std::find(m_objects.begin(), m_objects.end(), &object);
    if (it == m_objects.end()) return false;
    m_objects.erase(it);
    return true;
}

CDrawText* CSelectedObjects::GetEditedText() const {
    return m_objects.size() == 1 ? dynamic_cast<CDrawText*>(m_objects.front()) : nullptr;
}

bool CSelectedObjects::HasComponent() const {
    const auto none = CTextComponentSelection::kNone;
    return (m_component.m_firstWord != none && m_component.m_lastWord != none) || m_component.m_point != none;
}

Rect CSelectedObjects::RecalcBounds() {
    m_bounds = GetBoundingRect();
    return m_bounds;
}

Rect CSelectedObjects::GetBoundingRect() const {
    Rect bounds;
    // Each object by its outline: a text's frame stands around its ink,
    // where its layout rectangle stands an ascent lower.
    for (const CDrawObj* o : m_objects) {
        CPolygonRect outline;
        o->GetZoomedPosition(outline);
        bounds = Union(bounds, Ordered(outline.m_bounds));
    }
    return bounds;
}

Point CSelectedObjects::GetTextOrigin() const {
    std::optional<Point> best;
    for (const CDrawObj* o : m_objects) {
        const auto* text = dynamic_cast<const CDrawText*>(o);
        if (!text) continue;
        const Point p = text->GetZoomedBaselinePoint();
        if (!best || p.y > best->y) best = p;
    }
    return best.value_or(Point{});
}

std::vector<Point> CSelectedObjects::GetHandlePoints() const {
    std::vector<Point> points;
    if (m_objects.size() == 1) {
        const CDrawObj* o = m_objects.front();
        for (int h = 1; h <= o->GetHandleCount(); ++h) points.push_back(o->GetHandle(h));
    } else if (m_objects.size() > 1) {
        const Rect b = GetBoundingRect();
        points = {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}};
    }
    return points;
}

void CSelectedObjects::DrawHandles(CDC& dc, CKavitroView& view, int mode) {
    if (!view.IsActive() || dc.IsPrinting()) return;
    const std::uint32_t page = view.GetCurrentPage();
    if (mode != 3) {
        if (view.GetDocument().GetDrawingMode() == 0 && m_objects.size() >= 2) {
            for (CDrawObj* o : m_objects)
                if (OnPage(*o, page)) o->DrawTracker(dc, &view, mode);
        } else if (CDrawText* text = GetEditedText(); text && OnPage(*text, page)) {
            text->DrawTracker(dc, &view, 0);
        }
    }
    if (mode == 3) {
        // Inverting on the screen becomes a toggle of the overlay.
        view.InvertHandles(*this);
        return;
    }
    if (mode != 1 && mode != 2) return;
    for (const Point p : GetHandlePoints()) {
        const Point d = dc.LPtoDP(p);
        const Rect square(d.x - kHandleHalfSize, d.y - kHandleHalfSize, d.x + kHandleHalfSize, d.y + kHandleHalfSize);
        dc.InvertRect(dc.DPtoLP(square));
    }
}

Rect CSelectedObjects::GetHandleRect(int handle, const CKavitroView& view) const {
    const std::vector<Point> points = GetHandlePoints();
    if (handle < 1 || static_cast<std::size_t>(handle) > points.size()) return {};
    const Point d = view.DocToClient(points[static_cast<std::size_t>(handle - 1)]);
    return view.ClientToDoc(
        Rect(d.x - kHandleHalfSize, d.y - kHandleHalfSize, d.x + kHandleHalfSize, d.y + kHandleHalfSize));
}

std::optional<HandleCursor> CSelectedObjects::GetHandleCursor(int handle) const {
    if (m_objects.empty()) return std::nullopt;
    if (m_objects.size() == 1) return m_objects.front()->GetHandleCursor(handle);
    return handle == 1 || handle == 3 ? HandleCursor::SizeNESW : HandleCursor::SizeNWSE;
}

int CSelectedObjects::HitTestHandle(Point point, CKavitroView& view) const {
    if (m_objects.empty()) return 0;
    if (m_objects.size() == 1) return m_objects.front()->HitTest(point, &view, true);
    for (int h = 1; h <= 4; ++h) {
        const Rect r = GetHandleRect(h, view);
        if (point.x >= r.left && point.x < r.right && point.y > r.bottom && point.y <= r.top) return h;
    }
    return 0;
}

void CSelectedObjects::Invalidate(CKavitroView& view, bool force) {
    if (force || view.GetDocument().GetDrawingMode() == 0) {
        Rect area;
        for (const CDrawObj* o : m_objects) area = Union(area, view.GetObjectRect(*o));
        if (!area.IsRectEmpty()) view.GetHost().Invalidate(area);
    } else {
        view.InvertHandles(*this);
    }
}

void CSelectedObjects::MoveBy(Point offset, CKavitroView& view, std::int32_t snapDistance, bool sticky,
                              bool redraw) {
    CKavitroDoc& doc = view.GetDocument();
    const std::int32_t t = std::min(MulDiv(snapDistance, doc.GetZoom(), 100), 100);
    if (redraw) Invalidate(view, false);

    Rect snapRect = GetBoundingRect();
    if (const CDrawText* text = GetEditedText()) snapRect.top = snapRect.bottom = text->GetZoomedBaselinePoint().y;
    const CKavitroView::Snap snap = view.SnapToGuidelines(snapRect, t);

    auto axis = [&](std::int32_t& move, std::int32_t snapOffset, bool exact, std::int32_t& remainder) {
        if (snapOffset != 0 && (sticky || move == 0 || (move > 0) == (snapOffset > 0))) move = snapOffset;
        if (sticky && exact) {
            remainder = Clamp32(std::int64_t{remainder} + move);
            move = 0;
        }
        if (std::llabs(remainder) > 4LL * t) {
            move = Clamp32(std::int64_t{move} + remainder);
            remainder = 0;
        }
    };
    axis(offset.x, snap.offset.x, snap.exactX, m_nSnapRemainderX);
    axis(offset.y, snap.offset.y, snap.exactY, m_nSnapRemainderY);

    // A copy: moving may make the document purge or reselect.
    const std::vector<CDrawObj*> objects = m_objects;
    for (CDrawObj* o : objects) {
        CPolygonRect pr = o->BuildZoomedPosition();
        pr.m_rect.OffsetRect(offset.x, offset.y);
        pr.SetAngle(pr.m_nAngle);
        o->MoveTo(pr, &view, true);
    }
    if (redraw) Invalidate(view, false);
}

void CSelectedObjects::ApplyTransform(double factor, CKavitroView& view, int draggedHandle) {
    Invalidate(view, false);
    Point anchor;
    switch (draggedHandle) {
        case 2: anchor = {m_bounds.left, m_bounds.bottom}; break;
        case 3: anchor = {m_bounds.left, m_bounds.top}; break;
        case 4: anchor = {m_bounds.right, m_bounds.top}; break;
        default: anchor = {m_bounds.right, m_bounds.bottom}; break;
    }
    const std::vector<CDrawObj*> objects = m_objects;
    for (CDrawObj* o : objects) o->ScaleAbout(anchor, factor, &view);
    Invalidate(view, false);
}

void CSelectedObjects::SetFontSize(std::int32_t size, CKavitroView& view) {
    if (m_objects.empty()) return;
    Invalidate(view, false);
    CKavitroDoc& doc = view.GetDocument();
    const std::vector<CDrawObj*> objects = m_objects;
    for (CDrawObj* o : objects) {
        auto* text = dynamic_cast<CDrawText*>(o);
        if (!text) continue;
        doc.RecordObjectState(text);
        const Point before = text->GetZoomedBaselinePoint();
        text->SetTextSize(std::max(size, CDrawText::kMinSize));
        view.GetHost().Post(PostTarget::MainFrame, NotifyMessage::SelectionChanged);
        text->RecalcLayout(&view, true);
        const Point after = text->GetZoomedBaselinePoint();
        CPolygonRect pr = text->BuildZoomedPosition();
        pr.m_rect.OffsetRect(before.x - after.x, before.y - after.y);
        pr.SetAngle(pr.m_nAngle);
        text->MoveTo(pr, &view, true);
        text->ApplyChange(&view, 0, false, true);
    }
    ++CObjectsBuffer::GetActionIdCounter();
    Invalidate(view, false);
}

}  // namespace kavitro
