// make_about_pictures: draws the pictures of the splash window and the About
// box into the language packs: LOGO.png (the dialog's background, whose
// title is the program's name as our engine writes it in Nastaliq) and
// DAT1.png .. DAT32.png, the frames of the turning medallion in the box's
// top-right corner. Every picture is drawn here from our own glyph fonts
// and shapes; nothing is taken from a screen.
//
//   make_about_pictures --data-dir DIR IMAGES_FOLDER...
//
// Each frame is opaque; the colour of its pixel (0, 0) is the colour key that
// the About box makes transparent. Where the medallion's edge only partly
// covers a pixel, that pixel is blended over the logo's own background at
// the place the frame is shown, so that the edges stay smooth with one key.

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "document/DocumentServices.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/ObjectsBuffer.h"
#include "engine/CalligraphyFont.h"
#include "platform/AtomicFile.h"
#include "platform/ErrorReport.h"
#include "platform/qt/HeadlessSession.h"
#include "platform/qt/QtPainterDC.h"

namespace {

using namespace kavitro;

// The program's name, as the title of the logo and the face of the medallion.
constexpr char16_t kProgramName[] = u"\u06A9\u0627\u0648\u06CC\u062A\u0631\u0648";  // کاویترو

constexpr QSize kLogoSize(400, 380);
constexpr int kFrameCount = 32;
constexpr int kFrameSide = 120;
// Where the About box shows the frames: 10 pixels in from the top and right.
constexpr QPoint kFrameOrigin(kLogoSize.width() - 130, 10);
constexpr QRgb kColourKey = 0xFFFF00FFu;  // magenta: in no picture here

const QColor kInk(0x4A, 0x10, 0x10);
const QColor kGold(0xC8, 0x9B, 0x3C);
const QColor kPaleGold(0xEC, 0xD3, 0x8E);
const QColor kPaperTop(0xFB, 0xF6, 0xEA);
const QColor kPaperBottom(0xEE, 0xE1, 0xC4);

// How much of each pixel the word covers (0..255), as our engine writes it,
// trimmed to its ink and fitted into `box` with its proportions kept.
QImage WordCoverage(const std::u16string& word, QSize box) {
    CKavitroDoc doc;
    doc.OnNewDocument();
    DefaultDocumentView view;
    doc.AddView(&view);
    CPolygonRect at;
    at.m_rect = Rect(-doc.m_margins.right, -doc.m_margins.top - 2000, 0, 0);
    auto* text = new CDrawText(at, 0, &doc);
    text->m_nSize = CDrawText::ClampSize(3000);
    doc.Add(text, true);
    view.m_selection = {text};
    text->RecalcLayout(&view, false);
    for (const char16_t c : word) {
        text->OnChar(&view, c);
        ++CObjectsBuffer::GetActionIdCounter();
    }
    QImage page;
    const COLORREF white = RGB(255, 255, 255);
    const bool drawn = doc.RenderToBitmap(page, Size{box.width() * 6, box.height() * 6}, {text}, true, &white);
    doc.RemoveView(&view);
    if (!drawn) return {};
    QImage coverage = page.convertToFormat(QImage::Format_Grayscale8);
    coverage.invertPixels();
    int left = coverage.width(), top = coverage.height(), right = -1, bottom = -1;
    for (int y = 0; y < coverage.height(); ++y) {
        const uchar* line = coverage.constScanLine(y);
        for (int x = 0; x < coverage.width(); ++x) {
            if (line[x] < 16) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (right < left) return {};
    return coverage.copy(left, top, right - left + 1, bottom - top + 1)
        .scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The coverage filled with one colour, ready to be drawn.
QImage Tinted(const QImage& coverage, const QColor& colour) {
    QImage out(coverage.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < coverage.height(); ++y) {
        const uchar* in = coverage.constScanLine(y);
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < coverage.width(); ++x)
            line[x] = qPremultiply(qRgba(colour.red(), colour.green(), colour.blue(), in[x]));
    }
    return out;
}

// A twelve-pointed star of two turned hexagrams, the ornament of the logo.
QPainterPath Rosette(QPointF centre, double outer, double inner) {
    QPainterPath path;
    for (int k = 0; k < 24; ++k) {
        const double angle = k * std::numbers::pi / 12 - std::numbers::pi / 2;
        const double r = k % 2 == 0 ? outer : inner;
        const QPointF p(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
        if (k == 0) path.moveTo(p);
        else path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

void DrawFrameLines(QPainter& p, QSize size) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGold, 2.5));
    p.drawRect(QRectF(6, 6, size.width() - 12, size.height() - 12));
    p.setPen(QPen(kInk, 1));
    p.drawRect(QRectF(10.5, 10.5, size.width() - 21, size.height() - 21));
    // A small lozenge on each corner of the gold line.
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    for (const QPointF corner : {QPointF(6, 6), QPointF(size.width() - 6, 6), QPointF(6, size.height() - 6),
                                 QPointF(size.width() - 6, size.height() - 6)}) {
        QPainterPath lozenge;
        lozenge.moveTo(corner + QPointF(0, -5));
        lozenge.lineTo(corner + QPointF(5, 0));
        lozenge.lineTo(corner + QPointF(0, 5));
        lozenge.lineTo(corner + QPointF(-5, 0));
        lozenge.closeSubpath();
        p.drawPath(lozenge);
    }
}

// The logo: paper, frame, the name in Nastaliq with its Latin spelling, a
// gold rule above the version line, the seal behind the turning medallion,
// and a rosette beside the scrolling text.
QImage MakeLogo(const QImage& titleCoverage) {
    QImage logo(kLogoSize, QImage::Format_RGB32);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient paper(0, 0, 0, kLogoSize.height());
    paper.setColorAt(0, kPaperTop);
    paper.setColorAt(1, kPaperBottom);
    p.fillRect(logo.rect(), paper);
    DrawFrameLines(p, kLogoSize);

    // The title, with a soft gold shadow, left of the medallion.
    const QRect titleBox(24, 30, 236, 120);
    const QPoint at(titleBox.center().x() - titleCoverage.width() / 2,
                    titleBox.center().y() - titleCoverage.height() / 2);
    p.drawImage(at + QPoint(2, 2), Tinted(titleCoverage, QColor(kGold.red(), kGold.green(), kGold.blue(), 110)));
    p.drawImage(at, Tinted(titleCoverage, kInk));

    QFont latin(QStringLiteral("DejaVu Serif"));
    latin.setPixelSize(15);
    latin.setLetterSpacing(QFont::AbsoluteSpacing, 5);
    p.setFont(latin);
    p.setPen(kInk);
    p.drawText(QRect(24, 152, 236, 24), Qt::AlignCenter, QStringLiteral("KAVITRO"));

    // The seal the medallion turns in front of.
    const QPointF seal(kFrameOrigin.x() + kFrameSide / 2.0, kFrameOrigin.y() + kFrameSide / 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kPaleGold.red(), kPaleGold.green(), kPaleGold.blue(), 90));
    p.drawPath(Rosette(seal, 56, 44));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(kGold.red(), kGold.green(), kGold.blue(), 150), 1.2));
    p.drawEllipse(seal, 58, 58);

