#pragma once

// The process-wide degree table every rotation reads, so that the drawing
// code and the EPS writer turn points by exactly the same numbers.

#include <cstdint>

#include "platform/Geometry.h"

namespace kavitro {

// 720 doubles: entry d (0..359) is cos(x), entry d + 360 is tan(x), with
// x = -(d * 3.141592) / 180. Built once, on first use, never freed.
const double* GetTrigTable();

// Any angle brought into 0..359 (also INT_MIN and angles of 360 or more).
std::int32_t NormalizeAngle(std::int64_t angle);

// Rotates (x, y) in place about pivot by angle degrees with the table's
// numbers, without rounding (the EPS path writer; integer points are turned
// by RotatePoint of document/PolygonRect.h, which rounds).
void RotatePointF(const double* table, double& x, double& y, std::int32_t angle, Point pivot);

}  // namespace kavitro
