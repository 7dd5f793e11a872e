#include "app/FramePlacement.h"

#include <algorithm>

namespace kavitro {

namespace {

constexpr std::string_view kMaximizedValue = "maximized";

// The rectangle moved, and shrunk where it is larger, to lie within screen.
QRect FitInto(const QRect& frame, const QRect& screen) {
    const int width = std::min(frame.width(), screen.width());
    const int height = std::min(frame.height(), screen.height());
    const int x = std::clamp(frame.x(), screen.left(), screen.left() + screen.width() - width);
    const int y = std::clamp(frame.y(), screen.top(), screen.top() + screen.height() - height);
    return QRect(x, y, width, height);
}

std::int64_t Area(const QRect& r) { return r.isEmpty() ? 0 : std::int64_t{r.width()} * r.height(); }

}  // namespace

std::optional<QRect> ReadFramePlacement(const ProfileStore& profile) {
    const std::int32_t x = profile.GetProfileInt(kInitialFrameSection, "x", 0);
    const std::int32_t y = profile.GetProfileInt(kInitialFrameSection, "y", 0);
    const std::int32_t cx = profile.GetProfileInt(kInitialFrameSection, "cx", 0);
    const std::int32_t cy = profile.GetProfileInt(kInitialFrameSection, "cy", 0);
    if (cx == 0 || cy == 0)
        return std::nullopt;
    return QRect(x, y, cx, cy);
}

void WriteFramePlacement(ProfileStore& profile, const QRect& frame) {
    profile.WriteProfileInt(kInitialFrameSection, "x", frame.x());
    profile.WriteProfileInt(kInitialFrameSection, "y", frame.y());
    profile.WriteProfileInt(kInitialFrameSection, "cx", frame.width());
    profile.WriteProfileInt(kInitialFrameSection, "cy", frame.height());
}

bool ReadFrameMaximized(const ProfileStore& profile) {
    return profile.GetProfileInt(kInitialFrameSection, kMaximizedValue, 0) != 0;
}

void WriteFrameMaximized(ProfileStore& profile, bool maximized) {
    profile.WriteProfileInt(kInitialFrameSection, kMaximizedValue, maximized ? 1 : 0);
}

std::optional<QRect> UsablePlacement(const std::optional<QRect>& stored, const QList<QRect>& screens) {
    if (!stored || stored->width() <= 0 || stored->height() <= 0)
        return std::nullopt;
    constexpr int kMinVisible = 64;
    const QRect* best = nullptr;
    for (const QRect& screen : screens) {
        const QRect visible = screen.intersected(*stored);
        if (visible.width() < kMinVisible || visible.height() < kMinVisible)
            continue;
        if (!best || Area(visible) > Area(best->intersected(*stored)))
            best = &screen;
    }
    if (!best)
        return std::nullopt;
    return FitInto(*stored, *best);
}

}  // namespace kavitro
