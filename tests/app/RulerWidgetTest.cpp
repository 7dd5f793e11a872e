// A document window's rulers and page view on the offscreen platform: the
// rulers draw the page strip and numbers, a line follows the pointer while
// a guide is dragged from a ruler, the guide lands where it was released,
// and a drop on the page is taken as a copy or refused.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <memory>
#include <vector>

#include "app/PageViewWidget.h"
#include "app/RulerWidget.h"
#include "document/SimpleObjects.h"
#include "engine/CalligraphyFont.h"
#include "tests/document/DocumentFixture.h"
#include "view/ClipboardFormat.h"
#include "view/KavitroView.h"

namespace kavitro {
namespace {

struct RulersFixture : ::testing::Test {
    test::TestServices env;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(env.services);
    std::unique_ptr<QWidget> frame = std::make_unique<QWidget>();
    CRulerWidget* top = new CRulerWidget(CRulerModel::Horizontal);
    CRulerWidget* left = new CRulerWidget(CRulerModel::Vertical);
    CPageViewWidget* page = nullptr;

    void SetUp() override {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
        page = new CPageViewWidget(*doc);
        auto* grid = new QGridLayout(frame.get());
        grid->setSpacing(0);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->addWidget(top, 0, 1);
        grid->addWidget(left, 1, 0);
        grid->addWidget(page, 1, 1);
        frame->resize(700, 500);
        frame->show();
        page->setFocus();
        QApplication::processEvents();
        top->SetActiveView(page);
        left->SetActiveView(page);
    }

    // Sends a mouse event to a ruler at a point given in the view's client.
    void Send(CRulerWidget* ruler, QEvent::Type type, QPoint viewClient, Qt::MouseButtons buttons) {
        const QPointF at = ruler->mapFromGlobal(page->viewport()->mapToGlobal(viewClient));
        QMouseEvent e(type, at, ruler->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
        QApplication::sendEvent(ruler, &e);
    }
};

TEST_F(RulersFixture, DrawThePageStripAndTheirNumbers) {
    for (CRulerWidget* ruler : {top, left}) {
        const QImage image = ruler->grab().toImage();
        int paper = 0, ink = 0;
        const QColor face = ruler->palette().color(QPalette::Button);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c == QColor(Qt::white)) ++paper;
                else if (c != face && c.lightness() < 100) ++ink;
            }
        EXPECT_GT(paper, 100) << ruler->GetOrientation();
        EXPECT_GT(ink, 10) << ruler->GetOrientation();
    }
}

TEST_F(RulersFixture, AGuideDraggedIntoTheViewLandsWhereItWasReleased) {
    struct Case {
        CRulerWidget* ruler;
        bool vertical;
    };
    for (const Case c : {Case{top, false}, Case{left, true}}) {
        const std::size_t before = doc->m_guideLines.size();
        std::vector<std::uint32_t> statuses;
        QObject::connect(c.ruler, &CRulerWidget::statusMessage,
                         [&](std::uint32_t id, Point) { statuses.push_back(id); });
        const QPoint target(150, 120);
        Send(c.ruler, QEvent::MouseButtonPress, QPoint(5, 5) - QPoint(30, 30), Qt::LeftButton);
        Send(c.ruler, QEvent::MouseMove, target, Qt::LeftButton);
        Send(c.ruler, QEvent::MouseButtonRelease, target, Qt::NoButton);
        ASSERT_EQ(doc->m_guideLines.size(), before + 1);
        ASSERT_FALSE(statuses.empty());
        EXPECT_EQ(statuses.back(), c.vertical ? 11008u : 11007u);
        const auto* guide = dynamic_cast<const CDrawGuideLine*>(doc->m_guideLines.back());
        ASSERT_NE(guide, nullptr);
        EXPECT_EQ(guide->IsVertical(), c.vertical);
        const Point logical = page->GetView().ClientToDoc(Point{target.x(), target.y()});
        const Rect at = guide->BuildZoomedPosition().m_rect;
        EXPECT_EQ(c.vertical ? at.left : at.top, c.vertical ? logical.x : logical.y);
    }
}

// Rows (horizontal) or columns (vertical) of the view that changed right
// across it between two pictures of it.
std::vector<int> LinesAcross(const QImage& before, const QImage& after, bool vertical) {
    std::vector<int> lines;
    const int across = vertical ? before.height() : before.width();
    const int along = vertical ? before.width() : before.height();
    for (int at = 0; at < along; ++at) {
        int changed = 0;
        for (int i = 0; i < across; ++i) {
            const QPoint p = vertical ? QPoint(at, i) : QPoint(i, at);
            if (before.pixel(p) != after.pixel(p)) ++changed;
        }
        if (changed > across * 9 / 10) lines.push_back(at);
    }
    return lines;
}

TEST_F(RulersFixture, ALineFollowsThePointerWhileAGuideIsDragged) {
    for (CRulerWidget* ruler : {top, left}) {
        const bool vertical = ruler == left;
        SCOPED_TRACE(vertical ? "vertical" : "horizontal");
        const QImage before = page->viewport()->grab().toImage();
        Send(ruler, QEvent::MouseButtonPress, QPoint(-10, -10), Qt::LeftButton);
        for (const QPoint at : {QPoint(150, 120), QPoint(210, 170)}) {
            Send(ruler, QEvent::MouseMove, at, Qt::LeftButton);
            QApplication::processEvents();
            const std::vector<int> seen = LinesAcross(before, page->viewport()->grab().toImage(), vertical);
            // One line under the pointer; the previous one is gone.
            EXPECT_EQ(seen, std::vector<int>{vertical ? at.x() : at.y()});
        }
        // Out of the view and released there: the line goes and no guide is made.
        const std::size_t guides = doc->m_guideLines.size();
        Send(ruler, QEvent::MouseMove, QPoint(-10, -10), Qt::LeftButton);
        Send(ruler, QEvent::MouseButtonRelease, QPoint(-10, -10), Qt::NoButton);
        QApplication::processEvents();
        EXPECT_TRUE(LinesAcross(before, page->viewport()->grab().toImage(), vertical).empty());
        EXPECT_EQ(doc->m_guideLines.size(), guides);
    }
}

TEST_F(RulersFixture, RepaintAtOnceWhenThePaperTurns) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    };
    PaintCounter counter;
    QApplication::processEvents();
    top->installEventFilter(&counter);
    left->installEventFilter(&counter);
    // Landscape: the page's edges move in the window though nothing scrolled.
    const Size page = doc->GetPageSize();
    doc->SetPageSize(Size{page.cy, page.cx}, doc->m_margins);
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 2);
}

