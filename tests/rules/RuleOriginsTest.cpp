// Every row says where its outcome comes from: untagged rows are the ones the
// tables state, @derive rows follow a stated relation, @fill rows the fill
// policy. A row tagged wrongly hides a filled value among the stated ones (or
// a stated one among the filled), and the fill policy may then re-fill it.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/rules/ShapingFixture.h"

namespace kavitro::test {
namespace {

struct OriginCase {
    const char* table;
    const char* key;  // the row's conditions, in any order
    rules::Origin origin;
};

TEST(RuleOrigins, RowsAreTaggedByWhereTheyComeFrom) {
    using O = rules::Origin;
    const std::vector<OriginCase> cases = {
        // Stated in full as the examples of their tables.
        {"heh", "c1=4/33 c2=1/96 c1.alt", O::Given},
        {"heh", "c1=4/33 c2=1/96 c2.alt", O::Given},
        {"heh", "c1=4/33 c2=1/96", O::Given},
        {"reh", "c1=1/119 c2=3/129 c1.alt", O::Given},
        {"feh", "c1=1/235 c2=2/204 c1.alt", O::Given},
        // Only the new forms of c3 are stated; c2's form and c3's lift follow
        // the rows around them.
        {"yeh", "c1=1/208 c1.alt c2=4/158 c3=4/153 c3.code=0645", O::Derived},
        {"yeh", "c1=1/208 c1.alt c2=4/158 c3=4/153 c3.code=0647", O::Derived},
    };
    // Feh after 1/247 and 2/52 with the flag set: c1's and c2's values are
    // stated, c3's form is the ain table's, which is itself derived.
    std::vector<OriginCase> all = cases;
    std::vector<std::string> fehKeys;
    for (const char* c3 : {"1/107", "2/171", "1/234", "1/197", "2/118", "1/191", "3/245", "3/49", "3/48", "3/105", "3/47"})
        fehKeys.push_back(std::string("c1=1/247 c2=2/52 c1.alt c3=") + c3);
    for (const std::string& key : fehKeys) all.push_back({"feh", key.c_str(), O::Derived});
    for (const OriginCase& c : all) {
        SCOPED_TRACE(std::string(c.table) + ": " + c.key);
        const rules::RuleTable& table = RequireTable(c.table);
        int found = 0;
        for (const FlatRow& row : FlattenTable(table)) {
            if (RowKeySorted(table, row) != SortedKey(c.key)) continue;
            ++found;
            EXPECT_EQ(static_cast<int>(row.outcome->origin), static_cast<int>(c.origin)) << "line " << row.outcome->line;
        }
        EXPECT_EQ(found, 1);
    }
}

// The ain, feh and alef tables keep no letter's glyph before c3: every row
// re-shapes c1 and c2 (a filled row as much as a given one).
TEST(RuleOrigins, AinFehAndAlefRowsReshapeC1AndC2) {
    for (const char* name : {"ain", "feh", "alef"}) {
        SCOPED_TRACE(name);
        for (const FlatRow& row : FlattenTable(RequireTable(name))) {
            const rules::Outcome& o = *row.outcome;
            for (std::uint8_t k = 0; k < o.count && k < 2; ++k)
                EXPECT_NE(o.glyphs[k], rules::kKeepGlyph) << "line " << o.line << " keeps c" << k + 1;
        }
    }
}

// A mended row lets a letter type where the table refused it, and nowhere
// else: it stands right before a refusal (after any other mended rows) that
// holds wherever the mended row holds, so no context that a given, derived or
// filled row shaped before reaches it.
TEST(RuleOrigins, MendedRowsStandOnlyBeforeTheRefusalTheyReplace) {
    const auto same = [](const rules::Condition& x, const rules::Condition& y) {
        return x.kind == y.kind && x.k == y.k && x.a == y.a && x.b == y.b;
    };
    int mended = 0;
    for (const rules::RuleTable& table : rules::AllRuleTables()) {
        SCOPED_TRACE(std::string(table.name));
        const std::vector<FlatRow> rows = FlattenTable(table, /*withMends=*/true);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].outcome->origin != rules::Origin::Mended) continue;
            ++mended;
            const rules::Outcome& mend = *rows[i].outcome;
            EXPECT_NE(mend.verdict, rules::Verdict::Refuse) << "line " << mend.line;
            std::size_t next = i + 1;
            while (next < rows.size() && rows[next].outcome->origin == rules::Origin::Mended) ++next;
            ASSERT_LT(next, rows.size()) << "line " << mend.line << " ends its table";
            EXPECT_TRUE(IsRefusal(rows[next])) << "line " << mend.line << " stands before line "
                                               << rows[next].outcome->line << ", which is no refusal";
            for (const rules::Condition& c : rows[next].conditions) {
                const bool held = std::any_of(rows[i].conditions.begin(), rows[i].conditions.end(),
                                              [&](const rules::Condition& m) { return same(c, m); });
                EXPECT_TRUE(held) << "line " << mend.line << " holds where the refusal on line "
                                  << rows[next].outcome->line << " may not";
            }
        }
    }
    EXPECT_GT(mended, 0);
}

}  // namespace
}  // namespace kavitro::test
