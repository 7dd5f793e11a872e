// Code-page filters: the file reader and its refusals, the conversion of
// bytes (with visual-order lines), the sorted list of a folder, and the
// filters the build makes from the system's iconv tables.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input/CodePageTranslator.h"
#include "tests/support/FileBytes.h"
#include "tests/support/Iconv.h"
#include "platform/Archive.h"

namespace kavitro {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Filter = CCodePageTranslator;

using test::ReadFile;
using test::WriteFile;

// A filter that maps every byte to its own code (ASCII letters and digits
// pass as themselves), with a few records set by the test.
Filter IdentityFilter(std::u16string name = u"Test", std::int32_t visualOrder = 0) {
    Filter filter;
    filter.m_header.m_id = std::u16string(Filter::kFilterId);
    filter.m_header.m_displayName = std::move(name);
    filter.m_header.m_visualOrder = visualOrder;
    filter.m_records.resize(Filter::kRecordCount);
    for (std::size_t i = 0; i + 1 < Filter::kRecordCount; ++i)
        filter.m_records[i].m_units = {static_cast<std::uint16_t>(Filter::kFirstMappedByte + i)};
    return filter;
}

void Map(Filter& filter, std::uint8_t byte, std::vector<std::uint16_t> units) {
    filter.m_records[byte - Filter::kFirstMappedByte].m_units = std::move(units);
}

std::vector<std::vector<std::uint16_t>> RecordsOf(const Filter& filter) {
    std::vector<std::vector<std::uint16_t>> records;
    for (const CTranslatedUnicodeChar& record : filter.m_records)
        records.push_back(record.m_units);
    return records;
}

std::u16string Translate(const Filter& filter, std::string_view bytes) {
    return filter.Translate(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

struct TranslationCase {
    std::string_view bytes;
    std::u16string expected;
};

void ExpectTranslations(const Filter& filter, std::initializer_list<TranslationCase> cases) {
    for (const TranslationCase& c : cases)
        EXPECT_EQ(Translate(filter, c.bytes), c.expected) << c.bytes;
}

// --- The file ---------------------------------------------------------------------------

TEST(CodePageFilterFile, StoresAndLoadsEveryField) {
    Filter stored = IdentityFilter(u"\u0641\u0627\u0631\u0633\u06CC", 1);
    Map(stored, 'A', {0x0627});
    Map(stored, 'B', {});
    Map(stored, 'C', {0x0644, 0x0627});
    Map(stored, 0xFF, {0x06CC});
    const Bytes bytes = stored.StoreToBytes();
    // id 38 bytes, name 4 + 2 * 5, flag 4, 224 counts, and the units.
    std::size_t units = 0;
    for (const CTranslatedUnicodeChar& record : stored.m_records)
        units += record.m_units.size();
    EXPECT_EQ(bytes.size(), 38u + 14u + 4u + 224u * 4u + 2u * units);

    Filter loaded;
    EXPECT_EQ(loaded.m_loaded, 0);
    ASSERT_EQ(loaded.LoadFromBytes(bytes), Filter::kLoaded);
    EXPECT_EQ(loaded.m_loaded, 1);
    EXPECT_EQ(loaded.m_header.m_id, Filter::kFilterId);
    EXPECT_EQ(loaded.m_header.m_displayName, stored.m_header.m_displayName);
    EXPECT_EQ(loaded.m_header.m_visualOrder, 1);
    EXPECT_EQ(RecordsOf(loaded), RecordsOf(stored));

    // Bytes after the last record are ignored.
    Bytes longer = bytes;
    longer.insert(longer.end(), {1, 2, 3});
    Filter again;
    ASSERT_EQ(again.LoadFromBytes(longer), Filter::kLoaded);
    EXPECT_EQ(RecordsOf(again), RecordsOf(stored));

    Filter copy;
    copy.Copy(loaded);
    EXPECT_EQ(copy.m_header.m_displayName, loaded.m_header.m_displayName);
    EXPECT_EQ(copy.m_loaded, 1);
    EXPECT_EQ(RecordsOf(copy), RecordsOf(loaded));
}

TEST(CodePageFilterFile, IdInTheEightBitStringFormLoads) {
    const Bytes utf16 = IdentityFilter(u"N").StoreToBytes();
    Bytes eightBit{17};
    for (char c : std::string_view("DefaultKB_Kavitro"))
        eightBit.push_back(static_cast<std::uint8_t>(c));
    eightBit.insert(eightBit.end(), utf16.begin() + 38, utf16.end());
    Filter filter;
    EXPECT_EQ(filter.LoadFromBytes(eightBit), Filter::kLoaded);
    EXPECT_EQ(filter.m_header.m_displayName, u"N");
}

// Every refusal leaves the translator as it was: a damaged file never
// leaves half a filter behind.
TEST(CodePageFilterFile, RefusedFilesLeaveTheTranslatorUntouched) {
    const Filter good = IdentityFilter(u"Good");
    const Bytes goodBytes = good.StoreToBytes();

    auto withId = [](std::u16string id) {
        Filter f = IdentityFilter();
        f.m_header.m_id = std::move(id);
        return f.StoreToBytes();
    };
    Filter short223 = IdentityFilter();
    short223.m_records.pop_back();
    Bytes negative = goodBytes;  // the first record's count (after id, name "Good", flag)
    const std::size_t firstCount = 38 + 4 + 8 + 4;
    negative[firstCount + 3] = 0x80;
    Bytes huge = goodBytes;
    huge[firstCount] = 0xFF;
    huge[firstCount + 1] = 0xFF;
    huge[firstCount + 2] = 0xFF;
    huge[firstCount + 3] = 0x7F;
    Bytes lastRecordCut = goodBytes;
    lastRecordCut.resize(lastRecordCut.size() - 1);  // record 223 is empty: its count is cut

    const struct {
        const char* what;
        Bytes bytes;
        int expected;
    } cases[] = {
        {"user-layout id", withId(u"UserDefinedKB_Kavitro"), Filter::kWrongId},
        {"id in another case", withId(u"defaultkb_kavitro"), Filter::kWrongId},
        {"empty id", withId(u""), Filter::kWrongId},
        {"223 records", short223.StoreToBytes(), Filter::kFailed},
        {"negative count", negative, Filter::kFailed},
        {"count beyond the file", huge, Filter::kFailed},
        {"last record cut", lastRecordCut, Filter::kFailed},
        {"empty file", {}, Filter::kFailed},
    };
    for (const auto& c : cases) {
        Filter filter = IdentityFilter(u"Before");
        Map(filter, 'A', {0x0627});
        EXPECT_EQ(filter.LoadFromBytes(c.bytes), c.expected) << c.what;
        EXPECT_EQ(filter.m_header.m_displayName, u"Before") << c.what;
        EXPECT_EQ(filter.m_records['A' - 0x21].m_units, std::vector<std::uint16_t>{0x0627}) << c.what;
    }
    // Every proper prefix of a good file is refused.
    for (std::size_t n = 0; n < goodBytes.size(); ++n) {
        Filter filter;
        ASSERT_EQ(filter.LoadFromBytes(std::span(goodBytes).first(n)), Filter::kFailed) << n;
        ASSERT_TRUE(filter.m_records.empty());
    }
}

TEST(CodePageFilterFile, MissingFileFails) {
    Filter filter;
    EXPECT_EQ(filter.LoadFromFile(fs::path(::testing::TempDir()) / "no-such-filter.kvp"), Filter::kFailed);
}

// --- Translation -------------------------------------------------------------------------

TEST(CodePageTranslation, BytesThroughTheirRecords) {
    Filter filter = IdentityFilter();
    Map(filter, 'A', {0x0627});
    Map(filter, 'B', {});
    Map(filter, 'C', {0x0644, 0x0627});
    Map(filter, 0xFF, {0x06CC});
    Map(filter, ' ' + 1, {0x0621});  // '!' : the first record
    ExpectTranslations(filter, {
        {"A", u"\u0627"},
        {"B", u""},
        {"C", u"\u0644\u0627"},
        {"\xFF", u"\u06CC"},
        {"!", u"\u0621"},
        {"A B\r\nA", u"\u0627 \r\n\u0627"},
        {std::string_view("\0\t\x1F ", 4), std::u16string(u"\0\t\x1F ", 4)},
    });
}

TEST(CodePageTranslation, VisualOrderLinesAndDigitRuns) {
    Filter filter = IdentityFilter(u"Visual", 1);
    for (char digit = '0'; digit <= '9'; ++digit)
        Map(filter, static_cast<std::uint8_t>(digit), {static_cast<std::uint16_t>(0x06F0 + (digit - '0'))});
    Map(filter, 'X', {0x0633});
    ExpectTranslations(filter, {
        // The line is reversed; the digit run comes back in reading order.
        {"1234 X", u"\u0633 \u06F1\u06F2\u06F3\u06F4"},
        // A single digit keeps its (reversed) place.
        {"1 X", u"\u0633 \u06F1"},
        // Each line on its own; CR LF ends a line and an empty one.
        {"ab\r\ncd", u"ba\r\ndc"},
        {"ab\ncd\n", u"ba\ndc\n"},
        {"12\r34", u"\u06F1\u06F2\r\u06F3\u06F4"},
        {"", u""},
    });

    // ASCII digits and Arabic-Indic digits are not put back.
    Map(filter, '1', {'1'});
    Map(filter, '2', {'2'});
    Map(filter, '3', {0x0661});
    Map(filter, '4', {0x0662});
    EXPECT_EQ(Translate(filter, "12 34"), u"\u0662\u0661 21");
}

// --- The list --------------------------------------------------------------------------------

TEST(CodePageList, ValidFiltersSortedByFileName) {
    const fs::path folder = fs::path(::testing::TempDir()) / "kavitro-code-page-list";
    fs::remove_all(folder);
    fs::create_directories(folder / "d.kvp");  // a folder, not a filter
    WriteFile(folder / "b.kvp", IdentityFilter(u"Second").StoreToBytes());
    WriteFile(folder / "a.kvp", IdentityFilter(u"First").StoreToBytes());
    WriteFile(folder / "c.kvp", [] {
        Filter f = IdentityFilter(u"Wrong id");
        f.m_header.m_id = u"UserDefinedKB_Kavitro";
        return f.StoreToBytes();
    }());
    Bytes cut = IdentityFilter(u"Cut").StoreToBytes();
    cut.resize(cut.size() - 4);
    WriteFile(folder / "0.kvp", cut);
    WriteFile(folder / "e.txt", IdentityFilter(u"Not a kvp").StoreToBytes());

    const std::vector<Filter> filters = FillCodepageList(folder);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].m_header.m_displayName, u"First");
    EXPECT_EQ(filters[1].m_header.m_displayName, u"Second");
    EXPECT_EQ(filters[1].m_loaded, 1);

    const Bytes a{'a'};
    EXPECT_EQ(TranslateWithFilter(filters, 1, a), u"a");
    EXPECT_THROW(TranslateWithFilter(filters, 2, a), InvalidArgumentException);
    EXPECT_TRUE(FillCodepageList(folder / "missing").empty());
    EXPECT_THROW(TranslateWithFilter({}, 0, a), InvalidArgumentException);
    fs::remove_all(folder);
}

// --- The installed filters ---------------------------------------------------------------------

const fs::path kFilterFolder = fs::path(KAVITRO_SHARE_DIR) / "filter";

TEST(InstalledCodePageFilters, FilesHaveTheirTagsAndSizes) {
    const struct {
        const char* file;
        std::u16string name;
        std::size_t mappedBytes;  // bytes 0x21..0xFF with a non-empty record
        std::size_t size;
    } files[] = {
        // 223 bytes less DEL.
        {"Windows-1256.kvp", u"Windows-1256", 222, 70 + 224 * 4 + 2 * 222},
        // Less DEL, the 32 C1 controls, the 4 unassigned codes and 0xFF (DEL).
        {"ISIRI-3342.kvp", u"ISIRI 3342", 185, 66 + 224 * 4 + 2 * 185},
    };
    for (const auto& f : files) {
        const Bytes bytes = ReadFile(kFilterFolder / f.file);
        EXPECT_EQ(bytes.size(), f.size) << f.file;
        Filter filter;
        ASSERT_EQ(filter.LoadFromBytes(bytes), Filter::kLoaded) << f.file;
        EXPECT_EQ(filter.m_header.m_id, Filter::kFilterId);
        EXPECT_EQ(filter.m_header.m_displayName, f.name);
        EXPECT_EQ(filter.m_header.m_visualOrder, 0);
        // Nothing after the last record: the file is what storing it writes.
        EXPECT_EQ(filter.StoreToBytes(), bytes) << f.file;
        std::size_t mapped = 0;
        for (const CTranslatedUnicodeChar& record : filter.m_records)
            mapped += record.m_units.empty() ? 0 : 1;
        EXPECT_EQ(mapped, f.mappedBytes) << f.file;
        EXPECT_TRUE(filter.m_records.back().m_units.empty()) << f.file;
        // The tag, as the first bytes: the UTF-16 archive string.
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ((Bytes{bytes.begin(), bytes.begin() + 4}), (Bytes{0xFF, 0xFE, 0xFF, 17})) << f.file;
    }

    const std::vector<Filter> filters = FillCodepageList(kFilterFolder);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].m_header.m_displayName, u"ISIRI 3342");
    EXPECT_EQ(filters[1].m_header.m_displayName, u"Windows-1256");
}

