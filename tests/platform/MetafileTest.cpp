// The metafile recorders, parser and player: the shared scene recorded into
// EMF and WMF plays back call for call; header fields match the bytes; the
// system's converters (emf2svg, libwmf) read what we write; the parser
// refuses broken framing and drops records that point outside themselves or
// at missing objects; 16-bit overflow in WMF scales instead of wrapping.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include <stdlib.h>

#include "platform/AtomicFile.h"
#include "platform/EmfRecorder.h"
#include "platform/LittleEndian.h"
#include "platform/Metafile.h"
#include "platform/MetafileFormat.h"
#include "platform/MetafilePlayer.h"
#include "platform/SpyDC.h"
#include "platform/WmfRecorder.h"
#include "tests/platform/DcScene.h"
#include "tests/support/EmfBuilder.h"

namespace kavitro {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The shared scene, then a clip (the context keeps it in device units; the
// metafile gets it back in logical units) and a line under it.
void DrawSceneAndClip(CDC& dc) {
    scene::Draw(dc, 0x41);
    dc.IntersectClipRect(Rect(105, -95, 1333, -1777));
    dc.MoveTo({0, 0});
    dc.LineTo({2000, -2000});
}

Bytes RecordSceneEmf() {
    CEmfRecorder emf;
    emf.SetDescription(u"Kavitro Export");
    DrawSceneAndClip(emf);
    return emf.Close();
}

Bytes RecordSceneWmf() {
    CWmfRecorder wmf;
    DrawSceneAndClip(wmf);
    return wmf.Close();
}

std::vector<std::string> PlayAsRecorded(const Bytes& bytes) {
    const auto mf = ParseMetafile(bytes);
    EXPECT_TRUE(mf.has_value());
    if (!mf) return {};
    EXPECT_EQ(mf->skippedRecords, 0u);
    CSpyDC spy;
    PlayMetafileAsRecorded(spy, *mf);
    return spy.Calls();
}

// Walks an EMF's records as a reader would, checking the framing and the
// header's counts against the bytes.
void CheckEmfFraming(const Bytes& bytes) {
    LeReader h(bytes);
    ASSERT_EQ(h.U32(), emr::kHeader);
    const std::uint32_t headerSize = h.U32();
    h.Seek(48);
    const std::uint32_t nBytes = h.U32();
    const std::uint32_t nRecords = h.U32();
    const std::uint16_t nHandles = h.U16();
    EXPECT_EQ(nBytes, bytes.size());
    EXPECT_EQ(headerSize % 4, 0u);
    std::size_t pos = 0;
    std::uint32_t records = 0, lastType = 0;
    std::uint32_t highestSlot = 0;
    while (pos < bytes.size()) {
        LeReader r(bytes, pos);
        lastType = r.U32();
        const std::uint32_t size = r.U32();
        ASSERT_TRUE(r.Ok());
        ASSERT_GE(size, 8u);
        ASSERT_EQ(size % 4, 0u) << "record " << records << " of type " << lastType;
        ASSERT_LE(size, bytes.size() - pos);
        if (lastType == emr::kCreatePen || lastType == emr::kCreateBrushIndirect ||
            lastType == emr::kExtCreateFontIndirectW)
            highestSlot = std::max(highestSlot, r.U32());
        pos += size;
        ++records;
    }
    EXPECT_EQ(records, nRecords);
    EXPECT_EQ(lastType, emr::kEof);
    EXPECT_EQ(nHandles, highestSlot + 1);
}

void CheckWmfFraming(const Bytes& bytes) {
    LeReader h(bytes);
    EXPECT_EQ(h.U16(), 1);
    EXPECT_EQ(h.U16(), 9);
    EXPECT_EQ(h.U16(), wmf::kVersion);
    const std::uint32_t mtSize = h.U32();
    const std::uint16_t mtNoObjects = h.U16();
    const std::uint32_t mtMaxRecord = h.U32();
    EXPECT_EQ(static_cast<std::size_t>(mtSize) * 2, bytes.size());
    std::size_t pos = wmf::kHeaderSize;
    std::uint32_t largest = 0;
    std::uint16_t lastFunction = 0xFFFF;
    std::set<std::uint16_t> alive;
    std::size_t mostAlive = 0;
    while (pos < bytes.size()) {
        LeReader r(bytes, pos);
        const std::uint32_t words = r.U32();
        lastFunction = r.U16();
        ASSERT_TRUE(r.Ok());
        ASSERT_GE(words, 3u);
        ASSERT_LE(words * 2, bytes.size() - pos);
        largest = std::max(largest, words);
        if (lastFunction == wmf::kCreatePenIndirect || lastFunction == wmf::kCreateBrushIndirect ||
            lastFunction == wmf::kCreateFontIndirect) {
            std::uint16_t slot = 0;
            while (alive.count(slot)) ++slot;
            alive.insert(slot);
            mostAlive = std::max(mostAlive, alive.size());
        } else if (lastFunction == wmf::kDeleteObject) {
            alive.erase(r.U16());
        }
        pos += words * 2;
    }
    EXPECT_EQ(lastFunction, wmf::kEof);
    EXPECT_EQ(mtMaxRecord, largest);
    EXPECT_EQ(mtNoObjects, mostAlive);
}

// What a Windows metafile cannot carry: stock objects (recorded as objects
// of their own) and wide text (one byte per glyph).
std::vector<std::string> AsWmfCarriesThem(std::vector<std::string> calls) {
    for (auto& line : calls) {
        if (const auto at = line.find(" stock="); at != std::string::npos) line.erase(at);
        if (line.rfind("ExtTextOut ", 0) == 0) {
            line = "ExtTextOutA " + line.substr(11);
            for (std::size_t at; (at = line.find(" U+F0")) != std::string::npos;)
                line.replace(at, 5, " 0x");
        }
    }
    return calls;
}

TEST(MetafileRecorderTest, SceneRecordedAsEmfPlaysBackWithTheSameCalls) {
    CSpyDC spy;
    DrawSceneAndClip(spy);
    const Bytes emf = RecordSceneEmf();
    CheckEmfFraming(emf);
    EXPECT_EQ(PlayAsRecorded(emf), spy.Calls());

    const auto mf = ParseMetafile(emf);
    ASSERT_TRUE(mf);
    EXPECT_EQ(mf->description, std::u16string(u"Kavitro Export\0\0", 16));
    // Device bounds of what was drawn: the scene spans the 200-pixel device.
    EXPECT_GE(mf->bounds.left, 0);
    EXPECT_LE(mf->bounds.right, 200);
    EXPECT_GT(mf->bounds.right, 150);
}

// A page as the export records it, in the document's 0.01 mm: the mode's
// scale is also written as extents (readers that take the scale from those
// records alone draw the page at its size; players ignore them in a fixed
// mode), and the header's bounds stay inside the frame although a text's
// box is only estimated from its font height.
TEST(MetafileRecorderTest, FixedModePageCarriesItsScaleAndStaysInItsFrame) {
    auto draw = [](CDC& dc) {
        dc.SetMapMode(MM_HIMETRIC);
        dc.SetWindowOrg({0, 1270});
        dc.SelectFont(MakeFont(scene::GlyphFont(1200)));
        dc.ExtTextOut(5000, 100, 0, nullptr, u"\uF041");
    };
    CEmfRecorder emf;
    emf.SetFrame(Rect(0, 0, 5080, 1270));  // 192 x 48 pixels of the reference device
    draw(emf);
    const Bytes bytes = emf.Close();
    CheckEmfFraming(bytes);
    const auto mf = ParseMetafile(bytes);
    ASSERT_TRUE(mf);

    std::vector<std::array<std::int32_t, 3>> mapping;
    for (const MetaRecord& r : mf->records)
        if (r.op == MetaOp::SetMapMode || r.op == MetaOp::SetWindowExt || r.op == MetaOp::SetViewportExt)
            mapping.push_back({static_cast<std::int32_t>(r.op), r.v[0], r.v[1]});
    const std::vector<std::array<std::int32_t, 3>> expected = {
        {static_cast<std::int32_t>(MetaOp::SetMapMode), MM_HIMETRIC, 0},
        {static_cast<std::int32_t>(MetaOp::SetWindowExt), 2540, 2540},
        {static_cast<std::int32_t>(MetaOp::SetViewportExt), 96, -96}};
    EXPECT_EQ(mapping, expected);

    EXPECT_GE(mf->bounds.left, 0);
    EXPECT_GE(mf->bounds.top, 0);
    EXPECT_LE(mf->bounds.right, 192);
    EXPECT_LE(mf->bounds.bottom, 48);
    EXPECT_GT(mf->bounds.right, 150);  // the text's box still counts

    // Played back, the extents change nothing.
    CSpyDC spy;
    draw(spy);
    EXPECT_EQ(PlayAsRecorded(bytes), spy.Calls());
}

TEST(MetafileRecorderTest, SceneRecordedAsWmfPlaysBackWithTheSameCalls) {
    CSpyDC spy;
    DrawSceneAndClip(spy);
    CWmfRecorder recorder;
    DrawSceneAndClip(recorder);
    const Bytes wmf = recorder.Close();
    EXPECT_EQ(recorder.GetShift(), 0);
    CheckWmfFraming(wmf);
    EXPECT_EQ(AsWmfCarriesThem(PlayAsRecorded(wmf)), AsWmfCarriesThem(spy.Calls()));
}

// The same calls recorded as EMF and as WMF: each framed as its format
// requires, then parsed.
std::vector<Metafile> RecordedInBoth(const std::function<void(CDC&)>& draw) {
    CEmfRecorder emf;
    CWmfRecorder wmf;
    draw(emf);
    draw(wmf);
    const Bytes emfBytes = emf.Close();
    const Bytes wmfBytes = wmf.Close();
    CheckEmfFraming(emfBytes);
    CheckWmfFraming(wmfBytes);
    std::vector<Metafile> parsed;
    for (const Bytes* bytes : {&emfBytes, &wmfBytes}) {
        auto mf = ParseMetafile(*bytes);
        EXPECT_TRUE(mf);
        if (mf) parsed.push_back(std::move(*mf));
    }
    return parsed;
}

TEST(MetafileRecorderTest, RepeatedSelectionsReuseTheirObjects) {
    // A page of glyphs selects the same five fonts over and over.
    const std::vector<Metafile> both = RecordedInBoth([](CDC& dc) {
        for (int i = 0; i < 500; ++i) {
            LogFont font = scene::GlyphFont(400);
            font.faceName = "Vorl2" + std::to_string(1 + i % 5);
            dc.SelectFont(MakeFont(font));
            dc.ExtTextOut(10 * i, 0, 0, nullptr, std::u16string(1, static_cast<char16_t>(kGlyphFontBase + i % 200)));
        }
    });
    ASSERT_EQ(both.size(), 2u);
    for (const Metafile& mf : both) {
        EXPECT_EQ(mf.objects.size(), 5u);
        EXPECT_EQ(std::count_if(mf.records.begin(), mf.records.end(),
                                [](const MetaRecord& r) { return r.op == MetaOp::TextOut; }),
                  500);
    }
}

TEST(MetafileRecorderTest, ObjectsBeyondTheTableAreDeletedUnlessHeld) {
    // 200 distinct pens with a saved state holding the first: the table stays
    // bounded, the held pen is never deleted, and playback selects each pen.
    const std::vector<Metafile> both = RecordedInBoth([](CDC& dc) {
        dc.SelectPen(MakePen({PS_SOLID, {1, 1}, 1}));
        dc.SaveDC();
        for (int i = 2; i < 200; ++i) {
            dc.SelectPen(MakePen({PS_SOLID, {1, 1}, static_cast<COLORREF>(i)}));
            dc.LineTo({i, i});
        }
        dc.RestoreDC(-1);
        dc.LineTo({5, 5});
    });
    ASSERT_EQ(both.size(), 2u);
    for (const Metafile& mf : both) {
        EXPECT_EQ(mf.skippedRecords, 0u);
        EXPECT_LE(mf.handleCount, 65u);
        CSpyDC spy;
        PlayMetafileAsRecorded(spy, mf);
        const auto& calls = spy.Calls();
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls[calls.size() - 2], "RestoreDC -1");
        // The saved state holds the position too.
        EXPECT_EQ(calls.back(), "LineTo 0,0->5,5");
        // The restored pen is the first one, still alive in the metafile.
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "SelectPen style=0 width=1,1 color=0x000001"), 1);
    }
}

