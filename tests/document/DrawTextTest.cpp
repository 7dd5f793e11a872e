// The calligraphic text object: typing through OnChar, layout, undo and
// redo of keystrokes, the stored form, drawing through the spy and QPainter,
// hit tests and EPS outlines.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <optional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "engine/LegacyText.h"
#include "platform/PathRecorderDC.h"
#include "platform/SpyDC.h"
#include "platform/Vector.h"
#include "platform/qt/QtPainterDC.h"
#include "tests/document/DocumentFixture.h"
#include "tests/document/TextTestSupport.h"

namespace kavitro {
namespace {

using test::TestServices;

constexpr const char16_t* kSentence = u"سلام بر دوستان خوب من";

using test::InitFonts;
using test::TextView;

struct TextFixture : test::TextDocumentFixture {
    CDrawText* AddText(Point at = {-3000, -5000}) {
        CDrawText* text = NewText(at);
        view.m_selection = {text};
        return text;
    }
    // One keystroke as the text tool gives it: one action number per key.
    int Type(CDrawText* text, std::uint32_t code) {
        const int r = text->OnChar(&view, code);
        ++CObjectsBuffer::GetActionIdCounter();
        return r;
    }
    void TypeAll(CDrawText* text, std::u16string_view s) {
        for (char16_t c : s) Type(text, c);
    }
};

// Words and characters as kavitro-shape prints them.
std::string Dump(const CCalligraphyParagraph& p) {
    std::ostringstream out;
    for (const CCalligraphyWord& w : p.m_words) {
        out << '[' << w.m_x << ',' << w.m_y << ':';
        for (const CCalligraphyCharacter& c : w.m_characters)
            out << ' ' << std::hex << c.m_code << std::dec << '/' << int(c.m_font) << '/' << int(c.m_glyph) << '/'
                << c.m_yOffset << '/' << int(c.m_mark) << '/' << int(c.m_flags);
        out << ']';
    }
    for (const CCalligraphyPoint& v : p.m_points) out << " v" << int(v.m_sign) << ',' << v.m_x << ',' << v.m_y;
    return out.str();
}

std::string DumpDocument(const CKavitroDoc& doc) {
    std::string s;
    for (CDrawObj* o : doc.m_objects.m_objects)
        if (auto* t = dynamic_cast<CDrawText*>(o)) s += Dump(t->m_paragraph) + "|";
    return s;
}

// Maps the box, with a margin of 100 units, onto a picture of the given
// size, y up, glyphs set on their baseline from the right as a page does.
void MapAroundBox(CQtPainterDC& dc, const Rect& box, int width, int height) {
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrg({box.left - 100, box.bottom + 100});
    dc.SetWindowExt({box.right - box.left + 200, -(box.bottom - box.top + 200)});
    dc.SetViewportExt({width, height});
}

TEST_F(TextFixture, NewTextHoldsOneSpaceAndAsksForARibbonRefresh) {
    services.notifier.Clear();
    CDrawText* text = AddText();
    ASSERT_EQ(text->m_paragraph.m_words.size(), 1u);
    ASSERT_EQ(text->m_paragraph.m_words[0].m_characters.size(), 1u);
    EXPECT_EQ(text->m_paragraph.m_words[0].m_characters[0].m_code, u' ');
    EXPECT_EQ(text->m_nSize, 500);
    EXPECT_EQ(text->m_color, 0u);
    EXPECT_EQ(text->m_nCaret, 0);
    EXPECT_EQ(text->m_bPen, 0u);
    EXPECT_EQ(text->m_bBrush, 0u);
    EXPECT_TRUE(text->IsEmpty());
    bool posted = false;
    for (const PostedMessage& m : services.notifier.Posted()) posted |= m.message == NotifyMessage::SelectionChanged;
    EXPECT_TRUE(posted);
    // Spaces with a vowel sign are not empty.
    text->m_paragraph.m_points.push_back(CCalligraphyPoint{0x3D, 10, 10});
    EXPECT_FALSE(text->IsEmpty());
}

TEST_F(TextFixture, TypingGivesTheGlyphsOfTheParagraphTypedDirectly) {
    CDrawText* text = AddText();
    TypeAll(text, kSentence);
    CCalligraphyParagraph direct;
    std::int32_t caret = 0;
    direct.InsertCharacter(caret, u' ');
    direct.SetCaret(caret, 0, false);
    for (char16_t c : std::u16string_view(kSentence)) direct.InsertCharacter(caret, c);
    EXPECT_EQ(Dump(text->m_paragraph), Dump(direct));
    EXPECT_GT(text->m_paragraph.m_words.size(), 4u);
    std::vector<std::uint16_t> codes;
    text->GetCharacterCodes(codes);
    EXPECT_EQ(codes.size(), std::u16string_view(kSentence).size() + 1);
    EXPECT_FALSE(text->IsEmpty());
    // The rectangle holds the text: mirrored, as wide as the words.
    const Rect& r = text->m_position.m_rect;
    EXPECT_GT(r.left, r.right);
    const Rect b = text->m_paragraph.GetBoundingRect();
    EXPECT_EQ(std::int64_t{r.left} - r.right, MulDiv(b.right, 500, 2160) - MulDiv(b.left, 500, 2160));
}

TEST_F(TextFixture, StoreLoadStoreIsByteIdenticalAndSizesAreClamped) {
    CDrawText* text = AddText();
    TypeAll(text, kSentence);
    text->m_color = RGB(10, 20, 30);
    text->m_paragraph.m_points.push_back(CCalligraphyPoint{0x3D, -100, 250});
    const std::vector<std::uint8_t> first = doc->StoreToBytes();
    auto loaded = std::make_unique<CKavitroDoc>(services.services);
    std::string error;
    ASSERT_TRUE(loaded->LoadFromBytes(first, "t.kv2", &error)) << error;
    ASSERT_EQ(loaded->m_objects.m_objects.size(), 1u);
    auto* back = dynamic_cast<CDrawText*>(loaded->m_objects.m_objects.front());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Dump(back->m_paragraph), Dump(text->m_paragraph));
    EXPECT_EQ(back->m_color, text->m_color);
    EXPECT_EQ(loaded->StoreToBytes(), first);

