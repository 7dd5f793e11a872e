#pragma once

// What the command-line tools share: reading their UTF-8 text arguments and
// input lines as code points.

#include <cstddef>
#include <string_view>
#include <vector>

namespace kavitro::tool {

inline constexpr char32_t kReplacement = 0xFFFD;

// Decodes UTF-8; each byte that does not start a well-formed sequence
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short)
// becomes one U+FFFD.
inline std::vector<char32_t> DecodeUtf8(std::string_view bytes) {
    std::vector<char32_t> out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            length = 1, cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, cp = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, cp = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, cp = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        valid = valid && cp >= minimum && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        out.push_back(valid ? cp : kReplacement);
        i += valid ? length : 1;
    }
    return out;
}

}  // namespace kavitro::tool
