#include "app/Ribbon.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QTimer>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include "app/GalleryPictures.h"
#include "app/LanguagePack.h"
#include "app/RibbonLayout.h"
#include "document/StringIds.h"
#include "view/CommandIds.h"
#include "view/ViewCommands.h"

namespace kavitro {

namespace {

// Small buttons stand three to a column, as in a ribbon group.
constexpr int kRowsPerColumn = 3;
// Gallery pictures stand five to a row in the drop-down; the button shows
// the chosen one smaller.
constexpr int kGalleryColumns = 5;
constexpr int kGalleryIconSide = 20;

// Holds the place of a gallery's picture until an item is chosen.
QIcon BlankGalleryIcon() {
    QPixmap blank(kGalleryIconSide, kGalleryIconSide);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

QColor ToQColor(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
COLORREF FromQColor(const QColor& c) {
    return static_cast<COLORREF>(c.red()) | static_cast<COLORREF>(c.green()) << 8 |
           static_cast<COLORREF>(c.blue()) << 16;
}

QStringList ComboItems(std::uint32_t command) {
    switch (command) {
        case ViewCommand::TextSizeCombo:
            return {QStringLiteral("8"),  QStringLiteral("12"), QStringLiteral("16"), QStringLiteral("20"),
                    QStringLiteral("25"), QStringLiteral("30"), QStringLiteral("40"), QStringLiteral("50"),
                    QStringLiteral("72"), QStringLiteral("100")};
        case ViewCommand::TextAngleCombo:
            return {QStringLiteral("-90"), QStringLiteral("-45"), QStringLiteral("-30"), QStringLiteral("-15"),
                    QStringLiteral("0"),   QStringLiteral("15"),  QStringLiteral("30"),  QStringLiteral("45"),
                    QStringLiteral("90")};
        case ViewCommand::ZoomCombo:
            return {QStringLiteral("25"),  QStringLiteral("50"),  QStringLiteral("75"),  QStringLiteral("100"),
                    QStringLiteral("150"), QStringLiteral("200"), QStringLiteral("400"), QStringLiteral("800")};
        default:
            return {};
    }
}

}  // namespace

CRibbon::CRibbon(const ActionFor& actionFor, QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("Ribbon"));
    setDocumentMode(true);
    for (const RibbonTab& tab : RibbonTabs()) {
        auto* page = new QWidget(this);
        auto* row = new QHBoxLayout(page);
        row->setContentsMargins(4, 2, 4, 2);
        row->setSpacing(6);
        for (const RibbonGroup& group : tab.groups) {
            auto* frame = new QFrame(page);
            frame->setFrameShape(QFrame::StyledPanel);
            auto* column = new QVBoxLayout(frame);
            column->setContentsMargins(4, 2, 4, 2);
            auto* grid = new QGridLayout;
            grid->setSpacing(2);
            int gridColumn = 0, gridRow = 0;
            for (const RibbonItem& item : group.items) {
                QWidget* element = MakeElement(item, actionFor, frame);
                if (!element)
                    continue;
                if (item.element == RibbonElement::LargeButton) {
                    if (gridRow != 0)
                        ++gridColumn;
                    grid->addWidget(element, 0, gridColumn++, kRowsPerColumn, 1);
                    gridRow = 0;
                    continue;
                }
                grid->addWidget(element, gridRow, gridColumn);
                if (++gridRow == kRowsPerColumn) {
                    gridRow = 0;
                    ++gridColumn;
                }
            }
            column->addLayout(grid);
            auto* caption = new QLabel(frame);
            caption->setAlignment(Qt::AlignCenter);
            caption->setEnabled(false);
            m_groupCaptions[caption] = group.caption;
            column->addWidget(caption);
            row->addWidget(frame);
        }
        row->addStretch(1);
        m_tabCaptions[static_cast<std::uint32_t>(addTab(page, QString()))] = tab.caption;
    }
    setCurrentIndex(1);  // Home
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QWidget* CRibbon::MakeElement(const RibbonItem& item, const ActionFor& actionFor, QWidget* parent) {
    const std::uint32_t id = item.command;
    switch (item.element) {
        case RibbonElement::LargeButton:
        case RibbonElement::SmallButton: {
            QAction* action = actionFor(id);
            if (!action)
                return nullptr;
            auto* button = new QToolButton(parent);
            button->setDefaultAction(action);
            button->setAutoRaise(true);
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            if (item.element == RibbonElement::LargeButton)
                button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
            else
                button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            return button;
        }
        case RibbonElement::Gallery: {
            QAction* action = actionFor(id);
            auto* button = new QToolButton(parent);
            button->setObjectName(QStringLiteral("Gallery%1").arg(id));
            if (action)
                button->setDefaultAction(action);
            button->setAutoRaise(true);
            button->setPopupMode(QToolButton::MenuButtonPopup);
            button->setIconSize(QSize(kGalleryIconSide, kGalleryIconSide));
            // The button has room for the chosen item's picture from the
            // start, so that choosing a tool does not make the ribbon grow.
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
            if (!action)
                button->setIcon(BlankGalleryIcon());
            else if (action->icon().isNull())
                action->setIcon(BlankGalleryIcon());
            // The items are pictures in rows, as a ribbon gallery shows them.
            auto* menu = new QMenu(button);
            auto* grid = new QWidget(menu);
            auto* layout = new QGridLayout(grid);
            layout->setContentsMargins(2, 2, 2, 2);
            layout->setSpacing(1);
            std::vector<QAction*>& entries = m_galleryItems[id];
            for (int i = 0; i < item.galleryItems; ++i) {
                auto* entry = new QAction(QString::number(i + 1), menu);
                connect(entry, &QAction::triggered, this, [this, menu, id, i] {
                    menu->close();
                    m_gallerySelection[id] = i;
                    emit commandRequested(id);
                });
                auto* cell = new QToolButton(grid);
                cell->setObjectName(QStringLiteral("Gallery%1Item%2").arg(id).arg(i));
                cell->setDefaultAction(entry);
                cell->setAutoRaise(true);
                cell->setIconSize(QSize(kGalleryPictureSide, kGalleryPictureSide));
                cell->setToolButtonStyle(Qt::ToolButtonIconOnly);
                layout->addWidget(cell, i / kGalleryColumns, i % kGalleryColumns);
                entries.push_back(entry);
            }
            auto* holder = new QWidgetAction(menu);
            holder->setDefaultWidget(grid);
            menu->addAction(holder);
            button->setMenu(menu);
            m_galleries[id] = button;
            return button;
        }
        case RibbonElement::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setObjectName(QStringLiteral("Combo%1").arg(id));
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->addItems(ComboItems(id));
            combo->setMinimumContentsLength(6);
            combo->setCurrentIndex(-1);
            // What is typed is what applies: no completion from the list
            // ("10" must not become "100").
            combo->setCompleter(nullptr);
            // Return in the box can also activate a matching item: both
            // signals of one turn make one command (one undo step).
            const auto request = [this, id] {
                if (m_pendingCombos.insert(id).second)
                    QTimer::singleShot(0, this, [this, id] {
                        m_pendingCombos.erase(id);
                        emit commandRequested(id);
                        emit comboApplied(id);
                    });
            };
            connect(combo, &QComboBox::activated, this, request);
            connect(combo->lineEdit(), &QLineEdit::returnPressed, this, request);
            m_combos[id] = combo;
            return combo;
        }
        case RibbonElement::ColourButton: {
            m_colourButton = new QToolButton(parent);
            m_colourButton->setObjectName(QStringLiteral("TextColour"));
            m_colourButton->setAutoRaise(true);
            SetTextColour(m_textColour);
            connect(m_colourButton, &QToolButton::clicked, this, [this, id] {
                const QColor chosen = QColorDialog::getColor(ToQColor(m_textColour), this);
                if (!chosen.isValid())
                    return;
                SetTextColour(FromQColor(chosen));
                emit commandRequested(id);
            });
            return m_colourButton;
        }
        case RibbonElement::ZoomSlider: {
            m_zoomSlider = new QSlider(Qt::Horizontal, parent);
            m_zoomSlider->setObjectName(QStringLiteral("ZoomSlider"));
            m_zoomSlider->setRange(10, 800);
            m_zoomSlider->setValue(100);
            connect(m_zoomSlider, &QSlider::valueChanged, this, [this, id](int zoom) {
                if (m_showingZoom)
                    return;
                SetComboText(id, QString::number(zoom));
                emit commandRequested(id);
            });
            return m_zoomSlider;
        }
    }
    return nullptr;
}

void CRibbon::Retranslate(const LanguagePack& pack) {
    for (const auto& [index, caption] : m_tabCaptions)
        setTabText(static_cast<int>(index), pack.Text(caption));
    for (const auto& [label, caption] : m_groupCaptions)
        label->setText(pack.Text(caption));
    for (const auto& [id, combo] : m_combos)
        combo->setToolTip(pack.Text(id));
    if (m_colourButton) {
        m_colourButton->setToolTip(pack.Text(ViewCommand::TextColor));
        m_colourButton->setText(pack.Text(ViewCommand::TextColor));
    }
    if (m_zoomSlider)
        m_zoomSlider->setToolTip(pack.Text(ViewCommand::ZoomCombo));
    // The pictures may be the pack's own.
    m_galleryPictures.clear();
    for (const auto& [id, entries] : m_galleryItems) {
        const std::vector<QImage> pictures = GalleryPictures(pack, id);
        for (std::size_t i = 0; i < entries.size() && i < pictures.size(); ++i) {
            const auto item = static_cast<std::int32_t>(i);
            const std::int32_t image = GalleryImageOfItem(id, item);
            const QIcon picture(QPixmap::fromImage(pictures[i]));
            m_galleryPictures[{id, image}] = picture;
            entries[i]->setIcon(picture);
            // A modification is named by its key command's caption (the
            // items stand for alternate form, paired form, glyph variant).
            const QString name = id == ViewCommand::TextModificationGallery
                                     ? pack.Text(ViewCommand::AlternateForm +
                                                 static_cast<std::uint32_t>(TextModificationShape(item) - 11))
                                     : QString::number(i + 1);
            entries[i]->setText(QString(name).remove(QLatin1Char('&')));
        }
        const auto shown = m_galleryImage.find(id);
        if (shown != m_galleryImage.end())
            SetGalleryImage(id, shown->second);
    }
}

std::vector<QAction*> CRibbon::GalleryItems(std::uint32_t command) const {
    const auto it = m_galleryItems.find(command);
    return it == m_galleryItems.end() ? std::vector<QAction*>() : it->second;
}

QComboBox* CRibbon::Combo(std::uint32_t command) const {
    const auto it = m_combos.find(command);
    return it == m_combos.end() ? nullptr : it->second;
}

QString CRibbon::ComboText(std::uint32_t command) const {
    const QComboBox* combo = Combo(command);
    return combo ? combo->currentText() : QString();
}

void CRibbon::SetComboText(std::uint32_t command, const QString& text) {
    if (QComboBox* combo = Combo(command)) {
        if (combo->currentText() != text)
            combo->setEditText(text);
    }
}

void CRibbon::SetTextColour(COLORREF colour) {
    m_textColour = colour;
    if (!m_colourButton)
        return;
    QPixmap swatch(16, 16);
    swatch.fill(ToQColor(colour));
    m_colourButton->setIcon(QIcon(swatch));
    m_colourButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

std::optional<std::int32_t> CRibbon::GallerySelection(std::uint32_t command) const {
    const auto it = m_gallerySelection.find(command);
    if (it == m_gallerySelection.end())
        return std::nullopt;
    return it->second;
}

void CRibbon::SetGalleryImage(std::uint32_t command, std::int32_t image) {
    const auto it = m_galleries.find(command);
    if (it == m_galleries.end())
        return;
    // The button shows the picture of the item in force beside its caption.
    m_galleryImage[command] = image;
    const auto picture = m_galleryPictures.find({command, image});
    QAction* action = it->second->defaultAction();
    if (!action || picture == m_galleryPictures.end())
        return;
    action->setIcon(picture->second);
    it->second->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

void CRibbon::ShowZoom(int zoom) {
    SetComboText(ViewCommand::ZoomCombo, QString::number(zoom));
    if (m_zoomSlider) {
        m_showingZoom = true;
        m_zoomSlider->setValue(zoom);
        m_showingZoom = false;
    }
}

}  // namespace kavitro
