#include <gtest/gtest.h>

#include <QtGui/QImage>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "../document/DocumentFixture.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "view/AlternativesPopup.h"
#include "view/CommandIds.h"
#include "view/CommandRegistry.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"
#include "view/ViewCommands.h"

namespace kavitro {
namespace {

namespace C = ViewCommand;
using test::AddRect;
using test::Place;

struct ViewCommandFixture : ::testing::Test {
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view = std::make_unique<CKavitroView>(*doc, host);
    CCommandRegistry registry;
    std::map<const CDrawObj*, std::string> names;

    void SetUp() override {
        CDrawTool::CurrentShape() = 0;
        GetViewCommandHooks() = {};
        RegisterViewCommands(registry);
        view->OnActivateView(true);
        view->UpdateScrollSizes();
    }
    void TearDown() override {
        CDrawTool::CurrentShape() = 0;
        GetViewCommandHooks() = {};
        CAlternativesPopup::Instance().Clear();
    }

    using Post = RecordingViewHost::PostRecord;
    // A command's posts: exactly the expected one (target, message and both
    // parameters), or none when none is expected.
    static void ExpectOnlyPost(const std::vector<Post>& posts, const std::optional<Post>& expected) {
        if (!expected) {
            EXPECT_TRUE(posts.empty());
            return;
        }
        ASSERT_EQ(posts.size(), 1u);
        EXPECT_EQ(posts[0].target, expected->target);
        EXPECT_EQ(posts[0].message, expected->message);
        EXPECT_EQ(posts[0].wParam, expected->wParam);
        EXPECT_EQ(posts[0].lParam, expected->lParam);
    }

