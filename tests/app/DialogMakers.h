#pragma once

// The dialogs of the program, each made as the user meets it (filled from a
// small document and the default settings), in the language pack in use.
// The offscreen screenshots and the gallery under a real X display share
// them.

#include <functional>
#include <memory>
#include <vector>

#include <QDir>
#include <QWidget>

#include "app/dialogs/BitmapSizeDialog.h"
#include "app/dialogs/ColourPicker.h"
#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/FilePrompt.h"
#include "app/dialogs/GuideLineDialog.h"
#include "app/dialogs/ObjectPropertyPages.h"
#include "app/dialogs/PagePropertyPages.h"
#include "app/dialogs/PaperPage.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/StringIds.h"
#include "engine/CalligraphyFont.h"
#include "tests/document/DocumentFixture.h"

namespace kavitro::test {

struct DialogMaker {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
};

// The widget a maker's result shows: the colour popup is its picker's child.
inline QWidget& ShownWidget(QWidget& made) {
    if (auto* popup = made.findChild<CColourPopup*>()) return *popup;
    return made;
}

// The document the property sheets edit: a rectangle, a typed text and a
// picture on a page with two guide lines. Made once per process.
struct GalleryDocument {
    TestServices services;
    std::unique_ptr<CKavitroDoc> document;
    CDrawRect* rect = nullptr;
    CDrawText* text = nullptr;
    CDrawPicture* picture = nullptr;

    static GalleryDocument& Instance() {
        static GalleryDocument gallery;
        return gallery;
    }

private:
    GalleryDocument() {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
        document = NewDocument(services.services);
        rect = AddRect(*document, Place(-5000, -3000, 2000, 1000));
        CPolygonRect at;
        at.m_rect = Rect(-3000, -9000, 0, 0);
        text = new CDrawText(at, 0, document.get());
        document->Add(text, true);
        const std::u16string typed = u"سلام";
        document->InsertText(nullptr, text, typed.data(), typed.size(), false);
        picture = new CDrawPicture(Place(-4000, -4000, 1000, 1000), 0, document.get());
        document->Add(picture, true);
        document->AddGuideline(nullptr, 0, -1250);
        document->AddGuideline(nullptr, 1, -4000);
    }
};

// A sheet of one page, as the object-properties sheet shows it.
inline std::unique_ptr<QWidget> ObjectSheet(CFontPropertyPage* page) {
    auto sheet = std::make_unique<CFontPropertySheet>(DialogText(StringId::ObjectPropertiesCaption));
    sheet->AddPage(page);
    sheet->Prepare();
    return sheet;
}

// The page-properties sheet of the gallery's document, on one of its pages.
inline std::unique_ptr<QWidget> PageSheet(int activePage) {
    static CApplicationProperties settings;
    GalleryDocument& gallery = GalleryDocument::Instance();
    const GuidePageData data = GuidePageFor(*gallery.document, 0);
    auto sheet = std::make_unique<CFontPropertySheet>(DialogText(StringId::PagePropertiesCaption));
    auto* guides = new CPagePropertiesGuidelinePropertyPage(settings);
    guides->m_lists = data.lists;
    guides->m_limits = data.limits;
    guides->m_filled = true;
    sheet->AddPage(guides);
    sheet->AddPage(new CPagePropertiesGridPropertyPage(settings));
    sheet->AddPage(new CPagePropertiesClipboardPropertyPage(settings));
    sheet->AddPage(new CPagePropertiesMiscPropertyPage(settings));
    sheet->AddPage(new CPagePropertiesPaperPropertyPage(*gallery.document));
    sheet->Prepare();
    sheet->SetActivePage(activePage);
    return sheet;
}

inline std::vector<DialogMaker> DialogMakers() {
    auto fileDialog = [](bool open) {
        return std::make_unique<CPersianFileDialog>(nullptr, open, file_prompt::DocumentFilters(open),
                                                    QStringLiteral("kvl;kv2"),
                                                    DialogText(open ? StringId::FileDialogOpen : StringId::FileDialogSave),
                                                    QDir::tempPath(), QString());
    };
    return {
        {"file-open", [=] { return fileDialog(true); }},
        {"file-save", [=] { return fileDialog(false); }},
        {"bitmap-size", [] { return std::make_unique<CBitmapExportDialog>(nullptr, Size{800, 600}); }},
        {"guide-line", [] { return std::make_unique<CAddGuidelineDialog>(nullptr, true, 0, 12.5); }},
        {"colour-popup", [] {
             // The popup is the picker's child; the picker owns it.
             auto host = std::make_unique<CColourPicker>();
             new CColourPopup(*host, RGB(255, 0, 0), QString(), DialogText(StringId::OtherColours));
             return host;
         }},
        {"object-properties", [] {
             GalleryDocument& g = GalleryDocument::Instance();
             return ObjectSheet(new CObjectGeneralProperties(*g.rect, *g.document));
         }},
        {"object-text", [] {
             GalleryDocument& g = GalleryDocument::Instance();
             return ObjectSheet(new CObjectTextProperties(*g.text, *g.document, {}));
         }},
        {"object-dodavo", [] { return ObjectSheet(new CObjectDodavoProperties(*GalleryDocument::Instance().picture)); }},
        {"page-properties", [] { return PageSheet(0); }},
        {"page-grid", [] { return PageSheet(1); }},
        {"page-clipboard", [] { return PageSheet(2); }},
        {"page-misc", [] { return PageSheet(3); }},
        {"page-paper", [] { return PageSheet(4); }},
    };
}

}  // namespace kavitro::test
