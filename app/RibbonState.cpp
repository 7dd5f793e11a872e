#include "app/RibbonState.h"

#include <QRegularExpression>
#include <optional>

#include "document/DrawText.h"

namespace kavitro {

QString FormatTextSize(double shownSize) {
    QString text = QString::number(shownSize, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

QString FormatTextAngle(std::int32_t angle) { return QString::number(angle > 180 ? angle - 360 : angle); }

namespace {

// The value every element shares, or none when two differ.
template <class T>
struct Common {
    std::optional<T> value;
    bool mixed = false;
    void Add(const T& v) {
        if (!value)
            value = v;
        else if (*value != v)
            mixed = true;
    }
};

}  // namespace

RibbonSelectionState ComputeRibbonState(const std::vector<CDrawObj*>& selection,
                                        const CApplicationProperties& settings) {
    Common<std::int32_t> size, angle;
    Common<COLORREF> colour;
    for (CDrawObj* object : selection) {
        const auto* text = dynamic_cast<const CDrawText*>(object);
        if (!text)
            continue;
        size.Add(text->m_nSize);
        angle.Add(text->m_position.m_nAngle);
        colour.Add(text->m_color);
    }
    RibbonSelectionState state;
    const std::int32_t defaultSize = settings[CApplicationProperties::DefaultTextSize];
    const auto defaultColour = static_cast<COLORREF>(settings[CApplicationProperties::DefaultTextColor]);
    if (!size.value) {
        state.sizeText = FormatTextSize(defaultSize);
        state.angleText = QStringLiteral("0");
        state.colour = defaultColour;
        return state;
    }
    state.sizeText = size.mixed ? QString() : FormatTextSize(*size.value / 20.0);
    state.angleText = angle.mixed ? QString() : FormatTextAngle(*angle.value);
    state.colour = colour.mixed ? defaultColour : *colour.value;
    return state;
}

namespace {

// The number at the start of a trimmed text, as wcstod and _wtoi read it.
QString LeadingNumber(const QString& text, bool decimals) {
    static const QRegularExpression real(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+))"));
    static const QRegularExpression integer(QStringLiteral(R"(^[+-]?\d+)"));
    const QRegularExpressionMatch m = (decimals ? real : integer).match(text.trimmed());
    return m.hasMatch() ? m.captured(0) : QString();
}

}  // namespace

double ReadRibbonTextSize(const QString& text, const CApplicationProperties& settings) {
    if (text.trimmed().isEmpty())
        return settings[CApplicationProperties::DefaultTextSize];
    return LeadingNumber(text, true).toDouble();
}

std::int32_t ReadRibbonAngle(const QString& text) {
    // Out of range: no angle rather than a wrapped one.
    bool ok = false;
    const int angle = LeadingNumber(text, false).toInt(&ok);
    return ok ? angle : 0;
}

}  // namespace kavitro
