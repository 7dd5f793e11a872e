// The print switch where nobody can answer a window: which platforms allow
// an answer, and that a message then becomes a line on the stream and the
// run goes on with the default answer.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/CommandLinePrint.h"
#include "document/StringIds.h"

namespace kavitro {
namespace {

TEST(CommandLinePrint, OnlyPlatformsWithAScreenAreInteractive) {
    const struct {
        const char16_t* platform;
        bool interactive;
    } cases[] = {{u"offscreen", false}, {u"minimal", false}, {u"MinimalEGL", false},
                 {u"xcb", true},        {u"wayland", true},  {u"", true}};
    for (const auto& c : cases)
        EXPECT_EQ(IsInteractivePlatform(QStringView(c.platform)), c.interactive)
            << QString::fromUtf16(c.platform).toStdString();
}

TEST(CommandLinePrint, AConsoleReportWritesEachMessageAndAnswersTheDefault) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ConsoleErrorReport report(stream);
    report.SetTexts([](std::uint32_t id) {
        return id == StringId::NoPrinter ? QStringLiteral("No printer \u0686\u0627\u067E") : QString();
    });
    EXPECT_EQ(report.ReportError(StringId::NoPrinter, MessageButtons::Ok, MessageIcon::Error), DialogResult::Ok);
    EXPECT_EQ(report.ReportError(u"Cannot open a.kv2", MessageButtons::YesNoCancel), DialogResult::Yes);
    EXPECT_EQ(report.ReportError(StringId::PrintFailed, MessageButtons::RetryCancel), DialogResult::Retry);
    EXPECT_EQ(report.ReportFileError(StringId::NoPrinter, u"a.kv2", StringId::ReasonPrinterRefused), DialogResult::Ok);
    std::rewind(stream);
    std::string written(256, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), stream));
    std::fclose(stream);
    EXPECT_EQ(
        QString::fromStdString(written),
        QStringLiteral("kavitro: No printer \u0686\u0627\u067E\nkavitro: Cannot open a.kv2\nkavitro: message %1\n"
                       "kavitro: No printer \u0686\u0627\u067E\n\u2068a.kv2\u2069\nmessage %2\n")
            .arg(StringId::PrintFailed)
            .arg(StringId::ReasonPrinterRefused));
}

}  // namespace
}  // namespace kavitro
