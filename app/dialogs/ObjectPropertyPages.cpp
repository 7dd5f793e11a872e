#include "app/dialogs/ObjectPropertyPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QSpinBox>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/PageListModel.h"
#include "app/dialogs/ColourPicker.h"
#include "app/dialogs/DialogLanguage.h"
#include "document/DrawObj.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/KavitroDoc.h"
#include "document/ObjectsBuffer.h"
#include "document/StringIds.h"
#include "platform/UserNumber.h"

namespace kavitro {

namespace {

constexpr std::uint32_t kEveryPageBits = 0xF0000000u;

void PrepareColourPicker(CColourPicker& picker) {
    picker.SetDefaultText(DialogText(StringId::AutomaticColour));
    picker.SetSelectionMode(CColourPicker::BackgroundMode);
}

}  // namespace

GeneralValues ReadGeneralValues(const CDrawObj& object, const CKavitroDoc& document) {
    GeneralValues v;
    v.everyPage = object.m_nPage >= 0x10000000u;
    v.noFill = object.m_bBrush == 0;
    v.lineWidth = object.m_bPen ? std::clamp(object.m_logpen.width.x, 0, kMaxLineWidth) : 0;
    v.lineColour = object.m_logpen.color;
    v.fillColour = object.m_logbrush.color;
    if (const auto* text = dynamic_cast<const CDrawText*>(&object)) {
        const Point p = text->GetZoomedBaselinePoint();
        v.horizontal = -p.x / 100.0;
        v.vertical = -p.y / 100.0;
    } else {
        CPolygonRect position = object.m_position;
        position.SetAngle(position.m_nAngle);
        // The page's origin is its top-right corner and y grows upwards: the
        // object is placed by its right-hand and upper edges, whichever way
        // round its rectangle was drawn or pasted.
        const Rect& r = position.m_rect;
        v.horizontal = -std::max(r.left, r.right) / 100.0;
        v.vertical = -std::max(r.top, r.bottom) / 100.0;
    }
    const auto pages = static_cast<int>(std::max<std::uint32_t>(document.GetPageCount(), 1));
    v.page = std::clamp(static_cast<int>(object.m_nPage & 0x0FFFFFFFu), 0, pages - 1);
    return v;
}

bool ApplyGeneralValues(CDrawObj& object, CKavitroDoc& document, const GeneralValues& values) {
    const auto pages = static_cast<int>(std::max<std::uint32_t>(document.GetPageCount(), 1));
    std::uint32_t page = static_cast<std::uint32_t>(std::clamp(values.page, 0, pages - 1));
    page = values.everyPage ? (page | kEveryPageBits) : (page & 0x0FFFFFFFu);
    const std::int32_t width = std::clamp(values.lineWidth, 0, kMaxLineWidth);
    LogPen pen = object.m_logpen;
    pen.width = Point{width, width};
    pen.color = values.lineColour;
    LogBrush brush = object.m_logbrush;
    brush.color = values.fillColour;
    const std::uint32_t penOn = width > 0 ? 1 : 0;
    const std::uint32_t brushOn = values.noFill ? 0 : 1;
    if (page == object.m_nPage && penOn == object.m_bPen && pen == object.m_logpen && brushOn == object.m_bBrush &&
        brush == object.m_logbrush)
        return false;
    document.RecordStyleChange(&object);
    object.m_nPage = page;
    object.m_bPen = penOn;
    object.m_logpen = pen;
    object.m_bBrush = brushOn;
    object.m_logbrush = brush;
    ++CObjectsBuffer::GetActionIdCounter();
    document.SetModifiedFlag();
    document.UpdateAllViews(nullptr);
    return true;
}

TextValues ReadTextValues(const CDrawText& text) {
    return {text.m_position.m_nAngle, text.GetTextSize() / 20.0, text.m_color};
}

std::optional<TextViewChange> ReadTextBoxes(std::u16string_view size, std::u16string_view angle) {
    const std::optional<double> points = ParseUserNumber(size);
    const std::optional<double> degrees = ParseUserNumber(angle);
    if (!points || !degrees) return std::nullopt;
    const double clamped = std::clamp(*points, kMinTextPoints, kMaxTextPoints);
    TextViewChange change;
    change.sizeTimes20 = ClampToRange(clamped * 20.0, 40, 200000);
    const double turned = std::fmod(std::trunc(*degrees), 360.0);
    change.angle = static_cast<std::int32_t>(turned < 0 ? turned + 360.0 : turned);
    return change;
}

bool ApplyTextColour(CDrawText& text, CKavitroDoc& document, COLORREF colour) {
    if (text.m_color == colour) return false;
    document.RecordModify(&text);
    text.m_color = colour;
    ++CObjectsBuffer::GetActionIdCounter();
    document.SetModifiedFlag();
    document.UpdateAllViews(nullptr);
    return true;
}

// --- General page widgets -----------------------------------------------------

CObjectGeneralProperties::CObjectGeneralProperties(CDrawObj& object, CKavitroDoc& document, QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PageGeneral), parent),
      m_object(object),
      m_document(document),
      m_everyPage(new QCheckBox(DialogText(StringId::EveryPage), this)),
      m_noFill(new QCheckBox(DialogText(StringId::NoFill), this)),
      m_lineWidth(new QSpinBox(this)),
      m_horizontal(new QLineEdit(this)),
      m_vertical(new QLineEdit(this)),
      m_page(new QComboBox(this)),
      m_pageModel(new PageListModel(m_page)),
      m_lineColour(new CColourPicker(this)),
      m_fillColour(new CColourPicker(this)) {
    m_page->setObjectName(QStringLiteral("page"));
    m_page->setModel(m_pageModel);
    // Sized by its widest number, not by measuring every page's item.
    m_page->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_lineWidth->setRange(0, kMaxLineWidth);
    m_horizontal->setReadOnly(true);
    m_vertical->setReadOnly(true);
    auto* form = new QFormLayout(this);
    form->addRow(m_everyPage);
    form->addRow(m_noFill);
    form->addRow(DialogText(StringId::LineWidth), m_lineWidth);
    form->addRow(DialogText(StringId::LineColour), m_lineColour);
    form->addRow(DialogText(StringId::FillColour), m_fillColour);
    form->addRow(DialogText(StringId::HorizontalPosition), m_horizontal);
    form->addRow(DialogText(StringId::VerticalPosition), m_vertical);
    form->addRow(DialogText(StringId::PageNumber), m_page);
}

