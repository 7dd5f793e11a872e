// The drawing tools driven by synthetic mouse sequences through the view:
// what each leaves in the document, in the selection and in the undo list,
// and that none keeps the mouse captured.

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "tests/support/DocumentView.h"
#include "view/KavitroView.h"
#include "view/tools/DrawTools.h"

namespace kavitro {
namespace {

using test::AddRect;
using test::Place;
using Action = CObjectsBuffer::CAction;

// The document in the form of the dump tool, one line per object in z-order,
// guide lines last.
std::string Dump(const CKavitroDoc& doc) {
    std::string s;
    auto line = [&s](const CDrawObj& o) {
        const Rect& r = o.m_position.m_rect;
        s += std::string(o.GetRuntimeClass()->m_lpszClassName) + " page " + std::to_string(o.m_nPage) + " [" +
             std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
             std::to_string(r.bottom) + "] angle " + std::to_string(o.m_position.m_nAngle);
        if (const auto* rect = dynamic_cast<const CDrawRect*>(&o))
            s += " shape " + std::to_string(rect->m_nShape);
        if (const auto* text = dynamic_cast<const CDrawText*>(&o)) {
            s += " size " + std::to_string(text->m_nSize) + " colour " + std::to_string(text->m_color) + " words";
            for (const CCalligraphyWord& w : text->m_paragraph.m_words) {
                s += " " + std::to_string(w.m_x) + "/" + std::to_string(w.m_y) + ":";
                for (const CCalligraphyCharacter& c : w.m_characters)
                    s += std::to_string(c.m_code) + "." + std::to_string(c.m_flags) + "." + std::to_string(c.m_glyph) +
                         "." + std::to_string(c.m_markDx) + "." + std::to_string(c.m_markDy) + " ";
            }
            s += "points";
            for (const CCalligraphyPoint& p : text->m_paragraph.m_points)
                s += " " + std::to_string(p.m_sign) + "@" + std::to_string(p.m_x) + "," + std::to_string(p.m_y);
        }
        s += "\n";
    };
    for (const CDrawObj* o : doc.m_objects.m_objects)
        line(*o);
    for (const CDrawObj* g : doc.m_guideLines)
        line(*g);
    return s;
}

struct Step {
    enum Kind { Down, Move, Up, DblClk } kind;
    Point at;  // client pixels
    std::uint32_t flags = 0;
};

std::vector<Step> Click(Point p, std::uint32_t flags = 0) { return {{Step::Down, p, flags}, {Step::Up, p, flags}}; }
std::vector<Step> Drag(Point from, Point to, std::uint32_t flags = 0) {
    const Point mid{(from.x + to.x) / 2, (from.y + to.y) / 2};
    return {{Step::Down, from, flags}, {Step::Move, mid, flags}, {Step::Move, to, flags}, {Step::Up, to, flags}};
}

struct ToolFixture : ::testing::Test, test::DocumentView {
    // A below B, overlapping in (-8000..-7000, -6000..-5000).
    CDrawRect* a = AddRect(*doc, Place(-9000, -7000, 2000, 2000));
    CDrawRect* b = AddRect(*doc, Place(-8000, -6000, 2000, 2000));
    static constexpr Point kInA{-8700, -6700};
    static constexpr Point kInAB{-7500, -5500};
    static constexpr Point kEmpty{-12000, -9000};

    void SetUp() override {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized())
            fonts.Init(KAVITRO_SHARE_DIR, 0);
        CDrawTool::CurrentShape() = 0;
        CDrawTool::ShapeBeforeZoom() = 0;
        CObjectTextTool::SetRibbonQuery({});
        Open();
        view->ScrollToCentre(Point{-8000, -6000});
        // The tools are process-wide: a hover over nothing forgets what an
        // earlier test left (a hovered guide line).
        view->OnMouseMove(0, Point{1, 1});
    }
    void TearDown() override {
        EXPECT_FALSE(host.m_capture) << "a tool kept the mouse";
        CDrawTool::CurrentShape() = 0;
        CObjectTextTool::SetRibbonQuery({});
    }

