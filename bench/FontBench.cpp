// Initialising the glyph-font object as the first document does: the mark
// anchors, five fonts of 256 glyphs with their widths and line metrics, the
// outlines captured from the fonts, and the packed vector-path file.

#include "engine/CalligraphyFont.h"

#include <benchmark/benchmark.h>

#include "platform/ErrorReport.h"

namespace {

using kavitro::CCalligraphyFont;

void InitGlyphFonts(benchmark::State& state, const char* dataDir) {
    kavitro::RecordingErrorReport report;
    for (auto _ : state) {
        CCalligraphyFont font(&report);
        font.Init(dataDir, 0);
        benchmark::DoNotOptimize(font.GetLineHeight());
    }
    if (!report.Reports().empty()) {
        state.SkipWithError("the artwork did not load");
    }
}

void BM_InitGlyphFonts(benchmark::State& state) { InitGlyphFonts(state, KAVITRO_SHARE_DIR); }
BENCHMARK(BM_InitGlyphFonts)->Unit(benchmark::kMillisecond);

#ifdef KAVITRO_NASTALIQ_DIR
// The derived Nastaliq artwork: real outlines, so far more points to capture.
void BM_InitNastaliqGlyphFonts(benchmark::State& state) { InitGlyphFonts(state, KAVITRO_NASTALIQ_DIR); }
BENCHMARK(BM_InitNastaliqGlyphFonts)->Unit(benchmark::kMillisecond);
#endif

// Drawing at a new zoom: the five fonts and the dot-mark font are made again
// and the current widths re-read.
void BM_SelectSize(benchmark::State& state) {
    kavitro::RecordingErrorReport report;
    CCalligraphyFont font(&report);
    font.Init(KAVITRO_SHARE_DIR, 0);
    const int dc = 0;
    int size = 10;
    for (auto _ : state) {
        font.SelectSize(&dc, size, 0, 90);
        size = size == 10 ? 11 : 10;
    }
}
BENCHMARK(BM_SelectSize)->Unit(benchmark::kMicrosecond);

}  // namespace
