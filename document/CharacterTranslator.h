#pragma once

// The seam through which every character that is about to enter a calligraphic
// text passes: typed keys, pasted and imported text, the first space of a new
// document. The keyboard layouts of the input layer implement it; the shell
// hands the real one to the document, tests use the identity below.

#include <cstdint>

namespace kavitro {

class CharacterTranslator {
public:
    // The answer that refuses a character: callers insert a result only when
    // it is below this value and drop the character otherwise.
    static constexpr std::uint16_t kRefused = 0xFFFF;

    virtual ~CharacterTranslator() = default;

    // The UTF-16 unit to insert for the character code, or kRefused.
    virtual std::uint16_t TranslateChar(std::uint32_t code) const = 0;
};

// Passes every code below 0xFFFF unchanged and refuses the rest; for tests
// and for code that must not depend on the installed layout.
class IdentityCharacterTranslator final : public CharacterTranslator {
public:
    std::uint16_t TranslateChar(std::uint32_t code) const override {
        return code < kRefused ? static_cast<std::uint16_t>(code) : kRefused;
    }
};

}  // namespace kavitro