TEST_F(RulersFixture, ADropOnThePageIsTakenAsACopyOrRefused) {
    auto* r = new CDrawRect(test::Place(-5000, -5000, 1000, 1000), 0, doc.get());
    std::unique_ptr<CDrawRect> source(r);
    QMimeData objects, nothing;
    objects.setData(mime::kKavitro, [&] {
        const std::vector<std::uint8_t> b = StoreObjectList(std::vector<CDrawObj*>{r});
        return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
    }());
    nothing.setData("application/x-unknown", "1");
    const std::size_t before = doc->m_objects.m_objects.size();
    struct Case {
        const QMimeData* data;
        bool accepted;
    };
    for (const Case c : {Case{&nothing, false}, Case{&objects, true}}) {
        QDragEnterEvent enter(QPoint(120, 90), Qt::CopyAction | Qt::MoveAction, c.data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page->viewport(), &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted);
        QDropEvent drop(QPointF(120, 90), Qt::CopyAction | Qt::MoveAction, c.data, Qt::LeftButton, Qt::NoModifier);
        drop.setDropAction(Qt::MoveAction);
        QApplication::sendEvent(page->viewport(), &drop);
        EXPECT_EQ(drop.isAccepted(), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(drop.dropAction(), Qt::CopyAction);  // never a move
        }
    }
    // One rectangle went in (adding purged the empty text a new document starts with).
    ASSERT_FALSE(doc->m_objects.m_objects.empty());
    EXPECT_NE(dynamic_cast<CDrawRect*>(doc->m_objects.m_objects.back()), nullptr);
    EXPECT_LE(doc->m_objects.m_objects.size(), before + 1);
}

}  // namespace
}  // namespace kavitro
