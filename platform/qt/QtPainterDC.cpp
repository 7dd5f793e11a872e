#include "platform/qt/QtPainterDC.h"

#include <QtCore/QFile>
#include <QtGui/QFontMetricsF>
#include <QtGui/QGlyphRun>
#include <QtGui/QImage>
#include <QtGui/QPaintDevice>
#include <QtGui/QPaintEngine>
#include <QtGui/QPainterPath>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace kavitro {

namespace {

std::mutex g_fontMutex;
std::filesystem::path g_fontFolder;
std::map<std::string, QByteArray> g_fontData;  // face -> file bytes; empty when there is no file

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// The bytes of a glyph font's file, read once per process.
QByteArray FontData(const std::string& face) {
    std::lock_guard lock(g_fontMutex);
    auto it = g_fontData.find(face);
    if (it != g_fontData.end()) return it->second;
    QByteArray data;
    if (!g_fontFolder.empty() && !face.empty() && face.find('/') == std::string::npos) {
        QFile file(QString::fromStdString((g_fontFolder / (face + ".ttf")).string()));
        if (file.open(QIODevice::ReadOnly)) data = file.readAll();
    }
    g_fontData.emplace(face, data);
    return data;
}

bool SupportsRasterOps(QPainter& painter) {
    // Only the raster engine has the destination's pixels; PDF and print
    // engines claim the feature but cannot honour it.
    return painter.paintEngine() != nullptr && painter.paintEngine()->type() == QPaintEngine::Raster;
}

}  // namespace

// Saves the painter, applies the clip and, for lines and fills, the raster
// operation; restores everything when done.
class CQtPainterDC::PainterScope {
public:
    PainterScope(CQtPainterDC& dc, bool applyRop) : m_painter(dc.m_painter) {
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        if (const auto& clip = dc.GetDeviceClip())
            m_painter.setClipRect(QRectF(clip->left, clip->top, clip->Width(), clip->Height()), Qt::IntersectClip);
        if (!applyRop) return;
        QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
        switch (dc.GetROP2()) {
            case R2_NOTXORPEN: mode = QPainter::RasterOp_NotSourceXorDestination; break;
            case R2_XORPEN: mode = QPainter::RasterOp_SourceXorDestination; break;
            case R2_NOT: mode = QPainter::RasterOp_NotDestination; break;
            default: break;
        }
        if (mode != QPainter::CompositionMode_SourceOver && SupportsRasterOps(m_painter))
            m_painter.setCompositionMode(mode);
    }
    ~PainterScope() { m_painter.restore(); }
    PainterScope(const PainterScope&) = delete;
    PainterScope& operator=(const PainterScope&) = delete;

private:
    QPainter& m_painter;
};

CQtPainterDC::CQtPainterDC(QPainter& painter, bool printing)
    : CDC(painter.device() ? painter.device()->logicalDpiX() : 96, painter.device() ? painter.device()->logicalDpiY() : 96),
      m_painter(painter),
      m_printing(printing) {}

void CQtPainterDC::SetGlyphFontFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(g_fontMutex);
    g_fontFolder = folder;
    g_fontData.clear();
}

Size CQtPainterDC::GetDeviceSize() const {
    const QPaintDevice* device = m_painter.device();
    return device ? Size{device->width(), device->height()} : Size{};
}

QPointF CQtPainterDC::Device(Point p) const {
    double x = p.x, y = p.y;
    GetMapping().LPtoDP(x, y);
    return {x, y};
}

QPointF CQtPainterDC::StrokePoint(Point p) const {
    // A line through device point (x, y) covers pixel (x, y), as GDI draws it.
    return Device(p) + QPointF(0.5, 0.5);
}

QRectF CQtPainterDC::DeviceRect(const Rect& r) const {
    return QRectF(Device(r.TopLeft()), Device(r.BottomRight())).normalized();
}

double CQtPainterDC::PenWidth() const {
    // A zero or sub-pixel width is one pixel, as GDI draws it.
    const double w = std::abs(GetPen().pen.width.x * GetMapping().ScaleX());
    return std::max(1.0, w);
}

