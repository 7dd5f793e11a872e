#include "engine/Compressor.h"

#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kavitro {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// An independent reader of the token stream, so that tests can state which
// tokens the packer chose.
struct Token {
    bool match = false;
    std::uint32_t literal = 0;
    std::uint32_t distance = 0;
    std::uint32_t length = 0;
};

std::vector<Token> ParseTokens(const Bytes& block) {
    const int level = block.at(0);
    const std::size_t unpacked = block[5] | block[6] << 8 | block[7] << 16 | std::size_t{block[8]} << 24;
    std::size_t bit = 9 * 8;
    auto read = [&](int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++bit)
            v |= static_cast<std::uint32_t>((block.at(bit / 8) >> (bit % 8)) & 1) << i;
        return v;
    };
    std::vector<Token> tokens;
    for (std::size_t out = 0; out < unpacked;) {
        Token t;
        t.match = read(1) != 0;
        if (t.match) {
            t.distance = read(8 + 2 * level);
            t.length = read(6 + 2 * level);
            out += t.length;
        } else {
            t.literal = read(8);
            out += 1;
        }
        tokens.push_back(t);
    }
    return tokens;
}

Bytes Pack(const Bytes& data, std::uint8_t level,
           CCompressor::MatchSearch search = CCompressor::MatchSearch::HashChain) {
    CCompressor codec(level);
    codec.SetMatchSearch(search);
    return codec.PackBlock(data);
}

Bytes Unpack(const Bytes& block) {
    CCompressor codec;
    EXPECT_EQ(codec.UnpackBlock(block), block.size());
    return codec.TakeUnpacked();
}

Bytes RandomBytes(std::size_t size, unsigned alphabet, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng() % alphabet);
    return out;
}

// Runs, repeats at every distance and short copies mixed with noise.
Bytes RepetitiveBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < size) {
        switch (rng() % 4) {
        case 0:
            out.insert(out.end(), 1 + rng() % 300, static_cast<std::uint8_t>(rng()));
            break;
        case 1:
            if (!out.empty()) {
                const std::size_t distance = 1 + rng() % std::min<std::size_t>(out.size(), 5000);
                const std::size_t length = 1 + rng() % 1500;
                for (std::size_t i = 0; i < length; ++i)
                    out.push_back(out[out.size() - distance]);
            }
            break;
        case 2:
            for (std::size_t n = rng() % 20; n > 0; --n)
                out.push_back(static_cast<std::uint8_t>(rng() % 4));
            break;
        default:
            for (std::size_t n = rng() % 40; n > 0; --n)
                out.push_back(static_cast<std::uint8_t>(rng()));
        }
    }
    out.resize(size);
    return out;
}

// The de Bruijn sequence B(k, n): every word of n symbols occurs once
// (cyclically), so nothing longer than n - 1 bytes repeats.
Bytes DeBruijn(int k, int n) {
    Bytes out;
    std::vector<int> a(static_cast<std::size_t>(k * n), 0);
    auto db = [&](auto&& self, int t, int p) -> void {
        if (t > n) {
            if (n % p == 0)
                for (int j = 1; j <= p; ++j)
                    out.push_back(static_cast<std::uint8_t>('0' + a[static_cast<std::size_t>(j)]));
        } else {
            a[static_cast<std::size_t>(t)] = a[static_cast<std::size_t>(t - p)];
            self(self, t + 1, p);
            for (int j = a[static_cast<std::size_t>(t - p)] + 1; j < k; ++j) {
                a[static_cast<std::size_t>(t)] = j;
                self(self, t + 1, t);
            }
        }
    };
    db(db, 1, 1);
    return out;
}

// A small picture: gradients, flat shapes and a soft disc, 3 bytes a pixel.
Bytes PictureBytes(int width, int height) {
    Bytes out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int r = 40 + y * 150 / height, g = 90 + x * 100 / width, b = 200 - y * 60 / height;
            if (x > width / 4 && x < width / 2 && y > height / 3 && y < height * 2 / 3)
                r = 220, g = 30, b = 30;
            const int dx = x - width * 2 / 3, dy = y - height / 2, d2 = dx * dx + dy * dy;
            if (d2 < width * width / 16) {
                const int shade = 255 - d2 * 255 / (width * width / 16);
                r = g = shade, b = shade / 2;
            }
            out.push_back(static_cast<std::uint8_t>(b));
            out.push_back(static_cast<std::uint8_t>(g));
            out.push_back(static_cast<std::uint8_t>(r));
        }
    return out;
}

