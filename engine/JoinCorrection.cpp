#include "engine/JoinCorrection.h"

#include <algorithm>
#include <limits>

#include "engine/CodePointTable.h"

namespace kavitro {

namespace {

// A y unit is 1/750 of the text size, a glyph unit 1/2160 of it.
constexpr std::int64_t kGlyphUnitsPerSize = 2160;
constexpr std::int64_t kYUnitsPerSize = 750;

// Letter c joins the letter after it: word-end characters (spaces, digits,
// punctuation) stand alone, and so does a letter that ends its group.
bool JoinsNext(const CCalligraphyCharacter& c, const CCalligraphyCharacter& next) {
    return FindLetter(c.m_code) != nullptr && FindLetter(next.m_code) != nullptr &&
           !IsNonJoiningCode(c.m_code, next.m_code);
}

std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// num / den rounded half away from zero; den > 0.
std::int64_t RoundDiv(std::int64_t num, std::int64_t den) {
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

}  // namespace

// Walks each group from its end, where the correction is zero, towards its
// start. For a letter a before a letter b (both with join points, maybe with
// transparent glyphs g between them), on the leftward x axis a's exit lies at
// pen(a) + advance(a) - exitX(a) and b's entry at pen(b) + advance(b) -
// entryX(b), with pen(b) = pen(a) + advance(a) + advances(g); downward, a
// point lies at its lift (in glyph units) minus its y. Making a's placed
// exit meet b's placed entry gives a's correction from b's.
std::vector<JoinCorrection> GetJoinCorrections(const CCalligraphyWord& word, const IGlyphMetrics& metrics) {
    const CCharacterArray& characters = word.m_characters;
    std::vector<JoinCorrection> corrections(characters.size());
    if (!metrics.HasJoinPoints()) return corrections;

    std::int64_t dx = 0;
    std::int64_t dyScaled = 0;  // glyph units times kYUnitsPerSize, kept exact across the group
    std::int64_t between = 0;   // advances of the transparent glyphs after this letter
    bool hasLater = false;      // a letter with join points follows in this group
    GlyphJoinPoints later;
    std::int64_t laterAdvance = 0;
    std::int32_t laterLift = 0;
    for (std::size_t i = characters.size(); i-- > 0;) {
        const CCalligraphyCharacter& c = characters[i];
        if (i + 1 == characters.size() || !JoinsNext(c, characters[i + 1])) {
            dx = dyScaled = between = 0;  // c ends its group and stays where its lift puts it
            hasLater = false;
        }
        const GlyphId glyph = c.GetGlyph();
        const GlyphJoinPoints points = metrics.GetJoinPoints(glyph);
        const std::int64_t advance = metrics.GetReferenceAbc(glyph).Advance();
        if (points.IsTransparent()) {
            between += advance;  // the chain passes across it, and it moves with the chain
        } else {
            if (hasLater && points.hasExit && later.hasEntry) {
                dx += between + laterAdvance - later.entry.x + points.exit.x;
                dyScaled += (std::int64_t{laterLift} - c.m_yOffset) * kGlyphUnitsPerSize +
                            (std::int64_t{points.exit.y} - later.entry.y) * kYUnitsPerSize;
            }
            hasLater = true;
            later = points;
            laterAdvance = advance;
            laterLift = c.m_yOffset;
            between = 0;
        }
        corrections[i] = {Saturate(dx), Saturate(RoundDiv(dyScaled, kYUnitsPerSize))};
    }
    return corrections;
}

}  // namespace kavitro
