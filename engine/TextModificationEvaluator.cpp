#include "engine/TextModificationEvaluator.h"

namespace kavitro {

using rules::Condition;
using rules::ConditionKind;
using rules::ModificationLetter;
using rules::ModificationTable;

namespace {

const CCalligraphyCharacter* LetterOf(const TextModificationContext& context, std::uint8_t k) {
    switch (static_cast<ModificationLetter>(k)) {
    case ModificationLetter::Target: return &context.target;
    case ModificationLetter::Previous: return &context.previous;
    case ModificationLetter::Next: return &context.next;
    }
    return nullptr;
}

}  // namespace

bool CTextModificationEvaluator::Holds(const ModificationTable& table, const Condition& condition,
                                       const TextModificationContext& context) {
    const CCalligraphyCharacter* letter = LetterOf(context, condition.k);
    if (letter == nullptr) return false;
    switch (condition.kind) {
    case ConditionKind::GlyphEq:
        return letter->GetGlyph() == condition.a;
    case ConditionKind::CodeIn: {
        if (std::size_t{condition.a} + condition.b > table.codes.size()) return false;
        for (std::uint16_t code : table.codes.subspan(condition.a, condition.b))
            if (letter->GetCode() == code) return true;
        return false;
    }
    default:
        return false;  // no other test occurs in these tables
    }
}

const rules::ModificationOutcome* CTextModificationEvaluator::FindFirstMatch(const ModificationTable& table,
                                                                           const TextModificationContext& context) {
    std::size_t i = 0;
    while (i < table.nodes.size()) {
        const rules::Node& node = table.nodes[i];
        bool holds = std::size_t{node.conditionBegin} + node.conditionCount <= table.conditions.size();
        for (std::uint32_t j = 0; holds && j < node.conditionCount; ++j)
            holds = Holds(table, table.conditions[node.conditionBegin + j], context);
        if (!holds) {
            if (node.skip <= i) return nullptr;  // a malformed table must not loop
            i = node.skip;
            continue;
        }
        if (node.outcome >= 0) {
            const auto outcome = static_cast<std::size_t>(node.outcome);
            return outcome < table.outcomes.size() ? &table.outcomes[outcome] : nullptr;
        }
        ++i;  // enter the block
    }
    return nullptr;
}

}  // namespace kavitro
