#pragma once

// A drawing context that draws nothing and records every call as one line
// of text, for tests of drawing code and of metafile playback. Lines:
//   SetMapMode 8            SetWindowOrg -100,200      SetWindowExt 100,-200
//   SetViewportOrg 0,0      SetViewportExt 50,50
//   SelectPen style=6 width=20,20 color=0x000000 [stock=8]
//   SelectBrush style=2 color=0x0000ff hatch=4 [stock=5]
//   SelectFont face=Vorl21 height=-100 esc=0 charset=2 [stock=13]
//   SetROP2 10  SetTextColor 0x0000ff  SetBkColor 0xffffff  SetBkMode 1
//   SetTextAlign 26  SetPolyFillMode 2  SetStretchBltMode 3
//   IntersectClipRect 0,0,10,10 (device, the resulting clip)
//   MoveTo 1,2  LineTo 1,2->3,4  Polyline 0,0 1,1  Polygon 0,0 1,1 2,0
//   Rectangle 0,0,10,10  RoundRect 0,0,10,10 corner=4,4  Ellipse 0,0,10,10
//   FillSolidRect 0,0,10,10 0x00ff00  InvertRect 0,0,10,10
//   ExtTextOut 5,6 opt=4 rect=0,0,10,10 U+F041   (ExtTextOutA: bytes as 0x41)
//   SetDIBitsToDevice 0,0,4,4 src=0,0,4,4 dib=4x4x24
//   StretchDIBits 0,0,8,8 src=0,0,4,4 dib=4x4x24
//   PlayMetafile 0,0,10,10 bytes=120
//   SaveDC  RestoreDC -1  BeginPath  EndPath  AbortPath  CloseFigure
// Colours are 0x00BBGGRR in hex.

#include <string>
#include <vector>

#include "platform/DC.h"

namespace kavitro {

class CSpyDC : public CDC {
public:
    explicit CSpyDC(std::int32_t dpi = 96, Size deviceSize = {}, bool printing = false)
        : CDC(dpi, dpi), m_deviceSize(deviceSize), m_printing(printing) {}

    bool IsPrinting() const override { return m_printing; }
    Size GetDeviceSize() const override { return m_deviceSize; }

    const std::vector<std::string>& Calls() const { return m_calls; }
    void Clear() { m_calls.clear(); }
    // All lines joined with "\n".
    std::string Joined() const;
    // Whether PlayMetafile hands the bytes to the registered player (true)
    // or only records the call.
    void SetPlayMetafiles(bool play) { m_playMetafiles = play; }

protected:
    void OnStateChanged(DcState what) override;
    void OnSaveDC() override;
    void OnRestoreDC(int level) override;
    void OnPathCall(std::string_view name) override;
    bool DoLineTo(Point from, Point to) override;
    bool DoPolyline(std::span<const Point> points) override;
    bool DoPolygon(std::span<const Point> points) override;
    bool DoRectangle(const Rect& rect) override;
    bool DoRoundRect(const Rect& rect, Point corner) override;
    bool DoEllipse(const Rect& rect) override;
    void DoFillSolidRect(const Rect& rect, COLORREF color) override;
    bool DoInvertRect(const Rect& rect) override;
    bool DoText(const TextCall& call) override;
    bool DoDib(const DibCall& call, const DibImage& dib) override;
    bool DoPlayMetafile(std::span<const std::uint8_t> metafile, const Rect& destination) override;

private:
    // Records a drawing call, which always succeeds.
    bool Drawn(std::string line);

    Size m_deviceSize;
    bool m_printing;
    bool m_playMetafiles = false;
    std::vector<std::string> m_calls;
};

// Formatting shared with other recorders' tests.
std::string FormatPoint(Point p);
std::string FormatRect(const Rect& r);
std::string FormatColor(COLORREF c);

}  // namespace kavitro
