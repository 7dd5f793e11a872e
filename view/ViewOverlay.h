#pragma once

// What the drawing code would invert on the screen (handles, the rubber
// band, drag outlines, the tracked guide line) kept as state of the view
// and drawn after the content. Inverting twice restores the pixels, so
// toggling an item that is shown removes it; the log keeps every toggle in
// order, so that tests can check where the inversions happen.

#include <cstdint>
#include <vector>

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

    // Draws the items onto a context whose logical units are client pixels
    // (MM_TEXT, window origin 0): handles inverted as filled squares, the
    // others as inverted outlines.
    void Draw(CDC& dc) const;

private:
    std::vector<Item> m_items;
    std::vector<Item> m_log;
};

}  // namespace kavitro
