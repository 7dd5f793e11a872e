// The on-screen keyboard's window on the offscreen platform: clicking a
// palette cell and keys edits the layout that Save writes, closing without
// Save keeps the stored layout, Default brings the installed one back, and
// failures of both are reported. Runs over the installed layout and button
// map the build makes.

#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <string>

#include "DialogTestSupport.h"
#include "app/keyboard/KeyboardDialog.h"
#include "document/StringIds.h"
#include "input/KeyboardLayoutModule.h"
#include "platform/ErrorReport.h"
#include "tests/support/FileBytes.h"

namespace kavitro {
namespace {

namespace fs = std::filesystem;
using Module = CKeyboardLayoutModule;

constexpr int kQKey = 1040;       // the key that types 'q', 'Q' with shift
constexpr int kFirstCell = 1101;  // the palette's first cell: U+0622 at the start
constexpr int kLastCell = 1115;

void Click(QWidget& widget) {
    const QPointF centre = QRectF(widget.rect()).center();
    const QPointF global = widget.mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

class KeyboardDialogTest : public test::DialogTest {
protected:
    void SetUp() override {
        test::DialogTest::SetUp();
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_root = fs::path(::testing::TempDir()) / ("kavitro-keyboard-dialog-" + std::string(info->name()));
        fs::remove_all(m_root);
        m_program = m_root / "program";
        m_user = m_root / "user";
        fs::create_directories(m_program);
        fs::create_directories(m_user);
        for (std::string_view name : {Module::kDefaultFileName, KeyboardUIModel::kMapFileName})
            fs::copy_file(fs::path(KAVITRO_SHARE_DIR) / name, m_program / name);
        m_module.SetFolders(m_program, m_user);
        ASSERT_EQ(m_module.LoadLayouts(), Module::kUserMissing);  // no user layout yet
        m_default = *Module::ParseLayout(test::ReadFile(m_program / Module::kDefaultFileName), Module::kDefaultTag);
        ASSERT_NE(m_default['q'], 0x0622);
    }
    void TearDown() override {
        fs::remove_all(m_root);
        test::DialogTest::TearDown();
    }
    QAbstractButton& Button(CKeybaordUIDialog& dialog, int id) {
        QAbstractButton* button = dialog.Button(id);
        EXPECT_NE(button, nullptr) << id;
        return *button;
    }
    QPushButton& Command(CKeybaordUIDialog& dialog, const char* name) {
        return *dialog.findChild<QPushButton*>(QLatin1String(name));
    }

    fs::path m_root;
    fs::path m_program;
    fs::path m_user;
    Module m_module;
    Module::KeyTable m_default{};
    RecordingErrorReport m_errors;
};

TEST_F(KeyboardDialogTest, ClickedPaletteCellAndKeysGoIntoTheSavedLayout) {
    for (const char* language : {"English", "Farsi"}) {
        SetDialogLanguage(&test::BuiltPack(QString::fromLatin1(language)));
        fs::remove(m_user / Module::kUserFileName);
        ASSERT_EQ(m_module.LoadLayouts(), Module::kUserMissing);
        CKeybaordUIDialog dialog(m_module, m_program, &m_errors);
        dialog.show();
        QApplication::processEvents();
        test::SaveScreenshot(dialog, QStringLiteral("keyboard-") + QLatin1String(language));
        dialog.show();

        // The keys keep the keyboard's order in both directions; the palette
        // reads right to left, its first cell at the right end.
        const bool farsi = QLatin1String(language) == QLatin1String("Farsi");
        EXPECT_EQ(dialog.layoutDirection(), farsi ? Qt::RightToLeft : Qt::LeftToRight);
        EXPECT_LT(Button(dialog, 1026).x(), Button(dialog, 1038).x());
        EXPECT_GT(Button(dialog, kFirstCell).x(), Button(dialog, kLastCell).x());

        // Hovering shows the key's character large.
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&Button(dialog, kQKey), &enter);
        EXPECT_EQ(dialog.InformationText(), QString(QChar(m_default['q'])));

        Click(Button(dialog, kFirstCell));
        EXPECT_EQ(dialog.Model().GetPendingCharacter(), 0x0622);
        Click(Button(dialog, kQKey));
        Click(Button(dialog, CKeybaordUIDialog::kRightShift));
        EXPECT_TRUE(dialog.Model().IsShifted());
        Click(Button(dialog, kQKey));  // now 'Q'
        QApplication::sendEvent(&Button(dialog, kQKey), &enter);
        EXPECT_EQ(dialog.InformationText(), QString(QChar(0x0622)));
        Click(Command(dialog, "save"));
        dialog.reject();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);  // every way out is accepted

        ASSERT_EQ(m_module.LoadLayouts(), Module::kLoaded) << language;
        EXPECT_EQ(m_module.TranslateChar('q'), 0x0622);
        EXPECT_EQ(m_module.TranslateChar('Q'), 0x0622);
        EXPECT_EQ(m_module.TranslateChar('w'), m_default['w']);
        EXPECT_TRUE(m_errors.Reports().empty());
    }
}

TEST_F(KeyboardDialogTest, ClosingWithoutSaveKeepsTheStoredLayoutAndDefaultBringsBackTheInstalledOne) {
    // As the keyboard command runs it: edit, close with the close box; the
    // layouts are read again, and the still missing user layout is reported.
    QTimer::singleShot(0, [this] {
        auto* dialog = qobject_cast<CKeybaordUIDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        Click(Button(*dialog, kFirstCell));
        Click(Button(*dialog, kQKey));
        EXPECT_EQ(dialog->Model().GetWorkingTable()['q'], 0x0622);
        dialog->close();
    });
    RunKeyboardDialog(nullptr, m_module, m_program, &m_errors);
    EXPECT_FALSE(fs::exists(m_user / Module::kUserFileName));
    EXPECT_EQ(m_module.TranslateChar('q'), m_default['q']);
    ASSERT_EQ(m_errors.Reports().size(), 1u);
    EXPECT_EQ(m_errors.Reports()[0].stringId, StringId::UserKeyboardMissing);
    m_errors.Clear();

    CKeybaordUIDialog dialog(m_module, m_program, &m_errors);
    Click(Button(dialog, kFirstCell));
    Click(Button(dialog, kQKey));
    Click(Command(dialog, "save"));
    Click(Command(dialog, "default"));
    EXPECT_EQ(dialog.Model().GetWorkingTable(), m_default);
    EXPECT_EQ(test::ReadFile(m_user / Module::kUserFileName), Module::SerializeLayout(Module::kUserTag, m_default));
    EXPECT_EQ(m_module.TranslateChar('q'), m_default['q']);
    EXPECT_TRUE(m_errors.Reports().empty());
}

TEST_F(KeyboardDialogTest, FailedSaveAndDefaultAreReportedAndChangeNothing) {
    CKeybaordUIDialog dialog(m_module, m_program, &m_errors);
    Click(Button(dialog, kFirstCell));
    Click(Button(dialog, kQKey));
    const Module::KeyTable edited = dialog.Model().GetWorkingTable();

    fs::remove_all(m_user);
    test::WriteFile(m_user, {1});  // the user folder is a file: nothing can be written there
    fs::remove(m_program / Module::kDefaultFileName);
    Click(Command(dialog, "save"));
    Click(Command(dialog, "default"));
    ASSERT_EQ(m_errors.Reports().size(), 2u);
    EXPECT_EQ(m_errors.Reports()[0].stringId, StringId::KeyboardSaveFailed);
    // The save names the file and why it could not be written.
    EXPECT_EQ(m_errors.Reports()[0].file, (m_user / Module::kUserFileName).u16string());
    EXPECT_EQ(m_errors.Reports()[0].reasonId, StringId::ReasonFolderMissing);
    EXPECT_EQ(m_errors.Reports()[1].stringId, StringId::KeyboardDefaultFailed);
    EXPECT_EQ(dialog.Model().GetWorkingTable(), edited);
    EXPECT_EQ(m_module.TranslateChar('q'), m_default['q']);
}

}  // namespace
}  // namespace kavitro
