#include "app/WindowsDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/LanguagePack.h"
#include "document/StringIds.h"

namespace kavitro {

namespace {

constexpr std::uint32_t kOk = 11015;
constexpr std::uint32_t kCancel = 11016;
constexpr std::uint32_t kClose = 11022;

QString PlainCaption(QString text) {
    return text.remove(QStringLiteral("...")).remove(QLatin1Char('&'));
}

}  // namespace

CWindowsDialog::CWindowsDialog(QMdiArea& area, const LanguagePack& pack, QWidget* parent)
    : QDialog(parent), m_area(area) {
    setObjectName(QStringLiteral("WindowsDialog"));
    setWindowTitle(PlainCaption(pack.Text(StringId::WindowsMenu)));
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(pack.Text(kOk), QDialogButtonBox::AcceptRole);
    QPushButton* close = buttons->addButton(pack.Text(kClose), QDialogButtonBox::ActionRole);
    buttons->addButton(pack.Text(kCancel), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CWindowsDialog::ActivateChosen);
    connect(close, &QPushButton::clicked, this, &CWindowsDialog::CloseChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &CWindowsDialog::ActivateChosen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    Fill();
}

void CWindowsDialog::Fill() {
    m_list->clear();
    const QMdiSubWindow* active = m_area.activeSubWindow() ? m_area.activeSubWindow() : m_area.currentSubWindow();
    for (QMdiSubWindow* window : m_area.subWindowList()) {
        if (window->isHidden())  // closed, not yet gone
            continue;
        // The tab's label doubles a '&'; the list shows the name itself.
        QString name = window->windowTitle().replace(QStringLiteral("[*]"), window->isWindowModified()
                                                                                ? QStringLiteral("*")
                                                                                : QString());
        auto* item = new QListWidgetItem(name.replace(QStringLiteral("&&"), QStringLiteral("&")), m_list);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<QObject*>(window)));
        if (window == active)
            m_list->setCurrentItem(item);
    }
}

void CWindowsDialog::ActivateChosen() {
    const QList<QListWidgetItem*> chosen = m_list->selectedItems();
    QListWidgetItem* item = chosen.isEmpty() ? m_list->currentItem() : chosen.front();
    if (!item)
        return;
    if (auto* window = qobject_cast<QMdiSubWindow*>(item->data(Qt::UserRole).value<QObject*>()))
        m_area.setActiveSubWindow(window);
    accept();
}

void CWindowsDialog::CloseChosen() {
    QList<QPointer<QMdiSubWindow>> windows;
    for (QListWidgetItem* item : m_list->selectedItems())
        windows.push_back(qobject_cast<QMdiSubWindow*>(item->data(Qt::UserRole).value<QObject*>()));
    for (const QPointer<QMdiSubWindow>& window : windows) {
        if (window)
            window->close();
    }
    Fill();
}

}  // namespace kavitro
