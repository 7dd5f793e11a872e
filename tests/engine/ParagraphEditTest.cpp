// Paragraph editing through the shaping engine. The scenarios use the
// characters that always shape (space, Persian digits, punctuation) and
// stored letters; the randomised run at the end types every letter and so
// exercises whatever rule tables exist.

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/CalligraphyEngine.h"
#include "engine/CalligraphyText.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro {
namespace {

using test::TestGlyphMetrics;

constexpr char16_t kSp = u' ';
constexpr char16_t kOne = u'\u06F1';
constexpr char16_t kTwo = u'\u06F2';
constexpr char16_t kThree = u'\u06F3';
constexpr char16_t kBeh = u'\u0628';
constexpr char16_t kAlef = u'\u0627';
constexpr char16_t kDal = u'\u062F';
constexpr char16_t kReh = u'\u0631';

// The glyph a stored character of a constructed paragraph carries.
GlyphId StoredGlyph(char16_t code) {
    if (code >= 0x06F0 && code <= 0x06F9)
        return MakeGlyph(4, 48 + (code - 0x06F0));
    switch (code) {
    case kSp: return MakeGlyph(1, 32);
    case u'.': return MakeGlyph(4, 86);
    case kAlef: return MakeGlyph(1, 30);
    case kDal: return MakeGlyph(1, 70);
    case kReh: return MakeGlyph(1, 75);
    default: return MakeGlyph(1, 133);
    }
}

CCalligraphyWord StoredWord(std::u16string_view codes) {
    CCalligraphyWord word;
    for (char16_t code : codes) {
        CCalligraphyCharacter c;
        c.m_code = code;
        c.SetGlyph(StoredGlyph(code));
        word.m_characters.push_back(c);
    }
    return word;
}

// Words laid end to end from x = 0, as typing lays them.
CCalligraphyParagraph StoredParagraph(std::initializer_list<std::u16string_view> words) {
    CCalligraphyParagraph paragraph;
    std::int32_t x = 0;
    for (std::u16string_view codes : words) {
        paragraph.m_words.push_back(StoredWord(codes));
        paragraph.m_words.back().m_x = x;
        x += paragraph.m_words.back().GetWidth();
    }
    return paragraph;
}

std::vector<std::u16string> Words(const CCalligraphyParagraph& paragraph) {
    std::vector<std::u16string> words;
    for (const CCalligraphyWord& word : paragraph.m_words) {
        words.emplace_back();
        for (const CCalligraphyCharacter& c : word.m_characters)
            words.back() += static_cast<char16_t>(c.m_code);
    }
    return words;
}

std::u16string Text(const CCalligraphyParagraph& paragraph) {
    std::u16string text;
    for (const std::u16string& word : Words(paragraph))
        text += word;
    return text;
}

// Everything the paragraph holds, for exact comparisons.
std::string Dump(const CCalligraphyParagraph& paragraph) {
    std::ostringstream out;
    for (const CCalligraphyWord& word : paragraph.m_words) {
        out << "(" << word.m_x << "," << word.m_y << ")";
        for (const CCalligraphyCharacter& c : word.m_characters)
            out << " " << c.m_code << ":" << GlyphFont(c.GetGlyph()) << "/" << GlyphIndex(c.GetGlyph()) << ":"
                << c.m_yOffset << ":" << int(c.m_flags) << ":" << int(c.m_mark) << ":" << c.m_markDx << ":" << c.m_markDy;
        out << "\n";
    }
    for (const CCalligraphyPoint& p : paragraph.m_points)
        out << "point " << int(p.m_sign) << " " << p.m_x << " " << p.m_y << "\n";
    return out.str();
}

bool IsAttachableCharacter(const CCalligraphyCharacter& c) {
    CCalligraphyWord single;
    single.m_characters = {c};
    return single.IsAttachable();
}

// What every edit that ends in re-splitting and merging leaves behind in a
// typed paragraph.
void ExpectInvariants(const CCalligraphyParagraph& paragraph) {
    std::int64_t x = 0;
    for (std::size_t i = 0; i < paragraph.m_words.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "word " << i << "\n" << Dump(paragraph));
        const CCalligraphyWord& word = paragraph.m_words[i];
        ASSERT_FALSE(word.m_characters.empty());
        // One connected group: after the first character that does not join
        // the next one come only characters that travel with the word.
        bool closed = false;
        for (std::size_t k = 0; k < word.m_characters.size(); ++k) {
            const CCalligraphyCharacter& c = word.m_characters[k];
            EXPECT_TRUE(c.m_glyph != 0 && c.m_font >= 1 && c.m_font <= 5);
            if (closed) {
                EXPECT_TRUE(IsAttachableCharacter(c)) << "character " << k;
            }
            const std::uint16_t next = k + 1 < word.m_characters.size() ? word.m_characters[k + 1].m_code : 0;
            closed = closed || CCalligraphyEngine::IsNonJoining(c.m_code, next);
        }
        EXPECT_EQ(word.m_x, x) << "words lie end to end";
        EXPECT_EQ(word.m_y, 0);
        x += word.GetWidth();
    }
}

