// The vector picture's stored form: CMetafilePicture::Load (u16 type, u32
// size, the raw file) and through it the decoders of every kind: placeable
// WMF, EMF, Dodavo clip-art (".kvt": magic, mode, length, a packed placeable
// WMF) and enhanced Dodavo clip-art (".ekvt": a packed EMF).
//
// Beyond "no crash": a refused picture is left empty; a loaded one has a
// metafile of its kind (or no type at all), stores to the bytes it was read
// from, and loads again to the same metafile.

#include "FuzzSupport.h"
#include "document/MetafilePicture.h"
#include "tests/document/PictureFixtures.h"
#include "tests/support/StoredBytes.h"

namespace kavitro::fuzz {
namespace {

void FuzzClipart(std::span<const std::uint8_t> input) {
    CMetafilePicture picture;
    std::size_t consumed = 0;
    const bool loaded = CompletesOrRefuses([&] {
        CArchive ar = CArchive::ForLoading(input);
        picture.Load(ar);
        consumed = ar.GetPosition();
    });
    if (!loaded) {
        KAVITRO_FUZZ_CHECK(picture.GetType() == CMetafilePicture::None && picture.GetRawBytes().empty() &&
                           !picture.HasMetafile());
        return;
    }
    KAVITRO_FUZZ_CHECK(picture.HasMetafile() == (picture.GetType() != CMetafilePicture::None));
    const Bytes stored = test::StoredBytes(&CMetafilePicture::Store, picture);
    KAVITRO_FUZZ_CHECK(stored.size() == consumed && std::equal(stored.begin(), stored.end(), input.begin()));
    CMetafilePicture again;
    CArchive in = CArchive::ForLoading(stored);
    again.Load(in);
    KAVITRO_FUZZ_CHECK(again.GetMetafileBits() == picture.GetMetafileBits());
    KAVITRO_FUZZ_CHECK(again.GetWidth() == picture.GetWidth() && again.GetHeight() == picture.GetHeight());
}

}  // namespace
}  // namespace kavitro::fuzz

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzClipart)

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    const fuzz::Bytes wmf = test::PlaceableWmf();
    const fuzz::Bytes emf = test::RecordedEmf();
    const std::pair<std::uint16_t, fuzz::Bytes> files[] = {
        {CMetafilePicture::Wmf, wmf},
        {CMetafilePicture::Emf, emf},
        {CMetafilePicture::Dodavo, test::DodavoFile(wmf, false, 0)},
        {CMetafilePicture::Dodavo, test::DodavoFile(wmf, false, 2)},
        {CMetafilePicture::EnhancedDodavo, test::DodavoFile(emf, true, 1)},
        {CMetafilePicture::None, fuzz::Bytes{1, 2, 3}},
    };
    std::vector<fuzz::Bytes> seeds;
    for (const auto& [type, file] : files) {
        fuzz::Bytes seed;
        test::PutLE(seed, type, 2);
        test::PutLE(seed, file.size(), 4);
        seed.insert(seed.end(), file.begin(), file.end());
        seeds.push_back(std::move(seed));
    }
    return seeds;
}
