#pragma once

// What the page view needs of the window that shows it. The view keeps all
// of its state (zoom, scroll position, selection, overlay) and tells the
// window what to do through this interface; the widget in app/ implements it
// over a QAbstractScrollArea, tests use RecordingViewHost.
//
// Units: client device pixels (origin at the top-left of the client area,
// y down), as the window's own events give them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Notifier.h"

namespace kavitro {

// The cursors the view and its tools show.
enum class ViewCursor : std::uint8_t {
    Arrow,
    Cross,
    SizeNWSE,
    SizeNS,
    SizeNESW,
    SizeWE,
    SizeAll,
    Resource,  // a numbered cursor of the language pack (ViewHost::SetCursor's id)
};

// Where a posted message goes.
enum class PostTarget : std::uint8_t { MainFrame, ParentFrame, Self };

// A position shown in the status bar: a printf-style format of the language
// pack and its arguments, each a number or a unit text.
struct CursorPositionText {
    struct Argument {
        double number = 0;
        std::u16string unit;  // used when isUnit
        bool isUnit = false;
        friend bool operator==(const Argument&, const Argument&) = default;
    };
    std::u16string format;
    std::vector<Argument> arguments;
    friend bool operator==(const CursorPositionText&, const CursorPositionText&) = default;
};

// The scroll bars: the range of the position (0..limit), the page and line
// steps and the position, all in device pixels.
struct ScrollInfo {
    Size limit;
    Size pageStep;
    Size lineStep;
    Point position;
    friend bool operator==(const ScrollInfo&, const ScrollInfo&) = default;
};

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // Repaints without erasing (the view paints every pixel it is asked for).
    virtual void Invalidate(const Rect& deviceRect) = 0;
    virtual void InvalidateAll() = 0;

    virtual void SetCursor(ViewCursor cursor, std::uint32_t resourceId = 0) = 0;
    virtual void SetCapture(bool capture) = 0;
    virtual bool HasCapture() const = 0;
    virtual bool HasFocus() const = 0;

    // The caret: shown at a rectangle (width 1) or hidden. The same
    // rectangle is the input method's cursor rectangle.
    virtual void ShowCaret(const Rect& deviceRect) = 0;
    virtual void HideCaret() = 0;

    virtual Size GetClientSize() const = 0;
    // The view changed its scroll range or position; the window moves its
    // scroll bars (and never reports that back as a scroll).
    virtual void SetScrollInfo(const ScrollInfo& info) = 0;

    // Queued delivery, in post order, as posted window messages.
    virtual void Post(PostTarget target, NotifyMessage message, WParam wParam = 0, LParam lParam = 0) = 0;
    virtual void PostTextBlock(std::u16string text, LParam lParam) = 0;

    // The popup menu of a language-pack menu resource at a client point.
    virtual void ShowPopupMenu(std::uint32_t menuId, Point client) = 0;
    // A dialog of the shell; true when it ended with OK.
    virtual bool RunDialog(std::uint32_t dialogId) = 0;
    // Moves the mouse pointer to a client point and gives the window the
    // focus (the zoom tool keeps the pointer on the point it zoomed about).
    virtual void MovePointerAndFocus(Point client) { (void)client; }
    // The pointer's position for the status bar: the language pack's format
    // (its layout digit already replaced by a space) with its numbers and
    // unit texts in order.
    virtual void ShowCursorPosition(const CursorPositionText& text) { (void)text; }
};

}  // namespace kavitro