struct ByteCase {
    std::uint8_t byte;
    std::u16string expected;  // empty: the byte is dropped
};

void ExpectBytes(const char* file, std::initializer_list<ByteCase> cases) {
    Filter filter;
    ASSERT_EQ(filter.LoadFromFile(kFilterFolder / file), Filter::kLoaded) << file;
    for (const ByteCase& c : cases) {
        const Bytes one{c.byte};
        EXPECT_EQ(filter.Translate(one), c.expected) << file << " byte " << std::hex << int{c.byte};
    }
}

TEST(InstalledCodePageFilters, Windows1256Bytes) {
    ExpectBytes("Windows-1256.kvp", {
        {0x20, u" "}, {0x0D, u"\r"}, {0x0A, u"\n"}, {0x41, u"A"}, {0x7E, u"~"},
        {0x81, u"\u067E"}, {0x8D, u"\u0686"}, {0x8E, u"\u0698"}, {0x90, u"\u06AF"}, {0x98, u"\u06A9"},
        {0x9D, u"\u200C"}, {0xA1, u"\u060C"}, {0xBA, u"\u061B"}, {0xBF, u"\u061F"},
        {0xC1, u"\u0621"}, {0xC2, u"\u0622"}, {0xC7, u"\u0627"}, {0xC8, u"\u0628"}, {0xCA, u"\u062A"},
        {0xD8, u"\u0637"}, {0xDF, u"\u0643"}, {0xE1, u"\u0644"}, {0xE6, u"\u0648"}, {0xED, u"\u064A"},
        {0xD7, u"\u00D7"}, {0xFF, u"\u06D2"},
        // Dropped: DEL.
        {0x7F, u""},
    });
}

