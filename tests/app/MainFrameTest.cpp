// The whole shell offscreen: start-up with the build's data, documents in
// tabs, the command line, saving, the modified prompt and a language switch.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "app/ChildFrame.h"
#include "app/FrameCommands.h"
#include "app/KavitroApp.h"
#include "app/MainFrame.h"
#include "app/Ribbon.h"
#include "document/Kavitro1XDoc.h"
#include "document/KavitroDoc.h"
#include "document/StringIds.h"
#include "platform/AtomicFile.h"
#include "tests/support/Version1File.h"
#include "view/CommandIds.h"

namespace {

using kavitro::CChildFrame;
using kavitro::CKavitroApp;
using kavitro::DialogResult;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        // A profile of the test's own: the language asked for, no update check.
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toLocal8Bit());
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        m_qt = std::make_unique<QApplication>(argc, argv);
        QApplication::setOrganizationName(QStringLiteral("Kavitro Applications"));
        QApplication::setApplicationName(QStringLiteral("KavitroTest"));
        m_properties.m_languageModule = u"English.dll";
        m_properties[kavitro::CApplicationProperties::CheckForUpdates] = 0;
    }

    CKavitroApp& Start(QStringList documents = {}) {
        kavitro::AppOptions options;
        options.documents = std::move(documents);
        options.showSplash = false;
        options.programFolder = QStringLiteral(KAVITRO_SHARE_DIR);
        options.report = &m_report;
        m_app = std::make_unique<CKavitroApp>(m_properties, options);
        EXPECT_TRUE(m_app->Start());
        QApplication::processEvents();
        return *m_app;
    }

    // A saved empty document.
    QString MakeDocument(const QString& name) {
        kavitro::CKavitroDoc document;
        document.OnNewDocument();
        const QString path = m_home.filePath(name);
        EXPECT_TRUE(document.OnSaveDocument(path));
        return path;
    }

    void TearDown() override {
        m_app.reset();
        m_qt.reset();
    }

    QTemporaryDir m_home;
    std::unique_ptr<QApplication> m_qt;
    kavitro::CApplicationProperties m_properties;
    kavitro::RecordingErrorReport m_report;
    std::unique_ptr<CKavitroApp> m_app;
};

TEST_F(MainFrameTest, StartsWithANewDocumentReadyToType) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame* frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->Children().size(), 1u);
    // The document's name before the program's (a '*' once it is changed).
    EXPECT_TRUE(frame->windowTitle().startsWith(QStringLiteral("Untitled1")));
    EXPECT_TRUE(frame->windowTitle().endsWith(QStringLiteral(" - Kavitro")));
    EXPECT_EQ(frame->PageList()->count(), 1);
    EXPECT_TRUE(m_report.Reports().empty());
    // The keyboard layouts are loaded and given to the documents.
    EXPECT_EQ(frame->Children()[0]->Document().GetServices().translator, &app.Keyboard());
    EXPECT_EQ(frame->Ribbon()->tabText(0), QStringLiteral("File"));
    EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight);
}

TEST_F(MainFrameTest, OpensEachDocumentOfTheCommandLineAndReportsABadOneOnce) {
    const QString first = MakeDocument(QStringLiteral("first.kv2"));
    const QString second = MakeDocument(QStringLiteral("second.kv2"));
    const QString broken = m_home.filePath(QStringLiteral("broken.kv2"));
    ASSERT_TRUE(kavitro::WriteFileAtomically(broken.toStdString(), std::vector<std::uint8_t>{1, 2, 3}));
    CKavitroApp& app = Start({first, broken, second, first});
    const auto children = app.MainFrame()->Children();
    ASSERT_EQ(children.size(), 2u);  // the same file twice is one window
    EXPECT_EQ(children[0]->DisplayName(), QStringLiteral("first.kv2"));
    EXPECT_EQ(children[1]->DisplayName(), QStringLiteral("second.kv2"));
    EXPECT_EQ(m_report.Reports().size(), 1u);
}

TEST_F(MainFrameTest, OpensAnOldDocumentToBeSavedInTheCurrentFormat) {
    // Saved beside the old file; when that name is taken, wherever the user says.
    const QString fresh = m_home.filePath(QStringLiteral("fresh.kvl"));
    const QString taken = m_home.filePath(QStringLiteral("taken.kvl"));
    kavitro::test::Version1File file;
    file.pages.resize(1);
    for (const QString& path : {fresh, taken})
        ASSERT_TRUE(kavitro::WriteFileAtomically(path.toStdString(), kavitro::test::WriteVersion1File(file)));
    MakeDocument(QStringLiteral("taken.kv2"));
    CKavitroApp& app = Start({fresh, taken});
    const auto children = app.MainFrame()->Children();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_NE(dynamic_cast<kavitro::CKavitro1XDoc*>(&children[0]->Document()), nullptr);
    EXPECT_EQ(children[0]->Document().GetPathName(), m_home.filePath(QStringLiteral("fresh.kv2")));
    EXPECT_TRUE(children[1]->Document().GetPathName().isEmpty());
    EXPECT_TRUE(m_report.Reports().empty());
}

