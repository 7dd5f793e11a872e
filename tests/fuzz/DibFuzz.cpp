// The packed-DIB reader: DibImage::FromPacked (header, colour table, rows),
// and DibImage::AdoptPacked over the same bytes behind a file header.
//
// Beyond "no crash": a bitmap that loads has the rows its header promises,
// every pixel reads inside it, and written again it loads to itself; the
// adopted bitmap is refused or taken exactly like the copied one.

#include <algorithm>

#include "FuzzSupport.h"
#include "platform/DibImage.h"

namespace kavitro::fuzz {
namespace {

void FuzzDib(std::span<const std::uint8_t> input) {
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
}

}  // namespace
}  // namespace kavitro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kavitro::fuzz::FuzzDib({data, size});
    return 0;
}

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
    return seeds;
}
