// Keyboard layouts: the translation of every character on its way into a
// text, the layout files and their failures, the atomic save, and the
// installed layout against the engine.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/CalligraphyText.h"
#include "input/KeyboardLayoutModule.h"
#include "tests/support/FileBytes.h"
#include "tests/support/FileSizeLimit.h"
#include "platform/Archive.h"
#include "tests/engine/TestGlyphMetrics.h"

namespace kavitro {
namespace {

namespace fs = std::filesystem;
using Module = CKeyboardLayoutModule;
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint16_t kRefused = 0xFFFF;

Module::KeyTable TableOf(std::uint16_t fill) {
    Module::KeyTable table;
    table.fill(fill);
    return table;
}

using test::ReadFile;
using test::WriteFile;

// A layout file with the tag in the archive's 8-bit string form.
Bytes EightBitTagFile(std::string_view tag, const Module::KeyTable& table) {
    Bytes bytes{static_cast<std::uint8_t>(tag.size())};
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    for (std::uint16_t entry : table) {
        bytes.push_back(static_cast<std::uint8_t>(entry));
        bytes.push_back(static_cast<std::uint8_t>(entry >> 8));
    }
    return bytes;
}

// --- Translation ---------------------------------------------------------------------

TEST(TranslateChar, CharactersOutsideTheKeyTable) {
    Module module;
    module.SetTable(TableOf(0x0628));  // every key beh: none of these reach the table
    // clang-format off
    const std::pair<std::uint32_t, std::uint16_t> cases[] = {
        // Passed unchanged.
        {0x0020, 0x0020}, {0x0627, 0x0627}, {0x0621, 0x0621}, {0x0622, 0x0622}, {0x062A, 0x062A},
        {0x063A, 0x063A}, {0x0641, 0x0641}, {0x0648, 0x0648}, {0x060C, 0x060C}, {0x061B, 0x061B},
        {0x061F, 0x061F}, {0x066A, 0x066A}, {0x067E, 0x067E}, {0x0686, 0x0686}, {0x0698, 0x0698},
        {0x06A9, 0x06A9}, {0x06AF, 0x06AF}, {0x06CC, 0x06CC}, {0x06F0, 0x06F0}, {0x06F9, 0x06F9},
        // Arabic forms folded to the Persian ones.
        {0x0623, 0x0627}, {0x0625, 0x0627}, {0x0624, 0x0648}, {0x0626, 0x0621}, {0x0643, 0x06A9},
        {0x064A, 0x06CC}, {0x200C, 0x0020},
        // Refused: other Arabic letters, marks, Latin beyond ASCII, anything large.
        {0x0629, kRefused}, {0x0649, kRefused}, {0x0640, kRefused}, {0x064E, kRefused}, {0x0660, kRefused},
        {0x0643 + 0x10000, kRefused}, {0x00E9, kRefused}, {0x0080, kRefused}, {0x200D, kRefused},
        {0xFFFF, kRefused}, {0x10000, kRefused}, {0xFFFFFFFF, kRefused}, {0x80000627, kRefused},
    };
    // clang-format on
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(module.TranslateChar(code), expected) << std::hex << code;
}

TEST(TranslateChar, KeysGoThroughTheTableAndFoldOnlyTheStatedForms) {
    Module module;
    Module::KeyTable table = TableOf(kRefused);
    // clang-format off
    const std::pair<char, std::uint16_t> entries[] = {
        {'a', 0x0634}, {'b', 0x0623}, {'c', 0x0625}, {'d', 0x0643}, {'e', 0x0624}, {'f', 0x0626},
        {'g', 0x064A}, {'h', 0x200C}, {'i', 0x0000}, {'j', 0x0629}, {' ', 0x0628},
    };
    // clang-format on
    for (const auto& [key, entry] : entries)
        table[static_cast<std::size_t>(key)] = entry;
    module.SetTable(table);

    // clang-format off
    const std::pair<std::uint32_t, std::uint16_t> cases[] = {
        {'a', 0x0634}, {'b', 0x0623}, {'c', 0x0625},  // the hamza alefs are not folded on this path
        {'d', 0x06A9}, {'e', 0x0648}, {'f', 0x0621}, {'g', 0x06CC}, {'h', 0x0020},
        {'i', 0x0000},                                // an entry 0 is a character, not a refusal
        {'j', 0x0629},                                // the table's choice is not re-checked
        {'k', kRefused}, {0x00, kRefused}, {0x7F, kRefused},
        {' ', 0x0020},                                // space passes before the table
    };
    // clang-format on
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(module.TranslateChar(code), expected) << "key " << code;

    module.m_enabled = 0;
    EXPECT_EQ(module.TranslateChar('a'), 'a');
    EXPECT_EQ(module.TranslateChar(0x7F), 0x7F);
    EXPECT_EQ(module.TranslateChar(0x0643), 0x06A9) << "only the keys bypass the table";
    EXPECT_EQ(module.TranslateChar(0x00E9), kRefused);
}

TEST(TranslateChar, TableCopiesInAndOut) {
    Module module;
    Module::KeyTable out = TableOf(1);
    module.CopyTable(out);
    EXPECT_EQ(out, TableOf(0)) << "all zero until the first load";
    Module::KeyTable in{};
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<std::uint16_t>(0x0600 + i);
    module.SetTable(in);
    module.CopyTable(out);
    EXPECT_EQ(out, in);
}

// --- Files ------------------------------------------------------------------------------

class LayoutFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() / ("kavitro-kb-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_program = m_root / "share";
        m_user = m_root / "user";
        fs::remove_all(m_root);
        fs::create_directories(m_program);
        m_module.SetFolders(m_program, m_user);
        m_default = TableOf(0x0628);
        m_default['q'] = 0x0636;
        m_userTable = TableOf(0x062A);
    }
    void TearDown() override { fs::remove_all(m_root); }

