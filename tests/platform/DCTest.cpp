#include "platform/DC.h"

#include <gtest/gtest.h>

#include "platform/SpyDC.h"
#include "tests/platform/DcScene.h"

namespace kavitro {
namespace {

// A font whose every character is a square glyph 10 units wide and high,
// advancing by 10.
class SquareGlyphs : public IGlyphOutlineSource {
public:
    bool GetGlyphOutline(const LogFont& font, char16_t code, GlyphOutline& outline) const override {
        if (font.faceName != "Square" || code == u'?') return false;
        outline.types = {PT_MOVETO, PT_LINETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE};
        outline.points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
        outline.advance = 10;
        outline.ascent = 10;
        return true;
    }
};

TEST(SpyDCTest, RecordsTheSceneCallByCall) {
    CSpyDC spy;
    scene::Draw(spy, 0x41);
    const std::string expected =
        "SetMapMode 8\n"
        "SetWindowExt 2000,-2000\n"
        "SetViewportExt 200,200\n"
        "SetWindowOrg 0,0\n"
        "SetBkMode 1\n"
        "SetTextAlign 26\n"
        "SelectPen style=6 width=100,100 color=0x0000ff\n"
        "SelectBrush style=0 color=0xff0000 hatch=0\n"
        "Rectangle 100,-100,700,-700\n"
        "SelectPen style=5 width=0,0 color=0x000000 stock=8\n"
        "SelectBrush style=2 color=0x00a000 hatch=4\n"
        "Ellipse 900,-100,1500,-700\n"
        "SelectPen style=0 width=0,0 color=0x000000 stock=7\n"
        "SelectBrush style=1 color=0x000000 hatch=0 stock=5\n"
        "RoundRect 100,-900,700,-1500 corner=300,300\n"
        "SelectPen style=3 width=1,1 color=0x0000ff\n"
        "MoveTo 900,-900\n"
        "LineTo 900,-900->1500,-900\n"
        "SetROP2 10\n"
        "MoveTo 900,-1100\n"
        "LineTo 900,-1100->1500,-1100\n"
        "SetROP2 13\n"
        "SelectPen style=0 width=0,0 color=0x000000 stock=7\n"
        "SelectBrush style=0 color=0x0000ff hatch=0\n"
        "Polygon 900,-1300 1500,-1300 1200,-1500\n"
        "SetBkColor 0x00ffff\n"
        "FillSolidRect 1600,-1600,1900,-1900 0x00ffff\n"
        "StretchDIBits 1600,-100,1900,-400 src=0,0,2,2 dib=2x2x24\n"
        "SelectFont face=Vorl21 height=-400 esc=0 charset=2\n"
        "SetTextColor 0x800000\n"
        "ExtTextOut 1500,-1800 opt=4 rect=0,-1000,2000,-2000 U+F041\n"
        "SelectFont face=System height=16 esc=0 charset=1 stock=13\n"
        "SelectPen style=0 width=0,0 color=0x000000 stock=7\n"
        "SelectBrush style=0 color=0xffffff hatch=0 stock=0";
    EXPECT_EQ(spy.Joined(), expected);
}

TEST(SpyDCTest, OneByteTextAndRefusedSettingsAreRecordedAsGiven) {
    CSpyDC spy;
    EXPECT_EQ(spy.SetROP2(0), 0);           // refused: nothing recorded
    EXPECT_EQ(spy.SetWindowExt({5, 5}), (Size{}));  // MM_TEXT: refused
    spy.ExtTextOutA(1, 2, 0, nullptr, std::string("\x41\xff", 2));
    spy.TextOut(3, 4, u"\uF020");
    EXPECT_EQ(spy.Joined(), "ExtTextOutA 1,2 opt=0 0x41 0xFF\nExtTextOut 3,4 opt=0 U+F020");
    TextCall call;
    call.text = u"\x41";
    call.ansi = true;
    LogFont symbol;
    symbol.charSet = SYMBOL_CHARSET;
    EXPECT_EQ(TextCodes(call, symbol), u"\uF041");
    EXPECT_EQ(TextCodes(call, LogFont{}), u"\x41");
}

TEST(DCTest, RestoreDCBringsBackEveryPartOfTheState) {
    CSpyDC dc;
    dc.SetMapMode(MM_HIMETRIC);
    dc.SelectPen(MakePen({PS_DASH, {1, 1}, 0x123456}));
    EXPECT_EQ(dc.SaveDC(), 1);
    dc.SetMapMode(MM_TEXT);
    dc.SelectPen(StockPen(StockObject::NULL_PEN));
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
    dc.IntersectClipRect({0, 0, 5, 5});
    EXPECT_EQ(dc.SaveDC(), 2);
    dc.SetROP2(R2_NOTXORPEN);

    EXPECT_FALSE(dc.RestoreDC(3));
    EXPECT_FALSE(dc.RestoreDC(-3));
    EXPECT_FALSE(dc.RestoreDC(0));
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
    EXPECT_EQ(dc.GetTextAlign(), TA_BASELINE | TA_RIGHT);
    EXPECT_TRUE(dc.RestoreDC(1));
    EXPECT_EQ(dc.GetMapMode(), MM_HIMETRIC);
    EXPECT_EQ(dc.GetPen().pen.style, PS_DASH);
    EXPECT_FALSE(dc.GetDeviceClip().has_value());
    EXPECT_FALSE(dc.RestoreDC(-1));  // nothing saved any more
}

TEST(DCTest, SelectionsHandBackWhatTheyReplace) {
    CSpyDC dc;
    const PenSelection stock = dc.SelectPen(MakePen({PS_INSIDEFRAME, {20, 20}, 0}));
    EXPECT_EQ(stock.stock, static_cast<int>(StockObject::BLACK_PEN));
    const PenSelection mine = dc.SelectPen(stock);
    EXPECT_EQ(mine.pen.width, (Point{20, 20}));
    EXPECT_EQ(mine.stock, -1);
    EXPECT_EQ(StockBrush(StockObject::NULL_PEN).brush.style, BS_NULL);  // a pen id is no brush
}

TEST(DCTest, BitmapAtTheEdgeOfTheCoordinateSpaceStaysInside) {
    CSpyDC dc;
    EXPECT_TRUE(dc.SetDIBitsToDevice({INT32_MAX - 1, INT32_MAX}, scene::SceneDib()));
    EXPECT_EQ(dc.Joined(), "SetDIBitsToDevice 2147483646,2147483647,2147483647,2147483647 src=0,0,2,2 dib=2x2x24");
}

TEST(DCTest, ClipBoxIsTheDeviceClipInLogicalUnits) {
    CSpyDC dc(96, {200, 100});
    scene::PrepareMapping(dc);
    EXPECT_EQ(dc.GetClipBox(), Rect(0, -1000, 2000, 0));
    EXPECT_TRUE(dc.IntersectClipRect({500, -500, 3000, -3000}));
    EXPECT_EQ(dc.GetDeviceClip(), Rect(50, 50, 300, 300));
    EXPECT_TRUE(dc.IntersectClipRect({0, 0, 1000, -1000}));
    EXPECT_EQ(dc.GetClipBox(), Rect(500, -1000, 1000, -500));
    EXPECT_FALSE(dc.IntersectClipRect({0, 0, 100, -100}));  // empty now
}

TEST(DCTest, PathBracketTurnsShapesIntoADeviceRegion) {
    CSpyDC dc;
    scene::PrepareMapping(dc);
    dc.Clear();
    ASSERT_TRUE(dc.BeginPath());
    dc.Rectangle({100, -100, 700, -700});
    dc.Ellipse({900, -100, 1500, -700});
    ASSERT_TRUE(dc.EndPath());
    EXPECT_EQ(dc.Joined(), "BeginPath\nEndPath");  // nothing drawn in the bracket
    std::optional<CRegion> region = dc.PathToRegion();
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->GetRgnBox(), Rect(10, 10, 150, 70));
    EXPECT_TRUE(region->PtInRegion(Point{40, 40}));
    EXPECT_TRUE(region->PtInRegion(Point{120, 40}));
    EXPECT_FALSE(region->PtInRegion(Point{91, 11}));  // outside the ellipse's corner
    EXPECT_FALSE(region->PtInRegion(Point{80, 40}));
    EXPECT_FALSE(dc.PathToRegion().has_value());  // consumed
}

TEST(DCTest, PathCallsOutOfOrderFail) {
    CSpyDC dc;
    EXPECT_FALSE(dc.EndPath());
    EXPECT_FALSE(dc.PathToRegion().has_value());
    dc.BeginPath();
    EXPECT_FALSE(dc.GetPath().has_value());  // still open
    dc.AbortPath();
    EXPECT_FALSE(dc.EndPath());
}

TEST(DCTest, TextInAPathIsPlacedByTheAlignment) {
    SquareGlyphs glyphs;
    CSpyDC dc;
    dc.SetGlyphOutlineSource(&glyphs);
    LogFont font;
    font.faceName = "Square";
    dc.SelectFont(MakeFont(font));
    struct Case {
        std::uint32_t align;
        Rect box;  // MM_TEXT device pixels, y down
    };
    for (const Case c : {Case{TA_BASELINE | TA_RIGHT, Rect(80, 40, 100, 50)}, Case{TA_LEFT | TA_TOP, Rect(100, 50, 120, 60)},
                         Case{TA_CENTER | TA_BASELINE, Rect(90, 40, 110, 50)}}) {
        dc.SetTextAlign(c.align);
        dc.BeginPath();
        dc.TextOut(100, 50, u"ab");
        dc.EndPath();
        const std::optional<CRegion> region = dc.PathToRegion();
        ASSERT_TRUE(region.has_value());
        EXPECT_EQ(region->GetRgnBox(), c.box) << c.align;
    }
    // An unknown character adds nothing, and y-up mapping turns glyphs upright.
    dc.SetTextAlign(TA_BASELINE | TA_LEFT);
    dc.SetMapMode(MM_HIMETRIC);
    dc.BeginPath();
    dc.TextOut(0, 0, u"?a");
    dc.EndPath();
    const CDcPath path = *dc.GetPath();
    ASSERT_EQ(path.GetPoints().size(), 4u);
    EXPECT_LT(path.GetPoints()[2].y, 0);  // above the baseline on the device
}

TEST(RegionTest, FillRulesAndEdges) {
    // Two nested squares drawn the same way round: a hole under ALTERNATE only.
    CDcPath path;
    path.AddRectangle({0, 0}, {100, 100});
    path.AddRectangle({25, 25}, {75, 75});
    EXPECT_FALSE(CRegion::FromPath(path, ALTERNATE).PtInRegion(50, 50));
    EXPECT_TRUE(CRegion::FromPath(path, WINDING).PtInRegion(50, 50));
    // Left and top edges in, right and bottom out.
    const CRegion rect = CRegion::FromRect({10, 10, 20, 20});
    EXPECT_TRUE(rect.PtInRegion(Point{10, 10}));
    EXPECT_FALSE(rect.PtInRegion(Point{20, 15}));
    EXPECT_FALSE(rect.PtInRegion(Point{15, 20}));
    EXPECT_TRUE(CRegion().GetRgnBox().IsRectNull());
}

TEST(RegionTest, RectInRegionFindsAnyOverlap) {
    const CRegion ellipse = CRegion::FromEllipse({0, 0, 100, 100});
    EXPECT_FALSE(ellipse.RectInRegion({0, 0, 10, 10}));    // the empty corner
    EXPECT_TRUE(ellipse.RectInRegion({45, -5, 55, 2}));    // touches the top
    EXPECT_TRUE(ellipse.RectInRegion({-50, -50, 150, 150}));  // holds it all
    EXPECT_FALSE(ellipse.RectInRegion({50, 50, 50, 60}));  // empty rectangle
    const Point band[] = {{0, 0}, {10, 0}, {110, 100}, {100, 100}};
    const CRegion line = CRegion::FromPolygon(band, ALTERNATE);
    EXPECT_TRUE(line.RectInRegion({50, 50, 52, 52}));
    EXPECT_FALSE(line.RectInRegion({0, 50, 10, 60}));
    const CRegion round = CRegion::FromRoundRect({0, 0, 100, 100}, 40, 40);
    EXPECT_FALSE(round.PtInRegion(Point{1, 1}));
    EXPECT_TRUE(round.PtInRegion(Point{1, 50}));
}

TEST(DcPathTest, ACutShortBezierEndsTheFigureWithoutReadingFurther) {
    const std::uint8_t types[] = {PT_MOVETO, PT_LINETO, PT_BEZIERTO, PT_BEZIERTO};
    const PointF points[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    CDcPath path;
    EXPECT_FALSE(path.Append(types, points, [](PointF p) { return p; }));
    ASSERT_EQ(path.GetTypes().size(), 2u);
    EXPECT_EQ(path.GetTypes()[1], PT_LINETO | PT_CLOSEFIGURE);
    const std::uint8_t bad[] = {PT_MOVETO, 9};
    EXPECT_FALSE(path.Append(bad, std::span(points).first(2), [](PointF p) { return p; }));
    EXPECT_FALSE(path.Append(bad, points, [](PointF p) { return p; }));  // sizes differ
}

TEST(DibImageTest, PackedBytesAreCheckedAndRoundTrip) {
    const DibImage dib = scene::SceneDib();
    const std::vector<std::uint8_t> packed = dib.ToPacked();
    ASSERT_EQ(packed.size(), 40u + 2 * 8);  // rows of 6 bytes padded to 8
    EXPECT_EQ(DibImage::FromPacked(packed), dib);
    EXPECT_EQ(dib.GetPixel(0, 0), scene::kRed);    // top row, stored last
    EXPECT_EQ(dib.GetPixel(0, 1), scene::kBlue);
    EXPECT_EQ(dib.GetPixel(2, 0), 0u);             // outside
    for (std::size_t n : {std::size_t{0}, std::size_t{39}, packed.size() - 1})
        EXPECT_FALSE(DibImage::FromPacked(std::span(packed).first(n)).has_value()) << n;
    auto patched = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> copy = packed;
        copy[at] = value;
        return DibImage::FromPacked(copy);
    };
    EXPECT_FALSE(patched(16, 1).has_value());   // compressed
    EXPECT_FALSE(patched(14, 7).has_value());   // 7 bits per pixel
    EXPECT_FALSE(patched(0, 12).has_value());   // core header
    EXPECT_FALSE(patched(7, 0x7f).has_value()); // huge width
}

TEST(DibImageTest, PaletteDepthsReadThroughTheColourTable) {
    // 1-bit, 9 pixels wide, top-down: the colour table has two entries.
    std::vector<std::uint8_t> bytes(40 + 8 + 4, 0);
    bytes[0] = 40;
    bytes[4] = 9;
    bytes[8] = 0xFF;  // height -1
    bytes[9] = bytes[10] = bytes[11] = 0xFF;
    bytes[12] = 1;
    bytes[14] = 1;
    bytes[44] = 0xFF;  // entry 1: blue 255
    bytes[48] = 0x80;  // pixel 0 set
    bytes[49] = 0x80;  // pixel 8 set
    const std::optional<DibImage> dib = DibImage::FromPacked(bytes);
    ASSERT_TRUE(dib.has_value());
    EXPECT_EQ(dib->GetPixel(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(dib->GetPixel(1, 0), 0u);
    EXPECT_EQ(dib->GetPixel(8, 0), RGB(0, 0, 255));
    bytes[32] = 3;  // 3 colours used: more than 1 bit can index
    EXPECT_FALSE(DibImage::FromPacked(bytes).has_value());
}

}  // namespace
}  // namespace kavitro
