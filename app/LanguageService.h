#pragma once

// The shell's side of the language pack and the update check: at start it
// loads the pack the settings name and reports a missing, damaged or
// mismatched pack; it starts the update check when one is due and tells the
// user once, in a dismissable notice, when a newer release exists; and it
// switches the pack at run time. Nothing here stops the program or opens a
// browser, and the start never waits on the network.

#include <QObject>
#include <QPointer>

#include "app/LanguageModule.h"
#include "app/PackMessageBox.h"
#include "app/UpdateCheck.h"
#include "document/ApplicationProperties.h"

namespace kavitro {

class LanguageService : public QObject {
    Q_OBJECT
public:
    // `properties` and `window` outlive the service; `window` parents its boxes.
    LanguageService(CApplicationProperties& properties, QWidget* window, QString languageRoot,
                    QString releaseAddress);

    // Loads the pack and starts the update check when due; returns at once.
    void Start(const QDateTime& now = QDateTime::currentDateTime());

    // The language command: asks (message 9996), then loads the other pack
    // ("Farsi.DLL" <-> "English.DLL") and stores its name in the settings.
    // Returns whether a pack was switched to.
    bool SwitchLanguage();

signals:
    // A switch loaded another pack: texts, direction and cursors may differ.
    void LanguageChanged();

public:

    const LanguagePack& Pack() const { return m_language.Pack(); }
    PackMessageBox& Report() { return m_report; }
    // Sends the start-up and switch messages elsewhere (tests); null: the
    // pack's message boxes.
    void SetReportTarget(ErrorReport* report) { m_reportTarget = report; }
    UpdateCheck& Updates() { return m_updates; }
    // The notice of the last update check that found a newer release.
    QMessageBox* Notice() const { return m_notice; }

private:
    void OnUpdateCheckFinished(const UpdateCheckResult& result);

    CApplicationProperties& m_properties;
    LanguageModule m_language;
    PackMessageBox m_report;
    UpdateCheck m_updates;
    QString m_address;
    QPointer<QMessageBox> m_notice;
    ErrorReport* m_reportTarget = nullptr;
};

}  // namespace kavitro
