#include <gtest/gtest.h>

#include <vector>

#include "platform/ErrorReport.h"
#include "platform/Notifier.h"

namespace {

using kavitro::NotifyMessage;
using kavitro::PostedMessage;

struct Target : kavitro::MessageTarget {
    std::vector<PostedMessage>* log = nullptr;
    std::function<void(const PostedMessage&)> react;
    void OnMessage(const PostedMessage& m) override {
        log->push_back(m);
        if (react)
            react(m);
    }
};

TEST(Notifier, MessageIdsAreTheOriginalOnes) {
    EXPECT_EQ(static_cast<unsigned>(NotifyMessage::ZoomChanged), 0x400u + 1);
    EXPECT_EQ(static_cast<unsigned>(NotifyMessage::ShowPage), 0x400u + 2);
    EXPECT_EQ(static_cast<unsigned>(NotifyMessage::TextSizeChanged), 0x400u + 3);
    EXPECT_EQ(static_cast<unsigned>(NotifyMessage::TextAngleChanged), 0x400u + 5);
    EXPECT_EQ(static_cast<unsigned>(NotifyMessage::SelectionChanged), 0x400u + 8);
    EXPECT_EQ(static_cast<unsigned>(NotifyMessage::UpdateRulers), 0x400u + 11);
    EXPECT_EQ(static_cast<unsigned>(NotifyMessage::InsertTextBlock), 0x4CEu);
}

TEST(Notifier, QueuedMessagesAreDeliveredInPostOrder) {
    kavitro::QueuedNotifier notifier;
    std::vector<PostedMessage> log;
    Target frame, view, gone;
    frame.log = view.log = gone.log = &log;
    const auto frameId = notifier.AddTarget(frame);
    const auto viewId = notifier.AddTarget(view);
    const auto goneId = notifier.AddTarget(gone);
    EXPECT_NE(frameId, viewId);
    int wakes = 0;
    notifier.SetWakeHandler([&] { ++wakes; });

    // A handler's own posts come after everything already queued.
    frame.react = [&](const PostedMessage& m) {
        if (m.message == NotifyMessage::ShowPage)
            notifier.Post(frameId, NotifyMessage::UpdateRulers);
    };

    notifier.Post(frameId, NotifyMessage::ZoomChanged, 100);
    notifier.Post(frameId, NotifyMessage::ShowPage, ~std::uint64_t{2}, 3);
    notifier.Post(goneId, NotifyMessage::SelectionChanged);
    notifier.PostTextBlock(viewId, u"\u0633\u0644\u0627\u0645", 1);
    notifier.Post(frameId, NotifyMessage::SelectionChanged);
    EXPECT_EQ(wakes, 1);
    EXPECT_TRUE(log.empty());  // nothing before the loop runs
    EXPECT_EQ(notifier.PendingCount(), 5u);
    notifier.RemoveTarget(goneId);  // its message is dropped

    EXPECT_EQ(notifier.DeliverPending(), 5u);
    const std::vector<PostedMessage> expected = {
        {frameId, NotifyMessage::ZoomChanged, 100, 0, {}},
        {frameId, NotifyMessage::ShowPage, ~std::uint64_t{2}, 3, {}},
        {viewId, NotifyMessage::InsertTextBlock, 0, 1, u"\u0633\u0644\u0627\u0645"},
        {frameId, NotifyMessage::SelectionChanged, 0, 0, {}},
        {frameId, NotifyMessage::UpdateRulers, 0, 0, {}},
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(notifier.PendingCount(), 0u);
    EXPECT_EQ(notifier.DeliverPending(), 0u);

    notifier.Post(viewId, NotifyMessage::TextSizeChanged, 24);
    EXPECT_EQ(wakes, 2);
}

TEST(Notifier, NestedDeliveryKeepsTheOrder) {
    kavitro::QueuedNotifier notifier;
    std::vector<PostedMessage> log;
    Target t;
    t.log = &log;
    const auto id = notifier.AddTarget(t);
    t.react = [&](const PostedMessage& m) {
        if (m.wParam == 1)
            notifier.DeliverPending();  // a modal loop inside a handler
    };
    for (std::uint64_t i = 1; i <= 4; ++i)
        notifier.Post(id, NotifyMessage::TextAngleChanged, i);
    notifier.DeliverPending();
    ASSERT_EQ(log.size(), 4u);
    for (std::uint64_t i = 0; i < 4; ++i)
        EXPECT_EQ(log[i].wParam, i + 1);
}

TEST(Notifier, RecordingNotifierRecordsPostsInOrder) {
    kavitro::RecordingNotifier notifier;
    kavitro::Notifier& n = notifier;
    n.Post(7, NotifyMessage::ZoomChanged, 100);
    n.Post(8, NotifyMessage::SelectionChanged);
    n.Post(7, NotifyMessage::ZoomChanged, 200);
    ASSERT_EQ(notifier.Posted().size(), 3u);
    EXPECT_EQ(notifier.Posted()[1].target, 8u);
    const auto zooms = notifier.PostedOf(NotifyMessage::ZoomChanged);
    ASSERT_EQ(zooms.size(), 2u);
    EXPECT_EQ(zooms[0].wParam, 100u);
    EXPECT_EQ(zooms[1].wParam, 200u);
    notifier.Clear();
    EXPECT_TRUE(notifier.Posted().empty());
}

TEST(ErrorReport, RecordsReportsAndAnswersWithQueuedOrDefaultButtons) {
    using kavitro::DialogResult;
    using kavitro::MessageButtons;
    using kavitro::MessageIcon;
    kavitro::RecordingErrorReport report;
    kavitro::ErrorReport& r = report;
    EXPECT_EQ(r.ReportError(11041), DialogResult::Ok);
    EXPECT_EQ(r.ReportError(u"Reset all settings?", MessageButtons::YesNo, MessageIcon::Question), DialogResult::Yes);
    report.QueueAnswer(DialogResult::No);
    EXPECT_EQ(r.ReportError(11034, MessageButtons::YesNoCancel, MessageIcon::Warning), DialogResult::No);
    report.QueueAnswer(DialogResult::Retry);
    EXPECT_THROW(r.ReportError(1, MessageButtons::OkCancel), std::logic_error);
    ASSERT_EQ(report.Reports().size(), 4u);
    EXPECT_EQ(report.Reports()[0], (kavitro::ErrorMessage{11041, {}, MessageButtons::Ok, MessageIcon::Error, {}, 0}));
    EXPECT_EQ(report.Reports()[1].text, u"Reset all settings?");
    EXPECT_EQ(report.Reports()[2].icon, MessageIcon::Warning);
    EXPECT_EQ(static_cast<int>(DialogResult::No), 7);
}

}  // namespace
