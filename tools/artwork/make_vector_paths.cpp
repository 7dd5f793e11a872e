// Makes the vector-path file from the generated glyph fonts: every glyph's
// outline, captured as the engine captures it, with its Béziers flattened
// into straight lines, packed into VPFinfo.bin.
//
// The polygons are the fonts' outlines to within a glyph unit or two, and
// no side is longer than kMaxSide: smart spacing measures the distance
// between two words from point to point, so a long straight side with
// points only at its ends would let another word come closer than the
// measured distance, up to overlapping it.
//
// usage: make_vector_paths SHARE_DIR

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/CalligraphyFont.h"
#include "engine/GlyphFace.h"
#include "engine/PathData.h"
#include "engine/VectorPathFile.h"

namespace {

using namespace kavitro;

constexpr double kTolerance = 1.5;  // glyph units a flattened curve may stray from the outline
constexpr double kMaxSide = 48;     // glyph units: well below smart spacing's 250 target
constexpr std::uint8_t kLevel = 1;

std::int32_t Round(double v) {
    return static_cast<std::int32_t>(std::lround(v));
}

// How many equal parts a side from a to b needs so that none is longer
// than kMaxSide.
int PartsOf(Point a, double bx, double by) {
    const double length = std::hypot(bx - a.x, by - a.y);
    return std::max(1, static_cast<int>(std::ceil(length / kMaxSide)));
}

// How many steps flatten a cubic to within kTolerance: a chord strays from
// the curve by at most 1/8 of the largest second derivative times the square
// of its step, and that derivative is at most 6 times the largest second
// difference of the control points.
int StepsOf(Point p0, Point c1, Point c2, Point p3) {
    const double ax = p0.x - 2.0 * c1.x + c2.x, ay = p0.y - 2.0 * c1.y + c2.y;
    const double bx = c1.x - 2.0 * c2.x + p3.x, by = c1.y - 2.0 * c2.y + p3.y;
    const double d = 6.0 * std::max(std::hypot(ax, ay), std::hypot(bx, by));
    return std::max(1, static_cast<int>(std::ceil(std::sqrt(d / (8.0 * kTolerance)))));
}

// The captured outline (y up) as a polygon path in device coordinates (y
// down), ready to be captured again so that counts and heights follow.
PathBuffer Flatten(const CPathData& outline) {
    PathBuffer out;
    const auto points = outline.GetPoints();
    const auto types = outline.GetTypes();
    Point last{};
    const auto add = [&](double x, double y, std::uint8_t type) {
        out.points.push_back({Round(x), -Round(y)});
        out.types.push_back(type);
        last = {Round(x), Round(y)};
    };
    // A straight side to (x, y), cut where it is longer than kMaxSide.
    const auto side = [&](double x, double y, std::uint8_t type) {
        const Point from = last;
        const int parts = PartsOf(from, x, y);
        for (int s = 1; s < parts; ++s) {
            const double t = static_cast<double>(s) / parts;
            add(from.x + t * (x - from.x), from.y + t * (y - from.y), PathPoint::LineTo);
        }
        add(x, y, type);
    };
    Point start{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::uint8_t type = types[i];
        const std::uint8_t close = type & PathPoint::CloseFigure;
        if (type == PathPoint::MoveTo) {
            add(points[i].x, points[i].y, type);
            start = points[i];
            continue;
        }
        if ((type & ~PathPoint::CloseFigure) != PathPoint::BezierTo) {
            side(points[i].x, points[i].y, static_cast<std::uint8_t>(type & ~PathPoint::CloseFigure));
        } else {
            const Point p0 = last;
            const Point c1 = points[i];
            const Point c2 = points[i + 1];
            const Point p3 = points[i + 2];
            const int steps = StepsOf(p0, c1, c2, p3);
            for (int s = 1; s <= steps; ++s) {
                const double t = static_cast<double>(s) / steps;
                const double u = 1 - t;
                const double x = u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x;
                const double y = u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y;
                side(x, y, PathPoint::LineTo);
            }
            i += 2;
        }
        if (close) {
            // The closing side back to the figure's start is drawn, not
            // listed: cut it too, then mark the figure closed.
            if (last.x != start.x || last.y != start.y) {
                side(start.x, start.y, PathPoint::LineTo);
            }
            out.types.back() |= PathPoint::CloseFigure;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_vector_paths SHARE_DIR\n");
        return 2;
    }
    const std::filesystem::path share = argv[1];
    try {
        CFreeTypeLibrary library;
        std::vector<CPathData> records(CVectorPathFile::kRecordCount);
        for (CPathData& r : records) {
            r.MakeEmpty();
        }
        const std::int32_t pixelsPerEm =
            MulDiv(CCalligraphyFont::kReferenceSize, CCalligraphyFont::kLogPixelsY, 72);
        for (int f = 1; f <= CCalligraphyFont::kFontCount; ++f) {
            const auto face = CGlyphFace::OpenFile(library.Get(),
                                                   share / CCalligraphyFont::kFontsFolderName /
                                                       ("Vorl2" + std::to_string(f) + ".ttf"),
                                                   "Vorl2" + std::to_string(f));
            for (int g = 32; g < CCalligraphyFont::kGlyphsPerFont; ++g) {
                CPathData outline;
                outline.Capture(face->GetGlyphPath(g, pixelsPerEm));
                records[static_cast<std::size_t>((f - 1) * CCalligraphyFont::kGlyphsPerFont + g)].Capture(
                    Flatten(outline));
            }
        }
        const auto bytes = CVectorPathFile::Pack(CVectorPathFile::SerializeBody(records),
                                                 CVectorPathFile::TitleForm::Utf16, kLevel);
        const std::filesystem::path target = share / CVectorPathFile::kFileName;
        const std::filesystem::path temporary = target.string() + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
            if (!out) {
                throw std::runtime_error("cannot write " + temporary.string());
            }
        }
        std::filesystem::rename(temporary, target);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_vector_paths: %s\n", e.what());
        return 1;
    }
    return 0;
}
