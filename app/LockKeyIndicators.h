#pragma once

// The status bar's "CAPS" and "NUM" panes: each shows its text while its
// lock key is on and is blank while it is off, read from the keyboard state
// as often as Refresh is called.

#include <QObject>

#include <functional>
#include <optional>

class QLabel;
class QStatusBar;

namespace kavitro {

class LanguagePack;

struct LockKeyState {
    bool capsLock = false;
    bool numLock = false;
};

// The lock keys as the display server knows them; nothing where they cannot
// be read (no X11 display).
std::optional<LockKeyState> QueryLockKeys();

class CLockKeyIndicators final : public QObject {
    Q_OBJECT
public:
    static constexpr std::uint32_t kCapsPane = 59137;
    static constexpr std::uint32_t kNumPane = 59138;
    using Query = std::function<std::optional<LockKeyState>()>;

    // Adds the two panes to the right of the status bar.
    CLockKeyIndicators(QStatusBar& bar, Query query = QueryLockKeys);

    void Retranslate(const LanguagePack& pack);
    void Refresh();

    QLabel* CapsPane() const { return m_caps; }
    QLabel* NumPane() const { return m_num; }

private:
    Query m_query;
    QLabel* m_caps = nullptr;
    QLabel* m_num = nullptr;
    QString m_capsText;
    QString m_numText;
};

}  // namespace kavitro
