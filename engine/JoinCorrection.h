#pragma once

// Rows of the shaping tables ask one glyph for different lifts in different
// contexts, so no single entry and exit height per glyph can close every
// join. The correction closes them when glyphs are placed: inside each
// connected letter group the placed exit of a letter meets the placed entry
// of the letter after it, the group's last joined letter staying where its
// lift puts it. Stored lifts never change; artwork whose joins close at the
// stored lifts, or that carries no join points, gives zero everywhere. The
// same placement keeps the dots of neighbouring letters apart.

#include <cstdint>
#include <vector>

#include "engine/CalligraphyText.h"
#include "engine/GlyphMetrics.h"

namespace kavitro {

// Reference glyph units; dx grows as the words' x grows (leftward), dy as
// y offsets grow (downward). markDx and markDy move the letter's dots
// beyond the glyph's own move, in the same directions, where they would
// touch the dots of a neighbouring letter.
struct JoinCorrection {
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::int32_t markDx = 0;
    std::int32_t markDy = 0;
    friend bool operator==(const JoinCorrection&, const JoinCorrection&) = default;
};

// Glyph units the dots of neighbouring letters keep between them.
inline constexpr std::int32_t kNeighbourDotGap = 40;

// One entry per character of the word, in its order; all zero when the
// artwork carries no join points.
std::vector<JoinCorrection> GetJoinCorrections(const CCalligraphyWord& word,
                                               const IGlyphMetrics& metrics = GetGlyphMetrics());

}  // namespace kavitro
