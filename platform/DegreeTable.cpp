#include "platform/DegreeTable.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace kavitro {

const double* GetTrigTable() {
    static const std::array<double, 720> table = [] {
        std::array<double, 720> t{};
        for (int d = 0; d < 360; ++d) {
            const double x = -(d * 3.141592) / 180.0;
            t[static_cast<std::size_t>(d)] = std::cos(x);
            t[static_cast<std::size_t>(d) + 360] = std::tan(x);
        }
        return t;
    }();
    return table.data();
}

std::int32_t NormalizeAngle(std::int64_t angle) {
    const std::int64_t r = angle % 360;
    return static_cast<std::int32_t>(r < 0 ? r + 360 : r);
}

void RotatePointF(const double* table, double& x, double& y, std::int32_t angle, Point pivot) {
    const std::int32_t a = NormalizeAngle(angle);
    if (a == 0) return;
    const double c = table[a];
    const double t = table[a + 360];
    const double dx = x - pivot.x;
    const double dy = y - pivot.y;
    x = (dx - t * dy) * c + pivot.x;
    y = (t * dx + dy) * c + pivot.y;
}

}  // namespace kavitro
