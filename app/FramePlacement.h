#pragma once

// The main window's placement in the profile: section "InitialFrame", values
// "x", "y", "cx", "cy" (the outer rectangle: left, top, width, height) and
// "maximized" (1 when the window was left maximised; the rectangle is then
// the one it returns to when no longer maximised).

#include <QRect>
#include <QList>
#include <optional>

#include "document/ProfileStore.h"

namespace kavitro {

inline constexpr std::string_view kInitialFrameSection = "InitialFrame";

// The stored placement, or none when the width or height is 0 (first start).
std::optional<QRect> ReadFramePlacement(const ProfileStore& profile);
void WriteFramePlacement(ProfileStore& profile, const QRect& frame);
bool ReadFrameMaximized(const ProfileStore& profile);
void WriteFrameMaximized(ProfileStore& profile, bool maximized);

// The stored placement made to fit these screens, or none when it cannot
// be used. It is used when at least a corner of 64 x 64 pixels of it lies
// on one of them (a screen unplugged since, or values edited by hand, must
// not put the window out of reach); it is then moved, and shrunk when
// larger, onto the screen showing most of it, so that no edge of the
// window (its status bar, say) is left off screen.
std::optional<QRect> UsablePlacement(const std::optional<QRect>& stored, const QList<QRect>& screens);

}  // namespace kavitro
