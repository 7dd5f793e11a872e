// The About box and the splash window over the language packs the build
// makes: the medallion turns on the box's timer from the first double click,
// a pack whose frames are damaged gives message 11040 and a box without the
// medallion, and the splash swallows the press that closes it. Under a real
// display (xcb) both windows are also kept as pictures for review.

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <algorithm>
#include <functional>
#include <utility>

#include "app/AboutBox.h"
#include "app/PackPicture.h"
#include "app/Splash.h"
#include "app/Version.h"
#include "document/StringIds.h"
#include "platform/ErrorReport.h"
#include "tests/app/DialogTestSupport.h"

namespace kavitro {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FFu;

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// A copy of the built English pack in `root`, to be damaged by a test.
QDir CopyEnglishPack(const QTemporaryDir& root) {
    const QDir source(QStringLiteral(KAVITRO_SHARE_DIR "/lang/English"));
    QDir target(root.filePath(QStringLiteral("English")));
    for (const QString& sub : {QString(), QStringLiteral("images"), QStringLiteral("cursors")}) {
        QDir().mkpath(target.filePath(sub));
        for (const QString& file : QDir(source.filePath(sub)).entryList(QDir::Files))
            QFile::copy(QDir(source.filePath(sub)).filePath(file), QDir(target.filePath(sub)).filePath(file));
    }
    return target;
}

QImage Region(const QImage& picture, const QRect& rect) { return picture.copy(rect); }

using AboutBox = test::DialogTest;

TEST_F(AboutBox, TurnsTheMedallionAndScrollsFromTheFirstDoubleClick) {
    const LanguagePack& pack = test::BuiltPack(QStringLiteral("English"));
    RecordingErrorReport report;
    CAboutDlg box(pack, report, QCursor());
    const QPixmap logo = PackLogo(pack);
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(box.size(), logo.size());
    ASSERT_TRUE(box.LogoWindow() && box.VersionWindow() && box.MedallionWindow());
    EXPECT_TRUE(box.VersionWindow()->Text().endsWith(ProgramVersionString()));
    box.show();
    EXPECT_FALSE(box.IsAnimating());

    QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(100, 300));
    ASSERT_TRUE(box.IsAnimating());
    CMM3DObject& medallion = *box.MedallionWindow();
    // The box's own timer steps it.
    ASSERT_TRUE(WaitFor([&] { return medallion.ShownFrame() >= 2; }));
    EXPECT_EQ(medallion.FrameCount(), std::size_t{CMM3DObject::kFrameCount});
    EXPECT_TRUE(report.Reports().empty());
    box.done(QDialog::Accepted);
    EXPECT_FALSE(box.IsAnimating());

    // Frames 1 to 32 in turn, then the first again; each step shows another
    // picture, whose key colour lets the logo show around the medallion.
    const QRect place = medallion.geometry();
    box.show();
    QImage before = box.grab().toImage();
    for (int step = 0; step < CMM3DObject::kFrameCount + 1; ++step) {
        const int shown = medallion.ShownFrame();
        box.OnTimer();
        EXPECT_EQ(medallion.ShownFrame(), (shown + 1) % CMM3DObject::kFrameCount);
        const QImage after = box.grab().toImage();
        EXPECT_NE(Region(before, place), Region(after, place)) << "step " << step;
        EXPECT_EQ(after.pixel(place.topLeft()), logo.toImage().pixel(place.topLeft()));
        for (int y = place.top(); y <= place.bottom(); ++y)
            for (int x = place.left(); x <= place.right(); ++x)
                ASSERT_NE(after.pixel(x, y) | 0xFF000000u, kMagenta) << x << "," << y;
        before = after;
    }

    // The text rises a pixel a step and starts again from the bottom after
    // offset 600.
    CKavitroLogo& text = *box.LogoWindow();
    while (text.ScrollOffset() != CKavitroLogo::kScrollEnd)
        box.OnTimer();
    box.OnTimer();
    EXPECT_EQ(text.ScrollOffset(), 0);
    box.OnTimer();
    EXPECT_EQ(text.ScrollOffset(), 1);
}

