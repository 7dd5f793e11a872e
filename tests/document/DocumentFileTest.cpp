#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "DocumentFixture.h"
#include "PictureFixtures.h"
#include "document/DrawPicture.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/HostileFiles.h"
#include "document/StringIds.h"
#include "engine/Compressor.h"

namespace kavitro {
namespace {

using test::AddLine;
using test::AddRect;
using test::Place;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// A document with every class so far on several pages, guide lines included.
std::unique_ptr<CKavitroDoc> RichDocument(const DocumentServices& services) {
    auto doc = test::NewDocument(services);
    doc->AddPage(0);
    doc->AddPage(0);
    AddRect(*doc, Place(-5000, -2000, 3000, 1500), 0, CDrawRect::RoundRectangle);
    CDrawRect* e = AddRect(*doc, Place(-9000, -9000, 2000, 4000), 1, CDrawRect::Ellipse);
    const Point pivot{-8000, -7000};
    e->m_position.SetAngle(30, &pivot);
    e->m_logpen = LogPen{PS_DASH, Point{35, 7}, 0x123456};
    e->m_logbrush = LogBrush{BS_HATCHED, 0xABCDEF, HS_CROSS};
    e->m_bBrush = 0;
    AddLine(*doc, Place(-100, -100, -3000, -2000), kEveryPageFlags | 2);
    AddRect(*doc, Place(-300, -400, 500, 600), kEveryPageFlags);
    AddLine(*doc, Place(-1000, -1000, 700, 900), 2);
    DefaultDocumentView view;
    doc->AddGuideline(&view, 1, -4000);
    doc->AddGuideline(&view, 0, -6000);
    return doc;
}

class DocumentFileTest : public ::testing::Test {
protected:
    test::TestServices env;
};

TEST_F(DocumentFileTest, NewDocumentDefaults) {
    auto doc = test::NewDocument(env.services);
    EXPECT_EQ(doc->GetPageCount(), 1u);
    EXPECT_EQ(doc->GetZoom(), 100);
    EXPECT_EQ(doc->GetPageSize(), (Size{21590, 27940}));
    EXPECT_EQ(doc->m_margins, Rect(500, 500, 500, 500));
    const auto zooms = env.notifier.PostedOf(NotifyMessage::ZoomChanged);
    ASSERT_FALSE(zooms.empty());
    EXPECT_EQ(zooms.back().wParam, 100u);
    EXPECT_EQ(zooms.back().target, 1u);
}

TEST_F(DocumentFileTest, HeaderFieldsAndClassTags) {
    auto doc = test::NewDocument(env.services);
    AddRect(*doc, Place(0, 0, 100, 100));
    AddRect(*doc, Place(0, 0, 100, 100));
    AddLine(*doc, Place(0, 0, 100, 100));
    DefaultDocumentView view;
    doc->AddGuideline(&view, 1, 0);
    const Bytes b = doc->StoreToBytes();
    const std::uint8_t magicHead[] = {0xFF, 0xFE, 0xFF, 19, 'K', 0};
    ASSERT_EQ(std::memcmp(b.data(), magicHead, sizeof magicHead), 0);
    EXPECT_EQ(U32At(b, 42), 1u);  // schema
    const StoredBlockHeader thumb = StoredBlockHeader::Read(std::span(b).subspan(46));
    std::size_t at = 46 + 9 + thumb.PackedCount();
    EXPECT_EQ(U32At(b, at), 21590u);
    EXPECT_EQ(U32At(b, at + 4), 27940u);
    EXPECT_EQ(U32At(b, at + 8), 500u);
    at += 24;
    EXPECT_EQ(U32At(b, at), 1u);  // pages
    at += 4;
    // Count 3; new class "CDrawRect" (index 1), object (2); known class
    // 0x8001, object (3); new class "CDrawLine" (4), object (5).
    const std::size_t record = CDrawObj::kStoredSize;
    EXPECT_EQ(b[at], 3);
    at += 2;
    EXPECT_EQ(b[at], 0xFF);
    EXPECT_EQ(b[at + 1], 0xFF);
    EXPECT_EQ(b[at + 2], 0);  // schema 0
    EXPECT_EQ(b[at + 4], 9);
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at) + 6, b.begin() + static_cast<long>(at) + 15), "CDrawRect");
    at += 15 + record + 10;
    EXPECT_EQ(b[at], 0x01);
    EXPECT_EQ(b[at + 1], 0x80);
    at += 2 + record + 10;
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at) + 6, b.begin() + static_cast<long>(at) + 15), "CDrawLine");
    at += 15 + record;
    // The guide list continues the numbering: its class gets index 6.
    EXPECT_EQ(b[at], 1);
    at += 2;
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at) + 6, b.begin() + static_cast<long>(at) + 20), "CDrawGuideLine");
    at += 20 + record + 4;
    EXPECT_EQ(at, b.size());
}

