// The settings record: defaults, the profile names it reads and writes, and
// the range checks that keep hand-edited or foreign profiles harmless.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "document/ApplicationProperties.h"
#include "document/ProfileStore.h"

namespace kavitro {
namespace {

using P = CApplicationProperties;

TEST(ApplicationProperties, EmptyProfileGivesTheDefaultsAndSaveWritesEveryValue) {
    MemoryProfileStore empty;
    P loaded;
    loaded[P::GridColor] = 1;
    loaded.m_languageModule = u"English.dll";
    loaded.Load(empty);
    EXPECT_EQ(loaded.m_values, P().m_values);
    EXPECT_EQ(loaded.m_languageModule, u"Farsi.dll");

    MemoryProfileStore saved;
    loaded.Save(saved);
    EXPECT_EQ(saved.WriteCount(), 46);
    EXPECT_EQ(saved.Ints().size(), 45u) << "every integer under its own section and name";
    // Names the other layers and older profiles rely on.
    const std::vector<std::pair<std::string, std::int32_t>> expected = {
        {"Settings/Clipboard/Kavitro", 1},
        {"Settings/Clipboard/BMPSize", 50},
        {"Settings/Application Background/Use System Color", 1},
        {"Settings/Paper Background/Use System Color", 1},
        {"Settings/Paper Background/RGB", 0xFFFFFF},
        {"Settings/Grid/GridColor", 0xFF0000},
        {"Settings/Draw Baseline", 0},
        {"Settings/Miscellaneous/SmartSpacingMaxOverlapNumerator", 45},
        {"Settings/Miscellaneous/PointSize_Size", 90},
        {"Settings/Fonts/ZurazOrovaWriting", 0},
        {"Settings/CheckForUpdatesPeriod", 30},
    };
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(saved.Ints().contains(key)) << key;
        EXPECT_EQ(saved.Ints().at(key), value) << key;
    }
    EXPECT_EQ(saved.Strings().at("Settings/Language DLL"), u"Farsi.dll");
}

TEST(ApplicationProperties, SavedValuesLoadBack) {
    P changed;
    changed[P::GridHorizontalFreq] = 25;
    changed[P::DrawBaseline] = 2;
    changed[P::ClipboardBMPSize] = 400;
    changed[P::TextSelectionRGB] = 0x123456;
    changed[P::LastUpdateCheck] = 2500;
    changed[P::ZurazOrovaWriting] = 1;
    changed.m_languageModule = u"English.dll";
    MemoryProfileStore store;
    changed.Save(store);

    P loaded;
    loaded.Load(store);
    EXPECT_EQ(loaded.m_values, changed.m_values);
    EXPECT_EQ(loaded.m_languageModule, u"English.dll");
}

TEST(ApplicationProperties, TableIsConsistent) {
    std::set<int> indices;
    std::set<std::string> keys;
    for (const SettingInfo& info : P::Settings()) {
        EXPECT_TRUE(indices.insert(info.index).second) << info.name;
        EXPECT_TRUE(keys.insert(MemoryProfileStore::Key(info.section, info.name)).second) << info.name;
        EXPECT_LE(info.minimum, info.defaultValue) << info.name;
        EXPECT_GE(info.maximum, info.defaultValue) << info.name;
        EXPECT_EQ(&P::Info(static_cast<P::Setting>(info.index)), &info);
        EXPECT_EQ(std::string(info.section).find('\\'), std::string::npos) << info.section;
    }
    EXPECT_EQ(indices.size(), P::kIntegerCount);
}

struct RangeCase {
    P::Setting setting;
    std::int32_t stored;
    std::int32_t loaded;
};

TEST(ApplicationProperties, LoadBringsEveryValueIntoRange) {
    const RangeCase cases[] = {
        // Spacings that the grid divides by or steps with.
        {P::GridHorizontalFreq, 0, 10},
        {P::GridVerticalFreq, -3, 10},
        {P::GridHorizontalFreq, 1000000, 10},
        {P::GridVerticalFreq, 35, 35},
        // Modes and styles with a fixed set of values.
        {P::DrawBaseline, 3, 0},
        {P::DrawBaseline, -1, 0},
        {P::DrawBaseline, 2, 2},
        {P::GuideLineStyle, 5, 0},
        {P::ShowGrid, 7, 1},
        {P::SnapToGrid, -1, 0},
        // Percentages: the dialog's range.
        {P::ClipboardBMPSize, 1000000000, 500},
        {P::ClipboardBMPSize, 0, 10},
        {P::ClipboardBMPSize, 120, 120},
        {P::PointSize_Size, 200, 100},
        {P::PointSize_Size, 10, 80},
        // Divisors and steps of smart spacing.
        {P::SmartSpacingMaxOverlapDenominator, 0, 10},
        {P::SmartSpacingMaxOverlapWidthDivider, 0, 2},
        {P::SmartSpacingMinJump, 0, 10},
        {P::SmartSpacingMaxJumpDirectionSwap, 1000000, 5},
        {P::SmartSpacingTargetDistance, -250, 250},
        // Colours carry no top byte.
        {P::GridColor, 0x01000000, 0xFF0000},
        {P::DefaultTextColor, -1, 0},
        {P::PaperRGB, 0x00FFFFFF, 0x00FFFFFF},
        // Update check.
        {P::CheckForUpdatesPeriod, 0, 1},
        {P::CheckForUpdatesPeriod, 100000, 3650},
        {P::LastUpdateCheck, -5, 0},
        {P::DefaultTextSize, 0, 25},
        {P::DebugLevel, 32, 32},
        {P::DebugLevel, -1, 0},
    };
    for (const RangeCase& c : cases) {
        const SettingInfo& info = P::Info(c.setting);
        MemoryProfileStore store;
        store.WriteProfileInt(info.section, info.name, c.stored);
        P loaded;
        loaded.Load(store);
        EXPECT_EQ(loaded[c.setting], c.loaded) << info.section << "/" << info.name << " = " << c.stored;
    }
}

TEST(ApplicationProperties, LanguagePackNameMustBeABareFileName) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"Farsi.dll", u"Farsi.dll"},
        {u"English.dll", u"English.dll"},
        {u"../../etc/passwd", u"Farsi.dll"},
        {u"/usr/share/Farsi.dll", u"Farsi.dll"},
        {u"lang\\Farsi.dll", u"Farsi.dll"},
        {u"C:Farsi.dll", u"Farsi.dll"},
        {u"..", u"Farsi.dll"},
        {u"", u"Farsi.dll"},
        {u"Far\nsi.dll", u"Farsi.dll"},
        {std::u16string(65, u'a'), u"Farsi.dll"},
    };
    for (const auto& [stored, loaded] : cases) {
        MemoryProfileStore store;
        store.WriteProfileString(P::kLanguageSection, P::kLanguageName, stored);
        P properties;
        properties.Load(store);
        EXPECT_EQ(properties.m_languageModule, loaded) << std::string(stored.begin(), stored.end());
    }
}

TEST(ApplicationProperties, DrawingModeOutsideItsThreeValuesIsZero) {
    const std::pair<std::int32_t, std::uint16_t> cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}, {65537, 0}};
    for (const auto& [stored, mode] : cases)
        EXPECT_EQ(P::CheckedDrawingMode(stored), mode) << stored;
}

TEST(ApplicationProperties, SmartSpacingTakesTheLoadedValues) {
    P properties;
    properties[P::SmartSpacingTargetDistance] = 300;
    properties[P::SmartSpacingMaxOverlapDenominator] = 7;
    const SmartSpacingSettings s = properties.GetSmartSpacing();
    EXPECT_EQ(s.targetDistance, 300);
    EXPECT_EQ(s.maxOverlapDenominator, 7);
    EXPECT_EQ(s.pointsBelow, 800);
}

}  // namespace
}  // namespace kavitro
