#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <stdexcept>
#include <string_view>
#include <typeinfo>

#include "engine/CalligraphyFont.h"
#include "platform/SpyDC.h"
#include "tests/support/DocumentView.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "view/tools/DrawTools.h"

namespace kavitro {
namespace {

using test::AddRect;
using test::Place;

// An object whose drawing and hit test fail, as a broken object would.
class ThrowingObj : public CDrawObj {
public:
    ThrowingObj(const CPolygonRect& at, CKavitroDoc* doc) : CDrawObj(at, 0, doc) {}
    void Draw(CDC&) override { throw std::runtime_error("cannot draw"); }
    bool IntersectsPoint(Point) override { throw std::runtime_error("cannot hit"); }
};

struct ViewFixture : ::testing::Test, test::DocumentView {

    void SetUp() override {
        CDrawTool::CurrentShape() = 0;
        Open();
    }
    void TearDown() override { CDrawTool::CurrentShape() = 0; }

    // Pixels per zoomed logical unit are fixed (0.01 mm at 96 dpi); one
    // pixel covers this many logical units.
    static constexpr int kUnitsPerPixel = 27;
};

// --- Coordinates and zoom ----------------------------------------------------------------

TEST_F(ViewFixture, SelectionRectangleRoundTripsAtEveryZoom) {
    CDrawRect* r = AddRect(*doc, Place(-15000, -20000, 4000, 2500));
    view->Select(r, false, false);
    const Rect stored(-15000, -20000, -11000, -17500);
    for (const int zoom : {10, 100, 5000}) {
        SCOPED_TRACE(zoom);
        view->SetZoom(zoom, Point{-13000, -18750});
        EXPECT_EQ(doc->GetZoom(), zoom);
        const Rect zoomed = view->GetSelection().GetBoundingRect();
        EXPECT_EQ(zoomed, Rect(MulDiv(stored.left, zoom, 100), MulDiv(stored.top, zoom, 100),
                               MulDiv(stored.right, zoom, 100), MulDiv(stored.bottom, zoom, 100)));
        EXPECT_EQ(doc->ZoomedToLogicalRect(zoomed), stored);

        // Device and back lands within a pixel; the size in pixels follows
        // the zoom (0.01 mm at 96 dpi).
        const Rect device = view->DocToClient(zoomed);
        Rect back = view->ClientToDoc(device);
        back.NormalizeRect();
        EXPECT_LE(std::abs(back.left - zoomed.left), kUnitsPerPixel);
        EXPECT_LE(std::abs(back.right - zoomed.right), kUnitsPerPixel);
        EXPECT_LE(std::abs(back.top - zoomed.top), kUnitsPerPixel);
        EXPECT_LE(std::abs(back.bottom - zoomed.bottom), kUnitsPerPixel);
        EXPECT_NEAR(device.Width(), 4000.0 * zoom / 100 * 96 / 2540, 1.0);
        EXPECT_NEAR(device.Height(), 2500.0 * zoom / 100 * 96 / 2540, 1.0);

        // The handle under the corner's pixel is hit: the view's conversions
        // and the object's hit test agree. Handle 1 is (left, top) with top
        // the smaller y, the lower-left corner on the screen.
        const Point corner = view->ClientToDoc(Point{device.left, device.bottom});
        EXPECT_EQ(view->GetSelection().HitTestHandle(corner, *view), 1);
    }
}

TEST_F(ViewFixture, PageIsPlacedFromTheRightWithItsMargin) {
    // At 100 % a Letter page is wider than the client: the scroll range
    // covers page and margins, the top-right end shows the page's corner.
    const ScrollInfo& s = view->GetScrollInfo();
    const double px = 96.0 / 2540;
    EXPECT_NEAR(s.limit.cx, (CKavitroDoc::kLetterWidth + 400) * px - host.m_client.cx, 1.0);
    EXPECT_NEAR(s.limit.cy, (CKavitroDoc::kLetterHeight + 400) * px - host.m_client.cy, 1.0);
    EXPECT_EQ(host.m_scroll, s);
    view->ScrollToPosition({s.limit.cx, 0});
    const Point corner = view->DocToClient(Point{0, 0});
    EXPECT_NEAR(corner.x, host.m_client.cx - 200 * px, 1.0);
    EXPECT_NEAR(corner.y, 200 * px, 1.0);

    // At zoom 10 the page is narrower than the client and is centred.
    view->SetZoom(10, Point{});
    EXPECT_EQ(view->GetScrollInfo().limit, (Size{0, 0}));
    const Rect page = view->DocToClient(Rect(doc->Zoomed(-doc->GetPageSize().cx), 0, 0, doc->Zoomed(-doc->GetPageSize().cy)));
    EXPECT_GT(page.left, 0);
    EXPECT_LT(page.right, host.m_client.cx);
}

// --- Scrolling ------------------------------------------------------------------------------

TEST_F(ViewFixture, ScrollingKeepsThePagePointUnderThePointer) {
    host.m_client = {300, 200};  // smaller than the page at 100 %
    view->UpdateScrollSizes();
    for (const int zoom : {100, 5000}) {
        SCOPED_TRACE(zoom);
        // Centring: the document point lands in the middle of the client.
        const Point p{-15000, -14000};
        view->SetZoom(zoom, p);
        const Point centre = view->DocToClient(Point{doc->Zoomed(p.x), doc->Zoomed(p.y)});
        EXPECT_NEAR(centre.x, host.m_client.cx / 2, 1);
        EXPECT_NEAR(centre.y, host.m_client.cy / 2, 1);

        // A drag by the hand scrolls by the pointer's movement: the page
        // point under the pointer follows it exactly.
        const Point pointer{100, 80};
        const Point under = view->ClientToDoc(pointer);
        const Point before = view->DocToClient(under);
        host.ClearRecords();
        ASSERT_TRUE(view->OnScrollBy(Size{40, -30}));
        EXPECT_EQ(view->DocToClient(under), (Point{before.x - 40, before.y + 30}));
        EXPECT_EQ(host.PostsOf(NotifyMessage::UpdateRulers).size(), 1u);
        EXPECT_EQ(host.m_scroll.position, view->GetScrollInfo().position);
    }
    // At the end of the range nothing scrolls and the rulers are not told.
    view->ScrollToPosition({view->GetScrollInfo().limit.cx, 0});
    host.ClearRecords();
    EXPECT_FALSE(view->OnScrollBy(Size{10, -10}));
    EXPECT_TRUE(host.PostsOf(NotifyMessage::UpdateRulers).empty());
}

TEST_F(ViewFixture, ScrollBarActionsAndTheFirstShowing) {
    // A new empty document opens at the page's top-right end and asks for
    // its first text object with one space.
    host.ClearRecords();
    view->OnInitialUpdate();
    const ScrollInfo& s = view->GetScrollInfo();
    EXPECT_EQ(s.position, (Point{s.limit.cx, 0}));
    const auto blocks = host.PostsOf(NotifyMessage::InsertTextBlock);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].text, u" ");
    EXPECT_EQ(blocks[0].lParam, 1);
    AddRect(*doc, Place(-5000, -5000, 100, 100));
    host.ClearRecords();
    view->OnInitialUpdate();
    EXPECT_TRUE(host.PostsOf(NotifyMessage::InsertTextBlock).empty());

