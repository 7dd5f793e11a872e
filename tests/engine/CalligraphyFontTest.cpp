#include "engine/CalligraphyFont.h"
#include "engine/CalligraphyEngine.h"
#include "engine/VectorPathFile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <memory>
#include <tuple>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ArtworkManifest.h"
#include "platform/ErrorReport.h"
#include "platform/Exceptions.h"
#include "platform/Geometry.h"

namespace kavitro {
namespace {

using test::ArtworkManifest;
using test::ManifestGlyph;

const std::filesystem::path kShare = KAVITRO_SHARE_DIR;

// One glyph-font object over the build's artwork, shared by the tests that
// only read it.
class GlyphFontTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_report = new RecordingErrorReport;
        s_font = new CCalligraphyFont(s_report);
        s_font->Init(kShare, 0);
    }
    static void TearDownTestSuite() {
        delete s_font;
        delete s_report;
    }
    static const CCalligraphyFont& Font() { return *s_font; }
    static const ArtworkManifest& Manifest() { return ArtworkManifest::Get(); }

    static RecordingErrorReport* s_report;
    static CCalligraphyFont* s_font;
};

RecordingErrorReport* GlyphFontTest::s_report = nullptr;
CCalligraphyFont* GlyphFontTest::s_font = nullptr;

GlyphAbc ExpectedAbc(const ManifestGlyph& g) {
    if (g.kind == "none" || g.kind == "blank") {
        return {0, 0, g.advance};
    }
    return {g.xMin, static_cast<std::uint32_t>(g.xMax - g.xMin), g.advance - g.xMax};
}

TEST_F(GlyphFontTest, LoadsTheGeneratedArtworkWithoutComplaint) {
    EXPECT_TRUE(s_report->Reports().empty());
    EXPECT_EQ(Font().GetFontCount(), 5);
    EXPECT_EQ(Font().GetGlyphsPerFont(), 256);
    for (int f = 1; f <= 5; ++f) {
        EXPECT_EQ(Font().GetFontFile(f), kShare / "fonts" / ("Vorl2" + std::to_string(f) + ".ttf"));
        const FontDescription& d = Font().GetFontDescription(f);
        EXPECT_EQ(d.faceName, "Vorl2" + std::to_string(f));
        EXPECT_EQ(d.charSet, 2);
        EXPECT_EQ(d.outPrecision, 7);
        EXPECT_EQ(d.weight, 400);
    }
    // The metrics pass leaves no font made and an empty size cache.
    for (int entry = 0; entry < CCalligraphyFont::kFontEntries; ++entry) {
        EXPECT_FALSE(Font().GetFont(entry).created) << entry;
    }
}

TEST_F(GlyphFontTest, ReferenceWidthsAreTheGlyphsAbcWidthsAt2880UnitsPerEm) {
    for (const ManifestGlyph& g : Manifest().Glyphs()) {
        const GlyphAbc abc = Font().GetReferenceAbc(MakeGlyph(g.font, g.index));
        const GlyphAbc want = ExpectedAbc(g);
        ASSERT_TRUE(abc.a == want.a && abc.b == want.b && abc.c == want.c)
            << g.font << "/" << g.index << ": " << abc.a << " " << abc.b << " " << abc.c;
    }
    // The tail glyphs reach beyond their advance: a negative C.
    EXPECT_LT(Font().GetReferenceAbc(MakeGlyph(1, 252)).c, 0);
    EXPECT_LT(Font().GetReferenceAbc(MakeGlyph(1, 181)).c, 0);
}

TEST_F(GlyphFontTest, LineMetricsAreSeventyAndEightyPercentOfTheLargestFontMetrics) {
    int ascent = 0;
    int descent = 0;
    for (int f = 1; f <= 5; ++f) {
        ascent = std::max(ascent, Manifest().Font(f).winAscent);
        descent = std::max(descent, Manifest().Font(f).winDescent);
    }
    EXPECT_EQ(Font().GetAscent(), MulDiv(ascent, 70, 100));
    EXPECT_EQ(Font().GetDescent(), MulDiv(descent, 80, 100));
    EXPECT_EQ(Font().GetLineHeight(), Font().GetAscent() + Font().GetDescent());
    EXPECT_EQ(Font().GetLogPixelsY(), 96);
}