std::size_t BitsOf(const std::vector<Token>& tokens, int level) {
    std::size_t bits = 0;
    for (const Token& t : tokens)
        bits += t.match ? 1 + (8 + 2 * level) + (6 + 2 * level) : 9;
    return bits;
}

// Properties every stream of the packer has.
void ExpectWellFormed(const Bytes& block, std::size_t size) {
    const int level = block.at(0);
    const auto tokens = ParseTokens(block);
    ASSERT_FALSE(tokens.empty());
    EXPECT_FALSE(tokens.back().match) << "the last byte is always a literal";
    std::size_t out = 0;
    for (const Token& t : tokens) {
        if (t.match) {
            EXPECT_GE(t.length, 2u);
            EXPECT_GE(t.distance, 1u);
            EXPECT_LE(t.distance, std::min<std::size_t>(out, (1u << (8 + 2 * level)) - 1));
        }
        out += t.match ? t.length : 1;
    }
    EXPECT_EQ(out, size);
    // The packed count is exactly the bytes that hold bits of the stream.
    EXPECT_EQ(block.size() - StoredBlockHeader::kSize, (BitsOf(tokens, level) + 7) / 8);
}

struct DataSet {
    std::string name;
    Bytes bytes;
};

std::vector<DataSet> VariedData() {
    return {
        {"random", RandomBytes(6000, 256, 1)},
        {"four symbols", RandomBytes(12000, 4, 2)},
        {"two symbols", RandomBytes(9000, 2, 3)},
        {"repetitive", RepetitiveBytes(30000, 4)},
        {"picture", PictureBytes(120, 60)},
        {"de Bruijn", DeBruijn(10, 3)},
        {"one run", Bytes(5000, 0x55)},
    };
}

constexpr std::uint8_t kLevels[] = {0, 1, 2};

