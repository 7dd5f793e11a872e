#pragma once

// The mapping between logical and device units of a drawing context: mapping
// mode, window and viewport origin and extent, as the Windows drawing code
// relies on them. Pure arithmetic; every conversion rounds like MulDiv.

#include <cstdint>
#include <span>

#include "platform/DcTypes.h"
#include "platform/Geometry.h"

namespace kavitro {

class CDcMapping {
public:
    // `dpiX`, `dpiY`: device pixels per inch, which fix the metric and
    // English modes (MM_HIMETRIC maps 2540 logical units to dpi pixels,
    // with y pointing up). Non-positive values are taken as 96.
    explicit CDcMapping(std::int32_t dpiX = 96, std::int32_t dpiY = 96);

    // Returns the previous mode, or 0 for an unknown mode (nothing changes).
    // The fixed modes set both extents; MM_TEXT sets them to 1; switching to
    // MM_ANISOTROPIC or MM_ISOTROPIC keeps the extents in force.
    int SetMapMode(int mode);
    int GetMapMode() const { return m_mode; }

    // Extents change only in MM_ANISOTROPIC and MM_ISOTROPIC and never to a
    // zero component; false (nothing changes) otherwise. MM_ISOTROPIC then
    // shrinks one viewport extent so that both axes scale alike.
    bool SetWindowExt(Size ext);
    bool SetViewportExt(Size ext);
    void SetWindowOrg(Point org) { m_windowOrg = org; }
    void SetViewportOrg(Point org) { m_viewportOrg = org; }
    void OffsetWindowOrg(std::int32_t dx, std::int32_t dy);
    void OffsetViewportOrg(std::int32_t dx, std::int32_t dy);

    Size GetWindowExt() const { return m_windowExt; }
    Size GetViewportExt() const { return m_viewportExt; }
    Point GetWindowOrg() const { return m_windowOrg; }
    Point GetViewportOrg() const { return m_viewportOrg; }
    std::int32_t GetDpiX() const { return m_dpiX; }
    std::int32_t GetDpiY() const { return m_dpiY; }

    // Device = (logical - window org) * viewport ext / window ext + viewport org.
    Point LPtoDP(Point p) const;
    Point DPtoLP(Point p) const;
    void LPtoDP(std::span<Point> points) const;
    void DPtoLP(std::span<Point> points) const;
    // The exact (unrounded) conversions, for outlines and paths.
    void LPtoDP(double& x, double& y) const;
    void DPtoLP(double& x, double& y) const;

    // Scale factors device per logical unit (signed) on each axis.
    double ScaleX() const { return static_cast<double>(m_viewportExt.cx) / m_windowExt.cx; }
    double ScaleY() const { return static_cast<double>(m_viewportExt.cy) / m_windowExt.cy; }
    // True when logical y grows towards the top of the device.
    bool IsYUp() const { return ScaleY() < 0; }

    friend bool operator==(const CDcMapping&, const CDcMapping&) = default;

private:
    void AdjustIsotropic();

    int m_mode = MM_TEXT;
    std::int32_t m_dpiX;
    std::int32_t m_dpiY;
    Point m_windowOrg{};
    Point m_viewportOrg{};
    Size m_windowExt{1, 1};
    Size m_viewportExt{1, 1};
};

}  // namespace kavitro