    // Scroll-bar codes: low byte horizontal, high byte vertical.
    struct Case {
        std::uint32_t code;
        Point expected;
    };
    const Point start{s.limit.cx / 2, s.limit.cy / 2};
    for (const Case c : {Case{0x0800, {start.x - s.lineStep.cx, start.y}}, Case{0x0301, {start.x + s.lineStep.cx, start.y + s.pageStep.cy}},
                         Case{0x0706, {0, s.limit.cy}}, Case{0x0505, {7, 9}}, Case{0x0808, start}}) {
        view->ScrollToPosition(start);
        view->OnScroll(c.code, Point{7, 9});
        EXPECT_EQ(view->GetScrollInfo().position, c.expected) << std::hex << c.code;
    }
}

TEST_F(ViewFixture, FitModesShowThePageAndFollowResizes) {
    CDrawTool::CurrentShape() = 8;  // the hand gives way
    view->OnZoomFitPage();
    EXPECT_EQ(CDrawTool::CurrentShape(), 0);
    EXPECT_EQ(doc->GetZoom(), 56);  // min(800 / 831, 600 / 1071) of the Letter page with margins
    EXPECT_EQ(view->GetScrollInfo().limit, (Size{0, 0}));
    // Every resize re-zooms while the fit mode holds.
    host.m_client = {400, 300};
    view->OnSize(host.m_client);
    EXPECT_EQ(doc->GetZoom(), 28);
    view->OnZoomFitWidth();
    EXPECT_EQ(doc->GetZoom(), 48);
    EXPECT_EQ(view->GetScrollInfo().limit.cx, 0);
    EXPECT_GT(view->GetScrollInfo().limit.cy, 0);
}

