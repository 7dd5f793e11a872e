// The version-2 document reader: CKavitroDoc::LoadFromBytes (magic, schema,
// thumbnail block, page size, margins, page count, the object list with its
// class tags, the guide-line list).
//
// Beyond "no crash": a refused file leaves the open document exactly as it
// was; a loaded one has a page count and a page size in range, only guide
// lines in its guide list, every object pointing at it, and it stores to
// bytes that load and store to the same bytes again.

#include "FuzzDocumentServices.h"
#include "FuzzSupport.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/Compressor.h"

namespace kavitro::fuzz {
namespace {

void FuzzDocument(std::span<const std::uint8_t> input) {
    CKavitroDoc doc(FuzzDocumentServices());
    if (!LoadsOrLeavesAsItWas(doc, input, "fuzz.kv2")) {
        KAVITRO_FUZZ_CHECK(doc.m_guideLines.empty());
        return;
    }
    KAVITRO_FUZZ_CHECK(doc.GetPageCount() >= 1 && doc.GetPageCount() <= CObjectsBuffer::kMaxPages);
    KAVITRO_FUZZ_CHECK(doc.m_nPageWidth > 0 && doc.m_nPageHeight > 0);
    for (CDrawObj* o : doc.m_objects.m_objects) KAVITRO_FUZZ_CHECK(o && o->m_pDocument == &doc);
    for (CDrawObj* g : doc.m_guideLines) {
        KAVITRO_FUZZ_CHECK(dynamic_cast<CDrawGuideLine*>(g) != nullptr);
        KAVITRO_FUZZ_CHECK(g->m_pDocument == &doc);
    }
    CheckStoredFileIsStable(doc);
}

// The file with its thumbnail block replaced: the reader skips the block,
// so a small one leaves the mutations for the fields that matter.
Bytes WithThumbnail(const Bytes& file, const Bytes& block) {
    constexpr std::size_t kThumbnailAt = 46;  // after the magic and the schema
    const StoredBlockHeader h = StoredBlockHeader::Read(std::span(file).subspan(kThumbnailAt));
    Bytes out(file.begin(), file.begin() + kThumbnailAt);
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(kThumbnailAt + StoredBlockHeader::kSize + h.PackedCount()),
               file.end());
    return out;
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    using fuzz::Bytes;
    std::vector<Bytes> seeds;
    CCompressor codec(0);
    const std::uint8_t tinyBmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    const Bytes packed = codec.PackBlock(tinyBmp);
    // The unpacked forms: a BMP file, and an encoded image.
    Bytes bmpForm = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'B', 'M', 18, 0, 0, 0, 0, 0, 0, 0, 14, 0, 0, 0, 1, 2, 3, 4};
    Bytes encodedForm = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 7, 8, 9};

    CKavitroDoc empty(fuzz::FuzzDocumentServices());
    empty.OnNewDocument();
    const Bytes emptyFile = empty.StoreToBytes();
    seeds.push_back(fuzz::WithThumbnail(emptyFile, packed));
    seeds.push_back(fuzz::WithThumbnail(emptyFile, bmpForm));
    seeds.push_back(fuzz::WithThumbnail(emptyFile, encodedForm));

    CKavitroDoc doc(fuzz::FuzzDocumentServices());
    doc.OnNewDocument();
    doc.AddPage(0);
    auto* r = new CDrawRect(CPolygonRect(Point{-5000, -3000}, Size{2000, 1000}), 0, &doc);
    r->m_nShape = CDrawRect::RoundRectangle;
    const Point pivot{-4000, -2500};
    r->m_position.SetAngle(20, &pivot);
    doc.Add(r, true);
    doc.Add(new CDrawLine(CPolygonRect(Point{-100, -100}, Size{-900, -700}), kEveryPageFlags | 1, &doc), true);
    doc.Add(new CDrawRect(CPolygonRect(Point{-800, -900}, Size{300, 300}), 1, &doc), true);
    DefaultDocumentView view;
    doc.AddGuideline(&view, 1, -3000);
    doc.AddGuideline(&view, 0, -7000);
    const Bytes full = fuzz::WithThumbnail(doc.StoreToBytes(), packed);
    seeds.push_back(full);
    // The older magic, without the schema.
    Bytes old = {0xFF, 0xFE, 0xFF, 18};
    for (char16_t c : std::u16string_view(CKavitroDoc::kOldMagic)) old.insert(old.end(), {static_cast<std::uint8_t>(c), 0});
    old.insert(old.end(), full.begin() + 46, full.end());
    seeds.push_back(old);
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzDocument)
