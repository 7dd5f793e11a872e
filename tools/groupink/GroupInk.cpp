#include "tools/groupink/GroupInk.h"

#include <cmath>
#include <numeric>
#include <stdexcept>
#include <utility>

#include FT_OUTLINE_H

#include "engine/CalligraphyFont.h"
#include "engine/CodePointTable.h"

namespace kavitro::tool {

namespace {

// Letter c joins the letter after it in the word, in ink: the engine keeps
// a dal or thal in one group with a reh, zain or jeh after it, which the pen
// still writes apart.
bool JoinsNext(std::uint16_t code, std::uint16_t next) {
    return FindLetter(code) != nullptr && FindLetter(next) != nullptr && !IsNonJoiningCode(code, next) &&
           !IsDalOrThal(code);
}

struct SpanSink {
    std::vector<InkRun>* runs;
};

// Ink is where the outline covers at least half of a pixel.
void CollectSpans(int y, int count, const FT_Span* spans, void* user) {
    std::vector<InkRun>& runs = *static_cast<SpanSink*>(user)->runs;
    for (int i = 0; i < count; ++i) {
        const FT_Span& span = spans[i];
        if (span.coverage < 128 || span.len == 0) continue;
        const int x0 = span.x;
        const int x1 = span.x + span.len - 1;
        if (!runs.empty() && runs.back().y == y && runs.back().x1 + 1 >= x0)
            runs.back().x1 = std::max(runs.back().x1, x1);
        else
            runs.push_back({y, x0, x1});
    }
}

}  // namespace

std::size_t CInkPieceCounter::Find(std::size_t i) {
    while (m_parent[i] != i) i = m_parent[i] = m_parent[m_parent[i]];
    return i;
}

std::size_t CInkPieceCounter::Count(const std::vector<InkRun>& runs) {
    if (runs.empty()) return 0;
    // Runs by row (a counting sort), then by x within a row.
    int low = runs.front().y, high = low;
    for (const InkRun& run : runs) {
        low = std::min(low, run.y);
        high = std::max(high, run.y);
    }
    m_starts.assign(static_cast<std::size_t>(high - low) + 2, 0);
    for (const InkRun& run : runs) ++m_starts[static_cast<std::size_t>(run.y - low) + 1];
    for (std::size_t r = 1; r < m_starts.size(); ++r) m_starts[r] += m_starts[r - 1];
    m_rows.resize(runs.size());
    std::vector<std::size_t>& next = m_parent;  // the fill position of each row, for now
    next.assign(m_starts.begin(), m_starts.end() - 1);
    for (const InkRun& run : runs) m_rows[next[static_cast<std::size_t>(run.y - low)]++] = run;
    // One stretch per connected part of a row, so that a row's stretches are
    // disjoint and ordered for the sweep below.
    std::size_t kept = 0;
    for (std::size_t r = 0; r + 1 < m_starts.size(); ++r) {
        const auto first = m_rows.begin() + static_cast<std::ptrdiff_t>(m_starts[r]);
        const auto last = m_rows.begin() + static_cast<std::ptrdiff_t>(m_starts[r + 1]);
        std::sort(first, last, [](const InkRun& a, const InkRun& b) { return a.x0 < b.x0; });
        m_starts[r] = kept;
        for (auto it = first; it != last; ++it) {
            if (kept > m_starts[r] && it->x0 <= m_rows[kept - 1].x1 + 1)
                m_rows[kept - 1].x1 = std::max(m_rows[kept - 1].x1, it->x1);
            else
                m_rows[kept++] = *it;
        }
    }
    m_starts.back() = kept;
    m_parent.resize(kept);
    std::iota(m_parent.begin(), m_parent.end(), std::size_t{0});
    // Stretches of neighbouring rows touch when they overlap or meet at a
    // corner (8-connected).
    for (std::size_t r = 1; r + 1 < m_starts.size(); ++r) {
        std::size_t i = m_starts[r - 1], j = m_starts[r];
        while (i < m_starts[r] && j < m_starts[r + 1]) {
            if (m_rows[i].x0 <= m_rows[j].x1 + 1 && m_rows[j].x0 <= m_rows[i].x1 + 1) m_parent[Find(i)] = Find(j);
            if (m_rows[i].x1 < m_rows[j].x1) ++i; else ++j;
        }
    }
    std::size_t pieces = 0;
    for (std::size_t i = 0; i < kept; ++i) pieces += Find(i) == i;
    return pieces;
}

std::vector<JoinedGroup> FindJoinedGroups(const CCalligraphyWord& word) {
    std::vector<JoinedGroup> groups;
    const CCharacterArray& characters = word.m_characters;
    std::size_t first = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const bool joins = i + 1 < characters.size() && JoinsNext(characters[i].m_code, characters[i + 1].m_code);
        if (!joins) {
            if (i > first) groups.push_back({first, i + 1 - first});
            first = i + 1;
        }
    }
    return groups;
}

CGlyphRasterizer::CGlyphRasterizer() = default;
CGlyphRasterizer::~CGlyphRasterizer() = default;

const GlyphInk& CGlyphRasterizer::GetInk(GlyphId id) {
    const auto found = m_inks.find(id);
    if (found != m_inks.end()) return found->second;
    return m_inks.emplace(id, Render(id)).first->second;
}