std::int32_t Insert(CCalligraphyParagraph& paragraph, std::int32_t& caret, std::u16string_view codes) {
    std::int32_t refused = 0;
    for (char16_t code : codes)
        refused += paragraph.InsertCharacter(caret, code) == 0 ? 1 : 0;
    return refused;
}

// --- Typing ------------------------------------------------------------------------

TEST(ParagraphTyping, NewTextObjectKeepsTheCaretBeforeItsSpace) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    EXPECT_EQ(paragraph.InsertCharacter(caret, kSp), 1);
    EXPECT_EQ(caret, 0);

    EXPECT_EQ(Insert(paragraph, caret, u"\u06F1\u06F2"), 0);
    EXPECT_EQ(caret, 2);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1", u"\u06F2 "}));
    ExpectInvariants(paragraph);
}

TEST(ParagraphTyping, EmptyParagraphTakesACharacterOrStaysEmpty) {
    TestGlyphMetrics metrics;
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    EXPECT_EQ(paragraph.InsertCharacter(caret, u'a'), 0);
    EXPECT_EQ(caret, 0);
    EXPECT_TRUE(paragraph.m_words.empty());

    EXPECT_EQ(paragraph.InsertCharacter(caret, kOne), 1);
    EXPECT_EQ(caret, 1);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1"}));
}

TEST(ParagraphTyping, FullStopBringsItsSpace) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    Insert(paragraph, caret, u" ");
    Insert(paragraph, caret, u"\u06F1");
    ASSERT_EQ(caret, 1);
    EXPECT_EQ(paragraph.InsertCharacter(caret, u'.'), 1);
    EXPECT_EQ(caret, 3);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1 ", u". "}));
    ExpectInvariants(paragraph);
}

TEST(ParagraphTyping, SpaceBeforeTrailingSpaceExtendsTheWordWithoutRebuildingIt) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u"\u06F2 "});
    paragraph.m_words[0].m_characters[0].m_yOffset = 7;  // a rebuild would reset it
    const std::int32_t secondX = paragraph.m_words[1].m_x;
    std::int32_t caret = 1;
    EXPECT_EQ(paragraph.InsertCharacter(caret, kSp), 1);
    EXPECT_EQ(caret, 2);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1  ", u"\u06F2 "}));
    EXPECT_EQ(paragraph.m_words[0].m_characters[0].m_yOffset, 7);
    EXPECT_EQ(paragraph.m_words[1].m_x, secondX + StoredWord(u" ").GetWidth());
}

// A letter form that travels with the word before it (4/33) may follow a
// space inside a word. That space is not a trailing one: a space typed
// before it goes in at the caret, not after the letter.
TEST(ParagraphTyping, SpaceBeforeASpaceThatALetterFollowsGoesInAtTheCaret) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u"\u0628 \u0646", u"\u06F2 "});
    paragraph.m_words[1].m_characters[2].SetGlyph(MakeGlyph(4, 33));
    paragraph.m_words[2].m_x = paragraph.m_words[1].m_x + paragraph.m_words[1].GetWidth();
    ASSERT_NO_FATAL_FAILURE(ExpectInvariants(paragraph));
    std::int32_t caret = 3;  // between the beh and its space
    EXPECT_EQ(paragraph.InsertCharacter(caret, kSp), 1);
    EXPECT_EQ(caret, 4);
    EXPECT_EQ(Text(paragraph), u"\u06F1 \u0628  \u0646\u06F2 ");
    ExpectInvariants(paragraph);
}

TEST(ParagraphTyping, AtAWordBoundaryOnlyTheLaterWordIsRebuilt) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u"\u06F2 "});
    paragraph.m_words[0].m_characters[0].m_yOffset = 7;
    paragraph.m_words[1].m_characters[0].m_yOffset = 7;
    std::int32_t caret = 2;
    EXPECT_EQ(paragraph.InsertCharacter(caret, kThree), 1);
    EXPECT_EQ(caret, 3);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1 ", u"\u06F3", u"\u06F2 "}));
    EXPECT_EQ(paragraph.m_words[0].m_characters[0].m_yOffset, 7);
    EXPECT_EQ(paragraph.m_words[2].m_characters[0].m_yOffset, 0);
    ExpectInvariants(paragraph);
}

TEST(ParagraphTyping, ReshapedPreviousWordMovesTheWordsAfterIt) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    // A lone beh in its word-start form (1/133) ends the first word; a digit
    // typed at the start of the next word gives it its isolated form (1/66),
    // a narrower glyph.
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u0628", u"\u06F1 "});
    std::int32_t caret = 1;
    EXPECT_EQ(paragraph.InsertCharacter(caret, kTwo), 1);
    ASSERT_NE(paragraph.m_words[0].m_characters[0].GetGlyph(), MakeGlyph(1, 133)) << "no word-end form was given";
    ExpectInvariants(paragraph);
}

