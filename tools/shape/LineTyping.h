#pragma once

// What the tools that type text share: typing a line into a new text
// object's paragraph as a user types it, and loading the glyph data the
// engine shapes with.

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <vector>

#include "engine/CalligraphyText.h"

namespace kavitro::tool {

// Types `text` into `paragraph`, which must be new (empty), as a user types
// into a new text object: the object starts with one space and the caret
// before it, and every code point goes in at the caret, which moves as the
// paragraph moves it. The text-modification keys U+FF96..U+FF98 change the
// letter before the caret. Returns the indexes into `text` of the code
// points the engine refused (one beyond U+FFFF always is).
std::vector<std::size_t> TypeLine(CCalligraphyParagraph& paragraph, const std::vector<char32_t>& text);

// Loads the glyph fonts and the mark-anchor table from `dataDir` into the
// process-wide glyph-font object; false, with every missing file named on
// stderr after "toolName: ", when something is missing.
bool LoadGlyphData(const std::filesystem::path& dataDir, std::string_view toolName);

}  // namespace kavitro::tool