TEST_F(GlyphFontTest, CapturedOutlinesReachAsHighAndAsDeepAsTheArtwork) {
    for (const ManifestGlyph& g : Manifest().Glyphs()) {
        const CPathData& path = Font().GetFontPath(MakeGlyph(g.font, g.index));
        if (g.index < 32) {
            // Never captured.
            ASSERT_TRUE(path.IsUnfilled()) << g.font << "/" << g.index;
            continue;
        }
        ASSERT_EQ(path.GetHeight(), g.height) << g.font << "/" << g.index;
        ASSERT_EQ(path.GetDepth(), g.depth) << g.font << "/" << g.index;
        ASSERT_EQ(Font().GetOutlineHeight(MakeGlyph(g.font, g.index)), g.height);
        if (g.kind == "blank") {
            ASSERT_EQ(path.GetPointCount(), 0) << g.font << "/" << g.index;
            ASSERT_EQ(path.GetSegmentCount(), 0);
        } else {
            ASSERT_GT(path.GetPointCount(), 0) << g.font << "/" << g.index;
        }
    }
    // Font 4's dots lie wholly above the baseline.
    EXPECT_EQ(Font().GetOutlineDepth(MakeGlyph(4, 35)), 0);
    EXPECT_GT(Font().GetOutlineHeight(MakeGlyph(4, 35)), 0);
}

// The one-dot mark 4/35: a round dot of four quadratic arcs, centre (120,
// 120), radius 80, advance 240. Each arc becomes a cubic with its controls
// two thirds of the way to the quadratic control; the glyph is drawn ending
// at x = 0, so x is shifted by the advance.
TEST_F(GlyphFontTest, QuadraticArcsBecomeCubicsWithControlsAtTwoThirds) {
    const CPathData& dot = Font().GetFontPath(MakeGlyph(4, 35));
    const std::vector<Point> want = {
        {-200, 120},                              // move to the left end
        {-200, 173}, {-173, 200}, {-120, 200},    // arc to the top
        {-67, 200},  {-40, 173},  {-40, 120},     // to the right end
        {-40, 67},   {-67, 40},   {-120, 40},     // to the bottom
        {-173, 40},  {-200, 67},  {-200, 120},    // back to the start
    };
    ASSERT_EQ(std::vector<Point>(dot.GetPoints().begin(), dot.GetPoints().end()), want);
    const std::vector<std::uint8_t> types = {6, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5};
    EXPECT_EQ(std::vector<std::uint8_t>(dot.GetTypes().begin(), dot.GetTypes().end()), types);
    EXPECT_EQ(dot.GetSegmentCount(), 5);
    EXPECT_EQ(dot.GetHeight(), 200);
    EXPECT_EQ(dot.GetDepth(), 0);
}

