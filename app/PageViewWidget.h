#pragma once

// The window of a page view: a scroll area whose viewport shows what the
// headless CKavitroView paints, and which hands the view its mouse, wheel,
// key, input-method, context-menu, focus, resize and scroll-bar events. It
// implements the view's ViewHost: repaints, cursor, capture, caret (blinking
// at the platform's flash time), scroll bars and queued posted messages.
//
// The document must outlive the widget. The shell makes the widget's view
// the active one of its frame when `activated` is emitted; the widget itself
// activates its view on focus-in, so that a lone view takes input at once.

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QCursor>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "view/ViewHost.h"

namespace kavitro {
class CKavitroDoc;
class CKavitroView;
class CDropTarget;
}  // namespace kavitro

class CPageViewWidget : public QAbstractScrollArea, public kavitro::ViewHost {
    Q_OBJECT
public:
    // The popup menu of a language-pack menu resource at a screen point.
    using PopupMenuHandler = std::function<void(CPageViewWidget& widget, std::uint32_t menuId, QPoint globalPos)>;
    // A dialog of the shell; true when it ended with OK.
    using DialogHandler = std::function<bool(CPageViewWidget& widget, std::uint32_t dialogId)>;

    explicit CPageViewWidget(kavitro::CKavitroDoc& document, QWidget* parent = nullptr);
    ~CPageViewWidget() override;

    kavitro::CKavitroView& GetView();

    void SetPopupMenuHandler(PopupMenuHandler handler) { m_popupHandler = std::move(handler); }
    void SetDialogHandler(DialogHandler handler) { m_dialogHandler = std::move(handler); }
    // The language pack's cursors in the slot order of kCursorIds, shared by
    // every page view (a resource cursor outside the table shows the arrow).
    static void SetResourceCursors(std::vector<QCursor> cursors);

    // The caret as the view placed it (viewport pixels), while shown.
    std::optional<QRect> GetCaretRect() const { return m_caret; }
    // The caret rectangle (in this widget's coordinates) for input methods.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // --- ViewHost -------------------------------------------------------------
    void Invalidate(const kavitro::Rect& deviceRect) override;
    void InvalidateAll() override;
    void SetCursor(kavitro::ViewCursor cursor, std::uint32_t resourceId) override;
    void SetCapture(bool capture) override { m_capture = capture; }
    bool HasCapture() const override { return m_capture; }
    bool HasFocus() const override { return hasFocus(); }
    void ShowCaret(const kavitro::Rect& deviceRect) override;
    void HideCaret() override;
    kavitro::Size GetClientSize() const override;
    void SetScrollInfo(const kavitro::ScrollInfo& info) override;
    void Post(kavitro::PostTarget target, kavitro::NotifyMessage message, kavitro::WParam wParam,
              kavitro::LParam lParam) override;
    void PostTextBlock(std::u16string text, kavitro::LParam lParam) override;
    void ShowPopupMenu(std::uint32_t menuId, kavitro::Point client) override;
    bool RunDialog(std::uint32_t dialogId) override;
    void MovePointerAndFocus(kavitro::Point client) override;
    // Formatted for the status bar's position element, at most every 100 ms
    // over all page views (the main frame keeps one clock).
    void ShowCursorPosition(const kavitro::CursorPositionText& text) override;

signals:
    // A message the view posted to the main frame or its parent frame (zoom,
    // selection, page, rulers), delivered in post order.
    void messagePosted(kavitro::PostTarget target, kavitro::PostedMessage message);
    // Focus came in: the shell makes this the active view.
    void activated(CPageViewWidget* self);
    // The pointer's position for the status bar's position element.
    void cursorPositionShown(const QString& text);
    // The view set its scroll range and position (a scroll, a zoom, a new
    // page size): where the page lies in the window may have changed.
    void scrollInfoChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    // Tab is the view's own (it switches tools), never a focus move.
    bool focusNextPrevChild(bool next) override;
    // Drops insert what a paste would, as a copy (view/DropTarget.h).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Runs an event handler; an exception is reported once and goes no further.
    template <class F>
    void Guarded(F&& handler) noexcept;
    void ReportFailure(const std::string& what) noexcept;
    void Enqueue(kavitro::PostTarget target, kavitro::PostedMessage message);
    void Deliver(kavitro::PostTarget target, const kavitro::PostedMessage& message);
    void TypeText(const QString& text);
    void OnScrollBarAction(Qt::Orientation orientation, int action);
    void UpdateInputMethodCursor();

    std::unique_ptr<kavitro::CKavitroView> m_view;
    std::unique_ptr<kavitro::CDropTarget> m_dropTarget;
    kavitro::CKavitroDoc& m_document;
    PopupMenuHandler m_popupHandler;
    DialogHandler m_dialogHandler;
    bool m_capture = false;
    bool m_initialised = false;
    bool m_applyingScroll = false;  // our own scroll-bar changes are no user scroll
    bool m_painting = false;
    bool m_hideAfterPaint = false;  // the view hid the caret during a paint and did not show it again
    std::optional<QRect> m_caret;
    bool m_caretOn = true;  // the blink phase
    QBasicTimer m_blink;
    std::string m_lastReported;
};
