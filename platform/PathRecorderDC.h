#pragma once

// A drawing context that draws nothing and keeps the geometry of what is
// drawn, in logical units: the outline of every shape and glyph (for
// outlines and exports) and the area the closed ones cover (for hit tests).
// Lines and polylines are open figures: they belong to the outline and the
// bounds but cover no area. Pens are not widened; the raster operation,
// colours and the inverted rectangles of overlays leave no geometry.

#include <functional>

#include "platform/DC.h"

namespace kavitro {

class CPathRecorderDC : public CDC {
public:
    explicit CPathRecorderDC(std::int32_t dpi = 96) : CDC(dpi, dpi) {}

    // Every figure drawn so far, in drawing order.
    const CDcPath& GetOutline() const { return m_outline; }
    // The area of the closed figures under the current polygon fill mode.
    CRegion GetRegion() const { return CRegion::FromPath(m_areas, GetPolyFillMode()); }
    bool HitTest(Point logical) const { return GetRegion().PtInRegion(logical); }
    // The smallest rectangle holding the outline (normalised, logical);
    // all zeros when nothing was drawn.
    Rect GetBounds() const;
    void Clear();

protected:
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

private:
    void AddArea(const CDcPath& figure);
    // Adds the closed figure that `draw` puts into an empty path; true.
    bool AddFigure(const std::function<void(CDcPath& figure)>& draw);

    CDcPath m_outline;
    CDcPath m_areas;
};

}  // namespace kavitro
