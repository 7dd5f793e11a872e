#include "platform/UserNumber.h"

#include <charconv>
#include <cmath>
#include <string>

namespace kavitro {

namespace {

// More digits than any box needs; a longer number is refused rather than
// read slowly or rounded silently.
constexpr std::size_t kMaxDigits = 40;

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= 0x06F0 && c <= 0x06F9) return c - 0x06F0;
    if (c >= 0x0660 && c <= 0x0669) return c - 0x0660;
    return -1;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0x00A0 || c == 0x200F || c == 0x200E; }
bool IsDecimalPoint(char16_t c) { return c == u'.' || c == 0x066B; }

}  // namespace

std::optional<LeadingNumber> ParseLeadingNumber(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::string ascii;
    if (i < text.size() && (text[i] == u'-' || text[i] == 0x2212)) {
        ascii += '-';
        ++i;
    } else if (i < text.size() && text[i] == u'+') {
        ++i;
    }
    std::size_t digits = 0;
    bool point = false;
    std::size_t end = i;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i]);
        if (d >= 0) {
            if (++digits > kMaxDigits) return std::nullopt;
            ascii += static_cast<char>('0' + d);
            end = i + 1;
        } else if (IsDecimalPoint(text[i]) && !point) {
            point = true;
            ascii += '.';
            if (digits > 0) end = i + 1;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    if (value == 0) value = 0;  // no negative zero
    return LeadingNumber{value, end};
}

std::optional<double> ParseUserNumber(std::u16string_view text) {
    const std::optional<LeadingNumber> number = ParseLeadingNumber(text);
    if (!number) return std::nullopt;
    for (std::size_t i = number->length; i < text.size(); ++i)
        if (!IsBlank(text[i])) return std::nullopt;
    return number->value;
}

std::int32_t ClampToRange(double value, std::int32_t lo, std::int32_t hi) {
    if (std::isnan(value) || value <= lo) return lo;
    if (value >= hi) return hi;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseUserInteger(std::u16string_view text, std::int32_t lo, std::int32_t hi) {
    const std::optional<double> value = ParseUserNumber(text);
    if (!value) return std::nullopt;
    const double whole = std::trunc(*value);
    if (whole < lo || whole > hi) return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

}  // namespace kavitro
