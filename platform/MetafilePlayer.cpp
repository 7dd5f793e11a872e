#include "platform/MetafilePlayer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

namespace kavitro {
namespace {

constexpr int kBezierSegments = 16;
constexpr int kEllipseSegments = 32;

std::int32_t Round(double v) {
    if (!(v == v)) return 0;  // NaN
    return static_cast<std::int32_t>(std::lround(std::clamp(v, -2147483648.0, 2147483647.0)));
}

struct Figure {
    std::vector<Point> points;
    bool closed = false;
};

class Player {
public:
    Player(CDC& dc, const Metafile& mf) : m_dc(dc), m_mf(mf), m_slots(std::max<std::uint32_t>(mf.handleCount, 1)) {}

    // Maps the metafile onto `destination`; false when it cannot be placed.
    bool Fit(const Rect& destination) {
        const double destWidth = static_cast<double>(destination.right) - destination.left;
        const double destHeight = static_cast<double>(destination.bottom) - destination.top;
        if (destWidth == 0 || destHeight == 0) return false;
        m_fitted = true;
        if (m_mf.kind == MetafileKind::Wmf) {
            // The window (placeable box, or the metafile's own window) goes
            // onto the destination; the metafile's viewport records do not
            // apply.
            const Rect& window = m_mf.bounds;
            if (window.Width() == 0 || window.Height() == 0) return false;
            m_meta.SetMapMode(MM_ANISOTROPIC);
            m_meta.SetWindowOrg(window.TopLeft());
            m_meta.SetWindowExt(window.GetSize());
            m_meta.SetViewportOrg(destination.TopLeft());
            m_meta.SetViewportExt({Round(destWidth), Round(destHeight)});
            return true;
        }
        // The frame (0.01 mm) in reference-device pixels, or failing that
        // the device bounds, goes onto the destination.
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        const Size px = m_mf.device;
        const Size mm = m_mf.millimeters;
        const Rect& f = m_mf.frame;
        if (px.cx > 0 && px.cy > 0 && mm.cx > 0 && mm.cy > 0 && f.right > f.left && f.bottom > f.top) {
            x0 = f.left * static_cast<double>(px.cx) / (mm.cx * 100.0);
            x1 = f.right * static_cast<double>(px.cx) / (mm.cx * 100.0);
            y0 = f.top * static_cast<double>(px.cy) / (mm.cy * 100.0);
            y1 = f.bottom * static_cast<double>(px.cy) / (mm.cy * 100.0);
            m_meta = CDcMapping(Round(px.cx * 25.4 / mm.cx), Round(px.cy * 25.4 / mm.cy));
        } else {
            const Rect& b = m_mf.bounds;
            if (b.right < b.left || b.bottom < b.top) return false;
            x0 = b.left;
            y0 = b.top;
            x1 = static_cast<double>(b.right) + 1;
            y1 = static_cast<double>(b.bottom) + 1;
        }
        m_ax = destWidth / (x1 - x0);
        m_ay = destHeight / (y1 - y0);
        m_bx = destination.left - x0 * m_ax;
        m_by = destination.top - y0 * m_ay;
        return std::isfinite(m_ax) && std::isfinite(m_ay);
    }

    void Run() {
        const int level = m_fitted ? m_dc.SaveDC() : 0;
        const auto& records = m_mf.records;
        for (std::size_t i = 0; i < records.size(); ++i) {
            // The framework fills a rectangle by setting the background
            // colour and writing no text opaquely; FillSolidRect sets the
            // colour itself, so the pair plays as that one call.
            if (records[i].op == MetaOp::SetBkColor && i + 1 < records.size() && IsFill(records[i + 1])) {
                m_fillColour = static_cast<COLORREF>(records[i].v[0]);
                continue;
            }
            Play(records[i]);
        }
        if (m_fitted) m_dc.RestoreDC(level);
    }

private:
    static bool IsFill(const MetaRecord& rec) {
        return rec.op == MetaOp::TextOut && rec.text.empty() && (rec.v[2] & ETO_OPAQUE);
    }

