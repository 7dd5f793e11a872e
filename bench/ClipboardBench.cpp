// Copying 500 selected objects (rectangles, ellipses, lines and text) to the
// clipboard with the default formats: the private format, the bitmap and the
// enhanced metafile (goal under 50 ms); and the private format alone.

#include <benchmark/benchmark.h>

#include <QMimeData>

#include <filesystem>
#include <memory>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/QtPainterDC.h"
#include "view/ClipboardCopy.h"
#include "view/EditCommands.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

#include "bench/BenchDocument.h"

namespace {

using namespace kavitro;

constexpr int kObjects = 500;
constexpr const char16_t* kWords = u"سلام بر دوستان ";

struct SelectedPage {
    std::unique_ptr<CKavitroDoc> doc;
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view;

    SelectedPage() {
        doc = bench::NewA4Document();
        view = std::make_unique<CKavitroView>(*doc, host);
        view->OnActivateView(true);
        for (int i = 0; i < kObjects; ++i) {
            const std::int32_t x = -1000 - (i % 20) * 1000;
            const std::int32_t y = -1500 - (i / 20) * 1100;
            CDrawObj* o = nullptr;
            if (i % 5 == 0) {
                CPolygonRect at;
                at.m_rect = Rect(x, y, x - 3000, y + 900);
                auto* text = new CDrawText(at, 0, doc.get());
                for (const char16_t* c = kWords; *c; ++c) text->m_paragraph.InsertCharacter(text->m_nCaret, *c);
                text->RecalcLayout(nullptr, false);
                o = text;
            } else if (i % 5 == 1) {
                o = new CDrawLine(CPolygonRect(Point{x, y}, Size{800, 600}), 0, doc.get());
            } else {
                auto* r = new CDrawRect(CPolygonRect(Point{x, y}, Size{800, 900}), 0, doc.get());
                r->m_nShape = static_cast<std::uint32_t>(i % 3);
                o = r;
            }
            doc->Add(o, true);
        }
        OnEditSelectAll(*view);
    }
};

void BM_CopyFiveHundredObjectsDefaultFormats(benchmark::State& state) {
    SelectedPage p;
    for (auto _ : state) OnEditCopy(*p.view);
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_CopyFiveHundredObjectsDefaultFormats)->Unit(benchmark::kMillisecond);

void BM_CopyFiveHundredObjectsPrivateFormatOnly(benchmark::State& state) {
    SelectedPage p;
    ClipboardSettings only;
    only.bmp = only.emf = false;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildClipboardData(*p.doc, p.view->GetSelection().GetObjects(), only));
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_CopyFiveHundredObjectsPrivateFormatOnly)->Unit(benchmark::kMillisecond);

}  // namespace