TEST(InstalledCodePageFilters, Isiri3342Bytes) {
    ExpectBytes("ISIRI-3342.kvp", {
        {0x20, u" "}, {0x41, u"A"}, {0xA0, u" "}, {0xA1, u"\u200C"}, {0xAC, u"\u060C"},
        {0xB0, u"\u06F0"}, {0xB9, u"\u06F9"}, {0xBB, u"\u061B"}, {0xBF, u"\u061F"},
        {0xC0, u"\u0622"}, {0xC1, u"\u0627"}, {0xC2, u"\u0621"}, {0xC4, u"\u067E"}, {0xC8, u"\u0686"},
        {0xCF, u"\u0698"}, {0xDA, u"\u06A9"}, {0xDB, u"\u06AF"}, {0xDF, u"\u0648"}, {0xE0, u"\u0647"},
        {0xE1, u"\u06CC"}, {0xF8, u"\u0623"}, {0xFE, u"\u064A"},
        // Dropped: the C1 range, which iconv maps to the C0 controls (0x8A
        // would be a line feed, 0x8D a carriage return), the unassigned codes
        // and DEL.
        {0x80, u""}, {0x89, u""}, {0x8A, u""}, {0x8D, u""}, {0x9F, u""},
        {0xEC, u""}, {0xEF, u""}, {0xFF, u""}, {0x7F, u""},
    });
}

