// Word and paragraph measures, from the glyph tables measured once at the
// reference size; no device context is involved.
//
// Sums are taken in 64 bits and brought back to 32 bits with wrap-around, the
// arithmetic the stored i32 fields have always followed; a damaged text with
// extreme offsets then measures oddly but never overflows.

#include <algorithm>
#include <limits>

#include "engine/CalligraphyText.h"
#include "engine/GlyphPlacement.h"
#include "platform/Saturating.h"

namespace kavitro {

namespace {

constexpr GlyphId kTailGlyphs[] = {MakeGlyph(1, 252), MakeGlyph(1, 181)};

std::int64_t Advance(const IGlyphMetrics& metrics, const CCalligraphyCharacter& c) {
    return metrics.GetReferenceAbc(c.GetGlyph()).Advance();
}

// Glyph units to y units and back.
std::int32_t ToYUnits(std::int32_t glyphUnits) { return MulDiv(glyphUnits, 750, 2160); }

bool IsTailGlyph(GlyphId id) { return id == kTailGlyphs[0] || id == kTailGlyphs[1]; }

}  // namespace

// One pass for the advances and the tail overhang: every edit measures the
// words around it.
std::int32_t CCalligraphyWord::GetWidth(const IGlyphMetrics& metrics) const {
    std::int64_t width = 0;
    std::int32_t overhang = 0;
    bool tailSeen = false;
    for (const CCalligraphyCharacter& c : m_characters) {
        const GlyphAbc abc = metrics.GetReferenceAbc(c.GetGlyph());
        width += abc.Advance();
        if (!tailSeen && IsTailGlyph(c.GetGlyph())) {
            tailSeen = true;
            overhang = Wrap32(std::max<std::int64_t>(0, std::int64_t{abc.b} - width));
        }
    }
    return Wrap32(width + overhang);
}

std::int32_t CCalligraphyWord::GetTailOverhang(const IGlyphMetrics& metrics) const {
    std::int64_t advances = 0;
    for (const CCalligraphyCharacter& c : m_characters) {
        const GlyphAbc abc = metrics.GetReferenceAbc(c.GetGlyph());
        advances += abc.Advance();
        if (IsTailGlyph(c.GetGlyph()))
            return Wrap32(std::max<std::int64_t>(0, std::int64_t{abc.b} - advances));
    }
    return 0;
}

std::int32_t CCalligraphyWord::GetWidthOfFirst(std::int32_t n, const IGlyphMetrics& metrics) const {
    const std::size_t count = n < 1 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), m_characters.size());
    std::int64_t width = 0;
    for (std::size_t i = 0; i < count; ++i)
        width += Advance(metrics, m_characters[i]);
    return Wrap32(width);
}

std::int32_t CCalligraphyWord::GetTop(bool withMarks, const IGlyphMetrics& metrics) const {
    const CWordJoins joins(*this, metrics);
    std::int64_t top = 0;
    for (std::size_t i = 0; i < m_characters.size(); ++i) {
        const CCalligraphyCharacter& c = m_characters[i];
        const std::int64_t lift = GetPlacedLift(c, joins[i]);
        top = std::max(top, std::int64_t{ToYUnits(metrics.GetOutlineHeight(c.GetGlyph()))} - lift);
        if (withMarks && c.m_mark != 0) {
            const std::int32_t anchorY = metrics.GetAnchorY(c.GetGlyph(), c.HasMarkBelow());
            const std::int64_t markTop = std::int64_t{ToYUnits(metrics.GetOutlineHeight(MakeGlyph(kMarkFont, c.m_mark)))} -
                                         lift + ToYUnits(Wrap32(std::int64_t{c.m_markDy} + anchorY - joins[i].markDy));
            top = std::max(top, markTop);
        }
    }
    return Wrap32(top);
}

std::int32_t CCalligraphyWord::GetBottom(bool withMarks, const IGlyphMetrics& metrics) const {
    const CWordJoins joins(*this, metrics);
    std::int64_t bottom = 0;
    for (std::size_t i = 0; i < m_characters.size(); ++i) {
        const CCalligraphyCharacter& c = m_characters[i];
        const std::int64_t lift = GetPlacedLift(c, joins[i]);
        bottom = std::max(bottom, std::int64_t{ToYUnits(metrics.GetOutlineDepth(c.GetGlyph()))} + lift);
        if (withMarks && c.m_mark != 0) {
            const std::int32_t anchorY = metrics.GetAnchorY(c.GetGlyph(), c.HasMarkBelow());
            const std::int64_t markBottom = std::int64_t{ToYUnits(metrics.GetOutlineDepth(MakeGlyph(kMarkFont, c.m_mark)))} +
                                            lift - ToYUnits(Wrap32(std::int64_t{c.m_markDy} + anchorY - joins[i].markDy));
            bottom = std::max(bottom, markBottom);
        }
    }
    return Wrap32(bottom);
}

