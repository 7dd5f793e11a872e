#include "app/dialogs/ColourPicker.h"

#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>
#include <algorithm>

#include "app/dialogs/DialogLanguage.h"
#include "document/StringIds.h"

namespace kavitro {

const std::array<NamedColour, 40> kPickerColours = {{
    {"Black", RGB(0, 0, 0)},           {"Brown", RGB(165, 42, 0)},         {"Dark Olive Green", RGB(0, 64, 64)},
    {"Dark Green", RGB(0, 85, 0)},     {"Dark Teal", RGB(0, 0, 94)},       {"Dark blue", RGB(0, 0, 139)},
    {"Indigo", RGB(75, 0, 130)},       {"Dark grey", RGB(40, 40, 40)},     {"Dark red", RGB(139, 0, 0)},
    {"Orange", RGB(255, 104, 32)},     {"Dark yellow", RGB(139, 139, 0)},  {"Green", RGB(0, 147, 0)},
    {"Teal", RGB(56, 142, 142)},       {"Blue", RGB(0, 0, 255)},           {"Blue-grey", RGB(123, 123, 192)},
    {"Grey - 40", RGB(102, 102, 102)}, {"Red", RGB(255, 0, 0)},            {"Light orange", RGB(255, 173, 91)},
    {"Lime", RGB(50, 205, 50)},        {"Sea green", RGB(60, 179, 113)},   {"Aqua", RGB(127, 255, 212)},
    {"Light blue", RGB(125, 158, 192)}, {"Violet", RGB(128, 0, 128)},      {"Grey - 50", RGB(127, 127, 127)},
    {"Pink", RGB(255, 192, 203)},      {"Gold", RGB(255, 215, 0)},         {"Yellow", RGB(255, 255, 0)},
    {"Bright green", RGB(0, 255, 0)},  {"Turquoise", RGB(64, 224, 208)},   {"Skyblue", RGB(192, 255, 255)},
    {"Plum", RGB(72, 0, 72)},          {"Light grey", RGB(192, 192, 192)}, {"Rose", RGB(255, 228, 225)},
    {"Tan", RGB(210, 180, 140)},       {"Light yellow", RGB(255, 255, 224)}, {"Pale green ", RGB(152, 251, 152)},
    {"Pale turquoise", RGB(175, 238, 238)}, {"Pale blue", RGB(104, 131, 139)}, {"Lavender", RGB(230, 230, 250)},
    {"White", RGB(255, 255, 255)},
}};

namespace {

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF FromQColor(const QColor& c) {
    return RGB(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue()));
}

bool AskQtColour(QWidget* parent, COLORREF& colour) {
    const QColor chosen = QColorDialog::getColor(ToQColor(colour), parent);
    if (!chosen.isValid()) return false;
    colour = FromQColor(chosen);
    return true;
}

// A replacement of the colour dialog (tests); none: Qt's.
std::function<bool(QWidget*, COLORREF&)>& ColourDialog() {
    static std::function<bool(QWidget*, COLORREF&)> dialog;
    return dialog;
}

}  // namespace

// --- Model ------------------------------------------------------------------

ColourPopupModel::ColourPopupModel(COLORREF start, bool hasDefault, bool hasCustom)
    : m_start(start), m_chosen(start), m_hasDefault(hasDefault), m_hasCustom(hasCustom) {
    if (start == kAutomatic && hasDefault) {
        m_current = kDefaultCell;
        return;
    }
    for (int i = 0; i < static_cast<int>(kPickerColours.size()); ++i)
        if (kPickerColours[static_cast<std::size_t>(i)].colour == start) {
            m_current = i;
            return;
        }
    m_current = hasCustom ? kCustomCell : kNoCell;
}

bool ColourPopupModel::Exists(int cell) const {
    if (cell == kDefaultCell) return m_hasDefault;
    if (cell == kCustomCell) return m_hasCustom;
    return cell >= 0 && cell < static_cast<int>(kPickerColours.size());
}

