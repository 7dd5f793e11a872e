// kavitro-doc: a headless command-line tool over the document code, for
// tests and for anyone checking a file (the commands are in kUsage).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>

#include "document/Dib.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/Kavitro1XDoc.h"
#include "document/MetafilePicture.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "document/Thumbnail.h"
#include "engine/CalligraphyFont.h"
#include "input/KeyboardLayoutModule.h"
#include "engine/Compressor.h"
#include "engine/GlyphPlacement.h"
#include "platform/ErrorReport.h"
#include "platform/AtomicFile.h"
#include "platform/qt/HeadlessSession.h"
#include "platform/qt/ProgramFolders.h"
#include "platform/qt/QtPainterDC.h"
#include "tools/Utf8Decode.h"
#include "view/KavitroView.h"
#include "view/PageExport.h"
#include "view/PagePrinter.h"
#include "view/RecordingViewHost.h"

namespace {

using namespace kavitro;

constexpr const char* kUsage = R"(Usage: kavitro-doc [--data-dir DIR] COMMAND ...
  --data-dir DIR
      measures and draws texts with the glyph artwork in DIR; by default with
      the artwork the program uses (installed: share/kavitro beside the
      binary; in the build tree: the Nastaliq artwork the build made)
  kavitro-doc dump FILE
      prints the document as JSON: page size, margins, page count, zoom, every
      object (class, page field, rect, angle, pen, brush and what its class
      adds) and every guide line
  kavitro-doc resave IN OUT
      loads IN and stores it as OUT
  kavitro-doc export IN OUT --page N --format eps|emf|wmf|png|jpeg|gif|tiff|bmp
                     [--width W --height H]
      exports page N (0-based) through the document's renderers; a raster
      picture is W x H pixels at most (fitted, aspect kept), by default a
      quarter of the page's objects in 0.01 mm
  kavitro-doc print IN OUT.pdf
      prints every page into a PDF file of the document's page size
  kavitro-doc thumbnail IN OUT.bmp
      writes the thumbnail stored in IN as a BMP file
  kavitro-doc convert IN.kvl OUT.kv2
      reads a version-1.x document, converts it as opening it does (at the
      scale of the screen it was written on) and stores it as version 2
  kavitro-doc new OUT.kv2 [--picture FILE] [--text TEXT --size S --angle A]
      creates a document with a picture object holding FILE (a BMP, PNG,
      JPEG, GIF or TIFF picture or a WMF, EMF, KVT or EKVT metafile) at its
      own size, fitted into the margins, and/or one text object (text size
      S, default 500, turned by A degrees) into which TEXT (UTF-8) is typed
      key by key as a user types; a line feed is the Enter key

Exit status: 0 on success; 1 when a file cannot be read, is refused or
cannot be written, or a picture size is refused; 2 on a bad command line.
)";

int Fail(const std::string& message) {
    std::fprintf(stderr, "kavitro-doc: %s\n", message.c_str());
    return 1;
}

int BadUsage(const std::string& message) {
    std::fprintf(stderr, "kavitro-doc: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

// A document file; a FIFO, a device or a file larger than any document is
// refused before it is read. why gets the reason.
std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path, std::string* why = nullptr) {
    return ReadWholeFile(std::filesystem::path(path), CKavitroDoc::kMaxFileBytes, why);
}

// Replaces the file atomically, keeping its permissions and links; the
// reason when it cannot (empty on success).
std::string Write(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string reason;
    return WriteFileAtomically(std::filesystem::path(path), bytes, &reason) ? std::string() : reason;
}

bool Load(CKavitroDoc& doc, const std::string& path, std::string& error) {
    std::string reason;
    const auto bytes = ReadFile(path, &reason);
    if (!bytes) {
        error = "cannot read " + path + ": " + reason;
        return false;
    }
    std::string why;
    if (!doc.LoadFromBytes(*bytes, path, &why)) {
        error = path + " is damaged or is not a document: " + why;
        return false;
    }
    return true;
}

// --- dump ---------------------------------------------------------------------

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"0x%08x\"", v);
    return buf;
}

std::string RectJson(const Rect& r) {
    std::string json = "[";
    for (const std::int32_t v : {r.left, r.top, r.right, r.bottom}) {
        if (json.size() > 1) json += ", ";
        json += std::to_string(v);
    }
    return json + "]";
}

std::string Hex4(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", v);
    return buf;
}

