#include "app/PageViewWidget.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <exception>

#include "app/FormatString.h"
#include "app/PackCursors.h"
#include "document/KavitroDoc.h"
#include "view/DrawTool.h"
#include "view/DropTarget.h"
#include "view/KavitroView.h"

using namespace kavitro;

namespace {

std::vector<QCursor>& ResourceCursors() {
    static std::vector<QCursor> cursors;
    return cursors;
}

QRect ToQRect(const Rect& r) {
    Rect n = r;
    n.NormalizeRect();
    return QRect(QPoint(n.left, n.top), QSize(n.Width(), n.Height()));
}

Point ToPoint(const QPointF& p) {
    const QPoint q = p.toPoint();
    return {q.x(), q.y()};
}

std::uint32_t MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    std::uint32_t flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

// The virtual-key code of a key, 0 for keys the view never sees as such.
std::uint32_t VirtualKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint32_t>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::uint32_t>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::uint32_t>(112 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

// The character a key types when its event carries no text (synthetic
// events), as the keyboard would: Backspace, Tab, Enter and Escape.
QString ImpliedText(int key) {
    switch (key) {
    case Qt::Key_Backspace: return QString(QChar(8));
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return QString(QChar(9));
    case Qt::Key_Return:
    case Qt::Key_Enter: return QString(QChar(13));
    case Qt::Key_Escape: return QString(QChar(27));
    default: return {};
    }
}

}  // namespace

CPageViewWidget::CPageViewWidget(CKavitroDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document) {
    m_view = std::make_unique<CKavitroView>(document, *this);
    m_dropTarget = std::make_unique<CDropTarget>(*m_view);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // The view paints every pixel of what it is asked for into its back buffer.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    // The scroll position is the page's, left to right, whatever the
    // interface's direction.
    horizontalScrollBar()->setLayoutDirection(Qt::LeftToRight);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { OnScrollBarAction(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { OnScrollBarAction(Qt::Vertical, action); });
}

CPageViewWidget::~CPageViewWidget() {
    m_blink.stop();
    m_dropTarget.reset();
    m_view.reset();  // leaves the document's views while this host still stands
}

CKavitroView& CPageViewWidget::GetView() { return *m_view; }

void CPageViewWidget::SetResourceCursors(std::vector<QCursor> cursors) { ResourceCursors() = std::move(cursors); }

// --- Failures --------------------------------------------------------------------------

void CPageViewWidget::ReportFailure(const std::string& what) noexcept {
    try {
        if (what == m_lastReported)
            return;  // once, not on every event
        m_lastReported = what;
        if (ErrorReport* errors = m_document.GetServices().errors)
            errors->ReportError(QString::fromUtf8(what.c_str()).toStdU16String());
    } catch (...) {
        // Reporting failed too; the event loop must go on.
    }
}

template <class F>
void CPageViewWidget::Guarded(F&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    } catch (...) {
        ReportFailure("unknown failure");
    }
}

// --- ViewHost ----------------------------------------------------------------------------

void CPageViewWidget::Invalidate(const Rect& deviceRect) { viewport()->update(ToQRect(deviceRect)); }

void CPageViewWidget::InvalidateAll() { viewport()->update(); }

void CPageViewWidget::SetCursor(ViewCursor cursor, std::uint32_t resourceId) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (cursor) {
    case ViewCursor::Arrow: break;
    case ViewCursor::Cross: shape = Qt::CrossCursor; break;
    case ViewCursor::SizeNWSE: shape = Qt::SizeFDiagCursor; break;
    case ViewCursor::SizeNS: shape = Qt::SizeVerCursor; break;
    case ViewCursor::SizeNESW: shape = Qt::SizeBDiagCursor; break;
    case ViewCursor::SizeWE: shape = Qt::SizeHorCursor; break;
    case ViewCursor::SizeAll: shape = Qt::SizeAllCursor; break;
    case ViewCursor::Resource: {
        const auto id = std::find(kCursorIds.begin(), kCursorIds.end(), resourceId);
        const auto slot = static_cast<std::size_t>(id - kCursorIds.begin());
        if (id != kCursorIds.end() && slot < ResourceCursors().size()) {
            viewport()->setCursor(ResourceCursors()[slot]);
            return;
        }
        break;
    }
    }
    viewport()->setCursor(shape);
}

