// Smart spacing: every word of a paragraph is moved along x until the
// closest distance between its outline (its letters' and its marks') and
// those of the words before it reaches the target distance, and the dot
// marks are set at a fixed clearance above the letter tops or below the
// baseline, the dots of neighbouring letters staggered where they would
// land on each other.
//
// The search always ends: besides its own limits (a reversal count, x = 0,
// an overlap limit) it stops when the remaining error is too small to give a
// step, and after a fixed number of steps whatever the settings say.

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "engine/CalligraphyText.h"
#include "engine/GlyphPlacement.h"
#include "engine/VectorPathSource.h"
#include "platform/Exceptions.h"
#include "platform/Saturating.h"

namespace kavitro {

namespace {

constexpr std::int32_t kNoGap = 1000;           // the distance reported when nothing is near
constexpr std::int32_t kMaxSearchSteps = 1000;  // far beyond what any sane setting needs

constexpr std::int32_t kDotGap = kNeighbourDotGap;

// Glyph units from y units (1/750 of the text size).
std::int32_t ToGlyphUnits(std::int64_t yUnits) { return MulDiv(Wrap32(yUnits), 2160, 750); }

// How far below the text baseline letter i is drawn, glyph units: the word's
// and the letter's lift, and its join's drop.
std::int64_t PlacedDrop(const CCalligraphyWord& word, const CWordJoins& joins, std::size_t i) {
    return std::int64_t{ToGlyphUnits(std::int64_t{word.m_characters[i].m_yOffset} + word.m_y)} + joins[i].dy;
}

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

// The horizontal gap between the ink of `moved` and that of the earlier word
// `fixed`, which the outline widths alone overstate where the moved word's
// ink (a first letter's dots) reaches right of its start: near by it, the
// words are measured point by point.
std::int64_t InkGap(const CCalligraphyWord& moved, const CCalligraphyWord& fixed) {
    return (std::int64_t{moved.m_x} - moved.m_bounds.right) - (std::int64_t{fixed.m_x} - fixed.m_bounds.left);
}

// Where a letter's dot mark is drawn, in the frame of the word's outline (x
// rightward from the word's start, y upward from its baseline): the box of
// the mark's polygon outline; none for a letter without a drawn dot.
std::optional<Rect> DotBox(const CCalligraphyWord& word, std::size_t i, std::int64_t pen, const CWordJoins& joins,
                           const IGlyphMetrics& metrics, const IVectorPathSource& paths) {
    const CCalligraphyCharacter& c = word.m_characters[i];
    if (!IsDotMark(c.m_mark))
        return std::nullopt;
    const Point anchor = GetMarkAnchor(metrics, c.GetGlyph(), c.m_mark, c.HasMarkBelow());
    const auto points = paths.GetVectorPath(MakeGlyph(kMarkFont, c.m_mark)).GetPoints();
    if (anchor.y == -1 || points.empty())
        return std::nullopt;
    const std::int64_t x = pen - joins[i].dx - joins[i].markDx + anchor.x + c.m_markDx;
    const std::int64_t y =
        std::int64_t{anchor.y} + c.m_markDy - ToGlyphUnits(c.m_yOffset) - joins[i].dy - joins[i].markDy;
    Rect box(Wrap32(points[0].x + x), Wrap32(points[0].y + y), Wrap32(points[0].x + x), Wrap32(points[0].y + y));
    for (const Point& p : points)
        box = Rect(std::min<std::int32_t>(box.left, Wrap32(p.x + x)), std::min<std::int32_t>(box.top, Wrap32(p.y + y)),
                   std::max<std::int32_t>(box.right, Wrap32(p.x + x)), std::max<std::int32_t>(box.bottom, Wrap32(p.y + y)));
    return box;
}

// Placed at one clearance over the tops or under the baseline, the dots of
// neighbouring letters on the same side can land on each other (the peh's
// and the yeh's under pish). Where they would overlap, the later letter's
// dots step further out, below under the earlier's, above over them, as a
// calligrapher staggers them.
void StaggerNeighbourDots(CCalligraphyWord& word, const IGlyphMetrics& metrics, const IVectorPathSource& paths) {
    const CWordJoins joins(word, metrics);
    std::optional<Rect> before;
    bool beforeBelow = false;
    std::int64_t pen = 0;
    for (std::size_t i = 0; i < word.m_characters.size(); ++i) {
        CCalligraphyCharacter& c = word.m_characters[i];
        const std::int64_t here = pen;
        pen -= metrics.GetReferenceAbc(c.GetGlyph()).Advance();
        std::optional<Rect> box = DotBox(word, i, here, joins, metrics, paths);
        if (!box)
            continue;
        const bool below = c.HasMarkBelow();
        if (before && below == beforeBelow && box->left < before->right + kDotGap &&
            before->left < box->right + kDotGap && box->top < before->bottom + kDotGap &&
            before->top < box->bottom + kDotGap) {
            const std::int64_t step = below ? std::int64_t{box->bottom} - before->top + kDotGap
                                            : std::int64_t{before->bottom} - box->top + kDotGap;
            c.m_markDy = Wrap32(std::int64_t{c.m_markDy} + (below ? -step : step));
            box = DotBox(word, i, here, joins, metrics, paths);
        }
        before = box;
        beforeBelow = below;
    }
}

// Adds the outlines of the word's drawn marks (dots, strokes), placed as
// drawing places them, to its letters' outline, so that the spacing keeps a
// dot as clear of the next word as it keeps the letters. Called once the
// marks are placed: their heights are the word's own then.
void AddMarkOutlines(CCalligraphyWord& word, const IGlyphMetrics& metrics, const IVectorPathSource& paths) {
    const CWordJoins joins(word, metrics);
    std::vector<Point> marks;
    std::int64_t advances = 0;
    for (std::size_t i = 0; i < word.m_characters.size(); ++i) {
        const CCalligraphyCharacter& c = word.m_characters[i];
        const Point anchor = c.m_mark != 0 ? GetMarkAnchor(metrics, c.GetGlyph(), c.m_mark, c.HasMarkBelow()) : Point{0, -1};
        if (anchor.y != -1) {
            // The same frame as the letters' outline: x rightward from the
            // word's start, y upward from its baseline.
            const std::int64_t x = advances - joins[i].dx - joins[i].markDx + anchor.x + c.m_markDx;
            const std::int64_t y =
                std::int64_t{anchor.y} + c.m_markDy - ToGlyphUnits(c.m_yOffset) - joins[i].dy - joins[i].markDy;
            const CPathData& path = paths.GetVectorPath(MakeGlyph(kMarkFont, c.m_mark));
            const auto types = path.GetTypes();
            const auto points = path.GetPoints();
            for (std::size_t k = 0; k < std::min(types.size(), points.size()); ++k) {
                if (IsBezier(types[k]))
                    throw NotSupportedException("a curve in a mark's polygon outline");
                if (IsLineOrMove(types[k]))
                    marks.push_back({Wrap32(points[k].x + x), Wrap32(points[k].y + y)});
            }
        }
        advances -= metrics.GetReferenceAbc(c.GetGlyph()).Advance();
    }
    if (marks.empty())
        return;
    Rect& bounds = word.m_bounds;
    if (word.m_outline.empty())
        bounds = Rect(marks.front().x, marks.front().y, marks.front().x, marks.front().y);
    for (const Point& p : marks)
        bounds = Rect(std::min(bounds.left, p.x), std::min(bounds.top, p.y), std::max(bounds.right, p.x),
                      std::max(bounds.bottom, p.y));
    // Kept sorted by x: the distance search looks at a window of it.
    const auto byX = [](const Point& a, const Point& b) { return a.x < b.x; };
    std::sort(marks.begin(), marks.end(), byX);
    const auto middle = static_cast<std::ptrdiff_t>(word.m_outline.size());
    word.m_outline.insert(word.m_outline.end(), marks.begin(), marks.end());
    std::inplace_merge(word.m_outline.begin(), word.m_outline.begin() + middle, word.m_outline.end(), byX);
}

// One word's distance to the words before it, taken one earlier word at a
// time: the smallest of the outline distances of the near ones and the
// plain gaps of the far ones, or a settled overlap.
class GapSearch {
public:
    GapSearch(const CCalligraphyWord& word, const SmartSpacingSettings& s)
        : m_target(s.targetDistance),
          m_allowed(std::max<std::int64_t>(MulDiv(s.targetDistance, s.maxOverlapNumerator, s.maxOverlapDenominator),
                                           std::int64_t{word.GetOutlineWidth()} / s.maxOverlapWidthDivider)) {}

