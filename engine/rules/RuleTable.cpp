#include "engine/rules/RuleTable.h"

namespace kavitro::rules {

namespace {

template <typename Table>
const Table* FindByName(std::span<const Table> tables, std::string_view name) {
    for (const Table& table : tables)
        if (table.name == name) return &table;
    return nullptr;
}

}  // namespace

const RuleTable* FindRuleTable(std::string_view name) { return FindByName(AllRuleTables(), name); }

const ModificationTable* FindModificationTable(std::string_view name) {
    return FindByName(AllModificationTables(), name);
}

}  // namespace kavitro::rules