TEST(CompressorTest, PacksKnownBlocks) {
    struct Case {
        std::string data;
        std::uint8_t level;
        Bytes block;
    };
    const Case cases[] = {
        {"abc", 0, {0x00, 3, 0, 0, 0, 3, 0, 0, 0, 0xC2, 0x88, 0x19, 0x03}},
        // literal, match of distance 1 and length 2, then the last byte as a literal
        {"aaaa", 0, {0x00, 4, 0, 0, 0, 4, 0, 0, 0, 0xC2, 0x06, 0x08, 0xC2, 0x00}},
        {"\xFF", 0, {0x00, 1, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0x01}},
        {"\xFF", 1, {0x01, 1, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0x01}},
        {"\xFF", 2, {0x02, 1, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0x01}},
        // nothing to pack: one zero byte, so that the count field does not wrap
        {"", 1, {0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data + " at level " + std::to_string(c.level));
        const Bytes block = Pack(ToBytes(c.data), c.level);
        EXPECT_EQ(block, c.block);
        EXPECT_EQ(Unpack(block), ToBytes(c.data));
    }
}

TEST(CompressorTest, EightLiteralsFillExactlyNineBytes) {
    for (const std::uint8_t level : kLevels) {
        const Bytes block = Pack(ToBytes("abcdefgh"), level);
        const StoredBlockHeader header = StoredBlockHeader::Read(block);
        EXPECT_EQ(header.packedCountMinusOne, 8u);
        EXPECT_EQ(header.unpackedLength, 8u);
        EXPECT_EQ(block.size(), StoredBlockHeader::kSize + 9);
        EXPECT_EQ(Unpack(block), ToBytes("abcdefgh"));
    }
}

// Greedy: the longest match wins, and the nearest among equally long ones.
TEST(CompressorTest, ChoosesTheLongestThenTheNearestMatch) {
    auto lit = [](char c) { return Token{false, static_cast<std::uint8_t>(c), 0, 0}; };
    auto ref = [](std::uint32_t d, std::uint32_t l) { return Token{true, 0, d, l}; };
    struct Case {
        std::string data;
        std::vector<Token> tokens;
    };
    const Case cases[] = {
        {"abcXabcYabcZZ",
         {lit('a'), lit('b'), lit('c'), lit('X'), ref(4, 3), lit('Y'), ref(4, 3), lit('Z'), lit('Z')}},
        {"abcdXabcYabcdZ",
         {lit('a'), lit('b'), lit('c'), lit('d'), lit('X'), ref(5, 3), lit('Y'), ref(9, 4), lit('Z')}},
    };
    for (const Case& c : cases)
        for (const auto search : {CCompressor::MatchSearch::HashChain, CCompressor::MatchSearch::Exhaustive}) {
            SCOPED_TRACE(c.data);
            const auto tokens = ParseTokens(Pack(ToBytes(c.data), 0, search));
            ASSERT_EQ(tokens.size(), c.tokens.size());
            for (std::size_t i = 0; i < tokens.size(); ++i) {
                EXPECT_EQ(tokens[i].match, c.tokens[i].match) << i;
                EXPECT_EQ(tokens[i].literal, c.tokens[i].literal) << i;
                EXPECT_EQ(tokens[i].distance, c.tokens[i].distance) << i;
                EXPECT_EQ(tokens[i].length, c.tokens[i].length) << i;
            }
        }
}

// A 16-byte phrase repeated `distance` bytes later, with filler that shares
// no byte with it: the repeat is one match when the window reaches it and 16
// literals when it does not.
TEST(CompressorTest, FindsRepeatsWithinTheWindowOnly) {
    struct Case {
        std::uint8_t level;
        std::size_t distance;
        bool found;
    };
    const Case cases[] = {
        {0, 255, true}, {0, 256, false}, {0, 316, false}, {1, 316, true}, {1, 1023, true},
        {1, 1024, false}, {2, 316, true}, {2, 4095, true}, {2, 4096, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("level " + std::to_string(c.level) + ", distance " + std::to_string(c.distance));
        Bytes phrase(16);
        for (std::size_t i = 0; i < phrase.size(); ++i)
            phrase[i] = static_cast<std::uint8_t>(200 + i);
        Bytes data = phrase;
        const Bytes filler = RandomBytes(c.distance - phrase.size(), 100, 7);
        data.insert(data.end(), filler.begin(), filler.end());
        data.insert(data.end(), phrase.begin(), phrase.end());
        data.push_back('z');

        const Bytes block = Pack(data, c.level);
        const auto tokens = ParseTokens(block);
        std::size_t out = 0, i = 0;
        while (out < c.distance)
            out += tokens[i].match ? tokens[i].length : 1, ++i;
        ASSERT_EQ(out, c.distance);
        if (c.found) {
            EXPECT_TRUE(tokens[i].match);
            EXPECT_EQ(tokens[i].distance, c.distance);
            EXPECT_EQ(tokens[i].length, 16u);
        } else {
            for (std::size_t k = 0; k < phrase.size(); ++k)
                EXPECT_FALSE(tokens[i + k].match) << k;
        }
        EXPECT_EQ(Unpack(block), data);
    }
}

TEST(CompressorTest, MatchesAreAtMostTheLongestOfTheLevel) {
    const std::uint32_t longest[] = {63, 255, 1023};
    const Bytes run(5000, 'a');
    for (const std::uint8_t level : kLevels) {
        const auto tokens = ParseTokens(Pack(run, level));
        ASSERT_GE(tokens.size(), 3u);
        EXPECT_FALSE(tokens[0].match);
        EXPECT_EQ(tokens[1].distance, 1u);
        EXPECT_EQ(tokens[1].length, longest[level]);
        for (const Token& t : tokens)
            EXPECT_LE(t.length, longest[level]);
    }
}

// A header claiming more than its packed bytes can encode is refused before
// anything is allocated; the bound must still admit the densest stream, a
// run of longest matches.
TEST(CompressorTest, UnpackedLengthBoundAdmitsTheDensestStream) {
    const Bytes run(200000, 'a');
    for (const std::uint8_t level : kLevels) {
        const Bytes block = Pack(run, level);
        const std::uint64_t bound = CCompressor::MaxUnpackedLength(level, block.size() - StoredBlockHeader::kSize);
        EXPECT_GE(bound, run.size());
        EXPECT_LT(bound, run.size() + 2000);
    }
}

TEST(CompressorTest, RoundTripsAtEveryLevel) {
    auto sets = VariedData();
    sets.push_back({"large repetitive", RepetitiveBytes(400000, 11)});
    sets.push_back({"large random", RandomBytes(100000, 256, 12)});
    sets.push_back({"large picture", PictureBytes(400, 300)});
    for (const DataSet& set : sets)
        for (const std::uint8_t level : kLevels) {
            SCOPED_TRACE(set.name + " at level " + std::to_string(level));
            const Bytes block = Pack(set.bytes, level);
            ExpectWellFormed(block, set.bytes.size());
            EXPECT_EQ(Unpack(block), set.bytes);
        }
}

// The hash chains only speed the search up: the bytes must be those of the
// plain exhaustive search.
TEST(CompressorTest, HashChainSearchEmitsTheBytesOfTheExhaustiveSearch) {
    for (const DataSet& set : VariedData())
        for (const std::uint8_t level : kLevels) {
            SCOPED_TRACE(set.name + " at level " + std::to_string(level));
            EXPECT_EQ(Pack(set.bytes, level, CCompressor::MatchSearch::HashChain),
                      Pack(set.bytes, level, CCompressor::MatchSearch::Exhaustive));
        }
}

// Two-byte matches cost 19 bits at level 1, more than the 9 bits a byte that
// a stream of literals needs; the block must still hold the whole stream.
TEST(CompressorTest, PackedBufferGrowsPastNineBitsPerByte) {
    const Bytes data = DeBruijn(10, 3);
    ASSERT_EQ(data.size(), 1000u);
    const Bytes block = Pack(data, 1);
    EXPECT_GT(block.size() - StoredBlockHeader::kSize, (9 * data.size() + 7) / 8);
    ExpectWellFormed(block, data.size());
    EXPECT_EQ(Unpack(block), data);
}

// Containers that carry the level and unpacked length themselves hand over
// the bare stream with every byte they have behind it.
TEST(CompressorTest, BareStreamStopsAtTheUnpackedLength) {
    const Bytes aaaa = {0xC2, 0x06, 0x08, 0xC2, 0x00, 0xEE, 0xEE};  // "aaaa", then trailing bytes
    CCompressor codec;
    codec.Decompress(0, 3, aaaa);
    EXPECT_EQ(codec.TakeUnpacked(), ToBytes("aaa"));
    codec.Decompress(0, 4, aaaa);
    EXPECT_EQ(codec.GetLevel(), 0);
    EXPECT_EQ(codec.TakeUnpacked(), ToBytes("aaaa"));
    codec.Decompress(2, 0, {});
    EXPECT_TRUE(codec.GetUnpacked().empty());
}

TEST(CompressorTest, RefusesCorruptBlocks) {
    const Bytes abc = {0x00, 3, 0, 0, 0, 3, 0, 0, 0, 0xC2, 0x88, 0x19, 0x03};
    const Bytes aaaa = {0x00, 4, 0, 0, 0, 4, 0, 0, 0, 0xC2, 0x06, 0x08, 0xC2, 0x00};
    auto with = [](Bytes b, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        for (const std::uint8_t v : bytes)
            b[at++] = v;
        return b;
    };
    struct Case {
        std::string name;
        Bytes block;
    };
    const Case cases[] = {
        {"header cut short", Bytes(abc.begin(), abc.begin() + 8)},
        {"level 3", with(abc, 0, {3})},
        {"level 255", with(abc, 0, {255})},
        {"unpacked marker", with(abc, 0, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"packed count beyond the bytes", with(abc, 1, {4})},
        {"packed count field 0xFFFFFFFF", with(abc, 0, {1, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"unpacked length beyond what the bytes hold", with(abc, 5, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"distance 0", {0x00, 1, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x04}},
        {"distance beyond the output", {0x00, 2, 0, 0, 0, 3, 0, 0, 0, 0xC2, 0x0A, 0x08}},
        {"final match past the unpacked length", with(aaaa, 5, {2})},
        {"stream longer than the packed bytes", with(abc, 5, {5})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCompressor codec;
        EXPECT_THROW(codec.UnpackBlock(c.block), UserException);
    }
    CCompressor codec;
    EXPECT_THROW(codec.Decompress(3, 1, abc), UserException);
}

// Damaged blocks either unpack to their stated length or raise a
// UserException; the sanitizers watch for reads and writes out of bounds.
TEST(CompressorTest, SurvivesDamagedBlocks) {
    std::mt19937 rng(99);
    std::vector<Bytes> blocks;
    for (const std::uint8_t level : kLevels) {
        blocks.push_back(Pack(RepetitiveBytes(3000, level), level));
        blocks.push_back(Pack(RandomBytes(500, 3, level), level));
    }
    int unpacked = 0, refused = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes block = blocks[rng() % blocks.size()];
        switch (rng() % 4) {
        case 0:  // flip bits anywhere
            for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n)
                block[rng() % block.size()] ^= static_cast<std::uint8_t>(1u << rng() % 8);
            break;
        case 1:  // cut short
            block.resize(rng() % block.size());
            break;
        case 2:  // a wrong unpacked length
            if (block.size() >= 9)
                block[5 + rng() % 4] = static_cast<std::uint8_t>(rng());
            break;
        default:  // damage the stream only
            block[9 + rng() % (block.size() - 9)] = static_cast<std::uint8_t>(rng());
        }
        CCompressor codec;
        try {
            const std::size_t used = codec.UnpackBlock(block);
            EXPECT_LE(used, block.size());
            EXPECT_EQ(codec.GetUnpacked().size(), StoredBlockHeader::Read(block).unpackedLength);
            ++unpacked;
        } catch (const UserException&) {
            ++refused;
        }
    }
    EXPECT_GT(unpacked, 0);
    EXPECT_GT(refused, 0);
}

TEST(CompressorTest, CopyFromDuplicatesBothBuffers) {
    const Bytes original = RepetitiveBytes(5000, 21);
    Bytes data = original;
    CCompressor source(2);
    const Bytes block = source.PackBlock(data);
    ASSERT_TRUE(source.IsBorrowed());

    CCompressor copy(0);
    copy.CopyFrom(source);
    source.Free();
    data.assign(data.size(), 0);

    EXPECT_EQ(copy.GetLevel(), 2);
    EXPECT_FALSE(copy.IsBorrowed());
    EXPECT_EQ(Bytes(copy.GetUnpacked().begin(), copy.GetUnpacked().end()), original);
    EXPECT_EQ(Bytes(copy.GetPacked().begin(), copy.GetPacked().end()),
              Bytes(block.begin() + StoredBlockHeader::kSize, block.end()));
    EXPECT_EQ(copy.GetHeader(), StoredBlockHeader::Read(block));
}

TEST(CompressorTest, HeaderLayout) {
    const StoredBlockHeader header{2, 0x01020304, 0xA0B0C0D0};
    const std::array<std::uint8_t, 9> bytes = {2, 0x04, 0x03, 0x02, 0x01, 0xD0, 0xC0, 0xB0, 0xA0};
    EXPECT_EQ(header.ToBytes(), bytes);
    EXPECT_EQ(StoredBlockHeader::Read(bytes), header);
    EXPECT_FALSE(header.IsUnpackedMarker());

    const std::array<std::uint8_t, 9> marker = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(StoredBlockHeader::UnpackedMarker().ToBytes(), marker);
    EXPECT_TRUE(StoredBlockHeader::Read(marker).IsUnpackedMarker());
    EXPECT_EQ(StoredBlockHeader::Read(marker).PackedCount(), std::uint64_t{1} << 32);

    EXPECT_THROW(CCompressor(3), InvalidArgumentException);
    EXPECT_EQ(CCompressor().GetLevel(), 1);
}

}  // namespace
}  // namespace kavitro
