#pragma once

// The one reader of numbers a user types into a box (sizes, angles,
// positions, frequencies, pixel sizes). It reads the same whatever the
// process locale: '.' (or the Arabic decimal separator U+066B) before the
// fraction, ASCII, Persian (U+06F0..U+06F9) and Arabic-Indic (U+0660..U+0669)
// digits, an optional sign ('-', '+', U+2212). There are no exponents, no
// thousands separators, no NaN and no infinity. Conversions to an integer
// clamp first, so no typed value can overflow one.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kavitro {

struct LeadingNumber {
    double value = 0;
    std::size_t length = 0;  // code units read, leading blanks included
};

// The longest number at the start of the text, after blanks (as wcstod reads
// one; what follows it is left). Nothing when the text does not start with a
// number or the number is too large to hold.
std::optional<LeadingNumber> ParseLeadingNumber(std::u16string_view text);

// The text is one number, blanks around it allowed.
std::optional<double> ParseUserNumber(std::u16string_view text);

// The value clamped to lo..hi, then truncated toward zero (NaN gives lo).
std::int32_t ClampToRange(double value, std::int32_t lo, std::int32_t hi);

// A whole-number box: the text is one number, and its value truncated toward
// zero lies in lo..hi; nothing otherwise.
std::optional<std::int32_t> ParseUserInteger(std::u16string_view text, std::int32_t lo, std::int32_t hi);

}  // namespace kavitro
