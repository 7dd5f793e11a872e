#pragma once

// The hand tool pans the page with the pointer; the zoom tools (shape 6 in,
// 7 out) zoom to a dragged rectangle or, on a click, by 2 about the clicked
// point. The view also borrows a zoom tool for Ctrl+wheel. Neither gives
// way to the select tool by itself: the zoom tool returns to the tool that
// was current before the zoom command (Ctrl keeps it).

#include <cstdint>

#include "view/DrawTool.h"

namespace kavitro {

class CHandTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;
    bool RevertsToSelection() const override { return false; }
};

class CZoomTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
    void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;
    bool RevertsToSelection() const override { return false; }

private:
    // Zooms to the rectangle of the press and the release point.
    void ZoomTo(CKavitroView& view, Point release) const;
};

}  // namespace kavitro
