#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/LanguageModule.h"
#include "app/LanguagePack.h"
#include "app/Version.h"
#include "document/StringIds.h"

namespace {

using kavitro::LanguageModule;
using kavitro::LanguagePack;
namespace StringId = kavitro::StringId;

QString Manifest(const QString& version = kavitro::ProgramVersionString(), const QString& extra = {}) {
    return QStringLiteral(R"({"format": 1, "name": "Test", "version": "%1", "rightToLeft": true,
        "dialogFont": {"family": "DejaVu Sans", "pointSize": 11}, "cursors": {"161": [3, 4]}%2})")
        .arg(version, extra);
}

// A pack folder made by the test: <root>/<name>/pack.json and strings.txt.
class PackFixture : public ::testing::Test {
protected:
    void Write(const QString& name, const QString& file, const QByteArray& bytes) {
        ASSERT_TRUE(QDir(m_root.path()).mkpath(name + QStringLiteral("/images")));
        QFile f(QDir(m_root.path()).filePath(name + u'/' + file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void WritePack(const QString& name, const QString& manifest, const QString& strings) {
        Write(name, QStringLiteral("pack.json"), manifest.toUtf8());
        Write(name, QStringLiteral("strings.txt"), strings.toUtf8());
    }
    QString Root() const { return m_root.path(); }

    QTemporaryDir m_root;
};

TEST(PackStrings, ParsesLinesAndSkipsBadOnes) {
    const QByteArray text =
        "# comment\r\n"
        "11015\t\xD8\xAA\xD8\xA3\xDB\x8C\xDB\x8C\xD8\xAF\r\n"  // Persian, CRLF
        "\n"
        "11006\t1X:\\t%.2f %s\\nnext \\\\ end\n"
        "11020 no tab\n"
        "0\tzero\n"
        "70000\ttoo big\n"
        "12a\tnot a number\n"
        "11021\t   \n"
        "11022\tbad \\q escape\n"
        "11015\tgiven twice\n"
        "11023\tcarriage\rreturn\n";
    const std::optional<kavitro::PackStrings> parsed = kavitro::ParsePackStrings(text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->strings.size(), 2u);
    EXPECT_EQ(parsed->strings.at(11015), QStringLiteral("تأیید"));
    EXPECT_EQ(parsed->strings.at(11006), QStringLiteral("1X:\t%.2f %s\nnext \\ end"));
    ASSERT_EQ(parsed->problems.size(), 8);
    EXPECT_TRUE(parsed->problems[0].startsWith(QStringLiteral("line 5:")));
    EXPECT_TRUE(parsed->problems[6].contains(QStringLiteral("twice")));
    EXPECT_TRUE(parsed->problems[7].contains(QStringLiteral("control character")));

    EXPECT_FALSE(kavitro::ParsePackStrings("11015\tOK\xFF\n").has_value());
}

TEST(PackStrings, NamesFromTheSetting) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"Farsi.dll", u"Farsi"}, {u"English.DLL", u"English"}, {u"Farsi", u"Farsi"},
        {u"Pack_2-b.Dll", u"Pack_2-b"}, {u"../Farsi.dll", u""}, {u"/usr/share/Farsi", u""},
        {u"a/b.dll", u""}, {u"C:\\Farsi.dll", u""}, {u"", u""}, {u".dll", u""}, {u"..", u""},
        {u"Far si.dll", u""}, {u"Farsi.dll.dll", u""},
    };
    for (const auto& [setting, name] : cases) {
        EXPECT_EQ(kavitro::PackNameFromSetting(QStringView(setting)), QString::fromUtf16(name))
            << QString::fromUtf16(setting).toStdString();
    }
    EXPECT_EQ(kavitro::PackNameFromSetting(QString(65, u'a')), QString());

    EXPECT_EQ(kavitro::OtherLanguageSetting(u"farsi.dll"), QStringLiteral("English.DLL"));
    EXPECT_EQ(kavitro::OtherLanguageSetting(u"English.DLL"), QStringLiteral("Farsi.DLL"));
    EXPECT_EQ(kavitro::OtherLanguageSetting(u"Other.dll"), QStringLiteral("Farsi.DLL"));
}

