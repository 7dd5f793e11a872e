#include "platform/Notifier.h"

namespace kavitro {

TargetId QueuedNotifier::AddTarget(MessageTarget& target) {
    const TargetId id = m_nextId++;
    m_targets.emplace(id, &target);
    return id;
}

void QueuedNotifier::RemoveTarget(TargetId id) { m_targets.erase(id); }

void QueuedNotifier::DoPost(PostedMessage message) {
    const bool wasEmpty = m_queue.empty();
    m_queue.push_back(std::move(message));
    if (wasEmpty && m_wake)
        m_wake();
}

std::size_t QueuedNotifier::DeliverPending() {
    std::size_t delivered = 0;
    while (!m_queue.empty()) {
        PostedMessage message = std::move(m_queue.front());
        m_queue.pop_front();
        auto it = m_targets.find(message.target);
        if (it == m_targets.end())
            continue;
        it->second->OnMessage(message);
        ++delivered;
    }
    return delivered;
}

std::vector<PostedMessage> RecordingNotifier::PostedOf(NotifyMessage message) const {
    std::vector<PostedMessage> result;
    for (const PostedMessage& m : m_posted) {
        if (m.message == message)
            result.push_back(m);
    }
    return result;
}

}  // namespace kavitro
