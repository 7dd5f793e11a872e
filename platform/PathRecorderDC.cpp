#include "platform/PathRecorderDC.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace kavitro {

namespace {

PointF F(Point p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

PointF Same(PointF p) { return p; }

}  // namespace

void CPathRecorderDC::AddArea(const CDcPath& figure) {
    m_outline.Append(figure.GetTypes(), figure.GetPoints(), Same);
    m_areas.Append(figure.GetTypes(), figure.GetPoints(), Same);
}

Rect CPathRecorderDC::GetBounds() const {
    // The box of the flattened figures: Bézier controls do not count.
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const auto& figure : m_outline.Flatten())
        for (PointF p : figure) {
            minX = any ? std::min(minX, p.x) : p.x;
            minY = any ? std::min(minY, p.y) : p.y;
            maxX = any ? std::max(maxX, p.x) : p.x;
            maxY = any ? std::max(maxY, p.y) : p.y;
            any = true;
        }
    if (!any) return {};
    auto toInt = [](double v) {
        return static_cast<std::int32_t>(std::clamp(v, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
    };
    return Rect(toInt(std::floor(minX)), toInt(std::floor(minY)), toInt(std::ceil(maxX)), toInt(std::ceil(maxY)));
}

void CPathRecorderDC::Clear() {
    m_outline.Clear();
    m_areas.Clear();
}

bool CPathRecorderDC::DoLineTo(Point from, Point to) {
    m_outline.MoveTo(F(from));
    m_outline.LineTo(F(to));
    return true;
}

bool CPathRecorderDC::DoPolyline(std::span<const Point> points) {
    m_outline.MoveTo(F(points[0]));
    for (std::size_t i = 1; i < points.size(); ++i) m_outline.LineTo(F(points[i]));
    return true;
}

bool CPathRecorderDC::AddFigure(const std::function<void(CDcPath& figure)>& draw) {
    CDcPath figure;
    draw(figure);
    AddArea(figure);
    return true;
}

bool CPathRecorderDC::DoPolygon(std::span<const Point> points) {
    std::vector<PointF> pts;
    for (Point p : points) pts.push_back(F(p));
    return AddFigure([&](CDcPath& figure) { figure.AddPolygon(pts); });
}

bool CPathRecorderDC::DoRectangle(const Rect& rect) {
    return AddFigure([&](CDcPath& figure) { figure.AddRectangle(F(rect.TopLeft()), F(rect.BottomRight())); });
}

bool CPathRecorderDC::DoRoundRect(const Rect& rect, Point corner) {
    return AddFigure([&](CDcPath& figure) {
        figure.AddRoundRect(F(rect.TopLeft()), F(rect.BottomRight()), corner.x, corner.y);
    });
}

bool CPathRecorderDC::DoEllipse(const Rect& rect) {
    return AddFigure([&](CDcPath& figure) { figure.AddEllipse(F(rect.TopLeft()), F(rect.BottomRight())); });
}

void CPathRecorderDC::DoFillSolidRect(const Rect& rect, COLORREF /*color*/) { DoRectangle(rect); }

bool CPathRecorderDC::DoInvertRect(const Rect& /*rect*/) { return true; }

bool CPathRecorderDC::DoText(const TextCall& call) {
    CDcPath glyphs;
    const bool complete = BuildTextOutline(call, glyphs);
    AddArea(glyphs);
    return complete;
}

bool CPathRecorderDC::DoDib(const DibCall& call, const DibImage& /*dib*/) { return DoRectangle(call.destination); }

}  // namespace kavitro