TEST_F(ViewFixture, ResizeKeepsTheRightEdgeOfTheVisiblePart) {
    view->ScrollToPosition({1000, 0});
    const Point rightEdge = view->ClientToDoc(Point{host.m_client.cx, 0});
    host.m_client = {600, 600};
    view->OnSize(host.m_client);
    const Point after = view->DocToClient(rightEdge);
    EXPECT_NEAR(after.x, 600, 1);
}

// --- Selection ----------------------------------------------------------------------------------

// Every way an object leaves the document takes it out of every view's
// selection, before it is deleted (run under AddressSanitizer).
TEST_F(ViewFixture, EveryRemovalPathEmptiesEverySelection) {
    RecordingViewHost otherHost;
    CKavitroView other(*doc, otherHost);
    other.OnActivateView(true);
    enum class Path { Remove, RemoveDiscardingAdd, Delete, Purge, UndoAdd, UndoAddThenNewStep };
    for (const Path path : {Path::Remove, Path::RemoveDiscardingAdd, Path::Delete, Path::Purge, Path::UndoAdd,
                            Path::UndoAddThenNewStep}) {
        SCOPED_TRACE(static_cast<int>(path));
        CDrawRect* r = AddRect(*doc, Place(-5000, -5000, 1000, 1000));
        view->Select(r, false, false);
        other.Select(r, false, false);
        switch (path) {
            case Path::Remove: doc->Remove(r, false); break;
            case Path::RemoveDiscardingAdd: doc->Remove(r, true); break;
            case Path::Delete: EXPECT_TRUE(doc->DeleteObject(r)); break;
            case Path::Purge:
                r->m_position.m_rect = Rect(-5000, -5000, -5000, -5000);  // empty
                AddRect(*doc, Place(-9000, -9000, 100, 100));
                break;
            case Path::UndoAdd: EXPECT_TRUE(doc->UndoRedo(true, view.get())); break;
            case Path::UndoAddThenNewStep:
                EXPECT_TRUE(doc->UndoRedo(true, view.get()));
                AddRect(*doc, Place(-9000, -9000, 100, 100));  // the redo list and its object go
                break;
        }
        for (CKavitroView* v : {view.get(), &other}) {
            EXPECT_EQ(v->GetSelection().GetCount(), 0u);
            // Drawing and hit-testing the selection touch no freed object.
            CSpyDC spy;
            v->PrepareDC(spy);
            v->OnDraw(spy);
            EXPECT_EQ(v->GetSelection().HitTestHandle(Point{-5000, -5000}, *v), 0);
        }
        view->ClearSelection();
        other.ClearSelection();
    }
}

