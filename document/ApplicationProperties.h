#pragma once

// The record of all application-wide settings: 45 integers and the language
// pack's name. The application object owns one for the whole process; the
// document, the view and the dialogs read and write its fields directly.
// Loading and saving go through a ProfileStore (QSettings in the shell), in a
// fixed order with fixed defaults, section names and value names.
//
// Loading also range-checks every value: a profile is outside bytes (edited
// by hand, left by another version), and a zero grid spacing or overlap
// divider, a path as the language pack's name or a 10^9 percent bitmap would
// otherwise reach code that divides, opens or allocates with it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "document/ProfileStore.h"
#include "engine/SmartSpacingSettings.h"

namespace kavitro {

// What loading does with a value outside its range.
enum class OutOfRange : std::uint8_t {
    Clamp,  // the nearest bound
    Reset,  // the default
};

// One integer setting: where it lives, its default and its accepted range.
struct SettingInfo {
    int index;            // into CApplicationProperties::m_values
    const char* section;  // "Settings/Grid" for the registry's "Settings\Grid"
    const char* name;
    std::int32_t defaultValue;
    std::int32_t minimum;
    std::int32_t maximum;
    OutOfRange outOfRange;
};

class CApplicationProperties {
public:
    static constexpr std::size_t kIntegerCount = 45;

    // The index of each integer; colours are 0x00BBGGRR, switches 0 or 1.
    enum Setting : int {
        DebugLevel = 0,                   // "Settings" "DebugLevel"
        SelectionMethod = 1,              // "Settings/Selection"
        AppBackgroundUseSystemColor = 2,  // "Settings/Application Background" "Use System Color"
        AppBackgroundRGB = 3,             // "Settings/Application Background" "RGB"
        PaperUseSystemColor = 4,          // "Settings/Paper Background" "Use System Color"
        PaperRGB = 5,                     // "Settings/Paper Background" "RGB"
        TextSelectionRGB = 6,             // "Settings/Selection"
        DrawBaseline = 7,                 // "Settings" "Draw Baseline": 0 never, 1 while editing, 2 always
        TabSize = 8,                      // "Settings"
        GuideLineStyle = 9,               // "Settings/Grid": pen style 0..4
        SnapToGuide = 10,                 // "Settings/Grid"
        ShowGuide = 11,                   // "Settings/Grid"
        GuideColor = 12,                  // "Settings/Grid"
        GridHorizontalFreq = 13,          // "Settings/Grid"
        GridVerticalFreq = 14,            // "Settings/Grid"
        SnapToGrid = 15,                  // "Settings/Grid"
        ShowGrid = 16,                    // "Settings/Grid"
        GridColor = 17,                   // "Settings/Grid"
        ShowPrintableArea = 18,           // "Settings/Grid"
        PrintableAreaColor = 19,          // "Settings/Grid"
        ClipboardBMP = 20,                // "Settings/Clipboard" "BMP"
        ClipboardBMPSize = 21,            // "Settings/Clipboard" "BMPSize", percent
        ClipboardEMF = 22,                // "Settings/Clipboard" "EMF"
        ClipboardEPS = 23,                // "Settings/Clipboard" "EPS"
        ClipboardWMF = 24,                // "Settings/Clipboard" "WMF"
        ClipboardKavitro = 25,            // "Settings/Clipboard" "Kavitro"
        ClipboardUTF8Text = 26,           // "Settings/Clipboard" "UTF8Text"
        SmartSpacingMinJump = 27,         // "Settings/Miscellaneous", as the value names
        SmartSpacingMaxJumpDirectionSwap = 28,
        SmartSpacingTargetDistance = 29,
        SmartSpacingTargetDistanceTolerance = 30,
        SmartSpacingPointsAbove = 31,
        SmartSpacingPointsBelow = 32,
        SmartSpacingPointsMinWidthToIgnoreAdjacent = 33,
        SmartSpacingMaxOverlapWidthDivider = 34,
        SmartSpacingMaxOverlapNumerator = 35,
        SmartSpacingMaxOverlapDenominator = 36,
        CheckForUpdates = 37,        // "Settings"
        CheckForUpdatesPeriod = 38,  // "Settings", days
        LastUpdateCheck = 39,        // "Settings", day number
        PointSize = 40,              // "Settings/Miscellaneous"
        PointSize_Size = 41,         // "Settings/Miscellaneous", percent
        DefaultTextSize = 42,        // "Settings/Fonts"
        DefaultTextColor = 43,       // "Settings/Fonts"
        ZurazOrovaWriting = 44,      // "Settings/Fonts": the engine's writing mode
    };

    // The string setting.
    static constexpr const char* kLanguageSection = "Settings";
    static constexpr const char* kLanguageName = "Language DLL";
    static constexpr std::u16string_view kDefaultLanguageModule = u"Farsi.dll";
    static constexpr std::size_t kMaxLanguageModuleLength = 64;

    // Values that other owners keep in the same profile, outside this record.
    static constexpr const char* kSettingsSection = "Settings";
    static constexpr const char* kDrawingModeName = "Drawing Mode";  // integer, the document's
    static constexpr const char* kLastDocumentDirName = "Last Document Dir";
    static constexpr const char* kLastDodavoDirName = "Last Dodavo Dir";
    static constexpr const char* kLastExportDirName = "Last Export Dir";

    // Every setting takes its default.
    CApplicationProperties();
    virtual ~CApplicationProperties() = default;
    CApplicationProperties(const CApplicationProperties&) = default;
    CApplicationProperties& operator=(const CApplicationProperties&) = default;

    std::int32_t& operator[](Setting s) { return m_values[static_cast<std::size_t>(s)]; }
    std::int32_t operator[](Setting s) const { return m_values[static_cast<std::size_t>(s)]; }

    // The 45 integer settings in the order Load reads and Save writes them
    // (the string comes last).
    static std::span<const SettingInfo> Settings();
    static const SettingInfo& Info(Setting s);

    void SetDefaults();
    // Reads every setting (an absent one takes its default), then range-checks.
    void Load(const ProfileStore& store);
    // Writes all 46 values.
    void Save(ProfileStore& store) const;

    // Brings every value into its range; returns how many it changed.
    int CheckRanges();
    // The value as loading keeps it.
    static std::int32_t CheckedValue(const SettingInfo& info, std::int32_t value);
    // A bare file name: not empty, not "." or "..", no '/', '\\', ':' or
    // control character, at most kMaxLanguageModuleLength units.
    static bool IsBareFileName(std::u16string_view name);
    // The document's drawing mode as read from the profile: 0, 1 or 2 (any
    // other value gives 0).
    static std::uint16_t CheckedDrawingMode(std::int32_t value);

    // The smart-spacing fields as the paragraph's spacing takes them.
    SmartSpacingSettings GetSmartSpacing() const;

    std::array<std::int32_t, kIntegerCount> m_values{};
    std::u16string m_languageModule;  // "Farsi.dll" names the pack "Farsi"
};

}  // namespace kavitro
