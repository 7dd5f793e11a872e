// Which folder the program takes its glyph artwork from.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/qt/ProgramFolders.h"

namespace {

TEST(ProgramFolders, DerivedArtworkIsTakenOnlyWhenItsFirstFontIsThere) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const QString data = QDir::cleanPath(root.filePath(QStringLiteral("share/kavitro")));
    const QString derived = QDir::cleanPath(root.filePath(QStringLiteral("share/kavitro-nastaliq")));
    EXPECT_EQ(kavitro::ProgramDataFolder(bin), data);
    EXPECT_EQ(kavitro::GlyphArtworkFolder(bin), data);
    // A derived folder without its fonts (an interrupted build) is not used.
    QDir().mkpath(derived + QStringLiteral("/fonts"));
    EXPECT_EQ(kavitro::GlyphArtworkFolder(bin), data);
    QFile font(derived + QStringLiteral("/fonts/Vorl21.ttf"));
    ASSERT_TRUE(font.open(QIODevice::WriteOnly));
    font.close();
    EXPECT_EQ(kavitro::GlyphArtworkFolder(bin), derived);
    // The tools choose from their data folder the same way.
    EXPECT_EQ(kavitro::GlyphArtworkFolderOf(data + QStringLiteral("/")), derived);
}

}  // namespace
