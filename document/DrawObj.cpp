#include "document/DrawObj.h"

#include <cmath>

#include "document/DocumentServices.h"
#include "document/KavitroDoc.h"
#include "platform/DC.h"

namespace kavitro {

KAVITRO_IMPLEMENT_SERIAL(CDrawObj, CObject, 0)

namespace {

std::int32_t Mid(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(a + (std::int64_t{b} - a) / 2);
}

Rect Normalized(Rect r) {
    r.NormalizeRect();
    return r;
}

}  // namespace

LogPen DrawablePen(const LogPen& pen) {
    LogPen p = pen;
    if ((p.style & PS_STYLE_MASK) > PS_INSIDEFRAME) p.style = PS_SOLID;
    return p;
}

LogBrush DrawableBrush(const LogBrush& brush) {
    LogBrush b = brush;
    const bool known = b.style == BS_SOLID || b.style == BS_NULL || (b.style == BS_HATCHED && b.hatch <= HS_DIAGCROSS);
    if (!known) b = LogBrush{BS_SOLID, brush.color, 0};
    return b;
}

CDrawObj::CDrawObj() = default;

CDrawObj::CDrawObj(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document)
    : m_position(zoomedPosition), m_nPage(page), m_pDocument(document) {
    if (document) m_position.m_rect = document->ZoomedToLogicalRect(zoomedPosition.m_rect);
    m_position.SetAngle(m_position.m_nAngle);
    m_bPen = 1;
    m_logpen = LogPen{PS_INSIDEFRAME, Point{20, 20}, RGB(0, 0, 0)};
    m_bBrush = 1;
    m_logbrush = LogBrush{BS_SOLID, RGB(255, 255, 255), 0};
}

void CDrawObj::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        m_position.Serialize(ar);
        ar << m_nPage << static_cast<std::uint16_t>(m_bPen);
        ar << m_logpen.style << m_logpen.width.x << m_logpen.width.y << m_logpen.color;
        ar << static_cast<std::uint16_t>(m_bBrush);
        ar << m_logbrush.style << m_logbrush.color << m_logbrush.hatch;
        return;
    }
    // The whole record or nothing.
    ar.EnsureAvailable(kStoredSize);
    m_pDocument = ar.GetDocument();
    m_position.Serialize(ar);
    m_nPage = ar.ReadU32();
    m_bPen = ar.ReadU16();
    m_logpen.style = ar.ReadU32();
    m_logpen.width.x = ar.ReadI32();
    m_logpen.width.y = ar.ReadI32();
    m_logpen.color = ar.ReadU32();
    m_bBrush = ar.ReadU16();
    m_logbrush.style = ar.ReadU32();
    m_logbrush.color = ar.ReadU32();
    m_logbrush.hatch = ar.ReadU32();
}

std::int32_t CDrawObj::GetZoom() const { return m_pDocument ? m_pDocument->GetZoom() : 100; }

CPolygonRect CDrawObj::BuildZoomedPosition() const {
    CPolygonRect pr = m_position;
    if (m_pDocument)
        m_pDocument->ZoomPolygonRect(pr);
    return pr;
}

void CDrawObj::GetZoomedPosition(CPolygonRect& out) const { out = BuildZoomedPosition(); }

void CDrawObj::GetZoomedRect(Rect& out) const { out = BuildZoomedPosition().m_bounds; }

void CDrawObj::RestoreSizeAtHandle(Size natural, DocumentViewObserver* view, int handle) {
    CPolygonRect pr = BuildZoomedPosition();
    Rect& r = pr.m_rect;
    if (std::int64_t{r.right} - r.left == natural.cx && std::int64_t{r.bottom} - r.top == natural.cy) return;
    const std::int32_t zoom = GetZoom();
    const std::int32_t w = MulDiv(natural.cx, zoom, 100);
    const std::int32_t h = MulDiv(natural.cy, zoom, 100);
    auto add = [](std::int32_t a, std::int64_t b) { return Clamp32(a + b); };
    switch (handle) {
        case 1: r.left = add(r.right, w); r.top = add(r.bottom, -std::int64_t{h}); break;
        case 3: r.right = add(r.left, -std::int64_t{w}); r.top = add(r.bottom, -std::int64_t{h}); break;
        case 5: r.right = add(r.left, -std::int64_t{w}); r.bottom = add(r.top, h); break;
        case 7: r.left = add(r.right, w); r.bottom = add(r.top, h); break;
        default: return;
    }
    pr.SetAngle(pr.m_nAngle);
    MoveTo(pr, view, true);
}

