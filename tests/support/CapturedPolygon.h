#pragma once

// A vector-path record as the capture of a closed polygon makes it, for the
// tests and fuzz seeds of the vector-path file.

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "engine/PathData.h"

namespace kavitro::test {

// The polygon is given in device coordinates (y down); with more figures,
// copies of it follow, each 50 units right of the one before.
inline CPathData CapturedPolygon(std::initializer_list<Point> devicePoints, std::size_t figures = 1) {
    PathBuffer path;
    for (std::size_t f = 0; f < figures; ++f) {
        bool first = true;
        for (const Point& p : devicePoints) {
            path.points.push_back({p.x + static_cast<std::int32_t>(f) * 50, p.y});
            path.types.push_back(first ? PathPoint::MoveTo : PathPoint::LineTo);
            first = false;
        }
        path.types.back() |= PathPoint::CloseFigure;
    }
    CPathData record;
    record.Capture(path);
    return record;
}

}  // namespace kavitro::test
