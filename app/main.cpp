#include <QApplication>

#include "app/LanguageService.h"
#include "app/MainWindow.h"
#include "app/QtProfileStore.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kavitro Applications"));
    QApplication::setApplicationName(QStringLiteral("Kavitro"));
    // Loaded before anything reads a setting; written back on every way out
    // of main, a failed start included.
    kavitro::CApplicationProperties properties;
    const kavitro::ApplicationSettingsSession settingsSession(properties);
    kavitro::MainWindow window;
    // The language pack and the update check: a missing or damaged pack, one
    // of another version, or a newer release is told, never fatal.
    kavitro::LanguageService language(properties, &window, kavitro::LanguageModule::DefaultLanguageRoot(),
                                      kavitro::GetHomePageUrl());
    language.Start();
    window.show();
    return QApplication::exec();
}