TEST(ParagraphTyping, RefusedCodeLeavesTheParagraphExactlyAsItWas) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const CCalligraphyParagraph original = StoredParagraph({u"\u0628\u0628 ", u"\u06F1 "});
    for (const char16_t code : {u'a', u'1', u'\u0661', u'\u0643', u'\u200C', u'\uFF96', u'\0'}) {
        for (std::int32_t start = 0; start <= original.GetCharacterCount(); ++start) {
            SCOPED_TRACE(testing::Message() << "code " << int(code) << " caret " << start);
            CCalligraphyParagraph paragraph = original;
            std::int32_t caret = start;
            EXPECT_EQ(paragraph.InsertCharacter(caret, code), 0);
            EXPECT_EQ(caret, start);
            EXPECT_EQ(Dump(paragraph), Dump(original));
        }
    }
}

// --- Splitting and merging ------------------------------------------------------------

TEST(ParagraphSplitting, SpaceInsideAWordCutsItAndKeepsItsLetters) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u0628\u0628 "});
    paragraph.m_words[0].m_x = 40;  // the first piece keeps the word's place
    std::int32_t caret = 1;
    EXPECT_EQ(paragraph.InsertCharacter(caret, kSp), 1);
    EXPECT_EQ(caret, 2);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u0628 ", u"\u0628 "}));
    EXPECT_EQ(paragraph.m_words[0].m_x, 40);
    EXPECT_EQ(paragraph.m_words[1].m_x, 40 + paragraph.m_words[0].GetWidth());
}

TEST(ParagraphSplitting, NonJoiningLetterInsideAWordClosesIt) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const CCalligraphyParagraph original = StoredParagraph({u"\u0628\u0628 "});
    CCalligraphyParagraph paragraph = original;
    std::int32_t caret = 1;
    if (paragraph.InsertCharacter(caret, kAlef) == 1) {
        EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u0628\u0627", u"\u0628 "}));
        EXPECT_EQ(caret, 2);
        ExpectInvariants(paragraph);
    } else {  // no rule for alef yet
        EXPECT_EQ(Dump(paragraph), Dump(original));
    }
}

TEST(ParagraphSplitting, ResplitCutsAfterEveryCharacterThatDoesNotJoinTheNext) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    struct Case {
        std::u16string word;
        std::vector<std::u16string> pieces;
    };
    const Case cases[] = {
        {u"\u0627\u0628 ", {u"\u0627", u"\u0628 "}},
        {u"\u062F\u0631 ", {u"\u062F\u0631", u" "}},  // dal joins a following reh
        {u"\u062F\u0628 ", {u"\u062F", u"\u0628 "}},  // but no other letter
        {u"  \u06F1", {u" ", u" ", u"\u06F1"}},
        {u"\u0628\u0628", {u"\u0628\u0628"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1", u"", u"\u06F2"});
        paragraph.m_words[0].m_y = 30;
        paragraph.m_words[1] = StoredWord(c.word);
        paragraph.m_words[1].m_x = 5000;
        paragraph.m_words[1].m_y = 70;
        paragraph.ResplitWord(1);

        std::vector<std::u16string> expected = {u"\u06F1"};
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        expected.push_back(u"\u06F2");
        ASSERT_EQ(Words(paragraph), expected);
        // The first closed group keeps the word's place; every other group
        // starts where the one before it ends, on its baseline. A word that
        // never closes is laid after the word before it.
        const bool closes = CCalligraphyEngine::IsNonJoining(c.pieces[0].back(), 0) || c.pieces.size() > 1;
        for (std::size_t i = 1; i <= c.pieces.size(); ++i) {
            const CCalligraphyWord& piece = paragraph.m_words[i];
            const CCalligraphyWord& before = paragraph.m_words[i - 1];
            if (i == 1 && closes) {
                EXPECT_EQ(piece.m_x, 5000);
                EXPECT_EQ(piece.m_y, 70);
            } else {
                EXPECT_EQ(piece.m_x, before.m_x + before.GetWidth());
                EXPECT_EQ(piece.m_y, before.m_y);
            }
        }
    }
}

TEST(ParagraphMerging, AttachableRunsJoinTheNearestWordBeforeThem) {
    TestGlyphMetrics metrics;
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u0628", u" ", u"", u" ", u"\u0628"});
    paragraph.m_words[3].m_characters.push_back(paragraph.m_words[3].m_characters[0]);
    paragraph.m_words[3].m_characters.back().SetGlyph(MakeGlyph(4, 33));  // a travelling letter form
    paragraph.m_words[0].m_x = 11;
    paragraph.MergeWords();
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u0628   ", u"\u0628"}));
    EXPECT_EQ(paragraph.m_words[0].m_characters[3].GetGlyph(), MakeGlyph(4, 33));
    EXPECT_EQ(paragraph.m_words[0].m_x, 11);

    // Word 0 never joins anything; an empty word 0 goes away.
    CCalligraphyParagraph leading = StoredParagraph({u" ", u"\u0628"});
    leading.MergeWords();
    EXPECT_EQ(Words(leading), (std::vector<std::u16string>{u" ", u"\u0628"}));
    CCalligraphyParagraph empty = StoredParagraph({u"", u" "});
    empty.MergeWords();
    EXPECT_EQ(Words(empty), (std::vector<std::u16string>{u" "}));
}

// A pasted or loaded text may hold a word that typing never leaves behind,
// here a lone space. An edit merges only the words it touched and their
// neighbours, so that typing costs the same in a long text: the lone space
// stays as it was stored until an edit comes next to it.
TEST(ParagraphMerging, AnEditMergesOnlyAroundTheWordsItTouched) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u" ", u"\u06F2 ", u"\u06F3 "});
    std::int32_t caret = paragraph.GetCharacterCount() - 1;  // before the last space
    EXPECT_EQ(paragraph.InsertCharacter(caret, kOne), 1);
    EXPECT_EQ(Words(paragraph),
              (std::vector<std::u16string>{u"\u06F1 ", u" ", u"\u06F2 ", u"\u06F3", u"\u06F1 "}));

    caret = 3;  // the start of the word after the lone space
    EXPECT_EQ(paragraph.InsertCharacter(caret, kTwo), 1);
    EXPECT_EQ(caret, 4);
    EXPECT_EQ(Words(paragraph),
              (std::vector<std::u16string>{u"\u06F1  ", u"\u06F2", u"\u06F2 ", u"\u06F3", u"\u06F1 "}));
}

