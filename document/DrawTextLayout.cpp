#include "document/DrawTextLayout.h"

#include <algorithm>
#include <stdexcept>

#include "engine/Arithmetic32.h"
#include "engine/DigitRuns.h"
#include "engine/GlyphMetrics.h"
#include "engine/GlyphPlacement.h"

namespace kavitro {

namespace {

CTextLayout::WordInk Measure(const CCalligraphyWord& word, const IGlyphMetrics& metrics) {
    CTextLayout::WordInk ink;
    ink.empty = word.m_characters.empty();
    ink.width = word.GetWidth(metrics);
    ink.highest = GetHighestLift(word, metrics);
    ink.extent = word.GetExtent(metrics);
    // The ink heights have always been read with the process-wide metrics.
    ink.top = word.GetTop(true);
    ink.bottom = word.GetBottom(true);
    ink.digits = std::any_of(word.m_characters.begin(), word.m_characters.end(),
                             [](const CCalligraphyCharacter& c) { return IsPersianDigit(c.m_code); });
    return ink;
}

[[maybe_unused]] bool SameInk(const CTextLayout::WordInk& a, const CTextLayout::WordInk& b) {
    return a.width == b.width && a.highest == b.highest && a.extent == b.extent && a.top == b.top &&
           a.bottom == b.bottom && a.empty == b.empty && a.digits == b.digits;
}

}  // namespace

void CTextLayout::Totals::Add(const CCalligraphyWord& word, const WordInk& ink) {
    const std::int64_t x = word.m_x, y = word.m_y;
    const std::int64_t wordEnd = x + ink.width;
    if (!ink.empty) {
        boxLeft = std::min(boxLeft, x);
        boxRight = std::max<std::int64_t>(boxRight, Wrap32(wordEnd));
        boxTop = std::max(boxTop, y);
        boxBottom = std::min<std::int64_t>(boxBottom, Wrap32(y + ink.highest));
        inkHighest = std::min(inkHighest, y - ink.top);
        inkLowest = std::max(inkLowest, y + ink.bottom);
    }
    extentLeft = std::min(extentLeft, x + ink.extent.left);
    extentRight = std::max(extentRight, wordEnd + ink.extent.right);
    end = std::max(end, wordEnd);
    extentTop = std::max<std::int64_t>(extentTop, ink.extent.top);
    extentBottom = std::min<std::int64_t>(extentBottom, ink.extent.bottom);
    minAbove = std::min(minAbove, y - ink.top);
    maxAbove = std::max(maxAbove, y - ink.top);
    minBelow = std::min(minBelow, y + ink.bottom);
    maxBelow = std::max(maxBelow, y + ink.bottom);
}

bool CTextLayout::IsCurrent(const CWordArray& words, std::uint64_t changeCount) const {
    return m_built && m_changeCount == changeCount && m_words.size() == words.size() &&
           m_generation == GetGlyphMetricsGeneration();
}

void CTextLayout::Rebuild(const CCalligraphyParagraph& paragraph) {
    const CWordArray& words = paragraph.m_words;
    m_metrics = &paragraph.GetContext().Metrics();
    m_generation = GetGlyphMetricsGeneration();
    m_words.clear();
    m_words.reserve(words.size());
    for (const CCalligraphyWord& word : words) m_words.push_back(Measure(word, *m_metrics));
    m_prefix.assign(1, Totals{});
    m_totalsFrom = 0;
    m_changeCount = words.GetChangeCount();
    m_built = true;
}

void CTextLayout::Refresh(const CCalligraphyParagraph& paragraph) {
    const CWordArray& words = paragraph.m_words;
    if (!IsCurrent(words, words.GetChangeCount()) || m_metrics != &paragraph.GetContext().Metrics())
        Rebuild(paragraph);
    if (m_prefix.size() == words.size() + 1 && m_totalsFrom >= words.size()) return;
    m_prefix.resize(words.size() + 1);
    for (std::size_t i = m_totalsFrom; i < words.size(); ++i) {
        m_prefix[i + 1] = m_prefix[i];
        m_prefix[i + 1].Add(words[i], m_words[i]);
    }
    m_totalsFrom = words.size();
}

void CTextLayout::WordsEdited(const CCalligraphyParagraph& paragraph, std::uint64_t changeCountBefore,
                              std::size_t first, std::size_t oldEnd, std::size_t oldCount) {
    const CWordArray& words = paragraph.m_words;
    const std::size_t count = words.size();
    const bool fits = first <= oldEnd && oldEnd <= oldCount && oldEnd + count >= oldCount + first;
    if (!m_built || m_changeCount != changeCountBefore || m_words.size() != oldCount || !fits ||
        m_generation != GetGlyphMetricsGeneration() || m_metrics != &paragraph.GetContext().Metrics()) {
        m_built = false;
        return;
    }
    const std::size_t newEnd = oldEnd + count - oldCount;
    const auto at = m_words.begin() + static_cast<std::ptrdiff_t>(first);
    // The words that stay overwrite the edited ones' room; the rest is
    // opened or closed once.
    const std::size_t common = std::min(oldEnd, newEnd) - first;
    for (std::size_t i = 0; i < common; ++i) m_words[first + i] = Measure(words[first + i], *m_metrics);
    if (newEnd > oldEnd) {
        std::vector<WordInk> added;
        added.reserve(newEnd - oldEnd);
        for (std::size_t i = first + common; i < newEnd; ++i) added.push_back(Measure(words[i], *m_metrics));
        m_words.insert(at + static_cast<std::ptrdiff_t>(common), added.begin(), added.end());
    } else if (oldEnd > newEnd) {
        m_words.erase(at + static_cast<std::ptrdiff_t>(common),
                      at + static_cast<std::ptrdiff_t>(common + oldEnd - newEnd));
    }
    m_totalsFrom = std::min(m_totalsFrom, first);
    m_changeCount = words.GetChangeCount();
#ifndef NDEBUG
    // An edit that changed a word outside the range it named would leave
    // stale measures; debug builds look at every word.
    for (std::size_t i = 0; i < count; ++i)
        if (!SameInk(m_words[i], Measure(words[i], *m_metrics)))
            throw std::logic_error("text layout out of step with the words");
#endif
}

void CTextLayout::WordsMoved(const CWordArray& words, std::uint64_t changeCountBefore, std::size_t first) {
    if (!IsCurrent(words, changeCountBefore)) {
        m_built = false;
        return;
    }
    m_totalsFrom = std::min(m_totalsFrom, first);
    m_changeCount = words.GetChangeCount();
}

const CTextLayout::Totals& CTextLayout::GetTotals(const CCalligraphyParagraph& paragraph) {
    Refresh(paragraph);
    return m_prefix.back();
}

const std::vector<CTextLayout::WordInk>& CTextLayout::GetWords(const CCalligraphyParagraph& paragraph) {
    Refresh(paragraph);
    return m_words;
}

Rect CTextLayout::GetBoundingRect(const CCalligraphyParagraph& paragraph) {
    const Totals& t = GetTotals(paragraph);
    const Rect box(Wrap32(t.boxLeft), Wrap32(t.boxTop), Wrap32(t.boxRight), Wrap32(t.boxBottom));
#ifndef NDEBUG
    if (box != paragraph.GetBoundingRect()) throw std::logic_error("text layout box differs from the paragraph's");
#endif
    return box;
}

Rect CTextLayout::GetExtent(const CCalligraphyParagraph& paragraph) {
    const Totals& t = GetTotals(paragraph);
    const IGlyphMetrics& metrics = paragraph.GetContext().Metrics();
    std::int64_t left = t.extentLeft, top = t.extentTop, right = t.extentRight, bottom = t.extentBottom;
    // Without words the text both starts and ends at 0.
    const std::int64_t end = paragraph.m_words.empty() ? 0 : t.end;
    for (const CCalligraphyPoint& point : paragraph.m_points) {
        left = std::min<std::int64_t>(left, -std::int64_t{point.m_x});
        right = std::max(right, metrics.GetReferenceAbc(MakeGlyph(kMarkFont, point.m_sign)).Advance() - point.m_x);
        top = std::max<std::int64_t>(top, point.m_y);
        bottom = std::min<std::int64_t>(bottom, point.m_y);
    }
    const Rect extent(Wrap32(left), Wrap32(top), Wrap32(right - end), Wrap32(bottom));
#ifndef NDEBUG
    if (extent != paragraph.GetExtent()) throw std::logic_error("text layout extent differs from the paragraph's");
#endif
    return extent;
}

}  // namespace kavitro
