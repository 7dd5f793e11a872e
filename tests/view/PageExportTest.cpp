// Page export: the eight formats read back by independent readers, the
// raster pictures looked at where the objects are, and the failures.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

#include "PageFixture.h"
#include "view/GifEncoder.h"
#include "view/PageExport.h"

namespace kavitro {
namespace {

using test::Near;
using test::Q;
using test::RunReader;

TEST(PageExportFormats, FilterExtensionsAndTypedNames) {
    EXPECT_EQ(BuildExportFilter(),
              u"Portable Network Graphics (PNG) file (*.png)|*.png|"
              u"Joint Photographic Experts Group (JPEG) file (*.jpeg)|*.jpeg|"
              u"Graphics Interchange Format (GIF) file (*.gif)|*.gif|"
              u"Tagged Image File Format (TIFF) file (*.tiff)|*.tiff|"
              u"Windows Bitmap file (*.bmp)|*.bmp|"
              u"Encapsulated PostScript (*.eps)|*.eps|"
              u"Enhanced Meta Files (*.emf)|*.emf|"
              u"Windows Meta Files (*.wmf)|*.wmf||");

    const struct {
        std::string_view extension;
        std::optional<PageExportFormat> format;
    } lookups[] = {{".png", PageExportFormat::Png}, {"PNG", PageExportFormat::Png}, {".JpEg", PageExportFormat::Jpeg},
                   {"wmf", PageExportFormat::Wmf},  {"jpg", std::nullopt},          {".tif", std::nullopt},
                   {"", std::nullopt},              {".pngx", std::nullopt},        {".", std::nullopt}};
    for (const auto& c : lookups) EXPECT_EQ(ExportFormatFromExtension(c.extension), c.format) << c.extension;

    // Whatever was typed, the file gets the chosen type's extension.
    const struct {
        const char* typed;
        PageExportFormat format;
        const char* written;
    } names[] = {{"/a/page.png", PageExportFormat::Jpeg, "/a/page.jpeg"},
                 {"/a/page", PageExportFormat::Eps, "/a/page.eps"},
                 {"/a/my.page.PNG", PageExportFormat::Png, "/a/my.page.png"}};
    for (const auto& c : names) EXPECT_EQ(WithExportExtension(c.typed, c.format), std::filesystem::path(c.written));
}

TEST(GifEncoder, PaletteIsMadeFromThePicture) {
    QImage stripes(64, 16, QImage::Format_RGB32);
    const QRgb four[] = {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(200, 30, 30), qRgb(10, 120, 250)};
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y) stripes.setPixel(x, y, four[(x / 3 + y) % 4]);
    QImage gradient(300, 200, QImage::Format_ARGB32);
    for (int x = 0; x < gradient.width(); ++x)
        for (int y = 0; y < gradient.height(); ++y) gradient.setPixel(x, y, qRgb(x * 255 / 299, y * 255 / 199, 128));

