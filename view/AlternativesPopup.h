#pragma once

// The alternatives popup of the page view: the calligraphic alternatives of
// the word at the edited text's caret, shown as menu items 501 onwards, and
// the replacement of that word by the one chosen. There is one popup for the
// process (a popup menu is modal); the shell draws item i from word i of
// GetParagraph() when the view asks for menu kMenuId.

#include <cstdint>

#include "engine/CalligraphyText.h"
#include "platform/Geometry.h"

namespace kavitro {

class CDrawText;
class CKavitroView;

class CAlternativesPopup {
public:
    static constexpr std::uint32_t kMenuId = 500;
    static constexpr std::uint32_t kFirstItemId = 501;
    // Items 501..519: never more alternatives than command ids.
    static constexpr std::size_t kMaxItems = 19;

    static CAlternativesPopup& Instance();

    // Builds the alternatives of the word at the caret of the view's one
    // edited text and asks the view's window for the popup at `client`.
    // False (nothing shown) without one edited text or without words.
    bool Show(CKavitroView& view, Point client);
    // Replaces the word at the caret by alternative `index`, as one undo
    // step. Does nothing for an index outside the alternatives, or when the
    // edited text or its word is no longer the one the popup was built for.
    void Choose(CKavitroView& view, std::size_t index);

    const CCalligraphyParagraph& GetParagraph() const { return m_paragraph; }
    std::size_t GetCount() const;
    void Clear();

private:
    CCalligraphyParagraph m_paragraph;
    // Compared only, never followed: the text the popup was built for.
    const CDrawText* m_pText = nullptr;
};

}  // namespace kavitro