void CPageViewWidget::ShowCaret(const Rect& deviceRect) {
    const QRect caret = ToQRect(deviceRect);
    m_hideAfterPaint = false;
    const bool moved = !m_caret || *m_caret != caret;
    // While painting, the caret drawn by this paint is the one just placed;
    // a caret that moved also needs its old and new places repainted.
    if (moved && m_caret)
        viewport()->update(*m_caret);
    if (moved)
        viewport()->update(caret);
    m_caret = caret;
    if (moved) {
        m_caretOn = true;
        const int flash = QGuiApplication::styleHints()->cursorFlashTime();
        if (flash > 0)
            m_blink.start(flash / 2, this);
        else
            m_blink.stop();
        UpdateInputMethodCursor();
    }
}

void CPageViewWidget::HideCaret() {
    // The view hides the caret at the start of every paint and shows it again
    // at the end; only a caret that is still hidden after painting goes.
    if (m_painting) {
        m_hideAfterPaint = true;
        return;
    }
    if (m_caret)
        viewport()->update(*m_caret);
    m_caret.reset();
    m_blink.stop();
}

Size CPageViewWidget::GetClientSize() const { return {viewport()->width(), viewport()->height()}; }

void CPageViewWidget::SetScrollInfo(const ScrollInfo& info) {
    m_applyingScroll = true;
    const Size client = GetClientSize();
    // The thumb shows the visible part; page clicks take the view's own page
    // step (OnScrollBarAction).
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, info.limit.cx));
    h->setPageStep(std::max(1, client.cx));
    h->setSingleStep(std::max(1, info.lineStep.cx));
    h->setValue(info.position.x);
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, info.limit.cy));
    v->setPageStep(std::max(1, client.cy));
    v->setSingleStep(std::max(1, info.lineStep.cy));
    v->setValue(info.position.y);
    m_applyingScroll = false;
    emit scrollInfoChanged();
}

void CPageViewWidget::Post(PostTarget target, NotifyMessage message, WParam wParam, LParam lParam) {
    Enqueue(target, PostedMessage{kNoTarget, message, wParam, lParam, {}});
}

void CPageViewWidget::PostTextBlock(std::u16string text, LParam lParam) {
    Enqueue(PostTarget::Self, PostedMessage{kNoTarget, NotifyMessage::InsertTextBlock, 0, lParam, std::move(text)});
}

void CPageViewWidget::Enqueue(PostTarget target, PostedMessage message) {
    // Queued calls to one object run in the order they were made; a widget
    // that is gone drops its pending calls, as a destroyed window would.
    QMetaObject::invokeMethod(
        this, [this, target, m = std::move(message)] { Deliver(target, m); }, Qt::QueuedConnection);
}

void CPageViewWidget::Deliver(PostTarget target, const PostedMessage& message) {
    Guarded([&] {
        if (target == PostTarget::Self)
            m_view->OnMessage(message);
        else
            emit messagePosted(target, message);
    });
}

void CPageViewWidget::ShowPopupMenu(std::uint32_t menuId, Point client) {
    if (m_popupHandler)
        m_popupHandler(*this, menuId, viewport()->mapToGlobal(QPoint(client.x, client.y)));
}

bool CPageViewWidget::RunDialog(std::uint32_t dialogId) { return m_dialogHandler && m_dialogHandler(*this, dialogId); }