// A text's own fields, and its words and characters as kavitro-shape prints them.
std::string TextJson(const CDrawText& t) {
    std::string s = ", \"size\": " + std::to_string(t.m_nSize) + ", \"color\": " + Hex(t.m_color) +
                    ", \"baselineOffset\": " + std::to_string(t.m_nBaselineOffset) + ", \"words\": [";
    bool firstWord = true;
    for (const CCalligraphyWord& w : t.m_paragraph.m_words) {
        s += (firstWord ? "{\"x\": " : ", {\"x\": ") + std::to_string(w.m_x) + ", \"y\": " + std::to_string(w.m_y) +
             ", \"chars\": [";
        firstWord = false;
        const CWordJoins joins(w, GetGlyphMetrics());
        for (std::size_t i = 0; i < w.m_characters.size(); ++i) {
            const CCalligraphyCharacter& c = w.m_characters[i];
            s += (i == 0 ? "{\"code\": \"" : ", {\"code\": \"") + Hex4(c.m_code) + "\", \"glyph\": \"" +
                 std::to_string(c.m_font) + "/" + std::to_string(c.m_glyph) + "\", \"y\": " +
                 std::to_string(c.m_yOffset) + ", \"mark\": " + std::to_string(c.m_mark) +
                 ", \"flags\": " + std::to_string(c.m_flags) + ", \"dx\": " + std::to_string(joins[i].dx) +
                 ", \"dy\": " + std::to_string(GetJoinDropInYUnits(joins[i])) +
                 ", \"markdx\": " + std::to_string(joins[i].markDx) +
                 ", \"markdy\": " + std::to_string(GetJoinDropInYUnits({0, joins[i].markDy})) + "}";
        }
        s += "]}";
    }
    s += "], \"points\": [";
    for (std::size_t i = 0; i < t.m_paragraph.m_points.size(); ++i) {
        const CCalligraphyPoint& p = t.m_paragraph.m_points[i];
        s += (i ? ", [" : "[") + std::to_string(p.m_sign) + ", " + std::to_string(p.m_x) + ", " + std::to_string(p.m_y) + "]";
    }
    return s + "]";
}

std::string ObjectJson(const CDrawObj& o) {
    std::string s = "{\"class\": \"";
    s += o.GetRuntimeClass()->m_lpszClassName;
    s += "\", \"page\": " + Hex(o.m_nPage);
    s += ", \"rect\": " + RectJson(o.m_position.m_rect);
    s += ", \"angle\": " + std::to_string(o.m_position.m_nAngle);
    s += ", \"pen\": {\"on\": " + std::to_string(o.m_bPen) + ", \"style\": " + std::to_string(o.m_logpen.style) +
         ", \"width\": [" + std::to_string(o.m_logpen.width.x) + ", " + std::to_string(o.m_logpen.width.y) +
         "], \"color\": " + Hex(o.m_logpen.color) + "}";
    s += ", \"brush\": {\"on\": " + std::to_string(o.m_bBrush) + ", \"style\": " + std::to_string(o.m_logbrush.style) +
         ", \"color\": " + Hex(o.m_logbrush.color) + ", \"hatch\": " + std::to_string(o.m_logbrush.hatch) + "}";
    if (const auto* r = dynamic_cast<const CDrawRect*>(&o))
        s += ", \"shape\": " + std::to_string(r->m_nShape) + ", \"roundness\": [" + std::to_string(r->m_roundness.x) +
             ", " + std::to_string(r->m_roundness.y) + "]";
    if (const auto* g = dynamic_cast<const CDrawGuideLine*>(&o))
        s += ", \"orientation\": " + std::to_string(g->m_nOrientation);
    if (const auto* t = dynamic_cast<const CDrawText*>(&o)) s += TextJson(*t);
    std::vector<std::uint16_t> codes;
    o.GetCharacterCodes(codes);
    if (!codes.empty()) {
        s += ", \"characters\": [";
        for (std::size_t i = 0; i < codes.size(); ++i) s += (i ? ", " : "") + std::to_string(codes[i]);
        s += "]";
    }
    return s + "}";
}

