#pragma once

// The measures a text object lays its frame out from, kept word by word.
// A keystroke changes one or two words of a paragraph that may hold
// thousands: the layout keeps each word's measures (taken from its
// characters alone) and running totals over the words in order, so that
// after an edit only the words the edit changed are measured again and the
// totals are taken again only from the first of them. Typing at the end of
// a long text so costs what the key changed; typing before its end costs a
// pass over the later words' positions, which the edit moved anyway.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/CalligraphyText.h"
#include "platform/Geometry.h"

namespace kavitro {

class CTextLayout {
public:
    // One word's measures, from its characters (x and y apart).
    struct WordInk {
        std::int32_t width = 0;    // CCalligraphyWord::GetWidth
        std::int32_t highest = 0;  // GetHighestLift, y units
        Rect extent;               // CCalligraphyWord::GetExtent
        std::int32_t top = 0;      // GetTop(true), y units
        std::int32_t bottom = 0;   // GetBottom(true), y units
        bool empty = true;         // holds no character
        bool digits = false;       // holds a Persian digit (drawn turned round within its run)
        std::int64_t advances = 0; // sum of the characters' advances
        std::size_t count = 0;     // characters measured
    };

    // The totals over a run of words, as the paragraph's measures take them.
    struct Totals {
        // Over the words holding characters: the baseline box (glyph and y
        // units), and the ink reach below the baseline, y units.
        std::int64_t boxLeft = std::numeric_limits<std::int32_t>::max();
        std::int64_t boxTop = std::numeric_limits<std::int32_t>::min();
        std::int64_t boxRight = std::numeric_limits<std::int32_t>::min();
        std::int64_t boxBottom = std::numeric_limits<std::int32_t>::max();
        std::int64_t inkHighest = std::numeric_limits<std::int64_t>::max();  // least y - top
        std::int64_t inkLowest = std::numeric_limits<std::int64_t>::min();   // most y + bottom
        // Over every word: ink beyond the advance box, and the end of the
        // advances (none yet: the least 32-bit value).
        std::int64_t extentLeft = 0, extentTop = 0, extentRight = 0, extentBottom = 0;
        std::int64_t end = std::numeric_limits<std::int32_t>::min();
        // Over every word: the least and most of y - top and of y + bottom.
        std::int64_t minAbove = std::numeric_limits<std::int64_t>::max();
        std::int64_t maxAbove = std::numeric_limits<std::int64_t>::min();
        std::int64_t minBelow = std::numeric_limits<std::int64_t>::max();
        std::int64_t maxBelow = std::numeric_limits<std::int64_t>::min();

        void Add(const CCalligraphyWord& word, const WordInk& ink);
    };

    // What the paragraph's GetBoundingRect answers.
    Rect GetBoundingRect(const CCalligraphyParagraph& paragraph);
    // What the paragraph's GetExtent answers.
    Rect GetExtent(const CCalligraphyParagraph& paragraph);
    // The totals over every word.
    const Totals& GetTotals(const CCalligraphyParagraph& paragraph);
    // Every word's measures, one a word; good until the words change.
    const std::vector<WordInk>& GetWords(const CCalligraphyParagraph& paragraph);

    // The change count the words have while the layout is current for
    // them; any other value means it is not.
    bool IsCurrent(const CWordArray& words, std::uint64_t changeCount) const;
    // The words [first, oldEnd) of the state the layout was current for,
    // seen at changeCountBefore, became the words from `first` up to the
    // same distance from the end; the words around kept their characters.
    // A layout that was not current for that state is built again whole.
    // Given wordsBefore, the words [first, oldEnd) as they were, a word that
    // ended in a space and only had spaces added after it is measured from
    // its old measures and the new spaces: a run of spaces costs what each
    // key adds.
    void WordsEdited(const CCalligraphyParagraph& paragraph, std::uint64_t changeCountBefore, std::size_t first,
                     std::size_t oldEnd, std::size_t oldCount, const CWordArray* wordsBefore = nullptr);
    // Words from `first` on moved (x or y) without a change of characters.
    void WordsMoved(const CWordArray& words, std::uint64_t changeCountBefore, std::size_t first);

private:
    void Refresh(const CCalligraphyParagraph& paragraph);
    void Rebuild(const CCalligraphyParagraph& paragraph);

    std::vector<WordInk> m_words;
    std::vector<Totals> m_prefix;  // m_prefix[i]: the totals over words [0, i)
    std::size_t m_totalsFrom = 0;  // m_prefix is good up to and including this index
    bool m_built = false;
    std::uint64_t m_changeCount = 0;
    std::uint64_t m_generation = 0;
    const IGlyphMetrics* m_metrics = nullptr;
};

}  // namespace kavitro
