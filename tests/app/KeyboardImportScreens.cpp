// Opens the text-import wizard's three pages and the on-screen keyboard in
// English and Farsi on a real X display (run under a virtual one) and saves
// what the display shows of each window as <output>/<name>.png. Exit status 0
// when every window was shown and saved.
//
//     keyboard_import_screens <output folder>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/LanguagePack.h"
#include "app/dialogs/DialogLanguage.h"
#include "app/import/ImportWizard.h"
#include "app/keyboard/KeyboardDialog.h"
#include "input/KeyboardLayoutModule.h"
#include "platform/ErrorReport.h"

namespace {

using namespace kavitro;

int g_failures = 0;

// Shows the window, lets the display draw it, and saves the display's picture of it.
void Capture(QWidget& window, const QString& folder, const QString& name) {
    window.adjustSize();
    window.show();
    window.raise();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    QScreen* screen = window.screen();
    const QPixmap picture = screen ? screen->grabWindow(window.winId()) : QPixmap();
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "could not capture %s\n", qPrintable(name));
        ++g_failures;
    }
    window.hide();
}

QString WriteSource(const QString& folder) {
    // "سلام" in Windows-1256, without a mark: the code-page page shows its preview.
    const QString path = folder + QStringLiteral("/source-cp1256.txt");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray("\xD3\xE1\xC7\xE3", 4));
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    const QString share = QStringLiteral(KAVITRO_SHARE_DIR);
    const QString source = WriteSource(folder);

    CKeyboardLayoutModule keyboard;
    keyboard.SetFolders(KAVITRO_SHARE_DIR);
    keyboard.LoadLayouts();
    RecordingErrorReport errors;

    for (const char* name : {"English", "Farsi"}) {
        const QString language = QString::fromLatin1(name);
        LanguagePack pack;
        if (!pack.Load(share + QStringLiteral("/lang"), language).loaded) {
            std::fprintf(stderr, "no %s pack\n", name);
            return 1;
        }
        SetDialogLanguage(&pack);
        {
            CImportWizard wizard(&errors, share + QStringLiteral("/filter"));
            wizard.SetSourcePath(source);
            Capture(wizard, folder, QStringLiteral("import-file-") + language);
            wizard.show();
            wizard.next();
            if (auto* list = wizard.findChild<QListWidget*>(QStringLiteral("filters")); list && list->count() > 2)
                list->setCurrentRow(2);  // Windows-1256
            Capture(wizard, folder, QStringLiteral("import-codepage-") + language);
            wizard.show();
            wizard.next();
            Capture(wizard, folder, QStringLiteral("import-output-") + language);
        }
        {
            CKeybaordUIDialog dialog(keyboard, KAVITRO_SHARE_DIR, &errors);
            // A chosen palette character shows red on a sunken cell.
            if (QAbstractButton* cell = dialog.Button(CKeybaordUIDialog::kFirstPaletteButton + 2))
                cell->click();
            Capture(dialog, folder, QStringLiteral("keyboard-") + language);
        }
        SetDialogLanguage(nullptr);
    }
    if (!errors.Reports().empty()) {
        std::fprintf(stderr, "%zu messages were shown\n", errors.Reports().size());
        ++g_failures;
    }
    return g_failures == 0 ? 0 : 1;
}
