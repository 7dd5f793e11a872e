// The paragraph block as it is stored in documents and on the clipboard.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "engine/CalligraphyText.h"

namespace kavitro {
namespace {

using Bytes = std::vector<std::uint8_t>;

CCalligraphyCharacter Char(std::uint16_t code, GlyphId glyph) {
    CCalligraphyCharacter c;
    c.m_code = code;
    c.SetGlyph(glyph);
    return c;
}

Bytes Store(CCalligraphyParagraph& paragraph) {
    CArchive ar = CArchive::ForStoring();
    paragraph.Serialize(ar);
    return ar.TakeStoredBytes();
}

// Loads under the given object schema of the enclosing text object (kNoSchema:
// none in effect); returns the bytes left unread.
std::size_t Load(CCalligraphyParagraph& paragraph, const Bytes& bytes, std::uint32_t schema = 1) {
    CArchive ar = CArchive::ForLoading(std::span<const std::uint8_t>(bytes));
    ar.SetObjectSchema(schema);
    paragraph.Serialize(ar);
    return ar.GetRemaining();
}

void PutU16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutI32(Bytes& b, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
}
// One stored character record.
void PutChar(Bytes& b, std::uint16_t code, std::uint8_t glyph, std::uint8_t font) {
    PutU16(b, code);
    b.push_back(glyph);
    b.push_back(font);
    PutI32(b, -7);                           // y offset
    b.push_back(3);                          // flags
    b.push_back(35);                         // mark
    PutI32(b, 12);                           // mark dx
    PutI32(b, -13);                          // mark dy
}
// A block of one word holding the given characters and no points.
Bytes OneWordBlock(const std::vector<std::tuple<std::uint16_t, std::uint8_t, std::uint8_t>>& chars) {
    Bytes b;
    PutU16(b, 1);
    PutI32(b, 100);
    PutI32(b, -5);
    PutU16(b, static_cast<std::uint16_t>(chars.size()));
    for (auto [code, glyph, font] : chars)
        PutChar(b, code, glyph, font);
    PutU16(b, 0);
    return b;
}

TEST(ParagraphBlock, EmptyParagraphIsTwoZeroCounts) {
    CCalligraphyParagraph paragraph;
    EXPECT_EQ(Store(paragraph), (Bytes{0, 0, 0, 0}));
}

TEST(ParagraphBlock, StoresWordsCharactersAndPointsByteForByte) {
    CCalligraphyParagraph paragraph;
    CCalligraphyWord word;
    word.m_x = 100;
    word.m_y = -5;
    CCalligraphyCharacter c = Char(0x0628, MakeGlyph(1, 66));
    c.m_yOffset = -7;
    c.m_flags = 3;
    c.m_mark = 35;
    c.m_markDx = 12;
    c.m_markDy = -13;
    word.m_characters = {c, c, c};
    paragraph.m_words.push_back(word);
    CCalligraphyPoint point;
    point.m_sign = 44;
    point.m_x = -2;
    point.m_y = 0x01020304;
    paragraph.m_points.push_back(point);

    Bytes expected = OneWordBlock({{0x0628, 66, 1}, {0x0628, 66, 1}, {0x0628, 66, 1}});
    expected.resize(expected.size() - 2);  // our own point count follows
    PutU16(expected, 1);
    expected.push_back(44);
    PutI32(expected, -2);
    PutI32(expected, 0x01020304);

    const Bytes stored = Store(paragraph);
    EXPECT_EQ(stored, expected);
    // Word count, a 64-byte word of three characters, then the points.
    EXPECT_EQ(stored.size(), 2u + 64u + 2u + 9u);

    CCalligraphyParagraph loaded;
    EXPECT_EQ(Load(loaded, stored), 0u);
    EXPECT_EQ(Store(loaded), stored);
}

TEST(ParagraphBlock, OlderSchemaEndsAfterTheWords) {
    Bytes bytes = OneWordBlock({{0x0627, 30, 1}});
    bytes.resize(bytes.size() - 2);
    bytes.push_back(0xAB);  // whatever follows belongs to the next record
    CCalligraphyParagraph paragraph;
    paragraph.m_points.resize(2);  // a reused object must not keep old points
    EXPECT_EQ(Load(paragraph, bytes, 0), 1u);
    EXPECT_TRUE(paragraph.m_points.empty());
    ASSERT_EQ(paragraph.m_words.size(), 1u);
    EXPECT_EQ(paragraph.m_words[0].m_x, 100);
    EXPECT_EQ(paragraph.m_words[0].m_y, -5);
}

TEST(ParagraphBlock, NoSchemaInEffectReadsPoints) {
    Bytes bytes = OneWordBlock({{0x0627, 30, 1}});
    CCalligraphyParagraph paragraph;
    EXPECT_EQ(Load(paragraph, bytes, CArchive::kNoSchema), 0u);
}

TEST(ParagraphBlock, LoadingReplacesCodesTheEngineDoesNotShape) {
    const Bytes bytes = OneWordBlock({{0x0643, 229, 1}, {0x064A, 133, 1}, {0x200C, 32, 1}, {0x0628, 66, 1}});
    CCalligraphyParagraph paragraph;
    Load(paragraph, bytes);
    const CCharacterArray& c = paragraph.m_words.at(0).m_characters;
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].m_code, 0x06A9);
    EXPECT_EQ(c[1].m_code, 0x06CC);
    EXPECT_EQ(c[2].m_code, 0x0020);
    EXPECT_EQ(c[3].m_code, 0x0628);
    // Only the code changes: the stored shape is kept.
    EXPECT_EQ(c[0].GetGlyph(), MakeGlyph(1, 229));
    EXPECT_EQ(c[2].GetGlyph(), MakeGlyph(1, 32));
    EXPECT_EQ(c[0].m_yOffset, -7);
    EXPECT_EQ(c[0].m_flags, 3);
    EXPECT_EQ(c[0].m_mark, 35);
    EXPECT_EQ(c[0].m_markDx, 12);
    EXPECT_EQ(c[0].m_markDy, -13);
}

