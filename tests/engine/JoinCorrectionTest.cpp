// Joins closed where glyphs are placed: inside a connected letter group each
// letter's placed exit meets the placed entry of the letter after it, the
// group's last joined letter staying put; the fonts' join-point table is
// taken whole or not at all.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/CalligraphyFont.h"
#include "engine/GlyphFace.h"
#include "engine/JoinCorrection.h"
#include "engine/JoinPointTable.h"
#include "platform/DcPath.h"
#include "tests/engine/TestGlyphMetrics.h"
#include "tests/engine/TestVectorPaths.h"
#include "tests/support/FileBytes.h"
#include "tests/support/JoinPointTable.h"

namespace kavitro {
namespace {

using test::MakeCharacter;
using test::TestGlyphMetrics;

constexpr std::uint16_t kBeh = 0x0628, kAlef = 0x0627, kDal = 0x062F, kReh = 0x0631, kSpace = 0x0020,
                        kDigitOne = 0x06F1;

// Letters whose joins close at different heights and places, a transparent
// slot, and a final form that is only joined into.
const GlyphId kLevel = MakeGlyph(1, 40);    // joins at y 20 on both sides
const GlyphId kSloped = MakeGlyph(1, 41);   // enters high and inside its right edge, leaves low and inside its left
const GlyphId kBlank = MakeGlyph(1, 42);    // no join points
const GlyphId kFinal = MakeGlyph(1, 43);    // an entry only

class JoinCorrectionTest : public ::testing::Test {
protected:
    JoinCorrectionTest() {
        m_metrics.SetAbc(kSloped, {10, 100, 10});
        m_metrics.SetAbc(kBlank, {0, 0, 30});
        m_metrics.SetJoinPoints(kLevel, {true, true, {100, 20}, {0, 20}});
        m_metrics.SetJoinPoints(kSloped, {true, true, {90, 40}, {6, -12}});
        m_metrics.SetJoinPoints(kFinal, {true, false, {100, 0}, {}});
    }

    // Where a join point of character i lies once placed: leftward from the
    // word's start, and downward in glyph units times 750 (exact for lifts
    // in steps of 25 y units).
    std::pair<std::int64_t, std::int64_t> Placed(const CCalligraphyWord& word,
                                                 const std::vector<JoinCorrection>& corrections, std::size_t i,
                                                 bool exit) const {
        const CCalligraphyCharacter& c = word.m_characters[i];
        const GlyphJoinPoints points = m_metrics.GetJoinPoints(c.GetGlyph());
        const Point p = exit ? points.exit : points.entry;
        const std::int64_t advance = m_metrics.GetReferenceAbc(c.GetGlyph()).Advance();
        const std::int64_t x = word.GetWidthOfFirst(static_cast<std::int32_t>(i), m_metrics) + advance - p.x +
                               corrections[i].dx;
        const std::int64_t y = std::int64_t{c.m_yOffset} * 2160 + (std::int64_t{corrections[i].dy} - p.y) * 750;
        return {x, y};
    }

    void ExpectJoined(const CCalligraphyWord& word, const std::vector<JoinCorrection>& corrections, std::size_t a,
                      std::size_t b) const {
        EXPECT_EQ(Placed(word, corrections, a, true), Placed(word, corrections, b, false))
            << "the exit of letter " << a << " meets the entry of letter " << b;
    }