    // The stored size in and out of range.
    for (const auto& [stored, expected] : std::vector<std::pair<std::uint32_t, std::int32_t>>{
             {0, 40}, {39, 40}, {500, 500}, {0x7FFFFFFF, CDrawText::kMaxSize}, {0xFFFFFFFF, CDrawText::kMaxSize}}) {
        CArchive out = CArchive::ForStoring();
        text->m_nSize = 500;
        text->Serialize(out);
        std::vector<std::uint8_t> bytes = out.GetStoredBytes();
        std::memcpy(&bytes[CDrawObj::kStoredSize], &stored, 4);
        CArchive in = CArchive::ForLoading(std::span<const std::uint8_t>(bytes));
        CDrawText t;
        t.Serialize(in);
        EXPECT_EQ(t.m_nSize, expected) << stored;
    }
}

TEST_F(TextFixture, SchemaZeroHasNoBaselineOffsetPenOrBrushAndMarksTheDocument) {
    CDrawText* text = AddText();
    TypeAll(text, u"بر");
    text->m_bPen = text->m_bBrush = 1;
    text->m_logpen.width = Point{5, 5};
    CArchive out = CArchive::ForStoring();
    text->Serialize(out);
    std::vector<std::uint8_t> fields = out.GetStoredBytes();
    // Schema 0: no baseline offset after size and colour, no vowel-point count.
    fields.erase(fields.begin() + CDrawObj::kStoredSize + 8, fields.begin() + CDrawObj::kStoredSize + 12);
    fields.resize(fields.size() - 2);
    std::vector<std::uint8_t> bytes = {0xFF, 0xFF, 0x00, 0x00, 9, 0};
    for (char c : std::string("CDrawText")) bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.insert(bytes.end(), fields.begin(), fields.end());
    CArchive in = CArchive::ForLoading(std::span<const std::uint8_t>(bytes));
    in.SetDocument(doc.get());
    doc->SetModifiedFlag(false);
    std::unique_ptr<CDrawText> t = in.ReadObjectAs<CDrawText>();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->m_nBaselineOffset, 0);
    EXPECT_EQ(t->m_bPen, 0u);
    EXPECT_EQ(t->m_bBrush, 0u);
    EXPECT_EQ(t->m_logpen.width, (Point{0, 0}));
    EXPECT_TRUE(t->m_paragraph.m_points.empty());
    EXPECT_EQ(Dump(t->m_paragraph), Dump(text->m_paragraph));
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(TextFixture, UndoAndRedoReplayEveryKeystroke) {
    const std::u16string letters = u"ابپتسشکگلمنویهدر";
    for (unsigned seed = 1; seed <= 6; ++seed) {
        doc = test::NewDocument(services.services);
        doc->AddView(&view);
        CDrawText* text = AddText();
        std::mt19937 rng(seed);
        std::vector<std::string> states{DumpDocument(*doc)};
        for (int step = 0; step < 60; ++step) {
            text = dynamic_cast<CDrawText*>(view.m_selection.back());
            ASSERT_NE(text, nullptr);
            const unsigned pick = rng() % 20;
            std::uint32_t code = letters[rng() % letters.size()];
            if (pick == 0) code = 8;
            else if (pick == 1) code = 32;
            else if (pick == 2) code = 65430 + rng() % 3;
            else if (pick == 3 && !text->IsEmpty()) code = 13;
            Type(text, code);
            states.push_back(DumpDocument(*doc));
        }
        for (std::size_t i = states.size() - 1; i > 0; --i) {
            if (states[i] == states[i - 1]) continue;  // a key that changed nothing may leave no step
            while (DumpDocument(*doc) == states[i] && doc->UndoRedo(true, &view)) {}
            ASSERT_EQ(DumpDocument(*doc), states[i - 1]) << "seed " << seed << " undo to " << i - 1;
        }
        for (std::size_t i = 1; i < states.size(); ++i) {
            if (states[i] == states[i - 1]) continue;
            while (DumpDocument(*doc) == states[i - 1] && doc->UndoRedo(false, &view)) {}
            ASSERT_EQ(DumpDocument(*doc), states[i]) << "seed " << seed << " redo to " << i;
        }
        // Typing on after the replay goes on from the redone text exactly as
        // typing into the same text from scratch does.
        auto* last = dynamic_cast<CDrawText*>(view.m_selection.back());
        ASSERT_NE(last, nullptr);
        CCalligraphyParagraph fresh;
        fresh.Copy(last->m_paragraph);
        std::int32_t caret = last->m_nCaret;
        for (char16_t c : std::u16string_view(u"گل سرخ")) {
            Type(last, c);
            fresh.InsertCharacter(caret, c);
        }
        EXPECT_EQ(Dump(last->m_paragraph), Dump(fresh)) << "seed " << seed;
        doc->RemoveView(&view);
    }
}

// A keystroke measures only the words it changed: wherever the caret stands,
// the frame and the ink box must stay those a layout of the whole text gives.
TEST_F(TextFixture, KeystrokesAnywhereLeaveTheFrameAWholeLayoutGives) {
    const std::u16string letters = u"ابپتسشکگلمنویهدر۱۲";
    CDrawText* text = AddText();
    std::mt19937 rng(7);
    for (int step = 0; step < 400; ++step) {
        const unsigned pick = rng() % 20;
        if (pick == 0)
            text->m_paragraph.SetCaret(text->m_nCaret,
                                       static_cast<std::int32_t>(rng() % (text->m_paragraph.GetCharacterCount() + 1)),
                                       false);
        std::uint32_t code = letters[rng() % letters.size()];
        if (pick == 1 || pick == 2) code = 8;
        else if (pick < 6) code = 32;
        else if (pick == 6) code = 65430 + rng() % 3;
        Type(text, code);

        CDrawText whole;
        whole.m_position = text->m_position;
        whole.m_nSize = text->m_nSize;
        whole.m_nBaselineOffset = text->m_nBaselineOffset;
        whole.m_paragraph.Copy(text->m_paragraph);
        whole.UpdateFrame();
        ASSERT_EQ(text->m_frame.m_rect, whole.m_frame.m_rect) << "step " << step;
        Rect ink, wholeInk;
        text->GetZoomedRect(ink);
        whole.GetZoomedRect(wholeInk);
        ASSERT_EQ(ink, wholeInk) << "step " << step;
    }
}

// A repaint draws the words that can reach its clip: what shows inside the
// clip is what a drawing of the whole text shows there.
TEST_F(TextFixture, ALongLineDrawsInsideTheClipWhatTheWholeDrawingShows) {
    CDrawText* text = AddText({-100, -1500});
    for (int i = 0; i < 12; ++i) TypeAll(text, u"سلام بر دوستان خوب من ");
    Rect box;
    text->GetZoomedRect(box);
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    const int width = 2400, height = 100;
    const auto draw = [&](const Rect* clip, int& drawn) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        MapAroundBox(dc, box, width, height);
        if (clip) dc.IntersectClipRect(dc.DPtoLP(*clip));
        drawn = text->DrawGlyphs(dc, true);
        painter.end();
        return image;
    };
    int all = 0, clipped = 0;
    const QImage whole = draw(nullptr, all);
    const Rect clip(1000, 0, 1200, height);
    const QImage part = draw(&clip, clipped);
    EXPECT_LT(clipped, all / 4);
    int ink = 0;
    for (int y = 0; y < height; ++y)
        for (int x = clip.left; x < clip.right; ++x) {
            ASSERT_EQ(part.pixel(x, y), whole.pixel(x, y)) << x << "," << y;
            ink += qGray(whole.pixel(x, y)) < 128;
        }
    EXPECT_GT(ink, 100);
}

