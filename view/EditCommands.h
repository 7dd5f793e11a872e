#pragma once

// The view's Edit commands: select all, delete (the selected text component
// or the selected objects), undo, redo, copy, cut, paste through the system
// clipboard, and the three text-modification commands.

#include <cstdint>

class QMimeData;

namespace kavitro {

class CCommandRegistry;
class CKavitroView;

namespace edit_ids {
inline constexpr std::uint32_t kClear = 57632;      // ID_EDIT_CLEAR
inline constexpr std::uint32_t kCopy = 57634;       // ID_EDIT_COPY
inline constexpr std::uint32_t kCut = 57635;        // ID_EDIT_CUT
inline constexpr std::uint32_t kPaste = 57637;      // ID_EDIT_PASTE
inline constexpr std::uint32_t kSelectAll = 57642;  // ID_EDIT_SELECT_ALL
inline constexpr std::uint32_t kUndo = 57643;       // ID_EDIT_UNDO
inline constexpr std::uint32_t kRedo = 57644;       // ID_EDIT_REDO
inline constexpr std::uint32_t kAlternateForm = 32809;
inline constexpr std::uint32_t kGlyphVariant = 32810;
inline constexpr std::uint32_t kGlyphSwap = 32811;
}  // namespace edit_ids

void OnEditSelectAll(CKavitroView& view);
void OnEditClear(CKavitroView& view);
void OnEditUndo(CKavitroView& view);
void OnEditRedo(CKavitroView& view);
// Puts the selection (or the selected word range of the one selected text)
// on the clipboard in the formats the settings choose. The zoom is put back
// and the temporary text freed on every way out.
void OnEditCopy(CKavitroView& view);
void OnEditCut(CKavitroView& view);
// False when the clipboard held nothing that could be inserted.
bool OnEditPaste(CKavitroView& view);

// Whether the data holds something a paste could insert.
bool OffersPasteableData(const QMimeData* data);

void RegisterEditCommands(CCommandRegistry& registry);

}  // namespace kavitro
