#include "engine/RuleEvaluator.h"

#include "engine/CalligraphyEngine.h"
#include "engine/RuleWalker.h"

namespace kavitro {

using rules::ActionKind;
using rules::Outcome;
using rules::RuleTable;

namespace {

// c1..c5 as GetCharacter(1..5) reads them, found in one walk back over the
// current word and on into the previous one (c0 is skipped). The rows read
// the letters themselves, which nothing changes before the first row that
// holds is found, so no copies are taken on every typed letter. Absent
// letters read as the empty character.
RowInputs Look(const CCalligraphyEngine& engine) {
    static const CCalligraphyCharacter kAbsent{};
    RowInputs inputs;
    inputs.letters.fill(&kAbsent);
    inputs.letterCount = inputs.letters.size();
    if (const CCalligraphyWord* current = engine.GetCurrentWord()) {
        const CCalligraphyWord* previous = engine.GetPreviousWord();
        std::size_t k = 0;
        for (const CCalligraphyWord* word : {current, previous}) {
            if (word == nullptr) break;
            const CCharacterArray& characters = word->m_characters;
            for (auto it = characters.rbegin(); it != characters.rend() && k < inputs.letters.size(); ++it, ++k)
                if (k > 0) inputs.letters[k] = &*it;
        }
    }
    inputs.pos = engine.GetLastIndex();
    inputs.mode = engine.GetMode();
    inputs.chainSource = &engine;
    return inputs;
}

RowInputs InputsOf(const RuleContext& context) {
    RowInputs inputs;
    for (std::size_t k = 0; k < context.c.size(); ++k) inputs.letters[k] = &context.c[k];
    inputs.letterCount = context.c.size();
    inputs.pos = context.pos;
    inputs.mode = context.mode;
    inputs.chainStart = context.chainStart;
    return inputs;
}

}  // namespace

RuleContext RuleContext::Capture(const CCalligraphyEngine& engine) {
    const RowInputs live = Look(engine);
    RuleContext context;
    for (std::size_t k = 1; k < context.c.size(); ++k) context.c[k] = *live.letters[k];
    context.pos = live.pos;
    context.mode = live.mode;
    context.chainStart = live.IsChainStart();
    return context;
}

const Outcome* CRuleEvaluator::FindFirstMatch(const RuleTable& table, const RuleContext& context) {
    return FindFirstOutcome(table, InputsOf(context));
}

void CRuleEvaluator::ApplyAction(CCalligraphyEngine& engine, const Outcome& o) {
    const GlyphId* g = o.glyphs;
    const std::int32_t* d = o.lifts;
    switch (o.action) {
    case ActionKind::None:
        return;
    case ActionKind::SetGlyph1:
    case ActionKind::Previous1:
        engine.SetPrevious1(g[0], d[0]);
        return;
    case ActionKind::SetGlyph1AddY:
        engine.SetGlyph(1, g[0]);
        engine.AddYOffset(1, d[0]);
        return;
    case ActionKind::Chain:
        switch (o.count) {
        case 1: engine.SetPrevious1Chain(g[0], d[0], o.rest); return;
        case 2: engine.SetPrevious2Chain(g[0], g[1], d[0], d[1], o.rest); return;
        case 3: engine.SetPrevious3Chain(g[0], g[1], g[2], d[0], d[1], d[2], o.rest); return;
        case 4: engine.SetPrevious4Chain(g[0], g[1], g[2], g[3], d[0], d[1], d[2], d[3], o.rest); return;
        case 5:
            engine.SetPrevious5Chain(g[0], g[1], g[2], g[3], g[4], d[0], d[1], d[2], d[3], d[4], o.rest);
            return;
        default: return;
        }
    }
}

RuleResult CRuleEvaluator::Run(CCalligraphyEngine& engine, const RuleTable& table) {
    return Run(engine, table, RowsOf(table));
}

RuleResult CRuleEvaluator::Run(CCalligraphyEngine& engine, const RuleTable& table, const TableRows& rows) {
    const Outcome* outcome = FindFirstOutcome(table, rows, Look(engine));
    if (outcome == nullptr) return RuleResult::NoMatch;
    switch (outcome->verdict) {
    case rules::Verdict::Refuse: return RuleResult::Refused;
    case rules::Verdict::Nothing: return RuleResult::Nothing;
    case rules::Verdict::Alternate: return RuleResult::Alternate;
    case rules::Verdict::Shape: break;
    }
    if (table.kind == rules::TableKind::Letter) engine.SetGlyph(0, outcome->glyph0);
    ApplyAction(engine, *outcome);
    return RuleResult::Shaped;
}

}  // namespace kavitro
