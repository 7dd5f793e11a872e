// The raster picture's stored forms: CDib::Load (the 9-byte head and a
// packed BMP file, or the unpacked marker and an unpacked form) and
// CDib::ReadUnpacked (a BMP file, or tag 0xAAFF and an encoded image), and
// CDib::LoadAnyForm, which tells them apart itself. The first byte picks the
// reader: bit 0 the unpacked form, bit 1 either form.
//
// Beyond "no crash": a picture that loads has pixels within the bounds;
// stored again it loads to the same pixels and encoded bytes, and stores to
// the same bytes.

#include "FuzzSupport.h"
#include "document/Dib.h"
#include "tests/document/PictureFixtures.h"
#include "tests/support/StoredBytes.h"

namespace kavitro::fuzz {
namespace {

Bytes Stored(CDib& dib, bool unpacked) {
    return unpacked ? test::StoredBytes(&CDib::WriteUnpacked, dib) : test::StoredBytes(&CDib::Store, dib);
}

void Load(CDib& dib, std::span<const std::uint8_t> bytes, bool unpacked, bool anyForm = false) {
    CArchive ar = CArchive::ForLoading(bytes);
    if (anyForm) dib.LoadAnyForm(ar);
    else if (unpacked) dib.ReadUnpacked(ar);
    else dib.Load(ar);
}

void FuzzPicture(std::span<const std::uint8_t> input) {
    if (input.empty()) return;
    const bool unpacked = (input[0] & 1) != 0;
    const bool anyForm = (input[0] & 2) != 0;
    const auto body = input.subspan(1);
    CDib dib;
    if (!CompletesOrRefuses([&] { Load(dib, body, unpacked, anyForm); })) {
        KAVITRO_FUZZ_CHECK(dib.IsEmpty());
        return;
    }
    KAVITRO_FUZZ_CHECK(!dib.IsEmpty());
    KAVITRO_FUZZ_CHECK(dib.GetWidth() >= 1 && dib.GetWidth() <= DibImage::kMaxDimension);
    KAVITRO_FUZZ_CHECK(dib.GetHeight() >= 1 && dib.GetHeight() <= DibImage::kMaxDimension);
    const Bytes first = Stored(dib, unpacked);
    CDib again;
    Load(again, first, unpacked);
    KAVITRO_FUZZ_CHECK(*again.GetDib() == *dib.GetDib());
    KAVITRO_FUZZ_CHECK(again.GetEncodedBytes() == dib.GetEncodedBytes());
    KAVITRO_FUZZ_CHECK(Stored(again, unpacked) == first);
}

}  // namespace
}  // namespace kavitro::fuzz

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzPicture)

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    std::vector<fuzz::Bytes> seeds;
    auto add = [&](CDib& dib, bool unpacked) {
        fuzz::Bytes seed{static_cast<std::uint8_t>(unpacked ? 1 : 0)};
        const fuzz::Bytes b = fuzz::Stored(dib, unpacked);
        seed.insert(seed.end(), b.begin(), b.end());
        seeds.push_back(std::move(seed));
    };
    for (const std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        CDib dib;
        dib.SetDib(test::MakeDib(5, 3, bits));
        add(dib, false);
        add(dib, true);
    }
    for (const char* format : {"PNG", "JPEG", "BMP", "TIFF"}) {
        CDib dib;
        if (dib.LoadImageBytes(test::EncodedImage(format, 6, 4))) {
            add(dib, false);
            add(dib, true);
        }
    }
    CDib gif;
    if (gif.LoadImageBytes(test::TinyGif())) add(gif, true);
    // Compressed bitmaps, unpacked and packed, and read as either form.
    CCompressor codec;
    for (const fuzz::Bytes& dib : {test::FourColourDib(8, 1, test::kRle8Stream),
                                   test::FourColourDib(4, 2, test::kRle4Stream), test::MaskedFourColourDib()}) {
        const fuzz::Bytes file = test::BitmapFileOf(dib);
        const fuzz::Bytes packed = codec.PackBlock(file);
        for (const auto& [selector, bytes] : {std::pair{1, &file}, std::pair{0, &packed}, std::pair{3, &file}}) {
            fuzz::Bytes seed{static_cast<std::uint8_t>(selector)};
            seed.insert(seed.end(), bytes->begin(), bytes->end());
            seeds.push_back(std::move(seed));
        }
    }
    return seeds;
}
