#pragma once

// Where the program's read-only data lies: share/kavitro beside the binary
// (<bin>/../share/kavitro, in the build tree and under the install prefix),
// and the glyph artwork, which a build may derive into a folder of its own.

#include <QString>

namespace kavitro {

// <binDir>/../share/kavitro: language packs, keyboard layouts, filters.
QString ProgramDataFolder(const QString& binDir);

// The folder of the glyph fonts, mark anchors and vector paths:
// <binDir>/../share/kavitro-nastaliq when it holds fonts/Vorl21.ttf (the
// derived Nastaliq artwork), else the program data folder.
QString GlyphArtworkFolder(const QString& binDir);

}  // namespace kavitro
