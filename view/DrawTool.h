#pragma once

// Every mouse and key action of a page view goes to a drawing tool. The
// tools are process-wide objects in one list, each with its shape number;
// the process-wide current shape says which of them receives the input of
// every view. The base class holds what all tools share: capture with the
// press and last points, typing into the selected text, arrow-key moves,
// rotation, baseline alignment, text spacing and text colour.

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
    // The tool whose shape is current; none drops the input.
    static CDrawTool* FindTool(std::int32_t shape);
    static CDrawTool* CurrentTool() { return FindTool(CurrentShape()); }
    // The tools in list order.
    static const std::vector<CDrawTool*>& Tools();

    std::int32_t m_bSavedModified = 0;

protected:
    // A new undo group for the next user step.
    static void NextAction();

private:
    std::int32_t m_nShape;
    ToolCursor m_cursor;
};

// The tool families. Their own behaviour comes with the tools; here each
// is a class with its shapes, cursors and the answers of the base queries.
class CSelectTool : public CDrawTool {
public:
    explicit CSelectTool(std::int32_t shape = 0, ToolCursor cursor = {}) : CDrawTool(shape, cursor) {}
    std::int32_t GetCtrlClickShape() const override { return 1; }
};
class CSelectTextComponentsTool : public CSelectTool {
public:
    explicit CSelectTextComponentsTool(std::int32_t shape = 1, ToolCursor cursor = {ToolCursor::Kind::Resource, 10204})
        : CSelectTool(shape, cursor) {}
    bool RevertsToSelection() const override { return false; }
};
class CTextModificationTool : public CSelectTextComponentsTool {
public:
    CTextModificationTool(std::int32_t shape, std::uint32_t code, std::uint32_t cursorId)
        : CSelectTextComponentsTool(shape, {ToolCursor::Kind::Resource, cursorId}), m_nCode(code) {}
    std::uint32_t GetModificationCode() const { return m_nCode; }

private:
    std::uint32_t m_nCode;
};
class CZoomTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
    bool RevertsToSelection() const override { return false; }
};
class CHandTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
    bool RevertsToSelection() const override { return false; }
};
class CObjectPictureTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
};
class CObjectTextTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
};
class CRectTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
};
class CVowelsTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;
    bool RevertsToSelection() const override { return false; }
};

}  // namespace kavitro