    // Lowers best by what the earlier word allows. False when the word lies
    // too deep under it: it is then settled at the deepest allowed overlap.
    bool Meet(CCalligraphyWord& word, const CCalligraphyWord& earlier, std::int64_t& best) const {
        const std::int64_t earlierEnd = std::int64_t{earlier.m_x} + earlier.GetOutlineWidth();
        const std::int64_t h = word.m_x - earlierEnd;
        if (h < -m_allowed) {
            word.m_x = Clamp32(earlierEnd - m_allowed);
            return false;
        }
        if (std::min(h, InkGap(word, earlier)) < 2 * m_target && !word.m_outline.empty() && !earlier.m_outline.empty()) {
            const std::int64_t dx = std::int64_t{word.m_x} - earlier.m_x;
            const std::int64_t dy = (std::int64_t{word.m_y} - earlier.m_y) * 2160 / 750;
            best = ClosestDistance(word, earlier, dx, dy, best);
        } else {
            best = std::min(best, h);
        }
        return true;
    }

private:
    std::int64_t m_target;
    std::int64_t m_allowed;
};

// The laid-out words of a paragraph, indexed for the gap search of the word
// after them. An earlier word counts only while its end or its ink start
// lies within kNoGap of the searched word (every distance it gives is at
// least the smaller of the two gaps, and none of kNoGap or more lowers the
// result), so the search looks from the first word that reaches that far:
// with words laid out one after the other that is the last few, and a long
// paragraph costs no more per word than a short one.
class LaidOutWords {
public:
    void Add(const CCalligraphyWord& word) {
        const std::int64_t end = std::int64_t{word.m_x} + word.GetOutlineWidth();
        const std::int64_t reach = std::max(end, std::int64_t{word.m_x} - word.m_bounds.left);
        m_reach.push_back(reach);
        m_furthestEnd = std::max(m_furthestEnd, end);
        if (m_records.empty() || reach > m_reach[m_records.back()])
            m_records.push_back(m_reach.size() - 1);
    }

