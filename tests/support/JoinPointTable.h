#pragma once

// Writes the glyph fonts' join-point table as the artwork generator does
// (big-endian, version 1, one record per glyph index), for fixtures.

#include <cstdint>
#include <vector>

#include "engine/GlyphMetrics.h"

namespace kavitro::test {

inline std::vector<std::uint8_t> JoinPointTableBytes(const std::vector<GlyphJoinPoints>& records) {
    std::vector<std::uint8_t> bytes;
    auto put = [&](std::int32_t v) {
        bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    };
    put(1);
    put(static_cast<std::int32_t>(records.size()));
    for (const GlyphJoinPoints& r : records) {
        put((r.hasEntry ? 1 : 0) | (r.hasExit ? 2 : 0));
        put(r.entry.x);
        put(r.entry.y);
        put(r.exit.x);
        put(r.exit.y);
    }
    return bytes;
}

}  // namespace kavitro::test
