#pragma once

// Evaluates the compiled glyph-variant and glyph-swap tables through the one
// table walker: the first row whose conditions (and its blocks') hold on the
// target letter and its two neighbours decides.

#include "engine/CalligraphyText.h"
#include "engine/rules/RuleTable.h"

namespace kavitro {

// Copies of the letters a text-modification row reads, taken before the
// command changes anything; absent letters are empty characters.
struct TextModificationContext {
    CCalligraphyCharacter target;
    CCalligraphyCharacter previous;
    CCalligraphyCharacter next;
};

class CTextModificationEvaluator {
public:
    // The outcome of the first row that holds, or nullptr. Failing rows are
    // skipped with their whole subtree.
    static const rules::ModificationOutcome* FindFirstMatch(const rules::ModificationTable& table,
                                                            const TextModificationContext& context);
};

}  // namespace kavitro