    // Client pixels of a document point, and back (document units at 100 %).
    Point Px(Point d) const { return view->DocToClient(Point{doc->Zoomed(d.x), doc->Zoomed(d.y)}); }
    Point Doc(Point device) const {
        const Point l = view->ClientToDoc(device);
        return {doc->Logical(l.x), doc->Logical(l.y)};
    }
    void Run(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            switch (s.kind) {
            case Step::Down: view->OnLButtonDown(s.flags, s.at); break;
            case Step::Move: view->OnMouseMove(s.flags, s.at); break;
            case Step::Up: view->OnLButtonUp(s.flags, s.at); break;
            case Step::DblClk: view->OnLButtonDblClk(s.flags, s.at); break;
            }
        }
    }
    void SelectOnly(std::initializer_list<CDrawObj*> objects) {
        view->ClearSelection();
        for (CDrawObj* o : objects)
            view->Select(o, true, false);
    }
    std::string Selected() const {
        std::string s;
        for (const CDrawObj* o : view->GetSelection().GetObjects())
            s += o == a ? "A" : o == b ? "B" : "?";
        return s;
    }
    std::size_t UndoCount() const { return doc->m_objects.m_undo.size(); }
    bool RubberBandShown() const {
        for (const CViewOverlay::Item& item : view->GetOverlay().GetItems())
            if (item.kind == CViewOverlay::Kind::RubberBand)
                return true;
        return false;
    }
    // A text with a typed word, selected alone.
    CDrawText* AddTypedText() {
        CPolygonRect at;
        at.m_rect = Rect(-3000, -5000, 0, 0);
        auto* text = new CDrawText(at, 0, doc.get());
        doc->Add(text, true);
        view->Select(text, false, false);
        for (const char16_t c : std::u16string_view(u"سلام"))
            view->OnChar(c);
        return text;
    }
    // A client pixel over one of the text's components (letters only when
    // asked), scanning the text's area pixel by pixel (the hit test wants
    // ink); none found fails the test.
    Point PixelOverComponent(CDrawText& text, bool letters, std::vector<CTextComponentSelection>* found = nullptr) {
        Rect box = view->DocToClient(text.BuildZoomedPosition().m_bounds);
        for (std::int32_t y = box.top; y <= box.bottom; ++y) {
            for (std::int32_t x = box.left; x <= box.right; ++x) {
                std::vector<CTextComponentSelection> components;
                text.FindComponentsAt(view.get(), components, Point{x, y}, letters);
                if (components.empty())
                    continue;
                if (found)
                    *found = components;
                return {x, y};
            }
        }
        ADD_FAILURE() << "no component under any pixel of the text";
        return {};
    }
};

// --- Select tool -------------------------------------------------------------------------------

TEST_F(ToolFixture, SelectToolPicksCyclesAndNetsWithoutChangingTheDocument) {
    struct Case {
        const char* name;
        std::vector<CDrawObj*> before;
        std::vector<Step> steps;
        const char* after;
    };
    const Point inA = Px(kInA), inAB = Px(kInAB), empty = Px(kEmpty);
    const Case cases[] = {
        {"click picks", {}, Click(inA), "A"},
        {"click picks the topmost", {}, Click(inAB), "B"},
        {"click on the selected cycles below", {b}, Click(inAB), "A"},
        {"cycling wraps to the top", {a}, Click(inAB), "B"},
        {"shift-click leaves the selection", {a, b}, Click(inA, MK_SHIFT), "B"},
        {"click on nothing empties", {a, b}, Click(empty), ""},
        {"shift-click on nothing keeps", {a}, Click(empty, MK_SHIFT), "A"},
        {"rubber band", {}, Drag(empty, Px({-5500, -3500})), "AB"},
        {"a drag from an unselected object only selects it", {}, Drag(inA, {inA.x + 20, inA.y}), "A"},
        {"shift double click leaves the selection", {a}, {{Step::DblClk, inA, MK_SHIFT}}, ""},
    };
    const std::string original = Dump(*doc);
    const std::size_t undo = UndoCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SelectOnly({});
        for (CDrawObj* o : c.before)
            view->Select(o, true, false);
        Run(c.steps);
        EXPECT_EQ(Selected(), c.after);
        EXPECT_EQ(Dump(*doc), original);
        EXPECT_EQ(UndoCount(), undo);
        EXPECT_FALSE(RubberBandShown());
        EXPECT_FALSE(host.m_capture);
        EXPECT_EQ(CDrawTool::CurrentShape(), 0);
    }
}

