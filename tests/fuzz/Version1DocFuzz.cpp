// The version-1.x document reader: CKavitro1XDoc::LoadFromBytes (header,
// thumbnail, picture blocks with their metafiles, page records with their
// vowel signs, text records) and the conversion that follows it.
//
// Beyond "no crash": a refused file leaves the open document exactly as it
// was; a loaded one is not pending conversion, has its page count, page
// size and sizes in range, every object pointing at it and on one of its
// pages, and it stores as a version-2 document that loads and stores to the
// same bytes again.

#include "FuzzDocumentServices.h"
#include "FuzzSupport.h"
#include "document/DrawText.h"
#include "document/Kavitro1XDoc.h"
#include "document/SimpleObjects.h"
#include "tests/support/Version1File.h"

namespace kavitro::fuzz {
namespace {

void FuzzVersion1(std::span<const std::uint8_t> input) {
    CKavitro1XDoc doc(FuzzDocumentServices());
    if (!LoadsOrLeavesAsItWas(doc, input, "fuzz.kvl")) {
        KAVITRO_FUZZ_CHECK(doc.m_oldExtraPoints.empty());
        return;
    }
    KAVITRO_FUZZ_CHECK(!doc.IsConversionPending() && !doc.IsModified());
    KAVITRO_FUZZ_CHECK(doc.m_nPageWidth > 0 && doc.m_nPageWidth <= CKavitro1XDoc::kMaxCoordinate);
    KAVITRO_FUZZ_CHECK(doc.m_nPageHeight > 0 && doc.m_nPageHeight <= CKavitro1XDoc::kMaxCoordinate);
    for (CDrawObj* o : doc.m_objects.m_objects) {
        KAVITRO_FUZZ_CHECK(o && o->m_pDocument == &doc);
        KAVITRO_FUZZ_CHECK((o->m_nPage & kPageIndexMask) < doc.GetPageCount());
        if (const auto* t = dynamic_cast<const CDrawText*>(o))
            KAVITRO_FUZZ_CHECK(t->m_nSize >= CDrawText::kMinSize && t->m_nSize <= CDrawText::kMaxSize);
    }
    for (const CKavitro1XDoc::OldDocExtraPoints& p : doc.m_oldExtraPoints) {
        KAVITRO_FUZZ_CHECK(p.angle >= 0 && p.angle < 360);
        KAVITRO_FUZZ_CHECK(p.page == CKavitro1XDoc::kAttached ||
                           (p.page >= 0 && static_cast<std::uint32_t>(p.page) < doc.GetPageCount()));
    }
    CheckStoredFileIsStable(doc);
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro::test;
    std::vector<kavitro::fuzz::Bytes> seeds;
    // No pages; one page with a text and a sign; two pages with pictures.
    Version1File empty;
    empty.thumbnail.clear();
    seeds.push_back(WriteVersion1File(empty));

    Version1Text text;
    text.size = 20;
    text.x = 400;
    text.y = 300;
    text.characters = {Version1Character{133, 61, 370, 300}, Version1Character{30, 60, 340, 300, 5}};
    Version1Page page;
    page.texts.push_back(text);
    page.points.push_back(Version1Point{7, 376, 295, 1, -15});
    Version1File one;
    one.landscape = 0;
    one.pages.push_back(page);
    seeds.push_back(WriteVersion1File(one));

    Version1File two;
    Version1Page first = page;
    first.pictures.push_back(Version1Picture{1, 40, 60, 100, 80});
    Version1Page second;
    second.pictures.push_back(Version1Picture{2, 10, 20, 30, 40, 200, 100, SmallWmfRecords(200, 100)});
    text.angleTenths = 300;
    second.texts.push_back(text);
    two.pages = {first, second};
    seeds.push_back(WriteVersion1File(two));
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzVersion1)
