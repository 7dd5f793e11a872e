#pragma once

// One scene drawn with the same calls on every drawing backend: the spy
// records it, the path recorder outlines it, the QPainter backend paints it.
// The device is 200 x 200 pixels; logical units are tenths of a pixel with
// y up and the origin at the top-left (the document's sign convention).

#include <cstdint>
#include <string>

#include "platform/DC.h"

namespace kavitro::scene {

inline constexpr std::int32_t kDevicePixels = 200;
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kGreen = RGB(0, 160, 0);
inline constexpr COLORREF kYellow = RGB(255, 255, 0);
inline constexpr COLORREF kTextColor = RGB(0, 0, 128);

// Logical rectangles of the parts, for the backends' checks.
inline const Rect kFrameRect(100, -100, 700, -700);      // inside-frame red pen 100 wide, blue fill
inline const Rect kEllipseRect(900, -100, 1500, -700);  // no pen, green cross hatch
inline const Rect kRoundRect(100, -900, 700, -1500);    // black pen, no brush, corners 300
inline const Rect kFillRect(1600, -1600, 1900, -1900);  // FillSolidRect yellow
inline const Rect kDibRect(1600, -100, 1900, -400);     // a 2 x 2 DIB stretched
inline const Point kGlyphOrigin{1500, -1800};           // baseline-right of the glyph
inline const Rect kGlyphClip(0, -1000, 2000, -2000);

inline void PrepareMapping(CDC& dc) {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt({2000, -2000});
    dc.SetViewportExt({kDevicePixels, kDevicePixels});
    dc.SetWindowOrg({0, 0});
}

// A 2 x 2 bitmap: red, green on top, blue, white below.
inline DibImage SceneDib() {
    DibImage dib = *DibImage::Create(2, 2, 24);
    dib.SetPixel(0, 0, kRed);
    dib.SetPixel(1, 0, kGreen);
    dib.SetPixel(0, 1, kBlue);
    dib.SetPixel(1, 1, RGB(255, 255, 255));
    return dib;
}

inline LogFont GlyphFont(std::int32_t emHeight) {
    LogFont font;
    font.height = -emHeight;
    font.charSet = SYMBOL_CHARSET;
    font.faceName = "Vorl21";
    return font;
}

// Every character of every font is a square of the em height standing on
// the baseline, advancing by its width: geometry that backends without real
// fonts can check.
class SquareGlyphSource : public IGlyphOutlineSource {
public:
    bool GetGlyphOutline(const LogFont& font, char16_t /*code*/, GlyphOutline& outline) const override {
        const double em = font.height < 0 ? -font.height : font.height;
        outline.types = {PT_MOVETO, PT_LINETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE};
        outline.points = {{0, 0}, {em, 0}, {em, em}, {0, em}};
        outline.advance = em;
        outline.ascent = em;
        return true;
    }
};

inline void Draw(CDC& dc, std::uint8_t glyph) {
    PrepareMapping(dc);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);

    const PenSelection oldPen = dc.SelectPen(MakePen({PS_INSIDEFRAME, {100, 100}, kRed}));
    const BrushSelection oldBrush = dc.SelectBrush(MakeBrush({BS_SOLID, kBlue, 0}));
    dc.Rectangle(kFrameRect);

    dc.SelectPen(StockPen(StockObject::NULL_PEN));
    dc.SelectBrush(MakeBrush({BS_HATCHED, kGreen, HS_CROSS}));
    dc.Ellipse(kEllipseRect);

    dc.SelectPen(StockPen(StockObject::BLACK_PEN));
    dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
    dc.RoundRect(kRoundRect, {300, 300});

    dc.SelectPen(MakePen({PS_DASHDOT, {1, 1}, kRed}));
    dc.MoveTo({900, -900});
    dc.LineTo({1500, -900});

    const int oldRop = dc.SetROP2(R2_NOTXORPEN);
    dc.MoveTo({900, -1100});
    dc.LineTo({1500, -1100});
    dc.SetROP2(oldRop);

    dc.SelectPen(StockPen(StockObject::BLACK_PEN));
    dc.SelectBrush(MakeBrush({BS_SOLID, kRed, 0}));
    const Point triangle[] = {{900, -1300}, {1500, -1300}, {1200, -1500}};
    dc.Polygon(triangle);

    dc.FillSolidRect(kFillRect, kYellow);
    dc.StretchDIBits(kDibRect, Rect(0, 0, 2, 2), SceneDib());

    const FontSelection oldFont = dc.SelectFont(MakeFont(GlyphFont(400)));
    dc.SetTextColor(kTextColor);
    const char16_t text[] = {static_cast<char16_t>(kGlyphFontBase + glyph), 0};
    dc.ExtTextOut(kGlyphOrigin.x, kGlyphOrigin.y, ETO_CLIPPED, &kGlyphClip, text);
    dc.SelectFont(oldFont);

    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
}

}  // namespace kavitro::scene
