#pragma once

// What the text-object tests share: the build's glyph fonts and a view that
// edits text.

#include "document/DocumentServices.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"

namespace kavitro::test {

inline void InitFonts() {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
}

// A view with a component selection and device units equal to logical ones.
struct TextView : DefaultDocumentView, TextEditView {
    CTextComponentSelection component;
    CTextComponentSelection& GetComponentSelection() override { return component; }
    Point DeviceToLogical(Point device) const override { return device; }
};

}  // namespace kavitro::test
