#include "app/dialogs/PagePropertyPages.h"

#include <algorithm>
#include <array>
#include <optional>

#include <QBitmap>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/LanguagePack.h"
#include "app/PackPicture.h"
#include "app/dialogs/ColourPicker.h"
#include "app/dialogs/DialogLanguage.h"
#include "app/dialogs/PaperPage.h"
#include "document/KavitroDoc.h"
#include "document/StringIds.h"
#include "platform/UserNumber.h"

namespace kavitro {

using P = CApplicationProperties;

namespace {

void PreparePicker(CColourPicker& picker, COLORREF colour) {
    picker.SetDefaultText(DialogText(StringId::AutomaticColour));
    picker.SetSelectionMode(CColourPicker::BackgroundMode);
    picker.SetColour(colour);
}

QCheckBox* Check(const std::uint32_t textId, QWidget* parent) { return new QCheckBox(DialogText(textId), parent); }

constexpr int kGuideStyleWidth = 48;
constexpr int kGuideStyleHeight = 8;

}  // namespace

QPixmap GuideStyleIcon(int style, const QColor& colour) {
    // The language pack's picture of the style, its colour 0 transparent;
    // the style drawn here when the pack has none.
    static constexpr std::array kPackPictures = {121, 132, 133, 134, 135};
    const std::size_t index = static_cast<std::size_t>(std::clamp(style, 0, 4));
    const QString path = DialogLanguage().ImagePath(QString::number(kPackPictures[index]));
    if (std::optional<QImage> picture = ReadPackPicture(path)) {
        QPixmap pixmap = QPixmap::fromImage(*picture);
        pixmap.setMask(QBitmap::fromImage(picture->createMaskFromColor(qRgb(0, 0, 0), Qt::MaskInColor)));
        return pixmap;
    }
    return GuideStylePicture(style, colour);
}

QPixmap GuideStylePicture(int style, const QColor& colour) {
    QPixmap picture(kGuideStyleWidth, kGuideStyleHeight);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    // The guide styles are the pen styles in Qt's order, solid first.
    const auto penStyle = static_cast<Qt::PenStyle>(Qt::SolidLine + std::clamp(style, 0, 4));
    QPen pen(colour, 2, penStyle, Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(0, kGuideStyleHeight / 2.0), QPointF(kGuideStyleWidth, kGuideStyleHeight / 2.0));
    return picture;
}

// --- Guide-line lists ------------------------------------------------------------

QStringList GuideLineLists::Lines() const {
    QStringList lines;
    for (double h : horizontal) lines << DialogLanguage().Format(StringId::HorizontalGuideLine, {h});
    for (double v : vertical) lines << DialogLanguage().Format(StringId::VerticalGuideLine, {v});
    return lines;
}

bool GuideLineLists::Entry(int line, int& orientation, double& position) const {
    if (line < 0 || static_cast<std::size_t>(line) >= Count()) return false;
    const auto k = static_cast<std::size_t>(line);
    orientation = k < horizontal.size() ? 0 : 1;
    position = orientation == 0 ? horizontal[k] : vertical[k - horizontal.size()];
    return true;
}

void GuideLineLists::Add(int orientation, double position) {
    (orientation == 0 ? horizontal : vertical).push_back(position);
}

bool GuideLineLists::Edit(int line, double position) {
    int orientation = 0;
    double old = 0;
    if (!Entry(line, orientation, old)) return false;
    const auto k = static_cast<std::size_t>(line);
    if (orientation == 0) horizontal[k] = position;
    else vertical[k - horizontal.size()] = position;
    return true;
}

bool GuideLineLists::Remove(int line) {
    int orientation = 0;
    double old = 0;
    if (!Entry(line, orientation, old)) return false;
    const auto k = static_cast<std::ptrdiff_t>(line);
    if (orientation == 0) horizontal.erase(horizontal.begin() + k);
    else vertical.erase(vertical.begin() + (k - static_cast<std::ptrdiff_t>(horizontal.size())));
    return true;
}

void GuideLineLists::Clear() {
    horizontal.clear();
    vertical.clear();
}

std::int32_t ReadGridFrequency(std::u16string_view text, std::int32_t old) {
    return ParseUserInteger(text, 1, 1000).value_or(old);
}

std::int32_t ReadSettingBox(std::u16string_view text, std::int32_t old, P::Setting setting) {
    const std::optional<double> value = ParseUserNumber(text);
    if (!value) return old;
    const SettingInfo& info = P::Info(setting);
    return ClampToRange(*value, info.minimum, info.maximum);
}

// --- Guide-line page -------------------------------------------------------------

CPagePropertiesGuidelinePropertyPage::CPagePropertiesGuidelinePropertyPage(CApplicationProperties& settings,
                                                                           QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PageGuideLines), parent),
      m_settings(settings),
      m_list(new QListWidget(this)),
      m_style(new QComboBox(this)),
      m_colour(new CColourPicker(this)),
      m_allPagesBox(Check(StringId::GuideAllPages, this)),
      m_show(Check(StringId::ShowGuideLines, this)),
      m_snap(Check(StringId::SnapToGuideLines, this)) {
    m_allPagesBox->setObjectName(QStringLiteral("allPages"));
    auto* buttons = new QVBoxLayout;
    const std::pair<std::uint32_t, void (CPagePropertiesGuidelinePropertyPage::*)()> commands[] = {
        {StringId::GuideAdd, &CPagePropertiesGuidelinePropertyPage::OnAdd},
        {StringId::GuideEdit, &CPagePropertiesGuidelinePropertyPage::OnEdit},
        {StringId::GuideRemove, &CPagePropertiesGuidelinePropertyPage::OnRemove},
        {StringId::GuideClear, &CPagePropertiesGuidelinePropertyPage::OnClear},
    };
    for (const auto& [text, slot] : commands) {
        auto* button = new QPushButton(DialogText(text), this);
        connect(button, &QPushButton::clicked, this, slot);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(buttons);
    auto* form = new QFormLayout;
    form->addRow(m_allPagesBox);
    form->addRow(m_show);
    form->addRow(m_snap);
    form->addRow(DialogText(StringId::GuideLineStyle), m_style);
    form->addRow(DialogText(StringId::TextColour), m_colour);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
}

void CPagePropertiesGuidelinePropertyPage::OnFirstActive() {
    // The pen styles in index order (solid, dash, dot, dash-dot, dash-dot-dot),
    // each with its picture.
    const QColor ink = palette().color(QPalette::Text);
    m_style->setIconSize(QSize(kGuideStyleWidth, kGuideStyleHeight));
    for (std::uint32_t id = StringId::StyleSolid; id <= StringId::StyleDashDotDot; ++id)
        m_style->addItem(QIcon(GuideStyleIcon(static_cast<int>(id - StringId::StyleSolid), ink)), DialogText(id));
    PreparePicker(*m_colour, m_settings[P::GuideColor]);
    m_allPagesBox->setChecked(false);
    if (!m_filled) return;
    m_show->setChecked(m_settings[P::ShowGuide] != 0);
    m_snap->setChecked(m_settings[P::SnapToGuide] != 0);
    m_style->setCurrentIndex(std::clamp(m_settings[P::GuideLineStyle], 0, 4));
    Refill();
}

void CPagePropertiesGuidelinePropertyPage::Refill() {
    m_list->clear();
    m_list->addItems(m_lists.Lines());
}

void CPagePropertiesGuidelinePropertyPage::OnAdd() {
    CAddGuidelineDialog dialog(this, false, 0, 0, m_limits);
    if (dialog.exec() != QDialog::Accepted) return;
    m_lists.Add(dialog.Orientation(), dialog.Position());
    Refill();
}

void CPagePropertiesGuidelinePropertyPage::OnEdit() {
    const int line = m_list->currentRow();
    int orientation = 0;
    double position = 0;
    if (static_cast<std::size_t>(m_list->count()) != m_lists.Count() || !m_lists.Entry(line, orientation, position))
        return;
    CAddGuidelineDialog dialog(this, true, orientation, position, m_limits);
    if (dialog.exec() != QDialog::Accepted) return;
    m_lists.Edit(line, dialog.Position());
    Refill();
}

void CPagePropertiesGuidelinePropertyPage::OnRemove() {
    if (static_cast<std::size_t>(m_list->count()) != m_lists.Count()) return;
    if (m_lists.Remove(m_list->currentRow())) Refill();
}

void CPagePropertiesGuidelinePropertyPage::OnClear() {
    m_lists.Clear();
    Refill();
}

void CPagePropertiesGuidelinePropertyPage::OnOK() {
    m_allPages = m_allPagesBox->isChecked();
    m_settings[P::SnapToGuide] = m_snap->isChecked() ? 1 : 0;
    m_settings[P::ShowGuide] = m_show->isChecked() ? 1 : 0;
    m_settings[P::GuideColor] = static_cast<std::int32_t>(m_colour->GetColour() & 0x00FFFFFF);
    m_settings[P::GuideLineStyle] = std::max(m_style->currentIndex(), 0);
}

// --- Grid page -------------------------------------------------------------------

CPagePropertiesGridPropertyPage::CPagePropertiesGridPropertyPage(CApplicationProperties& settings, QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PageGrid), parent),
      m_settings(settings),
      m_printableColour(new CColourPicker(this)),
      m_gridColour(new CColourPicker(this)),
      m_showGrid(Check(StringId::ShowGrid, this)),
      m_snapToGrid(Check(StringId::SnapToGrid, this)),
      m_showPrintable(Check(StringId::ShowPrintableArea, this)),
      m_horizontal(new QLineEdit(this)),
      m_vertical(new QLineEdit(this)) {
    auto* form = new QFormLayout(this);
    form->addRow(m_showGrid);
    form->addRow(m_snapToGrid);
    form->addRow(DialogText(StringId::GridHorizontalSpacing), m_horizontal);
    form->addRow(DialogText(StringId::GridVerticalSpacing), m_vertical);
    form->addRow(DialogText(StringId::GridColour), m_gridColour);
    form->addRow(m_showPrintable);
    form->addRow(DialogText(StringId::PrintableAreaColour), m_printableColour);
}

