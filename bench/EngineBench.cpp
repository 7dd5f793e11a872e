// The engine runs once per typed letter and once per letter of every word an
// edit re-feeds, so a rule evaluation must stay in the sub-microsecond range.

#include <benchmark/benchmark.h>

#include "engine/CalligraphyEngine.h"
#include "engine/RuleEvaluator.h"

namespace kavitro {
namespace {

CCalligraphyWord JoinedWord() {
    CCalligraphyWord word;
    const GlyphId glyphs[] = {MakeGlyph(1, 9), MakeGlyph(4, 184), MakeGlyph(3, 112), MakeGlyph(3, 112),
                              MakeGlyph(1, 219)};
    for (GlyphId glyph : glyphs) {
        CCalligraphyCharacter c;
        c.m_code = 0x06CC;
        c.SetGlyph(glyph);
        word.m_characters.push_back(c);
    }
    return word;
}

// A deep row of the word-end table: the evaluation walks into a nested key.
void BM_WordEndLookup(benchmark::State& state) {
    CCalligraphyEngine engine;
    CCalligraphyWord word = JoinedWord();
    CCalligraphyCharacter space;
    space.m_code = 0x0020;
    word.m_characters.push_back(space);
    engine.SetCurrentWord(&word);
    const rules::RuleTable* table = rules::FindRuleTable("wordend");
    for (auto _ : state) {
        const RuleContext context = RuleContext::Capture(engine);
        benchmark::DoNotOptimize(CRuleEvaluator::FindFirstMatch(*table, context));
    }
}
BENCHMARK(BM_WordEndLookup);

// A whole append: dispatch, word-end forms, chain walk and stroke pass.
void BM_AppendSpace(benchmark::State& state) {
    CCalligraphyEngine engine;
    const CCalligraphyWord original = JoinedWord();
    CCalligraphyWord word = original;
    word.m_characters.reserve(16);
    engine.SetCurrentWord(&word);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.AppendCharacter(0x0020));
        word.m_characters.assign(original.m_characters.begin(), original.m_characters.end());
    }
}
BENCHMARK(BM_AppendSpace);

}  // namespace
}  // namespace kavitro
