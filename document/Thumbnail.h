#pragma once

// The picture of the first page that every version-2 file carries: the
// first page's objects fitted into 600 x 800 on white, or a blank 600 x 800
// page when nothing is drawn, as a packed BMP block.

#include <cstdint>
#include <vector>

#include <QImage>

namespace kavitro {

class CKavitroDoc;

inline constexpr int kThumbnailWidth = 600;
inline constexpr int kThumbnailHeight = 800;
// The codec level: the fastest, since a thumbnail is packed on every save.
inline constexpr std::uint8_t kThumbnailLevel = 0;

// The thumbnail image (no view needed).
QImage RenderThumbnail(CKavitroDoc& document);
// A BMP file of the image: file header, 40-byte info header, 24-bit rows
// bottom-up.
std::vector<std::uint8_t> EncodeBmp24(const QImage& image);
// The stored block: 9-byte head, then the packed BMP file.
std::vector<std::uint8_t> BuildThumbnailBlock(CKavitroDoc& document);

}  // namespace kavitro