TEST_F(ViewFixture, SelectingPostsAndHandlesToggleInTheOverlay) {
    CDrawRect* a = AddRect(*doc, Place(-5000, -5000, 1000, 1000));
    CDrawRect* b = AddRect(*doc, Place(-8000, -9000, 1000, 2000));
    view->Select(a, false, false);
    view->Select(b, true, true);
    EXPECT_EQ(view->GetSelection().GetCount(), 2u);
    EXPECT_EQ(host.PostsOf(NotifyMessage::SelectionChanged).size(), 3u);  // emptied, a, b
    // Several objects: four handles on the common box, in handle order.
    const std::vector<Point> handles = view->GetSelection().GetHandlePoints();
    ASSERT_EQ(handles.size(), 4u);
    EXPECT_EQ(handles[0], (Point{-8000, -9000}));
    EXPECT_EQ(handles[2], (Point{-4000, -4000}));

    // Outline drawing mode: the handles are inverted in place; inverting
    // again removes them, and the log keeps every inversion.
    doc->SetDrawingMode(1);
    view->GetSelection().Invalidate(*view, false);
    EXPECT_EQ(view->GetOverlay().GetItems().size(), 4u);
    view->GetSelection().Invalidate(*view, false);
    EXPECT_TRUE(view->GetOverlay().IsEmpty());
    EXPECT_EQ(view->GetOverlay().GetLog().size(), 8u);
    // A handle square is 6 x 6 pixels around its point.
    const Rect first = view->GetOverlay().GetLog().front().device;
    EXPECT_EQ(first.Width(), 6);
    EXPECT_EQ(first.Height(), 6);
    EXPECT_EQ(first.CenterPoint(), view->DocToClient(handles[0]));
}

TEST_F(ViewFixture, EscapeAndTabFollowTheSelection) {
    CDrawRect* a = AddRect(*doc, Place(-5000, -5000, 1000, 1000));
    view->Select(a, false, false);
    view->GetSelection().m_component.m_point = 0;  // a vowel point named
    view->OnChar(27);
    EXPECT_EQ(view->GetSelection().GetCount(), 1u);
    EXPECT_FALSE(view->GetSelection().HasComponent());
    view->OnChar(27);
    EXPECT_EQ(view->GetSelection().GetCount(), 0u);

    struct Case {
        std::int32_t from, to;
    };
    for (const Case c : {Case{0, 1}, Case{1, 0}, Case{10, 0}, Case{6, 6}}) {
        CDrawTool::CurrentShape() = c.from;
        view->OnChar(9);
        EXPECT_EQ(CDrawTool::CurrentShape(), c.to) << c.from;
    }
    // An inactive view takes no input.
    view->OnActivateView(false);
    CDrawTool::CurrentShape() = 0;
    view->OnChar(9);
    EXPECT_EQ(CDrawTool::CurrentShape(), 0);
}

// --- Drawing --------------------------------------------------------------------------------------

TEST_F(ViewFixture, FailingObjectIsReportedOnceAndTheRestIsDrawn) {
    doc->Add(new ThrowingObj(Place(-6000, -6000, 1000, 1000), doc.get()), true);
    AddRect(*doc, Place(-3000, -3000, 1000, 1000));
    view->ScrollToPosition({view->GetScrollInfo().limit.cx, 0});
    for (int paint = 0; paint < 2; ++paint) {
        CSpyDC spy;
        view->PrepareDC(spy);
        view->OnDraw(spy);
        // The rectangle after the failing object is still drawn.
        EXPECT_NE(spy.Joined().find("Rectangle -3000,-3000,-2000,-2000"), std::string::npos) << spy.Joined();
    }
    ASSERT_EQ(env.errors.Reports().size(), 1u);
    EXPECT_EQ(env.errors.Reports()[0].text, u"cannot draw");

    // An input handler catches too.
    view->OnContextMenu(view->DocToClient(Point{-5500, -5500}));
    EXPECT_EQ(env.errors.Reports().size(), 2u);
    EXPECT_TRUE(host.m_popups.empty());
}

