#pragma once

// The drawing context all drawing code is written against once: a small
// GDI-like surface with mapping modes, saved states, selected pens, brushes
// and fonts, raster operations, shapes, glyph text, paths, bitmaps and
// metafile playback. CDC keeps the state; a backend (QPainter, metafile
// recorders, the path recorder, the test spy) implements the protected Do*
// hooks and may watch state changes through OnStateChanged.
//
// Coordinates handed to the public calls and to the hooks are logical units;
// a backend converts with GetMapping(). Failures come back as return values;
// nothing here throws.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DcMapping.h"
#include "platform/DcPath.h"
#include "platform/DcTypes.h"
#include "platform/DibImage.h"
#include "platform/Geometry.h"

namespace kavitro {

class CDC;

// The outline of one character of a font, for text drawn into a path or by
// the path recorder: logical units at the font's height, origin on the
// baseline at the left of the glyph, x to the right, y up.
struct GlyphOutline {
    std::vector<std::uint8_t> types;
    std::vector<PointF> points;
    double advance = 0;
    double ascent = 0;   // above the baseline, for TA_TOP
    double descent = 0;  // below it, for TA_BOTTOM
};

class IGlyphOutlineSource {
public:
    virtual ~IGlyphOutlineSource() = default;
    // False when the font or the character is unknown.
    virtual bool GetGlyphOutline(const LogFont& font, char16_t code, GlyphOutline& outline) const = 0;
};

// Plays a metafile (EMF, or placeable or plain WMF) onto a context, fitted
// into `destination` (logical units). Implemented by the metafile player and
// registered once with SetMetafilePlayer.
class IMetafilePlayer {
public:
    virtual ~IMetafilePlayer() = default;
    virtual bool Play(CDC& dc, std::span<const std::uint8_t> metafile, const Rect& destination) = 0;
};
void SetMetafilePlayer(IMetafilePlayer* player);
IMetafilePlayer* GetMetafilePlayer();

// The parts of the state a backend may be told about.
enum class DcState : std::uint8_t {
    MapMode,
    WindowOrg,
    WindowExt,
    ViewportOrg,
    ViewportExt,
    Pen,
    Brush,
    Font,
    Rop2,
    TextColor,
    BkColor,
    BkMode,
    TextAlign,
    PolyFillMode,
    StretchBltMode,
    ClipRect,
    CurrentPosition,
};

// One text output: ExtTextOutW (wide), ExtTextOutA (one byte per character,
// `ansi` set) or TextOutW (options 0, no rectangle).
struct TextCall {
    Point origin;
    std::uint32_t options = 0;
    std::optional<Rect> rect;  // logical; used by the backends only with ETO_CLIPPED or ETO_OPAQUE
    std::u16string text;       // for `ansi`, each byte widened unchanged
    bool ansi = false;
};

// The characters a text call shows in `font`: for a one-byte call in a
// symbol font, byte b is the font's character U+F000 + b.
std::u16string TextCodes(const TextCall& call, const LogFont& font);

// One bitmap output: SetDIBitsToDevice (`stretched` clear, the whole
// bitmap at destination's top-left) or StretchDIBits (source part of the
// bitmap, pixels counted from the top-left, into the destination).
struct DibCall {
    Rect destination;
    Rect source;
    bool stretched = false;
};

class CDC {
public:
    explicit CDC(std::int32_t dpiX = 96, std::int32_t dpiY = 96);
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // The device.
    virtual bool IsPrinting() const { return false; }
    // Device size in pixels; (0, 0) when the device has no fixed size.
    virtual Size GetDeviceSize() const { return {}; }

