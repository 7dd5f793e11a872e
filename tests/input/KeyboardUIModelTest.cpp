// The on-screen keyboard without its widgets: the button-map file, the key
// labels, assigning palette characters to keys, shift, the palette scroll,
// Save and Default, and the installed button map.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "input/KeyboardUIModel.h"
#include "tests/support/FileBytes.h"

namespace kavitro {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Model = KeyboardUIModel;
using Module = CKeyboardLayoutModule;
using Scroll = Model::ScrollRequest;

using test::ReadFile;
using test::WriteFile;

CKeyboardUIMapValue Entry(std::uint16_t shifted, std::uint16_t unshifted, std::int32_t first = 0) {
    CKeyboardUIMapValue value;
    value.m_firstValue = first;
    value.m_secondValue = first + 1;
    value.m_shiftedKey = shifted;
    value.m_unshiftedKey = unshifted;
    return value;
}

bool SameEntry(const CKeyboardUIMapValue& a, const CKeyboardUIMapValue& b) {
    return a.m_firstValue == b.m_firstValue && a.m_secondValue == b.m_secondValue &&
           a.m_shiftedKey == b.m_shiftedKey && a.m_unshiftedKey == b.m_unshiftedKey;
}

// A folder with a default layout (every key its own code, 'a' alef) and a
// button map: 1026 is a/A, 1027 is 1/!, 1028 has a code beyond the table,
// 1029 one that is negative as a signed 16-bit value.
class KeyboardUI : public ::testing::Test {
protected:
    void SetUp() override {
        // One folder per test: CTest runs the tests of this fixture at the same time.
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::path(::testing::TempDir()) / ("kavitro-keyboard-ui-" + std::string(test->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        for (std::size_t i = 0; i < m_default.size(); ++i)
            m_default[i] = static_cast<std::uint16_t>(i);
        m_default['a'] = 0x0627;
        WriteFile(m_folder / Module::kDefaultFileName, Module::SerializeLayout(Module::kDefaultTag, m_default));
        WriteFile(m_folder / Module::kUserFileName, Module::SerializeLayout(Module::kUserTag, m_default));
        Model::KeyMap map;
        map[1026] = Entry('A', 'a');
        map[1027] = Entry('!', '1');
        map[1028] = Entry(128, 200);
        map[1029] = Entry(0x8041, 0x8041);
        WriteFile(m_folder / Model::kMapFileName, Model::SerializeKeyMap(map));
        m_module.SetFolders(m_folder);
        ASSERT_EQ(m_module.LoadLayouts(), Module::kLoaded);
        ASSERT_TRUE(m_model.Open(m_module, m_folder));
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
    Module::KeyTable m_default{};
    Module m_module;
    Model m_model;
};

// --- The button-map file -------------------------------------------------------------

TEST(KeyboardUIMapFile, StoresAndLoadsEntries) {
    Model::KeyMap map;
    map[1026] = Entry(0x51, 0x71, 7);
    map[-5] = Entry(0xFFFF, 0, -3);
    const Bytes bytes = Model::SerializeKeyMap(map);
    EXPECT_EQ(bytes.size(), 4u + 30u + 2u + 2u * 16u);
    const std::optional<Model::KeyMap> loaded = Model::ParseKeyMap(bytes);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->size(), 2u);
    EXPECT_TRUE(SameEntry(loaded->at(1026), map[1026]));
    EXPECT_TRUE(SameEntry(loaded->at(-5), map[-5]));
}

// Entries written by hand: the 8-bit tag form, the long count form, and a
// repeated id (the later entry wins).
TEST(KeyboardUIMapFile, EightBitTagLongCountAndRepeatedIds) {
    Bytes bytes{15};
    for (char c : std::string_view("KBUIMap_Kavitro"))
        bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.insert(bytes.end(), {0xFF, 0xFF, 2, 0, 0, 0});  // count 2 in the long form
    const auto entry = [&](std::uint8_t id, std::uint8_t key) {
        bytes.insert(bytes.end(), {id, 4, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, key, 0, key, 0});
    };
    entry(7, 'x');
    entry(7, 'y');
    const std::optional<Model::KeyMap> map = Model::ParseKeyMap(bytes);
    ASSERT_TRUE(map);
    ASSERT_EQ(map->size(), 1u);
    EXPECT_EQ(map->at(0x407).m_unshiftedKey, 'y');
}

TEST(KeyboardUIMapFile, RefusesOtherTagsAndShortFiles) {
    Model::KeyMap map;
    map[1026] = Entry('A', 'a');
    map[1027] = Entry('B', 'b');
    const Bytes good = Model::SerializeKeyMap(map);
    Bytes otherCase = good;
    otherCase[4 + 2 * 8] = 'k';  // "KBUIMap_kavitro"
    Bytes countTooLarge = good;
    countTooLarge[34] = 3;
    Bytes lastEntryCut = good;
    lastEntryCut.pop_back();
    CArchive layout = CArchive::ForStoring();
    layout.WriteString(u"DefaultKB_Kavitro");
    layout.WriteCount(0);
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"tag in another case", otherCase}, {"count beyond the entries", countTooLarge},
        {"last entry cut", lastEntryCut},   {"layout tag", layout.TakeStoredBytes()},
        {"empty", {}},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(Model::ParseKeyMap(c.bytes)) << c.what;
}

// --- Keys, shift and palette -------------------------------------------------------------

TEST(KeyboardUILabels, NothingDrawnForNoneZeroControlsAndSurrogates) {
    for (std::uint16_t c : {0x0000, 0x000A, 0x001F, 0x007F, 0x0085, 0x009F, 0xD800, 0xDFFF, 0xFFFF})
        EXPECT_EQ(Model::Label(c), u"") << std::hex << c;
    for (std::uint16_t c : {0x0020, 0x0021, 0x00A0, 0x0627, 0x06F1, 0xFFFD})
        EXPECT_EQ(Model::Label(c), std::u16string(1, static_cast<char16_t>(c))) << std::hex << c;
}

TEST_F(KeyboardUI, KeysShowTheWorkingTableInTheShiftState) {
    EXPECT_EQ(m_model.KeyLabel(1026), u"\u0627");
    EXPECT_EQ(m_model.KeyLabel(1027), u"1");
    m_model.ClickShift();
    EXPECT_TRUE(m_model.IsShifted());
    EXPECT_EQ(m_model.KeyLabel(1026), u"A");
    EXPECT_EQ(m_model.KeyLabel(1027), u"!");
    // No entry, a code beyond the table, a negative code: nothing shown.
    for (int id : {1028, 1029, 1030}) {
        EXPECT_EQ(m_model.KeyCharacter(id), Model::kNone) << id;
        EXPECT_EQ(m_model.KeyLabel(id), u"") << id;
    }
}

TEST_F(KeyboardUI, PaletteCharacterGoesToEveryClickedKey) {
    EXPECT_FALSE(m_model.ClickKey(1026));  // nothing chosen yet
    m_model.ClickPalette(1102);            // palette entry 1: alef
    EXPECT_EQ(m_model.GetPendingCharacter(), 0x0627);
    m_model.ClickPalette(1101);  // another button: it is pressed, the first released
    EXPECT_TRUE(m_model.IsPalettePressed(1101));
    EXPECT_FALSE(m_model.IsPalettePressed(1102));
    EXPECT_EQ(m_model.GetPendingCharacter(), 0x0622);

    // Chosen, then scrolled: no button shows pressed, the character stays.
    m_model.Scroll(Scroll::LineLeft);
    EXPECT_FALSE(m_model.IsPalettePressed(1101));
    EXPECT_TRUE(m_model.ClickKey(1027));
    m_model.ClickShift();
    EXPECT_TRUE(m_model.ClickKey(1026));  // with shift: the shifted code's entry
    EXPECT_EQ(m_model.GetWorkingTable()['1'], 0x0622);
    EXPECT_EQ(m_model.GetWorkingTable()['A'], 0x0622);
    EXPECT_EQ(m_model.GetWorkingTable()['a'], 0x0627);
    EXPECT_FALSE(m_model.ClickKey(1028));
    EXPECT_FALSE(m_model.ClickKey(1029));
    EXPECT_FALSE(m_model.ClickKey(1030));

    // Clicking the pressed button again releases it: clicks change nothing.
    m_model.ClickPalette(1105);
    m_model.ClickPalette(1105);
    EXPECT_EQ(m_model.GetPendingCharacter(), Model::kNone);
    const Module::KeyTable before = m_model.GetWorkingTable();
    EXPECT_FALSE(m_model.ClickKey(1026));
    EXPECT_EQ(m_model.GetWorkingTable(), before);
}

TEST_F(KeyboardUI, PaletteWindowFollowsTheScrollBar) {
    EXPECT_EQ(m_model.GetScrollPosition(), 46);
    for (int k = 0; k < 15; ++k)
        EXPECT_EQ(m_model.PaletteCharacter(1101 + k), Model::kPalette[static_cast<std::size_t>(k)]);
    EXPECT_EQ(m_model.PaletteCharacter(1101), 0x0622);
    EXPECT_EQ(m_model.PaletteCharacter(1115), 0x0698);
    EXPECT_EQ(m_model.PaletteCharacter(1100), Model::kNone);
    EXPECT_EQ(m_model.PaletteCharacter(1116), Model::kNone);
    m_model.Scroll(Scroll::LeftEnd);
    EXPECT_EQ(m_model.PaletteCharacter(1101), u'!');
    EXPECT_EQ(m_model.PaletteCharacter(1115), u'/');

    const struct {
        int from;
        Scroll request;
        int thumb;
        int expected;
    } cases[] = {
        {10, Scroll::LineLeft, 0, 9},     {1, Scroll::LineLeft, 0, 1},      {10, Scroll::LineRight, 0, 11},
        {46, Scroll::LineRight, 0, 46},   {15, Scroll::PageLeft, 0, 1},     {16, Scroll::PageLeft, 0, 2},
        {31, Scroll::PageRight, 0, 45},   {32, Scroll::PageRight, 0, 46},   {20, Scroll::ThumbPosition, 7, 7},
        {20, Scroll::ThumbTrack, 33, 33}, {20, Scroll::ThumbTrack, 99, 46}, {20, Scroll::ThumbTrack, -4, 1},
        {20, Scroll::LeftEnd, 0, 1},      {20, Scroll::RightEnd, 0, 46},    {20, Scroll::EndScroll, 0, 20},
    };
    for (const auto& c : cases) {
        m_model.Scroll(Scroll::ThumbPosition, c.from);
        EXPECT_EQ(m_model.Scroll(c.request, c.thumb), c.expected) << c.from << " " << static_cast<int>(c.request);
        EXPECT_EQ(m_model.GetPaletteOffset(), 46 - c.expected);
    }
}

// --- Save and Default ---------------------------------------------------------------------

TEST_F(KeyboardUI, SaveWritesTheWorkingTableAndDefaultBringsBackTheDefault) {
    m_model.ClickPalette(1103);  // beh
    ASSERT_TRUE(m_model.ClickKey(1027));
    ASSERT_EQ(m_model.Save(m_module), Module::kSuccess);
    ASSERT_EQ(m_module.LoadLayouts(), Module::kLoaded);
    EXPECT_EQ(m_module.TranslateChar('1'), 0x0628);

    ASSERT_EQ(m_model.Default(m_module), Module::kSuccess);
    EXPECT_EQ(m_model.GetWorkingTable(), m_default);
    EXPECT_EQ(ReadFile(m_folder / Module::kUserFileName), Module::SerializeLayout(Module::kUserTag, m_default));

    // Without a default layout, Default fails and keeps the working table.
    ASSERT_TRUE(m_model.ClickKey(1027));
    fs::remove(m_folder / Module::kDefaultFileName);
    EXPECT_EQ(m_model.Default(m_module), Module::kFailure);
    EXPECT_EQ(m_model.GetWorkingTable()['1'], 0x0628);
}

TEST_F(KeyboardUI, WithoutAUsableMapKeysShowNothingAndIgnoreClicks) {
    for (const Bytes& bytes : {Bytes{}, Bytes{1, 'X'}}) {
        WriteFile(m_folder / Model::kMapFileName, bytes);
        Model model;
        EXPECT_FALSE(model.Open(m_module, m_folder));
        EXPECT_TRUE(model.GetKeyMap().empty());
        model.ClickPalette(1101);
        EXPECT_EQ(model.KeyLabel(1026), u"");
        EXPECT_FALSE(model.ClickKey(1026));
        EXPECT_EQ(model.GetScrollPosition(), 46);
    }
}

// --- The installed button map -------------------------------------------------------------------

TEST(InstalledKeyboardUIMap, EveryKeyButtonHasCodesInTheTable) {
    const std::optional<Model::KeyMap> map = Model::ParseKeyMap(ReadFile(fs::path(KAVITRO_SHARE_DIR) / Model::kMapFileName));
    ASSERT_TRUE(map);
    std::set<int> ids;
    for (int id = 1026; id <= 1073; ++id)
        if (id != 1039 && id != 1054)
            ids.insert(id);
    ids.insert(1077);
    ASSERT_EQ(ids.size(), 47u);
    for (int id : ids) {
        ASSERT_TRUE(map->count(id)) << id;
        EXPECT_LT(map->at(id).m_shiftedKey, 128) << id;
        EXPECT_LT(map->at(id).m_unshiftedKey, 128) << id;
    }
}

}  // namespace
}  // namespace kavitro