    void InstallDefault(const Bytes& bytes) const { WriteFile(m_program / "DefaultKB.kvp", bytes); }
    void InstallStartingUser(const Bytes& bytes) const { WriteFile(m_program / "UserDefinedKB.kvp", bytes); }
    void PutUser(const Bytes& bytes) const {
        fs::create_directories(m_user);
        WriteFile(m_user / "UserDefinedKB.kvp", bytes);
    }
    Bytes DefaultFile() const { return Module::SerializeLayout(Module::kDefaultTag, m_default); }
    Bytes UserFile() const { return Module::SerializeLayout(Module::kUserTag, m_userTable); }
    Module::KeyTable Table() const {
        Module::KeyTable t{};
        m_module.CopyTable(t);
        return t;
    }

    fs::path m_root;
    fs::path m_program;
    fs::path m_user;
    Module m_module;
    Module::KeyTable m_default{};
    Module::KeyTable m_userTable{};
};

TEST_F(LayoutFiles, WrittenFilesHaveTheFixedLayout) {
    const Bytes def = DefaultFile();
    ASSERT_EQ(def.size(), 294u);
    EXPECT_EQ((Bytes{def.begin(), def.begin() + 6}), (Bytes{0xFF, 0xFE, 0xFF, 17, 'D', 0}));
    EXPECT_EQ(def[38], 0x28);
    EXPECT_EQ(def[39], 0x06);
    const Bytes user = UserFile();
    ASSERT_EQ(user.size(), 302u);
    EXPECT_EQ((Bytes{user.begin(), user.begin() + 6}), (Bytes{0xFF, 0xFE, 0xFF, 21, 'U', 0}));
}

// What LoadLayouts makes of each pair of files; the table that stays in
// force is the user's, the default, or the one before (all 0x0001).
TEST_F(LayoutFiles, LoadLayoutsOverDamagedAndMissingFiles) {
    enum class InForce { User, Default, Before };
    struct Case {
        const char* name;
        std::optional<Bytes> defaultFile;
        std::optional<Bytes> userFile;
        int result;
        InForce table;
    };
    const Bytes def = DefaultFile();
    const Bytes user = UserFile();
    const Bytes defTruncated(def.begin(), def.end() - 1);
    const Bytes userTruncated(user.begin(), user.begin() + 46 + 100);
    const Bytes userTagCut(user.begin(), user.begin() + 20);
    Bytes userWithTail = user;
    userWithTail.push_back(0x42);
    Bytes userLowerCase = user;
    userLowerCase[4] = 'u';
    const Bytes eightBitDefault = EightBitTagFile("DefaultKB_Kavitro", m_default);
    ASSERT_EQ(eightBitDefault.size(), 274u);

    const Case cases[] = {
        {"both", def, user, 0, InForce::User},
        {"user missing", def, std::nullopt, 2, InForce::Default},
        {"default missing", std::nullopt, user, 1, InForce::Before},
        {"default with the user tag", Module::SerializeLayout(Module::kUserTag, m_default), user, 1, InForce::Before},
        {"default ends inside its table", defTruncated, user, 1, InForce::Before},
        {"empty default", Bytes{}, user, 1, InForce::Before},
        {"default tag in 8-bit form", eightBitDefault, user, 0, InForce::User},
        {"user with the default tag", def, def, 2, InForce::Default},
        {"user tag differs in case", def, userLowerCase, 2, InForce::Default},
        {"user ends inside its table", def, userTruncated, 2, InForce::Default},
        {"user ends inside its tag", def, userTagCut, 2, InForce::Default},
        {"bytes after the user table", def, userWithTail, 0, InForce::User},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_program);
        fs::create_directories(m_program);
        if (c.defaultFile)
            InstallDefault(*c.defaultFile);
        if (c.userFile)
            InstallStartingUser(*c.userFile);
        m_module.SetTable(TableOf(1));
        EXPECT_EQ(m_module.LoadLayouts(), c.result);
        const Module::KeyTable expected = c.table == InForce::User      ? m_userTable
                                          : c.table == InForce::Default ? m_default
                                                                        : TableOf(1);
        EXPECT_EQ(Table(), expected);
    }
}

