#include "document/SimpleObjects.h"

#include <algorithm>

#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>

#include "document/DocumentServices.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "platform/DC.h"

namespace kavitro {

KAVITRO_IMPLEMENT_SERIAL(CDrawRect, CDrawObj, 0)
KAVITRO_IMPLEMENT_SERIAL(CDrawLine, CDrawObj, 0)
KAVITRO_IMPLEMENT_SERIAL(CDrawGuideLine, CDrawObj, 0)

void RegisterDocumentClasses() {
    ClassRegistry& r = ClassRegistry::Global();
    r.Register(CDrawObj::GetThisClass());
    r.Register(CDrawRect::GetThisClass());
    r.Register(CDrawLine::GetThisClass());
    r.Register(CDrawGuideLine::GetThisClass());
    r.Register(CDrawText::GetThisClass());
    r.Register(CDrawPicture::GetThisClass());
}

namespace {

Rect Normalized(Rect r) {
    r.NormalizeRect();
    return r;
}

// The rectangle as a region test sees it: right and bottom edges outside.
QRectF ToQRectF(const Rect& r) {
    return QRectF(r.left, r.top, static_cast<double>(r.right) - r.left, static_cast<double>(r.bottom) - r.top);
}

}  // namespace

// --- CDrawRect -------------------------------------------------------------------

CDrawRect::CDrawRect(const CPolygonRect& zoomedPosition, std::uint32_t page, CKavitroDoc* document)
    : CDrawObj(zoomedPosition, page, document) {
    const std::int32_t r = MulDiv(500, 100, document ? document->GetZoom() : 100);
    m_roundness = Point{r, r};
}

void CDrawRect::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        CDrawObj::Serialize(ar);
        ar << static_cast<std::uint16_t>(m_nShape) << m_roundness.x << m_roundness.y;
        return;
    }
    ar.EnsureAvailable(kStoredSize + 10);
    CDrawObj::Serialize(ar);
    m_nShape = ar.ReadU16();
    m_roundness.x = ar.ReadI32();
    m_roundness.y = ar.ReadI32();
}

void CDrawRect::SetRoundness(Point zoomedRoundness, bool record) {
    const std::int32_t zoom = GetZoom();
    if (record && m_pDocument && !m_pDocument->m_objects.m_bRecordingOff &&
        !m_pDocument->m_objects.IsObjectInCurrentAction(this)) {
        auto a = std::make_unique<CObjectsBuffer::CAction>(CObjectsBuffer::GetActionIdCounter(),
                                                           CObjectsBuffer::CAction::SetObjectRoundness, this);
        // Kept at 100 %, so that a replay at another zoom gives back the same value.
        a->m_roundness = m_roundness;
        m_pDocument->m_objects.Record(std::move(a));
    }
    m_roundness = Point{MulDiv(zoomedRoundness.x, 100, zoom), MulDiv(zoomedRoundness.y, 100, zoom)};
}

void CDrawRect::Draw(CDC& dc) {
    const auto old = SelectStyle(dc, true);
    const Rect r = BuildZoomedPosition().m_rect;  // the angle is not applied
    const std::int32_t zoom = GetZoom();
    switch (m_nShape) {
        case Rectangle: dc.Rectangle(r); break;
        case RoundRectangle:
            dc.RoundRect(r, Point{MulDiv(m_roundness.x, zoom, 100), MulDiv(m_roundness.y, zoom, 100)});
            break;
        case Ellipse: dc.Ellipse(r); break;
        default: break;
    }
    dc.SelectPen(old.first);
    dc.SelectBrush(old.second);
}

int CDrawRect::GetHandleCount() const { return m_nShape == RoundRectangle ? 9 : 8; }

Point CDrawRect::GetHandle(int handle) const {
    if (handle != kRoundnessHandle || m_nShape != RoundRectangle) return CDrawObj::GetHandle(handle);
    const Rect r = BuildZoomedPosition().m_rect;
    const std::int32_t zoom = GetZoom();
    const std::int32_t w = MulDiv(m_roundness.x, zoom, 100);
    const std::int32_t h = MulDiv(m_roundness.y, zoom, 100);
    return {Clamp32(std::int64_t{std::max(r.left, r.right)} - w / 2),
            Clamp32(std::int64_t{std::max(r.top, r.bottom)} - h / 2)};
}

