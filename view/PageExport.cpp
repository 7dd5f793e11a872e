#include "view/PageExport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <exception>
#include <new>

#include "document/FailureReasons.h"
#include "document/KavitroDoc.h"
#include "platform/AtomicFile.h"
#include "platform/DegreeTable.h"
#include "platform/ErrorReport.h"
#include "platform/Vector.h"
#include "platform/WmfRecorder.h"
#include "view/GifEncoder.h"
#include "view/KavitroView.h"
#include "view/PngEncoder.h"

namespace kavitro {

namespace {

constexpr std::array<PageExportFormatInfo, 8> kFormats{{
    {PageExportFormat::Png, u"Portable Network Graphics (PNG) file (*.png)", "*.png", true},
    {PageExportFormat::Jpeg, u"Joint Photographic Experts Group (JPEG) file (*.jpeg)", "*.jpeg", true},
    {PageExportFormat::Gif, u"Graphics Interchange Format (GIF) file (*.gif)", "*.gif", true},
    {PageExportFormat::Tiff, u"Tagged Image File Format (TIFF) file (*.tiff)", "*.tiff", true},
    {PageExportFormat::Bmp, u"Windows Bitmap file (*.bmp)", "*.bmp", true},
    {PageExportFormat::Eps, u"Encapsulated PostScript (*.eps)", "*.eps", false},
    {PageExportFormat::Emf, u"Enhanced Meta Files (*.emf)", "*.emf", false},
    {PageExportFormat::Wmf, u"Windows Meta Files (*.wmf)", "*.wmf", false},
}};

// Sets the document zoom for a measurement and puts the old one back
// (clamped) on every way out; the main frame is told each time.
class ZoomAt {
public:
    ZoomAt(CKavitroDoc& doc, std::int32_t zoom) : m_doc(doc), m_saved(doc.GetZoom()) { m_doc.SetZoom(zoom); }
    ~ZoomAt() { m_doc.SetZoom(m_saved); }
    ZoomAt(const ZoomAt&) = delete;
    ZoomAt& operator=(const ZoomAt&) = delete;

private:
    CKavitroDoc& m_doc;
    std::int32_t m_saved;
};

ExportOutcome Failed(std::string reason, std::uint32_t reasonId = StringId::ReasonOther) {
    return {ExportStatus::Failed, std::move(reason), reasonId};
}

ExportOutcome NothingToExport() { return Failed("the page has nothing to export", StringId::ReasonNothingToExport); }

ExportOutcome CannotWrite(const std::filesystem::path& path, FileProblem problem) {
    return Failed("cannot write " + path.string(), ReasonStringId(problem));
}

std::string Describe(Size size) { return std::to_string(size.cx) + " x " + std::to_string(size.cy); }

const char* QtFormatName(PageExportFormat format) {
    switch (format) {
        case PageExportFormat::Jpeg: return "jpeg";
        case PageExportFormat::Tiff: return "tiff";
        case PageExportFormat::Bmp: return "bmp";
        default: return nullptr;
    }
}

ExportOutcome WriteBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    FileProblem problem = FileProblem::None;
    if (!WriteFileAtomically(path, bytes, nullptr, &problem)) return CannotWrite(path, problem);
    return {ExportStatus::Written, {}, 0};
}

ExportOutcome WriteRaster(CKavitroDoc& doc, const std::vector<CDrawObj*>& objects, const std::filesystem::path& path,
                          PageExportFormat format, const BitmapSizeHook& askSize) {
    Size size = ProposedBitmapSize(doc, objects);
    if (size.cx <= 0 || size.cy <= 0) return NothingToExport();
    if (askSize && !askSize(size)) return {ExportStatus::Cancelled, {}, 0};
    if (!IsExportableBitmapSize(size))
        return Failed("a picture of " + Describe(size) + " pixels is refused: at most " +
                      std::to_string(CKavitroDoc::kMaxBitmapSide) + " pixels a side and " +
                      std::to_string(CKavitroDoc::kMaxBitmapPixels) + " pixels in all",
                      StringId::ReasonPictureTooLarge);
    const QImage page = doc.RenderToGdiplusBitmap(size, objects, format == PageExportFormat::Png);
    if (page.isNull())
        return Failed("the page cannot be drawn at " + Describe(size) + " pixels", StringId::ReasonOutOfMemory);
    std::string why;
    const std::optional<std::vector<std::uint8_t>> bytes = EncodeRasterPage(page, format, &why);
    if (!bytes) return Failed(why);
    return WriteBytes(path, *bytes);
}

ExportOutcome WriteEps(CKavitroDoc& doc, const std::vector<CDrawObj*>& objects, const std::filesystem::path& path) {
    CVector writer(GetTrigTable());
    // Once to measure the bounding box, once to write the paths.
    doc.ExportObjectsToEPS(writer, objects, true);
    doc.ExportObjectsToEPS(writer, objects, false);
    writer.BuildHeaderAndTrailer();
    FileProblem problem = FileProblem::None;
    if (!writer.SaveFile(path, &problem)) return CannotWrite(path, problem);
    return {ExportStatus::Written, {}, 0};
}

std::vector<CDrawObj*> ObjectsToExport(const CKavitroView& view) {
    return view.GetDocument().ObjectsOnPage(view.GetCurrentPage());
}

}  // namespace

std::span<const PageExportFormatInfo> PageExportFormats() { return kFormats; }

const PageExportFormatInfo& GetExportFormatInfo(PageExportFormat format) {
    return kFormats[static_cast<std::size_t>(format)];
}

