#include "document/ApplicationProperties.h"

#include <algorithm>
#include <limits>

namespace kavitro {
namespace {

using P = CApplicationProperties;
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kColourMax = 0x00FFFFFF;
constexpr OutOfRange C = OutOfRange::Clamp;
constexpr OutOfRange R = OutOfRange::Reset;

constexpr const char* kSettings = "Settings";
constexpr const char* kAppBackground = "Settings/Application Background";
constexpr const char* kPaperBackground = "Settings/Paper Background";
constexpr const char* kSelection = "Settings/Selection";
constexpr const char* kGrid = "Settings/Grid";
constexpr const char* kClipboard = "Settings/Clipboard";
constexpr const char* kMisc = "Settings/Miscellaneous";
constexpr const char* kFonts = "Settings/Fonts";

// In the order of loading and saving. The ranges are those the option pages
// offer where they edit a value; elsewhere the widest range the users of the
// value handle (spacings and divisors at least 1, switches 0 or 1, colours
// without the top byte, the smart-spacing search bounded so it ends quickly).
constexpr SettingInfo kSettingsTable[] = {
    {P::AppBackgroundUseSystemColor, kAppBackground, "Use System Color", 1, 0, 1, R},
    {P::AppBackgroundRGB, kAppBackground, "RGB", 0xC0C0C0, 0, kColourMax, R},
    {P::PaperUseSystemColor, kPaperBackground, "Use System Color", 1, 0, 1, R},
    {P::PaperRGB, kPaperBackground, "RGB", 0xFFFFFF, 0, kColourMax, R},
    {P::TextSelectionRGB, kSelection, "TextSelectionRGB", 0x00C000, 0, kColourMax, R},
    {P::SelectionMethod, kSelection, "SelectionMethod", 1, 0, 15, R},
    {P::DebugLevel, kSettings, "DebugLevel", 0, 0, 63, R},
    {P::TabSize, kSettings, "TabSize", 6, 0, 100, R},
    {P::CheckForUpdates, kSettings, "CheckForUpdates", 1, 0, 1, R},
    {P::CheckForUpdatesPeriod, kSettings, "CheckForUpdatesPeriod", 30, 1, 3650, C},
    {P::LastUpdateCheck, kSettings, "LastUpdateCheck", 0, 0, kIntMax, R},
    {P::SnapToGrid, kGrid, "SnapToGrid", 0, 0, 1, R},
    {P::ShowGrid, kGrid, "ShowGrid", 1, 0, 1, R},
    {P::GridColor, kGrid, "GridColor", 0xFF0000, 0, kColourMax, R},
    {P::GridHorizontalFreq, kGrid, "GridHorizontalFreq", 10, 1, 1000, R},
    {P::GridVerticalFreq, kGrid, "GridVerticalFreq", 10, 1, 1000, R},
    {P::SnapToGuide, kGrid, "SnapToGuide", 0, 0, 1, R},
    {P::ShowGuide, kGrid, "ShowGuide", 1, 0, 1, R},
    {P::GuideColor, kGrid, "GuideColor", 0xFF0000, 0, kColourMax, R},
    {P::GuideLineStyle, kGrid, "GuideLineStyle", 0, 0, 4, R},
    {P::ShowPrintableArea, kGrid, "ShowPrintableArea", 0, 0, 1, R},
    {P::PrintableAreaColor, kGrid, "PrintableAreaColor", 0xC0C0C0, 0, kColourMax, R},
    {P::DrawBaseline, kSettings, "Draw Baseline", 0, 0, 2, R},
    {P::ClipboardBMP, kClipboard, "BMP", 1, 0, 1, R},
    {P::ClipboardBMPSize, kClipboard, "BMPSize", 50, 10, 500, C},
    {P::ClipboardEMF, kClipboard, "EMF", 1, 0, 1, R},
    {P::ClipboardEPS, kClipboard, "EPS", 0, 0, 1, R},
    {P::ClipboardWMF, kClipboard, "WMF", 0, 0, 1, R},
    {P::ClipboardKavitro, kClipboard, "Kavitro", 1, 0, 1, R},
    {P::ClipboardUTF8Text, kClipboard, "UTF8Text", 0, 0, 1, R},
    {P::SmartSpacingMinJump, kMisc, "SmartSpacingMinJump", 10, 1, 10000, R},
    {P::SmartSpacingMaxJumpDirectionSwap, kMisc, "SmartSpacingMaxJumpDirectionSwap", 5, 0, 100, R},
    {P::SmartSpacingTargetDistance, kMisc, "SmartSpacingTargetDistance", 250, 0, 100000, R},
    {P::SmartSpacingTargetDistanceTolerance, kMisc, "SmartSpacingTargetDistanceTolerance", 15, 0, 100000, R},
    {P::SmartSpacingPointsAbove, kMisc, "SmartSpacingPointsAbove", 350, 0, 100000, R},
    {P::SmartSpacingPointsBelow, kMisc, "SmartSpacingPointsBelow", 800, 0, 100000, R},
    {P::SmartSpacingPointsMinWidthToIgnoreAdjacent, kMisc, "SmartSpacingPointsMinWidthToIgnoreAdjacent", 1000, 0,
     100000, R},
    {P::SmartSpacingMaxOverlapWidthDivider, kMisc, "SmartSpacingMaxOverlapWidthDivider", 2, 1, 1000, R},
    {P::SmartSpacingMaxOverlapNumerator, kMisc, "SmartSpacingMaxOverlapNumerator", 45, 0, 10000, R},
    {P::SmartSpacingMaxOverlapDenominator, kMisc, "SmartSpacingMaxOverlapDenominator", 10, 1, 10000, R},
    {P::PointSize, kMisc, "PointSize", 1, 0, 1, R},
    {P::PointSize_Size, kMisc, "PointSize_Size", 90, 80, 100, C},
    {P::DefaultTextSize, kFonts, "DefaultTextSize", 25, 1, 1000, R},
    {P::DefaultTextColor, kFonts, "DefaultTextColor", 0, 0, kColourMax, R},
    {P::ZurazOrovaWriting, kFonts, "ZurazOrovaWriting", 0, 0, 1, R},
};
static_assert(std::size(kSettingsTable) == CApplicationProperties::kIntegerCount);

// Setting -> its row, built once from the table.
constexpr std::array<std::size_t, CApplicationProperties::kIntegerCount> MakeRowOfIndex() {
    std::array<std::size_t, CApplicationProperties::kIntegerCount> rows{};
    for (std::size_t row = 0; row < std::size(kSettingsTable); ++row)
        rows[static_cast<std::size_t>(kSettingsTable[row].index)] = row;
    return rows;
}
constexpr auto kRowOfIndex = MakeRowOfIndex();

// Every index appears once.
constexpr bool IndicesArePermutation() {
    std::array<bool, CApplicationProperties::kIntegerCount> seen{};
    for (const SettingInfo& info : kSettingsTable) {
        if (info.index < 0 || static_cast<std::size_t>(info.index) >= seen.size() ||
            seen[static_cast<std::size_t>(info.index)])
            return false;
        seen[static_cast<std::size_t>(info.index)] = true;
    }
    return true;
}
static_assert(IndicesArePermutation());

}  // namespace

CApplicationProperties::CApplicationProperties() { SetDefaults(); }

std::span<const SettingInfo> CApplicationProperties::Settings() { return kSettingsTable; }

const SettingInfo& CApplicationProperties::Info(Setting s) {
    return kSettingsTable[kRowOfIndex[static_cast<std::size_t>(s)]];
}

void CApplicationProperties::SetDefaults() {
    for (const SettingInfo& info : kSettingsTable)
        m_values[static_cast<std::size_t>(info.index)] = info.defaultValue;
    m_languageModule = kDefaultLanguageModule;
}

void CApplicationProperties::Load(const ProfileStore& store) {
    for (const SettingInfo& info : kSettingsTable)
        m_values[static_cast<std::size_t>(info.index)] =
            store.GetProfileInt(info.section, info.name, info.defaultValue);
    m_languageModule = store.GetProfileString(kLanguageSection, kLanguageName, kDefaultLanguageModule);
    CheckRanges();
}

void CApplicationProperties::Save(ProfileStore& store) const {
    for (const SettingInfo& info : kSettingsTable)
        store.WriteProfileInt(info.section, info.name, m_values[static_cast<std::size_t>(info.index)]);
    store.WriteProfileString(kLanguageSection, kLanguageName, m_languageModule);
}

int CApplicationProperties::CheckRanges() {
    int changed = 0;
    for (const SettingInfo& info : kSettingsTable) {
        std::int32_t& value = m_values[static_cast<std::size_t>(info.index)];
        const std::int32_t checked = CheckedValue(info, value);
        if (checked != value) {
            value = checked;
            ++changed;
        }
    }
    if (!IsBareFileName(m_languageModule)) {
        m_languageModule = kDefaultLanguageModule;
        ++changed;
    }
    return changed;
}

std::int32_t CApplicationProperties::CheckedValue(const SettingInfo& info, std::int32_t value) {
    if (value >= info.minimum && value <= info.maximum)
        return value;
    if (info.outOfRange == OutOfRange::Reset)
        return info.defaultValue;
    return std::clamp(value, info.minimum, info.maximum);
}

bool CApplicationProperties::IsBareFileName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxLanguageModuleLength || name == u"." || name == u"..")
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char16_t c) { return c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u':'; });
}

std::uint16_t CApplicationProperties::CheckedDrawingMode(std::int32_t value) {
    return value >= 0 && value <= 2 ? static_cast<std::uint16_t>(value) : 0;
}

SmartSpacingSettings CApplicationProperties::GetSmartSpacing() const {
    const CApplicationProperties& p = *this;
    SmartSpacingSettings s;
    s.minJump = p[SmartSpacingMinJump];
    s.maxJumpDirectionSwap = p[SmartSpacingMaxJumpDirectionSwap];
    s.targetDistance = p[SmartSpacingTargetDistance];
    s.targetDistanceTolerance = p[SmartSpacingTargetDistanceTolerance];
    s.pointsAbove = p[SmartSpacingPointsAbove];
    s.pointsBelow = p[SmartSpacingPointsBelow];
    s.pointsMinWidthToIgnoreAdjacent = p[SmartSpacingPointsMinWidthToIgnoreAdjacent];
    s.maxOverlapWidthDivider = p[SmartSpacingMaxOverlapWidthDivider];
    s.maxOverlapNumerator = p[SmartSpacingMaxOverlapNumerator];
    s.maxOverlapDenominator = p[SmartSpacingMaxOverlapDenominator];
    return s;
}

}  // namespace kavitro
