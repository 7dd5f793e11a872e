// Version-1.x documents: files written here from the byte layout are read,
// converted into version-2 objects and refused whole when anything is short,
// damaged or out of range.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>

#include <QFile>

#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "document/Kavitro1XDoc.h"
#include "document/MetafilePicture.h"
#include "engine/CalligraphyFont.h"
#include "engine/GlyphMetrics.h"
#include "tests/document/DocumentFixture.h"
#include "tests/support/Version1File.h"

namespace kavitro {
namespace {

using test::Version1Character;
using test::Version1File;
using test::Version1Page;
using test::Version1Picture;
using test::Version1Point;
using test::Version1Text;

constexpr std::uint8_t kBeh = 61, kAlef = 60;

// A text at (x, y) of version 1.x (y grows downward, the text runs leftward
// from x): beh and alef.
Version1Text Text(float x, float y, std::uint32_t color = 0x0000FF, std::int32_t angleTenths = 0) {
    Version1Text t;
    t.color = color;
    t.size = 20;
    t.angleTenths = angleTenths;
    t.x = x;
    t.y = y;
    t.characters = {Version1Character{133, kBeh, x - 30, y}, Version1Character{30, kAlef, x - 60, y}};
    return t;
}

// Two pages: a picture on the first and one on every page, a text on each,
// and a vowel sign just above the letters of the first text.
Version1File TwoPages() {
    Version1File file;
    Version1Page first;
    first.pictures.push_back(Version1Picture{1, 40, 60, 100, 80});
    first.texts.push_back(Text(400, 300));
    first.points.push_back(Version1Point{7, 376, 295, 1.5f, 0});
    Version1Page second;
    second.pictures.push_back(Version1Picture{2, 10, 20, 30, 40});
    second.texts.push_back(Text(0, 200, 0x00FF00));  // a text at x = 0
    file.pages = {first, second};
    return file;
}

struct Version1Fixture : ::testing::Test {
    test::TestServices services;

    static void SetUpTestSuite() {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
    }

    std::unique_ptr<CKavitro1XDoc> Load(const std::vector<std::uint8_t>& bytes, std::string* error = nullptr,
                                        std::optional<std::int32_t> screenWidth = std::nullopt) {
        auto doc = std::make_unique<CKavitro1XDoc>(services.services, screenWidth);
        doc->OnNewDocument();
        std::string why;
        if (!doc->LoadFromBytes(bytes, "test.kvl", &why)) {
            if (error) *error = why;
            return nullptr;
        }
        return doc;
    }
};

std::vector<CDrawText*> Texts(CKavitroDoc& doc) {
    std::vector<CDrawText*> texts;
    for (CDrawObj* o : doc.m_objects.m_objects)
        if (auto* t = dynamic_cast<CDrawText*>(o)) texts.push_back(t);
    return texts;
}

std::vector<CDrawPicture*> Pictures(CKavitroDoc& doc) {
    std::vector<CDrawPicture*> pictures;
    for (CDrawObj* o : doc.m_objects.m_objects)
        if (auto* p = dynamic_cast<CDrawPicture*>(o)) pictures.push_back(p);
    return pictures;
}

TEST_F(Version1Fixture, PagesPicturesTextsAndVowelSignsBecomeVersion2Objects) {
    const auto doc = Load(test::WriteVersion1File(TwoPages()));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->GetPageCount(), 2u);
    EXPECT_EQ(doc->GetPageSize(), (Size{21000, 29700}));
    EXPECT_EQ(doc->m_margins, Rect(1000, 1400, 1200, 1600));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(doc->IsConversionPending());
    EXPECT_TRUE(doc->m_objects.m_undo.empty());

