// The text object's stored form: CDrawText::Serialize loading (the drawing
// object record, size, colour, baseline offset, the paragraph), under the
// class schemas 1 and 0.
//
// Beyond "no crash": a loaded text has a size in range and, stored again,
// loads and stores to the same bytes; drawing it, its redraw rectangle, its
// component rectangles and its outlines never read outside the paragraph.

#include "FuzzSupport.h"
#include "document/DrawText.h"
#include "document/SimpleObjects.h"
#include "platform/SpyDC.h"
#include "platform/Vector.h"
#include "tests/support/StoredBytes.h"

namespace kavitro::fuzz {
namespace {

Bytes Store(const CDrawText& text) {
    return test::StoredBytes([&](CArchive& ar) { ar.WriteObject(&text); });
}

void FuzzTextObject(std::span<const std::uint8_t> input) {
    RegisterDocumentClasses();
    std::unique_ptr<CDrawText> text;
    if (!CompletesOrRefuses([&] {
            CArchive ar = CArchive::ForLoading(input);
            text = ar.ReadObjectAs<CDrawText>();
        }))
        return;
    if (!text) return;
    KAVITRO_FUZZ_CHECK(text->m_nSize >= CDrawText::kMinSize && text->m_nSize <= CDrawText::kMaxSize);
    const Bytes stored = Store(*text);
    std::unique_ptr<CDrawText> again;
    {
        CArchive ar = CArchive::ForLoading(std::span<const std::uint8_t>(stored));
        again = ar.ReadObjectAs<CDrawText>();
    }
    KAVITRO_FUZZ_CHECK(again && Store(*again) == stored);

    CSpyDC spy;
    text->Draw(spy);
    Rect redraw;
    text->GetZoomedRect(redraw);
    CVector writer;
    text->ExportEPS(writer, true);
    for (std::size_t i = 0; i < std::min<std::size_t>(text->m_paragraph.m_words.size(), 8); ++i) {
        CTextComponentSelection s;
        s.m_firstWord = s.m_lastWord = static_cast<std::uint16_t>(i);
        text->GetComponentRect(s, kWordsWithMarks);
    }
    CTextComponentSelection bad;
    bad.m_firstWord = bad.m_lastWord = 0xFFFE;
    text->MoveMarkOrWordsBy(bad, {5, 5});
    KAVITRO_FUZZ_CHECK(bad.m_firstWord == CTextComponentSelection::kNone);
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    using fuzz::Bytes;
    RegisterDocumentClasses();
    std::vector<Bytes> seeds;
    CDrawText text;
    for (char16_t c : std::u16string_view(u"سلام بر شما")) text.m_paragraph.InsertCharacter(text.m_nCaret, c);
    text.m_paragraph.m_points.push_back(CCalligraphyPoint{0x3D, -40, 300});
    text.m_nBaselineOffset = -25;
    text.m_color = RGB(1, 2, 3);
    const Bytes schema1 = fuzz::Store(text);
    seeds.push_back(schema1);
    // Schema 0: no baseline offset and no vowel-point count.
    text.m_paragraph.m_points.clear();
    Bytes schema0 = fuzz::Store(text);
    const std::size_t header = 2 + 2 + 2 + 9;  // new-class tag, schema, name length, "CDrawText"
    schema0[2] = 0;
    schema0.erase(schema0.begin() + static_cast<std::ptrdiff_t>(header + CDrawObj::kStoredSize + 8),
                  schema0.begin() + static_cast<std::ptrdiff_t>(header + CDrawObj::kStoredSize + 12));
    schema0.resize(schema0.size() - 2);
    seeds.push_back(schema0);
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzTextObject)
