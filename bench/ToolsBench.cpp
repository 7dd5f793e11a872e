// The select tool dragging a selection of 200 objects (rectangles, lines
// and texts): one mouse move, from the event to the moved objects and the
// invalidated rectangles (goal under 5 ms).

#include <benchmark/benchmark.h>


#include <memory>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace {

using namespace kavitro;

constexpr int kObjects = 200;

struct DragScene {
    std::unique_ptr<CKavitroDoc> doc;
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view;
    CDrawObj* first = nullptr;

    DragScene() {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized())
            fonts.Init(KAVITRO_SHARE_DIR, 0);
        RegisterDocumentClasses();
        doc = std::make_unique<CKavitroDoc>(DocumentServices::Defaults());
        doc->OnNewDocument();
        view = std::make_unique<CKavitroView>(*doc, host);
        host.m_client = {831, 1138};
        view->OnActivateView(true);
        view->UpdateScrollSizes();
        // A grid of objects over the page; every tenth a text with a word.
        for (int i = 0; i < kObjects; ++i) {
            const std::int32_t x = -20000 + (i % 10) * 1900, y = -26000 + (i / 10) * 1250;
            const CPolygonRect at(Point{x, y}, Size{1500, 1000});
            CDrawObj* o = nullptr;
            if (i % 10 == 9) {
                auto* text = new CDrawText(at, 0, doc.get());
                for (const char16_t c : std::u16string_view(u"سلام "))
                    text->m_paragraph.InsertCharacter(text->m_nCaret, c);
                o = text;
            } else if (i % 2) {
                o = new CDrawLine(at, 0, doc.get());
            } else {
                o = new CDrawRect(at, 0, doc.get());
            }
            doc->Add(o, true);
            if (auto* text = dynamic_cast<CDrawText*>(o))
                text->RecalcLayout(view.get(), false);
            view->Select(o, true, false);
            if (!first)
                first = o;
        }
    }
};

void BM_DragSelectionOf200Objects(benchmark::State& state) {
    DragScene s;
    CDrawTool::CurrentShape() = 0;
    const Rect box = s.view->DocToClient(s.first->BuildZoomedPosition().m_bounds);
    const Point press = box.CenterPoint();
    s.view->OnLButtonDown(0, press);
    const Rect before = s.first->m_position.m_rect;
    s.view->OnMouseMove(MK_LBUTTON, Point{press.x + 3, press.y});
    if (s.first->m_position.m_rect == before)
        state.SkipWithError("the press did not start a move");
    s.view->OnMouseMove(MK_LBUTTON, press);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by 3 pixels: the drag never runs off the page.
        const Point at{press.x + ((step++ & 1) ? 0 : 3), press.y};
        s.view->OnMouseMove(MK_LBUTTON, at);
        benchmark::DoNotOptimize(s.host.m_invalidated.data());
        if (s.host.m_invalidated.size() > 4096) {
            state.PauseTiming();
            s.host.ClearRecords();
            state.ResumeTiming();
        }
    }
    s.view->OnLButtonUp(0, press);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DragSelectionOf200Objects)->Unit(benchmark::kMillisecond);

}  // namespace