TEST_F(TextFixture, KeysThatTypeNothingLeaveTheUndoAndRedoListsAlone) {
    CDrawText* text = AddText();
    TypeAll(text, u"سلا");
    const std::string typed = Dump(text->m_paragraph);
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    const std::size_t undo = doc->m_objects.m_undo.size(), redo = doc->m_objects.m_redo.size();
    ASSERT_GT(redo, 0u);
    // Ctrl+Z's character reaching the text (the engine refuses it) and a
    // code the keyboard layout refuses.
    for (const std::uint32_t code : {26u, 0x10000u}) {
        Type(text, code);
        EXPECT_EQ(doc->m_objects.m_undo.size(), undo) << code;
        EXPECT_EQ(doc->m_objects.m_redo.size(), redo) << code;
    }
    ASSERT_TRUE(doc->UndoRedo(false, &view));
    EXPECT_EQ(Dump(text->m_paragraph), typed);
    // A key that goes in is still one step of its own.
    Type(text, u'م');
    EXPECT_TRUE(doc->m_objects.m_redo.empty());
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(Dump(text->m_paragraph), typed);
}

TEST_F(TextFixture, EnterStartsASelectedTextOneLineBelow) {
    struct Case {
        std::int32_t size;
        COLORREF color;
        std::int32_t angle;
    };
    const Case cases[] = {{500, 0, 0}, {900, 0x0000FF, 30}, {260, 0x123456, 350}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " angle " << c.angle);
        CDrawText* text = AddText();
        text->m_nSize = c.size;
        text->m_color = c.color;
        TypeAll(text, u"سلام");
        if (c.angle != 0) text->ApplyChange(&view, c.angle, true, false);
        const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        const Point baseline = text->GetBaselinePoint();
        const std::int32_t left = text->m_position.m_rect.left;
        const std::size_t before = doc->m_objects.m_objects.size();
        EXPECT_EQ(Type(text, 13), 0);
        ASSERT_EQ(doc->m_objects.m_objects.size(), before + 1);
        ASSERT_EQ(view.m_selection.size(), 1u);
        auto* next = dynamic_cast<CDrawText*>(view.m_selection.front());
        ASSERT_NE(next, nullptr);
        EXPECT_NE(next, text);
        EXPECT_EQ(next->m_nPage, 0u);
        // Size, colour and angle follow the text it continues.
        EXPECT_EQ(next->m_nSize, c.size);
        EXPECT_EQ(next->m_color, c.color);
        EXPECT_EQ(next->m_position.m_nAngle, c.angle);
        EXPECT_EQ(next->m_position.m_rect.left, left);
        // Its top lies one ascent plus one line height below the first
        // baseline, so its own baseline (the pivot of its turn) lies one
        // line height below.
        EXPECT_EQ(next->GetBaselinePoint().y, baseline.y - MulDiv(fonts.GetLineHeight(), c.size, 2160));
    }
}

TEST_F(TextFixture, EnterInATextOfOnlyItsSpaceDoesNotTouchThePurgedObject) {
    CDrawText* text = AddText();
    EXPECT_EQ(Type(text, 13), 0);  // the old text is purged while the new one is added
    ASSERT_EQ(doc->m_objects.m_objects.size(), 1u);
    EXPECT_EQ(view.m_selection.size(), 1u);
    EXPECT_EQ(view.m_selection.front(), doc->m_objects.m_objects.front());
}

TEST_F(TextFixture, ModificationAtTheStartChangesNothingAndBadSelectionsAreCleared) {
    CDrawText* text = AddText();
    TypeAll(text, u"بر");
    text->m_paragraph.SetCaret(text->m_nCaret, 0, false);
    const std::string before = Dump(text->m_paragraph);
    EXPECT_EQ(Type(text, 65430), 1);
    EXPECT_EQ(Dump(text->m_paragraph), before);

    CTextComponentSelection bad;
    bad.m_firstWord = 7;
    bad.m_lastWord = 9;
    text->MoveMarkOrWordsBy(bad, {100, 100});
    EXPECT_EQ(bad.m_firstWord, CTextComponentSelection::kNone);
    EXPECT_EQ(Dump(text->m_paragraph), before);
    CTextComponentSelection badPoint;
    badPoint.m_point = 3;
    text->MoveVowelPointBy(badPoint, {10, 10});
    EXPECT_EQ(badPoint.m_point, CTextComponentSelection::kNone);
    view.component = bad;
    CSpyDC spy;
    text->DrawTracker(spy, &view, 0);
    EXPECT_EQ(view.component.m_firstWord, CTextComponentSelection::kNone);
    for (const std::string& call : spy.Calls()) EXPECT_EQ(call.find("ExtTextOut"), std::string::npos) << call;
    EXPECT_THROW(text->ExtractWords(bad), InvalidArgumentException);
}

