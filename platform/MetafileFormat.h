#pragma once

// Record numbers and fixed values of the two metafile formats (enhanced
// metafile records and Windows metafile functions) that our recorders write
// and our player reads.

#include <cstddef>
#include <cstdint>

namespace kavitro {

// The raster operations of the bitmap records, the same in both formats.
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint32_t kDstInvert = 0x00550009;

}  // namespace kavitro

namespace kavitro::emr {

inline constexpr std::uint32_t kHeader = 1;
inline constexpr std::uint32_t kPolyBezier = 2;
inline constexpr std::uint32_t kPolygon = 3;
inline constexpr std::uint32_t kPolyline = 4;
inline constexpr std::uint32_t kPolyBezierTo = 5;
inline constexpr std::uint32_t kPolylineTo = 6;
inline constexpr std::uint32_t kPolyPolyline = 7;
inline constexpr std::uint32_t kPolyPolygon = 8;
inline constexpr std::uint32_t kSetWindowExtEx = 9;
inline constexpr std::uint32_t kSetWindowOrgEx = 10;
inline constexpr std::uint32_t kSetViewportExtEx = 11;
inline constexpr std::uint32_t kSetViewportOrgEx = 12;
inline constexpr std::uint32_t kEof = 14;
inline constexpr std::uint32_t kSetMapMode = 17;
inline constexpr std::uint32_t kSetBkMode = 18;
inline constexpr std::uint32_t kSetPolyFillMode = 19;
inline constexpr std::uint32_t kSetRop2 = 20;
inline constexpr std::uint32_t kSetStretchBltMode = 21;
inline constexpr std::uint32_t kSetTextAlign = 22;
inline constexpr std::uint32_t kSetTextColor = 24;
inline constexpr std::uint32_t kSetBkColor = 25;
inline constexpr std::uint32_t kMoveToEx = 27;
inline constexpr std::uint32_t kExcludeClipRect = 29;
inline constexpr std::uint32_t kIntersectClipRect = 30;
inline constexpr std::uint32_t kSaveDc = 33;
inline constexpr std::uint32_t kRestoreDc = 34;
inline constexpr std::uint32_t kSelectObject = 37;
inline constexpr std::uint32_t kCreatePen = 38;
inline constexpr std::uint32_t kCreateBrushIndirect = 39;
inline constexpr std::uint32_t kDeleteObject = 40;
inline constexpr std::uint32_t kEllipse = 42;
inline constexpr std::uint32_t kRectangle = 43;
inline constexpr std::uint32_t kRoundRect = 44;
inline constexpr std::uint32_t kLineTo = 54;
inline constexpr std::uint32_t kBeginPath = 59;
inline constexpr std::uint32_t kEndPath = 60;
inline constexpr std::uint32_t kCloseFigure = 61;
inline constexpr std::uint32_t kFillPath = 62;
inline constexpr std::uint32_t kStrokeAndFillPath = 63;
inline constexpr std::uint32_t kStrokePath = 64;
inline constexpr std::uint32_t kBitBlt = 76;
inline constexpr std::uint32_t kSetDiBitsToDevice = 80;
inline constexpr std::uint32_t kStretchDiBits = 81;
inline constexpr std::uint32_t kExtCreateFontIndirectW = 82;
inline constexpr std::uint32_t kExtTextOutA = 83;
inline constexpr std::uint32_t kExtTextOutW = 84;
inline constexpr std::uint32_t kPolyBezier16 = 85;
inline constexpr std::uint32_t kPolygon16 = 86;
inline constexpr std::uint32_t kPolyline16 = 87;
inline constexpr std::uint32_t kPolyBezierTo16 = 88;
inline constexpr std::uint32_t kPolylineTo16 = 89;
inline constexpr std::uint32_t kPolyPolyline16 = 90;
inline constexpr std::uint32_t kPolyPolygon16 = 91;
inline constexpr std::uint32_t kExtCreatePen = 95;

inline constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
inline constexpr std::uint32_t kVersion = 0x00010000;
// The header as written today: the base fields, the pixel-format extension
// and the micrometre size.
inline constexpr std::uint32_t kHeaderSize = 108;
inline constexpr std::uint32_t kBaseHeaderSize = 88;
// Object indexes with this bit name stock objects.
inline constexpr std::uint32_t kStockFlag = 0x80000000u;

}  // namespace kavitro::emr

namespace kavitro::wmf {

inline constexpr std::uint16_t kEof = 0x0000;
inline constexpr std::uint16_t kSaveDc = 0x001E;
inline constexpr std::uint16_t kSetBkMode = 0x0102;
inline constexpr std::uint16_t kSetMapMode = 0x0103;
inline constexpr std::uint16_t kSetRop2 = 0x0104;
inline constexpr std::uint16_t kSetPolyFillMode = 0x0106;
inline constexpr std::uint16_t kSetStretchBltMode = 0x0107;
inline constexpr std::uint16_t kRestoreDc = 0x0127;
inline constexpr std::uint16_t kSelectObject = 0x012D;
inline constexpr std::uint16_t kSetTextAlign = 0x012E;
inline constexpr std::uint16_t kDeleteObject = 0x01F0;
inline constexpr std::uint16_t kSetBkColor = 0x0201;
inline constexpr std::uint16_t kSetTextColor = 0x0209;
inline constexpr std::uint16_t kSetWindowOrg = 0x020B;
inline constexpr std::uint16_t kSetWindowExt = 0x020C;
inline constexpr std::uint16_t kSetViewportOrg = 0x020D;
inline constexpr std::uint16_t kSetViewportExt = 0x020E;
inline constexpr std::uint16_t kLineTo = 0x0213;
inline constexpr std::uint16_t kMoveTo = 0x0214;
inline constexpr std::uint16_t kCreatePenIndirect = 0x02FA;
inline constexpr std::uint16_t kCreateFontIndirect = 0x02FB;
inline constexpr std::uint16_t kCreateBrushIndirect = 0x02FC;
inline constexpr std::uint16_t kPolygon = 0x0324;
inline constexpr std::uint16_t kPolyline = 0x0325;
inline constexpr std::uint16_t kExcludeClipRect = 0x0415;
inline constexpr std::uint16_t kIntersectClipRect = 0x0416;
inline constexpr std::uint16_t kEllipse = 0x0418;
inline constexpr std::uint16_t kRectangle = 0x041B;
inline constexpr std::uint16_t kPolyPolygon = 0x0538;
inline constexpr std::uint16_t kTextOut = 0x0521;
inline constexpr std::uint16_t kRoundRect = 0x061C;
inline constexpr std::uint16_t kPatBlt = 0x061D;
inline constexpr std::uint16_t kExtTextOut = 0x0A32;
inline constexpr std::uint16_t kDibStretchBlt = 0x0B41;
inline constexpr std::uint16_t kSetDibToDev = 0x0D33;
inline constexpr std::uint16_t kStretchDib = 0x0F43;

inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
inline constexpr std::size_t kPlaceableHeaderSize = 22;
inline constexpr std::size_t kHeaderSize = 18;  // the metafile header, 9 words
inline constexpr std::uint16_t kVersion = 0x0300;

}  // namespace kavitro::wmf
