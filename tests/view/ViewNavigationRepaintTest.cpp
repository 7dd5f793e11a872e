// Wheel scrolling, zooming that keeps the edited text in view, and partial
// repaints that leave nothing stale on the screen.

#include <gtest/gtest.h>

#include <QtGui/QImage>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/QtPainterDC.h"
#include "tests/support/DocumentView.h"
#include "view/CommandIds.h"
#include "view/CommandRegistry.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "view/ViewCommands.h"

namespace kavitro {
namespace {

struct NavigationFixture : ::testing::Test, test::DocumentView {

    void SetUp() override {
        CDrawTool::CurrentShape() = 0;
        GetViewCommandHooks() = {};
        env.settings[CApplicationProperties::ShowGrid] = 0;
        env.settings[CApplicationProperties::ShowPrintableArea] = 0;
        Open();
    }
    void TearDown() override {
        CDrawTool::CurrentShape() = 0;
        GetViewCommandHooks() = {};
    }

    // A selected text at the page's top-right corner, typed key by key at
    // a text size, with the page's corner in view.
    CDrawText* TypedText(std::u16string_view typed, std::int32_t size) {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        // KAVITRO_TEST_ARTWORK names another artwork folder (the derived
        // Nastaliq one, whose letters reach far out of their frame).
        const QByteArray other = qgetenv("KAVITRO_TEST_ARTWORK");
        const std::string dir = other.isEmpty() ? std::string(KAVITRO_SHARE_DIR) : other.toStdString();
        if (!fonts.IsInitialized()) fonts.Init(dir, 0);
        CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(dir) / "fonts");
        CPolygonRect at;
        at.m_rect = Rect(-3000, -5000, 0, 0);
        auto* text = new CDrawText(at, 0, doc.get());
        text->SetTextSize(size);
        doc->Add(text, true);
        view->Select(text, false, false);
        for (const char16_t c : typed) view->OnChar(c);
        view->ScrollToPosition({view->GetScrollInfo().limit.cx, 0});
        return text;
    }

    QImage PaintClient() {
        return view->Paint(Rect(0, 0, host.m_client.cx, host.m_client.cy)).copy();
    }

    // Pixels that changed between two full paints but lie outside every
    // rectangle the view invalidated: what a partial repaint leaves stale.
    int StalePixels(const QImage& before, const QImage& after, Rect& box) const {
        if (host.m_invalidateAll > 0) return 0;
        int stale = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                if (before.pixel(x, y) == after.pixel(x, y)) continue;
                bool covered = false;
                for (Rect r : host.m_invalidated) {
                    r.NormalizeRect();
                    covered = covered || r.PtInRect(Point{x, y});
                }
                if (covered) continue;
                if (stale++ == 0) box = Rect(x, y, x + 1, y + 1);
                box = Rect(std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1));
            }
        return stale;
    }
};

// --- Wheel ---------------------------------------------------------------------------------

TEST_F(NavigationFixture, WheelScrollsVerticallyShiftHorizontallyAtMostAClient) {
    host.m_client = {300, 200};
    view->UpdateScrollSizes();
    const ScrollInfo& s = view->GetScrollInfo();
    const Point middle{s.limit.cx / 2, s.limit.cy / 2};
    struct Case {
        std::uint32_t flags;
        std::int32_t delta;
        Size moved;
    };
    const Case cases[] = {
        {0, 120, {0, -3 * s.lineStep.cy}},            // one notch forward: up three lines
        {0, -240, {0, 6 * s.lineStep.cy}},            // two notches back: down six
        {MK_SHIFT, 120, {-3 * s.lineStep.cx, 0}},     // Shift: left
        {MK_SHIFT, -120, {3 * s.lineStep.cx, 0}},     // Shift: right
        {0, -120 * 1000, {0, host.m_client.cy}},      // a fling scrolls a client at most
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.flags << " " << c.delta);
        view->ScrollToPosition(middle);
        host.ClearRecords();
        EXPECT_TRUE(view->OnMouseWheel(c.flags, c.delta, Point{50, 50}));
        EXPECT_EQ(view->GetScrollInfo().position, (Point{middle.x + c.moved.cx, middle.y + c.moved.cy}));
        EXPECT_EQ(host.m_scroll.position, view->GetScrollInfo().position);
        EXPECT_EQ(host.PostsOf(NotifyMessage::UpdateRulers).size(), 1u);
        EXPECT_EQ(doc->GetZoom(), 100);
    }
    // At the top nothing scrolls further up.
    view->ScrollToPosition({middle.x, 0});
    EXPECT_FALSE(view->OnMouseWheel(0, 120, Point{50, 50}));
}

// --- Zoom ----------------------------------------------------------------------------------