TEST_F(TextFixture, MovingWordsAndMarksRecordsOneUndoStep) {
    CDrawText* text = AddText();
    TypeAll(text, u"بر سر");
    const std::string before = Dump(text->m_paragraph);
    CTextComponentSelection words;
    words.m_firstWord = 0;
    words.m_lastWord = 0;
    const std::int32_t x0 = text->m_paragraph.m_words[0].m_x;
    text->MoveMarkOrWordsBy(words, {-216, 0});
    // View units to glyph units at size 500 and zoom 100; words move against x.
    EXPECT_EQ(text->m_paragraph.m_words[0].m_x, x0 + MulDiv(216, 2160, 500));
    ++CObjectsBuffer::GetActionIdCounter();
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(Dump(text->m_paragraph), before);
}

TEST_F(TextFixture, ExtractedWordsStartAtZeroAndClonesCopyTheText) {
    CDrawText* text = AddText();
    TypeAll(text, kSentence);
    text->m_color = RGB(200, 0, 0);
    CTextComponentSelection range;
    range.m_firstWord = 3;  // either order
    range.m_lastWord = 1;
    std::unique_ptr<CDrawText> part(text->ExtractWords(range));
    ASSERT_EQ(part->m_paragraph.m_words.size(), 3u);
    EXPECT_EQ(part->m_paragraph.m_words[0].m_x, 0);
    EXPECT_EQ(part->m_paragraph.m_words[2].m_x, text->m_paragraph.m_words[3].m_x - text->m_paragraph.m_words[1].m_x);
    EXPECT_EQ(part->m_color, text->m_color);
    EXPECT_EQ(doc->m_objects.m_objects.size(), 1u);  // not added

    auto* clone = dynamic_cast<CDrawText*>(text->Clone(doc.get()));
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(doc->m_objects.m_objects.size(), 2u);
    EXPECT_EQ(Dump(clone->m_paragraph), Dump(text->m_paragraph));
    EXPECT_EQ(clone->m_position.m_rect, text->m_position.m_rect);
    EXPECT_EQ(clone->m_nCaret, 0);
}

TEST_F(TextFixture, Version1TextTakesSizePlaceAndAngleAndRefusesDamageWhole) {
    CDrawText* text = AddText();
    std::uint8_t code = 33;
    while (!LegacyCodeToUnicode(code)) ++code;
    CLegacyTextBlock block;
    block.characterCount = 1;
    block.records[0] = CLegacyTextBlock::Record{0x42, code, 100.f, 0.f, 0, 0, 0, 1, 0, 0};
    block.scale = 500.4f;
    block.xOrigin = -1000.7f;
    block.yOrigin = 2000.f;
    text->LoadVersion1Text(block, 1.0, 305);
    EXPECT_EQ(text->m_nSize, 500);
    EXPECT_EQ(text->m_position.m_rect.left, -1000);
    EXPECT_EQ(text->m_position.m_rect.top,
              -(2000 + MulDiv(CCalligraphyFont::GetInstance().GetAscent(), 500, 2160)));
    EXPECT_EQ(text->m_position.m_nAngle, 329);  // -30.5 degrees: floor -31; a fraction of exactly one half stays
    ASSERT_EQ(text->m_paragraph.GetCharacterCount(), 1);

    // A size that truncates to 0 keeps the marks as they are and gives the smallest size.
    block.scale = 0.4f;
    text->LoadVersion1Text(block, 1.0);
    EXPECT_EQ(text->m_nSize, CDrawText::kMinSize);

    const std::string before = Dump(text->m_paragraph);
    const Rect place = text->m_position.m_rect;
    block.records[0].font = 9;  // damaged
    block.scale = 900.f;
    EXPECT_THROW(text->LoadVersion1Text(block, 1.0), ArchiveException);
    EXPECT_EQ(Dump(text->m_paragraph), before);
    EXPECT_EQ(text->m_position.m_rect, place);
    EXPECT_EQ(text->m_nSize, CDrawText::kMinSize);
}

TEST_F(TextFixture, HandleDragNeverGoesBelowSizeForty) {
    CDrawText* text = AddText();
    TypeAll(text, u"سلام");
    const CPolygonRect zp = text->BuildZoomedPosition();
    text->MoveHandleTo(1, Point{zp.m_rect.right + 1, zp.m_rect.top}, &view);
    EXPECT_EQ(text->m_nSize, 40);
    text->ScaleAbout({0, 0}, 0.001, &view);
    EXPECT_EQ(text->m_nSize, 40);
}

// Glyph pen positions as the drawing formulas give them.
std::vector<std::string> ExpectedGlyphCalls(const CDrawText& text, std::int32_t angle) {
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const Point o = text.GetZoomedBaselinePoint();
    const std::int32_t s = text.m_nSize;
    const double rad = -(angle * 3.141592) / 180;
    std::vector<std::string> calls;
    for (const CCalligraphyWord& w : text.m_paragraph.m_words) {
        std::int64_t acc = MulDiv(w.GetTailOverhang(), s, 2160);
        for (const CCalligraphyCharacter& c : w.m_characters) {
            const std::int32_t X = static_cast<std::int32_t>(o.x - acc - MulDiv(w.m_x, s, 2160));
            const std::int32_t Y = o.y - MulDiv(text.m_nBaselineOffset + w.m_y + c.m_yOffset, s, 750);
            const unsigned g = c.m_glyph;
            const bool invisible = g == 0x20 || (c.m_font == 3 && g == 0x70) ||
                                   (c.m_font == 4 && (g == 0x21 || g == 0x22 || g == 0x58)) ||
                                   (c.m_font == 5 && ((g >= 0x21 && g <= 0x23) || (g >= 0x2B && g <= 0x31)));
            if (!invisible) {
                const double dx = X - o.x, dy = Y - o.y;
                const int rx = angle ? static_cast<int>(std::trunc((dx - dy * std::tan(rad)) * std::cos(rad) + o.x)) : X;
                const int ry = angle ? static_cast<int>(std::trunc((dx * std::tan(rad) + dy) * std::cos(rad) + o.y)) : Y;
                char line[64];
                std::snprintf(line, sizeof line, "ExtTextOut %d,%d opt=0 U+%04X", rx, ry, 0xF000 + c.m_glyph);
                calls.push_back(line);
            }
            acc += fonts.GetCurrentAbc(c.GetGlyph()).Advance();
        }
    }
    return calls;
}