TEST_F(ToolFixture, SelectToolMovesAndResizesAsOneUndoStep) {
    RecordingViewHost otherHost;
    CKavitroView other(*doc, otherHost);
    const std::string original = Dump(*doc);
    struct Case {
        const char* name;
        std::vector<CDrawObj*> selected;
        Point from, to;  // document points
        // Expected rectangles of A and B from the drag's document delta and
        // its end.
        Rect (*expectA)(Point d, Point end);
        Rect (*expectB)(Point d, Point end);
    };
    const Case cases[] = {
        {"move",
         {a},
         kInA,
         {-8200, -7100},
         [](Point d, Point) { return Rect(-9000 + d.x, -7000 + d.y, -7000 + d.x, -5000 + d.y); },
         [](Point, Point) { return Rect(-8000, -6000, -6000, -4000); }},
        {"handle 1 of one object",
         {a},
         {-9000, -7000},
         {-9500, -7600},
         [](Point, Point end) { return Rect(end.x, end.y, -7000, -5000); },
         [](Point, Point) { return Rect(-8000, -6000, -6000, -4000); }},
        // Two objects scale about the corner opposite the handle (handle 2,
        // the right end of the smaller y: anchor (-9000, -4000)) by the
        // width change over the width of 3000.
        {"handle 2 of two objects",
         {a, b},
         {-6000, -7000},
         {-5400, -7000},
         [](Point d, Point) {
             const double f = 1.0 + d.x / 3000.0;
             return Rect(-9000, -4000 + static_cast<int>(-3000 * f), -9000 + static_cast<int>(2000 * f),
                         -4000 + static_cast<int>(-1000 * f));
         },
         [](Point d, Point) {
             const double f = 1.0 + d.x / 3000.0;
             return Rect(-9000 + static_cast<int>(1000 * f), -4000 + static_cast<int>(-2000 * f),
                         -9000 + static_cast<int>(3000 * f), -4000);
         }},
    };
    // Drawing mode 1 drags outlines and handles in the inverting overlay;
    // the release leaves none of them behind.
    for (const std::uint16_t mode : {0, 1})
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << " in drawing mode " << mode);
            doc->SetDrawingMode(mode);
            SelectOnly({});
            for (CDrawObj* o : c.selected)
                view->Select(o, true, false);
            const std::size_t undo = UndoCount();
            otherHost.ClearRecords();
            const Point from = Px(c.from), to = Px(c.to);
            const Point d{Doc(to).x - Doc(from).x, Doc(to).y - Doc(from).y};
            Run(Drag(from, to));
            for (const auto& [object, expected] :
                 {std::pair{a, c.expectA(d, Doc(to))}, std::pair{b, c.expectB(d, Doc(to))}}) {
                const Rect& r = object->m_position.m_rect;
                EXPECT_NEAR(r.left, expected.left, 2);
                EXPECT_NEAR(r.top, expected.top, 2);
                EXPECT_NEAR(r.right, expected.right, 2);
                EXPECT_NEAR(r.bottom, expected.bottom, 2);
            }
            EXPECT_EQ(Selected().size(), c.selected.size());
            // Every record of the drag is in one group; the other view repaints.
            ASSERT_GT(UndoCount(), undo);
            EXPECT_EQ(doc->m_objects.m_undo.back()->m_nGroup,
                      (*std::next(doc->m_objects.m_undo.begin(), undo))->m_nGroup);
            EXPECT_GT(otherHost.m_invalidated.size() + otherHost.m_invalidateAll, 0u);
            EXPECT_TRUE(view->GetOverlay().IsEmpty());
            ASSERT_TRUE(doc->UndoRedo(true, view.get()));
            EXPECT_EQ(Dump(*doc), original);
        }
}

TEST_F(ToolFixture, ClickWithASelectionOffThePageStartsFromTheTop) {
    // The one selected object lies on another page at the same place.
    CDrawRect* elsewhere = AddRect(*doc, Place(-9000, -7000, 2000, 2000), 1);
    SelectOnly({elsewhere});
    Run(Click(Px(kInA)));
    EXPECT_EQ(Selected(), "A");
    EXPECT_TRUE(env.errors.Reports().empty());
}