TEST(ParagraphBlock, CountsFromFFFFOnUseTheLongForm) {
    CCalligraphyParagraph paragraph;
    CCalligraphyWord word;
    word.m_characters.assign(0xFFFF, Char(0x0020, MakeGlyph(1, 32)));
    paragraph.m_words.push_back(word);
    const Bytes stored = Store(paragraph);
    ASSERT_EQ(stored.size(), 2u + 8u + 6u + 0xFFFFu * 18u + 2u);
    EXPECT_EQ(Bytes(stored.begin() + 10, stored.begin() + 16), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));

    CCalligraphyParagraph loaded;
    EXPECT_EQ(Load(loaded, stored), 0u);
    EXPECT_EQ(loaded.m_words.at(0).m_characters.size(), 0xFFFFu);
}

TEST(ParagraphBlock, EveryTruncationIsAnEndOfFile) {
    const Bytes bytes = OneWordBlock({{0x0628, 66, 1}, {0x0627, 30, 1}});
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(length);
        CCalligraphyParagraph paragraph;
        try {
            Load(paragraph, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)));
            ADD_FAILURE() << "loaded a truncated block";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), ArchiveException::Cause::EndOfFile);
        }
        // Nothing half-read is kept: the only word either loaded whole or not.
        for (const CCalligraphyWord& word : paragraph.m_words)
            EXPECT_EQ(word.m_characters.size(), 2u);
    }
}

TEST(ParagraphBlock, HugeCountsFailBeforeAllocating) {
    Bytes words;  // 0xFFFFFFFE words announced, none there
    PutU16(words, 0xFFFF);
    PutI32(words, -2);
    Bytes chars;  // a word announcing 2^40 characters
    PutU16(chars, 1);
    PutI32(chars, 0);
    PutI32(chars, 0);
    PutU16(chars, 0xFFFF);
    PutI32(chars, -1);
    for (int i = 0; i < 8; ++i)
        chars.push_back(i == 5 ? 1 : 0);
    for (const Bytes& bytes : {words, chars}) {
        CCalligraphyParagraph paragraph;
        try {
            Load(paragraph, bytes);
            ADD_FAILURE() << "loaded an impossible count";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), ArchiveException::Cause::EndOfFile);
        }
    }
}

