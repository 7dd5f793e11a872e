#include "platform/DC.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace kavitro {

namespace {

IMetafilePlayer* g_metafilePlayer = nullptr;

// A text call of either character width, before its characters.
TextCall TextCallAt(std::int32_t x, std::int32_t y, std::uint32_t options, const Rect* rect) {
    TextCall call;
    call.origin = {x, y};
    call.options = options;
    if (rect) call.rect = *rect;
    return call;
}

}  // namespace

void SetMetafilePlayer(IMetafilePlayer* player) { g_metafilePlayer = player; }
IMetafilePlayer* GetMetafilePlayer() { return g_metafilePlayer; }

std::u16string TextCodes(const TextCall& call, const LogFont& font) {
    if (!call.ansi || font.charSet != SYMBOL_CHARSET) return call.text;
    // A symbol font shows byte b as its private-use character U+F000 + b.
    std::u16string codes = call.text;
    for (char16_t& c : codes)
        if (c < 0x100) c = static_cast<char16_t>(kGlyphFontBase + c);
    return codes;
}

CDC::CDC(std::int32_t dpiX, std::int32_t dpiY) {
    m_state.mapping = CDcMapping(dpiX, dpiY);
    m_state.pen = StockPen(StockObject::BLACK_PEN);
    m_state.brush = StockBrush(StockObject::WHITE_BRUSH);
    m_state.font = StockFont(StockObject::SYSTEM_FONT);
}

CDC::~CDC() = default;

Rect CDC::DPtoLP(const Rect& r) const {
    const Point a = DPtoLP(r.TopLeft());
    const Point b = DPtoLP(r.BottomRight());
    return {a, b};
}

Rect CDC::LPtoDP(const Rect& r) const {
    const Point a = LPtoDP(r.TopLeft());
    const Point b = LPtoDP(r.BottomRight());
    return {a, b};
}

int CDC::SetMapMode(int mode) {
    const int previous = m_state.mapping.SetMapMode(mode);
    if (previous != 0) OnStateChanged(DcState::MapMode);
    return previous;
}

Point CDC::SetWindowOrg(Point org) {
    const Point previous = m_state.mapping.GetWindowOrg();
    m_state.mapping.SetWindowOrg(org);
    OnStateChanged(DcState::WindowOrg);
    return previous;
}

Point CDC::SetViewportOrg(Point org) {
    const Point previous = m_state.mapping.GetViewportOrg();
    m_state.mapping.SetViewportOrg(org);
    OnStateChanged(DcState::ViewportOrg);
    return previous;
}

Point CDC::OffsetWindowOrg(std::int32_t dx, std::int32_t dy) {
    const Point previous = m_state.mapping.GetWindowOrg();
    m_state.mapping.OffsetWindowOrg(dx, dy);
    OnStateChanged(DcState::WindowOrg);
    return previous;
}

Point CDC::OffsetViewportOrg(std::int32_t dx, std::int32_t dy) {
    const Point previous = m_state.mapping.GetViewportOrg();
    m_state.mapping.OffsetViewportOrg(dx, dy);
    OnStateChanged(DcState::ViewportOrg);
    return previous;
}

Size CDC::SetWindowExt(Size ext) {
    const Size previous = m_state.mapping.GetWindowExt();
    if (!m_state.mapping.SetWindowExt(ext)) return {};
    OnStateChanged(DcState::WindowExt);
    return previous;
}

Size CDC::SetViewportExt(Size ext) {
    const Size previous = m_state.mapping.GetViewportExt();
    if (!m_state.mapping.SetViewportExt(ext)) return {};
    OnStateChanged(DcState::ViewportExt);
    return previous;
}

int CDC::SaveDC() {
    m_saved.push_back(m_state);
    OnSaveDC();
    return static_cast<int>(m_saved.size());
}

bool CDC::RestoreDC(int level) {
    const int depth = static_cast<int>(m_saved.size());
    const int target = level < 0 ? depth + level + 1 : level;
    if (level == 0 || target < 1 || target > depth) return false;
    m_state = m_saved[static_cast<std::size_t>(target - 1)];
    m_saved.resize(static_cast<std::size_t>(target - 1));
    OnRestoreDC(level);
    return true;
}

