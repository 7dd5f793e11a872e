// Printing through the page loop into PDF files, read back with poppler.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "PageFixture.h"
#include "view/PagePrinter.h"

namespace kavitro {
namespace {

using test::AddRect;
using test::Place;
using test::Q;
using test::RunReader;

// A three-page document: one filled square on each page at its own place,
// and one on every page.
class PagePrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        view->OnActivateView(true);
        doc->AddPage(0);
        doc->AddPage(0);
        for (std::uint32_t page = 0; page < 3; ++page) squares.push_back(Square(-18000 + 5000 * static_cast<int>(page), page));
        everyPage = Square(-10000, kEveryPageFlags, -22000);
    }

    CDrawRect* Square(std::int32_t x, std::uint32_t page, std::int32_t y = -8000) {
        CDrawRect* r = AddRect(*doc, Place(x, y, 3000, 3000), page);
        r->m_bBrush = 1;
        r->m_logbrush.color = RGB(0, 0, 160);
        return r;
    }

    // Prints into a PDF file; false when the job fails.
    bool PrintToPdf(const PrintJob& job, const QString& path, std::string* error = nullptr) {
        QByteArray pdf;
        {
            QBuffer buffer(&pdf);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            EXPECT_TRUE(writer.setPageLayout(DocumentPageLayout(*doc)));
            if (!PrintPages(*view, writer, job, error)) return false;
        }
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size();
    }

    // The pages as pdftoppm renders them, in grey at 20 dpi; none when it is
    // not installed.
    std::optional<std::vector<QImage>> Render(const QString& pdf) {
        const auto r = RunReader("pdftoppm", {"-r", "20", "-gray", pdf, tmp.filePath("page")});
        if (!r.installed) return std::nullopt;
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
        std::vector<QImage> pages;
        for (int i = 1;; ++i) {
            QImage page(tmp.filePath(QString("page-%1.pgm").arg(i)));
            if (page.isNull()) break;
            pages.push_back(page);
        }
        return pages;
    }

    // Whether the printed page shows ink at the middle of an object: the
    // page's top-left corner is the document's (-width, 0), y up.
    bool InkAt(const QImage& page, CDrawObj& object) const {
        Rect r = object.m_position.m_rect;  // stored at 100 %
        r.NormalizeRect();
        const double pixelsPerUnit = page.width() / static_cast<double>(doc->m_nPageWidth);
        const int x = static_cast<int>(((r.left + r.right) / 2.0 + doc->m_nPageWidth) * pixelsPerUnit);
        const int y = static_cast<int>(-(r.top + r.bottom) / 2.0 * pixelsPerUnit);
        return qGray(page.pixel(x, y)) < 128;
    }

    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view = std::make_unique<CKavitroView>(*doc, host);
    std::vector<CDrawRect*> squares;
    CDrawRect* everyPage = nullptr;
    QTemporaryDir tmp;
};

TEST_F(PagePrinterTest, EachPagePrintsItsOwnObjectsOnTheDocumentsPaper) {
    doc->SetPageSize(Size{21000, 29700}, Rect(1000, 700, 500, 1200));  // A4
    doc->SetZoom(250);
    view->SetCurrentPage(2);
    env.notifier.Clear();
    const QString pdf = tmp.filePath("all.pdf");
    ASSERT_TRUE(PrintToPdf(PrintJob{}, pdf));

    // The zoom was 100 while printing and is back, with the page.
    EXPECT_EQ(doc->GetZoom(), 250);
    EXPECT_EQ(view->GetCurrentPage(), 2u);
    EXPECT_FALSE(view->m_bPrintSelectionOnly);
    const auto zooms = env.notifier.PostedOf(NotifyMessage::ZoomChanged);
    ASSERT_EQ(zooms.size(), 2u);
    EXPECT_EQ(zooms[0].wParam, 100u);
    EXPECT_EQ(zooms[1].wParam, 250u);

    const auto info = RunReader("pdfinfo", {pdf});
    if (info.installed) {
        EXPECT_TRUE(info.out.contains("Pages:           3")) << info.out.toStdString();
        // 210 x 297 mm in points, as whole points.
        const auto size = QRegularExpression("Page size: +([\\d.]+) x ([\\d.]+) pts").match(QString(info.out));
        ASSERT_TRUE(size.hasMatch()) << info.out.toStdString();
        EXPECT_NEAR(size.captured(1).toDouble(), 210 / 25.4 * 72, 1.0);
        EXPECT_NEAR(size.captured(2).toDouble(), 297 / 25.4 * 72, 1.0);
    }
    const auto pages = Render(pdf);
    if (!info.installed || !pages) GTEST_SKIP() << "poppler-utils is not installed";
    ASSERT_EQ(pages->size(), 3u);
    for (std::size_t p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        for (std::size_t s = 0; s < 3; ++s) EXPECT_EQ(InkAt((*pages)[p], *squares[s]), s == p) << s;
        EXPECT_TRUE(InkAt((*pages)[p], *everyPage));
    }
}