std::u16string BuildExportFilter() {
    std::u16string filter;
    for (const PageExportFormatInfo& f : kFormats) {
        filter += f.description;
        filter += u'|';
        filter.append(f.pattern.begin(), f.pattern.end());
        filter += u'|';
    }
    return filter + u'|';
}

std::optional<PageExportFormat> ExportFormatFromExtension(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    for (const PageExportFormatInfo& f : kFormats) {
        const std::string_view own = f.Extension().substr(1);
        if (own.size() != extension.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < own.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(extension[i])) == own[i];
        if (same) return f.format;
    }
    return std::nullopt;
}

std::filesystem::path WithExportExtension(const std::filesystem::path& path, PageExportFormat format) {
    std::filesystem::path out = path;
    out.replace_extension(std::filesystem::path(std::string(GetExportFormatInfo(format).Extension())));
    return out;
}

Size ProposedBitmapSize(CKavitroDoc& doc, const std::vector<CDrawObj*>& objects) {
    Rect r;
    {
        ZoomAt zoom(doc, 100);
        r = doc.GetBoundingRect(objects);
    }
    // A quarter of the rectangle, rounded towards minus infinity.
    const std::int64_t w = (std::int64_t{r.right} - r.left) >> 2;
    const std::int64_t h = (std::int64_t{r.bottom} - r.top) >> 2;
    return {static_cast<std::int32_t>(std::clamp<std::int64_t>(w, INT32_MIN, INT32_MAX)),
            static_cast<std::int32_t>(std::clamp<std::int64_t>(h, INT32_MIN, INT32_MAX))};
}

bool IsExportableBitmapSize(Size size) {
    return size.cx > 0 && size.cy > 0 && size.cx <= CKavitroDoc::kMaxBitmapSide &&
           size.cy <= CKavitroDoc::kMaxBitmapSide &&
           std::int64_t{size.cx} * size.cy <= CKavitroDoc::kMaxBitmapPixels;
}

std::optional<std::vector<std::uint8_t>> EncodeRasterPage(const QImage& page, PageExportFormat format,
                                                          std::string* error) {
    auto fail = [&](std::string why) -> std::optional<std::vector<std::uint8_t>> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    if (page.isNull()) return fail("there is no picture to encode");
    if (format == PageExportFormat::Gif) return EncodeGif(page, error);
    if (format == PageExportFormat::Png) return EncodePng(page, error);
    const char* name = QtFormatName(format);
    if (!name) return fail("not a raster format");
    // Only PNG keeps the transparency; the others get the opaque picture.
    const QImage image = page.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return fail("out of memory for the picture");
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, name);
    // TIFF pages are compressed losslessly with LZW, as TIFF writers commonly
    // do; Qt's TIFF writer reads compression 1 as LZW.
    if (format == PageExportFormat::Tiff) writer.setCompression(1);
    if (!writer.write(image)) return fail(std::string(name) + " encoder: " + writer.errorString().toStdString());
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

ExportOutcome WritePageExport(CKavitroDoc& doc, const std::vector<CDrawObj*>& objects, const std::filesystem::path& path,
                              PageExportFormat format, const BitmapSizeHook& askSize) {
    try {
        if (objects.empty()) return NothingToExport();
        if (GetExportFormatInfo(format).raster) return WriteRaster(doc, objects, path, format, askSize);
        switch (format) {
            case PageExportFormat::Eps: return WriteEps(doc, objects, path);
            case PageExportFormat::Emf: {
                std::vector<std::uint8_t> emf;
                if (!doc.RenderToEnhMetafile(emf, objects)) return NothingToExport();
                return WriteBytes(path, emf);
            }
            case PageExportFormat::Wmf: {
                MetafileResult wmf;
                if (!doc.RenderToMetafile(wmf, objects)) return NothingToExport();
                return WriteBytes(path, BuildPlaceableMetafile(wmf.bytes, wmf.extent));
            }
            default: return Failed("unknown export format");
        }
    } catch (const std::bad_alloc&) {
        return Failed("out of memory", StringId::ReasonOutOfMemory);
    } catch (const std::exception& e) {
        return Failed(e.what());
    }
}

ExportOutcome ExportCurrentPage(CKavitroView& view, const std::filesystem::path& path, PageExportFormat format,
                                const BitmapSizeHook& askSize) {
    CKavitroDoc& doc = view.GetDocument();
    const ExportOutcome outcome = WritePageExport(doc, ObjectsToExport(view), path, format, askSize);
    if (outcome.status == ExportStatus::Failed) {
        if (ErrorReport* errors = doc.GetServices().errors)
            errors->ReportFileError(kExportFailedMessage, path.u16string(), outcome.reasonId);
    }
    return outcome;
}

QImage RenderExportPreview(CKavitroView& view) {
    QImage preview;
    if (!view.GetDocument().RenderToBitmap(preview, kExportPreviewSize, ObjectsToExport(view), true)) return {};
    return preview;
}

QImage RenderExportPreviewWithin(CKavitroView& view, Size room) {
    // The margin adds a twentieth: the objects get twenty parts of 21.
    const Size fitted{room.cx * 20 / 21, room.cy * 20 / 21};
    if (fitted.cx <= 0 || fitted.cy <= 0) return {};
    QImage preview;
    if (!view.GetDocument().RenderToBitmap(preview, fitted, ObjectsToExport(view), true)) return {};
    return preview;
}

}  // namespace kavitro
