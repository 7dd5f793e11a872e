#include "engine/rules/RuleTable.h"

namespace kavitro::rules {

const RuleTable* FindRuleTable(std::string_view name) {
    for (const RuleTable& table : AllRuleTables())
        if (table.name == name) return &table;
    return nullptr;
}

const ModificationTable* FindModificationTable(std::string_view name) {
    for (const ModificationTable& table : AllModificationTables())
        if (table.name == name) return &table;
    return nullptr;
}

}  // namespace kavitro::rules
