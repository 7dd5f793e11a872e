#pragma once

// Where the program's read-only data lies: share/kavitro beside the binary
// (<bin>/../share/kavitro, in the build tree and under the install prefix),
// and the glyph artwork, which a build may derive into a folder of its own
// beside it. The program and the headless tools choose alike, so that what
// a tool measures and draws is what the program shows.

#include <QString>

namespace kavitro {

// <binDir>/../share/kavitro: language packs, keyboard layouts, filters.
QString ProgramDataFolder(const QString& binDir);

// The folder of the glyph fonts, mark anchors and vector paths for a data
// folder: its sibling kavitro-nastaliq when that holds fonts/Vorl21.ttf
// (the derived Nastaliq artwork), else the data folder itself.
QString GlyphArtworkFolderOf(const QString& dataFolder);

// The same beside the program: GlyphArtworkFolderOf(ProgramDataFolder(binDir)).
QString GlyphArtworkFolder(const QString& binDir);

}  // namespace kavitro
