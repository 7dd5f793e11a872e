#include "document/PolygonRect.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/Archive.h"
#include "platform/DC.h"

namespace kavitro {

namespace {

// Wide enough for the product of two differences of 32-bit coordinates.
__extension__ typedef __int128 WideInt;

// floor, plus one when the fraction is above one half: exact halves go down.
std::int32_t RoundHalfDown(double v) {
    const double f = std::floor(v);
    return SaturateToInt32(v - f > 0.5 ? f + 1.0 : f);
}

bool UsableRatio(double ratio) { return std::isfinite(ratio) && ratio != 0.0; }

}  // namespace

void RotatePoint(const double* table, Point& point, std::int32_t angle, Point pivot) {
    const std::int32_t a = NormalizeAngle(angle);
    if (a == 0) return;
    const double c = table[a];
    const double t = table[a + 360];
    const double dx = static_cast<double>(point.x) - pivot.x;
    const double dy = static_cast<double>(point.y) - pivot.y;
    point.x = RoundHalfDown((dx - t * dy) * c + pivot.x);
    point.y = RoundHalfDown((t * dx + dy) * c + pivot.y);
}

int SideOfSegment(Point p1, Point p2, Point p3, Point p4) {
    auto side = [](Point a, Point b, Point p) {
        const WideInt lhs = WideInt{static_cast<std::int64_t>(p.y) - a.y} * (static_cast<std::int64_t>(b.x) - a.x);
        const WideInt rhs = WideInt{static_cast<std::int64_t>(p.x) - a.x} * (static_cast<std::int64_t>(b.y) - a.y);
        return lhs > rhs ? 1 : -1;
    };
    const int d1 = side(p1, p2, p3);
    const int d2 = side(p1, p2, p4);
    const int d3 = side(p3, p4, p1);
    const int d4 = side(p3, p4, p2);
    return (d1 * d2 < 1 && d3 * d4 < 1) ? 1 : 0;
}

void FitRectInRect(Rect& target, Rect& source, bool fitInside) {
    const std::int64_t tw = std::int64_t{target.right} - target.left;
    const std::int64_t th = std::int64_t{target.bottom} - target.top;
    const std::int64_t sw = std::int64_t{source.right} - source.left;
    const std::int64_t sh = std::int64_t{source.bottom} - source.top;
    if (tw == 0 || th == 0 || sw == 0 || sh == 0) return;
    const float ry = static_cast<float>(sh) / static_cast<float>(th);
    const float rx = static_cast<float>(sw) / static_cast<float>(tw);
    const double factorD = static_cast<double>(fitInside ? std::max(ry, rx) : std::min(ry, rx)) * 10000.0;
    const std::int32_t factor = SaturateToInt32(factorD);
    if (factor == 0) return;  // a scale beyond what the arithmetic can express
    Rect r(MulDiv(source.left, 10000, factor), MulDiv(source.top, 10000, factor), MulDiv(source.right, 10000, factor),
           MulDiv(source.bottom, 10000, factor));
    const std::int64_t scx = (std::int64_t{r.left} + r.right) / 2;
    const std::int64_t scy = (std::int64_t{r.top} + r.bottom) / 2;
    const std::int64_t tcx = (std::int64_t{target.left} + target.right) / 2;
    const std::int64_t tcy = (std::int64_t{target.top} + target.bottom) / 2;
    const std::int64_t dx = tcx - scx;
    const std::int64_t dy = tcy - scy;
    source = Rect(Clamp32(r.left + dx), Clamp32(r.top + dy), Clamp32(r.right + dx), Clamp32(r.bottom + dy));
    target = source;
}

CPolygonRect::CPolygonRect(Point topLeft, Size size)
    : m_rect(topLeft.x, topLeft.y, Clamp32(std::int64_t{topLeft.x} + size.cx), Clamp32(std::int64_t{topLeft.y} + size.cy)) {
    m_bounds = m_rect;
    m_corners = {Point{m_rect.left, m_rect.top}, Point{m_rect.right, m_rect.top}, Point{m_rect.right, m_rect.bottom},
                 Point{m_rect.left, m_rect.bottom}};
}

Point CPolygonRect::GetPivot() const {
    const Rect& r = m_rect;
    const Point centre{Clamp32((std::int64_t{r.left} + r.right) / 2), Clamp32((std::int64_t{r.top} + r.bottom) / 2)};
    Point p = centre;
    if (UsableRatio(m_dPivotRatioX))
        p.x = SaturateToInt32(r.right + std::trunc((static_cast<double>(r.left) - r.right) / m_dPivotRatioX));
    if (UsableRatio(m_dPivotRatioY))
        p.y = SaturateToInt32(r.bottom + std::trunc((static_cast<double>(r.top) - r.bottom) / m_dPivotRatioY));
    return p;
}

void CPolygonRect::SetAngle(std::int32_t angle, const Point* pivot) {
    m_nAngle = NormalizeAngle(angle);
    if (!m_rect.IsRectNull())
        m_corners = {Point{m_rect.left, m_rect.top}, Point{m_rect.right, m_rect.top}, Point{m_rect.right, m_rect.bottom},
                     Point{m_rect.left, m_rect.bottom}};
    if (m_nAngle == 0) {
        m_bounds = m_rect;
        m_dPivotRatioX = 0.0;
        m_dPivotRatioY = 0.0;
        return;
    }
    if (pivot) {
        m_dPivotRatioX = (static_cast<double>(m_rect.left) - m_rect.right) / (static_cast<double>(pivot->x) - m_rect.right);
        m_dPivotRatioY = (static_cast<double>(m_rect.top) - m_rect.bottom) / (static_cast<double>(pivot->y) - m_rect.bottom);
    }
    const double* table = GetTrigTable();
    const Point p = GetPivot();
    for (Point& corner : m_corners) RotatePoint(table, corner, m_nAngle, p);
    std::int32_t minX = m_corners[0].x, maxX = m_corners[0].x, minY = m_corners[0].y, maxY = m_corners[0].y;
    for (const Point& c : m_corners) {
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y);
        maxY = std::max(maxY, c.y);
    }
    // Left holds the largest x: users of the bounds normalise them first.
    m_bounds = Rect(maxX, minY, minX, maxY);
}

