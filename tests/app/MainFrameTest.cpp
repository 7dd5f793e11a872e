// The whole shell offscreen: start-up with the build's data, documents in
// tabs, the command line, saving, the modified prompt and a language switch.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPrinter>
#include <QPrinterInfo>
#include <QMimeData>
#include <QUrl>
#include <QMenu>
#include <QMouseEvent>
#include <QContextMenuEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/AlternativesMenu.h"
#include "app/ChildFrame.h"
#include "app/dialogs/ObjectPropertyPages.h"
#include "app/dialogs/PersianFileDialog.h"
#include "app/FrameCommands.h"
#include "app/GalleryPictures.h"
#include "app/KavitroApp.h"
#include "app/LockKeyIndicators.h"
#include "app/ApplicationLook.h"
#include "app/MainFrame.h"
#include "app/PageListModel.h"
#include "app/PageViewWidget.h"
#include "app/Ribbon.h"
#include "app/RulerWidget.h"
#include "app/RecentFileList.h"
#include "app/WindowsDialog.h"
#include "document/DrawText.h"
#include "document/Kavitro1XDoc.h"
#include "document/KavitroDoc.h"
#include "document/StringIds.h"
#include "engine/CalligraphyEngine.h"
#include "platform/AtomicFile.h"
#include "tests/support/Version1File.h"
#include "view/AlternativesPopup.h"
#include "view/CommandIds.h"
#include "view/KavitroView.h"
#include "view/ViewCommands.h"
#include "view/tools/VowelsTool.h"
#include "engine/CalligraphyFont.h"
#include "engine/Letters.h"

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
        options.printDocuments = m_print;
        options.makePrinter = m_printer;
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
    bool m_print = false;
    kavitro::PrinterFactory m_printer;
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

// What a label shows of its text: "&&" is one '&', a lone '&' marks the
// shortcut letter and is not shown.
QString ShownLabel(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && ++i == text.size())
            break;
        shown += text[i];
    }
    return shown;
}

TEST_F(MainFrameTest, CtrlShiftSSavesAsAndTheTabShowsAnAmpersandAsTyped) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& child = *frame.Children()[0];
    child.Document().SetPathName(m_home.filePath(QStringLiteral("R&D.kv2")));
    ASSERT_TRUE(frame.SaveDocument(child, false));
    auto* tabs = frame.findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(ShownLabel(tabs->tabText(0)), QStringLiteral("R&D.kv2"));

    // The key, not only the ribbon, reaches Save As: it asks for a new name.
    const QString renamed = m_home.filePath(QStringLiteral("Q&A.kv2"));
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<kavitro::CPersianFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        asked = true;
        dialog->selectFile(renamed);
        dialog->accept();
    });
    frame.activateWindow();
    QApplication::setActiveWindow(&frame);
    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(QFile::exists(renamed));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Q&A.kv2 - Kavitro"));
    EXPECT_EQ(ShownLabel(tabs->tabText(0)), QStringLiteral("Q&A.kv2"));
}

// The page list shows a number per page without storing an item per page,
// and follows pages added at the end and a document of fewer pages.
TEST_F(MainFrameTest, ThePageListNumbersEveryPageWithoutStoringThem) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& child = *frame.Children()[0];
    QComboBox* list = frame.PageList();
    ASSERT_NE(dynamic_cast<kavitro::PageListModel*>(list->model()), nullptr);
    for (int i = 0; i < 4; ++i) child.Document().AddPage(0);
    emit child.pageChanged(&child);
    ASSERT_EQ(list->count(), 5);
    EXPECT_EQ(list->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(list->itemText(4), QStringLiteral("5"));
    EXPECT_EQ(list->itemData(4).toInt(), 4);
    list->setCurrentIndex(4);
    ASSERT_TRUE(child.Document().UndoRedo(true, nullptr));  // the last page added goes
    emit child.pageChanged(&child);
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(3), QStringLiteral("4"));
    EXPECT_LT(list->currentIndex(), list->count());
}

// A Persian name keeps its order beside " - Kavitro": it is set apart as a
// unit of its own direction in the window title and the tab.
TEST_F(MainFrameTest, APersianFileNameIsSetApartInTheTitleAndTab) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& child = *frame.Children()[0];
    const QString name = QStringLiteral("نامه ۲.kv2");
    child.Document().SetPathName(m_home.filePath(name));
    ASSERT_TRUE(frame.SaveDocument(child, false));
    const QString isolated = u'\u2068' + name + u'\u2069';
    EXPECT_EQ(frame.windowTitle(), isolated + QStringLiteral(" - Kavitro"));
    auto* tabs = frame.findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(ShownLabel(tabs->tabText(0)), isolated);
}

