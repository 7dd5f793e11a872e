#pragma once

// The popup of a word's calligraphic alternatives: one item per alternative,
// each showing the word itself drawn with the glyph fonts (no system font),
// so that the user picks a form by its look. Item i carries command 501 + i;
// the page view's command registry carries the choice out.

#include <QImage>
#include <QMenu>
#include <QSize>

#include <cstdint>
#include <optional>

namespace kavitro {

class CCalligraphyParagraph;
class CCalligraphyWord;

// The text size at which the menu shows its words.
inline constexpr std::int32_t kAlternativeTextSize = 750;

// The size of a word's item in device-independent pixels: the word's width
// and the glyph fonts' line height (raised by the highest letter) at the
// menu's text size, widened where the word's ink reaches beyond them (a
// first letter right of the pen, marks below the line), so no stroke is cut.
QSize MeasureAlternativeWord(const CCalligraphyWord& word);

// The word drawn right-aligned in `colour` on a transparent picture of the
// measured size, its baseline a quarter of the line height above the
// line's bottom, the pen starting 3 pixels (and its ink's overhang) in from
// the right.
QImage DrawAlternativeWord(const CCalligraphyWord& word, QColor colour, qreal devicePixelRatio = 1.0);

class CAlternativesMenu final : public QMenu {
    Q_OBJECT
public:
    static constexpr std::uint32_t kFirstItemId = 501;

    // One item for each of the first `count` words of `alternatives`.
    CAlternativesMenu(const CCalligraphyParagraph& alternatives, std::size_t count, QWidget* parent = nullptr);
    ~CAlternativesMenu() override;

    // Shows the menu at a screen point until an item is chosen or the menu
    // is dismissed; the chosen item's command id.
    std::optional<std::uint32_t> Choose(QPoint globalPos);

private:
    class ItemStyle;
    ItemStyle* m_style = nullptr;
};

}  // namespace kavitro
