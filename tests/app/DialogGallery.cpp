// Opens every dialog on a real display (run under xvfb-run with the xcb
// platform), in English and in Farsi, and saves what the display shows of
// each as <folder>/<dialog>-<language>.png. Fails when a dialog is not laid
// out in the pack's direction or a label or button is narrower than its
// text.
//
//   dialog_gallery FOLDER

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QTextStream>
#include <QThread>
#include <QToolButton>
#include <QWindow>

#include "app/LanguagePack.h"
#include "tests/app/DialogMakers.h"

namespace {

using namespace kavitro;

QTextStream& Errors() {
    static QTextStream stream(stderr);
    return stream;
}

// Lets the display map and paint the window (at most two seconds).
bool WaitUntilShown(QWidget& widget) {
    QElapsedTimer timer;
    timer.start();
    while (!(widget.windowHandle() && widget.windowHandle()->isExposed()) && timer.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return widget.windowHandle() && widget.windowHandle()->isExposed();
}

// The labels and buttons whose text does not fit (tool buttons show icons).
QStringList ClippedTexts(const QWidget& dialog) {
    QStringList clipped;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->isVisible() || label->wordWrap() || label->text().isEmpty()) continue;
        if (label->width() < label->minimumSizeHint().width()) clipped << label->text();
    }
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || qobject_cast<const QToolButton*>(button) || button->text().isEmpty()) continue;
        if (button->width() < button->minimumSizeHint().width()) clipped << button->text();
    }
    return clipped;
}

bool ShowAndSave(const test::DialogMaker& maker, const LanguagePack& pack, const QString& language,
                 const QString& folder) {
    const QString name = QString::fromLatin1(maker.name) + QLatin1Char('-') + language;
    std::unique_ptr<QWidget> owner = maker.make();
    QWidget& dialog = test::ShownWidget(*owner);
    dialog.adjustSize();
    if (dialog.parentWidget() == nullptr || dialog.isWindow()) dialog.move(40, 40);
    dialog.show();
    bool ok = true;
    if (!WaitUntilShown(dialog)) {
        Errors() << name << ": the window was never shown\n";
        ok = false;
    }
    const Qt::LayoutDirection expected = pack.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    if (dialog.layoutDirection() != expected) {
        Errors() << name << ": laid out in the wrong direction\n";
        ok = false;
    }
    for (const QString& text : ClippedTexts(dialog)) {
        Errors() << name << ": \"" << text << "\" does not fit\n";
        ok = false;
    }
    const QPixmap shot = dialog.screen()->grabWindow(dialog.winId());
    if (shot.isNull() || !shot.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) {
        Errors() << name << ": no screenshot\n";
        ok = false;
    }
    dialog.hide();
    Errors().flush();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        Errors() << "usage: dialog_gallery FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    bool ok = true;
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Farsi")}) {
        LanguagePack pack;
        const LanguagePack::LoadResult loaded = pack.Load(QStringLiteral(KAVITRO_SHARE_DIR "/lang"), language);
        if (!loaded.loaded) {
            Errors() << language << ": " << loaded.reason << "\n";
            return 1;
        }
        SetDialogLanguage(&pack);
        for (const test::DialogMaker& maker : test::DialogMakers()) ok = ShowAndSave(maker, pack, language, folder) && ok;
        SetDialogLanguage(nullptr);
    }
    return ok ? 0 : 1;
}
