// Smart spacing: every word of a paragraph is moved along x until the
// closest distance between its outline and those of the words before it
// reaches the target distance, and the dot marks are set at a fixed clearance
// above the letter tops or below the baseline.
//
// The search always ends: besides its own limits (a reversal count, x = 0,
// an overlap limit) it stops when the remaining error is too small to give a
// step, and after a fixed number of steps whatever the settings say.

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/Arithmetic32.h"
#include "engine/CalligraphyText.h"
#include "engine/VectorPathSource.h"
#include "platform/Exceptions.h"

namespace kavitro {

namespace {

constexpr std::int32_t kNoGap = 1000;           // the distance reported when nothing is near
constexpr std::int32_t kMaxSearchSteps = 1000;  // far beyond what any sane setting needs

constexpr std::uint8_t kDotMarks[] = {35, 36, 37, 38, 67};

// Glyph units from y units (1/750 of the text size).
std::int32_t ToGlyphUnits(std::int64_t yUnits) { return MulDiv(Wrap32(yUnits), 2160, 750); }

bool IsDotMark(std::uint8_t mark) { return std::find(std::begin(kDotMarks), std::end(kDotMarks), mark) != std::end(kDotMarks); }

// Letters whose tall strokes would push a neighbour's dot too high.
bool HasTallStroke(std::uint16_t code) {
    switch (code) {
    case kTahCode:
    case kZahCode:
    case kLamCode:
    case kKehehCode:
    case kGafCode:
        return true;
    default:
        return false;
    }
}

bool IsBezier(std::uint8_t type) { return (type & ~PathPoint::CloseFigure) == PathPoint::BezierTo; }
bool IsLineOrMove(std::uint8_t type) {
    return type == PathPoint::MoveTo || (type & ~PathPoint::CloseFigure) == PathPoint::LineTo;
}

// A zero divisor from the settings would end the program; it stands for the
// default instead.
SmartSpacingSettings Effective(SmartSpacingSettings s) {
    if (s.maxOverlapWidthDivider == 0)
        s.maxOverlapWidthDivider = SmartSpacingSettings::kDefaultMaxOverlapWidthDivider;
    if (s.maxOverlapDenominator == 0)
        s.maxOverlapDenominator = SmartSpacingSettings::kDefaultMaxOverlapDenominator;
    return s;
}

std::int64_t IntegerSqrt(std::int64_t v) {
    auto r = static_cast<std::int64_t>(std::sqrt(static_cast<double>(v)));
    while (r * r > v)
        --r;
    while ((r + 1) * (r + 1) <= v)
        ++r;
    return r;
}

// The smallest distance between the points of `moved`, shifted by (dx, dy)
// into the frame of `fixed`, and the points of `fixed`, when it is below
// `bound`; otherwise `bound`. The outlines are sorted by x, so each point of
// the moved word looks only at the window of fixed points that could beat
// the best distance found so far.
std::int64_t ClosestDistance(const CCalligraphyWord& moved, const CCalligraphyWord& fixed, std::int64_t dx,
                             std::int64_t dy, std::int64_t bound) {
    if (bound <= 0)
        return bound;
    // Boxes that lie further apart than the bound cannot beat it.
    const Rect& m = moved.m_bounds;
    const Rect& f = fixed.m_bounds;
    const std::int64_t gapX = std::max<std::int64_t>({0, m.left - dx - f.right, f.left - (m.right - dx)});
    const std::int64_t gapY = std::max<std::int64_t>({0, m.top - dy - f.bottom, f.top - (m.bottom - dy)});
    if (gapX >= bound || gapY >= bound)
        return bound;

    const std::vector<Point>& points = fixed.m_outline;
    std::int64_t bestSquared = bound * bound;
    std::int64_t reach = bound;  // |delta x| that can still beat the best
    // The moved word lies after the fixed one, further left: its rightmost
    // points come nearest, and once a point is out of reach so are the rest.
    for (auto a = moved.m_outline.rbegin(); a != moved.m_outline.rend(); ++a) {
        const std::int64_t ax = a->x - dx;
        const std::int64_t ay = a->y - dy;
        if (ax <= f.left - reach)
            break;
        auto it = std::lower_bound(points.begin(), points.end(), ax - reach + 1,
                                   [](const Point& p, std::int64_t x) { return p.x < x; });
        for (; it != points.end() && it->x < ax + reach; ++it) {
            const std::int64_t ddx = ax - it->x;
            const std::int64_t ddy = ay - it->y;
            if (ddy <= -reach || ddy >= reach)
                continue;
            const std::int64_t squared = ddx * ddx + ddy * ddy;
            if (squared < bestSquared) {
                bestSquared = squared;
                reach = IntegerSqrt(squared) + 1;
            }
        }
    }
    return std::min(bound, IntegerSqrt(bestSquared));
}

}  // namespace

// --- Word geometry ---------------------------------------------------------------

void CCalligraphyWord::BuildGeometry() { BuildGeometry(GetGlyphMetrics(), GetVectorPaths()); }

void CCalligraphyWord::BuildGeometry(const IGlyphMetrics& metrics, const IVectorPathSource& paths) {
    m_outline.clear();
    m_bounds = Rect();

    std::vector<Point> outline;
    std::int64_t pen = 0;
    for (const CCalligraphyCharacter& c : m_characters) {
        const CPathData& path = paths.GetVectorPath(c.GetGlyph());
        const std::int64_t ty = ToGlyphUnits(c.m_yOffset);
        const auto types = path.GetTypes();
        const auto points = path.GetPoints();
        // Sized by the points there are, not by the record's segment count.
        outline.reserve(outline.size() + points.size());
        for (std::size_t k = 0; k < std::min(types.size(), points.size()); ++k) {
            if (IsBezier(types[k]))
                throw NotSupportedException("a curve in a glyph's polygon outline");
            if (IsLineOrMove(types[k]))
                outline.push_back({Wrap32(points[k].x + pen), Wrap32(points[k].y - ty)});
        }
        pen -= metrics.GetReferenceAbc(c.GetGlyph()).Advance();
    }
    if (outline.empty())
        return;

    // Sorted by x: the distance search looks at a window of it.
    std::sort(outline.begin(), outline.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
    Rect bounds(outline.front().x, std::numeric_limits<std::int32_t>::max(), outline.back().x,
                std::numeric_limits<std::int32_t>::min());
    for (const Point& p : outline) {
        bounds.top = std::min(bounds.top, p.y);
        bounds.bottom = std::max(bounds.bottom, p.y);
    }
    m_outline = std::move(outline);
    m_bounds = bounds;
}

std::int32_t CCalligraphyWord::GetOutlineWidth() const {
    return m_outline.empty() ? 0 : Clamp32(std::int64_t{m_bounds.right} - m_bounds.left);
}

std::int32_t CCalligraphyWord::GetClearance(std::int32_t i, const IGlyphMetrics& metrics) const {
    if (i < 0 || static_cast<std::size_t>(i) >= m_characters.size())
        return 0;
    const CCalligraphyCharacter& c = m_characters[static_cast<std::size_t>(i)];
    const std::int64_t y = ToGlyphUnits(std::int64_t{c.m_yOffset} + m_y);
    const std::int32_t height = metrics.GetOutlineHeight(c.GetGlyph());
    // Tall strokes count at two thirds: a dot beside them may sit lower.
    const std::int64_t counted = HasTallStroke(c.m_code) ? MulDiv(height, 10, 15) : height;
    return Wrap32(counted - y);
}

void CCalligraphyWord::PlaceMarks(std::int32_t pointsAbove, std::int32_t pointsBelow, std::int32_t minWidth,
                                  const IGlyphMetrics& metrics) {
    for (std::size_t i = 0; i < m_characters.size(); ++i) {
        CCalligraphyCharacter& c = m_characters[i];
        if (!IsDotMark(c.m_mark))
            continue;
        const bool below = c.HasMarkBelow();
        const Point anchor = GetMarkAnchor(metrics, c.GetGlyph(), c.m_mark, below);
        if (anchor.y == -1)
            continue;
        // Mark dy counts upward from the anchor; Y downward from the text
        // baseline, so (Y - anchor) brings the mark to the text baseline.
        const std::int64_t y = ToGlyphUnits(std::int64_t{c.m_yOffset} + m_y);
        if (below) {
            c.m_markDy = Wrap32(y - anchor.y - pointsBelow);
            continue;
        }
        std::int64_t clearance = std::int64_t{metrics.GetOutlineHeight(c.GetGlyph())} - y;
        if (metrics.GetReferenceAbc(c.GetGlyph()).Advance() < minWidth) {
            const auto index = static_cast<std::int32_t>(i);
            clearance = std::max<std::int64_t>({clearance, GetClearance(index - 1, metrics), GetClearance(index + 1, metrics)});
        }
        c.m_markDy = Wrap32(y - anchor.y + pointsAbove + clearance);
    }
}

// --- Paragraph layout ----------------------------------------------------------------

std::int32_t CCalligraphyParagraph::MeasureWordGap(std::int32_t n, CCalligraphyWord* word,
                                                   const SmartSpacingSettings& settings) {
    if (word == nullptr || n < 1)
        return kNoGap;
    const SmartSpacingSettings s = Effective(settings);
    const std::int64_t target = s.targetDistance;
    const std::int64_t allowed = std::max<std::int64_t>(MulDiv(s.targetDistance, s.maxOverlapNumerator,
                                                               s.maxOverlapDenominator),
                                                        std::int64_t{word->GetOutlineWidth()} / s.maxOverlapWidthDivider);
    const std::size_t count = std::min(static_cast<std::size_t>(n), m_words.size());
    std::int64_t best = kNoGap;
    for (std::size_t j = 0; j < count; ++j) {
        const CCalligraphyWord& earlier = m_words[j];
        if (&earlier == word)
            continue;
        const std::int64_t earlierEnd = std::int64_t{earlier.m_x} + earlier.GetOutlineWidth();
        const std::int64_t h = word->m_x - earlierEnd;
        if (h < -allowed) {
            // Too deep under the word before: settle at the deepest allowed overlap.
            word->m_x = Clamp32(earlierEnd - allowed);
            return s.targetDistance;
        }
        if (h < 2 * target && !word->m_outline.empty() && !earlier.m_outline.empty()) {
            const std::int64_t dx = std::int64_t{word->m_x} - earlier.m_x;
            const std::int64_t dy = (std::int64_t{word->m_y} - earlier.m_y) * 2160 / 750;
            best = ClosestDistance(*word, earlier, dx, dy, best);
        } else {
            best = std::min(best, h);
        }
    }
    return Clamp32(best);
}

void CCalligraphyParagraph::SmartSpace(bool resetY, const SmartSpacingSettings& settings) {
    const SmartSpacingSettings s = Effective(settings);
    const std::int64_t target = s.targetDistance;
    const auto inBand = [&](std::int64_t gap) {
        return gap >= target - s.targetDistanceTolerance && gap <= target + s.targetDistanceTolerance;
    };

    for (std::size_t i = 0; i < m_words.size(); ++i) {
        CCalligraphyWord& word = m_words[i];
        // The marks are placed in the frame the word ends up in.
        if (resetY)
            word.m_y = 0;
        word.BuildGeometry(m_context.Metrics(), m_context.Outlines());
        word.PlaceMarks(s.pointsAbove, s.pointsBelow, s.pointsMinWidthToIgnoreAdjacent, m_context.Metrics());
        if (i == 0) {
            word.m_x = 0;
            continue;
        }

        std::int64_t start = 0;
        for (std::size_t j = 0; j < i; ++j)
            start = std::max(start, std::int64_t{m_words[j].m_x} + m_words[j].GetOutlineWidth());
        word.m_x = Clamp32(start);

        std::int64_t gap = kNoGap;
        std::int64_t swaps = 0;
        std::int64_t previousStep = 0;
        for (std::int32_t steps = 0; !inBand(gap) && steps < kMaxSearchSteps; ++steps) {
            gap = MeasureWordGap(static_cast<std::int32_t>(i), &word, s);
            if (inBand(gap))
                break;
            std::int64_t step = (gap - target) / (swaps + 2);
            if (step == 0)
                break;  // the error left is smaller than the search can still correct
            if (step > 0) {
                step = std::max<std::int64_t>(step, s.minJump);
                swaps += previousStep < 0 ? 1 : 0;
            } else {
                step = std::min<std::int64_t>(step, -std::int64_t{s.minJump});
                swaps += previousStep > 0 ? 1 : 0;
            }
            const std::int64_t x = std::int64_t{word.m_x} - step;
            previousStep = step;
            word.m_x = Clamp32(std::max<std::int64_t>(x, 0));
            if (swaps > s.maxJumpDirectionSwap || x < 0 || x >= std::numeric_limits<std::int32_t>::max())
                break;
        }
    }
}

}  // namespace kavitro