// --- Deleting -------------------------------------------------------------------------------

TEST(ParagraphDeleting, BackspaceAtAWordStartJoinsTheTwoWords) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u"\u06F2 "});
    std::int32_t caret = 2;
    paragraph.DeleteCharacter(caret);
    EXPECT_EQ(caret, 1);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1", u"\u06F2 "}));
    ExpectInvariants(paragraph);

    paragraph.DeleteCharacter(caret);  // the first word's only character
    EXPECT_EQ(caret, 0);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F2 "}));
    ExpectInvariants(paragraph);
}

TEST(ParagraphDeleting, BackspaceBetweenTwoSpacesRemovesOneWithoutTheEngine) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1   ", u"\u06F2 "});
    paragraph.m_words[0].m_characters[0].m_yOffset = 7;  // a rebuild would reset it
    std::int32_t caret = 2;
    paragraph.DeleteCharacter(caret);
    EXPECT_EQ(caret, 1);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1  ", u"\u06F2 "}));
    EXPECT_EQ(paragraph.m_words[0].m_characters[0].m_yOffset, 7);
    EXPECT_EQ(paragraph.m_words[1].m_x, paragraph.m_words[0].GetWidth());
}

TEST(ParagraphDeleting, BackspaceAtZeroOrOnNothingDoesNothing) {
    TestGlyphMetrics metrics;
    CCalligraphyParagraph empty;
    std::int32_t caret = 0;
    empty.DeleteCharacter(caret);
    EXPECT_TRUE(empty.m_words.empty());

    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 "});
    const std::string before = Dump(paragraph);
    paragraph.DeleteCharacter(caret);
    EXPECT_EQ(caret, 0);
    EXPECT_EQ(Dump(paragraph), before);
}

TEST(ParagraphDeleting, SelectionDeletesAMarkAPointOrWholeWords) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const CCalligraphyParagraph original = StoredParagraph({u"\u06F1 ", u"\u0628 ", u"\u06F2 ", u"\u06F3 "});
    auto select = [](std::uint16_t first, std::uint16_t last, std::uint16_t letter, std::uint8_t mark,
                     std::uint16_t point) {
        CTextComponentSelection s;
        s.m_firstWord = first, s.m_lastWord = last, s.m_letter = letter, s.m_mark = mark, s.m_point = point;
        return s;
    };
    constexpr std::uint16_t kNone = CTextComponentSelection::kNone;

    CCalligraphyParagraph marked = original;
    marked.m_words[1].m_characters[0].m_mark = 35;
    EXPECT_EQ(marked.DeleteSelection(select(1, 1, 0, 0, kNone)), 1);
    EXPECT_EQ(marked.m_words[1].m_characters[0].m_mark, 0);
    EXPECT_EQ(Words(marked), Words(original));

    CCalligraphyParagraph pointed = original;
    pointed.m_points.resize(3);
    pointed.m_points[2].m_sign = 9;
    EXPECT_EQ(pointed.DeleteSelection(select(kNone, kNone, kNone, 255, 1)), 0);
    ASSERT_EQ(pointed.m_points.size(), 2u);
    EXPECT_EQ(pointed.m_points[1].m_sign, 9);

    // A letter without its mark takes its whole word; the gap closes.
    CCalligraphyParagraph letter = original;
    EXPECT_EQ(letter.DeleteSelection(select(1, 1, 0, 255, kNone)), 0);
    EXPECT_EQ(Words(letter), (std::vector<std::u16string>{u"\u06F1 ", u"\u06F2 ", u"\u06F3 "}));
    ExpectInvariants(letter);

    CCalligraphyParagraph range = original;
    EXPECT_EQ(range.DeleteSelection(select(3, 2, kNone, 255, kNone)), 1);
    EXPECT_EQ(Words(range), (std::vector<std::u16string>{u"\u06F1 ", u"\u0628 "}));

    for (const CTextComponentSelection& bad :
         {select(4, 4, 0, 0, kNone), select(1, 1, 2, 0, kNone), select(kNone, kNone, kNone, 255, 0),
          select(2, 4, kNone, 255, kNone), select(kNone, kNone, kNone, 255, kNone)}) {
        CCalligraphyParagraph paragraph = original;
        EXPECT_THROW(paragraph.DeleteSelection(bad), InvalidArgumentException);
        EXPECT_EQ(Dump(paragraph), Dump(original));
    }
}

