// Recording a page of 500 glyphs into an EMF (goal: under 5 ms) and playing
// it back (goal: under 20 ms). Each glyph is drawn as the text object draws
// it: its font selected, one ExtTextOut at its own position with the clip
// rectangle; the stock font selected again after each word of five glyphs.

#include <benchmark/benchmark.h>

#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include "platform/EmfRecorder.h"
#include "platform/Metafile.h"
#include "platform/MetafilePlayer.h"
#include "platform/SpyDC.h"
#include "platform/WmfRecorder.h"
#include "platform/qt/QtPainterDC.h"

namespace kavitro {
namespace {

constexpr int kGlyphs = 500;
const Rect kPage(-21000, 0, 0, -29700);  // A4 in 0.01 mm, top-right at the origin, y up

void DrawPage(CDC& dc, bool oneByteGlyphs) {
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
    // As the page renderer sets an EMF up: the document's MM_HIMETRIC (the
    // extents it also sets do not apply there), the window origin at the
    // page's top-left.
    dc.SetMapMode(MM_HIMETRIC);
    dc.SetWindowExt({21000, -29700});
    dc.SetViewportExt({21000, 29700});
    dc.SetWindowOrg({kPage.left, kPage.top});
    dc.SetTextColor(RGB(0, 0, 0));
    LogFont fonts[5];
    for (int f = 0; f < 5; ++f) {
        fonts[f].height = -600;
        fonts[f].charSet = SYMBOL_CHARSET;
        fonts[f].faceName = "Vorl2" + std::to_string(f + 1);
    }
    for (int i = 0; i < kGlyphs; ++i) {
        const int x = -1000 - (i % 25) * 760;
        const int y = -1500 - (i / 25) * 1400;
        dc.SelectFont(MakeFont(fonts[(i * 7) % 5]));
        const auto glyph = static_cast<std::uint8_t>(0x21 + i % 200);
        if (oneByteGlyphs) {
            const char byte = static_cast<char>(glyph);
            dc.ExtTextOutA(x, y, 0, &kPage, std::string_view(&byte, 1));
        } else {
            const char16_t code = static_cast<char16_t>(kGlyphFontBase + glyph);
            dc.ExtTextOut(x, y, 0, &kPage, std::u16string_view(&code, 1));
        }
        if (i % 5 == 4) dc.SelectFont(StockFont(StockObject::SYSTEM_FONT));
    }
}

std::vector<std::uint8_t> RecordEmfPage() {
    CEmfRecorder emf;
    emf.SetFrame(Rect(0, 0, 21000, 29700));
    emf.SetDescription(u"Kavitro Export");
    DrawPage(emf, false);
    return emf.Close();
}

void BM_RecordEmfPage(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto emf = RecordEmfPage();
        bytes = emf.size();
        benchmark::DoNotOptimize(emf.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RecordEmfPage)->Unit(benchmark::kMillisecond);

void BM_RecordWmfPage(benchmark::State& state) {
    for (auto _ : state) {
        CWmfRecorder wmf;
        DrawPage(wmf, true);
        benchmark::DoNotOptimize(wmf.Close().data());
    }
}
BENCHMARK(BM_RecordWmfPage)->Unit(benchmark::kMillisecond);

// A context that keeps the state and draws nothing: what playback costs
// before any pixel is painted.
class NullDC : public CDC {
protected:
    bool DoLineTo(Point, Point) override { return true; }
    bool DoPolyline(std::span<const Point>) override { return true; }
    bool DoPolygon(std::span<const Point>) override { return true; }
    bool DoRectangle(const Rect&) override { return true; }
    bool DoRoundRect(const Rect&, Point) override { return true; }
    bool DoEllipse(const Rect&) override { return true; }
    void DoFillSolidRect(const Rect&, COLORREF) override {}
    bool DoInvertRect(const Rect&) override { return true; }
    bool DoText(const TextCall& call) override {
        benchmark::DoNotOptimize(call.text.data());
        return true;
    }
    bool DoDib(const DibCall&, const DibImage&) override { return true; }
};

// Parse and play fitted, as a picture object draws a metafile.
template <class Dc>
void BM_PlayEmfPage(benchmark::State& state) {
    const auto emf = RecordEmfPage();
    CMetafilePlayer player;
    for (auto _ : state) {
        Dc dc;
        dc.SetMapMode(MM_HIMETRIC);
        benchmark::DoNotOptimize(player.Play(dc, emf, Rect(0, 0, 21000, -29700)));
    }
}
BENCHMARK(BM_PlayEmfPage<NullDC>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayEmfPage<CSpyDC>)->Unit(benchmark::kMillisecond);

// Onto an A4 page image at 96 dpi through the QPainter backend, with the
// generated glyph fonts.
void BM_PlayEmfPageOntoQImage(benchmark::State& state) {
    // Fonts need the application object; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "metafile_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    const auto emf = RecordEmfPage();
    CMetafilePlayer player;
    QImage image(794, 1123, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        dc.SetMapMode(MM_HIMETRIC);
        benchmark::DoNotOptimize(player.Play(dc, emf, Rect(0, 0, 21000, -29700)));
    }
    // Pixels the glyphs inked: shows that the fonts were found.
    std::int64_t inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) inked += image.pixel(x, y) != 0xFFFFFFFFu ? 1 : 0;
    state.counters["inked"] = static_cast<double>(inked);
}
BENCHMARK(BM_PlayEmfPageOntoQImage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavitro
