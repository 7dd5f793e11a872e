// The paste of the private clipboard format "Kavitro 2.0 Format": PasteData
// over a view, which loads the object list (count, class tags, each object's
// stored form) with only the five drawing-object classes.
//
// Beyond "no crash": a refused list leaves the document exactly as it was
// (objects, undo list, selection); a pasted one adds only drawing objects of
// the five classes, on the view's page, owned by the document and selected,
// and their list stored again loads and stores to the same bytes.

#include <QtCore/QByteArray>
#include <QtCore/QMimeData>
#include <QtGui/QImage>

#include "FuzzDocumentServices.h"
#include "FuzzSupport.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "view/ClipboardFormat.h"
#include "view/ClipboardPaste.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro::fuzz {
namespace {

constexpr std::uint32_t kPage = 2;

bool IsClipboardClass(const CDrawObj& o) {
    const CRuntimeClass* c = o.GetRuntimeClass();
    return c == &CDrawRect::GetThisClass() || c == &CDrawLine::GetThisClass() || c == &CDrawPicture::GetThisClass() ||
           c == &CDrawText::GetThisClass() || c == &CDrawObj::GetThisClass();
}

void FuzzPaste(std::span<const std::uint8_t> input) {
    CKavitroDoc doc(FuzzDocumentServices());
    doc.OnNewDocument();
    RecordingViewHost host;
    CKavitroView view(doc, host);
    view.SetCurrentPage(kPage);
    auto* existing = new CDrawRect(CPolygonRect(Point{-500, -500}, Size{100, 100}), kPage, &doc);
    doc.Add(existing, true);
    view.Select(existing, false, false);
    const std::size_t undo = doc.m_objects.m_undo.size();

    QMimeData data;
    data.setData(mime::kKavitro, QByteArray(reinterpret_cast<const char*>(input.data()), static_cast<qsizetype>(input.size())));
    bool inserted = false;
    if (!CompletesOrRefuses([&] { inserted = PasteData(view, data); }) || !inserted) {
        KAVITRO_FUZZ_CHECK(doc.m_objects.m_objects.size() == 1 && doc.m_objects.m_objects.front() == existing);
        KAVITRO_FUZZ_CHECK(doc.m_objects.m_undo.size() == undo);
        return;
    }
    std::vector<CDrawObj*> pasted(std::next(doc.m_objects.m_objects.begin()), doc.m_objects.m_objects.end());
    KAVITRO_FUZZ_CHECK(!pasted.empty());
    KAVITRO_FUZZ_CHECK(view.GetSelection().GetObjects() == pasted);
    for (const CDrawObj* o : pasted) {
        KAVITRO_FUZZ_CHECK(IsClipboardClass(*o));
        KAVITRO_FUZZ_CHECK(o->m_nPage == kPage && o->m_pDocument == &doc);
    }
    const Bytes stored = StoreObjectList(pasted);
    const auto again = LoadObjectList(stored, &doc, kPage);
    std::vector<CDrawObj*> reloaded;
    for (const auto& o : again) reloaded.push_back(o.get());
    KAVITRO_FUZZ_CHECK(StoreObjectList(reloaded) == stored);
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    fuzz::FuzzDocumentServices();
    CKavitroDoc doc(fuzz::FuzzDocumentServices());
    doc.OnNewDocument();
    auto* r = new CDrawRect(CPolygonRect(Point{-5000, -3000}, Size{2000, 1000}), 0, &doc);
    r->m_nShape = CDrawRect::RoundRectangle;
    doc.Add(r, true);
    auto* l = new CDrawLine(CPolygonRect(Point{-100, -100}, Size{-900, -700}), 0, &doc);
    doc.Add(l, true);
    auto* t = new CDrawText(CPolygonRect(Point{-3000, -3000}, Size{-2000, 800}), 0, &doc);
    for (char16_t c : std::u16string_view(u"سلام بر")) t->m_paragraph.InsertCharacter(t->m_nCaret, c);
    doc.Add(t, true);
    auto* p = new CDrawPicture(CPolygonRect(Point{-900, -900}, Size{300, 200}), 0, &doc);
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(0xFF336699);
    p->m_pDib = std::make_unique<CDib>();
    p->m_pDib->FromImage(image);
    p->m_nPictureType = CDrawPicture::RasterPicture;
    doc.Add(p, true);
    CDrawObj bare(CPolygonRect(Point{-50, -50}, Size{20, 20}), 0, &doc);

    std::vector<fuzz::Bytes> seeds;
    seeds.push_back(StoreObjectList(std::vector<CDrawObj*>{r, l, t, p}));
    seeds.push_back(StoreObjectList(std::vector<CDrawObj*>{t}));
    seeds.push_back(StoreObjectList(std::vector<CDrawObj*>{&bare, r}));
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzPaste)