TEST_F(NavigationFixture, TypedZoomKeepsTheCaretOrSelectionInView) {
    CCommandRegistry registry;
    RegisterViewCommands(registry);
    std::u16string zoomText;
    GetViewCommandHooks().comboText = [&](std::uint32_t) { return zoomText; };
    const Rect client(0, 0, host.m_client.cx, host.m_client.cy);
    auto inClient = [&](const Rect& r) { return client.PtInRect(Point{r.left, (r.top + r.bottom) / 2}); };

    TypedText(u"سلام دنیا", CDrawText::kDefaultSize);
    for (const char16_t* zoom : {u"400", u"1500", u"100"}) {
        SCOPED_TRACE(QString::fromStdU16String(zoom).toStdString());
        zoomText = zoom;
        ASSERT_TRUE(registry.Execute(ViewCommand::ZoomCombo, *view));
        const std::optional<Rect> caret = view->GetCaretRect();
        ASSERT_TRUE(caret);
        EXPECT_TRUE(inClient(*caret)) << caret->left << "," << caret->top;
    }
    // A selected object without a caret: its centre stays in view.
    view->Select(nullptr, false, false);
    CDrawRect* box = test::AddRect(*doc, test::Place(-2000, -2000, 500, 500));
    view->Select(box, false, false);
    zoomText = u"2000";
    ASSERT_TRUE(registry.Execute(ViewCommand::ZoomCombo, *view));
    const Rect device = view->DocToClient(view->GetSelection().GetBoundingRect());
    EXPECT_TRUE(client.PtInRect(Point{(device.left + device.right) / 2, (device.top + device.bottom) / 2}));

    // Nothing selected: the client's centre stays where it was.
    view->Select(nullptr, false, false);
    const Point centre{host.m_client.cx / 2, host.m_client.cy / 2};
    const Point under = view->ClientToDoc(centre);
    const Point document{doc->Logical(under.x), doc->Logical(under.y)};
    zoomText = u"1000";
    ASSERT_TRUE(registry.Execute(ViewCommand::ZoomCombo, *view));
    const Point after = view->DocToClient(Point{doc->Zoomed(document.x), doc->Zoomed(document.y)});
    EXPECT_NEAR(after.x, centre.x, 2);
    EXPECT_NEAR(after.y, centre.y, 2);
}

// --- Repaint ---------------------------------------------------------------------------------

// Every step of typing at a large size (tall letters, the kaf's stroke,
// Enter moving the selection to a new line, Backspace, deselecting): what
// changes on the screen lies inside what the view invalidated.
TEST_F(NavigationFixture, PartialRepaintsCoverTheInkAndTheHandlesOfEveryStep) {
    for (const int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        Renew();
        doc->SetDrawingMode(static_cast<std::uint16_t>(mode));
        TypedText(u"سلام ", 2000);
        struct Step {
            std::string name;
            std::function<void()> act;
        };
        std::vector<Step> steps;
        for (const char16_t c : std::u16string_view(u"کند لطف\rکل\b"))
            steps.push_back({"key " + std::to_string(c), [this, c] { view->OnChar(c); }});
        steps.push_back({"deselect", [this] { view->Select(nullptr, false, true); }});
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            const QImage before = PaintClient();
            host.ClearRecords();
            step.act();
            const QImage after = PaintClient();
            Rect box;
            const int stale = StalePixels(before, after, box);
            EXPECT_EQ(stale, 0) << "changed outside the invalidated area: " << box.left << "," << box.top << " - "
                                << box.right << "," << box.bottom;
        }
    }
}

// The text commands that change two selected lines at once (spacing, smart
// spacing, turning): their dashed frames, handles and ink, old and new, lie
// inside what the view invalidated.
TEST_F(NavigationFixture, TextCommandsOnTwoLinesRepaintTheirOldAndNewFrames) {
    CCommandRegistry registry;
    RegisterViewCommands(registry);
    for (const int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        Renew();
        doc->SetDrawingMode(static_cast<std::uint16_t>(mode));
        CDrawText* first = TypedText(u"دل گرچه درین\rیک موی", 1000);
        std::vector<CDrawText*> lines;
        for (CDrawObj* o : doc->ObjectsOnPage(0))
            if (auto* t = dynamic_cast<CDrawText*>(o)) lines.push_back(t);
        ASSERT_EQ(lines.size(), 2u);
        view->Select(first, false, false);
        view->Select(lines[0] == first ? lines[1] : lines[0], true, false);
        ASSERT_EQ(view->GetSelection().GetCount(), 2u);
        for (const std::uint32_t command : {ViewCommand::SmartSpacing, ViewCommand::AdjustSpacing,
                                            ViewCommand::RotateTextForward, ViewCommand::RotateTextBack}) {
            SCOPED_TRACE(command);
            const QImage before = PaintClient();
            host.ClearRecords();
            ASSERT_TRUE(registry.Execute(command, *view));
            const QImage after = PaintClient();
            EXPECT_NE(before, after);
            EXPECT_EQ(host.m_invalidateAll, 0);
            Rect box;
            const int stale = StalePixels(before, after, box);
            EXPECT_EQ(stale, 0) << "changed outside the invalidated area: " << box.left << "," << box.top << " - "
                                << box.right << "," << box.bottom;
        }
    }
}

}  // namespace
}  // namespace kavitro
