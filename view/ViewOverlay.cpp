#include "view/ViewOverlay.h"

#include <algorithm>

#include "document/DrawObj.h"
#include "platform/DC.h"

namespace kavitro {

bool CViewOverlay::Toggle(Kind kind, Rect device) {
    device.NormalizeRect();
    const Item item{kind, device};
    m_log.push_back(item);
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it != m_items.end()) {
        m_items.erase(it);
        return false;
    }
    m_items.push_back(item);
    return true;
}

void CViewOverlay::Draw(CDC& dc) const {
    if (m_items.empty()) return;
    const int level = dc.SaveDC();
    dc.SelectBrush(StockBrush(StockObject::NULL_BRUSH));
    dc.SelectPen(StockPen(StockObject::BLACK_PEN));
    dc.SetROP2(R2_NOT);
    for (const Item& item : m_items) {
        if (item.kind == Kind::Handle) {
            dc.InvertRect(item.device);
        } else if (item.kind == Kind::GuideLine) {
            // A one-pixel band: its outline's edges would cover the same
            // pixels twice and cancel out, so it is drawn as one line.
            const int rop = dc.SetROP2(R2_NOTXORPEN);
            const PenSelection pen =
                dc.SelectPen(MakePen(DrawablePen(LogPen{m_guidePen.style, Point{1, 1}, m_guidePen.colour})));
            const Rect& r = item.device;
            dc.MoveTo(r.TopLeft());
            dc.LineTo(r.Width() >= r.Height() ? Point{r.right, r.top} : Point{r.left, r.bottom});
            dc.SelectPen(pen);
            dc.SetROP2(rop);
        } else {
            dc.Rectangle(item.device);
        }
    }
    dc.RestoreDC(level);
}

}  // namespace kavitro