void CPolygonRect::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << static_cast<std::uint32_t>(m_nAngle) << m_dPivotRatioX << m_dPivotRatioY;
        ar << m_rect.left << m_rect.top << m_rect.right << m_rect.bottom;
        return;
    }
    // Read everything first, so that a short record changes nothing.
    ar.EnsureAvailable(kStoredSize);
    const std::uint32_t angle = ar.ReadU32();
    m_dPivotRatioX = ar.ReadDouble();
    m_dPivotRatioY = ar.ReadDouble();
    const auto bounded = [](std::int32_t v) {
        return std::clamp(v, -kMaxStoredCoordinate, kMaxStoredCoordinate);
    };
    m_rect.left = bounded(ar.ReadI32());
    m_rect.top = bounded(ar.ReadI32());
    m_rect.right = bounded(ar.ReadI32());
    m_rect.bottom = bounded(ar.ReadI32());
    // Corners and bounds are not stored; an angle of 0 also resets the ratios.
    SetAngle(NormalizeAngle(static_cast<std::int32_t>(angle)));
}

void CPolygonRect::Draw(CDC& dc, std::int32_t zoom) const {
    std::array<Point, 4> points;
    for (std::size_t i = 0; i < 4; ++i)
        points[i] = Point{MulDiv(m_corners[i].x, zoom, 100), MulDiv(m_corners[i].y, zoom, 100)};
    dc.Polygon(points);
}

int CPolygonRect::PtInPolygon(Point point) const {
    Rect b = m_bounds;
    b.NormalizeRect();
    if (!b.PtInRect(point)) return 0;
    const Point end{b.left < b.right ? Clamp32(std::int64_t{b.right} + 50) : b.left, point.y};
    std::int16_t crossings = 0;
    for (std::size_t i = 0; i < 4; ++i)
        crossings = static_cast<std::int16_t>(crossings + SideOfSegment(point, end, m_corners[i], m_corners[(i + 1) % 4]));
    return (crossings & 1) ? 1 : 0;
}

}  // namespace kavitro
