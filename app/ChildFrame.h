#pragma once

// A document window: owns its document and the page view that shows it,
// follows page changes (the page list of the status bar is the main frame's)
// and asks before a modified document is closed.

#include <QWidget>
#include <cstdint>
#include <memory>

#include "document/KavitroDoc.h"
#include "platform/Notifier.h"

class CPageViewWidget;
class CRulerWidget;

namespace kavitro {

class CKavitroView;

class CChildFrame final : public QWidget, public MessageTarget {
    Q_OBJECT
public:
    // Takes the document; registers with the notifier for the frame's messages.
    CChildFrame(std::unique_ptr<CKavitroDoc> document, QueuedNotifier& notifier, int untitledNumber,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    CKavitroDoc& Document() { return *m_document; }
    CKavitroView& View();
    CPageViewWidget& ViewWidget() { return *m_view; }
    TargetId Id() const { return m_id; }
    // The file name, or "Untitled<n>" for a new document, and a '*' when modified.
    QString Title() const;
    QString DisplayName() const;
    std::uint32_t PageCount() const;
    std::uint32_t CurrentPage() const;

    // The messages posted to this frame: show a page, refresh the rulers.
    void OnMessage(const PostedMessage& message) override;

    // Asks the main frame whether the document may close (saved or not).
    using CloseGuard = std::function<bool(CChildFrame&)>;
    void SetCloseGuard(CloseGuard guard) { m_closeGuard = std::move(guard); }

signals:
    // The page shown or the page count changed.
    void pageChanged(CChildFrame* frame);
    // The view's frame-level message to the main frame (zoom, selection).
    void mainFrameMessage(const PostedMessage& message);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowPage(WParam page, LParam count);

    std::unique_ptr<CKavitroDoc> m_document;
    QueuedNotifier& m_notifier;
    TargetId m_id = kNoTarget;
    int m_untitledNumber = 1;
    CPageViewWidget* m_view = nullptr;
    CRulerWidget* m_horizontalRuler = nullptr;
    CRulerWidget* m_verticalRuler = nullptr;
    CloseGuard m_closeGuard;
};

}  // namespace kavitro