void CPageViewWidget::ShowCursorPosition(const CursorPositionText& text) {
    static QElapsedTimer clock;
    if (clock.isValid() && clock.elapsed() < 100)
        return;
    std::vector<FormatArgument> arguments;
    for (const CursorPositionText::Argument& a : text.arguments)
        arguments.push_back(a.isUnit ? FormatArgument(QString::fromStdU16String(a.unit)) : FormatArgument(a.number));
    // A pack format that does not take these arguments shows nothing.
    const std::optional<QString> shown = FormatText(QString::fromStdU16String(text.format), arguments);
    if (!shown)
        return;
    clock.start();
    emit cursorPositionShown(*shown);
}

void CPageViewWidget::MovePointerAndFocus(Point client) {
    QCursor::setPos(viewport()->mapToGlobal(QPoint(client.x, client.y)));
    setFocus(Qt::OtherFocusReason);
}

// --- Painting and geometry -----------------------------------------------------------------

void CPageViewWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    m_painting = true;
    m_hideAfterPaint = false;
    Guarded([&] {
        const qreal ratio = viewport()->devicePixelRatioF();
        for (const QRect& r : event->region()) {
            const QImage& image =
                m_view->Paint(Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()), ratio);
            painter.drawImage(r.topLeft(), image);
        }
    });
    m_painting = false;
    if (m_hideAfterPaint)
        HideCaret();
    if (m_caret && m_caretOn && event->region().intersects(*m_caret)) {
        // The caret inverts what is under it.
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(*m_caret, Qt::white);
    }
}

void CPageViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Guarded([&] { m_view->OnSize(GetClientSize()); });
}

void CPageViewWidget::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    Guarded([&] { m_view->OnInitialUpdate(); });
}

void CPageViewWidget::scrollContentsBy(int, int) {
    if (m_applyingScroll)
        return;
    // The user moved a scroll bar: the view scrolls to where it points.
    Guarded([&] {
        const Point at = m_view->GetScrollInfo().position;
        m_view->OnScrollBy(Size{horizontalScrollBar()->value() - at.x, verticalScrollBar()->value() - at.y});
    });
}

void CPageViewWidget::OnScrollBarAction(Qt::Orientation orientation, int action) {
    if (action != QAbstractSlider::SliderPageStepAdd && action != QAbstractSlider::SliderPageStepSub)
        return;
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    const Size page = m_view->GetScrollInfo().pageStep;
    const int step = std::max(1, orientation == Qt::Horizontal ? page.cx : page.cy);
    const qint64 target = qint64{bar->value()} + (action == QAbstractSlider::SliderPageStepAdd ? step : -step);
    bar->setSliderPosition(static_cast<int>(std::clamp<qint64>(target, bar->minimum(), bar->maximum())));
}

// --- Mouse ---------------------------------------------------------------------------------------

void CPageViewWidget::mousePressEvent(QMouseEvent* event) {
    const std::uint32_t flags = MouseFlags(event->buttons(), event->modifiers());
    const Point at = ToPoint(event->position());
    Guarded([&] {
        if (event->button() == Qt::LeftButton)
            m_view->OnLButtonDown(flags, at);
        else if (event->button() == Qt::RightButton)
            m_view->OnRButtonDown(flags, at);
    });
    event->accept();
}

void CPageViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const std::uint32_t flags = MouseFlags(event->buttons(), event->modifiers());
        Guarded([&] { m_view->OnLButtonUp(flags, ToPoint(event->position())); });
    }
    event->accept();
}

void CPageViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const std::uint32_t flags = MouseFlags(event->buttons(), event->modifiers());
        Guarded([&] { m_view->OnLButtonDblClk(flags, ToPoint(event->position())); });
    }
    event->accept();
}

void CPageViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const std::uint32_t flags = MouseFlags(event->buttons(), event->modifiers());
    Guarded([&] { m_view->OnMouseMove(flags, ToPoint(event->position())); });
    event->accept();
}

