#pragma once

// In place of posted window messages (PostMessage with WM_USER+N and 0x4CE):
// a queue delivered later, in post order, as the message loop
// would deliver them. Code that posts holds a Notifier and the id of the
// target (a frame or a view); targets register with the QueuedNotifier that
// delivers to them. Tests use a RecordingNotifier.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kavitro {

// The messages, named after what they mean; the values are their window
// message ids, kept so that a message reads the same in a trace.
enum class NotifyMessage : std::uint32_t {
    ZoomChanged = 0x0401,       // WM_USER+1, to the main frame: wParam the zoom percent
    ShowPage = 0x0402,          // WM_USER+2, to a document frame: wParam the page, or its bitwise
                                // complement to keep the selection; lParam the page count
    TextSizeChanged = 0x0403,   // WM_USER+3, to the view: the new text size
    TextAngleChanged = 0x0405,  // WM_USER+5, to the view: the new text angle
    SelectionChanged = 0x0408,  // WM_USER+8, to the main frame: refresh the ribbon
    UpdateRulers = 0x040B,      // WM_USER+11, to a document frame: create or refresh its rulers
    InsertTextBlock = 0x04CE,   // to the view: PostedMessage::text to insert; lParam 0 (import
                                // wizard: purge empty objects) or 1 (first space of a new document)
};

using WParam = std::uint64_t;  // as the Win64 WPARAM
using LParam = std::int64_t;   // as the Win64 LPARAM

// Identifies a target, like a window handle: a value that can be stored (an
// undo action keeps the window to notify) and that may outlive its target.
using TargetId = std::uint64_t;
inline constexpr TargetId kNoTarget = 0;

struct PostedMessage {
    TargetId target = kNoTarget;
    NotifyMessage message = NotifyMessage::ZoomChanged;
    WParam wParam = 0;
    LParam lParam = 0;
    // InsertTextBlock: the UTF-16 text, carried by value rather than in a
    // block the receiver frees (so the posting side frees nothing).
    std::u16string text;

    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual void OnMessage(const PostedMessage& message) = 0;
};

class Notifier {
public:
    virtual ~Notifier() = default;

    void Post(TargetId target, NotifyMessage message, WParam wParam = 0, LParam lParam = 0) {
        DoPost(PostedMessage{target, message, wParam, lParam, {}});
    }
    void PostTextBlock(TargetId target, std::u16string text, LParam lParam) {
        DoPost(PostedMessage{target, NotifyMessage::InsertTextBlock, 0, lParam, std::move(text)});
    }

protected:
    virtual void DoPost(PostedMessage message) = 0;
};

// Queues posts and delivers them in post order when DeliverPending runs. A
// message to a target that is not (or no longer) registered is dropped when
// its turn comes, as a message to a destroyed window is.
class QueuedNotifier : public Notifier {
public:
    // Registers a target; ids start at 1 and are never reused.
    TargetId AddTarget(MessageTarget& target);
    // Unregisters a target; its pending messages will be dropped. Safe from a
    // handler.
    void RemoveTarget(TargetId id);

    // Delivers pending messages in post order, including those that handlers
    // post meanwhile (they come after the ones already queued), until the
    // queue is empty. Returns the number delivered. A handler may call it
    // again (as a modal loop would): order is kept. When a handler throws,
    // the exception propagates and the messages after it stay queued.
    std::size_t DeliverPending();
    std::size_t PendingCount() const { return m_queue.size(); }

    // Called when a post finds the queue empty, so that the event loop can
    // schedule DeliverPending (the application posts a queued call).
    void SetWakeHandler(std::function<void()> wake) { m_wake = std::move(wake); }

protected:
    void DoPost(PostedMessage message) override;

private:
    std::deque<PostedMessage> m_queue;
    std::unordered_map<TargetId, MessageTarget*> m_targets;
    TargetId m_nextId = 1;
    std::function<void()> m_wake;
};

// Records every post, in order, and delivers nothing.
class RecordingNotifier : public Notifier {
public:
    const std::vector<PostedMessage>& Posted() const { return m_posted; }
    // The messages of one kind, in order.
    std::vector<PostedMessage> PostedOf(NotifyMessage message) const;
    void Clear() { m_posted.clear(); }

protected:
    void DoPost(PostedMessage message) override { m_posted.push_back(std::move(message)); }

private:
    std::vector<PostedMessage> m_posted;
};

}  // namespace kavitro
