#include "platform/DcPath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavitro {

namespace {

// Control-point distance of a quarter circle drawn as one cubic Bézier.
constexpr double kArcKappa = 0.5522847498307936;

PointF Lerp(PointF a, PointF b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

void FlattenBezier(PointF p0, PointF p1, PointF p2, PointF p3, double tolerance, std::vector<PointF>& out,
                   int depth = 0) {
    // Flat enough when both controls lie close to the chord.
    const double dx = p3.x - p0.x;
    const double dy = p3.y - p0.y;
    const double d1 = std::abs((p1.x - p3.x) * dy - (p1.y - p3.y) * dx);
    const double d2 = std::abs((p2.x - p3.x) * dy - (p2.y - p3.y) * dx);
    if (depth >= 16 || (d1 + d2) * (d1 + d2) <= tolerance * tolerance * (dx * dx + dy * dy) + 1e-12) {
        out.push_back(p3);
        return;
    }
    const PointF p01 = Lerp(p0, p1, 0.5), p12 = Lerp(p1, p2, 0.5), p23 = Lerp(p2, p3, 0.5);
    const PointF p012 = Lerp(p01, p12, 0.5), p123 = Lerp(p12, p23, 0.5);
    const PointF mid = Lerp(p012, p123, 0.5);
    FlattenBezier(p0, p01, p012, mid, tolerance, out, depth + 1);
    FlattenBezier(mid, p123, p23, p3, tolerance, out, depth + 1);
}

// Crossing-number and winding tests with the half-open edge rule: an edge
// counts when the point's y is in [min y, max y) and the crossing lies right
// of the point, so left and top edges are in, right and bottom edges out.
int Winding(const std::vector<PointF>& poly, double x, double y, int& crossings) {
    int winding = 0;
    const std::size_t n = poly.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PointF a = poly[i];
        const PointF b = poly[(i + 1) % n];
        if (a.y == b.y) continue;
        const bool up = a.y < b.y;
        const double lo = up ? a.y : b.y;
        const double hi = up ? b.y : a.y;
        if (y < lo || y >= hi) continue;
        const double cx = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (cx > x) {
            ++crossings;
            winding += up ? 1 : -1;
        }
    }
    return winding;
}

bool SegmentsCross(PointF a, PointF b, PointF c, PointF d) {
    auto cross = [](PointF o, PointF p, PointF q) { return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x); };
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

}  // namespace

void CDcPath::MoveTo(PointF p) {
    m_types.push_back(PT_MOVETO);
    m_points.push_back(p);
    m_figureOpen = true;
}

void CDcPath::LineTo(PointF p) {
    if (!m_figureOpen) MoveTo(m_points.empty() ? p : m_points.back());
    m_types.push_back(PT_LINETO);
    m_points.push_back(p);
}

void CDcPath::BezierTo(PointF c1, PointF c2, PointF end) {
    if (!m_figureOpen) MoveTo(m_points.empty() ? c1 : m_points.back());
    for (PointF p : {c1, c2, end}) {
        m_types.push_back(PT_BEZIERTO);
        m_points.push_back(p);
    }
}

void CDcPath::CloseFigure() {
    if (m_types.empty() || !m_figureOpen) return;
    if (m_types.back() != PT_MOVETO) m_types.back() |= PT_CLOSEFIGURE;
    m_figureOpen = false;
}

void CDcPath::AddPolygon(std::span<const PointF> points) {
    if (points.empty()) return;
    MoveTo(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i]);
    CloseFigure();
}

void CDcPath::AddRectangle(PointF a, PointF b) {
    const PointF pts[] = {{a.x, a.y}, {a.x, b.y}, {b.x, b.y}, {b.x, a.y}};
    AddPolygon(pts);
}

void CDcPath::AddEllipse(PointF a, PointF b) { AddRoundRect(a, b, std::abs(b.x - a.x), std::abs(b.y - a.y)); }

void CDcPath::AddRoundRect(PointF a, PointF b, double cornerWidth, double cornerHeight) {
    const double l = std::min(a.x, b.x), r = std::max(a.x, b.x);
    const double t = std::min(a.y, b.y), bt = std::max(a.y, b.y);
    const double rx = std::min(std::abs(cornerWidth), r - l) / 2;
    const double ry = std::min(std::abs(cornerHeight), bt - t) / 2;
    if (rx <= 0 || ry <= 0) {
        AddRectangle({l, t}, {r, bt});
        return;
    }
    const double kx = rx * kArcKappa, ky = ry * kArcKappa;
    // Counter-clockwise on a y-down device, starting at the right end of the top edge.
    MoveTo({r - rx, t});
    BezierTo({r - rx + kx, t}, {r, t + ry - ky}, {r, t + ry});
    if (bt - ry > t + ry) LineTo({r, bt - ry});
    BezierTo({r, bt - ry + ky}, {r - rx + kx, bt}, {r - rx, bt});
    if (l + rx < r - rx) LineTo({l + rx, bt});
    BezierTo({l + rx - kx, bt}, {l, bt - ry + ky}, {l, bt - ry});
    if (t + ry < bt - ry) LineTo({l, t + ry});
    BezierTo({l, t + ry - ky}, {l + rx - kx, t}, {l + rx, t});
    if (l + rx < r - rx) LineTo({r - rx, t});
    CloseFigure();
}

