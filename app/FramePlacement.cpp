#include "app/FramePlacement.h"

namespace kavitro {

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

std::optional<QRect> UsablePlacement(const std::optional<QRect>& stored, const QList<QRect>& screens) {
    if (!stored || stored->width() <= 0 || stored->height() <= 0)
        return std::nullopt;
    constexpr int kMinVisible = 64;
    for (const QRect& screen : screens) {
        const QRect visible = screen.intersected(*stored);
        if (visible.width() >= kMinVisible && visible.height() >= kMinVisible)
            return stored;
    }
    return std::nullopt;
}

}  // namespace kavitro
