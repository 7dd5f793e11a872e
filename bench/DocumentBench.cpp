// Saving and loading a large document, and the thumbnail of a full page.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "document/Thumbnail.h"
#include "engine/Compressor.h"

namespace {

using namespace kavitro;

// 20 pages of 2,000 rectangles, ellipses and lines each.
std::unique_ptr<CKavitroDoc> LargeDocument() {
    RegisterDocumentClasses();
    auto doc = std::make_unique<CKavitroDoc>();
    doc->OnNewDocument();
    doc->m_objects.m_bRecordingOff = 1;
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> x(-20000, -500), y(-27000, -500), size(100, 3000), kind(0, 2);
    for (std::uint32_t page = 0; page < 20; ++page) {
        if (page > 0) doc->AddPage(0);
        for (int i = 0; i < 2000; ++i) {
            const CPolygonRect at(Point{x(random), y(random)}, Size{size(random), size(random)});
            CDrawObj* o;
            if (kind(random) == 0) {
                o = new CDrawLine(at, page, doc.get());
            } else {
                auto* r = new CDrawRect(at, page, doc.get());
                r->m_nShape = static_cast<std::uint32_t>(kind(random));
                o = r;
            }
            doc->m_objects.m_objects.push_back(o);
        }
    }
    doc->m_objects.m_bRecordingOff = 0;
    return doc;
}

void BM_SaveLargeDocument(benchmark::State& state) {
    auto doc = LargeDocument();
    for (auto _ : state) benchmark::DoNotOptimize(doc->StoreToBytes());
}
BENCHMARK(BM_SaveLargeDocument)->Unit(benchmark::kMillisecond);

void BM_LoadLargeDocument(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = LargeDocument()->StoreToBytes();
    for (auto _ : state) {
        CKavitroDoc doc;
        benchmark::DoNotOptimize(doc.LoadFromBytes(bytes, "large.kv2", nullptr));
    }
}
BENCHMARK(BM_LoadLargeDocument)->Unit(benchmark::kMillisecond);

void BM_ThumbnailOfAFullPage(benchmark::State& state) {
    auto doc = LargeDocument();
    for (auto _ : state) benchmark::DoNotOptimize(BuildThumbnailBlock(*doc));
}
BENCHMARK(BM_ThumbnailOfAFullPage)->Unit(benchmark::kMillisecond);

// Its parts: drawing the page, and packing the picture.
void BM_ThumbnailDrawing(benchmark::State& state) {
    auto doc = LargeDocument();
    for (auto _ : state) benchmark::DoNotOptimize(RenderThumbnail(*doc));
}
BENCHMARK(BM_ThumbnailDrawing)->Unit(benchmark::kMillisecond);

void BM_ThumbnailPacking(benchmark::State& state) {
    auto doc = LargeDocument();
    const QImage image = RenderThumbnail(*doc);
    for (auto _ : state) {
        CCompressor codec(kThumbnailLevel);
        benchmark::DoNotOptimize(codec.PackBlock(EncodeBmp24(image)));
    }
}
BENCHMARK(BM_ThumbnailPacking)->Unit(benchmark::kMillisecond);

}  // namespace
