#pragma once

// The program's 32 cursors, taken from the language pack in use. Slot k of
// the table holds the cursor with id kCursorIds[k]; the drawing tools and the
// view pick cursors by slot.

#include <QCursor>
#include <array>
#include <cstdint>
#include <vector>

#include "app/LanguagePack.h"

namespace kavitro {

inline constexpr std::array<std::uint32_t, 32> kCursorIds = {
    10204, 10201, 10202, 10203, 10200, 10206, 10207, 10205, 10208, 161, 162, 163, 133, 142, 141, 140,
    24002, 24001, 24003, 24004, 151,   152,   153,   154,   155,   148, 157, 147, 158, 159, 156, 160,
};

// The cursors in slot order; a slot whose picture the pack lacks or that does
// not load holds the arrow.
std::vector<QCursor> LoadCursorTable(const LanguagePack& pack);

}  // namespace kavitro
