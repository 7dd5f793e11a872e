#include "platform/SpyDC.h"

#include <cstdio>
#include <utility>

namespace kavitro {

std::string FormatPoint(Point p) { return std::to_string(p.x) + "," + std::to_string(p.y); }

std::string FormatRect(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string FormatColor(COLORREF c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%06x", static_cast<unsigned>(c));
    return buffer;
}

namespace {

std::string FormatSize(Size s) { return std::to_string(s.cx) + "," + std::to_string(s.cy); }

std::string Stock(int stock) { return stock >= 0 ? " stock=" + std::to_string(stock) : std::string(); }

std::string FormatPoints(std::span<const Point> points) {
    std::string out;
    for (Point p : points) {
        out += ' ';
        out += FormatPoint(p);
    }
    return out;
}

}  // namespace

std::string CSpyDC::Joined() const {
    std::string out;
    for (const std::string& line : m_calls) {
        if (!out.empty()) out += "\n";
        out += line;
    }
    return out;
}

void CSpyDC::OnStateChanged(DcState what) {
    switch (what) {
        case DcState::MapMode: m_calls.push_back("SetMapMode " + std::to_string(GetMapMode())); break;
        case DcState::WindowOrg: m_calls.push_back("SetWindowOrg " + FormatPoint(GetWindowOrg())); break;
        case DcState::WindowExt: m_calls.push_back("SetWindowExt " + FormatSize(GetWindowExt())); break;
        case DcState::ViewportOrg: m_calls.push_back("SetViewportOrg " + FormatPoint(GetViewportOrg())); break;
        case DcState::ViewportExt: m_calls.push_back("SetViewportExt " + FormatSize(GetViewportExt())); break;
        case DcState::Pen: {
            const PenSelection& p = GetPen();
            m_calls.push_back("SelectPen style=" + std::to_string(p.pen.style) + " width=" + FormatPoint(p.pen.width) +
                              " color=" + FormatColor(p.pen.color) + Stock(p.stock));
            break;
        }
        case DcState::Brush: {
            const BrushSelection& b = GetBrush();
            m_calls.push_back("SelectBrush style=" + std::to_string(b.brush.style) +
                              " color=" + FormatColor(b.brush.color) + " hatch=" + std::to_string(b.brush.hatch) +
                              Stock(b.stock));
            break;
        }
        case DcState::Font: {
            const FontSelection& f = GetFont();
            m_calls.push_back("SelectFont face=" + f.font.faceName + " height=" + std::to_string(f.font.height) +
                              " esc=" + std::to_string(f.font.escapement) +
                              " charset=" + std::to_string(f.font.charSet) + Stock(f.stock));
            break;
        }
        case DcState::Rop2: m_calls.push_back("SetROP2 " + std::to_string(GetROP2())); break;
        case DcState::TextColor: m_calls.push_back("SetTextColor " + FormatColor(GetTextColor())); break;
        case DcState::BkColor: m_calls.push_back("SetBkColor " + FormatColor(GetBkColor())); break;
        case DcState::BkMode: m_calls.push_back("SetBkMode " + std::to_string(GetBkMode())); break;
        case DcState::TextAlign: m_calls.push_back("SetTextAlign " + std::to_string(GetTextAlign())); break;
        case DcState::PolyFillMode: m_calls.push_back("SetPolyFillMode " + std::to_string(GetPolyFillMode())); break;
        case DcState::StretchBltMode:
            m_calls.push_back("SetStretchBltMode " + std::to_string(GetStretchBltMode()));
            break;
        case DcState::ClipRect:
            m_calls.push_back("IntersectClipRect " + FormatRect(GetDeviceClip().value_or(Rect{})));
            break;
        case DcState::CurrentPosition: m_calls.push_back("MoveTo " + FormatPoint(GetCurrentPosition())); break;
    }
}

void CSpyDC::OnSaveDC() { m_calls.emplace_back("SaveDC"); }
void CSpyDC::OnRestoreDC(int level) { m_calls.push_back("RestoreDC " + std::to_string(level)); }
void CSpyDC::OnPathCall(std::string_view name) { m_calls.emplace_back(name); }

bool CSpyDC::Drawn(std::string line) {
    m_calls.push_back(std::move(line));
    return true;
}

bool CSpyDC::DoLineTo(Point from, Point to) { return Drawn("LineTo " + FormatPoint(from) + "->" + FormatPoint(to)); }

bool CSpyDC::DoPolyline(std::span<const Point> points) { return Drawn("Polyline" + FormatPoints(points)); }

bool CSpyDC::DoPolygon(std::span<const Point> points) { return Drawn("Polygon" + FormatPoints(points)); }

bool CSpyDC::DoRectangle(const Rect& rect) { return Drawn("Rectangle " + FormatRect(rect)); }

bool CSpyDC::DoRoundRect(const Rect& rect, Point corner) {
    return Drawn("RoundRect " + FormatRect(rect) + " corner=" + FormatPoint(corner));
}

bool CSpyDC::DoEllipse(const Rect& rect) { return Drawn("Ellipse " + FormatRect(rect)); }

void CSpyDC::DoFillSolidRect(const Rect& rect, COLORREF color) {
    Drawn("FillSolidRect " + FormatRect(rect) + " " + FormatColor(color));
}

bool CSpyDC::DoInvertRect(const Rect& rect) { return Drawn("InvertRect " + FormatRect(rect)); }

bool CSpyDC::DoText(const TextCall& call) {
    std::string line = (call.ansi ? "ExtTextOutA " : "ExtTextOut ") + FormatPoint(call.origin) +
                       " opt=" + std::to_string(call.options);
    if (call.rect) line += " rect=" + FormatRect(*call.rect);
    char buffer[16];
    for (char16_t c : call.text) {
        if (call.ansi)
            std::snprintf(buffer, sizeof buffer, " 0x%02X", static_cast<unsigned>(c));
        else
            std::snprintf(buffer, sizeof buffer, " U+%04X", static_cast<unsigned>(c));
        line += buffer;
    }
    return Drawn(std::move(line));
}

bool CSpyDC::DoDib(const DibCall& call, const DibImage& dib) {
    return Drawn(std::string(call.stretched ? "StretchDIBits " : "SetDIBitsToDevice ") + FormatRect(call.destination) +
                 " src=" + FormatRect(call.source) + " dib=" + std::to_string(dib.GetWidth()) + "x" +
                 std::to_string(dib.GetHeight()) + "x" + std::to_string(dib.GetHeader().bitCount));
}

bool CSpyDC::DoPlayMetafile(std::span<const std::uint8_t> metafile, const Rect& destination) {
    m_calls.push_back("PlayMetafile " + FormatRect(destination) + " bytes=" + std::to_string(metafile.size()));
    return m_playMetafiles ? CDC::DoPlayMetafile(metafile, destination) : true;
}

}  // namespace kavitro
