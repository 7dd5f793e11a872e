// The packed-DIB reader: DibImage::FromPacked (header, colour table, rows),
// and DibImage::AdoptPacked over the same bytes behind a file header; the
// bitmap-file reader DibImage::FromBitmapFile over whole files (inputs that
// start with "BM") and over every packed bitmap behind a file header.
//
// Beyond "no crash": a bitmap that loads has the rows its header promises,
// every pixel reads inside it, and written again it loads to itself; the
// adopted bitmap is refused or taken exactly like the copied one.

#include <algorithm>
#include <initializer_list>

#include "FuzzSupport.h"
#include "platform/DibImage.h"

namespace kavitro::fuzz {
namespace {

constexpr std::int64_t kMaxFilePixels = std::int64_t{1} << 22;

// A bitmap file reads into a 32-bit bitmap within its limits, or not at all.
std::optional<DibImage> ReadBitmapFile(std::span<const std::uint8_t> file) {
    std::optional<DibImage> image = DibImage::FromBitmapFile(file, kMaxFilePixels);
    if (!image) return image;
    KAVITRO_FUZZ_CHECK(image->GetHeader().bitCount == 32 && image->GetHeader().compression == 0);
    KAVITRO_FUZZ_CHECK(std::int64_t{image->GetWidth()} * image->GetHeight() <= kMaxFilePixels);
    KAVITRO_FUZZ_CHECK(DibImage::FromPacked(image->ToPacked()) == image);
    return image;
}

void FuzzDib(std::span<const std::uint8_t> input) {
    // Whole bitmap files (any info header) start with their tag.
    if (input.size() >= 2 && input[0] == 'B' && input[1] == 'M') {
        (void)ReadBitmapFile(input);
        return;
    }
    const std::optional<DibImage> dib = DibImage::FromPacked(input);
    // Adopting the bytes behind a file header takes exactly what copying does.
    std::vector<std::uint8_t> file(14, 0xEE);
    file.insert(file.end(), input.begin(), input.end());
    const std::optional<DibImage> adopted = DibImage::AdoptPacked(std::move(file), 14);
    KAVITRO_FUZZ_CHECK(adopted.has_value() == dib.has_value());
    if (!dib) return;
    KAVITRO_FUZZ_CHECK(*adopted == *dib && adopted->ToPacked() == dib->ToPacked());
    for (std::int32_t i = 0; i < 8; ++i)
        KAVITRO_FUZZ_CHECK(adopted->GetPixel(i, i) == dib->GetPixel(i, i));
    KAVITRO_FUZZ_CHECK(dib->GetWidth() >= 1 && dib->GetHeight() >= 1);
    KAVITRO_FUZZ_CHECK(dib->GetBits().size() ==
                       static_cast<std::size_t>(dib->GetStride()) * static_cast<std::size_t>(dib->GetHeight()));
    KAVITRO_FUZZ_CHECK(dib->GetBits().size() <= input.size());
    const std::int32_t w = std::min(dib->GetWidth() + 1, 64);
    const std::int32_t h = std::min(dib->GetHeight() + 1, 64);
    for (std::int32_t y = -1; y < h; ++y)
        for (std::int32_t x = -1; x < w; ++x) (void)dib->GetPixel(x, y);
    const std::vector<std::uint8_t> packed = dib->ToPacked();
    KAVITRO_FUZZ_CHECK(DibImage::FromPacked(packed) == dib);

    // The file reader takes the same bitmap behind a file header (no pixel
    // offset given) with the same colours.
    std::vector<std::uint8_t> bmp{'B', 'M'};
    bmp.resize(14, 0);
    bmp.insert(bmp.end(), input.begin(), input.end());
    const std::optional<DibImage> read = ReadBitmapFile(bmp);
    if (std::int64_t{dib->GetWidth()} * dib->GetHeight() > kMaxFilePixels) return;
    KAVITRO_FUZZ_CHECK(read && read->GetWidth() == dib->GetWidth() && read->GetHeight() == dib->GetHeight());
    for (std::int32_t y = 0; y < std::min(dib->GetHeight(), 16); ++y)
        for (std::int32_t x = 0; x < std::min(dib->GetWidth(), 16); ++x)
            KAVITRO_FUZZ_CHECK(read->GetPixel(x, y) == dib->GetPixel(x, y));
}

}  // namespace
}  // namespace kavitro::fuzz

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzDib)

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::DibImage;
    std::vector<kavitro::fuzz::Bytes> seeds;
    for (const std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        DibImage dib = *DibImage::Create(5, 3, bits);
        dib.SetPixel(1, 1, 0x123456);
        seeds.push_back(dib.ToPacked());
    }
    // Top-down rows and a short colour table.
    kavitro::fuzz::Bytes topDown = DibImage::Create(3, 2, 8)->ToPacked();
    topDown[8] = 0xFE;
    topDown[9] = topDown[10] = topDown[11] = 0xFF;
    seeds.push_back(topDown);
    kavitro::fuzz::Bytes shortTable = DibImage::Create(4, 2, 4)->ToPacked();
    shortTable[32] = 3;
    shortTable.erase(shortTable.begin() + 40 + 12, shortTable.begin() + 40 + 64);
    seeds.push_back(shortTable);
    // Bitmap files with the larger info headers: a 124-byte one with RGBA
    // masks at 32 bits, a 56-byte one with 5-6-5 masks, a 108-byte plain one
    // whose rows start after a gap.
    const auto file = [](std::uint32_t headerSize, std::uint16_t bits, std::uint32_t compression,
                         std::initializer_list<std::uint32_t> masks, std::uint32_t gap) {
        const DibImage dib = *DibImage::Create(3, 2, bits);
        const std::span<const std::uint8_t> rows = dib.GetBits();
        const std::uint32_t offBits = 14 + headerSize + gap;
        std::vector<std::uint8_t> out{'B', 'M'};
        auto put = [&](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        };
        put(offBits + static_cast<std::uint32_t>(rows.size()), 4);
        put(0, 4);
        put(offBits, 4);
        for (std::uint32_t v : {headerSize, 3u, 2u}) put(v, 4);
        put(1, 2);
        put(bits, 2);
        put(compression, 4);
        put(static_cast<std::uint32_t>(rows.size()), 4);
        for (int i = 0; i < 4; ++i) put(0, 4);
        for (std::uint32_t m : masks) put(m, 4);
        out.resize(offBits, 0);
        for (std::size_t i = 0; i < rows.size(); ++i) out.push_back(static_cast<std::uint8_t>(i * 37));
        return out;
    };
    seeds.push_back(file(124, 32, 3, {0xFF000000u, 0xFF0000u, 0xFF00u, 0xFFu}, 0));
    seeds.push_back(file(56, 16, 3, {0xF800u, 0x07E0u, 0x1Fu, 0}, 0));
    seeds.push_back(file(108, 24, 0, {}, 4));
    return seeds;
}