void CPageViewWidget::wheelEvent(QWheelEvent* event) {
    // Ctrl+wheel zooms, the wheel scrolls (Shift or a sideways wheel
    // horizontally); the scroll bars follow the view, not the other way.
    const std::uint32_t flags = MouseFlags(event->buttons(), event->modifiers());
    const QPoint delta = event->angleDelta();
    Guarded([&] {
        if (delta.y() != 0)
            m_view->OnMouseWheel(flags, delta.y(), ToPoint(event->position()));
        if (delta.x() != 0 && !(flags & MK_CONTROL))
            m_view->ScrollByWheel(Size{delta.x(), 0});
    });
    event->accept();
}

void CPageViewWidget::contextMenuEvent(QContextMenuEvent* event) {
    Guarded([&] { m_view->OnContextMenu(Point{event->pos().x(), event->pos().y()}); });
    event->accept();
}

// --- Keys and input methods ------------------------------------------------------------------

void CPageViewWidget::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (const std::uint32_t vk = VirtualKey(key))
        Guarded([&] { m_view->OnKeyDown(vk); });
    // Delete types nothing; other keys type their text, or what the key
    // stands for when a synthetic event carries none.
    if (key != Qt::Key_Delete)
        TypeText(event->text().isEmpty() ? ImpliedText(key) : event->text());
    event->accept();
}

void CPageViewWidget::TypeText(const QString& text) {
    // One character message per UTF-16 unit, as the keyboard delivers them.
    for (const QChar unit : text)
        Guarded([&] { m_view->OnChar(unit.unicode()); });
}

void CPageViewWidget::inputMethodEvent(QInputMethodEvent* event) {
    TypeText(event->commitString());
    event->accept();
}

QVariant CPageViewWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: {
        // In this widget's coordinates; the viewport sits inside the frame.
        const QRect caret = m_caret.value_or(QRect(0, 0, 1, 1));
        return caret.translated(viewport()->geometry().topLeft());
    }
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void CPageViewWidget::UpdateInputMethodCursor() {
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

// --- Focus and the caret -------------------------------------------------------------------------

void CPageViewWidget::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    Guarded([&] {
        m_view->OnActivateView(true);
        m_view->UpdateCaret(true);
    });
    emit activated(this);
}

void CPageViewWidget::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    Guarded([&] { m_view->UpdateCaret(false); });
}

void CPageViewWidget::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretOn = !m_caretOn;
    if (m_caret)
        viewport()->update(*m_caret);
}

bool CPageViewWidget::focusNextPrevChild(bool) { return false; }

// --- Drag and drop ---------------------------------------------------------------------

void CPageViewWidget::dragEnterEvent(QDragEnterEvent* event) {
    CDropTarget::Effect effect = CDropTarget::Effect::None;
    Guarded([&] { effect = m_dropTarget->OnDragEnter(*event->mimeData(), ToPoint(event->position())); });
    if (effect == CDropTarget::Effect::None) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CPageViewWidget::dragMoveEvent(QDragMoveEvent* event) {
    CDropTarget::Effect effect = CDropTarget::Effect::None;
    Guarded([&] { effect = m_dropTarget->OnDragOver(*event->mimeData(), ToPoint(event->position())); });
    if (effect == CDropTarget::Effect::None) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CPageViewWidget::dragLeaveEvent(QDragLeaveEvent* event) {
    m_dropTarget->OnDragLeave();
    event->accept();
}

void CPageViewWidget::dropEvent(QDropEvent* event) {
    bool inserted = false;
    Guarded([&] { inserted = m_dropTarget->OnDrop(*event->mimeData(), ToPoint(event->position())); });
    // Refused when nothing went in, so that a moving source keeps its data;
    // accepted as a copy otherwise, never as a move.
    if (!inserted) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // A dropped document's window has been made the active one: taking the
    // focus here would bring this document back in front of it.
    if (!m_dropTarget->OpenedDocument())
        setFocus(Qt::OtherFocusReason);
}