void CPagePropertiesGridPropertyPage::OnFirstActive() {
    PreparePicker(*m_gridColour, m_settings[P::GridColor]);
    PreparePicker(*m_printableColour, m_settings[P::PrintableAreaColor]);
    m_showGrid->setChecked(m_settings[P::ShowGrid] != 0);
    m_snapToGrid->setChecked(m_settings[P::SnapToGrid] != 0);
    m_showPrintable->setChecked(m_settings[P::ShowPrintableArea] != 0);
    m_horizontal->setText(QString::number(m_settings[P::GridHorizontalFreq]));
    m_vertical->setText(QString::number(m_settings[P::GridVerticalFreq]));
}

void CPagePropertiesGridPropertyPage::OnOK() {
    m_settings[P::GridHorizontalFreq] =
        ReadGridFrequency(m_horizontal->text().toStdU16String(), m_settings[P::GridHorizontalFreq]);
    m_settings[P::GridVerticalFreq] =
        ReadGridFrequency(m_vertical->text().toStdU16String(), m_settings[P::GridVerticalFreq]);
    m_settings[P::SnapToGrid] = m_snapToGrid->isChecked() ? 1 : 0;
    m_settings[P::ShowGrid] = m_showGrid->isChecked() ? 1 : 0;
    m_settings[P::GridColor] = static_cast<std::int32_t>(m_gridColour->GetColour() & 0x00FFFFFF);
    m_settings[P::ShowPrintableArea] = m_showPrintable->isChecked() ? 1 : 0;
    m_settings[P::PrintableAreaColor] = static_cast<std::int32_t>(m_printableColour->GetColour() & 0x00FFFFFF);
}

