#pragma once

// A new A4 document with the build's glyph fonts loaded, as the benchmarks
// that lay out, draw, copy or export pages start from.

#include <filesystem>
#include <memory>

#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "platform/qt/QtPainterDC.h"

namespace kavitro::bench {

// The artwork a user's program draws with: the Nastaliq glyph fonts where
// the build derives them, the placeholder strokes otherwise.
inline const char* ArtworkDir() {
#ifdef KAVITRO_NASTALIQ_DIR
    return KAVITRO_NASTALIQ_DIR;
#else
    return KAVITRO_SHARE_DIR;
#endif
}

inline std::unique_ptr<CKavitroDoc> NewA4Document() {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(ArtworkDir(), 0);
    CQtPainterDC::SetGlyphFontFolder(std::filesystem::path(ArtworkDir()) / "fonts");
    RegisterDocumentClasses();
    auto doc = std::make_unique<CKavitroDoc>(DocumentServices::Defaults());
    doc->OnNewDocument();
    doc->SetPageSize(Size{21000, 29700}, Rect(500, 500, 500, 500));
    return doc;
}

// A new document with the build's glyph fonts loaded (no page set-up and
// no painter fonts), as the benchmarks that type into text objects use.
inline std::unique_ptr<CKavitroDoc> NewTextDocument() {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(ArtworkDir(), 0);
    RegisterDocumentClasses();
    auto doc = std::make_unique<CKavitroDoc>(DocumentServices::Defaults());
    doc->OnNewDocument();
    return doc;
}

// An empty text object whose top-left corner is at `at`, added as a step of
// its own (the document owns it).
inline CDrawText* AddTextObject(CKavitroDoc& doc, Point at) {
    CPolygonRect position;
    position.m_rect = Rect(at.x, at.y, 0, 0);
    auto* text = new CDrawText(position, 0, &doc);
    doc.Add(text, true);
    return text;
}

}  // namespace kavitro::bench
