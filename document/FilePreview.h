#pragma once

// The picture a file dialog's preview shows for a file, chosen by the file's
// extension (any case): the thumbnail stored in a version-2 or version-1.x
// document, a raster picture, or a metafile or clip-art picture drawn
// through the metafile player. Files come from anywhere: sizes are bounded,
// and a file that cannot be read or decoded gives no picture and no message.

#include <cstdint>
#include <filesystem>
#include <span>

#include <QImage>
#include <QSize>

#include "platform/Geometry.h"

namespace kavitro {

enum class PreviewKind : std::uint8_t { None, Metafile, Raster, Kvl, Kv2 };

// ".emf", ".wmf", ".kvt", ".ekvt" metafiles; ".bmp", ".png", ".jpeg", ".jpg",
// ".gif", ".tiff" rasters; ".kvl", ".kv2" documents; anything else none.
PreviewKind PreviewKindOf(const std::filesystem::path& path);

// The most bytes read of a file for its preview (a document's thumbnail
// stands at its start, so a longer document is read only that far), and the
// largest raster picture decoded.
inline constexpr std::size_t kMaxPreviewBytes = std::size_t{64} << 20;
inline constexpr std::int64_t kMaxPreviewPixels = std::int64_t{1} << 25;
// The version-1.x document header in front of its thumbnail, and its magic.
inline constexpr std::size_t kKvlHeaderSize = 118;
inline constexpr char kKvlMagic[] = "Kavitro Document File";

// The preview of a file's bytes, of the kind its name gives, fitted into
// `bound` pixels and centred (transparent around the picture); a null image
// when there is nothing to show.
QImage DecodePreview(const std::filesystem::path& name, std::span<const std::uint8_t> bytes, QSize bound);
// The same, read from the file. A file longer than kMaxPreviewBytes is
// refused unless it is a document, whose first kMaxPreviewBytes are enough.
QImage DecodeFilePreview(const std::filesystem::path& path, QSize bound);

// Where a picture of `picture` pixels stands when fitted into `target`,
// keeping its shape and centred.
Rect FitPreviewRect(Size picture, const Rect& target);

}  // namespace kavitro
