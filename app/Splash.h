#pragma once

// The splash window: the pack's logo over the main frame while the program
// starts, gone after 750 ms or at the first key or mouse press, which it
// swallows so that the press does nothing else. At most one exists.

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace kavitro {

class LanguagePack;

class CSplashWnd final : public QWidget {
public:
    static constexpr int kShowMs = 750;

    // Shows the splash over `frame` when `allowed` (the command line's
    // splash switch), none is up, and the pack has a logo; false otherwise.
    static bool ShowSplashScreen(QWidget* frame, const LanguagePack& pack, bool allowed);
    // The splash that is up, or null.
    static CSplashWnd* Current();

    ~CSplashWnd() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CSplashWnd(QWidget* frame, const QPixmap& logo);
    void Finish();

    QPixmap m_logo;
    QPointer<QWidget> m_frame;
    QTimer m_timer;
    bool m_finishing = false;
};

}  // namespace kavitro
