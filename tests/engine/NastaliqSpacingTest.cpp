// Smart spacing over the derived Nastaliq artwork: after spacing, the ink of
// no word touches the ink of a word before it. The spacing measures from
// point to point of the vector paths, so this holds only while their points
// lie close enough along every side.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

#include "engine/CalligraphyFont.h"
#include "engine/CalligraphyText.h"
#include "platform/ErrorReport.h"

namespace kavitro {
namespace {

struct Side {
    double ax, ay, bx, by;
};

// The word's polygon sides on the line: x grows to the right from the
// paragraph's right end, y upward, glyph units.
std::vector<Side> InkOf(const CCalligraphyWord& word, const CCalligraphyFont& fonts) {
    std::vector<Side> sides;
    std::int64_t pen = -std::int64_t{word.m_x};
    const double wordY = std::int64_t{word.m_y} * 2160.0 / 750.0;
    for (const CCalligraphyCharacter& c : word.m_characters) {
        const CPathData& path = fonts.GetVectorPath(c.GetGlyph());
        const auto types = path.GetTypes();
        const auto points = path.GetPoints();
        const double y = -(wordY + c.m_yOffset * 2160.0 / 750.0);
        std::size_t start = 0;
        for (std::size_t k = 1; k <= points.size(); ++k) {
            // A figure ends where the next begins or the path ends; a closed
            // one also has its closing side.
            if (k == points.size() || types[k] == PathPoint::MoveTo) {
                for (std::size_t i = start; i + 1 < k; ++i)
                    sides.push_back({points[i].x + double(pen), points[i].y + y, points[i + 1].x + double(pen),
                                     points[i + 1].y + y});
                if (k > start + 2 && (types[k - 1] & PathPoint::CloseFigure))
                    sides.push_back({points[k - 1].x + double(pen), points[k - 1].y + y, points[start].x + double(pen),
                                     points[start].y + y});
                start = k;
            }
        }
        pen -= fonts.GetReferenceAbc(c.GetGlyph()).Advance();
    }
    return sides;
}

double PointToSide(double px, double py, const Side& s) {
    const double dx = s.bx - s.ax, dy = s.by - s.ay;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 == 0 ? 0 : std::clamp(((px - s.ax) * dx + (py - s.ay) * dy) / length2, 0.0, 1.0);
    return std::hypot(px - (s.ax + t * dx), py - (s.ay + t * dy));
}

bool Cross(const Side& p, const Side& q) {
    const auto orient = [](double ax, double ay, double bx, double by, double cx, double cy) {
        const double v = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
        return (v > 0) - (v < 0);
    };
    return orient(p.ax, p.ay, p.bx, p.by, q.ax, q.ay) * orient(p.ax, p.ay, p.bx, p.by, q.bx, q.by) < 0 &&
           orient(q.ax, q.ay, q.bx, q.by, p.ax, p.ay) * orient(q.ax, q.ay, q.bx, q.by, p.bx, p.by) < 0;
}

// The true distance between two words' ink outlines, 0 where they cross.
double InkDistance(const std::vector<Side>& a, const std::vector<Side>& b) {
    double best = std::numeric_limits<double>::max();
    for (const Side& p : a)
        for (const Side& q : b) {
            if (Cross(p, q))
                return 0;
            best = std::min({best, PointToSide(p.ax, p.ay, q), PointToSide(p.bx, p.by, q), PointToSide(q.ax, q.ay, p),
                             PointToSide(q.bx, q.by, p)});
        }
    return best;
}

TEST(NastaliqSmartSpacing, WordsKeepTheirInkApart) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    RecordingErrorReport quiet;
    fonts.SetErrorReport(&quiet);
    fonts.Init(KAVITRO_NASTALIQ_DIR, 0);
    fonts.SetErrorReport(nullptr);
    ASSERT_FALSE(fonts.GetVectorPath(MakeGlyph(1, 82)).GetPoints().empty());
    const std::u16string_view lines[] = {
        u"سلام دنیا کاویترو",
        u"بشنو این نی چون شکایت می کند",
        u"از جدایی ها حکایت می کند",
        u"زبان فارسی یکی از زبانهای کهن جهان است",
    };
    const SmartSpacingSettings settings;
    for (std::size_t n = 0; n < std::size(lines); ++n) {
        const std::u16string_view line = lines[n];
        CCalligraphyParagraph paragraph;
        std::int32_t caret = 0;
        for (const char16_t code : line)
            paragraph.InsertCharacter(caret, code);
        paragraph.SmartSpace(true, settings);
        const CWordArray& words = paragraph.m_words;
        std::vector<std::vector<Side>> ink;
        for (const CCalligraphyWord& w : words)
            ink.push_back(InkOf(w, fonts));
        for (std::size_t j = 1; j < words.size(); ++j)
            for (std::size_t i = 0; i < j; ++i) {
                if (ink[i].empty() || ink[j].empty())
                    continue;
                // Spacing stops within its tolerance of the target distance,
                // measured between points no more than a short side apart:
                // the true distance between the outlines falls short of the
                // measured one by a few units only.
                EXPECT_GE(InkDistance(ink[i], ink[j]),
                          settings.targetDistance - settings.targetDistanceTolerance - 10)
                    << "line " << n << ", words " << i << " and " << j;
            }
    }
}

}  // namespace
}  // namespace kavitro