TEST_F(MainFrameTest, LanguageSwitchRebuildsTextsAndDirection) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    QAction* save = frame.Action(kavitro::FrameCommand::FileSave);
    EXPECT_EQ(save->text(), QStringLiteral("&Save"));
    frame.InformationPane()->setText(QStringLiteral("X: 12.00 mm"));  // the pointer's last place
    // The question is answered with its first button, Yes.
    frame.Action(kavitro::FrameCommand::SwitchLanguage)->trigger();
    // Nothing in the status bar stays in the old language.
    EXPECT_EQ(frame.InformationPane()->text(), QString());
    EXPECT_EQ(QApplication::layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(save->text(), app.Pack().Text(kavitro::FrameCommand::FileSave));
    EXPECT_NE(save->text(), QStringLiteral("&Save"));
    EXPECT_EQ(m_properties.m_languageModule, u"Farsi.DLL");
    // Qt's own dialogs follow.
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
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

TEST_F(MainFrameTest, ActivatedDocumentShowsItsSelectionStateBeforeAnyClick) {
    // Opened from the command line: nothing is selected, so the boxes show
    // the defaults at once, not only after the first click on the page.
    m_properties[kavitro::CApplicationProperties::DefaultTextSize] = 32;
    CKavitroApp& app = Start({MakeDocument(QStringLiteral("opened.kv2"))});
    const kavitro::CRibbon& ribbon = *app.MainFrame()->Ribbon();
    EXPECT_EQ(ribbon.ComboText(kavitro::ViewCommand::TextSizeCombo), QStringLiteral("32"));
    EXPECT_EQ(ribbon.ComboText(kavitro::ViewCommand::TextAngleCombo), QStringLiteral("0"));
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

TEST_F(MainFrameTest, PrintSwitchPrintsEachDocumentWithoutAWindow) {
    const QString first = MakeDocument(QStringLiteral("first.kv2"));
    const QString second = MakeDocument(QStringLiteral("second.kv2"));
    const QString broken = m_home.filePath(QStringLiteral("broken.kv2"));
    ASSERT_TRUE(kavitro::WriteFileAtomically(broken.toStdString(), std::vector<std::uint8_t>{1, 2, 3}));
    QStringList printed;
    m_print = true;
    m_printer = [&] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printed.push_back(m_home.filePath(QStringLiteral("printed-%1.pdf").arg(printed.size())));
        printer->setOutputFileName(printed.back());
        return printer;
    };
    CKavitroApp& app = Start({first, broken, second});
    EXPECT_FALSE(app.MainFrame()->isVisible());
    // The broken one is told once; the others print, and no window stays.
    EXPECT_FALSE(app.PrintDocuments());
    EXPECT_EQ(m_report.Reports().size(), 1u);
    EXPECT_TRUE(app.MainFrame()->Children().empty());
    int pdfs = 0;
    for (const QString& path : printed) {
        QFile pdf(path);
        if (pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-")
            ++pdfs;
    }
    EXPECT_EQ(pdfs, 2);
}

TEST_F(MainFrameTest, PrintSwitchWithoutAPrinterTellsOnceAndReturns) {
    m_print = true;
    m_printer = [] { return std::unique_ptr<QPrinter>(); };
    CKavitroApp& app = Start({MakeDocument(QStringLiteral("a.kv2")), MakeDocument(QStringLiteral("b.kv2"))});
    EXPECT_FALSE(app.PrintDocuments());
    ASSERT_EQ(m_report.Reports().size(), 1u);
    EXPECT_EQ(m_report.Reports()[0].stringId, kavitro::StringId::NoPrinter);
    EXPECT_TRUE(app.MainFrame()->Children().empty());
}

TEST_F(MainFrameTest, SplitPanesHaveTheirOwnSelectionAndFollowPageChanges) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& child = *frame.Children()[0];
    child.Document().AddPage(kavitro::kNoTarget);
    // The split box of the first pane's vertical scroll bar: two rows.
    auto* rowBox = child.findChild<QToolButton*>(QStringLiteral("RowSplitBox"));
    ASSERT_NE(rowBox, nullptr);
    rowBox->click();
    EXPECT_EQ(child.Panes().size(), 2u);
    child.SetSplit(2, 2);
    const std::vector<CPageViewWidget*> panes = child.Panes();
    ASSERT_EQ(panes.size(), 4u);
    EXPECT_FALSE(panes[0]->GetView().GetSelection().GetObjects().empty());  // the first text
    EXPECT_TRUE(panes[3]->GetView().GetSelection().GetObjects().empty());

    // The last pane takes the focus: the frame's commands go to its view.
    emit panes[3]->activated(panes[3]);
    EXPECT_EQ(frame.ActiveView(), &panes[3]->GetView());

    // A page change reaches every pane and empties each selection.
    child.OnMessage({child.Id(), kavitro::NotifyMessage::ShowPage, 1, 2, {}});
    for (CPageViewWidget* pane : panes) {
        EXPECT_EQ(pane->GetView().GetCurrentPage(), 1u);
        EXPECT_TRUE(pane->GetView().GetSelection().GetObjects().empty());
    }
    EXPECT_EQ(frame.PageList()->currentIndex(), 1);

    // Joined again: the first pane is left, and it is the active one.
    child.SetSplit(1, 1);
    ASSERT_EQ(child.Panes().size(), 1u);
    EXPECT_EQ(frame.ActiveView(), &child.Panes()[0]->GetView());
}

TEST_F(MainFrameTest, LockKeyPanesShowTheirTextWhileTheKeyIsOn) {
    CKavitroApp& app = Start();
    // The frame's own panes, blank where the keyboard cannot be read.
    EXPECT_NE(app.MainFrame()->findChild<QLabel*>(QStringLiteral("ID_INDICATOR_CAPS")), nullptr);
    std::optional<kavitro::LockKeyState> keys;
    QStatusBar bar;
    kavitro::CLockKeyIndicators panes(bar, [&] { return keys; });
    panes.Retranslate(app.Pack());
    const struct {
        std::optional<kavitro::LockKeyState> keys;
        const char* caps;
        const char* num;
    } cases[] = {
        {std::nullopt, "", ""},
        {kavitro::LockKeyState{true, false}, "CAPS", ""},
        {kavitro::LockKeyState{false, true}, "", "NUM"},
        {kavitro::LockKeyState{true, true}, "CAPS", "NUM"},
    };
    for (const auto& c : cases) {
        keys = c.keys;
        panes.Refresh();
        EXPECT_EQ(panes.CapsPane()->text(), QString::fromLatin1(c.caps));
        EXPECT_EQ(panes.NumPane()->text(), QString::fromLatin1(c.num));
    }
}

TEST_F(MainFrameTest, PagePropertiesGiveTheEngineItsWritingModeOnlyOnOk) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    kavitro::CCalligraphyEngine& engine = kavitro::CCalligraphyEngine::GetInstance();
    const std::int32_t before = engine.GetMode();
    const QString label = QString(app.Pack().Text(kavitro::StringId::ZurazOrovaWriting)).remove(QLatin1Char('&'));
    // The sheet's writing-mode box is ticked, then the sheet ends with OK or Cancel.
    const auto answer = [&](bool ok) {
        QTimer::singleShot(0, [&, ok] {
            auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!sheet)
                return;
            for (QCheckBox* box : sheet->findChildren<QCheckBox*>()) {
                if (box->text().remove(QLatin1Char('&')) != label)
                    continue;
                // Its page is filled when it is first shown.
                if (auto* tabs = sheet->findChild<QTabWidget*>())
                    for (int i = 0; i < tabs->count() && !box->isVisibleTo(sheet); ++i)
                        tabs->setCurrentIndex(i);
                box->setChecked(before == 0);
            }
            auto* buttons = sheet->findChild<QDialogButtonBox*>();
            QPushButton* button =
                buttons ? buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel) : nullptr;
            if (button)
                button->click();
            else
                sheet->reject();
        });
        frame.Action(kavitro::FrameCommand::PageProperties)->trigger();
    };
    answer(false);
    EXPECT_EQ(engine.GetMode(), before);
    answer(true);
    EXPECT_EQ(engine.GetMode(), before == 0 ? 1 : 0);
    engine.SetMode(before);
}

