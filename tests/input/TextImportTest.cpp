// Text import: byte-order marks, the conversion of files the system's iconv
// makes in every supported encoding, and UTF-16 text files written back.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "input/TextImport.h"
#include "platform/Exceptions.h"
#include "tests/support/FileBytes.h"
#include "tests/support/Iconv.h"

namespace kavitro {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kFilterFolder = fs::path(KAVITRO_SHARE_DIR) / "filter";

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TextImport, OnlyCompleteMarksCount) {
    const struct {
        Bytes bytes;
        TextByteOrderMark mark;
    } cases[] = {
        {{}, TextByteOrderMark::None},
        {{0xFF}, TextByteOrderMark::None},
        {{0xEF, 0xBB}, TextByteOrderMark::None},
        {{0xEF, 0xBB, 0x41}, TextByteOrderMark::None},
        {{0xEF, 0xBB, 0xBF}, TextByteOrderMark::Utf8},
        {{0xFF, 0xFE}, TextByteOrderMark::Utf16LE},
        {{0xFE, 0xFF, 0x06}, TextByteOrderMark::Utf16BE},
        {{0xFE, 0xFE}, TextByteOrderMark::None},
        {{0xC7, 0xE1}, TextByteOrderMark::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectByteOrderMark(c.bytes), c.mark) << c.bytes.size();
}

// Files made by iconv in each encoding come back as the source text, stored
// to a file and read as the wizard reads them; saved as UTF-16 they round-trip.
TEST(TextImport, IconvFilesConvertAndRoundTrip) {
    const std::vector<CCodePageTranslator> filters = FillCodepageList(kFilterFolder);
    ASSERT_EQ(filters.size(), 2u);  // ISIRI 3342, Windows-1256
    const std::u16string persian =
        u"\u0633\u0644\u0627\u0645 \u06AF\u0686\u067E\u0698\u060C 12\r\n\u06A9\u062A\u0627\u0628\u061F";
    const std::u16string isiri =
        u"\u0633\u0644\u0627\u0645 \u06CC\u06AF\u0686\u060C \u06F1\u06F2\r\n\u06A9\u062A\u0627\u0628\u061F";
    const struct {
        const char* name;
        Bytes mark;
        const char* encoding;
        std::u16string text;
        std::size_t filter;
    } cases[] = {
        {"utf8", {0xEF, 0xBB, 0xBF}, "UTF-8", persian, 99},
        {"utf16le", {0xFF, 0xFE}, "UTF-16LE", persian + u"\U0001F600", 99},
        {"utf16be", {0xFE, 0xFF}, "UTF-16BE", persian, 99},
        {"cp1256", {}, "WINDOWS-1256", persian, 1},
        {"isiri", {}, "ISIRI-3342", isiri, 0},
    };
    const fs::path dir = fs::path(testing::TempDir()) / "text_import";
    fs::create_directories(dir);
    for (const auto& c : cases) {
        const Bytes encoded = test::Iconv(c.encoding, c.text);
        ASSERT_FALSE(encoded.empty()) << c.name;
        const fs::path source = dir / (std::string(c.name) + ".txt");
        test::WriteFile(source, Concat(c.mark, encoded));
        const auto bytes = ReadImportSource(source);
        ASSERT_TRUE(bytes.has_value()) << c.name;
        const std::u16string text = ConvertToUnicode(*bytes, filters, c.filter);
        EXPECT_EQ(text, c.text) << c.name;

        const fs::path saved = dir / (std::string(c.name) + ".utf16.txt");
        ASSERT_TRUE(SaveUtf16TextFile(saved, text)) << c.name;
        const Bytes savedBytes = test::ReadFile(saved);
        EXPECT_EQ(savedBytes, Concat({0xFF, 0xFE}, test::Iconv("UTF-16LE", c.text))) << c.name;
        EXPECT_EQ(ConvertToUnicode(savedBytes, {}, 0), c.text) << c.name;
    }
}

TEST(TextImport, FaultySourcesAndEdges) {
    // Invalid UTF-8 gives nothing rather than a partial text.
    EXPECT_EQ(ConvertToUnicode(Bytes{0xEF, 0xBB, 0xBF, 'a', 0xC3}, {}, 0), u"");
    // A trailing odd byte of UTF-16 is dropped; controls and U+FEFF pass.
    EXPECT_EQ(ConvertToUnicode(Bytes{0xFF, 0xFE, 0x0A, 0x00, 0xFF, 0xFE, 0x33}, {}, 0), u"\n\uFEFF");
    EXPECT_EQ(ConvertToUnicode(Bytes{0xFE, 0xFF, 0x06, 0x33, 0x00}, {}, 0), u"\u0633");
    // An unmarked source needs a filter that exists.
    EXPECT_THROW(ConvertToUnicode(Bytes{'a', 'b'}, {}, 0), InvalidArgumentException);
    // A text that starts with a mark is saved with that one mark only.
    EXPECT_EQ(EncodeUtf16TextFile(u"\uFEFFa"), (Bytes{0xFF, 0xFE, 'a', 0}));
    EXPECT_EQ(EncodeUtf16TextFile(u""), (Bytes{0xFF, 0xFE}));
    // A missing file, or a folder, is not a source.
    EXPECT_FALSE(ReadImportSource(fs::path(testing::TempDir()) / "no_such_import.txt").has_value());
    EXPECT_FALSE(ReadImportSource(fs::path(testing::TempDir())).has_value());
}

}  // namespace
}  // namespace kavitro
