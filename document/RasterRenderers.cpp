#include <QImage>
#include <QPainter>

#include "document/DrawObj.h"
#include "document/KavitroDoc.h"
#include "document/RendererSupport.h"
#include "platform/qt/QtPainterDC.h"

namespace kavitro {

using namespace renderer;

namespace {

QRgb ToQRgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

COLORREF CKavitroDoc::GetPaperColor() const {
    const CApplicationProperties* settings = m_services.settings;
    if (!settings || (*settings)[CApplicationProperties::PaperUseSystemColor]) return RGB(255, 255, 255);
    return static_cast<COLORREF>((*settings)[CApplicationProperties::PaperRGB]) & 0xFFFFFFu;
}

bool CKavitroDoc::RenderToBitmap(QImage& out, Size size, const std::vector<CDrawObj*>& objects, bool margin,
                                 const COLORREF* background) {
    ZoomScope zoom(*this, 100);
    const QRgb paper = ToQRgb(background ? *background : GetPaperColor());
    const Rect r = GetBoundingRect(objects);
    std::int64_t w, h, fw, fh;
    if (!PictureExtent(r, w, h)) {
        // Nothing drawn: a blank picture of the size.
        if (!WithinCaps(size.cx, size.cy)) return false;
        out = QImage(size.cx, size.cy, QImage::Format_RGB32);
        out.fill(paper);
        return !out.isNull();
    }
    if (!FittedSize(w, h, size, fw, fh)) return false;
    const std::int64_t mx = margin ? fw / 20 : 0;
    const std::int64_t my = margin ? fh / 20 : 0;
    if (!WithinCaps(fw + mx, fh + my)) return false;
    QImage image(static_cast<int>(fw + mx), static_cast<int>(fh + my), QImage::Format_RGB32);
    if (image.isNull()) return false;
    image.fill(paper);
    {
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        SetUpPage(dc, r, w, h, Size{static_cast<std::int32_t>(fw), static_cast<std::int32_t>(fh)},
                  Point{static_cast<std::int32_t>(mx >> 1), static_cast<std::int32_t>(my >> 1)});
        DrawObjectList(dc, GetFirstView(), objects, r);
    }
    out = std::move(image);
    return true;
}

QImage CKavitroDoc::RenderToGdiplusBitmap(Size size, const std::vector<CDrawObj*>& objects, bool transparent) {
    ZoomScope zoom(*this, 100);
    const Rect r = GetBoundingRect(objects);
    std::int64_t w, h, fw, fh;
    if (!PictureExtent(r, w, h) || !FittedSize(w, h, size, fw, fh) || !WithinCaps(fw, fh)) return QImage();
    QImage image(static_cast<int>(fw), static_cast<int>(fh), QImage::Format_ARGB32);
    if (image.isNull()) return image;
    constexpr QRgb kUntouched = 0xFEFEFEFEu;
    image.fill(transparent ? kUntouched : ToQRgb(GetPaperColor()));
    {
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        SetUpPage(dc, r, w, h, Size{static_cast<std::int32_t>(fw), static_cast<std::int32_t>(fh)}, Point{0, 0});
        DrawObjectList(dc, GetFirstView(), objects, r);
    }
    if (transparent) {
        const int width = image.width();
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) line[x] = line[x] == kUntouched ? 0u : (line[x] | 0xFF000000u);
        }
    }
    return image;
}

}  // namespace kavitro