TEST_F(MainFrameTest, ARibbonBoxAppliesWhatIsTypedAsOneStep) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    kavitro::CKavitroDoc& doc = frame.Children()[0]->Document();
    frame.UpdateCommands();
    CPageViewWidget* page = frame.Children()[0]->Panes()[0];
    const auto type = [&](std::uint32_t box, const QString& text) {
        QComboBox* combo = frame.Ribbon()->Combo(box);
        combo->setFocus();
        combo->lineEdit()->setText(text);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(combo->lineEdit(), &press);
        for (int turn = 0; turn < 3; ++turn)  // the command, then what it posts
            QApplication::processEvents();
        // The keyboard is the page's again: Ctrl+Z and typing reach the
        // document, not the box's own text.
        EXPECT_EQ(QApplication::focusWidget(), page) << text.toStdString();
    };
    // "10" is not completed to the listed "100".
    type(kavitro::ViewCommand::ZoomCombo, QStringLiteral("10"));
    EXPECT_EQ(doc.GetZoom(), 10);
    // A listed size typed and entered changes the selected text once.
    const std::size_t steps = doc.m_objects.m_undo.size();
    type(kavitro::ViewCommand::TextSizeCombo, QStringLiteral("40"));
    EXPECT_EQ(doc.m_objects.m_undo.size(), steps + 1);
    // Ctrl+Y is a redo key too.
    const auto* redo = frame.Action(kavitro::ViewCommand::EditRedo);
    ASSERT_NE(redo, nullptr);
    EXPECT_TRUE(redo->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
}

