#include "app/dialogs/PaperPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>
#include <cstdlib>

#include "app/LanguagePack.h"
#include "app/dialogs/DialogLanguage.h"
#include "document/KavitroDoc.h"
#include "document/StringIds.h"
#include "platform/UserNumber.h"

namespace kavitro {

namespace {

// Sizes within half a millimetre are the same paper.
constexpr std::int32_t kSameSize = 50;
// What the margins must leave of the page each way (0.01 mm).
constexpr std::int32_t kLeastPrintable = 1000;

bool Near(Size a, Size b) { return std::abs(a.cx - b.cx) <= kSameSize && std::abs(a.cy - b.cy) <= kSameSize; }

QString Millimetres(std::int32_t hundredths) { return QString::number(hundredths / 100.0, 'f', 1); }

}  // namespace

const std::vector<QPageSize::PageSizeId>& OfferedPaperSizes() {
    static const std::vector<QPageSize::PageSizeId> sizes = {
        QPageSize::A4, QPageSize::A5, QPageSize::A3, QPageSize::B5, QPageSize::B4, QPageSize::Letter, QPageSize::Legal,
    };
    return sizes;
}

Size PaperSize(QPageSize::PageSizeId id, bool landscape) {
    const QSizeF mm = QPageSize::size(id, QPageSize::Millimeter);
    const Size upright{static_cast<std::int32_t>(std::lround(mm.width() * 100)),
                       static_cast<std::int32_t>(std::lround(mm.height() * 100))};
    return landscape ? Size{upright.cy, upright.cx} : upright;
}

std::optional<Rect> ReadMargins(const std::array<std::u16string_view, 4>& boxes, Size page) {
    std::array<std::int32_t, 4> edges{};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::optional<double> mm = ParseUserNumber(boxes[i]);
        if (!mm || *mm < 0 || *mm * 100 > 1e6) return std::nullopt;
        edges[i] = static_cast<std::int32_t>(std::lround(*mm * 100));
    }
    const Rect margins(edges[0], edges[1], edges[2], edges[3]);
    if (page.cx - margins.left - margins.right < kLeastPrintable ||
        page.cy - margins.top - margins.bottom < kLeastPrintable)
        return std::nullopt;
    return margins;
}

bool ApplyPaper(CKavitroDoc& document, Size size, const Rect& margins) {
    if (size.cx <= 0 || size.cy <= 0) return false;
    if (size == document.GetPageSize() && margins == document.m_margins) return false;
    document.SetPageSize(size, margins);
    document.SetModifiedFlag();
    document.UpdateAllViews(nullptr);
    return true;
}

CPagePropertiesPaperPropertyPage::CPagePropertiesPaperPropertyPage(CKavitroDoc& document, QWidget* parent)
    : CFontPropertyPage(DialogText(StringId::PagePaper), parent),
      m_document(document),
      m_size(new QComboBox(this)),
      m_portrait(new QRadioButton(DialogText(StringId::PaperPortrait), this)),
      m_landscape(new QRadioButton(DialogText(StringId::PaperLandscape), this)) {
    auto* turns = new QHBoxLayout;
    turns->addWidget(m_portrait);
    turns->addWidget(m_landscape);
    turns->addStretch();
    auto* form = new QFormLayout(this);
    form->addRow(DialogText(StringId::PaperSize), m_size);
    form->addRow(turns);
    const std::uint32_t edges[] = {StringId::MarginLeft, StringId::MarginTop, StringId::MarginRight,
                                   StringId::MarginBottom};
    for (std::size_t i = 0; i < m_margins.size(); ++i) {
        m_margins[i] = new QLineEdit(this);
        form->addRow(DialogText(edges[i]), m_margins[i]);
    }
}

void CPagePropertiesPaperPropertyPage::OnFirstActive() {
    const Size page = m_document.GetPageSize();
    const bool landscape = page.cx > page.cy;
    // The document's own size comes first when it is no standard one.
    int selected = -1;
    for (QPageSize::PageSizeId id : OfferedPaperSizes()) {
        m_size->addItem(QPageSize::name(id), static_cast<int>(id));
        if (selected < 0 && Near(PaperSize(id, landscape), page)) selected = m_size->count() - 1;
    }
    if (selected < 0) {
        m_size->insertItem(0, DialogLanguage().Format(StringId::PaperOwnSize, {page.cx / 100.0, page.cy / 100.0}), -1);
        selected = 0;
    }
    m_size->setCurrentIndex(selected);
    (landscape ? m_landscape : m_portrait)->setChecked(true);
    const Rect& m = m_document.m_margins;
    const std::int32_t edges[] = {m.left, m.top, m.right, m.bottom};
    for (std::size_t i = 0; i < m_margins.size(); ++i) m_margins[i]->setText(Millimetres(edges[i]));
}

void CPagePropertiesPaperPropertyPage::OnOK() {
    const int id = m_size->currentData().toInt();
    const Size page = m_document.GetPageSize();
    Size size = id < 0 ? page : PaperSize(static_cast<QPageSize::PageSizeId>(id), m_landscape->isChecked());
    // The document's own size turns with the choice too.
    if (id < 0 && (size.cx > size.cy) != m_landscape->isChecked()) size = Size{size.cy, size.cx};
    std::array<std::u16string, 4> texts;
    std::array<std::u16string_view, 4> boxes;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = m_margins[i]->text().toStdU16String();
        boxes[i] = texts[i];
    }
    // Margins that do not fit the new paper keep the old ones, if those fit.
    const std::optional<Rect> margins = ReadMargins(boxes, size);
    Rect chosen = margins ? *margins : m_document.m_margins;
    if (!margins && (size.cx - chosen.left - chosen.right < kLeastPrintable ||
                     size.cy - chosen.top - chosen.bottom < kLeastPrintable))
        chosen = Rect(CKavitroDoc::kDefaultMargin, CKavitroDoc::kDefaultMargin, CKavitroDoc::kDefaultMargin,
                      CKavitroDoc::kDefaultMargin);
    ApplyPaper(m_document, size, chosen);
}

}  // namespace kavitro