HandleCursor CDrawRect::GetHandleCursor(int handle) const {
    if (handle == kRoundnessHandle && m_nShape == RoundRectangle) return HandleCursor::SizeAll;
    return CDrawObj::GetHandleCursor(handle);
}

void CDrawRect::MoveHandleTo(int handle, Point point, DocumentViewObserver* view) {
    if (handle != kRoundnessHandle || m_nShape != RoundRectangle) {
        CDrawObj::MoveHandleTo(handle, point, view);
        return;
    }
    const Rect r = BuildZoomedPosition().m_rect;
    const std::int32_t xmax = std::max(r.left, r.right), xmin = std::min(r.left, r.right);
    const std::int32_t ymax = std::max(r.top, r.bottom), ymin = std::min(r.top, r.bottom);
    const std::int64_t cx = xmin + (std::int64_t{xmax} - xmin) / 2;
    const std::int64_t cy = ymin + (std::int64_t{ymax} - ymin) / 2;
    // Clamp the upper bound first: a one-unit rectangle gives the centre.
    const std::int64_t x = std::max(cx, std::min<std::int64_t>(point.x, std::int64_t{xmax} - 1));
    const std::int64_t y = std::max(cy, std::min<std::int64_t>(point.y, std::int64_t{ymax} - 1));
    SetRoundness(Point{Clamp32((xmax - x) * 2), Clamp32((ymax - y) * 2)}, true);
    if (!m_pDocument) return;
    m_pDocument->SetModifiedFlag();
    if (view)
        view->InvalidateObject(*this);
    else
        m_pDocument->UpdateAllViews(nullptr, kHintObject, this);
}

bool CDrawRect::Intersects(const Rect& zoomedRect) {
    const Rect bounds = Normalized(BuildZoomedPosition().m_bounds);
    const Rect r = Normalized(zoomedRect);
    Rect meet;
    if (!meet.IntersectRect(bounds, r)) return false;
    const std::int32_t zoom = GetZoom();
    QPainterPath region;
    switch (m_nShape) {
        case Rectangle:
            return true;
        case RoundRectangle:
            region.addRoundedRect(ToQRectF(bounds), MulDiv(m_roundness.x, zoom, 100) / 2.0,
                                  MulDiv(m_roundness.y, zoom, 100) / 2.0);
            break;
        case Ellipse:
            region.addEllipse(ToQRectF(bounds));
            break;
        default:
            return false;
    }
    return region.intersects(ToQRectF(r));
}

CDrawObj* CDrawRect::Clone(CKavitroDoc* document) {
    auto* clone = new CDrawRect(BuildZoomedPosition(), m_nPage, document ? document : m_pDocument);
    CopyStyleTo(*clone);
    clone->m_nShape = m_nShape;
    clone->m_roundness = m_roundness;
    if (document) document->Add(clone, true);
    return clone;
}

// --- CDrawLine -------------------------------------------------------------------

void CDrawLine::Draw(CDC& dc) {
    const auto old = SelectStyle(dc, false);
    const Rect r = BuildZoomedPosition().m_rect;
    dc.MoveTo(Point{r.left, r.top});
    dc.LineTo(Point{r.right, r.bottom});
    dc.SelectPen(old.first);
    dc.SelectBrush(old.second);
}

Point CDrawLine::GetHandle(int handle) const { return CDrawObj::GetHandle(BaseHandle(handle)); }

HandleCursor CDrawLine::GetHandleCursor(int handle) const { return CDrawObj::GetHandleCursor(BaseHandle(handle)); }

void CDrawLine::MoveHandleTo(int handle, Point point, DocumentViewObserver* view) {
    CDrawObj::MoveHandleTo(BaseHandle(handle), point, view);
}

bool CDrawLine::Intersects(const Rect& zoomedRect) {
    const Rect b = BuildZoomedPosition().m_bounds;
    Rect meet;
    if (!meet.IntersectRect(Normalized(b), Normalized(zoomedRect))) return false;
    const std::int32_t zoom = GetZoom();
    const double d = (std::int64_t{m_logpen.width.x} * zoom / 100 + 5) / 2;
    const double e = (std::int64_t{m_logpen.width.y} * zoom / 100 + 5) / 2;
    const double sx = b.left >= b.right ? 1 : -1;
    const double sy = b.top >= b.bottom ? 1 : -1;
    const double L = b.left, T = b.top, R = b.right, B = b.bottom;
    QPolygonF band;
    band << QPointF(L + sx * d, T - sy * e) << QPointF(L - sx * d, T + sy * e) << QPointF(R - sx * d, B + sy * e)
         << QPointF(R + sx * d, B - sy * e);
    QPainterPath region;
    region.setFillRule(Qt::OddEvenFill);
    region.addPolygon(band);
    region.closeSubpath();
    return region.intersects(ToQRectF(Normalized(zoomedRect)));
}

