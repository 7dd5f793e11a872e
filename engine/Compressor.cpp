#include "engine/Compressor.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace kavitro {

namespace {

// Token geometry of one level. The window reaches back distance 1 to
// window - 1, a match is at most lookAhead - 1 bytes long.
struct LevelParams {
    int distanceBits;
    int lengthBits;
    std::size_t window;     // 256, 1024, 4096
    std::size_t lookAhead;  // 64, 256, 1024
};

LevelParams ParamsOf(std::uint8_t level) {
    const int distanceBits = 8 + 2 * level;
    const int lengthBits = 6 + 2 * level;
    return {distanceBits, lengthBits, std::size_t{1} << distanceBits, std::size_t{1} << lengthBits};
}

// The longest candidate window of any level; the hash chains keep one link
// per position of it.
constexpr std::size_t kMaxWindow = 4096;

void CheckLevel(std::uint8_t level) {
    if (level > CCompressor::kMaxLevel)
        throw InvalidArgumentException("codec level must be 0, 1 or 2");
}

[[noreturn]] void Corrupt(const char* what) {
    throw UserException(std::string("packed block is corrupt: ") + what);
}

// Appends values least significant bit first.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    // value must fit in bits; bits at most 32.
    void Put(std::uint32_t value, int bits) {
        m_acc |= std::uint64_t{value} << m_count;
        m_count += bits;
        if (m_count >= 32) {
            for (int i = 0; i < 4; ++i) {
                m_out.push_back(static_cast<std::uint8_t>(m_acc));
                m_acc >>= 8;
            }
            m_count -= 32;
        }
    }

    // Writes the partly filled last byte, its free high bits 0.
    void Finish() {
        for (; m_count > 0; m_count -= 8) {
            m_out.push_back(static_cast<std::uint8_t>(m_acc));
            m_acc >>= 8;
        }
        m_count = 0;
    }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_acc = 0;
    int m_count = 0;
};

// Reads values least significant bit first, never past its bytes.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> in) : m_next(in.data()), m_end(in.data() + in.size()) {}

    // n at most 32.
    std::uint32_t Read(int n) {
        if (m_count < n)
            Refill(n);
        const std::uint32_t value = static_cast<std::uint32_t>(m_acc & ((std::uint64_t{1} << n) - 1));
        m_acc >>= n;
        m_count -= n;
        return value;
    }

private:
    void Refill(int n) {
        if (m_end - m_next >= 8) {
            // Whole bytes up to 56+ bits. The partial byte that also lands in
            // the accumulator is loaded again, at the same bit position, by the
            // next refill, so OR-ing it twice is harmless.
            std::uint64_t word;
            std::memcpy(&word, m_next, sizeof word);
            if constexpr (std::endian::native == std::endian::big)
                word = __builtin_bswap64(word);
            m_acc |= word << m_count;
            m_next += (63 - m_count) >> 3;
            m_count |= 56;
        } else {
            while (m_count <= 56 && m_next < m_end) {
                m_acc |= std::uint64_t{*m_next++} << m_count;
                m_count += 8;
            }
            if (m_count < n)
                Corrupt("the stream runs past its packed bytes");
        }
    }

    const std::uint8_t* m_next;
    const std::uint8_t* m_end;
    std::uint64_t m_acc = 0;
    int m_count = 0;
};

struct Match {
    std::size_t length = 0;
    std::size_t distance = 0;
};

// The token loop shared by both searches. At each position the window is
// [windowStart, pos) with windowStart = pos - (window - 1) once that is
// positive, and the look-ahead ends at end = min(total, pos + lookAhead). The
// search is not run on an empty window nor when pos + 1 reaches end (the last
// byte of the input is always a literal). A match of 2 or more is always taken.
template <class Search>
void EncodeTokens(std::span<const std::uint8_t> input, const LevelParams& params, BitWriter& writer,
                  Search&& search) {
    const std::size_t total = input.size();
    const int matchBits = 1 + params.distanceBits + params.lengthBits;
    std::size_t pos = 0;
    while (pos < total) {
        const std::size_t end = std::min(total, pos + params.lookAhead);
        const std::size_t windowStart = pos >= params.window - 1 ? pos - (params.window - 1) : 0;
        Match match;
        if (windowStart != pos && pos + 1 < end)
            match = search(pos, windowStart, end);
        if (match.length >= 2) {
            const std::uint32_t token = 1u | static_cast<std::uint32_t>(match.distance) << 1 |
                                        static_cast<std::uint32_t>(match.length) << (1 + params.distanceBits);
            writer.Put(token, matchBits);
            pos += match.length;
        } else {
            writer.Put(std::uint32_t{input[pos]} << 1, 9);
            ++pos;
        }
    }
}

