// The language packs the build makes: both hold every string the program
// asks for, none is empty, and every format carries exactly the conversions
// its callers pass; the pictures and cursors are there and readable.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

#include "app/EnglishStrings.h"
#include "app/LanguagePack.h"
#include "app/PackCursors.h"
#include "app/Version.h"
#include "document/StringIds.h"

namespace {

using kavitro::LanguagePack;

const QString kLanguageRoot = QStringLiteral(KAVITRO_SHARE_DIR "/lang");

bool HasPersianLetter(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x0600 && c.unicode() <= 0x06FF)
            return true;
    }
    return false;
}

void ExpectCarriesItsConversions(std::uint32_t id, const QString& text) {
    const kavitro::StringUse* use = kavitro::FindStringUse(id);
    ASSERT_NE(use, nullptr) << "string " << id << " is not one the program uses";
    EXPECT_FALSE(text.trimmed().isEmpty()) << "string " << id;
    const std::optional<std::string> conversions = kavitro::FormatConversions(text);
    ASSERT_TRUE(conversions.has_value()) << "string " << id << ": " << text.toStdString();
    EXPECT_EQ(*conversions, kavitro::ExpectedConversions(*use, text.isEmpty() ? u'\0' : text[0].unicode()))
        << "string " << id << ": " << text.toStdString();
    if (use->positionLayout) {
        EXPECT_TRUE(text[0] >= u'1' && text[0] <= u'3') << "string " << id << " shows no position";
    }
}

TEST(PackLint, BothPacksHoldEveryStringWithItsConversions) {
    for (const char* name : {"English", "Farsi"}) {
        SCOPED_TRACE(name);
        LanguagePack pack;
        const LanguagePack::LoadResult result = pack.Load(kLanguageRoot, QString::fromLatin1(name));
        ASSERT_TRUE(result.loaded) << result.file.toStdString() << ": " << result.reason.toStdString();
        EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join(u'\n').toStdString();
        EXPECT_EQ(pack.Version(), kavitro::ProgramVersionString());
        EXPECT_EQ(pack.IsRightToLeft(), QByteArray(name) == "Farsi");

        for (const kavitro::StringUse& use : kavitro::kStringUses) {
            EXPECT_TRUE(pack.HasOwnString(use.id)) << "string " << use.id << " is missing";
        }
        for (const auto& [id, text] : pack.OwnStrings()) {
            ExpectCarriesItsConversions(id, text);
            if (QByteArray(name) == "Farsi") {
                EXPECT_TRUE(HasPersianLetter(text)) << "string " << id << " is not in Persian";
            }
        }
    }
}

TEST(PackLint, BuiltInEnglishIsTheEnglishPack) {
    LanguagePack english;
    ASSERT_TRUE(english.Load(kLanguageRoot, QStringLiteral("English")).loaded);
    std::size_t count = 0;
    for (const kavitro::BuiltInString& s : kavitro::BuiltInEnglishStrings()) {
        ++count;
        ExpectCarriesItsConversions(s.id, QString::fromUtf16(s.text));
        EXPECT_EQ(QString::fromUtf16(s.text), english.Text(s.id)) << "string " << s.id;
    }
    EXPECT_EQ(count, english.OwnStrings().size());
}

// Every string number written as a literal in a call that shows or formats a
// numbered string must be one the catalogue lists, so that the lint above
// covers it.
TEST(PackLint, StringNumbersInTheSourcesAreListed) {
    const QRegularExpression call(
        QStringLiteral(R"(\b(?:ReportError|GetString|LoadString|Text|Format)\(\s*(\d{3,5})\s*[,)])"));
    std::set<std::uint32_t> unknown;
    int files = 0;
    for (const char* layer : {"app", "document", "input", "view", "platform"}) {
        QDirIterator it(QStringLiteral(KAVITRO_SOURCE_DIR "/") + QString::fromLatin1(layer),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            ++files;
            const QString source = QString::fromUtf8(file.readAll());
            for (auto m = call.globalMatch(source); m.hasNext();) {
                const std::uint32_t id = m.next().captured(1).toUInt();
                if (!kavitro::FindStringUse(id))
                    unknown.insert(id);
            }
        }
    }
    EXPECT_GT(files, 0);
    for (std::uint32_t id : unknown) {
        ADD_FAILURE() << "string " << id << " is used in the sources but not listed in document/StringIds.h";
    }
}

TEST(PackLint, PicturesAndCursorsAreThereAndReadable) {
    const auto& cursors = kavitro::kCursorIds;
    QStringList images = {QStringLiteral("LOGO"), QStringLiteral("121"), QStringLiteral("132"),
                          QStringLiteral("133"),  QStringLiteral("134"), QStringLiteral("135"),
                          QStringLiteral("143"),  QStringLiteral("145")};
    for (int n = 1; n <= 32; ++n)
        images << QStringLiteral("DAT%1").arg(n);

    for (const char* name : {"English", "Farsi"}) {
        SCOPED_TRACE(name);
        LanguagePack pack;
        ASSERT_TRUE(pack.Load(kLanguageRoot, QString::fromLatin1(name)).loaded);
        for (const QString& image : images) {
            QImageReader reader(pack.ImagePath(image));
            EXPECT_TRUE(reader.canRead()) << image.toStdString();
            const QSize size = reader.size();
            if (image == u"LOGO") {  // the About box places its scrolling text at 10..250 x 215..360
                EXPECT_TRUE(size.width() >= 250 && size.height() >= 360);
            }
            if (image == u"121" || image.startsWith(u"13")) {  // the line-style image list is 48 x 8
                EXPECT_EQ(size, QSize(48, 8)) << image.toStdString();
            }
            if (image == u"143") {
                EXPECT_EQ(size.height(), 16);
            }
            if (image == u"145") {
                EXPECT_EQ(size.height(), 32);
            }
        }
        std::set<QString> distinct;
        for (std::uint32_t id : cursors) {
            const std::optional<kavitro::PackCursor> cursor = pack.Cursor(id);
            ASSERT_TRUE(cursor.has_value()) << "cursor " << id;
            QImageReader reader(cursor->path);
            const QSize size = reader.size();
            EXPECT_EQ(size, QSize(32, 32)) << "cursor " << id;
            EXPECT_TRUE(cursor->hotX < size.width() && cursor->hotY < size.height());
            QFile file(cursor->path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            distinct.insert(QString::fromLatin1(file.readAll().toHex()));
        }
        EXPECT_EQ(distinct.size(), std::size(cursors)) << "cursors must be told apart";
    }
}

}  // namespace
