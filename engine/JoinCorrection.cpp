#include "engine/JoinCorrection.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>

#include "engine/CodePointTable.h"
#include "engine/VectorPathSource.h"
#include "platform/Geometry.h"

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

// Where a letter's dots are drawn: the box of its dot mark in glyph units,
// x rightward from the word's start, y upward from its baseline.
struct DotBox {
    std::int64_t left = 0, right = 0, low = 0, high = 0;
    bool below = false;

    bool Touches(const DotBox& o) const {
        return below == o.below && left < o.right + kNeighbourDotGap && o.left < right + kNeighbourDotGap &&
               low < o.high + kNeighbourDotGap && o.low < high + kNeighbourDotGap;
    }
};

// `start` is where the letter begins (its right edge) before its correction.
std::optional<DotBox> PlacedDots(const CCalligraphyCharacter& c, std::int64_t start, const JoinCorrection& j,
                                 const IGlyphMetrics& metrics) {
    if (!IsDotMark(c.m_mark)) return std::nullopt;
    const bool below = c.HasMarkBelow();
    const GlyphId glyph = c.GetGlyph();
    const std::int32_t anchorY = metrics.GetAnchorY(glyph, below);
    if (anchorY == -1) return std::nullopt;
    const GlyphId mark = MakeGlyph(kMarkFont, c.m_mark);
    const GlyphAbc abc = metrics.GetReferenceAbc(mark);
    // The mark's origin; drawing puts its right edge at the anchor moved by its advance.
    const std::int64_t x = start - j.dx - j.markDx + metrics.GetAnchorX(glyph, below) + c.m_markDx + abc.a;
    const std::int64_t y = std::int64_t{anchorY} + c.m_markDy - MulDiv(c.m_yOffset, 2160, 750) -
                           j.dy - j.markDy;
    return DotBox{x, x + std::int64_t{abc.b}, y - metrics.GetOutlineDepth(mark), y + metrics.GetOutlineHeight(mark),
                  below};
}

// Whether the word's letter ink comes within `gap` of a box, the ink being
// the points of its glyphs' polygon outlines where they are drawn (no side
// is longer than about 50 units, so a stroke that crosses a dot's box
// leaves a point in it); same frame as DotBox. Only letters near the box
// are looked at.
bool InkNear(const CCharacterArray& characters, const std::vector<JoinCorrection>& corrections,
             const IGlyphMetrics& metrics, const DotBox& box, std::int64_t gap) {
    constexpr std::int64_t kReach = 1500;  // glyph units a glyph's ink may stand off its advance (tails)
    const IVectorPathSource& paths = GetVectorPaths();
    std::int64_t start = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const CCalligraphyCharacter& c = characters[i];
        const std::int64_t advance = metrics.GetReferenceAbc(c.GetGlyph()).Advance();
        const std::int64_t x = start - corrections[i].dx;
        start -= advance;
        if (x - advance - kReach > box.right + gap || x + kReach < box.left - gap) continue;
        const std::int64_t y = -std::int64_t{MulDiv(c.m_yOffset, 2160, 750)} - corrections[i].dy;
        for (const Point& p : paths.GetVectorPath(c.GetGlyph()).GetPoints())
            if (p.x + x > box.left - gap && p.x + x < box.right + gap && p.y + y > box.low - gap &&
                p.y + y < box.high + gap)
                return true;
    }
    return false;
}

// Dots hang at one depth under (or over) the teeth whatever stands beside
// them, so the dots of neighbouring letters land on each other (the peh's
// and the yeh's in پیتزا). Going through the word in writing order, where a
// letter's dots would touch those of a letter before it, one of the two dot
// groups steps aside, as a calligrapher staggers them: the later one
// further out on its side, else the earlier one, else the earlier one back
// toward the word's start or the later one on toward its end; the first
// that lands clear of the other dots and of the letters, and not further
// than kMostDotStep. Where none does the dots stay, since dots on a letter
// misread worse than dots that touch.
void StaggerNeighbourDots(const CCharacterArray& characters, std::vector<JoinCorrection>& corrections,
                          const IGlyphMetrics& metrics) {
    constexpr std::int64_t kMostDotStep = 600;
    // Most words have no two dotted letters: nothing can touch.
    if (std::count_if(characters.begin(), characters.end(),
                      [](const CCalligraphyCharacter& c) { return IsDotMark(c.m_mark); }) < 2)
        return;
    struct Dots {
        std::size_t index;
        std::int64_t start;  // where the letter begins
        DotBox box;
    };
    thread_local std::vector<Dots> placed;  // the dots of the letters so far; kept to spare allocations
    placed.clear();
    const auto clear = [&](const DotBox& box, const Dots* moved) {
        for (const Dots& other : placed)
            if (&other != moved && box.Touches(other.box)) return false;
        return !InkNear(characters, corrections, metrics, box, kNeighbourDotGap / 2);
    };
    std::int64_t start = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const CCalligraphyCharacter& c = characters[i];
        const std::int64_t here = start;
        start -= metrics.GetReferenceAbc(c.GetGlyph()).Advance();
        if (FindLetter(c.m_code) == nullptr) {
            placed.clear();  // a space or digit ends the letters whose dots sit together
            continue;
        }
        std::optional<DotBox> box = PlacedDots(c, here, corrections[i], metrics);
        if (!box) continue;
        for (std::size_t step = 0; step <= placed.size(); ++step) {
            const auto hit =
                std::find_if(placed.begin(), placed.end(), [&](const Dots& o) { return box->Touches(o.box); });
            if (hit == placed.end()) break;
            const DotBox& other = hit->box;
            const std::int64_t out = box->below ? 1 : -1;  // markDy's sign outward
            const std::int64_t gap = kNeighbourDotGap;
            // Each step: whose dots, and how far down (markDy) and left (markDx).
            const struct {
                bool later;
                std::int64_t down, left;
            } steps[] = {
                {true, out * (box->below ? box->high - other.low + gap : other.high - box->low + gap), 0},
                {false, out * (box->below ? other.high - box->low + gap : box->high - other.low + gap), 0},
                {false, 0, -(box->right - other.left + gap)},
                {true, 0, box->right - other.left + gap},
            };
            bool moved = false;
            for (const auto& s : steps) {
                if (std::max(std::abs(s.down), std::abs(s.left)) > kMostDotStep) continue;
                const std::size_t letter = s.later ? i : hit->index;
                JoinCorrection j = corrections[letter];
                j.markDy = Saturate(std::int64_t{j.markDy} + s.down);
                j.markDx = Saturate(std::int64_t{j.markDx} + s.left);
                const std::optional<DotBox> next = PlacedDots(characters[letter], s.later ? here : hit->start, j, metrics);
                if (!next || !clear(*next, s.later ? nullptr : &*hit) || (!s.later && next->Touches(*box))) continue;
                corrections[letter] = j;
                (s.later ? *box : hit->box) = *next;
                moved = true;
                break;
            }
            if (!moved) break;
        }
        placed.push_back({i, here, *box});
    }
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
    StaggerNeighbourDots(characters, corrections, metrics);
    return corrections;
}

}  // namespace kavitro
