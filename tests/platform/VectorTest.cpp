#include "platform/Vector.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/DcPath.h"

namespace kavitro {
namespace {

constexpr std::uint8_t M = PT_MOVETO, L = PT_LINETO, B = PT_BEZIERTO, C = PT_CLOSEFIGURE;

std::string Lines(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* line : lines) out += std::string(line) + "\r\n";
    return out;
}

// Measure pass, then write pass, as the export runs them.
void AddTwice(CVector& v, std::span<const std::uint8_t> types, std::span<const Point> points) {
    v.AddPath(0, 0, types, points, true);
    v.AddPath(0, 0, types, points, false);
}

// The same, unrotated about the origin at scale 1: 2160 units make one point.
void AddTwiceUnscaled(CVector& v, std::span<const std::uint8_t> types, std::span<const Point> points) {
    v.SetTransform(1.0, 0, {0, 0});
    AddTwice(v, types, points);
}

std::string LineStartingWith(const std::string& text, const std::string& prefix) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) return line;
    return {};
}

TEST(VectorTest, WorkedExampleGivesBodyAndBoxes) {
    CVector v;
    const std::uint8_t types[] = {M, L, L | C};
    const Point points[] = {{0, 0}, {2160, 0}, {0, 2160}};
    AddTwiceUnscaled(v, types, points);
    EXPECT_EQ(v.GetBody(), Lines({"*u", "0.00000000 0.00000000 m", "1.00000000 0.00000000 l",
                                  "0.00000000 1.00000000 l", "f", "*U"}));
    v.BuildHeaderAndTrailer();
    EXPECT_EQ(LineStartingWith(v.GetProlog(), "%%BoundingBox"), "%%BoundingBox: -5 -5 6 6\r");
    EXPECT_EQ(LineStartingWith(v.GetProlog(), "%%HiResBoundingBox"),
              "%%HiResBoundingBox: -5.00000000 -5.00000000 6.00000000 6.00000000\r");
    EXPECT_EQ(v.GetProlog().rfind("%!PS-Adobe-3.0 EPSF-3.0\r\n%%Creator: Kavitro 2\r\n%%CreationDate:(Unknown)\r\n", 0), 0u);
    // The prolog carries what the body uses, as a resource of the file's own,
    // and asks a reader for nothing.
    EXPECT_NE(v.GetProlog().find("%%DocumentSuppliedResources: procset Kavitro_AI3 1.0 0\r\n"), std::string::npos);
    EXPECT_NE(v.GetProlog().find("%%BeginProlog\r\n%%BeginResource: procset Kavitro_AI3 1.0 0\r\n"), std::string::npos);
    EXPECT_NE(v.GetProlog().find("%%EndResource\r\n%%EndProlog\r\n%%BeginSetup\r\n"), std::string::npos);
    EXPECT_EQ(v.GetProlog().find("%%IncludeResource"), std::string::npos);
    EXPECT_EQ(v.GetProlog().find("%%DocumentNeededResources"), std::string::npos);
    EXPECT_TRUE(v.GetProlog().ends_with("0 j\r\n0.2160 w\r\n"));
    EXPECT_EQ(v.GetTrailer().rfind("%%PageTrailer\r\ngsave annotatepage grestore showpage\r\n", 0), 0u);
    EXPECT_TRUE(v.GetTrailer().ends_with("Adobe_packedarray /terminate get exec\r\n%%EOF\r\n"));
    // Built again: one header and one trailer, the same bytes.
    const std::string once = v.GetContents();
    v.BuildHeaderAndTrailer();
    EXPECT_EQ(v.GetContents(), once);
}

TEST(VectorTest, CountersEndWithNAndOuterFiguresWithF) {
    struct Case {
        const char* name;
        Point second;  // first point of the second figure
        const char* secondEnd;
    };
    for (const Case c : {Case{"inside", {1080, 1080}, "n"}, Case{"on the edge", {0, 1080}, "f"},
                         Case{"outside", {4320, 1080}, "f"}}) {
        CVector v;
        const std::uint8_t types[] = {M, L, L, L | C, M, L | C};
        const Point points[] = {{0, 0}, {2160, 0}, {2160, 2160}, {0, 2160}, c.second, {c.second.x + 1, c.second.y}};
        AddTwiceUnscaled(v, types, points);
        const std::string& body = v.GetBody();
        // The first figure ends where the second begins.
        EXPECT_NE(body.find("l\r\nf\r\n"), std::string::npos) << c.name;
        EXPECT_TRUE(body.ends_with(std::string(" l\r\n") + c.secondEnd + "\r\n*U\r\n")) << c.name << "\n" << body;
    }
}