// The ink is where the letters are drawn (each join closed); the advances,
// and so the word's end, stay as typed.
Rect CCalligraphyWord::GetExtent(const IGlyphMetrics& metrics) const {
    const CWordJoins joins(*this, metrics);
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    std::int64_t advances = 0;
    for (std::size_t i = 0; i < m_characters.size(); ++i) {
        const CCalligraphyCharacter& c = m_characters[i];
        const std::int64_t pen = advances + joins[i].dx;
        const GlyphAbc abc = metrics.GetReferenceAbc(c.GetGlyph());
        left = std::min(left, pen + abc.c);  // near edge of its black box
        if (c.m_mark != 0) {
            const Point anchor = GetMarkAnchor(metrics, c.GetGlyph(), c.m_mark, c.HasMarkBelow());
            if (anchor.y != -1) {
                const std::int64_t nearEdge = pen - anchor.x - c.m_markDx;
                const std::int64_t markY = std::int64_t{c.m_markDy} + anchor.y;
                left = std::min(left, nearEdge);
                right = std::max(right, nearEdge + metrics.GetReferenceAbc(MakeGlyph(kMarkFont, c.m_mark)).Advance());
                top = std::max(top, markY);
                bottom = std::min(bottom, markY);
            }
        }
        advances += abc.Advance();
        right = std::max(right, pen + abc.Advance() - abc.a);  // far edge of its black box
    }
    return Rect(Wrap32(left + GetTailOverhang(metrics)), Wrap32(top), Wrap32(right - advances), Wrap32(bottom));
}

bool CCalligraphyWord::IsAttachable() const {
    return std::all_of(m_characters.begin(), m_characters.end(),
                       [](const CCalligraphyCharacter& c) { return IsAttachableGlyph(c.GetGlyph()); });
}

Rect CCalligraphyParagraph::GetBoundingRect() const {
    std::int64_t left = std::numeric_limits<std::int32_t>::max();
    std::int64_t top = std::numeric_limits<std::int32_t>::min();
    std::int64_t right = std::numeric_limits<std::int32_t>::min();
    std::int64_t bottom = std::numeric_limits<std::int32_t>::max();
    const CWordList& words = m_words;
    const std::vector<WordMeasures>& measures = m_measures.Get(words, m_words.GetChangeCount(), m_context.Metrics());
    for (std::size_t i = 0; i < words.size(); ++i) {
        const CCalligraphyWord& word = words[i];
        if (word.m_characters.empty())
            continue;
        left = std::min<std::int64_t>(left, word.m_x);
        right = std::max<std::int64_t>(right, Wrap32(std::int64_t{word.m_x} + measures[i].width));
        top = std::max<std::int64_t>(top, word.m_y);
        bottom = std::min<std::int64_t>(bottom, Wrap32(std::int64_t{word.m_y} + measures[i].highest));
    }
    return Rect(Wrap32(left), Wrap32(top), Wrap32(right), Wrap32(bottom));
}

Rect CCalligraphyParagraph::GetExtent() const {
    const IGlyphMetrics& metrics = m_context.Metrics();
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    // Without words the text both starts and ends at 0.
    std::int64_t end = m_words.empty() ? 0 : std::numeric_limits<std::int32_t>::min();
    const CWordList& words = m_words;
    const std::vector<WordMeasures>& measures = m_measures.Get(words, m_words.GetChangeCount(), metrics);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Rect& e = measures[i].extent;
        const std::int64_t wordEnd = std::int64_t{words[i].m_x} + measures[i].width;
        left = std::min(left, std::int64_t{words[i].m_x} + e.left);
        right = std::max(right, wordEnd + e.right);
        end = std::max(end, wordEnd);
        top = std::max<std::int64_t>(top, e.top);
        bottom = std::min<std::int64_t>(bottom, e.bottom);
    }
    for (const CCalligraphyPoint& point : m_points) {
        left = std::min<std::int64_t>(left, -std::int64_t{point.m_x});
        right = std::max(right, metrics.GetReferenceAbc(MakeGlyph(kMarkFont, point.m_sign)).Advance() - point.m_x);
        top = std::max<std::int64_t>(top, point.m_y);
        bottom = std::min<std::int64_t>(bottom, point.m_y);
    }
    return Rect(Wrap32(left), Wrap32(top), Wrap32(right - end), Wrap32(bottom));
}

}  // namespace kavitro
