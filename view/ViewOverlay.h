#pragma once

// What the drawing code would invert on the screen (handles, the rubber
// band, drag outlines, the tracked guide line) kept as state of the view
// and drawn after the content. Inverting twice restores the pixels, so
// toggling an item that is shown removes it; the log keeps every toggle in
// order, so that tests can check where the inversions happen.

#include <cstdint>
#include <vector>

#include "platform/DcTypes.h"
#include "platform/Geometry.h"

namespace kavitro {

class CDC;

class CViewOverlay {
public:
    enum class Kind : std::uint8_t { Handle, RubberBand, DragOutline, GuideLine };
    struct Item {
        Kind kind;
        Rect device;  // client pixels, normalised
        friend bool operator==(const Item&, const Item&) = default;
    };

    // Shows the item, or removes it when it is shown. Returns true when it
    // is shown afterwards.
    bool Toggle(Kind kind, Rect device);
    const std::vector<Item>& GetItems() const { return m_items; }
    const std::vector<Item>& GetLog() const { return m_log; }
    void ClearLog() { m_log.clear(); }
    // Forgets every item (the content under them was repainted plainly).
    void Clear() { m_items.clear(); }
    bool IsEmpty() const { return m_items.empty(); }
    // The window's pixels moved by a scroll.
    void Offset(std::int32_t dx, std::int32_t dy) {
        for (Item& item : m_items) item.device.OffsetRect(dx, dy);
    }

    // The pen of a tracked guide line: the guide lines' own style and
    // colour, so the line looks like the guide it turns into.
    void SetGuidePen(std::uint32_t style, COLORREF colour) { m_guidePen = {style, colour}; }

    // Draws the items onto a context whose logical units are client pixels
    // (MM_TEXT, window origin 0): handles inverted as filled squares, a
    // guide line as a line along its rectangle's long side mixed into the
    // pixels with the guide pen, the others as inverted outlines.
    void Draw(CDC& dc) const;

private:
    struct GuidePen {
        std::uint32_t style = 0;
        COLORREF colour = 0;
    };
    std::vector<Item> m_items;
    std::vector<Item> m_log;
    GuidePen m_guidePen;
};

}  // namespace kavitro
