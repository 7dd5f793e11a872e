#include <gtest/gtest.h>

#include "DocumentFixture.h"

namespace kavitro {
namespace {

using test::AddLine;
using test::AddRect;
using test::Place;

class SimpleObjectsTest : public ::testing::Test {
protected:
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    DefaultDocumentView view;
};

TEST_F(SimpleObjectsTest, DefaultsAndRoundingAtZoom) {
    CDrawRect* r = AddRect(*doc, Place(0, 0, 1000, 1000));
    EXPECT_EQ(r->m_bPen, 1u);
    EXPECT_EQ(r->m_logpen, (LogPen{PS_INSIDEFRAME, Point{20, 20}, 0}));
    EXPECT_EQ(r->m_logbrush, (LogBrush{BS_SOLID, 0xFFFFFF, 0}));
    EXPECT_EQ(r->m_roundness, (Point{500, 500}));
    doc->SetZoom(200);
    CDrawRect at200(Place(0, 0, 1000, 1000), 0, doc.get());
    EXPECT_EQ(at200.m_roundness, (Point{250, 250}));
    EXPECT_EQ(at200.m_position.m_rect, Rect(0, 0, 500, 500));  // brought to 100 %
    CArchive ar = CArchive::ForStoring();
    r->CDrawObj::Serialize(ar);
    EXPECT_EQ(ar.GetStoredBytes().size(), CDrawObj::kStoredSize);
}

TEST_F(SimpleObjectsTest, HandlesOfEachKind) {
    CDrawRect* plain = AddRect(*doc, Place(0, 0, 1000, 1000));
    CDrawRect* round = AddRect(*doc, Place(0, 0, 4000, 2000), 0, CDrawRect::RoundRectangle);
    CDrawRect* ellipse = AddRect(*doc, Place(0, 0, 1000, 1000), 0, CDrawRect::Ellipse);
    EXPECT_EQ(plain->GetHandleCount(), 8);
    EXPECT_EQ(round->GetHandleCount(), 9);
    EXPECT_EQ(ellipse->GetHandleCount(), 8);
    EXPECT_EQ(round->GetHandle(9), (Point{4000 - 250, 2000 - 250}));
    EXPECT_EQ(round->GetHandleCursor(9), HandleCursor::SizeAll);
    EXPECT_EQ(plain->GetHandle(9), plain->GetHandle(1));
    EXPECT_EQ(plain->GetHandle(0), plain->GetHandle(1));

    CDrawLine* line = AddLine(*doc, Place(0, 0, 300, 200));
    EXPECT_EQ(line->GetHandleCount(), 2);
    EXPECT_EQ(line->GetHandle(2), (Point{300, 200}));

    CDrawGuideLine* guide = doc->AddGuideline(&view, 1, -500);
    EXPECT_EQ(guide->GetHandleCount(), 0);
    EXPECT_EQ(guide->GetHandleCursor(1), HandleCursor::SizeWE);
    EXPECT_EQ(guide->Clone(doc.get()), nullptr);
}

TEST_F(SimpleObjectsTest, RoundnessDragStopsInsideTheRectangleAndAtTheCentre) {
    CDrawRect* r = AddRect(*doc, Place(0, 0, 4000, 2000), 0, CDrawRect::RoundRectangle);
    r->MoveHandleTo(9, Point{9000, 9000}, &view);
    EXPECT_EQ(r->m_roundness, (Point{2, 2}));
    r->MoveHandleTo(9, Point{-9000, -9000}, &view);
    EXPECT_EQ(r->m_roundness, (Point{4000, 2000}));
}

TEST_F(SimpleObjectsTest, HitTests) {
    CDrawRect* ellipse = AddRect(*doc, Place(0, 0, 1000, 1000), 0, CDrawRect::Ellipse);
    EXPECT_TRUE(ellipse->IntersectsPoint({500, 500}));
    EXPECT_FALSE(ellipse->IntersectsPoint({20, 20}));  // in the bounds, outside the ellipse
    CDrawLine* line = AddLine(*doc, Place(0, 0, 1000, 1000));
    EXPECT_TRUE(line->IntersectsPoint({500, 500}));
    EXPECT_FALSE(line->IntersectsPoint({900, 100}));
    CDrawRect* odd = AddRect(*doc, Place(0, 0, 1000, 1000), 0, 7);
    EXPECT_FALSE(odd->IntersectsPoint({500, 500}));  // unknown shapes cannot be hit

    // A vertical guide: 80 units beside it hits, 150 misses; hidden guides never.
    CDrawGuideLine* guide = doc->AddGuideline(&view, 1, -5000);
    const std::int32_t x = std::max(guide->m_position.m_rect.left, guide->m_position.m_rect.right);
    EXPECT_TRUE(guide->HitTest({x + 80, -1000}, &view, false));
    EXPECT_FALSE(guide->HitTest({x + 150, -1000}, &view, false));
    view.m_page = 3;
    EXPECT_FALSE(guide->HitTest({x, -1000}, &view, false));  // another page
    view.m_page = 0;
    env.settings[CApplicationProperties::ShowGuide] = 0;
    EXPECT_FALSE(guide->HitTest({x, -1000}, &view, false));
}

TEST_F(SimpleObjectsTest, ObjectAtCyclesThroughStackedObjects) {
    CDrawRect* a = AddRect(*doc, Place(0, 0, 100, 100));
    CDrawRect* b = AddRect(*doc, Place(0, 0, 100, 100), 1);
    CDrawRect* c = AddRect(*doc, Place(0, 0, 100, 100), kEveryPageFlags);
    CDrawRect* d = AddRect(*doc, Place(0, 0, 100, 100));
    EXPECT_EQ(doc->ObjectAt({50, 50}, 0, &view), d);
    EXPECT_EQ(doc->ObjectAtAfter({50, 50}, d, 0, &view), c);
    EXPECT_EQ(doc->ObjectAtAfter({50, 50}, c, 0, &view), a);
    EXPECT_EQ(doc->ObjectAtAfter({50, 50}, a, 0, &view), d);  // wraps to the top
    EXPECT_EQ(doc->ObjectAtAfter({50, 50}, nullptr, kAllPages, &view), d);
    EXPECT_EQ(doc->ObjectAt({50, 50}, 1, &view), c);
    EXPECT_THROW(doc->ObjectAtAfter({50, 50}, b, 0, &view), InvalidArgumentException);
}

TEST_F(SimpleObjectsTest, RotatedHandleDragMovesTheUnrotatedEdges) {
    CDrawRect* r = AddRect(*doc, Place(0, 0, 1000, 500));
    const Point centre{500, 250};
    CPolygonRect pr = r->BuildZoomedPosition();
    pr.SetAngle(90, &centre);
    r->MoveTo(pr, &view, true);
    const Rect before = r->m_position.m_rect;
    const Rect b = r->BuildZoomedPosition().m_bounds;
    r->MoveHandleTo(4, Point{b.right + 100, 0}, &view);  // handle 4 moves the right edge
    EXPECT_EQ(r->m_position.m_rect.right, before.right + 100);
    EXPECT_EQ(r->m_position.m_rect.left, before.left);
}

class FakePrinter : public PrinterInformation {
public:
    std::optional<PrinterPageMetrics> GetDefaultPrinter() const override { return metrics; }
    std::vector<PrinterPaper> GetPapers() const override { return papers; }
    void SelectPaper(const PaperSelection& s) override { selected.push_back(s); }
    std::optional<Size> GetSystemPaper() const override { return systemPaper; }
    std::optional<PrinterPageMetrics> metrics;
    std::optional<Size> systemPaper;
    std::vector<PrinterPaper> papers;
    std::vector<PaperSelection> selected;
};

TEST_F(SimpleObjectsTest, PageSizeFromThePrinterAndPaperMatching) {
    FakePrinter printer;
    // A4 at 600 dpi with quarter-inch margins.
    printer.metrics = PrinterPageMetrics{4960, 7016, 150, 150, 600, 600, 4660, 6716};
    printer.papers = {{1, {2159, 2794}}, {9, {2100, 2970}}};
    test::TestServices local;
    local.services.printer = &printer;
    auto d = test::NewDocument(local.services);
    EXPECT_EQ(d->GetPageSize(), (Size{MulDiv(4960, 2540, 600), MulDiv(7016, 2540, 600)}));
    EXPECT_EQ(d->m_margins.left, MulDiv(150, 2540, 600));
    EXPECT_EQ(d->m_margins.right, MulDiv(4960 - 150 - 4660, 2540, 600));

    struct Case { Size page; PaperSelection expect; bool message; };
    const Case cases[] = {
        {{21000, 29700}, {1, 9, 0, 0}, false},
        {{29700, 21000}, {2, 9, 0, 0}, false},
        {{21015, 29700}, {1, 0, 2970, 2101}, true},
    };
    for (const Case& c : cases) {
        d->SetPageSize(c.page, d->m_margins);
        const std::size_t reports = local.errors.Reports().size();
        d->MatchPrinterPaper();
        EXPECT_EQ(printer.selected.back(), c.expect);
        EXPECT_EQ(local.errors.Reports().size(), reports + (c.message ? 1 : 0));
    }
    EXPECT_EQ(local.errors.Reports().back().stringId, 11041u);
}

TEST_F(SimpleObjectsTest, WithoutAPrinterANewPageTakesTheSystemsPaper) {
    const PrinterPageMetrics a4At600{4960, 7016, 150, 150, 600, 600, 4660, 6716};
    struct Case {
        const char* what;
        std::optional<PrinterPageMetrics> printer;
        std::optional<Size> systemPaper;
        Size page;
        std::int32_t leftMargin;
    };
    const Case cases[] = {
        {"the locale's A4", std::nullopt, Size{21000, 29700}, {21000, 29700}, 500},
        {"no system paper: US Letter", std::nullopt, std::nullopt, {21590, 27940}, 500},
        {"an empty system paper: US Letter", std::nullopt, Size{0, 29700}, {21590, 27940}, 500},
        {"a printer beats the system", a4At600, Size{14800, 21000}, {MulDiv(4960, 2540, 600), MulDiv(7016, 2540, 600)},
         MulDiv(150, 2540, 600)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePrinter printer;
        printer.metrics = c.printer;
        printer.systemPaper = c.systemPaper;
        test::TestServices local;
        local.services.printer = &printer;
        auto d = test::NewDocument(local.services);
        EXPECT_EQ(d->GetPageSize(), c.page);
        EXPECT_EQ(d->m_margins.left, c.leftMargin);
        EXPECT_TRUE(local.errors.Reports().empty());
    }
}

}  // namespace
}  // namespace kavitro
