#pragma once

// A language pack: the folder share/kavitro/lang/<Name>/ with the texts of
// the user interface by number, the right-to-left flag, the dialog font, the
// pack's version, its pictures and cursors. The setting "Language DLL" names
// the pack ("Farsi.dll" names "Farsi").
//
// Folder contents (written by tools/langpack/make_langpack.py):
//   pack.json    {"format": 1, "name", "version" ("2.0.0.0"), "rightToLeft",
//                 "dialogFont": {"family", "pointSize"}, "cursors": {"<id>": [x, y]}}
//   strings.txt  UTF-8, one "id<TAB>text" a line; '#' starts a comment line;
//                escapes \n \t \\ in the text
//   images/<name>.png, cursors/<id>.png
//
// Every string is checked against the conversions its caller passes
// (document/StringIds.h); a pack string that does not match, or that is
// missing, gives way to the English text compiled into the program.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>

#include "app/FormatString.h"

namespace kavitro {

// The pack named by the setting: a trailing ".dll" (any case) is dropped and
// the rest must be a bare name of letters, digits, '-' and '_' (at most 64);
// empty when the setting names a path or anything else.
QString PackNameFromSetting(QStringView setting);

// The setting value that a language switch stores: "English.DLL" when the
// current one is "Farsi.DLL" (any case), otherwise "Farsi.DLL".
QString OtherLanguageSetting(QStringView current);

struct PackStrings {
    std::map<std::uint32_t, QString> strings;
    QStringList problems;  // "line N: ..." for every line that was skipped
};

// Reads a strings file; bad lines are skipped and named in `problems`.
// Nothing when the bytes are not UTF-8 at all.
std::optional<PackStrings> ParsePackStrings(QByteArrayView bytes);

struct PackCursor {
    QString path;
    int hotX = 0;
    int hotY = 0;
};

struct PackManifest {
    QString version;  // four parts, "2.0.0.0"
    bool rightToLeft = false;
    QString fontFamily;
    int fontPointSize = 0;
    std::map<std::uint32_t, std::pair<int, int>> cursorHotSpots;
};

// Reads pack.json; nothing (and the reason in `error`) when it is malformed
// or a value is out of range.
std::optional<PackManifest> ParsePackManifest(QByteArrayView bytes, QString* error = nullptr);

class LanguagePack {
public:
    static constexpr qint64 kMaxStringsFileSize = 1 << 20;
    static constexpr qint64 kMaxManifestSize = 64 * 1024;

    struct LoadResult {
        bool loaded = false;
        QString file;        // the file at fault, or the folder when it is missing
        QString reason;      // why it could not be used (or, when loaded, the first problem)
        QStringList problems;  // strings that were skipped in a loaded pack
    };

    // The built-in English texts, left to right, no pack folder.
    LanguagePack();

    // Loads the pack `name` from the folder `languageRoot` (.../share/kavitro/lang).
    // On failure nothing changes: the texts in use stay as they were.
    LoadResult Load(const QString& languageRoot, const QString& name);

    bool IsLoaded() const { return !m_folder.isEmpty(); }
    const QString& Name() const { return m_name; }
    const QString& Folder() const { return m_folder; }
    const QString& Version() const { return m_version; }  // "" while no pack is loaded
    bool IsRightToLeft() const { return m_rightToLeft; }
    const QString& DialogFontFamily() const { return m_fontFamily; }
    int DialogFontPointSize() const { return m_fontPointSize; }

    // The text of a string: the pack's, else the built-in English one, else empty.
    QString Text(std::uint32_t id) const;
    // A format filled with the arguments: the pack's when its conversions
    // match the arguments, else the built-in English one when it does, else
    // the text as it stands.
    QString Format(std::uint32_t id, std::span<const FormatArgument> arguments) const;
    QString Format(std::uint32_t id, std::initializer_list<FormatArgument> arguments) const {
        return Format(id, std::span<const FormatArgument>(arguments.begin(), arguments.size()));
    }
    // Whether the pack itself holds a usable string `id`.
    bool HasOwnString(std::uint32_t id) const { return m_strings.contains(id); }
    const std::map<std::uint32_t, QString>& OwnStrings() const { return m_strings; }

    // The picture `name` ("LOGO", "DAT1", "121"), empty when the pack has none.
    QString ImagePath(const QString& name) const;
    std::optional<PackCursor> Cursor(std::uint32_t id) const;

    static QString BuiltInEnglish(std::uint32_t id);

private:
    QString m_name = QStringLiteral("English");
    QString m_folder;
    QString m_version;
    bool m_rightToLeft = false;
    QString m_fontFamily = QStringLiteral("DejaVu Sans");
    int m_fontPointSize = 9;
    std::map<std::uint32_t, QString> m_strings;
    std::map<std::uint32_t, PackCursor> m_cursors;
};

}  // namespace kavitro
