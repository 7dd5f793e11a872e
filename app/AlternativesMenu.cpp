#include "app/AlternativesMenu.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>
#include <map>
#include <utility>

#include "app/TextPicture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "engine/CalligraphyText.h"
#include "engine/GlyphPlacement.h"
#include "platform/DC.h"
#include "platform/Geometry.h"
#include "platform/PathRecorderDC.h"

namespace kavitro {

namespace {

// Screen pixels per inch of the drawing contexts, and 0.01 mm per inch.
constexpr int kPixelsPerInch = 96;
constexpr int kHimetricPerInch = 2540;
// The pen starts this far in from the item's right edge.
constexpr int kRightInset = 3;

int HimetricToPixels(std::int32_t himetric) { return MulDiv(himetric, kPixelsPerInch, kHimetricPerInch); }

// A text of its own holding the word at the menu's size, its right end at
// the origin, and the selection of the whole word.
struct WordText {
    explicit WordText(const CCalligraphyWord& word) {
        text.m_nSize = kAlternativeTextSize;
        CCalligraphyWord placed = word;
        placed.m_x = 0;
        placed.m_y = 0;
        text.m_paragraph.RemoveAll();
        text.m_paragraph.m_words.push_back(std::move(placed));
        all.m_firstWord = 0;
        all.m_lastWord = 0;
    }
    // The word as the text object draws it, marks included, from the pen
    // at the origin (right-aligned on the baseline, MM_HIMETRIC).
    void Draw(CDC& dc) { text.DrawComponents(dc, nullptr, all, Point{0, 0}, kWordsWithMarks); }