bool ColourPopupModel::Select(int cell) {
    if (!Exists(cell)) return false;
    m_current = cell;
    if (cell == kDefaultCell) m_chosen = kAutomatic;
    else if (cell >= 0) m_chosen = kPickerColours[static_cast<std::size_t>(cell)].colour;
    return true;
}

std::vector<int> ColourPopupModel::Order() const {
    std::vector<int> order;
    if (m_hasDefault) order.push_back(kDefaultCell);
    for (int i = 0; i < static_cast<int>(kPickerColours.size()); ++i) order.push_back(i);
    if (m_hasCustom) order.push_back(kCustomCell);
    return order;
}

void ColourPopupModel::Step(Move move) {
    const std::vector<int> order = Order();
    const auto at = std::find(order.begin(), order.end(), m_current);
    if (at == order.end()) {
        Select(order.front());
        return;
    }
    const int count = static_cast<int>(order.size());
    const int index = static_cast<int>(at - order.begin());
    const int last = kColumns * (kRows - 1);  // the first cell of the last row
    int next = m_current;
    switch (move) {
        case Move::Left: next = order[static_cast<std::size_t>((index + count - 1) % count)]; break;
        case Move::Right: next = order[static_cast<std::size_t>((index + 1) % count)]; break;
        case Move::Up:
            if (m_current >= kColumns) next = m_current - kColumns;
            else if (m_current >= 0) next = m_hasDefault ? kDefaultCell : m_current;
            else if (m_current == kCustomCell) next = last;
            else next = m_hasCustom ? kCustomCell : m_current;
            break;
        case Move::Down:
            if (m_current >= 0 && m_current < last) next = m_current + kColumns;
            else if (m_current >= 0) next = m_hasCustom ? kCustomCell : m_current;
            else if (m_current == kDefaultCell) next = 0;
            else next = m_hasDefault ? kDefaultCell : 0;
            break;
    }
    Select(next);
}

QPoint PlaceColourPopup(QSize size, const QRect& button, const QRect& screen) {
    QPoint at(button.left(), button.bottom() + 1);
    if (at.x() + size.width() > screen.right() + 1) at.setX(screen.right() + 1 - size.width());
    if (at.x() < screen.left()) at.setX(screen.left());
    if (at.y() + size.height() > screen.bottom() + 1) at.setY(button.top() - size.height());
    return at;
}

// --- Popup ------------------------------------------------------------------

