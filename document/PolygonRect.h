#pragma once

// The rotatable rectangle that places every drawing object, and the small
// geometric helpers of the hit tests and picture previews.

#include <array>
#include <cstdint>

#include "platform/DegreeTable.h"  // GetTrigTable, NormalizeAngle, RotatePointF
#include "platform/Geometry.h"
#include "platform/Saturating.h"

namespace kavitro {

class CArchive;
class CDC;

// Rotates an integer point in place about pivot by angle degrees; results
// are rounded with exact halves going down.
void RotatePoint(const double* table, Point& point, std::int32_t angle, Point pivot);

// Nonzero when segment p1-p2 crosses segment p3-p4. The cross products are
// taken wide enough for any 32-bit coordinates.
int SideOfSegment(Point p1, Point p2, Point p3, Point p4);

// Scales source to fit inside target (fitInside) or to cover it, centred on
// target; target takes the result. An empty source or target leaves target
// unchanged.
void FitRectInRect(Rect& target, Rect& source, bool fitInside);

class CPolygonRect {
public:
    CPolygonRect() = default;
    CPolygonRect(Point topLeft, Size size);
    virtual ~CPolygonRect() = default;
    CPolygonRect(const CPolygonRect&) = default;
    CPolygonRect& operator=(const CPolygonRect&) = default;

    // Normalises and applies an angle about the given pivot, or about the
    // pivot held as ratios when none is given.
    void SetAngle(std::int32_t angle, const Point* pivot = nullptr);
    // The stored form: u32 angle, double ratio x, double ratio y, rect.
    void Serialize(CArchive& ar);
    // Nonzero when the point lies inside the rotated rectangle.
    int PtInPolygon(Point point) const;
    // Draws the rotated outline with the selected pen and brush, each corner
    // scaled by zoom / 100.
    void Draw(CDC& dc, std::int32_t zoom) const;
    // The pivot the ratios describe; the centre of the rectangle when a
    // ratio is 0, NaN or infinite.
    Point GetPivot() const;

    std::int32_t m_nAngle = 0;
    Rect m_rect;
    Rect m_bounds;
    double m_dPivotRatioX = 0.0;
    double m_dPivotRatioY = 0.0;
    std::array<Point, 4> m_corners{};

    static constexpr std::size_t kStoredSize = 36;
    // The largest coordinate a loaded rectangle keeps: larger ones (a
    // flipped high bit) are brought to it, so that the width and height of
    // any loaded rectangle fit in 32 bits. Converted version-1.x documents
    // stack their pages half a billion units down; those stay as they are.
    static constexpr std::int32_t kMaxStoredCoordinate = (1 << 30) - 1;
};

}  // namespace kavitro
