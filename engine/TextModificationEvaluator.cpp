#include "engine/TextModificationEvaluator.h"

#include "engine/RuleWalker.h"

namespace kavitro {

const rules::ModificationOutcome* CTextModificationEvaluator::FindFirstMatch(const rules::ModificationTable& table,
                                                                           const TextModificationContext& context) {
    // Condition k names the letter: rules::ModificationLetter's order.
    RowInputs inputs;
    inputs.letters[static_cast<std::size_t>(rules::ModificationLetter::Target)] = &context.target;
    inputs.letters[static_cast<std::size_t>(rules::ModificationLetter::Previous)] = &context.previous;
    inputs.letters[static_cast<std::size_t>(rules::ModificationLetter::Next)] = &context.next;
    inputs.letterCount = 3;
    return FindFirstOutcome(table, inputs);
}

}  // namespace kavitro