// --- Clipboard page --------------------------------------------------------------

CPagePropertiesClipboardPropertyPage::CPagePropertiesClipboardPropertyPage(CApplicationProperties& settings,
                                                                           QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PageClipboard), parent),
      m_settings(settings),
      m_bmpSize(new QSlider(Qt::Horizontal, this)) {
    const std::pair<std::uint32_t, P::Setting> boxes[] = {
        {StringId::ClipboardBmp, P::ClipboardBMP},         {StringId::ClipboardEmf, P::ClipboardEMF},
        {StringId::ClipboardEps, P::ClipboardEPS},         {StringId::ClipboardWmf, P::ClipboardWMF},
        {StringId::ClipboardKavitro, P::ClipboardKavitro}, {StringId::ClipboardUtf8, P::ClipboardUTF8Text},
    };
    auto* form = new QFormLayout(this);
    for (const auto& [text, setting] : boxes) {
        m_boxes.emplace_back(Check(text, this), setting);
        form->addRow(m_boxes.back().first);
        if (setting == P::ClipboardBMP) form->addRow(DialogText(StringId::ClipboardBmpSize), m_bmpSize);
    }
    m_bmpSize->setRange(10, 500);
    m_bmpSize->setTickPosition(QSlider::TicksBelow);
    m_bmpSize->setTickInterval(50);
}

void CPagePropertiesClipboardPropertyPage::OnFirstActive() {
    for (const auto& [box, setting] : m_boxes) box->setChecked(m_settings[setting] != 0);
    m_bmpSize->setValue(m_settings[P::ClipboardBMPSize]);
}

void CPagePropertiesClipboardPropertyPage::OnOK() {
    for (const auto& [box, setting] : m_boxes) m_settings[setting] = box->isChecked() ? 1 : 0;
    m_settings[P::ClipboardBMPSize] = m_bmpSize->value();
}

// --- Miscellaneous page ----------------------------------------------------------

