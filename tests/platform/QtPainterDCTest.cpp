#include "platform/qt/QtPainterDC.h"

#include <gtest/gtest.h>

#include <QtCore/QBuffer>
#include <QtGui/QImage>
#include <QtGui/QPdfWriter>

#include <functional>

#include "tests/platform/DcScene.h"

namespace kavitro {
namespace {

class QtPainterDCTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    }

    // A white image of the scene's device size, drawn on by `draw`.
    static QImage Paint(const std::function<void(CDC&)>& draw, int size = scene::kDevicePixels) {
        QImage image(size, size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        draw(dc);
        return image;
    }

    static COLORREF At(const QImage& image, int x, int y) {
        const QRgb c = image.pixel(x, y);
        return RGB(static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                   static_cast<std::uint8_t>(qBlue(c)));
    }

    static int Count(const QImage& image, const QRect& area, const std::function<bool(COLORREF)>& test) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (test(At(image, x, y))) ++n;
        return n;
    }

};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = 0;

bool IsTextInk(COLORREF c) { return GetBValue(c) > 40 && GetRValue(c) < 200 && GetBValue(c) > GetRValue(c) + 40; }

TEST_F(QtPainterDCTest, SceneShapesLandOnTheirPixels) {
    const QImage image = Paint([](CDC& dc) { scene::Draw(dc, 0x41); });
    struct Case {
        const char* what;
        int x, y;
        COLORREF color;
    };
    for (const Case c : {
             // Inside-frame pen, 10 px wide, entirely inside (10,10)-(70,70).
             Case{"frame outer pixel", 10, 40, scene::kRed},
             Case{"frame corner, rounded like the pen", 10, 10, kWhite},
             Case{"frame inner pixel", 19, 40, scene::kRed},
             Case{"fill inside the frame", 21, 40, scene::kBlue},
             Case{"frame right edge", 69, 40, scene::kRed},
             Case{"left of the frame", 9, 40, kWhite},
             Case{"right of the frame", 70, 40, kWhite},
             // Round rectangle (10,90)-(70,150), one-pixel black pen, no brush.
             Case{"round rect top edge", 40, 90, kBlack},
             Case{"round rect left edge", 10, 120, kBlack},
             Case{"round rect right edge", 69, 120, kBlack},
             Case{"round rect bottom edge", 40, 149, kBlack},
             Case{"round rect corner cut", 10, 90, kWhite},
             Case{"round rect without brush", 40, 120, kWhite},
             Case{"ellipse corner", 91, 11, kWhite},
             Case{"triangle fill", 120, 138, scene::kRed},
             Case{"solid fill", 175, 175, scene::kYellow},
             Case{"left of the solid fill", 159, 175, kWhite},
             Case{"right of the solid fill", 190, 175, kWhite},
             // The 2 x 2 bitmap stretched over (160,10)-(190,40).
             Case{"bitmap top left", 165, 15, scene::kRed},
             Case{"bitmap top right", 185, 15, scene::kGreen},
             Case{"bitmap bottom left", 165, 35, scene::kBlue},
             Case{"bitmap bottom right", 185, 35, kWhite},
         }) {
        EXPECT_EQ(At(image, c.x, c.y), c.color) << c.what;
    }
    // The hatched ellipse shows hatch lines and, with a transparent
    // background, the paper between them.
    const QRect middle(110, 30, 20, 20);
    EXPECT_GT(Count(image, middle, [](COLORREF c) { return c == scene::kGreen; }), 40);
    EXPECT_GT(Count(image, middle, [](COLORREF c) { return c == kWhite; }), 200);
    // The dash-dot line along y = 90 breaks into dashes.
    const QRect dashRow(92, 90, 56, 1);
    EXPECT_GT(Count(image, dashRow, [](COLORREF c) { return c == scene::kRed; }), 20);
    EXPECT_GT(Count(image, dashRow, [](COLORREF c) { return c == kWhite; }), 10);
}

