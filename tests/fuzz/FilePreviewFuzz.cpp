// The file dialog's preview decoder, over the kinds that have readers of
// their own here: the version-2 document's head and thumbnail block and the
// version-1.x header with its unpacked thumbnail. The first byte picks the
// kind; the pictures and clip-art behind the other kinds have their own
// targets.
//
// Beyond "no crash" (the decoder never raises): a preview is either nothing
// or an image of exactly the size asked for.

#include <QImage>

#include "FuzzSupport.h"
#include "document/FilePreview.h"
#include "document/Thumbnail.h"
#include "engine/Compressor.h"
#include "platform/Archive.h"

namespace kavitro::fuzz {
namespace {

const QSize kBound(64, 64);

void FuzzPreview(std::span<const std::uint8_t> input) {
    if (input.empty()) return;
    const char* name = (input[0] & 1) ? "x.kvl" : "x.kv2";
    const QImage image = DecodePreview(name, input.subspan(1), kBound);
    KAVITRO_FUZZ_CHECK(image.isNull() || image.size() == kBound);
}

Bytes SmallBmp() {
    QImage image(12, 6, QImage::Format_RGB32);
    image.fill(Qt::blue);
    return EncodeBmp24(image);
}

}  // namespace
}  // namespace kavitro::fuzz

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzPreview)

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    const fuzz::Bytes bmp = fuzz::SmallBmp();
    std::vector<fuzz::Bytes> seeds;
    for (const char16_t* magic : {u"Kavitro.2.DocumentV", u"Kavitro.2.Document"}) {
        for (std::uint8_t level : {std::uint8_t{0}, std::uint8_t{2}}) {
            CArchive ar = CArchive::ForStoring();
            ar << std::uint8_t{0};  // the kind: version 2
            ar.WriteString(magic);
            if (magic[18] == u'V') ar << std::uint32_t{2};
            CCompressor codec(level);
            ar.Write(codec.PackBlock(bmp));
            seeds.push_back(ar.TakeStoredBytes());
        }
    }
    fuzz::Bytes kvl{1};
    kvl.resize(1 + kKvlHeaderSize, 0);
    std::copy(kKvlMagic, kKvlMagic + sizeof kKvlMagic - 1, kvl.begin() + 1);
    kvl.insert(kvl.end(), bmp.begin(), bmp.end());
    seeds.push_back(std::move(kvl));
    return seeds;
}
