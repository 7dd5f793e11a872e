#pragma once

// Version strings, the day number and the rules of the update check.
//
// A version is four 16-bit parts shown as "%d.%d.%d.%d". Versions compare as
// numbers, part by part, so "2.10" is newer than "2.9" (a comparison of the
// texts would say the opposite).

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <array>
#include <compare>
#include <cstdint>
#include <optional>

namespace kavitro {

struct Version {
    std::array<std::uint16_t, 4> parts{};

    // One to four decimal parts (each at most 65535) joined by '.'; missing
    // parts are 0. Nothing for any other text, blanks included.
    static std::optional<Version> Parse(QStringView text);
    static Version FromPacked(std::uint64_t packed);

    std::uint64_t Packed() const;
    QString ToString() const;  // always four parts: "2.1.0.5"

    friend auto operator<=>(const Version&, const Version&) = default;
};

// The program's version, from the project version of the build.
Version ProgramVersion();
QString ProgramVersionString();

// The address of the release page; empty unless the packager configured one
// (then the update check is off).
QString GetHomePageUrl();

// The version that a release page announces: the text after
// "Latest Release Version: " up to the next blank; "0.0.0.0" when the marker
// is absent or at the very start of the page, or no blank follows.
QString GetLatestReleaseVersion(QStringView page);

// Whole days since 2020-01-01 01:01:01 local time, truncated toward zero and
// kept within 32 bits.
qint32 DayNumber(const QDateTime& now);

// Whether the update check runs today: it is on and more than `period` days
// have passed since `lastCheck`. Computed in 64 bits, so that no stored value
// can wrap the sum.
bool IsUpdateCheckDue(bool checkForUpdates, qint32 today, qint32 period, qint32 lastCheck);

// Whether the announced version is newer than the program's; a text that is
// no version is never newer.
bool IsNewerRelease(const Version& program, QStringView announced);

}  // namespace kavitro
