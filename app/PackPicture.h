#pragma once

// Pictures of a language pack read with their size checked before they are
// decoded, so that a damaged or hostile file can neither exhaust memory nor
// stop the program: it is simply not there.

#include <QImage>
#include <QPixmap>
#include <QString>
#include <optional>

namespace kavitro {

class LanguagePack;

// Largest width or height of a pack picture.
inline constexpr int kMaxPackPictureSide = 4096;

// The picture at `path`; nothing when it is missing, unreadable, empty or
// larger than kMaxPackPictureSide either way.
std::optional<QImage> ReadPackPicture(const QString& path);

// The pack's "LOGO" picture; null when it has none that can be read.
QPixmap PackLogo(const LanguagePack& pack);

}  // namespace kavitro