TEST_F(ToolFixture, GuideLineIsDraggedAndDeletedByDraggingItOut) {
    RecordingViewHost otherHost;
    CKavitroView other(*doc, otherHost);
    CDrawGuideLine* guide = doc->AddGuideline(view.get(), 1, -3000);
    const Rect start = guide->m_position.m_rect;
    const Point on = Px({-3000, -6000});

    // Hovering shows the guide's cursor; the drag moves it across only.
    view->OnMouseMove(0, on);
    EXPECT_EQ(host.m_cursor.first, ViewCursor::SizeWE);
    // A double click on it opens the page properties.
    view->OnLButtonDblClk(0, on);
    EXPECT_EQ(host.m_dialogs, std::vector<std::uint32_t>{CSelectTool::kPagePropertiesCommand});
    Run(Drag(on, {on.x + 10, on.y + 7}));
    const std::int32_t dx = Doc({on.x + 10, on.y}).x - Doc(on).x;
    EXPECT_NEAR(guide->m_position.m_rect.left, start.left + dx, 1);
    EXPECT_EQ(guide->m_position.m_rect.top, start.top);
    EXPECT_EQ(view->m_pDraggedGuide, nullptr);

    // Out of the window: gone, no view keeps it, every view repaints.
    const Point moved{on.x + 10, on.y};
    view->OnMouseMove(0, moved);
    view->OnLButtonDown(0, moved);
    EXPECT_EQ(view->m_pDraggedGuide, guide);
    other.m_pDraggedGuide = guide;
    host.ClearRecords();
    otherHost.ClearRecords();
    const Point outside{host.m_client.cx + 30, moved.y};
    view->OnMouseMove(0, outside);
    view->OnLButtonUp(0, outside);
    EXPECT_TRUE(doc->m_guideLines.empty());
    EXPECT_EQ(view->m_pDraggedGuide, nullptr);
    EXPECT_EQ(other.m_pDraggedGuide, nullptr);
    EXPECT_GT(host.m_invalidateAll, 0);
    EXPECT_GT(otherHost.m_invalidateAll, 0);
    view->OnMouseMove(0, outside);  // nothing left to touch (AddressSanitizer)
}

// --- Object tools ------------------------------------------------------------------------------

TEST_F(ToolFixture, ObjectToolsCreateByDragAndNothingByClick) {
    const std::string original = Dump(*doc);
    struct Case {
        std::int32_t shape;
        const char* className;
        std::int32_t kind;  // rectangle kind, -1 for a line
    };
    const Case cases[] = {{2, "CDrawLine", -1}, {3, "CDrawRect", 0}, {4, "CDrawRect", 1}, {5, "CDrawRect", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        // A drag makes the object, sized from press to release, selected,
        // as one undo step.
        CDrawTool::CurrentShape() = c.shape;
        const std::size_t undo = UndoCount();
        const Point from = Px(kEmpty), to = Px({-10000, -8000});
        Run(Drag(from, to));
        ASSERT_EQ(doc->m_objects.m_objects.size(), 3u);
        CDrawObj* made = doc->m_objects.m_objects.back();
        EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, c.className);
        if (c.kind >= 0) {
            EXPECT_EQ(dynamic_cast<CDrawRect&>(*made).m_nShape, static_cast<std::uint32_t>(c.kind));
        }
        Rect r = made->m_position.m_rect;
        r.NormalizeRect();
        Rect expected(Doc(from), Doc(to));
        expected.NormalizeRect();
        EXPECT_EQ(r, expected);
        EXPECT_EQ(view->GetSelection().GetObjects(), std::vector<CDrawObj*>{made});
        EXPECT_EQ(CDrawTool::CurrentShape(), 0);
        EXPECT_EQ(UndoCount(), undo + 1);
        ASSERT_TRUE(doc->UndoRedo(true, view.get()));
        EXPECT_EQ(Dump(*doc), original);
        doc->m_objects.ClearRedo();

        // A click makes nothing, keeps the modified state and selects what
        // lies under it.
        doc->SetModifiedFlag(false);
        CDrawTool::CurrentShape() = c.shape;
        Run(Click(Px(kInA)));
        EXPECT_EQ(Dump(*doc), original);
        EXPECT_EQ(UndoCount(), undo);
        EXPECT_FALSE(doc->IsModified());
        EXPECT_EQ(Selected(), "A");
        EXPECT_EQ(CDrawTool::CurrentShape(), 0);
    }
}