TEST_F(DocumentFileTest, StoreLoadStoreIsByteIdentical) {
    auto doc = RichDocument(env.services);
    const Bytes first = doc->StoreToBytes();
    CKavitroDoc loaded(env.services);
    std::string error;
    ASSERT_TRUE(loaded.LoadFromBytes(first, "rich.kv2", &error)) << error;
    EXPECT_EQ(loaded.GetPageCount(), 3u);
    EXPECT_EQ(loaded.m_guideLines.size(), 2u);
    EXPECT_EQ(loaded.StoreToBytes(), first);
    for (CDrawObj* o : loaded.m_objects.m_objects) EXPECT_EQ(o->m_pDocument, &loaded);
    // Objects on every page and the z-order survive.
    auto it = loaded.m_objects.m_objects.begin();
    std::advance(it, 2);
    EXPECT_EQ((*it)->m_nPage, kEveryPageFlags | 2);
    EXPECT_NE(dynamic_cast<CDrawLine*>(*it), nullptr);
}

TEST_F(DocumentFileTest, OldMagicLoadsAndOthersAreRefused) {
    auto doc = RichDocument(env.services);
    Bytes bytes = doc->StoreToBytes();
    // "Kavitro.2.Document" without schema: the 19-character magic and the
    // schema become the 18-character one.
    Bytes old = {0xFF, 0xFE, 0xFF, 18};
    const std::u16string m = u"Kavitro.2.Document";
    for (char16_t c : m) {
        old.push_back(static_cast<std::uint8_t>(c));
        old.push_back(0);
    }
    old.insert(old.end(), bytes.begin() + 46, bytes.end());
    CKavitroDoc a(env.services);
    std::string error;
    EXPECT_TRUE(a.LoadFromBytes(old, "old.kv2", &error)) << error;
    EXPECT_EQ(a.m_objects.m_objects.size(), 5u);

    Bytes wrong = bytes;
    wrong[4] = 'X';
    CKavitroDoc b(env.services);
    EXPECT_FALSE(b.LoadFromBytes(wrong, "x.kv2", &error));
}

TEST_F(DocumentFileTest, LoadClampsTheZoom) {
    auto doc = RichDocument(env.services);
    const Bytes bytes = doc->StoreToBytes();
    for (auto [zoom, expect] : {std::pair{7, 10}, std::pair{6000, 5000}}) {
        CKavitroDoc d(env.services);
        d.m_nZoom = zoom;
        ASSERT_TRUE(d.LoadFromBytes(bytes, "z.kv2", nullptr));
        EXPECT_EQ(d.GetZoom(), expect);
    }
}

// Offsets of the fields after the thumbnail.
struct Layout {
    std::size_t pageSize, pageCount, objectCount;
};
Layout LayoutOf(const Bytes& b) {
    const StoredBlockHeader thumb = StoredBlockHeader::Read(std::span(b).subspan(46));
    const std::size_t pageSize = 46 + 9 + thumb.PackedCount();
    return {pageSize, pageSize + 24, pageSize + 28};
}

