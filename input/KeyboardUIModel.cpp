#include "input/KeyboardUIModel.h"

#include <algorithm>

#include "platform/AtomicFile.h"

namespace kavitro {

KAVITRO_IMPLEMENT_SERIAL(CKeyboardUIMapValue, CObject, 1)

const std::array<char16_t, KeyboardUIModel::kPaletteSize> KeyboardUIModel::kPalette = {
    u'\u0622', u'\u0627', u'\u0628', u'\u067E', u'\u062A', u'\u062B', u'\u062C', u'\u0686', u'\u062D', u'\u062E',
    u'\u062F', u'\u0630', u'\u0631', u'\u0632', u'\u0698', u'\u0633', u'\u0634', u'\u0635', u'\u0636', u'\u0637',
    u'\u0638', u'\u0639', u'\u063A', u'\u0641', u'\u0642', u'\u06A9', u'\u06AF', u'\u0644', u'\u0645', u'\u0646',
    u'\u0648', u'\u0647', u'\u06CC', u'\u0621', u'\u0624', u'\u06F0', u'\u06F1', u'\u06F2', u'\u06F3', u'\u06F4',
    u'\u06F5', u'\u06F6', u'\u06F7', u'\u06F8', u'\u06F9', u'!',      u'"',      u'\'',     u'(',      u')',
    u'.',      u':',      u'\u061B', u'\u061F', u'[',      u']',      u'\u060C', u'\u066A', u'\\',     u'/',
};

namespace {
// Each stored entry: id, two values, two key codes.
constexpr std::size_t kEntryBytes = 4 + 4 + 4 + 2 + 2;
}  // namespace

void CKeyboardUIMapValue::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << m_firstValue << m_secondValue << m_shiftedKey << m_unshiftedKey;
    } else {
        ar >> m_firstValue >> m_secondValue >> m_shiftedKey >> m_unshiftedKey;
    }
}

std::optional<KeyboardUIModel::KeyMap> KeyboardUIModel::ParseKeyMap(std::span<const std::uint8_t> bytes) {
    try {
        CArchive ar = CArchive::ForLoading(bytes);
        if (ar.ReadString() != kMapTag)
            return std::nullopt;
        const std::size_t count = ar.ReadCount(kEntryBytes);
        KeyMap map;
        for (std::size_t i = 0; i < count; ++i) {
            const std::int32_t id = ar.ReadI32();
            CKeyboardUIMapValue value;
            value.Serialize(ar);
            map.insert_or_assign(id, value);
        }
        return map;
    } catch (const ArchiveException&) {
        return std::nullopt;
    }
}

std::vector<std::uint8_t> KeyboardUIModel::SerializeKeyMap(const KeyMap& map) {
    CArchive ar = CArchive::ForStoring();
    ar.WriteString(kMapTag);
    ar.WriteCount(map.size());
    for (const auto& [id, value] : map) {
        ar.WriteI32(id);
        CKeyboardUIMapValue copy = value;
        copy.Serialize(ar);
    }
    return ar.TakeStoredBytes();
}

bool KeyboardUIModel::Open(const CKeyboardLayoutModule& module, const std::filesystem::path& programFolder) {
    module.CopyTable(m_workingTable);
    m_keyMap.clear();
    m_shifted = false;
    m_scrollPosition = kMaxScroll;
    m_pressedPaletteButton = 0;
    m_pending = kNone;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(programFolder / kMapFileName, kMaxMapFileSize);
    if (!bytes)
        return false;
    std::optional<KeyMap> map = ParseKeyMap(*bytes);
    if (!map)
        return false;
    m_keyMap = std::move(*map);
    return true;
}

std::optional<std::uint16_t> KeyboardUIModel::KeyCode(std::int32_t buttonId) const {
    const auto it = m_keyMap.find(buttonId);
    if (it == m_keyMap.end())
        return std::nullopt;
    const std::uint16_t code = m_shifted ? it->second.m_shiftedKey : it->second.m_unshiftedKey;
    if (code >= CKeyboardLayoutModule::kKeyCount)  // also every code negative as a signed 16-bit value
        return std::nullopt;
    return code;
}

std::uint16_t KeyboardUIModel::KeyCharacter(std::int32_t buttonId) const {
    const std::optional<std::uint16_t> code = KeyCode(buttonId);
    return code ? m_workingTable[*code] : kNone;
}

std::u16string KeyboardUIModel::Label(std::uint16_t character) {
    const bool control = character < 0x20 || (character >= 0x7F && character <= 0x9F);
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (character == kNone || control || surrogate)
        return {};
    return std::u16string(1, static_cast<char16_t>(character));
}

bool KeyboardUIModel::ClickKey(std::int32_t buttonId) {
    const std::optional<std::uint16_t> code = KeyCode(buttonId);
    if (!code || m_pending == kNone)
        return false;
    m_workingTable[*code] = m_pending;
    return true;
}

std::uint16_t KeyboardUIModel::PaletteCharacter(int buttonId) const {
    if (buttonId < kFirstPaletteButton || buttonId >= kFirstPaletteButton + kPaletteButtonCount)
        return kNone;
    return kPalette[static_cast<std::size_t>(GetPaletteOffset() + buttonId - kFirstPaletteButton)];
}

void KeyboardUIModel::ClickPalette(int buttonId) {
    const std::uint16_t character = PaletteCharacter(buttonId);
    if (character == kNone)
        return;
    if (m_pressedPaletteButton == buttonId) {
        m_pressedPaletteButton = 0;
        m_pending = kNone;
    } else {
        m_pressedPaletteButton = buttonId;
        m_pending = character;
    }
}

int KeyboardUIModel::Scroll(ScrollRequest request, int thumb) {
    const int p = m_scrollPosition;
    int next = p;
    switch (request) {
    case ScrollRequest::LineLeft: next = std::max(p - 1, kMinScroll); break;
    case ScrollRequest::LineRight: next = std::min(p + 1, kMaxScroll); break;
    case ScrollRequest::PageLeft: next = p < 16 ? kMinScroll : p - 14; break;
    case ScrollRequest::PageRight: next = p < 32 ? p + 14 : kMaxScroll; break;
    case ScrollRequest::ThumbPosition:
    case ScrollRequest::ThumbTrack: next = std::clamp(thumb, kMinScroll, kMaxScroll); break;
    case ScrollRequest::LeftEnd: next = kMinScroll; break;
    case ScrollRequest::RightEnd: next = kMaxScroll; break;
    case ScrollRequest::EndScroll: break;
    }
    m_scrollPosition = next;
    m_pressedPaletteButton = 0;
    return next;
}

int KeyboardUIModel::Save(const CKeyboardLayoutModule& module, FileProblem* problem) const {
    return module.SaveUserDefined(m_workingTable, problem);
}

int KeyboardUIModel::Default(CKeyboardLayoutModule& module) {
    const int result = module.ResetToDefault();
    if (result == CKeyboardLayoutModule::kSuccess)
        module.CopyTable(m_workingTable);
    return result;
}

}  // namespace kavitro