TEST_F(ViewFixture, GridSpacingIsThinnedAndSkippedWithoutSpacing) {
    struct Case {
        int frequency, zoom;
        std::int32_t spacing;  // document units between dots, 0 for none
    };
    for (const Case c : {Case{1, 10, 500}, Case{10, 10, 1000}, Case{10, 100, 1000}, Case{0, 100, 0}, Case{-5, 100, 0}}) {
        SCOPED_TRACE(testing::Message() << c.frequency << " at " << c.zoom);
        env.settings[CApplicationProperties::GridHorizontalFreq] = c.frequency;
        env.settings[CApplicationProperties::GridVerticalFreq] = c.frequency;
        view->SetZoom(c.zoom, Point{-10000, -10000});
        const CKavitroView::GridDots grid = view->ComputeGrid();
        if (c.spacing == 0) {
            EXPECT_TRUE(grid.points.empty());
            CSpyDC spy;
            view->PrepareDC(spy);
            view->DrawGrid(spy);  // returns, never divides by zero
            continue;
        }
        ASSERT_GE(grid.points.size(), 2u);
        std::set<std::int32_t> xs;
        for (std::size_t i = 0; i < grid.points.size(); i += 7) {
            const std::int32_t x = doc->Logical(view->ClientToDoc(grid.points[i]).x);
            xs.insert(x);
            const std::int32_t off = std::abs(x % c.spacing);
            EXPECT_LE(std::min(off, c.spacing - off), kUnitsPerPixel * 100 / c.zoom) << x;
        }
        EXPECT_GE(xs.size(), 2u);
    }
}

TEST_F(ViewFixture, PaintsBackgroundPaperAndObjectsIntoTheBackBuffer) {
    env.settings[CApplicationProperties::ShowGrid] = 0;
    CDrawRect* r = AddRect(*doc, Place(-5000, -5000, 2000, 2000));
    r->m_logbrush.color = 0x0000FF;  // red, as 0x00BBGGRR
    view->SetZoom(100, Point{-4000, -4000});
    const Rect all(0, 0, host.m_client.cx, host.m_client.cy);
    const QImage& image = view->Paint(all);
    ASSERT_EQ(image.width(), host.m_client.cx);
    const Point inside = view->DocToClient(Point{-4000, -4000});
    EXPECT_EQ(image.pixel(inside.x, inside.y) & 0xFFFFFF, 0xFF0000u);
    const Point paper = view->DocToClient(Point{-8000, -8000});
    EXPECT_EQ(image.pixel(paper.x, paper.y) & 0xFFFFFF, 0xFFFFFFu);
    // A part of the client drawn alone matches the whole.
    const Rect part(inside.x - 10, inside.y - 10, inside.x + 10, inside.y + 10);
    const QImage piece = view->Paint(part).copy();
    const QImage whole = view->Paint(all).copy(part.left, part.top, 20, 20);
    EXPECT_EQ(piece, whole);
}

// --- Typing and the caret -------------------------------------------------------------------------

TEST_F(ViewFixture, TypedCharactersReachTheOneSelectedTextAndTheCaretFollows) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
    // The rectangle first: adding purges empty objects, an empty text too.
    CDrawRect* r = AddRect(*doc, Place(-9000, -9000, 500, 500));
    CPolygonRect at;
    at.m_rect = Rect(-3000, -5000, 0, 0);
    auto* text = new CDrawText(at, 0, doc.get());
    doc->Add(text, true);

    // Two objects selected: the key goes nowhere.
    view->Select(text, false, false);
    view->Select(r, true, false);
    view->OnChar(u'س');
    EXPECT_EQ(text->m_nCaret, 0);

    view->Select(text, false, false);
    const std::uint32_t action = CObjectsBuffer::GetActionIdCounter();
    for (const char16_t c : std::u16string_view(u"سلام")) view->OnChar(c);
    EXPECT_EQ(text->m_nCaret, 4);
    EXPECT_EQ(CObjectsBuffer::GetActionIdCounter(), action + 4);  // one undo step per key

    view->UpdateCaret(true);
    ASSERT_TRUE(host.m_caret.has_value());
    EXPECT_EQ(host.m_caret->Width(), 1);
    EXPECT_GT(host.m_caret->Height(), 0);
    // Without the focus there is no caret.
    host.m_focus = false;
    view->UpdateCaret(true);
    EXPECT_FALSE(host.m_caret.has_value());
}

