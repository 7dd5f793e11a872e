#include "app/LanguagePack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/EnglishStrings.h"
#include "app/Version.h"
#include "platform/AtomicFile.h"
#include "document/StringIds.h"

namespace kavitro {

namespace {

constexpr int kMaxProblemsListed = 20;

bool IsBareName(QStringView name, qsizetype maxLength) {
    if (name.isEmpty() || name.size() > maxLength)
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
                        u == u'-' || u == u'_';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<QString> Unescape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i].unicode()) {
            case u'n': out += u'\n'; break;
            case u't': out += u'\t'; break;
            case u'\\': out += u'\\'; break;
            default: return std::nullopt;
        }
    }
    return out;
}

// Whether a pack string carries exactly the conversions its caller passes.
bool MatchesItsCallers(std::uint32_t id, const QString& text) {
    const StringUse* use = FindStringUse(id);
    if (!use)
        return true;  // not asked for by the program: never formatted
    const std::string_view expected = ExpectedConversions(*use, text.isEmpty() ? u'\0' : text[0].unicode());
    const std::optional<std::string> actual = FormatConversions(text);
    return actual && *actual == expected;
}

struct FileRead {
    QByteArray bytes;
    QString error;
};

// Through the one reader of whole files: only a regular file no larger than
// the cap is read, so a FIFO or a device in a pack folder cannot block or
// fill memory.
FileRead ReadCapped(const QString& path, qint64 cap) {
    std::string reason;
    FileProblem problem = FileProblem::None;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(
        std::filesystem::path(QFile::encodeName(path).toStdString()), static_cast<std::size_t>(cap), &reason, &problem);
    if (!bytes) {
        if (problem == FileProblem::FileMissing)
            return {{}, QStringLiteral("the file is missing")};
        if (problem == FileProblem::TooLarge)
            return {{}, QStringLiteral("the file is larger than %1 bytes").arg(cap)};
        return {{}, QStringLiteral("the file cannot be read: %1").arg(QString::fromStdString(reason))};
    }
    return {QByteArray(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size())), {}};
}

const std::map<std::uint32_t, QString>& BuiltInTable() {
    static const std::map<std::uint32_t, QString> table = [] {
        std::map<std::uint32_t, QString> t;
        for (const BuiltInString& s : BuiltInEnglishStrings())
            t.emplace(s.id, QString::fromUtf16(s.text));
        return t;
    }();
    return table;
}

}  // namespace

QString PackNameFromSetting(QStringView setting) {
    QStringView name = setting;
    if (name.endsWith(u".dll", Qt::CaseInsensitive))
        name.chop(4);
    return IsBareName(name, 64) ? name.toString() : QString();
}

QString OtherLanguageSetting(QStringView current) {
    return current.compare(u"Farsi.DLL", Qt::CaseInsensitive) == 0 ? QStringLiteral("English.DLL")
                                                                     : QStringLiteral("Farsi.DLL");
}

std::optional<PackStrings> ParsePackStrings(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;

    PackStrings result;
    int skipped = 0;
    auto problem = [&](qsizetype line, const QString& what) {
        if (++skipped <= kMaxProblemsListed)
            result.problems << QStringLiteral("line %1: %2").arg(line).arg(what);
    };
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringView line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0) {
            problem(n + 1, QStringLiteral("no tab between the number and the text"));
            continue;
        }
        const QStringView key = line.left(tab);
        bool numeric = key.size() <= 5;
        for (QChar c : key)
            numeric = numeric && c >= u'0' && c <= u'9';
        const uint id = numeric ? key.toUInt(&numeric) : 0;
        if (!numeric || id == 0 || id > 0xFFFF) {
            problem(n + 1, QStringLiteral("\"%1\" is not a string number").arg(key.left(16)));
            continue;
        }
        const std::optional<QString> value = Unescape(line.mid(tab + 1));
        if (!value) {
            problem(n + 1, QStringLiteral("string %1 has a bad escape").arg(id));
            continue;
        }
        const auto isControl = [](QChar c) {
            return c.unicode() == 0x7F || (c.unicode() < 0x20 && c != u'\n' && c != u'\t');
        };
        if (std::any_of(value->cbegin(), value->cend(), isControl)) {
            problem(n + 1, QStringLiteral("string %1 holds a control character").arg(id));
            continue;
        }
        if (value->trimmed().isEmpty()) {
            problem(n + 1, QStringLiteral("string %1 is empty").arg(id));
            continue;
        }
        if (!result.strings.emplace(id, *value).second)
            problem(n + 1, QStringLiteral("string %1 is given twice").arg(id));
    }
    if (skipped > kMaxProblemsListed)
        result.problems << QStringLiteral("%1 more lines skipped").arg(skipped - kMaxProblemsListed);
    return result;
}