int Dump(const std::string& path) {
    CKavitroDoc doc;
    std::string error;
    if (!Load(doc, path, error)) return Fail(error);
    std::string s = "{\n";
    s += "  \"pageSize\": [" + std::to_string(doc.m_nPageWidth) + ", " + std::to_string(doc.m_nPageHeight) + "],\n";
    s += "  \"margins\": " + RectJson(doc.m_margins) + ",\n";
    s += "  \"pageCount\": " + std::to_string(doc.GetPageCount()) + ",\n";
    s += "  \"zoom\": " + std::to_string(doc.GetZoom()) + ",\n";
    s += "  \"objects\": [";
    bool first = true;
    for (const CDrawObj* o : doc.m_objects.m_objects) {
        s += (first ? "\n    " : ",\n    ") + ObjectJson(*o);
        first = false;
    }
    s += first ? "],\n" : "\n  ],\n";
    s += "  \"guideLines\": [";
    first = true;
    for (const CDrawObj* g : doc.m_guideLines) {
        s += (first ? "\n    " : ",\n    ") + ObjectJson(*g);
        first = false;
    }
    s += first ? "]\n}\n" : "\n  ]\n}\n";
    if (std::fwrite(s.data(), 1, s.size(), stdout) != s.size() || std::fflush(stdout) != 0)
        return Fail("cannot write the output");
    return 0;
}

// --- resave, convert, export, thumbnail -----------------------------------------

int Convert(const std::string& in, const std::string& out) {
    CKavitro1XDoc doc;
    std::string error;
    if (!Load(doc, in, error)) return Fail(error);
    if (const std::string why = Write(out, doc.StoreToBytes()); !why.empty()) return Fail("cannot write " + out + ": " + why);
    return 0;
}

int Resave(const std::string& in, const std::string& out) {
    CKavitroDoc doc;
    std::string error;
    if (!Load(doc, in, error)) return Fail(error);
    if (const std::string why = Write(out, doc.StoreToBytes()); !why.empty()) return Fail("cannot write " + out + ": " + why);
    return 0;
}

int Export(const std::string& in, const std::string& out, std::uint32_t page, PageExportFormat format, Size size) {
    CKavitroDoc doc;
    std::string error;
    if (!Load(doc, in, error)) return Fail(error);
    if (page >= doc.GetPageCount()) return Fail("the document has no page " + std::to_string(page));
    // The size given on the command line stands in for the size dialog.
    const BitmapSizeHook askSize = [size](Size& proposed) {
        if (size.cx > 0) proposed.cx = size.cx;
        if (size.cy > 0) proposed.cy = size.cy;
        return true;
    };
    const ExportOutcome outcome = WritePageExport(doc, doc.ObjectsOnPage(page), out, format, askSize);
    if (outcome.status != ExportStatus::Written) return Fail("page " + std::to_string(page) + ": " + outcome.reason);
    return 0;
}

// Hands what a writer writes on to the file being written, piece by piece.
class SinkDevice final : public QIODevice {
public:
    explicit SinkDevice(const ByteSink& sink) : m_sink(sink) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        return m_sink(std::span(bytes, static_cast<std::size_t>(size))) ? size : -1;
    }

private:
    const ByteSink& m_sink;
};

// Every page through the printing loop into a PDF of the document's paper,
// written out as the pages are made: a long document is never held whole.
int Print(const std::string& in, const std::string& out) {
    CKavitroDoc doc;
    std::string error;
    if (!Load(doc, in, error)) return Fail(error);
    RecordingViewHost host;
    CKavitroView view(doc, host);
    std::string failure;
    const auto print = [&](const ByteSink& sink) {
        SinkDevice device(sink);
        QPdfWriter writer(&device);
        writer.setCreator(QStringLiteral("Kavitro"));
        writer.setTitle(QString::fromStdString(std::filesystem::path(in).filename().string()));
        if (!writer.setPageLayout(DocumentPageLayout(doc))) {
            failure = "the page size of " + in + " cannot be printed";
            return false;
        }
        if (!PrintPages(view, writer, PrintJob{}, &error)) {
            failure = "cannot print " + in + ": " + error;
            return false;
        }
        return true;
    };
    std::string reason;
    if (!WriteFileAtomically(out, print, &reason))
        return Fail(!failure.empty() ? failure : "cannot write " + out + ": " + reason);
    return 0;
}

int Thumbnail(const std::string& in, const std::string& out) {
    std::string reason;
    const auto bytes = ReadFile(in, &reason);
    if (!bytes) return Fail("cannot read " + in + ": " + reason);
    try {
        CArchive ar = CArchive::ForLoading(std::span<const std::uint8_t>(*bytes));
        const std::u16string magic = ar.ReadString();
        if (magic == CKavitroDoc::kMagic)
            ar.ReadU32();
        else if (magic != CKavitroDoc::kOldMagic)
            return Fail(in + " is not a version-2 document");
        CCompressor codec;
        codec.UnpackBlock(std::span<const std::uint8_t>(*bytes).subspan(ar.GetPosition()));
        const auto bmp = codec.GetUnpacked();
        if (bmp.size() < 2 || bmp[0] != 'B' || bmp[1] != 'M') return Fail("the thumbnail of " + in + " is not a BMP file");
        if (const std::string why = Write(out, bmp); !why.empty()) return Fail("cannot write " + out + ": " + why);
        return 0;
    } catch (const std::exception& e) {
        return Fail("the thumbnail of " + in + " cannot be read: " + e.what());
    }
}