// --- Caret -------------------------------------------------------------------------------------

TEST(ParagraphCaret, SetCaretStaysBetweenZeroAndTheTrailingSpace) {
    const CCalligraphyParagraph spaced = StoredParagraph({u"\u06F1 ", u"\u06F2 "});  // 4 characters
    const CCalligraphyParagraph open = StoredParagraph({u"\u06F1 ", u"\u06F2"});     // 3 characters
    struct Case {
        const CCalligraphyParagraph* paragraph;
        std::int32_t caret, value;
        bool relative;
        std::int32_t expected;
    };
    const Case cases[] = {
        {&spaced, 0, -1, true, 0},  {&spaced, 0, -5, false, 0}, {&spaced, 2, 1, true, 3},
        {&spaced, 3, 1, true, 3},   {&spaced, 0, 99, false, 3}, {&open, 2, 1, true, 3},
        {&open, 0, 4, false, 3},    {&spaced, 1, 0x7FFFFFFF, true, 3},
    };
    for (const Case& c : cases) {
        std::int32_t caret = c.caret;
        c.paragraph->SetCaret(caret, c.value, c.relative);
        EXPECT_EQ(caret, c.expected) << c.caret << (c.relative ? " + " : " := ") << c.value;
    }
    std::int32_t caret = 5;
    CCalligraphyParagraph().SetCaret(caret, 3, true);
    EXPECT_EQ(caret, 0);
}

TEST(ParagraphCaret, CaretToWordPutsBoundariesAtTheLaterWord) {
    const CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u"\u06F2", u"\u06F3 "});
    struct Case {
        std::int32_t caret;
        bool preferPrevious;
        WordPosition expected;
    };
    const Case cases[] = {
        {0, false, {0, 0}}, {1, false, {0, 1}}, {2, false, {1, 0}}, {2, true, {0, 2}},
        {3, false, {2, 0}}, {3, true, {1, 1}},  {5, false, {2, 2}}, {0, true, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(paragraph.CaretToWord(c.caret, c.preferPrevious), c.expected)
            << c.caret << (c.preferPrevious ? " preferring the previous word" : "");
    }
    EXPECT_EQ(CCalligraphyParagraph().CaretToWord(0, true), (WordPosition{0, 0}));
    EXPECT_THROW(paragraph.CaretToWord(6, false), InvalidArgumentException);
    EXPECT_THROW(paragraph.CaretToWord(-1, false), InvalidArgumentException);
}

TEST(ParagraphCaret, OutOfRangeCaretsAndIndexesChangeNothing) {
    TestGlyphMetrics metrics;
    const CCalligraphyParagraph original = StoredParagraph({u"\u06F1 ", u"\u06F2 "});
    const auto expectUnchanged = [&](auto edit) {
        CCalligraphyParagraph paragraph = original;
        EXPECT_THROW(edit(paragraph), InvalidArgumentException);
        EXPECT_EQ(Dump(paragraph), Dump(original));
    };
    for (std::int32_t bad : {-1, 5}) {
        expectUnchanged([&](CCalligraphyParagraph& p) { p.InsertCharacter(bad, u'.'); });
        expectUnchanged([&](CCalligraphyParagraph& p) { p.DeleteCharacter(bad); });
        expectUnchanged([&](CCalligraphyParagraph& p) { p.InsertWords(original, bad); });
    }
    expectUnchanged([](CCalligraphyParagraph& p) { p.ResplitWord(2); });
    expectUnchanged([](CCalligraphyParagraph& p) { p.ModifyCharacter(-1, 1, kToggleAlternateCode); });
    expectUnchanged([](CCalligraphyParagraph& p) { p.ModifyCharacter(0, 0, kToggleAlternateCode); });
    expectUnchanged([](CCalligraphyParagraph& p) { p.ModifyCharacter(0, 3, kToggleAlternateCode); });
}

// Edits remember the character count and where a word near them starts;
// the look-ups that start from there must agree with counting from the
// first word, on either side of the last edit and across empty words.
TEST(ParagraphCaret, LookUpsNearTheLastEditAgreeWithCountingFromTheStart) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph =
        StoredParagraph({u"\u06F1 ", u"", u"\u06F2", u"", u"", u"\u06F3 ", u"\u06F4", u"\u06F5 ", u"\u06F1 "});
    const auto expectAgreement = [&paragraph] {
        CCalligraphyParagraph counted;
        counted.m_words = static_cast<const CWordList&>(std::as_const(paragraph).m_words);
        ASSERT_EQ(paragraph.GetCharacterCount(), counted.GetCharacterCount());
        for (std::int32_t caret = 0; caret <= counted.GetCharacterCount(); ++caret) {
            for (const bool preferPrevious : {false, true})
                EXPECT_EQ(paragraph.CaretToWord(caret, preferPrevious), counted.CaretToWord(caret, preferPrevious))
                    << "caret " << caret;
        }
    };
    std::int32_t caret = paragraph.GetCharacterCount() - 1;
    ASSERT_EQ(paragraph.InsertCharacter(caret, kTwo), 1);
    expectAgreement();
    caret = 0;
    ASSERT_EQ(paragraph.InsertCharacter(caret, kThree), 1);
    expectAgreement();
    caret = 9;
    paragraph.DeleteCharacter(caret);
    expectAgreement();
}