TEST_F(TextFixture, GlyphsStandWhereTheFormulasPutThemAtEveryAngle) {
    CDrawText* text = AddText();
    TypeAll(text, kSentence);
    for (const std::int32_t angle : {0, 30, 350, -10}) {
        text->ApplyChange(&view, angle, true, false);
        CSpyDC spy;
        const int drawn = text->DrawGlyphs(spy, true);
        std::vector<std::string> glyphs;
        for (const std::string& call : spy.Calls())
            if (call.rfind("ExtTextOut ", 0) == 0) glyphs.push_back(call);
        const std::vector<std::string> expected = ExpectedGlyphCalls(*text, NormalizeAngle(angle));
        EXPECT_EQ(drawn, static_cast<int>(glyphs.size()));
        // Marks are interleaved with their letters: the letters appear in order.
        std::size_t at = 0;
        for (const std::string& g : glyphs)
            if (at < expected.size() && g == expected[at]) ++at;
        std::string shown;
        for (std::size_t i = 0; i < std::min<std::size_t>(6, glyphs.size()); ++i) shown += glyphs[i] + " | ";
        shown += " expected ";
        for (std::size_t i = 0; i < std::min<std::size_t>(6, expected.size()); ++i) shown += expected[i] + " | ";
        EXPECT_EQ(at, expected.size()) << "angle " << angle << shown;
    }
}

// A turned text must stay one rigid piece: every glyph turns by the angle
// its pen positions turn by, or the letters of a word fall apart.
TEST_F(TextFixture, GlyphsTurnWithTheirPenPositions) {
    CDrawText* text = AddText();
    TypeAll(text, kSentence);
    // The direction from the first glyph's pen to the last one's, in degrees
    // counterclockwise on the y-up page, and the escapement of the glyphs.
    auto drawn = [&](std::int32_t angle) {
        text->ApplyChange(&view, angle, true, false);
        CSpyDC spy;
        text->DrawGlyphs(spy, true);
        std::vector<std::pair<double, double>> pens;
        int escapement = -1;
        for (const std::string& call : spy.Calls()) {
            double x = 0, y = 0;
            if (std::sscanf(call.c_str(), "ExtTextOut %lf,%lf", &x, &y) == 2) pens.emplace_back(x, y);
            const std::size_t esc = call.find(" esc=");
            if (call.rfind("SelectFont face=Vorl2", 0) == 0 && esc != std::string::npos)
                escapement = std::atoi(call.c_str() + esc + 5);
        }
        EXPECT_GE(pens.size(), 2u);
        const double direction = std::atan2(pens.back().second - pens.front().second,
                                            pens.back().first - pens.front().first) * 180 / 3.14159265358979;
        return std::pair<double, int>{direction, escapement};
    };
    const double upright = drawn(0).first;
    for (const std::int32_t angle : {30, 90, 200, 350}) {
        const auto [direction, escapement] = drawn(angle);
        ASSERT_GE(escapement, 0) << angle;
        const double turned = std::remainder(direction - upright - escapement / 10.0, 360.0);
        EXPECT_NEAR(turned, 0.0, 1.0) << "angle " << angle << ": pens turn by " << direction - upright
                                      << ", glyphs by " << escapement / 10.0;
    }
}

TEST_F(TextFixture, MarksSitAtTheirAnchorsAndWmfRecordingWritesBytes) {
    CDrawText* text = AddText();
    TypeAll(text, u"بپ");
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const CCalligraphyWord* word = nullptr;
    std::size_t k = 0;
    for (const CCalligraphyWord& w : text->m_paragraph.m_words)
        for (std::size_t i = 0; i < w.m_characters.size(); ++i)
            if (w.m_characters[i].m_mark && !word) word = &w, k = i;
    ASSERT_NE(word, nullptr);
    const CCalligraphyCharacter& c = word->m_characters[k];
    const Point anchor = fonts.GetMarkAnchor(c.GetGlyph(), c.m_mark, c.HasMarkBelow());
    ASSERT_NE(anchor.y, -1);
    CSpyDC spy;
    text->DrawGlyphs(spy, true);
    const Point o = text->GetZoomedBaselinePoint();
    std::int64_t acc = MulDiv(word->GetTailOverhang(), 500, 2160);
    for (std::size_t i = 0; i < k; ++i) acc += fonts.GetCurrentAbc(word->m_characters[i].GetGlyph()).Advance();
    const std::int32_t X = static_cast<std::int32_t>(o.x - acc - MulDiv(word->m_x, 500, 2160));
    const std::int32_t Y = o.y - MulDiv(word->m_y + c.m_yOffset, 500, 750);
    char line[64];
    std::snprintf(line, sizeof line, "ExtTextOut %d,%d opt=0 U+%04X", X + MulDiv(anchor.x + c.m_markDx, 500, 2160),
                  Y + MulDiv(anchor.y + c.m_markDy, 500, 2160), 0xF000 + c.m_mark);
    EXPECT_NE(std::find(spy.Calls().begin(), spy.Calls().end(), std::string(line)), spy.Calls().end()) << line;

    g_bRecordingWmf = true;
    CSpyDC wmf;
    const int n = text->DrawGlyphs(wmf, true);
    g_bRecordingWmf = false;
    int bytes = 0;
    for (const std::string& call : wmf.Calls()) {
        EXPECT_EQ(call.rfind("ExtTextOut ", 0), std::string::npos) << call;
        bytes += call.rfind("ExtTextOutA ", 0) == 0;
    }
    EXPECT_EQ(bytes, n);
}

TEST_F(TextFixture, ASpaceDrawsNothing) {
    CDrawText* text = AddText();
    CSpyDC spy;
    EXPECT_EQ(text->DrawGlyphs(spy, false), 0);
}

