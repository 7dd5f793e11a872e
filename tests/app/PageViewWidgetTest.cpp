// The page view's window on the offscreen platform: typed and composed
// Persian reaches the document, the scroll bars follow the view and move
// it (the thumb where the visible part is, in either interface direction),
// and no exception leaves an event handler.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "app/PageViewWidget.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "tests/document/DocumentFixture.h"
#include "view/DrawTool.h"
#include "view/KavitroView.h"
#include "tests/support/TextOf.h"

namespace kavitro {
namespace {

class ThrowingObj : public CDrawObj {
public:
    ThrowingObj(const CPolygonRect& at, CKavitroDoc* doc) : CDrawObj(at, 0, doc) {}
    void Draw(CDC&) override { throw std::runtime_error("cannot draw"); }
    bool IntersectsPoint(Point) override { throw std::runtime_error("cannot hit"); }
};

using test::TextOf;

struct PositionStrings final : StringTable {
    std::u16string GetString(std::uint32_t id) const override {
        return id == CKavitroView::kPositionStringId     ? u"1X: %.0f %s Y: %.0f %s"
               : id == CKavitroView::kMillimetreStringId ? u"mm"
                                                         : u"";
    }
};

struct WidgetFixture : ::testing::Test {
    PositionStrings strings;
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = (env.services.strings = &strings, test::NewDocument(env.services));
    std::unique_ptr<CPageViewWidget> widget;

    void SetUp() override {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized())
            fonts.Init(KAVITRO_SHARE_DIR, 0);
        CDrawTool::CurrentShape() = 0;
        widget = std::make_unique<CPageViewWidget>(*doc);
        widget->resize(640, 480);
        widget->show();
        widget->activateWindow();
        widget->setFocus();
        QApplication::processEvents();  // the first showing posts the first text
    }
    void TearDown() override { widget.reset(); }

    void Key(int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(widget.get(), &press);
    }
};

TEST_F(WidgetFixture, TypedAndComposedPersianReachesTheDocument) {
    ASSERT_EQ(doc->m_objects.m_objects.size(), 1u);
    auto* text = dynamic_cast<CDrawText*>(doc->m_objects.m_objects.front());
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(widget->GetView().GetSelection().GetEditedText(), text);
    ASSERT_TRUE(widget->GetView().IsActive());

    // Keys one by one, then a word an input method commits at once.
    for (const char16_t c : std::u16string_view(u"سلام"))
        Key(Qt::Key_unknown, QString(QChar(c)));
    Key(Qt::Key_Space, QStringLiteral(" "));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("دنیا"));
    QApplication::sendEvent(widget.get(), &commit);
    Key(Qt::Key_Backspace, {});  // a synthetic Backspace carries no text and still deletes
    EXPECT_EQ(TextOf(*text), u" سلام دنی ");

    // Painting places the caret; the input method's window goes to it.
    widget->viewport()->repaint();
    ASSERT_TRUE(widget->GetCaretRect().has_value());
    const QRect caret = widget->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(caret.size(), widget->GetCaretRect()->size());
    EXPECT_TRUE(widget->rect().intersects(caret));
    EXPECT_TRUE(env.errors.Reports().empty());
}

TEST_F(WidgetFixture, PointerPositionGoesToTheStatusBarInMillimetres) {
    QStringList shown;
    QObject::connect(widget.get(), &CPageViewWidget::cursorPositionShown,
                     [&](const QString& text) { shown.push_back(text); });
    const Point corner = widget->GetView().DocToClient(Point{-10000, -5000});
    QMouseEvent move(QEvent::MouseMove, QPointF(corner.x, corner.y),
                     widget->viewport()->mapToGlobal(QPoint(corner.x, corner.y)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget->viewport(), &move);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], QStringLiteral(" X: 100 mm Y: 50 mm"));  // within the pointer's pixel
    // A second move at once is not shown: the status bar is refreshed at most every 100 ms.
    QApplication::sendEvent(widget->viewport(), &move);
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(WidgetFixture, ScrollBarsFollowTheViewAndMoveIt) {
    CKavitroView& view = widget->GetView();
    QScrollBar* h = widget->horizontalScrollBar();
    QScrollBar* v = widget->verticalScrollBar();
    // The first showing is at the page's top-right end.
    EXPECT_EQ(h->value(), view.GetScrollInfo().position.x);
    EXPECT_EQ(h->value(), h->maximum());
    EXPECT_EQ(v->value(), 0);

    std::vector<PostedMessage> posted;
    QObject::connect(widget.get(), &CPageViewWidget::messagePosted,
                     [&](PostTarget, const PostedMessage& m) { posted.push_back(m); });
    const Point under = view.ClientToDoc(Point{100, 100});
    const Point before = view.DocToClient(under);
    v->setValue(v->value() + 37);
    QApplication::processEvents();
    EXPECT_EQ(view.GetScrollInfo().position.y, v->value());
    EXPECT_EQ(view.DocToClient(under), (Point{before.x, before.y - 37}));
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back().message, NotifyMessage::UpdateRulers);

    // A zoom from the view moves the bars without a scroll coming back.
    posted.clear();
    view.SetZoom(200, Point{-10000, -10000});
    QApplication::processEvents();
    EXPECT_EQ(h->value(), view.GetScrollInfo().position.x);
    EXPECT_EQ(v->value(), view.GetScrollInfo().position.y);
    for (const PostedMessage& m : posted)
        EXPECT_NE(m.message, NotifyMessage::UpdateRulers);
}