GlyphInk CGlyphRasterizer::Render(GlyphId id) const {
    GlyphInk ink;
    const CGlyphFace* face = CCalligraphyFont::GetInstance().GetFace(static_cast<int>(GlyphFont(id)));
    if (face == nullptr) return ink;
    FT_Face ft = face->GetFace();
    const FT_UInt index = FT_Get_Char_Index(ft, CGlyphFace::kFirstCode + GlyphIndex(id));
    if (index == 0 || FT_Load_Glyph(ft, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE || ft->glyph->outline.n_contours == 0)
        return ink;
    // Font units are glyph units at the reference size; the raster takes
    // 26.6 fixed-point pixels.
    FT_Outline& outline = ft->glyph->outline;
    constexpr double kScale = 64.0 / kGlyphUnitsPerPixel;
    for (short i = 0; i < outline.n_points; ++i) {
        outline.points[i].x = std::lround(static_cast<double>(outline.points[i].x) * kScale);
        outline.points[i].y = std::lround(static_cast<double>(outline.points[i].y) * kScale);
    }
    SpanSink sink{&ink.runs};
    FT_Raster_Params params{};
    params.source = &outline;
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT;
    params.gray_spans = CollectSpans;
    params.user = &sink;
    if (FT_Outline_Render(m_library.Get(), &outline, &params) != 0)
        throw std::runtime_error("FreeType cannot render a glyph outline");
    ink.pieces = CountGroupInk(ink.runs);
    return ink;
}

GroupPieces CGroupInkMeasure::Measure(const CCalligraphyWord& word, const JoinedGroup& group,
                                      const std::vector<JoinCorrection>& corrections, const IGlyphMetrics& metrics) {
    // Pens grow leftward from the group's first letter; a glyph is drawn
    // right-aligned on its pen, so its origin lies an advance further left.
    // Lifts are y units (2160/750 glyph units), growing downward.
    GroupPieces result;
    m_ink.clear();
    std::int64_t pen = 0;
    for (std::size_t k = group.first; k < group.first + group.count; ++k) {
        const CCalligraphyCharacter& c = word.m_characters[k];
        const GlyphId id = c.GetGlyph();
        const std::int64_t advance = metrics.GetReferenceAbc(id).Advance();
        const JoinCorrection correction = k < corrections.size() ? corrections[k] : JoinCorrection{};
        const double x = -static_cast<double>(pen + correction.dx + advance);
        const double y = -(static_cast<double>(c.m_yOffset) * 2160.0 / 750.0 + correction.dy);
        pen += advance;
        const GlyphInk& glyph = m_rasterizer.GetInk(id);
        if (glyph.runs.empty()) continue;
        ++result.inkedGlyphs;
        result.glyphPieces += glyph.pieces;
        const int px = static_cast<int>(std::lround(x / kGlyphUnitsPerPixel));
        const int py = static_cast<int>(std::lround(y / kGlyphUnitsPerPixel));
        for (const InkRun& run : glyph.runs) m_ink.push_back({run.y + py, run.x0 + px, run.x1 + px});
    }
    result.pieces = m_counter.Count(m_ink);
    return result;
}

namespace {

bool InkTouches(const std::vector<InkRun>& a, const std::vector<InkRun>& b) {
    for (const InkRun& p : a)
        for (const InkRun& q : b)
            if (p.y <= q.y + 1 && q.y <= p.y + 1 && p.x0 <= q.x1 + 1 && q.x0 <= p.x1 + 1) return true;
    return false;
}

}  // namespace

std::size_t CNeighbourDotMeasure::CountTouchingPairs(const CCalligraphyWord& word,
                                                     const std::vector<JoinCorrection>& corrections,
                                                     const IGlyphMetrics& metrics) {
    // x rightward from the word's start, y upward from its baseline, glyph
    // units; a mark is drawn with its right edge at the anchor moved by its
    // advance, so its origin stands at the raw anchor.
    m_dots.clear();
    std::int64_t start = 0;
    for (std::size_t k = 0; k < word.m_characters.size(); ++k) {
        const CCalligraphyCharacter& c = word.m_characters[k];
        const std::int64_t here = start;
        start -= metrics.GetReferenceAbc(c.GetGlyph()).Advance();
        if (!IsDotMark(c.m_mark)) continue;
        const bool below = c.HasMarkBelow();
        const std::int32_t anchorY = metrics.GetAnchorY(c.GetGlyph(), below);
        if (anchorY == -1) continue;
        const JoinCorrection correction = k < corrections.size() ? corrections[k] : JoinCorrection{};
        const double x = static_cast<double>(here - correction.dx - correction.markDx +
                                             metrics.GetAnchorX(c.GetGlyph(), below) + c.m_markDx);
        const double y = static_cast<double>(anchorY) + c.m_markDy - c.m_yOffset * 2160.0 / 750.0 - correction.dy -
                         correction.markDy;
        const int px = static_cast<int>(std::lround(x / kGlyphUnitsPerPixel));
        const int py = static_cast<int>(std::lround(y / kGlyphUnitsPerPixel));
        std::vector<InkRun>& placed = m_dots.emplace_back();
        for (const InkRun& run : m_rasterizer.GetInk(MakeGlyph(kMarkFont, c.m_mark)).runs)
            placed.push_back({run.y + py, run.x0 + px, run.x1 + px});
    }
    std::size_t pairs = 0;
    for (std::size_t i = 0; i < m_dots.size(); ++i)
        for (std::size_t j = i + 1; j < m_dots.size(); ++j) pairs += InkTouches(m_dots[i], m_dots[j]);
    return pairs;
}

}  // namespace kavitro::tool