TEST(ParagraphBlock, UnshapedOrForeignGlyphIsABadArchive) {
    struct Case {
        std::uint8_t glyph;
        std::uint8_t font;
    };
    for (const Case c : {Case{0, 1}, Case{66, 0}, Case{66, 6}, Case{66, 255}}) {
        SCOPED_TRACE(testing::Message() << int(c.font) << "/" << int(c.glyph));
        CCalligraphyParagraph paragraph;
        try {
            Load(paragraph, OneWordBlock({{0x0628, 66, 1}, {0x0628, c.glyph, c.font}}));
            ADD_FAILURE() << "loaded an unshaped character";
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.GetCause(), ArchiveException::Cause::Generic);
        }
        EXPECT_TRUE(paragraph.m_words.empty());
    }
    for (const std::uint8_t font : {1, 5}) {
        CCalligraphyParagraph paragraph;
        EXPECT_NO_THROW(Load(paragraph, OneWordBlock({{0x0628, 1, font}})));
    }
}

TEST(ParagraphBlock, LoadedWordsHaveNoOutlineCache) {
    CCalligraphyParagraph paragraph;
    Load(paragraph, OneWordBlock({{0x0628, 66, 1}}));
    const CCalligraphyWord& word = paragraph.m_words.at(0);
    EXPECT_TRUE(word.m_outline.empty());
    EXPECT_EQ(word.m_bounds, Rect());
}

TEST(ParagraphBlock, RunTimeClassMakesEmptyParagraphsOfSchemaZero) {
    const CRuntimeClass& cls = CCalligraphyParagraph::GetThisClass();
    EXPECT_EQ(cls.m_wSchema, 0);
    EXPECT_STREQ(cls.m_lpszClassName, "CCalligraphyParagraph");
    std::unique_ptr<CObject> made = cls.CreateObject();
    auto* paragraph = dynamic_cast<CCalligraphyParagraph*>(made.get());
    ASSERT_NE(paragraph, nullptr);
    EXPECT_TRUE(paragraph->m_words.empty());
    EXPECT_EQ(paragraph->GetRuntimeClass(), &cls);
}

// A word's characters grow in place; every edit must leave what a
// std::vector would, also when the value or range inserted is the array's
// own and the edit has to grow it.
TEST(CharacterArray, EditsMatchAVector) {
    struct Step {
        const char* name;
        std::function<void(CCharacterArray&)> array;
        std::function<void(std::vector<CCalligraphyCharacter>&)> vector;
    };
    const auto both = [](const char* name, auto edit) { return Step{name, edit, edit}; };
    const auto fill = [](auto& a) {
        for (std::uint16_t i = 0; i < 37; ++i)
            a.push_back(Char(static_cast<std::uint16_t>(0x0628 + i), MakeGlyph(1, 2 + i)));
    };
    const Step steps[] = {
        both("append own last", [](auto& a) { for (int i = 0; i < 40; ++i) a.push_back(a.back()); }),
        both("make own first in place", [](auto& a) { for (int i = 0; i < 40; ++i) a.emplace_back(a.front()); }),
        both("insert own at the front", [](auto& a) { for (int i = 0; i < 70; ++i) a.insert(a.begin(), a[5]); }),
        // (std::vector takes no range of its own: the model copies it first.)
        {"insert own range", [](CCharacterArray& a) { a.insert(a.begin() + 3, a.begin() + 10, a.begin() + 140); },
         [](std::vector<CCalligraphyCharacter>& a) {
             const std::vector<CCalligraphyCharacter> part(a.begin() + 10, a.begin() + 140);
             a.insert(a.begin() + 3, part.begin(), part.end());
         }},
        both("erase a range", [](auto& a) { a.erase(a.begin() + 2, a.begin() + 20); }),
        both("erase one", [](auto& a) { a.erase(a.end() - 1); }),
        both("grow by resizing", [](auto& a) { a.resize(a.size() * 3, a[1]); }),
        both("shrink by resizing", [](auto& a) { a.resize(17); }),
        {"assign own tail", [](CCharacterArray& a) { a.assign(a.begin() + 4, a.end()); },
         [](std::vector<CCalligraphyCharacter>& a) { a.erase(a.begin(), a.begin() + 4); }},
        both("insert copies of own", [](auto& a) { a.insert(a.begin() + 1, 300, a[0]); }),
    };
    CCharacterArray array;
    std::vector<CCalligraphyCharacter> model;
    fill(array);
    fill(model);
    for (const Step& step : steps) {
        step.array(array);
        step.vector(model);
        ASSERT_EQ(array.size(), model.size()) << step.name;
        for (std::size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(array[i].m_code, model[i].m_code) << step.name << " at " << i;
            ASSERT_EQ(array[i].GetGlyph(), model[i].GetGlyph()) << step.name << " at " << i;
        }
    }
    CCharacterArray copy = array;
    copy[0].m_code = 1;
    EXPECT_NE(array[0].m_code, 1);
}

