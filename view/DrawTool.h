#pragma once

// Every mouse and key action of a page view goes to a drawing tool. The
// tools are process-wide objects in one list, each with its shape number;
// the process-wide current shape says which of them receives the input of
// every view. The base class holds what all tools share: capture with the
// press and last points, typing into the selected text, arrow-key moves,
// rotation, baseline alignment, text spacing and text colour. The tool
// families live in view/tools/ (view/tools/DrawTools.h names them all).

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/DcTypes.h"
#include "platform/Geometry.h"

namespace kavitro {

class CKavitroView;

// Mouse key flags as the window messages carry them.
inline constexpr std::uint32_t MK_LBUTTON = 0x0001;
inline constexpr std::uint32_t MK_RBUTTON = 0x0002;
inline constexpr std::uint32_t MK_SHIFT = 0x0004;
inline constexpr std::uint32_t MK_CONTROL = 0x0008;

// Virtual keys the view and the tools read.
inline constexpr std::uint32_t VK_PAUSE = 19;
inline constexpr std::uint32_t VK_LEFT = 37;
inline constexpr std::uint32_t VK_UP = 38;
inline constexpr std::uint32_t VK_RIGHT = 39;
inline constexpr std::uint32_t VK_DOWN = 40;

// What a tool's cursor is: a system cursor or a language-pack resource.
struct ToolCursor {
    enum class Kind : std::uint8_t { Arrow, Cross, Resource } kind = Kind::Arrow;
    std::uint32_t resourceId = 0;
};

class CDrawTool {
public:
    explicit CDrawTool(std::int32_t shape, ToolCursor cursor = {});
    virtual ~CDrawTool() = default;
    CDrawTool(const CDrawTool&) = delete;
    CDrawTool& operator=(const CDrawTool&) = delete;

    std::int32_t GetShape() const { return m_nShape; }
    ToolCursor GetCursor() const { return m_cursor; }

    // Points are client device pixels.
    virtual void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point);
    virtual void OnLButtonDblClk(CKavitroView& view, std::uint32_t flags, Point point);
    virtual void OnLButtonUp(CKavitroView& view, std::uint32_t flags, Point point);
    virtual void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor);
    // Typed characters (and the text-modification codes) reach the
    // selected text object through here.
    virtual void OnChar(CKavitroView& view, std::uint32_t code, std::uint32_t repeat, std::uint32_t flags);
    virtual void OnKeyDown(CKavitroView& view, std::uint32_t key, std::uint32_t repeat, std::uint32_t flags);
    virtual void OnEditProperties(CKavitroView& view);
    virtual void OnCancel();
    virtual void RotateSelection(CKavitroView& view, std::int32_t angle, bool absolute);
    virtual void AlignTextBaselines(CKavitroView& view, int mode);
    virtual void AdjustTextSpacing(CKavitroView& view, int mode);
    virtual void SetTextColor(CKavitroView& view, COLORREF colour);
    virtual bool RevertsToSelection() const { return true; }
    virtual std::int32_t GetCtrlClickShape() const { return m_nShape; }

    // --- Process-wide state, shared by all tools and views --------------------
    static std::int32_t& CurrentShape();
    static std::int32_t& ShapeBeforeZoom();
    static Point& PressPoint();
    static Point& LastPoint();
    // The last point of a select-family drag, in view logical units.
    static Point& MovePoint();
    // What the select family's press started (SelectMode), the handle being
    // dragged and what the press found inside the edited text.
    static std::int32_t& SelectMode();
    static std::int32_t& DragHandle();
    static std::int32_t& TextComponentMode();
    // The tool whose shape is current; none drops the input.
    static CDrawTool* FindTool(std::int32_t shape);
    static CDrawTool* CurrentTool() { return FindTool(CurrentShape()); }
    // The tools in list order.
    static const std::vector<CDrawTool*>& Tools();

    std::int32_t m_bSavedModified = 0;

    // Select modes.
    static constexpr std::int32_t kSelectNone = 0;
    static constexpr std::int32_t kSelectPick = 1;
    static constexpr std::int32_t kSelectNet = 2;
    static constexpr std::int32_t kSelectMove = 3;
    static constexpr std::int32_t kSelectSize = 6;
    static constexpr std::int32_t kSelectGuide = 7;
    // Text-component modes: nothing, components under the press, the
    // selected component under the press.
    static constexpr std::int32_t kComponentsNone = 0;
    static constexpr std::int32_t kComponentsFound = 4;
    static constexpr std::int32_t kComponentsSelected = 5;

protected:
    // A new undo group for the next user step.
    static void NextAction();
    // A release closer than 2 pixels to the press on both axes.
    static bool IsClick(Point point);
    static void ShowCursor(CKavitroView& view, ToolCursor cursor);

private:
    std::int32_t m_nShape;
    ToolCursor m_cursor;
};

}  // namespace kavitro