TEST_F(ToolFixture, ClickMadeObjectNeverDropsAnotherStepsRecord) {
    // Something records a step between the press and the release: the
    // click still makes nothing, and that step's record stays.
    CDrawTool::CurrentShape() = 3;
    const Point at = Px(kEmpty);
    view->OnLButtonDown(0, at);
    CDrawObj* made = doc->m_objects.m_objects.back();
    doc->ChangeZOrder(a, 3);
    view->OnLButtonUp(0, at);
    EXPECT_FALSE(doc->m_objects.Contains(made));
    bool zOrderKept = false;
    for (const auto& action : doc->m_objects.m_undo)
        zOrderKept |= action->m_nKind == Action::ChangeZOrder;
    EXPECT_TRUE(zOrderKept);
    EXPECT_EQ(doc->m_objects.m_undo.back()->m_nKind, Action::RemoveObject);
    ASSERT_TRUE(doc->UndoRedo(true, view.get()));  // the removal undoes cleanly
}

TEST_F(ToolFixture, PictureToolSizesTheInsertedPictureOrDiscardsItOnAClick) {
    const std::string original = Dump(*doc);
    const std::size_t undo = UndoCount();
    auto insert = [&] {
        CPolygonRect at;
        at.SetAngle(0);
        auto* picture = new CDrawPicture(at, 0, doc.get());
        doc->Add(picture, true);
        view->Select(picture, false, false);
        CDrawTool::CurrentShape() = 9;
        return picture;
    };
    CDrawPicture* picture = insert();
    Run(Drag(Px(kEmpty), Px({-10000, -8000})));
    ASSERT_TRUE(doc->m_objects.Contains(picture));
    EXPECT_FALSE(picture->IsEmpty());
    EXPECT_EQ(CDrawTool::CurrentShape(), 0);

    doc->UndoRedo(true, view.get());  // the sizing
    doc->UndoRedo(true, view.get());  // the insertion
    doc->m_objects.ClearRedo();
    ASSERT_EQ(Dump(*doc), original);
    doc->SetModifiedFlag(false);
    picture = insert();
    const bool modifiedByInsert = doc->IsModified();
    Run(Click(Px(kInA)));
    EXPECT_FALSE(doc->m_objects.Contains(picture));
    EXPECT_EQ(Dump(*doc), original);
    EXPECT_EQ(UndoCount(), undo);
    EXPECT_EQ(doc->IsModified(), modifiedByInsert);
    EXPECT_EQ(Selected(), "A");

    // Without an inserted picture the tool places nothing.
    SelectOnly({b});
    CDrawTool::CurrentShape() = 9;
    Run(Drag(Px(kEmpty), Px({-10000, -8000})));
    EXPECT_EQ(Dump(*doc), original);
    EXPECT_EQ(CDrawTool::CurrentShape(), 0);
}

TEST_F(ToolFixture, TextToolMakesATextAtTheReleaseFromTheRibbon) {
    struct Case {
        const char* name;
        bool query;
        RibbonTextSettings ribbon;
        std::int32_t size, angle;
    };
    const Case cases[] = {
        {"default text size", false, {}, 500, 0},
        {"ribbon size and angle", true, {30.0, 30}, 600, 30},
        {"below 2 points gives the least", true, {1.5, 0}, 40, 0},
        {"nonsense gives the least", true, {std::numeric_limits<double>::quiet_NaN(), 0}, 40, 0},
    };
    env.settings[CApplicationProperties::DefaultTextColor] = 0x123456;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CObjectTextTool::SetRibbonQuery(c.query ? CObjectTextTool::RibbonQuery([&c] { return c.ribbon; })
                                                : CObjectTextTool::RibbonQuery());
        // The press of an earlier drag of the select tool moved A; the text
        // tool's drag must not move it again.
        SelectOnly({a});
        Run(Drag(Px(kInA), Px({-8600, -6700})));
        const Rect aBefore = a->m_position.m_rect;
        CDrawTool::CurrentShape() = 10;
        const Point release = Px({-11000, -8500});
        Run(Drag(Px(kEmpty), release));
        EXPECT_EQ(a->m_position.m_rect, aBefore);
        auto* text = dynamic_cast<CDrawText*>(doc->m_objects.m_objects.back());
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(view->GetSelection().GetEditedText(), text);
        EXPECT_EQ(text->m_nSize, c.size);
        EXPECT_EQ(text->m_position.m_nAngle, c.angle);
        EXPECT_EQ(text->m_color, 0x123456u);
        if (c.angle == 0) {
            EXPECT_NEAR(text->m_position.m_rect.left, Doc(release).x, 1);
        }
        EXPECT_EQ(CDrawTool::CurrentShape(), 0);
        // Typing goes into it.
        view->OnChar(u'ب');
        EXPECT_EQ(text->m_nCaret, 1);
    }
}