CColourPopup::CColourPopup(CColourPicker& picker, COLORREF start, const QString& defaultText,
                           const QString& customText)
    : QWidget(&picker, Qt::Popup),
      m_picker(picker),
      m_model(start, !defaultText.isEmpty(), !customText.isEmpty()),
      m_defaultText(defaultText),
      m_customText(customText) {
    setAttribute(Qt::WA_DeleteOnClose);
    ApplyDialogDirection(*this);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_margin = std::max(2, style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    const QFontMetrics metrics(font());
    m_boxHeight = metrics.height() + 2 * (2 * m_margin + 1);
    int width = ColourPopupModel::kColumns * kCellSize + 2 * m_margin;
    const int textWidth = std::max(metrics.horizontalAdvance(defaultText), metrics.horizontalAdvance(customText));
    width = std::max(width, textWidth + 4 * m_margin);
    int height = ColourPopupModel::kRows * kCellSize + 2 * m_margin;
    if (!defaultText.isEmpty()) height += m_boxHeight + 2 * m_margin;
    if (!customText.isEmpty()) height += m_boxHeight + 2 * m_margin;
    setFixedSize(width, height);
}

QRect CColourPopup::CellRect(int cell) const {
    const int top = m_defaultText.isEmpty() ? m_margin : m_margin + m_boxHeight + m_margin;
    if (cell == ColourPopupModel::kDefaultCell) return QRect(m_margin, m_margin, width() - 2 * m_margin, m_boxHeight);
    if (cell == ColourPopupModel::kCustomCell)
        return QRect(m_margin, top + ColourPopupModel::kRows * kCellSize + m_margin, width() - 2 * m_margin,
                     m_boxHeight);
    if (cell < 0) return {};
    const QRect r(m_margin + (cell % ColourPopupModel::kColumns) * kCellSize,
                  top + (cell / ColourPopupModel::kColumns) * kCellSize, kCellSize, kCellSize);
    // A right-to-left popup reads its cells from the right.
    return QStyle::visualRect(layoutDirection(), rect(), r);
}

int CColourPopup::CellAt(QPoint p) const {
    for (int cell = 0; cell < static_cast<int>(kPickerColours.size()); ++cell)
        if (CellRect(cell).contains(p)) return cell;
    for (int box : {ColourPopupModel::kDefaultCell, ColourPopupModel::kCustomCell}) {
        const bool exists = box == ColourPopupModel::kDefaultCell ? !m_defaultText.isEmpty() : !m_customText.isEmpty();
        if (exists && CellRect(box).contains(p)) return box;
    }
    return ColourPopupModel::kNoCell;
}

void CColourPopup::Highlight(int cell) {
    if (cell == m_model.Current() || !m_model.Select(cell)) return;
    update();
    // The custom box previews the starting colour.
    emit changed(cell == ColourPopupModel::kCustomCell ? m_model.Start() : m_model.Chosen());
}

void CColourPopup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    for (int cell = 0; cell < static_cast<int>(kPickerColours.size()); ++cell) {
        const QRect r = CellRect(cell);
        if (cell == m_model.Current()) painter.fillRect(r, palette().color(QPalette::Highlight));
        painter.fillRect(r.adjusted(2, 2, -2, -2), ToQColor(kPickerColours[static_cast<std::size_t>(cell)].colour));
    }
    auto drawBox = [&](int box, const QString& text) {
        if (text.isEmpty()) return;
        const QRect r = CellRect(box);
        if (box == m_model.Current()) painter.fillRect(r, palette().color(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.drawText(r, Qt::AlignCenter, text);
    };
    drawBox(ColourPopupModel::kDefaultCell, m_defaultText);
    drawBox(ColourPopupModel::kCustomCell, m_customText);
}

bool CColourPopup::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int cell = CellAt(help->pos());
        if (cell >= 0) QToolTip::showText(help->globalPos(), QString::fromLatin1(kPickerColours[static_cast<std::size_t>(cell)].name), this);
        else QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void CColourPopup::mouseMoveEvent(QMouseEvent* event) {
    const int cell = CellAt(event->position().toPoint());
    if (cell != ColourPopupModel::kNoCell) Highlight(cell);
}

void CColourPopup::mouseReleaseEvent(QMouseEvent* event) {
    EndSelection(rect().contains(event->position().toPoint()));
}

void CColourPopup::keyPressEvent(QKeyEvent* event) {
    const int before = m_model.Current();
    // Left and Right go back and forth in reading order, which runs from the
    // right in a right-to-left popup.
    const bool mirrored = layoutDirection() == Qt::RightToLeft;
    const auto back = mirrored ? ColourPopupModel::Move::Right : ColourPopupModel::Move::Left;
    const auto forth = mirrored ? ColourPopupModel::Move::Left : ColourPopupModel::Move::Right;
    switch (event->key()) {
        case Qt::Key_Left: m_model.Step(back); break;
        case Qt::Key_Right: m_model.Step(forth); break;
        case Qt::Key_Up: m_model.Step(ColourPopupModel::Move::Up); break;
        case Qt::Key_Down: m_model.Step(ColourPopupModel::Move::Down); break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: EndSelection(true); return;
        case Qt::Key_Escape: EndSelection(false); return;
        default: QWidget::keyPressEvent(event); return;
    }
    if (m_model.Current() != before) {
        update();
        emit changed(m_model.Current() == ColourPopupModel::kCustomCell ? m_model.Start() : m_model.Chosen());
    }
}

void CColourPopup::hideEvent(QHideEvent* event) {
    // Closed from outside (a click elsewhere, the application deactivated).
    QWidget::hideEvent(event);
    if (!m_ended) EndSelection(false);
}

void CColourPopup::EndSelection(bool ok) {
    if (m_ended) return;
    m_ended = true;
    hide();
    COLORREF colour = m_model.Chosen();
    if (ok && m_model.Current() == ColourPopupModel::kNoCell) ok = false;
    if (ok && m_model.Current() == ColourPopupModel::kCustomCell) {
        colour = m_model.Start();
        ok = CColourPicker::AskColour(&m_picker, colour);
    }
    if (!ok) colour = m_model.Start();
    emit ended(ok, colour);
    close();
}

// --- Picker -----------------------------------------------------------------

CColourPicker::CColourPicker(QWidget* parent)
    : QPushButton(parent),
      m_background(FromQColor(QApplication::palette().color(QPalette::Button))),
      m_text(FromQColor(QApplication::palette().color(QPalette::ButtonText))),
      m_defaultText(DialogText(StringId::AutomaticColour)),
      m_customText(DialogText(StringId::OtherColours)) {
    connect(this, &QPushButton::clicked, this, &CColourPicker::OnClicked);
}

void CColourPicker::SetColourDialog(std::function<bool(QWidget*, COLORREF&)> dialog) {
    ColourDialog() = std::move(dialog);
}

bool CColourPicker::AskColour(QWidget* parent, COLORREF& colour) {
    return ColourDialog() ? ColourDialog()(parent, colour) : AskQtColour(parent, colour);
}

COLORREF CColourPicker::GetColour() const { return m_mode == TextMode ? m_text : m_background; }

void CColourPicker::SetColour(COLORREF colour) {
    (m_mode == TextMode ? m_text : m_background) = colour;
    update();
}

QSize CColourPicker::sizeHint() const {
    const int arrow = std::max(12, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    return {std::max(4 * arrow, 60), arrow + 8};
}

void CColourPicker::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const int arrow = height() - 8;
    const QRect arrowRect(width() - arrow - 4, 4, arrow, arrow);
    QStyleOption option;
    option.initFrom(this);
    option.rect = arrowRect;
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
    const QRect swatch(6, 6, arrowRect.left() - 10, height() - 12);
    painter.fillRect(swatch, isEnabled() ? ToQColor(GetColour()) : palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    if (!text().isEmpty()) {
        painter.setPen(ToQColor(m_text));
        painter.drawText(swatch, Qt::AlignCenter, text());
    }
}

void CColourPicker::OnClicked() {
    if (m_popup) return;
    const COLORREF start = GetColour();
    // The popup shows no default box: it is opened with an empty default text.
    m_popup = new CColourPopup(*this, start, QString(), m_customText);
    connect(m_popup, &CColourPopup::ended, this, &CColourPicker::OnPopupEnded);
    connect(m_popup, &CColourPopup::changed, this, &CColourPicker::OnPopupChanged);
    const QRect button(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 14, 1 << 14);
    m_popup->move(PlaceColourPopup(m_popup->size(), button, available));
    m_popup->show();
    m_popup->setFocus();
    emit droppedDown(start);
}

void CColourPicker::OnPopupChanged(COLORREF colour) {
    if (m_track) SetColour(colour);
    emit selectionChanged(colour);
}

void CColourPicker::OnPopupEnded(bool ok, COLORREF colour) {
    m_popup = nullptr;
    SetColour(colour);
    emit closedUp(colour);
    if (ok) emit selectionEndedOk(colour);
    else emit selectionEndedCancel(colour);
}

}  // namespace kavitro