struct ShiftCase {
    Rect box;  // the page in document units
    int shift;
    Size window;
};

TEST(MetafileRecorderTest, WmfThatDoesNotFitIn16BitsIsScaledByAPowerOfTwo) {
    // As the renderer sets the metafile up: window extent (|w|, -|h|),
    // viewport extent the size shifted right until it fits.
    const ShiftCase cases[] = {
        {Rect(-40000, -20000, 0, 0), 1, {20000, -10000}},
        {Rect(-70000, -1000, 0, 0), 2, {17500, -250}},
        {Rect(-30000, -20000, 0, 0), 0, {30000, -20000}},
    };
    for (const ShiftCase& c : cases) {
        const std::int32_t w = c.box.Width(), h = c.box.Height();
        int n = 1;
        while (std::abs(w >> n) > 32767 || std::abs(h >> n) > 32767) ++n;
        const Size viewport{std::abs(w >> n), std::abs(h >> n)};
        CWmfRecorder wmf;
        wmf.SetMapMode(MM_ANISOTROPIC);
        wmf.SetWindowExt({std::abs(w), -std::abs(h)});
        wmf.SetViewportExt(viewport);
        wmf.SetWindowOrg({c.box.left, c.box.bottom});
        wmf.SelectPen(MakePen({PS_SOLID, {400, 400}, 0}));
        const Point corners[] = {{c.box.left, c.box.bottom}, {c.box.right, c.box.bottom},
                                 {c.box.right, c.box.top}};
        wmf.Polyline(corners);
        std::vector<Point> device;
        for (Point p : corners) device.push_back(wmf.LPtoDP(p));

        const Bytes bytes = wmf.Close();
        EXPECT_EQ(wmf.GetShift(), c.shift);
        CheckWmfFraming(bytes);
        const auto mf = ParseWmf(bytes);
        ASSERT_TRUE(mf);
        CSpyDC spy;
        PlayMetafileAsRecorded(spy, *mf);
        EXPECT_EQ(spy.GetWindowExt(), c.window);
        EXPECT_EQ(spy.GetViewportExt(), viewport);
        // Every corner lands on the same device pixel as before.
        const auto poly = std::find_if(mf->records.begin(), mf->records.end(),
                                       [](const MetaRecord& r) { return r.op == MetaOp::Polyline; });
        ASSERT_NE(poly, mf->records.end());
        for (std::size_t i = 0; i < device.size(); ++i) {
            const Point p = spy.LPtoDP(poly->points[i]);
            EXPECT_LE(std::abs(p.x - device[i].x), 1);
            EXPECT_LE(std::abs(p.y - device[i].y), 1);
        }
        EXPECT_TRUE(spy.Joined().find("width=" + std::to_string(400 >> c.shift)) != std::string::npos);
    }
}