TEST_F(MainFrameTest, TheKeyboardGoesBackToThePageWhenTheLastModalDialogCloses) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CPageViewWidget* page = frame.Children()[0]->Panes()[0];
    QComboBox* zoom = frame.Ribbon()->Combo(kavitro::ViewCommand::ZoomCombo);
    zoom->setFocus();  // as after a ribbon box was used
    QApplication::processEvents();
    // A dialog that opens a second one (a file dialog asking before it
    // overwrites): the page waits until both are gone.
    QDialog outer(&frame);
    QWidget* focusAfterInner = nullptr;
    QTimer::singleShot(0, &outer, [&] {
        QDialog inner(&outer);
        QTimer::singleShot(0, &inner, &QDialog::accept);
        inner.exec();
        for (int turn = 0; turn < 3; ++turn) QApplication::processEvents();
        focusAfterInner = QApplication::focusWidget();
        outer.accept();
    });
    outer.exec();
    for (int turn = 0; turn < 3; ++turn) QApplication::processEvents();
    EXPECT_NE(focusAfterInner, page);
    EXPECT_EQ(QApplication::focusWidget(), page);
}

TEST_F(MainFrameTest, TheInformationPaneShowsThePointerAndADraggedGuideLine) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& child = *frame.Children()[0];
    CPageViewWidget* page = child.Panes()[0];
    CRulerWidget* top = nullptr;
    for (CRulerWidget* ruler : child.findChildren<CRulerWidget*>())
        if (ruler->GetOrientation() == kavitro::CRulerModel::Horizontal) top = ruler;
    ASSERT_NE(top, nullptr);
    const QPoint inside(150, 120);  // in the page view
    const auto send = [](QWidget* to, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, to->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
        QApplication::sendEvent(to, &e);
    };
    // The pane is refreshed at most every 100 ms: the pointer moves until it shows.
    const auto shows = [&](const QString& pattern, const std::function<void()>& move) {
        const QRegularExpression expected(pattern);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 3000) {
            move();
            QApplication::processEvents();
            if (expected.match(frame.InformationPane()->text()).hasMatch())
                return true;
            QThread::msleep(20);
        }
        ADD_FAILURE() << "the pane shows \"" << frame.InformationPane()->text().toStdString() << "\"";
        return false;
    };
    // Both coordinates over the page; the guide line's own one while dragged from the ruler.
    EXPECT_TRUE(shows(QStringLiteral("^ X: \\d+\\.\\d\\d mm   Y: \\d+\\.\\d\\d mm$"),
                      [&] { send(page->viewport(), QEvent::MouseMove, inside, Qt::NoButton); }));
    send(top, QEvent::MouseButtonPress, QPointF(40, 5), Qt::LeftButton);
    const QPointF overPage = top->mapFromGlobal(page->viewport()->mapToGlobal(inside));
    EXPECT_TRUE(shows(QStringLiteral("^ Y: \\d+\\.\\d\\d mm$"),
                      [&] { send(top, QEvent::MouseMove, overPage, Qt::LeftButton); }));
    send(top, QEvent::MouseButtonRelease, overPage, Qt::NoButton);
}