TEST_F(QtPainterDCTest, GlyphStandsLeftOfItsOriginOnTheBaseline) {
    const QImage image = Paint([](CDC& dc) { scene::Draw(dc, 0x41); });
    // Baseline-right at device (150, 180), 40 px em.
    EXPECT_GT(Count(image, QRect(100, 120, 52, 80), IsTextInk), 30);
    EXPECT_EQ(Count(image, QRect(156, 100, 44, 100), IsTextInk), 0);

    // The clip rectangle (with ETO_CLIPPED) cuts the glyph at the baseline.
    const QImage clipped = Paint([](CDC& dc) {
        scene::PrepareMapping(dc);
        dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
        dc.SetTextColor(scene::kTextColor);
        dc.SelectFont(MakeFont(scene::GlyphFont(1000)));
        const Rect aboveBaseline(0, 0, 2000, -1000);
        dc.ExtTextOut(1500, -1000, ETO_CLIPPED, &aboveBaseline, u"\uF041");
    });
    EXPECT_GT(Count(clipped, QRect(0, 0, 200, 100), IsTextInk), 30);
    EXPECT_EQ(Count(clipped, QRect(0, 100, 200, 100), IsTextInk), 0);

    // The one-byte form written while a WMF is recorded shows the same glyph.
    auto glyph = [](bool oneByte) {
        return Paint([oneByte](CDC& dc) {
            scene::PrepareMapping(dc);
            dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
            dc.SelectFont(MakeFont(scene::GlyphFont(800)));
            if (oneByte)
                dc.ExtTextOutA(1500, -1000, 0, nullptr, "\x41");
            else
                dc.ExtTextOut(1500, -1000, 0, nullptr, u"\uF041");
        });
    };
    const QImage wide = glyph(false);
    EXPECT_GT(Count(wide, QRect(0, 0, 200, 200), [](COLORREF c) { return c != kWhite; }), 30);
    EXPECT_EQ(glyph(true), wide);
}

TEST_F(QtPainterDCTest, HatchesFollowTheirDirection) {
    struct Case {
        std::uint32_t hatch;
        bool fullRow;
        bool fullColumn;
    };
    for (const Case c : {Case{HS_HORIZONTAL, true, false}, Case{HS_VERTICAL, false, true}, Case{HS_CROSS, true, true},
                         Case{HS_FDIAGONAL, false, false}, Case{HS_BDIAGONAL, false, false},
                         Case{HS_DIAGCROSS, false, false}}) {
        const QImage image = Paint(
            [&](CDC& dc) {
                dc.SetBkMode(TRANSPARENT);
                dc.SelectPen(StockPen(StockObject::NULL_PEN));
                dc.SelectBrush(MakeBrush({BS_HATCHED, scene::kGreen, c.hatch}));
                dc.Rectangle({0, 0, 32, 32});
            },
            32);
        bool row = false, column = false;
        for (int i = 0; i < 32; ++i) {
            row = row || Count(image, QRect(0, i, 32, 1), [](COLORREF p) { return p == scene::kGreen; }) == 32;
            column = column || Count(image, QRect(i, 0, 1, 32), [](COLORREF p) { return p == scene::kGreen; }) == 32;
        }
        EXPECT_EQ(row, c.fullRow) << c.hatch;
        EXPECT_EQ(column, c.fullColumn) << c.hatch;
        EXPECT_GT(Count(image, QRect(0, 0, 32, 32), [](COLORREF p) { return p == scene::kGreen; }), 60) << c.hatch;
    }
    // An opaque background fills the gaps with the background colour.
    const QImage opaque = Paint(
        [](CDC& dc) {
            dc.SetBkColor(scene::kYellow);
            dc.SelectBrush(MakeBrush({BS_HATCHED, scene::kGreen, HS_CROSS}));
            dc.SelectPen(StockPen(StockObject::NULL_PEN));
            dc.Rectangle({0, 0, 32, 32});
        },
        32);
    EXPECT_EQ(Count(opaque, QRect(0, 0, 32, 32), [](COLORREF p) { return p == kWhite; }), 0);
}

TEST_F(QtPainterDCTest, PenStylesDashOnlyWhenThin) {
    auto runs = [&](std::uint32_t style, std::int32_t width) {
        const QImage image = Paint(
            [&](CDC& dc) {
                dc.SelectPen(MakePen({style, {width, width}, kBlack}));
                dc.MoveTo({10, 50});
                dc.LineTo({190, 50});
            },
            200);
        int count = 0;
        bool inside = false;
        for (int x = 0; x < 200; ++x) {
            const bool ink = At(image, x, 50) == kBlack;
            if (ink && !inside) ++count;
            inside = ink;
        }
        return count;
    };
    EXPECT_EQ(runs(PS_SOLID, 1), 1);
    EXPECT_EQ(runs(PS_INSIDEFRAME, 1), 1);
    EXPECT_GT(runs(PS_DASH, 1), 5);
    EXPECT_GT(runs(PS_DOT, 1), 20);
    EXPECT_GT(runs(PS_DASHDOT, 0), runs(PS_DASH, 0));
    EXPECT_EQ(runs(PS_DASHDOT, 4), 1);  // wider pens draw solid
    EXPECT_EQ(runs(PS_NULL, 1), 0);
}

