// The import wizard's page flow: unmarked files through the code-page page
// with its live preview, marked files straight to the output page, a missing
// file refused; screenshots of each page in English and Farsi; and files of
// every kind imported into a document through its view.

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>

#include <iconv.h>

#include <filesystem>

#include "DialogTestSupport.h"
#include "app/PageViewWidget.h"
#include "app/import/ImportWizard.h"
#include "document/DrawText.h"
#include "document/StringIds.h"
#include "engine/CalligraphyFont.h"
#include "input/KeyboardLayoutModule.h"
#include "platform/ErrorReport.h"
#include "tests/document/DocumentFixture.h"
#include "tests/support/FileBytes.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "tests/support/TextOf.h"

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
        ASSERT_EQ(list->count(), 3);  // UTF-8, then the filters sorted by file name
        EXPECT_EQ(list->currentRow(), 1) << "not UTF-8: the first filter is chosen";
        list->setCurrentRow(2);  // Windows-1256
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

// The bytes of UTF-8 text in another encoding, made by the C library.
std::vector<std::uint8_t> Encode(std::string_view utf8, const char* encoding) {
    iconv_t converter = iconv_open(encoding, "UTF-8");
    EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << encoding;
    std::string in(utf8);
    std::vector<std::uint8_t> out(in.size() * 4 + 8);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1)) << encoding;
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

// The text typed or inserted into a text object: every object starts as one
// space with the caret before it, so that space closes the text.
std::u16string TextOf(const CDrawText& text) {
    std::u16string s = test::TextOf(text);
    EXPECT_TRUE(s.ends_with(u' '));
    if (s.ends_with(u' '))
        s.pop_back();
    return s;
}

TEST_F(ImportWizardTest, EveryKindOfFileReachesTheDocumentThroughTheKeyboardTranslation) {
    // Arabic kaf and yeh (folded to the Persian forms), a Latin key (through
    // the layout), ASCII digits, two lines.
    const std::string source = "سلام كتاب پ q\r\nيک 12";
    const QString sourceText = QString::fromUtf8(source);
    const std::vector<std::uint8_t> utf8Mark = {0xEF, 0xBB, 0xBF}, le = {0xFF, 0xFE}, be = {0xFE, 0xFF};
    const auto marked = [&](std::vector<std::uint8_t> mark, const char* encoding) {
        const std::vector<std::uint8_t> body = Encode(source, encoding);
        mark.insert(mark.end(), body.begin(), body.end());
        return mark;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int filter;  // the row on the code-page page (UTF-8, then the filters); -1 for a marked file
    };
    const Case cases[] = {
        {"utf8", marked(utf8Mark, "UTF-8"), -1},
        {"utf16le", marked(le, "UTF-16LE"), -1},
        {"utf16be", marked(be, "UTF-16BE"), -1},
        {"utf8 without a mark", Encode(source, "UTF-8"), 0},
        {"isiri3342", Encode(source, "ISIRI-3342"), 1},
        {"cp1256", Encode(source, "WINDOWS-1256"), 2},
    };

    CKeyboardLayoutModule keyboard;
    keyboard.SetFolders(KAVITRO_SHARE_DIR);
    ASSERT_EQ(keyboard.LoadLayouts(), CKeyboardLayoutModule::kLoaded);
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized())
        fonts.Init(KAVITRO_SHARE_DIR, 0);
    CDrawTool::CurrentShape() = 0;
    // What each line should become: every unit through the layout, refused ones dropped.
    std::vector<std::u16string> expected;
    for (const QString& line : sourceText.split(QStringLiteral("\r\n"))) {
        std::u16string translated;
        for (const QChar c : line)
            if (const std::uint16_t code = keyboard.TranslateChar(c.unicode()); code < CharacterTranslator::kRefused)
                translated += static_cast<char16_t>(code);
        expected.push_back(translated);
    }
    ASSERT_EQ(expected[0].back(), keyboard.TranslateChar('q'));

    for (const Case& c : cases) {
        test::TestServices env;
        env.services.translator = &keyboard;
        std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
        CPageViewWidget widget(*doc);
        widget.resize(640, 480);
        widget.show();
        QApplication::processEvents();
        widget.GetView().ClearSelection();

        CImportWizard wizard(&errors, filters);
        wizard.show();
        wizard.SetSourcePath(Write((std::string("into_doc_") + std::to_string(&c - cases) + ".txt").c_str(), c.bytes));
        wizard.next();
        if (c.filter >= 0) {
            ASSERT_EQ(wizard.currentId(), CImportWizard::kCodePagePage) << c.name;
            auto* list = wizard.findChild<QListWidget*>(QStringLiteral("filters"));
            if (c.filter == 0) {
                EXPECT_EQ(list->currentRow(), 0) << "UTF-8 is chosen for UTF-8 bytes";
            }
            list->setCurrentRow(c.filter);
            wizard.next();
        }
        ASSERT_EQ(wizard.currentId(), CImportWizard::kOutputPage) << c.name;
        EXPECT_EQ(QString::fromStdU16String(wizard.ConvertSource()), sourceText) << c.name;
        ASSERT_TRUE(DeliverImport(wizard, nullptr, &widget.GetView())) << c.name;

        // The new document's own text holds only its starting space. (Its
        // address says nothing: once the import purges it, a line's object
        // may be made at the same place.)
        std::vector<std::u16string> texts;
        for (CDrawObj* object : doc->m_objects.m_objects)
            if (auto* text = dynamic_cast<CDrawText*>(object))
                if (std::u16string typed = TextOf(*text); !typed.empty())
                    texts.push_back(std::move(typed));
        EXPECT_EQ(texts, expected) << c.name;
        EXPECT_TRUE(env.errors.Reports().empty()) << c.name;
    }
    EXPECT_TRUE(errors.Reports().empty());
}

// After the wizard has put the text into the document, the keys go to the
// page view again (Ctrl+Z undoes the import without a click on the page).
TEST_F(ImportWizardTest, ThePageViewHasTheKeyboardAgainAfterTheImport) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized())
        fonts.Init(KAVITRO_SHARE_DIR, 0);
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    CPageViewWidget widget(*doc);
    widget.resize(640, 480);
    widget.show();
    widget.activateWindow();
    widget.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(widget.hasFocus());

    const QString source = Write("focus.txt", {0xFF, 0xFE, 0x33, 0x06, 0x0A, 0x00, 0x33, 0x06});
    QTimer::singleShot(0, [&] {
        auto* wizard = qobject_cast<CImportWizard*>(QApplication::activeModalWidget());
        ASSERT_NE(wizard, nullptr);
        wizard->SetSourcePath(source);
        wizard->next();
        wizard->accept();
    });
    ASSERT_TRUE(RunImportWizard(&widget, &widget.GetView()));
    QApplication::processEvents();
    EXPECT_TRUE(widget.hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), &widget);
}

}  // namespace
}  // namespace kavitro