// Every glyph drawn with curves, against a plain conversion of the contours
// the generator drew: implied on-curve points between two off-curve points,
// controls at two thirds, a straight closing line left to the close flag.
TEST_F(GlyphFontTest, EveryCurvedGlyphCapturesAsTheContoursDescribe) {
    ASSERT_FALSE(Manifest().Outlines().empty());
    for (const auto& [key, contours] : Manifest().Outlines()) {
        const auto [font, index] = key;
        const int advance = Manifest().Glyph(font, index).advance;
        std::vector<Point> points;
        std::vector<std::uint8_t> types;
        for (auto contour : contours) {
            std::vector<test::ManifestPoint> full;
            for (std::size_t i = 0; i < contour.size(); ++i) {
                const auto& a = contour[i];
                const auto& b = contour[(i + 1) % contour.size()];
                full.push_back(a);
                if (!a.on && !b.on) {
                    full.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2, true});
                }
            }
            std::rotate(full.begin(), std::find_if(full.begin(), full.end(), [](auto& p) { return p.on; }), full.end());
            const auto at = [&](std::size_t i) { return full[i % full.size()]; };
            const auto add = [&](double x, double y, std::uint8_t t) {
                points.push_back({static_cast<std::int32_t>(std::lround(x)) - advance,
                                  static_cast<std::int32_t>(std::lround(y))});
                types.push_back(t);
            };
            add(full[0].x, full[0].y, 6);
            for (std::size_t i = 0; i < full.size();) {
                const auto p = at(i);
                const auto next = at(i + 1);
                if (next.on) {
                    if (i + 1 < full.size()) add(next.x, next.y, 2);
                    i += 1;
                } else {
                    const auto q = at(i + 2);
                    add(p.x + 2.0 * (next.x - p.x) / 3, p.y + 2.0 * (next.y - p.y) / 3, 4);
                    add(q.x + 2.0 * (next.x - q.x) / 3, q.y + 2.0 * (next.y - q.y) / 3, 4);
                    add(q.x, q.y, 4);
                    i += 2;
                }
            }
            types.back() |= 1;
        }
        const CPathData& path = Font().GetFontPath(MakeGlyph(font, index));
        ASSERT_EQ(std::vector<Point>(path.GetPoints().begin(), path.GetPoints().end()), points) << font << "/" << index;
        ASSERT_EQ(std::vector<std::uint8_t>(path.GetTypes().begin(), path.GetTypes().end()), types) << font << "/" << index;
    }
}

// Whether p lies on the side from a to b, to within the rounding of a cut.
bool OnSide(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length == 0) return std::hypot(p.x - a.x, p.y - a.y) <= 1;
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (length * length);
    const double off = std::abs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
    return t >= -0.01 && t <= 1.01 && off <= 1;
}

TEST_F(GlyphFontTest, VectorPathsArePolygonsOfTheGlyphs) {
    // Smart spacing measures from point to point: no side may be longer than
    // the vector-path tool's cut (48 glyph units, a rounding more here).
    constexpr double kLongestSide = 49.5;
    for (const ManifestGlyph& g : Manifest().Glyphs()) {
        const GlyphId id = MakeGlyph(g.font, g.index);
        const CPathData& polygon = Font().GetVectorPath(id);
        ASSERT_FALSE(polygon.IsUnfilled());
        const auto types = polygon.GetTypes();
        const auto points = polygon.GetPoints();
        for (std::size_t i = 0; i < types.size(); ++i) {
            ASSERT_TRUE(types[i] == 2 || types[i] == 3 || types[i] == 6) << g.font << "/" << g.index;
            if (types[i] != 6) {
                ASSERT_LE(std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y), kLongestSide)
                    << g.font << "/" << g.index << " point " << i;
            }
        }
        ASSERT_EQ(polygon.GetSegmentCount(), polygon.GetPointCount());
        if (g.index >= 32 && !g.curves) {
            // Nothing to flatten: the polygon is the captured outline with
            // its sides cut, every corner kept in order and every added
            // point on the side it cuts.
            const CPathData& outline = Font().GetFontPath(id);
            const auto corners = outline.GetPoints();
            std::size_t next = 0;
            for (const Point p : points) {
                if (next < corners.size() && p == corners[next]) {
                    ++next;
                } else {
                    ASSERT_GT(next, 0u) << g.font << "/" << g.index;
                    ASSERT_TRUE(OnSide(p, corners[next - 1], next < corners.size() ? corners[next] : corners[0]))
                        << g.font << "/" << g.index;
                }
            }
            ASSERT_EQ(next, corners.size()) << g.font << "/" << g.index;
            ASSERT_EQ(polygon.GetHeight(), outline.GetHeight());
            ASSERT_EQ(polygon.GetDepth(), outline.GetDepth());
        }
        ASSERT_EQ(polygon.GetPointCount() > 0, g.kind != "none" && g.kind != "blank") << g.font << "/" << g.index;
    }
}

TEST_F(GlyphFontTest, AnchorsComeFromTheAnchorTable) {
    for (const ManifestGlyph& g : Manifest().Glyphs()) {
        const GlyphId id = MakeGlyph(g.font, g.index);
        ASSERT_EQ(Font().GetAnchorY(id, false), g.aboveY) << g.font << "/" << g.index;
        ASSERT_EQ(Font().GetAnchorX(id, false), g.aboveX);
        ASSERT_EQ(Font().GetAnchorY(id, true), g.belowY);
        ASSERT_EQ(Font().GetAnchorX(id, true), g.belowX);
    }
}

