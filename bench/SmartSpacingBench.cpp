// Smart spacing of a typed paragraph over the shipped Nastaliq glyph fonts
// and their vector-path outlines (the placeholder artwork where the build
// makes no Nastaliq artwork). The goal: a paragraph of 200 typed words is
// laid out in well under 50 ms, and ten times the words cost at most
// fifteen times the time (each word is compared only with those it can
// reach).

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <string_view>

#include "engine/CalligraphyFont.h"
#include "engine/CalligraphyText.h"
#include "engine/VectorPathSource.h"

namespace {

using kavitro::CCalligraphyParagraph;

constexpr std::u16string_view kWords[] = {
    u"سلام", u"کتاب", u"خوشنویسی", u"نستعلیق", u"ایران", u"زیبا", u"شعر", u"دل", u"مهربان", u"باران",
    u"گلستان", u"بهار", u"شب", u"ماه", u"پرنده", u"آسمان", u"دریا", u"سپید", u"قلم", u"نامه",
};

CCalligraphyParagraph TypeParagraph(std::size_t wordCount) {
    static const bool initialised = [] {
#ifdef KAVITRO_NASTALIQ_DIR
        kavitro::CCalligraphyFont::GetInstance().Init(KAVITRO_NASTALIQ_DIR, 0);
#else
        kavitro::CCalligraphyFont::GetInstance().Init(KAVITRO_SHARE_DIR, 0);
#endif
        return true;
    }();
    (void)initialised;
    CCalligraphyParagraph paragraph;
    std::int32_t caret = 0;
    for (std::size_t i = 0; i < wordCount; ++i) {
        for (char16_t code : kWords[i % std::size(kWords)])
            paragraph.InsertCharacter(caret, code);
        paragraph.InsertCharacter(caret, u' ');
    }
    return paragraph;
}

// state.range(0) typed words; each makes one or more connected groups,
// which are what smart spacing moves.
void BM_SmartSpace(benchmark::State& state) {
    CCalligraphyParagraph paragraph = TypeParagraph(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        paragraph.SmartSpace(false);
        benchmark::DoNotOptimize(paragraph.m_words.data());
    }
    std::size_t points = 0;
    for (const kavitro::CCalligraphyWord& word : paragraph.m_words)
        points += word.m_outline.size();
    state.counters["groups"] = static_cast<double>(paragraph.m_words.size());
    state.counters["outline_points"] = static_cast<double>(points);
}
BENCHMARK(BM_SmartSpace)->Arg(100)->Arg(200)->Arg(400)->Arg(1600)->Unit(benchmark::kMillisecond);

// Every glyph drawn as an ellipse of state.range(0) points across its
// advance: how the search scales with outlines as detailed as real
// calligraphic artwork.
class EllipseOutlines final : public kavitro::IVectorPathSource {
public:
    explicit EllipseOutlines(int pointCount) : m_pointCount(pointCount) {}
    const kavitro::CPathData& GetVectorPath(kavitro::GlyphId id) const override {
        auto [it, added] = m_paths.try_emplace(id);
        if (added) {
            const double width = static_cast<double>(kavitro::GetGlyphMetrics().GetReferenceAbc(id).Advance());
            std::vector<kavitro::Point> points;
            std::vector<std::uint8_t> types;
            for (int k = 0; k < m_pointCount; ++k) {
                const double angle = 2 * 3.14159265358979 * k / m_pointCount;
                points.push_back({static_cast<std::int32_t>(-width / 2 + width / 2 * std::cos(angle)),
                                  static_cast<std::int32_t>(600 + 700 * std::sin(angle))});
                types.push_back(k == 0 ? kavitro::PathPoint::MoveTo : kavitro::PathPoint::LineTo);
            }
            it->second.Assign(std::move(types), std::move(points), m_pointCount, 100, 1300);
        }
        return it->second;
    }

private:
    int m_pointCount;
    mutable std::map<kavitro::GlyphId, kavitro::CPathData> m_paths;
};

void BM_SmartSpaceDenseOutlines(benchmark::State& state) {
    CCalligraphyParagraph paragraph = TypeParagraph(200);
    const EllipseOutlines outlines(static_cast<int>(state.range(0)));
    kavitro::SetVectorPaths(&outlines);
    for (auto _ : state) {
        paragraph.SmartSpace(false);
        benchmark::DoNotOptimize(paragraph.m_words.data());
    }
    kavitro::SetVectorPaths(nullptr);
    state.counters["groups"] = static_cast<double>(paragraph.m_words.size());
}
BENCHMARK(BM_SmartSpaceDenseOutlines)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
