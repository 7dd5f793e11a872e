// Documents with many objects: adding them one step at a time, finding the
// object under a point, and drawing a small part of a full page, at 10 to
// 10,000 objects. Adding ten times the objects costs about ten times the
// time (10,000 adds: 0.9 ms; 387 ms when every add looked at every object
// for empty ones). A hit test and a small repaint still test every object
// of the page against the point or area (0.2 and 0.45 ms at 10,000
// objects): flat costs there need an index of the objects' places.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <memory>
#include <random>
#include <vector>

#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "platform/qt/QtPainterDC.h"

#include "bench/BenchDocument.h"

namespace {

using namespace kavitro;

// A rectangle somewhere on an A4 page (stored mirrored as the program
// places objects: x and y run negative).
CDrawRect* NewRect(CKavitroDoc& doc, std::mt19937& random) {
    std::uniform_int_distribution<std::int32_t> x(-20000, -500), y(-29000, -500), size(100, 800);
    return new CDrawRect(CPolygonRect(Point{x(random), y(random)}, Size{size(random), size(random)}), 0, &doc);
}

std::unique_ptr<CKavitroDoc> PageOf(std::int64_t count) {
    auto doc = bench::NewA4Document();
    std::mt19937 random(11);
    for (std::int64_t i = 0; i < count; ++i) doc->Add(NewRect(*doc, random), true);
    return doc;
}

// state.range(0) rectangles added, each as a step of its own (the time of
// all adds into a new document).
void BM_AddObjects(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = bench::NewA4Document();
        std::mt19937 random(11);
        std::vector<CDrawRect*> rects;
        for (std::int64_t i = 0; i < state.range(0); ++i) rects.push_back(NewRect(*doc, random));
        state.ResumeTiming();
        for (CDrawRect* r : rects) doc->Add(r, true);
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddObjects)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMillisecond);

// As the text tool adds them: an empty text object per click, the previous
// one purged when the user clicked away without typing.
void BM_AddEmptyTexts(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = PageOf(state.range(0));
        state.ResumeTiming();
        for (int i = 0; i < 100; ++i) bench::AddTextObject(*doc, Point{-1000, -1000 - 200 * i});
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddEmptyTexts)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMillisecond);

// The topmost object under a point, on a page of state.range(0) rectangles.
void BM_HitTest(benchmark::State& state) {
    auto doc = PageOf(state.range(0));
    std::mt19937 random(3);
    std::uniform_int_distribution<std::int32_t> x(-20000, -500), y(-29000, -500);
    for (auto _ : state) benchmark::DoNotOptimize(doc->ObjectAt(Point{x(random), y(random)}, 0, nullptr));
}
BENCHMARK(BM_HitTest)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMicrosecond);

// A 2 x 2 cm corner of a page of state.range(0) rectangles drawn, as a
// repaint of a small invalidated area draws it.
void BM_RepaintSmallArea(benchmark::State& state) {
    auto doc = PageOf(state.range(0));
    const std::vector<CDrawObj*> objects = doc->ObjectsOnPage(0);
    QImage image(80, 80, QImage::Format_ARGB32_Premultiplied);
    const Rect clip(-2000, -2000, 0, 0);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        CQtPainterDC dc(painter);
        dc.SetMapMode(MM_HIMETRIC);
        dc.SetWindowOrg(Point{-2000, 0});
        doc->DrawObjectList(dc, nullptr, objects, clip);
    }
}
BENCHMARK(BM_RepaintSmallArea)->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMicrosecond);

}  // namespace
