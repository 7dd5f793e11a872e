#pragma once

// The English texts compiled into the program: the last fallback when a pack
// lacks a string, and every text while no pack could be loaded. Generated at
// build time from app/lang/English.txt, the source of the English pack too.

#include <cstdint>
#include <span>

namespace kavitro {

struct BuiltInString {
    std::uint32_t id;
    const char16_t* text;
};

std::span<const BuiltInString> BuiltInEnglishStrings();

}  // namespace kavitro
