#include <QTimeZone>
#include <gtest/gtest.h>
#include <limits>

#include "app/Version.h"

namespace {

using kavitro::Version;

TEST(Version, ParsesOnlyDottedNumbers) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"2.1.0.5", u"2.1.0.5"}, {u"2.10", u"2.10.0.0"}, {u"7", u"7.0.0.0"}, {u"65535.0.0.1", u"65535.0.0.1"},
        {u"002.01", u"2.1.0.0"},
        {u"", nullptr}, {u"2.", nullptr}, {u".2", nullptr}, {u"2..1", nullptr}, {u"1.2.3.4.5", nullptr},
        {u"65536", nullptr}, {u"123456", nullptr}, {u"2.1 ", nullptr}, {u" 2.1", nullptr}, {u"-1", nullptr},
        {u"2.1b", nullptr}, {u"۲.۱", nullptr},  // Persian digits are not a version
    };
    for (const auto& [text, shown] : cases) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        const std::optional<Version> v = Version::Parse(QStringView(text));
        if (shown) {
            ASSERT_TRUE(v.has_value());
            EXPECT_EQ(v->ToString(), QString::fromUtf16(shown));
            EXPECT_EQ(Version::FromPacked(v->Packed()), *v);
        } else {
            EXPECT_FALSE(v.has_value());
        }
    }
    EXPECT_EQ(Version::Parse(u"2.1.0.5")->Packed(), 0x0002000100000005u);
}

TEST(Version, ComparesAsNumbersPartByPart) {
    struct Case {
        const char16_t* older;
        const char16_t* newer;
    };
    const Case cases[] = {
        {u"2.9", u"2.10"}, {u"2.1.0.6", u"2.1.0.10"}, {u"1.99.99.99", u"2"}, {u"2.0.0.0", u"2.0.0.1"},
        {u"9", u"10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.older).toStdString());
        EXPECT_LT(*Version::Parse(QStringView(c.older)), *Version::Parse(QStringView(c.newer)));
        EXPECT_TRUE(kavitro::IsNewerRelease(*Version::Parse(QStringView(c.older)), QStringView(c.newer)));
        EXPECT_FALSE(kavitro::IsNewerRelease(*Version::Parse(QStringView(c.newer)), QStringView(c.older)));
    }
    EXPECT_EQ(*Version::Parse(u"2.1"), *Version::Parse(u"2.1.0.0"));
    EXPECT_FALSE(kavitro::IsNewerRelease(*Version::Parse(u"2.1"), u"2.1.0.0"));
    EXPECT_FALSE(kavitro::IsNewerRelease(Version{}, u"0.0.0.0"));
    EXPECT_FALSE(kavitro::IsNewerRelease(Version{}, u"newest"));
}

TEST(Version, ProgramVersionComesFromTheBuild) {
    EXPECT_EQ(kavitro::ProgramVersionString(), kavitro::ProgramVersion().ToString());
    EXPECT_GT(kavitro::ProgramVersion().Packed(), 0u);
    EXPECT_TRUE(kavitro::GetHomePageUrl().isEmpty());  // no check unless a packager sets an address
}

TEST(Version, ReleasePageMarker) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"<p>Latest Release Version: 2.1.0.6 </p>", u"2.1.0.6"},
        {u"x Latest Release Version: 2.10 and more", u"2.10"},
        {u"Latest Release Version: 2.1.0.6 ", u"0.0.0.0"},       // marker at the very start
        {u"no marker here 2.1.0.6 ", u"0.0.0.0"},
        {u"x Latest Release Version: 2.1.0.6", u"0.0.0.0"},      // no blank after the version
        {u"x Latest Release Version:  2.1 ", u"0.0.0.0"},        // blank right at the version's start
        {u"x Latest Release Version:2.1 : 3.0 ", u"3.0"},        // the first ": " after the marker
        {u"x Latest Release Version: garbage! ", u"garbage!"},   // parsed later, never newer
        {u"", u"0.0.0.0"},
    };
    for (const auto& [page, latest] : cases) {
        SCOPED_TRACE(QString::fromUtf16(page).toStdString());
        EXPECT_EQ(kavitro::GetLatestReleaseVersion(QStringView(page)), QString::fromUtf16(latest));
    }
}

TEST(Version, DayNumberAndWhenToCheck) {
    const QDateTime origin(QDate(2020, 1, 1), QTime(1, 1, 1));
    EXPECT_EQ(kavitro::DayNumber(origin), 0);
    EXPECT_EQ(kavitro::DayNumber(origin.addSecs(86399)), 0);
    EXPECT_EQ(kavitro::DayNumber(origin.addSecs(86400)), 1);
    EXPECT_EQ(kavitro::DayNumber(origin.addSecs(-1)), 0);           // truncated toward zero
    EXPECT_EQ(kavitro::DayNumber(origin.addSecs(-86401)), -1);
    EXPECT_EQ(kavitro::DayNumber(QDateTime(QDate(2020, 2, 1), QTime(12, 0))), 31);
    EXPECT_EQ(kavitro::DayNumber(QDateTime(QDate(9000, 1, 1), QTime(0, 0))), 2549392);

    constexpr qint32 kMax = std::numeric_limits<qint32>::max();
    struct Case {
        bool on;
        qint32 today, period, last;
        bool due;
    };
    const Case cases[] = {
        {true, 31, 30, 0, true},   {true, 30, 30, 0, false},  {false, 31, 30, 0, false},
        {true, 31, 0, 31, false},  {true, 32, 0, 31, true},   {true, 5, kMax, kMax, false},  // no wrap-around
        {true, 5, -10, 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kavitro::IsUpdateCheckDue(c.on, c.today, c.period, c.last), c.due)
            << c.today << " " << c.period << " " << c.last;
}

}  // namespace
