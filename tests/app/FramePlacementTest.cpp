// The main window's placement in the profile and when it may be used.

#include <gtest/gtest.h>

#include "app/FramePlacement.h"
#include "document/ProfileStore.h"

namespace {

TEST(FramePlacement, RoundTripsAndTreatsAZeroSizeAsNone) {
    kavitro::MemoryProfileStore profile;
    EXPECT_FALSE(kavitro::ReadFramePlacement(profile).has_value());
    kavitro::WriteFramePlacement(profile, QRect(-8, 20, 1280, 900));
    EXPECT_EQ(kavitro::ReadFramePlacement(profile), QRect(-8, 20, 1280, 900));
    EXPECT_EQ(profile.GetProfileInt("InitialFrame", "cx", 0), 1280);
    // A width of 0 is a first start, whatever the other values say.
    profile.WriteProfileInt("InitialFrame", "cx", 0);
    EXPECT_FALSE(kavitro::ReadFramePlacement(profile).has_value());
}

TEST(FramePlacement, OnlyAPlacementThatReachesAScreenIsUsed) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    struct Case {
        QRect stored;
        bool usable;
    } cases[] = {
        {QRect(100, 100, 800, 600), true},
        {QRect(2000, 50, 800, 600), true},     // on the second screen
        {QRect(-780, 10, 800, 600), false},    // 20 pixels left on screen
        {QRect(5000, 5000, 800, 600), false},  // a screen unplugged since
        {QRect(100, 100, -5, 600), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kavitro::UsablePlacement(c.stored, screens).has_value(), c.usable)
            << c.stored.x() << "," << c.stored.y();
    }
    EXPECT_FALSE(kavitro::UsablePlacement(std::nullopt, screens).has_value());
}

TEST(FramePlacement, TheMaximisedStateIsKeptBesideTheRectangle) {
    kavitro::MemoryProfileStore profile;
    EXPECT_FALSE(kavitro::ReadFrameMaximized(profile));
    kavitro::WriteFramePlacement(profile, QRect(40, 30, 900, 640));
    kavitro::WriteFrameMaximized(profile, true);
    EXPECT_TRUE(kavitro::ReadFrameMaximized(profile));
    EXPECT_EQ(kavitro::ReadFramePlacement(profile), QRect(40, 30, 900, 640));
    kavitro::WriteFrameMaximized(profile, false);
    EXPECT_FALSE(kavitro::ReadFrameMaximized(profile));
}

TEST(FramePlacement, AUsedPlacementLiesWhollyOnItsScreen) {
    const QList<QRect> screens = {QRect(0, 0, 1600, 1000), QRect(1600, 0, 1280, 1024)};
    struct Case {
        const char* name;
        QRect stored, used;
    } cases[] = {
        {"a maximised rectangle below the title bar", QRect(0, 22, 1600, 1000), QRect(0, 0, 1600, 1000)},
        {"larger than the screen", QRect(-50, -40, 2000, 1400), QRect(0, 0, 1600, 1000)},
        {"over the right edge", QRect(1200, 100, 800, 600), QRect(800, 100, 800, 600)},
        {"mostly on the second screen", QRect(1500, 900, 800, 600), QRect(1600, 424, 800, 600)},
        {"already inside", QRect(10, 20, 300, 200), QRect(10, 20, 300, 200)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kavitro::UsablePlacement(c.stored, screens), c.used) << c.name;
}

}  // namespace