TEST_F(MainFrameTest, SavesAndAsksBeforeClosingAModifiedDocument) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& child = *frame.Children()[0];
    const QString path = m_home.filePath(QStringLiteral("saved.kv2"));
    child.Document().SetPathName(path);
    child.Document().SetModifiedFlag(true);
    ASSERT_TRUE(frame.SaveDocument(child, false));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(child.Document().IsModified());
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("saved.kv2 - Kavitro"));

    child.Document().SetModifiedFlag(true);
    m_report.QueueAnswer(DialogResult::Cancel);
    EXPECT_FALSE(frame.close());
    EXPECT_EQ(frame.Children().size(), 1u);
    ASSERT_EQ(m_report.Reports().size(), 1u);
    EXPECT_EQ(m_report.Reports()[0].text, u"Save changes to saved.kv2?");

    m_report.QueueAnswer(DialogResult::No);
    frame.Action(kavitro::FrameCommand::FileClose)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(frame.Children().empty());
}

TEST_F(MainFrameTest, LanguageSwitchRebuildsTextsAndDirection) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    QAction* save = frame.Action(kavitro::FrameCommand::FileSave);
    EXPECT_EQ(save->text(), QStringLiteral("&Save"));
    // The question is answered with its first button, Yes.
    frame.Action(kavitro::FrameCommand::SwitchLanguage)->trigger();
    EXPECT_EQ(QApplication::layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(save->text(), app.Pack().Text(kavitro::FrameCommand::FileSave));
    EXPECT_NE(save->text(), QStringLiteral("&Save"));
    EXPECT_EQ(m_properties.m_languageModule, u"Farsi.DLL");
    ASSERT_FALSE(m_report.Reports().empty());
    EXPECT_EQ(m_report.Reports().back().stringId, kavitro::StringId::SwitchLanguage);
}

TEST_F(MainFrameTest, ZoomAndSelectionMessagesReachTheRibbon) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    frame.OnMessage({frame.Id(), kavitro::NotifyMessage::ZoomChanged, 250, 0, {}});
    EXPECT_EQ(frame.Ribbon()->ComboText(kavitro::ViewCommand::ZoomCombo), QStringLiteral("250"));
    // All ones: nothing to show.
    frame.OnMessage({frame.Id(), kavitro::NotifyMessage::ZoomChanged, ~kavitro::WParam{0}, 0, {}});
    EXPECT_EQ(frame.Ribbon()->ComboText(kavitro::ViewCommand::ZoomCombo), QStringLiteral("250"));
    // The new document's text object is selected: its size shows.
    QApplication::processEvents();
    frame.OnMessage({frame.Id(), kavitro::NotifyMessage::SelectionChanged, 0, 0, {}});
    EXPECT_EQ(frame.Ribbon()->ComboText(kavitro::ViewCommand::TextSizeCombo), QStringLiteral("25"));
    EXPECT_EQ(frame.Ribbon()->ComboText(kavitro::ViewCommand::TextAngleCombo), QStringLiteral("0"));
}

TEST_F(MainFrameTest, RestoresItsPlacementAndStoresItAtClose) {
    {
        QSettings settings;
        settings.setValue(QStringLiteral("InitialFrame/x"), 20);
        settings.setValue(QStringLiteral("InitialFrame/y"), 30);
        settings.setValue(QStringLiteral("InitialFrame/cx"), 640);
        settings.setValue(QStringLiteral("InitialFrame/cy"), 480);
    }
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    EXPECT_EQ(frame.frameGeometry(), QRect(20, 30, 640, 480));
    frame.setGeometry(QRect(40, 50, 700, 500));
    frame.Children()[0]->Document().SetModifiedFlag(false);
    ASSERT_TRUE(frame.close());
    QSettings settings;
    EXPECT_EQ(settings.value(QStringLiteral("InitialFrame/cx")).toInt(), frame.frameGeometry().width());
    EXPECT_EQ(settings.value(QStringLiteral("InitialFrame/x")).toInt(), frame.frameGeometry().x());
}

}  // namespace
