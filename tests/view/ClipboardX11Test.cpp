// The clipboard on a real X server (run under xvfb-run): another program
// sees the formats a copy offers, LibreOffice pastes a picture of a copied
// text and rectangle, and text that another program put on the clipboard is
// pasted through the keyboard translation. Skipped without xclip or an X
// display (the LibreOffice paste without LibreOffice).

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
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

// Runs a program to its end while this process keeps serving its own
// clipboard; false when it cannot start, fails or outlasts the time.
bool RunServingClipboard(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                         int milliseconds) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, args);
    if (!p.waitForStarted(5000)) return false;
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    if (p.state() != QProcess::NotRunning) loop.exec();
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A LibreOffice macro that pastes the clipboard into a new drawing, writes
// the pasted shapes' count and types to OUT.txt and the drawing to OUT.pdf.
constexpr const char* kPasteMacro = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE script:module PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "module.dtd">
<script:module xmlns:script="http://openoffice.org/2000/script" script:name="Module1" script:language="StarBasic">
Sub PasteInto(sOut As String)
  Dim aNone(0) As New com.sun.star.beans.PropertyValue, aPdf(0) As New com.sun.star.beans.PropertyValue
  Dim oDoc As Object, oPage As Object, s As String, i As Integer, f As Integer
  oDoc = StarDesktop.loadComponentFromURL(&quot;private:factory/sdraw&quot;, &quot;_blank&quot;, 0, aNone())
  createUnoService(&quot;com.sun.star.frame.DispatchHelper&quot;).executeDispatch(oDoc.CurrentController.Frame, &quot;.uno:Paste&quot;, &quot;&quot;, 0, aNone())
  oPage = oDoc.DrawPages.getByIndex(0)
  s = oPage.Count
  For i = 0 To oPage.Count - 1
    s = s &amp; &quot; &quot; &amp; oPage.getByIndex(i).ShapeType
  Next i
  f = FreeFile
  Open ConvertFromURL(sOut &amp; &quot;.txt&quot;) For Output As #f
  Print #f, s
  Close #f
  aPdf(0).Name = &quot;FilterName&quot;
  aPdf(0).Value = &quot;draw_pdf_Export&quot;
  oDoc.storeToURL(sOut &amp; &quot;.pdf&quot;, aPdf())
  oDoc.close(True)
  StarDesktop.terminate()
End Sub
</script:module>
)xml";

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

// A text and a rectangle copied here arrive in LibreOffice Draw (on the X
// clipboard, as a user pastes) as a picture. The pasted drawing is kept as
// e2e-artefacts/libreoffice-paste.pdf.
TEST_F(X11Clipboard, LibreOfficePastesAPictureOfACopy) {
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
    CDrawRect* rect = test::AddRect(*doc, test::Place(-9000, -7000, 3000, 2000));
    rect->m_bBrush = 1;
    view->Select(rect, true, false);
    OnEditCopy(*view);

    // A profile of its own, made by a first start, holding the macro.
    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    const QString profileUrl = "-env:UserInstallation=file://" + profile.path();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", profile.path());
    ASSERT_TRUE(RunServingClipboard(soffice, {"--headless", profileUrl, "--terminate_after_init"}, environment, 120000));
    QFile macro(profile.filePath("user/basic/Standard/Module1.xba"));
    ASSERT_TRUE(macro.open(QIODevice::WriteOnly | QIODevice::Truncate));
    macro.write(kPasteMacro);
    macro.close();

    // The X11 plugin, which reads the X clipboard; the headless one has its own.
    environment.insert("SAL_USE_VCLPLUGIN", "gen");
    const QString out = QDir(KAVITRO_ARTEFACT_DIR).filePath("libreoffice-paste");
    QDir().mkpath(KAVITRO_ARTEFACT_DIR);
    QFile::remove(out + ".txt");
    QFile::remove(out + ".pdf");
    ASSERT_TRUE(RunServingClipboard(
        soffice, {"--norestore", "--nologo", profileUrl, "macro:///Standard.Module1.PasteInto(\"file://" + out + "\")"},
        environment, 120000));
    QFile pasted(out + ".txt");
    ASSERT_TRUE(pasted.open(QIODevice::ReadOnly)) << "LibreOffice wrote no result";
    const QString shapes = QString::fromUtf8(pasted.readAll()).trimmed();
    EXPECT_EQ(shapes, "1 com.sun.star.drawing.GraphicObjectShape");
    EXPECT_TRUE(QFile::exists(out + ".pdf"));
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
