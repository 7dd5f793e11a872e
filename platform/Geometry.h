#pragma once

#include <cstdint>

namespace kavitro {

// MulDiv as the Windows drawing code relies on it: the product is taken in
// 64 bits, the quotient is rounded half away from zero, and a zero divisor or
// a result that does not fit in 32 bits gives -1.
std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle with Win32 semantics: right and bottom are exclusive, and the
// rectangle may be non-normalised (right < left or bottom < top) until
// NormalizeRect is called.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    Rect() = default;
    Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) : left(l), top(t), right(r), bottom(b) {}
    Rect(Point topLeft, Point bottomRight) : Rect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y) {}

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    Size GetSize() const { return {Width(), Height()}; }
    Point TopLeft() const { return {left, top}; }
    Point BottomRight() const { return {right, bottom}; }
    Point CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }

    // Empty when it has no positive area (IsRectEmpty).
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    // Left and top edges inside, right and bottom outside (PtInRect).
    bool PtInRect(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

    void NormalizeRect();
    void OffsetRect(std::int32_t dx, std::int32_t dy);
    void InflateRect(std::int32_t dx, std::int32_t dy);
    // Intersection and union follow Win32: an empty result becomes all zeros,
    // and empty operands are ignored by the union. Both return non-empty.
    bool IntersectRect(const Rect& a, const Rect& b);
    bool UnionRect(const Rect& a, const Rect& b);

    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace kavitro
