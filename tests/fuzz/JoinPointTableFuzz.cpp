// The glyph fonts' join-point table: ParseJoinPointTable over the bytes
// FreeType hands out for it.
//
// Beyond "no crash": a table is taken whole or not at all, and one that is
// taken is written again to exactly its bytes.

#include "FuzzSupport.h"
#include "engine/JoinPointTable.h"
#include "tests/support/JoinPointTable.h"

namespace kavitro::fuzz {
namespace {

void FuzzJoinPointTable(std::span<const std::uint8_t> input) {
    const std::vector<GlyphJoinPoints> records = ParseJoinPointTable(input);
    if (records.empty())
        return;
    KAVITRO_FUZZ_CHECK(records.size() <= kMostJoinPointRecords);
    KAVITRO_FUZZ_CHECK(input.size() == 4 + records.size() * kJoinPointRecordBytes);
    const Bytes again = test::JoinPointTableBytes(records);
    KAVITRO_FUZZ_CHECK(std::equal(again.begin(), again.end(), input.begin(), input.end()));
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::GlyphJoinPoints;
    std::vector<GlyphJoinPoints> records(256);
    for (std::size_t i = 32; i < records.size(); i += 3) {
        const auto v = static_cast<std::int32_t>(i);
        records[i] = {i % 2 == 0, i % 5 != 0, {400 + v, -v}, {0, 60 - v}};
    }
    std::vector<kavitro::fuzz::Bytes> seeds = {
        kavitro::test::JoinPointTableBytes(records),
        kavitro::test::JoinPointTableBytes({records.begin(), records.begin() + 40}),
        kavitro::test::JoinPointTableBytes({}),
    };
    kavitro::fuzz::Random random(0x4B564A4E);
    for (int i = 0; i < 16; ++i) {
        kavitro::fuzz::Bytes b = seeds[1];
        kavitro::fuzz::Mutate(b, random);
        seeds.push_back(b);
    }
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzJoinPointTable)
