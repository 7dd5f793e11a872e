#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <QImage>

#include "DocumentFixture.h"
#include "document/Thumbnail.h"
#include "platform/Metafile.h"
#include "platform/MetafilePlayer.h"
#include "platform/SpyDC.h"
#include "platform/WmfRecorder.h"

namespace kavitro {
namespace {

using test::AddLine;
using test::AddRect;
using test::Place;

class RenderersTest : public ::testing::Test {
protected:
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
};

TEST_F(RenderersTest, ObjectsDrawTheirShapesWithZoomedPens) {
    CDrawRect* rect = AddRect(*doc, Place(0, 0, 1000, 500));
    CDrawRect* round = AddRect(*doc, Place(0, 0, 1000, 500), 0, CDrawRect::RoundRectangle);
    CDrawRect* odd = AddRect(*doc, Place(0, 0, 1000, 500), 0, 9);
    CDrawLine* line = AddLine(*doc, Place(10, 20, 100, 200));
    line->m_logpen.style = 77;  // unknown styles are drawn solid and stored unchanged
    doc->SetZoom(200);
    CSpyDC dc;
    rect->Draw(dc);
    round->Draw(dc);
    odd->Draw(dc);
    line->Draw(dc);
    const std::string calls = dc.Joined();
    EXPECT_NE(calls.find("SelectPen style=6 width=40,40 color=0x000000"), std::string::npos) << calls;
    EXPECT_NE(calls.find("Rectangle 0,0,2000,1000"), std::string::npos) << calls;
    EXPECT_NE(calls.find("RoundRect 0,0,2000,1000 corner=1000,1000"), std::string::npos) << calls;
    EXPECT_NE(calls.find("SelectPen style=0 width=40,40"), std::string::npos) << calls;
    EXPECT_NE(calls.find("LineTo 20,40->220,440"), std::string::npos) << calls;
    EXPECT_EQ(line->m_logpen.style, 77u);
    EXPECT_EQ(calls.find("Ellipse"), std::string::npos);
}

TEST_F(RenderersTest, RotatedBaseObjectDrawsItsCornersAndGuidesInvert) {
    CDrawObj obj(Place(0, 0, 100, 50), 0, doc.get());
    const Point centre{50, 25};
    obj.m_position.SetAngle(90, &centre);
    obj.m_bBrush = 0;
    CSpyDC dc;
    obj.Draw(dc);
    EXPECT_NE(dc.Joined().find("SelectBrush style=1"), std::string::npos) << dc.Joined();
    EXPECT_NE(dc.Joined().find("Polygon"), std::string::npos);

    DefaultDocumentView view;
    CDrawGuideLine* g = doc->AddGuideline(&view, 1, -500);
    dc.Clear();
    g->Draw(dc);
    ASSERT_GE(dc.Calls().size(), 4u);
    EXPECT_EQ(dc.Calls().front(), "SetROP2 10");
    EXPECT_EQ(dc.Calls().back(), "SetROP2 13");
}

TEST_F(RenderersTest, TrackerAndOutlineAtZoom) {
    CDrawRect* r = AddRect(*doc, Place(0, 0, 100, 50));
    env.settings[CApplicationProperties::TextSelectionRGB] = 0x00123456;
    CSpyDC dc;
    r->DrawTracker(dc, nullptr, 0);
    r->DrawTracker(dc, nullptr, 3);
    EXPECT_TRUE(dc.Calls().empty());
    doc->SetZoom(300);
    r->DrawTracker(dc, nullptr, 1);
    EXPECT_NE(dc.Joined().find("SelectPen style=3 width=1,1 color=0x123456"), std::string::npos) << dc.Joined();
    EXPECT_NE(dc.Joined().find("Rectangle 0,0,300,150"), std::string::npos) << dc.Joined();
    dc.Clear();
    r->m_position.Draw(dc, 200);
    EXPECT_EQ(dc.Joined(), "Polygon 0,0 200,0 200,100 0,100");
}

TEST_F(RenderersTest, MetafileViewportIsTheExtentShiftedAtLeastOnce) {
    struct Case { Size picture; Rect expect; };
    const Case cases[] = {{{40000, 20000}, {0, 0, 20000, 10000}}, {{70000, 1000}, {0, 0, 17500, 250}}};
    for (const Case& c : cases) {
        CKavitroDoc d(env.services);
        AddRect(d, Place(-c.picture.cx, -c.picture.cy, c.picture.cx, c.picture.cy));
        d.SetZoom(250);
        MetafileResult out;
        ASSERT_TRUE(d.RenderToMetafile(out, d.ObjectsOnPage(0)));
        EXPECT_EQ(out.extent, c.expect);
        EXPECT_EQ(d.GetZoom(), 250);  // restored
        EXPECT_FALSE(g_bRecordingWmf);
        EXPECT_TRUE(ParseWmf(out.bytes).has_value());  // our own bounds-checked reader takes it
    }
}

TEST_F(RenderersTest, EnhancedMetafileAndEmptyLists) {
    AddRect(*doc, Place(-3000, -2000, 1000, 500), 0, CDrawRect::Ellipse);
    AddLine(*doc, Place(-100, -100, -900, -1700));
    doc->SetZoom(7000);  // clamped to 5000, and back after rendering
    std::vector<std::uint8_t> emf;
    ASSERT_TRUE(doc->RenderToEnhMetafile(emf, doc->ObjectsOnPage(0)));
    std::uint32_t type, nBytes;
    std::memcpy(&type, emf.data(), 4);
    std::memcpy(&nBytes, emf.data() + 48, 4);
    EXPECT_EQ(type, 1u);
    EXPECT_EQ(nBytes, emf.size());
    EXPECT_TRUE(ParseEmf(emf).has_value());
    EXPECT_EQ(doc->GetZoom(), 5000);

    std::vector<std::uint8_t> none;
    EXPECT_FALSE(doc->RenderToEnhMetafile(none, {}));
    MetafileResult wmf;
    EXPECT_FALSE(doc->RenderToMetafile(wmf, {}));
    EXPECT_EQ(doc->GetZoom(), 5000);
}

TEST_F(RenderersTest, ExportedMetafilesShowThePageUprightInsideTheirFrame) {
    // A page-sized frame and a small box near the page's top-left corner
    // (y grows upwards: the page's top edge is y = 0).
    AddRect(*doc, Place(-10000, -8000, 10000, 8000));
    AddRect(*doc, Place(-9000, -1000, 1000, 500));
    MetafileResult wmf;
    ASSERT_TRUE(doc->RenderToMetafile(wmf, doc->ObjectsOnPage(0)));
    std::vector<std::uint8_t> emf;
    ASSERT_TRUE(doc->RenderToEnhMetafile(emf, doc->ObjectsOnPage(0)));
    const std::pair<const char*, std::vector<std::uint8_t>> files[] = {
        {"emf", emf}, {"wmf", BuildPlaceableMetafile(wmf.bytes, wmf.extent)}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const auto metafile = ParseMetafile(bytes);
        ASSERT_TRUE(metafile);
        CSpyDC dc;
        ASSERT_TRUE(PlayMetafileInto(dc, *metafile, Rect(0, 0, 1000, 800)));
        std::vector<Rect> drawn;
        for (const std::string& call : dc.Calls()) {
            int l, t, r, b;
            if (std::sscanf(call.c_str(), "Rectangle %d,%d,%d,%d", &l, &t, &r, &b) == 4) drawn.push_back(Rect(l, t, r, b));
        }
        ASSERT_EQ(drawn.size(), 2u) << dc.Joined();
        // Played as a picture (window origin and y flip honoured, as the
        // system plays it), the frame fills it and the box stands a tenth in
        // from the left, near the top (within the pens' width).
        Rect box = drawn[1];
        box.NormalizeRect();
        EXPECT_NEAR(box.left, 100, 5) << dc.Joined();
        EXPECT_NEAR(box.right, 200, 5);
        EXPECT_NEAR(box.top, 50, 5);
        EXPECT_NEAR(box.bottom, 100, 5);
    }
}

TEST_F(RenderersTest, BitmapIsFittedWithAnEvenMargin) {
    CDrawRect* r = AddRect(*doc, Place(-40000, -10000, 40000, 10000));
    r->m_logbrush.color = RGB(255, 0, 0);
    r->m_bPen = 0;
    env.settings[CApplicationProperties::PaperUseSystemColor] = 0;
    env.settings[CApplicationProperties::PaperRGB] = RGB(0, 0, 255);
    doc->SetZoom(33);
    QImage plain, margin;
    ASSERT_TRUE(doc->RenderToBitmap(plain, Size{600, 800}, doc->ObjectsOnPage(0), false));
    EXPECT_EQ(plain.size(), QSize(600, 150));
    ASSERT_TRUE(doc->RenderToBitmap(margin, Size{600, 800}, doc->ObjectsOnPage(0), true));
    EXPECT_EQ(margin.size(), QSize(630, 157));
    EXPECT_EQ(margin.pixel(14, 50), qRgb(0, 0, 255));  // paper
    EXPECT_EQ(margin.pixel(15, 3), qRgb(255, 0, 0));   // the drawing starts here
    EXPECT_EQ(margin.pixel(15, 2), qRgb(0, 0, 255));
    EXPECT_EQ(doc->GetZoom(), 33);

    // Nothing to draw: a blank picture, never a division by zero.
    QImage blank;
    ASSERT_TRUE(doc->RenderToBitmap(blank, Size{60, 80}, {}, true));
    EXPECT_EQ(blank.size(), QSize(60, 80));
    EXPECT_EQ(blank.pixel(30, 40), qRgb(0, 0, 255));
    QImage huge;
    EXPECT_FALSE(doc->RenderToBitmap(huge, Size{2000000000, 2000000000}, doc->ObjectsOnPage(0), false));
    EXPECT_TRUE(doc->RenderToGdiplusBitmap(Size{2000000000, 2000000000}, doc->ObjectsOnPage(0), false).isNull());
    EXPECT_EQ(doc->GetZoom(), 33);
}

TEST_F(RenderersTest, TransparentBitmapKeepsUncoveredPixelsClear) {
    AddRect(*doc, Place(-4000, -4000, 2000, 4000), 0, CDrawRect::Ellipse)->m_logbrush.color = RGB(0, 128, 0);
    const QImage argb = doc->RenderToGdiplusBitmap(Size{100, 200}, doc->ObjectsOnPage(0), true);
    ASSERT_EQ(argb.size(), QSize(100, 200));
    EXPECT_EQ(argb.pixel(0, 0), 0u);                     // outside the ellipse
    EXPECT_EQ(argb.pixel(50, 100), qRgba(0, 128, 0, 255));
    const QImage opaque = doc->RenderToGdiplusBitmap(Size{100, 200}, doc->ObjectsOnPage(0), false);
    EXPECT_EQ(qAlpha(opaque.pixel(0, 0)), 255);
}

TEST_F(RenderersTest, ThumbnailShowsTheFirstPageOnWhite) {
    env.settings[CApplicationProperties::PaperUseSystemColor] = 0;
    env.settings[CApplicationProperties::PaperRGB] = RGB(0, 0, 255);
    AddRect(*doc, Place(-8000, -8000, 1000, 1000), 2)->m_logbrush.color = RGB(255, 0, 0);
    QImage t = RenderThumbnail(*doc);
    EXPECT_EQ(t.size(), QSize(600, 800));  // page 2 only: nothing drawn on the first page
    EXPECT_EQ(t.pixel(300, 400), qRgb(255, 255, 255));
    CDrawRect* every = AddRect(*doc, Place(-8000, -8000, 3000, 3000), kEveryPageFlags | 2);
    every->m_logbrush.color = RGB(0, 255, 0);
    every->m_bPen = 0;
    t = RenderThumbnail(*doc);
    EXPECT_EQ(t.size(), QSize(600, 600));
    EXPECT_EQ(t.pixel(300, 300), qRgb(0, 255, 0));
}

TEST_F(RenderersTest, ExtremeCoordinatesFromAFileStayDefined) {
    // What a loaded file may hold: rectangles spanning the whole 32-bit range.
    DefaultDocumentView view;
    for (std::uint32_t shape : {0u, 1u, 2u}) {
        CDrawRect* r = AddRect(*doc, Place(0, 0, 10, 10), 0, shape);
        r->m_position.m_rect = Rect(INT32_MIN + 1, INT32_MAX, INT32_MAX, INT32_MIN + 1);
        r->m_roundness = Point{INT32_MAX, INT32_MAX};
        const Point pivot{0, 0};
        r->m_position.SetAngle(45, &pivot);
        for (int h = 0; h <= 9; ++h) r->GetHandle(h);
        r->IntersectsPoint({0, 0});
        r->MoveHandleTo(9, Point{INT32_MAX, INT32_MIN}, &view);
        r->MoveHandleTo(3, Point{INT32_MIN, INT32_MAX}, &view);
    }
    CDrawGuideLine* g = doc->AddGuideline(&view, 1, 0);
    g->m_position.m_rect = Rect(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
    g->IntersectsPoint({INT32_MAX, 0});
    QImage image;
    doc->RenderToBitmap(image, Size{600, 800}, doc->ObjectsOnPage(0), true);
    MetafileResult wmf;
    doc->RenderToMetafile(wmf, doc->ObjectsOnPage(0));
    std::vector<std::uint8_t> emf;
    doc->RenderToEnhMetafile(emf, doc->ObjectsOnPage(0));
    CKavitroDoc again(env.services);
    EXPECT_TRUE(again.LoadFromBytes(doc->StoreToBytes(), "extreme.kv2", nullptr));
}

}  // namespace
}  // namespace kavitro