// Short arrays hold their characters inline and long ones in a block:
// moving and swapping must carry the elements across every pairing, a
// block must change hands rather than be copied (a long word's swap must
// not stall a keystroke), and shrinking brings a short array back inline.
TEST(CharacterArray, InlineAndBlockArraysMoveSwapAndShrinkWhole) {
    const auto make = [](std::size_t n, std::uint16_t first) {
        CCharacterArray a;
        for (std::size_t i = 0; i < n; ++i)
            a.push_back(Char(static_cast<std::uint16_t>(first + i), MakeGlyph(1, static_cast<std::uint8_t>(2 + i))));
        return a;
    };
    const auto codes = [](const CCharacterArray& a) {
        std::vector<std::uint16_t> out;
        for (const CCalligraphyCharacter& c : a) out.push_back(c.m_code);
        return out;
    };
    const std::size_t sizes[] = {0, 3, kInlineCharacters, kInlineCharacters + 1, 40};
    for (const std::size_t n : sizes) {
        for (const std::size_t m : sizes) {
            SCOPED_TRACE(testing::Message() << n << " and " << m << " characters");
            CCharacterArray a = make(n, 100);
            CCharacterArray b = make(m, 200);
            const std::vector<std::uint16_t> codesA = codes(a);
            const std::vector<std::uint16_t> codesB = codes(b);
            const CCalligraphyCharacter* blockB = b.data();
            a.swap(b);
            EXPECT_EQ(codes(a), codesB);
            EXPECT_EQ(codes(b), codesA);
            if (m > kInlineCharacters) {
                EXPECT_EQ(a.data(), blockB);
            }

            CCharacterArray moved(std::move(a));
            EXPECT_EQ(codes(moved), codesB);
            EXPECT_TRUE(a.empty());
            b = std::move(moved);
            EXPECT_EQ(codes(b), codesB);
            if (m > kInlineCharacters) {
                EXPECT_EQ(b.data(), blockB);
            }
            a.push_back(Char(1, MakeGlyph(1, 2)));  // moved-from arrays take new characters
            moved = a;
            EXPECT_EQ(codes(moved), std::vector<std::uint16_t>{1});

            b.resize(std::min<std::size_t>(m, 5));
            b.shrink_to_fit();
            EXPECT_EQ(b.capacity(), kInlineCharacters);
            EXPECT_EQ(codes(b), std::vector<std::uint16_t>(codesB.begin(), codesB.begin() + std::min<std::ptrdiff_t>(m, 5)));
            b.insert(b.begin(), 30, b.empty() ? Char(2, MakeGlyph(1, 2)) : b.back());  // out to a block again
            EXPECT_EQ(b.size(), std::min<std::size_t>(m, 5) + 30);
        }
    }
}

// A paragraph's words stay where they are while the list grows and opens
// gaps, so growing it moves no word; copies are deep.
TEST(WordList, WordsKeepTheirPlaceAndCopiesAreDeep) {
    CWordList words;
    for (std::int32_t i = 0; i < 1000; ++i) words.emplace_back().m_x = i;
    const CCalligraphyWord* first = &words[0];
    const CCalligraphyWord* middle = &words[500];
    for (std::int32_t i = 0; i < 3000; ++i) words.insert(words.begin() + 1, CCalligraphyWord()).operator*().m_x = -1;
    EXPECT_EQ(&words[0], first);
    EXPECT_EQ(&words[3500], middle);
    EXPECT_EQ(words[3500].m_x, 500);

    words.erase(words.begin() + 1, words.begin() + 3001);  // the inserted ones
    ASSERT_EQ(words.size(), 1000u);
    words.insert(words.end(), words.begin(), words.begin() + 3);  // its own words, copied
    ASSERT_EQ(words.size(), 1003u);
    EXPECT_EQ(words[1001].m_x, 1);
    EXPECT_NE(&words[1001], &words[1]);
    for (std::int32_t i = 0; i < 1000; ++i) ASSERT_EQ(words[static_cast<std::size_t>(i)].m_x, i);

    const CWordList copy = words;
    words[7].m_x = -7;
    EXPECT_EQ(copy[7].m_x, 7);
    const std::vector<CCalligraphyWord> asVector = copy;
    ASSERT_EQ(asVector.size(), copy.size());
    EXPECT_EQ(asVector.back().m_x, 2);
}

