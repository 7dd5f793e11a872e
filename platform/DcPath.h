#pragma once

// Paths and regions of the drawing context: a path is a list of figures made
// of lines and cubic Béziers with the point-type bytes of a GDI path; a
// region is the area such figures enclose under a fill rule, for hit tests
// and bounding boxes.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/DcTypes.h"
#include "platform/Geometry.h"

namespace kavitro {

// Point types of a path; a line or Bézier point that ends a figure carries
// PT_CLOSEFIGURE on top of its type.
inline constexpr std::uint8_t PT_CLOSEFIGURE = 1;
inline constexpr std::uint8_t PT_LINETO = 2;
inline constexpr std::uint8_t PT_BEZIERTO = 4;
inline constexpr std::uint8_t PT_MOVETO = 6;

struct PointF {
    double x = 0;
    double y = 0;
    friend bool operator==(const PointF&, const PointF&) = default;
};

class CDcPath {
public:
    void MoveTo(PointF p);
    // A line or Bézier without a figure open starts one at the last point
    // (or at the start point given by the caller through MoveTo).
    void LineTo(PointF p);
    void BezierTo(PointF c1, PointF c2, PointF end);
    // Marks the last point as closing its figure (nothing when empty).
    void CloseFigure();
    // Closed figures of the shapes, in the order GDI adds them.
    void AddPolygon(std::span<const PointF> points);
    void AddRectangle(PointF a, PointF b);
    void AddEllipse(PointF a, PointF b);
    void AddRoundRect(PointF a, PointF b, double cornerWidth, double cornerHeight);
    // Appends a path given as type bytes and points (a glyph outline),
    // mapped by `transform`. A Bézier run cut short ends the figure there;
    // an unknown type or mismatched arrays stop the append. Returns false
    // when the input was malformed.
    template <class Transform>
    bool Append(std::span<const std::uint8_t> types, std::span<const PointF> points, Transform transform);

    void Clear();
    bool IsEmpty() const { return m_points.empty(); }
    const std::vector<std::uint8_t>& GetTypes() const { return m_types; }
    const std::vector<PointF>& GetPoints() const { return m_points; }

    // The figures as closed polygons, Béziers flattened to within
    // `tolerance` units.
    std::vector<std::vector<PointF>> Flatten(double tolerance = 0.25) const;

private:
    std::vector<std::uint8_t> m_types;
    std::vector<PointF> m_points;
    bool m_figureOpen = false;
};

// An area bounded by closed polygons under the ALTERNATE or WINDING rule.
// Points on a left or top edge are inside, on a right or bottom edge
// outside, as for rectangles.
class CRegion {
public:
    CRegion() = default;
    static CRegion FromPath(const CDcPath& path, int fillMode);
    static CRegion FromPolygon(std::span<const Point> points, int fillMode);  // CreatePolygonRgn
    static CRegion FromRect(const Rect& rect);
    static CRegion FromEllipse(const Rect& rect);                               // CreateEllipticRgnIndirect
    static CRegion FromRoundRect(const Rect& rect, std::int32_t w, std::int32_t h);  // CreateRoundRectRgn

    bool IsEmpty() const;
    bool PtInRegion(double x, double y) const;
    bool PtInRegion(Point p) const { return PtInRegion(p.x, p.y); }
    // Whether any part of the rectangle (normalised; right and bottom
    // exclusive) lies in the region.
    bool RectInRegion(const Rect& rect) const;
    // The smallest integer rectangle holding the region; all zeros when
    // empty.
    Rect GetRgnBox() const;

    int GetFillMode() const { return m_fillMode; }
    const std::vector<std::vector<PointF>>& GetPolygons() const { return m_polygons; }

private:
    std::vector<std::vector<PointF>> m_polygons;
    int m_fillMode = ALTERNATE;
};

template <class Transform>
bool CDcPath::Append(std::span<const std::uint8_t> types, std::span<const PointF> points, Transform transform) {
    if (types.size() != points.size()) return false;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n;) {
        const std::uint8_t type = static_cast<std::uint8_t>(types[i] & ~PT_CLOSEFIGURE);
        if (type == PT_MOVETO) {
            MoveTo(transform(points[i]));
            ++i;
        } else if (type == PT_LINETO) {
            LineTo(transform(points[i]));
            if (types[i] & PT_CLOSEFIGURE) CloseFigure();
            ++i;
        } else if (type == PT_BEZIERTO) {
            if (i + 2 >= n) {
                // A Bézier cut short: end the figure, read nothing beyond.
                CloseFigure();
                return false;
            }
            BezierTo(transform(points[i]), transform(points[i + 1]), transform(points[i + 2]));
            if (types[i + 2] & PT_CLOSEFIGURE) CloseFigure();
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace kavitro
