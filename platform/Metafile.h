#pragma once

// One model for enhanced metafiles (EMF) and Windows metafiles (placeable or
// plain WMF), and the parser that builds it from outside bytes.
//
// The parser trusts nothing: every record size, count, offset and object
// index is checked against the bytes and the object table before it is used.
// A file whose framing is broken (header, record sizes, no end record) is
// refused as a whole; a single record that refers to something that does not
// exist (an object slot never created, a range outside its record, a bitmap
// whose pixels are short) is dropped and counted, as the system player skips
// a record that fails. Records we do not draw are skipped the same way.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/DcTypes.h"
#include "platform/DibImage.h"
#include "platform/Geometry.h"

namespace kavitro {

enum class MetaOp : std::uint8_t {
    SetMapMode,         // v0 mode
    SetWindowOrg,       // v0 x, v1 y
    SetWindowExt,       // v0 cx, v1 cy
    SetViewportOrg,     // v0 x, v1 y
    SetViewportExt,     // v0 cx, v1 cy
    SaveDC,             //
    RestoreDC,          // v0 which (negative: relative)
    SetBkMode,          // v0
    SetBkColor,         // v0 colour
    SetTextColor,       // v0 colour
    SetTextAlign,       // v0
    SetROP2,            // v0
    SetPolyFillMode,    // v0
    SetStretchBltMode,  // v0
    MoveTo,             // v0 x, v1 y
    LineTo,             // v0 x, v1 y
    Polygon,            // points
    Polyline,           // points
    PolylineTo,         // points
    PolyBezier,         // points (1 + 3n)
    PolyBezierTo,       // points (3n)
    PolyPolygon,        // points, counts
    PolyPolyline,       // points, counts
    Rectangle,          // v0..v3 left, top, right, bottom
    Ellipse,            // v0..v3
    RoundRect,          // v0..v3, v4 corner width, v5 corner height
    IntersectClipRect,  // v0..v3
    ExcludeClipRect,    // v0..v3
    CreateObject,       // v0 slot, object = index into Metafile::objects
    SelectObject,       // v0 slot
    SelectStockObject,  // v0 stock id
    DeleteObject,       // v0 slot
    TextOut,            // v0 x, v1 y, v2 options, v3..v6 rectangle, v7 1 = one-byte characters; text
    StretchDib,         // v0..v3 dest x, y, cx, cy; v4..v7 src x, y, cx, cy (y from the top row); v8 raster op;
                        // object = index into Metafile::dibs
    SetDibits,          // v0, v1 dest x, y; v4..v7 src x, y, cx, cy (y from the top row); object as StretchDib
    InvertRect,         // v0..v3
    BeginPath,
    EndPath,
    CloseFigure,
    FillPath,
    StrokePath,
    StrokeAndFillPath,
};

struct MetaRecord {
    MetaOp op{};
    std::array<std::int32_t, 10> v{};
    std::uint32_t object = 0;
    std::vector<Point> points;
    std::vector<std::uint32_t> counts;
    // UTF-16 text; in the one-byte form each character holds one byte.
    std::u16string text;

    friend bool operator==(const MetaRecord&, const MetaRecord&) = default;
};

// An object a record creates. Objects we cannot draw (palettes, pattern
// brushes, regions) still occupy their slot; selecting them does nothing.
struct MetaPlaceholder {
    friend bool operator==(const MetaPlaceholder&, const MetaPlaceholder&) = default;
};
using MetaObject = std::variant<LogPen, LogBrush, LogFont, MetaPlaceholder>;

enum class MetafileKind : std::uint8_t { Emf, Wmf };

struct Metafile {
    MetafileKind kind = MetafileKind::Emf;
    // EMF: rclBounds (device units of the reference device, inclusive) and
    // rclFrame (0.01 mm, inclusive). Placeable WMF: the header's box in its
    // units, and that box in 0.01 mm. Plain WMF: both from the first window
    // origin and extent records (logical units), zero when there are none.
    Rect bounds;
    Rect frame;
    bool placeable = false;
    std::uint16_t unitsPerInch = 0;
    // EMF: the reference device in pixels and millimetres.
    Size device;
    Size millimeters;
    // Object slots: EMF nHandles (slot 0 is never used), WMF mtNoObjects.
    std::uint32_t handleCount = 0;
    std::u16string description;
    std::vector<MetaRecord> records;
    std::vector<MetaObject> objects;
    std::vector<DibImage> dibs;
    // Records skipped: not drawn by us, or refused (bad index, bad range).
    std::uint32_t skippedRecords = 0;
};

// Inputs above this size are refused before anything is parsed.
inline constexpr std::size_t kMaxMetafileBytes = 64u << 20;

// EMF (first record EMR_HEADER with the " EMF" signature) or WMF (placeable
// key, or a plain metafile header). Empty when the framing is broken.
std::optional<Metafile> ParseMetafile(std::span<const std::uint8_t> bytes);
std::optional<Metafile> ParseEmf(std::span<const std::uint8_t> bytes);
std::optional<Metafile> ParseWmf(std::span<const std::uint8_t> bytes);

}  // namespace kavitro
