#include "app/StartupDisplay.h"

#include <QMessageLogContext>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace kavitro {

namespace {

// Qt takes its own switches with one dash or two.
QString SwitchValue(const QStringList& arguments, const QString& name) {
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1Char('-') + name || arguments[i] == QStringLiteral("--") + name)
            return arguments[i + 1];
    }
    return {};
}

QString FromSwitchOrEnvironment(const QStringList& arguments, const QString& name, const char* variable) {
    const QString value = SwitchValue(arguments, name);
    return value.isEmpty() ? qEnvironmentVariable(variable) : value;
}

struct HeldMessage {
    QtMsgType type;
    QString text;
    std::string file, function, category;
    int line;
};

// The guard's state: a message handler is a plain function.
struct GuardState {
    QByteArray failureLine;
    std::vector<HeldMessage> held;
    QtMessageHandler previous = nullptr;
};
std::optional<GuardState> g_guard;

const char* OrEmpty(const char* s) { return s ? s : ""; }

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fputs(g_guard->failureLine.constData(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    g_guard->held.push_back(
        {type, text, OrEmpty(context.file), OrEmpty(context.function), OrEmpty(context.category), context.line});
}

}  // namespace

DisplayRequest ReadDisplayRequest(const QStringList& arguments) {
    return {FromSwitchOrEnvironment(arguments, QStringLiteral("platform"), "QT_QPA_PLATFORM"),
            FromSwitchOrEnvironment(arguments, QStringLiteral("display"), "DISPLAY"),
            qEnvironmentVariable("WAYLAND_DISPLAY")};
}

bool NeedsDisplayServer(const DisplayRequest& request) {
    if (request.platform.isEmpty())
        return true;
    // A list of platforms to try ("wayland;xcb"), each perhaps with options
    // after a colon.
    for (const QString& entry : request.platform.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (name != QLatin1String("xcb") && !name.startsWith(QLatin1String("wayland")))
            return false;
    }
    return true;
}

QString DisplayName(const DisplayRequest& request) {
    return request.display.isEmpty() ? request.waylandDisplay : request.display;
}

bool HasDisplayToTry(const DisplayRequest& request) {
    return !NeedsDisplayServer(request) || !DisplayName(request).isEmpty();
}

DisplayFailureGuard::DisplayFailureGuard(const QString& display) {
    g_guard.emplace();
    g_guard->failureLine = QStringLiteral("kavitro: cannot open display '%1'\n").arg(display).toLocal8Bit();
    g_guard->previous = qInstallMessageHandler(HoldMessage);
}

DisplayFailureGuard::~DisplayFailureGuard() {
    qInstallMessageHandler(g_guard->previous);
    for (const HeldMessage& m : g_guard->held) {
        const QMessageLogContext context(m.file.c_str(), m.line, m.function.c_str(), m.category.c_str());
        qt_message_output(m.type, context, m.text);
    }
    g_guard.reset();
}

}  // namespace kavitro
