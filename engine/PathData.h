#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "platform/Geometry.h"

namespace kavitro {

// Point types of a recorded path. A line-to or Bézier point that ends a
// figure carries CloseFigure on top of its type.
namespace PathPoint {
inline constexpr std::uint8_t CloseFigure = 1;
inline constexpr std::uint8_t LineTo = 2;
inline constexpr std::uint8_t BezierTo = 4;
inline constexpr std::uint8_t MoveTo = 6;
}  // namespace PathPoint

// A path as a drawing surface records it: device coordinates with y growing
// downward, one type byte per point. A Bézier is three BezierTo points (two
// controls and the end point) after the point it starts from.
struct PathBuffer {
    std::vector<Point> points;
    std::vector<std::uint8_t> types;
};

// The outline of one glyph, in glyph units with y growing upward.
class CPathData {
public:
    // A record that was never filled.
    static constexpr std::int32_t kUnfilledYMax = std::numeric_limits<std::int32_t>::min();
    static constexpr std::int32_t kUnfilledYMin = std::numeric_limits<std::int32_t>::max();

    CPathData() = default;

    std::int32_t GetPointCount() const { return static_cast<std::int32_t>(m_points.size()); }
    // Path commands: each move-to, each line-to and each Bézier counts once.
    std::int32_t GetSegmentCount() const { return m_segmentCount; }
    std::span<const std::uint8_t> GetTypes() const { return m_types; }
    std::span<const Point> GetPoints() const { return m_points; }
    // y max is the depth (reach below the baseline), y min the height (reach
    // above it); both are 0 or more once the record is filled.
    std::int32_t GetYMax() const { return m_yMax; }
    std::int32_t GetYMin() const { return m_yMin; }
    std::int32_t GetDepth() const { return m_yMax; }
    std::int32_t GetHeight() const { return m_yMin; }
    bool IsUnfilled() const { return m_yMax == kUnfilledYMax && m_yMin == kUnfilledYMin && m_points.empty(); }

    // Replaces the record with a recorded device path: counts the segments,
    // measures the reach above and below the baseline over the end points
    // (never the Bézier controls) and turns y upward. A malformed path (a type
    // other than move-to, line-to or Bézier, a Bézier cut short, mismatched
    // arrays) raises a UserException and leaves the record as it was.
    void Capture(const PathBuffer& devicePath);

    // Replaces the record's content as given (the caller has validated it).
    void Assign(std::vector<std::uint8_t> types, std::vector<Point> points, std::int32_t segmentCount,
                std::int32_t yMax, std::int32_t yMin);

    // Releases the arrays; the record then holds no points.
    void Free();

    // No points, no segments, heights 0: the state of a record that a failed
    // load or capture did not reach.
    void MakeEmpty();

    friend bool operator==(const CPathData&, const CPathData&) = default;

private:
    std::vector<std::uint8_t> m_types;
    std::vector<Point> m_points;
    std::int32_t m_segmentCount = 0;
    std::int32_t m_yMax = kUnfilledYMax;
    std::int32_t m_yMin = kUnfilledYMin;
};

}  // namespace kavitro