void CDrawObj::SetPosition(const CPolygonRect& zoomedPosition, bool record) {
    if (record && m_pDocument) m_pDocument->RecordObjectState(this);
    m_position.m_nAngle = zoomedPosition.m_nAngle;
    m_position.m_dPivotRatioX = zoomedPosition.m_dPivotRatioX;
    m_position.m_dPivotRatioY = zoomedPosition.m_dPivotRatioY;
    m_position.m_rect = m_pDocument ? m_pDocument->ZoomedToLogicalRect(zoomedPosition.m_rect) : zoomedPosition.m_rect;
    m_position.m_corners = zoomedPosition.m_corners;
    m_position.SetAngle(m_position.m_nAngle);
}

bool CDrawObj::IsEmpty() const { return Normalized(m_position.m_rect).IsRectEmpty(); }

Point CDrawObj::GetHandle(int handle) const {
    const Rect b = BuildZoomedPosition().m_bounds;
    const std::int32_t cx = Mid(b.left, b.right);
    const std::int32_t cy = Mid(b.top, b.bottom);
    switch (handle) {
        case 2: return {cx, b.top};
        case 3: return {b.right, b.top};
        case 4: return {b.right, cy};
        case 5: return {b.right, b.bottom};
        case 6: return {cx, b.bottom};
        case 7: return {b.left, b.bottom};
        case 8: return {b.left, cy};
        default: return {b.left, b.top};
    }
}

int CDrawObj::GetHandleCount() const { return 8; }

HandleCursor CDrawObj::GetHandleCursor(int handle) const {
    switch (handle) {
        case 2: case 6: return HandleCursor::SizeNS;
        case 3: case 7: return HandleCursor::SizeNESW;
        case 4: case 8: return HandleCursor::SizeWE;
        default: return HandleCursor::SizeNWSE;
    }
}

int CDrawObj::HitTest(Point point, DocumentViewObserver* view, bool selected) {
    if (!selected) {
        const CPolygonRect pr = BuildZoomedPosition();
        if (pr.m_nAngle == 0) return pr.m_rect.PtInRect(point) ? 1 : 0;
        return pr.PtInPolygon(point) ? 1 : 0;
    }
    if (!view) return 0;
    const int count = GetHandleCount();
    for (int h = 1; h <= count; ++h) {
        const Rect r = view->GetHandleRect(*this, h);
        if (point.x >= r.left && point.x < r.right && point.y > r.bottom && point.y <= r.top) return h;
    }
    return 0;
}

void CDrawObj::GetCharacterCodes(std::vector<std::uint16_t>&) const {}

std::pair<PenSelection, BrushSelection> CDrawObj::SelectStyle(CDC& dc, bool withBrush) const {
    const BrushSelection brush =
        withBrush && m_bBrush ? MakeBrush(DrawableBrush(m_logbrush)) : StockBrush(StockObject::NULL_BRUSH);
    const PenSelection pen = m_bPen ? MakePen(DrawablePen(ZoomedPen())) : StockPen(StockObject::NULL_PEN);
    BrushSelection oldBrush = dc.SelectBrush(brush);
    PenSelection oldPen = dc.SelectPen(pen);
    return {oldPen, oldBrush};
}

void CDrawObj::Draw(CDC& dc) {
    const auto old = SelectStyle(dc, true);
    BuildZoomedPosition().Draw(dc, 100);
    dc.SelectPen(old.first);
    dc.SelectBrush(old.second);
}

void CDrawObj::ExportEPS(CVector&, bool) {}

