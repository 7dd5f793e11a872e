// Opens the text-import wizard's three pages, the on-screen keyboard, the
// popup of a word's calligraphic alternatives and the About box in English
// and Farsi on a real X display (run under a virtual one) and saves what the
// display shows of each window as <output>/<name>.png. Exit status 0 when
// every window was shown and saved.
//
//     keyboard_import_screens <output folder>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "app/AboutBox.h"
#include "app/AlternativesMenu.h"
#include "app/LanguagePack.h"
#include "app/dialogs/DialogLanguage.h"
#include "app/import/ImportWizard.h"
#include "app/keyboard/KeyboardDialog.h"
#include "tests/app/TypedAlternatives.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "input/KeyboardLayoutModule.h"
#include "platform/ErrorReport.h"
#include "platform/qt/ProgramFolders.h"
#include "platform/qt/QtPainterDC.h"

namespace {

using namespace kavitro;

int g_failures = 0;

// Lets the display map and paint the window, then saves the display's
// picture of it.
void Save(QWidget& window, const QString& folder, const QString& name) {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    QScreen* screen = window.screen();
    const QPixmap picture = screen ? screen->grabWindow(window.winId()) : QPixmap();
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!window.isVisible() || picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "could not capture %s\n", qPrintable(name));
        ++g_failures;
    }
}

// Shows the window at its own size and saves its picture.
void Capture(QWidget& window, const QString& folder, const QString& name) {
    window.adjustSize();
    window.show();
    window.raise();
    Save(window, folder, name);
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

    // The glyph fonts the program draws with, for the alternatives' items.
    const std::filesystem::path artwork = GlyphArtworkFolderOf(share).toStdString();
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    fonts.Init(artwork, 0);
    CQtPainterDC::SetGlyphFontFolder(artwork / CCalligraphyFont::kFontsFolderName);
    const CCalligraphyParagraph alternatives = kavitro::test::AlternativesOf(u"\u0628\u06CC\u0633\u062A");  // "bist"
    if (alternatives.m_words.size() < 2) {
        std::fprintf(stderr, "the word has %zu alternatives\n", alternatives.m_words.size());
        ++g_failures;
    }

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
        {
            // Popups take the program's direction, as the shell sets it.
            QApplication::setLayoutDirection(pack.IsRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
            CAlternativesMenu menu(alternatives, alternatives.m_words.size());
            menu.popup(QPoint(40, 40));
            if (!menu.actions().isEmpty())
                menu.setActiveAction(menu.actions().back());  // the highlighted item too
            Save(menu, folder, QStringLiteral("alternatives-") + language);
            menu.close();
            QApplication::setLayoutDirection(Qt::LeftToRight);
        }
        {
            CAboutDlg box(pack, errors, QCursor());
            box.show();
            // The first double click starts the medallion and the scrolling
            // text; some steps of the timer bring both into view.
            const QPointF inside(box.width() / 2.0, box.height() / 2.0);
            QMouseEvent click(QEvent::MouseButtonDblClick, inside, box.mapToGlobal(inside), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&box, &click);
            if (!box.IsAnimating()) {
                std::fprintf(stderr, "the About box does not animate in %s\n", name);
                ++g_failures;
            }
            for (int step = 0; step < 160; ++step)
                box.OnTimer();
            Save(box, folder, QStringLiteral("about-") + language);
        }
        SetDialogLanguage(nullptr);
    }
    if (!errors.Reports().empty()) {
        std::fprintf(stderr, "%zu messages were shown\n", errors.Reports().size());
        ++g_failures;
    }
    return g_failures == 0 ? 0 : 1;
}
