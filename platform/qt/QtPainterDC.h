#pragma once

// The drawing context on any QPaintDevice (widget back buffer, QImage,
// printer, PDF) through a QPainter the caller owns and has begun. Shapes are
// drawn aliased as the Windows drawing code expects; glyphs of the glyph
// fonts come from their font files (SetGlyphFontFolder), other faces from
// the font database. The raster operations map to Qt's raster composition
// modes, which only raster devices support; elsewhere they draw plainly.

#include <QtGui/QPainter>
#include <QtGui/QRawFont>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/DC.h"

namespace kavitro {

class CQtPainterDC : public CDC {
public:
    explicit CQtPainterDC(QPainter& painter, bool printing = false);

    // Where "<face>.ttf" files of the glyph fonts are looked for (the
    // program's share/kavitro/fonts), for every context of the process.
    static void SetGlyphFontFolder(const std::filesystem::path& folder);

    bool IsPrinting() const override { return m_printing; }
    Size GetDeviceSize() const override;

protected:
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
    class PainterScope;

    QPointF Device(Point p) const;
    QPointF StrokePoint(Point p) const;
    QRectF DeviceRect(const Rect& r) const;
    double PenWidth() const;
    QPen MakeQPen() const;
    QBrush MakeQBrush() const;
    // Fills and strokes a closed shape given as device paths: the brush
    // fills `fill`, the pen strokes `stroke`.
    bool DrawClosed(const QPainterPath& fill, const QPainterPath& stroke);
    // Adds a framed shape (rectangle, rounded rectangle, ellipse) in a
    // device box to a path; `inset` is how far the box was shrunk on each side.
    using FramedShape = std::function<void(QPainterPath& path, const QRectF& box, double inset)>;
    // A framed shape in a device box, its stroke inside the frame.
    bool DrawFramed(const QRectF& box, const FramedShape& shape);
    bool DrawRawText(const TextCall& call, const QRawFont& font);
    bool DrawFontText(const TextCall& call);
    const QRawFont* GlyphFont(const std::string& face, double pixelSize);

    QPainter& m_painter;
    bool m_printing;
    std::map<std::pair<std::string, int>, QRawFont> m_fonts;  // face, pixel size x 64
};

}  // namespace kavitro