TEST(MetafileRecorderTest, PlaceableHeaderCarriesBoxAndChecksum) {
    const Bytes wmf = RecordSceneWmf();
    const Bytes file = BuildPlaceableMetafile(wmf, Rect(0, 0, 1000, 500));
    ASSERT_EQ(file.size(), 22 + wmf.size());
    LeReader r(file);
    EXPECT_EQ(r.U32(), wmf::kPlaceableKey);
    EXPECT_EQ(r.U16(), 0);
    EXPECT_EQ(r.I16(), 0);
    EXPECT_EQ(r.I16(), 0);
    EXPECT_EQ(r.I16(), 1000);
    EXPECT_EQ(r.I16(), 500);
    EXPECT_EQ(r.U16(), 576);
    EXPECT_EQ(r.U32(), 0u);
    EXPECT_EQ(r.U16(), 0x5551 ^ 1000 ^ 500);
    const auto mf = ParseMetafile(file);
    ASSERT_TRUE(mf);
    EXPECT_TRUE(mf->placeable);
    EXPECT_EQ(mf->frame, Rect(0, 0, MulDiv(1000, 2540, 576), MulDiv(500, 2540, 576)));
}

// ------------------------------------------------------------ external readers

class ExternalReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder of its own, also when other builds run this test at once.
        std::string pattern = (std::filesystem::temp_directory_path() / "kavitro-metafile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ignored);
    }

    std::string Convert(const std::string& tool, const std::string& name, const Bytes& bytes) {
        const auto in = m_dir / name;
        const auto out = m_dir / (name + ".svg");
        EXPECT_TRUE(WriteFileAtomically(in, bytes));
        const std::string command = tool == "emf2svg-conv"
                                        ? "emf2svg-conv -i '" + in.string() + "' -o '" + out.string() + "'"
                                        : "wmf2svg -o '" + out.string() + "' '" + in.string() + "'";
        EXPECT_EQ(std::system((command + " > '" + (m_dir / "log").string() + "' 2>&1").c_str()), 0) << command;
        std::ifstream svg(out);
        return std::string(std::istreambuf_iterator<char>(svg), {});
    }

    std::filesystem::path m_dir;
};

