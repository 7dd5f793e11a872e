// The paragraph block of the text model: CCalligraphyParagraph::Serialize
// when loading (with CCalligraphyWord and CCalligraphyCharacter under it).
// Every input is loaded twice: under object schema 0 (the block ends after
// the words) and under schema 1 (vowel points follow).
//
// Beyond "no crash": a loaded paragraph holds only shaped characters with the
// codes the engine takes, no points under schema 0, and it stores to a block
// that loads to the same paragraph and stores to the same bytes again.

#include "FuzzSupport.h"
#include "ParagraphCompare.h"
#include "engine/CalligraphyText.h"
#include "tests/support/StoredBytes.h"

namespace kavitro::fuzz {
namespace {

Bytes Store(CCalligraphyParagraph& paragraph) {
    return test::StoredBytes(&CCalligraphyParagraph::Serialize, paragraph);
}

bool SameParagraph(const CCalligraphyParagraph& a, const CCalligraphyParagraph& b) {
    if (!SameWords(a, b) || a.m_points.size() != b.m_points.size())
        return false;
    for (std::size_t i = 0; i < a.m_points.size(); ++i) {
        const CCalligraphyPoint& pa = a.m_points[i];
        const CCalligraphyPoint& pb = b.m_points[i];
        if (pa.m_sign != pb.m_sign || pa.m_x != pb.m_x || pa.m_y != pb.m_y)
            return false;
    }
    return true;
}

void LoadUnderSchema(std::span<const std::uint8_t> input, std::uint32_t schema) {
    CCalligraphyParagraph paragraph;
    std::size_t remaining = 0;
    const bool loaded = CompletesOrRefuses([&] {
        CArchive ar = CArchive::ForLoading(input);
        ar.SetObjectSchema(schema);
        paragraph.Serialize(ar);
        remaining = ar.GetRemaining();
    });
    // A failed load keeps the words read whole; they obey the same rules.
    for (const CCalligraphyWord& word : paragraph.m_words) {
        for (const CCalligraphyCharacter& c : word.m_characters) {
            KAVITRO_FUZZ_CHECK(c.m_glyph != 0 && c.m_font >= 1 && c.m_font <= 5);
            KAVITRO_FUZZ_CHECK(c.m_code != 0x0643 && c.m_code != 0x064A && c.m_code != 0x200C);
        }
    }
    if (schema == 0)
        KAVITRO_FUZZ_CHECK(paragraph.m_points.empty());
    if (!loaded)
        return;
    KAVITRO_FUZZ_CHECK(remaining <= input.size());

    // Stored blocks always carry the points; they load under schema 1.
    const Bytes stored = Store(paragraph);
    CCalligraphyParagraph again;
    CArchive ar = CArchive::ForLoading(std::span<const std::uint8_t>(stored));
    ar.SetObjectSchema(1);
    again.Serialize(ar);
    KAVITRO_FUZZ_CHECK(ar.IsAtEnd());
    KAVITRO_FUZZ_CHECK(SameParagraph(again, paragraph));
    KAVITRO_FUZZ_CHECK(Store(again) == stored);
}

void FuzzParagraph(std::span<const std::uint8_t> input) {
    LoadUnderSchema(input, 0);
    LoadUnderSchema(input, 1);
}

// --- Seeds --------------------------------------------------------------------

CCalligraphyCharacter Char(std::uint16_t code, unsigned font, unsigned glyph, std::int32_t seed) {
    CCalligraphyCharacter c;
    c.m_code = code;
    c.SetGlyph(MakeGlyph(font, glyph));
    c.m_yOffset = -seed;
    c.m_flags = static_cast<std::uint8_t>(seed & 3);
    c.m_mark = static_cast<std::uint8_t>(seed % 3 == 0 ? 0 : 30 + seed % 9);
    c.m_markDx = 12 * seed;
    c.m_markDy = -7 * seed;
    return c;
}

CCalligraphyWord Word(std::int32_t x, std::int32_t y, std::vector<CCalligraphyCharacter> characters) {
    CCalligraphyWord w;
    w.m_x = x;
    w.m_y = y;
    w.m_characters = std::move(characters);
    return w;
}

void PutU16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro;
    using namespace kavitro::fuzz;
    std::vector<Bytes> seeds;

    CCalligraphyParagraph empty;
    seeds.push_back(Store(empty));

    CCalligraphyParagraph one;
    one.m_words.push_back(Word(0, 0, {Char(0x0628, 1, 17, 1)}));
    seeds.push_back(Store(one));

    // Several words, codes the loader replaces among them, and vowel points.
    CCalligraphyParagraph text;
    text.m_words.push_back(Word(0, 0, {Char(0x0633, 2, 40, 2), Char(0x0644, 3, 9, 3), Char(0x0627, 1, 3, 4)}));
    text.m_words.push_back(Word(-1450, 12, {Char(0x0643, 5, 200, 5), Char(0x064A, 4, 255, 6)}));
    text.m_words.push_back(Word(-2900, -3, {Char(0x200C, 1, 1, 7)}));
    text.m_words.push_back(Word(-3100, 0, {}));
    for (std::uint8_t i = 0; i < 3; ++i) {
        CCalligraphyPoint p;
        p.m_sign = static_cast<std::uint8_t>(60 + i);
        p.m_x = -300 * i;
        p.m_y = 500 - i;
        text.m_points.push_back(p);
    }
    seeds.push_back(Store(text));

    // The longer count form (0xFFFF, then a u32) for the words, the
    // characters and the points.
    {
        Bytes b;
        PutU16(b, 0xFFFF);
        b.insert(b.end(), {1, 0, 0, 0});
        b.insert(b.end(), {0x10, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF});  // x, y
        PutU16(b, 0xFFFF);
        b.insert(b.end(), {1, 0, 0, 0});
        CArchive ar = CArchive::ForStoring();
        CCalligraphyCharacter c = Char(0x06A9, 3, 77, 8);
        c.Serialize(ar);
        const Bytes character = ar.TakeStoredBytes();
        b.insert(b.end(), character.begin(), character.end());
        PutU16(b, 0xFFFF);
        b.insert(b.end(), {1, 0, 0, 0});
        b.insert(b.end(), {61, 1, 0, 0, 0, 2, 0, 0, 0});
        seeds.push_back(b);
    }
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzParagraph)