TEST_F(TextFixture, RenderedSentenceLeavesInkAndAPngArtefact) {
    CDrawText* text = AddText({-100, -1500});
    TypeAll(text, kSentence);
    Rect redraw;
    text->GetZoomedRect(redraw);
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    QImage image(1200, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        MapAroundBox(dc, redraw, 1200, 300);
        text->Draw(dc);
    }
    const std::filesystem::path artefact = std::filesystem::path(KAVITRO_BINARY_DIR) / "text_sentence.png";
    image.save(QString::fromStdString(artefact.string()));
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(ink, 1000);
}

// Exports size their pictures, and views their repaints, by the recorded
// outlines of the glyphs: these must lie where the painter puts the ink, or a
// picture cuts off a letter's end.
TEST_F(TextFixture, RecordedGlyphOutlinesLieWhereThePainterInks) {
    CDrawText* text = AddText({-100, -1500});
    TypeAll(text, kSentence);
    Rect r;
    text->GetZoomedRect(r);
    r.NormalizeRect();
    // One scale on both axes, as pictures keep their aspect.
    const std::int32_t w = r.right - r.left + 800, h = r.bottom - r.top + 800;
    const QSize pixels(1600, static_cast<int>(std::lround(1600.0 * h / w)));
    auto map = [&](CDC& dc) {
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowOrg({r.left - 400, r.bottom + 400});
        dc.SetWindowExt({w, -h});
        dc.SetViewportExt({pixels.width(), pixels.height()});
    };
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        map(dc);
        ASSERT_GT(text->DrawGlyphs(dc, true), 0);
    }
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0);
    CPathRecorderDC recorder;
    recorder.SetGlyphOutlineSource(&CGlyphFontOutlines::Instance());
    map(recorder);
    text->DrawGlyphs(recorder, true);
    const Rect box = recorder.GetBounds();
    const Point a = recorder.LPtoDP({box.left, box.top}), b = recorder.LPtoDP({box.right, box.bottom});
    constexpr int kPixels = 2;
    EXPECT_NEAR(std::min(a.x, b.x), left, kPixels);
    EXPECT_NEAR(std::max(a.x, b.x), right, kPixels);
    EXPECT_NEAR(std::min(a.y, b.y), top, kPixels);
    EXPECT_NEAR(std::max(a.y, b.y), bottom, kPixels);
}