void CDrawObj::DrawTracker(CDC& dc, DocumentViewObserver*, int state) {
    if (state != 1 && state != 2) return;
    COLORREF colour = 0;
    if (m_pDocument && m_pDocument->GetServices().settings)
        colour = static_cast<COLORREF>((*m_pDocument->GetServices().settings)[CApplicationProperties::TextSelectionRGB]);
    const BrushSelection oldBrush = dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
    const PenSelection oldPen = dc.SelectPen(MakePen(LogPen{PS_DASHDOT, Point{1, 1}, colour}));
    dc.Rectangle(BuildZoomedPosition().m_bounds);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

void CDrawObj::MoveTo(const CPolygonRect& zoomedPosition, DocumentViewObserver* view, bool invalidate) {
    const CPolygonRect current = BuildZoomedPosition();
    if (zoomedPosition.m_nAngle == current.m_nAngle && zoomedPosition.m_rect == current.m_rect) return;
    CKavitroDoc* doc = m_pDocument;
    auto invalidateEverywhere = [&] {
        view->InvalidateObject(*this);
        if (!doc) return;
        for (DocumentViewObserver* other : doc->GetViews())
            if (other != view) other->InvalidateObject(*this);
    };
    if (view) {
        const std::uint16_t mode = doc ? doc->GetDrawingMode() : 0;
        if (mode == 1 || mode == 2) {
            view->DrawDragOutline(current.m_bounds);
            SetPosition(zoomedPosition, true);
            view->DrawDragOutline(BuildZoomedPosition().m_bounds);
        } else if (mode == 0) {
            if (invalidate) invalidateEverywhere();
            SetPosition(zoomedPosition, true);
            if (invalidate) invalidateEverywhere();
        }
    } else {
        if (invalidate && doc) doc->UpdateAllViews(nullptr, kHintObject, this);
        SetPosition(zoomedPosition, true);
        if (invalidate && doc) doc->UpdateAllViews(nullptr, kHintObject, this);
    }
    if (doc) doc->SetModifiedFlag();
}

bool CDrawObj::IntersectsPoint(Point point) {
    return Intersects(Rect(point.x, point.y, Clamp32(std::int64_t{point.x} + 1), Clamp32(std::int64_t{point.y} + 1)));
}

bool CDrawObj::Intersects(const Rect& zoomedRect) {
    Rect meet;
    return meet.IntersectRect(Normalized(BuildZoomedPosition().m_bounds), Normalized(zoomedRect));
}

CPolygonRect CDrawObj::MovedEdges(const Rect& oldBounds, const Rect& newBounds) const {
    CPolygonRect pr = BuildZoomedPosition();
    if (pr.m_nAngle == 0) {
        pr.m_rect = newBounds;
    } else {
        auto moved = [](std::int32_t edge, std::int32_t to, std::int32_t from) {
            return Clamp32(std::int64_t{edge} + to - from);
        };
        pr.m_rect.left = moved(pr.m_rect.left, newBounds.left, oldBounds.left);
        pr.m_rect.top = moved(pr.m_rect.top, newBounds.top, oldBounds.top);
        pr.m_rect.right = moved(pr.m_rect.right, newBounds.right, oldBounds.right);
        pr.m_rect.bottom = moved(pr.m_rect.bottom, newBounds.bottom, oldBounds.bottom);
    }
    pr.SetAngle(pr.m_nAngle);
    return pr;
}

void CDrawObj::MoveHandleTo(int handle, Point point, DocumentViewObserver* view) {
    const Rect b = BuildZoomedPosition().m_bounds;
    Rect n = b;
    switch (handle) {
        case 2: n.top = point.y; break;
        case 3: n.right = point.x; n.top = point.y; break;
        case 4: n.right = point.x; break;
        case 5: n.right = point.x; n.bottom = point.y; break;
        case 6: n.bottom = point.y; break;
        case 7: n.left = point.x; n.bottom = point.y; break;
        case 8: n.left = point.x; break;
        default: n.left = point.x; n.top = point.y; break;
    }
    MoveTo(MovedEdges(b, n), view, true);
}

void CDrawObj::OnOpen(DocumentViewObserver* view) { OnEditProperties(view); }

void CDrawObj::OnEditProperties(DocumentViewObserver*) {
    if (!m_pDocument) return;
    PropertySheets* sheets = m_pDocument->GetServices().propertySheets;
    if (!sheets || !sheets->EditObjectProperties(*this)) return;
    m_pDocument->UpdateAllViews(nullptr, kHintObject, this);
    m_pDocument->SetModifiedFlag();
}

void CDrawObj::CopyStyleTo(CDrawObj& clone) const {
    clone.m_bPen = m_bPen;
    clone.m_logpen = m_logpen;
    clone.m_bBrush = m_bBrush;
    clone.m_logbrush = m_logbrush;
}

CDrawObj* CDrawObj::Clone(CKavitroDoc* document) {
    auto* clone = new CDrawObj(BuildZoomedPosition(), m_nPage, document ? document : m_pDocument);
    CopyStyleTo(*clone);
    if (document) document->Add(clone, true);
    return clone;
}

void CDrawObj::Remove() { delete this; }

void CDrawObj::ApplyChange() {}

void CDrawObj::ScaleAbout(Point pivot, double factor, DocumentViewObserver* view) {
    const Rect& c = m_zoomedRectCache;
    auto scaled = [factor](std::int32_t v, std::int32_t p) {
        return SaturateToInt32(std::trunc((static_cast<double>(v) - p) * factor) + p);
    };
    const Rect n(scaled(c.left, pivot.x), scaled(c.top, pivot.y), scaled(c.right, pivot.x), scaled(c.bottom, pivot.y));
    MoveTo(MovedEdges(BuildZoomedPosition().m_bounds, n), view, false);
}

void CDrawObj::CacheZoomedRect() { m_zoomedRectCache = BuildZoomedPosition().m_rect; }

void CDrawObj::ClearZoomedRect() { m_zoomedRectCache = Rect(); }

bool CDrawObj::EnsureContent() { return true; }

LogPen CDrawObj::ZoomedPen() const {
    LogPen pen = m_logpen;
    const std::int32_t zoom = GetZoom();
    pen.width.x = MulDiv(pen.width.x, zoom, 100);
    pen.width.y = MulDiv(pen.width.y, zoom, 100);
    return pen;
}

}  // namespace kavitro