    // The rule over the version line.
    QLinearGradient rule(20, 0, kLogoSize.width() - 20, 0);
    rule.setColorAt(0, QColor(kGold.red(), kGold.green(), kGold.blue(), 0));
    rule.setColorAt(0.5, kGold);
    rule.setColorAt(1, QColor(kGold.red(), kGold.green(), kGold.blue(), 0));
    p.fillRect(QRectF(20, 186, kLogoSize.width() - 40, 1.5), rule);

    // The rosette beside the scrolling text.
    const QPointF rosette(325, 290);
    p.setPen(QPen(kGold, 1.5));
    p.setBrush(QColor(kPaleGold.red(), kPaleGold.green(), kPaleGold.blue(), 120));
    p.drawPath(Rosette(rosette, 48, 36));
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(rosette, 26, 26);
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawPath(Rosette(rosette, 16, 8));
    p.setBrush(kInk);
    p.drawEllipse(rosette, 3, 3);
    p.end();
    return logo;
}

// One face of the medallion, facing the viewer, `side` pixels square with a
// transparent surround: gold with the name in ink on the front, the rosette
// on the back.
QImage MedallionFace(int side, const QImage& nameCoverage, bool front) {
    QImage face(side, side, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(side / 2.0, side / 2.0);
    const double r = side * 0.46;
    QRadialGradient gold(c - QPointF(r / 3, r / 3), r * 1.6);
    gold.setColorAt(0, QColor(0xFA, 0xE7, 0xA8));
    gold.setColorAt(0.55, kGold);
    gold.setColorAt(1, QColor(0x8C, 0x64, 0x1E));
    p.setPen(QPen(QColor(0x7A, 0x54, 0x14), side / 60.0));
    p.setBrush(gold);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, side / 90.0));
    p.drawEllipse(c, r * 0.86, r * 0.86);
    if (front) {
        const QImage name = Tinted(nameCoverage, kInk);
        p.drawImage(QPointF(c.x() - name.width() / 2.0, c.y() - name.height() / 2.0), name);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawPath(Rosette(c, r * 0.62, r * 0.46));
        p.setBrush(QColor(0xFA, 0xE7, 0xA8));
        p.drawEllipse(c, r * 0.14, r * 0.14);
    }
    return face;
}