TEST(VectorTest, ShortAndBrokenPaths) {
    CVector v;
    v.SetTransform(2160.0, 0, {0, 0});  // one glyph unit per unit
    // One point: only its move line (relative to the box it made).
    const std::uint8_t one[] = {M};
    const Point onePoint[] = {{3, 4}};
    v.AddPath(1, 1, one, onePoint, false);
    EXPECT_EQ(v.GetBody(), Lines({"0.00000000 0.00000000 m"}));
    // A Bézier run cut short ends the figure; nothing past the array is read.
    CVector w;
    w.SetTransform(2160.0, 0, {0, 0});
    const std::uint8_t types[] = {M, B, B, B, B, B};
    const Point points[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};
    AddTwice(w, types, std::span(points));
    EXPECT_EQ(w.GetBody(), Lines({"*u", "0.00000000 0.00000000 m",
                                  "1.00000000 1.00000000 2.00000000 2.00000000 3.00000000 3.00000000 c", "f", "*U"}));
    // Arrays of different lengths: only the points both hold.
    CVector x;
    x.SetTransform(2160.0, 0, {0, 0});
    x.AddPath(0, 0, std::span(types).first(2), points, false);
    EXPECT_EQ(x.GetBody(), Lines({"*u", "0.00000000 0.00000000 m", "f", "*U"}));
}

TEST(VectorTest, EmptyWriterUsesTheInitialBox) {
    CVector v;
    v.BuildHeaderAndTrailer();
    EXPECT_EQ(LineStartingWith(v.GetProlog(), "%%BoundingBox"), "%%BoundingBox: -5 -5 -19999995 -19999995\r");
    EXPECT_TRUE(v.GetBody().empty());
}

TEST(VectorTest, RotationUsesTheDegreeTableForAnyAngle) {
    auto rotated = [](std::int32_t angle) {
        CVector v;
        v.SetTransform(2160.0, angle, {100, 0});
        const std::uint8_t types[] = {M, L};
        const Point points[] = {{200, 0}, {100, 50}};
        v.AddPath(0, 0, types, points, true);
        return std::array{v.GetMinX(), v.GetMaxX(), v.GetMinY(), v.GetMaxY()};
    };
    const auto quarter = rotated(90);
    // About (100, 0): (200, 0) lands near (100, -100), (100, 50) near (150, 0).
    EXPECT_NEAR(quarter[0], 100.0, 0.01);
    EXPECT_NEAR(quarter[1], 150.0, 0.01);
    EXPECT_NEAR(quarter[2], -100.0, 0.01);
    EXPECT_EQ(rotated(-270), quarter);
    EXPECT_EQ(rotated(450), quarter);
}

TEST(VectorTest, NumbersIgnoreADecimalCommaLocale) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kavitro-vector-locale";
    std::filesystem::create_directories(dir);
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef could not make a German locale";
    setenv("LOCPATH", dir.c_str(), 1);
    const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (set == nullptr) GTEST_SKIP() << "German locale not available";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");  // the locale is really in force
    CVector v;
    const std::uint8_t types[] = {M, L | C};
    const Point points[] = {{0, 0}, {1080, 3240}};
    AddTwiceUnscaled(v, types, points);
    v.BuildHeaderAndTrailer();
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    EXPECT_NE(v.GetBody().find("0.50000000 1.50000000 l"), std::string::npos) << v.GetBody();
    EXPECT_EQ(v.GetContents().find(','), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(VectorTest, SaveFileWritesThePartsInOrder) {
    CVector v;
    const std::uint8_t types[] = {M, L | C};
    const Point points[] = {{0, 0}, {2160, 2160}};
    AddTwiceUnscaled(v, types, points);
    v.BuildHeaderAndTrailer();
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "kavitro-vector-test.eps";
    ASSERT_TRUE(v.SaveFile(file));
    std::ifstream in(file, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved, v.GetProlog() + v.GetBody() + v.GetTrailer());
    ASSERT_TRUE(v.SaveFile(file));  // a second save gives the same bytes
    std::filesystem::remove(file);
    EXPECT_FALSE(v.SaveFile("/nonexistent-folder/x.eps"));
    EXPECT_EQ(v.GetClipboardFormat(), "");
    v.SetClipboardMode(CVector::kEncapsulatedPostScript);
    EXPECT_EQ(v.GetClipboardFormat(), "Encapsulated PostScript");
}

}  // namespace
}  // namespace kavitro