PenSelection CDC::SelectPen(const PenSelection& pen) { return Replace(&State::pen, pen, DcState::Pen); }

BrushSelection CDC::SelectBrush(const BrushSelection& brush) { return Replace(&State::brush, brush, DcState::Brush); }

FontSelection CDC::SelectFont(const FontSelection& font) { return Replace(&State::font, font, DcState::Font); }

int CDC::SetROP2(int rop) {
    if (rop < R2_BLACK || rop > R2_WHITE) return 0;
    return Replace(&State::rop2, rop, DcState::Rop2);
}

COLORREF CDC::SetTextColor(COLORREF color) { return Replace(&State::textColor, color, DcState::TextColor); }

COLORREF CDC::SetBkColor(COLORREF color) { return Replace(&State::bkColor, color, DcState::BkColor); }

int CDC::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return Replace(&State::bkMode, mode, DcState::BkMode);
}

std::uint32_t CDC::SetTextAlign(std::uint32_t align) { return Replace(&State::textAlign, align, DcState::TextAlign); }

int CDC::SetPolyFillMode(int mode) {
    if (mode != ALTERNATE && mode != WINDING) return 0;
    return Replace(&State::polyFillMode, mode, DcState::PolyFillMode);
}

int CDC::SetStretchBltMode(int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
    return Replace(&State::stretchBltMode, mode, DcState::StretchBltMode);
}

bool CDC::IntersectClipRect(const Rect& logical) {
    Rect device = LPtoDP(logical);
    device.NormalizeRect();
    if (m_state.deviceClip) {
        Rect both;
        both.IntersectRect(*m_state.deviceClip, device);
        m_state.deviceClip = both;
    } else {
        m_state.deviceClip = device;
    }
    OnStateChanged(DcState::ClipRect);
    return !m_state.deviceClip->IsRectEmpty();
}

Rect CDC::GetClipBox() const {
    Rect device;
    if (m_state.deviceClip) {
        device = *m_state.deviceClip;
    } else {
        const Size size = GetDeviceSize();
        device = Rect(0, 0, size.cx, size.cy);
    }
    if (device.IsRectEmpty()) return {};
    Rect logical = DPtoLP(device);
    logical.NormalizeRect();
    return logical;
}

PointF CDC::ToDevice(Point p) const {
    double x = p.x, y = p.y;
    m_state.mapping.LPtoDP(x, y);
    return {x, y};
}

Point CDC::MoveTo(Point p) {
    const Point previous = m_state.currentPosition;
    m_state.currentPosition = p;
    if (IsPathOpen()) {
        m_path.MoveTo(ToDevice(p));
        return previous;
    }
    OnStateChanged(DcState::CurrentPosition);
    return previous;
}

bool CDC::LineTo(Point p) {
    const Point from = m_state.currentPosition;
    m_state.currentPosition = p;
    return IntoPathOrDraw([&] { m_path.LineTo(ToDevice(p)); }, [&] { return DoLineTo(from, p); });
}

bool CDC::Polyline(std::span<const Point> points) {
    if (points.size() < 2) return false;
    return IntoPathOrDraw(
        [&] {
            m_path.MoveTo(ToDevice(points[0]));
            for (std::size_t i = 1; i < points.size(); ++i) m_path.LineTo(ToDevice(points[i]));
        },
        [&] { return DoPolyline(points); });
}

bool CDC::Polygon(std::span<const Point> points) {
    if (points.size() < 2) return false;
    return IntoPathOrDraw(
        [&] {
            std::vector<PointF> device;
            for (Point p : points) device.push_back(ToDevice(p));
            m_path.AddPolygon(device);
        },
        [&] { return DoPolygon(points); });
}

bool CDC::Rectangle(const Rect& rect) {
    return IntoPathOrDraw([&] { m_path.AddRectangle(ToDevice(rect.TopLeft()), ToDevice(rect.BottomRight())); },
                          [&] { return DoRectangle(rect); });
}

