#pragma once

// Plain records and constants of the drawing context. Values and layouts are
// those of the stored records (a pen is 16 bytes, a brush 12) and of the
// metafile formats, so that the recorders and the document files can use them
// unchanged. Colours stay 0x00BBGGRR until the point of use.

#include <cstdint>
#include <string>

#include "platform/Geometry.h"

namespace kavitro {

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GetGValue(COLORREF c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(COLORREF c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

// Pen styles.
inline constexpr std::uint32_t PS_SOLID = 0;
inline constexpr std::uint32_t PS_DASH = 1;
inline constexpr std::uint32_t PS_DOT = 2;
inline constexpr std::uint32_t PS_DASHDOT = 3;
inline constexpr std::uint32_t PS_DASHDOTDOT = 4;
inline constexpr std::uint32_t PS_NULL = 5;
inline constexpr std::uint32_t PS_INSIDEFRAME = 6;
inline constexpr std::uint32_t PS_STYLE_MASK = 0x0F;

// Brush styles and hatches.
inline constexpr std::uint32_t BS_SOLID = 0;
inline constexpr std::uint32_t BS_NULL = 1;
inline constexpr std::uint32_t BS_HOLLOW = BS_NULL;
inline constexpr std::uint32_t BS_HATCHED = 2;
inline constexpr std::uint32_t HS_HORIZONTAL = 0;
inline constexpr std::uint32_t HS_VERTICAL = 1;
inline constexpr std::uint32_t HS_FDIAGONAL = 2;
inline constexpr std::uint32_t HS_BDIAGONAL = 3;
inline constexpr std::uint32_t HS_CROSS = 4;
inline constexpr std::uint32_t HS_DIAGCROSS = 5;

// Raster operations of line and fill drawing.
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_NOTXORPEN = 10;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_WHITE = 16;

// Mapping modes.
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_LOMETRIC = 2;
inline constexpr int MM_HIMETRIC = 3;
inline constexpr int MM_LOENGLISH = 4;
inline constexpr int MM_HIENGLISH = 5;
inline constexpr int MM_TWIPS = 6;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;

// Text alignment.
inline constexpr std::uint32_t TA_NOUPDATECP = 0;
inline constexpr std::uint32_t TA_UPDATECP = 1;
inline constexpr std::uint32_t TA_LEFT = 0;
inline constexpr std::uint32_t TA_RIGHT = 2;
inline constexpr std::uint32_t TA_CENTER = 6;
inline constexpr std::uint32_t TA_TOP = 0;
inline constexpr std::uint32_t TA_BOTTOM = 8;
inline constexpr std::uint32_t TA_BASELINE = 24;
inline constexpr std::uint32_t TA_RTLREADING = 256;
inline constexpr std::uint32_t TA_HORZ_MASK = TA_LEFT | TA_RIGHT | TA_CENTER;
inline constexpr std::uint32_t TA_VERT_MASK = TA_TOP | TA_BOTTOM | TA_BASELINE;

// ExtTextOut options: the rectangle is used only with one of these.
inline constexpr std::uint32_t ETO_OPAQUE = 2;
inline constexpr std::uint32_t ETO_CLIPPED = 4;

// Background modes, fill modes, stretch modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;

// Character sets of a font.
inline constexpr std::uint8_t ANSI_CHARSET = 0;
inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t SYMBOL_CHARSET = 2;

// Stock objects, numbered as the metafiles number them (0x80000000 | n).
enum class StockObject : std::uint32_t {
    WHITE_BRUSH = 0,
    LTGRAY_BRUSH = 1,
    GRAY_BRUSH = 2,
    DKGRAY_BRUSH = 3,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    SYSTEM_FONT = 13,
};

// The stored pen record: style, width as a POINT (only x counts for drawing),
// colour. 16 bytes when stored.
struct LogPen {
    std::uint32_t style = PS_SOLID;
    Point width{0, 0};
    COLORREF color = 0;
    friend bool operator==(const LogPen&, const LogPen&) = default;
};

// The stored brush record: style, colour, hatch (low 32 bits). 12 bytes.
struct LogBrush {
    std::uint32_t style = BS_SOLID;
    COLORREF color = 0;
    std::uint32_t hatch = 0;
    friend bool operator==(const LogBrush&, const LogBrush&) = default;
};

// A font request: the fields of a LOGFONT. A negative height is the em
// height in logical units, a positive one the cell height. Escapement and
// orientation are tenths of a degree, counter-clockwise.
struct LogFont {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = DEFAULT_CHARSET;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName;
    friend bool operator==(const LogFont&, const LogFont&) = default;
};

// What is selected into a context. `stock` names the stock object it is, or
// is empty (-1) for a created one; the record always holds the effective
// values, so that a backend never needs to know the stock table.
struct PenSelection {
    LogPen pen;
    int stock = -1;
    friend bool operator==(const PenSelection&, const PenSelection&) = default;
};
struct BrushSelection {
    LogBrush brush;
    int stock = -1;
    friend bool operator==(const BrushSelection&, const BrushSelection&) = default;
};
struct FontSelection {
    LogFont font;
    int stock = -1;
    friend bool operator==(const FontSelection&, const FontSelection&) = default;
};

// Selections made from records or from the stock table. A stock id that is
// not a pen (brush, font) gives the null pen (brush, system font).
PenSelection MakePen(const LogPen& pen);
BrushSelection MakeBrush(const LogBrush& brush);
FontSelection MakeFont(const LogFont& font);
PenSelection StockPen(StockObject id);
BrushSelection StockBrush(StockObject id);
FontSelection StockFont(StockObject id);

// First code of the glyph fonts' private-use block: glyph i is U+F000 + i.
inline constexpr char16_t kGlyphFontBase = 0xF000;

}  // namespace kavitro
