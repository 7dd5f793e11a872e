#pragma once

// The per-word measures that the paragraph's bounding box and extent are
// made of. A keystroke lays the text out and re-fits its frame, measuring
// every word two or three times; only one or two words changed. The cache
// keeps each word's measures together with a copy of the characters they
// were taken from: while the word array's change count stands still the
// measures are returned as they are, and after a change only the words
// whose characters differ from their copy are measured again.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Geometry.h"

namespace kavitro {

class CCalligraphyWord;
class CWordList;
class IGlyphMetrics;

// One word's measures in glyph units, from its characters alone (its x and
// y are not part of them).
struct WordMeasures {
    std::int32_t width = 0;    // CCalligraphyWord::GetWidth
    std::int32_t highest = 0;  // highest place a character is drawn at (lift and join), y units, at most 0
    Rect extent;               // CCalligraphyWord::GetExtent
};

class CWordMeasureCache {
public:
    CWordMeasureCache();
    // A copy starts empty: it belongs to the paragraph that holds it.
    CWordMeasureCache(const CWordMeasureCache&);
    CWordMeasureCache& operator=(const CWordMeasureCache&);
    // A moved cache checks its copies against the words before it answers
    // again, since the words it meets may be other words.
    CWordMeasureCache(CWordMeasureCache&&) noexcept;
    CWordMeasureCache& operator=(CWordMeasureCache&&) noexcept;
    ~CWordMeasureCache();

    // The measures of words by metrics, one a word; changeCount is the word
    // array's. The reference is good until the next call.
    const std::vector<WordMeasures>& Get(const CWordList& words, std::uint64_t changeCount,
                                         const IGlyphMetrics& metrics);

private:
    struct Data;
    std::unique_ptr<Data> m_data;  // made by the first call
};

}  // namespace kavitro