// The version line starts on its language's side: the left in English,
// the right in Farsi.
TEST_F(AboutBox, TheVersionLineStartsOnItsLanguagesSide) {
    for (const auto& [language, rightToLeft] : {std::pair{"English", false}, std::pair{"Farsi", true}}) {
        SCOPED_TRACE(language);
        RecordingErrorReport report;
        CAboutDlg box(test::BuiltPack(QString::fromLatin1(language)), report, QCursor());
        ASSERT_NE(box.VersionWindow(), nullptr);
        const QImage line = box.VersionWindow()->grab().toImage();
        // The inked columns: those with a pixel unlike the top-left corner's.
        int first = line.width(), last = -1;
        for (int x = 0; x < line.width(); ++x) {
            for (int y = 0; y < line.height(); ++y) {
                if (line.pixel(x, y) != line.pixel(0, 0)) {
                    first = std::min(first, x);
                    last = x;
                    break;
                }
            }
        }
        ASSERT_GE(last, 0);
        const int leftGap = first, rightGap = line.width() - 1 - last;
        EXPECT_EQ(rightGap < leftGap, rightToLeft) << "gaps " << leftGap << " and " << rightGap;
    }
}

TEST_F(AboutBox, DamagedFramesGiveMessage11040AndNoMedallion) {
    const std::pair<const char*, std::function<void(const QDir&)>> damages[] = {
        {"missing", [](const QDir& images) { QFile::remove(images.filePath(QStringLiteral("DAT7.png"))); }},
        {"not a picture", [](const QDir& images) {
             QFile file(images.filePath(QStringLiteral("DAT7.png")));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             file.write("\x89PNG\r\n\x1a\n but nothing after the mark");
         }},
        {"oversized", [](const QDir& images) {
             QImage huge(kMaxPackPictureSide + 1, 2, QImage::Format_RGB32);
             huge.fill(Qt::black);
             ASSERT_TRUE(huge.save(images.filePath(QStringLiteral("DAT32.png"))));
         }},
    };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        QTemporaryDir root;
        const QDir folder = CopyEnglishPack(root);
        damage(QDir(folder.filePath(QStringLiteral("images"))));
        LanguagePack pack;
        ASSERT_TRUE(pack.Load(root.path(), QStringLiteral("English")).loaded);
        RecordingErrorReport report;
        CAboutDlg box(pack, report, QCursor());
        QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(100, 300));
        for (int step = 0; step < 3; ++step)
            box.OnTimer();
        const ErrorMessage once{StringId::AnimationFailed, {}, MessageButtons::Ok, MessageIcon::None, {}, 0};
        EXPECT_EQ(report.Reports(), std::vector<ErrorMessage>{once});
        EXPECT_EQ(box.MedallionWindow()->FrameCount(), 0u);
        EXPECT_EQ(box.MedallionWindow()->ShownFrame(), -1);
        EXPECT_EQ(box.LogoWindow()->ScrollOffset(), 3) << "the text goes on";
    }
}

TEST_F(AboutBox, WithoutALogoKeepsItsSizeAndIgnoresDoubleClicks) {
    QTemporaryDir root;
    const QDir folder = CopyEnglishPack(root);
    ASSERT_TRUE(QFile::remove(folder.filePath(QStringLiteral("images/LOGO.png"))));
    LanguagePack pack;
    ASSERT_TRUE(pack.Load(root.path(), QStringLiteral("English")).loaded);
    RecordingErrorReport report;
    CAboutDlg box(pack, report, QCursor());
    EXPECT_EQ(box.size(), CAboutDlg::kTemplateSize);
    EXPECT_FALSE(box.LogoWindow() || box.VersionWindow() || box.MedallionWindow());
    QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(100, 300));
    EXPECT_FALSE(box.IsAnimating());
    EXPECT_FALSE(CSplashWnd::ShowSplashScreen(nullptr, pack, true)) << "no logo, no splash";
}

