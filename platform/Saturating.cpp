#include "platform/Saturating.h"

#include <cmath>

namespace kavitro {

std::int32_t SaturateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int32_t ScaleSaturated(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    if (denominator == 0) return 0;
    const long double exact = static_cast<long double>(value) * numerator / denominator;
    const long double rounded = exact < 0 ? -std::floor(-exact + 0.5L) : std::floor(exact + 0.5L);
    return SaturateToInt32(static_cast<double>(rounded));
}

}  // namespace kavitro
