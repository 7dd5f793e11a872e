// Text blocks poured into text objects (a paste of Unicode text, an imported
// file): any UTF-16 units, at any zoom, text size and tab size.
//
// Beyond "no crash": the view's selection names only objects the document
// holds, every object stays a text, and one undo takes the document back to
// the one text it started with.

#include <algorithm>
#include <memory>

#include "FuzzSupport.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"

namespace kavitro::fuzz {
namespace {

void FuzzTextBlock(std::span<const std::uint8_t> input) {
    if (input.size() < 4)
        return;
    RegisterDocumentClasses();
    CApplicationProperties settings;
    settings[CApplicationProperties::TabSize] = input[0] % 101;
    DocumentServices services = DocumentServices::Defaults();
    services.settings = &settings;
    auto doc = std::make_unique<CKavitroDoc>(services);
    doc->OnNewDocument();
    doc->SetZoom(std::int64_t{input[1]} * 20);
    // Notes when the given text leaves the document: once deleted, its
    // address may be reused by a later object, so a search for the pointer
    // cannot tell whether it was kept.
    struct WatchingView : DefaultDocumentView {
        const CDrawObj* watched = nullptr;
        bool watchedGone = false;
        bool RemoveFromSelection(const CDrawObj& object) override {
            if (&object == watched)
                watchedGone = true;
            return DefaultDocumentView::RemoveFromSelection(object);
        }
    } view;
    doc->AddView(&view);

    CPolygonRect at;
    at.m_rect = Rect(-1000, -1000, 0, 0);
    auto* text = new CDrawText(at, 0, doc.get());
    doc->Add(text, true);
    view.watched = text;
    text->m_nSize = CDrawText::ClampSize(std::int64_t{input[2]} << (input[3] % 24));
    // At most a few thousand units: every added object purges the others.
    std::u16string units;
    for (std::size_t i = 4; i + 1 < input.size() && units.size() < 4096; i += 2)
        units.push_back(static_cast<char16_t>(input[i] | (input[i + 1] << 8)));
    const bool purge = input[0] & 0x80;
    doc->InsertText(&view, text, units.data(), units.size(), purge);

    for (CDrawObj* o : view.m_selection)
        KAVITRO_FUZZ_CHECK(std::find(doc->m_objects.m_objects.begin(), doc->m_objects.m_objects.end(), o) !=
                           doc->m_objects.m_objects.end());
    for (CDrawObj* o : doc->m_objects.m_objects)
        KAVITRO_FUZZ_CHECK(dynamic_cast<CDrawText*>(o) != nullptr);
    // The given text may have been purged (it held nothing), taking its edit
    // with it; otherwise one undo leaves it alone in the document.
    const bool givenKept = !view.watchedGone;
    doc->UndoRedo(true, &view);
    if (givenKept)
        KAVITRO_FUZZ_CHECK(doc->m_objects.m_objects.size() == 1);
    doc->RemoveView(&view);
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::Bytes;
    auto seed = [](std::uint8_t tab, std::uint8_t zoom, std::u16string_view text) {
        Bytes b = {tab, zoom, 25, 0};
        for (const char16_t c : text) {
            b.push_back(static_cast<std::uint8_t>(c & 0xFF));
            b.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return b;
    };
    return {seed(0x86, 5, std::u16string_view(u"سلام\r\nدنیا\0", 10)),
            seed(0x02, 250, std::u16string_view(u"ب\tت\t\tث\rد\0", 9)), seed(0x80, 1, u"\r\r\r\n\n\t")};
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzTextBlock)