bool CDC::RoundRect(const Rect& rect, Point corner) {
    return IntoPathOrDraw(
        [&] {
            const CDcMapping& m = m_state.mapping;
            m_path.AddRoundRect(ToDevice(rect.TopLeft()), ToDevice(rect.BottomRight()),
                                corner.x * std::abs(m.ScaleX()), corner.y * std::abs(m.ScaleY()));
        },
        [&] { return DoRoundRect(rect, corner); });
}

bool CDC::Ellipse(const Rect& rect) {
    return IntoPathOrDraw([&] { m_path.AddEllipse(ToDevice(rect.TopLeft()), ToDevice(rect.BottomRight())); },
                          [&] { return DoEllipse(rect); });
}

void CDC::FillSolidRect(const Rect& rect, COLORREF color) {
    SetBkColor(color);
    if (!IsPathOpen()) DoFillSolidRect(rect, color);
}

bool CDC::InvertRect(const Rect& rect) { return IsPathOpen() ? false : DoInvertRect(rect); }

bool CDC::ExtTextOut(std::int32_t x, std::int32_t y, std::uint32_t options, const Rect* rect, std::u16string_view text) {
    TextCall call = TextCallAt(x, y, options, rect);
    call.text = std::u16string(text);
    return IntoPathOrDraw([&] { AddToPath(call); }, [&] { return DoText(call); });
}

bool CDC::ExtTextOutA(std::int32_t x, std::int32_t y, std::uint32_t options, const Rect* rect, std::string_view bytes) {
    TextCall call = TextCallAt(x, y, options, rect);
    for (char c : bytes) call.text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    call.ansi = true;
    return IntoPathOrDraw([&] { AddToPath(call); }, [&] { return DoText(call); });
}

bool CDC::TextOut(std::int32_t x, std::int32_t y, std::u16string_view text) {
    return ExtTextOut(x, y, 0, nullptr, text);
}

bool CDC::SetDIBitsToDevice(Point destination, const DibImage& dib) {
    if (dib.IsEmpty() || IsPathOpen()) return false;
    // One bitmap pixel per device pixel: the far corner is found on the device.
    const Point device = LPtoDP(destination);
    DibCall call;
    auto far = [](std::int32_t from, std::int32_t size) {
        return static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(from) + size, INT32_MAX));
    };
    call.destination = Rect(destination, DPtoLP(Point{far(device.x, dib.GetWidth()), far(device.y, dib.GetHeight())}));
    call.source = Rect(0, 0, dib.GetWidth(), dib.GetHeight());
    return DoDib(call, dib);
}

bool CDC::StretchDIBits(const Rect& destination, const Rect& source, const DibImage& dib) {
    if (dib.IsEmpty() || IsPathOpen()) return false;
    Rect src = source;
    src.NormalizeRect();
    Rect clipped;
    if (!clipped.IntersectRect(src, Rect(0, 0, dib.GetWidth(), dib.GetHeight()))) return false;
    DibCall call;
    call.destination = destination;
    call.source = clipped;
    call.stretched = true;
    return DoDib(call, dib);
}

bool CDC::PlayMetafile(std::span<const std::uint8_t> metafile, const Rect& destination) {
    return DoPlayMetafile(metafile, destination);
}

bool CDC::DoPlayMetafile(std::span<const std::uint8_t> metafile, const Rect& destination) {
    IMetafilePlayer* player = GetMetafilePlayer();
    return player != nullptr && player->Play(*this, metafile, destination);
}

bool CDC::PathCallDone(PathState state, std::string_view name) {
    m_pathState = state;
    OnPathCall(name);
    return true;
}

bool CDC::BeginPath() {
    m_path.Clear();
    return PathCallDone(PathState::Open, "BeginPath");
}

bool CDC::EndPath() { return IsPathOpen() && PathCallDone(PathState::Closed, "EndPath"); }

bool CDC::AbortPath() {
    m_path.Clear();
    return PathCallDone(PathState::None, "AbortPath");
}

bool CDC::CloseFigure() {
    if (!IsPathOpen()) return false;
    m_path.CloseFigure();
    return PathCallDone(PathState::Open, "CloseFigure");
}

std::optional<CRegion> CDC::PathToRegion() {
    if (m_pathState != PathState::Closed) return std::nullopt;
    CRegion region = CRegion::FromPath(m_path, m_state.polyFillMode);
    m_path.Clear();
    m_pathState = PathState::None;
    return region;
}