    // Mapping. The setters return the previous value; SetWindowExt and
    // SetViewportExt return (0, 0) and change nothing outside MM_ANISOTROPIC
    // and MM_ISOTROPIC or for a zero extent; SetMapMode returns 0 for an
    // unknown mode.
    int SetMapMode(int mode);
    int GetMapMode() const { return m_state.mapping.GetMapMode(); }
    Point SetWindowOrg(Point org);
    Point SetViewportOrg(Point org);
    Point OffsetWindowOrg(std::int32_t dx, std::int32_t dy);
    Point OffsetViewportOrg(std::int32_t dx, std::int32_t dy);
    Size SetWindowExt(Size ext);
    Size SetViewportExt(Size ext);
    Point GetWindowOrg() const { return m_state.mapping.GetWindowOrg(); }
    Point GetViewportOrg() const { return m_state.mapping.GetViewportOrg(); }
    Size GetWindowExt() const { return m_state.mapping.GetWindowExt(); }
    Size GetViewportExt() const { return m_state.mapping.GetViewportExt(); }
    const CDcMapping& GetMapping() const { return m_state.mapping; }
    void DPtoLP(std::span<Point> points) const { m_state.mapping.DPtoLP(points); }
    void LPtoDP(std::span<Point> points) const { m_state.mapping.LPtoDP(points); }
    Point DPtoLP(Point p) const { return m_state.mapping.DPtoLP(p); }
    Point LPtoDP(Point p) const { return m_state.mapping.LPtoDP(p); }
    Rect DPtoLP(const Rect& r) const;
    Rect LPtoDP(const Rect& r) const;

    // Saved states: SaveDC returns the new level (1, 2, ...); RestoreDC takes
    // a level or, negative, a count back from the top (-1 the last), and
    // returns false (nothing changes) for a level that is not saved.
    int SaveDC();
    bool RestoreDC(int level);

    // Selections return what was selected before, to be selected back.
    PenSelection SelectPen(const PenSelection& pen);
    BrushSelection SelectBrush(const BrushSelection& brush);
    FontSelection SelectFont(const FontSelection& font);
    const PenSelection& GetPen() const { return m_state.pen; }
    const BrushSelection& GetBrush() const { return m_state.brush; }
    const FontSelection& GetFont() const { return m_state.font; }

    // Attributes; each setter returns the previous value.
    int SetROP2(int rop);
    COLORREF SetTextColor(COLORREF color);
    COLORREF SetBkColor(COLORREF color);
    int SetBkMode(int mode);
    std::uint32_t SetTextAlign(std::uint32_t align);
    int SetPolyFillMode(int mode);
    int SetStretchBltMode(int mode);
    int GetROP2() const { return m_state.rop2; }
    COLORREF GetTextColor() const { return m_state.textColor; }
    COLORREF GetBkColor() const { return m_state.bkColor; }
    int GetBkMode() const { return m_state.bkMode; }
    std::uint32_t GetTextAlign() const { return m_state.textAlign; }
    int GetPolyFillMode() const { return m_state.polyFillMode; }
    int GetStretchBltMode() const { return m_state.stretchBltMode; }

    // Clipping: the clip rectangle is kept in device units; a rectangle given
    // in logical units narrows it. GetClipBox: the clip (or the device) in
    // logical units, normalised; all zeros when neither is known.
    bool IntersectClipRect(const Rect& logical);
    Rect GetClipBox() const;
    const std::optional<Rect>& GetDeviceClip() const { return m_state.deviceClip; }

    // Shapes. Inside a path bracket they add figures to the path instead of
    // drawing.
    Point MoveTo(Point p);
    Point GetCurrentPosition() const { return m_state.currentPosition; }
    bool LineTo(Point p);
    bool Polyline(std::span<const Point> points);
    bool Polygon(std::span<const Point> points);
    bool Rectangle(const Rect& rect);
    bool RoundRect(const Rect& rect, Point corner);
    bool Ellipse(const Rect& rect);
    // As MFC does it: sets the background colour and fills opaquely.
    void FillSolidRect(const Rect& rect, COLORREF color);
    // Inverts the destination (PatBlt with DSTINVERT).
    bool InvertRect(const Rect& rect);

    // Text at (x, y) aligned by the text alignment, in the text colour.
    bool ExtTextOut(std::int32_t x, std::int32_t y, std::uint32_t options, const Rect* rect, std::u16string_view text);
    bool ExtTextOutA(std::int32_t x, std::int32_t y, std::uint32_t options, const Rect* rect, std::string_view bytes);
    bool TextOut(std::int32_t x, std::int32_t y, std::u16string_view text);