// The frame and the handles show the user where the text is: around its
// ink, not an ascent lower where the layout rectangle stands.
TEST_F(TextFixture, FrameAndHandlesStandAroundTheInk) {
    const struct {
        const char* name;
        std::int32_t size;
        bool signAbove;  // a vowel sign set high above the words
    } cases[] = {{"sentence", 500, false}, {"large sentence", 1500, false}, {"sign above", 500, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CDrawText* text = AddText({-100, -1500});
        text->m_nSize = c.size;
        TypeAll(text, kSentence);
        if (c.signAbove) text->m_paragraph.m_points.push_back(CCalligraphyPoint{0x3D, 3000, 9000});
        text->RecalcLayout(&view, false);
        CPathRecorderDC recorder;
        recorder.SetGlyphOutlineSource(&CGlyphFontOutlines::Instance());
        recorder.SetTextAlign(TA_BASELINE | TA_RIGHT);
        recorder.SetMapMode(MM_ANISOTROPIC);  // page y grows upwards
        recorder.SetWindowExt({1000, -1000});
        recorder.SetViewportExt({1000, 1000});
        ASSERT_GT(text->DrawGlyphs(recorder, true), 0);
        const Rect ink = recorder.GetBounds();
        CPolygonRect frame;
        text->GetZoomedPosition(frame);
        const std::int32_t low = std::min(frame.m_bounds.top, frame.m_bounds.bottom);
        const std::int32_t high = std::max(frame.m_bounds.top, frame.m_bounds.bottom);
        const std::int32_t slack = c.size / 40;
        EXPECT_NEAR(low, std::min(ink.top, ink.bottom), slack);
        EXPECT_NEAR(high, std::max(ink.top, ink.bottom), slack);
        std::int32_t handleLow = high, handleHigh = low;
        for (int h = 1; h <= text->GetHandleCount(); ++h) {
            handleLow = std::min(handleLow, text->GetHandle(h).y);
            handleHigh = std::max(handleHigh, text->GetHandle(h).y);
        }
        EXPECT_EQ(handleLow, low);
        EXPECT_EQ(handleHigh, high);
    }
    // Without ink the frame is one line standing on the baseline.
    CDrawText* empty = AddText();
    CPolygonRect frame;
    empty->GetZoomedPosition(frame);
    const std::int32_t baseline = empty->GetBaselinePoint().y;
    EXPECT_LT(std::min(frame.m_bounds.top, frame.m_bounds.bottom), baseline);
    EXPECT_GT(std::max(frame.m_bounds.top, frame.m_bounds.bottom), baseline);
}

// Exported and copied pictures are sized by the document's bounding box: a
// page holding one text gives a picture that its writing fills, not one that
// is blank below it where the invisible layout rectangle stands.
TEST_F(TextFixture, PictureOfOneTextIsFilledByItsWriting) {
    CDrawText* text = AddText({-3000, -5000});
    TypeAll(text, kSentence);
    text->RecalcLayout(&view, false);
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    QImage image;
    ASSERT_TRUE(doc->RenderToBitmap(image, Size{800, 800}, {text}, false));
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(bottom, 0);
    const int margin = image.height() * 15 / 100;
    EXPECT_LE(top, margin) << "blank above the writing, height " << image.height();
    EXPECT_GE(bottom, image.height() - 1 - margin) << "blank below the writing, height " << image.height();
    // A visible border still counts: with a pen the rectangle is drawn.
    const Rect inkOnly = doc->GetBoundingRect({text});
    text->m_bPen = 1;
    Rect withBorder = doc->GetBoundingRect({text}), layout = text->BuildZoomedPosition().m_bounds;
    layout.NormalizeRect();
    EXPECT_LE(withBorder.top, std::min(layout.top, inkOnly.top));
    EXPECT_GE(withBorder.bottom, std::max(layout.bottom, inkOnly.bottom));
}

// The first word drawn alone, mapped like a page (y grows upwards), as a
// click on the view sees it.
void DrawWordInk(CDrawText* text, CPathRecorderDC& recorder) {
    recorder.SetMapMode(MM_HIMETRIC);
    recorder.SetGlyphOutlineSource(&CGlyphFontOutlines::Instance());
    recorder.SetTextAlign(TA_BASELINE | TA_RIGHT);
    CTextComponentSelection word;
    word.m_firstWord = word.m_lastWord = 0;
    EXPECT_GT(text->DrawComponents(recorder, nullptr, word, text->GetZoomedBaselinePoint(), kWordsWithoutMarks), 0);
}

// A point on the first word's ink, two thirds of the way from the baseline
// to the ink's far edge above (or below) it, whose mirror image about the
// baseline is off the ink; nullopt when there is none.
std::optional<Point> InkPointOffItsMirror(CDrawText* text, bool above) {
    CPathRecorderDC ink;
    DrawWordInk(text, ink);
    const Rect box = ink.GetBounds();
    const std::int32_t baseline = text->GetZoomedBaselinePoint().y;
    const std::int32_t far = above ? std::max(box.top, box.bottom) : std::min(box.top, box.bottom);
    const std::int32_t y = baseline + (far - baseline) * 2 / 3;
    std::vector<Point> row;
    for (std::int32_t x = box.left; x <= box.right; ++x)
        if (ink.HitTest({x, y}) && !ink.HitTest({x, 2 * baseline - y})) row.push_back({x, y});
    if (row.empty() || (y - baseline > 0) != above) return std::nullopt;
    return row[row.size() / 2];
}

TEST_F(TextFixture, ComponentHitsFollowTheSelectionMethod) {
    CDrawText* text = AddText();
    TypeAll(text, u"سلام");
    CTextComponentSelection word;
    word.m_firstWord = word.m_lastWord = 0;
    const std::optional<Point> inside = InkPointOffItsMirror(text, true);
    ASSERT_TRUE(inside);
    services.settings[CApplicationProperties::SelectionMethod] = 0;
    EXPECT_EQ(text->HitComponent(&view, word, kWordsWithoutMarks, *inside), 0);
    for (const std::int32_t method : {1, 2}) {
        services.settings[CApplicationProperties::SelectionMethod] = method;
        EXPECT_EQ(text->HitComponent(&view, word, kWordsWithoutMarks, *inside), 1) << method;
    }
    std::vector<CTextComponentSelection> found2;
    text->FindComponentsAt(&view, found2, *inside, false);
    ASSERT_FALSE(found2.empty());
    EXPECT_EQ(found2.front().m_firstWord, 0);
    CTextComponentSelection missing;
    missing.m_firstWord = missing.m_lastWord = 40;
    EXPECT_THROW(text->HitComponent(&view, missing, kWordsWithoutMarks, *inside), InvalidArgumentException);
}

// The page's y grows upwards: a click on a letter's ink picks it, a click
// on the ink's mirror image about the baseline does not, whether the
// components are tested by their outlines or by their colour, and whether
// the object is tested by the box of its outlines.
TEST_F(TextFixture, ClicksHitTheInkNotItsMirrorImage) {
    const struct {
        const char* name;
        std::u16string_view typed;
        bool above;       // the ink tested stands above the baseline
        bool wholeAbove;  // no ink at all below the baseline
    } cases[] = {{"tall alef", u"ا", true, false}, {"reh's tail", u"ر", false, false}, {"digit", u"۲", true, true}};
    CTextComponentSelection word;
    word.m_firstWord = word.m_lastWord = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CDrawText* text = AddText();
        TypeAll(text, c.typed);
        const std::optional<Point> ink = InkPointOffItsMirror(text, c.above);
        ASSERT_TRUE(ink);
        const Point mirror{ink->x, 2 * text->GetZoomedBaselinePoint().y - ink->y};
        for (const std::int32_t method : {1, 2}) {
            services.settings[CApplicationProperties::SelectionMethod] = method;
            EXPECT_EQ(text->HitComponent(&view, word, kWordsWithoutMarks, *ink), 1) << method;
            EXPECT_EQ(text->HitComponent(&view, word, kWordsWithoutMarks, mirror), 0) << method;
        }
        services.settings[CApplicationProperties::SelectionMethod] = 4;
        EXPECT_TRUE(text->IntersectsPoint(*ink));
        if (c.wholeAbove) {
            EXPECT_FALSE(text->IntersectsPoint(mirror));
        }
    }
}

