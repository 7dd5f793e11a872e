#pragma once

// A new document with the glyph fonts of the build loaded and one view
// attached, for tests that type into texts and watch what the view hears.

#include <gtest/gtest.h>

#include <memory>

#include "engine/CalligraphyFont.h"
#include "tests/document/DocumentFixture.h"

namespace kavitro::test {

template <typename View>
struct TextDocumentFixture : ::testing::Test {
    TestServices services;
    std::unique_ptr<CKavitroDoc> doc;
    View view;

    void SetUp() override {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized())
            fonts.Init(KAVITRO_SHARE_DIR, 0);
        doc = NewDocument(services.services);
        doc->AddView(&view);
    }
    void TearDown() override { doc->RemoveView(&view); }
};

}  // namespace kavitro::test