    // Bitmaps. A source rectangle outside the bitmap is clipped to it.
    bool SetDIBitsToDevice(Point destination, const DibImage& dib);
    bool StretchDIBits(const Rect& destination, const Rect& source, const DibImage& dib);

    // Plays a metafile's bytes into the rectangle through the registered
    // player (or the backend's own playback); false without a player.
    bool PlayMetafile(std::span<const std::uint8_t> metafile, const Rect& destination);

    // Paths, kept in device units as GDI keeps them. EndPath closes the
    // bracket; PathToRegion and GetPath need a closed bracket, and
    // PathToRegion consumes the path.
    bool BeginPath();
    bool EndPath();
    bool AbortPath();
    bool CloseFigure();
    bool IsPathOpen() const { return m_pathState == PathState::Open; }
    std::optional<CRegion> PathToRegion();
    std::optional<CDcPath> GetPath() const;

    // Where glyph outlines for paths come from; without one, text adds
    // nothing to a path.
    void SetGlyphOutlineSource(const IGlyphOutlineSource* source) { m_glyphSource = source; }
    const IGlyphOutlineSource* GetGlyphOutlineSource() const { return m_glyphSource; }

    // The outline of a text call in logical units, placed by the text
    // alignment and the font's escapement; false without a glyph source or
    // when a character has no outline (the others are still added).
    bool BuildTextOutline(const TextCall& call, CDcPath& logicalPath) const;

protected:
    virtual void OnStateChanged(DcState /*what*/) {}
    virtual void OnSaveDC() {}
    virtual void OnRestoreDC(int /*level*/) {}
    // BeginPath, EndPath, AbortPath, CloseFigure.
    virtual void OnPathCall(std::string_view /*name*/) {}

    virtual bool DoLineTo(Point from, Point to) = 0;
    virtual bool DoPolyline(std::span<const Point> points) = 0;
    virtual bool DoPolygon(std::span<const Point> points) = 0;
    virtual bool DoRectangle(const Rect& rect) = 0;
    virtual bool DoRoundRect(const Rect& rect, Point corner) = 0;
    virtual bool DoEllipse(const Rect& rect) = 0;
    virtual void DoFillSolidRect(const Rect& rect, COLORREF color) = 0;
    virtual bool DoInvertRect(const Rect& rect) = 0;
    virtual bool DoText(const TextCall& call) = 0;
    virtual bool DoDib(const DibCall& call, const DibImage& dib) = 0;
    // Default: the registered player plays the metafile onto this context.
    virtual bool DoPlayMetafile(std::span<const std::uint8_t> metafile, const Rect& destination);

private:
    struct State {
        CDcMapping mapping;
        PenSelection pen;
        BrushSelection brush;
        FontSelection font;
        int rop2 = R2_COPYPEN;
        COLORREF textColor = 0;
        COLORREF bkColor = 0xFFFFFF;
        int bkMode = OPAQUE;
        std::uint32_t textAlign = TA_LEFT | TA_TOP;
        int polyFillMode = ALTERNATE;
        int stretchBltMode = BLACKONWHITE;
        std::optional<Rect> deviceClip;
        Point currentPosition{};
    };
    enum class PathState : std::uint8_t { None, Open, Closed };

    PointF ToDevice(Point p) const;
    void AddToPath(const TextCall& call);
    // While a path is open a figure goes into the path (device units) instead
    // of onto the device, and that always succeeds.
    template <class AddToOpenPath, class Draw>
    bool IntoPathOrDraw(AddToOpenPath addToPath, Draw draw) {
        if (!IsPathOpen()) return draw();
        addToPath();
        return true;
    }
    // A bracket call that succeeded: the bracket is now in `state`.
    bool PathCallDone(PathState state, std::string_view name);
    // Sets one state value and tells the subclass; returns the value before.
    template <class T>
    T Replace(T State::*field, T value, DcState what) {
        T previous = std::exchange(m_state.*field, std::move(value));
        OnStateChanged(what);
        return previous;
    }

    State m_state;
    std::vector<State> m_saved;
    PathState m_pathState = PathState::None;
    CDcPath m_path;  // device units
    const IGlyphOutlineSource* m_glyphSource = nullptr;
};

}  // namespace kavitro