    const auto pictures = Pictures(*doc);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0]->m_nPage, 0u);
    EXPECT_EQ(pictures[1]->m_nPage, kEveryPageFlags | 1);
    for (const CDrawPicture* p : pictures) {
        EXPECT_EQ(p->m_nPictureType, CDrawPicture::VectorPicture);
        EXPECT_EQ(p->m_bLoaded, 1u);
        ASSERT_TRUE(p->m_pMetafile && p->m_pMetafile->HasMetafile());
        EXPECT_EQ(p->m_pMetafile->GetType(), CMetafilePicture::Wmf);
    }
    // Factor 25 (the file's own screen width): 100 x 80 becomes 2500 x 2000,
    // mirrored like every object (left is the larger x).
    const Rect& picture = pictures[0]->m_position.m_rect;
    EXPECT_EQ(picture.left - picture.right, 2500);
    EXPECT_EQ(picture.bottom - picture.top, 2000);

    const auto texts = Texts(*doc);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->m_nPage, 0u);
    EXPECT_EQ(texts[1]->m_nPage, 1u);
    EXPECT_EQ(texts[0]->m_nSize, 500);
    EXPECT_EQ(texts[0]->m_color, 0x0000FFu);
    EXPECT_EQ(texts[1]->m_color, 0x00FF00u);
    EXPECT_EQ(texts[0]->m_paragraph.GetCharacterCount(), 2);

    // The sign went onto the first text, above its baseline.
    ASSERT_EQ(doc->m_oldExtraPoints.size(), 1u);
    EXPECT_EQ(doc->m_oldExtraPoints[0].page, CKavitro1XDoc::kAttached);
    EXPECT_FLOAT_EQ(doc->m_oldExtraPoints[0].third, 1.5f * 25 * 10);
    ASSERT_EQ(texts[0]->m_paragraph.m_points.size(), 1u);
    // Its place relative to the laid-out text's baseline point, with the
    // offset every object moved by (the picture's right edge was 40 * 25).
    const CCalligraphyPoint& sign = texts[0]->m_paragraph.m_points[0];
    const std::int32_t dx = picture.right - 1000, dy = picture.bottom + 1500;
    const Point baseline = texts[0]->GetZoomedBaselinePoint();
    EXPECT_EQ(sign.m_sign, 7);
    EXPECT_EQ(sign.m_x, MulDiv(376 * 25 + dx - baseline.x, 2160, 500) +
                            GetGlyphMetrics().GetReferenceAbc(MakeGlyph(4, 7)).Advance());
    EXPECT_EQ(sign.m_y, MulDiv(-295 * 25 + dy - baseline.y, 2160, 500));
    EXPECT_GT(sign.m_y, 0);  // above the baseline
    EXPECT_TRUE(texts[1]->m_paragraph.m_points.empty());

    // Everything moved by one offset: the rightmost and highest ink meets
    // the margins.
    std::int32_t maxX = std::numeric_limits<std::int32_t>::min(), maxY = maxX;
    for (const CDrawObj* o : doc->m_objects.m_objects) {
        CPolygonRect z;
        o->GetZoomedPosition(z);
        maxX = std::max({maxX, z.m_bounds.left, z.m_bounds.right});
        maxY = std::max({maxY, z.m_bounds.top, z.m_bounds.bottom});
    }
    EXPECT_EQ(maxX, -1000);
    EXPECT_EQ(maxY, -1400);

    // Stored as version 2 and loaded back, the same objects.
    const std::vector<std::uint8_t> stored = doc->StoreToBytes();
    auto again = test::NewDocument(services.services);
    std::string error;
    ASSERT_TRUE(again->LoadFromBytes(stored, "again.kv2", &error)) << error;
    EXPECT_EQ(again->StoreToBytes(), stored);
    EXPECT_EQ(again->m_objects.m_objects.size(), 4u);
}

