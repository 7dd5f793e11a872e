#pragma once

// Pictures of calligraphy for menus and galleries: text drawn in 0.01 mm
// onto an image, written leftward from its right end on the baseline, with
// smooth edges and no background.

#include <QImage>
#include <QPainter>
#include <QPoint>

#include <functional>

#include "platform/DC.h"
#include "platform/qt/QtPainterDC.h"

namespace kavitro {

// The settings every picture context (and a context that measures for one)
// draws its text with.
inline void SetTextPictureMode(CDC& dc) {
    dc.SetMapMode(MM_HIMETRIC);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_RIGHT | TA_BASELINE);
}

// Runs `draw` on a context over `image`, the logical origin at pixel `pen`;
// the image is complete on return.
inline void DrawTextPicture(QImage& image, COLORREF colour, QPoint pen, const std::function<void(CDC& dc)>& draw) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    CQtPainterDC dc(painter);
    SetTextPictureMode(dc);
    dc.SetTextColor(colour);
    dc.SetViewportOrg({pen.x(), pen.y()});
    draw(dc);
}

}  // namespace kavitro
