#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "../document/DocumentFixture.h"
#include "view/CommandIds.h"
#include "view/CommandRegistry.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro {
namespace {

struct RegistryFixture : ::testing::Test {
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    RecordingViewHost host;
    CKavitroView view{*doc, host};
    CCommandRegistry registry;
};

TEST_F(RegistryFixture, DispatchesByIdAndRange) {
    std::vector<std::uint32_t> ran;
    const auto record = [&](CKavitroView&, std::uint32_t id) { ran.push_back(id); };
    registry.Add(10, record);
    registry.AddRange(20, 22, record, [](CKavitroView&, std::uint32_t id) { return CommandUpdate{true, id == 21}; });
    // Adding again replaces handler and rule.
    registry.Add(11, [](CKavitroView&, std::uint32_t) { FAIL(); });
    registry.Add(11, record, [](CKavitroView&, std::uint32_t) { return CommandUpdate{}; });

    EXPECT_EQ(registry.Ids(), (std::vector<std::uint32_t>{10, 11, 20, 21, 22}));
    for (std::uint32_t id : {10u, 11u, 20u, 22u})
        EXPECT_TRUE(registry.Execute(id, view));
    EXPECT_FALSE(registry.Execute(23, view));
    EXPECT_EQ(ran, (std::vector<std::uint32_t>{10, 11, 20, 22}));

    EXPECT_EQ(registry.Update(10, view), (CommandUpdate{true, false}));  // no rule
    EXPECT_EQ(registry.Update(11, view), (CommandUpdate{false, false}));
    EXPECT_EQ(registry.Update(21, view), (CommandUpdate{true, true}));
    EXPECT_EQ(registry.Update(99, view), (CommandUpdate{false, false}));  // unknown
    EXPECT_FALSE(registry.Contains(99));
    EXPECT_TRUE(env.errors.Reports().empty());
}

TEST_F(RegistryFixture, FailuresStopAtTheBoundary) {
    registry.Add(
        1, [](CKavitroView&, std::uint32_t) { throw std::runtime_error("broken command"); },
        [](CKavitroView&, std::uint32_t) -> CommandUpdate { throw std::runtime_error("broken rule"); });
    registry.Add(2, [](CKavitroView&, std::uint32_t) { throw 42; });

    EXPECT_FALSE(registry.Execute(1, view));
    EXPECT_FALSE(registry.Execute(2, view));
    ASSERT_EQ(env.errors.Reports().size(), 2u);
    EXPECT_EQ(env.errors.Reports()[0].text, u"broken command");
    EXPECT_EQ(registry.Update(1, view), (CommandUpdate{false, false}));
    EXPECT_EQ(env.errors.Reports().size(), 2u);  // a failing rule only disables
}

// The shell's registry holds every group of the view's commands, once.
TEST(ViewCommandRegistry, RegisterAllFillsTheSharedRegistryOnce) {
    RegisterAllViewCommands();
    const std::vector<std::uint32_t> ids = CCommandRegistry::ViewCommands().Ids();
    RegisterAllViewCommands();
    EXPECT_EQ(CCommandRegistry::ViewCommands().Ids(), ids);
    for (const std::uint32_t id : {ViewCommand::Select, ViewCommand::LastAlternative, ViewCommand::NextPage,
                                   ViewCommand::EditUndo, ViewCommand::GlyphSwap})
        EXPECT_TRUE(CCommandRegistry::ViewCommands().Contains(id)) << id;
}

}  // namespace
}  // namespace kavitro
