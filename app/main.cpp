#include <QApplication>
#include <QCommandLineParser>

#include "app/KavitroApp.h"
#include "app/QtProfileStore.h"
#include "app/Version.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kavitro Applications"));
    QApplication::setApplicationName(QStringLiteral("Kavitro"));
    QApplication::setApplicationVersion(kavitro::ProgramVersionString());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Persian calligraphy in the Nastaliq style"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("documents"), QStringLiteral("Documents to open (.kv2)."),
                                 QStringLiteral("[documents...]"));
    const QCommandLineOption print({QStringLiteral("p"), QStringLiteral("print")},
                                   QStringLiteral("Print the documents on the default printer, then quit."));
    parser.addOption(print);
    parser.process(application);

    // Loaded before anything reads a setting; written back on every way out
    // of main, a failed start included.
    kavitro::CApplicationProperties properties;
    const kavitro::ApplicationSettingsSession settingsSession(properties);

    kavitro::AppOptions options;
    options.documents = parser.positionalArguments();
    options.printDocuments = parser.isSet(print);
    options.showSplash = !options.printDocuments;
    options.releaseAddress = kavitro::GetHomePageUrl();
    // Printing where no window can be answered: every message goes to
    // standard error instead of a box that would wait for ever.
    kavitro::ConsoleErrorReport console;
    if (options.printDocuments && !kavitro::IsInteractivePlatform(QGuiApplication::platformName()))
        options.report = &console;
    kavitro::CKavitroApp app(properties, options);
    console.SetTexts([&app](std::uint32_t id) { return app.Pack().Text(id); });
    if (!app.Start())
        return 1;
    if (options.printDocuments)
        return app.PrintDocuments() ? 0 : 1;
    return QApplication::exec();
}
