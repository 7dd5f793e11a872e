#pragma once

// The arithmetic of the 32-bit fields that files, the text model and the
// drawing code share. Sums are taken in 64 bits and brought back in one of
// two ways:
//
// - Wrap32: values that follow from stored values (offsets moved by a lift,
//   word positions moved by a width change, measures summed over a word)
//   wrap around as the stored 32-bit fields always have. A damaged text with
//   extreme offsets then measures oddly, but the same everywhere, and an edit
//   followed by its inverse gives back the same numbers.
// - Clamp32 and the saturating operations: values that a computation chooses
//   afresh (a position, a size, a zoomed coordinate) saturate, so that an
//   overflow leaves them at the far end of the range instead of throwing
//   them to the other side.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kavitro {

constexpr std::int32_t Wrap32(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint64_t>(value)); }

constexpr std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

constexpr std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) { return Clamp32(std::int64_t{a} + b); }

constexpr std::int64_t SaturatingSub(std::int64_t a, std::int64_t b) {
    std::int64_t difference = 0;
    if (!__builtin_sub_overflow(a, b, &difference)) return difference;
    return b > 0 ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
}

constexpr std::int64_t SaturatingMul(std::int64_t a, std::int64_t b) {
    std::int64_t product = 0;
    if (!__builtin_mul_overflow(a, b, &product)) return product;
    return (a < 0) != (b < 0) ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
}

// A double as a 32-bit integer, saturating at the limits; NaN gives 0.
std::int32_t SaturateToInt32(double value);

// value * numerator / denominator rounded half away from zero like MulDiv,
// but saturating where MulDiv answers -1; a zero divisor gives 0.
std::int32_t ScaleSaturated(std::int64_t value, std::int64_t numerator, std::int64_t denominator);

}  // namespace kavitro