TEST_F(GlyphFontTest, MarkAnchorIsTheAnchorMovedByTheMarksAdvance) {
    struct Case {
        GlyphId glyph;
        bool below;
        Point anchor;  // the table's entry
    };
    const Case cases[] = {
        {MakeGlyph(1, 33), false, {-1594, 1243}}, {MakeGlyph(1, 33), true, {-1467, -922}},
        {MakeGlyph(1, 133), false, {-380, 1385}}, {MakeGlyph(1, 133), true, {-429, -1836}},
        {MakeGlyph(1, 219), false, {-343, 1240}}, {MakeGlyph(1, 219), true, {-113, -1383}},
        {MakeGlyph(3, 78), false, {-1, 1043}},    {MakeGlyph(3, 78), true, {-1, -1}},
        {MakeGlyph(4, 91), false, {-481, -298}},  {MakeGlyph(4, 91), true, {-481, -298}},
    };
    const std::uint8_t mark = 36;
    const std::int32_t markAdvance = Manifest().Glyph(4, mark).advance;
    ASSERT_GT(markAdvance, 0);
    for (const Case& c : cases) {
        const Point p = Font().GetMarkAnchor(c.glyph, mark, c.below);
        EXPECT_EQ(p.y, c.anchor.y) << c.glyph;
        EXPECT_EQ(p.x, c.anchor.x + markAdvance) << c.glyph;
    }
    // Glyphs below the space have no anchors in any font.
    for (unsigned f = 1; f <= 5; ++f) {
        for (unsigned g = 0; g < 32; ++g) {
            EXPECT_EQ(Font().GetMarkAnchor(MakeGlyph(f, g), mark, false).y, -1);
            EXPECT_EQ(Font().GetMarkAnchor(MakeGlyph(f, g), mark, true).y, -1);
        }
    }
}

TEST_F(GlyphFontTest, IdsOutsideTheTablesReadAsEmptyGlyphs) {
    const GlyphId bad[] = {0, MakeGlyph(0, 40), MakeGlyph(6, 40), MakeGlyph(255, 40), 0x01000028u,
                           MakeGlyph(1, 256), 0xFFFFFFFFu};
    for (const GlyphId id : bad) {
        EXPECT_EQ(Font().GetReferenceAbc(id).Advance(), 0) << std::hex << id;
        EXPECT_EQ(Font().GetCurrentAbc(id).Advance(), 0);
        EXPECT_EQ(Font().GetAnchorY(id, false), -1);
        EXPECT_EQ(Font().GetAnchorY(id, true), -1);
        EXPECT_EQ(Font().GetFontPath(id).GetPointCount(), 0);
        EXPECT_EQ(Font().GetFontPath(id).GetHeight(), 0);
        EXPECT_EQ(Font().GetVectorPath(id).GetDepth(), 0);
        EXPECT_EQ(Font().GetMarkAnchor(id, 35, false).y, -1);
    }
    EXPECT_THROW((void)Font().GetFont(6), InvalidArgumentException);
    EXPECT_THROW((void)Font().GetFontDescription(0), InvalidArgumentException);
    EXPECT_EQ(Font().GetFace(6), nullptr);
}

TEST(GlyphFontInitTest, HandsTheModeToTheEngine) {
    CCalligraphyEngine& engine = CCalligraphyEngine::GetInstance();
    const std::int32_t before = engine.GetMode();
    RecordingErrorReport report;
    CCalligraphyFont font(&report);
    font.Init(kShare, 1);
    EXPECT_EQ(font.GetEngineMode(), 1);
    EXPECT_EQ(engine.GetMode(), 1);
    engine.SetMode(before);
}

TEST_F(GlyphFontTest, SecondInitIsRefused) {
    EXPECT_THROW(s_font->Init(kShare, 0), UserException);
}

// SelectSize needs an object of its own: it changes the current fonts.
class SelectSizeTest : public ::testing::Test {
protected:
    void SetUp() override { m_font.Init(kShare, 0); }

