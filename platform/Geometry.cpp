#include "platform/Geometry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

namespace kavitro {

std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    // Round half away from zero: add half the divisor in the direction of the sign.
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t absProduct = product < 0 ? -product : product;
    const std::int64_t absDenominator = denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    const std::int64_t magnitude = (absProduct + absDenominator / 2) / absDenominator;
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > std::numeric_limits<std::int32_t>::max() || result < std::numeric_limits<std::int32_t>::min())
        return -1;
    return static_cast<std::int32_t>(result);
}

void Rect::NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}

void Rect::OffsetRect(std::int32_t dx, std::int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

void Rect::InflateRect(std::int32_t dx, std::int32_t dy) {
    left -= dx;
    right += dx;
    top -= dy;
    bottom += dy;
}

bool Rect::IntersectRect(const Rect& a, const Rect& b) {
    Rect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom));
    if (a.IsRectEmpty() || b.IsRectEmpty() || r.IsRectEmpty()) {
        *this = Rect();
        return false;
    }
    *this = r;
    return true;
}

bool Rect::UnionRect(const Rect& a, const Rect& b) {
    if (a.IsRectEmpty() && b.IsRectEmpty()) {
        *this = Rect();
        return false;
    }
    if (a.IsRectEmpty()) {
        *this = b;
        return true;
    }
    if (b.IsRectEmpty()) {
        *this = a;
        return true;
    }
    *this = Rect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom));
    return true;
}

}  // namespace kavitro
