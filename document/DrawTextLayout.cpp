#include "document/DrawTextLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "engine/DigitRuns.h"
#include "engine/GlyphMetrics.h"
#include "engine/GlyphPlacement.h"
#include "platform/Saturating.h"

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
    for (const CCalligraphyCharacter& c : word.m_characters)
        ink.advances += metrics.GetReferenceAbc(c.GetGlyph()).Advance();
    ink.count = word.m_characters.size();
    return ink;
}

bool IsPlainSpace(const CCalligraphyCharacter& c) {
    return GlyphIndex(c.GetGlyph()) == kSpaceGlyphIndex && c.m_mark == 0;
}

bool SameCharacter(const CCalligraphyCharacter& a, const CCalligraphyCharacter& b) {
    return a.m_code == b.m_code && a.GetGlyph() == b.GetGlyph() && a.m_yOffset == b.m_yOffset &&
           a.m_flags == b.m_flags && a.m_mark == b.m_mark && a.m_markDx == b.m_markDx && a.m_markDy == b.m_markDy;
}

constexpr std::int64_t kSafeMeasure = std::int64_t{1} << 30;

// The measures of a word that ended in a space and had only spaces typed
// after it, from its old measures: the characters before stay as they were
// placed (a space ends a join chain, and the new spaces carry no dots or
// tails), so the new spaces, measured as a word of their own and moved along
// by the old advances, add their ink and advances. False when the word is
// not such a word or its measures come near the 32-bit range.
bool MeasureGrownRunOfSpaces(CTextLayout::WordInk& ink, const CCalligraphyWord& was, const CCalligraphyWord& word,
                             const IGlyphMetrics& metrics) {
    const CCharacterArray& characters = word.m_characters;
    if (ink.count == 0 || ink.count != was.m_characters.size() || characters.size() <= ink.count ||
        !IsPlainSpace(was.m_characters[ink.count - 1]) ||
        (std::memcmp(was.m_characters.data(), characters.data(), ink.count * sizeof(CCalligraphyCharacter)) != 0 &&
         !std::equal(was.m_characters.begin(), was.m_characters.end(), characters.begin(), SameCharacter)))
        return false;
    if (!std::all_of(characters.begin() + static_cast<std::ptrdiff_t>(ink.count), characters.end(), IsPlainSpace))
        return false;
    const std::int64_t overhang = std::int64_t{ink.width} - ink.advances;
    if (ink.advances < 0 || ink.advances > kSafeMeasure || std::abs(overhang) > kSafeMeasure ||
        std::abs(std::int64_t{ink.extent.left}) > kSafeMeasure ||
        std::abs(std::int64_t{ink.extent.right}) > kSafeMeasure)
        return false;
    CCalligraphyWord added;
    added.m_characters.assign(characters.begin() + static_cast<std::ptrdiff_t>(ink.count), characters.end());
    const CWordJoins joins(added, metrics);
    std::int64_t left = std::int64_t{ink.extent.left} - overhang;  // as the ink ran before the overhang
    std::int64_t right = std::int64_t{ink.extent.right} + ink.advances;
    std::int64_t advances = ink.advances;
    for (std::size_t i = 0; i < added.m_characters.size(); ++i) {
        const GlyphAbc abc = metrics.GetReferenceAbc(added.m_characters[i].GetGlyph());
        const std::int64_t pen = advances + joins[i].dx;
        left = std::min(left, pen + abc.c);
        advances += abc.Advance();
        right = std::max(right, pen + abc.Advance() - abc.a);
    }
    if (std::abs(advances) > kSafeMeasure || std::abs(left) > kSafeMeasure || std::abs(right) > kSafeMeasure)
        return false;
    ink.width = static_cast<std::int32_t>(advances + overhang);
    ink.highest = std::min(ink.highest, GetHighestLift(added, metrics));
    ink.extent.left = static_cast<std::int32_t>(left + overhang);
    ink.extent.right = static_cast<std::int32_t>(right - advances);
    ink.top = std::max(ink.top, added.GetTop(true));
    ink.bottom = std::max(ink.bottom, added.GetBottom(true));
    ink.advances = advances;
    ink.count = characters.size();
    return true;
}

[[maybe_unused]] bool SameInk(const CTextLayout::WordInk& a, const CTextLayout::WordInk& b) {
    return a.width == b.width && a.highest == b.highest && a.extent == b.extent && a.top == b.top &&
           a.bottom == b.bottom && a.empty == b.empty && a.digits == b.digits && a.advances == b.advances &&
           a.count == b.count;
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
                              std::size_t first, std::size_t oldEnd, std::size_t oldCount,
                              const CWordArray* wordsBefore) {
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
    for (std::size_t i = 0; i < common; ++i) {
        WordInk& ink = m_words[first + i];
        const bool grown = wordsBefore && wordsBefore->size() == oldEnd - first &&
                           MeasureGrownRunOfSpaces(ink, (*wordsBefore)[i], words[first + i], *m_metrics);
        if (!grown)
            ink = Measure(words[first + i], *m_metrics);
    }
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
