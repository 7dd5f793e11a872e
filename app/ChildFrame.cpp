#include "app/ChildFrame.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

#include "app/FrameCommands.h"
#include "app/PageViewWidget.h"
#include "app/RulerWidget.h"
#include "document/ProfileStore.h"
#include "document/StringIds.h"
#include "view/KavitroView.h"

namespace kavitro {

namespace {

// The smallest pane, in pixels, either way.
constexpr int kMinPaneSize = 30;

}  // namespace

CChildFrame::CChildFrame(std::unique_ptr<CKavitroDoc> document, QueuedNotifier& notifier, int untitledNumber,
                         QWidget* parent)
    : QWidget(parent), m_document(std::move(document)), m_notifier(notifier), m_untitledNumber(untitledNumber) {
    m_id = m_notifier.AddTarget(*this);
    m_rowSplitter = new QSplitter(Qt::Vertical, this);
    m_rowSplitter->setObjectName(QStringLiteral("PaneRows"));
    connect(m_rowSplitter, &QSplitter::splitterMoved, this, [this] { OnSplitterMoved(m_rowSplitter); });
    m_rowPanes[0] = new QSplitter(Qt::Horizontal, m_rowSplitter);
    connect(m_rowPanes[0], &QSplitter::splitterMoved, this, [this] { OnSplitterMoved(m_rowPanes[0]); });
    m_panes[0][0] = MakePane();
    m_rowPanes[0]->addWidget(m_panes[0][0]);
    m_active = m_panes[0][0];

    // The split boxes at the ends of the first pane's scroll bars: one
    // splits into two rows, the other into two columns, and a second press
    // joins them again.
    const auto splitBox = [this](const QString& name, Qt::CursorShape cursor) {
        auto* box = new QToolButton;
        box->setObjectName(name);
        box->setAutoRaise(true);
        box->setCursor(cursor);
        box->setFocusPolicy(Qt::NoFocus);
        box->setFixedSize(m_panes[0][0]->style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                          m_panes[0][0]->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
        return box;
    };
    m_rowSplitBox = splitBox(QStringLiteral("RowSplitBox"), Qt::SplitVCursor);
    m_columnSplitBox = splitBox(QStringLiteral("ColumnSplitBox"), Qt::SplitHCursor);
    m_panes[0][0]->addScrollBarWidget(m_rowSplitBox, Qt::AlignTop);
    m_panes[0][0]->addScrollBarWidget(m_columnSplitBox, Qt::AlignLeft);
    connect(m_rowSplitBox, &QToolButton::clicked, this, [this] { SetSplit(m_rows == 1 ? 2 : 1, m_columns); });
    connect(m_columnSplitBox, &QToolButton::clicked, this, [this] { SetSplit(m_rows, m_columns == 1 ? 2 : 1); });

    // The horizontal ruler above the panes, the vertical one beside them;
    // both follow the active pane.
    m_horizontalRuler = new CRulerWidget(CRulerModel::Orientation::Horizontal, this);
    m_verticalRuler = new CRulerWidget(CRulerModel::Orientation::Vertical, this);
    m_horizontalRuler->SetActiveView(m_active);
    m_verticalRuler->SetActiveView(m_active);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_horizontalRuler, 0, 1);
    layout->addWidget(m_verticalRuler, 1, 0);
    layout->addWidget(m_rowSplitter, 1, 1);
    setFocusProxy(m_active);
    LoadBarState();
}

CChildFrame::~CChildFrame() {
    SaveBarState();
    m_notifier.RemoveTarget(m_id);
    // The rulers and the views refer to the document: they go first.
    delete m_horizontalRuler;
    delete m_verticalRuler;
    delete m_rowSplitter;
    m_active = nullptr;
}

CKavitroView& CChildFrame::View() { return m_active->GetView(); }

CPageViewWidget* CChildFrame::MakePane() {
    auto* pane = new CPageViewWidget(*m_document);
    pane->setMinimumSize(kMinPaneSize, kMinPaneSize);
    connect(pane, &CPageViewWidget::messagePosted, this, [this](PostTarget target, const PostedMessage& message) {
        if (target == PostTarget::ParentFrame)
            OnMessage(message);
        else
            emit mainFrameMessage(message);
    });
    connect(pane, &CPageViewWidget::activated, this, &CChildFrame::Activate);
    if (m_paneSetup)
        m_paneSetup(*pane);
    return pane;
}

void CChildFrame::Activate(CPageViewWidget* pane) {
    if (!pane || pane == m_active)
        return;
    m_active = pane;
    setFocusProxy(pane);
    m_horizontalRuler->SetActiveView(pane);
    m_verticalRuler->SetActiveView(pane);
    emit activePaneChanged(this);
}

std::vector<CPageViewWidget*> CChildFrame::Panes() const {
    std::vector<CPageViewWidget*> panes;
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_columns; ++c)
            panes.push_back(m_panes[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    return panes;
}

void CChildFrame::SetPaneSetup(PaneSetup setup) {
    m_paneSetup = std::move(setup);
    if (m_paneSetup)
        for (CPageViewWidget* pane : Panes())
            m_paneSetup(*pane);
}

void CChildFrame::SetSplit(int rows, int columns) {
    rows = std::clamp(rows, 1, kMaxRows);
    columns = std::clamp(columns, 1, kMaxColumns);
    if (rows == m_rows && columns == m_columns)
        return;
    const std::uint32_t page = m_active->GetView().GetCurrentPage();
    bool activeGone = false;
    for (int r = 0; r < kMaxRows; ++r) {
        const auto row = static_cast<std::size_t>(r);
        if (r < rows && !m_rowPanes[row]) {
            m_rowPanes[row] = new QSplitter(Qt::Horizontal);
            QSplitter* splitter = m_rowPanes[row];
            connect(splitter, &QSplitter::splitterMoved, this, [this, splitter] { OnSplitterMoved(splitter); });
            m_rowSplitter->addWidget(splitter);
        }
        for (int c = 0; c < kMaxColumns; ++c) {
            CPageViewWidget*& pane = m_panes[row][static_cast<std::size_t>(c)];
            const bool wanted = r < rows && c < columns;
            if (wanted && !pane) {
                pane = MakePane();
                pane->GetView().SetCurrentPage(page);
                m_rowPanes[row]->addWidget(pane);
            } else if (!wanted && pane) {
                activeGone = activeGone || pane == m_active;
                delete pane;
                pane = nullptr;
            }
        }
        if (r >= rows && m_rowPanes[row]) {
            delete m_rowPanes[row];
            m_rowPanes[row] = nullptr;
        }
    }
    m_rows = rows;
    m_columns = columns;
    // Equal shares for a fresh split.
    const auto halves = [](QSplitter* splitter) {
        const int extent =
            splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
        splitter->setSizes(QList<int>(splitter->count(), std::max(1, extent / std::max(1, splitter->count()))));
    };
    halves(m_rowSplitter);
    for (QSplitter* row : m_rowPanes)
        if (row)
            halves(row);
    if (activeGone) {
        m_active = nullptr;
        Activate(m_panes[0][0]);
    }
}

void CChildFrame::OnSplitterMoved(QSplitter* splitter) {
    // A pane dragged shut takes its row or column away.
    const QList<int> sizes = splitter->sizes();
    const bool closed = sizes.size() > 1 && std::find(sizes.begin(), sizes.end(), 0) != sizes.end();
    if (splitter == m_rowSplitter) {
        if (closed)
            SetSplit(1, m_columns);
        return;
    }
    if (closed) {
        SetSplit(m_rows, 1);
        return;
    }
    // The columns line up in every row.
    for (QSplitter* row : m_rowPanes)
        if (row && row != splitter)
            row->setSizes(sizes);
}

void CChildFrame::RefreshPanes() {
    for (CPageViewWidget* pane : Panes()) {
        pane->GetView().UpdateScrollSizes();
        pane->InvalidateAll();
    }
}

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

QString CChildFrame::IsolatedName() const {
    const QString name = DisplayName();
    const bool rightToLeft = std::any_of(name.cbegin(), name.cend(), [](QChar c) {
        const QChar::Direction d = c.direction();
        return d == QChar::DirR || d == QChar::DirAL || d == QChar::DirAN;
    });
    return rightToLeft ? u'\u2068' + name + u'\u2069' : name;
}

QString CChildFrame::Title() const {
    // The title is the tab's label, where a lone '&' would underline the
    // next letter as a shortcut; "[*]" is where Qt shows the modified mark.
    return IsolatedName().replace(QLatin1Char('&'), QStringLiteral("&&")) + QStringLiteral("[*]");
}

namespace {

// The bar state: each ruler shown (1) or hidden (0).
constexpr const char* kHorizontalRulerValue = "HorizontalRuler";
constexpr const char* kVerticalRulerValue = "VerticalRuler";

}  // namespace

CRulerWidget* CChildFrame::Ruler(std::uint32_t command) const {
    return command == FrameCommand::ViewHorizontalRuler ? m_horizontalRuler
           : command == FrameCommand::ViewVerticalRuler ? m_verticalRuler
                                                        : nullptr;
}

bool CChildFrame::IsRulerVisible(std::uint32_t command) const {
    const CRulerWidget* ruler = Ruler(command);
    return ruler && !ruler->isHidden();
}

void CChildFrame::ToggleRuler(std::uint32_t command) {
    if (CRulerWidget* ruler = Ruler(command)) {
        ruler->setHidden(!ruler->isHidden());
        // Windows opened from now on start the same way.
        SaveBarState();
    }
}

void CChildFrame::LoadBarState() {
    const ProfileStore* profile = m_document->GetServices().profile;
    if (!profile)
        return;
    m_horizontalRuler->setHidden(profile->GetProfileInt(kBarStateSection, kHorizontalRulerValue, 1) == 0);
    m_verticalRuler->setHidden(profile->GetProfileInt(kBarStateSection, kVerticalRulerValue, 1) == 0);
}

void CChildFrame::SaveBarState() const {
    ProfileStore* profile = m_document->GetServices().profile;
    if (!profile)
        return;
    profile->WriteProfileInt(kBarStateSection, kHorizontalRulerValue, m_horizontalRuler->isHidden() ? 0 : 1);
    profile->WriteProfileInt(kBarStateSection, kVerticalRulerValue, m_verticalRuler->isHidden() ? 0 : 1);
}

std::uint32_t CChildFrame::PageCount() const { return m_document->GetPageCount(); }

std::uint32_t CChildFrame::CurrentPage() const { return m_active->GetView().GetCurrentPage(); }

void CChildFrame::OnMessage(const PostedMessage& message) {
    switch (message.message) {
        case NotifyMessage::ShowPage:
            ShowPage(message.wParam, message.lParam);
            break;
        case NotifyMessage::UpdateRulers:
            // The panes and the rulers follow the zoom and the scroll position.
            RefreshPanes();
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
    // Every pane shows the page; panes already there are left alone.
    for (CPageViewWidget* pane : Panes()) {
        CKavitroView& view = pane->GetView();
        if (view.GetCurrentPage() == page)
            continue;
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