TEST_F(ExternalReaderTest, Emf2svgConvertsTheRecordedScene) {
    const std::string svg = Convert("emf2svg-conv", "scene.emf", RecordSceneEmf());
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("ellipse"), std::string::npos);
    EXPECT_NE(svg.find("Vorl21"), std::string::npos);
}

TEST_F(ExternalReaderTest, LibwmfConvertsTheRecordedScene) {
    const Bytes file = BuildPlaceableMetafile(RecordSceneWmf(), Rect(0, 0, 200, 200), 96);
    const std::string svg = Convert("wmf2svg", "scene.wmf", file);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("ellipse"), std::string::npos);
}

// ------------------------------------------------------------ parser

using test::EmfBuilder;

TEST(MetafileParserTest, BrokenFramingIsRefused) {
    const Bytes good = EmfBuilder().Record(emr::kSetMapMode, {MM_TEXT}).Build();
    ASSERT_TRUE(ParseMetafile(good));
    struct Case {
        const char* what;
        Bytes bytes;
    };
    auto patched = [&](std::size_t at, std::uint32_t value) {
        Bytes b = good;
        LeWriter(b).PatchU32(at, value);
        return b;
    };
    const std::size_t firstRecord = emr::kHeaderSize;
    const Case cases[] = {
        {"empty", {}},
        {"cut inside the header", Bytes(good.begin(), good.begin() + 60)},
        {"cut inside a record", Bytes(good.begin(), good.begin() + firstRecord + 6)},
        {"no end record", EmfBuilder().Record(emr::kSetMapMode, {MM_TEXT}).Build(4, false)},
        {"bad signature", patched(40, 0x12345678)},
        {"nBytes past the end", patched(48, static_cast<std::uint32_t>(good.size() + 4))},
        {"record size not a multiple of 4", patched(firstRecord + 4, 14)},
        {"record size below 8", patched(firstRecord + 4, 4)},
        {"record size past the end", patched(firstRecord + 4, 0x7FFFFFF0)},
        {"header size past the end", patched(4, 0x10000)},
        {"WMF without a header", Bytes{1, 0, 9, 0}},
        {"WMF record past the end", [] {
             Bytes b = RecordSceneWmf();
             LeWriter(b).PatchU32(wmf::kHeaderSize, 0x00FFFFFF);
             return b;
         }()},
    };
    for (const Case& c : cases) EXPECT_FALSE(ParseMetafile(c.bytes)) << c.what;
}

