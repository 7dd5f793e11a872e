// Text blocks poured into text objects (paste, import, the first space of a
// new document) and typing into the text object a click selected.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../document/DocumentFixture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"
#include "view/RibbonValues.h"
#include "tests/support/TextOf.h"

namespace kavitro {
namespace {

using test::TextOf;

std::vector<CDrawText*> Texts(const CKavitroDoc& doc) {
    std::vector<CDrawText*> out;
    for (CDrawObj* o : doc.m_objects.m_objects)
        if (auto* t = dynamic_cast<CDrawText*>(o))
            out.push_back(t);
    return out;
}

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        if (pclose(pipe) != 0)
            output.insert(0, "FAILED: ");
    }
    return output;
}

// The "words" list of the first JSON object in a tool's output.
std::string WordsOf(const std::string& json) {
    const std::size_t a = json.find("\"words\": [");
    if (a == std::string::npos)
        return "no words in: " + json;
    std::size_t depth = 0, i = a + 9;
    for (; i < json.size(); ++i) {
        if (json[i] == '[')
            ++depth;
        if (json[i] == ']' && --depth == 0)
            break;
    }
    return json.substr(a, i + 1 - a);
}

struct InsertionFixture : ::testing::Test {
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc;
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view;

    void SetUp() override {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized())
            fonts.Init(KAVITRO_SHARE_DIR, 0);
        doc = test::NewDocument(env.services);
        view = std::make_unique<CKavitroView>(*doc, host);
        CDrawTool::CurrentShape() = 0;
        view->OnActivateView(true);
        view->UpdateScrollSizes();
    }
    void TearDown() override {
        RibbonValues::Current() = {};
        view.reset();
    }

    CDrawText* AddText(Point at = {-3000, -5000}) {
        CPolygonRect pr;
        pr.m_rect = Rect(at.x, at.y, 0, 0);
        auto* text = new CDrawText(pr, 0, doc.get());
        doc->Add(text, true);
        return text;
    }
    // Delivers what the view posted to itself, as the window would.
    void DeliverOwnPosts() {
        const auto posts = host.m_posts;
        host.m_posts.clear();
        for (const RecordingViewHost::PostRecord& p : posts)
            if (p.target == PostTarget::Self)
                view->OnMessage({kNoTarget, p.message, p.wParam, p.lParam, p.text});
    }
};

// Breaks open new text objects: a carriage return a line lower, a tab
// further left on the same line, the line feed after it in the same place; objects
// that stay empty are purged when the next one is added, and never named
// again (the test runs under AddressSanitizer).
TEST_F(InsertionFixture, BreaksOpenTextObjectsOnLinesAndTabStops) {
    struct Object {
        std::u16string text;
        int line, tabs;
    };
    struct Case {
        std::u16string_view block;
        bool purge;
        std::vector<Object> objects;  // in z-order after the insertion, the given one first
        bool selected;
    };
    const std::vector<Case> cases = {
        {u"بت", true, {{u"بت ", 0, 0}}, false},  // no terminator: neither laid out nor selected
        {std::u16string_view(u"بت\0", 3), true, {{u"بت ", 0, 0}}, true},
        {std::u16string_view(u"ب\r\nت\0", 5), false, {{u"ب ", 0, 0}, {u"ت ", 1, 0}}, true},
        {std::u16string_view(u"ب\r\nت\0", 5), true, {{u"ب ", 0, 0}, {u"ت ", 1, 0}}, true},
        {std::u16string_view(u"ب\tت\t\tث\rد\0زز", 11),
         true,
         {{u"ب ", 0, 0}, {u"ت ", 0, 1}, {u"ث ", 0, 3}, {u"د ", 1, 0}},
         true},
    };
    env.settings[CApplicationProperties::TabSize] = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.block.begin(), c.block.end()) << " purge " << c.purge);
        doc->m_objects.Clear();
        CDrawText* given = AddText();
        const std::uint32_t action = CObjectsBuffer::GetActionIdCounter();
        doc->InsertText(view.get(), given, c.block.data(), c.block.size(), c.purge);
        EXPECT_EQ(CObjectsBuffer::GetActionIdCounter(), action + 1);

        const std::vector<CDrawText*> texts = Texts(*doc);
        ASSERT_EQ(texts.size(), c.objects.size());
        EXPECT_EQ(texts[0], given);
        EXPECT_EQ(view->GetSelection().GetCount(), c.selected ? texts.size() : 0u);
        // Tab stops are equally spaced leftwards from the given text's
        // start; a line's new objects share a baseline, below the given
        // text's, and each carriage return goes one line lower.
        const Point first = texts[0]->GetBaselinePoint();
        std::int32_t tabStep = 0;
        std::map<int, std::int32_t> lineY;
        for (std::size_t i = 1; i < texts.size(); ++i) {
            const Object& o = c.objects[i];
            const Point p = texts[i]->GetBaselinePoint();
            EXPECT_EQ(texts[i]->m_nSize, given->m_nSize);
            if (o.tabs > 0 && tabStep == 0)
                tabStep = (first.x - p.x) / o.tabs;
            EXPECT_EQ(first.x - p.x, tabStep * o.tabs) << i;
            lineY.emplace(o.line, p.y);
            EXPECT_EQ(p.y, lineY[o.line]) << i;
        }
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(TextOf(*texts[i]), c.objects[i].text) << i;
        std::int32_t above = first.y;
        for (const auto& [line, y] : lineY) {
            EXPECT_LT(y, above) << line;
            above = y;
        }
        if (c.objects.size() == 4) {
            EXPECT_GT(tabStep, 0);
        }
    }
}

