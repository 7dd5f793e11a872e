// Finding the runs of Persian digits across the words of a paragraph.

#include "engine/DigitRuns.h"

#include <algorithm>

#include "engine/GlyphPlacement.h"

namespace kavitro {

namespace {

bool IsDigitAt(const CWordArray& words, CharacterAt at) {
    return IsPersianDigit(words[at.word].m_characters[at.index].m_code);
}

// The character before / after one, across words (empty words skipped).
std::optional<CharacterAt> Previous(const CWordArray& words, CharacterAt at) {
    if (at.index > 0)
        return CharacterAt{at.word, at.index - 1};
    for (std::size_t w = at.word; w-- > 0;)
        if (!words[w].m_characters.empty())
            return CharacterAt{w, words[w].m_characters.size() - 1};
    return std::nullopt;
}

std::optional<CharacterAt> Next(const CWordArray& words, CharacterAt at) {
    if (at.index + 1 < words[at.word].m_characters.size())
        return CharacterAt{at.word, at.index + 1};
    for (std::size_t w = at.word + 1; w < words.size(); ++w)
        if (!words[w].m_characters.empty())
            return CharacterAt{w, 0};
    return std::nullopt;
}

}  // namespace

std::vector<std::vector<CharacterAt>> FindDigitRuns(const CWordArray& words, std::size_t first, std::size_t last) {
    std::vector<std::vector<CharacterAt>> runs;
    if (first > last || last >= words.size())
        return runs;
    // The first and the last character of the words, each widened to the
    // whole run that it belongs to.
    std::optional<CharacterAt> from, to;
    for (std::size_t w = first; w <= last && !from; ++w)
        if (!words[w].m_characters.empty())
            from = CharacterAt{w, 0};
    for (std::size_t w = last + 1; w-- > first && !to;)
        if (!words[w].m_characters.empty())
            to = CharacterAt{w, words[w].m_characters.size() - 1};
    if (!from)
        return runs;
    while (IsDigitAt(words, *from)) {
        const std::optional<CharacterAt> before = Previous(words, *from);
        if (!before || !IsDigitAt(words, *before))
            break;
        from = before;
    }
    while (IsDigitAt(words, *to)) {
        const std::optional<CharacterAt> after = Next(words, *to);
        if (!after || !IsDigitAt(words, *after))
            break;
        to = after;
    }
    bool inRun = false;
    for (std::optional<CharacterAt> at = from; at && *at <= *to; at = Next(words, *at)) {
        if (!IsDigitAt(words, *at)) {
            inRun = false;
            continue;
        }
        if (!inRun)
            runs.emplace_back();
        runs.back().push_back(*at);
        inRun = true;
    }
    return runs;
}

std::pair<std::optional<CharacterAt>, std::optional<CharacterAt>> CaretNeighbours(const CWordArray& words,
                                                                                  std::size_t caret) {
    std::size_t remaining = caret;
    for (std::size_t w = 0; w < words.size(); ++w) {
        const std::size_t count = words[w].m_characters.size();
        if (remaining < count) {
            const CharacterAt after{w, remaining};
            return {Previous(words, after), after};
        }
        remaining -= count;
    }
    if (remaining != 0)
        return {};  // past the end: nothing around it
    for (std::size_t w = words.size(); w-- > 0;)
        if (!words[w].m_characters.empty())
            return {CharacterAt{w, words[w].m_characters.size() - 1}, std::nullopt};
    return {};
}

namespace {

// A character's pen and advance in the words' own layout, reference glyph
// units.
std::int64_t ReferencePen(const CWordArray& words, CharacterAt at, const IGlyphMetrics& metrics) {
    const CCalligraphyWord& w = words[at.word];
    return std::int64_t{w.m_x} + w.GetTailOverhang(metrics) +
           w.GetWidthOfFirst(static_cast<std::int32_t>(at.index), metrics);
}

std::int64_t ReferenceAdvance(const CWordArray& words, CharacterAt at, const IGlyphMetrics& metrics) {
    return std::int64_t{metrics.GetReferenceAbc(words[at.word].m_characters[at.index].GetGlyph()).Advance()};
}

}  // namespace

std::vector<std::int64_t> GetWordShifts(const CWordArray& words, std::size_t first, std::size_t last, std::int64_t dx,
                                        const IGlyphMetrics& metrics) {
    std::vector<std::int64_t> shifts(words.size(), 0);
    if (first > last || last >= words.size())
        return shifts;
    for (std::size_t w = first; w <= last; ++w)
        shifts[w] = dx;
    auto pen = [&](CharacterAt at) { return ReferencePen(words, at, metrics); };
    auto advance = [&](CharacterAt at) { return ReferenceAdvance(words, at, metrics); };
    auto moved = [&](const CharacterAt& at) { return at.word >= first && at.word <= last; };
    // Only digits and spaces: the word is free to stand wherever its digit goes.
    auto holdsOnlyDigits = [&](std::size_t w) {
        return std::all_of(words[w].m_characters.begin(), words[w].m_characters.end(),
                           [](const CCalligraphyCharacter& c) { return IsPersianDigit(c.m_code) || c.m_code == u' '; });
    };
    for (const std::vector<CharacterAt>& run : FindDigitRuns(words, first, last)) {
        const bool some = std::any_of(run.begin(), run.end(), moved);
        const bool all = std::all_of(run.begin(), run.end(), moved);
        if (run.size() < 2 || !some || all)
            continue;
        if (!std::all_of(run.begin(), run.end(), [&](const CharacterAt& at) { return holdsOnlyDigits(at.word); }))
            continue;
        // Where the digits show, those in the range moved; the words'
        // layout that turns round into that is the same turn again.
        const auto [start, end] = DigitRunSpan<std::int64_t>(run, pen, advance);
        std::vector<std::int64_t> shown(run.size());
        for (std::size_t i = 0; i < run.size(); ++i)
            shown[i] = start + end - pen(run[i]) - advance(run[i]) + (moved(run[i]) ? dx : 0);
        std::int64_t shownStart = shown[0], shownEnd = shown[0] + advance(run[0]);
        for (std::size_t i = 0; i < run.size(); ++i) {
            shownStart = std::min(shownStart, shown[i]);
            shownEnd = std::max(shownEnd, shown[i] + advance(run[i]));
        }
        for (std::size_t i = 0; i < run.size(); ++i)
            shifts[run[i].word] = shownStart + shownEnd - shown[i] - advance(run[i]) - pen(run[i]);
    }
    return shifts;
}

std::int64_t GetPlacedPen(const CWordArray& words, CharacterAt at, const IGlyphMetrics& metrics) {
    return GetPlacedGlyph(words, at, metrics).pen;
}

}  // namespace kavitro
