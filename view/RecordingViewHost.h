#pragma once

// A window without a screen: records what the view asks of it, in order,
// so that tests can check invalidations, posts, caret and scroll bars.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "view/ViewHost.h"

namespace kavitro {

class RecordingViewHost : public ViewHost {
public:
    struct PostRecord {
        PostTarget target;
        NotifyMessage message;
        WParam wParam;
        LParam lParam;
        std::u16string text;
    };

    void Invalidate(const Rect& deviceRect) override { m_invalidated.push_back(deviceRect); }
    void InvalidateAll() override { ++m_invalidateAll; }
    void SetCursor(ViewCursor cursor, std::uint32_t resourceId) override { m_cursor = {cursor, resourceId}; }
    void SetCapture(bool capture) override { m_capture = capture; }
    bool HasCapture() const override { return m_capture; }
    bool HasFocus() const override { return m_focus; }
    void ShowCaret(const Rect& deviceRect) override { m_caret = deviceRect; }
    void HideCaret() override { m_caret.reset(); }
    Size GetClientSize() const override { return m_client; }
    void SetScrollInfo(const ScrollInfo& info) override { m_scroll = info; }
    void Post(PostTarget target, NotifyMessage message, WParam wParam, LParam lParam) override {
        m_posts.push_back({target, message, wParam, lParam, {}});
    }
    void PostTextBlock(std::u16string text, LParam lParam) override {
        m_posts.push_back({PostTarget::Self, NotifyMessage::InsertTextBlock, 0, lParam, std::move(text)});
    }
    void ShowPopupMenu(std::uint32_t menuId, Point client) override { m_popups.push_back({menuId, client}); }
    bool RunDialog(std::uint32_t dialogId) override {
        m_dialogs.push_back(dialogId);
        return m_dialogAnswer;
    }

    void MovePointerAndFocus(Point client) override { m_pointer = client; }

    // The posts of one kind, in order.
    std::vector<PostRecord> PostsOf(NotifyMessage message) const {
        std::vector<PostRecord> out;
        for (const PostRecord& p : m_posts)
            if (p.message == message) out.push_back(p);
        return out;
    }
    void ClearRecords() {
        m_invalidated.clear();
        m_invalidateAll = 0;
        m_posts.clear();
        m_popups.clear();
        m_dialogs.clear();
    }

    // What the window reports.
    Size m_client{800, 600};
    bool m_focus = true;
    bool m_dialogAnswer = false;

    // What the view asked for.
    std::vector<Rect> m_invalidated;
    int m_invalidateAll = 0;
    std::pair<ViewCursor, std::uint32_t> m_cursor{ViewCursor::Arrow, 0};
    bool m_capture = false;
    std::optional<Rect> m_caret;
    ScrollInfo m_scroll;
    std::vector<PostRecord> m_posts;
    std::vector<std::pair<std::uint32_t, Point>> m_popups;
    std::vector<std::uint32_t> m_dialogs;
    std::optional<Point> m_pointer;  // where the pointer was last moved
};

}  // namespace kavitro
