#pragma once

// What the engine accepts: the 34 letters with their letter group and dot or
// stroke mark, and the 32 word-end characters with their fixed glyphs. Every
// other code is refused. Also the joining test that word splitting and the
// chain walk share.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/GlyphMetrics.h"
#include "engine/Letters.h"

namespace kavitro {

// One letter-group routine each; the value indexes the engine's tables.
enum class LetterGroup : std::uint8_t {
    Ain, Alef, Beh, Dal, Feh, Heh, Jeem, Kaf, Lam, Meem, Noon, Qaf, Reh, Sad, Seen, Tah, Waw, Yeh,
};
inline constexpr std::size_t kLetterGroupCount = 18;

// The name of the compiled rule table of a group ("beh" for Beh).
std::string_view LetterGroupTableName(LetterGroup group);

struct LetterCode {
    std::uint16_t code;
    LetterGroup group;
    std::uint8_t mark;  // font-4 glyph index drawn with the letter; 0 = none
};

struct WordEndCode {
    std::uint16_t code;
    GlyphId glyph;
};

// nullptr when the code is not a letter / not a word-end character.
const LetterCode* FindLetter(std::uint16_t code);
const WordEndCode* FindWordEnd(std::uint16_t code);

// The letter with this code does not join the letter after it, whose code is
// next (0 when that letter is not considered). Dal and thal join a following
// reh, zain or jeh only.
bool IsNonJoiningCode(std::uint16_t code, std::uint16_t next);

}  // namespace kavitro
