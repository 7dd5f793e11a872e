// The undo list of a long text typed key by key: every key is an undo step
// that gives the whole paragraph back, so the list must grow with the number
// of keys, not with keys times text length, also when the keys go in before
// a thousand words that each key moves along. Goal: bytes_per_key about the
// same in every case (a few kB: the step itself and a word or two), and
// undo_bytes for 8,000 keys well under 100 MB.
// Counters: undo_bytes (heap held by the undo list, from mallinfo2 with and
// without the list), bytes_per_key.
// Release build, 8-core build machine: 1.6 kB a key for 2,000 and 8,000 keys
// at the end (13 MB for 8,000), 1.8 kB for 2,000 keys before 1,000 words,
// where a whole paragraph kept per key had needed some 3 GB for 8,000.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <memory>

#include "bench/BenchDocument.h"

namespace {

using namespace kavitro;

constexpr const char16_t* kWordList[] = {u"سلام", u"بر", u"دوستان", u"خوب", u"من", u"کتاب", u"نستعلیق", u"گل"};

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// Types `keys` keys of the word list at the caret, one undo step each.
void TypeKeys(CDrawText& text, DocumentViewObserver& view, std::int64_t keys) {
    std::int64_t typed = 0;
    for (int word = 0; typed < keys; ++word) {
        for (const char16_t* c = kWordList[word % 8]; *c && typed < keys; ++c, ++typed) {
            text.OnChar(&view, *c);
            ++CObjectsBuffer::GetActionIdCounter();
        }
        if (typed < keys) {
            text.OnChar(&view, u' ');
            ++CObjectsBuffer::GetActionIdCounter();
            ++typed;
        }
    }
}

// Arguments: keys typed, and the words already in the text before its
// first word, where the keys go (every key moves all of them along).
void BM_UndoListOfKeysTypedIntoOneText(benchmark::State& state) {
    const auto keys = static_cast<std::int64_t>(state.range(0));
    const auto wordsAfter = static_cast<int>(state.range(1));
    double undoBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = bench::NewTextDocument();
        DefaultDocumentView view;
        doc->AddView(&view);
        CDrawText* text = bench::AddTextObject(*doc, {-500, -2000});
        for (int i = 0; i < wordsAfter; ++i) {
            for (const char16_t* c = kWordList[i % 8]; *c; ++c) text->m_paragraph.InsertCharacter(text->m_nCaret, *c);
            text->m_paragraph.InsertCharacter(text->m_nCaret, u' ');
        }
        text->m_paragraph.SetCaret(text->m_nCaret, 0, false);
        text->RecalcLayout(&view, false);
        state.ResumeTiming();
        TypeKeys(*text, view, keys);
        state.PauseTiming();
        const std::size_t with = HeapInUse();
        // Only the first step (the object's creation) may stay: it owns nothing.
        while (doc->m_objects.m_undo.size() > 1) doc->m_objects.m_undo.pop_back();
        const std::size_t without = HeapInUse();
        undoBytes = with > without ? static_cast<double>(with - without) : 0.0;
        doc->RemoveView(&view);
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["undo_bytes"] = undoBytes;
    state.counters["bytes_per_key"] = undoBytes / static_cast<double>(keys);
}
BENCHMARK(BM_UndoListOfKeysTypedIntoOneText)
    ->Args({2000, 0})
    ->Args({8000, 0})
    ->Args({2000, 1000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