    std::vector<std::uint64_t> Serials() const {
        std::vector<std::uint64_t> s;
        for (int e = 0; e < CCalligraphyFont::kFontEntries; ++e) {
            s.push_back(m_font.GetFont(e).created ? m_font.GetFont(e).serial : 0);
        }
        return s;
    }

    RecordingErrorReport m_report;
    CCalligraphyFont m_font{&m_report};
    const int m_dc = 0;
    const int m_otherDc = 0;
};

TEST_F(SelectSizeTest, MakesFontsAtTheSizeInPixelsOf96Dpi) {
    m_font.SelectSize(&m_dc, 2160, 0, 100);
    for (int e = 0; e < 5; ++e) {
        const GlyphFontInstance& font = m_font.GetFont(e);
        ASSERT_TRUE(font.created);
        EXPECT_EQ(font.fontNumber, e + 1);
        EXPECT_EQ(font.description.height, -2880);
        EXPECT_EQ(font.pixelsPerEm, 2880);
        EXPECT_EQ(font.description.escapement, 0);
    }
    EXPECT_FALSE(m_font.GetFont(5).created);  // percent 100: dots use font 4
    // At the reference size the current widths are the reference widths.
    for (unsigned g = 0; g < 256; ++g) {
        ASSERT_EQ(m_font.GetCurrentAbc(MakeGlyph(2, g)).Advance(), m_font.GetReferenceAbc(MakeGlyph(2, g)).Advance());
    }

    m_font.SelectSize(&m_dc, 36, 45, 100);
    EXPECT_EQ(m_font.GetFont(0).description.height, -48);
    // The glyphs turn with their pen positions, which the degree table turns
    // by -45 degrees: an escapement of 315 degrees.
    EXPECT_EQ(m_font.GetFont(0).description.escapement, 3150);
    EXPECT_EQ(m_font.GetFont(0).description.orientation, 3150);
    // 48 pixels per em of 2880 units: every width scales by 1/60.
    const GlyphId wide = MakeGlyph(1, 33);  // advance 2000 units
    EXPECT_EQ(m_font.GetCurrentAbc(wide).Advance(), MulDiv(2000, 48, 2880));
    EXPECT_EQ(m_font.GetReferenceAbc(wide).Advance(), 2000);
}

TEST_F(SelectSizeTest, RebuildsOnlyWhatTheChangedArgumentsNeed) {
    m_font.SelectSize(&m_dc, 100, 0, 100);
    const auto first = Serials();
    EXPECT_EQ(std::count(first.begin(), first.end(), 0u), 1);  // only entry 5 is empty

    m_font.SelectSize(&m_dc, 100, 0, 100);
    EXPECT_EQ(Serials(), first) << "same arguments do nothing";

    m_font.SelectSize(&m_dc, 100, 0, 90);
    const auto withDots = Serials();
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 5, withDots.begin())) << "the five fonts stay";
    ASSERT_TRUE(m_font.GetFont(5).created);
    EXPECT_EQ(m_font.GetFont(5).fontNumber, 4);
    EXPECT_EQ(m_font.GetFont(5).description.height, -MulDiv(100, 90 * 96, 7200));

    m_font.SelectSize(&m_dc, 100, 0, 100);
    EXPECT_FALSE(m_font.GetFont(5).created);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 5, Serials().begin()));

    for (const auto& change : {std::make_tuple(&m_otherDc, 100, 0), std::make_tuple(&m_otherDc, 120, 0),
                               std::make_tuple(&m_otherDc, 120, 30)}) {
        const auto before = Serials();
        m_font.SelectSize(std::get<0>(change), std::get<1>(change), std::get<2>(change), 100);
        const auto after = Serials();
        for (int e = 0; e < 5; ++e) {
            EXPECT_GT(after[static_cast<std::size_t>(e)], before[static_cast<std::size_t>(e)]) << "a new surface, size or angle";
        }
    }
}