    PointF ToDest(std::int32_t x, std::int32_t y) const {
        double dx = x, dy = y;
        if (m_fitted) {
            m_meta.LPtoDP(dx, dy);
            dx = m_ax * dx + m_bx;
            dy = m_ay * dy + m_by;
        }
        return {dx, dy};
    }
    Point Map(std::int32_t x, std::int32_t y) const {
        const PointF p = ToDest(x, y);
        return {Round(p.x), Round(p.y)};
    }
    Point Map(Point p) const { return Map(p.x, p.y); }
    Rect MapBox(const MetaRecord& rec) const { return Rect(Map(rec.v[0], rec.v[1]), Map(rec.v[2], rec.v[3])); }
    std::vector<Point> MapAll(std::span<const Point> points) const {
        std::vector<Point> out;
        out.reserve(points.size());
        for (Point p : points) out.push_back(Map(p));
        return out;
    }
    double ScaleX() const { return m_fitted ? std::abs(m_meta.ScaleX() * m_ax) : 1.0; }
    double ScaleY() const { return m_fitted ? std::abs(m_meta.ScaleY() * m_ay) : 1.0; }

    // Mapping records: onto the context as recorded; when fitted, into the
    // player's own mapping (a Windows metafile's window only).
    void Mapping(const MetaRecord& rec) {
        const Point p{rec.v[0], rec.v[1]};
        const Size s{rec.v[0], rec.v[1]};
        if (!m_fitted) {
            switch (rec.op) {
                case MetaOp::SetMapMode: m_dc.SetMapMode(rec.v[0]); break;
                case MetaOp::SetWindowOrg: m_dc.SetWindowOrg(p); break;
                case MetaOp::SetWindowExt: m_dc.SetWindowExt(s); break;
                case MetaOp::SetViewportOrg: m_dc.SetViewportOrg(p); break;
                case MetaOp::SetViewportExt: m_dc.SetViewportExt(s); break;
                default: break;
            }
            return;
        }
        const bool wmf = m_mf.kind == MetafileKind::Wmf;
        switch (rec.op) {
            case MetaOp::SetMapMode:
                if (!wmf) m_meta.SetMapMode(rec.v[0]);
                break;
            case MetaOp::SetWindowOrg: m_meta.SetWindowOrg(p); break;
            case MetaOp::SetWindowExt: m_meta.SetWindowExt(s); break;
            case MetaOp::SetViewportOrg:
                if (!wmf) m_meta.SetViewportOrg(p);
                break;
            case MetaOp::SetViewportExt:
                if (!wmf) m_meta.SetViewportExt(s);
                break;
            default: break;
        }
    }

    void SelectObject(std::uint32_t slot) {
        const auto& held = m_slots[slot];
        if (!held) return;
        const MetaObject& object = m_mf.objects[*held];
        if (const auto* pen = std::get_if<LogPen>(&object)) {
            LogPen scaled = *pen;
            scaled.width.x = Round(pen->width.x * ScaleX());
            scaled.width.y = Round(pen->width.y * ScaleX());
            m_dc.SelectPen(MakePen(scaled));
        } else if (const auto* brush = std::get_if<LogBrush>(&object)) {
            m_dc.SelectBrush(MakeBrush(*brush));
        } else if (const auto* font = std::get_if<LogFont>(&object)) {
            LogFont scaled = *font;
            scaled.height = Round(font->height * ScaleY());
            scaled.width = Round(font->width * ScaleX());
            m_dc.SelectFont(MakeFont(scaled));
        }
    }

    void SelectStock(std::int32_t id) {
        if (id <= 5 || id == 18) m_dc.SelectBrush(StockBrush(id == 18 ? StockObject::WHITE_BRUSH : static_cast<StockObject>(id)));
        else if (id <= 8 || id == 19) m_dc.SelectPen(StockPen(id == 19 ? StockObject::BLACK_PEN : static_cast<StockObject>(id)));
        else m_dc.SelectFont(StockFont(StockObject::SYSTEM_FONT));
    }

    void Text(const MetaRecord& rec) {
        const bool hasRect = m_mf.kind == MetafileKind::Wmf
                                 ? (rec.v[2] & (ETO_OPAQUE | ETO_CLIPPED)) != 0
                                 : !(rec.v[3] == 0 && rec.v[4] == 0 && rec.v[5] == -1 && rec.v[6] == -1);
        Rect rect;
        if (hasRect) rect = Rect(Map(rec.v[3], rec.v[4]), Map(rec.v[5], rec.v[6]));
        const std::optional<COLORREF> fillColour = std::exchange(m_fillColour, std::nullopt);
        if (hasRect && IsFill(rec)) {
            m_dc.FillSolidRect(rect, fillColour.value_or(m_dc.GetBkColor()));
            return;
        }
        if (fillColour) m_dc.SetBkColor(*fillColour);
        const Point at = Map(rec.v[0], rec.v[1]);
        const auto options = static_cast<std::uint32_t>(rec.v[2]);
        if (rec.v[7] != 0) {
            std::string bytes;
            for (char16_t c : rec.text) bytes.push_back(static_cast<char>(c & 0xFF));
            m_dc.ExtTextOutA(at.x, at.y, options, hasRect ? &rect : nullptr, bytes);
        } else {
            m_dc.ExtTextOut(at.x, at.y, options, hasRect ? &rect : nullptr, rec.text);
        }
    }

