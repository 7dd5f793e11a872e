// The settings record bound to QSettings, on INI files in a temporary folder:
// the names it writes, what it makes of hand-edited values, and the session
// that loads at start and saves on every way out.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "app/QtProfileStore.h"

namespace kavitro {
namespace {

using P = CApplicationProperties;

class QtProfileStoreTest : public ::testing::Test {
protected:
    QString IniPath() const { return m_dir.filePath(QStringLiteral("profile.ini")); }

    void WriteIni(const QByteArray& text) const {
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    P LoadFromIni() const {
        QSettings settings(IniPath(), QSettings::IniFormat);
        const QtProfileStore store(settings);
        P properties;
        properties.Load(store);
        return properties;
    }

    QTemporaryDir m_dir;
};

TEST_F(QtProfileStoreTest, SavesUnderTheSectionAndValueNames) {
    P properties;
    properties[P::GridColor] = 0x0000FF;  // red, as 0x00BBGGRR
    properties.m_languageModule = u"English.dll";
    {
        QSettings settings(IniPath(), QSettings::IniFormat);
        QtProfileStore store(settings);
        properties.Save(store);
    }
    QSettings read(IniPath(), QSettings::IniFormat);
    EXPECT_EQ(read.value(QStringLiteral("Settings/Grid/GridColor")).toInt(), 0x0000FF);
    EXPECT_EQ(read.value(QStringLiteral("Settings/Clipboard/Kavitro")).toInt(), 1);
    EXPECT_EQ(read.value(QStringLiteral("Settings/Application Background/RGB")).toInt(), 0xC0C0C0);
    EXPECT_EQ(read.value(QStringLiteral("Settings/Draw Baseline")).toInt(), 0);
    EXPECT_EQ(read.value(QStringLiteral("Settings/Language DLL")).toString(), QStringLiteral("English.dll"));
    EXPECT_EQ(read.allKeys().size(), 46);

    const P loaded = LoadFromIni();
    EXPECT_EQ(loaded.m_values, properties.m_values);
    EXPECT_EQ(loaded.m_languageModule, u"English.dll");
}

TEST_F(QtProfileStoreTest, HandEditedValuesLoadInRange) {
    WriteIni(
        "[Settings]\n"
        "Language%20DLL=../../lib/evil.so\n"
        "TabSize=8\n"
        "DebugLevel=lots\n"
        "Grid\\GridHorizontalFreq=0\n"
        "Grid\\GridVerticalFreq=12\n"
        "Grid\\GridColor=255\n"
        "Clipboard\\BMPSize=99999999999\n"
        "Clipboard\\EMF=4000000000\n"
        "Miscellaneous\\SmartSpacingMaxOverlapDenominator=0\n"
        "Miscellaneous\\PointSize_Size=95\n");
    const P loaded = LoadFromIni();
    EXPECT_EQ(loaded.m_languageModule, u"Farsi.dll");
    EXPECT_EQ(loaded[P::DebugLevel], 0);
    EXPECT_EQ(loaded[P::TabSize], 8);
    EXPECT_EQ(loaded[P::GridHorizontalFreq], 10);
    EXPECT_EQ(loaded[P::GridVerticalFreq], 12);
    EXPECT_EQ(loaded[P::GridColor], 255);
    EXPECT_EQ(loaded[P::ClipboardBMPSize], 50) << "beyond 32 bits reads as absent";
    EXPECT_EQ(loaded[P::ClipboardEMF], 1);
    EXPECT_EQ(loaded[P::SmartSpacingMaxOverlapDenominator], 10);
    EXPECT_EQ(loaded[P::PointSize_Size], 95);
}

TEST_F(QtProfileStoreTest, SessionLoadsWhenMadeAndSavesWhenLeft) {
    QCoreApplication::setOrganizationName(QStringLiteral("Kavitro Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Kavitro"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    const QString file = m_dir.filePath(QStringLiteral("Kavitro Applications/Kavitro.ini"));
    {
        QSettings settings;
        ASSERT_EQ(settings.fileName(), file);
        settings.setValue(QStringLiteral("Settings/TabSize"), 9);
    }

    P properties;
    {
        const ApplicationSettingsSession session(properties);
        EXPECT_EQ(properties[P::TabSize], 9);
        properties[P::ShowGrid] = 0;
    }
    QSettings read(file, QSettings::IniFormat);
    EXPECT_EQ(read.value(QStringLiteral("Settings/Grid/ShowGrid")).toInt(), 0);
    EXPECT_EQ(read.value(QStringLiteral("Settings/TabSize")).toInt(), 9);
}

}  // namespace
}  // namespace kavitro
