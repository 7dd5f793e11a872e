// The clipboard on a real X server (run under xvfb-run): another program
// sees the formats a copy offers, and text that another program put on the
// clipboard is pasted through the keyboard translation. Skipped without
// xclip or an X display.

#include <gtest/gtest.h>

#include <QtCore/QEventLoop>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QTimer>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>

#include <algorithm>
#include <memory>

#include "../document/DocumentFixture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "view/EditCommands.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro {
namespace {

// Runs a program while this process keeps serving its own clipboard.
QString Xclip(const QStringList& args, const QByteArray& input = {}, bool waitForExit = true) {
    auto* p = new QProcess(qGuiApp);
    p->start(QStandardPaths::findExecutable("xclip"), args);
    if (!p->waitForStarted(5000)) return {};
    if (!input.isNull()) {
        p->write(input);
        p->closeWriteChannel();
    }
    if (!waitForExit) return {};
    QEventLoop loop;
    QObject::connect(p, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (p->state() != QProcess::NotRunning) loop.exec();
    return QString::fromUtf8(p->readAllStandardOutput());
}

// Latin b becomes beh, as a keyboard layout folds Latin keys.
class LatinToPersian final : public CharacterTranslator {
public:
    std::uint16_t TranslateChar(std::uint32_t code) const override {
        return code == u'b' ? std::uint16_t{0x0628} : static_cast<std::uint16_t>(code);
    }
};

struct X11Clipboard : ::testing::Test {
    test::TestServices env;
    LatinToPersian translator;
    std::unique_ptr<CKavitroDoc> doc;
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view;
    CDrawText* text = nullptr;

    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb" || QStandardPaths::findExecutable("xclip").isEmpty())
            GTEST_SKIP() << "needs an X display and xclip";
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
        env.services.translator = &translator;
        env.settings[CApplicationProperties::ClipboardUTF8Text] = 1;
        env.settings[CApplicationProperties::ClipboardEPS] = 1;
        env.settings[CApplicationProperties::ClipboardWMF] = 1;
        doc = test::NewDocument(env.services);
        view = std::make_unique<CKavitroView>(*doc, host);
        view->OnActivateView(true);
        CPolygonRect at;
        at.m_rect = Rect(-2000, -6000, -6000, -4500);
        text = new CDrawText(at, 0, doc.get());
        doc->Add(text, true);
        for (const char16_t c : std::u16string_view(u"سلام")) text->OnChar(view.get(), c);
        ++CObjectsBuffer::GetActionIdCounter();
        view->Select(text, false, false);
    }
};

TEST_F(X11Clipboard, AnotherProgramSeesTheFormatsOfACopy) {
    OnEditCopy(*view);
    const QString targets = Xclip({"-selection", "clipboard", "-o", "-t", "TARGETS"});
    for (const char* format : {"application/x-kavitro-2.0", "application/postscript", "image/x-wmf", "image/x-emf",
                               "image/png", "image/bmp", "text/plain;charset=utf-8"})
        EXPECT_TRUE(targets.contains(QLatin1String(format))) << format << " in " << targets.toStdString();
    EXPECT_EQ(Xclip({"-selection", "clipboard", "-o", "-t", "UTF8_STRING"}).toStdU16String(), u"سلام \r\n");
}

TEST_F(X11Clipboard, TextFromAnotherProgramIsPastedThroughTheTranslation) {
    Xclip({"-selection", "clipboard", "-i"}, "bb", false);
    // Wait until the clipboard offers the text.
    for (int i = 0; i < 100 && !QGuiApplication::clipboard()->text().startsWith("bb"); ++i) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ASSERT_TRUE(OnEditPaste(*view));
    std::vector<std::uint16_t> codes;
    text->GetCharacterCodes(codes);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x0628), 2);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), u'b'), 0);
    // Taking the clipboard back ends xclip.
    QGuiApplication::clipboard()->setText("done");
}

}  // namespace
}  // namespace kavitro

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