TEST(MetafileParserTest, RecordsThatPointOutsideThemselvesOrAtMissingObjectsAreDropped) {
    const std::uint32_t stockNullPen = emr::kStockFlag | 8;
    const Bytes bytes =
        EmfBuilder()
            .Record(emr::kSelectObject, {2})                     // never created: dropped
            .Record(emr::kCreatePen, {4, PS_SOLID, 1, 1, 0})     // slot 4 of 4: dropped
            .Record(emr::kCreatePen, {0, PS_SOLID, 1, 1, 0})     // slot 0 is the metafile's own: dropped
            .Record(emr::kCreatePen, {3, PS_SOLID, 5, 5, 0xFF})  // kept
            .Record(emr::kSelectObject, {3})                     // kept
            .Record(emr::kDeleteObject, {3})                     // kept
            .Record(emr::kSelectObject, {3})                     // deleted: dropped
            .Record(emr::kSelectObject, {stockNullPen})          // kept
            .Record(emr::kSelectObject, {emr::kStockFlag | 9})   // no such stock object: dropped
            .Record(emr::kRestoreDc, {static_cast<std::uint32_t>(-1)})  // nothing saved: dropped
            .Record(emr::kPolygon16, {0, 0, 0, 0, 1000})         // 1000 points in an empty record: dropped
            .Record(emr::kPolyPolygon16, {0, 0, 0, 0, 2, 3, 2, 2})  // counts disagree with the total: dropped
            .Record(emr::kExtTextOutW, {0, 0, 0, 0, 1, 0, 0, 0, 0, 5, 500, 0, 0, 0, 0, 0, 0})  // string past end
            .Record(emr::kStretchDiBits, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 80, 40, 120, 4, 0, 0, 1, 1})  // bitmap past end
            .Record(999, {1, 2, 3})                              // unknown: skipped
            .Record(emr::kPolyline16, {0, 0, 0, 0, 2, 0x00010001, 0x00050005})  // kept
            .Build();
    const auto mf = ParseMetafile(bytes);
    ASSERT_TRUE(mf);
    EXPECT_EQ(mf->skippedRecords, 11u);
    CSpyDC spy;
    PlayMetafileAsRecorded(spy, *mf);
    EXPECT_EQ(spy.Joined(),
              "SelectPen style=0 width=5,5 color=0x0000ff\n"
              "SelectPen style=5 width=0,0 color=0x000000 stock=8\n"
              "Polyline 1,1 5,5");
}

