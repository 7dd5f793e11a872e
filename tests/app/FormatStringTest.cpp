#include <gtest/gtest.h>

#include "app/FormatString.h"

namespace {

using kavitro::FormatArgument;
using kavitro::FormatConversions;
using kavitro::FormatText;

TEST(FormatString, ConversionsAcceptedAndRefused) {
    struct Case {
        const char16_t* format;
        const char* conversions;  // nullptr: refused
    };
    const Case cases[] = {
        {u"", ""},
        {u"plain text", ""},
        {u"100%% done", ""},
        {u"%d", "d"},
        {u"%i", "d"},
        {u"%.2f %s, %.2f %s", "fsfs"},
        {u"%-8s|%+05d|%e|%G", "sdff"},
        {u"1X: %.2f %s", "fs"},
        {u"%n", nullptr},        // writes memory
        {u"%x", nullptr},        // not a conversion any caller passes
        {u"%ld", nullptr},       // length modifiers change the argument's size
        {u"%*d", nullptr},       // width from an argument
        {u"%1$s", nullptr},      // positional
        {u"%#d", nullptr},       // undefined for integers
        {u"%1234d", nullptr},    // absurd padding
        {u"%.1234f", nullptr},
        {u"%5%", nullptr},
        {u"50%", nullptr},       // lone percent at the end
        {u"% ", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.format).toStdString());
        const std::optional<std::string> got = FormatConversions(QStringView(c.format));
        if (c.conversions) {
            ASSERT_TRUE(got.has_value());
            EXPECT_EQ(*got, c.conversions);
        } else {
            EXPECT_FALSE(got.has_value());
        }
    }
}

TEST(FormatString, FillsOnlyMatchingArguments) {
    EXPECT_EQ(FormatText(u"X: %.2f %s", {1.5, QStringLiteral("mm")}), QStringLiteral("X: 1.50 mm"));
    EXPECT_EQ(FormatText(u"Point size (%d%%)", {100LL}), QStringLiteral("Point size (100%)"));
    EXPECT_EQ(FormatText(u"[%-4s][%4s][%.1s]", {QStringLiteral("ab"), QStringLiteral("cd"), QStringLiteral("xyz")}),
              QStringLiteral("[ab  ][  cd][x]"));
    EXPECT_EQ(FormatText(u"«%s» ok", {QStringLiteral("فارسی")}), QStringLiteral("«فارسی» ok"));
    EXPECT_EQ(FormatText(u"%05d|%+.1e", {42LL, 1234.5}), QStringLiteral("00042|+1.2e+03"));

    EXPECT_FALSE(FormatText(u"%d", {1.5}).has_value());                     // wrong kind
    EXPECT_FALSE(FormatText(u"%s", {42LL}).has_value());
    EXPECT_FALSE(FormatText(u"%s %s", {QStringLiteral("one")}).has_value());  // too few
    EXPECT_FALSE(FormatText(u"plain", {42LL}).has_value());                   // too many
    EXPECT_FALSE(FormatText(u"%n", {}).has_value());
}

}  // namespace