// --- new ------------------------------------------------------------------------

using kavitro::tool::DecodeUtf8;

// A picture object at the top right of the first page's margin box: the
// picture's own size (a pixel at 96 dpi), fitted into the margin box.
bool AddPicture(CKavitroDoc& doc, const std::string& file, std::string& error) {
    std::unique_ptr<CMetafilePicture> vector;
    std::unique_ptr<CDib> raster;
    try {
        if (!CDrawPicture::LoadPictureFile(file, vector, raster)) {
            error = file + " is not a picture file (.bmp .png .jpg .jpeg .gif .tiff .wmf .emf .kvt .ekvt)";
            return false;
        }
    } catch (const UserException& e) {
        error = file + " cannot be read: " + e.what();
        return false;
    }
    Rect box(0, 0, vector ? vector->GetWidth() : MulDiv(raster->GetWidth(), 2540, 96),
             vector ? vector->GetHeight() : MulDiv(raster->GetHeight(), 2540, 96));
    Rect room(0, 0, std::max(1, doc.m_nPageWidth - doc.m_margins.left - doc.m_margins.right),
              std::max(1, doc.m_nPageHeight - doc.m_margins.top - doc.m_margins.bottom));
    if (box.right > room.right || box.bottom > room.bottom) FitRectInRect(room, box, true);
    else room = box;
    const std::int32_t w = std::max(1, room.right - room.left), h = std::max(1, room.bottom - room.top);
    // Stored mirrored as the program places pictures: left is the right-hand edge.
    CPolygonRect at;
    at.m_rect = Rect{-doc.m_margins.right, -doc.m_margins.top - h, -doc.m_margins.right - w, -doc.m_margins.top};
    at.SetAngle(0);
    auto* picture = new CDrawPicture(at, 0, &doc);
    picture->m_pMetafile = std::move(vector);
    picture->m_pDib = std::move(raster);
    picture->m_nPictureType = picture->m_pDib ? CDrawPicture::RasterPicture : CDrawPicture::VectorPicture;
    picture->m_bLoaded = 1;
    doc.Add(picture, true);
    return true;
}

// The program's data folder: beside the binary once installed, else the
// build's.
QString DataFolder() {
    const QString installed = ProgramDataFolder(QCoreApplication::applicationDirPath());
    return QFileInfo(installed).isDir() ? installed : QStringLiteral(KAVITRO_SHARE_DIR);
}

// A new document with an optional picture and an optional text at the top
// right of the first page's margin box; the text is typed into key by key:
// each key is one undo step, as in the editor.
int NewWithText(const std::string& out, const std::optional<std::string>& textOption, std::uint32_t size,
                std::int32_t angle, const std::optional<std::string>& pictureFile) {
    // Keys go through the program's keyboard translation (its installed
    // layouts; a zero-width non-joiner types as a space), not the user's own
    // layout, so that the same command always makes the same file.
    CKeyboardLayoutModule keyboard;
    keyboard.SetFolders(DataFolder().toStdString());
    keyboard.LoadLayouts();
    DocumentServices services = DocumentServices::Current();
    services.translator = &keyboard;
    CKavitroDoc doc(services);
    doc.OnNewDocument();
    std::string error;
    if (pictureFile && !AddPicture(doc, *pictureFile, error)) return Fail(error);
    if (!textOption) {
        if (const std::string why = Write(out, doc.StoreToBytes()); !why.empty()) return Fail("cannot write " + out + ": " + why);
        return 0;
    }
    const std::string& text = *textOption;
    DefaultDocumentView view;
    doc.AddView(&view);
    CPolygonRect at;
    at.m_rect = Rect(-doc.m_margins.right, -doc.m_margins.top - 2000, 0, 0);
    auto* first = new CDrawText(at, 0, &doc);
    first->m_nSize = CDrawText::ClampSize(size);
    doc.Add(first, true);
    view.m_selection = {first};
    if (angle != 0) first->ApplyChange(&view, angle, true, false);
    first->RecalcLayout(&view, false);
    for (const char32_t cp : DecodeUtf8(text)) {
        if (view.m_selection.empty()) break;
        auto* current = dynamic_cast<CDrawText*>(view.m_selection.back());
        if (!current) break;
        // A code point beyond 16 bits has no key of its own; a line feed is Enter.
        if (cp <= 0xFFFF) current->OnChar(&view, cp == U'\n' ? 13u : static_cast<std::uint32_t>(cp));
        ++CObjectsBuffer::GetActionIdCounter();
    }
    const bool written = WriteFileAtomically(out, doc.StoreToBytes());
    doc.RemoveView(&view);
    if (!written) return Fail("cannot write " + out);
    return 0;
}

