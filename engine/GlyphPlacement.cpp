#include "engine/GlyphPlacement.h"

#include <algorithm>
#include <limits>

#include "platform/Geometry.h"

namespace kavitro {

std::int32_t GetJoinDropInYUnits(const JoinCorrection& join) { return MulDiv(join.dy, 750, 2160); }

std::int64_t GetPlacedLift(const CCalligraphyCharacter& c, const JoinCorrection& join) {
    return std::int64_t{c.m_yOffset} + GetJoinDropInYUnits(join);
}

std::int32_t GetHighestLift(const CCalligraphyWord& word, const IGlyphMetrics& metrics) {
    const CWordJoins joins(word, metrics);
    std::int64_t highest = 0;
    for (std::size_t i = 0; i < word.m_characters.size(); ++i)
        highest = std::min(highest, GetPlacedLift(word.m_characters[i], joins[i]));
    return static_cast<std::int32_t>(std::max<std::int64_t>(highest, std::numeric_limits<std::int32_t>::min()));
}

PlacedGlyph GetPlacedGlyph(const CWordArray& words, CharacterAt at, const IGlyphMetrics& metrics) {
    auto pen = [&](CharacterAt c) {
        const CCalligraphyWord& w = words[c.word];
        return std::int64_t{w.m_x} + w.GetTailOverhang(metrics) +
               w.GetWidthOfFirst(static_cast<std::int32_t>(c.index), metrics);
    };
    auto advance = [&](CharacterAt c) {
        return std::int64_t{metrics.GetReferenceAbc(words[c.word].m_characters[c.index].GetGlyph()).Advance()};
    };
    auto same = [](std::int32_t glyphUnits) { return std::int64_t{glyphUnits}; };
    const CGlyphPlacement<std::int64_t> placement(words, at.word, at.word, pen, advance, same, metrics);
    const CGlyphPlacement<std::int64_t>::Placed placed = placement.Place(at, pen(at));
    return {placed.pen, placed.drop};
}

}  // namespace kavitro