TEST_F(PagePrinterTest, SelectionPrintsTheSelectedObjectsOfTheCurrentPageOnly) {
    view->SetCurrentPage(1);
    view->Select(squares[1], false, false);
    const QString pdf = tmp.filePath("selection.pdf");
    ASSERT_TRUE(PrintToPdf(PrintJob{1, 0, true}, pdf));
    EXPECT_EQ(view->GetCurrentPage(), 1u);
    EXPECT_FALSE(view->m_bPrintSelectionOnly);

    const auto pages = Render(pdf);
    if (!pages) GTEST_SKIP() << "pdftoppm is not installed";
    ASSERT_EQ(pages->size(), 1u);
    EXPECT_TRUE(InkAt(pages->front(), *squares[1]));
    EXPECT_FALSE(InkAt(pages->front(), *everyPage));
    EXPECT_FALSE(InkAt(pages->front(), *squares[0]));
}

TEST_F(PagePrinterTest, RangesAndFailuresRestoreZoomAndPage) {
    const struct {
        const char* name;
        PrintJob job;
        int pages;  // -1: the job fails
    } cases[] = {
        {"pages 2 to 3", PrintJob{2, 3, false}, 2},
        {"to beyond the last page", PrintJob{3, 9, false}, 1},
        {"from beyond the last page", PrintJob{4, 9, false}, -1},
        {"backwards", PrintJob{3, 2, false}, -1},
    };
    doc->SetZoom(40);
    view->SetCurrentPage(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString pdf = tmp.filePath(QString(c.name) + ".pdf");
        std::string error;
        EXPECT_EQ(PrintToPdf(c.job, pdf, &error), c.pages >= 0);
        EXPECT_EQ(doc->GetZoom(), 40);
        EXPECT_EQ(view->GetCurrentPage(), 1u);
        if (c.pages < 0) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        const auto info = RunReader("pdfinfo", {pdf});
        if (info.installed) {
            EXPECT_TRUE(info.out.contains(QByteArray("Pages:           ") + QByteArray::number(c.pages)))
                << info.out.toStdString();
        }
    }

    // A device that cannot be painted on fails the job, and the state is back.
    QPdfWriter unwritable(tmp.filePath("missing/folder/x.pdf"));
    std::string error;
    EXPECT_FALSE(PrintPages(*view, unwritable, PrintJob{}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(doc->GetZoom(), 40);
    EXPECT_EQ(view->GetCurrentPage(), 1u);
}

TEST_F(PagePrinterTest, SelectionIsOfferedWheneverSomethingIsSelected) {
    EXPECT_EQ(PreparePrinting(*view).maxPage, 3u);
    EXPECT_EQ(PreparePrinting(*view).minPage, 1u);
    EXPECT_FALSE(PreparePrinting(*view).offerSelection);
    view->Select(squares[0], false, false);
    EXPECT_TRUE(PreparePrinting(*view).offerSelection);
    view->Select(everyPage, true, false);
    EXPECT_TRUE(PreparePrinting(*view).offerSelection);
}

// A raster picture reaches the PDF with its own pixels: Qt's PDF writer
// stores pictures as JPEG unless it is asked for lossless images.
TEST_F(PagePrinterTest, PicturesKeepTheirPixels) {
    QImage pixels(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x) pixels.setPixel(x, y, qRgb(x * 5, (x * y * 7) & 0xFF, y * 8));
    CPolygonRect at;
    at.m_rect = Rect{-9000, -19000, -13800, -15800};
    at.SetAngle(0);
    auto* picture = new CDrawPicture(at, 0, doc.get());
    picture->m_pDib = std::make_unique<CDib>();
    ASSERT_TRUE(picture->m_pDib->FromImage(pixels));
    picture->m_nPictureType = CDrawPicture::RasterPicture;
    doc->Add(picture, true);
    const QString pdf = tmp.filePath("picture.pdf");
    ASSERT_TRUE(PrintToPdf(PrintJob{}, pdf));

    const auto list = RunReader("pdfimages", {"-list", pdf});
    if (!list.installed) GTEST_SKIP() << "poppler-utils is not installed";
    // page num type width height color comp bpc enc ...: one picture, not JPEG.
    QStringList rows = QString(list.out).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(rows.size(), 1) << list.out.toStdString();
    const QStringList columns = rows[0].split(' ', Qt::SkipEmptyParts);
    ASSERT_GE(columns.size(), 9);
    EXPECT_EQ(columns[8], "image") << list.out.toStdString();

    ASSERT_EQ(RunReader("pdfimages", {"-png", pdf, tmp.filePath("picture")}).exitCode, 0);
    const QImage stored(tmp.filePath("picture-000.png"));
    ASSERT_EQ(stored.size(), pixels.size());
    EXPECT_EQ(stored.convertToFormat(QImage::Format_RGB32), pixels);
}

TEST(PageLayout, DocumentPaperRoundTripsThroughAPageLayout) {
    const struct {
        Size size;
        Rect margins;
        QPageLayout::Orientation orientation;
    } cases[] = {
        {{21590, 27940}, Rect(500, 500, 500, 500), QPageLayout::Portrait},
        {{29700, 21000}, Rect(1000, 500, 1500, 2000), QPageLayout::Landscape},
        {{10000, 10000}, Rect(0, 0, 0, 0), QPageLayout::Portrait},
    };
    test::TestServices env;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size.cx);
        auto source = test::NewDocument(env.services);
        source->SetPageSize(c.size, c.margins);
        const QPageLayout layout = DocumentPageLayout(*source);
        ASSERT_TRUE(layout.isValid());
        EXPECT_EQ(layout.orientation(), c.orientation);
        EXPECT_NEAR(layout.fullRect(QPageLayout::Millimeter).width(), c.size.cx / 100.0, 0.01);
        // Its own paper back is no change; another paper is one.
        source->SetModifiedFlag(false);
        ApplyPageLayout(*source, layout);
        EXPECT_FALSE(source->IsModified());
        EXPECT_EQ(source->m_nPageWidth, c.size.cx);
        auto target = test::NewDocument(env.services);
        target->SetModifiedFlag(false);
        const Size before{target->m_nPageWidth, target->m_nPageHeight};
        const Rect marginsBefore = target->m_margins;
        ApplyPageLayout(*target, layout);
        EXPECT_EQ(target->IsModified(), before.cx != target->m_nPageWidth || before.cy != target->m_nPageHeight ||
                                            !(marginsBefore == target->m_margins));
        EXPECT_NEAR(target->m_nPageWidth, c.size.cx, 1);
        EXPECT_NEAR(target->m_nPageHeight, c.size.cy, 1);
        EXPECT_NEAR(target->m_margins.left, c.margins.left, 1);
        EXPECT_NEAR(target->m_margins.top, c.margins.top, 1);
        EXPECT_NEAR(target->m_margins.right, c.margins.right, 1);
        EXPECT_NEAR(target->m_margins.bottom, c.margins.bottom, 1);
    }
}

}  // namespace
}  // namespace kavitro