// Where the bar draws its thumb, in bar pixels.
QRect ThumbOf(const QScrollBar& bar) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    option.state |= bar.orientation() == Qt::Horizontal ? QStyle::State_Horizontal : QStyle::State_None;
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = bar.invertedAppearance();
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar);
}

// Clicks a horizontal bar's arrow at its left or right end.
void ClickArrow(QScrollBar& bar, bool left) {
    const QPointF at(left ? 3 : bar.width() - 4, bar.height() / 2);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, at, bar.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&bar, &click);
    }
}

TEST_F(WidgetFixture, HorizontalThumbShowsTheVisiblePartInEitherDirection) {
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(direction == Qt::RightToLeft ? "right to left" : "left to right");
        // The interface's direction is set before any window is made.
        QApplication::setLayoutDirection(direction);
        widget = std::make_unique<CPageViewWidget>(*doc);
        widget->resize(640, 480);
        widget->show();
        QApplication::processEvents();
        CKavitroView& view = widget->GetView();
        doc->SetZoom(200);
        view.UpdateScrollSizes();
        QScrollBar& h = *widget->horizontalScrollBar();
        const ScrollInfo& s = view.GetScrollInfo();
        ASSERT_GT(s.limit.cx, 200);
        // The page's right edge, where every line starts, shows first after a zoom.
        view.ScrollToPosition({s.limit.cx, 0});
        QApplication::processEvents();
        const Point pageRight = view.DocToClient(Point{0, 0});
        EXPECT_LT(pageRight.x, widget->viewport()->width());
        EXPECT_GE(ThumbOf(h).right(), h.width() - 2 * h.height());

        // The left arrow takes the view towards the page's left edge, the thumb with it.
        const int thumbBefore = ThumbOf(h).left();
        for (int i = 0; i < 5; ++i)
            ClickArrow(h, true);
        QApplication::processEvents();
        EXPECT_GT(view.DocToClient(Point{0, 0}).x, pageRight.x);
        EXPECT_LT(ThumbOf(h).left(), thumbBefore);

        // The thumb dragged to the bar's left end shows the page's left edge.
        const QPointF grip = ThumbOf(h).center();
        const QPointF end(0, grip.y());
        for (const auto& [type, at] : {std::pair{QEvent::MouseButtonPress, grip}, std::pair{QEvent::MouseMove, end},
                                       std::pair{QEvent::MouseButtonRelease, end}}) {
            QMouseEvent e(type, at, h.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&h, &e);
        }
        QApplication::processEvents();
        EXPECT_EQ(s.position.x, 0);
        EXPECT_LE(ThumbOf(h).left(), 2 * h.height());
        EXPECT_GE(view.DocToClient(Point{-doc->GetPageSize().cx * 2, 0}).x, 0);
        widget.reset();
    }
    QApplication::setLayoutDirection(Qt::LeftToRight);
    EXPECT_TRUE(env.errors.Reports().empty());
}