CPagePropertiesMiscPropertyPage::CPagePropertiesMiscPropertyPage(CApplicationProperties& settings, QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PageMiscellaneous), parent),
      m_settings(settings),
      m_pointSize(new QCheckBox(this)),
      m_pointSizeSlider(new QSlider(Qt::Horizontal, this)),
      m_textSize(new QLineEdit(this)),
      m_textColour(new CColourPicker(this)),
      m_zurazOrova(Check(StringId::ZurazOrovaWriting, this)) {
    m_pointSizeSlider->setRange(80, 100);
    m_pointSizeSlider->setTickPosition(QSlider::TicksBelow);
    m_pointSizeSlider->setTickInterval(5);
    auto* form = new QFormLayout(this);
    form->addRow(m_pointSize);
    form->addRow(m_pointSizeSlider);
    form->addRow(DialogText(StringId::DefaultTextSize), m_textSize);
    form->addRow(DialogText(StringId::DefaultTextColour), m_textColour);
    form->addRow(m_zurazOrova);
    connect(m_pointSize, &QCheckBox::clicked, this, &CPagePropertiesMiscPropertyPage::Refresh);
    connect(m_pointSizeSlider, &QSlider::sliderReleased, this, &CPagePropertiesMiscPropertyPage::Refresh);
}

void CPagePropertiesMiscPropertyPage::OnFirstActive() {
    PreparePicker(*m_textColour, m_settings[P::DefaultTextColor]);
    m_pointSize->setChecked(m_settings[P::PointSize] != 0);
    m_pointSizeSlider->setValue(m_settings[P::PointSize_Size]);
    m_textSize->setText(QString::number(m_settings[P::DefaultTextSize]));
    m_zurazOrova->setChecked(m_settings[P::ZurazOrovaWriting] != 0);
    Refresh();
}

void CPagePropertiesMiscPropertyPage::Refresh() {
    if (!m_pointSize->isChecked()) m_pointSizeSlider->setValue(100);
    m_pointSizeSlider->setEnabled(m_pointSize->isChecked());
    m_pointSize->setText(DialogLanguage().Format(StringId::PointSizeCaption, {static_cast<long long>(m_pointSizeSlider->value())}));
}

void CPagePropertiesMiscPropertyPage::OnOK() {
    m_settings[P::PointSize] = m_pointSize->isChecked() ? 1 : 0;
    m_settings[P::PointSize_Size] = m_pointSize->isChecked() ? m_pointSizeSlider->value() : 100;
    m_settings[P::DefaultTextColor] = static_cast<std::int32_t>(m_textColour->GetColour() & 0x00FFFFFF);
    m_settings[P::DefaultTextSize] =
        ReadSettingBox(m_textSize->text().toStdU16String(), m_settings[P::DefaultTextSize], P::DefaultTextSize);
    m_settings[P::ZurazOrovaWriting] = m_zurazOrova->isChecked() ? 1 : 0;
}

// --- The sheet -----------------------------------------------------------------------

namespace {

// The sheet, with the paper page last when a document window asks.
bool RunSheet(QWidget* parent, CApplicationProperties& settings, GuidePageData* guides, CKavitroDoc* paperOf) {
    CFontPropertySheet sheet(DialogText(StringId::PagePropertiesCaption), parent);
    CPagePropertiesGuidelinePropertyPage* guidePage = nullptr;
    if (guides) {
        guidePage = new CPagePropertiesGuidelinePropertyPage(settings);
        guidePage->m_lists = guides->lists;
        guidePage->m_limits = guides->limits;
        guidePage->m_filled = true;
        sheet.AddPage(guidePage);
    }
    sheet.AddPage(new CPagePropertiesGridPropertyPage(settings));
    sheet.AddPage(new CPagePropertiesClipboardPropertyPage(settings));
    sheet.AddPage(new CPagePropertiesMiscPropertyPage(settings));
    if (paperOf) sheet.AddPage(new CPagePropertiesPaperPropertyPage(*paperOf));
    if (sheet.exec() != QDialog::Accepted) return false;
    if (guides && guidePage) {
        guides->lists = guidePage->m_lists;
        guides->allPages = guidePage->m_allPages;
    }
    return true;
}

}  // namespace

bool RunPageProperties(QWidget* parent, CApplicationProperties& settings, GuidePageData* guides) {
    return RunSheet(parent, settings, guides, nullptr);
}

GuidePageData GuidePageFor(const CKavitroDoc& document, std::uint32_t page) {
    GuidePageData data;
    static_cast<GuideLinePositions&>(data.lists) = ListGuideLines(document, page);
    const Size size = document.GetPageSize();
    data.limits.horizontal = size.cy / 100.0;
    data.limits.vertical = size.cx / 100.0;
    return data;
}

bool RunPageProperties(QWidget* parent, CApplicationProperties& settings, CKavitroDoc* document, std::uint32_t page) {
    if (!document) return RunPageProperties(parent, settings, nullptr);
    GuidePageData guides = GuidePageFor(*document, page);
    if (!RunSheet(parent, settings, &guides, document)) return false;
    ReplaceGuideLines(*document, page, guides.lists, guides.allPages);
    return true;
}

}  // namespace kavitro
