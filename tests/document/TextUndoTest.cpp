// Undo and redo of text edits kept as differences: random editing sessions
// on two text objects, with undo and redo runs in between, must give back
// exactly the state each step left; and each step of a long typed text must
// hold only a few words.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "document/DrawText.h"
#include "tests/document/DocumentFixture.h"
#include "tests/document/TextTestSupport.h"

namespace kavitro {
namespace {


// Everything a text-edit step saves: words, characters, vowel points,
// caret, baseline offset and colour.
std::string State(const CDrawText& t) {
    std::ostringstream out;
    for (const CCalligraphyWord& w : t.m_paragraph.m_words) {
        out << '[' << w.m_x << ',' << w.m_y << ':';
        for (const CCalligraphyCharacter& c : w.m_characters)
            out << ' ' << c.m_code << '/' << int(c.m_font) << '/' << int(c.m_glyph) << '/' << c.m_yOffset << '/'
                << int(c.m_flags) << '/' << int(c.m_mark) << '/' << c.m_markDx << '/' << c.m_markDy;
        out << ']';
    }
    for (const CCalligraphyPoint& v : t.m_paragraph.m_points) out << " v" << int(v.m_sign) << ',' << v.m_x << ',' << v.m_y;
    out << " caret " << t.m_nCaret << " base " << t.m_nBaselineOffset << " colour " << t.m_color;
    return out.str();
}

struct TextUndoFixture : test::TextDocumentFixture {
    CDrawText* AddText(Point at) { return NewText(at); }
    void Type(CDrawText* text, std::uint32_t code) {
        view.m_selection = {text};
        text->OnChar(&view, code);
        ++CObjectsBuffer::GetActionIdCounter();
    }
};

TEST_F(TextUndoFixture, RandomEditsUndoAndRedoToExactlyTheStatesOfEachStep) {
    const std::u16string letters = u"ابپتسشکگلمنویهدر";
    for (unsigned seed = 1; seed <= 4; ++seed) {
        doc->RemoveView(&view);
        doc = test::NewDocument(services.services);
        doc->AddView(&view);
        // A new object takes away an empty one: each gets a letter first.
        CDrawText* texts[2] = {AddText({-3000, -5000}), nullptr};
        Type(texts[0], letters[seed]);
        texts[1] = AddText({-3000, -12000});
        Type(texts[1], letters[seed + 1]);
        std::mt19937 rng(seed);
        using Both = std::array<std::string, 2>;
        const auto both = [&] { return Both{State(*texts[0]), State(*texts[1])}; };
        // The states after each recorded step and the object each step
        // changed; pos is the step shown now.
        std::vector<Both> states{both()};
        std::vector<int> touched{0};  // bit 0: the first object, bit 1: the second
        std::size_t pos = 0;
        int current = 0;
        for (int step = 0; step < 300; ++step) {
            const std::size_t recorded = doc->m_objects.m_undo.size();
            const unsigned pick = rng() % 24;
            CDrawText* text = texts[current];
            const std::int32_t words = static_cast<std::int32_t>(text->m_paragraph.m_words.size());
            if (pick < 9) {
                Type(text, letters[rng() % letters.size()]);
            } else if (pick < 11) {
                Type(text, u' ');
            } else if (pick == 11) {
                Type(text, 8);
            } else if (pick == 12) {
                Type(text, 65430 + rng() % 3);
            } else if (pick == 13 && words > 1) {  // delete a run of words
                CTextComponentSelection run;
                run.m_firstWord = static_cast<std::uint16_t>(rng() % static_cast<unsigned>(words));
                run.m_lastWord = static_cast<std::uint16_t>(std::min<unsigned>(run.m_firstWord + rng() % 3, words - 1));
                doc->RecordModify(text);
                text->SetCaretAfterWord(static_cast<std::uint32_t>(text->m_paragraph.DeleteSelection(run)));
                ++CObjectsBuffer::GetActionIdCounter();
                text->RecalcLayout(&view, false);
            } else if (pick == 14) {
                doc->RecordModify(text);
                text->m_color = static_cast<COLORREF>(rng() & 0xFFFFFF);
                ++CObjectsBuffer::GetActionIdCounter();
            } else if (pick == 15) {  // the caret moves; no step of its own
                text->m_paragraph.SetCaret(text->m_nCaret,
                                              static_cast<std::int32_t>(rng() % (text->m_paragraph.GetCharacterCount() + 1)),
                                              false);
            } else if (pick == 16) {
                current = static_cast<int>(rng() % 2);
                continue;
            } else if (pick == 17) {  // spacing, a lifted word, vowel points
                doc->RecordModify(text);
                CCalligraphyParagraph& p = text->m_paragraph;
                const unsigned mode = rng() % 5;
                if (mode == 0)
                    for (std::size_t i = 0; i < p.m_words.size(); ++i) p.m_words[i].m_x += p.m_words[i].m_x / 10;
                else if (mode < 3)
                    p.SmartSpace(mode == 2);
                else if (mode == 3)
                    p.m_words[rng() % p.m_words.size()].m_y += 40;
                else if (p.m_points.empty() || rng() % 2)
                    p.m_points.push_back(CCalligraphyPoint{static_cast<std::uint8_t>(33 + rng() % 20),
                                                           static_cast<std::int32_t>(rng() % 5000), 300});
                else
                    p.m_points.erase(p.m_points.begin());
                ++CObjectsBuffer::GetActionIdCounter();
                text->RecalcLayout(&view, false);
            } else if (pick == 18) {  // one step for both objects
                for (CDrawText* t : texts) {
                    doc->RecordModify(t);
                    t->m_color = static_cast<COLORREF>(rng() & 0xFFFFFF);
                }
                ++CObjectsBuffer::GetActionIdCounter();
            } else if (pick >= 19) {
                const bool undo = pick < 21;
                for (unsigned n = 1 + rng() % 6; n > 0; --n) {
                    if (undo ? pos == 0 : pos + 1 == states.size()) break;
                    ASSERT_TRUE(doc->UndoRedo(undo, &view)) << "seed " << seed << " step " << step;
                    pos = undo ? pos - 1 : pos + 1;
                    ASSERT_EQ(both(), states[pos]) << "seed " << seed << " step " << step << (undo ? " undo" : " redo");
                }
                continue;
            }
            if (doc->m_objects.m_undo.size() != recorded) {
                states.resize(pos + 1);
                touched.resize(pos + 1);
                states.push_back(both());
                touched.push_back(pick == 18 ? 3 : 1 << current);
                ++pos;
                continue;
            }
            // A change with no step of its own (a caret move) stays with the
            // object through the replay of steps that do not touch it.
            const std::string now = State(*text);
            ASSERT_EQ(State(*texts[1 - current]), states[pos][1 - current]);
            states[pos][current] = now;
            for (std::size_t j = pos; j > 0 && (touched[j] & (1 << current)) == 0; --j) states[j - 1][current] = now;
            for (std::size_t j = pos + 1; j < states.size() && (touched[j] & (1 << current)) == 0; ++j) states[j][current] = now;
        }
        while (pos > 0) {
            ASSERT_TRUE(doc->UndoRedo(true, &view));
            ASSERT_EQ(both(), states[--pos]) << "seed " << seed << " final undo";
        }
        while (pos + 1 < states.size()) {
            ASSERT_TRUE(doc->UndoRedo(false, &view));
            ASSERT_EQ(both(), states[++pos]) << "seed " << seed << " final redo";
        }
    }
}

TEST_F(TextUndoFixture, EveryTypedStepKeepsOnlyTheWordsItChanged) {
    CDrawText* text = AddText({-3000, -5000});
    const std::u16string phrase = u"سلام بر دوستان خوب من ";
    for (int i = 0; i < 6; ++i)
        for (char16_t c : phrase) Type(text, c);
    // Keys at the start move every later word along.
    text->m_paragraph.SetCaret(text->m_nCaret, 0, false);
    for (char16_t c : std::u16string_view(u"گل سرخ ")) Type(text, c);
    const std::size_t words = text->m_paragraph.m_words.size();
    ASSERT_GT(words, 20u);

    std::vector<const CObjectsBuffer::CAction*> edits;
    for (const auto& a : doc->m_objects.m_undo)
        if (a->m_nKind == CObjectsBuffer::CAction::TextEdit) edits.push_back(a.get());
    ASSERT_GT(edits.size(), 100u);
    // Not even the newest step copies the text.
    for (std::size_t i = 0; i < edits.size(); ++i) {
        EXPECT_TRUE(edits[i]->m_bTextDelta) << i;
        EXPECT_LE(edits[i]->m_text.paragraph.m_words.size(), 2u) << i;
    }

    // Undoing everything gives back the empty start; redoing, the text.
    const std::string typed = State(*text);
    while (doc->UndoRedo(true, &view)) {}
    while (doc->UndoRedo(false, &view)) {}
    EXPECT_EQ(State(*text), typed);
}

// A run of spaces is one word growing by a key: each step keeps the
// characters it changed, not the run, and undo and redo walk every state.
// (Debug builds also check each key's layout against a whole measure.)
TEST_F(TextUndoFixture, ARunOfSpacesKeepsOnlyTheCharactersEachKeyChanged) {
    CDrawText* text = AddText({-3000, -5000});
    std::vector<std::string> states{State(*text)};
    const auto type = [&](char16_t c) {
        Type(text, c);
        states.push_back(State(*text));
    };
    // After letters of each kind (a tail, a join, a lone letter), and with
    // the caret back inside a run.
    for (const std::u16string_view word : {u"من", u"سلام", u"گل"}) {
        for (char16_t c : word) type(c);
        for (int i = 0; i < 40; ++i) type(u' ');
    }
    text->m_paragraph.SetCaret(text->m_nCaret, text->m_paragraph.GetCharacterCount() - 10, false);
    states.back() = State(*text);
    for (int i = 0; i < 20; ++i) type(u' ');

    // Only the first letter after a run, which starts a word of its own,
    // keeps the run's word whole.
    std::size_t charDeltas = 0, wholeRuns = 0;
    for (const auto& a : doc->m_objects.m_undo) {
        if (a->m_nKind != CObjectsBuffer::CAction::TextEdit) continue;
        std::size_t kept = 0;
        for (const CCalligraphyWord& w : a->m_text.paragraph.m_words) kept += w.m_characters.size();
        wholeRuns += kept > 20 ? 1 : 0;
        charDeltas += a->m_bCharDelta ? 1 : 0;
    }
    EXPECT_LE(wholeRuns, 2u);
    EXPECT_GT(charDeltas, 60u);

    for (std::size_t pos = states.size() - 1; pos > 0; --pos) {
        ASSERT_TRUE(doc->UndoRedo(true, &view));
        ASSERT_EQ(State(*text), states[pos - 1]) << "undo to " << pos - 1;
    }
    for (std::size_t pos = 1; pos < states.size(); ++pos) {
        ASSERT_TRUE(doc->UndoRedo(false, &view));
        ASSERT_EQ(State(*text), states[pos]) << "redo to " << pos;
    }
}

}  // namespace
}  // namespace kavitro