// A main window that counts the presses that reach it and a shortcut.
class PressCounter final : public QMainWindow {
public:
    PressCounter() {
        auto* open = new QAction(this);
        open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        addAction(open);
        connect(open, &QAction::triggered, this, [this] { ++shortcuts; });
        resize(300, 200);
    }
    int keys = 0, clicks = 0, shortcuts = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

using Splash = test::DialogTest;

TEST_F(Splash, TheFirstPressClosesItAndDoesNothingElse) {
    const LanguagePack& pack = test::BuiltPack(QStringLiteral("English"));
    struct Press {
        const char* name;
        std::function<void(PressCounter&)> press;
        int PressCounter::*reached;  // what the same press does once the splash is gone
    };
    const Press presses[] = {
        {"key", [](PressCounter& w) { QTest::keyClick(&w, Qt::Key_A); }, &PressCounter::keys},
        {"shortcut", [](PressCounter& w) { QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier); },
         &PressCounter::shortcuts},
        {"click", [](PressCounter& w) { QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(50, 50)); },
         &PressCounter::clicks},
    };
    for (const auto& [name, press, reached] : presses) {
        SCOPED_TRACE(name);
        PressCounter frame;
        frame.show();
        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        EXPECT_FALSE(CSplashWnd::ShowSplashScreen(&frame, pack, false)) << "the command line said no";
        ASSERT_TRUE(CSplashWnd::ShowSplashScreen(&frame, pack, true));
        EXPECT_FALSE(CSplashWnd::ShowSplashScreen(&frame, pack, true)) << "one at a time";
        EXPECT_EQ(CSplashWnd::Current()->size(), PackLogo(pack).size());
        // As at start-up, the main window is shown, and active, under the splash.
        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

        press(frame);
        FlushDeletes();
        EXPECT_EQ(CSplashWnd::Current(), nullptr);
        EXPECT_EQ(frame.keys + frame.clicks + frame.shortcuts, 0);

        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        press(frame);
        EXPECT_EQ(frame.*reached, 1) << "the next press is the user's";
    }
}

TEST_F(Splash, GoesByItselfAndLeavesPressesAlone) {
    const LanguagePack& pack = test::BuiltPack(QStringLiteral("English"));
    PressCounter frame;
    frame.show();
    ASSERT_TRUE(CSplashWnd::ShowSplashScreen(&frame, pack, true));
    EXPECT_TRUE(WaitFor([] { return CSplashWnd::Current() == nullptr; }));
    QTest::keyClick(&frame, Qt::Key_A);
    EXPECT_EQ(frame.keys, 1);
}

// Pictures of the splash and of the About box in both languages, taken from
// the screen of a real display; skipped on the offscreen platform.
TEST_F(AboutBox, PicturesUnderARealDisplay) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a display (run through xvfb-run with QT_QPA_PLATFORM=xcb)";
    const QString folder = QStringLiteral(KAVITRO_BINARY_DIR "/artefacts/about");
    QDir().mkpath(folder);
    const auto keep = [&](QWidget& window, const QString& name) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(200);
        const QPixmap shot = window.screen()->grabWindow(window.winId());
        ASSERT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
    };
    for (const char* language : {"English", "Farsi"}) {
        const LanguagePack& pack = test::BuiltPack(QString::fromLatin1(language));
        SetDialogLanguage(&pack);
        QWidget frame;
        frame.resize(640, 480);
        frame.show();
        ASSERT_TRUE(CSplashWnd::ShowSplashScreen(&frame, pack, true));
        keep(*CSplashWnd::Current(), QStringLiteral("splash-%1").arg(QLatin1String(language)));
        ASSERT_TRUE(WaitFor([] { return CSplashWnd::Current() == nullptr; }));

        RecordingErrorReport report;
        CAboutDlg box(pack, report, QCursor());
        box.show();
        QTest::mouseDClick(&box, Qt::LeftButton, {}, QPoint(100, 300));
        for (int step = 0; step < 160; ++step)
            box.OnTimer();
        keep(box, QStringLiteral("about-%1").arg(QLatin1String(language)));
        EXPECT_TRUE(report.Reports().empty());
    }
}

}  // namespace
}  // namespace kavitro
