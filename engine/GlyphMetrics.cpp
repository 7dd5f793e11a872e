#include "engine/GlyphMetrics.h"

#include <atomic>

#include "engine/CalligraphyFont.h"

namespace kavitro {

namespace {

const IGlyphMetrics* g_metrics = nullptr;
std::atomic<std::uint64_t> g_generation{0};

}  // namespace

Point GetMarkAnchor(const IGlyphMetrics& metrics, GlyphId glyph, std::uint8_t mark, bool below) {
    const std::int64_t x = metrics.GetAnchorX(glyph, below) + metrics.GetReferenceAbc(MakeGlyph(kMarkFont, mark)).Advance();
    return {static_cast<std::int32_t>(x), metrics.GetAnchorY(glyph, below)};
}

const IGlyphMetrics& GetGlyphMetrics() {
    return g_metrics != nullptr ? *g_metrics : CCalligraphyFont::GetInstance();
}

void SetGlyphMetrics(const IGlyphMetrics* metrics) {
    g_metrics = metrics;
    NoteGlyphMetricsChanged();
}

std::uint64_t GetGlyphMetricsGeneration() { return g_generation.load(std::memory_order_relaxed); }

void NoteGlyphMetricsChanged() { g_generation.fetch_add(1, std::memory_order_relaxed); }

}  // namespace kavitro
