#pragma once

// The paper this computer uses when no printer says otherwise: the one the
// user's paper locale names, or the one the administrator wrote down for
// every program (libpaper's papersize file). Sizes are portrait, in 0.01 mm.

#include <optional>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace kavitro {

// A paper by its libpaper name ("a4", "Letter", ...); none when unknown.
std::optional<Size> PaperOfName(std::string_view name);

// The first paper name in a papersize file's text: comments ('#') and blank
// lines skipped, surrounding blanks trimmed. Empty when there is none.
std::string PaperNameOfFile(std::string_view text);

// The paper of a locale (LC_PAPER of `localeName`; "" is the environment's);
// none when the locale is not installed.
std::optional<Size> PaperOfLocale(const std::string& localeName);

// Where the system's paper comes from; each member may be left empty.
struct SystemPaperSources {
    std::string paperSizeVariable;  // $PAPERSIZE
    std::string paperLocaleName;    // the first of $LC_ALL, $LC_PAPER, $LANG that is set
    std::string paperSizeFile;      // the text of $PAPERCONF or /etc/papersize
};
SystemPaperSources ReadSystemPaperSources();

// $PAPERSIZE first, then a locale the user chose (not "C" or "POSIX"), then
// the papersize file, then the paper of the plain C locale. None only when
// none of them names a known paper.
std::optional<Size> SystemPaper(const SystemPaperSources& sources);

}  // namespace kavitro
