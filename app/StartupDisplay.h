#pragma once

// Whether the program can reach a display, found out before Qt tries: a Qt
// platform that cannot connect aborts the program with advice about
// reinstalling it. The user is told instead, in one line, which display is
// missing.

#include <QString>
#include <QStringList>

namespace kavitro {

// Where Qt is going to show windows: from the command line (-platform,
// -display) or else the environment (QT_QPA_PLATFORM, DISPLAY,
// WAYLAND_DISPLAY).
struct DisplayRequest {
    QString platform;  // empty: Qt's default, X11 or Wayland
    QString display;   // X11
    QString waylandDisplay;
};
DisplayRequest ReadDisplayRequest(const QStringList& arguments);

// Whether the platform shows windows through a display server (X11 or
// Wayland), unlike the offscreen or framebuffer platforms.
bool NeedsDisplayServer(const DisplayRequest& request);

// The display named in messages: the X11 one, else the Wayland one; empty
// when neither is set.
QString DisplayName(const DisplayRequest& request);

// Whether there is anything to show windows on: a display named, or a
// platform that needs none.
bool HasDisplayToTry(const DisplayRequest& request);

// Lives while the QApplication is made. When Qt cannot open the display it
// gives up with a fatal message: that becomes "kavitro: cannot open display
// '<name>'" and exit status 1, and Qt's other words about it are dropped.
// When it can, the messages held back meanwhile are passed on.
class DisplayFailureGuard {
public:
    explicit DisplayFailureGuard(const QString& display);
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard& operator=(const DisplayFailureGuard&) = delete;
};

}  // namespace kavitro
