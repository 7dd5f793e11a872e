// Makes the vector-path file from the generated glyph fonts: every glyph's
// outline, captured as the engine captures it, with its Béziers flattened
// into straight lines, packed into VPFinfo.bin.
//
// usage: make_vector_paths SHARE_DIR

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

constexpr int kStepsPerBezier = 4;
constexpr std::uint8_t kLevel = 1;

std::int32_t Round(double v) {
    return static_cast<std::int32_t>(std::lround(v));
}

// The captured outline (y up) as a polygon path in device coordinates (y
// down), ready to be captured again so that counts and heights follow.
PathBuffer Flatten(const CPathData& outline) {
    PathBuffer out;
    const auto points = outline.GetPoints();
    const auto types = outline.GetTypes();
    const auto add = [&](double x, double y, std::uint8_t type) {
        out.points.push_back({Round(x), -Round(y)});
        out.types.push_back(type);
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
        if ((types[i] & ~PathPoint::CloseFigure) != PathPoint::BezierTo) {
            add(points[i].x, points[i].y, types[i]);
            continue;
        }
        const Point p0 = points[i - 1];
        const Point c1 = points[i];
        const Point c2 = points[i + 1];
        const Point p3 = points[i + 2];
        const std::uint8_t endClose = types[i + 2] & PathPoint::CloseFigure;
        for (int s = 1; s <= kStepsPerBezier; ++s) {
            const double t = static_cast<double>(s) / kStepsPerBezier;
            const double u = 1 - t;
            const double x = u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x;
            const double y = u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y;
            add(x, y, s == kStepsPerBezier ? static_cast<std::uint8_t>(PathPoint::LineTo | endClose) : PathPoint::LineTo);
        }
        i += 2;
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
