#pragma once

// What the text-object tests share: the build's glyph fonts and a view that
// edits text.

#include <gtest/gtest.h>

#include <memory>

#include "document/DocumentServices.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "tests/document/DocumentFixture.h"

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

// A document with that view, for tests that make and edit texts.
struct TextDocumentFixture : ::testing::Test {
    TestServices services;
    std::unique_ptr<CKavitroDoc> doc;
    TextView view;

    void SetUp() override {
        InitFonts();
        doc = NewDocument(services.services);
        doc->AddView(&view);
    }
    void TearDown() override { doc->RemoveView(&view); }

    // An empty text whose rectangle starts at `at`, added to the document.
    CDrawText* NewText(Point at) {
        CPolygonRect pr;
        pr.m_rect = Rect(at.x, at.y, 0, 0);
        auto* text = new CDrawText(pr, 0, doc.get());
        doc->Add(text, true);
        return text;
    }
};

}  // namespace kavitro::test
