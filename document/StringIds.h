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
inline constexpr std::uint32_t PrintFailed = 9980;             // a print job failed
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
inline constexpr std::uint32_t SaveFailed = 11044;
// Why a file could not be read or written: the line below a failure's
// message and file name.
inline constexpr std::uint32_t ReasonNoSpace = 11050;
inline constexpr std::uint32_t ReasonNoPermission = 11051;
inline constexpr std::uint32_t ReasonFolderMissing = 11052;
inline constexpr std::uint32_t ReasonFileMissing = 11053;
inline constexpr std::uint32_t ReasonReadOnlyDisk = 11054;
inline constexpr std::uint32_t ReasonReadOnlyFile = 11055;
inline constexpr std::uint32_t ReasonNotAFile = 11056;
inline constexpr std::uint32_t ReasonTooLarge = 11057;
inline constexpr std::uint32_t ReasonDiskError = 11058;
inline constexpr std::uint32_t ReasonOther = 11059;
// What is wrong with a document file that cannot be read.
inline constexpr std::uint32_t DamageNotADocument = 11060;
inline constexpr std::uint32_t DamageCutOff = 11061;
inline constexpr std::uint32_t DamageUnknownObject = 11062;
inline constexpr std::uint32_t DamageTooManyPages = 11063;
inline constexpr std::uint32_t DamagePicture = 11064;
inline constexpr std::uint32_t DamagePicturesTooLarge = 11065;
inline constexpr std::uint32_t DamageContents = 11066;
inline constexpr std::uint32_t ReasonOutOfMemory = 11067;
inline constexpr std::uint32_t ReasonNothingToExport = 11068;
inline constexpr std::uint32_t ReasonPictureTooLarge = 11069;
inline constexpr std::uint32_t ReasonPrinterRefused = 11070;
inline constexpr std::uint32_t ReasonUnreadablePicture = 11071;
// Dialog texts.
inline constexpr std::uint32_t FilePreviewCheck = 13000;
inline constexpr std::uint32_t AutomaticColour = 13001;
inline constexpr std::uint32_t PageGeneral = 13002;
inline constexpr std::uint32_t PageText = 13003;
inline constexpr std::uint32_t PageDodavo = 13004;
inline constexpr std::uint32_t EveryPage = 13005;
inline constexpr std::uint32_t NoFill = 13006;
inline constexpr std::uint32_t LineWidth = 13007;
inline constexpr std::uint32_t HorizontalPosition = 13008;
inline constexpr std::uint32_t VerticalPosition = 13009;
inline constexpr std::uint32_t PageNumber = 13010;
inline constexpr std::uint32_t LineColour = 13011;
inline constexpr std::uint32_t FillColour = 13012;
inline constexpr std::uint32_t TextAngle = 13013;
inline constexpr std::uint32_t TextSize = 13014;
inline constexpr std::uint32_t TextColour = 13015;
inline constexpr std::uint32_t ChangePicture = 13016;
inline constexpr std::uint32_t PageGuideLines = 13017;
inline constexpr std::uint32_t PageGrid = 13018;
inline constexpr std::uint32_t PageClipboard = 13019;
inline constexpr std::uint32_t PageMiscellaneous = 13020;
inline constexpr std::uint32_t GuideAdd = 13021;
inline constexpr std::uint32_t GuideEdit = 13022;
inline constexpr std::uint32_t GuideRemove = 13023;
inline constexpr std::uint32_t GuideClear = 13024;
inline constexpr std::uint32_t GuideAllPages = 13025;
inline constexpr std::uint32_t ShowGuideLines = 13026;
inline constexpr std::uint32_t SnapToGuideLines = 13027;
inline constexpr std::uint32_t GuideLineStyle = 13028;
inline constexpr std::uint32_t StyleSolid = 13029;
inline constexpr std::uint32_t StyleDash = 13030;
inline constexpr std::uint32_t StyleDot = 13031;
inline constexpr std::uint32_t StyleDashDot = 13032;
inline constexpr std::uint32_t StyleDashDotDot = 13033;
inline constexpr std::uint32_t ShowGrid = 13034;
inline constexpr std::uint32_t SnapToGrid = 13035;
inline constexpr std::uint32_t ShowPrintableArea = 13036;
inline constexpr std::uint32_t GridHorizontalSpacing = 13037;
inline constexpr std::uint32_t GridVerticalSpacing = 13038;
inline constexpr std::uint32_t GridColour = 13039;
inline constexpr std::uint32_t PrintableAreaColour = 13040;
inline constexpr std::uint32_t ClipboardBmp = 13041;
inline constexpr std::uint32_t ClipboardBmpSize = 13042;
inline constexpr std::uint32_t ClipboardEmf = 13043;
inline constexpr std::uint32_t ClipboardEps = 13044;
inline constexpr std::uint32_t ClipboardWmf = 13045;
inline constexpr std::uint32_t ClipboardKavitro = 13046;
inline constexpr std::uint32_t ClipboardUtf8 = 13047;
inline constexpr std::uint32_t DefaultTextSize = 13048;
inline constexpr std::uint32_t DefaultTextColour = 13049;
inline constexpr std::uint32_t ZurazOrovaWriting = 13050;
inline constexpr std::uint32_t GuideLineDialog = 13051;
inline constexpr std::uint32_t GuideHorizontal = 13052;
inline constexpr std::uint32_t GuideVertical = 13053;
inline constexpr std::uint32_t GuidePosition = 13054;
inline constexpr std::uint32_t BitmapSizeDialog = 13055;
inline constexpr std::uint32_t BitmapWidth = 13056;
inline constexpr std::uint32_t BitmapHeight = 13057;
// The titles of the picture and export dialogs, and the names of file types.
inline constexpr std::uint32_t PictureDialogTitle = 13058;
inline constexpr std::uint32_t ExportDialogTitle = 13059;
inline constexpr std::uint32_t FileTypeAllPictures = 13060;
inline constexpr std::uint32_t FileTypeEnhancedDodavo = 13061;
inline constexpr std::uint32_t FileTypeDodavo = 13062;
inline constexpr std::uint32_t FileTypeEmf = 13063;
inline constexpr std::uint32_t FileTypeWmf = 13064;
inline constexpr std::uint32_t FileTypePng = 13065;
inline constexpr std::uint32_t FileTypeJpeg = 13066;
inline constexpr std::uint32_t FileTypeGif = 13067;
inline constexpr std::uint32_t FileTypeTiff = 13068;
inline constexpr std::uint32_t FileTypeBmp = 13069;
inline constexpr std::uint32_t FileTypeEps = 13070;
// The labels of the file dialog's own controls.
inline constexpr std::uint32_t FileDialogLookIn = 13100;
inline constexpr std::uint32_t FileDialogFileName = 13101;
inline constexpr std::uint32_t FileDialogFileType = 13102;
// Texts Qt's file dialog and file list name themselves.
inline constexpr std::uint32_t FileListName = 13103;
inline constexpr std::uint32_t FileListSize = 13104;
inline constexpr std::uint32_t FileListType = 13105;
inline constexpr std::uint32_t FileListDate = 13106;
inline constexpr std::uint32_t FileListComputer = 13107;
inline constexpr std::uint32_t FileDialogBack = 13108;
inline constexpr std::uint32_t FileDialogForward = 13109;
inline constexpr std::uint32_t FileDialogParent = 13110;
inline constexpr std::uint32_t FileDialogNewFolderTip = 13111;
inline constexpr std::uint32_t FileDialogListView = 13112;
inline constexpr std::uint32_t FileDialogDetailView = 13113;
inline constexpr std::uint32_t FileDialogRename = 13114;
inline constexpr std::uint32_t FileDialogDelete = 13115;
inline constexpr std::uint32_t FileDialogShowHidden = 13116;
inline constexpr std::uint32_t FileDialogNewFolderMenu = 13117;
inline constexpr std::uint32_t FileDialogNewFolderName = 13118;
inline constexpr std::uint32_t FileListFolder = 13128;
// The paper page of the page properties.
inline constexpr std::uint32_t PagePaper = 13119;
inline constexpr std::uint32_t PaperSize = 13120;
inline constexpr std::uint32_t PaperPortrait = 13121;
inline constexpr std::uint32_t PaperLandscape = 13122;
inline constexpr std::uint32_t MarginLeft = 13123;
inline constexpr std::uint32_t MarginTop = 13124;
inline constexpr std::uint32_t MarginRight = 13125;
inline constexpr std::uint32_t MarginBottom = 13126;
inline constexpr std::uint32_t PaperOwnSize = 13127;  // two doubles
// Main frame: ribbon tabs and groups, prompts. Menu and ribbon captions are
// the strings numbered like their commands (kCommandCaptions).
inline constexpr std::uint32_t RibbonFile = 14000;
inline constexpr std::uint32_t RibbonHome = 14001;
inline constexpr std::uint32_t RibbonInsert = 14002;
inline constexpr std::uint32_t RibbonArrange = 14003;
inline constexpr std::uint32_t RibbonView = 14004;
inline constexpr std::uint32_t GroupDocument = 14010;
inline constexpr std::uint32_t GroupPrint = 14011;
inline constexpr std::uint32_t GroupProgram = 14012;
inline constexpr std::uint32_t GroupClipboard = 14013;
inline constexpr std::uint32_t GroupEdit = 14014;
inline constexpr std::uint32_t GroupText = 14015;
inline constexpr std::uint32_t GroupTools = 14016;
inline constexpr std::uint32_t GroupShapes = 14017;
inline constexpr std::uint32_t GroupOrder = 14018;
inline constexpr std::uint32_t GroupObject = 14019;
inline constexpr std::uint32_t GroupZoom = 14020;
inline constexpr std::uint32_t GroupShow = 14021;
inline constexpr std::uint32_t GroupWindow = 14022;
inline constexpr std::uint32_t GroupRecent = 14023;
inline constexpr std::uint32_t AskToSave = 14030;
inline constexpr std::uint32_t Untitled = 14031;
inline constexpr std::uint32_t DefaultKeyboardMissing = 14032;
// The application shell's own texts.
inline constexpr std::uint32_t NoPrinter = 14100;
// The on-screen keyboard and the text-import wizard.
inline constexpr std::uint32_t KeyboardDialogTitle = 15000;
inline constexpr std::uint32_t KeyboardSave = 15001;
inline constexpr std::uint32_t KeyboardDefault = 15002;
inline constexpr std::uint32_t KeyboardClose = 15003;
inline constexpr std::uint32_t KeyboardShift = 15004;
inline constexpr std::uint32_t ImportWizardTitle = 15010;
inline constexpr std::uint32_t ImportFilePageTitle = 15011;
inline constexpr std::uint32_t ImportFileLabel = 15012;
inline constexpr std::uint32_t ImportBrowse = 15013;
inline constexpr std::uint32_t ImportCodePageTitle = 15014;
inline constexpr std::uint32_t ImportCodePageLabel = 15015;
inline constexpr std::uint32_t ImportPreviewLabel = 15016;
inline constexpr std::uint32_t ImportOutputTitle = 15017;
inline constexpr std::uint32_t ImportIntoDocument = 15018;
inline constexpr std::uint32_t ImportIntoTextFile = 15019;
inline constexpr std::uint32_t ImportOntoClipboard = 15020;
inline constexpr std::uint32_t TextFilesFilter = 15021;
inline constexpr std::uint32_t ImportUtf8 = 15022;
// The About box: the word before the version, and the scrolling text.
inline constexpr std::uint32_t AboutVersion = 15100;
inline constexpr std::uint32_t AboutTitle = 15101;
inline constexpr std::uint32_t AboutSubtitle = 15102;
inline constexpr std::uint32_t AboutMaker = 15103;
inline constexpr std::uint32_t AboutCredits = 15104;
inline constexpr std::uint32_t AboutVerse = 15105;
inline constexpr std::uint32_t WindowsMenu = 32836;
inline constexpr std::uint32_t OpenFileTitle = 61440;
inline constexpr std::uint32_t SaveFileTitle = 61441;
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
    {StringId::PrintFailed, ""},
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
    {StringId::SaveFailed, ""},
    {StringId::ReasonNoSpace, ""},
    {StringId::ReasonNoPermission, ""},
    {StringId::ReasonFolderMissing, ""},
    {StringId::ReasonFileMissing, ""},
    {StringId::ReasonReadOnlyDisk, ""},
    {StringId::ReasonReadOnlyFile, ""},
    {StringId::ReasonNotAFile, ""},
    {StringId::ReasonTooLarge, ""},
    {StringId::ReasonDiskError, ""},
    {StringId::ReasonOther, ""},
    {StringId::DamageNotADocument, ""},
    {StringId::DamageCutOff, ""},
    {StringId::DamageUnknownObject, ""},
    {StringId::DamageTooManyPages, ""},
    {StringId::DamagePicture, ""},
    {StringId::DamagePicturesTooLarge, ""},
    {StringId::DamageContents, ""},
    {StringId::ReasonOutOfMemory, ""},
    {StringId::ReasonNothingToExport, ""},
    {StringId::ReasonPictureTooLarge, ""},
    {StringId::ReasonPrinterRefused, ""},
    {StringId::ReasonUnreadablePicture, ""},
    {StringId::FilePreviewCheck, ""},
    {StringId::AutomaticColour, ""},
    {StringId::PageGeneral, ""},
    {StringId::PageText, ""},
    {StringId::PageDodavo, ""},
    {StringId::EveryPage, ""},
    {StringId::NoFill, ""},
    {StringId::LineWidth, ""},
    {StringId::HorizontalPosition, ""},
    {StringId::VerticalPosition, ""},
    {StringId::PageNumber, ""},
    {StringId::LineColour, ""},
    {StringId::FillColour, ""},
    {StringId::TextAngle, ""},
    {StringId::TextSize, ""},
    {StringId::TextColour, ""},
    {StringId::ChangePicture, ""},
    {StringId::PageGuideLines, ""},
    {StringId::PageGrid, ""},
    {StringId::PageClipboard, ""},
    {StringId::PageMiscellaneous, ""},
    {StringId::GuideAdd, ""},
    {StringId::GuideEdit, ""},
    {StringId::GuideRemove, ""},
    {StringId::GuideClear, ""},
    {StringId::GuideAllPages, ""},
    {StringId::ShowGuideLines, ""},
    {StringId::SnapToGuideLines, ""},
    {StringId::GuideLineStyle, ""},
    {StringId::StyleSolid, ""},
    {StringId::StyleDash, ""},
    {StringId::StyleDot, ""},
    {StringId::StyleDashDot, ""},
    {StringId::StyleDashDotDot, ""},
    {StringId::ShowGrid, ""},
    {StringId::SnapToGrid, ""},
    {StringId::ShowPrintableArea, ""},
    {StringId::GridHorizontalSpacing, ""},
    {StringId::GridVerticalSpacing, ""},
    {StringId::GridColour, ""},
    {StringId::PrintableAreaColour, ""},
    {StringId::ClipboardBmp, ""},
    {StringId::ClipboardBmpSize, ""},
    {StringId::ClipboardEmf, ""},
    {StringId::ClipboardEps, ""},
    {StringId::ClipboardWmf, ""},
    {StringId::ClipboardKavitro, ""},
    {StringId::ClipboardUtf8, ""},
    {StringId::DefaultTextSize, ""},
    {StringId::DefaultTextColour, ""},
    {StringId::ZurazOrovaWriting, ""},
    {StringId::GuideLineDialog, ""},
    {StringId::GuideHorizontal, ""},
    {StringId::GuideVertical, ""},
    {StringId::GuidePosition, ""},
    {StringId::BitmapSizeDialog, ""},
    {StringId::BitmapWidth, ""},
    {StringId::BitmapHeight, ""},
    {StringId::PictureDialogTitle, ""},
    {StringId::ExportDialogTitle, ""},
    {StringId::FileTypeAllPictures, ""},
    {StringId::FileTypeEnhancedDodavo, ""},
    {StringId::FileTypeDodavo, ""},
    {StringId::FileTypeEmf, ""},
    {StringId::FileTypeWmf, ""},
    {StringId::FileTypePng, ""},
    {StringId::FileTypeJpeg, ""},
    {StringId::FileTypeGif, ""},
    {StringId::FileTypeTiff, ""},
    {StringId::FileTypeBmp, ""},
    {StringId::FileTypeEps, ""},
    {StringId::FileDialogLookIn, ""},
    {StringId::FileDialogFileName, ""},
    {StringId::FileDialogFileType, ""},
    {StringId::FileListName, ""},
    {StringId::FileListSize, ""},
    {StringId::FileListType, ""},
    {StringId::FileListDate, ""},
    {StringId::FileListComputer, ""},
    {StringId::FileDialogBack, ""},
    {StringId::FileDialogForward, ""},
    {StringId::FileDialogParent, ""},
    {StringId::FileDialogNewFolderTip, ""},
    {StringId::FileDialogListView, ""},
    {StringId::FileDialogDetailView, ""},
    {StringId::FileDialogRename, ""},
    {StringId::FileDialogDelete, ""},
    {StringId::FileDialogShowHidden, ""},
    {StringId::FileDialogNewFolderMenu, ""},
    {StringId::FileDialogNewFolderName, ""},
    {StringId::FileListFolder, ""},
    {StringId::PagePaper, ""},
    {StringId::PaperSize, ""},
    {StringId::PaperPortrait, ""},
    {StringId::PaperLandscape, ""},
    {StringId::MarginLeft, ""},
    {StringId::MarginTop, ""},
    {StringId::MarginRight, ""},
    {StringId::MarginBottom, ""},
    {StringId::PaperOwnSize, "ff"},
    {StringId::OpenFileTitle, ""},
    {StringId::SaveFileTitle, ""},
    {StringId::RibbonFile, ""},
    {StringId::RibbonHome, ""},
    {StringId::RibbonInsert, ""},
    {StringId::RibbonArrange, ""},
    {StringId::RibbonView, ""},
    {StringId::GroupDocument, ""},
    {StringId::GroupPrint, ""},
    {StringId::GroupProgram, ""},
    {StringId::GroupClipboard, ""},
    {StringId::GroupEdit, ""},
    {StringId::GroupText, ""},
    {StringId::GroupTools, ""},
    {StringId::GroupShapes, ""},
    {StringId::GroupOrder, ""},
    {StringId::GroupObject, ""},
    {StringId::GroupZoom, ""},
    {StringId::GroupShow, ""},
    {StringId::GroupWindow, ""},
    {StringId::GroupRecent, ""},
    {StringId::AskToSave, "s"},
    {StringId::NoPrinter, ""},
    {StringId::Untitled, ""},
    {StringId::DefaultKeyboardMissing, ""},
    {StringId::KeyboardDialogTitle, ""},
    {StringId::KeyboardSave, ""},
    {StringId::KeyboardDefault, ""},
    {StringId::KeyboardClose, ""},
    {StringId::KeyboardShift, ""},
    {StringId::ImportWizardTitle, ""},
    {StringId::ImportFilePageTitle, ""},
    {StringId::ImportFileLabel, ""},
    {StringId::ImportBrowse, ""},
    {StringId::ImportCodePageTitle, ""},
    {StringId::ImportCodePageLabel, ""},
    {StringId::ImportPreviewLabel, ""},
    {StringId::ImportOutputTitle, ""},
    {StringId::ImportIntoDocument, ""},
    {StringId::ImportIntoTextFile, ""},
    {StringId::ImportOntoClipboard, ""},
    {StringId::TextFilesFilter, ""},
    {StringId::ImportUtf8, ""},
    {StringId::AboutVersion, ""},
    {StringId::AboutTitle, ""},
    {StringId::AboutSubtitle, ""},
    {StringId::AboutMaker, ""},
    {StringId::AboutCredits, ""},
    {StringId::AboutVerse, ""},
    // Menu and ribbon captions, numbered like their commands.
    {150, ""}, {151, ""}, {152, ""}, {5005, ""}, {5006, ""}, {5007, ""}, {5008, ""}, {32601, ""}, {32651, ""},
    {32770, ""}, {32771, ""}, {32772, ""}, {32773, ""}, {32774, ""}, {32775, ""}, {32776, ""}, {32777, ""},
    {32778, ""}, {32779, ""}, {32780, ""}, {32781, ""}, {32782, ""}, {32783, ""}, {32784, ""}, {32785, ""},
    {32786, ""}, {32791, ""}, {32792, ""}, {32796, ""}, {32797, ""}, {32798, ""}, {32799, ""}, {32800, ""},
    {32802, ""}, {32803, ""}, {32804, ""}, {32805, ""}, {32806, ""}, {32807, ""}, {32808, ""}, {32809, ""},
    {32810, ""}, {32811, ""}, {32812, ""}, {32813, ""}, {32814, ""}, {32815, ""}, {32816, ""}, {32855, ""},
    {57600, ""}, {57601, ""}, {57602, ""}, {57603, ""}, {57604, ""}, {57606, ""}, {57607, ""}, {57608, ""},
    {57609, ""},
    {57632, ""}, {57634, ""}, {57635, ""}, {57637, ""}, {57642, ""}, {57643, ""}, {57644, ""}, {57664, ""},
    {57665, ""}, {59137, ""}, {59138, ""}, {59408, ""}, {59409, ""},
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