// Frame n (0-based) of the medallion turning once about its upright axis in
// kFrameCount steps: the face narrows with the cosine of the angle, and the
// rim shows on the side it turns away from.
QImage MedallionFrame(int n, const QImage& front, const QImage& back, const QImage& logo) {
    const int scale = front.width() / kFrameSide;
    const double angle = 2 * std::numbers::pi * n / kFrameCount;
    const double width = std::max(std::abs(std::cos(angle)), 0.06);
    const QImage& face = std::cos(angle) >= 0 ? front : back;
    const int side = face.width();

    QImage layer(side, side, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const double r = side * 0.46;
        const double rim = side * 0.05 * std::sin(angle);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x8C, 0x64, 0x1E));
        for (int i = 1; i <= 8; ++i)
            p.drawEllipse(QPointF(side / 2.0 + rim * i / 8, side / 2.0), r * width, r);
        p.translate(side / 2.0, 0);
        p.scale(width, 1);
        p.translate(-side / 2.0, 0);
        p.drawImage(0, 0, face);
        // Light falls on the face as it turns towards the viewer.
        p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        p.fillRect(layer.rect(), QColor(0, 0, 0, static_cast<int>(90 * (1 - width))));
    }
    const QImage small = scale > 1 ? layer.scaled(kFrameSide, kFrameSide, Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation)
                                   : layer;

    QImage frame(kFrameSide, kFrameSide, QImage::Format_RGB32);
    for (int y = 0; y < kFrameSide; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(small.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < kFrameSide; ++x) {
            const QRgb over = in[x];
            const int a = qAlpha(over);
            if (a == 0) {
                out[x] = kColourKey;
                continue;
            }
            const QRgb under = logo.pixel(kFrameOrigin.x() + x, kFrameOrigin.y() + y);
            const auto mix = [a](int top, int bottom) { return top + bottom * (255 - a) / 255; };
            out[x] = qRgb(mix(qRed(over), qRed(under)), mix(qGreen(over), qGreen(under)),
                          mix(qBlue(over), qBlue(under)));
            if (out[x] == kColourKey) out[x] ^= 1;  // never the key by chance
        }
    }
    frame.setPixel(0, 0, kColourKey);
    return frame;
}

bool WritePng(const std::filesystem::path& path, const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return false;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return WriteFileAtomically(path, std::span(data, static_cast<std::size_t>(bytes.size())));
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "make_about_pictures: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const kavitro::HeadlessSession session;
    QGuiApplication application(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4 || args[1] != QLatin1String("--data-dir"))
        return Fail("usage: make_about_pictures --data-dir DIR IMAGES_FOLDER...");
    const std::filesystem::path dataDir = args[2].toStdString();

    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    RecordingErrorReport reports;
    fonts.SetErrorReport(&reports);
    fonts.Init(dataDir, 0);
    fonts.SetErrorReport(nullptr);
    if (!reports.Reports().empty()) return Fail("the glyph fonts in " + dataDir.string() + " cannot be read");
    CQtPainterDC::SetGlyphFontFolder(dataDir / CCalligraphyFont::kFontsFolderName);

    const QImage title = WordCoverage(kProgramName, QSize(226, 112));
    constexpr int kDrawScale = 4;  // the medallion is drawn large and made small, for smooth edges
    const int faceSide = kFrameSide * kDrawScale;
    const QImage name = WordCoverage(kProgramName, QSize(faceSide * 62 / 100, faceSide * 40 / 100));
    if (title.isNull() || name.isNull()) return Fail("the program's name cannot be written with these glyph fonts");

    const QImage logo = MakeLogo(title);
    const QImage front = MedallionFace(faceSide, name, true);
    const QImage back = MedallionFace(faceSide, name, false);
    std::vector<QImage> frames;
    for (int n = 0; n < kFrameCount; ++n) frames.push_back(MedallionFrame(n, front, back, logo));

    for (int i = 3; i < args.size(); ++i) {
        const std::filesystem::path folder = args[i].toStdString();
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!WritePng(folder / "LOGO.png", logo)) return Fail("cannot write " + (folder / "LOGO.png").string());
        for (int n = 0; n < kFrameCount; ++n) {
            const std::filesystem::path file = folder / ("DAT" + std::to_string(n + 1) + ".png");
            if (!WritePng(file, frames[static_cast<std::size_t>(n)])) return Fail("cannot write " + file.string());
        }
    }
    return 0;
}