    void Dib(const MetaRecord& rec) {
        const DibImage& dib = m_mf.dibs[rec.object];
        const Rect source(rec.v[4], rec.v[5], Round(static_cast<double>(rec.v[4]) + rec.v[6]),
                          Round(static_cast<double>(rec.v[5]) + rec.v[7]));
        if (rec.op == MetaOp::SetDibits) {
            const bool whole = source == Rect(0, 0, dib.GetWidth(), dib.GetHeight());
            if (!m_fitted && whole) {
                m_dc.SetDIBitsToDevice({rec.v[0], rec.v[1]}, dib);
                return;
            }
            // The size is in device pixels of the metafile.
            const PointF at = ToDest(rec.v[0], rec.v[1]);
            const double sx = m_fitted ? m_ax : 1.0;
            const double sy = m_fitted ? m_ay : 1.0;
            const Rect dest(Round(at.x), Round(at.y), Round(at.x + rec.v[6] * sx), Round(at.y + rec.v[7] * sy));
            m_dc.StretchDIBits(dest, source, dib);
            return;
        }
        const Rect dest(Map(rec.v[0], rec.v[1]),
                        Map(static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                static_cast<std::int64_t>(rec.v[0]) + rec.v[2], INT32_MIN, INT32_MAX)),
                            static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                static_cast<std::int64_t>(rec.v[1]) + rec.v[3], INT32_MIN, INT32_MAX))));
        m_dc.StretchDIBits(dest, source, dib);
    }

    // Béziers as polylines: the points after `from`.
    static void Flatten(Point from, std::span<const Point> controls, std::vector<Point>& out) {
        PointF p0{static_cast<double>(from.x), static_cast<double>(from.y)};
        for (std::size_t i = 0; i + 2 < controls.size(); i += 3) {
            const PointF c1{static_cast<double>(controls[i].x), static_cast<double>(controls[i].y)};
            const PointF c2{static_cast<double>(controls[i + 1].x), static_cast<double>(controls[i + 1].y)};
            const PointF p3{static_cast<double>(controls[i + 2].x), static_cast<double>(controls[i + 2].y)};
            for (int k = 1; k <= kBezierSegments; ++k) {
                const double t = static_cast<double>(k) / kBezierSegments, u = 1 - t;
                const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
                out.push_back({Round(a * p0.x + b * c1.x + c * c2.x + d * p3.x),
                               Round(a * p0.y + b * c1.y + c * c2.y + d * p3.y)});
            }
            p0 = p3;
        }
    }

    static std::vector<Point> EllipsePoints(const Rect& r) {
        std::vector<Point> out;
        const double cx = (static_cast<double>(r.left) + r.right) / 2, cy = (static_cast<double>(r.top) + r.bottom) / 2;
        const double rx = (static_cast<double>(r.right) - r.left) / 2, ry = (static_cast<double>(r.bottom) - r.top) / 2;
        for (int k = 0; k < kEllipseSegments; ++k) {
            const double a = 2 * std::numbers::pi * k / kEllipseSegments;
            out.push_back({Round(cx + rx * std::cos(a)), Round(cy + ry * std::sin(a))});
        }
        return out;
    }

    // Figures of an open path bracket, in destination coordinates.
    void AddFigure(std::vector<Point> points, bool closed) {
        m_figures.push_back({std::move(points), closed});
        m_figureOpen = !closed;
    }
    void ExtendFigure(std::span<const Point> points) {
        if (!m_figureOpen || m_figures.empty()) {
            m_figures.push_back({{m_current}, false});
            m_figureOpen = true;
        }
        auto& f = m_figures.back().points;
        f.insert(f.end(), points.begin(), points.end());
    }

    // Polygons that belong together (a poly-polygon, the figures of a path)
    // filled as one area: the context has no poly-polygon, so they are
    // joined into one polygon through bridges to the first point, each
    // bridge walked there and back so that it adds nothing to either fill
    // rule; the outlines are then stroked one by one.
    void DrawPolygons(const std::vector<std::vector<Point>>& polygons, bool fill, bool stroke) {
        if (polygons.empty()) return;
        if (polygons.size() == 1 && fill && stroke) {
            m_dc.Polygon(polygons.front());
            return;
        }
        if (fill && m_dc.GetBrush().brush.style != BS_NULL) {
            const Point anchor = polygons.front().front();
            std::vector<Point> joined;
            for (const auto& polygon : polygons) {
                joined.insert(joined.end(), polygon.begin(), polygon.end());
                joined.push_back(polygon.front());
                joined.push_back(anchor);
            }
            const PenSelection pen = m_dc.SelectPen(StockPen(StockObject::NULL_PEN));
            m_dc.Polygon(joined);
            m_dc.SelectPen(pen);
        }
        if (stroke && m_dc.GetPen().pen.style != PS_NULL) {
            for (const auto& polygon : polygons) {
                std::vector<Point> outline = polygon;
                outline.push_back(polygon.front());
                m_dc.Polyline(outline);
            }
        }
    }

    void DrawPath(MetaOp how) {
        if (how == MetaOp::StrokePath) {
            for (Figure& f : m_figures) {
                if (f.points.size() < 2) continue;
                if (f.closed) f.points.push_back(f.points.front());
                m_dc.Polyline(f.points);
            }
        } else {
            std::vector<std::vector<Point>> polygons;
            for (Figure& f : m_figures)
                if (f.points.size() >= 2) polygons.push_back(std::move(f.points));
            DrawPolygons(polygons, true, how == MetaOp::StrokeAndFillPath);
        }
        m_figures.clear();
        m_figureOpen = false;
    }

    // Lines and curves from the current position.
    void Continue(std::vector<Point> points) {
        if (points.empty()) return;
        if (m_inPath) {
            ExtendFigure(points);
        } else {
            std::vector<Point> line{m_current};
            line.insert(line.end(), points.begin(), points.end());
            m_dc.Polyline(line);
            m_dc.MoveTo(points.back());
        }
        m_current = points.back();
    }

    void Play(const MetaRecord& rec) {
        switch (rec.op) {
            case MetaOp::SetMapMode:
            case MetaOp::SetWindowOrg:
            case MetaOp::SetWindowExt:
            case MetaOp::SetViewportOrg:
            case MetaOp::SetViewportExt: return Mapping(rec);
            case MetaOp::SaveDC:
                m_dc.SaveDC();
                m_saved.push_back(m_meta);
                return;
            case MetaOp::RestoreDC: {
                if (!m_dc.RestoreDC(rec.v[0])) return;
                const std::int64_t keep = static_cast<std::int64_t>(m_saved.size()) + rec.v[0];
                if (keep >= 0 && keep < static_cast<std::int64_t>(m_saved.size())) {
                    m_meta = m_saved[static_cast<std::size_t>(keep)];
                    m_saved.resize(static_cast<std::size_t>(keep));
                }
                m_current = m_dc.GetCurrentPosition();
                return;
            }
            case MetaOp::SetBkMode: m_dc.SetBkMode(rec.v[0]); return;
            case MetaOp::SetBkColor: m_dc.SetBkColor(static_cast<COLORREF>(rec.v[0])); return;
            case MetaOp::SetTextColor: m_dc.SetTextColor(static_cast<COLORREF>(rec.v[0])); return;
            case MetaOp::SetTextAlign: m_dc.SetTextAlign(static_cast<std::uint32_t>(rec.v[0])); return;
            case MetaOp::SetROP2: m_dc.SetROP2(rec.v[0]); return;
            case MetaOp::SetPolyFillMode: m_dc.SetPolyFillMode(rec.v[0]); return;
            case MetaOp::SetStretchBltMode: m_dc.SetStretchBltMode(rec.v[0]); return;
            case MetaOp::MoveTo:
                m_current = Map(rec.v[0], rec.v[1]);
                if (m_inPath) m_figureOpen = false;
                else m_dc.MoveTo(m_current);
                return;
            case MetaOp::LineTo: {
                const Point to = Map(rec.v[0], rec.v[1]);
                if (m_inPath) {
                    ExtendFigure(std::span<const Point>(&to, 1));
                } else {
                    m_dc.LineTo(to);
                }
                m_current = to;
                return;
            }
            case MetaOp::PolylineTo: return Continue(MapAll(rec.points));
            case MetaOp::PolyBezierTo: {
                std::vector<Point> line;
                Flatten(m_current, MapAll(rec.points), line);
                return Continue(std::move(line));
            }
            case MetaOp::PolyBezier: {
                const std::vector<Point> mapped = MapAll(rec.points);
                std::vector<Point> line{mapped.front()};
                Flatten(mapped.front(), std::span<const Point>(mapped).subspan(1), line);
                if (m_inPath) AddFigure(std::move(line), false);
                else m_dc.Polyline(line);
                return;
            }
            case MetaOp::Polygon:
                if (m_inPath) AddFigure(MapAll(rec.points), true);
                else m_dc.Polygon(MapAll(rec.points));
                return;
            case MetaOp::Polyline:
                if (m_inPath) AddFigure(MapAll(rec.points), false);
                else m_dc.Polyline(MapAll(rec.points));
                return;
            case MetaOp::PolyPolygon:
            case MetaOp::PolyPolyline: {
                const bool closed = rec.op == MetaOp::PolyPolygon;
                std::vector<std::vector<Point>> parts;
                std::size_t at = 0;
                for (std::uint32_t count : rec.counts) {
                    parts.push_back(MapAll(std::span<const Point>(rec.points).subspan(at, count)));
                    at += count;
                }
                if (m_inPath) {
                    for (auto& part : parts) AddFigure(std::move(part), closed);
                } else if (closed) {
                    DrawPolygons(parts, true, true);
                } else {
                    for (const auto& part : parts) m_dc.Polyline(part);
                }
                return;
            }
            case MetaOp::Rectangle: {
                const Rect r = MapBox(rec);
                if (m_inPath)
                    AddFigure({{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}}, true);
                else m_dc.Rectangle(r);
                return;
            }
            case MetaOp::Ellipse: {
                const Rect r = MapBox(rec);
                if (m_inPath) AddFigure(EllipsePoints(r), true);
                else m_dc.Ellipse(r);
                return;
            }
            case MetaOp::RoundRect: {
                const Rect r = MapBox(rec);
                if (m_inPath) {
                    AddFigure({{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}}, true);
                    return;
                }
                m_dc.RoundRect(r, {Round(rec.v[4] * ScaleX()), Round(rec.v[5] * ScaleY())});
                return;
            }
            case MetaOp::IntersectClipRect: m_dc.IntersectClipRect(MapBox(rec)); return;
            case MetaOp::ExcludeClipRect: return;
            case MetaOp::InvertRect: m_dc.InvertRect(MapBox(rec)); return;
            case MetaOp::CreateObject: m_slots[static_cast<std::uint32_t>(rec.v[0])] = rec.object; return;
            case MetaOp::SelectObject: return SelectObject(static_cast<std::uint32_t>(rec.v[0]));
            case MetaOp::SelectStockObject: return SelectStock(rec.v[0]);
            case MetaOp::DeleteObject: m_slots[static_cast<std::uint32_t>(rec.v[0])].reset(); return;
            case MetaOp::TextOut:
                if (!m_inPath) Text(rec);
                m_fillColour.reset();
                return;
            case MetaOp::StretchDib:
            case MetaOp::SetDibits:
                if (!m_inPath) Dib(rec);
                return;
            case MetaOp::BeginPath:
                m_inPath = true;
                m_figures.clear();
                m_figureOpen = false;
                return;
            case MetaOp::EndPath: m_inPath = false; return;
            case MetaOp::CloseFigure:
                if (m_inPath && !m_figures.empty()) {
                    m_figures.back().closed = true;
                    m_figureOpen = false;
                }
                return;
            case MetaOp::FillPath:
            case MetaOp::StrokePath:
            case MetaOp::StrokeAndFillPath:
                if (!m_inPath) DrawPath(rec.op);
                return;
        }
    }

    CDC& m_dc;
    const Metafile& m_mf;
    std::vector<std::optional<std::uint32_t>> m_slots;
    bool m_fitted = false;
    CDcMapping m_meta;
    std::vector<CDcMapping> m_saved;
    double m_ax = 1, m_bx = 0, m_ay = 1, m_by = 0;
    Point m_current{};
    std::optional<COLORREF> m_fillColour;
    bool m_inPath = false;
    bool m_figureOpen = false;
    std::vector<Figure> m_figures;
};

}  // namespace

bool PlayMetafileInto(CDC& dc, const Metafile& metafile, const Rect& destination) {
    Player player(dc, metafile);
    if (!player.Fit(destination)) return false;
    player.Run();
    return true;
}

void PlayMetafileAsRecorded(CDC& dc, const Metafile& metafile) { Player(dc, metafile).Run(); }

bool CMetafilePlayer::Play(CDC& dc, std::span<const std::uint8_t> metafile, const Rect& destination) {
    const std::optional<Metafile> parsed = ParseMetafile(metafile);
    return parsed && PlayMetafileInto(dc, *parsed, destination);
}

}  // namespace kavitro
