#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kavitro {

// The 9-byte header in front of every packed block (little-endian):
// level (u8), packed byte count minus 1 (u32), unpacked length (u32).
struct StoredBlockHeader {
    static constexpr std::size_t kSize = 9;

    std::uint8_t level = 0;
    std::uint32_t packedCountMinusOne = 0;
    std::uint32_t unpackedLength = 0;

    // Level 0 with both counts 0xFFFFFFFF: the block that follows is stored
    // unpacked, in a form its reader defines.
    static constexpr StoredBlockHeader UnpackedMarker() { return {0, 0xFFFFFFFFu, 0xFFFFFFFFu}; }
    bool IsUnpackedMarker() const {
        return level == 0 && packedCountMinusOne == 0xFFFFFFFFu && unpackedLength == 0xFFFFFFFFu;
    }

    // 64-bit, so that a count field of 0xFFFFFFFF cannot wrap to 0.
    std::uint64_t PackedCount() const { return std::uint64_t{packedCountMinusOne} + 1; }

    // Parses the first 9 bytes; fewer raise a UserException.
    static StoredBlockHeader Read(std::span<const std::uint8_t> bytes);
    std::array<std::uint8_t, kSize> ToBytes() const;

    friend bool operator==(const StoredBlockHeader&, const StoredBlockHeader&) = default;
};

// The program's LZ77 codec: a bit stream (least significant bit first) of
// literals (flag 0 + 8 bits) and back-references (flag 1 + distance + length)
// at one of three levels that trade window size for token size. The packer is
// greedy: at each position it takes the longest match in the window, the
// nearest one among equally long matches, never lets a match reach the last
// byte of the input, and takes every match of two bytes or more.
//
// The codec owns its packed bytes; the unpacked bytes are either owned or
// borrowed from the caller (then they must outlive the codec's use of them).
//
// Corrupt or truncated input raises a UserException (a bad block is never
// reported twice); a failed allocation raises a MemoryException.
class CCompressor {
public:
    static constexpr std::uint8_t kMaxLevel = 2;

    // How the packer finds its matches. Both produce the same bytes; the
    // exhaustive search is the plain definition and serves as the reference.
    enum class MatchSearch { HashChain, Exhaustive };

    // Raises an InvalidArgumentException for a level above 2.
    explicit CCompressor(std::uint8_t level = 1);

    CCompressor(const CCompressor&) = delete;
    CCompressor& operator=(const CCompressor&) = delete;
    CCompressor(CCompressor&&) noexcept = default;
    CCompressor& operator=(CCompressor&&) noexcept = default;

    std::uint8_t GetLevel() const { return m_level; }
    void SetLevel(std::uint8_t level);  // InvalidArgumentException above 2

    void SetMatchSearch(MatchSearch search) { m_search = search; }
    MatchSearch GetMatchSearch() const { return m_search; }

    // --- Unpacked buffer --------------------------------------------------
    void SetUnpacked(std::vector<std::uint8_t> data);          // owned
    void BorrowUnpacked(std::span<const std::uint8_t> data);   // not owned
    std::span<const std::uint8_t> GetUnpacked() const;
    bool IsBorrowed() const { return m_borrowed; }
    // Hands the unpacked bytes out (a copy when they are borrowed) and leaves
    // the unpacked buffer empty.
    std::vector<std::uint8_t> TakeUnpacked();

    // --- Packed buffer ----------------------------------------------------
    // The packed bytes of the block: every byte that holds bits of the
    // stream, the last one padded with zero bits.
    std::span<const std::uint8_t> GetPacked() const { return m_packed; }

    // Packs the unpacked buffer at the codec's level into the packed buffer.
    // The packed buffer grows as needed: a stream of short matches can take
    // more than 9 bits per input byte. An empty input gives one zero byte.
    void Compress();

    // The header describing the packed buffer after Compress.
    StoredBlockHeader GetHeader() const;

    // Unpacks a bare stream (no header), as containers that carry the level
    // and unpacked length themselves hold it: `available` is every byte the
    // caller has from the start of the stream; bits past the unpacked length
    // are ignored. The result replaces the unpacked buffer (owned), and the
    // codec takes the given level.
    void Decompress(std::uint8_t level, std::uint64_t unpackedLength, std::span<const std::uint8_t> available);

    // --- Stored blocks ----------------------------------------------------
    // Packs `data` and returns the 9-byte header followed by the packed bytes.
    // The codec keeps the packed buffer and borrows `data` as its unpacked
    // buffer until the next call that replaces it.
    std::vector<std::uint8_t> PackBlock(std::span<const std::uint8_t> data);

    // Unpacks the stored block at the start of `available` (everything the
    // caller has from the header on) into the unpacked buffer and returns the
    // bytes the block occupies (header + packed count). The unpacked marker is
    // refused here like any bad header: its readers check for it first.
    std::size_t UnpackBlock(std::span<const std::uint8_t> available);

    // The largest unpacked length that `packedBytes` bytes can encode at a
    // level; a header claiming more is corrupt.
    static std::uint64_t MaxUnpackedLength(std::uint8_t level, std::uint64_t packedBytes);

    // Duplicates the other codec's level, packed buffer and unpacked buffer;
    // the copy always owns its unpacked bytes.
    void CopyFrom(const CCompressor& other);

    // Frees the packed buffer and the unpacked buffer (a borrowed one is only
    // let go).
    void Free();

private:
    void EncodeExhaustive(std::span<const std::uint8_t> input);
    void EncodeHashChain(std::span<const std::uint8_t> input);

    // The plain candidate search: narrows the candidate list one byte at a
    // time; returns the match length and leaves the surviving candidates in
    // `candidates` (nearest last).
    static std::size_t FindLongestMatch(std::span<const std::uint8_t> input, std::vector<std::size_t>& candidates,
                                        std::size_t pos, std::size_t end);

    std::vector<std::uint8_t> m_unpackedOwned;
    std::span<const std::uint8_t> m_unpackedBorrowed;
    std::vector<std::uint8_t> m_packed;
    std::uint8_t m_level = 1;
    bool m_borrowed = false;
    MatchSearch m_search = MatchSearch::HashChain;
};

}  // namespace kavitro
