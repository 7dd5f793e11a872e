#include "engine/WordMeasureCache.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <type_traits>

#include "engine/CalligraphyText.h"
#include "engine/GlyphMetrics.h"
#include "engine/GlyphPlacement.h"

namespace kavitro {

namespace {

// Characters are compared byte for byte: a difference in padding only
// measures a word again, and no changed field can go unseen.
static_assert(std::is_trivially_copyable_v<CCalligraphyCharacter>);

WordMeasures Measure(const CCalligraphyWord& word, const IGlyphMetrics& metrics) {
    WordMeasures m;
    m.width = word.GetWidth(metrics);
    m.highest = GetHighestLift(word, metrics);
    m.extent = word.GetExtent(metrics);
    return m;
}

}  // namespace

struct CWordMeasureCache::Data {
    std::vector<WordMeasures> measures;
    std::vector<CCalligraphyCharacter> keys;  // the measured words' characters, end to end
    std::vector<std::size_t> ends;            // where each word's characters end in keys
    bool stamped = false;                     // changeCount names the words' state
    std::uint64_t changeCount = 0;
    const IGlyphMetrics* metrics = nullptr;
    std::uint64_t generation = 0;
    // The next state is built here and swapped in, so that typing allocates nothing.
    std::vector<WordMeasures> nextMeasures;
    std::vector<CCalligraphyCharacter> nextKeys;
    std::vector<std::size_t> nextEnds;

    std::size_t Begin(std::size_t i) const { return i == 0 ? 0 : ends[i - 1]; }

    bool IsKeyOf(const CCalligraphyWord& word, std::size_t i) const {
        const std::size_t begin = Begin(i);
        const std::size_t count = ends[i] - begin;
        return count == word.m_characters.size() &&
               (count == 0 ||
                std::memcmp(word.m_characters.data(), keys.data() + begin, count * sizeof(CCalligraphyCharacter)) == 0);
    }

    void Forget() {
        measures.clear();
        keys.clear();
        ends.clear();
        stamped = false;
    }
};

CWordMeasureCache::CWordMeasureCache() = default;
CWordMeasureCache::CWordMeasureCache(const CWordMeasureCache&) {}
CWordMeasureCache& CWordMeasureCache::operator=(const CWordMeasureCache& other) {
    if (this != &other && m_data)
        m_data->Forget();
    return *this;
}
CWordMeasureCache::CWordMeasureCache(CWordMeasureCache&& other) noexcept : m_data(std::move(other.m_data)) {
    if (m_data)
        m_data->stamped = false;
}
CWordMeasureCache& CWordMeasureCache::operator=(CWordMeasureCache&& other) noexcept {
    if (this != &other) {
        m_data = std::move(other.m_data);
        if (m_data)
            m_data->stamped = false;
    }
    return *this;
}
CWordMeasureCache::~CWordMeasureCache() = default;

const std::vector<WordMeasures>& CWordMeasureCache::Get(const CWordList& words,
                                                       std::uint64_t changeCount, const IGlyphMetrics& metrics) {
    if (!m_data)
        m_data = std::make_unique<Data>();
    Data& d = *m_data;
    const std::uint64_t generation = GetGlyphMetricsGeneration();
    if (d.metrics != &metrics || d.generation != generation) {
        d.Forget();
        d.metrics = &metrics;
        d.generation = generation;
    } else if (d.stamped && d.changeCount == changeCount) {
#ifndef NDEBUG
        // A word changed through a reference kept from before the last
        // measure would be measured stale; debug builds look.
        bool same = d.measures.size() == words.size();
        for (std::size_t i = 0; same && i < words.size(); ++i)
            same = d.IsKeyOf(words[i], i);
        if (!same)
            throw std::logic_error("word measures out of step with the words");
#endif
        return d.measures;
    }

    // Words before and after the changed ones keep their measures.
    const std::size_t oldCount = d.measures.size();
    const std::size_t newCount = words.size();
    const std::size_t common = std::min(oldCount, newCount);
    std::size_t prefix = 0;
    while (prefix < common && d.IsKeyOf(words[prefix], prefix))
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < common - prefix && d.IsKeyOf(words[newCount - 1 - suffix], oldCount - 1 - suffix))
        ++suffix;

    if (prefix != oldCount || prefix != newCount) {
        d.nextMeasures.assign(d.measures.begin(), d.measures.begin() + static_cast<std::ptrdiff_t>(prefix));
        d.nextKeys.assign(d.keys.begin(), d.keys.begin() + static_cast<std::ptrdiff_t>(d.Begin(prefix)));
        for (std::size_t i = prefix; i < newCount - suffix; ++i) {
            d.nextMeasures.push_back(Measure(words[i], metrics));
            d.nextKeys.insert(d.nextKeys.end(), words[i].m_characters.begin(), words[i].m_characters.end());
        }
        d.nextMeasures.insert(d.nextMeasures.end(), d.measures.end() - static_cast<std::ptrdiff_t>(suffix),
                              d.measures.end());
        d.nextKeys.insert(d.nextKeys.end(),
                          d.keys.begin() + static_cast<std::ptrdiff_t>(d.Begin(oldCount - suffix)), d.keys.end());
        d.nextEnds.clear();
        std::size_t end = 0;
        for (const CCalligraphyWord& word : words)
            d.nextEnds.push_back(end += word.m_characters.size());
        d.measures.swap(d.nextMeasures);
        d.keys.swap(d.nextKeys);
        d.ends.swap(d.nextEnds);
    }
    d.stamped = true;
    d.changeCount = changeCount;
    return d.measures;
}

}  // namespace kavitro