TEST_F(MainFrameTest, RightClickOnAnObjectShowsItsMenuForThatObject) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CPageViewWidget& pane = *frame.Children()[0]->Panes()[0];
    kavitro::CKavitroView& view = pane.GetView();
    kavitro::CDrawText* text = view.GetSelection().GetEditedText();
    ASSERT_NE(text, nullptr);
    for (const char16_t c : std::u16string_view(u"\u0628\u06CC\u0633\u062A"))
        view.OnChar(c);
    QApplication::processEvents();
    // A point of the page where the hit test finds the text, and one where it finds nothing.
    std::optional<QPoint> onText, onPaper;
    const QSize client = pane.viewport()->size();
    for (int y = 0; y < client.height() && !(onText && onPaper); y += 3) {
        for (int x = 0; x < client.width() && !(onText && onPaper); x += 3) {
            const kavitro::CDrawObj* hit =
                view.GetDocument().ObjectAt(view.ClientToDoc({x, y}), view.GetCurrentPage(), &view);
            if (hit == text && !onText)
                onText = QPoint(x, y);
            else if (!hit && !onPaper)
                onPaper = QPoint(x, y);
        }
    }
    ASSERT_TRUE(onText && onPaper);

    const struct {
        QPoint at;
        bool menu;
    } cases[] = {{*onPaper, false}, {*onText, true}};
    for (const auto& c : cases) {
        // Nothing selected before the click: the click selects what it hits.
        view.GetSelection().ClearComponent();
        view.GetSelection().RemoveAll();
        std::optional<QStringList> items;
        std::vector<bool> enabled;
        const std::size_t objects = view.GetDocument().m_objects.m_objects.size();
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            items.emplace();
            QAction* duplicate = nullptr;
            for (QAction* item : menu->actions()) {
                if (item->isSeparator())
                    continue;
                items->push_back(item->text());
                enabled.push_back(item->isEnabled());
                if (item->data().toUInt() == kavitro::ViewCommand::Duplicate)
                    duplicate = item;
            }
            // Choosing an item runs its command on the view that asked.
            if (!duplicate) {
                menu->close();
                return;
            }
            menu->setActiveAction(duplicate);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(menu, &press);
        });
        QMouseEvent right(QEvent::MouseButtonPress, QPointF(c.at), pane.viewport()->mapToGlobal(QPointF(c.at)),
                          Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(pane.viewport(), &right);
        QContextMenuEvent event(QContextMenuEvent::Mouse, c.at, pane.viewport()->mapToGlobal(c.at));
        QApplication::sendEvent(pane.viewport(), &event);
        QApplication::processEvents();
        ASSERT_EQ(items.has_value(), c.menu) << c.at.x() << "," << c.at.y();
        if (!c.menu) {
            EXPECT_TRUE(view.GetSelection().GetObjects().empty());
            continue;
        }
        ASSERT_EQ(view.GetSelection().GetObjects().size(), 1u);
        // The edit commands, the order, duplicate and properties, captioned
        // from the pack and enabled for the one selected text (paste depends
        // on the clipboard).
        const std::vector<std::uint32_t> expected = {
            kavitro::ViewCommand::EditCut,      kavitro::ViewCommand::EditCopy,
            kavitro::ViewCommand::EditPaste,    kavitro::ViewCommand::EditClear,
            kavitro::ViewCommand::BringToFront, kavitro::ViewCommand::SendToBack,
            kavitro::ViewCommand::BringForward, kavitro::ViewCommand::SendBackward,
            kavitro::ViewCommand::Duplicate,    kavitro::ViewCommand::ObjectProperties};
        ASSERT_EQ(items->size(), static_cast<qsizetype>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(items->at(static_cast<qsizetype>(i)), app.Pack().Text(expected[i]));
            if (expected[i] != kavitro::ViewCommand::EditPaste) {
                EXPECT_TRUE(enabled[i]) << expected[i];
            }
        }
        EXPECT_EQ(view.GetDocument().m_objects.m_objects.size(), objects + 1);
    }
}

TEST_F(MainFrameTest, GalleryItemsShowDistinctPicturesAndTheChosenOneShowsOnItsButton) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    kavitro::CRibbon& ribbon = *frame.Ribbon();
    const auto inked = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        return n;
    };
    const auto pictureOf = [](const QIcon& icon) {
        return icon.pixmap(QSize(kavitro::kGalleryPictureSide, kavitro::kGalleryPictureSide))
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    };
    const auto signOutline = [](std::size_t item) {
        const std::uint8_t sign = kavitro::CVowelsTool::SignCodeOf(kavitro::VowelShape(static_cast<std::int32_t>(item)));
        return kavitro::CCalligraphyFont::GetInstance().GetFontPath(kavitro::MakeGlyph(kavitro::kMarkFont, sign));
    };
    const struct {
        std::uint32_t gallery;
        std::size_t items;
    } galleries[] = {{kavitro::ViewCommand::VowelGallery, 20}, {kavitro::ViewCommand::TextModificationGallery, 3}};
    // Choosing a gallery tool must not make the ribbon, and the page under it, jump.
    const int ribbonHeight = ribbon.sizeHint().height();
    for (const auto& g : galleries) {
        const std::vector<QAction*> items = ribbon.GalleryItems(g.gallery);
        ASSERT_EQ(items.size(), g.items);
        std::vector<QImage> pictures;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const QImage picture = pictureOf(items[i]->icon());
            EXPECT_GT(inked(picture), 10) << g.gallery << " item " << i;
            // Two signs look alike only where the artwork draws them alike.
            for (std::size_t j = 0; j < pictures.size(); ++j) {
                if (g.gallery != kavitro::ViewCommand::VowelGallery || signOutline(i) != signOutline(j)) {
                    EXPECT_NE(picture, pictures[j]) << g.gallery << " items " << j << " and " << i;
                }
            }
            pictures.push_back(picture);
        }
        // The command takes the last item chosen; its button then shows that item.
        const std::size_t chosen = g.items - 1;
        frame.UpdateCommands();
        items[chosen]->trigger();
        QApplication::processEvents();
        EXPECT_EQ(pictureOf(frame.Action(g.gallery)->icon()), pictures[chosen]) << g.gallery;
        EXPECT_EQ(ribbon.sizeHint().height(), ribbonHeight) << g.gallery;
    }
    EXPECT_EQ(ribbon.GalleryItems(kavitro::ViewCommand::TextModificationGallery)[1]->text(),
              app.Pack().Text(kavitro::ViewCommand::GlyphSwap).remove(QLatin1Char('&')));
}