// An extended pen draws as the plain pen of its style: a cosmetic one is one
// pixel wide, a null brush makes a null pen, an unknown style draws solid.
TEST(MetafileParserTest, ExtendedPensBecomeThePensTheyDrawLike) {
    constexpr std::uint32_t kGeometric = 0x00010000;
    struct Case {
        std::uint32_t style, width, brushStyle;
        const char* pen;
    };
    const Case cases[] = {
        {kGeometric | PS_DASH, 30, BS_SOLID, "style=1 width=30,0"},
        {PS_DOT, 30, BS_SOLID, "style=2 width=0,0"},
        {kGeometric | PS_SOLID, 30, BS_NULL, "style=5 width=30,0"},
        {kGeometric | 8, 0xFFFFFFFF, BS_SOLID, "style=0 width=2147483647,0"},
    };
    for (const Case& c : cases) {
        const Bytes bytes = EmfBuilder()
                                .Record(emr::kExtCreatePen, {1, 0, 0, 0, 0, c.style, c.width, c.brushStyle, 0xFF, 0, 0})
                                .Record(emr::kSelectObject, {1})
                                .Build();
        const auto mf = ParseMetafile(bytes);
        ASSERT_TRUE(mf);
        CSpyDC spy;
        PlayMetafileAsRecorded(spy, *mf);
        EXPECT_EQ(spy.Joined(), std::string("SelectPen ") + c.pen + " color=0x0000ff") << c.pen;
    }
}

// A Windows metafile without a placeable header is as large as the first
// window it sets; later windows do not change that.
TEST(MetafileParserTest, PlainWmfTakesItsBoundsFromTheFirstWindow) {
    CWmfRecorder wmf;
    wmf.SetMapMode(MM_ANISOTROPIC);
    wmf.SetWindowOrg({-100, 200});
    wmf.SetWindowExt({300, -400});
    wmf.SetWindowOrg({7, 7});
    wmf.SetWindowExt({9, 9});
    const auto mf = ParseMetafile(wmf.Close());
    ASSERT_TRUE(mf);
    EXPECT_EQ(mf->bounds, Rect(-100, 200, 200, -200));
}

// The context has no poly-polygon: a ring must still fill as a ring.
class PolygonCatcher : public CSpyDC {
public:
    std::vector<std::vector<Point>> polygons;

protected:
    bool DoPolygon(std::span<const Point> points) override {
        polygons.emplace_back(points.begin(), points.end());
        return CSpyDC::DoPolygon(points);
    }
};