    CDrawRect* Rect(const std::string& name, std::int32_t x = -9000) {
        CDrawRect* r = AddRect(*doc, Place(x, -9000, 500, 500));
        names[r] = name;
        return r;
    }
    // A text holding typed words, selected alone, its caret after them.
    CDrawText* Text(const std::string& name, std::u16string_view typed = u"سلام") {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized())
            fonts.Init(KAVITRO_SHARE_DIR, 0);
        CPolygonRect at;
        at.m_rect = ::kavitro::Rect(-3000, -5000, 0, 0);
        auto* text = new CDrawText(at, 0, doc.get());
        doc->Add(text, true);
        names[text] = name;
        view->Select(text, false, false);
        for (const char16_t c : typed)
            view->OnChar(c);
        return text;
    }
    void SelectOnly(std::initializer_list<CDrawObj*> objects) {
        view->Select(nullptr, false, false);
        for (CDrawObj* o : objects)
            view->Select(o, true, false);
    }
    // The object list bottom first by name ("+" for objects the test did
    // not make), the page count and the undo steps.
    std::string Dump() const {
        std::string s;
        for (const CDrawObj* o : doc->m_objects.m_objects) {
            const auto it = names.find(o);
            s += it == names.end() ? "+" : it->second;
        }
        return s + " pages=" + std::to_string(doc->GetPageCount()) +
               " undo=" + std::to_string(doc->m_objects.m_undo.size());
    }
    CommandUpdate Update(std::uint32_t id) { return registry.Update(id, *view); }
    bool Run(std::uint32_t id) { return registry.Execute(id, *view); }
};

// --- Update rules ---------------------------------------------------------------------------

// Every registered command in the selection states that decide its rule:
// nothing, one text, one rectangle, several objects, a word range of the text.
// '-' disabled, 'e' enabled, 'x' enabled and checked.
TEST_F(ViewCommandFixture, EveryCommandFollowsItsUpdateRuleInEachSelectionState) {
    const std::map<std::uint32_t, std::string_view> expected = {
        {C::Select, "xxxxx"},
        {C::SelectTextComponents, "-e--e"},
        {C::DrawLine, "eeeee"},
        {C::DrawRectangle, "eeeee"},
        {C::DrawRoundRectangle, "eeeee"},
        {C::DrawEllipse, "eeeee"},
        {C::DrawText, "eeeee"},
        {C::ZoomIn, "eeeee"},
        {C::ZoomOut, "eeeee"},
        {C::Hand, "eeeee"},
        {C::InsertPicture, "eeeee"},
        {C::TextModificationGallery, "-e--e"},
        {C::VowelGallery, "-e--e"},
        {C::ShowGrid, "xxxxx"},
        {C::ShowGuides, "xxxxx"},
        {C::DrawingMode0, "xxxxx"},
        {C::DrawingMode1, "eeeee"},
        {C::DrawingMode2, "eeeee"},
        {C::ZoomFitPage, "eeeee"},
        {C::ZoomFitWidth, "eeeee"},
        {C::ZoomCombo, "eeeee"},
        {C::NextPage, "eeeee"},
        {C::PreviousPage, "-----"},
        {C::PageCombo, "-----"},
        {C::RotateTextBack, "-e-ee"},
        {C::RotateTextForward, "-e-ee"},
        {C::AlignBaselines, "-e-ee"},
        {C::AdjustSpacing, "-e-ee"},
        {C::SmartSpacing, "-e-ee"},
        {C::Alternatives, "-e--e"},
        {C::TextSizeCombo, "eeeee"},
        {C::TextAngleCombo, "eeeee"},
        {C::TextColor, "eeeee"},
        {C::LineColor, "eeeee"},
        {C::FillColor, "eeeee"},
        {C::BringToFront, "-ee-e"},
        {C::SendToBack, "-ee-e"},
        {C::BringForward, "-ee-e"},
        {C::SendBackward, "-ee-e"},
        {C::Duplicate, "eeeee"},
        {C::ObjectProperties, "-ee-e"},
        {C::NoAction, "eeeee"},
    };
    CDrawRect* rect = Rect("A");
    CDrawText* text = Text("T");
    const auto wordRange = [&] {
        SelectOnly({text});
        view->GetSelection().m_component.m_firstWord = 0;
        view->GetSelection().m_component.m_lastWord = 0;
    };
    const std::function<void()> states[] = {[&] { SelectOnly({}); }, [&] { SelectOnly({text}); },
                                            [&] { SelectOnly({rect}); },
                                            [&] {
                                                SelectOnly({rect, text});
                                            },
                                            wordRange};

    for (const std::uint32_t id : registry.Ids()) {
        std::string_view want = "eeeee";  // the alternatives 501..519 have no rule
        if (const auto it = expected.find(id); it != expected.end())
            want = it->second;
        else
            EXPECT_TRUE(id >= C::FirstAlternative && id <= C::LastAlternative) << id << " has no expectation";
        for (std::size_t s = 0; s < std::size(states); ++s) {
            states[s]();
            const CommandUpdate u = Update(id);
            const char got = !u.enabled ? '-' : u.checked ? 'x' : 'e';
            EXPECT_EQ(got, want[s]) << "command " << id << " state " << s;
        }
    }
    EXPECT_EQ(registry.Ids().size(), expected.size() + 19);
}

// Rules that read the tool, the pages, the fit mode and the scroll range.
TEST_F(ViewCommandFixture, RulesFollowToolPageFitAndScrollState) {
    CDrawRect* a = Rect("A");
    CDrawRect* b = Rect("B", -5000);
    CDrawText* text = Text("T");

    // The text-component tool gives way once the selection is not one object.
    CDrawTool::CurrentShape() = 1;
    EXPECT_EQ(Update(C::Select), (CommandUpdate{true, false}));
    EXPECT_EQ(Update(C::SelectTextComponents), (CommandUpdate{true, true}));
    EXPECT_EQ(CDrawTool::CurrentShape(), 1);
    SelectOnly({a, b});
    EXPECT_EQ(Update(C::Select), (CommandUpdate{true, true}));
    EXPECT_EQ(CDrawTool::CurrentShape(), 0);

    // Properties only for the select tool; the zoom tool unmarks the fit.
    SelectOnly({a});
    Run(C::ZoomFitPage);
    EXPECT_TRUE(Update(C::ZoomFitPage).checked);
    Run(C::DrawLine);
    EXPECT_FALSE(Update(C::ObjectProperties).enabled);
    Run(C::ZoomIn);
    EXPECT_EQ(CDrawTool::ShapeBeforeZoom(), 2);
    EXPECT_EQ(CDrawTool::CurrentShape(), 6);
    EXPECT_EQ(Update(C::ZoomFitPage), (CommandUpdate{true, false}));
    EXPECT_EQ(Update(C::ZoomIn), (CommandUpdate{true, true}));

    // Hand: disabled once nothing scrolls (the fit above left nothing to scroll).
    host.m_client = Size{100, 100};
    view->UpdateScrollSizes();
    Run(C::Hand);
    EXPECT_EQ(Update(C::Hand), (CommandUpdate{true, true}));
    host.m_client = Size{100000, 100000};
    view->UpdateScrollSizes();
    EXPECT_EQ(Update(C::Hand), (CommandUpdate{false, false}));

    // Pages: the last-page flag of the status bar, previous and combo.
    std::vector<bool> flags;
    GetViewCommandHooks().setLastPageFlag = [&](bool last) { flags.push_back(last); };
    doc->AddPage(0);
    EXPECT_TRUE(Update(C::NextPage).enabled);
    view->SetCurrentPage(1);
    EXPECT_TRUE(Update(C::NextPage).enabled);
    view->SetCurrentPage(kAllPages);
    Update(C::NextPage);
    EXPECT_EQ(flags, (std::vector<bool>{false, true, true}));
    EXPECT_FALSE(Update(C::PreviousPage).enabled);
    view->SetCurrentPage(1);
    EXPECT_TRUE(Update(C::PreviousPage).enabled);
    EXPECT_TRUE(Update(C::PageCombo).enabled);
    (void)text;
}

// A zoom tool chosen while a zoom tool is in hand (the ribbon button clicked
// twice, or zoom-out after zoom-in) still returns to the tool before it.
TEST_F(ViewCommandFixture, ZoomToolsChosenInARowReturnToTheToolBeforeThem) {
    const std::vector<std::vector<std::uint32_t>> sequences = {
        {C::ZoomIn, C::ZoomIn}, {C::ZoomIn, C::ZoomOut}, {C::ZoomOut, C::ZoomIn, C::ZoomOut}};
    for (const std::vector<std::uint32_t>& chosen : sequences) {
        Run(C::DrawLine);
        const std::int32_t line = CDrawTool::CurrentShape();
        for (std::uint32_t id : chosen)
            Run(id);
        EXPECT_EQ(CDrawTool::ShapeBeforeZoom(), line) << chosen.size() << " zoom tools chosen";
    }
}

// The export command's rule: a text shown on the current page.
TEST_F(ViewCommandFixture, CurrentPageHasTextCountsEveryPageObjects) {
    Rect("A");
    EXPECT_FALSE(CurrentPageHasText(*view));
    CDrawText* text = Text("T");
    text->m_nPage = 1;
    EXPECT_FALSE(CurrentPageHasText(*view));
    view->SetCurrentPage(1);
    EXPECT_TRUE(CurrentPageHasText(*view));
    view->SetCurrentPage(0);
    text->m_nPage = kEveryPageFlags;
    EXPECT_TRUE(CurrentPageHasText(*view));
}

// --- Handlers -------------------------------------------------------------------------------

// Z-order, duplicate and pages: the object list and the undo steps after
// each command, from three rectangles A B C (bottom first), B selected.
TEST_F(ViewCommandFixture, ObjectAndPageCommandsChangeTheDocumentAsOneStepEach) {
    struct Case {
        std::uint32_t id;
        std::string after;
    };
    const Case cases[] = {
        {C::BringToFront, "ACB pages=1 undo=4"}, {C::SendToBack, "BAC pages=1 undo=4"},
        {C::BringForward, "ACB pages=1 undo=4"}, {C::SendBackward, "BAC pages=1 undo=4"},
        {C::Duplicate, "ABC+ pages=1 undo=4"},   {C::NextPage, "ABC pages=2 undo=4"},
        {C::PreviousPage, "ABC pages=1 undo=3"}, {C::NoAction, "ABC pages=1 undo=3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        TearDown();
        view.reset();
        doc = test::NewDocument(env.services);
        view = std::make_unique<CKavitroView>(*doc, host);
        SetUp();
        names.clear();
        Rect("A", -9000);
        CDrawRect* b = Rect("B", -7000);
        Rect("C", -5000);
        SelectOnly({b});
        ASSERT_EQ(Dump(), "ABC pages=1 undo=3");
        host.ClearRecords();

        EXPECT_TRUE(Run(c.id));
        EXPECT_EQ(Dump(), c.after);
        EXPECT_EQ(view->GetSelection().GetObjects(), std::vector<CDrawObj*>{b});
        // One undo step takes it back.
        if (doc->m_objects.m_undo.size() == 4) {
            ASSERT_TRUE(doc->UndoRedo(true, view.get()));
            EXPECT_EQ(Dump().substr(0, 3), "ABC");
        }
    }
}

TEST_F(ViewCommandFixture, PageCommandsPostThePageToShow) {
    struct Case {
        std::uint32_t id;
        std::uint32_t currentPage;
        std::optional<std::int32_t> combo;
        std::optional<WParam> shown;  // none: nothing posted
        std::uint32_t pageCount;
    };
    const Case cases[] = {
        {C::NextPage, 0, {}, 1, 2},  // the last page: a page is added
        {C::NextPage, 0, {}, 1, 2},  // the page added before: none added now
        {C::PreviousPage, 1, {}, 0, 2},
        {C::PreviousPage, 0, {}, 0, 2},  // stays on the first page
        {C::PageCombo, 1, 0, 0, 2},
        {C::PageCombo, 0, 5, std::nullopt, 2},  // a page the document does not have
        {C::PageCombo, 0, -1, std::nullopt, 2},
        {C::NextPage, kAllPages, {}, 0, 2},  // from every page to the first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " page " << c.currentPage);
        view->SetCurrentPage(c.currentPage);
        GetViewCommandHooks().pageComboSelection = [&] { return c.combo; };
        host.ClearRecords();
        EXPECT_TRUE(Run(c.id));
        EXPECT_EQ(doc->GetPageCount(), c.pageCount);
        std::optional<Post> expected;
        if (c.shown)
            expected = Post{PostTarget::ParentFrame, NotifyMessage::ShowPage, *c.shown, LParam{c.pageCount}, {}};
        ExpectOnlyPost(host.PostsOf(NotifyMessage::ShowPage), expected);
    }
}

TEST_F(ViewCommandFixture, ToolAndGalleryCommandsChooseTheShape) {
    struct Case {
        std::uint32_t id;
        std::optional<std::int32_t> item;
        std::int32_t shape;
        std::int32_t image;  // -1: no image set
    };
    const Case cases[] = {
        {C::DrawLine, {}, 2, -1},
        {C::DrawRectangle, {}, 3, -1},
        {C::DrawRoundRectangle, {}, 4, -1},
        {C::DrawEllipse, {}, 5, -1},
        {C::ZoomOut, {}, 7, -1},
        {C::Hand, {}, 8, -1},
        {C::DrawText, {}, 10, -1},
        {C::SelectTextComponents, {}, 1, -1},
        {C::Select, {}, 0, -1},
        {C::TextModificationGallery, {}, 11, 20},
        {C::TextModificationGallery, 1, 13, 21},
        {C::TextModificationGallery, 2, 12, 22},
        {C::TextModificationGallery, 7, 11, 27},
        {C::VowelGallery, {}, 14, 0},
        {C::VowelGallery, 4, 19, 4},
        {C::VowelGallery, 13, 32, 13},
        {C::VowelGallery, 19, 33, 19},
        {C::VowelGallery, 20, 14, 20},
        {C::VowelGallery, -3, 14, -3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " item " << c.item.value_or(-99));
        std::int32_t image = -1;
        GetViewCommandHooks().gallerySelection = [&](std::uint32_t) { return c.item; };
        GetViewCommandHooks().setGalleryImage = [&](std::uint32_t, std::int32_t i) { image = i; };
        EXPECT_TRUE(Run(c.id));
        EXPECT_EQ(CDrawTool::CurrentShape(), c.shape);
        EXPECT_EQ(image, c.image);
    }
}

TEST_F(ViewCommandFixture, DisplayAndComboCommands) {
    CApplicationProperties& s = env.settings;
    const std::int32_t grid = s[CApplicationProperties::ShowGrid];
    host.ClearRecords();
    Run(C::ShowGrid);
    EXPECT_EQ(s[CApplicationProperties::ShowGrid], grid ? 0 : 1);
    EXPECT_EQ(host.m_invalidateAll, 1);

    // Drawing mode: stored and repainted once; the mode in force again does nothing.
    host.ClearRecords();
    Run(C::DrawingMode2);
    EXPECT_EQ(doc->GetDrawingMode(), 2);
    const int repaints = host.m_invalidateAll;
    EXPECT_GT(repaints, 0);
    Run(C::DrawingMode2);
    EXPECT_EQ(host.m_invalidateAll, repaints);
    EXPECT_EQ(Update(C::DrawingMode2), (CommandUpdate{true, true}));

    // Combos: numbers are taken, anything else changes nothing.
    std::u16string comboText;
    GetViewCommandHooks().comboText = [&](std::uint32_t) { return comboText; };
    struct Case {
        std::uint32_t id;
        std::u16string text;
        std::int32_t zoom;                  // the document's zoom after
        std::optional<NotifyMessage> post;  // posted to the view itself
        WParam wParam;
    };
    const Case cases[] = {
        {C::ZoomCombo, u"250", 250, {}, 0},
        {C::ZoomCombo, u"abc", 250, {}, 0},
        {C::ZoomCombo, u"99999", 5000, {}, 0},
        {C::TextSizeCombo, u"12.5", 5000, NotifyMessage::TextSizeChanged, 250},
        {C::TextSizeCombo, u"0.2", 5000, NotifyMessage::TextSizeChanged, 20},
        {C::TextSizeCombo, u"", 5000, {}, 0},
        {C::TextAngleCombo, u"30", 5000, NotifyMessage::TextAngleChanged, 30},
        {C::TextAngleCombo, u"-45", 5000, NotifyMessage::TextAngleChanged, static_cast<WParam>(-45)},
        {C::TextAngleCombo, u"1e400", 5000, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " '" << QString::fromStdU16String(c.text).toStdString() << "'");
        comboText = c.text;
        host.ClearRecords();
        EXPECT_TRUE(Run(c.id));
        EXPECT_EQ(doc->GetZoom(), c.zoom);
        std::optional<Post> expected;
        if (c.post)
            expected = Post{PostTarget::Self, *c.post, c.wParam, 0, {}};
        ExpectOnlyPost(host.m_posts, expected);
    }
}

TEST_F(ViewCommandFixture, ColourCommandsColourEverySelectedObjectWithoutUndo) {
    CDrawRect* a = Rect("A");
    CDrawRect* b = Rect("B", -5000);
    CDrawRect* c = Rect("C", -3000);
    SelectOnly({a, b});
    std::optional<COLORREF> answer;  // cancelled
    GetViewCommandHooks().chooseColor = [&] { return answer; };
    doc->SetModifiedFlag(false);
    const std::string before = Dump();

    Run(C::LineColor);
    EXPECT_FALSE(doc->IsModified());
    answer = 0x123456;
    Run(C::LineColor);
    answer = 0x654321;
    Run(C::FillColor);
    for (CDrawObj* o : {a, b}) {
        EXPECT_EQ(o->m_logpen.color, 0x123456u);
        EXPECT_EQ(o->m_logbrush.color, 0x654321u);
    }
    EXPECT_NE(c->m_logpen.color, 0x123456u);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(Dump(), before);
}

TEST_F(ViewCommandFixture, InsertPictureAddsAndSelectsOnlyALoadedPicture) {
    struct Prompt : PictureFilePrompt {
        std::optional<std::filesystem::path> answer;
        std::optional<std::filesystem::path> AskPictureFile(const PictureFileRequest&) override { return answer; }
    } prompt;
    SetPictureFilePrompt(&prompt);
    CDrawRect* a = Rect("A");
    SelectOnly({a});

    // Cancelled, or a file that does not decode: nothing changes, not even the
    // modified state.
    const std::filesystem::path broken = std::filesystem::path(testing::TempDir()) / "kavitro-broken.png";
    { std::ofstream(broken, std::ios::binary) << "not a picture"; }
    using MaybePath = std::optional<std::filesystem::path>;
    for (const MaybePath& answer : {MaybePath{}, MaybePath{broken}}) {
        for (const bool modified : {false, true}) {
            SCOPED_TRACE(testing::Message() << (answer ? "broken file" : "cancelled") << ", modified " << modified);
            prompt.answer = answer;
            doc->SetModifiedFlag(modified);
            EXPECT_TRUE(Run(C::InsertPicture));
            EXPECT_EQ(Dump(), "A pages=1 undo=1");
            EXPECT_EQ(doc->IsModified(), modified);
            EXPECT_EQ(CDrawTool::CurrentShape(), 0);
        }
    }
    std::filesystem::remove(broken);

    const std::filesystem::path file = std::filesystem::path(testing::TempDir()) / "kavitro-insert.bmp";
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "BMP"));
    prompt.answer = file;
    view->SetCurrentPage(kAllPages);
    host.ClearRecords();
    EXPECT_TRUE(Run(C::InsertPicture));
    SetPictureFilePrompt(nullptr);
    std::filesystem::remove(file);

