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
    // Fills and strokes a closed shape given as a device path; `inset`
    // builds the stroke path for a pen drawn inside (or on) the frame.
    bool DrawClosed(const QPainterPath& fill, const QPainterPath& stroke);
    bool DrawRawText(const TextCall& call, const QRawFont& font);
    bool DrawFontText(const TextCall& call);
    const QRawFont* GlyphFont(const std::string& face, double pixelSize);

    QPainter& m_painter;
    bool m_printing;
    std::map<std::pair<std::string, int>, QRawFont> m_fonts;  // face, pixel size x 64
};

}  // namespace kavitro
