#pragma once

// Text encoded by the system's iconv, so that tests check our decoders
// against an encoder that is not ours.

#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavitro::test {

// `text` in the encoding iconv names `to`; empty when iconv does not know
// the encoding or cannot encode every character.
inline std::vector<std::uint8_t> Iconv(const char* to, std::u16string_view text) {
    iconv_t cd = iconv_open(to, "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in;
    for (char16_t unit : text) {
        in.push_back(static_cast<char>(unit & 0xFF));
        in.push_back(static_cast<char>(unit >> 8));
    }
    std::string out(in.size() * 2 + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok) return {};
    return std::vector<std::uint8_t>(out.begin(), out.end() - static_cast<std::ptrdiff_t>(outLeft));
}

}  // namespace kavitro::test
