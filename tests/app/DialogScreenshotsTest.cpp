// Every dialog opens in English and in Farsi (mirrored), with every tab of
// its sheets shown whole; a screenshot of each is kept in
// <build>/artefacts/dialogs for review.

#include <QTabBar>

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
            // A sheet narrower than its tabs hides the last ones behind
            // scroll arrows and cuts their titles short.
            for (const QTabBar* bar : dialog.findChildren<QTabBar*>()) {
                if (!bar->isVisibleTo(&dialog)) continue;
                EXPECT_GE(bar->width(), bar->sizeHint().width());
                for (int i = 0; i < bar->count(); ++i)
                    EXPECT_TRUE(bar->rect().contains(bar->tabRect(i))) << bar->tabText(i).toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace kavitro