    CDrawText text;
    CTextComponentSelection all;
};

// Where an item's word goes: the picture's size and the pen's place in it,
// in pixels. The box is the word's width and the line height; a first
// letter reaching right of the pen, a tail reaching left of the word's
// start, or marks above or below the line widen it, so that no stroke is
// cut at the picture's edge.
struct WordPlacement {
    QSize size;
    QPoint pen;
};

WordPlacement PlaceWord(const CCalligraphyWord& word) {
    const CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    const std::int32_t width = MulDiv(word.GetWidth(), kAlternativeTextSize, CCalligraphyFont::kReferenceSize);
    // A raised letter (negative offset) makes the item taller; a lowered one does not.
    const std::int32_t highest = GetHighestLift(word);
    const std::int32_t height =
        MulDiv(fonts.GetLineHeight() - highest, kAlternativeTextSize, CCalligraphyFont::kReferenceSize);
    const int boxWidth = std::max(1, HimetricToPixels(width));
    const int boxHeight = std::max(1, HimetricToPixels(height));
    const int baseline = boxHeight - boxHeight / 4;  // from the top

    // The ink, traced from the glyph outlines (y up, 0.01 mm).
    CPathRecorderDC ink;
    SetTextPictureMode(ink);
    ink.SetGlyphOutlineSource(&CGlyphFontOutlines::Instance());
    WordText(word).Draw(ink);
    const Rect b = ink.GetBounds();
    const auto pixelsBeyond = [](std::int32_t himetric) {
        return himetric <= 0 ? 0 : HimetricToPixels(himetric) + 1;  // the pixel a partial one touches
    };
    const int right = pixelsBeyond(b.right);
    const int left = pixelsBeyond(-b.left - width);
    // One clear row above and below the ink: smoothing spills into the row
    // where the ink ends.
    const int top = std::max(0, pixelsBeyond(b.bottom) + 1 - baseline);
    const int bottom = std::max(0, pixelsBeyond(-b.top) + 1 - (boxHeight - baseline));
    return {QSize(boxWidth + 2 * kRightInset + right + left, boxHeight + top + bottom),
            QPoint(boxWidth + kRightInset + left, baseline + top)};
}

}  // namespace

QSize MeasureAlternativeWord(const CCalligraphyWord& word) { return PlaceWord(word).size; }

QImage DrawAlternativeWord(const CCalligraphyWord& word, QColor colour, qreal devicePixelRatio) {
    const WordPlacement place = PlaceWord(word);
    const qreal ratio = std::max<qreal>(devicePixelRatio, 1.0);
    QImage image((QSizeF(place.size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);

    WordText text(word);
    const COLORREF ink = RGB(static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
                             static_cast<std::uint8_t>(colour.blue()));
    DrawTextPicture(image, ink, place.pen, [&](CDC& dc) { text.Draw(dc); });
    return image;
}

// Draws an item as the style draws an empty menu item (background, or the
// highlight when it is the current one) with the word's picture over it,
// right-aligned, and sizes the item to that picture.
class CAlternativesMenu::ItemStyle final : public QProxyStyle {
public:
    // Over a copy of the application's style, so that the menu looks like
    // every other (the proxy owns its base).
    ItemStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    // The pictures of the item whose icon is `icon`: plain, and highlighted.
    void Add(const QIcon& icon, QImage plain, QImage highlighted) {
        m_pictures[icon.cacheKey()] = {std::move(plain), std::move(highlighted)};
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override {
        if (const Pictures* pictures = PicturesOf(type == CT_MenuItem ? option : nullptr))
            return pictures->plain.deviceIndependentSize().toSize();
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const Pictures* pictures = PicturesOf(element == CE_MenuItem ? option : nullptr);
        if (!pictures) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionMenuItem empty = *qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        empty.text.clear();
        empty.icon = QIcon();
        QProxyStyle::drawControl(element, &empty, painter, widget);
        const QImage& picture = (option->state & State_Selected) ? pictures->highlighted : pictures->plain;
        const QSizeF size = picture.deviceIndependentSize();
        const QRect& r = option->rect;
        painter->drawImage(QPointF(r.right() + 1 - size.width(), r.top() + (r.height() - size.height()) / 2),
                           picture);
    }

private:
    struct Pictures {
        QImage plain;
        QImage highlighted;
    };

    const Pictures* PicturesOf(const QStyleOption* option) const {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (!item || item->icon.isNull())
            return nullptr;
        const auto it = m_pictures.find(item->icon.cacheKey());
        return it == m_pictures.end() ? nullptr : &it->second;
    }

    std::map<qint64, Pictures> m_pictures;
};

CAlternativesMenu::CAlternativesMenu(const CCalligraphyParagraph& alternatives, std::size_t count, QWidget* parent)
    : QMenu(parent), m_style(new ItemStyle) {
    setObjectName(QStringLiteral("AlternativesMenu"));
    m_style->setParent(this);
    const auto& words = std::as_const(alternatives.m_words);
    count = std::min(count, words.size());
    const QColor ink = palette().color(QPalette::Active, QPalette::Text);
    const QColor highlightedInk = palette().color(QPalette::Active, QPalette::HighlightedText);
    for (std::size_t i = 0; i < count; ++i) {
        const CCalligraphyWord& word = words[i];
        // The letters, for assistive technology; the picture is what shows.
        QString letters;
        for (const CCalligraphyCharacter& c : word.m_characters)
            letters += QChar(static_cast<char16_t>(c.m_code));
        QImage plain = DrawAlternativeWord(word, ink, devicePixelRatioF());
        // The icon names the item's pictures for the style.
        const QIcon icon(QPixmap::fromImage(plain));
        QAction* action = addAction(icon, QString());
        action->setData(static_cast<uint>(kFirstItemId + i));
        action->setToolTip(letters);
        m_style->Add(icon, std::move(plain), DrawAlternativeWord(word, highlightedInk, devicePixelRatioF()));
    }
    setStyle(m_style);
}

CAlternativesMenu::~CAlternativesMenu() {
    // The style goes with this object; the widget must not use it after.
    setStyle(nullptr);
}

std::optional<std::uint32_t> CAlternativesMenu::Choose(QPoint globalPos) {
    QAction* chosen = exec(globalPos);
    if (!chosen)
        return std::nullopt;
    return chosen->data().toUInt();
}

}  // namespace kavitro
