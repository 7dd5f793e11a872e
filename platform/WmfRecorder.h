#pragma once

// A drawing context that records a Windows metafile (WMF) into bytes: the
// 18-byte metafile header (mtSize, mtNoObjects and mtMaxRecord match the
// records), one record per call, the end record last. That byte vector is
// what the program calls a metafile handle; BuildPlaceableMetafile puts the
// placeable header in front of it for a file.
//
// A Windows metafile has no stock objects: a stock pen, brush or font is
// recorded as an object of its own. Objects are created once per value and
// reused (see MetaObjectTable). Text is written as one byte per character
// (META_EXTTEXTOUT): a glyph U+F000 + i becomes the byte i, other characters
// above U+00FF become '?'.
//
// Coordinates in a Windows metafile are 16-bit. The calls are kept until
// Close; when a logical value does not fit, the window origin and extent and
// every logical coordinate and size (points, rectangles, corners, pen widths,
// font sizes) are divided by the smallest power of two that makes them all
// fit, rounding to nearest, while the viewport (device units) stays. The
// drawing keeps its place and size on the device; nothing wraps.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/DC.h"
#include "platform/Metafile.h"
#include "platform/MetafileObjectTable.h"

namespace kavitro {

class CWmfRecorder : public CDC {
public:
    CWmfRecorder();

    // Ends the recording and returns the metafile (no placeable header).
    // Later calls return the same bytes; drawing after Close records nothing.
    const std::vector<std::uint8_t>& Close();
    bool IsClosed() const { return m_closed; }
    // The power of two the logical values were divided by (0: none); known
    // after Close.
    int GetShift() const { return m_shift; }

protected:
    void OnStateChanged(DcState what) override;
    void OnSaveDC() override;
    void OnRestoreDC(int level) override;
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
    void Add(MetaOp op, std::int32_t v0 = 0, std::int32_t v1 = 0);
    void AddBox(MetaOp op, const Rect& rect);
    // A polyline or polygon; false when the record could not hold the points.
    bool AddPoly(MetaOp op, std::span<const Point> points);
    void Select(const MetaObject& value, MetaSelection::Which which);

    Metafile m_model;
    MetaObjectTable m_objects;
    MetaSelection m_selection;
    std::vector<std::uint8_t> m_result;
    int m_shift = 0;
    bool m_closed = false;
};

// The 22-byte placeable header (key, handle 0, the rectangle as 16-bit
// values, units per inch, reserved 0, checksum) followed by the metafile.
std::vector<std::uint8_t> BuildPlaceableMetafile(std::span<const std::uint8_t> wmf, const Rect& box,
                                                 std::uint16_t unitsPerInch = 576);

}  // namespace kavitro