void CDcPath::Clear() {
    m_types.clear();
    m_points.clear();
    m_figureOpen = false;
}

std::vector<std::vector<PointF>> CDcPath::Flatten(double tolerance) const {
    std::vector<std::vector<PointF>> figures;
    const std::size_t n = m_points.size();
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t type = static_cast<std::uint8_t>(m_types[i] & ~PT_CLOSEFIGURE);
        if (type == PT_MOVETO || figures.empty()) {
            figures.emplace_back();
            figures.back().push_back(m_points[i]);
            if (type == PT_MOVETO) {
                ++i;
                continue;
            }
        }
        if (type == PT_BEZIERTO && i + 2 < n) {
            FlattenBezier(figures.back().back(), m_points[i], m_points[i + 1], m_points[i + 2], tolerance,
                          figures.back());
            i += 3;
        } else {
            figures.back().push_back(m_points[i]);
            ++i;
        }
    }
    return figures;
}

CRegion CRegion::FromPath(const CDcPath& path, int fillMode) {
    CRegion region;
    region.m_fillMode = fillMode == WINDING ? WINDING : ALTERNATE;
    for (auto& figure : path.Flatten())
        if (figure.size() >= 3) region.m_polygons.push_back(std::move(figure));
    return region;
}

CRegion CRegion::FromPolygon(std::span<const Point> points, int fillMode) {
    CDcPath path;
    std::vector<PointF> pts;
    for (Point p : points) pts.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
    path.AddPolygon(pts);
    return FromPath(path, fillMode);
}

CRegion CRegion::FromRect(const Rect& rect) {
    Rect r = rect;
    r.NormalizeRect();
    CDcPath path;
    path.AddRectangle({static_cast<double>(r.left), static_cast<double>(r.top)},
                      {static_cast<double>(r.right), static_cast<double>(r.bottom)});
    return FromPath(path, ALTERNATE);
}

CRegion CRegion::FromEllipse(const Rect& rect) {
    CDcPath path;
    path.AddEllipse({static_cast<double>(rect.left), static_cast<double>(rect.top)},
                    {static_cast<double>(rect.right), static_cast<double>(rect.bottom)});
    return FromPath(path, ALTERNATE);
}

CRegion CRegion::FromRoundRect(const Rect& rect, std::int32_t w, std::int32_t h) {
    CDcPath path;
    path.AddRoundRect({static_cast<double>(rect.left), static_cast<double>(rect.top)},
                      {static_cast<double>(rect.right), static_cast<double>(rect.bottom)}, w, h);
    return FromPath(path, ALTERNATE);
}

bool CRegion::IsEmpty() const { return GetRgnBox().IsRectEmpty(); }

bool CRegion::PtInRegion(double x, double y) const {
    int winding = 0;
    int crossings = 0;
    for (const auto& poly : m_polygons) winding += Winding(poly, x, y, crossings);
    return m_fillMode == WINDING ? winding != 0 : (crossings & 1) != 0;
}

bool CRegion::RectInRegion(const Rect& rect) const {
    Rect r = rect;
    r.NormalizeRect();
    if (r.IsRectEmpty() || m_polygons.empty()) return false;
    // A corner or the centre of the rectangle inside the region.
    const double l = r.left, t = r.top, rt = r.right - 0.5, b = r.bottom - 0.5;
    for (PointF p : {PointF{l, t}, PointF{rt, t}, PointF{rt, b}, PointF{l, b}, PointF{(l + rt) / 2, (t + b) / 2}})
        if (PtInRegion(p.x, p.y)) return true;
    // A vertex of the region inside the rectangle, or an edge across it.
    const PointF corners[] = {{l, t}, {rt, t}, {rt, b}, {l, b}};
    for (const auto& poly : m_polygons) {
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const PointF a = poly[i];
            const PointF c = poly[(i + 1) % poly.size()];
            if (a.x >= l && a.x < r.right && a.y >= t && a.y < r.bottom) return true;
            for (int k = 0; k < 4; ++k)
                if (SegmentsCross(a, c, corners[k], corners[(k + 1) % 4])) return true;
        }
    }
    return false;
}

Rect CRegion::GetRgnBox() const {
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
    for (const auto& poly : m_polygons)
        for (PointF p : poly) {
            minX = std::min(minX, p.x);
            minY = std::min(minY, p.y);
            maxX = std::max(maxX, p.x);
            maxY = std::max(maxY, p.y);
        }
    if (minX > maxX) return {};
    auto clamp = [](double v) {
        return static_cast<std::int32_t>(std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
    };
    const Rect box(clamp(std::floor(minX)), clamp(std::floor(minY)), clamp(std::ceil(maxX)), clamp(std::ceil(maxY)));
    return box.IsRectEmpty() ? Rect{} : box;
}

}  // namespace kavitro