CDrawObj* CDrawLine::Clone(CKavitroDoc* document) {
    auto* clone = new CDrawLine(BuildZoomedPosition(), m_nPage, document ? document : m_pDocument);
    CopyStyleTo(*clone);
    if (document) document->Add(clone, true);
    return clone;
}

// --- CDrawGuideLine --------------------------------------------------------------

void CDrawGuideLine::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        CDrawObj::Serialize(ar);
        ar << m_nOrientation;
        return;
    }
    ar.EnsureAvailable(kStoredSize + 4);
    CDrawObj::Serialize(ar);
    m_nOrientation = ar.ReadU32();
}

void CDrawGuideLine::Draw(CDC& dc) {
    const CApplicationProperties* settings = m_pDocument ? m_pDocument->GetServices().settings : nullptr;
    const std::uint32_t style = settings ? static_cast<std::uint32_t>((*settings)[CApplicationProperties::GuideLineStyle]) : 0;
    const COLORREF colour = settings ? static_cast<COLORREF>((*settings)[CApplicationProperties::GuideColor]) : 0;
    const int oldRop = dc.SetROP2(R2_NOTXORPEN);
    const PenSelection oldPen = dc.SelectPen(MakePen(DrawablePen(LogPen{style, Point{1, 1}, colour})));
    const Rect r = BuildZoomedPosition().m_rect;
    dc.MoveTo(Point{r.left, r.top});
    dc.LineTo(IsVertical() ? Point{r.left, r.bottom} : Point{r.right, r.top});
    dc.SelectPen(oldPen);
    dc.SetROP2(oldRop);
}

int CDrawGuideLine::HitTest(Point point, DocumentViewObserver* view, bool) {
    if (!view) return 0;
    const std::uint32_t page = view->GetCurrentPage();
    if (!IsOnEveryPage(m_nPage) && m_nPage != page) return 0;
    return IntersectsPoint(point) ? 1 : 0;
}

bool CDrawGuideLine::Intersects(const Rect& zoomedRect) {
    const CApplicationProperties* settings = m_pDocument ? m_pDocument->GetServices().settings : nullptr;
    if (settings && (*settings)[CApplicationProperties::ShowGuide] == 0) return false;
    const Rect b = Normalized(BuildZoomedPosition().m_bounds);
    const Rect line = IsVertical() ? Rect(b.right, b.top, b.right, b.bottom) : Rect(b.left, b.bottom, b.right, b.bottom);
    const Rect band(Clamp32(std::int64_t{line.left} - kHitMargin), Clamp32(std::int64_t{line.top} - kHitMargin),
                    Clamp32(std::int64_t{line.right} + kHitMargin), Clamp32(std::int64_t{line.bottom} + kHitMargin));
    Rect meet;
    return meet.IntersectRect(band, Normalized(zoomedRect));
}

void CDrawGuideLine::MoveTo(const CPolygonRect& zoomedPosition, DocumentViewObserver* view, bool invalidate) {
    const CPolygonRect current = BuildZoomedPosition();
    if (zoomedPosition.m_nAngle == current.m_nAngle && zoomedPosition.m_rect == current.m_rect) return;
    CKavitroDoc* doc = m_pDocument;
    if (view) {
        auto invalidateEverywhere = [&] {
            view->InvalidateObject(*this);
            if (doc)
                for (DocumentViewObserver* other : doc->GetViews())
                    if (other != view) other->InvalidateObject(*this);
        };
        if (invalidate) invalidateEverywhere();
        SetPosition(zoomedPosition, true);
        if (invalidate) invalidateEverywhere();
    } else {
        if (doc) doc->UpdateAllViews(nullptr, kHintObject, this);
        SetPosition(zoomedPosition, true);
        if (doc) doc->UpdateAllViews(nullptr, kHintObject, this);
    }
    if (doc) doc->SetModifiedFlag();
}

HandleCursor CDrawGuideLine::GetHandleCursor(int) const {
    return IsVertical() ? HandleCursor::SizeWE : HandleCursor::SizeNS;
}

}  // namespace kavitro
