#pragma once

// A drawing context that records an enhanced metafile (EMF) into bytes, as
// the system's metafile context writes one: a 108-byte header with the
// description after it, one record per call in call order, every record a
// multiple of 4 bytes, the end record last; nBytes, nRecords, nHandles and
// the device bounds in the header match what was written.
//
// Pens, brushes and fonts are selected by value; the recorder creates each
// value once in an object slot and reuses it (see MetaObjectTable). Stock
// objects are selected as stock objects. Glyph text is recorded as the font
// selection and an EMR_EXTTEXTOUTW of the character U+F000 + glyph.
//
// The reference device is a 96-dpi display of 1920 × 1440 pixels
// (508 × 381 mm): logical units map to its pixels through the mapping mode.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DC.h"
#include "platform/MetafileObjectTable.h"

namespace kavitro {

class CEmfRecorder : public CDC {
public:
    static constexpr Size kDevicePixels{1920, 1440};
    static constexpr Size kDeviceMillimeters{508, 381};
    static constexpr std::int32_t kDeviceDpi = 96;

    CEmfRecorder();

    // The picture frame in 0.01 mm, as given when the metafile is created;
    // without one the frame is derived from the bounds of what was drawn.
    void SetFrame(const Rect& frame) { m_frame = frame; }
    // Stored with two terminating zeros after it.
    void SetDescription(std::u16string_view description) { m_description = description; }

    // Ends the recording and returns the metafile. Later calls return the
    // same bytes; drawing after Close records nothing.
    const std::vector<std::uint8_t>& Close();
    bool IsClosed() const { return m_closed; }

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
    std::size_t Begin(std::uint32_t type);
    void End(std::size_t start);
    void WriteBounds(const Rect& device);
    void U32Record(std::uint32_t type, std::uint32_t value);
    void PointRecord(std::uint32_t type, std::int32_t x, std::int32_t y);
    void BoxRecord(std::uint32_t type, const Rect& rect, bool draws);
    void PolyRecord(std::uint32_t type16, std::uint32_t type32, std::span<const Point> points);
    void Select(const MetaObject& value, int stock, MetaSelection::Which which);

    // The device box of logical points (inclusive), and the header bounds.
    Rect DeviceBox(std::span<const Point> logical) const;
    void Include(const Rect& device);

    std::vector<std::uint8_t> m_body;
    std::vector<std::uint8_t> m_result;
    std::uint32_t m_records = 0;
    std::optional<Rect> m_bounds;
    std::optional<Rect> m_frame;
    std::u16string m_description;
    MetaObjectTable m_objects;
    MetaSelection m_selection;
    bool m_closed = false;
};

}  // namespace kavitro
