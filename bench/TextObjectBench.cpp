// The text object on the editor's main road, drawn with the artwork users
// get: a keystroke through OnChar (keyboard translation, shaping, layout,
// frame and undo record) at the end, the start and the middle of a paragraph
// of 10 to 100,000 letters, which should cost the same at every length; a
// run of typed spaces, which should grow linearly; and drawing a 500-word
// text onto a QImage at 100 %, goal under 10 ms.
// Release build, loaded 8-core build machine, CPU medians per key (a letter
// and its Backspace): at the end 4.4 µs / 147 µs / 1.5 ms / 17 ms at 10 / 1k
// / 10k / 100k letters while every layout measured every word and every key
// copied the paragraph for its undo step; 2.7 / 2.7 / 2.7 / 2.6 µs once the
// layout kept word measures and running totals and the undo step kept only
// the words the key changed. At the start and in the middle keys still cost
// a pass over the later words (0.7 ms at 100k letters), which the edit moves.
// A run of 400 / 4,000 spaces cost 5.3 ms / 2.0 s while the one growing
// word was measured again and kept whole for undo on every key (undo memory
// 0.3 GB at 4,000); 0.77 ms / 13-17 ms (peak memory 35 MB) once a word that
// only gained spaces adds their measures to its own and each undo step keeps
// only the characters its key changed. What is left per key is a copy and a
// comparison of the run, at memory speed.

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

#include "bench/BenchDocument.h"

namespace {

using namespace kavitro;

constexpr const char16_t* kWordList[] = {u"سلام", u"بر", u"دوستان", u"خوب", u"من", u"کتاب", u"نستعلیق", u"گل"};

struct TextDocument {
    std::unique_ptr<CKavitroDoc> doc;
    DefaultDocumentView view;
    CDrawText* text = nullptr;

    // A text of words from the list, spaced, until it holds `letters`
    // letters (spaces not counted).
    explicit TextDocument(std::int64_t letters) {
        doc = bench::NewTextDocument();
        doc->AddView(&view);
        text = bench::AddTextObject(*doc, Point{-500, -2000});
        std::int64_t typed = 0;
        for (std::size_t i = 0; typed < letters; ++i) {
            for (const char16_t* c = kWordList[i % 8]; *c && typed < letters; ++c, ++typed)
                text->m_paragraph.InsertCharacter(text->m_nCaret, *c);
            text->m_paragraph.InsertCharacter(text->m_nCaret, u' ');
        }
        text->RecalcLayout(&view, false);
        ++CObjectsBuffer::GetActionIdCounter();
    }
    ~TextDocument() { doc->RemoveView(&view); }

    void DropUndoSteps(benchmark::State& state) {
        if (doc->m_objects.m_undo.size() <= 64) return;
        state.PauseTiming();
        doc->m_objects.m_undo.clear();  // text-edit steps own only what they keep
        state.ResumeTiming();
    }
};

enum class Where { End, Start, Middle };

// A letter and its Backspace, each a step of its own: the text as it was.
void TypeLetterAndBackspace(benchmark::State& state, Where where) {
    TextDocument t(state.range(0));
    const std::int32_t count = t.text->m_paragraph.GetCharacterCount();
    const std::int32_t caret = where == Where::End ? count : where == Where::Start ? 0 : count / 2;
    t.text->m_paragraph.SetCaret(t.text->m_nCaret, caret, false);
    std::int64_t keys = 0;
    for (auto _ : state) {
        t.text->OnChar(&t.view, u'ب');
        ++CObjectsBuffer::GetActionIdCounter();
        t.text->OnChar(&t.view, 8);
        ++CObjectsBuffer::GetActionIdCounter();
        keys += 2;
        t.DropUndoSteps(state);
    }
    state.SetItemsProcessed(keys);
    state.counters["per_key"] = benchmark::Counter(static_cast<double>(keys),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_KeystrokeAtTheEnd(benchmark::State& state) { TypeLetterAndBackspace(state, Where::End); }
void BM_KeystrokeAtTheStart(benchmark::State& state) { TypeLetterAndBackspace(state, Where::Start); }
void BM_KeystrokeInTheMiddle(benchmark::State& state) { TypeLetterAndBackspace(state, Where::Middle); }
BENCHMARK(BM_KeystrokeAtTheEnd)->Arg(10)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokeAtTheStart)->Arg(10)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokeInTheMiddle)->Arg(10)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// n spaces typed one by one after a word: one word that grows by a space a key.
void BM_TypeRunOfSpaces(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto t = std::make_unique<TextDocument>(4);
        state.ResumeTiming();
        for (std::int64_t i = 0; i < state.range(0); ++i) {
            t->text->OnChar(&t->view, u' ');
            ++CObjectsBuffer::GetActionIdCounter();
        }
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TypeRunOfSpaces)->Arg(400)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_Draw500WordsOntoAQImage(benchmark::State& state) {
    TextDocument t(1875);  // about 500 words
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(bench::ArtworkDir()) / "fonts");
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
