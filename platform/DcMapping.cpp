#include "platform/DcMapping.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include "platform/Saturating.h"

namespace kavitro {

namespace {

// Logical units per inch of the fixed modes.
std::int32_t UnitsPerInch(int mode) {
    switch (mode) {
        case MM_LOMETRIC: return 254;
        case MM_HIMETRIC: return 2540;
        case MM_LOENGLISH: return 100;
        case MM_HIENGLISH: return 1000;
        case MM_TWIPS: return 1440;
        default: return 0;
    }
}

std::int32_t Map(std::int32_t value, std::int32_t fromOrg, std::int32_t toExt, std::int32_t fromExt,
                 std::int32_t toOrg) {
    // 64-bit difference; MulDiv rounds half away from zero like the drawing
    // code expects. A result beyond 32 bits saturates rather than wrapping.
    const std::int64_t diff = static_cast<std::int64_t>(value) - fromOrg;
    const std::int64_t product = diff * toExt;
    const std::int64_t absProduct = std::llabs(product);
    const std::int64_t absExt = std::llabs(static_cast<std::int64_t>(fromExt));
    std::int64_t q = (absProduct + absExt / 2) / absExt;
    if ((product < 0) != (fromExt < 0)) q = -q;
    std::int64_t r = q + toOrg;
    if (r > INT32_MAX) r = INT32_MAX;
    if (r < INT32_MIN) r = INT32_MIN;
    return static_cast<std::int32_t>(r);
}

}  // namespace

CDcMapping::CDcMapping(std::int32_t dpiX, std::int32_t dpiY)
    : m_dpiX(dpiX > 0 ? dpiX : 96), m_dpiY(dpiY > 0 ? dpiY : 96) {}

int CDcMapping::SetMapMode(int mode) {
    const int previous = m_mode;
    if (mode == MM_TEXT) {
        m_windowExt = {1, 1};
        m_viewportExt = {1, 1};
    } else if (const std::int32_t units = UnitsPerInch(mode); units != 0) {
        m_windowExt = {units, units};
        m_viewportExt = {m_dpiX, -m_dpiY};
    } else if (mode != MM_ANISOTROPIC && mode != MM_ISOTROPIC) {
        return 0;
    }
    m_mode = mode;
    if (mode == MM_ISOTROPIC) AdjustIsotropic();
    return previous;
}

bool CDcMapping::SetWindowExt(Size ext) {
    if ((m_mode != MM_ANISOTROPIC && m_mode != MM_ISOTROPIC) || ext.cx == 0 || ext.cy == 0) return false;
    m_windowExt = ext;
    if (m_mode == MM_ISOTROPIC) AdjustIsotropic();
    return true;
}

bool CDcMapping::SetViewportExt(Size ext) {
    if ((m_mode != MM_ANISOTROPIC && m_mode != MM_ISOTROPIC) || ext.cx == 0 || ext.cy == 0) return false;
    m_viewportExt = ext;
    if (m_mode == MM_ISOTROPIC) AdjustIsotropic();
    return true;
}

void CDcMapping::AdjustIsotropic() {
    // Keep the smaller magnitude scale on both axes, signs as given. Extents
    // may be any 32-bit value (metafiles set them), so work in doubles.
    const double sx = std::abs(ScaleX());
    const double sy = std::abs(ScaleY());
    auto shrunk = [](double windowExt, double scale, std::int32_t sign) {
        const double v = std::clamp(std::round(std::abs(windowExt) * scale), 1.0, 2147483647.0);
        return static_cast<std::int32_t>(sign < 0 ? -v : v);
    };
    if (sx > sy)
        m_viewportExt.cx = shrunk(m_windowExt.cx, sy, m_viewportExt.cx);
    else if (sy > sx)
        m_viewportExt.cy = shrunk(m_windowExt.cy, sx, m_viewportExt.cy);
}

void CDcMapping::OffsetWindowOrg(std::int32_t dx, std::int32_t dy) {
    m_windowOrg.x = SaturatingAdd(m_windowOrg.x, dx);
    m_windowOrg.y = SaturatingAdd(m_windowOrg.y, dy);
}

void CDcMapping::OffsetViewportOrg(std::int32_t dx, std::int32_t dy) {
    m_viewportOrg.x = SaturatingAdd(m_viewportOrg.x, dx);
    m_viewportOrg.y = SaturatingAdd(m_viewportOrg.y, dy);
}

Point CDcMapping::LPtoDP(Point p) const {
    return {Map(p.x, m_windowOrg.x, m_viewportExt.cx, m_windowExt.cx, m_viewportOrg.x),
            Map(p.y, m_windowOrg.y, m_viewportExt.cy, m_windowExt.cy, m_viewportOrg.y)};
}

Point CDcMapping::DPtoLP(Point p) const {
    return {Map(p.x, m_viewportOrg.x, m_windowExt.cx, m_viewportExt.cx, m_windowOrg.x),
            Map(p.y, m_viewportOrg.y, m_windowExt.cy, m_viewportExt.cy, m_windowOrg.y)};
}

void CDcMapping::LPtoDP(std::span<Point> points) const {
    for (Point& p : points) p = LPtoDP(p);
}

void CDcMapping::DPtoLP(std::span<Point> points) const {
    for (Point& p : points) p = DPtoLP(p);
}

void CDcMapping::LPtoDP(double& x, double& y) const {
    x = (x - m_windowOrg.x) * ScaleX() + m_viewportOrg.x;
    y = (y - m_windowOrg.y) * ScaleY() + m_viewportOrg.y;
}

void CDcMapping::DPtoLP(double& x, double& y) const {
    x = (x - m_viewportOrg.x) / ScaleX() + m_windowOrg.x;
    y = (y - m_viewportOrg.y) / ScaleY() + m_windowOrg.y;
}

}  // namespace kavitro
