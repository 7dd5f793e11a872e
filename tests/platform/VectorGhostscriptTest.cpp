// An EPS of real glyph outlines, read by an independent PostScript
// interpreter with nothing else: it must render without error, put its ink
// inside the bounding box the header declares and leave the interpreter's
// stacks as it found them.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>

#include "engine/CalligraphyFont.h"
#include "platform/DcPath.h"
#include "platform/ErrorReport.h"
#include "platform/Vector.h"

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
    ASSERT_TRUE(vector.SaveFile(eps));

    Box declared{};
    ASSERT_TRUE(FindBox(vector.GetProlog(), "%%HiResBoundingBox", declared));
    int status = 0;
    const std::string output = RunCommand("gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=bbox '" + eps.string() + "' 2>&1",
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

    // Placed inside another document, the file must leave the operand and
    // dictionary stacks as it found them. It is executed as a file object,
    // as a placing document does: ghostscript's own `run` would tidy up.
    const std::string stacks =
        RunCommand("gs -q -dSAFER --permit-file-read='" + dir.string() + "/' -dNOPAUSE -dBATCH -dNODISPLAY -c '" +
                       "countdictstack = (" + eps.string() + ") (r) file cvx exec countdictstack = count = quit' 2>&1",
                   status);
    ASSERT_EQ(status, 0) << stacks;
    std::istringstream depths(stacks);
    int dictsBefore = -1, dictsAfter = -2, operands = -1;
    ASSERT_TRUE(depths >> dictsBefore >> dictsAfter >> operands) << stacks;
    EXPECT_EQ(dictsAfter, dictsBefore) << stacks;
    EXPECT_EQ(operands, 0) << stacks;
    std::filesystem::remove_all(dir);
}

// One glyph of two figures, as the derived artwork has them: a second figure
// that starts inside the first is written as "inner", yet only where it runs
// against the first is it a counter. Painted with the nonzero rule, as the
// fonts are drawn on screen, pieces that overlap stay ink and only a
// reversed figure cuts a hole.
TEST(VectorGhostscriptTest, OverlapsStayInkAndOnlyReversedFiguresCutHoles) {
    constexpr std::uint8_t M = PT_MOVETO, L = PT_LINETO, LC = PT_LINETO | PT_CLOSEFIGURE;
    const struct {
        const char* name;
        std::array<Point, 4> second;  // a 20 x 20 square over the first's corner, or inside it
        bool inkInShared;
    } cases[] = {
        {"overlapping piece", {{{10, 10}, {30, 10}, {30, 30}, {10, 30}}}, true},
        {"counter", {{{5, 5}, {5, 15}, {15, 15}, {15, 5}}}, false},
    };
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kavitro-eps-fill";
    std::filesystem::create_directories(dir);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint8_t types[] = {M, L, L, LC, M, L, L, LC};
        const Point points[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}, c.second[0], c.second[1], c.second[2], c.second[3]};
        CVector vector;
        vector.SetTransform(2160.0, 0, {0, 0});  // one unit, one point
        for (const bool measure : {true, false}) vector.AddPath(0, 0, types, points, measure);
        ASSERT_NE(vector.GetBody().find("\r\nn\r\n*U"), std::string::npos) << vector.GetBody();
        vector.BuildHeaderAndTrailer();
        const std::filesystem::path eps = dir / "figures.eps", pgm = dir / "figures.pgm";
        ASSERT_TRUE(vector.SaveFile(eps));
        int status = 0;
        const std::string output = RunCommand("gs -q -dSAFER -dNOPAUSE -dBATCH -dEPSCrop -r72 -sDEVICE=pgmraw "
                                              "-sOutputFile='" + pgm.string() + "' '" + eps.string() + "' 2>&1",
                                              status);
        ASSERT_EQ(status, 0) << output;
        // A binary grey map (header numbers among "#" comment lines), one
        // byte a pixel, rows from the top; the picture starts 5 points left
        // of and below the figures.
        std::ifstream in(pgm, std::ios::binary);
        std::string magic;
        in >> magic;
        auto number = [&in] {
            int value = -1;
            for (in >> std::ws; in.peek() == '#'; in >> std::ws) in.ignore(1 << 16, '\n');
            in >> value;
            return value;
        };
        const int width = number(), height = number(), maxValue = number();
        in.get();
        ASSERT_EQ(magic, "P5");
        ASSERT_EQ(maxValue, 255);
        ASSERT_GE(width, 30);  // the figures and the margin of 5 on each side
        ASSERT_GE(height, 30);
        std::string pixels(static_cast<std::size_t>(width) * height, '\0');
        ASSERT_TRUE(in.read(pixels.data(), static_cast<std::streamsize>(pixels.size())));
        auto inkAt = [&](int x, int y) {
            return static_cast<unsigned char>(pixels[static_cast<std::size_t>((height - 1 - (y + 5)) * width + x + 5)]) < 128;
        };
        EXPECT_TRUE(inkAt(2, 2));                  // the first figure alone
        EXPECT_EQ(inkAt(12, 12), c.inkInShared);   // where both figures lie
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavitro
