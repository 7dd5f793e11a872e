#pragma once

// The pictures of the ribbon's two galleries. A vowel-sign item shows its
// sign where it sits against the baseline; a text-modification item shows a
// word in the form that modification gives it. Both are drawn with the glyph
// fonts (initialised before the main frame is built), unless the language
// pack brings a picture of its own, "images/GALLERY<n>.png", where n is the
// image number the gallery command gives its button: the item for vowel
// signs, the item + 20 for text modifications.

#include <QImage>

#include <cstdint>
#include <vector>

namespace kavitro {

class LanguagePack;

// Width and height of a gallery picture in device-independent pixels.
inline constexpr int kGalleryPictureSide = 32;

// The image number of a gallery's item, as the gallery command sets it.
std::int32_t GalleryImageOfItem(std::uint32_t gallery, std::int32_t item);

// The pictures of the items of a gallery command (32601 or 32651) in item
// order; none for any other command.
std::vector<QImage> GalleryPictures(const LanguagePack& pack, std::uint32_t gallery);

// The vowel signs of the gallery's items, in one frame for all, so that a
// sign above the letters and its twin below them stay apart.
std::vector<QImage> DrawVowelSignPictures();
// For each modification item, a word that the modification changes, after
// the change; each item gets a word whose result differs from the others'.
std::vector<QImage> DrawTextModificationPictures();

}  // namespace kavitro