    // Few colours come back exactly; many are reduced to a palette near them.
    const struct {
        const char* name;
        const QImage& picture;
        int tolerance;
    } cases[] = {{"four colours", stripes, 0}, {"60000 colours", gradient, 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const auto bytes = EncodeGif(c.picture, &error);
        ASSERT_TRUE(bytes) << error;
        QImage back;
        ASSERT_TRUE(back.loadFromData(bytes->data(), static_cast<int>(bytes->size()), "GIF"));
        ASSERT_EQ(back.size(), c.picture.size());
        int worst = 0;
        for (int y = 0; y < back.height(); ++y)
            for (int x = 0; x < back.width(); ++x) {
                const QRgb a = back.pixel(x, y), b = c.picture.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        EXPECT_LE(worst, c.tolerance);
    }
    std::string error;
    EXPECT_FALSE(EncodeGif(QImage(), &error));
    EXPECT_FALSE(error.empty());
}

class PageExportTest : public test::PageFixture {
protected:
    void SetUp() override {
        PageFixture::SetUp();
        ASSERT_TRUE(tmp.isValid());
        dir = tmp.path().toStdString();
    }
    std::set<std::filesystem::path> Entries() const {
        std::set<std::filesystem::path> out;
        for (const auto& e : std::filesystem::directory_iterator(dir)) out.insert(e.path().filename());
        return out;
    }

    QTemporaryDir tmp;
    std::filesystem::path dir;
};

TEST_F(PageExportTest, EveryFormatIsReadBackAndRasterPicturesShowTheObjects) {
    const std::vector<CDrawObj*> objects = doc->ObjectsOnPage(0);
    ASSERT_EQ(objects.size(), 3u);
    const Rect box = doc->GetBoundingRect(objects);
    const Size quarter{(box.right - box.left) >> 2, (box.bottom - box.top) >> 2};
    doc->SetZoom(250);

    bool allReaders = true;
    for (const PageExportFormatInfo& f : PageExportFormats()) {
        SCOPED_TRACE(std::string(f.Extension()));
        const std::filesystem::path path = dir / ("page" + std::string(f.Extension()));
        std::optional<Size> asked;
        const ExportOutcome outcome = ExportCurrentPage(*view, path, f.format, [&](Size& size) {
            asked = size;
            size = Size{800, 800};
            return true;
        });
        ASSERT_EQ(outcome.status, ExportStatus::Written) << outcome.reason;
        EXPECT_EQ(doc->GetZoom(), 250);
        EXPECT_EQ(asked.has_value(), f.raster);
        if (asked) {
            EXPECT_EQ(*asked, quarter);
        }

        const QString file = Q(path);
        switch (f.format) {
            case PageExportFormat::Eps: {
                const auto gs = RunReader("gs", {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=bbox", file});
                allReaders = allReaders && gs.installed;
                if (gs.installed) {
                    EXPECT_EQ(gs.exitCode, 0) << gs.out.toStdString();
                    EXPECT_TRUE(gs.out.contains("%%BoundingBox:")) << gs.out.toStdString();
                    EXPECT_FALSE(gs.out.contains("%%BoundingBox: 0 0 0 0")) << gs.out.toStdString();
                }
                break;
            }
            case PageExportFormat::Emf: {
                const auto r = RunReader("emf2svg-conv", {"-i", file, "-o", file + ".svg"});
                allReaders = allReaders && r.installed;
                if (r.installed) {
                    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
                    EXPECT_GT(QFile(file + ".svg").size(), 0);
                }
                break;
            }
            case PageExportFormat::Wmf: {
                const auto r = RunReader("wmf2svg", {"-o", file + ".svg", file});
                allReaders = allReaders && r.installed;
                if (r.installed) {
                    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
                    EXPECT_GT(QFile(file + ".svg").size(), 0);
                }
                break;
            }
            default: {
                const auto id = RunReader("identify", {"-format", "%m %w %h", file});
                allReaders = allReaders && id.installed;
                if (id.installed) {
                    EXPECT_EQ(id.exitCode, 0) << id.out.toStdString();
                    const QByteArray magick = QByteArray(f.Extension().substr(1).data()).toUpper();
                    EXPECT_TRUE(id.out.startsWith(magick)) << id.out.toStdString();
                }
                if (f.format == PageExportFormat::Png) {
                    const auto r = RunReader("pngcheck", {file});
                    allReaders = allReaders && r.installed;
                    if (r.installed) {
                        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
                    }
                }
                if (f.format == PageExportFormat::Tiff) {
                    const auto r = RunReader("tiffinfo", {file});
                    allReaders = allReaders && r.installed;
                    if (r.installed) {
                        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
                        // Compressed without loss, as TIFF writers usually are.
                        EXPECT_TRUE(r.out.contains("Compression Scheme: LZW")) << r.out.toStdString();
                    }
                }

                // Ink where the objects are; the background transparent in a
                // PNG and the paper elsewhere.
                const test::PictureOfBox page{box, QImage(file)};
                ASSERT_FALSE(page.image.isNull());
                EXPECT_EQ(std::max(page.image.width(), page.image.height()), 800);
                const int tolerance = f.format == PageExportFormat::Jpeg ? 40 : 12;
                const Rect r = RectOf(*rect), p = RectOf(*picture);
                const QRgb inRect = page.At((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
                EXPECT_TRUE(Near(inRect, qRgb(200, 30, 30), tolerance)) << std::hex << inRect;
                const QRgb inPicture = page.At((p.left + p.right) / 2.0, (p.top + p.bottom) / 2.0);
                EXPECT_LE(std::max({qRed(inPicture), qGreen(inPicture), qBlue(inPicture)}), 127 + tolerance);
                EXPECT_GE(page.DarkPixelsIn(RectOf(*text)), 10);
                const QRgb empty = page.At(box.left + 300, box.bottom - 300);
                if (f.format == PageExportFormat::Png) {
                    EXPECT_EQ(qAlpha(empty), 0);
                } else {
                    EXPECT_TRUE(Near(empty, qRgb(255, 255, 255), tolerance)) << std::hex << empty;
                }
            }
        }
    }
    EXPECT_TRUE(env.errors.Reports().empty());
    if (!allReaders) GTEST_SKIP() << "some independent readers are not installed";
}

TEST_F(PageExportTest, FailuresAreReportedOnceAndLeaveTheEarlierFile) {
    const std::vector<std::uint8_t> earlier{'o', 'l', 'd'};
    std::filesystem::create_directory(dir / "folder.wmf");
    std::filesystem::create_directory(dir / "locked");
    const bool canLock = geteuid() != 0;  // permissions do not stop root
    if (canLock) {
        test::WriteFile(dir / "locked" / "page.png", earlier);
        std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }

    const struct {
        const char* name;
        PageExportFormat format;
        std::optional<Size> size;  // none: the size dialog is cancelled
        std::filesystem::path target;
        ExportStatus status;
        std::uint32_t reason = 0;  // what the user is told, on a failure
    } cases[] = {
        {"a side beyond 32767", PageExportFormat::Png, Size{40000, 100}, dir / "old.png", ExportStatus::Failed,
         StringId::ReasonPictureTooLarge},
        {"too many pixels", PageExportFormat::Bmp, Size{20000, 20000}, dir / "old.png", ExportStatus::Failed,
         StringId::ReasonPictureTooLarge},
        {"no pixels", PageExportFormat::Gif, Size{0, 50}, dir / "old.png", ExportStatus::Failed,
         StringId::ReasonPictureTooLarge},
        {"negative size", PageExportFormat::Tiff, Size{-5, 50}, dir / "old.png", ExportStatus::Failed,
         StringId::ReasonPictureTooLarge},
        {"size dialog cancelled", PageExportFormat::Jpeg, std::nullopt, dir / "old.png", ExportStatus::Cancelled},
        {"missing folder", PageExportFormat::Emf, std::nullopt, dir / "missing" / "page.emf", ExportStatus::Failed,
         StringId::ReasonFolderMissing},
        {"a folder in the way", PageExportFormat::Wmf, std::nullopt, dir / "folder.wmf", ExportStatus::Failed,
         StringId::ReasonNotAFile},
        {"read-only folder", PageExportFormat::Png, Size{100, 100}, dir / "locked" / "page.png", ExportStatus::Failed,
         StringId::ReasonNoPermission},
    };
    test::WriteFile(dir / "old.png", earlier);
    const std::set<std::filesystem::path> before = Entries();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.target.parent_path().filename() == "locked" && !canLock) continue;
        env.errors.Clear();
        const ExportOutcome outcome = ExportCurrentPage(*view, c.target, c.format, [&](Size& size) {
            if (!c.size) return false;
            size = *c.size;
            return true;
        });
        EXPECT_EQ(outcome.status, c.status);
        if (c.status == ExportStatus::Failed) {
            EXPECT_FALSE(outcome.reason.empty());
            ASSERT_EQ(env.errors.Reports().size(), 1u);
            EXPECT_EQ(env.errors.Reports()[0].stringId, kExportFailedMessage);
            EXPECT_EQ(env.errors.Reports()[0].file, c.target.u16string());
            EXPECT_EQ(env.errors.Reports()[0].reasonId, c.reason);
        } else {
            EXPECT_TRUE(env.errors.Reports().empty());
        }
        if (std::filesystem::is_regular_file(c.target)) {
            EXPECT_EQ(test::ReadFile(c.target), earlier);
        }
        EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.wmf"));
        EXPECT_EQ(Entries(), before);  // nothing new, no temporary left behind
    }
    if (canLock)
        std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_all);

    // A page without objects has nothing to export, in every format.
    doc->AddPage(0);
    view->SetCurrentPage(1);
    for (const PageExportFormatInfo& f : PageExportFormats()) {
        env.errors.Clear();
        EXPECT_EQ(ExportCurrentPage(*view, dir / "old.png", f.format).status, ExportStatus::Failed);
        EXPECT_EQ(env.errors.Reports().size(), 1u);
    }
    EXPECT_EQ(test::ReadFile(dir / "old.png"), earlier);
}

// The export command and kavitro-doc draw the same page at the same pixel
// size, and a size of the page's own ratio (the proposed quarter, or what
// the size dialog shows) comes out exactly as asked, not a pixel short.
TEST_F(PageExportTest, CommandAndToolGiveThePictureOfTheAskedSize) {
    const std::filesystem::path file = dir / "page.kv2";
    const struct {
        const char* name;
        std::int32_t cx, cy;  // a filled rectangle of this size; 0 x 0: the text alone
        PageExportFormat format;
    } cases[] = {
        {"the text", 0, 0, PageExportFormat::Png},
        {"a quarter with remainders", 3097, 5561, PageExportFormat::Tiff},
        {"wide", 12345, 777, PageExportFormat::Bmp},
        {"tall", 999, 4001, PageExportFormat::Jpeg},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.cx > 0) {
            doc->m_objects.Clear();
            test::AddRect(*doc, test::Place(-2000, -3000, c.cx, c.cy))->m_bBrush = 1;
        } else {
            doc->Remove(rect, false);
            doc->Remove(picture, false);
        }
        const std::vector<CDrawObj*> objects = doc->ObjectsOnPage(0);
        const Size proposed = ProposedBitmapSize(*doc, objects);
        doc->SetZoom(75);  // the view's zoom plays no part
        const std::string extension(GetExportFormatInfo(c.format).Extension());
        const std::filesystem::path byCommand = dir / ("command" + extension);
        ASSERT_EQ(ExportCurrentPage(*view, byCommand, c.format).status, ExportStatus::Written);

        ASSERT_TRUE(doc->OnSaveDocument(Q(file)));
        const std::filesystem::path byTool = dir / ("tool" + extension);
        const auto run = RunReader(KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc",
                                   {"--data-dir", KAVITRO_SHARE_DIR, "export", Q(file), Q(byTool), "--page", "0",
                                    "--format", QString::fromStdString(extension.substr(1))});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();

        const QSize command = QImage(Q(byCommand)).size(), tool = QImage(Q(byTool)).size();
        EXPECT_EQ(command, QSize(proposed.cx, proposed.cy));
        EXPECT_EQ(tool, command);
    }
}

// The ink of a picture (dark and opaque pixels), cut to its own extent and
// scaled to `size`, so that two renderings at different resolutions meet.
QImage TrimmedInk(const QImage& picture, QSize size) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    auto inked = [&](int x, int y) {
        const QRgb c = argb.pixel(x, y);
        return qAlpha(c) > 128 && qGray(c) < 128;
    };
    QRect extent;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (inked(x, y)) extent |= QRect(x, y, 1, 1);
    if (extent.isEmpty()) return {};
    QImage ink(extent.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < ink.height(); ++y)
        for (int x = 0; x < ink.width(); ++x)
            ink.setPixel(x, y, inked(extent.x() + x, extent.y() + y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return ink.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// How far two ink pictures of one size agree: the shared ink over the ink
// of either (1: the same shapes; mirrored, shifted or holed shapes fall far).
double InkOverlap(const QImage& a, const QImage& b) {
    int both = 0, either = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool inA = qGray(a.pixel(x, y)) < 128, inB = qGray(b.pixel(x, y)) < 128;
            both += inA && inB;
            either += inA || inB;
        }
    return either == 0 ? 0.0 : static_cast<double>(both) / either;
}

// The EPS of a page with a text, a line and a rectangle renders with nothing
// but the file in ghostscript and in Inkscape, and shows the text as the PNG
// export draws it (only texts give the EPS paths). The renderings stay in
// the build tree, in eps-artefacts/.
TEST_F(PageExportTest, EpsAloneRendersInOtherProgramsLikeThePngExport) {
    doc->Remove(picture, false);
    doc->Remove(rect, false);
    view->Select(text, false, false);
    for (const char16_t c : std::u16string_view(u" بر دوستان خوب")) view->OnChar(c);
    view->ClearSelection();
    const Rect words = RectOf(*text);
    // Below the text, a little apart: the page's picture stays near the
    // text's own size, so that the PNG shows the text at a useful resolution.
    CDrawRect* box = test::AddRect(*doc, test::Place(words.left, words.top - 1500, 2000, 1000));
    CDrawLine* line = test::AddLine(*doc, test::Place(words.right - 3000, words.top - 1500, 3000, 1000));
    for (CDrawObj* other : {static_cast<CDrawObj*>(box), static_cast<CDrawObj*>(line)}) {
        Rect shared;
        ASSERT_FALSE(shared.IntersectRect(words, RectOf(*other))) << "the text must stand clear of the other objects";
    }

    const std::filesystem::path artefacts = std::filesystem::path(KAVITRO_BINARY_DIR) / "eps-artefacts";
    std::filesystem::create_directories(artefacts);
    const std::filesystem::path eps = artefacts / "page.eps", png = artefacts / "page.png";
    ASSERT_EQ(ExportCurrentPage(*view, eps, PageExportFormat::Eps).status, ExportStatus::Written);
    ASSERT_EQ(ExportCurrentPage(*view, png, PageExportFormat::Png, [](Size& size) {
                  size = Size{3000, 3000};
                  return true;
              }).status,
              ExportStatus::Written);
    const std::vector<CDrawObj*> objects = doc->ObjectsOnPage(0);
    const test::PictureOfBox page{doc->GetBoundingRect(objects), QImage(Q(png))};
    ASSERT_FALSE(page.image.isNull());
    const QPoint from = page.PixelOf(words.left, words.bottom), to = page.PixelOf(words.right, words.top);
    const QImage textOfPng = page.image.copy(QRect(from, to).normalized());
    const QImage expected = TrimmedInk(textOfPng, QSize(600, 300));
    ASSERT_FALSE(expected.isNull());

    const struct {
        const char* reader;
        QString program;
        QStringList args;
    } readers[] = {
        {"ghostscript", "gs",
         {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-sDEVICE=png16m", "-r300",
          "-sOutputFile=" + Q(artefacts / "page-ghostscript.png"), Q(eps)}},
        {"inkscape", KAVITRO_INKSCAPE_EPS_PNG, {Q(eps), Q(artefacts / "page-inkscape.png"), "300"}},
    };
    bool allReaders = true;
    for (const auto& r : readers) {
        SCOPED_TRACE(r.reader);
        const std::filesystem::path rendered = artefacts / ("page-" + std::string(r.reader) + ".png");
        std::filesystem::remove(rendered);
        const auto run = RunReader(r.program, r.args);
        const bool installed = run.installed && run.exitCode != 77;  // the Inkscape script: 77, not installed
        allReaders = allReaders && installed;
        if (!installed) continue;
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString();
        const QImage picture(Q(rendered));
        ASSERT_FALSE(picture.isNull()) << run.out.toStdString();
        const QImage ink = TrimmedInk(picture, expected.size());
        ASSERT_FALSE(ink.isNull()) << "no ink";
        const double overlap = InkOverlap(ink, expected);
        RecordProperty(std::string("overlap_") + r.reader, std::to_string(overlap));
        EXPECT_GT(overlap, 0.85) << "overlap with the PNG export " << overlap;
    }
    if (!allReaders) GTEST_SKIP() << "ghostscript or inkscape is not installed";
}

}  // namespace
}  // namespace kavitro
