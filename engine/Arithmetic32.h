#pragma once

// The 32-bit arithmetic of the text model. Sums are taken in 64 bits and
// brought back to the 32-bit fields in one of two ways:
//
// - Wrap32: values that follow from stored values (offsets moved by a lift,
//   word positions moved by a width change, measures summed over a word)
//   wrap around as the stored 32-bit fields always have. A damaged text with
//   extreme offsets then measures oddly, but the same everywhere, and an edit
//   followed by its inverse gives back the same numbers.
// - Clamp32: values that a computation chooses afresh (a position smart
//   spacing settles on, a size or angle handed to a font) saturate, so that
//   an overflow leaves a word or a font at the far end of the range instead
//   of throwing it to the other side.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kavitro {

constexpr std::int32_t Wrap32(std::int64_t value) { return static_cast<std::int32_t>(static_cast<std::uint64_t>(value)); }

constexpr std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace kavitro