TEST(MetafilePlayerTest, PolyPolygonHolesStayHolesUnderBothFillRules) {
    struct Case {
        int fillMode;
        std::uint32_t inner[4];  // the hole, as packed 16-bit points (x low, y high)
    };
    const Case cases[] = {
        {ALTERNATE, {0x000A000A, 0x0014000A, 0x00140014, 0x000A0014}},  // same turn as the outer square
        {WINDING, {0x000A000A, 0x000A0014, 0x00140014, 0x0014000A}},    // opposite turn
    };
    for (const Case& c : cases) {
        const Bytes bytes = EmfBuilder()
                                .Record(emr::kSetPolyFillMode, {static_cast<std::uint32_t>(c.fillMode)})
                                .Record(emr::kPolyPolygon16, {0, 0, 0, 0, 2, 8, 4, 4, 0, 0x001E0000, 0x001E001E,
                                                              0x0000001E, c.inner[0], c.inner[1], c.inner[2],
                                                              c.inner[3]})
                                .Build();
        const auto mf = ParseMetafile(bytes);
        ASSERT_TRUE(mf);
        PolygonCatcher dc;
        dc.SelectBrush(MakeBrush({BS_SOLID, 0, 0}));
        PlayMetafileAsRecorded(dc, *mf);
        ASSERT_EQ(dc.polygons.size(), 1u);
        const CRegion area = CRegion::FromPolygon(dc.polygons[0], c.fillMode);
        EXPECT_TRUE(area.PtInRegion(Point{5, 5})) << c.fillMode;
        EXPECT_TRUE(area.PtInRegion(Point{25, 15})) << c.fillMode;
        EXPECT_FALSE(area.PtInRegion(Point{15, 15})) << c.fillMode;
        // Both outlines are stroked as closed polylines.
        EXPECT_EQ(std::count_if(dc.Calls().begin(), dc.Calls().end(),
                                [](const std::string& line) { return line.rfind("Polyline", 0) == 0; }),
                  2);
    }
}

// ------------------------------------------------------------ fitted playback

TEST(MetafilePlayerTest, PicturesAreFittedIntoTheDestination) {
    // 96 x 48 pixels of the 96-dpi reference device: 2540 x 1270 hundredths
    // of a millimetre.
    CEmfRecorder emf;
    emf.SetFrame(Rect(0, 0, 2540, 1270));
    CWmfRecorder wmf;
    // A plain WMF is placed by its own window.
    CWmfRecorder plain;
    plain.SetMapMode(MM_ANISOTROPIC);
    plain.SetWindowExt({96, 48});
    plain.SetViewportExt({9, 9});
    plain.SetWindowOrg({0, 0});
    for (CDC* dc : std::initializer_list<CDC*>{&emf, &wmf, &plain}) {
        dc->SelectPen(MakePen({PS_SOLID, {2, 2}, 0}));
        dc->Rectangle(Rect(0, 0, 96, 48));
        dc->SelectFont(MakeFont(scene::GlyphFont(20)));
        dc->ExtTextOut(48, 24, 0, nullptr, u"\uF041");
    }
    const Bytes emfBytes = emf.Close();
    const Bytes wmfBytes = BuildPlaceableMetafile(wmf.Close(), Rect(0, 0, 96, 48), 96);
    const Bytes plainBytes = plain.Close();
    for (const Bytes* bytes : {&emfBytes, &wmfBytes, &plainBytes}) {
        CSpyDC spy;
        spy.SelectPen(StockPen(StockObject::WHITE_PEN));
        CMetafilePlayer player;
        ASSERT_TRUE(player.Play(spy, *bytes, Rect(1000, 2000, 1960, 2480)));
        std::vector<std::string> calls = spy.Calls();
        const std::string text = bytes == &emfBytes ? "ExtTextOut 1480,2240 opt=0 U+F041" : "ExtTextOutA 1480,2240 opt=0 0x41";
        const std::vector<std::string> expected = {
            "SelectPen style=0 width=0,0 color=0xffffff stock=6",
            "SaveDC",
            "SelectPen style=0 width=20,20 color=0x000000",
            "Rectangle 1000,2000,1960,2480",
            "SelectFont face=Vorl21 height=-200 esc=0 charset=2",
            text,
            "RestoreDC 1",
        };
        EXPECT_EQ(calls, expected);
        EXPECT_EQ(spy.GetPen(), StockPen(StockObject::WHITE_PEN));
    }
    CSpyDC spy;
    CMetafilePlayer player;
    EXPECT_FALSE(player.Play(spy, emfBytes, Rect(0, 0, 0, 10)));
    EXPECT_FALSE(player.Play(spy, Bytes{1, 2, 3}, Rect(0, 0, 10, 10)));
}

}  // namespace
}  // namespace kavitro
