// Every dialog opens in English and in Farsi (mirrored); a screenshot of each
// is kept in <build>/artefacts/dialogs for review.

#include "tests/app/DialogMakers.h"
#include "tests/app/DialogTestSupport.h"

namespace kavitro {
namespace {

using DialogScreenshots = test::DialogTest;

TEST_F(DialogScreenshots, EveryDialogOpensInEnglishAndFarsi) {
    for (const char* language : {"English", "Farsi"}) {
        const LanguagePack& pack = test::BuiltPack(QString::fromLatin1(language));
        SetDialogLanguage(&pack);
        for (const test::DialogMaker& maker : test::DialogMakers()) {
            SCOPED_TRACE(std::string(maker.name) + " " + language);
            std::unique_ptr<QWidget> owner = maker.make();
            QWidget& dialog = test::ShownWidget(*owner);
            EXPECT_EQ(dialog.layoutDirection(), pack.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
            test::SaveScreenshot(dialog, QString::fromLatin1(maker.name) + QLatin1Char('-') +
                                             QString::fromLatin1(language));
        }
    }
}

}  // namespace
}  // namespace kavitro
