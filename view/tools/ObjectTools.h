#pragma once

// The tools that put new objects on the page. Line, rectangle, round
// rectangle and ellipse (CRectTool) are created at the press with an empty
// rectangle and sized by the drag through the select tool's handle drag;
// the picture tool sizes the picture the insert-picture command has just
// added and selected; the text tool makes an empty text where the button
// is released, ready for typing. A click without a drag creates nothing.
// After each of them the select tool is current again.

#include <cstdint>
#include <functional>

#include "view/DrawTool.h"

namespace kavitro {

class CDrawObj;
class CDrawPicture;

class CRectTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
    void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;

private:
    CDrawObj* m_pCreated = nullptr;  // the object the press made, until the release
};

class CObjectPictureTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
    void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;

private:
    CDrawPicture* m_pPicture = nullptr;  // the picture being placed, until the release
};

// The text size and angle the ribbon shows (size in points, angle in
// degrees); the shell answers from its ribbon.
struct RibbonTextSettings {
    double size = 0.0;
    std::int32_t angle = 0;
};

class CObjectTextTool : public CDrawTool {
public:
    using RibbonQuery = std::function<RibbonTextSettings()>;
    // Without a query the size is the setting "DefaultTextSize" and the
    // angle 0.
    static void SetRibbonQuery(RibbonQuery query);

    using CDrawTool::CDrawTool;
    void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;

private:
    static RibbonQuery& Query();
};

}  // namespace kavitro
