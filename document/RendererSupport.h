#pragma once

// What the document's renderers share: the zoom they draw at, the page
// mapping and the size arithmetic. Internal to the document layer.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "document/KavitroDoc.h"
#include "platform/DC.h"

namespace kavitro::renderer {

// Sets the document zoom for a renderer and puts the old one back (clamped)
// on every way out, telling the main frame each time.
class ZoomScope {
public:
    ZoomScope(CKavitroDoc& doc, std::int32_t zoom) : m_doc(doc), m_saved(doc.GetZoom()) { m_doc.SetZoom(zoom); }
    ~ZoomScope() { m_doc.SetZoom(m_saved); }
    ZoomScope(const ZoomScope&) = delete;
    ZoomScope& operator=(const ZoomScope&) = delete;

private:
    CKavitroDoc& m_doc;
    std::int32_t m_saved;
};

class WmfRecordingScope {
public:
    WmfRecordingScope() { g_bRecordingWmf = true; }
    ~WmfRecordingScope() { g_bRecordingWmf = false; }
    WmfRecordingScope(const WmfRecordingScope&) = delete;
    WmfRecordingScope& operator=(const WmfRecordingScope&) = delete;
};

// The picture's extent in document units: |width| and |height| of the
// bounding rectangle, when both are non-zero and fit 32 bits.
inline bool PictureExtent(const Rect& r, std::int64_t& w, std::int64_t& h) {
    w = std::llabs(std::int64_t{r.right} - r.left);
    h = std::llabs(std::int64_t{r.bottom} - r.top);
    return w > 0 && h > 0 && w <= INT32_MAX && h <= INT32_MAX;
}

inline void SetUpPage(CDC& dc, const Rect& r, std::int64_t w, std::int64_t h, Size viewport, Point viewportOrg) {
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_BASELINE | TA_RIGHT);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(Size{static_cast<std::int32_t>(w), static_cast<std::int32_t>(-h)});
    dc.SetViewportExt(viewport);
    dc.SetWindowOrg(Point{r.left, r.bottom});
    dc.SetViewportOrg(viewportOrg);
}


// The fitted size of a w x h picture in cx x cy; false beyond the caps.
// The limiting side gets exactly its size and the other its share rounded
// to the nearest pixel (never more than its size), in integers: a size of
// the picture's own ratio, such as the proposed quarter, comes out exactly
// as asked, not a pixel short as a product of floating-point ratios may.
inline bool FittedSize(std::int64_t w, std::int64_t h, Size size, std::int64_t& fw, std::int64_t& fh) {
    if (size.cx <= 0 || size.cy <= 0 || w <= 0 || h <= 0) return false;
    // w and h are at most 2^31 and the sizes below 2^31: no product overflows.
    if (std::int64_t{size.cx} * h <= std::int64_t{size.cy} * w) {
        fw = size.cx;
        fh = std::clamp<std::int64_t>((h * size.cx + w / 2) / w, 1, size.cy);
    } else {
        fh = size.cy;
        fw = std::clamp<std::int64_t>((w * size.cy + h / 2) / h, 1, size.cx);
    }
    return true;
}

inline bool WithinCaps(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= CKavitroDoc::kMaxBitmapSide && height <= CKavitroDoc::kMaxBitmapSide &&
           width * height <= CKavitroDoc::kMaxBitmapPixels;
}


}  // namespace kavitro::renderer
