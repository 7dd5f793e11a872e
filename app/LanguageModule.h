#pragma once

// The language pack in use, switchable at run time, and the start-up steps
// around it: loading the pack that the setting names, telling the user when
// it is missing or damaged (in English, naming the file) and when it is of
// another version than the program. Neither stops the program: the built-in
// English texts stand in for whatever the pack cannot give.

#include <QString>

#include "app/LanguagePack.h"
#include "platform/ErrorReport.h"

namespace kavitro {

class LanguageModule {
public:
    // `languageRoot` is the folder holding one folder per pack.
    explicit LanguageModule(QString languageRoot);

    // The folder of the packs beside the program: <program>/../share/kavitro/lang.
    static QString DefaultLanguageRoot();

    const LanguagePack& Pack() const { return m_pack; }
    const QString& LanguageRoot() const { return m_root; }

    // Loads the pack that the setting ("Farsi.dll") names. On failure the
    // texts in use stay as they were.
    LanguagePack::LoadResult LoadFromSetting(const QString& setting);

private:
    QString m_root;
    LanguagePack m_pack;
};

// Loads the pack the setting names and reports, through `report`: a pack
// that cannot be used (message 9990, naming the file and the reason), a pack
// with skipped strings (9991), a pack of another version than the program
// (9995, with `address` on a line of its own when one is configured).
// Returns whether the pack was loaded.
bool LoadLanguageAtStart(LanguageModule& module, const QString& setting, const QString& address,
                         ErrorReport& report);

// The text of message 9995 for a pack of another version, or empty when the
// versions agree or no pack is loaded.
QString LanguageVersionNotice(const LanguagePack& pack, const QString& address);

}  // namespace kavitro