TEST_F(LayoutFiles, TheUsersOwnLayoutWinsOverTheInstalledOneOnceItExists) {
    InstallDefault(DefaultFile());
    InstallStartingUser(UserFile());
    EXPECT_EQ(m_module.LoadLayouts(), 0);
    EXPECT_EQ(Table(), m_userTable);

    // A damaged own file is reported, not replaced by the installed one.
    PutUser(Bytes{0xFF, 0xFE});
    EXPECT_EQ(m_module.LoadLayouts(), 2);
    EXPECT_EQ(Table(), m_default);

    const Module::KeyTable saved = TableOf(0x0645);
    EXPECT_EQ(m_module.SaveUserDefined(saved), 0);
    EXPECT_EQ(m_module.LoadLayouts(), 0);
    EXPECT_EQ(Table(), saved);
    EXPECT_EQ(ReadFile(m_program / "UserDefinedKB.kvp"), UserFile()) << "the installation is never written";
}

TEST_F(LayoutFiles, SaveWritesTheGivenTableNotTheModules) {
    m_module.SetTable(TableOf(0x0633));
    EXPECT_EQ(m_module.SaveUserDefined(m_userTable), 0);
    EXPECT_EQ(ReadFile(m_user / "UserDefinedKB.kvp"), UserFile());
    EXPECT_EQ(Table(), TableOf(0x0633));
}

TEST_F(LayoutFiles, ResetToDefaultPutsTheDefaultInForceAndOnDisk) {
    InstallDefault(DefaultFile());
    PutUser(UserFile());
    m_module.SetTable(TableOf(1));
    EXPECT_EQ(m_module.ResetToDefault(), 0);
    EXPECT_EQ(Table(), m_default);
    const Bytes written = ReadFile(m_user / "UserDefinedKB.kvp");
    EXPECT_EQ(written, Module::SerializeLayout(Module::kUserTag, m_default));
    EXPECT_EQ(written.size(), 302u);

    // An unreadable default changes nothing.
    InstallDefault(Module::SerializeLayout(Module::kUserTag, m_default));
    m_module.SetTable(TableOf(1));
    PutUser(UserFile());
    EXPECT_EQ(m_module.ResetToDefault(), 1);
    EXPECT_EQ(Table(), TableOf(1));
    EXPECT_EQ(ReadFile(m_user / "UserDefinedKB.kvp"), UserFile());
}

// A write that fails half-way leaves the old file, and no temporary beside it.
TEST_F(LayoutFiles, FailedSaveKeepsTheOldFile) {
    PutUser(UserFile());
    InstallDefault(DefaultFile());

    int saved = 0;
    int reset = 0;
    {
        const test::FileSizeLimit limit(64);  // the write fails after a few bytes
        ASSERT_TRUE(limit.IsActive());
        saved = m_module.SaveUserDefined(TableOf(0x0645));
        m_module.SetTable(TableOf(1));
        reset = m_module.ResetToDefault();
    }

    EXPECT_EQ(saved, 1);
    EXPECT_EQ(reset, 1);
    EXPECT_EQ(Table(), m_default) << "the default stays in force when it cannot be written";
    EXPECT_EQ(ReadFile(m_user / "UserDefinedKB.kvp"), UserFile());
    EXPECT_EQ(std::distance(fs::directory_iterator(m_user), fs::directory_iterator()), 1);

    // A folder in the way of the file.
    fs::remove(m_user / "UserDefinedKB.kvp");
    fs::create_directories(m_user / "UserDefinedKB.kvp");
    EXPECT_EQ(m_module.SaveUserDefined(m_userTable), 1);
}

// --- The installed layout ----------------------------------------------------------------

class InstalledLayout : public ::testing::Test {
protected:
    void SetUp() override {
        m_module.SetFolders(KAVITRO_SHARE_DIR, fs::path(KAVITRO_SHARE_DIR) / "no-such-user-folder");
        ASSERT_EQ(m_module.LoadLayouts(), 0) << "a fresh installation loads without a warning";
    }
    Module m_module;
};