std::optional<PackManifest> ParsePackManifest(QByteArrayView bytes, QString* error) {
    auto fail = [error](const QString& reason) -> std::optional<PackManifest> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return fail(QStringLiteral("the file is not a JSON object"));
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toInt(-1) != 1)
        return fail(QStringLiteral("the pack format is not 1"));
    PackManifest manifest;
    const QJsonValue version = object.value(QStringLiteral("version"));
    const std::optional<Version> parsed = version.isString() ? Version::Parse(version.toString()) : std::nullopt;
    if (!parsed)
        return fail(QStringLiteral("the pack version is missing or malformed"));
    manifest.version = parsed->ToString();
    const QJsonValue rtl = object.value(QStringLiteral("rightToLeft"));
    if (!rtl.isBool())
        return fail(QStringLiteral("the right-to-left flag is missing"));
    manifest.rightToLeft = rtl.toBool();
    const QJsonObject font = object.value(QStringLiteral("dialogFont")).toObject();
    manifest.fontFamily = font.value(QStringLiteral("family")).toString();
    manifest.fontPointSize = font.value(QStringLiteral("pointSize")).toInt(0);
    if (manifest.fontFamily.trimmed().isEmpty() || manifest.fontFamily.size() > 100 || manifest.fontPointSize < 4 ||
        manifest.fontPointSize > 72)
        return fail(QStringLiteral("the dialog font is missing or out of range"));
    const QJsonObject cursors = object.value(QStringLiteral("cursors")).toObject();
    for (auto it = cursors.begin(); it != cursors.end(); ++it) {
        bool ok = it.key().size() <= 5;
        const uint id = ok ? it.key().toUInt(&ok) : 0;
        const QJsonArray hot = it.value().toArray();
        const int x = hot.size() == 2 ? hot[0].toInt(-1) : -1;
        const int y = hot.size() == 2 ? hot[1].toInt(-1) : -1;
        if (!ok || id == 0 || id > 0xFFFF || x < 0 || x > 255 || y < 0 || y > 255)
            return fail(QStringLiteral("cursor \"%1\" is malformed").arg(it.key().left(16)));
        manifest.cursorHotSpots[id] = {x, y};
    }
    return manifest;
}

LanguagePack::LanguagePack() = default;

LanguagePack::LoadResult LanguagePack::Load(const QString& languageRoot, const QString& name) {
    LoadResult result;
    const QString folder = QDir(languageRoot).filePath(name);
    if (!IsBareName(name, 64)) {
        result.file = name;
        result.reason = QStringLiteral("a language pack is named by a bare name");
        return result;
    }
    if (!QFileInfo(folder).isDir()) {
        result.file = folder;
        result.reason = QStringLiteral("the folder is missing");
        return result;
    }

    // The manifest.
    const QString manifestPath = QDir(folder).filePath(QStringLiteral("pack.json"));
    const FileRead manifestFile = ReadCapped(manifestPath, kMaxManifestSize);
    auto fail = [&](const QString& file, const QString& reason) {
        result.file = file;
        result.reason = reason;
        return result;
    };
    if (!manifestFile.error.isEmpty())
        return fail(manifestPath, manifestFile.error);
    QString manifestError;
    const std::optional<PackManifest> manifest = ParsePackManifest(manifestFile.bytes, &manifestError);
    if (!manifest)
        return fail(manifestPath, manifestError);
    std::map<std::uint32_t, PackCursor> cursors;
    for (const auto& [id, hot] : manifest->cursorHotSpots)
        cursors[id] = PackCursor{QDir(folder).filePath(QStringLiteral("cursors/%1.png").arg(id)), hot.first, hot.second};

    // The strings.
    const QString stringsPath = QDir(folder).filePath(QStringLiteral("strings.txt"));
    const FileRead stringsFile = ReadCapped(stringsPath, kMaxStringsFileSize);
    if (!stringsFile.error.isEmpty())
        return fail(stringsPath, stringsFile.error);
    std::optional<PackStrings> parsed = ParsePackStrings(stringsFile.bytes);
    if (!parsed)
        return fail(stringsPath, QStringLiteral("the file is not UTF-8 text"));
    for (auto it = parsed->strings.begin(); it != parsed->strings.end();) {
        if (MatchesItsCallers(it->first, it->second)) {
            ++it;
            continue;
        }
        parsed->problems << QStringLiteral("string %1 does not carry the conversions the program passes")
                                .arg(it->first);
        it = parsed->strings.erase(it);
    }

    m_name = name;
    m_folder = folder;
    m_version = manifest->version;
    m_rightToLeft = manifest->rightToLeft;
    m_fontFamily = manifest->fontFamily;
    m_fontPointSize = manifest->fontPointSize;
    m_strings = std::move(parsed->strings);
    m_cursors = std::move(cursors);

    result.loaded = true;
    result.problems = parsed->problems;
    if (!result.problems.isEmpty()) {
        result.file = stringsPath;
        result.reason = result.problems.front();
    }
    return result;
}

QString LanguagePack::Text(std::uint32_t id) const {
    const auto own = m_strings.find(id);
    return own != m_strings.end() ? own->second : BuiltInEnglish(id);
}

QString LanguagePack::Format(std::uint32_t id, std::span<const FormatArgument> arguments) const {
    const auto own = m_strings.find(id);
    if (own != m_strings.end()) {
        if (std::optional<QString> text = FormatText(own->second, arguments))
            return *text;
    }
    const QString english = BuiltInEnglish(id);
    if (std::optional<QString> text = FormatText(english, arguments))
        return *text;
    return english;
}

QString LanguagePack::ImagePath(const QString& name) const {
    if (!IsLoaded() || !IsBareName(name, 32))
        return {};
    const QString path = QDir(m_folder).filePath(QStringLiteral("images/%1.png").arg(name));
    return QFileInfo(path).isFile() ? path : QString();
}

std::optional<PackCursor> LanguagePack::Cursor(std::uint32_t id) const {
    const auto it = m_cursors.find(id);
    if (it == m_cursors.end() || !QFileInfo(it->second.path).isFile())
        return std::nullopt;
    return it->second;
}

QString LanguagePack::BuiltInEnglish(std::uint32_t id) {
    const auto& table = BuiltInTable();
    const auto it = table.find(id);
    return it != table.end() ? it->second : QString();
}

}  // namespace kavitro
