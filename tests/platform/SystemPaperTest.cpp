// The paper a printer-less computer uses: named papers, the papersize file,
// the locale, and which of them wins.

#include <gtest/gtest.h>

#include "platform/SystemPaper.h"

namespace {

using kavitro::Size;
using kavitro::SystemPaperSources;

constexpr Size kA4{21000, 29700};
constexpr Size kLetter{21590, 27940};

TEST(SystemPaperTest, KnowsThePapersByNameInAnyCase) {
    EXPECT_EQ(kavitro::PaperOfName("a4"), kA4);
    EXPECT_EQ(kavitro::PaperOfName("Letter"), kLetter);
    EXPECT_EQ(kavitro::PaperOfName("LEGAL"), (Size{21590, 35560}));
    EXPECT_EQ(kavitro::PaperOfName("a5"), (Size{14800, 21000}));
    EXPECT_FALSE(kavitro::PaperOfName("").has_value());
    EXPECT_FALSE(kavitro::PaperOfName("a4x").has_value());
}

TEST(SystemPaperTest, ThePapersizeFileNamesItsFirstNonCommentLine) {
    EXPECT_EQ(kavitro::PaperNameOfFile("a4\n"), "a4");
    EXPECT_EQ(kavitro::PaperNameOfFile("# set by the installer\n\n  letter  # US\na5\n"), "letter");
    EXPECT_EQ(kavitro::PaperNameOfFile("# nothing\n   \n"), "");
    EXPECT_EQ(kavitro::PaperNameOfFile(""), "");
}

TEST(SystemPaperTest, TheLocaleGivesItsPaperInHundredthsOfAMillimetre) {
    // The C locale of the C library prints on A4.
    EXPECT_EQ(kavitro::PaperOfLocale("C"), kA4);
    EXPECT_FALSE(kavitro::PaperOfLocale("xx_NOWHERE.UTF-8").has_value());
}

TEST(SystemPaperTest, TheVariableThenAChosenLocaleThenTheFileDecide) {
    struct Case {
        const char* what;
        SystemPaperSources sources;
        Size expected;
    };
    const Case cases[] = {
        {"the variable beats the file", {"letter", "", "a5\n"}, kLetter},
        {"an unknown variable is passed over", {"bogus", "", "a5\n"}, Size{14800, 21000}},
        {"a locale that is not installed is passed over", {"", "xx_NOWHERE.UTF-8", "letter"}, kLetter},
        {"C.UTF-8 is the plain C locale", {"", "C.UTF-8", "a5"}, Size{14800, 21000}},
        {"the plain C locale leaves it to the file", {"", "C", "letter\n"}, kLetter},
        {"nothing set: the C locale's paper", {"", "", ""}, kA4},
        {"a file without a known paper", {"", "POSIX", "# none\nfoolscap\n"}, kA4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(kavitro::SystemPaper(c.sources), c.expected);
    }
}

}  // namespace