TEST_F(DocumentFileTest, BadFilesAreRefusedAndTheOpenDocumentStays) {
    auto doc = RichDocument(env.services);
    const Bytes good = doc->StoreToBytes();
    const Layout at = LayoutOf(good);
    auto patched = [&](std::size_t offset, std::uint32_t value) {
        Bytes b = good;
        std::memcpy(b.data() + offset, &value, 4);
        return b;
    };
    Bytes nullEntry = good;
    nullEntry[at.objectCount + 2] = 0;  // the first object's tag becomes a null pointer
    nullEntry[at.objectCount + 3] = 0;
    Bytes hugeCount = good;
    hugeCount.insert(hugeCount.begin() + static_cast<long>(at.objectCount), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    hugeCount.erase(hugeCount.begin() + static_cast<long>(at.objectCount) + 6,
                    hugeCount.begin() + static_cast<long>(at.objectCount) + 8);
    Bytes thumbLength = patched(47, 0xFFFFFFF0u);
    Bytes unpackedLength = patched(51, 0xFFFFFFF0u);
    const Bytes cases[] = {
        patched(at.pageCount, 0), patched(at.pageCount, 0x10000001u), patched(at.pageSize, 0),
        // One flipped bit, and one page past the most a document has.
        patched(at.pageCount, 0x10000000u), patched(at.pageCount, CObjectsBuffer::kMaxPages + 1),
        patched(at.pageSize + 4, 0xFFFFFFFFu), nullEntry, hugeCount, thumbLength, unpackedLength,
    };
    auto target = RichDocument(env.services);
    const Bytes before = target->StoreToBytes();
    const std::size_t reports = env.errors.Reports().size();
    int n = 0;
    for (const Bytes& bad : cases) {
        std::string error;
        EXPECT_FALSE(target->LoadFromBytes(bad, "bad.kv2", &error)) << n;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(target->StoreToBytes(), before) << n;
        ++n;
    }
    // Every truncation too.
    for (std::size_t len = 0; len < good.size(); len += 7) {
        EXPECT_FALSE(target->LoadFromBytes(std::span(good).first(len), "short.kv2", nullptr)) << len;
    }
    EXPECT_EQ(target->StoreToBytes(), before);
    EXPECT_EQ(env.errors.Reports().size(), reports);  // LoadFromBytes itself does not report
}

TEST_F(DocumentFileTest, PageCountStaysWithinTheMostADocumentHas) {
    auto doc = test::NewDocument(env.services);
    Bytes most = doc->StoreToBytes();
    const std::uint32_t count = CObjectsBuffer::kMaxPages;
    std::memcpy(most.data() + LayoutOf(most).pageCount, &count, 4);
    ASSERT_TRUE(doc->LoadFromBytes(most, "most.kv2", nullptr));
    EXPECT_EQ(doc->GetPageCount(), count);
    doc->AddPage(0);
    EXPECT_EQ(doc->GetPageCount(), count);
}

// None of these is read: each is refused at once with a report, instead of
// blocking start-up or filling memory until the program dies.
TEST_F(DocumentFileTest, OpenRefusesFilesThatCannotBeDocuments) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList hostiles = test::MakeHostileFiles(dir);
    ASSERT_EQ(hostiles.size(), 3);
    auto doc = RichDocument(env.services);
    const Bytes before = doc->StoreToBytes();
    for (const QString& path : hostiles) {
        SCOPED_TRACE(path.toStdString());
        env.errors.Clear();
        EXPECT_FALSE(doc->OnOpenDocument(path));
        EXPECT_EQ(env.errors.Reports().size(), 1u);
    }
    EXPECT_EQ(doc->StoreToBytes(), before);
}

TEST_F(DocumentFileTest, GuideListTakesOnlyGuideLines) {
    // A document whose guide list holds a rectangle.
    auto doc = test::NewDocument(env.services);
    Bytes b = doc->StoreToBytes();
    b.erase(b.end() - 2, b.end());  // drop the empty guide count
    CArchive ar = CArchive::ForStoring();
    CDrawRect r(Place(0, 0, 10, 10), 0, doc.get());
    ar.WriteCount(1);
    ar.WriteObject(&r);
    b.insert(b.end(), ar.GetStoredBytes().begin(), ar.GetStoredBytes().end());
    std::string error;
    EXPECT_FALSE(doc->LoadFromBytes(b, "g.kv2", &error));
}

TEST_F(DocumentFileTest, OpenAndSaveThroughFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("doc.kv2");
    auto doc = RichDocument(env.services);
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_FALSE(doc->IsModified());
    auto other = test::NewDocument(env.services);
    ASSERT_TRUE(other->OnOpenDocument(path));
    EXPECT_EQ(other->StoreToBytes(), doc->StoreToBytes());
    EXPECT_EQ(other->GetPathName(), path);

    // A damaged file is reported and changes nothing.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a document");
    f.close();
    const Bytes before = other->StoreToBytes();
    EXPECT_FALSE(other->OnOpenDocument(path));
    EXPECT_EQ(env.errors.Reports().size(), 1u);
    EXPECT_EQ(other->StoreToBytes(), before);

    // A save that cannot write keeps the previous file.
    const QString blocked = dir.filePath("missing/doc.kv2");
    EXPECT_FALSE(doc->OnSaveDocument(blocked));
    EXPECT_EQ(env.errors.Reports().size(), 2u);
}

