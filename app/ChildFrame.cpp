#include "app/ChildFrame.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>

#include "app/PageViewWidget.h"
#include "app/RulerWidget.h"
#include "document/StringIds.h"
#include "view/KavitroView.h"

namespace kavitro {

CChildFrame::CChildFrame(std::unique_ptr<CKavitroDoc> document, QueuedNotifier& notifier, int untitledNumber,
                         QWidget* parent)
    : QWidget(parent), m_document(std::move(document)), m_notifier(notifier), m_untitledNumber(untitledNumber) {
    m_id = m_notifier.AddTarget(*this);
    m_view = new CPageViewWidget(*m_document, this);
    // The horizontal ruler above the view, the vertical one beside it.
    m_horizontalRuler = new CRulerWidget(CRulerModel::Orientation::Horizontal, this);
    m_verticalRuler = new CRulerWidget(CRulerModel::Orientation::Vertical, this);
    m_horizontalRuler->SetActiveView(m_view);
    m_verticalRuler->SetActiveView(m_view);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_horizontalRuler, 0, 1);
    layout->addWidget(m_verticalRuler, 1, 0);
    layout->addWidget(m_view, 1, 1);
    setFocusProxy(m_view);
    connect(m_view, &CPageViewWidget::messagePosted, this, [this](PostTarget target, const PostedMessage& message) {
        if (target == PostTarget::ParentFrame)
            OnMessage(message);
        else
            emit mainFrameMessage(message);
    });
}

CChildFrame::~CChildFrame() {
    m_notifier.RemoveTarget(m_id);
    // The rulers and the view refer to the document: they go first.
    delete m_horizontalRuler;
    delete m_verticalRuler;
    delete m_view;
    m_view = nullptr;
}

CKavitroView& CChildFrame::View() { return m_view->GetView(); }

QString CChildFrame::DisplayName() const {
    const QString& path = m_document->GetPathName();
    if (path.isEmpty()) {
        const StringTable* strings = m_document->GetServices().strings;
        QString untitled = strings ? QString::fromStdU16String(strings->GetString(StringId::Untitled)) : QString();
        if (untitled.isEmpty())
            untitled = QStringLiteral("Untitled");
        return untitled + QString::number(m_untitledNumber);
    }
    return QFileInfo(path).fileName();
}

QString CChildFrame::Title() const {
    // "[*]" is where Qt shows the modified mark.
    return DisplayName() + QStringLiteral("[*]");
}

std::uint32_t CChildFrame::PageCount() const { return m_document->GetPageCount(); }

std::uint32_t CChildFrame::CurrentPage() const { return m_view->GetView().GetCurrentPage(); }

void CChildFrame::OnMessage(const PostedMessage& message) {
    switch (message.message) {
        case NotifyMessage::ShowPage:
            ShowPage(message.wParam, message.lParam);
            break;
        case NotifyMessage::UpdateRulers:
            // The rulers follow the zoom and the scroll position.
            m_horizontalRuler->update();
            m_verticalRuler->update();
            break;
        default:
            break;
    }
}

void CChildFrame::ShowPage(WParam wParam, LParam) {
    // A complemented page number (bit 31 set: undo, redo) keeps the selection.
    const bool keepSelection = (wParam & 0x80000000u) != 0;
    std::uint32_t page = static_cast<std::uint32_t>(keepSelection ? ~wParam : wParam);
    // A page beyond the document (a stale message after pages were removed)
    // shows the last page instead of an empty one.
    const std::uint32_t count = m_document->GetPageCount();
    if (count > 0 && page >= count)
        page = count - 1;
    CKavitroView& view = m_view->GetView();
    if (view.GetCurrentPage() != page) {
        view.SetCurrentPage(page);
        if (!keepSelection) {
            view.ClearSelection();
            view.GetHost().Post(PostTarget::MainFrame, NotifyMessage::SelectionChanged);
        }
        view.GetHost().InvalidateAll();
    }
    emit pageChanged(this);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_closeGuard && !m_closeGuard(*this)) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace kavitro
