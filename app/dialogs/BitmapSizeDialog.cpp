#include "app/dialogs/BitmapSizeDialog.h"

#include <cmath>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/DialogLanguage.h"
#include "document/StringIds.h"
#include "platform/UserNumber.h"

namespace kavitro {

namespace {

// value × numerator / denominator, rounded, clamped to a side's range.
std::optional<std::int32_t> Scaled(std::u16string_view text, std::int32_t numerator, std::int32_t denominator) {
    if (numerator <= 0 || denominator <= 0) return std::nullopt;
    const std::optional<double> value = ParseUserNumber(text);
    if (!value) return std::nullopt;
    const double scaled = std::round(*value * numerator / denominator);
    return ClampToRange(scaled, 1, BitmapSizeLink::kMaxSide);
}

}  // namespace

BitmapSizeLink::BitmapSizeLink(std::int32_t startWidth, std::int32_t startHeight)
    : m_startWidth(startWidth), m_startHeight(startHeight) {}

std::optional<std::int32_t> BitmapSizeLink::WidthTyped(std::u16string_view text) {
    return Scaled(text, m_startHeight, m_startWidth);
}

std::optional<std::int32_t> BitmapSizeLink::HeightTyped(std::u16string_view text) {
    return Scaled(text, m_startWidth, m_startHeight);
}

std::optional<Size> BitmapSizeLink::Accept(std::u16string_view width, std::u16string_view height) {
    const std::optional<std::int32_t> w = ParseUserInteger(width, 1, kMaxSide);
    const std::optional<std::int32_t> h = ParseUserInteger(height, 1, kMaxSide);
    if (!w || !h || std::int64_t{*w} * *h > kMaxArea) return std::nullopt;
    return Size{*w, *h};
}

CBitmapExportDialog::CBitmapExportDialog(QWidget* parent, Size start)
    : QDialog(parent), m_link(start.cx, start.cy), m_size(start) {
    setWindowTitle(DialogText(StringId::BitmapSizeDialog));
    ApplyDialogDirection(*this);
    m_width = new QLineEdit(QString::number(start.cx), this);
    m_height = new QLineEdit(QString::number(start.cy), this);
    m_width->setObjectName(QStringLiteral("width"));
    m_height->setObjectName(QStringLiteral("height"));
    auto* form = new QFormLayout;
    form->addRow(DialogText(StringId::BitmapWidth), m_width);
    form->addRow(DialogText(StringId::BitmapHeight), m_height);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(DialogText(StringId::ButtonOk));
    buttons->button(QDialogButtonBox::Cancel)->setText(DialogText(StringId::ButtonCancel));
    m_ok = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CBitmapExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // textEdited comes from the user only: setting the other box does not
    // call back into this one.
    connect(m_width, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (const auto h = m_link.WidthTyped(text.toStdU16String())) m_height->setText(QString::number(*h));
        Revalidate();
    });
    connect(m_height, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (const auto w = m_link.HeightTyped(text.toStdU16String())) m_width->setText(QString::number(*w));
        Revalidate();
    });
    Revalidate();
}

void CBitmapExportDialog::Revalidate() {
    m_ok->setEnabled(BitmapSizeLink::Accept(m_width->text().toStdU16String(), m_height->text().toStdU16String()).has_value());
}

void CBitmapExportDialog::accept() {
    const std::optional<Size> size =
        BitmapSizeLink::Accept(m_width->text().toStdU16String(), m_height->text().toStdU16String());
    if (!size) return;
    m_size = *size;
    QDialog::accept();
}

bool AskBitmapSize(QWidget* parent, Size& size) {
    CBitmapExportDialog dialog(parent, size);
    if (dialog.exec() != QDialog::Accepted) return false;
    size = dialog.ChosenSize();
    return true;
}

}  // namespace kavitro
