#include "app/Splash.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "app/LanguagePack.h"
#include "app/PackPicture.h"

namespace kavitro {

namespace {

QPointer<CSplashWnd> g_splash;

bool IsPress(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool CSplashWnd::ShowSplashScreen(QWidget* frame, const LanguagePack& pack, bool allowed) {
    if (!allowed || g_splash)
        return false;
    const QPixmap logo = PackLogo(pack);
    if (logo.isNull())
        return false;
    g_splash = new CSplashWnd(frame, logo);
    g_splash->show();
    return true;
}

CSplashWnd* CSplashWnd::Current() { return g_splash.data(); }

CSplashWnd::CSplashWnd(QWidget* frame, const QPixmap& logo)
    : QWidget(frame, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_logo(logo),
      m_frame(frame) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_logo.deviceIndependentSize().toSize());
    // Over the frame when it is already up, else in the middle of the screen.
    QRect around;
    if (frame && frame->isVisible())
        around = frame->frameGeometry();
    else if (const QScreen* screen = frame ? frame->screen() : QGuiApplication::primaryScreen())
        around = screen->availableGeometry();
    if (around.isValid())
        move(around.center() - rect().center());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // Closed by time: the next press is the user's own again.
        qApp->removeEventFilter(this);
        Finish();
    });
    m_timer.start(kShowMs);
    qApp->installEventFilter(this);
}

CSplashWnd::~CSplashWnd() {
    if (qApp)
        qApp->removeEventFilter(this);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_logo);
}

bool CSplashWnd::eventFilter(QObject*, QEvent* event) {
    // A key first asks whether a shortcut may have it; taking that question
    // keeps a shortcut such as Ctrl+O from acting on the press that only
    // closes the splash.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        Finish();
        return true;
    }
    if (!IsPress(event->type()))
        return false;
    // Until the window is gone, every part of the closing press is taken.
    Finish();
    return true;
}

void CSplashWnd::Finish() {
    if (m_finishing)
        return;
    m_finishing = true;
    m_timer.stop();
    close();
    if (m_frame)
        m_frame->update();
}

}  // namespace kavitro
