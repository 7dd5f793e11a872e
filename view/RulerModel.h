#pragma once

// The two rulers of a document window without their widgets: the numbered
// positions along the active view's axis at its zoom and scroll position,
// the page strip, and the guide line dragged out of a ruler into the view.
//
// Units: "logical" are the view's logical units (document units times
// zoom / 100, y up); "device" are the view's client pixels. A position is
// 100 document units (a millimetre at 0.01 mm), labelled in tenths ("15"
// reads "1.5": centimetres).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace kavitro {

class CKavitroView;

class CRulerModel {
public:
    enum Orientation : std::int32_t { Horizontal = 1, Vertical = 2 };
    static constexpr std::int32_t kNoTrack = 0x7FFFFFFF;
    // Status strings while dragging: inside the view (horizontal, vertical)
    // and outside it.
    static constexpr std::uint32_t kStatusHorizontal = 11007;
    static constexpr std::uint32_t kStatusVertical = 11008;
    static constexpr std::uint32_t kStatusOutside = 11009;
    // Thickness of a ruler, pixels.
    static constexpr std::int32_t kThickness = 25;

    struct Tick {
        std::int32_t logical;  // along the axis
        std::u16string label;
        friend bool operator==(const Tick&, const Tick&) = default;
    };
    struct Status {
        std::uint32_t stringId;
        Point logical;  // the pointer in the view's logical units
    };

    explicit CRulerModel(Orientation orientation) : m_orientation(orientation) {}
    Orientation GetOrientation() const { return m_orientation; }

    // Positions between numbers by zoom percent.
    static std::int32_t StepForZoom(std::int32_t zoom);
    // "%d" of |position| with a decimal point before its last digit ("0."
    // in front of a single digit).
    static std::u16string Label(std::int32_t position);
    // The numbers over a logical range of the axis: horizontal from low to
    // high x (first and last are the ruler's left and right edges), vertical
    // from the top (the greater y) down to the bottom.
    std::vector<Tick> Ticks(std::int32_t zoom, std::int32_t first, std::int32_t last) const;
    // The page along the axis, logical: from 0 to -page width (or height)
    // at the zoom.
    static std::int32_t PageEnd(std::int32_t pageExtent, std::int32_t zoom);

    // --- Dragging a guide line (device points in the view's client) ---------
    // True when the ruler captures the mouse (guide lines shown).
    bool OnLButtonDown(bool showGuide);
    // The tracking line follows the pointer while inside the view, drawn in
    // the view's overlay; none without the button held.
    std::optional<Status> OnMouseMove(CKavitroView& view, bool buttonDown, Point device);
    // Inside the view: a guide line at the point on the view's page; every
    // view (the active one too) repaints. Outside: the tracking line goes.
    // True when a guide line was made.
    bool OnLButtonUp(CKavitroView& view, Point device);
    std::int32_t GetTrackedPosition() const { return m_tracked; }

private:
    Rect TrackRect(const CKavitroView& view, std::int32_t at) const;
    static bool InsideView(const CKavitroView& view, Point device);

    Orientation m_orientation;
    std::int32_t m_tracked = kNoTrack;
    bool m_captured = false;
};

}  // namespace kavitro
