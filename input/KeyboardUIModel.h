#pragma once

// What the on-screen keyboard dialog shows and does, without the widgets:
// the button map that tells which key codes each key button stands for, the
// working copy of the key table being edited, the shift state, the scrolling
// palette of 60 characters and the palette character chosen last.
//
// The button map "KBUIMap.kvp" (installation folder, archive, little-endian):
//   tag      archive string "KBUIMap_Kavitro" (compared case-sensitively;
//            another tag means no map)
//   count    the archive's count form
//   entries  int32 button id, int32 first value, int32 second value,
//            u16 shifted key code, u16 unshifted key code (16 bytes each);
//            a later entry for the same id replaces the earlier one.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/KeyboardLayoutModule.h"
#include "platform/Archive.h"

namespace kavitro {

class CKeyboardUIMapValue : public CObject {
    KAVITRO_DECLARE_SERIAL(CKeyboardUIMapValue)

    CKeyboardUIMapValue() = default;
    CKeyboardUIMapValue(const CKeyboardUIMapValue&) = default;
    CKeyboardUIMapValue& operator=(const CKeyboardUIMapValue&) = default;

    void Serialize(CArchive& ar) override;

    std::int32_t m_firstValue = 0;   // stored and read, not used by the keyboard
    std::int32_t m_secondValue = 0;  // stored and read, not used by the keyboard
    std::uint16_t m_shiftedKey = 0;    // index into the key table while shift is on
    std::uint16_t m_unshiftedKey = 0;  // index into the key table while shift is off
};

class KeyboardUIModel {
public:
    using KeyMap = std::map<std::int32_t, CKeyboardUIMapValue>;

    static constexpr std::string_view kMapFileName = "KBUIMap.kvp";
    static constexpr std::u16string_view kMapTag = u"KBUIMap_Kavitro";
    static constexpr std::size_t kMaxMapFileSize = 1u << 20;
    static constexpr std::uint16_t kNone = 0xFFFF;

    // The palette: 60 characters, 15 buttons (ids 1101..1115) over it.
    static constexpr std::size_t kPaletteSize = 60;
    static constexpr int kFirstPaletteButton = 1101;
    static constexpr int kPaletteButtonCount = 15;
    static const std::array<char16_t, kPaletteSize> kPalette;
    // The scroll bar: 1..46; the palette offset is 46 - position.
    static constexpr int kMinScroll = 1;
    static constexpr int kMaxScroll = 46;

    // The language module's messages for the failures of Save and Default.
    static constexpr int kSaveFailedMessage = 11033;
    static constexpr int kDefaultFailedMessage = 11032;

    enum class ScrollRequest { LineLeft, LineRight, PageLeft, PageRight, ThumbPosition, ThumbTrack, LeftEnd, RightEnd, EndScroll };

    // The map of a file with the expected tag; nullopt for another tag, a
    // malformed string, or a count larger than the entries present (a map
    // read only in part is not used).
    static std::optional<KeyMap> ParseKeyMap(std::span<const std::uint8_t> bytes);
    static std::vector<std::uint8_t> SerializeKeyMap(const KeyMap& map);

    // The dialog opening: the working table becomes a copy of the module's
    // table; the map is read from the program folder (empty when missing,
    // unreadable or of another tag); shift off, palette at its start, no
    // palette character chosen. True when the map was read.
    bool Open(const CKeyboardLayoutModule& module, const std::filesystem::path& programFolder);

    const KeyMap& GetKeyMap() const { return m_keyMap; }
    void SetKeyMap(KeyMap map) { m_keyMap = std::move(map); }
    const CKeyboardLayoutModule::KeyTable& GetWorkingTable() const { return m_workingTable; }

    // --- Key buttons -------------------------------------------------------------
    // The key code a button stands for in the current shift state; nullopt
    // when the button has no map entry or the code is 128 or above.
    std::optional<std::uint16_t> KeyCode(std::int32_t buttonId) const;
    // The working-table entry of the button's key code; kNone without one.
    std::uint16_t KeyCharacter(std::int32_t buttonId) const;
    // What the button shows: one character, or nothing for kNone, 0, control
    // codes and lone surrogates.
    static std::u16string Label(std::uint16_t character);
    std::u16string KeyLabel(std::int32_t buttonId) const { return Label(KeyCharacter(buttonId)); }
    // Gives the button's key code the chosen palette character; false (and
    // nothing changes) without a key code or a chosen character.
    bool ClickKey(std::int32_t buttonId);

    // --- Shift ----------------------------------------------------------------------
    bool IsShifted() const { return m_shifted; }
    void ClickShift() { m_shifted = !m_shifted; }

    // --- Palette --------------------------------------------------------------------
    int GetScrollPosition() const { return m_scrollPosition; }
    int GetPaletteOffset() const { return kMaxScroll - m_scrollPosition; }
    // The character of palette button id (1101..1115); kNone for other ids.
    std::uint16_t PaletteCharacter(int buttonId) const;
    // Toggles the button: pressed, it chooses its character and every other
    // button is released; released again, no character is chosen.
    void ClickPalette(int buttonId);
    bool IsPalettePressed(int buttonId) const { return m_pressedPaletteButton == buttonId; }
    std::uint16_t GetPendingCharacter() const { return m_pending; }
    // Moves the palette and returns the new position; every palette button
    // is released, the chosen character stays. thumb is used by the two thumb
    // requests and clamped to the range.
    int Scroll(ScrollRequest request, int thumb = 0);

    // --- Commands --------------------------------------------------------------------
    // Writes the working table as the user layout: the module's result.
    int Save(const CKeyboardLayoutModule& module, FileProblem* problem = nullptr) const;
    // Puts the default layout in force and, on success, into the working
    // table; on failure the working table is unchanged.
    int Default(CKeyboardLayoutModule& module);

private:
    KeyMap m_keyMap;
    CKeyboardLayoutModule::KeyTable m_workingTable{};
    bool m_shifted = false;
    int m_scrollPosition = kMaxScroll;
    int m_pressedPaletteButton = 0;
    std::uint16_t m_pending = kNone;
};

}  // namespace kavitro