// Words changed directly, not by an edit: through a word, through the word
// array, by copying and by moving. The next look-up and edit see them.
TEST(ParagraphCaret, DirectChangesToTheWordsAreSeenByTheNextEdit) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    Insert(paragraph, caret, u" \u06F1 \u06F2");
    const std::int32_t typed = paragraph.GetCharacterCount();

    paragraph.m_words[0].m_characters.push_back(StoredWord(u" ").m_characters[0]);
    EXPECT_EQ(paragraph.GetCharacterCount(), typed + 1);
    paragraph.m_words.push_back(StoredWord(u"\u06F3 "));
    EXPECT_EQ(paragraph.GetCharacterCount(), typed + 3);
    EXPECT_EQ(paragraph.CaretToWord(typed + 2, false),
              (WordPosition{static_cast<std::int32_t>(paragraph.m_words.size()) - 1, 1}));

    caret = paragraph.GetCharacterCount() - 1;
    EXPECT_EQ(paragraph.InsertCharacter(caret, kOne), 1);
    EXPECT_EQ(Text(paragraph), u"\u06F1  \u06F2 \u06F3\u06F1 ");

    CCalligraphyParagraph copy = paragraph;
    copy.m_words.erase(copy.m_words.begin());
    EXPECT_EQ(copy.GetCharacterCount(), paragraph.GetCharacterCount() - 3);
    const CCalligraphyParagraph moved = std::move(paragraph);
    EXPECT_EQ(moved.GetCharacterCount(), typed + 4);
    EXPECT_EQ(paragraph.GetCharacterCount(), 0);  // a moved-from paragraph is left empty
    caret = 0;
    EXPECT_EQ(paragraph.InsertCharacter(caret, kTwo), 1);
    EXPECT_EQ(Text(paragraph), u"\u06F2");
}

// --- Words as a whole, text-modification codes ----------------------------------------------

TEST(ParagraphWords, PastedWordsGoAfterTheCaretWordAndPushTheRest) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const CCalligraphyParagraph source = StoredParagraph({u"\u0628 ", u"\u0627"});
    struct Case {
        std::int32_t caret;
        std::vector<std::u16string> words;
    };
    const Case cases[] = {
        {0, {u"\u0628 ", u"\u0627", u"\u06F1 ", u"\u06F2 "}},
        {1, {u"\u06F1 ", u"\u0628 ", u"\u0627", u"\u06F2 "}},  // inside a word: after it
        {2, {u"\u06F1 ", u"\u0628 ", u"\u0627", u"\u06F2 "}},  // at a word start: before it
        {4, {u"\u06F1 ", u"\u06F2 ", u"\u0628 ", u"\u0627"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caret);
        CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u"\u06F2 "});
        paragraph.InsertWords(source, c.caret);
        EXPECT_EQ(Words(paragraph), c.words);
        ExpectInvariants(paragraph);
    }
    CCalligraphyParagraph empty;
    empty.InsertWords(source, 0);
    EXPECT_EQ(Dump(empty), Dump(source));
    CCalligraphyParagraph self = source;
    self.InsertWords(self, 0);
    EXPECT_EQ(Words(self), (std::vector<std::u16string>{u"\u0628 ", u"\u0627", u"\u0628 ", u"\u0627"}));
}

TEST(ParagraphWords, CopyTakesWordsAndPointsButNoCaches) {
    CCalligraphyParagraph source = StoredParagraph({u"\u06F1 ", u"\u0628"});
    source.m_words[0].m_outline = {{1, 1}};
    source.m_points.resize(2);
    CCalligraphyParagraph target = StoredParagraph({u"\u06F3"});
    target.Copy(source);
    EXPECT_EQ(Dump(target), Dump(source));
    EXPECT_TRUE(target.m_words[0].m_outline.empty());
    target.Copy(target);
    EXPECT_EQ(Dump(target), Dump(source));
}

TEST(ParagraphModify, AlternateCodeFlipsTheFlagOfTheLetterBeforeTheOffset) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    CCalligraphyParagraph paragraph = StoredParagraph({u"\u06F1 ", u"\u0628\u0628 "});
    paragraph.ModifyCharacter(1, 2, kToggleAlternateCode);
    EXPECT_EQ(Words(paragraph), (std::vector<std::u16string>{u"\u06F1 ", u"\u0628\u0628 "}));
    EXPECT_EQ(paragraph.m_words[1].m_characters[1].m_flags & 1, 1);
    EXPECT_EQ(paragraph.m_words[1].m_characters[0].m_flags & 1, 0);
    paragraph.ModifyCharacter(1, 2, kToggleAlternateCode);
    EXPECT_EQ(paragraph.m_words[1].m_characters[1].m_flags & 1, 0);

    paragraph.ModifyCharacter(0, 2, kToggleAlternateCode);  // the last character
    EXPECT_EQ(paragraph.m_words[0].m_characters[1].m_flags & 1, 1);
    ExpectInvariants(paragraph);

    const std::string before = Dump(paragraph);
    paragraph.ModifyCharacter(0, 1, u'x');
    EXPECT_EQ(Dump(paragraph), before);
}

