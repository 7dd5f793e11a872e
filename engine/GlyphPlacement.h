#pragma once

// The one place that says where a character's glyph goes: every consumer
// that turns a character's pen and lift into a position (drawing, marks,
// component rectangles, hit tests, outlines, measures) asks here, so that a
// number turned round and a join closed look the same to all of them.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/DigitRuns.h"
#include "engine/JoinCorrection.h"

namespace kavitro {

// The join corrections of one word, or nothing to look up when the artwork
// has no join points (then it costs no allocation).
class CWordJoins {
public:
    CWordJoins(const CCalligraphyWord& word, const IGlyphMetrics& metrics)
        : m_corrections(metrics.HasJoinPoints() ? GetJoinCorrections(word, metrics)
                                                : std::vector<JoinCorrection>{}) {}

    JoinCorrection operator[](std::size_t index) const {
        return index < m_corrections.size() ? m_corrections[index] : JoinCorrection{};
    }

private:
    std::vector<JoinCorrection> m_corrections;
};

// Where the characters of words first..last are placed, in one unit T
// (reference glyph units, device units at a zoomed size, doubles for
// outlines): pen(at) is where a character starts in the words' own layout
// and advance(at) its width, both in T; toUnit turns reference glyph units
// into T.
template <typename T>
class CGlyphPlacement {
public:
    struct Placed {
        T pen;       // as the words' x grows (leftward)
        T drop;      // how far the glyph sits below its stored lift, as y offsets grow (downward)
        T markPen;   // how much further its dots sit along the pen (leftward) from the glyph's anchor
        T markDrop;  // how much further its dots sit below (negative: above) it
    };

    template <typename PenOf, typename AdvanceOf, typename ToUnit>
    CGlyphPlacement(const CWordArray& words, std::size_t first, std::size_t last, PenOf pen, AdvanceOf advance,
                    ToUnit toUnit, const IGlyphMetrics& metrics = GetGlyphMetrics())
        : m_digits(words, first, last, pen, advance), m_first(first) {
        if (!metrics.HasJoinPoints() || first > last || last >= words.size())
            return;
        for (std::size_t w = first; w <= last; ++w) {
            m_wordStarts.push_back(m_joins.size());
            for (const JoinCorrection& j : GetJoinCorrections(words[w], metrics))
                m_joins.push_back({toUnit(j.dx), toUnit(j.dy), toUnit(j.markDx), toUnit(j.markDy)});
        }
        m_wordStarts.push_back(m_joins.size());
    }

    // The character's place, given `natural`, its pen in the words' own layout.
    Placed Place(CharacterAt at, T natural) const {
        Placed placed{m_digits.Pen(at, natural), T{}, T{}, T{}};
        if (at.word >= m_first && at.word - m_first + 1 < m_wordStarts.size()) {
            const std::size_t i = m_wordStarts[at.word - m_first] + at.index;
            if (i < m_wordStarts[at.word - m_first + 1]) {
                placed.pen += m_joins[i].pen;
                placed.drop = m_joins[i].drop;
                placed.markPen = m_joins[i].markPen;
                placed.markDrop = m_joins[i].markDrop;
            }
        }
        return placed;
    }

    // No character of these words moves.
    bool empty() const { return m_digits.empty() && m_joins.empty(); }

private:
    CDigitRunPlacement<T> m_digits;
    std::size_t m_first;
    std::vector<std::size_t> m_wordStarts;  // where each word's corrections start in m_joins, and the end
    std::vector<Placed> m_joins;            // each character's correction in T, its pen the dx
};

// The join's drop in y units (1/750 of the text size), rounded.
std::int32_t GetJoinDropInYUnits(const JoinCorrection& join);
// How far below its word's baseline a character is drawn, y units: its
// stored lift and its join's drop.
std::int64_t GetPlacedLift(const CCalligraphyCharacter& c, const JoinCorrection& join);

// The highest place a character of the word is drawn at, y units, 0 or less.
std::int32_t GetHighestLift(const CCalligraphyWord& word, const IGlyphMetrics& metrics = GetGlyphMetrics());

// A character's place in reference glyph units.
struct PlacedGlyph {
    std::int64_t pen = 0;
    std::int64_t drop = 0;
};
PlacedGlyph GetPlacedGlyph(const CWordArray& words, CharacterAt at, const IGlyphMetrics& metrics = GetGlyphMetrics());

}  // namespace kavitro
