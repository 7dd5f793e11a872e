#include "app/dialogs/PropertySheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/LanguagePack.h"
#include "app/dialogs/DialogLanguage.h"
#include "document/StringIds.h"
#include "platform/Exceptions.h"

namespace kavitro {

int PageFontTenths(int templatePointSize, int logicalDpiY) {
    const int factor = logicalDpiY == 96 ? 11 : 10;
    return static_cast<int>(static_cast<unsigned>(templatePointSize * factor) % 65536u);
}

CFontPropertyPage::CFontPropertyPage(const QString& title, QWidget* parent) : QWidget(parent), m_title(title) {}

void CFontPropertyPage::Activate() {
    if (m_opened) return;
    m_opened = true;
    OnFirstActive();
}

CFontPropertySheet::CFontPropertySheet(const QString& caption, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    ApplyDialogDirection(*this);
    m_tabs = new QTabWidget(this);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(DialogText(StringId::ButtonOk));
    m_buttons->button(QDialogButtonBox::Cancel)->setText(DialogText(StringId::ButtonCancel));
    // The sheet is as wide as all its tabs: with scroll arrows the tab widget
    // caps its width and the last tabs (in English the Paper page) are
    // hidden behind the arrows with their titles cut short.
    m_tabs->tabBar()->setUsesScrollButtons(false);
    m_tabs->tabBar()->setElideMode(Qt::ElideNone);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CFontPropertySheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CFontPropertySheet::reject);
    // Pages open only once the sheet runs (adding the first page selects it).
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_prepared) SetActivePage(index);
    });
}

void CFontPropertySheet::AddPage(CFontPropertyPage* page) {
    m_pages.push_back(page);
    m_tabs->addTab(page, page->Title());
}

void CFontPropertySheet::SetActivePage(int index) {
    if (index < 0 || index >= static_cast<int>(m_pages.size())) return;
    if (m_tabs->currentIndex() != index) {
        m_tabs->setCurrentIndex(index);  // the tab change comes back here
        return;
    }
    CFontPropertyPage* page = m_pages[static_cast<std::size_t>(index)];
    page->Activate();
    if (m_wizard) SetWizardButtons(index > 0, index + 1 < static_cast<int>(m_pages.size()),
                                   index + 1 == static_cast<int>(m_pages.size()));
    page->OnSetActive();
}

int CFontPropertySheet::ActiveIndex() const { return m_tabs->currentIndex(); }

void CFontPropertySheet::SetWizardMode(bool wizard) {
    m_wizard = wizard;
    m_tabs->tabBar()->setVisible(!wizard);
    // A hidden tab bar still counts in the tab widget's minimum width unless
    // it may scroll: a wizard is not widened for titles nobody sees.
    m_tabs->tabBar()->setUsesScrollButtons(wizard);
    m_tabs->setDocumentMode(wizard);
    if (!wizard || m_back) return;
    m_back = m_buttons->addButton(DialogText(StringId::ButtonBack), QDialogButtonBox::ActionRole);
    m_next = m_buttons->addButton(DialogText(StringId::ButtonNext), QDialogButtonBox::ActionRole);
    m_buttons->button(QDialogButtonBox::Ok)->setText(DialogText(StringId::ButtonFinish));
    connect(m_back, &QPushButton::clicked, this, &CFontPropertySheet::WizardBack);
    connect(m_next, &QPushButton::clicked, this, &CFontPropertySheet::WizardNext);
}

void CFontPropertySheet::SetWizardButtons(bool back, bool next, bool finish) {
    if (!m_back) return;
    m_back->setEnabled(back);
    m_next->setEnabled(next);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(finish);
}

void CFontPropertySheet::WizardBack() {
    const int index = ActiveIndex();
    if (index <= 0 || !m_pages[static_cast<std::size_t>(index)]->OnWizardBack()) return;
    SetActivePage(index - 1);
}

void CFontPropertySheet::WizardNext() {
    const int index = ActiveIndex();
    if (index < 0 || index + 1 >= static_cast<int>(m_pages.size()) ||
        !m_pages[static_cast<std::size_t>(index)]->OnWizardNext())
        return;
    SetActivePage(index + 1);
}

void CFontPropertySheet::BuildPageFont() {
    if (m_pages.empty()) throw InvalidArgumentException("a property sheet needs a page");
    const LanguagePack& pack = DialogLanguage();
    m_pageFont = QFont(pack.DialogFontFamily());
    m_pageFont.setPointSizeF(PageFontTenths(pack.DialogFontPointSize(), logicalDpiY()) / 10.0);
    setFont(m_pageFont);
}

void CFontPropertySheet::Prepare() {
    BuildPageFont();
    m_prepared = true;
    SetActivePage(m_tabs->currentIndex() < 0 ? 0 : m_tabs->currentIndex());
}

int CFontPropertySheet::exec() {
    Prepare();
    return QDialog::exec();
}

void CFontPropertySheet::accept() {
    for (CFontPropertyPage* page : m_pages)
        if (page->WasOpened()) page->OnOK();
    QDialog::accept();
}

void CFontPropertySheet::reject() {
    for (CFontPropertyPage* page : m_pages)
        if (page->WasOpened()) page->OnCancel();
    QDialog::reject();
}

}  // namespace kavitro
