#pragma once

// GIF files of exported pages, through giflib (Qt has no GIF writer). The
// palette is made from the picture: its own colours when it has at most 256,
// else a median-cut reduction of them. Alpha is ignored, as GIF has none
// beyond one transparent index and raster exports other than PNG are opaque.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QImage;

namespace kavitro {

// The GIF file of the picture; nullopt with the reason when it cannot be
// encoded (a null picture, a side beyond 65535, a giflib error).
std::optional<std::vector<std::uint8_t>> EncodeGif(const QImage& image, std::string* error = nullptr);

}  // namespace kavitro
