#pragma once

// One ruler of a document window: the page's extent along its axis and the
// numbered positions at the active view's zoom and scroll position, and a
// guide line dragged out of it into the view. The child frame places the
// two rulers (top and left) and tells them the active view; the drawing
// and the drag are view/RulerModel's.

#include <QPointer>
#include <QWidget>

#include <cstdint>

#include "app/PageViewWidget.h"
#include "view/RulerModel.h"

class CRulerWidget : public QWidget {
    Q_OBJECT
public:
    explicit CRulerWidget(kavitro::CRulerModel::Orientation orientation, QWidget* parent = nullptr);

    // The page view the ruler follows; none shows an empty ruler.
    void SetActiveView(CPageViewWidget* view);
    CPageViewWidget* GetActiveView() const { return m_view; }
    kavitro::CRulerModel::Orientation GetOrientation() const { return m_model.GetOrientation(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // While a guide line is dragged: the status string (inside the view,
    // by orientation, or outside it) and the pointer in view logical units.
    void statusMessage(std::uint32_t stringId, kavitro::Point logical);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A ruler point in the view's client pixels (the two share an axis).
    kavitro::Point ToViewClient(const QPointF& rulerPoint) const;
    // The offset from view client pixels to ruler pixels along the axis.
    int AxisOffset() const;
    bool IsHorizontal() const { return m_model.GetOrientation() == kavitro::CRulerModel::Horizontal; }

    kavitro::CRulerModel m_model;
    QPointer<CPageViewWidget> m_view;
    QMetaObject::Connection m_viewScrolls;
};
