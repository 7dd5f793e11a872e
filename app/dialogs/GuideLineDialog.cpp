#include "app/dialogs/GuideLineDialog.h"

#include <algorithm>
#include <cmath>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogs/DialogLanguage.h"
#include "document/StringIds.h"
#include "platform/UserNumber.h"

namespace kavitro {

QString GuidePositionText(bool edit, double position) {
    return edit ? QString::asprintf("%.2f", position) : QString();
}

double ReadGuidePosition(std::u16string_view text, double limit) {
    const std::optional<LeadingNumber> number = ParseLeadingNumber(text);
    if (!number) return 0;
    const double top = std::isfinite(limit) && limit > 0 ? limit : 0;
    return std::clamp(number->value, 0.0, top);
}

CAddGuidelineDialog::CAddGuidelineDialog(QWidget* parent, bool edit, int orientation, double position,
                                         GuideLimits limits)
    : QDialog(parent), m_limits(limits), m_orientation(orientation == 1 ? 1 : 0), m_position(position) {
    setWindowTitle(DialogText(StringId::GuideLineDialog));
    ApplyDialogDirection(*this);
    m_horizontal = new QRadioButton(DialogText(StringId::GuideHorizontal), this);
    m_vertical = new QRadioButton(DialogText(StringId::GuideVertical), this);
    (m_orientation == 0 ? m_horizontal : m_vertical)->setChecked(true);
    // An edited line keeps its orientation.
    m_horizontal->setEnabled(!edit);
    m_vertical->setEnabled(!edit);
    m_text = new QLineEdit(GuidePositionText(edit, position), this);
    m_text->setObjectName(QStringLiteral("position"));

    auto* orientations = new QHBoxLayout;
    orientations->addWidget(m_horizontal);
    orientations->addWidget(m_vertical);
    auto* form = new QFormLayout;
    form->addRow(orientations);
    form->addRow(DialogText(StringId::GuidePosition), m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(DialogText(StringId::ButtonOk));
    buttons->button(QDialogButtonBox::Cancel)->setText(DialogText(StringId::ButtonCancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddGuidelineDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CAddGuidelineDialog::accept() {
    m_orientation = m_vertical->isChecked() ? 1 : 0;
    m_position = ReadGuidePosition(m_text->text().toStdU16String(), m_limits.For(m_orientation));
    QDialog::accept();
}

}  // namespace kavitro
