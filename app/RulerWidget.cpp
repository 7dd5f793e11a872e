#include "app/RulerWidget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <exception>

#include "document/ApplicationProperties.h"
#include "document/KavitroDoc.h"
#include "view/KavitroView.h"

using namespace kavitro;

namespace {

QColor FromColorRef(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Room left below (horizontal) or right of (vertical) the page strip.
constexpr int kEdge = 6;

}  // namespace

CRulerWidget::CRulerWidget(CRulerModel::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_model(orientation) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (IsHorizontal()) setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

QSize CRulerWidget::sizeHint() const {
    return IsHorizontal() ? QSize(300, CRulerModel::kThickness) : QSize(CRulerModel::kThickness, 300);
}
QSize CRulerWidget::minimumSizeHint() const {
    return IsHorizontal() ? QSize(0, CRulerModel::kThickness) : QSize(CRulerModel::kThickness, 0);
}

void CRulerWidget::SetActiveView(CPageViewWidget* view) {
    disconnect(m_viewScrolls);
    m_view = view;
    // The numbers follow wherever the view puts the page: a scroll, a zoom,
    // or a new paper size, which moves the page's edges.
    if (view)
        m_viewScrolls = connect(view, &CPageViewWidget::scrollInfoChanged, this, qOverload<>(&QWidget::update));
    update();
}

int CRulerWidget::AxisOffset() const {
    if (!m_view) return 0;
    const QPoint viewOrigin = m_view->viewport()->mapToGlobal(QPoint(0, 0));
    const QPoint rulerOrigin = mapToGlobal(QPoint(0, 0));
    return IsHorizontal() ? viewOrigin.x() - rulerOrigin.x() : viewOrigin.y() - rulerOrigin.y();
}

Point CRulerWidget::ToViewClient(const QPointF& rulerPoint) const {
    const QPoint global = mapToGlobal(rulerPoint.toPoint());
    const QPoint client = m_view ? m_view->viewport()->mapFromGlobal(global) : global;
    return {client.x(), client.y()};
}

void CRulerWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (!m_view) return;
    try {
        CKavitroView& view = m_view->GetView();
        CKavitroDoc& doc = view.GetDocument();
        const std::int32_t zoom = doc.GetZoom();
        const int offset = AxisOffset();
        const bool horizontal = IsHorizontal();
        // Logical and ruler pixel positions along the axis.
        auto toRuler = [&](std::int32_t logical) {
            const Point d = view.DocToClient(horizontal ? Point{logical, 0} : Point{0, logical});
            return (horizontal ? d.x : d.y) + offset;
        };
        auto toLogical = [&](int ruler) {
            const Point l = view.ClientToDoc(horizontal ? Point{ruler - offset, 0} : Point{0, ruler - offset});
            return horizontal ? l.x : l.y;
        };

        // The page strip in the paper colour, framed like a sunken edge.
        const Size page = doc.GetPageSize();
        const int a = toRuler(0);
        const int b = toRuler(CRulerModel::PageEnd(horizontal ? page.cx : page.cy, zoom));
        const int thickness = (horizontal ? height() : width()) - kEdge;
        QRect strip = horizontal ? QRect(QPoint(std::min(a, b), 0), QPoint(std::max(a, b), thickness))
                                 : QRect(QPoint(0, std::min(a, b)), QPoint(thickness, std::max(a, b)));
        painter.fillRect(strip, FromColorRef(doc.GetPaperColor()));
        painter.setPen(palette().color(QPalette::Shadow));
        painter.drawLine(strip.topLeft(), strip.topRight());
        painter.drawLine(strip.topLeft(), strip.bottomLeft());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(strip.bottomLeft(), strip.bottomRight());
        painter.drawLine(strip.topRight(), strip.bottomRight());

        QFont font = painter.font();
        font.setPixelSize(std::max(1, (horizontal ? height() : width()) * 9 / 16));
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::ButtonText));
        const QFontMetrics metrics(font);
        const std::int32_t first = toLogical(0);
        const std::int32_t last = toLogical(horizontal ? width() : height());
        for (const CRulerModel::Tick& tick : m_model.Ticks(zoom, first, last)) {
            const QString label = QString::fromStdU16String(tick.label);
            const int at = toRuler(tick.logical);
            const int half = metrics.horizontalAdvance(label) / 2;
            if (horizontal) {
                painter.drawText(QPoint(at - half, thickness), label);
            } else {
                painter.save();
                painter.translate(thickness, at);
                painter.rotate(-90);
                painter.drawText(QPoint(-half, 0), label);
                painter.restore();
            }
        }
    } catch (const std::exception&) {
        // A ruler that cannot be drawn stays empty; the view reports its own failures.
    }
}

void CRulerWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_view) return;
    const CApplicationProperties* settings = m_view->GetView().GetDocument().GetServices().settings;
    const bool showGuide = settings ? (*settings)[CApplicationProperties::ShowGuide] != 0 : true;
    m_model.OnLButtonDown(showGuide);
    event->accept();
}

void CRulerWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_view) return;
    const Point client = ToViewClient(event->position());
    CKavitroView& view = m_view->GetView();
    if (const auto status = m_model.OnMouseMove(view, (event->buttons() & Qt::LeftButton) != 0, client)) {
        // The status bar shows where the guide line would go, through the
        // view's own position display.
        view.ShowCursorPosition(status->stringId, client);
        emit statusMessage(status->stringId, status->logical);
    }
}

void CRulerWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_view) return;
    try {
        m_model.OnLButtonUp(m_view->GetView(), ToViewClient(event->position()));
    } catch (const std::exception&) {
        // Nothing was made.
    }
    event->accept();
}
