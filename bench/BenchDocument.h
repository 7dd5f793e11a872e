#pragma once

// A new A4 document with the build's glyph fonts loaded, as the benchmarks
// that lay out, draw, copy or export pages start from.

#include <filesystem>
#include <memory>

#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/QtPainterDC.h"

namespace kavitro::bench {

inline std::unique_ptr<CKavitroDoc> NewA4Document() {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(KAVITRO_SHARE_DIR) / "fonts");
    RegisterDocumentClasses();
    auto doc = std::make_unique<CKavitroDoc>(DocumentServices::Defaults());
    doc->OnNewDocument();
    doc->SetPageSize(Size{21000, 29700}, Rect(500, 500, 500, 500));
    return doc;
}

}  // namespace kavitro::bench