std::optional<CDcPath> CDC::GetPath() const {
    if (m_pathState != PathState::Closed) return std::nullopt;
    return m_path;
}

bool CDC::BuildTextOutline(const TextCall& call, CDcPath& logicalPath) const {
    if (m_glyphSource == nullptr) return false;
    const LogFont& font = m_state.font.font;
    const std::u16string codes = TextCodes(call, font);
    std::vector<GlyphOutline> glyphs(codes.size());
    bool complete = true;
    double total = 0, ascent = 0, descent = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (!m_glyphSource->GetGlyphOutline(font, codes[i], glyphs[i])) {
            complete = false;
            glyphs[i] = GlyphOutline{};
        }
        total += glyphs[i].advance;
        ascent = std::max(ascent, glyphs[i].ascent);
        descent = std::max(descent, glyphs[i].descent);
    }
    // Reference point in the run's own frame (u along the baseline, v up).
    const std::uint32_t horizontal = m_state.textAlign & TA_CENTER;
    const std::uint32_t vertical = m_state.textAlign & TA_BASELINE;
    double u0 = horizontal == TA_RIGHT ? -total : horizontal == TA_CENTER ? -total / 2 : 0;
    const double v0 = vertical == TA_BASELINE ? 0 : vertical == TA_BOTTOM ? descent : -ascent;
    const double angle = font.escapement / 10.0 * std::numbers::pi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    const CDcMapping& m = m_state.mapping;
    const double sx = m.ScaleX() > 0 ? 1 : -1;
    const double sy = m.IsYUp() ? 1 : -1;
    for (const GlyphOutline& g : glyphs) {
        auto place = [&](PointF p) {
            const double u = u0 + p.x, v = v0 + p.y;
            return PointF{call.origin.x + sx * (u * c - v * s), call.origin.y + sy * (u * s + v * c)};
        };
        logicalPath.Append(g.types, g.points, place);
        u0 += g.advance;
    }
    return complete;
}

void CDC::AddToPath(const TextCall& call) {
    CDcPath logical;
    BuildTextOutline(call, logical);
    m_path.Append(logical.GetTypes(), logical.GetPoints(), [this](PointF p) {
        m_state.mapping.LPtoDP(p.x, p.y);
        return p;
    });
}

PenSelection MakePen(const LogPen& pen) { return {pen, -1}; }
BrushSelection MakeBrush(const LogBrush& brush) { return {brush, -1}; }
FontSelection MakeFont(const LogFont& font) { return {font, -1}; }

PenSelection StockPen(StockObject id) {
    switch (id) {
        case StockObject::WHITE_PEN: return {{PS_SOLID, {0, 0}, RGB(255, 255, 255)}, static_cast<int>(id)};
        case StockObject::BLACK_PEN: return {{PS_SOLID, {0, 0}, 0}, static_cast<int>(id)};
        default: return {{PS_NULL, {0, 0}, 0}, static_cast<int>(StockObject::NULL_PEN)};
    }
}

BrushSelection StockBrush(StockObject id) {
    switch (id) {
        case StockObject::WHITE_BRUSH: return {{BS_SOLID, RGB(255, 255, 255), 0}, static_cast<int>(id)};
        case StockObject::LTGRAY_BRUSH: return {{BS_SOLID, RGB(192, 192, 192), 0}, static_cast<int>(id)};
        case StockObject::GRAY_BRUSH: return {{BS_SOLID, RGB(128, 128, 128), 0}, static_cast<int>(id)};
        case StockObject::DKGRAY_BRUSH: return {{BS_SOLID, RGB(64, 64, 64), 0}, static_cast<int>(id)};
        case StockObject::BLACK_BRUSH: return {{BS_SOLID, 0, 0}, static_cast<int>(id)};
        default: return {{BS_NULL, 0, 0}, static_cast<int>(StockObject::NULL_BRUSH)};
    }
}

FontSelection StockFont(StockObject /*id*/) {
    LogFont font;
    font.height = 16;
    font.weight = 700;
    font.faceName = "System";
    return {font, static_cast<int>(StockObject::SYSTEM_FONT)};
}

}  // namespace kavitro
