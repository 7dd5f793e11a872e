#pragma once

// A page with a typed text, a filled rectangle and a raster picture, shown
// in a view; independent readers run as programs; pictures looked at where
// the objects are.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <string_view>

#include "../document/DocumentFixture.h"
#include "../document/PictureFixtures.h"
#include "document/Dib.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/QtPainterDC.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro::test {

// An independent reader, when installed: its exit status and what it printed.
struct ReaderRun {
    bool installed = false;
    int exitCode = -1;
    QByteArray out;
};
inline ReaderRun RunReader(const QString& program, const QStringList& args) {
    ReaderRun r;
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return r;
    r.installed = true;
    QProcess p;
    p.start(path, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput() + p.readAllStandardError();
    return r;
}

inline QString Q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

class PageFixture : public ::testing::Test {
protected:
    static constexpr COLORREF kRectColor = RGB(200, 30, 30);

    void SetUp() override {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
        CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
        CDrawTool::CurrentShape() = 0;
        view->OnActivateView(true);
        view->UpdateScrollSizes();

        rect = AddRect(*doc, Place(-19000, -24000, 5000, 4000));
        rect->m_bBrush = 1;
        rect->m_logbrush.color = kRectColor;

        CPolygonRect at;
        at.m_rect = Rect{-9000, -19000, -13000, -15000};
        at.SetAngle(0);
        picture = new CDrawPicture(at, 0, doc.get());
        picture->m_pDib = std::make_unique<CDib>();
        picture->m_pDib->SetDib(MakeDib(40, 40, 24));
        picture->m_nPictureType = CDrawPicture::RasterPicture;
        doc->Add(picture, true);

        // The text last: adding purges empty objects, an empty text too.
        CPolygonRect textAt;
        textAt.m_rect = Rect(-3000, -5000, 0, 0);
        text = new CDrawText(textAt, 0, doc.get());
        doc->Add(text, true);
        view->Select(text, false, false);
        for (const char16_t c : std::u16string_view(u"سلام")) view->OnChar(c);
        view->ClearSelection();
    }
    void TearDown() override { CDrawTool::CurrentShape() = 0; }

    // An object's rectangle at 100 %, normalised (y up: top < bottom).
    Rect RectOf(CDrawObj& object) {
        const std::int32_t zoom = doc->GetZoom();
        doc->m_nZoom = 100;
        Rect r;
        object.GetZoomedRect(r);
        doc->m_nZoom = zoom;
        r.NormalizeRect();
        return r;
    }

    TestServices env;
    std::unique_ptr<CKavitroDoc> doc = NewDocument(env.services);
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view = std::make_unique<CKavitroView>(*doc, host);
    CDrawRect* rect = nullptr;
    CDrawPicture* picture = nullptr;
    CDrawText* text = nullptr;
};

// A picture of the area `box` (document units, y up) scaled to its size:
// which pixel shows a document point.
struct PictureOfBox {
    Rect box;
    QImage image;

    QPoint PixelOf(double x, double y) const {
        const double s = static_cast<double>(image.width()) / (box.right - box.left);
        return {static_cast<int>((x - box.left) * s), static_cast<int>((box.bottom - y) * s)};
    }
    QRgb At(double x, double y) const {
        const QPoint p = PixelOf(x, y);
        return image.pixel(std::clamp(p.x(), 0, image.width() - 1), std::clamp(p.y(), 0, image.height() - 1));
    }
    // Pixels inside an object's rectangle darker than `level` in every channel.
    int DarkPixelsIn(const Rect& r, int level = 100) const {
        const QPoint a = PixelOf(r.left, r.bottom), b = PixelOf(r.right, r.top);
        int dark = 0;
        for (int y = std::max(a.y(), 0); y < std::min(b.y(), image.height()); ++y)
            for (int x = std::max(a.x(), 0); x < std::min(b.x(), image.width()); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAlpha(c) > 128 && qRed(c) < level && qGreen(c) < level && qBlue(c) < level) ++dark;
            }
        return dark;
    }
};

inline bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace kavitro::test