// Several selected texts share one box with four handles: the box of their
// frames, around the ink, not of their layout rectangles an ascent lower.
TEST_F(ViewFixture, SeveralSelectedTextsAreBoxedByTheirFrames) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
    std::vector<CDrawText*> texts;
    for (const Point p : {Point{-2000, -5000}, Point{-9000, -8000}}) {
        CPolygonRect at;
        at.m_rect = Rect(p.x, p.y, 0, 0);
        auto* text = new CDrawText(at, 0, doc.get());
        doc->Add(text, true);
        view->Select(text, false, false);
        for (const char16_t c : std::u16string_view(u"سلام")) view->OnChar(c);
        texts.push_back(text);
    }
    view->Select(texts[0], true, false);
    ASSERT_EQ(view->GetSelection().GetCount(), 2u);
    std::int32_t left = 0, right = 0, low = 0, high = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        CPolygonRect frame;
        texts[i]->GetZoomedPosition(frame);
        const Rect& b = frame.m_bounds;
        const auto [l, r] = std::minmax(b.left, b.right);
        const auto [lo, hi] = std::minmax(b.top, b.bottom);
        left = i ? std::min(left, l) : l, right = i ? std::max(right, r) : r;
        low = i ? std::min(low, lo) : lo, high = i ? std::max(high, hi) : hi;
    }
    const std::vector<Point> handles = view->GetSelection().GetHandlePoints();
    ASSERT_EQ(handles.size(), 4u);
    EXPECT_EQ(handles[0], (Point{left, low}));
    EXPECT_EQ(handles[2], (Point{right, high}));
}

// A one-line text's caret stands in its own line at every size and angle:
// no taller than the distance Enter puts between two lines, mostly over the
// baseline where the writing is, so that it never reaches into the line
// below.
TEST_F(ViewFixture, CaretOfAOneLineTextStaysInItsLine) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
    struct Case {
        std::int32_t size;
        std::int32_t zoom;
    };
    std::int32_t left = -2000;
    for (const Case c : {Case{250, 100}, Case{500, 100}, Case{1500, 100}, Case{500, 300}}) {
        SCOPED_TRACE(testing::Message() << c.size << " at " << c.zoom << "%");
        view->SetZoom(c.zoom, Point{-5000, -9000});
        CPolygonRect at;
        at.m_rect = Rect(MulDiv(left, c.zoom, 100), MulDiv(-9000, c.zoom, 100), 0, 0);
        left -= 6000;
        auto* text = new CDrawText(at, 0, doc.get());
        doc->Add(text, true);
        text->m_nSize = c.size;
        view->Select(text, false, false);
        for (const char16_t ch : std::u16string_view(u"دل گرچه")) view->OnChar(ch);
        view->UpdateCaret(true);
        ASSERT_TRUE(host.m_caret.has_value());
        const Rect caret = *host.m_caret;
        const std::int32_t base = view->DocToClient(text->GetZoomedBaselinePoint()).y;
        const std::int32_t zoomedSize = MulDiv(c.size, c.zoom, 100);
        const Rect pitch = view->DocToClient(Rect(0, 0, 1, MulDiv(fonts.GetLineHeight(), zoomedSize, 2160)));
        const Rect ascent = view->DocToClient(Rect(0, 0, 1, MulDiv(fonts.GetAscent(), zoomedSize, 2160)));
        EXPECT_EQ(caret.Width(), 1);
        EXPECT_LE(caret.Height(), std::abs(pitch.Height()) + 1);
        // Screen y points down: the ascent part lies above the baseline.
        EXPECT_NEAR(caret.top, base - std::abs(ascent.Height()), 1);
        EXPECT_LE(caret.bottom, base + std::abs(pitch.Height()) - std::abs(ascent.Height()) + 1);
        view->ClearSelection();
    }
}

// --- Tools --------------------------------------------------------------------------------------