// A size whose pixel height is the most negative 32-bit value: the em
// height cannot be its negation, and making the fonts must not overflow.
TEST_F(SelectSizeTest, SizeAtTheEndOfTheIntegerRangeDoesNotOverflow) {
    constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
    const std::int32_t size = -1610612736;  // 96 / 72 of it is -2^31
    ASSERT_EQ(MulDiv(size, 96, 72), std::numeric_limits<std::int32_t>::min());
    m_font.SelectSize(&m_dc, size, 0, 100);
    EXPECT_EQ(m_font.GetFont(0).description.height, kMost);
    // The dot-mark font: 200 percent of this size is -2^31 pixels.
    const std::int32_t markSize = -805306368;
    ASSERT_EQ(MulDiv(markSize, 200 * 96, 7200), std::numeric_limits<std::int32_t>::min());
    m_font.SelectSize(&m_dc, markSize, 0, 200);
    EXPECT_EQ(m_font.GetFont(5).description.height, kMost);

    m_font.SelectSize(&m_dc, 2160, 0, 100);
    EXPECT_EQ(m_font.GetFont(0).description.height, -2880);
    EXPECT_TRUE(m_font.GetFont(0).created);
}

// A data folder made by the test from pieces of the build's artwork.
class ScratchFolder {
public:
    ScratchFolder() {
        m_path = std::filesystem::temp_directory_path() /
                 ("kavitro-font-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path / "fonts");
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& Path() const { return m_path; }
    void Copy(const std::filesystem::path& from, const std::filesystem::path& to) const {
        std::filesystem::copy_file(kShare / from, m_path / to);
    }
    // The build's glyph fonts of these numbers, each under its own name.
    void CopyFonts(std::initializer_list<int> fonts) const {
        for (const int f : fonts) {
            const std::string name = "fonts/Vorl2" + std::to_string(f) + ".ttf";
            Copy(name, name);
        }
    }

private:
    std::filesystem::path m_path;
};

TEST(GlyphFontFailureTest, MissingFontIsReportedAndNeverReplacedByAnother) {
    ScratchFolder folder;
    folder.Copy("MarkAnchors.bin", "MarkAnchors.bin");
    folder.Copy("VPFinfo.bin", "VPFinfo.bin");
    // A file named for font 1 that holds font 2; fonts 3 to 5 are where they belong.
    folder.Copy("fonts/Vorl22.ttf", "fonts/Vorl21.ttf");
    folder.CopyFonts({3, 4, 5});
    RecordingErrorReport report;
    CCalligraphyFont font(&report);
    font.Init(folder.Path(), 0);

    EXPECT_EQ(font.GetFace(1), nullptr);
    EXPECT_EQ(font.GetFontFile(2), folder.Path() / "fonts" / "Vorl21.ttf");
    EXPECT_EQ(font.GetFontFile(3), folder.Path() / "fonts" / "Vorl23.ttf");
    ASSERT_EQ(report.Reports().size(), 2u);
    EXPECT_EQ(report.Reports()[0].text, CCalligraphyFont::kFontInitializationError);
    EXPECT_EQ(report.Reports()[1].text, CCalligraphyFont::kPathInitializationError);

    // Font 1 has no widths and its outlines are empty with heights 0; the
    // capture stopped there, so the later fonts are empty too.
    EXPECT_EQ(font.GetReferenceAbc(MakeGlyph(1, 40)).Advance(), 0);
    EXPECT_EQ(font.GetReferenceAbc(MakeGlyph(2, 40)).Advance(), ArtworkManifest::Get().Glyph(2, 40).advance);
    for (const GlyphId id : {MakeGlyph(1, 40), MakeGlyph(3, 40), MakeGlyph(5, 255)}) {
        EXPECT_EQ(font.GetFontPath(id).GetPointCount(), 0);
        EXPECT_EQ(font.GetFontPath(id).GetHeight(), 0);
        EXPECT_EQ(font.GetFontPath(id).GetDepth(), 0);
    }
    EXPECT_TRUE(font.GetFontPath(MakeGlyph(2, 20)).IsUnfilled());
    font.SelectSize(&report, 100, 0, 100);
    EXPECT_FALSE(font.GetFont(0).created);
    EXPECT_TRUE(font.GetFont(1).created);
}

// A font missing after the first: the capture stops there, and that font's
// outlines as well as the later ones measure as nothing, never as the
// never-filled extremes.
TEST(GlyphFontFailureTest, CaptureStoppedByALaterFontLeavesThatFontEmpty) {
    ScratchFolder folder;
    folder.Copy("MarkAnchors.bin", "MarkAnchors.bin");
    folder.Copy("VPFinfo.bin", "VPFinfo.bin");
    folder.CopyFonts({1, 3, 4, 5});
    RecordingErrorReport report;
    CCalligraphyFont font(&report);
    font.Init(folder.Path(), 0);
    ASSERT_EQ(font.GetFace(2), nullptr);
    ASSERT_EQ(report.Reports().size(), 2u);
    EXPECT_EQ(report.Reports()[1].text, CCalligraphyFont::kPathInitializationError);

    // Font 1 was captured before the failure.
    EXPECT_EQ(font.GetOutlineHeight(MakeGlyph(1, 40)), ArtworkManifest::Get().Glyph(1, 40).height);
    for (unsigned f = 2; f <= 5; ++f) {
        for (unsigned g = 32; g < 256; ++g) {
            const CPathData& path = font.GetFontPath(MakeGlyph(f, g));
            ASSERT_FALSE(path.IsUnfilled()) << f << "/" << g;
            ASSERT_EQ(path.GetPointCount(), 0) << f << "/" << g;
            ASSERT_EQ(path.GetHeight(), 0) << f << "/" << g;
            ASSERT_EQ(path.GetDepth(), 0) << f << "/" << g;
        }
    }
}

TEST(GlyphFontFailureTest, MissingAnchorTableReadsAsNoAnchors) {
    ScratchFolder folder;
    folder.Copy("VPFinfo.bin", "VPFinfo.bin");
    folder.CopyFonts({1, 2, 3, 4, 5});
    RecordingErrorReport report;
    CCalligraphyFont font(&report);
    font.Init(folder.Path(), 0);
    ASSERT_EQ(report.Reports().size(), 1u);
    EXPECT_EQ(report.Reports()[0].text, CCalligraphyFont::kFontInitializationError);
    EXPECT_EQ(font.GetMarkAnchor(MakeGlyph(1, 33), 35, false).y, -1);
    EXPECT_GT(font.GetReferenceAbc(MakeGlyph(1, 33)).Advance(), 0);
}

// A FIFO where a data file belongs would block a reader that opens it before
// looking at it; start-up and the vector-path generator must go on instead.
TEST(GlyphFontFailureTest, FifosInPlaceOfDataFilesAreRefusedWithoutWaiting) {
    ScratchFolder folder;
    folder.Copy("VPFinfo.bin", "VPFinfo.bin");
    folder.CopyFonts({1, 2, 3, 4, 5});
    const std::filesystem::path anchors = folder.Path() / CCalligraphyFont::kAnchorFileName;
    const std::filesystem::path font = folder.Path() / "fonts" / "fifo.ttf";
    ASSERT_EQ(::mkfifo(anchors.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(font.c_str(), 0600), 0);

    RecordingErrorReport report;
    CCalligraphyFont glyphFont(&report);
    glyphFont.Init(folder.Path(), 0);
    ASSERT_EQ(report.Reports().size(), 1u);
    EXPECT_EQ(glyphFont.GetMarkAnchor(MakeGlyph(1, 33), 35, false).y, -1);
    EXPECT_NE(glyphFont.GetFace(1), nullptr);

    CFreeTypeLibrary library;
    EXPECT_THROW(CGlyphFace::OpenFile(library.Get(), font, "Vorl21"), UserException);
    EXPECT_THROW(CGlyphFace::OpenFile(library.Get(), folder.Path() / "fonts", "Vorl21"), UserException);
    std::ofstream(folder.Path() / "empty.ttf").flush();
    EXPECT_THROW(CGlyphFace::OpenFile(library.Get(), folder.Path() / "empty.ttf", "Vorl21"), UserException);
}

// The artwork of the build with a vector-path file of the test's making.
void PrepareWithVectorPaths(const ScratchFolder& folder, const std::vector<std::uint8_t>& file) {
    folder.Copy("MarkAnchors.bin", "MarkAnchors.bin");
    folder.CopyFonts({1, 2, 3, 4, 5});
    std::ofstream out(folder.Path() / "VPFinfo.bin", std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

std::vector<CPathData> BuildVectorPaths() {
    std::vector<CPathData> records(CVectorPathFile::kRecordCount);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto v = static_cast<std::int32_t>(i);
        PathBuffer square{{{-v - 10, 0}, {-v - 10, -v}, {-v, -v}, {-v, 0}}, {6, 2, 2, 3}};
        records[i].Capture(square);
    }
    return records;
}

TEST(GlyphFontVectorPathTest, ReadsTheFileInBothTitleForms) {
    const auto records = BuildVectorPaths();
    for (const auto form : {CVectorPathFile::TitleForm::EightBit, CVectorPathFile::TitleForm::Utf16}) {
        ScratchFolder folder;
        PrepareWithVectorPaths(folder, CVectorPathFile::Pack(CVectorPathFile::SerializeBody(records), form, 2));
        RecordingErrorReport report;
        CCalligraphyFont font(&report);
        font.Init(folder.Path(), 0);
        EXPECT_TRUE(report.Reports().empty());
        for (unsigned f = 1; f <= 5; ++f) {
            for (unsigned g = 0; g < 256; ++g) {
                ASSERT_EQ(font.GetVectorPath(MakeGlyph(f, g)), records[(f - 1) * 256 + g]);
            }
        }
    }
}

TEST(GlyphFontVectorPathTest, FailedLoadIsReportedOnceAndLeavesUnreadRecordsEmpty) {
    const auto records = BuildVectorPaths();
    const auto body = CVectorPathFile::SerializeBody(records);
    // Record 300 starts at 300 records of 16 + 4 * 9 bytes.
    const std::size_t cut = 300 * (16 + 4 * 9) + 20;
    std::vector<std::uint8_t> wrongCase = CVectorPathFile::Pack(body, CVectorPathFile::TitleForm::EightBit, 1);
    wrongCase[1 + 15] = 'p';  // "Kavitro Vector path Info"
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::size_t kept;
    } cases[] = {
        {"title in another case", wrongCase, 0},
        {"body cut inside record 300",
         CVectorPathFile::Pack(std::vector<std::uint8_t>(body.begin(), body.begin() + cut),
                               CVectorPathFile::TitleForm::Utf16, 1),
         300},
        {"packed bytes cut short",
         [&] {
             auto f = CVectorPathFile::Pack(body, CVectorPathFile::TitleForm::Utf16, 1);
             f.erase(f.begin() + static_cast<std::ptrdiff_t>(f.size() / 2), f.end());
             return f;
         }(),
         0},
    };
    for (const auto& c : cases) {
        ScratchFolder folder;
        PrepareWithVectorPaths(folder, c.file);
        RecordingErrorReport report;
        CCalligraphyFont font(&report);
        font.Init(folder.Path(), 0);
        ASSERT_EQ(report.Reports().size(), 1u) << c.name;
        EXPECT_EQ(report.Reports()[0].text, CCalligraphyFont::kFontInitializationError) << c.name;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const CPathData& loaded = font.GetVectorPath(MakeGlyph(static_cast<unsigned>(i / 256 + 1),
                                                                   static_cast<unsigned>(i % 256)));
            if (i < c.kept) {
                ASSERT_EQ(loaded, records[i]) << c.name << " " << i;
            } else {
                ASSERT_EQ(loaded.GetPointCount(), 0) << c.name << " " << i;
                ASSERT_EQ(loaded.GetHeight(), 0) << c.name << " " << i;
                ASSERT_EQ(loaded.GetDepth(), 0) << c.name << " " << i;
            }
        }
        // The rest of the glyph fonts loaded as usual.
        EXPECT_EQ(font.GetOutlineHeight(MakeGlyph(1, 40)), ArtworkManifest::Get().Glyph(1, 40).height);
    }
}

}  // namespace
}  // namespace kavitro