// The glyph fonts of the artwork folder, when they are there; without them
// texts are still stored and dumped, but not measured or drawn.
void LoadGlyphFonts(const std::filesystem::path& artwork) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (fonts.IsInitialized()) return;
    RecordingErrorReport quiet;
    fonts.SetErrorReport(&quiet);
    fonts.Init(artwork, 0);
    fonts.SetErrorReport(nullptr);
    // Thumbnails and raster pages paint the glyphs from the same font files.
    CQtPainterDC::SetGlyphFontFolder(artwork / CCalligraphyFont::kFontsFolderName);
}

bool ParseSigned(std::string_view text, std::int32_t& value);

bool ParseNumber(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // The raster renderers paint with QtGui; no display is needed.
    const HeadlessSession session;
    QGuiApplication app(argc, argv);
    RegisterDocumentClasses();
    std::vector<std::string> args(argv + 1, argv + argc);
    // The artwork the program draws with, unless a folder is named (the
    // tests name the build's placeholder artwork).
    std::filesystem::path artwork = GlyphArtworkFolderOf(DataFolder()).toStdString();
    if (!args.empty() && args[0] == "--data-dir") {
        if (args.size() < 2) return BadUsage("option --data-dir needs a folder");
        artwork = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    LoadGlyphFonts(artwork);
    if (args.empty()) return BadUsage("no command given");
    const std::string& command = args[0];
    if (command == "-h" || command == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        if (command == "dump" && args.size() == 2) return Dump(args[1]);
        if (command == "resave" && args.size() == 3) return Resave(args[1], args[2]);
        if (command == "convert" && args.size() == 3) return Convert(args[1], args[2]);
        if (command == "thumbnail" && args.size() == 3) return Thumbnail(args[1], args[2]);
        if (command == "print" && args.size() == 3) return Print(args[1], args[2]);
        if (command == "new" && args.size() >= 2) {
            std::uint32_t size = CDrawText::kDefaultSize;
            std::int32_t angle = 0;
            std::optional<std::string> text, picture;
            for (std::size_t i = 2; i < args.size(); i += 2) {
                if (i + 1 >= args.size()) return BadUsage("option " + args[i] + " needs a value");
                const std::string& v = args[i + 1];
                if (args[i] == "--text") text = v;
                else if (args[i] == "--picture") picture = v;
                else if (args[i] == "--size" && ParseNumber(v, size)) continue;
                else if (args[i] == "--angle" && ParseSigned(v, angle)) continue;
                else if (args[i] != "--text") return BadUsage("bad option " + args[i] + " " + v);
            }
            if (!text && !picture) return BadUsage("new needs --text or --picture");
            return NewWithText(args[1], text, size, angle, picture);
        }
        if (command == "export" && args.size() >= 3) {
            std::uint32_t page = 0, width = 0, height = 0;
            std::string format;
            for (std::size_t i = 3; i < args.size(); i += 2) {
                if (i + 1 >= args.size()) return BadUsage("option " + args[i] + " needs a value");
                const std::string& v = args[i + 1];
                if (args[i] == "--page" && ParseNumber(v, page)) continue;
                if (args[i] == "--width" && ParseNumber(v, width)) continue;
                if (args[i] == "--height" && ParseNumber(v, height)) continue;
                if (args[i] == "--format") {
                    format = v;
                    continue;
                }
                return BadUsage("bad option " + args[i] + " " + v);
            }
            // The format names are the extensions, in lower case only.
            const std::optional<PageExportFormat> known = ExportFormatFromExtension(format);
            if (!known || GetExportFormatInfo(*known).Extension().substr(1) != format)
                return BadUsage("--format must be one of eps, emf, wmf, png, jpeg, gif, tiff, bmp");
            return Export(args[1], args[2], page, *known,
                          Size{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)});
        }
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return BadUsage("bad command line");
}

namespace {
bool ParseSigned(std::string_view text, std::int32_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    std::uint32_t magnitude = 0;
    if (!ParseNumber(negative ? text.substr(1) : text, magnitude)) return false;
    value = negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
    return true;
}
}  // namespace