// A failed open names the file and what is wrong with it, as numbered
// strings the interface shows in its language.
TEST_F(DocumentFileTest, OpenFailuresNameTheFileAndWhatIsWrong) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&dir](const QString& name, std::span<const std::uint8_t> bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    };
    const Bytes good = RichDocument(env.services)->StoreToBytes();
    Bytes manyPages = good;
    const std::uint32_t flipped = 0x10000000u;
    std::memcpy(manyPages.data() + LayoutOf(good).pageCount, &flipped, 4);

    // A picture whose bitmap header gives a bit count no bitmap has.
    auto pictured = test::NewDocument(env.services);
    CPolygonRect at;
    at.m_rect = Rect{0, -100, -200, 0};
    auto* picture = new CDrawPicture(at, 0, pictured.get());
    picture->m_pDib = std::make_unique<CDib>();
    picture->m_pDib->SetDib(test::MakeDib(0x123, 7, 24));
    picture->m_nPictureType = CDrawPicture::RasterPicture;
    pictured->Add(picture, true);
    Bytes badPicture = pictured->StoreToBytes();
    const Bytes header{40, 0, 0, 0, 0x23, 1, 0, 0, 7, 0, 0, 0, 1, 0, 24, 0};
    const auto found = std::search(badPicture.begin(), badPicture.end(), header.begin(), header.end());
    ASSERT_NE(found, badPicture.end());
    found[14] = 13;

    const std::string text = "not a document";
    const struct {
        QString path;
        std::uint32_t reason;
    } cases[] = {
        {dir.filePath("missing.kv2"), StringId::ReasonFileMissing},
        {dir.path(), StringId::ReasonNotAFile},
        {write("empty.kv2", {}), StringId::DamageNotADocument},
        {write("text.kv2", std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())),
         StringId::DamageNotADocument},
        {write("cut.kv2", std::span(good).first(good.size() / 2)), StringId::DamageCutOff},
        {write("pages.kv2", manyPages), StringId::DamageTooManyPages},
        {write("picture.kv2", badPicture), StringId::DamagePicture},
    };
    auto doc = RichDocument(env.services);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        env.errors.Clear();
        EXPECT_FALSE(doc->OnOpenDocument(c.path));
        ASSERT_EQ(env.errors.Reports().size(), 1u);
        const ErrorMessage& told = env.errors.Reports()[0];
        EXPECT_EQ(told.stringId, StringId::ImportUnreadable);
        EXPECT_EQ(told.file, c.path.toStdU16String());
        EXPECT_EQ(told.reasonId, c.reason);
    }
    EXPECT_EQ(doc->StoreToBytes(), good);
}

// A failed save names the file and why, and leaves what was there: the disk
// full or read-only (where a small disk can be mounted), a read-only file, a
// missing folder.
TEST_F(DocumentFileTest, SaveFailuresNameTheFileAndWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString readOnly = dir.filePath("read-only.kv2");
    {
        QFile f(readOnly);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup));
    const test::SmallDisk full(4 * 1024, false);
    const test::SmallDisk readOnlyDisk(4 * 1024, true);

    struct Case {
        QString path;
        std::uint32_t reason;
    };
    std::vector<Case> cases{{dir.filePath("missing/doc.kv2"), StringId::ReasonFolderMissing},
                            {readOnly, StringId::ReasonReadOnlyFile},
                            {dir.path(), StringId::ReasonNotAFile}};
    if (full.IsMounted() && readOnlyDisk.IsMounted()) {
        cases.push_back({QString::fromStdString((full.Folder() / "doc.kv2").string()), StringId::ReasonNoSpace});
        cases.push_back({QString::fromStdString((readOnlyDisk.Folder() / "doc.kv2").string()),
                         StringId::ReasonReadOnlyDisk});
    }
    auto doc = RichDocument(env.services);
    // Larger than the small disk, whatever the packing.
    for (int i = 0; i < 400; ++i) AddRect(*doc, Place(-100 * i, -7 * i, 1000 + i, 900 + 3 * i), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        env.errors.Clear();
        EXPECT_FALSE(doc->OnSaveDocument(c.path));
        ASSERT_EQ(env.errors.Reports().size(), 1u);
        const ErrorMessage& told = env.errors.Reports()[0];
        EXPECT_EQ(told.stringId, StringId::SaveFailed);
        EXPECT_EQ(told.file, c.path.toStdU16String());
        EXPECT_EQ(told.reasonId, c.reason);
    }
    QFile f(readOnly);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
    if (full.IsMounted()) {
        EXPECT_TRUE(std::filesystem::is_empty(full.Folder()));
    }
}

TEST_F(DocumentFileTest, ThumbnailIsAPackedBmpOnEverySave) {
    auto doc = test::NewDocument(env.services);
    const Bytes b = doc->StoreToBytes();
    CCompressor codec;
    codec.UnpackBlock(std::span(b).subspan(46));
    const auto bmp = codec.GetUnpacked();
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    std::int32_t w, h;
    std::memcpy(&w, bmp.data() + 18, 4);
    std::memcpy(&h, bmp.data() + 22, 4);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 800);
}

TEST_F(DocumentFileTest, DrawingModeComesFromTheProfileClampedAndGoesBack) {
    env.profile.WriteProfileInt("Settings", "Drawing Mode", 7);
    {
        CKavitroDoc doc(env.services);
        EXPECT_EQ(doc.GetDrawingMode(), 0);
        doc.SetDrawingMode(2);
    }
    EXPECT_EQ(env.profile.GetProfileInt("Settings", "Drawing Mode", -1), 2);
}

}  // namespace
}  // namespace kavitro