    EXPECT_EQ(Dump(), "A+ pages=1 undo=2");
    const auto& selected = view->GetSelection().GetObjects();
    ASSERT_EQ(selected.size(), 1u);
    ASSERT_NE(dynamic_cast<CDrawPicture*>(selected[0]), nullptr);
    EXPECT_EQ(selected[0]->m_nPage, kAllPages);  // shown on every page
    EXPECT_EQ(CDrawTool::CurrentShape(), 9);
    EXPECT_EQ(host.PostsOf(NotifyMessage::SelectionChanged).size(), 2u);
}

// --- Text commands and the alternatives popup ---------------------------------------------------------

TEST_F(ViewCommandFixture, RotateCommandsTurnTheSelectedText) {
    CDrawText* text = Text("T");
    const std::int32_t angle = text->m_position.m_nAngle;
    host.ClearRecords();
    Run(C::RotateTextForward);
    EXPECT_EQ(text->m_position.m_nAngle, (angle + 10) % 360);
    Run(C::RotateTextBack);
    Run(C::RotateTextBack);
    EXPECT_EQ(text->m_position.m_nAngle, (angle + 350) % 360);
    EXPECT_EQ(host.PostsOf(NotifyMessage::SelectionChanged).size(), 3u);
}

TEST_F(ViewCommandFixture, AlternativesReplaceTheWordAtTheCaretAsOneStep) {
    CDrawText* text = Text("T");
    CAlternativesPopup& popup = CAlternativesPopup::Instance();
    ASSERT_TRUE(Run(C::Alternatives));
    ASSERT_EQ(host.m_popups.size(), 1u);
    EXPECT_EQ(host.m_popups[0].first, CAlternativesPopup::kMenuId);
    ASSERT_GE(popup.GetCount(), 1u);
    EXPECT_LE(popup.GetCount(), CAlternativesPopup::kMaxItems);

    // Ids past the alternatives do nothing.
    const std::string before = Dump();
    for (auto id = C::FirstAlternative + static_cast<std::uint32_t>(popup.GetCount()); id <= C::LastAlternative; ++id) {
        EXPECT_TRUE(Run(id));
    }
    EXPECT_EQ(Dump(), before);

    // The last alternative takes the word's place; one undo step puts it back.
    const std::size_t last = popup.GetCount() - 1;
    const auto w = static_cast<std::size_t>(text->m_paragraph.CaretToWord(text->m_nCaret, true).word);
    const auto word = [&] { return std::as_const(text->m_paragraph.m_words)[w]; };
    const CCalligraphyWord chosen = std::as_const(popup.GetParagraph().m_words)[last];
    const CCalligraphyWord original = word();
    const std::size_t steps = doc->m_objects.m_undo.size();
    ASSERT_TRUE(Run(C::FirstAlternative + static_cast<std::uint32_t>(last)));
    EXPECT_TRUE(word().HasSameGlyphs(chosen));
    EXPECT_EQ(word().m_x, original.m_x);
    EXPECT_EQ(doc->m_objects.m_undo.size(), steps + 1);
    ASSERT_TRUE(doc->UndoRedo(true, view.get()));
    EXPECT_TRUE(word().HasSameGlyphs(original));
}

TEST_F(ViewCommandFixture, AStalePopupOrAFailingCommandChangesNothing) {
    CDrawText* text = Text("T");
    ASSERT_TRUE(Run(C::Alternatives));
    // Another text is edited now: the popup's word is not its word.
    CDrawText* other = Text("U", u"بد");
    const std::string before = Dump();
    const auto words = std::as_const(other->m_paragraph.m_words)[0];
    EXPECT_TRUE(Run(C::FirstAlternative));
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(std::as_const(other->m_paragraph.m_words)[0].HasSameGlyphs(words));

    // A selection holding an object the document does not have: the z-order
    // command fails as a whole, is reported, and moves nothing.
    CDrawRect* a = Rect("A");
    CDrawRect stray(Place(-100, -100, 10, 10), 0, doc.get());
    SelectOnly({a});
    view->GetSelection().Add(stray);
    const std::string order = Dump();
    EXPECT_FALSE(Run(C::BringToFront));
    EXPECT_EQ(Dump(), order);
    ASSERT_FALSE(env.errors.Reports().empty());
    view->GetSelection().Remove(stray);
    (void)text;
}

}  // namespace
}  // namespace kavitro
