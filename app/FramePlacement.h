#pragma once

// The main window's placement in the profile: section "InitialFrame", values
// "x", "y", "cx", "cy" (the outer rectangle: left, top, width, height).

#include <QRect>
#include <QList>
#include <optional>

#include "document/ProfileStore.h"

namespace kavitro {

inline constexpr std::string_view kInitialFrameSection = "InitialFrame";

// The stored placement, or none when the width or height is 0 (first start).
std::optional<QRect> ReadFramePlacement(const ProfileStore& profile);
void WriteFramePlacement(ProfileStore& profile, const QRect& frame);

// The stored placement when it can be used on these screens: at least a
// corner of 64 x 64 pixels of it lies on one of them (a screen unplugged
// since, or values edited by hand, must not put the window out of reach).
std::optional<QRect> UsablePlacement(const std::optional<QRect>& stored, const QList<QRect>& screens);

}  // namespace kavitro
