#pragma once

// Export of a page to a file in one of eight formats: five raster formats
// (PNG with a transparent background, JPEG, GIF, TIFF and BMP on the paper
// colour), Encapsulated PostScript with an Illustrator 3 prolog, an enhanced
// metafile and a placeable Windows metafile, all through the document's
// renderers. Every file is written atomically: a failed export leaves an
// earlier file of the same name as it was.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/StringIds.h"
#include "platform/Geometry.h"

class QImage;

namespace kavitro {

class CDrawObj;
class CKavitroDoc;
class CKavitroView;

// In the order of the export dialog's filter.
enum class PageExportFormat : std::uint8_t { Png, Jpeg, Gif, Tiff, Bmp, Eps, Emf, Wmf };

struct PageExportFormatInfo {
    PageExportFormat format;
    std::u16string_view description;
    std::string_view pattern;  // "*.png"
    bool raster;
    // The pattern without its "*": the extension every file of the format gets.
    std::string_view Extension() const { return pattern.substr(1); }
};

// The message shown when an export fails.
inline constexpr std::uint32_t kExportFailedMessage = StringId::ExportFailed;

// The eight formats, in filter order.
std::span<const PageExportFormatInfo> PageExportFormats();
const PageExportFormatInfo& GetExportFormatInfo(PageExportFormat format);
// Each description and pattern followed by "|", and one more "|" at the end.
std::u16string BuildExportFilter();
// The format of an extension (with or without its dot), compared without
// regard to case; none for another extension.
std::optional<PageExportFormat> ExportFormatFromExtension(std::string_view extension);
// The path with its extension replaced by the format's, whatever was typed.
std::filesystem::path WithExportExtension(const std::filesystem::path& path, PageExportFormat format);

// The pixel size offered to the size dialog: a quarter of the objects'
// bounding rectangle in document units at 100 %. The document's zoom is
// left as it was.
Size ProposedBitmapSize(CKavitroDoc& doc, const std::vector<CDrawObj*>& objects);
// Both sides positive, at most 32767, and no more pixels than the
// renderers make.
bool IsExportableBitmapSize(Size size);

// The bitmap-size dialog: called with the proposed size (also the aspect to
// keep), it leaves the chosen size in place; false means cancelled.
using BitmapSizeHook = std::function<bool(Size& size)>;

enum class ExportStatus : std::uint8_t { Written, Cancelled, Failed };
struct ExportOutcome {
    ExportStatus status = ExportStatus::Failed;
    std::string reason;  // why it failed, for the command line and logs
    std::uint32_t reasonId = StringId::ReasonOther;  // why it failed, as the user is told
};

// The file of a rendered page: PNG keeps the picture's alpha, the other
// raster formats are opaque. None, with the reason, when it cannot be encoded.
std::optional<std::vector<std::uint8_t>> EncodeRasterPage(const QImage& page, PageExportFormat format,
                                                          std::string* error = nullptr);

// Writes the objects to path in the format. Raster formats first ask
// askSize (an empty hook takes the proposal) and refuse a size beyond the
// caps. Reports nothing: the outcome says what happened.
ExportOutcome WritePageExport(CKavitroDoc& doc, const std::vector<CDrawObj*>& objects, const std::filesystem::path& path,
                              PageExportFormat format, const BitmapSizeHook& askSize = {});

// The export command's write: every object of the view's current page (and
// those on every page; every object when the view shows all pages), the
// selection playing no part. A failure is reported once through the
// document's error report as the export-failed message, with the file and
// the reason.
ExportOutcome ExportCurrentPage(CKavitroView& view, const std::filesystem::path& path, PageExportFormat format,
                                const BitmapSizeHook& askSize = {});

// The picture the export dialog shows in place of a file's preview: what
// ExportCurrentPage writes, fitted into kExportPreviewSize with a margin,
// on the paper colour; null when it cannot be made.
inline constexpr Size kExportPreviewSize{600, 800};
QImage RenderExportPreview(CKavitroView& view);
// The same drawn for a room of the given size, margin included: a pane
// shows it as it is, not scaled down from a larger picture, which would
// fade or drop the one-pixel lines.
QImage RenderExportPreviewWithin(CKavitroView& view, Size room);

}  // namespace kavitro
