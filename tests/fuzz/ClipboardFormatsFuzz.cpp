// The paste (and drop) of the outside clipboard formats: PasteData over a
// view, with the data offered as one format picked by the first byte: an
// EMF, a WMF, a PNG, a BMP or a GIF image, or text. Pictures go through the
// metafile parser or Qt's image readers under the document's picture
// budget; text is poured into a text object.
//
// Beyond "no crash": a refused paste leaves the document exactly as it was
// (objects, undo list); an accepted one adds objects only on the view's
// page, owned by the document and selected, a picture for the picture
// formats and texts for text.

#include <QtCore/QByteArray>
#include <QtCore/QMimeData>
#include <QtGui/QImage>

#include <QBuffer>

#include "FuzzDocumentServices.h"
#include "FuzzSupport.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "platform/EmfRecorder.h"
#include "platform/Metafile.h"
#include "platform/WmfRecorder.h"
#include "view/ClipboardFormat.h"
#include "view/ClipboardPaste.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro::fuzz {
namespace {

constexpr std::uint32_t kPage = 1;
constexpr const char* kFormats[] = {mime::kEmf, mime::kWmf, mime::kPng, mime::kBmp, "image/gif", mime::kText};
constexpr std::size_t kTextFormat = 5;

void FuzzPasteFormat(std::span<const std::uint8_t> input) {
    if (input.empty()) return;
    const std::size_t format = input[0] % std::size(kFormats);
    const std::span<const std::uint8_t> bytes = input.subspan(1);

    CKavitroDoc doc(FuzzDocumentServices());
    doc.OnNewDocument();
    doc.AddPage(0);
    RecordingViewHost host;
    CKavitroView view(doc, host);
    view.SetCurrentPage(kPage);
    auto* existing = new CDrawRect(CPolygonRect(Point{-500, -500}, Size{100, 100}), kPage, &doc);
    doc.Add(existing, true);
    const std::size_t undo = doc.m_objects.m_undo.size();

    QMimeData data;
    data.setData(kFormats[format],
                 QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    bool inserted = false;
    // Text goes in by a drop: a paste takes it only into a text being edited.
    if (!CompletesOrRefuses([&] { inserted = PasteData(view, data, Point{10, 10}); }) || !inserted) {
        KAVITRO_FUZZ_CHECK(doc.m_objects.m_objects.size() == 1 && doc.m_objects.m_objects.front() == existing);
        KAVITRO_FUZZ_CHECK(doc.m_objects.m_undo.size() == undo);
        return;
    }
    const std::vector<CDrawObj*> added(std::next(doc.m_objects.m_objects.begin()), doc.m_objects.m_objects.end());
    KAVITRO_FUZZ_CHECK(!added.empty());
    for (const CDrawObj* o : added) {
        KAVITRO_FUZZ_CHECK(o->m_nPage == kPage && o->m_pDocument == &doc);
        if (format == kTextFormat) KAVITRO_FUZZ_CHECK(dynamic_cast<const CDrawText*>(o) != nullptr);
        else KAVITRO_FUZZ_CHECK(dynamic_cast<const CDrawPicture*>(o) != nullptr && added.size() == 1);
    }
}

Bytes Seed(std::size_t format, const Bytes& bytes) {
    Bytes seed{static_cast<std::uint8_t>(format)};
    seed.insert(seed.end(), bytes.begin(), bytes.end());
    return seed;
}

Bytes Encoded(const char* format) {
    QImage image(5, 3, QImage::Format_ARGB32);
    image.fill(0x80336699);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Bytes(out.begin(), out.end());
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    using fuzz::Seed;
    fuzz::FuzzDocumentServices();
    CEmfRecorder emf;
    emf.SetFrame(Rect{0, 0, 4000, 2000});
    emf.Rectangle(Rect{10, 10, 150, 75});
    emf.Ellipse(Rect{20, 20, 60, 60});
    CWmfRecorder wmf;
    wmf.SetMapMode(MM_ANISOTROPIC);
    wmf.SetWindowExt(Size{1000, 500});
    wmf.Rectangle(Rect{10, 10, 990, 490});
    const fuzz::Bytes gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0x80, 0x00,
                             0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                             0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    const std::string text = "سلام\nبر";
    return {Seed(0, emf.Close()),
            Seed(1, BuildPlaceableMetafile(wmf.Close(), Rect{0, 0, 1000, 500}, 576)),
            Seed(2, fuzz::Encoded("PNG")),
            Seed(3, fuzz::Encoded("BMP")),
            Seed(4, gif),
            Seed(5, fuzz::Bytes(text.begin(), text.end()))};
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzPasteFormat)
