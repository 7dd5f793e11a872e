// Every dialog opens in English and in Farsi (mirrored); a screenshot of each
// is kept in <build>/artefacts/dialogs for review.

#include <functional>
#include <memory>

#include "app/dialogs/BitmapSizeDialog.h"
#include "app/dialogs/ColourPicker.h"
#include "app/dialogs/FilePrompt.h"
#include "app/dialogs/GuideLineDialog.h"
#include "app/dialogs/ObjectPropertyPages.h"
#include "app/dialogs/PagePropertyPages.h"
#include "document/StringIds.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/document/DocumentFixture.h"

namespace kavitro {
namespace {

using DialogScreenshots = test::DialogTest;

struct DialogMaker {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
};

TEST_F(DialogScreenshots, EveryDialogOpensInEnglishAndFarsi) {
    const DialogMaker makers[] = {
        {"file-open", [] {
             return std::make_unique<CPersianFileDialog>(nullptr, true, file_prompt::DocumentFilters(true),
                                                         QStringLiteral("kvl;kv2"), QStringLiteral("Open"),
                                                         QString(), QString());
         }},
        {"bitmap-size", [] { return std::make_unique<CBitmapExportDialog>(nullptr, Size{800, 600}); }},
        {"guide-line", [] { return std::make_unique<CAddGuidelineDialog>(nullptr, true, 0, 12.5); }},
        {"colour-popup", [] {
             // The popup is the picker's child; the picker owns it.
             auto host = std::make_unique<CColourPicker>();
             new CColourPopup(*host, RGB(255, 0, 0), QString(), DialogText(StringId::OtherColours));
             return host;
         }},
        {"object-properties", [] {
             static test::TestServices services;
             static std::unique_ptr<CKavitroDoc> document = test::NewDocument(services.services);
             CDrawRect* rect = test::AddRect(*document, test::Place(-5000, -3000, 2000, 1000));
             auto sheet = std::make_unique<CFontPropertySheet>(DialogText(StringId::ObjectPropertiesCaption));
             sheet->AddPage(new CObjectGeneralProperties(*rect, *document));
             sheet->Prepare();
             return sheet;
         }},
        {"page-properties", [] {
             static CApplicationProperties settings;
             auto sheet = std::make_unique<CFontPropertySheet>(DialogText(StringId::PagePropertiesCaption));
             auto* guides = new CPagePropertiesGuidelinePropertyPage(settings);
             guides->m_lists.Add(0, 12.5);
             guides->m_lists.Add(1, 40);
             guides->m_filled = true;
             sheet->AddPage(guides);
             sheet->AddPage(new CPagePropertiesGridPropertyPage(settings));
             sheet->AddPage(new CPagePropertiesClipboardPropertyPage(settings));
             sheet->AddPage(new CPagePropertiesMiscPropertyPage(settings));
             sheet->Prepare();
             return sheet;
         }},
    };
    for (const char* language : {"English", "Farsi"}) {
        const LanguagePack& pack = test::BuiltPack(QString::fromLatin1(language));
        SetDialogLanguage(&pack);
        for (const DialogMaker& maker : makers) {
            SCOPED_TRACE(std::string(maker.name) + " " + language);
            std::unique_ptr<QWidget> owner = maker.make();
            QWidget* dialog = owner.get();
            if (auto* popup = owner->findChild<CColourPopup*>()) dialog = popup;
            EXPECT_EQ(dialog->layoutDirection(), pack.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
            test::SaveScreenshot(*dialog, QString::fromLatin1(maker.name) + QLatin1Char('-') +
                                              QString::fromLatin1(language));
        }
    }
}

}  // namespace
}  // namespace kavitro
