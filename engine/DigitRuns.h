#pragma once

// Persian numbers read left to right inside the right-to-left text. The
// paragraph keeps digits in typing order (most significant first), each one
// closing its word, and lays characters and words out right to left: left
// alone, "۱۲۳" would read "۳۲۱". So wherever a character is placed (drawing,
// outlines, component rectangles, the caret) each maximal run of Persian
// digits is turned round inside the stretch that it occupies: every glyph of
// the run is mirrored about the middle of that stretch, gaps between them
// included. The stored text and the words' positions stay as typed, so
// editing, storing and spacing see the logical order.
//
// Positions here are pens: where a glyph starts, growing leftward from the
// start of the text, in whatever unit the caller measures (reference glyph
// units, device units at a zoomed size, doubles for outlines).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "engine/CalligraphyText.h"

namespace kavitro {

// A character of a paragraph: its word and its index in that word.
struct CharacterAt {
    std::size_t word = 0;
    std::size_t index = 0;
    friend auto operator<=>(const CharacterAt&, const CharacterAt&) = default;
};

constexpr bool IsPersianDigit(std::uint16_t code) { return code >= 0x06F0 && code <= 0x06F9; }

// Every maximal run of digits that has a character in words first..last,
// whole (it may reach into the words around), in text order; each run lists
// its characters in order. A range past the words yields nothing.
std::vector<std::vector<CharacterAt>> FindDigitRuns(const CWordArray& words, std::size_t first, std::size_t last);

// The characters just before and just after a caret (counted over all
// words); none at either end of the text.
std::pair<std::optional<CharacterAt>, std::optional<CharacterAt>> CaretNeighbours(const CWordArray& words,
                                                                                  std::size_t caret);

// The stretch a run occupies: from its nearest pen to its farthest glyph end.
template <typename T, typename PenOf, typename AdvanceOf>
std::pair<T, T> DigitRunSpan(const std::vector<CharacterAt>& run, PenOf pen, AdvanceOf advance) {
    T start = pen(run.front()), end = start + advance(run.front());
    for (const CharacterAt& at : run) {
        const T p = pen(at);
        start = std::min(start, p);
        end = std::max(end, p + advance(at));
    }
    return {start, end};
}

// Where the digits of the runs that touch words first..last are placed, in
// one unit: pen(at) is where a character starts in the words' own layout and
// advance(at) its width, both of type T.
template <typename T>
class CDigitRunPlacement {
public:
    template <typename PenOf, typename AdvanceOf>
    CDigitRunPlacement(const CWordArray& words, std::size_t first, std::size_t last, PenOf pen, AdvanceOf advance) {
        for (const std::vector<CharacterAt>& run : FindDigitRuns(words, first, last)) {
            if (run.size() < 2)
                continue;  // one digit reads the same either way
            const auto [start, end] = DigitRunSpan<T>(run, pen, advance);
            for (const CharacterAt& at : run)
                m_placed.emplace_back(at, start + end - pen(at) - advance(at));
        }
    }

    // The pen of the character: turned round inside its run, or `natural`
    // (its pen in the words' layout) when it is in no run.
    T Pen(CharacterAt at, T natural) const {
        const auto it = std::lower_bound(m_placed.begin(), m_placed.end(), at,
                                         [](const auto& placed, const CharacterAt& key) { return placed.first < key; });
        return it != m_placed.end() && it->first == at ? it->second : natural;
    }

    // No character of these words moves.
    bool empty() const { return m_placed.empty(); }

private:
    std::vector<std::pair<CharacterAt, T>> m_placed;  // in text order
};

// Where the caret stands, given `natural`, its place in the words' own
// layout (the pen of the character after it, or the end of the last one at
// the end of the text). It goes where right-to-left text with a
// left-to-right number puts it: between two digits, on the left edge of the
// later one; at the start of a text that opens with a number, on the
// number's left end; at the end of a text that closes with one, on its
// right end. Next to a number with other text on that side, the natural
// place is already the right one.
template <typename T, typename PenOf, typename AdvanceOf>
T PlaceCaret(const CWordArray& words, std::size_t caret, T natural, PenOf pen, AdvanceOf advance) {
    const auto [before, after] = CaretNeighbours(words, caret);
    auto isDigit = [&](const std::optional<CharacterAt>& at) {
        return at && IsPersianDigit(words[at->word].m_characters[at->index].m_code);
    };
    if (!(isDigit(before) || isDigit(after)) || (before && !isDigit(before)) || (after && !isDigit(after)))
        return natural;
    const CharacterAt digit = isDigit(after) ? *after : *before;
    for (const std::vector<CharacterAt>& run : FindDigitRuns(words, digit.word, digit.word)) {
        if (std::find(run.begin(), run.end(), digit) == run.end())
            continue;
        const auto [start, end] = DigitRunSpan<T>(run, pen, advance);
        return start + end - natural;
    }
    return natural;
}

// How far each word must move along x (glyph units, as its x grows) so that
// on the page the glyphs of words first..last move by dx and all others
// stay. That is dx for those words and 0 for the rest, except around a
// number that the range holds only in part: as its digits are turned round,
// moving some of them by dx would move them the other way, or move the rest
// of the number; so all of its digits' words take the shifts that keep the
// turned layout where the move puts it. A number that shares a word with
// letters cannot be kept so and moves as its words do. One entry per word.
std::vector<std::int64_t> GetWordShifts(const CWordArray& words, std::size_t first, std::size_t last, std::int64_t dx,
                                        const IGlyphMetrics& metrics = GetGlyphMetrics());

// The pen of a character in reference glyph units, placed as it is drawn:
// its digit run turned round, its join closed (the words' own layout is x +
// tail overhang + the advances before it). GetPlacedGlyph also gives the drop.
std::int64_t GetPlacedPen(const CWordArray& words, CharacterAt at, const IGlyphMetrics& metrics = GetGlyphMetrics());

}  // namespace kavitro
