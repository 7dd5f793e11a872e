#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <optional>

#include "app/KavitroApp.h"
#include "app/QtProfileStore.h"
#include "app/StartupDisplay.h"
#include "app/Version.h"
#include "platform/qt/HeadlessSession.h"

namespace {

// The program's switches, for both readings of the command line.
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption help = parser.addHelpOption();
    QCommandLineOption version = parser.addVersionOption();
    QCommandLineOption print{{QStringLiteral("p"), QStringLiteral("print")},
                             QStringLiteral("Print the documents on the default printer, then quit.")};

    CommandLine() {
        parser.setApplicationDescription(QStringLiteral("Persian calligraphy in the Nastaliq style"));
        parser.addPositionalArgument(QStringLiteral("documents"), QStringLiteral("Documents to open (.kv2)."),
                                     QStringLiteral("[documents...]"));
        parser.addOption(print);
    }
};

void SetApplicationNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("Kavitro Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Kavitro"));
    QCoreApplication::setApplicationVersion(kavitro::ProgramVersionString());
}

void PrintToStdout(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

QStringList Arguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// What the command line asks before any window may be shown: --help and
// --version are answered here (exit status given), without a display; the
// print switch needs none either. Qt's own switches (-platform, -display)
// are not known yet: a wrong switch is reported by the full reading later.
struct EarlyAnswer {
    std::optional<int> exitStatus;
    bool print = false;
};

EarlyAnswer ReadEarlyOptions(int argc, char* argv[], const kavitro::DisplayRequest& display) {
    const QCoreApplication core(argc, argv);
    CommandLine line;
    line.parser.parse(QCoreApplication::arguments());
    // --help-all adds Qt's own switches, which only the full reading knows;
    // without a display the program's own are still told.
    const bool helpAll = line.parser.isSet(QStringLiteral("help-all"));
    if (line.parser.isSet(line.help) || (helpAll && !kavitro::HasDisplayToTry(display))) {
        PrintToStdout(line.parser.helpText());
        return {0};
    }
    if (line.parser.isSet(line.version)) {
        PrintToStdout(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion() +
                      QLatin1Char('\n'));
        return {0};
    }
    return {std::nullopt, line.parser.isSet(line.print)};
}

}  // namespace

int main(int argc, char* argv[]) {
    SetApplicationNames();
    kavitro::DisplayRequest display = kavitro::ReadDisplayRequest(Arguments(argc, argv));
    const EarlyAnswer early = ReadEarlyOptions(argc, argv, display);
    if (early.exitStatus)
        return *early.exitStatus;

    // Printing shows no window, so it works without a screen, as the
    // command-line tools do.
    std::optional<kavitro::HeadlessSession> headless;
    if (!kavitro::HasDisplayToTry(display)) {
        if (!early.print) {
            std::fputs("kavitro: no display: set DISPLAY or WAYLAND_DISPLAY\n", stderr);
            return 1;
        }
        headless.emplace();
        display = kavitro::ReadDisplayRequest(Arguments(argc, argv));
    }
    std::optional<kavitro::DisplayFailureGuard> guard;
    if (kavitro::NeedsDisplayServer(display))
        guard.emplace(kavitro::DisplayName(display));
    QApplication application(argc, argv);
    guard.reset();

    CommandLine line;
    line.parser.process(application);

    // Loaded before anything reads a setting; written back on every way out
    // of main, a failed start included.
    kavitro::CApplicationProperties properties;
    const kavitro::ApplicationSettingsSession settingsSession(properties);

    kavitro::AppOptions options;
    options.documents = line.parser.positionalArguments();
    options.printDocuments = line.parser.isSet(line.print);
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
