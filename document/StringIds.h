#pragma once

// The numbered strings of the language packs that the program shows, with
// the conversions each caller passes when it formats one. Every layer names a
// string through these constants, so that the pack lint can prove that both
// packs hold every string the code asks for and that no pack string expects
// arguments its caller does not pass.

#include <cstdint>
#include <string_view>

namespace kavitro {

namespace StringId {
inline constexpr std::uint32_t DocumentFilter = 105;           // file prompt: the combined filter's text
inline constexpr std::uint32_t LanguagePackDamaged = 9990;     // pack missing or damaged: file, reason
inline constexpr std::uint32_t LanguagePackPartlyDamaged = 9991; // some strings skipped: file, reason
inline constexpr std::uint32_t NewerRelease = 9994;            // update check: version, address
inline constexpr std::uint32_t LanguageVersionMismatch = 9995; // pack version, program version
inline constexpr std::uint32_t SwitchLanguage = 9996;
inline constexpr std::uint32_t ResetSettings = 9997;
inline constexpr std::uint32_t StartFailed = 9999;
inline constexpr std::uint32_t ViewPosition = 11006;           // layout digit, then the coordinates
inline constexpr std::uint32_t HorizontalRulerPosition = 11007;
inline constexpr std::uint32_t VerticalRulerPosition = 11008;
inline constexpr std::uint32_t RulerOutsidePosition = 11009;
inline constexpr std::uint32_t HorizontalGuideLine = 11010;    // one double
inline constexpr std::uint32_t VerticalGuideLine = 11011;      // one double
inline constexpr std::uint32_t PointSizeCaption = 11012;       // one integer
inline constexpr std::uint32_t UnitHiMetric = 11013;
inline constexpr std::uint32_t UnitHiEnglish = 11014;
inline constexpr std::uint32_t ButtonOk = 11015;
inline constexpr std::uint32_t ButtonCancel = 11016;
inline constexpr std::uint32_t ButtonAbort = 11017;
inline constexpr std::uint32_t ButtonRetry = 11018;
inline constexpr std::uint32_t ButtonIgnore = 11019;
inline constexpr std::uint32_t ButtonYes = 11020;
inline constexpr std::uint32_t ButtonNo = 11021;
inline constexpr std::uint32_t ButtonClose = 11022;
inline constexpr std::uint32_t ButtonHelp = 11023;
inline constexpr std::uint32_t ButtonApply = 11024;
inline constexpr std::uint32_t ButtonBack = 11025;
inline constexpr std::uint32_t ButtonNext = 11026;
inline constexpr std::uint32_t ButtonFinish = 11027;
inline constexpr std::uint32_t FileDialogOpen = 11028;
inline constexpr std::uint32_t FileDialogSave = 11029;
inline constexpr std::uint32_t OtherColours = 11030;
inline constexpr std::uint32_t KeyboardDefaultFailed = 11032;
inline constexpr std::uint32_t KeyboardSaveFailed = 11033;
inline constexpr std::uint32_t UserKeyboardMissing = 11034;
inline constexpr std::uint32_t CharacterRefused = 11035;
inline constexpr std::uint32_t ExportFailed = 11036;
inline constexpr std::uint32_t ImportFileMissing = 11038;
inline constexpr std::uint32_t ImportNoByteOrderMark = 11039;
inline constexpr std::uint32_t AnimationFailed = 11040;
inline constexpr std::uint32_t NoMatchingPaper = 11041;
inline constexpr std::uint32_t PagePropertiesCaption = 11042;
inline constexpr std::uint32_t ObjectPropertiesCaption = 11043;
inline constexpr std::uint32_t WindowsMenu = 32836;
inline constexpr std::uint32_t AllFilesFilter = 61442;
inline constexpr std::uint32_t ImportUnreadable = 61476;
inline constexpr std::uint32_t NoDocumentTemplate = 61700;
}  // namespace StringId

// How a caller uses a string: the conversions it passes, one letter each in
// order ('d' an integer, 'f' a double, 's' a text); "" for text shown as it
// stands. A position string starts with a layout digit that its caller reads
// and replaces by a space: '1' takes x, unit, y, unit; '2' and '3' one value
// and its unit; any other digit shows nothing and takes no argument.
struct StringUse {
    std::uint32_t id;
    std::string_view conversions;
    bool positionLayout = false;
};

inline constexpr StringUse kStringUses[] = {
    {StringId::DocumentFilter, ""},
    {StringId::LanguagePackDamaged, "ss"},
    {StringId::LanguagePackPartlyDamaged, "ss"},
    {StringId::NewerRelease, "ss"},
    {StringId::LanguageVersionMismatch, "ss"},
    {StringId::SwitchLanguage, ""},
    {StringId::ResetSettings, ""},
    {StringId::StartFailed, ""},
    {StringId::ViewPosition, "", true},
    {StringId::HorizontalRulerPosition, "", true},
    {StringId::VerticalRulerPosition, "", true},
    {StringId::RulerOutsidePosition, "", true},
    {StringId::HorizontalGuideLine, "f"},
    {StringId::VerticalGuideLine, "f"},
    {StringId::PointSizeCaption, "d"},
    {StringId::UnitHiMetric, ""},
    {StringId::UnitHiEnglish, ""},
    {StringId::ButtonOk, ""},
    {StringId::ButtonCancel, ""},
    {StringId::ButtonAbort, ""},
    {StringId::ButtonRetry, ""},
    {StringId::ButtonIgnore, ""},
    {StringId::ButtonYes, ""},
    {StringId::ButtonNo, ""},
    {StringId::ButtonClose, ""},
    {StringId::ButtonHelp, ""},
    {StringId::ButtonApply, ""},
    {StringId::ButtonBack, ""},
    {StringId::ButtonNext, ""},
    {StringId::ButtonFinish, ""},
    {StringId::FileDialogOpen, ""},
    {StringId::FileDialogSave, ""},
    {StringId::OtherColours, ""},
    {StringId::KeyboardDefaultFailed, ""},
    {StringId::KeyboardSaveFailed, ""},
    {StringId::UserKeyboardMissing, ""},
    {StringId::CharacterRefused, ""},
    {StringId::ExportFailed, ""},
    {StringId::ImportFileMissing, ""},
    {StringId::ImportNoByteOrderMark, ""},
    {StringId::AnimationFailed, ""},
    {StringId::NoMatchingPaper, ""},
    {StringId::PagePropertiesCaption, ""},
    {StringId::ObjectPropertiesCaption, ""},
    {StringId::WindowsMenu, ""},
    {StringId::AllFilesFilter, ""},
    {StringId::ImportUnreadable, ""},
    {StringId::NoDocumentTemplate, ""},
};

inline constexpr const StringUse* FindStringUse(std::uint32_t id) {
    for (const StringUse& use : kStringUses) {
        if (use.id == id)
            return &use;
    }
    return nullptr;
}

// The conversions a caller passes for the string `id` whose text starts with
// `first` (only position strings depend on it).
inline constexpr std::string_view ExpectedConversions(const StringUse& use, char16_t first) {
    if (!use.positionLayout)
        return use.conversions;
    switch (first) {
        case u'1': return "fsfs";
        case u'2':
        case u'3': return "fs";
        default: return "";
    }
}

}  // namespace kavitro
