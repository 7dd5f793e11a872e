#include "app/RibbonLayout.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "app/FrameCommands.h"
#include "document/StringIds.h"
#include "view/CommandIds.h"

namespace kavitro {

namespace {

namespace F = FrameCommand;
namespace V = ViewCommand;
namespace S = StringId;
using E = RibbonElement;

constexpr RibbonItem kDocument[] = {
    {E::LargeButton, F::FileNew}, {E::LargeButton, F::FileOpen}, {E::SmallButton, F::FileSave},
    {E::SmallButton, F::FileSaveAs}, {E::SmallButton, F::FileClose},
};
constexpr RibbonItem kPrint[] = {
    {E::LargeButton, F::FilePrint}, {E::SmallButton, F::FilePrintDirect}, {E::SmallButton, F::FilePrintPreview},
    {E::SmallButton, F::FilePageSetup}, {E::SmallButton, F::Export}, {E::SmallButton, F::ImportText},
};
// Each shows one recent document (its button is hidden while it has none).
constexpr RibbonItem kRecent[] = {
    {E::SmallButton, F::RecentFile1}, {E::SmallButton, F::RecentFile1 + 1}, {E::SmallButton, F::RecentFile1 + 2},
    {E::SmallButton, F::RecentFile1 + 3},
};
static_assert(std::size(kRecent) == F::RecentFileCount);
constexpr RibbonItem kProgram[] = {
    {E::SmallButton, F::SwitchLanguage}, {E::SmallButton, F::Keyboard}, {E::SmallButton, F::AppAbout},
    {E::SmallButton, F::AppExit},
};
constexpr RibbonItem kClipboard[] = {
    {E::LargeButton, V::EditPaste}, {E::SmallButton, V::EditCut}, {E::SmallButton, V::EditCopy},
    {E::SmallButton, V::EditClear},
};
constexpr RibbonItem kEdit[] = {
    {E::SmallButton, V::EditUndo}, {E::SmallButton, V::EditRedo}, {E::SmallButton, V::EditSelectAll},
};
constexpr RibbonItem kText[] = {
    {E::ComboBox, V::TextSizeCombo},        {E::ComboBox, V::TextAngleCombo},     {E::ColourButton, V::TextColor},
    {E::SmallButton, V::RotateTextBack},    {E::SmallButton, V::RotateTextForward}, {E::SmallButton, V::AlignBaselines},
    {E::SmallButton, V::AdjustSpacing},     {E::SmallButton, V::SmartSpacing},    {E::SmallButton, V::Alternatives},
    // The letter before the caret: its other form, its next variant, its paired form.
    {E::SmallButton, V::AlternateForm},     {E::SmallButton, V::GlyphVariant},    {E::SmallButton, V::GlyphSwap},
};
constexpr RibbonItem kTools[] = {
    {E::LargeButton, V::Select},           {E::LargeButton, V::DrawText},
    {E::SmallButton, V::SelectTextComponents}, {E::Gallery, V::TextModificationGallery, 3},
    {E::Gallery, V::VowelGallery, 20},
};
constexpr RibbonItem kShapes[] = {
    {E::SmallButton, V::DrawLine},    {E::SmallButton, V::DrawRectangle}, {E::SmallButton, V::DrawRoundRectangle},
    {E::SmallButton, V::DrawEllipse}, {E::LargeButton, V::InsertPicture},
};
constexpr RibbonItem kOrder[] = {
    {E::SmallButton, V::BringToFront}, {E::SmallButton, V::SendToBack}, {E::SmallButton, V::BringForward},
    {E::SmallButton, V::SendBackward},
};
constexpr RibbonItem kObject[] = {
    {E::SmallButton, V::Duplicate}, {E::SmallButton, V::ObjectProperties}, {E::SmallButton, V::LineColor},
    {E::SmallButton, V::FillColor},
};
constexpr RibbonItem kZoom[] = {
    {E::ComboBox, V::ZoomCombo},        {E::ZoomSlider, V::ZoomCombo},       {E::SmallButton, V::ZoomIn},
    {E::SmallButton, V::ZoomOut},       {E::SmallButton, V::Hand},           {E::SmallButton, V::ZoomFitPage},
    {E::SmallButton, V::ZoomFitWidth},
};
constexpr RibbonItem kShow[] = {
    {E::SmallButton, V::ShowGrid},     {E::SmallButton, V::ShowGuides},   {E::SmallButton, V::DrawingMode0},
    {E::SmallButton, V::DrawingMode1}, {E::SmallButton, V::DrawingMode2}, {E::SmallButton, F::ViewHorizontalRuler},
    {E::SmallButton, F::ViewVerticalRuler},
};
constexpr RibbonItem kWindow[] = {
    {E::SmallButton, F::PageProperties},
    {E::SmallButton, F::WindowsDialog},
};

constexpr RibbonGroup kFileGroups[] = {
    {S::GroupDocument, kDocument}, {S::GroupRecent, kRecent}, {S::GroupPrint, kPrint}, {S::GroupProgram, kProgram}};
constexpr RibbonGroup kHomeGroups[] = {
    {S::GroupClipboard, kClipboard}, {S::GroupEdit, kEdit}, {S::GroupText, kText}, {S::GroupTools, kTools}};
constexpr RibbonGroup kInsertGroups[] = {{S::GroupShapes, kShapes}};
constexpr RibbonGroup kArrangeGroups[] = {{S::GroupOrder, kOrder}, {S::GroupObject, kObject}};
constexpr RibbonGroup kViewGroups[] = {{S::GroupZoom, kZoom}, {S::GroupShow, kShow}, {S::GroupWindow, kWindow}};

constexpr RibbonTab kTabs[] = {
    {S::RibbonFile, kFileGroups},       {S::RibbonHome, kHomeGroups}, {S::RibbonInsert, kInsertGroups},
    {S::RibbonArrange, kArrangeGroups}, {S::RibbonView, kViewGroups},
};

constexpr std::array kCheckable = {
    V::Select,     V::SelectTextComponents, V::DrawLine,     V::DrawRectangle, V::DrawRoundRectangle,
    V::DrawEllipse, V::ZoomIn,              V::ZoomOut,      V::Hand,          V::InsertPicture,
    V::DrawText,   V::ShowGrid,             V::ShowGuides,   V::DrawingMode0,  V::DrawingMode1,
    V::DrawingMode2, V::ZoomFitPage,        V::ZoomFitWidth, V::TextModificationGallery, V::VowelGallery,
};

}  // namespace

std::span<const RibbonTab> RibbonTabs() { return kTabs; }

bool IsCheckableCommand(std::uint32_t command) {
    return std::find(kCheckable.begin(), kCheckable.end(), command) != kCheckable.end();
}

}  // namespace kavitro
