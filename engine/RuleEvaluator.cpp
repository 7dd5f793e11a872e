#include "engine/RuleEvaluator.h"

#include "engine/CalligraphyEngine.h"

namespace kavitro {

using rules::ActionKind;
using rules::Condition;
using rules::ConditionKind;
using rules::Outcome;
using rules::RuleTable;

RuleContext RuleContext::Capture(const CCalligraphyEngine& engine) {
    RuleContext context;
    // c1..c5 as GetCharacter(1..5) reads them, taken in one walk back over
    // the current word and on into the previous one; c0 is skipped.
    if (const CCalligraphyWord* current = engine.GetCurrentWord()) {
        const CCalligraphyWord* previous = engine.GetPreviousWord();
        std::size_t k = 0;
        for (const CCalligraphyWord* word : {current, previous}) {
            if (word == nullptr) break;
            const std::vector<CCalligraphyCharacter>& characters = word->m_characters;
            for (auto it = characters.rbegin(); it != characters.rend() && k < context.c.size(); ++it, ++k)
                if (k > 0) context.c[k] = *it;
        }
    }
    context.pos = engine.GetLastIndex();
    context.mode = engine.GetMode();
    context.chainStart = engine.IsChainStart(1);
    return context;
}

bool CRuleEvaluator::Holds(const RuleTable& table, const Condition& condition, const RuleContext& context) {
    if (condition.k >= context.c.size()) return false;
    const CCalligraphyCharacter& ck = context.c[condition.k];
    switch (condition.kind) {
    case ConditionKind::ChainStart:
        return context.chainStart;
    case ConditionKind::GlyphEq:
        return ck.GetGlyph() == condition.a;
    case ConditionKind::GlyphNe:
        return ck.GetGlyph() != condition.a;
    case ConditionKind::GlyphRange:
        return condition.a <= ck.GetGlyph() && ck.GetGlyph() <= condition.b;
    case ConditionKind::AltSet:
        return ck.IsAlternate();
    case ConditionKind::AltClear:
        return !ck.IsAlternate();
    case ConditionKind::CodeIn:
    case ConditionKind::CodeNotIn: {
        if (std::size_t{condition.a} + condition.b > table.codes.size()) return false;
        bool found = false;
        for (std::uint16_t code : table.codes.subspan(condition.a, condition.b)) found = found || ck.GetCode() == code;
        return found == (condition.kind == ConditionKind::CodeIn);
    }
    case ConditionKind::PosLe:
        return std::int64_t{context.pos} <= std::int64_t{condition.a};
    case ConditionKind::PosGt:
        return std::int64_t{context.pos} > std::int64_t{condition.a};
    case ConditionKind::ModeZero:
        return context.mode == 0;
    case ConditionKind::ModeNonZero:
        return context.mode != 0;
    }
    return false;
}

const Outcome* CRuleEvaluator::FindFirstMatch(const RuleTable& table, const RuleContext& context) {
    std::size_t i = 0;
    while (i < table.nodes.size()) {
        const rules::Node& node = table.nodes[i];
        bool holds = true;
        for (std::uint32_t j = 0; holds && j < node.conditionCount; ++j)
            holds = Holds(table, table.conditions[node.conditionBegin + j], context);
        if (!holds) {
            if (node.skip <= i) return nullptr;  // a malformed table must not loop
            i = node.skip;
            continue;
        }
        if (node.outcome >= 0) return &table.outcomes[static_cast<std::size_t>(node.outcome)];
        ++i;  // enter the block
    }
    return nullptr;
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
    const RuleContext context = RuleContext::Capture(engine);
    const Outcome* outcome = FindFirstMatch(table, context);
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