TEST_F(MainFrameTest, ALookCommandRestylesTheRunAndShowsChecked) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    const QPalette desktop = QApplication::palette();
    const QString desktopStyle = kavitro::ApplicationStyleName();
    auto* corner = qobject_cast<QToolButton*>(frame.Ribbon()->cornerWidget(Qt::TopRightCorner));
    ASSERT_NE(corner, nullptr);
    ASSERT_NE(corner->menu(), nullptr);
    EXPECT_EQ(corner->menu()->actions().size(), 12);  // 211 stands for 211 to 214
    frame.UpdateCommands();
    EXPECT_TRUE(frame.Action(kavitro::CApplicationLooks::kDefault)->isChecked());

    ASSERT_TRUE(frame.RunCommand(216));
    EXPECT_EQ(kavitro::ApplicationStyleName().toLower(), QStringLiteral("fusion"));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              kavitro::LookPalette(kavitro::LookColours::Black, QApplication::style()->standardPalette())
                  .color(QPalette::Window));
    for (std::uint32_t id = kavitro::CApplicationLooks::kFirst; id <= kavitro::CApplicationLooks::kLast; ++id)
        EXPECT_EQ(frame.Action(id)->isChecked(), id == 216) << id;

    // The default look gives the desktop's style and colours back.
    ASSERT_TRUE(frame.RunCommand(kavitro::CApplicationLooks::kDefault));
    EXPECT_EQ(kavitro::ApplicationStyleName(), desktopStyle);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), desktop.color(QPalette::Window));
    EXPECT_FALSE(frame.Action(216)->isChecked());
}

TEST_F(MainFrameTest, ADocumentDroppedOnAPageIsShownLikeAnOpenedOne) {
    const QString dropped = MakeDocument(QStringLiteral("dropped.kv2"));
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& first = *frame.Children()[0];
    first.Document().SetModifiedFlag(false);
    CPageViewWidget& page = *first.Panes()[0];
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    const QPoint at = page.viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page.viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page.viewport(), &drop);
    QApplication::processEvents();
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_EQ(frame.Children().size(), 2u);
    ASSERT_NE(frame.ActiveChild(), &first);
    EXPECT_TRUE(frame.ActiveChild()->Document().GetPathName().endsWith(QStringLiteral("dropped.kv2")));
    EXPECT_TRUE(frame.windowTitle().startsWith(QStringLiteral("dropped.kv2")));
    // Nothing went into the document it was dropped on.
    EXPECT_FALSE(first.Document().IsModified());
}

TEST_F(MainFrameTest, UndoOfAMoveToAnotherPageShowsThePageTheObjectIsBackOn) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    CChildFrame& child = *frame.Children()[0];
    kavitro::CKavitroDoc& doc = child.Document();
    kavitro::CKavitroView& view = child.Panes()[0]->GetView();
    doc.AddPage(kavitro::kNoTarget);
    ASSERT_FALSE(view.GetSelection().GetObjects().empty());  // the first text, on page 1
    kavitro::CDrawObj& text = *view.GetSelection().GetObjects().front();
    kavitro::GeneralValues values = kavitro::ReadGeneralValues(text, doc);
    values.page = 1;
    ASSERT_TRUE(kavitro::ApplyGeneralValues(text, doc, values));
    QApplication::processEvents();
    const struct {
        std::uint32_t command;
        std::uint32_t page;
    } steps[] = {{kavitro::ViewCommand::EditUndo, 0}, {kavitro::ViewCommand::EditRedo, 1},
                 {kavitro::ViewCommand::EditUndo, 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.command);
        frame.UpdateCommands();
        ASSERT_TRUE(frame.RunCommand(step.command));
        for (int turn = 0; turn < 3; ++turn)
            QApplication::processEvents();
        EXPECT_EQ(text.m_nPage, step.page);
        // The view shows the page the object is on now, with it selected.
        EXPECT_EQ(child.CurrentPage(), step.page);
        EXPECT_TRUE(view.IsSelected(text));
    }
}

// The alternatives of the word at the caret, in each language.
class AlternativesMenuTest : public MainFrameTest, public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(AlternativesMenuTest, ShowsTheWordsInCalligraphyAndTheChosenOneReplacesTheWord) {
    m_properties.m_languageModule = GetParam();
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    kavitro::CKavitroView& view = *frame.ActiveView();
    kavitro::CDrawText* text = view.GetSelection().GetEditedText();
    ASSERT_NE(text, nullptr);
    for (const char16_t c : std::u16string_view(u"\u0628\u06CC\u0633\u062A"))  // "bist", one connected group
        view.OnChar(c);
    const auto word = [&] {
        const auto at = text->m_paragraph.CaretToWord(text->m_nCaret, true);
        return std::as_const(text->m_paragraph.m_words)[static_cast<std::size_t>(at.word)];
    };
    const kavitro::CCalligraphyWord original = word();
    view.GetDocument().SetModifiedFlag(false);