TEST_F(QtPainterDCTest, NotXorOverlayUndoesItselfAndInvertsColours) {
    const QImage base = Paint([](CDC& dc) { scene::Draw(dc, 0x41); });
    auto overlay = [](CDC& dc) {
        scene::PrepareMapping(dc);
        dc.SetROP2(R2_NOTXORPEN);
        dc.SelectPen(MakePen({PS_SOLID, {1, 1}, scene::kRed}));
        dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
        dc.Rectangle({0, 0, 2000, -2000});
        dc.MoveTo({300, -400});
        dc.LineTo({500, -400});
    };
    const QImage once = Paint([&](CDC& dc) {
        scene::Draw(dc, 0x41);
        overlay(dc);
    });
    // Red over the blue fill: not (red xor blue) is green.
    EXPECT_EQ(At(once, 40, 40), RGB(0, 255, 0));
    EXPECT_EQ(At(once, 100, 0), scene::kRed);  // over white paper the pen shows as itself
    const QImage twice = Paint([&](CDC& dc) {
        scene::Draw(dc, 0x41);
        overlay(dc);
        overlay(dc);
    });
    EXPECT_EQ(twice, base);
    // InvertRect twice leaves the picture as it was, once it inverts.
    const QImage inverted = Paint([](CDC& dc) {
        scene::Draw(dc, 0x41);
        scene::PrepareMapping(dc);
        dc.InvertRect({1600, -1600, 1900, -1900});
    });
    EXPECT_EQ(At(inverted, 175, 175), RGB(0, 0, 255));  // not yellow
}

TEST_F(QtPainterDCTest, BitmapsOneToOneAndMirrored) {
    const DibImage dib = scene::SceneDib();
    const QImage image = Paint(
        [&](CDC& dc) {
            dc.SetDIBitsToDevice({4, 6}, dib);
            // Right to left: the picture comes out mirrored.
            dc.StretchDIBits({20, 0, 10, 10}, {0, 0, 2, 2}, dib);
            // A source rectangle beyond the bitmap is cut to it.
            EXPECT_FALSE(dc.StretchDIBits({0, 20, 10, 30}, {5, 5, 9, 9}, dib));
        },
        32);
    EXPECT_EQ(At(image, 4, 6), scene::kRed);
    EXPECT_EQ(At(image, 5, 6), scene::kGreen);
    EXPECT_EQ(At(image, 4, 7), scene::kBlue);
    EXPECT_EQ(At(image, 6, 6), kWhite);
    EXPECT_EQ(At(image, 12, 2), scene::kGreen);
    EXPECT_EQ(At(image, 18, 2), scene::kRed);
}

TEST_F(QtPainterDCTest, ClipRectangleLimitsEveryDrawing) {
    const QImage image = Paint(
        [](CDC& dc) {
            dc.IntersectClipRect({4, 4, 12, 12});
            const int level = dc.SaveDC();
            dc.IntersectClipRect({8, 0, 32, 32});
            dc.FillSolidRect({0, 0, 32, 32}, scene::kRed);
            dc.RestoreDC(level);
            dc.SelectBrush(MakeBrush({BS_SOLID, scene::kBlue, 0}));
            dc.Rectangle({0, 0, 6, 32});
        },
        32);
    EXPECT_EQ(Count(image, QRect(0, 0, 32, 32), [](COLORREF c) { return c == scene::kRed; }), 4 * 8);
    EXPECT_EQ(At(image, 9, 5), scene::kRed);
    EXPECT_EQ(At(image, 5, 5), kBlack);  // the pen's right edge, inside the first clip
    EXPECT_EQ(At(image, 3, 5), kWhite);
    EXPECT_EQ(At(image, 12, 5), kWhite);
}

TEST_F(QtPainterDCTest, PaintsOnAPdfWithoutRasterOperations) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        QPainter painter(&pdf);
        CQtPainterDC dc(painter, true);
        EXPECT_TRUE(dc.IsPrinting());
        scene::Draw(dc, 0x41);
        // Inverting needs the destination's pixels, which a PDF does not have.
        EXPECT_FALSE(dc.InvertRect({0, 0, 100, -100}));
    }
    EXPECT_TRUE(buffer.data().startsWith("%PDF"));
    EXPECT_GT(buffer.data().size(), 1000);
}

}  // namespace
}  // namespace kavitro
