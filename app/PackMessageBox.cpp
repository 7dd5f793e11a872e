#include "app/PackMessageBox.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>

#include "document/StringIds.h"

namespace kavitro {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::None: return QMessageBox::NoIcon;
        case MessageIcon::Error: return QMessageBox::Critical;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The pack string that labels a button: OK 11015 ... No 11021, in the order
// of the button ids.
std::uint32_t LabelOf(DialogResult result) {
    return StringId::ButtonOk + static_cast<std::uint32_t>(static_cast<int>(result) - 1);
}

QMessageBox::ButtonRole RoleOf(DialogResult result) {
    switch (result) {
        case DialogResult::Ok:
        case DialogResult::Retry:
        case DialogResult::Ignore: return QMessageBox::AcceptRole;
        case DialogResult::Cancel:
        case DialogResult::Abort: return QMessageBox::RejectRole;
        case DialogResult::Yes: return QMessageBox::YesRole;
        case DialogResult::No: return QMessageBox::NoRole;
    }
    return QMessageBox::AcceptRole;
}

}  // namespace

PackMessageBox::PackMessageBox(const LanguageModule& language, QWidget* parent)
    : m_language(language), m_parent(parent) {}

void PackMessageBox::Dress(QMessageBox& box) const {
    const LanguagePack& pack = m_language.Pack();
    box.setWindowTitle(QStringLiteral("Kavitro"));
    box.setTextFormat(Qt::PlainText);
    box.setFont(QFont(pack.DialogFontFamily(), pack.DialogFontPointSize()));
    if (pack.IsRightToLeft()) {
        box.setLayoutDirection(Qt::RightToLeft);
        if (QLabel* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            label->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    } else {
        box.setLayoutDirection(Qt::LeftToRight);
    }
}

PackMessageBox::Box PackMessageBox::Build(const ErrorMessage& message) const {
    const LanguagePack& pack = m_language.Pack();
    Box result;
    result.box = std::make_unique<QMessageBox>(m_parent);
    QMessageBox& box = *result.box;
    box.setIcon(IconOf(message.icon));
    box.setText(QString::fromStdU16String(
        MessageText(message, [&pack](std::uint32_t id) { return pack.Text(id).toStdU16String(); })));
    Dress(box);

    const std::vector<DialogResult> offered = ButtonsOf(message.buttons);
    QPushButton* first = nullptr;
    QPushButton* escape = nullptr;
    for (DialogResult r : offered) {
        QPushButton* button = box.addButton(pack.Text(LabelOf(r)), RoleOf(r));
        result.results[button] = r;
        if (!first)
            first = button;
        if (r == DialogResult::Cancel || (r == DialogResult::No && !escape))
            escape = button;
    }
    box.setDefaultButton(first);
    // A box with one button closes with it; otherwise Escape means Cancel or No.
    box.setEscapeButton(offered.size() == 1 ? first : escape);
    return result;
}

DialogResult PackMessageBox::Show(const ErrorMessage& message) {
    Box built = Build(message);
    built.box->exec();
    const auto it = built.results.find(built.box->clickedButton());
    if (it != built.results.end())
        return it->second;
    // Closed without a button of its own (no escape button): the last one
    // offered, the safe answer of every set (Cancel, No, Ignore, OK).
    return ButtonsOf(message.buttons).back();
}

QMessageBox* PackMessageBox::ShowNotice(const QString& text, MessageIcon icon) {
    auto* box = new QMessageBox(m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(IconOf(icon));
    box->setText(text);
    Dress(*box);
    QPushButton* ok = box->addButton(m_language.Pack().Text(StringId::ButtonOk), QMessageBox::AcceptRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(ok);
    box->setModal(false);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

}  // namespace kavitro
