#include "app/ApplicationLook.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QStyleFactory>

#include <algorithm>
#include <array>

namespace kavitro {

namespace {

const QString kFusion = QStringLiteral("Fusion");
const QString kWindows = QStringLiteral("Windows");

struct SchemeColours {
    QColor window, base, button, text, highlight;
};

SchemeColours ColoursOf(LookColours colours) {
    switch (colours) {
    case LookColours::Blue:
        return {{0xD5, 0xE4, 0xF2}, {0xFF, 0xFF, 0xFF}, {0xC4, 0xDA, 0xF0}, Qt::black, {0x3D, 0x7B, 0xC4}};
    case LookColours::Black:
        return {{0x53, 0x53, 0x53}, {0x3A, 0x3A, 0x3A}, {0x64, 0x64, 0x64}, Qt::white, {0xE0, 0x9A, 0x2C}};
    case LookColours::Silver:
        return {{0xE3, 0xE6, 0xEB}, {0xFF, 0xFF, 0xFF}, {0xD4, 0xD8, 0xDF}, Qt::black, {0x7A, 0x86, 0x99}};
    case LookColours::Aqua:
        return {{0xCE, 0xE5, 0xE8}, {0xFF, 0xFF, 0xFF}, {0xB5, 0xD9, 0xDE}, Qt::black, {0x2E, 0x8B, 0x9A}};
    case LookColours::Standard: break;
    }
    return {};
}

}  // namespace

QString CApplicationLooks::Name(std::uint32_t id) {
    switch (id) {
    case 205: return QStringLiteral("Windows 2000");
    case 206: return QStringLiteral("Office XP");
    case 207: return QStringLiteral("Windows XP");
    case 208: return QStringLiteral("Office 2003");
    case 209: return QStringLiteral("Visual Studio 2005");
    case 210: return QStringLiteral("Visual Studio 2008");
    case 211:
    case 212:
    case 213:
    case 214: return QStringLiteral("Office 2007");
    case 215: return QStringLiteral("Office 2007 (Blue)");
    case 216: return QStringLiteral("Office 2007 (Black)");
    case 217: return QStringLiteral("Office 2007 (Silver)");
    case 218: return QStringLiteral("Office 2007 (Aqua)");
    case 219: return QStringLiteral("Windows 7");
    default: return {};
    }
}

bool CApplicationLooks::Choose(std::uint32_t id) {
    if (!IsLookCommand(id))
        return false;
    m_current = id;
    switch (id) {
    case 215: m_office2007 = LookColours::Blue; break;
    case 216: m_office2007 = LookColours::Black; break;
    case 217: m_office2007 = LookColours::Silver; break;
    case 218: m_office2007 = LookColours::Aqua; break;
    default: break;
    }
    return true;
}

ApplicationLook CApplicationLooks::Look() const {
    switch (m_current) {
    case 205: return {kWindows, LookColours::Standard};
    case 206: return {kWindows, LookColours::Silver};
    case 207: return {kFusion, LookColours::Silver};
    case 208: return {kFusion, LookColours::Blue};
    case 209: return {kWindows, LookColours::Blue};
    case 219: return {kFusion, LookColours::Aqua};
    default: break;
    }
    if (m_current >= 211 && m_current <= 218)
        return {kFusion, m_office2007};
    return {};  // 210: the desktop's own look
}

QPalette LookPalette(LookColours colours, const QPalette& standard) {
    if (colours == LookColours::Standard)
        return standard;
    const SchemeColours c = ColoursOf(colours);
    QPalette palette = standard;
    palette.setColor(QPalette::Window, c.window);
    palette.setColor(QPalette::Base, c.base);
    palette.setColor(QPalette::AlternateBase, c.window);
    palette.setColor(QPalette::Button, c.button);
    palette.setColor(QPalette::WindowText, c.text);
    palette.setColor(QPalette::ButtonText, c.text);
    palette.setColor(QPalette::Text, colours == LookColours::Black ? QColor(Qt::white) : QColor(Qt::black));
    palette.setColor(QPalette::Highlight, c.highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, c.base);
    palette.setColor(QPalette::ToolTipText, palette.color(QPalette::Text));
    // Disabled texts stay readable but fainter on every scheme.
    const QColor faint = c.text == QColor(Qt::white) ? QColor(0xA0, 0xA0, 0xA0) : QColor(0x80, 0x80, 0x80);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, faint);
    return palette;
}

namespace {

class PaddedButtonStyle final : public QProxyStyle {
public:
    explicit PaddedButtonStyle(QStyle* base) : QProxyStyle(base) {}
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override {
        QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
        if (option && (type == CT_PushButton || IsLabelledToolButton(type, option)))
            size.rwidth() += 2 * ButtonLabelPadding(option->fontMetrics);
        return size;
    }

private:
    static bool IsLabelledToolButton(ContentsType type, const QStyleOption* option) {
        const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option);
        return type == CT_ToolButton && tool && !tool->text.isEmpty() && tool->toolButtonStyle != Qt::ToolButtonIconOnly;
    }
};

}  // namespace

QString ApplicationStyleName() {
    const QStyle* style = QApplication::style();
    if (const auto* padded = dynamic_cast<const PaddedButtonStyle*>(style))
        style = padded->baseStyle();
    return style->name();
}

int ButtonLabelPadding(const QFontMetrics& metrics) { return std::max(3, metrics.height() / 3); }

void UsePaddedButtons() {
    if (!dynamic_cast<PaddedButtonStyle*>(QApplication::style()))
        QApplication::setStyle(new PaddedButtonStyle(QStyleFactory::create(ApplicationStyleName())));
}

DesktopLook DesktopLook::Current() { return {ApplicationStyleName(), QApplication::palette()}; }

void ApplyApplicationLook(const ApplicationLook& look, const DesktopLook& desktop) {
    const QString name = look.style.isEmpty() ? desktop.style : look.style;
    // A style the Qt build lacks leaves the style in use.
    if (ApplicationStyleName().compare(name, Qt::CaseInsensitive) != 0) {
        if (QStyle* style = QStyleFactory::create(name))
            QApplication::setStyle(new PaddedButtonStyle(style));
    }
    QApplication::setPalette(
        look.style.isEmpty() ? desktop.palette : LookPalette(look.colours, QApplication::style()->standardPalette()));
}

}  // namespace kavitro
