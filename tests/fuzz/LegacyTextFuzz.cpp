// The import of version-1.x texts: CCalligraphyParagraph::LoadLegacyText over
// a CLegacyTextBlock filled from the input.
//
// Input layout (little-endian): the block's character count (int32), scale,
// x origin and y origin (float32 each), the mark factor (float64), then up to
// 200 records of 20 bytes: glyph index, legacy code, x, y (float32), mark,
// alternate, unused, font, mark dx, mark dy (int32). Missing bytes read as 0.
//
// Beyond "no crash": a refused block (ArchiveException) leaves the paragraph
// exactly as it was; a loaded one holds every counted character (none for a
// lone space), and a second load of the same block gives the same words.

#include <bit>
#include <cstring>

#include "FuzzSupport.h"
#include "ParagraphCompare.h"
#include "engine/CalligraphyText.h"
#include "engine/LegacyText.h"

namespace kavitro::fuzz {
namespace {

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint8_t U8() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t{U8()} << (8 * i);
        return v;
    }
    std::uint64_t U64() {
        const std::uint64_t low = U32();
        return low | std::uint64_t{U32()} << 32;
    }
    float F32() { return std::bit_cast<float>(U32()); }
    bool AtEnd() const { return m_at >= m_bytes.size(); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

struct Input {
    CLegacyTextBlock block;
    double markFactor = 1;
};

Input Read(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    Input input;
    CLegacyTextBlock& b = input.block;
    b.characterCount = static_cast<std::int32_t>(in.U32());
    b.scale = in.F32();
    b.xOrigin = in.F32();
    b.yOrigin = in.F32();
    input.markFactor = std::bit_cast<double>(in.U64());
    for (std::size_t i = 0; i < CLegacyTextBlock::kRecordCount && !in.AtEnd(); ++i) {
        CLegacyTextBlock::Record& r = b.records[i];
        r.glyphIndex = in.U8();
        r.legacyCode = in.U8();
        r.x = in.F32();
        r.y = in.F32();
        r.mark = in.U8();
        r.alternate = in.U8();
        r.unused = in.U8();
        r.font = in.U8();
        r.markDx = static_cast<std::int32_t>(in.U32());
        r.markDy = static_cast<std::int32_t>(in.U32());
    }
    return input;
}

std::size_t CharacterCount(const CCalligraphyParagraph& p) {
    std::size_t n = 0;
    for (const CCalligraphyWord& word : p.m_words)
        n += word.m_characters.size();
    return n;
}

void Import(std::span<const std::uint8_t> bytes) {
    const Input input = Read(bytes);
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    for (const std::uint16_t code : {0x0020, 0x0628, 0x0627})  // something to keep or replace
        paragraph.InsertCharacter(caret, code);
    const CCalligraphyParagraph before = paragraph;

    bool refused = false;
    try {
        paragraph.LoadLegacyText(input.block, input.markFactor);
    } catch (const ArchiveException&) {
        refused = true;
    }
    if (refused) {
        KAVITRO_FUZZ_CHECK(SameWords(paragraph, before));
        return;
    }
    const std::int32_t counted = input.block.characterCount;
    const std::size_t expected =
        counted <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(counted), CLegacyTextBlock::kRecordCount);
    const bool loneSpace = expected == 1 && input.block.records[0].glyphIndex == 32;
    KAVITRO_FUZZ_CHECK(CharacterCount(paragraph) == (loneSpace ? 0 : expected));
    KAVITRO_FUZZ_CHECK(paragraph.m_points.empty());

    CCalligraphyParagraph again;
    again.LoadLegacyText(input.block, input.markFactor);
    KAVITRO_FUZZ_CHECK(SameWords(paragraph, again));
}

void Append(Bytes& out, const void* value, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(value);
    out.insert(out.end(), p, p + size);
}

// A block as version 1.x wrote it: `letters` as (glyph index, legacy code,
// font, mark), laid right to left from x = 1000 at scale 100.
Bytes MakeBlock(std::initializer_list<std::array<std::uint8_t, 4>> letters, double markFactor) {
    Bytes out;
    const auto count = static_cast<std::int32_t>(letters.size());
    const float scale = 100, xOrigin = 0, yOrigin = 50;
    Append(out, &count, 4);
    Append(out, &scale, 4);
    Append(out, &xOrigin, 4);
    Append(out, &yOrigin, 4);
    Append(out, &markFactor, 8);
    float x = 1000;
    for (const auto& [glyph, code, font, mark] : letters) {
        const float y = 50;
        const std::int32_t markDx = 12, markDy = -7;
        out.insert(out.end(), {glyph, code});
        Append(out, &x, 4);
        Append(out, &y, 4);
        out.insert(out.end(), {mark, 0, 0, font});
        Append(out, &markDx, 4);
        Append(out, &markDy, 4);
        x -= 40;
    }
    return out;
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::MakeBlock;
    static_assert(std::endian::native == std::endian::little, "the seeds are written in the machine's order");
    return {
        MakeBlock({{66, 0x42, 1, 35}, {151, 0x41, 1, 0}, {32, 0x20, 1, 0}}, 1.0),
        MakeBlock({{105, 0x4B, 1, 39}, {195, 0x54, 1, 36}, {151, 0x41, 1, 0}, {66, 0x42, 1, 35}}, 0.5),
        MakeBlock({{32, 0x20, 1, 0}}, 1.0),
    };
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::Import)
