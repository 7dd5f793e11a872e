#pragma once

// The page view's own commands: tool choice, display and zoom, pages, text
// rotation, alignment and spacing, the alternatives popup, colours, z-order,
// duplicates and properties. Ids and names are in view/CommandIds.h.
//
// What only the shell's widgets know (the colour dialog, ribbon combos and
// galleries, the Shift key, the status bar) it hands in through
// ViewCommandHooks; a hook left empty behaves as a cancelled dialog, an
// empty combo or a gallery without selection. The picture file prompt is
// the picture object's own hook (SetPictureFilePrompt).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/DcTypes.h"

namespace kavitro {

class CCommandRegistry;
class CKavitroView;

struct ViewCommandHooks {
    // The colour dialog (initial colour black); none when cancelled.
    std::function<std::optional<COLORREF>()> chooseColor;
    // The text of a ribbon combo (text size 5005, zoom 5006, angle 5007).
    std::function<std::u16string(std::uint32_t comboId)> comboText;
    // The selected index of the status bar's page combo; none without one.
    std::function<std::optional<std::int32_t>()> pageComboSelection;
    // The colour of the ribbon's text-colour button.
    std::function<COLORREF()> ribbonTextColor;
    // The last selected item of a ribbon gallery (32651, 32601); none
    // without a selection.
    std::function<std::optional<std::int32_t>(std::uint32_t galleryId)> gallerySelection;
    // Shows image `image` on a gallery's button and redraws it.
    std::function<void(std::uint32_t galleryId, std::int32_t image)> setGalleryImage;
    // Whether Shift is held.
    std::function<bool()> shiftDown;
    // The state flag of the next-page element (set on the last page, or
    // while every page is shown); the status bar redraws it when it changes.
    std::function<void(bool lastPage)> setLastPageFlag;
};

// The process-wide hooks; the shell sets them once at start-up.
ViewCommandHooks& GetViewCommandHooks();

void RegisterViewCommands(CCommandRegistry& registry);

// The export command's rule: some object shown on the view's current page
// (every-page objects included) is a text.
bool CurrentPageHasText(const CKavitroView& view);

// The shape a gallery item chooses: text modification 11..13, vowel signs
// 14..33 (an item outside the gallery gives its first shape).
std::int32_t TextModificationShape(std::int32_t item);
std::int32_t VowelShape(std::int32_t item);

}  // namespace kavitro