// --- Everything together ------------------------------------------------------------------------

// Random typing, Backspace and alternate toggles as a user does them, with a
// plain model of the text beside it: no edit may lose, duplicate or reorder
// a character, a refused one changes nothing, and the paragraph stays cut in
// connected words laid end to end.
TEST(ParagraphProperty, RandomEditingKeepsTheTextAndTheInvariants) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const std::u16string keys =
        u"\u0621\u0622\u0627\u0628\u062A\u062B\u062C\u062D\u062E\u062F\u0630\u0631\u0632\u0633\u0634\u0635"
        u"\u0636\u0637\u0638\u0639\u063A\u0641\u0642\u0644\u0645\u0646\u0647\u0648\u067E\u0686\u0698\u06A9"
        u"\u06AF\u06CC    \u06F1\u06F5.!(\u061Fa\u0661";
    std::mt19937 random(20240611);
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    paragraph.InsertCharacter(caret, kSp);
    std::u16string model = u" ";

    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        const std::uint32_t action = random() % 20;
        if (action == 0 && !model.empty()) {  // move the caret
            caret = static_cast<std::int32_t>(random() % model.size());
        } else if (action == 1) {
            if (caret > 0)
                model.erase(static_cast<std::size_t>(caret) - 1, 1);
            const std::int32_t before = caret;
            paragraph.DeleteCharacter(caret);
            EXPECT_EQ(caret, std::max(before - 1, 0));
        } else if (action == 2) {
            const WordPosition pos = paragraph.CaretToWord(caret, true);
            if (pos.offset > 0)
                paragraph.ModifyCharacter(pos.word, pos.offset, kToggleAlternateCode);
        } else {
            const char16_t code = keys[random() % keys.size()];
            const std::string before = Dump(paragraph);
            const std::int32_t at = caret;
            if (paragraph.InsertCharacter(caret, code) == 1) {
                const bool spaced = code == u'.' || code == u'!' || code == u'(' || code == u'\u061F';
                model.insert(static_cast<std::size_t>(at), spaced ? std::u16string{kSp, code} : std::u16string{code});
                EXPECT_EQ(caret, at + (spaced ? 2 : 1));
            } else {
                EXPECT_EQ(caret, at);
                EXPECT_EQ(Dump(paragraph), before);
            }
        }
        ASSERT_EQ(Text(paragraph), model);
        ASSERT_NO_FATAL_FAILURE(ExpectInvariants(paragraph));
        if (model.size() > 60) {  // keep words short enough to stay readable in a failure
            paragraph = CCalligraphyParagraph();
            caret = 0;
            paragraph.InsertCharacter(caret, kSp);
            model = u" ";
        }
    }
}

// Typing on where the last letter went starts from what the last edit kept
// (the word shaped up to the caret, a run of spaces left split and merged).
// The same keys must give exactly the paragraph that shaping every edit
// afresh gives: here the words are touched before each key, which makes
// every edit start over.
TEST(ParagraphProperty, TypingOnFromTheLastEditEqualsShapingAfresh) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const std::u16string letters =
        u"\u0622\u0627\u0628\u062A\u062C\u062F\u0631\u0633\u0635\u0639\u0641\u0642\u0644\u0645\u0646"
        u"\u0647\u0648\u06A9\u06AF\u06CC\u06F1.";
    std::mt19937 random(20240613);
    CCalligraphyParagraph kept;
    CCalligraphyParagraph afresh;
    std::int32_t keptCaret = 0;
    std::int32_t afreshCaret = 0;
    const auto both = [&](const auto& edit) {
        edit(kept, keptCaret);
        (void)afresh.m_words.begin();  // a change from outside: nothing is kept
        edit(afresh, afreshCaret);
        ASSERT_EQ(keptCaret, afreshCaret);
        ASSERT_EQ(Dump(kept), Dump(afresh));
    };
    both([](CCalligraphyParagraph& p, std::int32_t& caret) { p.InsertCharacter(caret, kSp); });
    for (int step = 0; step < 1500; ++step) {
        SCOPED_TRACE(step);
        const std::uint32_t action = random() % 24;
        if (action == 0) {
            const auto to = static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(kept.GetCharacterCount()));
            both([to](CCalligraphyParagraph& p, std::int32_t& caret) { p.SetCaret(caret, to, false); });
        } else if (action == 1) {
            both([](CCalligraphyParagraph& p, std::int32_t& caret) { p.DeleteCharacter(caret); });
        } else if (action == 2) {
            const std::size_t run = 1 + random() % 12;  // a held space bar
            both([run](CCalligraphyParagraph& p, std::int32_t& caret) {
                for (std::size_t i = 0; i < run; ++i)
                    p.InsertCharacter(caret, kSp);
            });
        } else if (action == 3) {
            both([](CCalligraphyParagraph& p, std::int32_t& caret) {
                const WordPosition pos = p.CaretToWord(caret, true);
                if (pos.offset > 0)
                    p.ModifyCharacter(pos.word, pos.offset, kToggleAlternateCode);
            });
        } else {
            const char16_t code = action < 7 ? kSp : letters[random() % letters.size()];
            both([code](CCalligraphyParagraph& p, std::int32_t& caret) { p.InsertCharacter(caret, code); });
        }
        if (HasFatalFailure())
            return;
        if (kept.GetCharacterCount() > 80) {
            kept = CCalligraphyParagraph();
            afresh = CCalligraphyParagraph();
            keptCaret = afreshCaret = 0;
            both([](CCalligraphyParagraph& p, std::int32_t& caret) { p.InsertCharacter(caret, kSp); });
        }
    }
}

