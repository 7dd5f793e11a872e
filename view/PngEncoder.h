#pragma once

// PNG files of exported pages, through libpng with settings chosen for page
// pictures: the "up" filter and a fast deflate level. A page is mostly empty
// rows and long runs, so this is several times faster than Qt's writer
// (adaptive filters at the default level) for files of about the same size.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QImage;

namespace kavitro {

// The PNG file of the picture, 8-bit RGBA with its alpha; nullopt with the
// reason when it cannot be encoded.
std::optional<std::vector<std::uint8_t>> EncodePng(const QImage& image, std::string* error = nullptr);

}  // namespace kavitro
