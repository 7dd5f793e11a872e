// The readers of language-pack and release-page bytes: ParsePackStrings
// (strings.txt), ParsePackManifest (pack.json), FormatConversions and
// FormatText (a pack's format strings), GetLatestReleaseVersion and
// Version::Parse (the release page). The first byte chooses the reader, the
// rest is its input.
//
// Beyond "no crash": every string read is numbered 1..65535 and not blank,
// and written out again reads back to the same strings; a manifest read has
// its values in range; a format accepted fills with arguments of its own
// conversions and refuses one argument more; the announced version is
// "0.0.0.0" or a blank-free piece of the page, and a version that parses
// prints and parses to itself.

#include <QByteArray>
#include <QStringDecoder>

#include "FuzzSupport.h"
#include "app/FormatString.h"
#include "app/LanguagePack.h"
#include "app/Version.h"

namespace kavitro::fuzz {
namespace {

enum Reader : std::uint8_t { kStrings, kManifest, kFormat, kReleasePage, kReaderCount };

QByteArray Escaped(const PackStrings& parsed) {
    QByteArray out;
    for (const auto& [id, text] : parsed.strings) {
        QString escaped = text;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n"));
        escaped.replace(u'\t', QStringLiteral("\\t"));
        out += QByteArray::number(id) + '\t' + escaped.toUtf8() + '\n';
    }
    return out;
}

void FuzzStrings(QByteArrayView bytes) {
    const std::optional<PackStrings> parsed = ParsePackStrings(bytes);
    if (!parsed)
        return;
    for (const auto& [id, text] : parsed->strings) {
        KAVITRO_FUZZ_CHECK(id >= 1 && id <= 0xFFFF);
        KAVITRO_FUZZ_CHECK(!text.trimmed().isEmpty());
    }
    const std::optional<PackStrings> again = ParsePackStrings(Escaped(*parsed));
    KAVITRO_FUZZ_CHECK(again && again->strings == parsed->strings && again->problems.isEmpty());
}

void FuzzManifest(QByteArrayView bytes) {
    const std::optional<PackManifest> manifest = ParsePackManifest(bytes);
    if (!manifest)
        return;
    KAVITRO_FUZZ_CHECK(Version::Parse(manifest->version).has_value());
    KAVITRO_FUZZ_CHECK(manifest->fontPointSize >= 4 && manifest->fontPointSize <= 72);
    for (const auto& [id, hot] : manifest->cursorHotSpots)
        KAVITRO_FUZZ_CHECK(id >= 1 && id <= 0xFFFF && hot.first >= 0 && hot.first <= 255 && hot.second >= 0 &&
                           hot.second <= 255);
}

void FuzzFormat(const QString& format) {
    const std::optional<std::string> conversions = FormatConversions(format);
    std::vector<FormatArgument> arguments;
    if (conversions) {
        for (char c : *conversions) {
            if (c == 'd')
                arguments.emplace_back(-1234567890123LL);
            else if (c == 'f')
                arguments.emplace_back(-1.5e300);
            else
                arguments.emplace_back(QStringLiteral("متن"));
        }
    }
    const std::optional<QString> filled = FormatText(format, arguments);
    KAVITRO_FUZZ_CHECK(filled.has_value() == conversions.has_value());
    arguments.emplace_back(1LL);
    KAVITRO_FUZZ_CHECK(!FormatText(format, arguments).has_value());
}

void FuzzReleasePage(const QString& page) {
    const QString latest = GetLatestReleaseVersion(page);
    KAVITRO_FUZZ_CHECK(latest == u"0.0.0.0" || (page.contains(latest) && !latest.contains(u' ')));
    if (const std::optional<Version> v = Version::Parse(latest)) {
        KAVITRO_FUZZ_CHECK(Version::Parse(v->ToString()) == v);
        KAVITRO_FUZZ_CHECK(Version::FromPacked(v->Packed()) == *v);
    }
}

void FuzzLanguagePack(std::span<const std::uint8_t> input) {
    if (input.empty())
        return;
    const QByteArrayView bytes(input.data() + 1, static_cast<qsizetype>(input.size() - 1));
    switch (input[0] % kReaderCount) {
        case kStrings: FuzzStrings(bytes); break;
        case kManifest: FuzzManifest(bytes); break;
        case kFormat: FuzzFormat(QString::fromUtf8(bytes)); break;
        case kReleasePage: FuzzReleasePage(QString::fromUtf8(bytes)); break;
    }
}

Bytes Seed(Reader reader, std::string_view text) {
    Bytes bytes{reader};
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

}  // namespace
}  // namespace kavitro::fuzz

std::vector<kavitro::fuzz::Bytes> KavitroFuzzSeeds() {
    using namespace kavitro::fuzz;
    return {
        Seed(kStrings, "# comment\n11015\tOK\r\n11006\t1X: %.2f %s\\tY: %.2f %s\n11012\tPoint (%d%%)\\n\\\\\n"),
        Seed(kStrings, "11015\t\xD8\xAA\xD8\xA3\xDB\x8C\xDB\x8C\xD8\xAF\n9990\t\xC2\xAB%s\xC2\xBB (%s)\n"),
        Seed(kManifest, R"({"format": 1, "name": "Farsi", "version": "2.0.0.0", "rightToLeft": true,)"
                        R"( "dialogFont": {"family": "DejaVu Sans", "pointSize": 9},)"
                        R"( "cursors": {"10204": [15, 15], "161": [0, 31]}})"),
        Seed(kFormat, "1X: %.2f %s   Y: %-8.2f %s 100%%"),
        Seed(kFormat, "%+05d %e %G %10.3s"),
        Seed(kReleasePage, "<html><p>Kavitro Latest Release Version: 2.10.0.1 </p></html>"),
        Seed(kReleasePage, "x Latest Release Version:2 : 65535.65535.65535.65535 "),
    };
}

KAVITRO_FUZZ_ENTRY(kavitro::fuzz::FuzzLanguagePack)