// An edit near the start of a long text leaves the later words to be moved
// when they are looked at. Whatever is looked at between edits (nothing, one
// word, the last word, a copy of the paragraph), every word must be where the
// same edits put it in a paragraph whose words are all placed after each one.
TEST(ParagraphProperty, WordsMovedOnlyWhenLookedAtStandWhereEveryEditPutsThem) {
    TestGlyphMetrics metrics(TestGlyphMetrics::Distinct{});
    const std::u16string keys = u"\u0627\u0628\u062F\u0631\u0633\u0644\u0645\u0646\u0647\u06A9\u06CC\u06F1   .";
    std::mt19937 random(20261211);
    CCalligraphyParagraph lazy;
    CCalligraphyParagraph placed;
    std::int32_t lazyCaret = 0;
    std::int32_t placedCaret = 0;
    const auto both = [&](const auto& edit) {
        edit(lazy, lazyCaret);
        edit(placed, placedCaret);
        (void)std::as_const(placed.m_words).begin();  // every word at its place
        ASSERT_EQ(lazyCaret, placedCaret);
    };
    const CCalligraphyParagraph pasted = StoredParagraph({u"\u06F2 ", u"\u06F3\u06F4 "});
    both([](CCalligraphyParagraph& p, std::int32_t& caret) { p.InsertCharacter(caret, kSp); });
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(step);
        const std::uint32_t action = random() % 40;
        const std::int32_t count = placed.GetCharacterCount();
        if (action < 3) {  // the caret goes near the start, anywhere, or near the end
            const std::int32_t to = action == 0   ? static_cast<std::int32_t>(random() % 4)
                                    : action == 1 ? static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(count))
                                                  : count - 1 - static_cast<std::int32_t>(random() % 4);
            both([to](CCalligraphyParagraph& p, std::int32_t& caret) { p.SetCaret(caret, to, false); });
        } else if (action < 6) {
            both([](CCalligraphyParagraph& p, std::int32_t& caret) { p.DeleteCharacter(caret); });
        } else if (action == 6) {
            both([](CCalligraphyParagraph& p, std::int32_t& caret) {
                const WordPosition pos = p.CaretToWord(caret, true);
                if (pos.offset > 0)
                    p.ModifyCharacter(pos.word, pos.offset, kToggleAlternateCode);
            });
        } else if (action == 7) {
            both([&pasted](CCalligraphyParagraph& p, std::int32_t& caret) { p.InsertWords(pasted, caret); });
        } else {
            const char16_t code = keys[random() % keys.size()];
            both([code](CCalligraphyParagraph& p, std::int32_t& caret) { p.InsertCharacter(caret, code); });
        }
        if (HasFatalFailure())
            return;
        ASSERT_EQ(lazy.m_words.size(), placed.m_words.size());
        ASSERT_EQ(lazy.GetCharacterCount(), placed.GetCharacterCount());
        const std::size_t look = random() % 8;
        const std::size_t any = random() % placed.m_words.size();
        if (look == 0) {
            ASSERT_EQ(std::as_const(lazy.m_words)[any].m_x, std::as_const(placed.m_words)[any].m_x) << "word " << any;
        } else if (look == 1) {
            ASSERT_EQ(std::as_const(lazy.m_words).back().m_x, std::as_const(placed.m_words).back().m_x);
        } else if (look == 2) {
            const CCalligraphyParagraph copy = lazy;
            ASSERT_EQ(Dump(copy), Dump(placed));
        } else if (look == 3 && step % 8 == 0) {
            ASSERT_EQ(Dump(lazy), Dump(placed));
        }
        if (placed.GetCharacterCount() > 400) {
            lazy = CCalligraphyParagraph();
            placed = CCalligraphyParagraph();
            lazyCaret = placedCaret = 0;
            both([](CCalligraphyParagraph& p, std::int32_t& caret) { p.InsertCharacter(caret, kSp); });
        }
    }
    EXPECT_EQ(Dump(lazy), Dump(placed));
}

}  // namespace
}  // namespace kavitro
