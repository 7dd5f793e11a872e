#include "view/tools/HandZoomTools.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "document/KavitroDoc.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

Rect Normalized(Rect r) {
    r.NormalizeRect();
    return r;
}

Point Centre(const Rect& r) {
    return {Clamp32((std::int64_t{r.left} + r.right) / 2), Clamp32((std::int64_t{r.top} + r.bottom) / 2)};
}

}  // namespace

// --- Hand ------------------------------------------------------------------------------------------

void CHandTool::OnMouseMove(CKavitroView& view, std::uint32_t, Point point, bool setCursor) {
    if (setCursor)
        ShowCursor(view, GetCursor());
    if (view.GetHost().HasCapture()) {
        // The page follows the pointer; the rulers are told by the scroll.
        const Point last = LastPoint();
        view.OnScrollBy(
            Size{Clamp32(std::int64_t{last.x} - point.x), Clamp32(std::int64_t{last.y} - point.y)});
    }
    LastPoint() = point;
}

// --- Zoom ------------------------------------------------------------------------------------------

void CZoomTool::OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) {
    CDrawTool::OnLButtonDown(view, flags, point);
    // The band starts empty at the press, so that every later toggle pairs up.
    view.ToggleOverlay(CViewOverlay::Kind::RubberBand, Rect(point.x, point.y, point.x, point.y));
}

void CZoomTool::OnMouseMove(CKavitroView& view, std::uint32_t, Point point, bool setCursor) {
    if (setCursor)
        ShowCursor(view, GetCursor());
    if (view.GetHost().HasCapture()) {
        view.ToggleOverlay(CViewOverlay::Kind::RubberBand, Normalized(Rect(PressPoint(), LastPoint())));
        view.ToggleOverlay(CViewOverlay::Kind::RubberBand, Normalized(Rect(PressPoint(), point)));
    }
    LastPoint() = point;
}

void CZoomTool::OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) {
    ViewHost& host = view.GetHost();
    if (host.HasCapture()) {
        view.ToggleOverlay(CViewOverlay::Kind::RubberBand, Normalized(Rect(PressPoint(), LastPoint())));
        ZoomTo(view, point);
    }
    host.SetCapture(false);
    if (!(flags & MK_CONTROL))
        CurrentShape() = ShapeBeforeZoom();
}

void CZoomTool::ZoomTo(CKavitroView& view, Point release) const {
    CKavitroDoc& doc = view.GetDocument();
    const std::int32_t zoom = doc.GetZoom();
    const Size client = view.GetHost().GetClientSize();
    const Rect c(0, 0, client.cx, client.cy);
    const Rect r = Normalized(Rect(PressPoint(), release));

    // The client rectangle shrunk until it covers the dragged one, centred
    // on it. A click leaves it empty, about the clicked point: the ratio of
    // a rectangle without extent is never taken.
    Rect e;
    if (r.Width() != 0 || r.Height() != 0) {
        constexpr float kUnbounded = std::numeric_limits<float>::infinity();
        const float fy = r.Height() != 0 ? static_cast<float>(c.Height()) / static_cast<float>(r.Height()) : kUnbounded;
        const float fx = r.Width() != 0 ? static_cast<float>(c.Width()) / static_cast<float>(r.Width()) : kUnbounded;
        const double f = std::min(fx, fy);
        const auto k = static_cast<std::int32_t>(std::clamp(std::trunc(f * 10000.0), 1.0, 2147483647.0));
        e = Rect(MulDiv(c.left, 10000, k), MulDiv(c.top, 10000, k), MulDiv(c.right, 10000, k),
                 MulDiv(c.bottom, 10000, k));
    }
    const Point target = Centre(r);
    const Point shrunk = Centre(e);
    e.OffsetRect(target.x - shrunk.x, target.y - shrunk.y);
    const Point centre = Centre(e);
    const Point logical = view.ClientToDoc(centre);
    const Point documentPoint{MulDiv(logical.x, 100, zoom), MulDiv(logical.y, 100, zoom)};

    double factor = 1.0;
    const bool covers = e.Width() >= 5 && e.Height() >= 5;
    const double rx = covers ? static_cast<double>(c.Width()) / e.Width() : 0.0;
    const double ry = covers ? static_cast<double>(c.Height()) / e.Height() : 0.0;
    if (GetShape() == 6)
        factor = covers ? std::min(rx, ry) : 2.0;
    if (GetShape() == 7)
        factor = covers ? 1.0 / std::max(rx, ry) : 0.5;
    const std::int32_t zoomed =
        CKavitroDoc::ClampZoom(static_cast<std::int64_t>(std::min(std::trunc(zoom * factor), 1e9)));
    view.SetZoom(zoomed, documentPoint);

    // The pointer stays on the page point it zoomed about.
    const Point back{MulDiv(documentPoint.x, zoomed, 100), MulDiv(documentPoint.y, zoomed, 100)};
    view.GetHost().MovePointerAndFocus(view.DocToClient(back));
}

}  // namespace kavitro