TEST_F(InsertionFixture, InsertionIsOneUndoStep) {
    CDrawText* given = AddText();
    const std::u16string before = TextOf(*given);
    const std::u16string block(u"بت\rثد\0", 6);
    doc->InsertText(view.get(), given, block.data(), block.size(), true);
    ASSERT_EQ(Texts(*doc).size(), 2u);
    ASSERT_TRUE(doc->UndoRedo(true, view.get()));
    ASSERT_EQ(Texts(*doc).size(), 1u);
    EXPECT_EQ(TextOf(*given), before);
    ASSERT_TRUE(doc->UndoRedo(false, view.get()));
    EXPECT_EQ(Texts(*doc).size(), 2u);
    EXPECT_EQ(TextOf(*given), u"بت ");
}

// Tab positions at the largest size and zoom saturate on the coordinate
// range instead of wrapping round to the right of the page.
TEST_F(InsertionFixture, TabPositionsSaturateInsteadOfWrapping) {
    env.settings[CApplicationProperties::TabSize] = 100;
    doc->SetZoom(CKavitroDoc::kMaxZoom);
    CDrawText* given = AddText();
    given->m_nSize = CDrawText::kMaxSize;
    const std::u16string block(u"ب\tت\tث\tد\tر\0", 10);
    doc->InsertText(view.get(), given, block.data(), block.size(), true);
    const std::vector<CDrawText*> texts = Texts(*doc);
    ASSERT_EQ(texts.size(), 5u);
    for (std::size_t i = 1; i < texts.size(); ++i)
        EXPECT_LE(texts[i]->m_position.m_rect.left, texts[i - 1]->m_position.m_rect.left) << i;
    EXPECT_NEAR(texts.back()->m_position.m_rect.left, std::numeric_limits<std::int32_t>::min() / 50.0, 1000.0);
}

// Message 0x4CE without a selected text makes one from the ribbon's size
// and angle; the first space of a new document keeps its empty object, an
// import purges it.
TEST_F(InsertionFixture, TextBlockMessageMakesATextFromTheRibbon) {
    struct Case {
        std::function<double()> size;
        std::int32_t angle;
        LParam lParam;
        std::int32_t expectedSize;  // 0: no text object is left
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {{}, 0, 1, 25 * 20},  // no ribbon: "DefaultTextSize"
        {[] { return 30.75; }, 15, 1, 615},
        {[] { return 1.0; }, 0, 1, CDrawText::kMinSize},
        {[] { return 1e300; }, 0, 1, CDrawText::kMaxSize},
        {[nan] { return nan; }, 0, 1, 25 * 20},
        {{}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.expectedSize << " lParam " << c.lParam);
        doc->m_objects.Clear();
        view->ClearSelection();
        RibbonValues::Current().textSize = c.size;
        RibbonValues::Current().angle = [a = c.angle] { return a; };
        view->OnMessage({kNoTarget, NotifyMessage::InsertTextBlock, 0, c.lParam, u" "});
        const std::vector<CDrawText*> texts = Texts(*doc);
        if (c.expectedSize == 0) {
            EXPECT_TRUE(texts.empty());
            EXPECT_EQ(view->GetSelection().GetCount(), 0u);
            continue;
        }
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0]->m_nSize, c.expectedSize);
        EXPECT_EQ(texts[0]->m_position.m_nAngle, c.angle);
        EXPECT_EQ(view->GetSelection().GetEditedText(), texts[0]);
    }
    EXPECT_TRUE(env.errors.Reports().empty());
}