TEST_F(PackFixture, LoadedPackFallsBackToEnglishPerString) {
    WritePack(QStringLiteral("Test"), Manifest(),
              QStringLiteral("11015\tتأیید\n"
                             "11010\tافقی: %s\n"          // a caller passes a double: unusable
                             "11012\tاندازه %d%%\n"
                             "11007\t2عمودی: %.1f %s\n"));
    LanguagePack pack;
    EXPECT_FALSE(pack.IsRightToLeft());
    EXPECT_EQ(pack.Text(StringId::ButtonOk), QStringLiteral("OK"));  // built in

    const LanguagePack::LoadResult result = pack.Load(Root(), QStringLiteral("Test"));
    ASSERT_TRUE(result.loaded) << result.reason.toStdString();
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("11010")));
    EXPECT_TRUE(result.file.endsWith(QStringLiteral("Test/strings.txt")));

    EXPECT_TRUE(pack.IsRightToLeft());
    EXPECT_EQ(pack.Version(), kavitro::ProgramVersionString());
    EXPECT_EQ(pack.DialogFontFamily(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(pack.DialogFontPointSize(), 11);
    EXPECT_EQ(pack.Text(StringId::ButtonOk), QStringLiteral("تأیید"));
    EXPECT_EQ(pack.Text(StringId::ButtonCancel), QStringLiteral("Cancel"));       // missing: English
    EXPECT_EQ(pack.Format(StringId::HorizontalGuideLine, {2.5}), QStringLiteral("Horizontal: 2.50"));
    EXPECT_EQ(pack.Format(StringId::PointSizeCaption, {80LL}), QStringLiteral("اندازه 80%"));
    EXPECT_EQ(pack.Format(StringId::HorizontalRulerPosition, {1.5, QStringLiteral("mm")}),
              QStringLiteral("2عمودی: 1.5 mm"));
    // A caller passing the wrong kind gets the English text when that fits, else the bare text.
    EXPECT_EQ(pack.Format(StringId::PointSizeCaption, {QStringLiteral("x")}), QStringLiteral("Point size (%d%%)"));
    EXPECT_EQ(pack.Text(1), QString());
    EXPECT_EQ(pack.ImagePath(QStringLiteral("LOGO")), QString());   // none in this pack
    EXPECT_EQ(pack.ImagePath(QStringLiteral("../pack")), QString());
    EXPECT_FALSE(pack.Cursor(161).has_value());                       // listed, file absent
}

TEST_F(PackFixture, FailedLoadNamesTheFileAndKeepsTheTextsInUse) {
    WritePack(QStringLiteral("Good"), Manifest(), QStringLiteral("11015\tتأیید\n"));
    struct Case {
        const char* name;
        QByteArray manifest;
        QByteArray strings;
        const char* file;  // the file the result must name
    };
    const QByteArray strings = "11015\tOK\n";
    const Case cases[] = {
        {"NotJson", "{\"format\": 1,", strings, "pack.json"},
        {"Format2", Manifest().replace(QStringLiteral("\"format\": 1"), QStringLiteral("\"format\": 2")).toUtf8(),
         strings, "pack.json"},
        {"BadVersion", Manifest(QStringLiteral("2.x")).toUtf8(), strings, "pack.json"},
        {"NoRtl", Manifest().replace(QStringLiteral("\"rightToLeft\": true,"), QString()).toUtf8(), strings,
         "pack.json"},
        {"HugeFont", Manifest().replace(QStringLiteral("11}"), QStringLiteral("1000}")).toUtf8(), strings,
         "pack.json"},
        {"BadCursor", Manifest({}, QStringLiteral(R"(, "cursors": {"161": [3]})")).toUtf8(), strings, "pack.json"},
        {"NotUtf8", Manifest().toUtf8(), "11015\t\xC3\x28\n", "strings.txt"},
        {"TooLarge", Manifest().toUtf8(), QByteArray(LanguagePack::kMaxStringsFileSize + 1, 'a'), "strings.txt"},
        {"NoStrings", Manifest().toUtf8(), {}, "strings.txt"},
        {"NoManifest", {}, strings, "pack.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        if (!c.manifest.isEmpty())
            Write(name, QStringLiteral("pack.json"), c.manifest);
        if (!c.strings.isEmpty())
            Write(name, QStringLiteral("strings.txt"), c.strings);
        if (c.manifest.isEmpty() || c.strings.isEmpty()) {
            ASSERT_TRUE(QDir(Root()).mkpath(name));
        }

        LanguagePack pack;
        ASSERT_TRUE(pack.Load(Root(), QStringLiteral("Good")).loaded);
        const LanguagePack::LoadResult result = pack.Load(Root(), name);
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.file, QDir(Root()).filePath(name + u'/' + QString::fromLatin1(c.file)));
        EXPECT_FALSE(result.reason.isEmpty());
        EXPECT_EQ(pack.Name(), QStringLiteral("Good"));
        EXPECT_EQ(pack.Text(StringId::ButtonOk), QStringLiteral("تأیید"));
    }

    // Neither is read: a FIFO would block the start, /dev/zero fill memory.
    Write(QStringLiteral("Fifo"), QStringLiteral("pack.json"), Manifest().toUtf8());
    const QString fifo = QDir(Root()).filePath(QStringLiteral("Fifo/strings.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir(Root()).mkpath(QStringLiteral("Zero")));
    const QString zero = QDir(Root()).filePath(QStringLiteral("Zero/pack.json"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    for (const QString& file : {fifo, zero}) {
        LanguagePack pack;
        const LanguagePack::LoadResult result = pack.Load(Root(), QFileInfo(file).dir().dirName());
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.file, file);
        EXPECT_FALSE(result.reason.isEmpty());
    }

    LanguagePack pack;
    const LanguagePack::LoadResult missing = pack.Load(Root(), QStringLiteral("Absent"));
    EXPECT_FALSE(missing.loaded);
    EXPECT_EQ(missing.file, QDir(Root()).filePath(QStringLiteral("Absent")));
    EXPECT_FALSE(pack.IsLoaded());
    EXPECT_FALSE(pack.Load(Root(), QStringLiteral("../Good")).loaded);
}

TEST_F(PackFixture, StartReportsInEnglishAndGoesOn) {
    WritePack(QStringLiteral("Old"), Manifest(QStringLiteral("1.9.0.0")), QStringLiteral("11015\tتأیید\n"));
    WritePack(QStringLiteral("Patchy"), Manifest(), QStringLiteral("11015\tتأیید\n11011\t%d\n"));
    struct Case {
        const char* setting;
        const char* address;
        bool loaded;
        std::vector<const char16_t*> fragments;  // one report per entry, each holding its fragment
    };
    const Case cases[] = {
        {"Missing.dll", "", false, {u"Missing\" cannot be used (the folder is missing)"}},
        {"../Old.dll", "", false, {u"\"../Old.dll\" cannot be used"}},
        {"Old.dll", "https://example.org/kavitro", true, {u"of version 1.9.0.0, but the program"}},
        {"Patchy.dll", "", true, {u"Patchy/strings.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        LanguageModule module(Root());
        kavitro::RecordingErrorReport report;
        EXPECT_EQ(kavitro::LoadLanguageAtStart(module, QString::fromLatin1(c.setting),
                                               QString::fromLatin1(c.address), report),
                  c.loaded);
        ASSERT_EQ(report.Reports().size(), c.fragments.size());
        for (std::size_t i = 0; i < c.fragments.size(); ++i) {
            const QString text = QString::fromStdU16String(report.Reports()[i].text);
            EXPECT_TRUE(text.contains(QString::fromUtf16(c.fragments[i]))) << text.toStdString();
            EXPECT_EQ(report.Reports()[i].buttons, kavitro::MessageButtons::Ok);
        }
        if (c.address[0] != '\0') {
            const QString text = QString::fromStdU16String(report.Reports().back().text);
            EXPECT_TRUE(text.endsWith(u'\n' + QString::fromLatin1(c.address)));
        }
    }
}

}  // namespace