// Text encoded by the system's iconv comes back through the filters.
TEST(InstalledCodePageFilters, IconvEncodedTextRoundTrips) {
    const struct {
        const char* file;
        const char* codePage;
        std::u16string text;
    } cases[] = {
        {"Windows-1256.kvp", "WINDOWS-1256",
         u"\u0633\u0644\u0627\u0645 \u06AF\u0686\u067E\u0698\u060C 1234\r\n\u06A9\u062A\u0627\u0628\u061F"},
        {"ISIRI-3342.kvp", "ISIRI-3342",
         u"\u0633\u0644\u0627\u0645 \u062F\u0646\u06CC\u0627\u060C \u06F1\u06F2\u06F3\u06F4\r\n\u06AF\u0686\u067E\u0698 \u06A9\u062A\u0627\u0628\u061F"},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> encoded = test::Iconv(c.codePage, c.text);
        ASSERT_FALSE(encoded.empty()) << c.codePage;
        Filter filter;
        ASSERT_EQ(filter.LoadFromFile(kFilterFolder / c.file), Filter::kLoaded) << c.file;
        EXPECT_EQ(filter.Translate(encoded), c.text) << c.file;
    }
}

// No byte from 0x21 on becomes a control code in either filter.
TEST(InstalledCodePageFilters, NoByteBecomesAControlCode) {
    for (const Filter& filter : FillCodepageList(kFilterFolder)) {
        for (unsigned byte = 0x21; byte <= 0xFF; ++byte) {
            const Bytes one{static_cast<std::uint8_t>(byte)};
            for (char16_t unit : filter.Translate(one))
                EXPECT_FALSE(unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) << std::hex << byte;
        }
    }
}

}  // namespace
}  // namespace kavitro