// The road of a user: a new document gets its first text object, a click
// selects it, and the keys typed one by one give the glyphs kavitro-shape
// gives for the line; the saved document holds them.
TEST_F(InsertionFixture, ClickTheFirstTextAndTypeGivesTheGlyphsOfKavitroShape) {
    view->OnInitialUpdate();
    DeliverOwnPosts();
    std::vector<CDrawText*> texts = Texts(*doc);
    ASSERT_EQ(texts.size(), 1u);
    CDrawText* text = texts[0];
    // Closing the untouched new document asks nothing.
    EXPECT_FALSE(doc->IsModified());

    view->OnChar(27);  // Escape: nothing selected
    ASSERT_EQ(view->GetSelection().GetCount(), 0u);
    CPolygonRect at;
    text->GetZoomedPosition(at);
    const Point click = view->DocToClient(Rect(at.m_rect).CenterPoint());
    view->OnLButtonDown(MK_LBUTTON, click);
    view->OnLButtonUp(0, click);
    ASSERT_EQ(view->GetSelection().GetEditedText(), text);

    const std::u16string_view typed = u"سلام دنیا";
    for (const char16_t c : typed)
        view->OnChar(c);
    EXPECT_FALSE(host.m_capture);
    // The caret stands inside the text's area on the screen, not below it.
    view->UpdateCaret(true);
    ASSERT_TRUE(host.m_caret.has_value());
    const Rect area = view->GetObjectRect(*text);
    EXPECT_GE(host.m_caret->top, area.top);
    EXPECT_LE(host.m_caret->bottom, area.bottom);

    const std::filesystem::path file = std::filesystem::path(KAVITRO_BINARY_DIR) / "view_typing_test.kv2";
    ASSERT_TRUE(doc->OnSaveDocument(QString::fromStdString(file.string())));
    const std::string dumped = RunCommand(KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc --data-dir '" KAVITRO_SHARE_DIR "' dump '" + file.string() + "'");
    std::filesystem::remove(file);
    // The first space came with the document, the letters were typed after it.
    const std::string shaped =
        RunCommand("printf '%s\\n' ' سلام دنیا' | " KAVITRO_BINARY_DIR "/tools/shape/kavitro-shape --data-dir '" KAVITRO_SHARE_DIR "'");
    EXPECT_EQ(WordsOf(dumped), WordsOf(shaped));
}


// A block of lines imported at any ribbon size, whatever its line endings:
// every line gets its own object, each below the one before with room
// between their frames and between their ink, and an empty line leaves a
// line's room.
TEST_F(InsertionFixture, LinesOfABlockNeverOverlap) {
    const std::vector<std::u16string> lines = {u"بسم الله الرحمن", u"سلام دنیا", u"", u"گل کاف", u"یکی بود"};
    struct Size {
        double ribbon;
        std::int32_t textSize;
    };
    const Size sizes[] = {{1, CDrawText::kMinSize}, {25, 500}, {100, 2000}, {1000, 20000}, {1e6, CDrawText::kMaxSize}};
    for (const Size& size : sizes) {
        for (const std::u16string_view ending : {u"\r\n", u"\n", u"\r"}) {
            SCOPED_TRACE(testing::Message() << "ribbon " << size.ribbon << " ending of " << ending.size());
            doc->m_objects.Clear();
            view->ClearSelection();
            RibbonValues::Current().textSize = [r = size.ribbon] { return r; };
            std::u16string block;
            for (const std::u16string& line : lines)
                block += line + std::u16string(ending);
            view->OnMessage({kNoTarget, NotifyMessage::InsertTextBlock, 0, 0, block});

            const std::vector<CDrawText*> texts = Texts(*doc);
            ASSERT_EQ(texts.size(), 4u);  // the empty line's object is purged
            std::vector<std::int32_t> baselines;
            for (std::size_t i = 0; i < texts.size(); ++i) {
                EXPECT_EQ(TextOf(*texts[i]), lines[i < 2 ? i : i + 1] + u" ") << i;
                EXPECT_EQ(texts[i]->m_nSize, size.textSize) << i;
                baselines.push_back(texts[i]->GetBaselinePoint().y);
                if (i == 0)
                    continue;
                // Page y grows upwards: a lower line has smaller y.
                Rect above, below;
                texts[i - 1]->GetZoomedRect(above);
                texts[i]->GetZoomedRect(below);
                above.NormalizeRect();
                below.NormalizeRect();
                EXPECT_LT(below.bottom, above.top) << "frames of lines " << i - 1 << " and " << i;
                const Rect inkAbove = doc->GetBoundingRect({texts[i - 1]});
                const Rect inkBelow = doc->GetBoundingRect({texts[i]});
                EXPECT_LT(inkBelow.bottom, inkAbove.top) << "ink of lines " << i - 1 << " and " << i;
            }
            // The empty line keeps its room: two line steps, to within rounding.
            const std::int64_t step = std::int64_t{baselines[2]} - baselines[3];
            const std::int64_t skip = std::int64_t{baselines[1]} - baselines[2];
            EXPECT_GT(step, 0);
            EXPECT_NEAR(static_cast<double>(skip), 2.0 * static_cast<double>(step), 3.0);
        }
    }
}

}  // namespace
}  // namespace kavitro
