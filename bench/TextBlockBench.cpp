// Pouring an imported 2,000-line text block into text objects, one object a
// line, with the empty-object purge that every added object runs (goal: the
// whole block under 1 s).
// Release build, 8-core build machine: 203 ms for the block (6 words a line,
// 4,000 objects opened, the 2,000 empty ones purged again), so the purge on
// every add stays.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "engine/CalligraphyFont.h"

namespace {

using namespace kavitro;

constexpr int kLines = 2000;
constexpr const char16_t* kWordList[] = {u"سلام", u"بر", u"دوستان", u"خوب", u"من", u"کتاب", u"نستعلیق", u"گل"};

std::u16string Block() {
    std::u16string block;
    for (int line = 0; line < kLines; ++line) {
        for (int w = 0; w < 6; ++w) {
            block += kWordList[(line + w) % 8];
            block += u' ';
        }
        block += u"\r\n";
    }
    block += u'\0';
    return block;
}

void BM_InsertTwoThousandLines(benchmark::State& state) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized())
        fonts.Init(KAVITRO_SHARE_DIR, 0);
    const std::u16string block = Block();
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<CKavitroDoc>(DocumentServices::Defaults());
        doc->OnNewDocument();
        DefaultDocumentView view;
        doc->AddView(&view);
        CPolygonRect at;
        at.m_rect = Rect(-1000, -1000, 0, 0);
        auto* text = new CDrawText(at, 0, doc.get());
        doc->Add(text, true);
        state.ResumeTiming();
        doc->InsertText(&view, text, block.data(), block.size(), true);
        state.PauseTiming();
        benchmark::DoNotOptimize(doc->m_objects.m_objects.size());
        doc->RemoveView(&view);
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertTwoThousandLines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
