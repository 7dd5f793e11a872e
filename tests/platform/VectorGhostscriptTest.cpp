// An EPS of real glyph outlines, read by an independent PostScript
// interpreter: it must render without error and put its ink inside the
// bounding box the header declares.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>

#include "engine/CalligraphyFont.h"
#include "platform/ErrorReport.h"
#include "platform/Vector.h"
#include "tests/support/GhostscriptProcsetStub.h"

namespace kavitro {
namespace {

struct Box {
    double llx, lly, urx, ury;
};

std::string RunCommand(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    status = pclose(pipe);
    return output;
}

bool FindBox(const std::string& text, const char* comment, Box& box) {
    const std::size_t at = text.find(std::string(comment) + ":");
    if (at == std::string::npos) return false;
    std::istringstream in(text.substr(at + std::string(comment).size() + 1));
    in.imbue(std::locale::classic());
    return static_cast<bool>(in >> box.llx >> box.lly >> box.urx >> box.ury);
}

TEST(VectorGhostscriptTest, GlyphOutlinesRenderInsideTheDeclaredBox) {
    RecordingErrorReport report;
    CCalligraphyFont font(&report);
    font.Init(KAVITRO_SHARE_DIR, 0);
    ASSERT_TRUE(report.Reports().empty());

    // A few glyphs with outlines, written like a text object: right to
    // left from the origin, the last one turned.
    std::vector<GlyphId> glyphs;
    for (unsigned index = 0x21; index < 256 && glyphs.size() < 4; ++index) {
        const GlyphId id = MakeGlyph(1 + glyphs.size() % 2, index);
        if (font.GetFontPath(id).GetPointCount() >= 4) glyphs.push_back(id);
    }
    ASSERT_EQ(glyphs.size(), 4u);

    CVector vector;
    const Point origin{-400, -300};
    for (const bool measure : {true, false}) {
        double x = origin.x;
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            const CPathData& path = font.GetFontPath(glyphs[i]);
            vector.SetTransform(144.0, i == 3 ? 30 : 0, origin);
            x -= 150;
            vector.AddPath(x, origin.y, path.GetTypes(), path.GetPoints(), measure);
        }
    }
    vector.BuildHeaderAndTrailer();

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kavitro-eps-gs";
    std::filesystem::create_directories(dir);
    const std::filesystem::path eps = dir / "glyphs.eps";
    const std::filesystem::path stub = dir / "procsets.ps";
    ASSERT_TRUE(vector.SaveFile(eps));
    std::ofstream(stub) << test::kGhostscriptProcsetStub;

    Box declared{};
    ASSERT_TRUE(FindBox(vector.GetProlog(), "%%HiResBoundingBox", declared));
    int status = 0;
    const std::string output = RunCommand("gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=bbox '" + stub.string() + "' '" +
                                              eps.string() + "' 2>&1",
                                          status);
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    Box ink{};
    ASSERT_TRUE(FindBox(output, "%%HiResBoundingBox", ink)) << output;
    EXPECT_GT(ink.urx - ink.llx, 100) << output;  // four glyphs' worth of ink
    EXPECT_GT(ink.ury - ink.lly, 10) << output;
    // The writer moves the picture's lower-left corner to (0, 0); the box
    // of the points also holds Bézier controls, so the ink may start a
    // little further in, never outside the margin.
    EXPECT_LT(ink.llx, 5) << output;
    EXPECT_LT(ink.lly, 5) << output;
    EXPECT_GE(ink.llx, declared.llx) << output;
    EXPECT_GE(ink.lly, declared.lly) << output;
    EXPECT_LE(ink.urx, declared.urx) << output;
    EXPECT_LE(ink.ury, declared.ury) << output;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavitro
