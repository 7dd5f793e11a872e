#pragma once

// The ids of the page view's commands, as the language pack's menus and the
// ribbon carry them. The shell binds its ribbon buttons and menu items to
// these names; CCommandRegistry::ViewCommands() runs them. The main frame's
// own commands are in app/FrameCommands.h.

#include <cstdint>

namespace kavitro::ViewCommand {

// --- Drawing tools (the current shape) -----------------------------------------
inline constexpr std::uint32_t Select = 32771;
inline constexpr std::uint32_t SelectTextComponents = 32803;
inline constexpr std::uint32_t DrawLine = 32772;
inline constexpr std::uint32_t DrawRectangle = 32773;
inline constexpr std::uint32_t DrawRoundRectangle = 32774;
inline constexpr std::uint32_t DrawEllipse = 32775;
inline constexpr std::uint32_t ZoomIn = 32779;
inline constexpr std::uint32_t ZoomOut = 32782;
inline constexpr std::uint32_t Hand = 32791;
inline constexpr std::uint32_t InsertPicture = 32796;
inline constexpr std::uint32_t DrawText = 32797;
inline constexpr std::uint32_t TextModificationGallery = 32651;
inline constexpr std::uint32_t VowelGallery = 32601;
// The text-modification codes typed into the edited text (edit commands).
inline constexpr std::uint32_t AlternateForm = 32809;
inline constexpr std::uint32_t GlyphVariant = 32810;
inline constexpr std::uint32_t GlyphSwap = 32811;

// --- Display and zoom -------------------------------------------------------------
inline constexpr std::uint32_t ShowGrid = 32770;
inline constexpr std::uint32_t ShowGuides = 32813;
inline constexpr std::uint32_t DrawingMode1 = 32799;
inline constexpr std::uint32_t DrawingMode2 = 32798;
inline constexpr std::uint32_t DrawingMode0 = 32800;
inline constexpr std::uint32_t ZoomFitPage = 32776;
inline constexpr std::uint32_t ZoomFitWidth = 32786;
inline constexpr std::uint32_t ZoomCombo = 5006;

// --- Pages (status-bar elements) ----------------------------------------------------
inline constexpr std::uint32_t PageCombo = 150;
inline constexpr std::uint32_t NextPage = 151;
inline constexpr std::uint32_t PreviousPage = 152;

// --- Text -----------------------------------------------------------------------------
inline constexpr std::uint32_t RotateTextBack = 32804;     // -10 degrees
inline constexpr std::uint32_t RotateTextForward = 32805;  // +10 degrees
inline constexpr std::uint32_t AlignBaselines = 32814;
inline constexpr std::uint32_t AdjustSpacing = 32815;
inline constexpr std::uint32_t SmartSpacing = 32816;
inline constexpr std::uint32_t Alternatives = 32855;
inline constexpr std::uint32_t FirstAlternative = 501;
inline constexpr std::uint32_t LastAlternative = 519;
inline constexpr std::uint32_t TextSizeCombo = 5005;
inline constexpr std::uint32_t TextAngleCombo = 5007;
inline constexpr std::uint32_t TextColor = 5008;

// --- Objects --------------------------------------------------------------------------
inline constexpr std::uint32_t LineColor = 32777;
inline constexpr std::uint32_t FillColor = 32778;
inline constexpr std::uint32_t BringToFront = 32780;
inline constexpr std::uint32_t SendToBack = 32781;
inline constexpr std::uint32_t BringForward = 32783;
inline constexpr std::uint32_t SendBackward = 32785;
inline constexpr std::uint32_t Duplicate = 32802;
inline constexpr std::uint32_t ObjectProperties = 32792;
inline constexpr std::uint32_t NoAction = 32790;

// --- Edit commands of the view (registered by the edit commands) ------------------------
inline constexpr std::uint32_t EditClear = 57632;
inline constexpr std::uint32_t EditCopy = 57634;
inline constexpr std::uint32_t EditCut = 57635;
inline constexpr std::uint32_t EditPaste = 57637;
inline constexpr std::uint32_t EditSelectAll = 57642;
inline constexpr std::uint32_t EditUndo = 57643;
inline constexpr std::uint32_t EditRedo = 57644;

}  // namespace kavitro::ViewCommand