QPen CQtPainterDC::MakeQPen() const {
    const LogPen& lp = GetPen().pen;
    const std::uint32_t style = lp.style & PS_STYLE_MASK;
    if (style == PS_NULL) return QPen(Qt::NoPen);
    QColor color = ToQColor(lp.color);
    if (GetROP2() == R2_BLACK) color = Qt::black;
    if (GetROP2() == R2_WHITE) color = Qt::white;
    QPen pen(color);
    const double width = PenWidth();
    pen.setWidthF(width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    // Styled lines exist only for one-pixel pens; wider ones draw solid.
    if (width <= 1.0) {
        QList<qreal> dashes;
        switch (style) {
            case PS_DASH: dashes = {18, 6}; break;
            case PS_DOT: dashes = {3, 3}; break;
            case PS_DASHDOT: dashes = {9, 6, 3, 6}; break;
            case PS_DASHDOTDOT: dashes = {9, 3, 3, 3, 3, 3}; break;
            default: break;
        }
        if (!dashes.isEmpty()) {
            pen.setCapStyle(Qt::FlatCap);
            pen.setDashPattern(dashes);
        }
    }
    return pen;
}

QBrush CQtPainterDC::MakeQBrush() const {
    const LogBrush& lb = GetBrush().brush;
    QColor color = ToQColor(lb.color);
    if (GetROP2() == R2_BLACK) color = Qt::black;
    if (GetROP2() == R2_WHITE) color = Qt::white;
    switch (lb.style) {
        case BS_SOLID: return QBrush(color);
        case BS_HATCHED: {
            Qt::BrushStyle style = Qt::NoBrush;
            switch (lb.hatch) {
                case HS_HORIZONTAL: style = Qt::HorPattern; break;
                case HS_VERTICAL: style = Qt::VerPattern; break;
                case HS_FDIAGONAL: style = Qt::FDiagPattern; break;
                case HS_BDIAGONAL: style = Qt::BDiagPattern; break;
                case HS_CROSS: style = Qt::CrossPattern; break;
                case HS_DIAGCROSS: style = Qt::DiagCrossPattern; break;
                default: break;
            }
            return QBrush(color, style);
        }
        default: return QBrush(Qt::NoBrush);
    }
}

bool CQtPainterDC::DrawClosed(const QPainterPath& fill, const QPainterPath& stroke) {
    PainterScope scope(*this, true);
    const QBrush brush = MakeQBrush();
    if (brush.style() != Qt::NoBrush) {
        // Hatch gaps show the background colour unless the mode is transparent.
        if (brush.style() != Qt::SolidPattern && GetBkMode() == OPAQUE) m_painter.fillPath(fill, ToQColor(GetBkColor()));
        m_painter.fillPath(fill, brush);
    }
    const QPen pen = MakeQPen();
    if (pen.style() != Qt::NoPen) m_painter.strokePath(stroke, pen);
    return true;
}

bool CQtPainterDC::DoLineTo(Point from, Point to) {
    PainterScope scope(*this, true);
    const QPen pen = MakeQPen();
    if (pen.style() == Qt::NoPen) return true;
    QPainterPath path(StrokePoint(from));
    path.lineTo(StrokePoint(to));
    m_painter.strokePath(path, pen);
    return true;
}

bool CQtPainterDC::DoPolyline(std::span<const Point> points) {
    PainterScope scope(*this, true);
    const QPen pen = MakeQPen();
    if (pen.style() == Qt::NoPen) return true;
    QPainterPath path(StrokePoint(points[0]));
    for (std::size_t i = 1; i < points.size(); ++i) path.lineTo(StrokePoint(points[i]));
    m_painter.strokePath(path, pen);
    return true;
}

bool CQtPainterDC::DoPolygon(std::span<const Point> points) {
    QPolygonF polygon, outline;
    for (Point p : points) {
        polygon << Device(p);
        outline << StrokePoint(p);
    }
    QPainterPath fill, stroke;
    fill.addPolygon(polygon);
    fill.closeSubpath();
    fill.setFillRule(GetPolyFillMode() == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    stroke.addPolygon(outline);
    stroke.closeSubpath();
    return DrawClosed(fill, stroke);
}

namespace {

// The stroke of a framed shape runs half a pen inside its rectangle for an
// inside-frame pen, otherwise along the outermost pixels inside it (GDI
// leaves out the right and bottom edges).
double StrokeInset(std::uint32_t style, double width) {
    return (style & PS_STYLE_MASK) == PS_INSIDEFRAME ? width / 2 : 0.5;
}

// The brush fills what the pen's centre line encloses; without a pen, the
// whole rectangle.
bool HasPen(const LogPen& pen) { return (pen.style & PS_STYLE_MASK) != PS_NULL; }

}  // namespace

bool CQtPainterDC::DrawFramed(const QRectF& box, const FramedShape& shape) {
    const double inset = StrokeInset(GetPen().pen.style, PenWidth());
    QPainterPath fill, stroke;
    shape(stroke, box.adjusted(inset, inset, -inset, -inset), inset);
    if (!HasPen(GetPen().pen)) shape(fill, box, 0);
    return DrawClosed(HasPen(GetPen().pen) ? stroke : fill, stroke);
}

bool CQtPainterDC::DoRectangle(const Rect& rect) {
    return DrawFramed(DeviceRect(rect), [](QPainterPath& path, const QRectF& box, double) { path.addRect(box); });
}

bool CQtPainterDC::DoRoundRect(const Rect& rect, Point corner) {
    const QRectF r = DeviceRect(rect);
    const double rx = std::min(std::abs(corner.x * GetMapping().ScaleX()), r.width()) / 2;
    const double ry = std::min(std::abs(corner.y * GetMapping().ScaleY()), r.height()) / 2;
    return DrawFramed(r, [rx, ry](QPainterPath& path, const QRectF& box, double inset) {
        path.addRoundedRect(box, std::max(0.0, rx - inset), std::max(0.0, ry - inset));
    });
}

bool CQtPainterDC::DoEllipse(const Rect& rect) {
    return DrawFramed(DeviceRect(rect), [](QPainterPath& path, const QRectF& box, double) { path.addEllipse(box); });
}

void CQtPainterDC::DoFillSolidRect(const Rect& rect, COLORREF color) {
    PainterScope scope(*this, false);
    m_painter.fillRect(DeviceRect(rect), ToQColor(color));
}

bool CQtPainterDC::DoInvertRect(const Rect& rect) {
    if (!SupportsRasterOps(m_painter)) return false;
    PainterScope scope(*this, false);
    m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    m_painter.fillRect(DeviceRect(rect), Qt::black);
    return true;
}

const QRawFont* CQtPainterDC::GlyphFont(const std::string& face, double pixelSize) {
    const auto key = std::make_pair(face, static_cast<int>(std::lround(pixelSize * 64)));
    auto it = m_fonts.find(key);
    if (it == m_fonts.end()) {
        const QByteArray data = FontData(face);
        QRawFont font;
        if (!data.isEmpty()) font.loadFromData(data, pixelSize, QFont::PreferNoHinting);
        it = m_fonts.emplace(key, font).first;
    }
    return it->second.isValid() ? &it->second : nullptr;
}

bool CQtPainterDC::DoText(const TextCall& call) {
    const LogFont& font = GetFont().font;
    const double scale = std::abs(GetMapping().ScaleY());
    double pixelSize = font.height == 0 ? 16.0 : std::abs(font.height) * scale;
    if (pixelSize < 0.5 || pixelSize > 16384) return false;
    const QRawFont* raw = GlyphFont(font.faceName, pixelSize);
    if (raw && font.height > 0) {
        // A positive height is the cell height (ascent + descent).
        const double cell = raw->ascent() + raw->descent();
        if (cell > 0) raw = GlyphFont(font.faceName, pixelSize * pixelSize / cell);
    }
    return raw ? DrawRawText(call, *raw) : DrawFontText(call);
}

namespace {

// Where the run starts relative to the reference point, along the baseline
// (u, right) and across it (v, down), for the text alignment.
QPointF RunStart(std::uint32_t align, double advance, double ascent, double descent) {
    const std::uint32_t horizontal = align & TA_CENTER;
    const std::uint32_t vertical = align & TA_BASELINE;
    const double u = horizontal == TA_RIGHT ? -advance : horizontal == TA_CENTER ? -advance / 2 : 0;
    const double v = vertical == TA_BASELINE ? 0 : vertical == TA_BOTTOM ? -descent : ascent;
    return {u, v};
}

}  // namespace

bool CQtPainterDC::DrawRawText(const TextCall& call, const QRawFont& font) {
    const std::u16string codes = TextCodes(call, GetFont().font);
    const QString text = QString::fromUtf16(codes.data(), static_cast<qsizetype>(codes.size()));
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
    QList<QPointF> positions;
    double advance = 0;
    for (const QPointF& a : advances) {
        positions << QPointF(advance, 0);
        advance += a.x();
    }
    PainterScope scope(*this, false);
    if (call.rect && (call.options & ETO_OPAQUE)) m_painter.fillRect(DeviceRect(*call.rect), ToQColor(GetBkColor()));
    if (call.rect && (call.options & ETO_CLIPPED)) m_painter.setClipRect(DeviceRect(*call.rect), Qt::IntersectClip);
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.translate(Device(call.origin));
    m_painter.rotate(-GetFont().font.escapement / 10.0);
    const QPointF start = RunStart(GetTextAlign(), advance, font.ascent(), font.descent());
    if (GetBkMode() == OPAQUE)
        m_painter.fillRect(QRectF(start.x(), start.y() - font.ascent(), advance, font.ascent() + font.descent()),
                           ToQColor(GetBkColor()));
    m_painter.setPen(ToQColor(GetTextColor()));
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    m_painter.drawGlyphRun(start, run);
    return true;
}

bool CQtPainterDC::DrawFontText(const TextCall& call) {
    const LogFont& lf = GetFont().font;
    const std::u16string codes = TextCodes(call, lf);
    const QString text = QString::fromUtf16(codes.data(), static_cast<qsizetype>(codes.size()));
    QFont font(QString::fromStdString(lf.faceName));
    const double pixelSize = lf.height == 0 ? 16.0 : std::abs(lf.height) * std::abs(GetMapping().ScaleY());
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(lf.weight == 0 ? 400 : lf.weight, 100, 900)));
    font.setItalic(lf.italic != 0);
    const QFontMetricsF metrics(font);
    const double advance = metrics.horizontalAdvance(text);
    PainterScope scope(*this, false);
    if (call.rect && (call.options & ETO_OPAQUE)) m_painter.fillRect(DeviceRect(*call.rect), ToQColor(GetBkColor()));
    if (call.rect && (call.options & ETO_CLIPPED)) m_painter.setClipRect(DeviceRect(*call.rect), Qt::IntersectClip);
    m_painter.translate(Device(call.origin));
    m_painter.rotate(-lf.escapement / 10.0);
    const QPointF start = RunStart(GetTextAlign(), advance, metrics.ascent(), metrics.descent());
    if (GetBkMode() == OPAQUE)
        m_painter.fillRect(QRectF(start.x(), start.y() - metrics.ascent(), advance, metrics.height()),
                           ToQColor(GetBkColor()));
    m_painter.setFont(font);
    m_painter.setPen(ToQColor(GetTextColor()));
    m_painter.drawText(start, text);
    return true;
}

bool CQtPainterDC::DoDib(const DibCall& call, const DibImage& dib) {
    const Rect& s = call.source;
    QImage image(s.Width(), s.Height(), QImage::Format_RGB32);
    if (image.isNull()) return false;
    for (std::int32_t y = 0; y < s.Height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::int32_t x = 0; x < s.Width(); ++x) {
            const COLORREF c = dib.GetPixel(s.left + x, s.top + y);
            line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    if (!call.stretched) {
        PainterScope scope(*this, false);
        m_painter.drawImage(Device(call.destination.TopLeft()), image);
        return true;
    }
    // A destination given right to left or bottom to top mirrors the picture.
    const QPointF a = Device(call.destination.TopLeft());
    const QPointF b = Device(call.destination.BottomRight());
    image = image.mirrored(b.x() < a.x(), b.y() < a.y());
    PainterScope scope(*this, false);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, GetStretchBltMode() == HALFTONE);
    m_painter.drawImage(QRectF(a, b).normalized(), image);
    return true;
}

}  // namespace kavitro