    TestGlyphMetrics m_metrics;
};

CCalligraphyWord Word(std::vector<CCalligraphyCharacter> characters) {
    return test::MakeWordAt(std::move(characters), 0, 0);
}

TEST_F(JoinCorrectionTest, ChainRunsBackwardsFromTheLastJoinedLetter) {
    // Lowered by the 25 y units (72 glyph units) its neighbour sits lower.
    const CCalligraphyWord pair = Word({MakeCharacter(kLevel, kBeh, -25), MakeCharacter(kLevel, kBeh, 0)});
    EXPECT_EQ(GetJoinCorrections(pair, m_metrics), (std::vector<JoinCorrection>{{0, 72}, {0, 0}}));

    const CCalligraphyWord word = Word({MakeCharacter(kLevel, kBeh, -50), MakeCharacter(kSloped, kBeh, -25),
                                        MakeCharacter(kLevel, kBeh, -100), MakeCharacter(kFinal, kBeh, 0)});
    const std::vector<JoinCorrection> corrections = GetJoinCorrections(word, m_metrics);
    ASSERT_EQ(corrections.size(), 4u);
    EXPECT_EQ(corrections[3], JoinCorrection{}) << "the group's last letter sits where its lift puts it";
    for (std::size_t i = 0; i + 1 < 4; ++i)
        ExpectJoined(word, corrections, i, i + 1);
    EXPECT_EQ(word.m_characters[0].m_yOffset, -50) << "stored lifts stay as typed";
}

TEST_F(JoinCorrectionTest, TransparentGlyphsPassTheChainAcross) {
    const CCalligraphyWord word = Word({MakeCharacter(kSloped, kBeh, -25), MakeCharacter(kBlank, kBeh, -75),
                                        MakeCharacter(kBlank, kBeh, 0), MakeCharacter(kLevel, kBeh, -50),
                                        MakeCharacter(kFinal, kBeh, 0)});
    const std::vector<JoinCorrection> corrections = GetJoinCorrections(word, m_metrics);
    ExpectJoined(word, corrections, 0, 3);
    ExpectJoined(word, corrections, 3, 4);
    EXPECT_EQ(corrections[1], corrections[3]) << "a blank moves with the letter the chain reaches next";
    EXPECT_EQ(corrections[2], corrections[3]);
}

TEST_F(JoinCorrectionTest, GroupsEndAtSpacesDigitsPunctuationAndLettersThatDoNotJoin) {
    struct Case {
        const char* name;
        std::vector<CCalligraphyCharacter> characters;
        std::vector<std::pair<std::size_t, std::size_t>> joined;
        std::vector<std::size_t> unmoved;
    };
    const std::vector<Case> cases = {
        {"a space ends the group",
         {MakeCharacter(kSloped, kBeh, -25), MakeCharacter(kLevel, kBeh, -50), MakeCharacter(kLevel, kSpace, 25)},
         {{0, 1}},
         {1, 2}},
        {"alef joins nothing after it",
         {MakeCharacter(kLevel, kBeh, -25), MakeCharacter(kLevel, kAlef, 0), MakeCharacter(kSloped, kBeh, -50),
          MakeCharacter(kLevel, kBeh, -75)},
         {{0, 1}, {2, 3}},
         {1, 3}},
        {"a digit stands alone",
         {MakeCharacter(kLevel, kBeh, -25), MakeCharacter(kLevel, kDigitOne, 0), MakeCharacter(kLevel, kBeh, -50)},
         {},
         {0, 1, 2}},
        {"dal joins a reh", {MakeCharacter(kLevel, kDal, -25), MakeCharacter(kLevel, kReh, 0)}, {{0, 1}}, {1}},
        {"dal joins no beh", {MakeCharacter(kLevel, kDal, -25), MakeCharacter(kLevel, kBeh, 0)}, {}, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CCalligraphyWord word = Word(c.characters);
        const std::vector<JoinCorrection> corrections = GetJoinCorrections(word, m_metrics);
        ASSERT_EQ(corrections.size(), c.characters.size());
        for (const auto& [a, b] : c.joined)
            ExpectJoined(word, corrections, a, b);
        for (const std::size_t i : c.unmoved)
            EXPECT_EQ(corrections[i], JoinCorrection{}) << "character " << i;
    }
}

// Two level letters a hundred units apart whose dots (100 wide, 60 high)
// hang at one depth and would touch: one group steps aside, the first that
// lands clear of the other dots and of the letters' ink.
TEST_F(JoinCorrectionTest, DotsOfNeighbouringLettersStepApartWhereTheyLandClear) {
    const GlyphId kOther = MakeGlyph(1, 44);  // a level letter with an outline of its own
    const GlyphId kDot = MakeGlyph(kMarkFont, 35);
    constexpr std::uint16_t kTeh = 0x062A;  // dots above; the beh's hang below
    m_metrics.SetJoinPoints(kOther, {true, true, {100, 20}, {0, 20}});
    m_metrics.SetAbc(kDot, {0, 100, 0});
    m_metrics.SetOutline(kDot, 30, 30);
    for (const GlyphId g : {kLevel, kOther}) {
        m_metrics.SetAnchor(g, true, {-60, -100});
        m_metrics.SetAnchor(g, false, {-60, 300});
    }
    struct Case {
        const char* name;
        std::uint16_t code;
        std::vector<Point> firstInk, secondInk;  // a point of each letter's outline, or none
        JoinCorrection first, second;
    };
    const std::vector<Case> cases = {
        {"the later dots step down", kBeh, {}, {}, {}, {0, 0, 0, 100}},
        {"above, the later dots step up", kTeh, {}, {}, {}, {0, 0, 0, -100}},
        {"ink under the later dots moves the earlier ones", kBeh, {}, {{-10, -200}}, {0, 0, 0, 100}, {}},
        {"ink under both moves the earlier dots back", kBeh, {{-10, -200}}, {{-10, -200}}, {0, 0, -40, 0}, {}},
        {"ink everywhere near leaves them", kBeh, {{-10, -200}, {90, -100}}, {{-10, -200}, {-110, -100}}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TestVectorPaths paths;
        if (!c.firstInk.empty()) paths.Set(kLevel, std::vector<std::uint8_t>(c.firstInk.size(), PT_MOVETO), c.firstInk);
        if (!c.secondInk.empty()) paths.Set(kOther, std::vector<std::uint8_t>(c.secondInk.size(), PT_MOVETO), c.secondInk);
        CCalligraphyCharacter first = MakeCharacter(kLevel, c.code), second = MakeCharacter(kOther, c.code);
        first.m_mark = second.m_mark = 35;
        const std::vector<JoinCorrection> corrections = GetJoinCorrections(Word({first, second}), m_metrics);
        ASSERT_EQ(corrections.size(), 2u);
        EXPECT_EQ(corrections[0], c.first);
        EXPECT_EQ(corrections[1], c.second);
    }
}

TEST(JoinCorrectionWithoutJoinPointsTest, EveryCorrectionIsZero) {
    TestGlyphMetrics metrics;
    const CCalligraphyWord word = test::MakeWordAt(
        {MakeCharacter(kLevel, kBeh, -50), MakeCharacter(kSloped, kBeh, 75), MakeCharacter(kLevel, kBeh, 0)}, 0, 0);
    EXPECT_EQ(GetJoinCorrections(word, metrics), std::vector<JoinCorrection>(3));
    EXPECT_TRUE(GetJoinCorrections(CCalligraphyWord{}, metrics).empty());
}

// --- The table ------------------------------------------------------------------

TEST(JoinPointTableTest, TakesAWholeTableAndRefusesADamagedOne) {
    const std::vector<GlyphJoinPoints> records = {{}, {true, false, {-3, 4}, {}}, {true, true, {2880, -300}, {0, 7}}};
    const std::vector<std::uint8_t> sound = test::JoinPointTableBytes(records);
    EXPECT_EQ(ParseJoinPointTable(sound), records);

    auto changed = [&](auto change) {
        std::vector<std::uint8_t> bytes = sound;
        change(bytes);
        return bytes;
    };
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> damaged = {
        {"empty", {}},
        {"header cut", {0, 1, 0}},
        {"last record cut", changed([](auto& b) { b.pop_back(); })},
        {"a byte beyond the records", changed([](auto& b) { b.push_back(0); })},
        {"another version", changed([](auto& b) { b[1] = 2; })},
        {"more records than it holds", changed([](auto& b) { b[3] = 4; })},
        {"an unknown flag", changed([](auto& b) { b[4 + 10 + 1] |= 4; })},
        {"more than 256 records",
         test::JoinPointTableBytes(std::vector<GlyphJoinPoints>(257, {true, true, {1, 1}, {1, 1}}))},
    };
    for (const auto& [name, bytes] : damaged)
        EXPECT_TRUE(ParseJoinPointTable(bytes).empty()) << name;
}

// The build's font 1 with one table more: the directory grows by one record,
// so every table moves 16 bytes on, and the new table goes at the end.
std::vector<std::uint8_t> WithTable(const std::vector<std::uint8_t>& font, std::uint32_t tag,
                                    const std::vector<std::uint8_t>& table) {
    auto u16 = [&](std::size_t at) { return std::size_t{font[at]} << 8 | font[at + 1]; };
    auto put32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    const std::size_t count = u16(4);
    const std::size_t directoryEnd = 12 + 16 * count;
    std::vector<std::uint8_t> out(font.begin(), font.begin() + static_cast<std::ptrdiff_t>(directoryEnd));
    out.resize(directoryEnd + 16);
    out.insert(out.end(), font.begin() + static_cast<std::ptrdiff_t>(directoryEnd), font.end());
    out.resize((out.size() + 3) / 4 * 4);
    out[4] = static_cast<std::uint8_t>((count + 1) >> 8);
    out[5] = static_cast<std::uint8_t>(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 12 + 16 * i + 8;
        const std::uint32_t offset = std::uint32_t{out[at]} << 24 | std::uint32_t{out[at + 1]} << 16 |
                                     std::uint32_t{out[at + 2]} << 8 | out[at + 3];
        put32(out, at, offset + 16);
    }
    put32(out, directoryEnd, tag);
    put32(out, directoryEnd + 8, static_cast<std::uint32_t>(out.size()));
    put32(out, directoryEnd + 12, static_cast<std::uint32_t>(table.size()));
    out.insert(out.end(), table.begin(), table.end());
    return out;
}

class JoinPointFontTest : public ::testing::Test {
protected:
    JoinPointFontTest() {
        m_folder = std::filesystem::temp_directory_path() /
                   ("kavitro-joins-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder / "fonts");
        const std::filesystem::path share = KAVITRO_SHARE_DIR;
        for (const auto& entry : std::filesystem::directory_iterator(share))
            if (entry.is_regular_file()) std::filesystem::copy_file(entry.path(), m_folder / entry.path().filename());
        for (int f = 2; f <= 5; ++f) {
            const std::string name = "Vorl2" + std::to_string(f) + ".ttf";
            std::filesystem::copy_file(share / "fonts" / name, m_folder / "fonts" / name);
        }
        m_font1 = test::ReadFile(share / "fonts" / "Vorl21.ttf");
    }
    ~JoinPointFontTest() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path WriteFont1(const std::vector<std::uint8_t>& table) const {
        const std::filesystem::path file = m_folder / "fonts" / "Vorl21.ttf";
        test::WriteFile(file, WithTable(m_font1, kJoinPointTableTag, table));
        return file;
    }

    std::filesystem::path m_folder;
    std::vector<std::uint8_t> m_font1;
};

// Glyphs of font 1 that the placeholder artwork draws.
const GlyphId kFirst = MakeGlyph(1, 66);
const GlyphId kSecond = MakeGlyph(1, 195);

TEST_F(JoinPointFontTest, AFontReadsItsTableOnceAndIgnoresADamagedOne) {
    std::vector<GlyphJoinPoints> records(200);
    records[GlyphIndex(kFirst)] = {true, true, {500, 120}, {40, 300}};
    records[GlyphIndex(kSecond)] = {true, false, {900, -60}, {}};
    const std::vector<std::uint8_t> table = test::JoinPointTableBytes(records);
    CFreeTypeLibrary library;
    {
        const auto face = CGlyphFace::OpenFile(library.Get(), WriteFont1(table), "Vorl21");
        ASSERT_TRUE(face->HasJoinPoints());
        EXPECT_EQ(face->GetJoinPoints(GlyphIndex(kFirst), face->GetUnitsPerEm()), records[GlyphIndex(kFirst)]);
        EXPECT_EQ(face->GetJoinPoints(199, face->GetUnitsPerEm()), GlyphJoinPoints{});
        EXPECT_EQ(face->GetJoinPoints(200, face->GetUnitsPerEm()), GlyphJoinPoints{}) << "beyond the records";
    }
    std::vector<std::uint8_t> cut = table;
    cut.pop_back();
    const auto damaged = CGlyphFace::OpenFile(library.Get(), WriteFont1(cut), "Vorl21");
    EXPECT_FALSE(damaged->HasJoinPoints());
    EXPECT_EQ(damaged->GetJoinPoints(GlyphIndex(kFirst), damaged->GetUnitsPerEm()), GlyphJoinPoints{});
}

TEST_F(JoinPointFontTest, TheGlyphFontObjectClosesJoinsWithItsFontsTables) {
    std::vector<GlyphJoinPoints> records(256);
    records[GlyphIndex(kFirst)] = {true, true, {500, 120}, {40, 300}};
    records[GlyphIndex(kSecond)] = {true, false, {900, -60}, {}};
    WriteFont1(test::JoinPointTableBytes(records));
    CCalligraphyFont font;
    font.Init(m_folder, 0);
    ASSERT_TRUE(font.HasJoinPoints());
    const GlyphJoinPoints first = font.GetJoinPoints(kFirst), second = font.GetJoinPoints(kSecond);
    EXPECT_TRUE(first.hasExit && second.hasEntry);
    EXPECT_EQ(font.GetJoinPoints(MakeGlyph(2, GlyphIndex(kFirst))), GlyphJoinPoints{}) << "font 2 has no table";

    const CCalligraphyWord word =
        test::MakeWordAt({MakeCharacter(kFirst, kBeh, -25), MakeCharacter(kSecond, kBeh, 0)}, 0, 0);
    const std::vector<JoinCorrection> corrections = GetJoinCorrections(word, font);
    ASSERT_EQ(corrections.size(), 2u);
    EXPECT_EQ(corrections[1], JoinCorrection{});
    const std::int64_t advance1 = font.GetReferenceAbc(kFirst).Advance();
    const std::int64_t advance2 = font.GetReferenceAbc(kSecond).Advance();
    // Exit of the first, entry of the second: leftward and downward (y units
    // of -25 are -72 glyph units).
    EXPECT_EQ(advance1 - first.exit.x + corrections[0].dx, advance1 + advance2 - second.entry.x);
    EXPECT_EQ(-72 - first.exit.y + corrections[0].dy, -second.entry.y);

    CCalligraphyFont without;
    std::filesystem::copy_file(KAVITRO_SHARE_DIR "/fonts/Vorl21.ttf", m_folder / "fonts" / "Vorl21.ttf",
                               std::filesystem::copy_options::overwrite_existing);
    without.Init(m_folder, 0);
    EXPECT_FALSE(without.HasJoinPoints());
    EXPECT_EQ(GetJoinCorrections(word, without), std::vector<JoinCorrection>(2));
}

}  // namespace
}  // namespace kavitro
