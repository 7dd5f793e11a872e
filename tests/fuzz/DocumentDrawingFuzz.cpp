// What a loaded document goes through after its reader: drawing its pages,
// the thumbnail of a save, and the page export in a vector and a raster
// format. Loaded values that the reader takes but the drawing cannot (a
// rectangle two billion units wide, a picture declaring millions of pixels)
// show only here.
//
// Beyond "no crash": a refused file leaves the document as it was; a loaded
// one renders to the size asked for, stores (drawing its thumbnail) to bytes
// that load again, and its export either is written or says why not.

#include <unistd.h>

#include <filesystem>
#include <string>

#include <QGuiApplication>
#include <QImage>

#include "FuzzDocumentServices.h"
#include "FuzzSupport.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "view/PageExport.h"

namespace kavitro::fuzz {
namespace {

// Painting needs the application's fonts; without a display, offscreen.
// The application lives until the process ends: destroying it at exit
// would only hand the font caches to the leak checker.
void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_document_drawing";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

// The shared services with thumbnails drawn, as a save draws them.
DocumentServices& DrawingServices() {
    static DocumentServices services = [] {
        DocumentServices s = FuzzDocumentServices();
        s.drawThumbnails = true;
        return s;
    }();
    return services;
}

const std::filesystem::path& ExportFolder() {
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() / ("kavitro-fuzz-drawing-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

void Export(CKavitroDoc& doc, const std::vector<CDrawObj*>& objects, PageExportFormat format, const char* name) {
    const std::filesystem::path path = ExportFolder() / name;
    const ExportOutcome outcome = WritePageExport(doc, objects, path, format, [](Size& size) {
        size = Size{std::min(size.cx, 48), std::min(size.cy, 48)};
        size = Size{std::max(size.cx, 1), std::max(size.cy, 1)};
        return true;
    });
    KAVITRO_FUZZ_CHECK(outcome.status == ExportStatus::Written || !outcome.reason.empty());
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

void FuzzDrawing(std::span<const std::uint8_t> input) {
    EnsureGuiApplication();
    CKavitroDoc doc(DrawingServices());
    if (!LoadsOrLeavesAsItWas(doc, input, "fuzz.kv2")) return;
    const std::vector<CDrawObj*> objects = doc.ObjectsOnPage(0);
    QImage image;
    if (doc.RenderToBitmap(image, Size{40, 30}, objects, false))
        KAVITRO_FUZZ_CHECK(image.width() <= 40 && image.height() <= 30);
    Export(doc, objects, PageExportFormat::Emf, "page.emf");
    Export(doc, objects, PageExportFormat::Png, "page.png");
    const Bytes stored = doc.StoreToBytes();
    CKavitroDoc again(FuzzDocumentServices());
    std::string error;
    KAVITRO_FUZZ_CHECK(again.LoadFromBytes(stored, "again.kv2", &error));
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    fuzz::EnsureGuiApplication();
    CKavitroDoc doc(fuzz::FuzzDocumentServices());
    doc.OnNewDocument();
    doc.Add(new CDrawRect(CPolygonRect(Point{-5000, -3000}, Size{2000, 1000}), 0, &doc), true);
    doc.Add(new CDrawLine(CPolygonRect(Point{-100, -100}, Size{-900, -700}), kEveryPageFlags, &doc), true);
    auto* text = new CDrawText(CPolygonRect(Point{-3000, -3000}, Size{-2000, 800}), 0, &doc);
    for (char16_t c : std::u16string_view(u"سلام")) text->m_paragraph.InsertCharacter(text->m_nCaret, c);
    doc.Add(text, true);
    // A raster picture, one kept as its encoded bytes, and a metafile.
    QImage pixels(6, 4, QImage::Format_RGB32);
    pixels.fill(0xFF336699);
    auto* raster = new CDrawPicture(CPolygonRect(Point{-900, -900}, Size{-300, 200}), 0, &doc);
    raster->m_pDib = std::make_unique<CDib>();
    raster->m_pDib->FromImage(pixels);
    raster->m_nPictureType = CDrawPicture::RasterPicture;
    doc.Add(raster, true);
    static constexpr std::uint8_t kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0x80, 0x00,
                                            0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                                            0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    auto* encoded = new CDrawPicture(CPolygonRect(Point{-2000, -500}, Size{-400, 400}), 0, &doc);
    encoded->m_pDib = std::make_unique<CDib>();
    encoded->m_pDib->LoadImageBytes(kGif);
    encoded->m_nPictureType = CDrawPicture::RasterPicture;
    doc.Add(encoded, true);
    return {doc.StoreToBytes()};
}

// Qt's font database lets go of fontconfig's patterns at exit without
// handing them back; that is fontconfig's cache, not a finding.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzDrawing)
