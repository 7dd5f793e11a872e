#include "input/KeyboardLayoutModule.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "platform/Archive.h"
#include "platform/AtomicFile.h"

namespace kavitro {
namespace {

constexpr std::uint16_t kRefusedUnit = CharacterTranslator::kRefused;

// What a character of the Arabic block becomes: itself (the letters, digits
// and punctuation the engine takes), its Persian form, or refused.
constexpr std::array<std::uint16_t, 256> MakeArabicBlock() {
    std::array<std::uint16_t, 256> block{};
    for (auto& unit : block)
        unit = kRefusedUnit;
    auto pass = [&](std::uint16_t first, std::uint16_t last) {
        for (std::uint16_t c = first; c <= last; ++c)
            block[c & 0xFF] = c;
    };
    pass(0x060C, 0x060C);  // Arabic comma
    pass(0x061B, 0x061B);  // Arabic semicolon
    pass(0x061F, 0x061F);  // Arabic question mark
    pass(0x0621, 0x0622);  // hamza, alef with madda
    pass(0x0627, 0x0628);  // alef, beh
    pass(0x062A, 0x063A);  // teh to ghain
    pass(0x0641, 0x0642);  // feh, qaf
    pass(0x0644, 0x0648);  // lam to waw
    pass(0x066A, 0x066A);  // Arabic percent sign
    pass(0x067E, 0x067E);  // peh
    pass(0x0686, 0x0686);  // tcheh
    pass(0x0698, 0x0698);  // jeh
    pass(0x06A9, 0x06A9);  // keheh
    pass(0x06AF, 0x06AF);  // gaf
    pass(0x06CC, 0x06CC);  // Farsi yeh
    pass(0x06F0, 0x06F9);  // Persian digits
    // The Arabic forms typed or pasted in place of the Persian ones.
    block[0x23] = 0x0627;  // alef with hamza above
    block[0x25] = 0x0627;  // alef with hamza below
    block[0x24] = 0x0648;  // waw with hamza
    block[0x26] = 0x0621;  // yeh with hamza
    block[0x43] = 0x06A9;  // Arabic kaf
    block[0x4A] = 0x06CC;  // Arabic yeh
    return block;
}
constexpr std::array<std::uint16_t, 256> kArabicBlock = MakeArabicBlock();

constexpr std::uint16_t kZeroWidthNonJoiner = 0x200C;

// A key-table entry on its way out. The two hamza-carrying alefs are not
// folded here: what a layout assigns is its own choice.
constexpr std::uint16_t FoldEntry(std::uint16_t entry) {
    switch (entry) {
    case 0x0624: return 0x0648;
    case 0x0626: return 0x0621;
    case 0x0643: return 0x06A9;
    case 0x064A: return 0x06CC;
    case kZeroWidthNonJoiner: return 0x0020;
    default: return entry;
    }
}

}  // namespace

void CKeyboardLayoutModule::SetFolders(std::filesystem::path programFolder, std::filesystem::path userFolder) {
    m_programFolder = std::move(programFolder);
    m_userFolder = std::move(userFolder);
}

std::filesystem::path CKeyboardLayoutModule::GetDefaultLayoutPath() const { return m_programFolder / kDefaultFileName; }

std::filesystem::path CKeyboardLayoutModule::GetUserLayoutPath() const {
    return (m_userFolder.empty() ? m_programFolder : m_userFolder) / kUserFileName;
}

// The user's own file once it exists (even a damaged one: that is reported,
// not papered over); before that, the starting layout of the installation.
std::filesystem::path CKeyboardLayoutModule::UserLayoutToRead() const {
    const std::filesystem::path own = GetUserLayoutPath();
    std::error_code error;
    if (m_userFolder.empty() ||
        std::filesystem::symlink_status(own, error).type() != std::filesystem::file_type::not_found)
        return own;
    return m_programFolder / kUserFileName;
}

int CKeyboardLayoutModule::LoadLayouts() {
    const std::optional<KeyTable> defaults = ReadLayoutFile(GetDefaultLayoutPath(), kDefaultTag);
    if (!defaults)
        return kDefaultMissing;
    SetTable(*defaults);
    const std::optional<KeyTable> user = ReadLayoutFile(UserLayoutToRead(), kUserTag);
    if (!user)
        return kUserMissing;
    SetTable(*user);
    return kLoaded;
}

void CKeyboardLayoutModule::SetTable(std::span<const std::uint16_t, kKeyCount> table) {
    std::copy(table.begin(), table.end(), m_keyTable.begin());
}

void CKeyboardLayoutModule::CopyTable(std::span<std::uint16_t, kKeyCount> out) const {
    std::copy(m_keyTable.begin(), m_keyTable.end(), out.begin());
}

std::uint16_t CKeyboardLayoutModule::TranslateChar(std::uint32_t code) const {
    if (code == 0x0020)
        return 0x0020;
    if (code >= 0x0600 && code <= 0x06FF)
        return kArabicBlock[code & 0xFF];
    if (code == kZeroWidthNonJoiner)
        return 0x0020;
    if (code >= kKeyCount)
        return kRefusedUnit;
    if (m_enabled == 0)
        return static_cast<std::uint16_t>(code);
    return FoldEntry(m_keyTable[code]);
}

int CKeyboardLayoutModule::SaveUserDefined(std::span<const std::uint16_t, kKeyCount> table,
                                           FileProblem* problem) const {
    const std::filesystem::path path = GetUserLayoutPath();
    std::error_code error;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), error);
    const std::vector<std::uint8_t> bytes = SerializeLayout(kUserTag, table);
    return WriteFileAtomically(path, bytes, nullptr, problem) ? kSuccess : kFailure;
}

int CKeyboardLayoutModule::ResetToDefault() {
    const std::optional<KeyTable> defaults = ReadLayoutFile(GetDefaultLayoutPath(), kDefaultTag);
    if (!defaults)
        return kFailure;
    SetTable(*defaults);
    return SaveUserDefined(*defaults);
}

std::optional<CKeyboardLayoutModule::KeyTable> CKeyboardLayoutModule::ParseLayout(std::span<const std::uint8_t> bytes,
                                                                                  std::u16string_view tag) {
    try {
        CArchive ar = CArchive::ForLoading(bytes);
        if (ar.ReadString() != tag)
            return std::nullopt;
        // A file that ends inside its table is damaged, not a layout with
        // some keys missing.
        if (ar.GetRemaining() < 2 * kKeyCount)
            return std::nullopt;
        KeyTable table{};
        for (std::uint16_t& entry : table)
            entry = ar.ReadU16();
        return table;
    } catch (const ArchiveException&) {
        return std::nullopt;
    }
}

std::vector<std::uint8_t> CKeyboardLayoutModule::SerializeLayout(std::u16string_view tag,
                                                                 std::span<const std::uint16_t, kKeyCount> table) {
    CArchive ar = CArchive::ForStoring();
    ar.WriteString(tag);
    for (std::uint16_t entry : table)
        ar.WriteU16(entry);
    return ar.TakeStoredBytes();
}

std::optional<CKeyboardLayoutModule::KeyTable> CKeyboardLayoutModule::ReadLayoutFile(const std::filesystem::path& path,
                                                                                     std::u16string_view tag) const {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, kMaxFileSize);
    if (!bytes)
        return std::nullopt;
    return ParseLayout(*bytes, tag);
}

}  // namespace kavitro