// --- Hand and zoom -----------------------------------------------------------------------------------

TEST_F(ToolFixture, HandToolScrollsWithThePointerAndStaysCurrent) {
    view->SetZoom(200, Point{-8000, -6000});  // room to scroll both ways
    CDrawTool::CurrentShape() = 8;
    const Point before = view->GetScrollInfo().position;
    const Point under = Doc({400, 300});
    Run(Drag({400, 300}, {360, 330}));
    EXPECT_EQ(view->GetScrollInfo().position, (Point{before.x + 40, before.y - 30}));
    // The page point under the pointer followed it.
    const Point now = Px(under);
    EXPECT_NEAR(now.x, 360, 1);
    EXPECT_NEAR(now.y, 330, 1);
    EXPECT_EQ(CDrawTool::CurrentShape(), 8);
}

TEST_F(ToolFixture, ZoomToolZoomsAboutTheClickOrToTheDraggedRectangle) {
    host.m_client = {1000, 800};
    struct Case {
        const char* name;
        std::int32_t shape, zoomBefore;
        Point from, to;
        std::uint32_t flags;
        std::int32_t zoomAfter, shapeAfter;
    };
    const Case cases[] = {
        {"click zooms in by 2", 6, 100, {500, 400}, {500, 400}, 0, 200, 3},
        {"click out at the least stays", 7, 10, {500, 400}, {500, 400}, 0, 10, 3},
        {"a 200 x 100 drag in 1000 x 800", 6, 100, {400, 300}, {600, 400}, 0, 500, 3},
        {"the same drag zooming out", 7, 100, {400, 300}, {600, 400}, 0, 20, 3},
        {"a drag without width", 6, 100, {500, 300}, {500, 400}, 0, 800, 3},
        {"Ctrl keeps the tool", 6, 100, {500, 400}, {500, 400}, MK_CONTROL, 200, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view->SetZoom(c.zoomBefore, Point{-8000, -6000});
        CDrawTool::ShapeBeforeZoom() = 3;
        CDrawTool::CurrentShape() = c.shape;
        const Point clicked = Doc(c.from);
        host.m_pointer.reset();
        Run(Drag(c.from, c.to, c.flags));
        EXPECT_EQ(doc->GetZoom(), c.zoomAfter);
        EXPECT_EQ(CDrawTool::CurrentShape(), c.shapeAfter);
        EXPECT_FALSE(RubberBandShown());
        // A click leaves the pointer on the page point it zoomed about.
        ASSERT_TRUE(host.m_pointer.has_value());
        if (c.from == c.to) {
            const Point now = Doc(*host.m_pointer);
            EXPECT_NEAR(now.x, clicked.x, 2540 / 96 * 100 / c.zoomAfter + 2);
            EXPECT_NEAR(now.y, clicked.y, 2540 / 96 * 100 / c.zoomAfter + 2);
        }
    }
}

// --- Text-component, text-modification and vowel tools -----------------------------------------------

TEST_F(ToolFixture, TextComponentToolSelectsAndDragsComponents) {
    CDrawText* text = AddTypedText();
    std::vector<CTextComponentSelection> components;
    const Point at = PixelOverComponent(*text, false, &components);
    CDrawTool::CurrentShape() = 1;

    // Clicks step the range through the components under the point.
    Run(Click(at));
    const CTextComponentSelection& range = view->GetSelection().m_component;
    EXPECT_EQ(range.m_firstWord, components[0].m_firstWord);
    EXPECT_EQ(range.m_point, components[0].m_point);
    Run(Click(at));
    const CTextComponentSelection& second = components[1 % components.size()];
    EXPECT_EQ(range.m_firstWord, second.m_firstWord);
    EXPECT_EQ(range.m_letter, second.m_letter);
    EXPECT_EQ(CDrawTool::CurrentShape(), 1);

    // A drag from the selected component moves it as one undo step.
    const std::string before = Dump(*doc);
    const std::size_t undo = UndoCount();
    Run(Drag(at, {at.x - 15, at.y + 10}));
    EXPECT_NE(Dump(*doc), before);
    ASSERT_GT(UndoCount(), undo);
    ASSERT_TRUE(doc->UndoRedo(true, view.get()));
    EXPECT_EQ(Dump(*doc), before);
}

TEST_F(ToolFixture, TextModificationToolChangesTheClickedLetterOnly) {
    CDrawText* text = AddTypedText();
    const Point at = PixelOverComponent(*text, true);
    const std::string before = Dump(*doc);
    for (const std::int32_t shape : {11, 12, 13}) {
        SCOPED_TRACE(shape);
        CDrawTool::CurrentShape() = shape;
        // A press that moved is no click: nothing changes, the range goes.
        view->GetSelection().m_component.m_point = 0;
        const std::size_t undo = UndoCount();
        Run(Drag(at, {at.x + 3, at.y}));
        EXPECT_EQ(Dump(*doc), before);
        EXPECT_EQ(UndoCount(), undo);
        EXPECT_FALSE(view->GetSelection().HasComponent());

        // A click records the text and changes it; the undo brings it back.
        Run(Click(at));
        ASSERT_EQ(UndoCount(), undo + 1);
        EXPECT_EQ(doc->m_objects.m_undo.back()->m_nKind, Action::TextEdit);
        ASSERT_TRUE(doc->UndoRedo(true, view.get()));
        EXPECT_EQ(Dump(*doc), before);
        EXPECT_EQ(CDrawTool::CurrentShape(), shape);
    }
    // Without one selected text the press and release change nothing and
    // leave no capture.
    SelectOnly({a, b});
    CDrawTool::CurrentShape() = 11;
    Run(Click(at));
    EXPECT_EQ(Dump(*doc), before);
}

TEST_F(ToolFixture, VowelToolsAddTheirSignsInOrderAndUnrotated) {
    CDrawText* text = AddTypedText();
    const Rect box = view->DocToClient(text->BuildZoomedPosition().m_bounds);
    const Point at = box.CenterPoint();
    const std::size_t undo = UndoCount();
    struct Case {
        std::int32_t shape;
        std::uint8_t sign;
    };
    for (const Case c : {Case{14, 38}, Case{14, 38}, Case{18, 70}, Case{33, 43}}) {
        CDrawTool::CurrentShape() = c.shape;
        Run(Click(at));
        ASSERT_FALSE(text->m_paragraph.m_points.empty());
        EXPECT_EQ(text->m_paragraph.m_points.back().m_sign, c.sign);
        EXPECT_EQ(CDrawTool::CurrentShape(), c.shape);
    }
    const auto& points = text->m_paragraph.m_points;
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].m_x, points[1].m_x);  // the same spot twice: two signs
    EXPECT_EQ(points[0].m_y, points[1].m_y);
    EXPECT_EQ(UndoCount(), undo + 4);  // one step per click
    ASSERT_TRUE(doc->UndoRedo(true, view.get()));
    EXPECT_EQ(points.size(), 3u);

    // On a text turned by 30 degrees, a click on the turned image of the
    // first spot stores the same unturned sign.
    const Point p = Doc(at);
    const Point base0 = text->GetBaselinePoint();
    text->ApplyChange(view.get(), 30, true, false);
    const Point base30 = text->GetBaselinePoint();
    Point turned{base30.x + (p.x - base0.x), base30.y + (p.y - base0.y)};
    RotatePoint(GetTrigTable(), turned, 30, base30);
    CDrawTool::CurrentShape() = 14;
    Run(Click(Px(turned)));
    ASSERT_EQ(points.size(), 4u);
    EXPECT_NEAR(points.back().m_x, points[0].m_x, 300);
    EXPECT_NEAR(points.back().m_y, points[0].m_y, 300);

    // Without one selected text a vowel click neither captures nor changes.
    SelectOnly({a});
    const std::string before = Dump(*doc);
    view->OnLButtonDown(0, at);
    EXPECT_FALSE(host.m_capture);
    view->OnLButtonUp(0, at);
    EXPECT_EQ(Dump(*doc), before);
}

}  // namespace
}  // namespace kavitro
