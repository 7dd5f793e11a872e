#include "engine/PathData.h"

#include <algorithm>
#include <utility>

#include "platform/Exceptions.h"

namespace kavitro {

namespace {

std::int32_t Negated(std::int32_t v) {
    // The one value without a negation stays the most negative one.
    return v == std::numeric_limits<std::int32_t>::min() ? std::numeric_limits<std::int32_t>::max() : -v;
}

}  // namespace

void CPathData::Capture(const PathBuffer& devicePath) {
    const std::size_t n = devicePath.points.size();
    if (devicePath.types.size() != n) {
        throw UserException("path types and points disagree");
    }
    if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw UserException("path too long");
    }

    std::int32_t segments = 0;
    std::int32_t deepest = 0;   // device y grows downward: largest y is the depth
    std::int32_t highest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t type = devicePath.types[i] & ~PathPoint::CloseFigure;
        if (type == PathPoint::BezierTo) {
            if (i + 2 >= n) {
                throw UserException("path ends inside a Bezier");
            }
            i += 2;  // the two control points never count
        } else if (type != PathPoint::LineTo && type != PathPoint::MoveTo) {
            throw UserException("unknown path point type");
        }
        ++segments;
        deepest = std::max(deepest, devicePath.points[i].y);
        highest = std::min(highest, devicePath.points[i].y);
    }

    std::vector<Point> points = devicePath.points;
    for (Point& p : points) {
        p.y = Negated(p.y);
    }
    m_types = devicePath.types;
    m_points = std::move(points);
    m_segmentCount = segments;
    m_yMax = deepest;
    m_yMin = Negated(highest);
}

void CPathData::Assign(std::vector<std::uint8_t> types, std::vector<Point> points, std::int32_t segmentCount,
                       std::int32_t yMax, std::int32_t yMin) {
    m_types = std::move(types);
    m_points = std::move(points);
    m_segmentCount = segmentCount;
    m_yMax = yMax;
    m_yMin = yMin;
}

void CPathData::Free() {
    m_types = {};
    m_points = {};
}

void CPathData::MakeEmpty() {
    Free();
    m_segmentCount = 0;
    m_yMax = 0;
    m_yMin = 0;
}

}  // namespace kavitro
