#include "platform/UserNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kavitro {
namespace {

struct NumberCase {
    const char16_t* text;
    std::optional<double> whole;    // the text as one number
    std::optional<double> leading;  // the number at its start
};

TEST(UserNumber, ReadsEveryDigitFormAndRefusesWhatIsNotANumber) {
    const NumberCase cases[] = {
        {u"15", 15, 15},
        {u"  -2.5 ", -2.5, -2.5},
        {u"+7", 7, 7},
        {u"\u22123", -3, -3},             // minus sign
        {u"\u06F1\u06F2.\u06F5", 12.5, 12.5},  // Persian digits
        {u"\u0661\u0669\u066B\u0665", 19.5, 19.5},  // Arabic-Indic digits, Arabic decimal separator
        {u".5", 0.5, 0.5},
        {u"3.", 3, 3},
        {u"12abc", std::nullopt, 12},
        {u"1,5", std::nullopt, 1},        // no comma fraction whatever the locale
        {u"1e3", std::nullopt, 1},        // no exponent
        {u"1.2.3", std::nullopt, 1.2},
        {u"", std::nullopt, std::nullopt},
        {u"abc", std::nullopt, std::nullopt},
        {u"-", std::nullopt, std::nullopt},
        {u".", std::nullopt, std::nullopt},
        {u"nan", std::nullopt, std::nullopt},
        {u"inf", std::nullopt, std::nullopt},
        {u"-0", 0, 0},
        {u"1234567890123456789012345678901234567890123", std::nullopt, std::nullopt},  // too many digits
    };
    for (const NumberCase& c : cases) {
        const std::u16string_view text(c.text);
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        EXPECT_EQ(ParseUserNumber(text), c.whole);
        const std::optional<LeadingNumber> leading = ParseLeadingNumber(text);
        ASSERT_EQ(leading.has_value(), c.leading.has_value());
        if (leading) {
            EXPECT_EQ(leading->value, *c.leading);
            if (*c.leading == 0) {
                EXPECT_FALSE(std::signbit(leading->value));  // "-0" reads as 0
            }
        }
    }
}

TEST(UserNumber, ConvertsToIntegersOnlyAfterClamping) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ClampToRange(1e300, 2, 100), 100);
    EXPECT_EQ(ClampToRange(-inf, 2, 100), 2);
    EXPECT_EQ(ClampToRange(nan, 2, 100), 2);
    EXPECT_EQ(ClampToRange(25.9, 2, 100), 25);
    EXPECT_EQ(ClampToRange(3e9, INT32_MIN, INT32_MAX), INT32_MAX);

    EXPECT_EQ(ParseUserInteger(u"15", 1, 1000), 15);
    EXPECT_EQ(ParseUserInteger(u"\u06F1\u06F0\u06F0\u06F0", 1, 1000), 1000);
    EXPECT_EQ(ParseUserInteger(u"2.9", 1, 1000), 2);
    EXPECT_EQ(ParseUserInteger(u"1001", 1, 1000), std::nullopt);
    EXPECT_EQ(ParseUserInteger(u"0", 1, 1000), std::nullopt);
    EXPECT_EQ(ParseUserInteger(u"99999999999999999999", 1, 1000), std::nullopt);
    EXPECT_EQ(ParseUserInteger(u"x", 1, 1000), std::nullopt);
}

}  // namespace
}  // namespace kavitro
