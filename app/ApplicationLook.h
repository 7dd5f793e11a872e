#pragma once

// The application looks of commands 205 to 219: each command names a look
// of the widgets (a Qt style and a colour scheme). Commands 211 to 214 keep
// the Office 2007 colour scheme in force (blue until another is chosen),
// 215 to 218 choose one. The choice lasts for the run: every start begins
// with look 210, which is the desktop's own look. The command of the look in force shows checked.

#include <QFontMetrics>
#include <QPalette>
#include <QString>

#include <cstdint>

namespace kavitro {

enum class LookColours : std::uint8_t { Standard, Blue, Black, Silver, Aqua };

struct ApplicationLook {
    QString style;  // a QStyleFactory key; empty: the desktop's own look

    LookColours colours = LookColours::Standard;

    friend bool operator==(const ApplicationLook&, const ApplicationLook&) = default;
};

class CApplicationLooks {
public:
    static constexpr std::uint32_t kFirst = 205;
    static constexpr std::uint32_t kLast = 219;
    static constexpr std::uint32_t kDefault = 210;

    static bool IsLookCommand(std::uint32_t id) { return id >= kFirst && id <= kLast; }
    // The name of a look command (the product whose look it follows); empty
    // for any other id. Names of products, the same in every language.
    static QString Name(std::uint32_t id);

    // Makes `id` the look in force; false (nothing changes) for an id that
    // is not a look command.
    bool Choose(std::uint32_t id);
    std::uint32_t Current() const { return m_current; }
    ApplicationLook Look() const;
    // The update rule: checked while the command is the look in force.
    bool IsChecked(std::uint32_t id) const { return id == m_current; }

private:
    std::uint32_t m_current = kDefault;
    LookColours m_office2007 = LookColours::Blue;
};

// The colours of a scheme over the style's own palette `standard`.
QPalette LookPalette(LookColours colours, const QPalette& standard);
// The style and colours the application had before any look was chosen:
// the desktop's own, which the default look keeps.
struct DesktopLook {
    QString style;
    QPalette palette;
    static DesktopLook Current();
};

// Gives the application the style and colours of `look`.
void ApplyApplicationLook(const ApplicationLook& look, const DesktopLook& desktop);

// The application's style with room around every button's label: some
// styles draw a text-only tool button or a push button no wider than its
// text, so that the label touches the edges. Keeps the look of the style it
// wraps; applying a look keeps the room.
void UsePaddedButtons();
// The name of the style in use ("fusion"), whether or not it is wrapped.
QString ApplicationStyleName();
// The room each side of a button's label, for the font it is drawn in.
int ButtonLabelPadding(const QFontMetrics& metrics);

}  // namespace kavitro
