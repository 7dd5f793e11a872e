// The import wizard's page flow: unmarked files through the code-page page
// with its live preview, marked files straight to the output page, a missing
// file refused; screenshots of each page in English and Farsi.

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include <filesystem>

#include "DialogTestSupport.h"
#include "app/import/ImportWizard.h"
#include "document/StringIds.h"
#include "platform/ErrorReport.h"
#include "tests/support/FileBytes.h"

namespace kavitro {
namespace {

namespace fs = std::filesystem;

class ImportWizardTest : public test::DialogTest {
protected:
    QString Write(const char* name, std::vector<std::uint8_t> bytes) {
        const fs::path path = fs::path(testing::TempDir()) / name;
        test::WriteFile(path, bytes);
        return QString::fromStdString(path.string());
    }
    RecordingErrorReport errors;
    const QString filters = QStringLiteral(KAVITRO_SHARE_DIR "/filter");
};

TEST_F(ImportWizardTest, PagesFollowTheSource) {
    // "سلام" in Windows-1256, no mark.
    const QString unmarked = Write("import_cp1256.txt", {0xD3, 0xE1, 0xC7, 0xE3});
    const QString utf16 = Write("import_utf16.txt", {0xFF, 0xFE, 0x33, 0x06});
    for (const char* language : {"English", "Farsi"}) {
        SetDialogLanguage(&test::BuiltPack(QString::fromLatin1(language)));
        CImportWizard wizard(&errors, filters);
        wizard.show();
        test::SaveScreenshot(wizard, QStringLiteral("import-file-") + QLatin1String(language));
        wizard.show();

        wizard.SetSourcePath(unmarked);
        wizard.next();
        ASSERT_EQ(wizard.currentId(), CImportWizard::kCodePagePage) << language;
        auto* list = wizard.findChild<QListWidget*>(QStringLiteral("filters"));
        ASSERT_EQ(list->count(), 2);
        list->setCurrentRow(1);  // Windows-1256
        EXPECT_EQ(wizard.findChild<QPlainTextEdit*>(QStringLiteral("preview"))->toPlainText(),
                  QString::fromUtf16(u"\u0633\u0644\u0627\u0645"));
        test::SaveScreenshot(wizard, QStringLiteral("import-codepage-") + QLatin1String(language));
        wizard.show();
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CImportWizard::kOutputPage);
        EXPECT_EQ(wizard.ChosenOutput(), CImportWizard::kIntoDocument);
        test::SaveScreenshot(wizard, QStringLiteral("import-output-") + QLatin1String(language));
        wizard.show();

        wizard.restart();
        wizard.SetSourcePath(utf16);
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CImportWizard::kOutputPage);
        EXPECT_EQ(wizard.ConvertSource(), u"\u0633");

        wizard.restart();
        errors.Clear();
        wizard.SetSourcePath(QStringLiteral("/no/such/import.txt"));
        wizard.next();
        EXPECT_EQ(wizard.currentId(), CImportWizard::kFilePage);
        EXPECT_TRUE(wizard.SourcePath().isEmpty());
        ASSERT_EQ(errors.Reports().size(), 1u);
        EXPECT_EQ(errors.Reports()[0].stringId, StringId::ImportFileMissing);
    }
}

}  // namespace
}  // namespace kavitro
