// The LZ codec's readers: StoredBlockHeader::Read, CCompressor::UnpackBlock
// and CCompressor::Decompress. The input is a stored block (header, packed
// bytes, possibly more bytes after them).
//
// Beyond "no crash": the header reads back to its bytes; a block that unpacks
// has the length and level its header gives, occupies the bytes it says; the
// same stream unpacked bare, with every later byte available, gives the same
// bytes; and the unpacked bytes packed again unpack to themselves, with both
// match searches producing the same packed bytes.

#include <algorithm>
#include <cstring>
#include <string_view>

#include "FuzzSupport.h"
#include "engine/Compressor.h"

namespace kavitro::fuzz {
namespace {

// Repacking is only checked for blocks up to this size, the exhaustive search
// (quadratic in the window) for the smaller ones.
constexpr std::size_t kLargestRepack = 64 * 1024;
constexpr std::size_t kLargestExhaustive = 256;

bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

void CheckRepack(std::span<const std::uint8_t> data, std::uint8_t level) {
    CCompressor packer(level);
    const Bytes copy(data.begin(), data.end());
    const Bytes block = packer.PackBlock(copy);
    CCompressor unpacker;
    KAVITRO_FUZZ_CHECK(unpacker.UnpackBlock(block) == block.size());
    KAVITRO_FUZZ_CHECK(SameBytes(unpacker.GetUnpacked(), copy));
    if (copy.size() <= kLargestExhaustive) {
        CCompressor exhaustive(level);
        exhaustive.SetMatchSearch(CCompressor::MatchSearch::Exhaustive);
        KAVITRO_FUZZ_CHECK(exhaustive.PackBlock(copy) == block);
    }
}

void FuzzCodec(std::span<const std::uint8_t> input) {
    if (input.size() < StoredBlockHeader::kSize) {
        KAVITRO_FUZZ_CHECK(!CompletesOrRefuses([&] { StoredBlockHeader::Read(input); }));
        CCompressor codec;
        KAVITRO_FUZZ_CHECK(!CompletesOrRefuses([&] { codec.UnpackBlock(input); }));
        return;
    }
    const StoredBlockHeader header = StoredBlockHeader::Read(input);
    const auto headerBytes = header.ToBytes();
    KAVITRO_FUZZ_CHECK(SameBytes(headerBytes, input.first(StoredBlockHeader::kSize)));

    CCompressor block;
    std::size_t used = 0;
    const bool unpacked = CompletesOrRefuses([&] { used = block.UnpackBlock(input); });

    // The same stream with no header in front, as containers hold it.
    CCompressor bare;
    const bool bareUnpacked = CompletesOrRefuses([&] {
        bare.Decompress(header.level, header.unpackedLength, input.subspan(StoredBlockHeader::kSize));
    });

    if (!unpacked)
        return;
    KAVITRO_FUZZ_CHECK(!header.IsUnpackedMarker());
    KAVITRO_FUZZ_CHECK(used == StoredBlockHeader::kSize + header.PackedCount());
    KAVITRO_FUZZ_CHECK(used <= input.size());
    KAVITRO_FUZZ_CHECK(block.GetLevel() == header.level);
    KAVITRO_FUZZ_CHECK(block.GetUnpacked().size() == header.unpackedLength);
    KAVITRO_FUZZ_CHECK(header.unpackedLength <= CCompressor::MaxUnpackedLength(header.level, header.PackedCount()));
    // Bytes after the block change nothing.
    KAVITRO_FUZZ_CHECK(bareUnpacked);
    KAVITRO_FUZZ_CHECK(SameBytes(bare.GetUnpacked(), block.GetUnpacked()));

    if (block.GetUnpacked().size() <= kLargestRepack)
        CheckRepack(block.GetUnpacked(), header.level);
}

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using kavitro::fuzz::Bytes;
    std::vector<Bytes> samples;
    samples.push_back({});
    samples.push_back({0x42});
    samples.push_back(kavitro::fuzz::Text("abcabcabcabd"));
    samples.push_back(kavitro::fuzz::Text(
        "Kavitro Vector Path Info, Kavitro Vector Path Info: a repeated title and some more words of text"));
    // A long run: matches of the greatest length at every level.
    samples.push_back(Bytes(3000, 0));
    // Pseudo-random bytes: literals only.
    {
        kavitro::fuzz::Random random(7);
        Bytes b(400);
        for (auto& x : b)
            x = static_cast<std::uint8_t>(random.Next());
        samples.push_back(b);
    }
    // A period just inside and just outside each window.
    for (const std::size_t period : {255u, 257u, 1023u, 4095u, 4097u}) {
        kavitro::fuzz::Random random(period);
        Bytes b(period);
        for (auto& x : b)
            x = static_cast<std::uint8_t>(random.Below(4));
        Bytes twice = b;
        twice.insert(twice.end(), b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(b.size(), 600)));
        samples.push_back(twice);
    }

    std::vector<Bytes> seeds;
    for (std::uint8_t level = 0; level <= kavitro::CCompressor::kMaxLevel; ++level) {
        for (const Bytes& sample : samples) {
            kavitro::CCompressor codec(level);
            seeds.push_back(codec.PackBlock(sample));
        }
    }
    // A block followed by more bytes, as in a file.
    {
        kavitro::CCompressor codec(1);
        Bytes b = codec.PackBlock(samples[3]);
        b.insert(b.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0xFF});
        seeds.push_back(b);
    }
    // The unpacked marker, which the block reader refuses.
    {
        const auto marker = kavitro::StoredBlockHeader::UnpackedMarker().ToBytes();
        Bytes b(marker.begin(), marker.end());
        b.insert(b.end(), 16, 0x55);
        seeds.push_back(b);
    }
    return seeds;
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzCodec)