    // Where the next word starts its search: past every earlier word's end.
    std::int64_t FurthestEnd() const { return m_furthestEnd; }

    // Gives every earlier word that can lower the gap of `word`, in order,
    // to meet(index); stops when meet returns false.
    template <class Meet>
    void ForEachNear(const CCalligraphyWord& word, Meet meet) const {
        const std::int64_t threshold =
            std::int64_t{word.m_x} - kNoGap - (word.m_outline.empty() ? 0 : std::max<std::int32_t>(0, word.m_bounds.right));
        // The first word whose reach passes the threshold is a record of the
        // running maximum.
        const auto first = std::partition_point(m_records.begin(), m_records.end(),
                                                [&](std::size_t j) { return m_reach[j] <= threshold; });
        if (first == m_records.end())
            return;
        for (std::size_t j = *first; j < m_reach.size(); ++j)
            if (m_reach[j] > threshold && !meet(j))
                return;
    }

private:
    std::vector<std::int64_t> m_reach;    // per word: the larger of its end and its ink start
    std::vector<std::size_t> m_records;   // words whose reach exceeds every earlier word's
    std::int64_t m_furthestEnd = 0;
};

}  // namespace

// --- Word geometry ---------------------------------------------------------------

void CCalligraphyWord::BuildGeometry() { BuildGeometry(GetGlyphMetrics(), GetVectorPaths()); }

void CCalligraphyWord::BuildGeometry(const IGlyphMetrics& metrics, const IVectorPathSource& paths) {
    m_outline.clear();
    m_bounds = Rect();

    const CWordJoins joins(*this, metrics);
    std::vector<Point> outline;
    std::int64_t advances = 0;
    for (std::size_t i = 0; i < m_characters.size(); ++i) {
        const CCalligraphyCharacter& c = m_characters[i];
        const CPathData& path = paths.GetVectorPath(c.GetGlyph());
        const std::int64_t pen = advances - joins[i].dx;  // x grows rightward here
        const std::int64_t ty = std::int64_t{ToGlyphUnits(c.m_yOffset)} + joins[i].dy;
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
        advances -= metrics.GetReferenceAbc(c.GetGlyph()).Advance();
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
    const std::int64_t y = PlacedDrop(*this, CWordJoins(*this, metrics), static_cast<std::size_t>(i));
    const std::int32_t height = metrics.GetOutlineHeight(c.GetGlyph());
    // Tall strokes count at two thirds: a dot beside them may sit lower.
    const std::int64_t counted = HasTallStroke(c.m_code) ? MulDiv(height, 10, 15) : height;
    return Wrap32(counted - y);
}

void CCalligraphyWord::PlaceMarks(std::int32_t pointsAbove, std::int32_t pointsBelow, std::int32_t minWidth,
                                  const IGlyphMetrics& metrics) {
    const CWordJoins joins(*this, metrics);
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
        const std::int64_t y = PlacedDrop(*this, joins, i);
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
    const GapSearch search(*word, s);
    const std::size_t count = std::min(static_cast<std::size_t>(n), m_words.size());
    std::int64_t best = kNoGap;
    for (std::size_t j = 0; j < count; ++j) {
        if (&m_words[j] == word)
            continue;
        if (!search.Meet(*word, m_words[j], best))
            return s.targetDistance;
    }
    return Clamp32(best);
}

void CCalligraphyParagraph::SmartSpace(bool resetY, const SmartSpacingSettings& settings) {
    const SmartSpacingSettings s = Effective(settings);
    const std::int64_t target = s.targetDistance;
    const auto inBand = [&](std::int64_t gap) {
        return gap >= target - s.targetDistanceTolerance && gap <= target + s.targetDistanceTolerance;
    };
    LaidOutWords laidOut;

    for (std::size_t i = 0; i < m_words.size(); ++i) {
        CCalligraphyWord& word = m_words[i];
        // The marks are placed in the frame the word ends up in.
        if (resetY)
            word.m_y = 0;
        word.BuildGeometry(m_context.Metrics(), m_context.Outlines());
        word.PlaceMarks(s.pointsAbove, s.pointsBelow, s.pointsMinWidthToIgnoreAdjacent, m_context.Metrics());
        StaggerNeighbourDots(word, m_context.Metrics(), m_context.Outlines());
        AddMarkOutlines(word, m_context.Metrics(), m_context.Outlines());
        if (i == 0) {
            word.m_x = 0;
            laidOut.Add(word);
            continue;
        }

        word.m_x = Clamp32(laidOut.FurthestEnd());
        const GapSearch search(word, s);
        const auto measureGap = [&] {
            std::int64_t best = kNoGap;
            bool settled = false;
            laidOut.ForEachNear(word, [&](std::size_t j) {
                settled = !search.Meet(word, m_words[j], best);
                return !settled;
            });
            return settled ? std::int64_t{s.targetDistance} : std::int64_t{Clamp32(best)};
        };

        std::int64_t gap = kNoGap;
        std::int64_t swaps = 0;
        std::int64_t previousStep = 0;
        for (std::int32_t steps = 0; !inBand(gap) && steps < kMaxSearchSteps; ++steps) {
            gap = measureGap();
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
        laidOut.Add(word);
    }
}

}  // namespace kavitro