void CObjectGeneralProperties::OnFirstActive() {
    m_values = ReadGeneralValues(m_object, m_document);
    m_everyPage->setChecked(m_values.everyPage);
    m_noFill->setChecked(m_values.noFill);
    m_lineWidth->setValue(m_values.lineWidth);
    PrepareColourPicker(*m_lineColour);
    PrepareColourPicker(*m_fillColour);
    m_lineColour->SetColour(m_values.lineColour);
    m_fillColour->SetColour(m_values.fillColour);
    m_horizontal->setText(QString::number(m_values.horizontal, 'f', 2));
    m_vertical->setText(QString::number(m_values.vertical, 'f', 2));
    const auto pages = static_cast<int>(std::min<std::uint32_t>(m_document.GetPageCount(), INT_MAX));
    m_pageModel->SetPageCount(pages);
    m_page->setMinimumContentsLength(static_cast<int>(QString::number(pages).size()));
    m_page->setCurrentIndex(m_values.page);
}

void CObjectGeneralProperties::OnOK() {
    GeneralValues v = m_values;
    v.everyPage = m_everyPage->isChecked();
    v.noFill = m_noFill->isChecked();
    v.lineWidth = m_lineWidth->value();
    v.lineColour = m_lineColour->GetColour();
    v.fillColour = m_fillColour->GetColour();
    // No selection keeps the object's page.
    if (m_page->currentIndex() >= 0) v.page = m_page->currentIndex();
    ApplyGeneralValues(m_object, m_document, v);
}

