#include "engine/JoinPointTable.h"

namespace kavitro {

namespace {

constexpr std::uint16_t kHasEntry = 0x0001;
constexpr std::uint16_t kHasExit = 0x0002;

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::int32_t ReadS16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::int16_t>(ReadU16(bytes, at));
}

}  // namespace

std::vector<GlyphJoinPoints> ParseJoinPointTable(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 4 || ReadU16(bytes, 0) != 1) return {};
    const std::size_t count = ReadU16(bytes, 2);
    // Exactly the records it announces: anything more or less is not the
    // table the generator writes.
    if (count > kMostJoinPointRecords || bytes.size() != 4 + count * kJoinPointRecordBytes) return {};
    std::vector<GlyphJoinPoints> records(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 4 + i * kJoinPointRecordBytes;
        const std::uint16_t flags = ReadU16(bytes, at);
        if ((flags & ~(kHasEntry | kHasExit)) != 0) return {};
        GlyphJoinPoints& record = records[i];
        record.hasEntry = (flags & kHasEntry) != 0;
        record.hasExit = (flags & kHasExit) != 0;
        record.entry = {ReadS16(bytes, at + 2), ReadS16(bytes, at + 4)};
        record.exit = {ReadS16(bytes, at + 6), ReadS16(bytes, at + 8)};
    }
    return records;
}

}  // namespace kavitro
