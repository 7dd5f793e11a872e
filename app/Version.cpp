#include "app/Version.h"

#include <QDate>
#include <QTime>
#include <algorithm>
#include <limits>

#ifndef KAVITRO_VERSION
#error "KAVITRO_VERSION must name the project version"
#endif
#ifndef KAVITRO_RELEASE_URL
#define KAVITRO_RELEASE_URL ""
#endif

namespace kavitro {

std::optional<Version> Version::Parse(QStringView text) {
    Version v;
    std::size_t part = 0;
    qsizetype i = 0;
    for (;;) {
        if (part == v.parts.size())
            return std::nullopt;
        std::uint32_t value = 0;
        int digits = 0;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
            value = value * 10 + (text[i].unicode() - u'0');
            if (++digits > 5 || value > 0xFFFF)
                return std::nullopt;
            ++i;
        }
        if (digits == 0)
            return std::nullopt;
        v.parts[part++] = static_cast<std::uint16_t>(value);
        if (i == text.size())
            return v;
        if (text[i] != u'.')
            return std::nullopt;
        ++i;
    }
}

Version Version::FromPacked(std::uint64_t packed) {
    Version v;
    for (int k = 0; k < 4; ++k)
        v.parts[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(packed >> (48 - 16 * k));
    return v;
}

std::uint64_t Version::Packed() const {
    std::uint64_t packed = 0;
    for (std::uint16_t p : parts)
        packed = packed << 16 | p;
    return packed;
}

QString Version::ToString() const {
    return QStringLiteral("%1.%2.%3.%4").arg(parts[0]).arg(parts[1]).arg(parts[2]).arg(parts[3]);
}

Version ProgramVersion() {
    static const Version version = Version::Parse(QStringLiteral(KAVITRO_VERSION)).value_or(Version{});
    return version;
}

QString ProgramVersionString() { return ProgramVersion().ToString(); }

QString GetHomePageUrl() { return QStringLiteral(KAVITRO_RELEASE_URL); }

QString GetLatestReleaseVersion(QStringView page) {
    const QString none = QStringLiteral("0.0.0.0");
    const qsizetype i = page.indexOf(u"Latest Release Version:");
    if (i <= 0)
        return none;
    const qsizetype j = page.indexOf(u": ", i);
    if (j < 0)
        return none;
    const qsizetype s = j + 2;
    const qsizetype k = page.indexOf(u' ', s);
    if (k <= s)
        return none;
    return page.mid(s, k - s).toString();
}

qint32 DayNumber(const QDateTime& now) {
    const QDateTime origin(QDate(2020, 1, 1), QTime(1, 1, 1));  // local time
    const qint64 days = origin.secsTo(now) / 86400;              // truncates toward zero
    return static_cast<qint32>(std::clamp<qint64>(days, std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max()));
}

bool IsUpdateCheckDue(bool checkForUpdates, qint32 today, qint32 period, qint32 lastCheck) {
    return checkForUpdates && qint64{today} > qint64{period} + qint64{lastCheck};
}

bool IsNewerRelease(const Version& program, QStringView announced) {
    const std::optional<Version> latest = Version::Parse(announced);
    return latest && *latest > program;
}

}  // namespace kavitro