// The list keeps a gap where it was last changed and moves it to the next
// change: insertions and erasures anywhere, in any order, with reads and the
// list as one block (data()) between them, must leave what a vector would.
TEST(WordList, EditsAtScatteredPlacesMatchAVector) {
    std::mt19937 random(7);
    CWordList words;
    std::vector<std::int32_t> model;
    std::int32_t next = 0;
    for (int step = 0; step < 3000; ++step) {
        const std::size_t at = random() % (model.size() + 1);
        switch (random() % 5) {
        case 0:
        case 1: {
            const std::size_t count = 1 + random() % (step < 1500 ? 40 : 3);
            CCalligraphyWord word;
            word.m_x = next++;
            words.insert(words.begin() + static_cast<std::ptrdiff_t>(at), count, word);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), count, word.m_x);
            break;
        }
        case 2: {
            const std::size_t end = std::min(model.size(), at + random() % 30);
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(at), words.begin() + static_cast<std::ptrdiff_t>(end));
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at), model.begin() + static_cast<std::ptrdiff_t>(end));
            break;
        }
        case 3: {  // its own words, copied
            const std::size_t end = std::min(model.size(), at + random() % 5);
            words.insert(words.begin() + static_cast<std::ptrdiff_t>(at / 2), words.begin() + static_cast<std::ptrdiff_t>(at),
                         words.begin() + static_cast<std::ptrdiff_t>(end));
            const std::vector<std::int32_t> part(model.begin() + static_cast<std::ptrdiff_t>(at),
                                                 model.begin() + static_cast<std::ptrdiff_t>(end));
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at / 2), part.begin(), part.end());
            break;
        }
        default:
            if (!model.empty()) {
                const std::size_t i = random() % model.size();
                ASSERT_EQ(words.data()[i]->m_x, model[i]) << "step " << step;
            }
            break;
        }
        ASSERT_EQ(words.size(), model.size()) << "step " << step;
        if (!model.empty()) {
            const std::size_t i = random() % model.size();
            ASSERT_EQ(words[i].m_x, model[i]) << "step " << step << " at " << i;
        }
    }
    for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(words[i].m_x, model[i]) << "at " << i;
}

// Erased words leave their slots to the words that come next, so that a
// list edited for long holds no more than it needs; the words stay in their
// slots when the list moves or swaps; and a free slot is unaddressable in
// AddressSanitizer builds, as freed memory would be.
TEST(WordList, SlotsOfErasedWordsServeTheNextAndWordsStayWhenListsMove) {
    constexpr std::size_t kWords = 100;
    CWordList words;
    for (std::size_t i = 0; i < kWords; ++i) words.emplace_back().m_x = static_cast<std::int32_t>(i);
    const std::size_t capacity = words.GetPoolCapacity();
    EXPECT_GE(capacity, kWords);
    EXPECT_LT(capacity, 2 * kWords);
    for (int round = 0; round < 5; ++round) {
        words.erase(words.begin() + 10, words.begin() + 60);
        words.insert(words.begin() + 10, 30, CCalligraphyWord());
        words.resize(kWords);
    }
    words.clear();
    for (std::size_t i = 0; i < kWords; ++i) words.emplace_back().m_x = static_cast<std::int32_t>(i);
    EXPECT_EQ(words.GetPoolCapacity(), capacity);

#if defined(KAVITRO_POISON_FREE_WORDS)
    const CCalligraphyWord* erased = &words[3];
    words.erase(words.begin() + 3);
    EXPECT_TRUE(__asan_address_is_poisoned(erased));
    words.insert(words.begin() + 3, CCalligraphyWord());
    EXPECT_FALSE(__asan_address_is_poisoned(&words[3]));
#endif

    const CCalligraphyWord* seventh = &words[7];
    CWordList moved(std::move(words));
    EXPECT_EQ(&moved[7], seventh);
    EXPECT_EQ(words.GetPoolCapacity(), 0u);
    words.emplace_back().m_x = -1;  // a moved-from list takes new words
    moved.swap(words);
    EXPECT_EQ(&words[7], seventh);
    EXPECT_EQ(moved.at(0).m_x, -1);
    moved = std::move(words);  // its own word goes with its pool
    ASSERT_EQ(moved.size(), kWords);
    EXPECT_EQ(&moved[7], seventh);
    EXPECT_EQ(moved[99].m_x, 99);
}

}  // namespace
}  // namespace kavitro
