// A number typed into a text object reads left to right in every output of
// the object (screen and print drawing, EPS outlines, component rectangles
// and so hit tests), and its caret stands where Qt's own bidirectional
// layout puts the caret in the same text.

#include <gtest/gtest.h>

#include <QFont>
#include <QString>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "engine/DigitRuns.h"
#include "platform/SpyDC.h"
#include "platform/Vector.h"
#include "tests/document/TextDocumentFixture.h"

namespace kavitro {
namespace {

struct DigitView : DefaultDocumentView, TextEditView {
    CTextComponentSelection component;
    CTextComponentSelection& GetComponentSelection() override { return component; }
    Point DeviceToLogical(Point device) const override { return device; }
};

struct DigitRunLayout : test::TextDocumentFixture<DigitView> {
    CDrawText* Type(std::u16string_view typed) {
        CPolygonRect pr;
        pr.m_rect = Rect(-3000, -5000, 0, 0);
        auto* text = new CDrawText(pr, 0, doc.get());
        doc->Add(text, true);
        view.m_selection = {text};
        for (char16_t c : typed) {
            EXPECT_EQ(text->OnChar(&view, c), 1);
            ++CObjectsBuffer::GetActionIdCounter();
        }
        return text;
    }
};

CTextComponentSelection Word(std::size_t w) {
    CTextComponentSelection s;
    s.m_firstWord = s.m_lastWord = static_cast<std::uint16_t>(w);
    return s;
}

bool IsDigitWord(const CCalligraphyWord& w) {
    return !w.m_characters.empty() && IsPersianDigit(w.m_characters[0].m_code);
}

// The digits that each output shows, read from the left of the page.
TEST_F(DigitRunLayout, EveryOutputShowsTheNumberInReadingOrder) {
    CDrawText* text = Type(u"ب ۱۲۳۴ ج");
    const auto& words = text->m_paragraph.m_words;
    struct Shown {
        char digit;
        int drawnPen;             // screen and print: where the glyph call puts it
        double outlineLeft;       // EPS
        Rect letterBox, wordBox;  // hit tests and highlights
    };
    std::vector<Shown> shown;
    const Point origin = text->GetZoomedBaselinePoint();
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (!IsDigitWord(words[w]))
            continue;
        Shown s{};
        s.digit = static_cast<char>('0' + words[w].m_characters[0].m_code - 0x06F0);
        CSpyDC spy;
        ASSERT_GE(text->DrawComponents(spy, nullptr, Word(w), origin, kWordsWithoutMarks), 1);
        for (const std::string& call : spy.Calls())
            if (std::sscanf(call.c_str(), "ExtTextOut %d", &s.drawnPen) == 1)
                break;
        CVector outline;
        ASSERT_EQ(text->WriteEPS(outline, Word(w), origin, true), 1);
        s.outlineLeft = outline.GetMinX();
        CTextComponentSelection letter = Word(w);
        letter.m_letter = 0;
        s.letterBox = text->GetComponentRect(letter, kLetter).m_rect;
        s.wordBox = text->GetComponentRect(Word(w), kWordsWithoutMarks).m_rect;
        shown.push_back(s);
    }
    // After a space every digit is a word of its own.
    ASSERT_EQ(shown.size(), 4u);
    auto reading = [&](auto key) {
        std::vector<Shown> sorted = shown;
        std::sort(sorted.begin(), sorted.end(), [&](const Shown& a, const Shown& b) { return key(a) < key(b); });
        std::string digits;
        for (const Shown& s : sorted)
            digits += s.digit;
        return digits;
    };
    EXPECT_EQ(reading([](const Shown& s) { return double(s.drawnPen); }), "1234");
    EXPECT_EQ(reading([](const Shown& s) { return s.outlineLeft; }), "1234");
    EXPECT_EQ(reading([](const Shown& s) { return double(s.letterBox.left); }), "1234");
    // The boxes that hit tests use hold the glyph where it is drawn: its pen
    // is the right end of its advance.
    for (const Shown& s : shown) {
        for (const Rect& box : {s.letterBox, s.wordBox}) {
            EXPECT_NEAR(std::max(box.left, box.right), s.drawnPen, 3) << s.digit;
            EXPECT_LT(std::min(box.left, box.right), s.drawnPen) << s.digit;
        }
    }
}

// Where each digit of the text is drawn, by digit.
std::map<char, int> DrawnDigits(CDrawText& text) {
    CSpyDC spy;
    text.DrawGlyphs(spy, true);
    std::map<char, int> drawn;
    for (const std::string& call : spy.Calls()) {
        int x = 0, y = 0;
        unsigned code = 0;
        if (std::sscanf(call.c_str(), "ExtTextOut %d,%d opt=0 U+%X", &x, &y, &code) == 3 && code >= 0xF030 &&
            code <= 0xF039)
            drawn[static_cast<char>('0' + code - 0xF030)] = x;
    }
    return drawn;
}

// A digit dragged on its own goes the way the mouse goes; the rest of its
// number stays.
TEST_F(DigitRunLayout, ADraggedDigitFollowsTheMouse) {
    CDrawText* text = Type(u"ب ۱۲۳۴");
    for (const int dx : {-150, 150}) {
        const std::map<char, int> before = DrawnDigits(*text);
        CTextComponentSelection two = Word(2);  // "ب ", "۱", "۲", ...
        text->MoveMarkOrWordsBy(two, Point{dx, 0});
        const std::map<char, int> after = DrawnDigits(*text);
        ASSERT_EQ(after.size(), 4u);
        for (const auto& [digit, x] : after)
            EXPECT_NEAR(x - before.at(digit), digit == '2' ? dx : 0, 2) << digit << " after a drag by " << dx;
    }
}

// The caret's place among the glyphs: how many glyph edges lie to its right.
int EdgesRightOf(double x, const std::set<double>& edges, double tolerance) {
    return static_cast<int>(std::count_if(edges.begin(), edges.end(), [&](double e) { return e > x + tolerance; }));
}

TEST_F(DigitRunLayout, CaretStandsWhereRightToLeftTextLayoutPutsIt) {
    for (const std::u16string_view typed : {u"ب۱۲۳ ج", u"۱۲۳", u"۱ب", u"ب ۱۲", u"۱۴۰۲ ۵۶۷"}) {
        CDrawText* text = Type(typed);
        const std::u16string all = std::u16string(typed) + u" ";  // with the text object's own space
        const auto& words = text->m_paragraph.m_words;

        // Qt's layout of the same characters in a right-to-left paragraph.
        const QString qtext = QString::fromStdU16String(all);
        QTextLayout layout(qtext, QFont());
        QTextOption option;
        option.setTextDirection(Qt::RightToLeft);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(100000);
        layout.endLayout();
        std::set<double> qtEdges;
        for (int i = 0; i <= qtext.size(); ++i)
            for (const auto edge : {QTextLine::Leading, QTextLine::Trailing}) {
                int at = i;
                qtEdges.insert(std::round(line.cursorToX(&at, edge) * 10) / 10);
            }

        // Ours: the edges of every character's box.
        std::set<double> edges;
        for (std::size_t w = 0; w < words.size(); ++w)
            for (std::size_t k = 0; k < words[w].m_characters.size(); ++k) {
                CTextComponentSelection letter = Word(w);
                letter.m_letter = static_cast<std::uint16_t>(k);
                const Rect box = text->GetComponentRect(letter, kLetter).m_rect;
                edges.insert(box.left);
                edges.insert(box.right);
            }
        ASSERT_EQ(qtEdges.size(), all.size() + 1) << "Qt's glyphs do not tile the line";
        ASSERT_EQ(edges.size(), all.size() + 1) << "our glyphs overlap or leave gaps";

        const Point origin = text->GetZoomedBaselinePoint();
        // The caret never passes the text object's own space.
        for (std::int32_t caret = 0; caret < static_cast<std::int32_t>(all.size()); ++caret) {
            text->m_nCaret = caret;
            int at = caret;
            const int qt = EdgesRightOf(std::round(line.cursorToX(&at) * 10) / 10, qtEdges, 0.05);
            EXPECT_EQ(EdgesRightOf(origin.x + text->GetCaretOffset().x, edges, 2), qt)
                << "caret " << caret << " in text " << QString::fromStdU16String(all).toStdString();
        }
    }
}

}  // namespace
}  // namespace kavitro
