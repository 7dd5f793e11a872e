#include "view/RulerModel.h"

#include <cstdlib>
#include <string>

#include "document/ApplicationProperties.h"
#include "document/KavitroDoc.h"
#include "view/KavitroView.h"

namespace kavitro {

std::int32_t CRulerModel::StepForZoom(std::int32_t zoom) {
    if (zoom <= 40) return 50;
    if (zoom <= 80) return 30;
    if (zoom <= 300) return 15;
    if (zoom <= 1500) return 7;
    if (zoom <= 3000) return 3;
    return 1;
}

std::u16string CRulerModel::Label(std::int32_t position) {
    const std::string digits = std::to_string(std::llabs(static_cast<long long>(position)));
    const std::string text = digits.size() == 1 ? "0." + digits : digits.substr(0, digits.size() - 1) + "." + digits.back();
    return std::u16string(text.begin(), text.end());
}

std::int32_t CRulerModel::PageEnd(std::int32_t pageExtent, std::int32_t zoom) { return MulDiv(-pageExtent, zoom, 100); }

std::vector<CRulerModel::Tick> CRulerModel::Ticks(std::int32_t zoom, std::int32_t first, std::int32_t last) const {
    std::vector<Tick> ticks;
    if (zoom <= 0) return ticks;
    const std::int64_t z = zoom;
    const std::int64_t step = StepForZoom(zoom);
    // Integer division truncates towards zero and the remainder keeps the
    // sign of the dividend, as the positions were always computed.
    if (m_orientation == Horizontal) {
        std::int64_t p = (first / (10 * z)) * 10 - 10;
        p -= p % step;
        const std::int64_t end = MulDiv(last, 1, zoom) + step;
        for (; p <= end; p += step)
            ticks.push_back({static_cast<std::int32_t>(p * z), Label(static_cast<std::int32_t>(p))});
    } else {
        std::int64_t p = (first / (10 * z) + 1) * 10;
        p -= p % step;
        const std::int64_t end = MulDiv(last, 1, zoom) - step;
        for (; p >= end; p -= step)
            ticks.push_back({static_cast<std::int32_t>(p * z), Label(static_cast<std::int32_t>(p))});
    }
    return ticks;
}

bool CRulerModel::OnLButtonDown(bool showGuide) {
    m_tracked = kNoTrack;
    m_captured = showGuide;
    return m_captured;
}

bool CRulerModel::InsideView(const CKavitroView& view, Point device) {
    const Size client = view.GetHost().GetClientSize();
    return Rect(0, 0, client.cx, client.cy).PtInRect(device);
}

Rect CRulerModel::TrackRect(const CKavitroView& view, std::int32_t at) const {
    const Size client = view.GetHost().GetClientSize();
    return m_orientation == Horizontal ? Rect(0, at, client.cx, at + 1) : Rect(at, 0, at + 1, client.cy);
}

std::optional<CRulerModel::Status> CRulerModel::OnMouseMove(CKavitroView& view, bool buttonDown, Point device) {
    if (!buttonDown || !m_captured) {
        m_tracked = kNoTrack;
        return std::nullopt;
    }
    const Point logical = view.ClientToDoc(device);
    if (!InsideView(view, device)) return Status{kStatusOutside, logical};
    const std::int32_t at = m_orientation == Horizontal ? device.y : device.x;
    if (at != m_tracked) {
        if (const CApplicationProperties* settings = view.GetDocument().GetServices().settings)
            view.GetOverlay().SetGuidePen(static_cast<std::uint32_t>((*settings)[CApplicationProperties::GuideLineStyle]),
                                          static_cast<COLORREF>((*settings)[CApplicationProperties::GuideColor]));
        if (m_tracked != kNoTrack) view.ToggleOverlay(CViewOverlay::Kind::GuideLine, TrackRect(view, m_tracked));
        view.ToggleOverlay(CViewOverlay::Kind::GuideLine, TrackRect(view, at));
        m_tracked = at;
    }
    return Status{m_orientation == Horizontal ? kStatusHorizontal : kStatusVertical, logical};
}

bool CRulerModel::OnLButtonUp(CKavitroView& view, Point device) {
    const bool captured = m_captured;
    m_captured = false;
    if (m_tracked != kNoTrack) view.ToggleOverlay(CViewOverlay::Kind::GuideLine, TrackRect(view, m_tracked));
    m_tracked = kNoTrack;
    if (!captured || !InsideView(view, device)) return false;
    const Point logical = view.ClientToDoc(device);
    CKavitroDoc& doc = view.GetDocument();
    doc.AddGuideline(&view, m_orientation == Horizontal ? 0 : 1, m_orientation == Horizontal ? logical.y : logical.x);
    doc.SetModifiedFlag();
    // Every view repaints, the active one too: its tracking line is gone
    // and the new guide line is drawn where it lies.
    doc.UpdateAllViews(nullptr, kHintNone, nullptr);
    return true;
}

}  // namespace kavitro
