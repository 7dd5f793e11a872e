// The text object on the editor's main road: a keystroke at the end of a
// 500-word text through OnChar (keyboard translation, shaping, layout and the
// undo snapshot), goal under 50 µs; and drawing that text onto a QImage at
// 100 %, goal under 10 ms.
// Release build, 8-core build machine: 62 µs a key while every layout
// measured all 500 words two or three times; 20 µs with the paragraph's
// word-measure cache (what is left is mostly the undo snapshot's copy).

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/QtPainterDC.h"

namespace {

using namespace kavitro;

constexpr int kWords = 500;
constexpr const char16_t* kWordList[] = {u"سلام", u"بر", u"دوستان", u"خوب", u"من", u"کتاب", u"نستعلیق", u"گل"};

struct TextDocument {
    std::unique_ptr<CKavitroDoc> doc;
    DefaultDocumentView view;
    CDrawText* text = nullptr;

    TextDocument() {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
        RegisterDocumentClasses();
        doc = std::make_unique<CKavitroDoc>(DocumentServices::Defaults());
        doc->OnNewDocument();
        doc->AddView(&view);
        CPolygonRect at;
        at.m_rect = Rect(-500, -2000, 0, 0);
        text = new CDrawText(at, 0, doc.get());
        doc->Add(text, true);
        for (int i = 0; i < kWords; ++i) {
            for (const char16_t* c = kWordList[i % 8]; *c; ++c) text->m_paragraph.InsertCharacter(text->m_nCaret, *c);
            text->m_paragraph.InsertCharacter(text->m_nCaret, u' ');
        }
        text->RecalcLayout(&view, false);
    }
    ~TextDocument() { doc->RemoveView(&view); }
};

void BM_KeystrokeAtTheEndOf500Words(benchmark::State& state) {
    TextDocument t;
    std::int64_t keys = 0;
    for (auto _ : state) {
        // A letter and its Backspace: two undo steps, the text as it was.
        t.text->OnChar(&t.view, u'ب');
        ++CObjectsBuffer::GetActionIdCounter();
        t.text->OnChar(&t.view, 8);
        ++CObjectsBuffer::GetActionIdCounter();
        keys += 2;
        if (t.doc->m_objects.m_undo.size() > 64) {
            state.PauseTiming();
            t.doc->m_objects.m_undo.clear();  // text-edit steps own only their snapshot
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(keys);
    state.counters["per_key"] = benchmark::Counter(static_cast<double>(keys),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_KeystrokeAtTheEndOf500Words)->Unit(benchmark::kMicrosecond);

void BM_Draw500WordsOntoAQImage(benchmark::State& state) {
    TextDocument t;
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    Rect box;
    t.text->GetZoomedRect(box);
    // 100 % on a 96-dpi screen: 2540 units (1 inch) are 96 pixels.
    const int width = std::max(1, MulDiv(box.right - box.left + 200, 96, 2540));
    const int height = std::max(1, MulDiv(box.bottom - box.top + 200, 96, 2540));
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowOrg({box.left - 100, box.bottom + 100});
        dc.SetWindowExt({box.right - box.left + 200, -(box.bottom - box.top + 200)});
        dc.SetViewportExt({width, height});
        benchmark::DoNotOptimize(t.text->DrawGlyphs(dc, false));
    }
}
BENCHMARK(BM_Draw500WordsOntoAQImage)->Unit(benchmark::kMillisecond);

}  // namespace
