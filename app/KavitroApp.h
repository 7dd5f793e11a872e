#pragma once

// The application object: the settings, the language pack, the keyboard
// layouts, the cursors, the queue of posted messages, the document services
// and the main frame, and the start-up steps over them.

#include <QObject>
#include <QSettings>
#include <QStringList>
#include <QTranslator>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/CommandLinePrint.h"
#include "app/LanguageService.h"
#include "app/PackStringTable.h"
#include "app/QtProfileStore.h"
#include "app/StartupSequence.h"
#include "app/dialogs/ObjectPropertyPages.h"
#include "app/dialogs/PicturePrompt.h"
#include "document/ApplicationProperties.h"
#include "document/DocumentServices.h"
#include "input/KeyboardLayoutModule.h"
#include "platform/MetafilePlayer.h"
#include "platform/Notifier.h"

class QCursor;
class QSplashScreen;

namespace kavitro {

class CMainFrame;

// What the application is given from outside.
struct AppOptions {
    QStringList documents;          // files to open
    // Print the documents on the default printer instead, then leave.
    bool printDocuments = false;
    PrinterFactory makePrinter;     // empty: the system's default printer
    bool showSplash = true;
    QString programFolder;          // share/kavitro; empty: beside the program
    QString languageRoot;           // empty: <program folder>/lang
    QString releaseAddress;         // the update check's page
    ErrorReport* report = nullptr;  // where messages go; null: the pack's message boxes
};

class CKavitroApp final : public QObject, private StartupSteps {
    Q_OBJECT
public:
    // `properties` is loaded by the caller and outlives the application.
    CKavitroApp(CApplicationProperties& properties, AppOptions options);
    ~CKavitroApp() override;

    // Runs the start-up sequence; false when the program cannot start.
    bool Start();

    static CKavitroApp* Instance();
    // share/kavitro beside the program: <bin>/../share/kavitro.
    static QString DefaultProgramFolder();

    CApplicationProperties& Properties() { return m_properties; }
    LanguageService& Language() { return m_language; }
    const LanguagePack& Pack() const { return m_language.Pack(); }
    bool IsRightToLeft() const { return m_language.Pack().IsRightToLeft(); }
    CKeyboardLayoutModule& Keyboard() { return m_keyboard; }
    QueuedNotifier& Notifier() { return m_notifier; }
    ProfileStore& Profile() { return m_profile; }
    ErrorReport& Report();
    const std::filesystem::path& ProgramFolder() const { return m_programFolder; }
    CMainFrame* MainFrame() const { return m_frame.get(); }
    // The cursor of a slot (0..31); the arrow for an unknown slot.
    QCursor Cursor(std::size_t slot) const;

    // The print switch: prints the documents of the command line; true when
    // every one was printed.
    bool PrintDocuments();
    // A printer for a print without a dialog: the one given by the options,
    // else the system's default; null when there is none.
    std::unique_ptr<QPrinter> MakePrinter() const;

    // The language command: asks, switches, rebuilds every text.
    void SwitchLanguage();

private:
    // --- StartupSteps ---------------------------------------------------------
    void LoadLanguage() override;
    bool IsControlHeld() const override;
    void ResetSettings() override;
    bool RegisterDocumentKinds() override;
    void SetInterfaceFont() override;
    bool CreateMainFrame() override;
    bool ProcessCommandLine() override;
    void LoadCursors() override;
    int LoadKeyboardLayouts() override;

    void ApplyLanguage();
    void ScheduleDelivery();

    CApplicationProperties& m_properties;
    AppOptions m_options;
    std::filesystem::path m_programFolder;
    QSettings m_settings;
    QtProfileStore m_profile;
    LanguageService m_language;
    PackStringTable m_strings;
    CKeyboardLayoutModule m_keyboard;
    QueuedNotifier m_notifier;
    bool m_deliveryScheduled = false;
    class QtFileDialogs;
    std::unique_ptr<FileDialogs> m_fileDialogs;
    // The open-picture dialog and the object property sheets of the shell.
    std::unique_ptr<DialogPictureFilePrompt> m_picturePrompt;
    std::unique_ptr<DialogPropertySheets> m_propertySheets;
    // The system's printers and paper, as new documents take their page.
    std::unique_ptr<PrinterInformation> m_printerInformation;
    CMetafilePlayer m_metafilePlayer;
    std::vector<QCursor> m_cursors;
    QTranslator m_qtTranslator;  // Qt's own texts in the pack's language
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace kavitro
