#include "app/LockKeyIndicators.h"

#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>

#include <X11/XKBlib.h>

#include "app/LanguagePack.h"

namespace kavitro {

namespace {

std::optional<bool> NamedIndicator(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None)
        return std::nullopt;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return std::nullopt;
    return on != False;
}

}  // namespace

std::optional<LockKeyState> QueryLockKeys() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    const std::optional<bool> caps = NamedIndicator(display, "Caps Lock");
    const std::optional<bool> num = NamedIndicator(display, "Num Lock");
    if (!caps && !num)
        return std::nullopt;
    return LockKeyState{caps.value_or(false), num.value_or(false)};
}

CLockKeyIndicators::CLockKeyIndicators(QStatusBar& bar, Query query) : QObject(&bar), m_query(std::move(query)) {
    const auto pane = [&bar](const QString& name) {
        auto* label = new QLabel(&bar);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        bar.addPermanentWidget(label);
        return label;
    };
    m_num = pane(QStringLiteral("ID_INDICATOR_NUM"));
    m_caps = pane(QStringLiteral("ID_INDICATOR_CAPS"));
}

void CLockKeyIndicators::Retranslate(const LanguagePack& pack) {
    m_capsText = pack.Text(kCapsPane);
    m_numText = pack.Text(kNumPane);
    // Wide enough for the text whether it shows or not, so nothing moves.
    for (auto [label, text] : {std::pair{m_caps, m_capsText}, std::pair{m_num, m_numText}})
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) + 8);
    Refresh();
}

void CLockKeyIndicators::Refresh() {
    const LockKeyState state = (m_query ? m_query() : std::nullopt).value_or(LockKeyState{});
    m_caps->setText(state.capsLock ? m_capsText : QString());
    m_num->setText(state.numLock ? m_numText : QString());
}

}  // namespace kavitro
