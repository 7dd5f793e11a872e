#pragma once

// What the dialog tests share: one QApplication per test process, the two
// language packs the build makes, and screenshots kept in the build folder.

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

#include "app/LanguagePack.h"
#include "app/dialogs/DialogLanguage.h"

namespace kavitro::test {

// One application per test, gone before the process ends (as Qt wants).
inline std::unique_ptr<QApplication> MakeDialogApplication() {
    static int argc = 1;
    static char name[] = "dialog_tests";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

// The pack `name` ("English", "Farsi") made by the build.
inline const LanguagePack& BuiltPack(const QString& name) {
    static LanguagePack english, farsi;
    LanguagePack& pack = name == QLatin1String("Farsi") ? farsi : english;
    if (!pack.IsLoaded()) {
        const auto result = pack.Load(QStringLiteral(KAVITRO_SHARE_DIR "/lang"), name);
        EXPECT_TRUE(result.loaded) << result.reason.toStdString();
    }
    return pack;
}

// Saves the widget's picture as <build>/artefacts/dialogs/<name>.png.
inline void SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = QStringLiteral(KAVITRO_BINARY_DIR "/artefacts/dialogs");
    QDir().mkpath(folder);
    widget.adjustSize();
    widget.show();
    QApplication::processEvents();
    const QPixmap picture = widget.grab();
    EXPECT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
    widget.hide();
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { m_application = MakeDialogApplication(); }
    void TearDown() override {
        SetDialogLanguage(nullptr);
        m_application.reset();
    }
    std::unique_ptr<QApplication> m_application;
};

}  // namespace kavitro::test