    // The menu is up while the command runs: look at it, then choose its
    // last item with the keyboard.
    std::optional<int> items;
    bool rightToLeft = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<kavitro::CAlternativesMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        items = static_cast<int>(menu->actions().size());
        rightToLeft = menu->isRightToLeft();
        const auto key = [&](int k) {
            QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
            QApplication::sendEvent(menu, &press);
        };
        for (int i = 0; i < *items; ++i)
            key(Qt::Key_Down);
        const QString folder = QStringLiteral(KAVITRO_BINARY_DIR "/artefacts");
        QDir().mkpath(folder);
        EXPECT_TRUE(menu->grab().save(folder + QStringLiteral("/alternatives-%1.png").arg(app.Pack().Name())));
        key(Qt::Key_Return);
    });
    frame.UpdateCommands();
    ASSERT_TRUE(frame.RunCommand(kavitro::ViewCommand::Alternatives)) << text->m_paragraph.m_words.size();

    const kavitro::CAlternativesPopup& popup = kavitro::CAlternativesPopup::Instance();
    ASSERT_TRUE(items.has_value()) << "no alternatives menu";
    ASSERT_GE(popup.GetCount(), 2u);
    EXPECT_EQ(static_cast<std::size_t>(*items), popup.GetCount());
    EXPECT_EQ(rightToLeft, app.IsRightToLeft());
    const kavitro::CCalligraphyWord& last = std::as_const(popup.GetParagraph().m_words)[popup.GetCount() - 1];
    EXPECT_TRUE(word().HasSameGlyphs(last));
    EXPECT_FALSE(word().HasSameGlyphs(original));
    EXPECT_TRUE(view.GetDocument().IsModified());

    // Each item is the word itself, drawn with the glyph fonts.
    const QImage picture = kavitro::DrawAlternativeWord(last, Qt::black);
    EXPECT_EQ(picture.size(), kavitro::MeasureAlternativeWord(last));
    int inked = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            inked += qAlpha(picture.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(inked, picture.width());
}

// The ribbon button that carries a command, or null.
QToolButton* RibbonButton(kavitro::CMainFrame& frame, std::uint32_t command) {
    for (QToolButton* button : frame.Ribbon()->findChildren<QToolButton*>())
        if (button->defaultAction() && button->defaultAction()->data().toUInt() == command)
            return button;
    return nullptr;
}

TEST_F(MainFrameTest, EveryCommandOfTheShellIsOnARibbonButton) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    namespace F = kavitro::FrameCommand;
    namespace V = kavitro::ViewCommand;
    for (const std::uint32_t id : {V::AlternateForm, V::GlyphVariant, V::GlyphSwap, F::ViewHorizontalRuler,
                                   F::ViewVerticalRuler, F::WindowsDialog, F::FilePrintDirect, F::RecentFile1,
                                   F::RecentFile1 + F::RecentFileCount - 1}) {
        SCOPED_TRACE(id);
        QToolButton* button = RibbonButton(frame, id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->defaultAction(), frame.Action(id));
        const bool recent = id >= F::RecentFile1 && id < F::RecentFile1 + F::RecentFileCount;
        // A recent entry's caption is its document's name.
        EXPECT_TRUE(recent || !frame.Action(id)->text().isEmpty());
    }
}

TEST_F(MainFrameTest, RulersHideAndNewWindowsStartAsTheLastOneClosedLeftThem) {
    namespace F = kavitro::FrameCommand;
    QSettings().remove(QStringLiteral("ChildFrame"));  // the profile outlives each test
    {
        CKavitroApp& app = Start();
        kavitro::CMainFrame& frame = *app.MainFrame();
        CChildFrame& child = *frame.Children()[0];
        frame.UpdateCommands();
        EXPECT_TRUE(frame.Action(F::ViewHorizontalRuler)->isChecked());
        frame.Action(F::ViewHorizontalRuler)->trigger();
        EXPECT_FALSE(child.IsRulerVisible(F::ViewHorizontalRuler));
        EXPECT_TRUE(child.IsRulerVisible(F::ViewVerticalRuler));
        EXPECT_FALSE(frame.Action(F::ViewHorizontalRuler)->isChecked());
        // Twice is back where it was.
        frame.Action(F::ViewVerticalRuler)->trigger();
        frame.Action(F::ViewVerticalRuler)->trigger();
        EXPECT_TRUE(child.IsRulerVisible(F::ViewVerticalRuler));
        child.Document().SetModifiedFlag(false);
        frame.Action(F::FileClose)->trigger();
        QApplication::processEvents();
        ASSERT_TRUE(frame.Children().empty());
        CChildFrame* next = frame.NewDocument();
        EXPECT_FALSE(next->IsRulerVisible(F::ViewHorizontalRuler));
        EXPECT_TRUE(next->IsRulerVisible(F::ViewVerticalRuler));
        next->Document().SetModifiedFlag(false);
    }
    m_app.reset();
    CKavitroApp& again = Start();
    EXPECT_FALSE(again.MainFrame()->Children()[0]->IsRulerVisible(F::ViewHorizontalRuler));
    EXPECT_EQ(QSettings().value(QStringLiteral("ChildFrame/HorizontalRuler")).toInt(), 0);
}