// --- Text page widgets --------------------------------------------------------

CObjectTextProperties::CObjectTextProperties(CDrawText& text, CKavitroDoc& document, ViewSink toView,
                                             QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PageText), parent),
      m_text(text),
      m_document(document),
      m_toView(std::move(toView)),
      m_angle(new QLineEdit(this)),
      m_size(new QLineEdit(this)),
      m_colour(new CColourPicker(this)) {
    m_angle->setObjectName(QStringLiteral("angle"));
    m_size->setObjectName(QStringLiteral("size"));
    auto* form = new QFormLayout(this);
    form->addRow(DialogText(StringId::TextAngle), m_angle);
    form->addRow(DialogText(StringId::TextSize), m_size);
    form->addRow(DialogText(StringId::TextColour), m_colour);
}

void CObjectTextProperties::OnFirstActive() {
    const TextValues v = ReadTextValues(m_text);
    m_angle->setText(QString::number(v.angle));
    m_size->setText(QString::number(v.size, 'g', 10));
    PrepareColourPicker(*m_colour);
    m_colour->SetColour(v.colour);
}

void CObjectTextProperties::OnOK() {
    const std::optional<TextViewChange> change =
        ReadTextBoxes(m_size->text().toStdU16String(), m_angle->text().toStdU16String());
    if (change && m_toView) m_toView(*change);
    ApplyTextColour(m_text, m_document, m_colour->GetColour());
}

// --- Dodavo page ------------------------------------------------------------------

CObjectDodavoProperties::CObjectDodavoProperties(CDrawPicture& picture, QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PageDodavo), parent), m_picture(picture) {
    auto* change = new QPushButton(DialogText(StringId::ChangePicture), this);
    connect(change, &QPushButton::clicked, this, &CObjectDodavoProperties::OnChange);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(change);
    layout->addStretch();
}

CObjectDodavoProperties::~CObjectDodavoProperties() = default;

void CObjectDodavoProperties::OnChange() {
    std::unique_ptr<CMetafilePicture> vector;
    std::unique_ptr<CDib> raster;
    if (!m_picture.OpenPictureFile(vector, raster)) return;  // whatever it made is freed here
    SetPending(std::move(vector), std::move(raster));
}

void CObjectDodavoProperties::SetPending(std::unique_ptr<CMetafilePicture> vector, std::unique_ptr<CDib> raster) {
    if (!vector && !raster) return;
    m_vector = std::move(vector);
    m_raster = std::move(raster);
}

bool CObjectDodavoProperties::HasPending() const { return m_vector || m_raster; }

void CObjectDodavoProperties::OnOK() {
    if (!HasPending()) return;
    m_picture.ChangeDodavo(std::move(m_vector), std::move(m_raster));
}

void CObjectDodavoProperties::OnCancel() {
    m_vector.reset();
    m_raster.reset();
}

// --- The sheet -----------------------------------------------------------------------

bool DialogPropertySheets::EditObjectProperties(CDrawObj& object) {
    CKavitroDoc* document = object.m_pDocument;
    if (!document) return false;
    CFontPropertySheet sheet(DialogText(StringId::ObjectPropertiesCaption), m_parent);
    if (auto* text = dynamic_cast<CDrawText*>(&object))
        sheet.AddPage(new CObjectTextProperties(*text, *document, m_toView));
    if (auto* picture = dynamic_cast<CDrawPicture*>(&object)) sheet.AddPage(new CObjectDodavoProperties(*picture));
    sheet.AddPage(new CObjectGeneralProperties(object, *document));
    if (sheet.exec() != QDialog::Accepted) return false;
    document->SetModifiedFlag();
    document->UpdateAllViews(nullptr);
    return true;
}

}  // namespace kavitro