TEST_F(TextFixture, EpsOfATextRendersInsideItsBoundingBox) {
    CDrawText* text = AddText();
    TypeAll(text, kSentence);
    CVector vector(GetTrigTable());
    text->ExportEPS(vector, true);
    const int paths = [&] {
        CVector counter;
        int n = 0;
        for (std::size_t i = 0; i < text->m_paragraph.m_words.size(); ++i) {
            CTextComponentSelection s;
            s.m_firstWord = s.m_lastWord = static_cast<std::uint16_t>(i);
            n += text->WriteEPS(counter, s, text->GetZoomedBaselinePoint(), true);
        }
        return n;
    }();
    EXPECT_GT(paths, 10);
    text->ExportEPS(vector, false);
    vector.BuildHeaderAndTrailer();
    const std::filesystem::path dir = std::filesystem::path(KAVITRO_BINARY_DIR);
    const std::filesystem::path eps = dir / "text_sentence.eps";
    ASSERT_TRUE(vector.SaveFile(eps));
    if (std::system("command -v gs >/dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript is not installed";
    const std::string command = "gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=bbox '" + eps.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ASSERT_EQ(pclose(pipe), 0) << output;
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    auto box = [](const std::string& text, double v[4]) {
        const std::size_t at = text.find("%%HiResBoundingBox:");
        if (at == std::string::npos) return false;
        std::istringstream in(text.substr(at + 19));
        in.imbue(std::locale::classic());
        return static_cast<bool>(in >> v[0] >> v[1] >> v[2] >> v[3]);
    };
    double declared[4], ink[4];
    ASSERT_TRUE(box(vector.GetProlog(), declared));
    ASSERT_TRUE(box(output, ink)) << output;
    EXPECT_GT(ink[2] - ink[0], 10);
    EXPECT_GE(ink[0], declared[0]);
    EXPECT_GE(ink[1], declared[1]);
    EXPECT_LE(ink[2], declared[2]);
    EXPECT_LE(ink[3], declared[3]);
}

std::string RunCommand(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    status = pclose(pipe);
    return output;
}

// The words of a dumped document equal those kavitro-shape gives for line.
void ExpectWordsOfShapedLine(const std::string& dumped, const std::string& shape, const std::string& line) {
    int status = 0;
    const std::string shaped = RunCommand("printf '%s\\n' '" + line + "' | " + shape, status);
    ASSERT_EQ(status, 0);
    const std::size_t a = dumped.find("\"words\": ["), b = dumped.find(", \"points\"");
    const std::size_t c = shaped.find("\"words\": ["), d = shaped.rfind('}');
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(c, std::string::npos);
    EXPECT_EQ(dumped.substr(a, b - a), shaped.substr(c, d - c));
}

TEST(TextTool, NewThenDumpShowsTheGlyphsOfKavitroShapeAndResavesIdentically) {
    const std::filesystem::path dir = std::filesystem::path(KAVITRO_BINARY_DIR) / "text_tool_test";
    std::filesystem::create_directories(dir);
    // Both tools over the build's placeholder artwork, whatever the program draws with.
    const std::string doc = KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc --data-dir '" KAVITRO_SHARE_DIR "'";
    const std::string shape = KAVITRO_BINARY_DIR "/tools/shape/kavitro-shape --data-dir '" KAVITRO_SHARE_DIR "'";
    const std::string line = "سلام بر دوستان خوب من";
    const std::string kv2 = (dir / "a.kv2").string(), again = (dir / "b.kv2").string();
    int status = 0;
    RunCommand(doc + " new '" + kv2 + "' --text '" + line + "' --size 600 --angle 350 2>&1", status);
    ASSERT_EQ(status, 0);
    const std::string dumped = RunCommand(doc + " dump '" + kv2 + "' 2>/dev/null", status);
    ASSERT_EQ(status, 0);
    ExpectWordsOfShapedLine(dumped, shape, line);
    EXPECT_NE(dumped.find("\"angle\": 350"), std::string::npos);
    EXPECT_NE(dumped.find("\"size\": 600"), std::string::npos);
    RunCommand(doc + " resave '" + kv2 + "' '" + again + "' 2>&1", status);
    ASSERT_EQ(status, 0);
    std::ifstream x(kv2, std::ios::binary), y(again, std::ios::binary);
    const std::string first((std::istreambuf_iterator<char>(x)), {}), second((std::istreambuf_iterator<char>(y)), {});
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    std::filesystem::remove_all(dir);
}

TEST(TextTool, TypesThroughTheProgramsKeyboardTranslation) {
    // The keyboard translation types a zero-width non-joiner as a space, so
    // the typed words are those of the text with a plain space there.
    const std::filesystem::path dir = std::filesystem::path(KAVITRO_BINARY_DIR) / "text_tool_keys_test";
    std::filesystem::create_directories(dir);
    const std::string doc = KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc --data-dir '" KAVITRO_SHARE_DIR "'";
    const std::string shape = KAVITRO_BINARY_DIR "/tools/shape/kavitro-shape --data-dir '" KAVITRO_SHARE_DIR "'";
    const std::string kv2 = (dir / "keys.kv2").string();
    int status = 0;
    RunCommand(doc + " new '" + kv2 + "' --text 'می\u200cکند' 2>&1", status);
    ASSERT_EQ(status, 0);
    const std::string dumped = RunCommand(doc + " dump '" + kv2 + "' 2>/dev/null", status);
    ASSERT_EQ(status, 0);
    ExpectWordsOfShapedLine(dumped, shape, "می کند");
    std::filesystem::remove_all(dir);
}

TEST(TextTool, EachLineFeedTypesTheNextLineIntoItsOwnTextObjectOneLineStepLower) {
    // The artwork proof page relies on this: a line feed is the Enter key,
    // which starts a new text object at the same right edge, one line lower.
    const std::filesystem::path dir = std::filesystem::path(KAVITRO_BINARY_DIR) / "text_tool_lines_test";
    std::filesystem::create_directories(dir);
    const std::string doc = KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc --data-dir '" KAVITRO_SHARE_DIR "'";
    const std::string kv2 = (dir / "lines.kv2").string();
    int status = 0;
    RunCommand(doc + " new '" + kv2 + "' --size 600 --text \"$(printf 'سلام\\nبر\\nمن')\" 2>&1", status);
    ASSERT_EQ(status, 0);
    const std::string dumped = RunCommand(doc + " dump '" + kv2 + "' 2>/dev/null", status);
    ASSERT_EQ(status, 0);
    // One object a line in the dump: its frame (stored mirrored, y up: left
    // is the right-hand edge), then its typed characters.
    struct Typed {
        std::int32_t left = 0, top = 0;
        std::string characters;
    };
    std::vector<Typed> texts;
    std::istringstream in(dumped);
    for (std::string line; std::getline(in, line);) {
        const std::size_t rect = line.find("\"rect\": ["), chars = line.find("\"characters\": [");
        if (line.find("\"CDrawText\"") == std::string::npos || rect == std::string::npos || chars == std::string::npos)
            continue;
        Typed t;
        std::sscanf(line.c_str() + rect, "\"rect\": [%d, %d", &t.left, &t.top);
        t.characters = line.substr(chars + 15, line.find(']', chars) - chars - 15);
        texts.push_back(t);
    }
    ASSERT_EQ(texts.size(), 3u) << dumped;
    const char* lines[] = {"1587, 1604, 1575, 1605", "1576, 1585", "1605, 1606"};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].characters.rfind(lines[i], 0), 0u) << texts[i].characters;
        EXPECT_EQ(texts[i].left, texts[0].left);
    }
    EXPECT_GT(texts[0].top - texts[1].top, 0);
    EXPECT_EQ(texts[0].top - texts[1].top, texts[1].top - texts[2].top);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavitro
