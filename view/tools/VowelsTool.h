#pragma once

// The vowel and diacritic sign tools (shapes 14 to 33): a click inside the
// one selected text adds the tool's sign there, stored unrotated relative to
// the text so that it turns with it.

#include <cstdint>

#include "view/DrawTool.h"

namespace kavitro {

class CVowelsTool : public CDrawTool {
public:
    using CDrawTool::CDrawTool;

    // The sign (glyph of glyph font 4) a vowel shape places; 35 for any
    // other shape.
    static std::uint8_t SignCodeOf(std::int32_t shape);

    void OnLButtonDown(CKavitroView& view, std::uint32_t flags, Point point) override;
    void OnMouseMove(CKavitroView& view, std::uint32_t flags, Point point, bool setCursor) override;
    bool RevertsToSelection() const override { return false; }
};

}  // namespace kavitro