TEST(DrawToolRegistry, HoldsTheThirtyFourToolsInListOrder) {
    const std::vector<CDrawTool*>& tools = CDrawTool::Tools();
    ASSERT_EQ(tools.size(), 34u);
    const std::vector<std::int32_t> firstShapes = {0, 1, 6, 7, 8, 9, 10, 2, 3, 4, 5, 11, 12, 13, 14};
    for (std::size_t i = 0; i < firstShapes.size(); ++i) EXPECT_EQ(tools[i]->GetShape(), firstShapes[i]) << i;
    std::set<std::int32_t> shapes;
    for (const CDrawTool* t : tools) shapes.insert(t->GetShape());
    EXPECT_EQ(shapes.size(), 34u);
    EXPECT_EQ(*shapes.rbegin(), 33);

    struct Case {
        std::int32_t shape;
        const std::type_info& type;
        bool reverts;
        std::int32_t ctrlClick;
        std::uint32_t cursor;  // 0 for a system cursor
    };
    const Case cases[] = {
        {0, typeid(CSelectTool), true, 1, 0},
        {1, typeid(CSelectTextComponentsTool), false, 1, 10204},
        {6, typeid(CZoomTool), false, 6, 10202},
        {8, typeid(CHandTool), false, 8, 10201},
        {9, typeid(CObjectPictureTool), true, 9, 0},
        {10, typeid(CObjectTextTool), true, 10, 10200},
        {5, typeid(CRectTool), true, 5, 10205},
        {13, typeid(CTextModificationTool), false, 1, 163},
        {14, typeid(CVowelsTool), false, 14, 133},
        {18, typeid(CVowelsTool), false, 18, 24002},
        {33, typeid(CVowelsTool), false, 33, 160},
    };
    for (const Case& c : cases) {
        const CDrawTool* t = CDrawTool::FindTool(c.shape);
        ASSERT_NE(t, nullptr) << c.shape;
        EXPECT_EQ(typeid(*t), c.type) << c.shape;
        EXPECT_EQ(t->RevertsToSelection(), c.reverts) << c.shape;
        EXPECT_EQ(t->GetCtrlClickShape(), c.ctrlClick) << c.shape;
        EXPECT_EQ(t->GetCursor().resourceId, c.cursor) << c.shape;
    }
    EXPECT_EQ(dynamic_cast<const CTextModificationTool&>(*CDrawTool::FindTool(12)).GetModificationCode(), 65431u);
    EXPECT_EQ(CDrawTool::FindTool(34), nullptr);
}

TEST_F(ViewFixture, InputGoesToTheCurrentToolOrIsDropped) {
    view->OnLButtonDown(0, Point{100, 100});
    EXPECT_TRUE(host.m_capture);
    EXPECT_EQ(CDrawTool::PressPoint(), (Point{100, 100}));
    view->OnLButtonUp(0, Point{120, 100});
    EXPECT_FALSE(host.m_capture);

    // A shape no tool carries drops the input.
    CDrawTool::CurrentShape() = 99;
    view->OnLButtonDown(0, Point{5, 5});
    EXPECT_FALSE(host.m_capture);
    EXPECT_EQ(CDrawTool::PressPoint(), (Point{100, 100}));

    // Ctrl+wheel borrows a zoom tool and leaves the current shape alone;
    // without Ctrl the wheel does nothing.
    CDrawTool::CurrentShape() = 3;
    EXPECT_TRUE(view->OnMouseWheel(MK_CONTROL, 120, Point{50, 60}));
    EXPECT_EQ(CDrawTool::CurrentShape(), 3);
    EXPECT_EQ(CDrawTool::PressPoint(), (Point{50, 60}));
    EXPECT_EQ(doc->GetZoom(), 200);  // one zoom-in click
    EXPECT_FALSE(view->OnMouseWheel(0, 120, Point{1, 1}));
    view->SetZoom(100, Point{});

    // Arrow keys move the selection by 100 zoomed units (y up).
    CDrawTool::CurrentShape() = 0;
    CDrawRect* r = AddRect(*doc, Place(-5000, -5000, 1000, 1000));
    view->Select(r, false, false);
    const std::uint32_t action = CObjectsBuffer::GetActionIdCounter();
    view->OnKeyDown(VK_UP);
    view->OnKeyDown(VK_LEFT);
    EXPECT_EQ(r->m_position.m_rect, Rect(-5100, -4900, -4100, -3900));
    EXPECT_EQ(CObjectsBuffer::GetActionIdCounter(), action + 2);
}

}  // namespace
}  // namespace kavitro