TEST_F(Version1Fixture, HeaderVariantsAndEdgeCasesLoad) {
    struct Case {
        const char* name;
        std::function<void(Version1File&)> change;
        std::function<void(CKavitro1XDoc&)> check;
    };
    const Case cases[] = {
        {"no pages: the default page and nothing on it", [](Version1File& f) { f.pages.clear(); },
         [](CKavitro1XDoc& d) {
             EXPECT_EQ(d.GetPageCount(), 1u);
             EXPECT_TRUE(d.m_objects.m_objects.empty());
         }},
        {"portrait order of the page values",
         [](Version1File& f) { f.landscape = 0; },
         [](CKavitro1XDoc& d) {
             EXPECT_EQ(d.GetPageSize(), (Size{29700, 21000}));
             EXPECT_EQ(d.m_margins, Rect(1400, 1000, 1600, 1200));
         }},
        {"a page without pictures starts with its text block",
         [](Version1File& f) { f.pages[0].pictures.clear(); },
         [](CKavitro1XDoc& d) { EXPECT_EQ(Pictures(d).size(), 1u); }},
        {"signs in use are clamped to 50",
         [](Version1File& f) { f.pages[0].pointsInUse = 1000; },
         [](CKavitro1XDoc& d) { EXPECT_EQ(d.m_oldExtraPoints.size(), 50u); }},
        {"negative signs in use read none",
         [](Version1File& f) { f.pages[0].pointsInUse = -7; },
         [](CKavitro1XDoc& d) { EXPECT_TRUE(d.m_oldExtraPoints.empty()); }},
        {"a sign turned unlike every text stays unattached",
         [](Version1File& f) { f.pages[0].points[0].angleTenths = 300; },
         [](CKavitro1XDoc& d) {
             ASSERT_EQ(d.m_oldExtraPoints.size(), 1u);
             EXPECT_EQ(d.m_oldExtraPoints[0].page, 0);
             EXPECT_EQ(d.m_oldExtraPoints[0].angle, 330);
         }},
        {"a turned text takes a sign turned alike",
         [](Version1File& f) {
             f.pages[0].texts[0].angleTenths = -300;
             f.pages[0].points[0].angleTenths = -300;
         },
         [](CKavitro1XDoc& d) {
             EXPECT_EQ(Texts(d)[0]->m_position.m_nAngle, 30);
             EXPECT_EQ(Texts(d)[0]->m_paragraph.m_points.size(), 1u);
         }},
        {"a text of only a space is purged",
         [](Version1File& f) { f.pages[1].texts[0].characters = {Version1Character{32, 32, 0, 200}}; },
         [](CKavitro1XDoc& d) { EXPECT_EQ(Texts(d).size(), 1u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Version1File file = TwoPages();
        c.change(file);
        std::string error;
        const auto doc = Load(test::WriteVersion1File(file), &error);
        ASSERT_TRUE(doc) << error;
        c.check(*doc);
    }
}

TEST(Version1Angles, TenthsRoundHalfDownAndTurnTheOtherWay) {
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {0, 0}, {-15, 2}, {25, 358}, {-16, 2}, {26, 357}, {3600, 0}, {-3605, 1},
        {std::numeric_limits<std::int32_t>::min(), 85}, {std::numeric_limits<std::int32_t>::max(), 275},
    };
    for (const auto& [tenths, degrees] : cases)
        EXPECT_EQ(CKavitro1XDoc::ExtraPointAngle(tenths), degrees) << tenths;
}

TEST_F(Version1Fixture, DamagedFilesAreRefusedWholeAndTheOpenDocumentStays) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        std::function<void(Version1File&)> change;
        std::optional<std::int32_t> screenWidth = std::nullopt;
    };
    const Case cases[] = {
        {"written on a screen of width 0", [](Version1File& f) { f.screenWidth = 0; }},
        {"shown on a screen of width 0", [](Version1File&) {}, 0},
        {"shown on a screen of negative width", [](Version1File&) {}, -1024},
        {"a page size that is not a number", [nan](Version1File& f) { f.pageValues[0] = nan; }},
        {"a page height of 0", [](Version1File& f) { f.pageValues[1] = 0; }},
        {"a negative margin", [](Version1File& f) { f.pageValues[3] = -1; }},
        {"a page larger than any zoom holds", [](Version1File& f) { f.pageValues[0] = 1e9f; }},
        {"more pages than the file holds", [](Version1File& f) { f.pageCount = 3; }},
        {"a page count near 2^32", [](Version1File& f) { f.pageCount = 0xFFFFFFFF; }},
        {"a page number beyond the pages", [](Version1File& f) { f.pages[1].number = 3; }},
        {"a negative page number", [](Version1File& f) { f.pages[1].number = -1; }},
        {"a text size that is not a number", [nan](Version1File& f) { f.pages[0].texts[0].size = nan; }},
        {"a negative text size", [](Version1File& f) { f.pages[0].texts[0].size = -20; }},
        {"an infinite text position", [inf](Version1File& f) { f.pages[0].texts[0].x = inf; }},
        {"a text far off the page", [](Version1File& f) { f.pages[0].texts[0].y = 3e6f; }},
        {"a character without a glyph", [](Version1File& f) { f.pages[0].texts[0].characters[0].font = 9; }},
        {"a vowel sign that is not a number", [nan](Version1File& f) { f.pages[0].points[0].x = nan; }},
        {"a picture far off the page", [](Version1File& f) { f.pages[0].pictures[0].x = 2'000'000'000; }},
        {"a picture that is not a metafile", [](Version1File& f) { f.pages[0].pictures[0].records = {1, 2, 3, 4}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Version1File file = TwoPages();
        c.change(file);
        CKavitro1XDoc doc(services.services, c.screenWidth);
        doc.OnNewDocument();
        test::AddRect(doc, test::Place(-3000, -3000, 1000, 1000));
        const std::vector<std::uint8_t> before = doc.StoreToBytes();
        std::string error;
        EXPECT_FALSE(doc.LoadFromBytes(test::WriteVersion1File(file), "bad.kvl", &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(doc.StoreToBytes(), before);
    }
}

// Every prefix of a file, and a few bytes changed in its header, are
// refused; ASan reports any leak or stray read.
TEST_F(Version1Fixture, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> bytes = test::WriteVersion1File(TwoPages());
    ASSERT_TRUE(Load(bytes));
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        std::string error;
        EXPECT_FALSE(Load(prefix, &error)) << n;
        if (HasFailure()) return;
    }
    std::vector<std::uint8_t> badMagic = bytes;
    badMagic[3] ^= 0x20;
    EXPECT_FALSE(Load(badMagic));
}

TEST_F(Version1Fixture, ScreenWidthScalesEveryPosition) {
    const std::vector<std::uint8_t> bytes = test::WriteVersion1File(TwoPages());
    const auto same = Load(bytes, nullptr, 1000);
    const auto wider = Load(bytes, nullptr, 2000);
    ASSERT_TRUE(same && wider);
    EXPECT_EQ(Texts(*same)[0]->m_nSize, 500);
    EXPECT_EQ(Texts(*wider)[0]->m_nSize, 1000);
    const Rect& a = Pictures(*same)[0]->m_position.m_rect;
    const Rect& b = Pictures(*wider)[0]->m_position.m_rect;
    EXPECT_EQ(b.left - b.right, 2 * (a.left - a.right));
}

TEST_F(Version1Fixture, SavingGoesBesideTheOldFileUnlessThatNameIsTaken) {
    const std::filesystem::path dir = std::filesystem::path(KAVITRO_BINARY_DIR) / "version1_save_test";
    std::filesystem::create_directories(dir);
    CKavitro1XDoc doc(services.services);
    doc.SetPathName(QString::fromStdString((dir / "poem.kvl").string()));
    const QString kv2 = QString::fromStdString((dir / "poem.kv2").string());
    std::filesystem::remove(dir / "poem.kv2");
    EXPECT_EQ(doc.GetVersion2SaveTarget().path, kv2);
    EXPECT_FALSE(doc.GetVersion2SaveTarget().prompt);
    std::ofstream(dir / "poem.kv2") << "taken";
    EXPECT_EQ(doc.GetVersion2SaveTarget().path, QString::fromStdString((dir / "poem").string()));
    EXPECT_TRUE(doc.GetVersion2SaveTarget().prompt);
    EXPECT_EQ(CKavitro1XDoc::Version2PathFor(QStringLiteral("/a.b/c.KVL")), QStringLiteral("/a.b/c.kv2"));
    EXPECT_EQ(CKavitro1XDoc::Version2PathFor(QStringLiteral("/a.b/c")), QStringLiteral("/a.b/c.kv2"));
    std::filesystem::remove_all(dir);
}

TEST(Version1Tool, ConvertWritesAVersion2Document) {
    const std::filesystem::path dir = std::filesystem::path(KAVITRO_BINARY_DIR) / "version1_tool_test";
    std::filesystem::create_directories(dir);
    const std::vector<std::uint8_t> bytes = test::WriteVersion1File(TwoPages());
    std::ofstream(dir / "in.kvl", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
    const std::string tool = KAVITRO_BINARY_DIR "/tools/doc/kavitro-doc --data-dir '" KAVITRO_SHARE_DIR "'";
    const std::string in = (dir / "in.kvl").string(), out = (dir / "out.kv2").string();
    EXPECT_EQ(std::system((tool + " convert '" + in + "' '" + out + "' 2>/dev/null").c_str()), 0);
    FILE* pipe = popen((tool + " dump '" + out + "' 2>/dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string dumped;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) dumped += buffer;
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_NE(dumped.find("\"pageCount\": 2"), std::string::npos) << dumped;
    EXPECT_NE(dumped.find("\"class\": \"CDrawPicture\", \"page\": \"0xf0000001\""), std::string::npos) << dumped;
    EXPECT_NE(dumped.find("\"class\": \"CDrawText\", \"page\": \"0x00000001\""), std::string::npos) << dumped;
    EXPECT_NE(dumped.find("\"points\": [[7, "), std::string::npos) << dumped;
    // A damaged file fails without writing anything.
    std::ofstream(dir / "bad.kvl", std::ios::binary) << "Kavitro Document File";
    EXPECT_NE(std::system((tool + " convert '" + (dir / "bad.kvl").string() + "' '" + (dir / "bad.kv2").string() +
                           "' 2>/dev/null")
                              .c_str()),
              0);
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.kv2"));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kavitro