TEST_F(InstalledLayout, FilesHaveTheirSizesAndTags) {
    const fs::path share = KAVITRO_SHARE_DIR;
    const Bytes def = ReadFile(share / "DefaultKB.kvp");
    const Bytes user = ReadFile(share / "UserDefinedKB.kvp");
    EXPECT_EQ(def.size(), 294u);
    EXPECT_EQ(user.size(), 302u);
    const auto defTable = Module::ParseLayout(def, Module::kDefaultTag);
    ASSERT_TRUE(defTable.has_value());
    EXPECT_EQ(Module::ParseLayout(user, Module::kUserTag), defTable) << "the user starts from the default";

    // The on-screen keyboard's map: 47 key buttons, each with two key codes.
    CArchive ar = CArchive::ForLoading(ReadFile(share / "KBUIMap.kvp"));
    EXPECT_EQ(ar.ReadString(), u"KBUIMap_Kavitro");
    const std::size_t count = ar.ReadCount(16);
    EXPECT_EQ(count, 47u);
    std::set<std::int32_t> ids;
    std::set<std::uint16_t> keys;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t id = ar.ReadI32();
        ar.ReadI32();
        ar.ReadI32();
        const std::uint16_t shifted = ar.ReadU16();
        const std::uint16_t unshifted = ar.ReadU16();
        EXPECT_TRUE(ids.insert(id).second) << id;
        EXPECT_TRUE((id >= 1026 && id <= 1038) || (id >= 1040 && id <= 1053) || (id >= 1055 && id <= 1073) ||
                    id == 1077)
            << id;
        EXPECT_TRUE(shifted > 0x20 && shifted < 0x7F) << id;
        EXPECT_TRUE(unshifted > 0x20 && unshifted < 0x7F) << id;
        EXPECT_TRUE(keys.insert(shifted).second && keys.insert(unshifted).second) << "key of button " << id;
    }
    EXPECT_TRUE(ar.IsAtEnd());
}

TEST_F(InstalledLayout, TheStandardPersianKeys) {
    // clang-format off
    const std::pair<char, std::uint16_t> cases[] = {
        {'1', 0x06F1}, {'0', 0x06F0}, {'q', 0x0636}, {'h', 0x0627}, {'d', 0x06CC}, {';', 0x06A9},
        {'\'', 0x06AF}, {']', 0x0686}, {'m', 0x067E}, {',', 0x0648}, {'.', 0x002E},
        {'H', 0x0622}, {'C', 0x0698}, {'M', 0x0621}, {'A', 0x0648}, {'S', 0x0621}, {'D', 0x06CC},
        {'Z', 0x06A9}, {'B', 0x0020}, {'%', 0x066A}, {'&', 0x060C}, {'"', 0x061B}, {'?', 0x061F},
        {'(', 0x0029}, {'P', 0x005B},
        // Unassigned: hamza alefs, teh marbuta, vowel signs, control codes.
        {'G', kRefused}, {'F', kRefused}, {'J', kRefused}, {'Q', kRefused}, {'`', kRefused},
        {'\t', kRefused}, {'\r', kRefused}, {0x7F, kRefused},
    };
    // clang-format on
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(m_module.TranslateChar(static_cast<std::uint8_t>(key)), expected) << "key '" << key << "'";
}

// Every key the layout assigns gives a character the engine takes, at the
// start of a text and after a letter; a refusal would drop the keystroke.
TEST_F(InstalledLayout, EveryAssignedKeyIsAcceptedByTheEngine) {
    test::TestGlyphMetrics metrics;
    Module::KeyTable table{};
    m_module.CopyTable(table);
    int assigned = 0;
    for (std::uint32_t key = 0; key < Module::kKeyCount; ++key) {
        EXPECT_NE(table[key], 0x0623) << key;
        EXPECT_NE(table[key], 0x0625) << key;
        if (key < 0x20 || key == 0x7F) {
            EXPECT_EQ(table[key], kRefused) << "control code " << key;
        }
        const std::uint16_t code = m_module.TranslateChar(key);
        if (code == kRefused)
            continue;
        ++assigned;
        for (const std::u16string_view before : {u"", u"\u0628", u"\u0628\u0627 "}) {
            CCalligraphyParagraph paragraph;
            std::int32_t caret = 0;
            for (const char16_t c : before)
                ASSERT_EQ(paragraph.InsertCharacter(caret, static_cast<std::uint16_t>(c)), 1);
            EXPECT_EQ(paragraph.InsertCharacter(caret, code), 1)
                << "key " << key << " gives U+" << std::hex << code << " after " << before.size() << " characters";
        }
    }
    EXPECT_GE(assigned, 60);
}

}  // namespace
}  // namespace kavitro