// Longest common prefix of input[a..] and input[b..], a < b, at most limit.
// Every byte compared lies below b + limit.
std::size_t CommonPrefix(const std::uint8_t* a, const std::uint8_t* b, std::size_t start, std::size_t limit) {
    std::size_t length = start;
    while (length + 8 <= limit) {
        std::uint64_t x, y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (const std::uint64_t diff = x ^ y; diff != 0) {
            if constexpr (std::endian::native == std::endian::little)
                return length + (static_cast<std::size_t>(std::countr_zero(diff)) >> 3);
            else
                return length + (static_cast<std::size_t>(std::countl_zero(diff)) >> 3);
        }
        length += 8;
    }
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

// The same matches as the exhaustive search, found through chains of the
// window positions that share their first two bytes. A match shorter than
// two bytes is never taken, so the positions outside a chain could never
// win. The chain runs from the nearest position back to the window start;
// a candidate replaces the best only when strictly longer, so the nearest
// of equally long matches wins, and the walk stops at the length limit.
class HashChainSearch {
public:
    explicit HashChainSearch(std::span<const std::uint8_t> input)
        : m_input(input), m_head(std::size_t{1} << 16, 0), m_link(kMaxWindow, 0) {}

    Match operator()(std::size_t pos, std::size_t windowStart, std::size_t end) {
        InsertBelow(pos);
        const std::size_t limit = end - pos - 1;
        if (limit < 2)
            return {};
        const std::uint8_t* data = m_input.data();
        const std::uint8_t* here = data + pos;
        std::size_t bestLength = 1;
        std::size_t bestPos = 0;
        // Links hold position + 1, so 0 ends every chain.
        for (std::uint32_t link = m_head[Key(pos)]; link != 0 && link - 1 >= windowStart;
             link = m_link[(link - 1) & (kMaxWindow - 1)]) {
            const std::size_t candidate = link - 1;
            const std::uint8_t* there = data + candidate;
            if (there[bestLength] != here[bestLength])
                continue;  // cannot be longer than the best
            const std::size_t length = CommonPrefix(there, here, 2, limit);
            if (length > bestLength) {
                bestLength = length;
                bestPos = candidate;
                if (length == limit)
                    break;
            }
        }
        if (bestLength < 2)
            return {};
        return {bestLength, pos - bestPos};
    }

private:
    std::size_t Key(std::size_t pos) const { return m_input[pos] | std::size_t{m_input[pos + 1]} << 8; }

    // Every position below pos enters its chain. A link slot is reused only
    // 4096 positions later, when the old position has left every window.
    void InsertBelow(std::size_t pos) {
        for (; m_inserted < pos; ++m_inserted) {
            std::uint32_t& head = m_head[Key(m_inserted)];
            m_link[m_inserted & (kMaxWindow - 1)] = head;
            head = static_cast<std::uint32_t>(m_inserted + 1);
        }
    }

    std::span<const std::uint8_t> m_input;
    std::vector<std::uint32_t> m_head;
    std::vector<std::uint32_t> m_link;
    std::size_t m_inserted = 0;
};

std::vector<std::uint8_t> AllocateBytes(std::size_t size) {
    try {
        return std::vector<std::uint8_t>(size);
    } catch (const std::bad_alloc&) {
        throw MemoryException();
    } catch (const std::length_error&) {
        throw MemoryException();
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// StoredBlockHeader

StoredBlockHeader StoredBlockHeader::Read(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSize)
        throw UserException("stored block header is cut short");
    auto u32 = [&](std::size_t at) {
        return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
               std::uint32_t{bytes[at + 3]} << 24;
    };
    return {bytes[0], u32(1), u32(5)};
}

std::array<std::uint8_t, StoredBlockHeader::kSize> StoredBlockHeader::ToBytes() const {
    std::array<std::uint8_t, kSize> out{};
    out[0] = level;
    for (int i = 0; i < 4; ++i) {
        out[1 + i] = static_cast<std::uint8_t>(packedCountMinusOne >> (8 * i));
        out[5 + i] = static_cast<std::uint8_t>(unpackedLength >> (8 * i));
    }
    return out;
}

// ---------------------------------------------------------------------------
// CCompressor

CCompressor::CCompressor(std::uint8_t level) {
    SetLevel(level);
}

void CCompressor::SetLevel(std::uint8_t level) {
    CheckLevel(level);
    m_level = level;
}

void CCompressor::SetUnpacked(std::vector<std::uint8_t> data) {
    m_unpackedOwned = std::move(data);
    m_unpackedBorrowed = {};
    m_borrowed = false;
    m_packed.clear();
}

void CCompressor::BorrowUnpacked(std::span<const std::uint8_t> data) {
    m_unpackedOwned = {};
    m_unpackedBorrowed = data;
    m_borrowed = true;
    m_packed.clear();
}

std::span<const std::uint8_t> CCompressor::GetUnpacked() const {
    return m_borrowed ? m_unpackedBorrowed : std::span<const std::uint8_t>(m_unpackedOwned);
}

std::vector<std::uint8_t> CCompressor::TakeUnpacked() {
    std::vector<std::uint8_t> out;
    if (m_borrowed)
        out.assign(m_unpackedBorrowed.begin(), m_unpackedBorrowed.end());
    else
        out = std::move(m_unpackedOwned);
    m_unpackedOwned = {};
    m_unpackedBorrowed = {};
    m_borrowed = false;
    return out;
}

void CCompressor::Compress() {
    const std::span<const std::uint8_t> input = GetUnpacked();
    if (input.size() > std::numeric_limits<std::uint32_t>::max())
        throw InvalidArgumentException("a block is at most 4 GiB");
    try {
        m_packed.clear();
        // Room for a stream of literals only; a stream of short matches grows
        // the buffer beyond it.
        m_packed.reserve((9 * input.size() + 7) / 8 + 8);
        if (m_search == MatchSearch::Exhaustive)
            EncodeExhaustive(input);
        else
            EncodeHashChain(input);
        if (m_packed.empty())
            m_packed.push_back(0);  // the header cannot count zero packed bytes
    } catch (const std::bad_alloc&) {
        m_packed.clear();
        throw MemoryException();
    }
}

void CCompressor::EncodeExhaustive(std::span<const std::uint8_t> input) {
    const LevelParams params = ParamsOf(m_level);
    BitWriter writer(m_packed);
    std::vector<std::size_t> candidates;
    candidates.reserve(kMaxWindow);
    EncodeTokens(input, params, writer, [&](std::size_t pos, std::size_t windowStart, std::size_t end) {
        candidates.clear();
        for (std::size_t c = windowStart; c < pos; ++c)
            candidates.push_back(c);
        const std::size_t length = FindLongestMatch(input, candidates, pos, end);
        return Match{length, pos - candidates.back()};
    });
    writer.Finish();
}

void CCompressor::EncodeHashChain(std::span<const std::uint8_t> input) {
    const LevelParams params = ParamsOf(m_level);
    BitWriter writer(m_packed);
    EncodeTokens(input, params, writer, HashChainSearch(input));
    writer.Finish();
}

std::size_t CCompressor::FindLongestMatch(std::span<const std::uint8_t> input, std::vector<std::size_t>& candidates,
                                          std::size_t pos, std::size_t end) {
    // No match may reach the last byte of the look-ahead.
    const std::size_t limit = end - pos - 1;
    std::size_t length = 0;
    while (length < limit) {
        // Keep, in order, the candidates that also match the next byte. The
        // list is only overwritten once a survivor exists, so when none does
        // the previous list stands.
        std::size_t kept = 0;
        for (const std::size_t c : candidates)
            if (input[c + length] == input[pos + length])
                candidates[kept++] = c;
        if (kept == 0)
            break;
        candidates.resize(kept);
        ++length;
    }
    return length;
}

StoredBlockHeader CCompressor::GetHeader() const {
    if (m_packed.empty())
        throw InvalidArgumentException("no packed block");
    const std::size_t unpacked = GetUnpacked().size();
    if (m_packed.size() - 1 > std::numeric_limits<std::uint32_t>::max() ||
        unpacked > std::numeric_limits<std::uint32_t>::max())
        throw InvalidArgumentException("a block is at most 4 GiB");
    return {m_level, static_cast<std::uint32_t>(m_packed.size() - 1), static_cast<std::uint32_t>(unpacked)};
}

std::uint64_t CCompressor::MaxUnpackedLength(std::uint8_t level, std::uint64_t packedBytes) {
    CheckLevel(level);
    // A match of the longest length gives the most bytes per bit; what is
    // left over fits at most two literals.
    const LevelParams params = ParamsOf(level);
    const std::uint64_t bits = std::min<std::uint64_t>(packedBytes, std::uint64_t{1} << 40) * 8;
    const std::uint64_t matchBits = 1 + params.distanceBits + params.lengthBits;
    return bits / matchBits * (params.lookAhead - 1) + bits % matchBits / 9;
}

void CCompressor::Decompress(std::uint8_t level, std::uint64_t unpackedLength,
                             std::span<const std::uint8_t> available) {
    if (level > kMaxLevel)
        Corrupt("unknown level");
    if (unpackedLength > MaxUnpackedLength(level, available.size()))
        Corrupt("the unpacked length exceeds what the packed bytes can hold");

    const LevelParams params = ParamsOf(level);
    std::vector<std::uint8_t> out = AllocateBytes(static_cast<std::size_t>(unpackedLength));
    const std::size_t total = out.size();
    std::uint8_t* buffer = out.data();
    const std::uint32_t distanceMask = (std::uint32_t{1} << params.distanceBits) - 1;
    const int referenceBits = params.distanceBits + params.lengthBits;

    BitReader reader(available);
    std::size_t written = 0;
    while (written < total) {
        if (reader.Read(1) != 0) {
            const std::uint32_t reference = reader.Read(referenceBits);
            const std::size_t distance = reference & distanceMask;
            const std::size_t length = reference >> params.distanceBits;
            if (distance == 0 || distance > written)
                Corrupt("a match reaches before the start of the output");
            if (length > total - written)
                Corrupt("a match runs past the unpacked length");
            std::uint8_t* to = buffer + written;
            const std::uint8_t* from = to - distance;
            if (distance >= length) {
                std::memcpy(to, from, length);
            } else {
                // Overlapping: the match repeats the bytes it produces.
                for (std::size_t i = 0; i < length; ++i)
                    to[i] = from[i];
            }
            written += length;
        } else {
            buffer[written++] = static_cast<std::uint8_t>(reader.Read(8));
        }
    }

    m_level = level;
    m_packed.clear();
    m_unpackedOwned = std::move(out);
    m_unpackedBorrowed = {};
    m_borrowed = false;
}

std::vector<std::uint8_t> CCompressor::PackBlock(std::span<const std::uint8_t> data) {
    BorrowUnpacked(data);
    Compress();
    const auto header = GetHeader().ToBytes();
    std::vector<std::uint8_t> block = AllocateBytes(header.size() + m_packed.size());
    std::copy(header.begin(), header.end(), block.begin());
    std::copy(m_packed.begin(), m_packed.end(), block.begin() + header.size());
    return block;
}

std::size_t CCompressor::UnpackBlock(std::span<const std::uint8_t> available) {
    const StoredBlockHeader header = StoredBlockHeader::Read(available);
    if (header.IsUnpackedMarker())
        Corrupt("the block is stored unpacked");
    if (header.level > kMaxLevel)
        Corrupt("unknown level");
    const std::uint64_t packedCount = header.PackedCount();
    if (packedCount > available.size() - StoredBlockHeader::kSize)
        Corrupt("the packed bytes are cut short");
    Decompress(header.level, header.unpackedLength,
               available.subspan(StoredBlockHeader::kSize, static_cast<std::size_t>(packedCount)));
    return StoredBlockHeader::kSize + static_cast<std::size_t>(packedCount);
}

void CCompressor::CopyFrom(const CCompressor& other) {
    if (&other == this)
        return;
    try {
        std::vector<std::uint8_t> packed(other.m_packed);
        const std::span<const std::uint8_t> source = other.GetUnpacked();
        std::vector<std::uint8_t> unpacked(source.begin(), source.end());
        m_level = other.m_level;
        m_packed = std::move(packed);
        m_unpackedOwned = std::move(unpacked);
        m_unpackedBorrowed = {};
        m_borrowed = false;
    } catch (const std::bad_alloc&) {
        throw MemoryException();
    }
}

void CCompressor::Free() {
    m_packed = {};
    m_unpackedOwned = {};
    m_unpackedBorrowed = {};
    m_borrowed = false;
}

}  // namespace kavitro
