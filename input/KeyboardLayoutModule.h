#pragma once

// The keyboard layouts: a table of 128 UTF-16 units, one per ASCII key code,
// that turns the keys of a Latin keyboard into Persian letters; and the
// decision, for every character about to enter a calligraphic text, whether
// the engine may receive it and in which form.
//
// The table comes from two archive files: the installed default layout
// "DefaultKB.kvp" (read only) and the user's layout "UserDefinedKB.kvp"
// (written by the on-screen keyboard). Each holds a tag string and then the
// 256-byte table, nothing else. The user's layout lives in the user's data
// folder; until the user saves one, the starting layout installed beside the
// default one is read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "document/CharacterTranslator.h"

namespace kavitro {

enum class FileProblem : std::uint8_t;  // platform/AtomicFile.h

class CKeyboardLayoutModule final : public CharacterTranslator {
public:
    static constexpr std::size_t kKeyCount = 128;
    using KeyTable = std::array<std::uint16_t, kKeyCount>;

    static constexpr std::string_view kDefaultFileName = "DefaultKB.kvp";
    static constexpr std::string_view kUserFileName = "UserDefinedKB.kvp";
    static constexpr std::u16string_view kDefaultTag = u"DefaultKB_Kavitro";
    static constexpr std::u16string_view kUserTag = u"UserDefinedKB_Kavitro";
    // Results of LoadLayouts.
    static constexpr int kLoaded = 0;          // the user layout is in force
    static constexpr int kDefaultMissing = 1;  // nothing loaded; the table is as it was
    static constexpr int kUserMissing = 2;     // the default layout is in force
    // Results of SaveUserDefined and ResetToDefault.
    static constexpr int kSuccess = 0;
    static constexpr int kFailure = 1;

    CKeyboardLayoutModule() = default;

    // programFolder holds the default layout and the installed starting user
    // layout; the user's own layout is written to, and read first from,
    // userFolder (the program folder when empty).
    void SetFolders(std::filesystem::path programFolder, std::filesystem::path userFolder = {});
    std::filesystem::path GetDefaultLayoutPath() const;
    // Where SaveUserDefined writes.
    std::filesystem::path GetUserLayoutPath() const;

    // Reads the default layout, then the user's over it: kLoaded,
    // kUserMissing (user file missing, unreadable, short or of another tag;
    // the default table is in force) or kDefaultMissing (the default file
    // likewise; the table is left as it was).
    int LoadLayouts();
    void SetTable(std::span<const std::uint16_t, kKeyCount> table);
    void CopyTable(std::span<std::uint16_t, kKeyCount> out) const;
    // The unit to insert for a typed or inserted character, or kRefused.
    // Constant time, no allocation.
    std::uint16_t TranslateChar(std::uint32_t code) const override;
    // Writes the user layout file from table (not from the module's own
    // table), atomically: on failure the old file stays and `problem` (when
    // given) says why. kSuccess or kFailure.
    int SaveUserDefined(std::span<const std::uint16_t, kKeyCount> table, FileProblem* problem = nullptr) const;
    // Puts the default layout in force and writes it as the user layout.
    // kFailure when the default cannot be read (the table is untouched) or the
    // user file cannot be written (the default stays in force).
    int ResetToDefault();

    // --- The file format ---------------------------------------------------
    // The table of a layout file with the expected tag (either string form);
    // nullopt for another tag, a file that ends before its table is complete,
    // or a malformed string. Bytes after the table are ignored.
    static std::optional<KeyTable> ParseLayout(std::span<const std::uint8_t> bytes, std::u16string_view tag);
    // The file: the tag in the UTF-16 string form, then the table.
    static std::vector<std::uint8_t> SerializeLayout(std::u16string_view tag,
                                                     std::span<const std::uint16_t, kKeyCount> table);
    // A layout file is 302 bytes; anything far larger is not one.
    static constexpr std::size_t kMaxFileSize = 1u << 16;

    // 1 from construction on; while 0, key codes below 128 pass unchanged.
    std::int32_t m_enabled = 1;

private:
    std::optional<KeyTable> ReadLayoutFile(const std::filesystem::path& path, std::u16string_view tag) const;
    std::filesystem::path UserLayoutToRead() const;

    std::filesystem::path m_programFolder;
    std::filesystem::path m_userFolder;
    KeyTable m_keyTable{};
};

}  // namespace kavitro