TEST_F(MainFrameTest, RecentDocumentsSurviveARestartAndAGoneOneIsDroppedWithAMessage) {
    namespace F = kavitro::FrameCommand;
    const QString first = MakeDocument(QStringLiteral("first.kv2"));
    const QString second = MakeDocument(QStringLiteral("second.kv2"));
    QSettings().remove(QStringLiteral("Recent File List"));  // the profile outlives each test
    Start({first, second});
    m_app.reset();
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    // Newest first.
    EXPECT_EQ(frame.RecentFiles().Entries(), (QStringList{second, first}));
    EXPECT_EQ(frame.Action(F::RecentFile1)->text(), QStringLiteral("&1 second.kv2"));
    EXPECT_FALSE(RibbonButton(frame, F::RecentFile1 + 2)->isVisibleTo(frame.Ribbon()));

    ASSERT_TRUE(QFile::remove(first));
    const std::size_t reports = m_report.Reports().size();
    frame.Action(F::RecentFile1 + 1)->trigger();
    EXPECT_EQ(m_report.Reports().size(), reports + 1);
    EXPECT_EQ(frame.RecentFiles().Entries(), QStringList{second});
    EXPECT_FALSE(frame.Action(F::RecentFile1 + 1)->isVisible());

    // Opening one that is there activates or opens it and keeps it first.
    frame.Action(F::RecentFile1)->trigger();
    EXPECT_EQ(frame.ActiveChild()->DisplayName(), QStringLiteral("second.kv2"));
    EXPECT_EQ(QSettings().value(QStringLiteral("Recent File List/File1")).toString(), second);
}

TEST_F(MainFrameTest, TheWindowsDialogActivatesAndClosesTheChosenDocuments) {
    CKavitroApp& app = Start();
    kavitro::CMainFrame& frame = *app.MainFrame();
    frame.NewDocument();
    const auto children = frame.Children();
    ASSERT_EQ(children.size(), 2u);
    for (CChildFrame* child : children)
        child->Document().SetModifiedFlag(false);
    auto* area = frame.findChild<QMdiArea*>();
    ASSERT_NE(area, nullptr);
    {
        kavitro::CWindowsDialog dialog(*area, app.Pack(), &frame);
        ASSERT_EQ(dialog.List()->count(), 2);
        EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("Untitled1"));
        EXPECT_EQ(dialog.List()->currentRow(), 1);  // the active one
        dialog.List()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        dialog.ActivateChosen();
        EXPECT_EQ(frame.ActiveChild(), children[0]);
    }
    kavitro::CWindowsDialog dialog(*area, app.Pack(), &frame);
    dialog.List()->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
    dialog.CloseChosen();
    QApplication::processEvents();
    EXPECT_EQ(dialog.List()->count(), 1);
    EXPECT_EQ(frame.Children(), std::vector<CChildFrame*>{children[0]});
}

TEST_F(MainFrameTest, PrintDirectPrintsTheWholeDocumentWithoutADialog) {
    namespace F = kavitro::FrameCommand;
    const QString pdf = m_home.filePath(QStringLiteral("direct.pdf"));
    m_printer = [&] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return printer;
    };
    {
        CKavitroApp& app = Start();
        app.MainFrame()->UpdateCommands();
        app.MainFrame()->Action(F::FilePrintDirect)->trigger();
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.read(5), "%PDF-");
        EXPECT_TRUE(m_report.Reports().empty());
        app.MainFrame()->Children()[0]->Document().SetModifiedFlag(false);
    }
    m_app.reset();
    m_printer = [] { return std::unique_ptr<QPrinter>(); };
    CKavitroApp& app = Start();
    app.MainFrame()->UpdateCommands();
    app.MainFrame()->Action(F::FilePrintDirect)->trigger();
    ASSERT_EQ(m_report.Reports().size(), 1u);
    EXPECT_EQ(m_report.Reports()[0].stringId, kavitro::StringId::NoPrinter);
}

TEST_F(MainFrameTest, WithoutAPrinterANewDocumentIsOnTheSystemsPaper) {
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "a printer is set up: new pages take its paper";
    qputenv("PAPERSIZE", "a5");
    CKavitroApp& app = Start();
    qunsetenv("PAPERSIZE");
    EXPECT_EQ(app.MainFrame()->Children()[0]->Document().GetPageSize(), (kavitro::Size{14800, 21000}));
}


INSTANTIATE_TEST_SUITE_P(Languages, AlternativesMenuTest, ::testing::Values(u"English.dll", u"Farsi.dll"));

}  // namespace
