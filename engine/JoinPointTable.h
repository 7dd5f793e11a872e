#pragma once

// The glyph fonts' private "KVJN" table: where each glyph joins its
// neighbours. Big-endian, as SFNT tables are: uint16 version (1), uint16
// count (at most 256, one record per glyph index from 0), then per record
// uint16 flags (bit 0 entry, bit 1 exit, no others), int16 entryX, entryY,
// exitX, exitY in font units of the glyph's own outline.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/GlyphMetrics.h"

namespace kavitro {

inline constexpr std::uint32_t kJoinPointTableTag = 0x4B564A4E;  // "KVJN"
inline constexpr std::size_t kJoinPointRecordBytes = 10;
inline constexpr std::size_t kMostJoinPointRecords = 256;
inline constexpr std::size_t kLargestJoinPointTable = 4 + kMostJoinPointRecords * kJoinPointRecordBytes;

// The records by glyph index (font units); empty when the bytes are not one
// whole sound table (short, truncated, oversized, another version, unknown
// flags), which then counts as no table at all.
std::vector<GlyphJoinPoints> ParseJoinPointTable(std::span<const std::uint8_t> bytes);

}  // namespace kavitro