TEST_F(WidgetFixture, WheelScrollsShiftOrSidewaysGoesAcrossCtrlZooms) {
    CKavitroView& view = widget->GetView();
    QScrollBar* h = widget->horizontalScrollBar();
    QScrollBar* v = widget->verticalScrollBar();
    const ScrollInfo& s = view.GetScrollInfo();
    struct Case {
        QPoint angle;
        Qt::KeyboardModifiers modifiers;
        Size moved;
        std::int32_t zoom;
    };
    const Case cases[] = {
        {{0, -120}, Qt::NoModifier, {0, 3 * s.lineStep.cy}, 100},
        {{0, 120}, Qt::NoModifier, {0, -3 * s.lineStep.cy}, 100},
        {{0, 120}, Qt::ShiftModifier, {-3 * s.lineStep.cx, 0}, 100},
        {{120, 0}, Qt::NoModifier, {-3 * s.lineStep.cx, 0}, 100},
        {{0, 120}, Qt::ControlModifier, {}, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angle.x() << "," << c.angle.y() << " " << c.modifiers.toInt());
        doc->SetZoom(100);
        view.UpdateScrollSizes();
        view.ScrollToPosition({s.limit.cx / 2, s.limit.cy / 2});
        const Point start = s.position;
        const QPointF at(100, 100);
        QWheelEvent wheel(at, widget->viewport()->mapToGlobal(at), QPoint(), c.angle, Qt::NoButton, c.modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget->viewport(), &wheel);
        EXPECT_EQ(doc->GetZoom(), c.zoom);
        if (c.zoom != 100) continue;
        EXPECT_EQ(s.position, (Point{start.x + c.moved.cx, start.y + c.moved.cy}));
        EXPECT_EQ(h->value(), s.position.x);
        EXPECT_EQ(v->value(), s.position.y);
    }
}

TEST_F(WidgetFixture, NoExceptionLeavesAnEventHandler) {
    doc->Add(new ThrowingObj(test::Place(-3000, -3000, 2500, 2500), doc.get()), true);
    QObject::connect(widget.get(), &CPageViewWidget::messagePosted,
                     [](PostTarget, const PostedMessage&) { throw std::runtime_error("frame failed"); });
    for (int round = 0; round < 2; ++round) {
        widget->viewport()->repaint();
        const QPoint at(widget->viewport()->width() - 20, 20);
        QMouseEvent press(QEvent::MouseButtonPress, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget->viewport(), &release);
        Key(Qt::Key_Escape, {});  // posts a selection change to the failing frame
        QApplication::processEvents();
    }
    // The failures were caught and reported; the frame's, recurring, once.
    std::vector<std::u16string> texts;
    for (const ErrorMessage& m : env.errors.Reports())
        texts.push_back(m.text);
    EXPECT_GE(std::count(texts.begin(), texts.end(), u"cannot draw"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), u"frame failed"), 1);
    EXPECT_TRUE(widget->isVisible());
}


// What is on the screen after the caret goes (the focus leaves the page) or
// after the page moves down under a taller ribbon is what a full repaint
// gives: no part of an old caret stays.
TEST_F(WidgetFixture, CaretLeavesNothingBehind) {
    // A steady caret: a blink between two pictures would tell nothing.
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    struct RestoreFlash {
        int time;
        ~RestoreFlash() { QApplication::setCursorFlashTime(time); }
    } restoreFlash{flashTime};
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* ribbon = new QWidget;
    ribbon->setFixedHeight(130);
    layout->addWidget(ribbon);
    layout->addWidget(widget.get());
    // The fixture owns the page widget: it leaves the window before the
    // window deletes its children.
    struct Unparent {
        QWidget* page;
        ~Unparent() { page->setParent(nullptr); }
    } unparent{widget.get()};
    window.resize(640, 600);
    window.show();
    widget->setFocus();
    for (const char16_t c : std::u16string_view(u"دل گرچه"))
        Key(Qt::Key_unknown, QString(QChar(c)));
    QApplication::processEvents();
    auto* screen = dynamic_cast<QImage*>(window.backingStore()->paintDevice());
    ASSERT_NE(screen, nullptr);
    auto onScreen = [&] {
        return screen->copy(QRect(widget->viewport()->mapTo(&window, QPoint()), widget->viewport()->size()));
    };
    auto fresh = [&] {
        widget->viewport()->repaint();
        return onScreen();
    };
    ASSERT_TRUE(widget->GetCaretRect().has_value());

    ribbon->setFixedHeight(137);  // the page moves down and loses 7 pixels
    QApplication::processEvents();
    const QImage moved = onScreen();
    EXPECT_EQ(moved, fresh());

    const QImage withCaret = onScreen();
    widget->clearFocus();
    QApplication::processEvents();
    EXPECT_FALSE(widget->GetCaretRect().has_value());
    const QImage gone = onScreen();
    EXPECT_NE(gone, withCaret);  // the caret was on the screen
    EXPECT_EQ(gone, fresh());
}

}  // namespace
}  // namespace kavitro
