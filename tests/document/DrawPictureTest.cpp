// The picture object: placeholder and picture drawing, proportional corner
// drags, the file prompt, Dodavo changes with undo, cloning and storage.

#include <algorithm>
#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include <QImage>

#include "DocumentFixture.h"
#include "PictureFixtures.h"
#include "document/DrawPicture.h"
#include "document/PictureBudget.h"
#include "platform/Exceptions.h"
#include "platform/SpyDC.h"
#include "tests/support/StoredBytes.h"

namespace kavitro::test {
namespace {

bool g_ctrl = false;
bool CtrlHeld() { return g_ctrl; }

class ScriptedPrompt : public PictureFilePrompt {
public:
    std::optional<std::filesystem::path> AskPictureFile(const PictureFileRequest& request) override {
        m_requests.push_back(request);
        return m_answer;
    }
    std::optional<std::filesystem::path> m_answer;
    std::vector<PictureFileRequest> m_requests;
};

class DrawPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.services.programFolder = "/opt/kavitro";
        doc = NewDocument(env.services);
        SetControlKeyQuery(&CtrlHeld);
        SetPictureFilePrompt(&prompt);
        g_ctrl = false;
    }
    void TearDown() override {
        SetPictureFilePrompt(nullptr);
        SetControlKeyQuery(nullptr);
    }

    // A picture object over the mirrored rectangle (0, -100) .. (-200, 0).
    CDrawPicture* AddPicture(std::int32_t width = 200) {
        CPolygonRect at;
        at.m_rect = Rect{0, -100, -width, 0};
        at.SetAngle(0);
        auto* p = new CDrawPicture(at, 0, doc.get());
        doc->Add(p, true);
        return p;
    }
    static std::unique_ptr<CDib> Raster(std::int32_t w, std::int32_t h) {
        auto dib = std::make_unique<CDib>();
        dib->SetDib(MakeDib(w, h, 24));
        return dib;
    }
    static std::unique_ptr<CMetafilePicture> Vector() {
        auto picture = std::make_unique<CMetafilePicture>();
        picture->SetEmfBits(RecordedEmf());
        return picture;
    }
    static bool Has(const CSpyDC& spy, const std::string& call) {
        return std::find(spy.Calls().begin(), spy.Calls().end(), call) != spy.Calls().end();
    }
    static bool HasPrefix(const CSpyDC& spy, const std::string& prefix) {
        return std::any_of(spy.Calls().begin(), spy.Calls().end(),
                           [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    }

    TestServices env;
    std::unique_ptr<CKavitroDoc> doc;
    ScriptedPrompt prompt;
};

TEST_F(DrawPictureTest, DrawsItsPictureOrThePlaceholder) {
    CDrawPicture* p = AddPicture();
    EXPECT_EQ(p->m_bPen, 0u);
    EXPECT_EQ(p->m_logpen.width, (Point{0, 0}));
    EXPECT_EQ(p->m_bBrush, 0u);
    EXPECT_EQ(p->m_nPictureType, 0u);
    EXPECT_EQ(p->m_bLoaded, 0u);

    auto placeholder = [&](const CSpyDC& spy) {
        return Has(spy, "Rectangle 0,-100,-200,0") && Has(spy, "LineTo 0,-100->-200,0") &&
               Has(spy, "LineTo -200,-100->0,0");
    };
    CSpyDC spy;
    p->Draw(spy);
    EXPECT_TRUE(placeholder(spy));

    // Into the rectangle with left and right exchanged and its upper edge
    // first, always stretched: on a page running y up even a picture whose
    // pixel count equals the rectangle's units fills the rectangle rather
    // than being copied at one pixel per device pixel.
    p->m_pDib = Raster(20, 10);
    p->m_nPictureType = CDrawPicture::RasterPicture;
    spy.Clear();
    p->Draw(spy);
    EXPECT_TRUE(Has(spy, "StretchDIBits -200,0,0,-100 src=0,0,20,10 dib=20x10x24")) << spy.Joined();
    EXPECT_FALSE(placeholder(spy));
    p->m_pDib = Raster(200, 100);
    spy.Clear();
    p->Draw(spy);
    EXPECT_TRUE(Has(spy, "StretchDIBits -200,0,0,-100 src=0,0,200,100 dib=200x100x24")) << spy.Joined();

    p->m_pDib.reset();
    p->m_pMetafile = Vector();
    p->m_nPictureType = CDrawPicture::VectorPicture;
    spy.Clear();
    p->Draw(spy);
    EXPECT_TRUE(HasPrefix(spy, "PlayMetafile -200,0,0,-100")) << spy.Joined();

    doc->SetDrawingMode(2);
    spy.Clear();
    p->Draw(spy);
    EXPECT_TRUE(placeholder(spy));
    EXPECT_FALSE(HasPrefix(spy, "PlayMetafile"));
}

TEST_F(DrawPictureTest, RenderedPictureIsUprightAndUnmirrored) {
    // Red, green on top; blue, white below, as the program places it.
    DibImage dib = *DibImage::Create(2, 2, 24);
    dib.SetPixel(0, 0, RGB(255, 0, 0));
    dib.SetPixel(1, 0, RGB(0, 255, 0));
    dib.SetPixel(0, 1, RGB(0, 0, 255));
    dib.SetPixel(1, 1, RGB(255, 255, 255));
    CDrawPicture* p = AddPicture();
    p->m_pDib = std::make_unique<CDib>();
    p->m_pDib->SetDib(std::move(dib));
    p->m_nPictureType = CDrawPicture::RasterPicture;
    QImage image;
    ASSERT_TRUE(doc->RenderToBitmap(image, Size{200, 100}, doc->ObjectsOnPage(0), false));
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_EQ(image.pixel(50, 25), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(150, 25), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(50, 75), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(150, 75), qRgb(255, 255, 255));
}

TEST_F(DrawPictureTest, CornerDragsKeepTheProportions) {
    CDrawPicture* p = AddPicture();
    p->m_pDib = Raster(200, 100);
    p->m_nPictureType = CDrawPicture::RasterPicture;
    DefaultDocumentView view;

    // Handle 3 dragged 100 units further out: 300 wide, so 150 high.
    p->MoveHandleTo(3, Point{-300, -100}, &view);
    EXPECT_EQ(p->m_position.m_rect, (Rect{0, -150, -300, 0}));

    // Edge handles and Ctrl resize freely.
    p->MoveHandleTo(2, Point{-150, -400}, &view);
    EXPECT_EQ(p->m_position.m_rect, (Rect{0, -400, -300, 0}));
    g_ctrl = true;
    p->MoveHandleTo(3, Point{-100, -50}, &view);
    EXPECT_EQ(p->m_position.m_rect, (Rect{0, -50, -100, 0}));

    // Ctrl with the properties command gives back the picture's proportions.
    p->OnEditProperties(&view);
    EXPECT_EQ(p->m_position.m_rect, (Rect{0, -50, -100, 0}));  // 100 x 50 already
    g_ctrl = false;
    p->MoveHandleTo(6, Point{-50, 70}, &view);
    g_ctrl = true;
    p->OnEditProperties(&view);
    EXPECT_EQ(p->m_position.m_rect, (Rect{0, -50, -100, 0}));

    // Without a picture the aspect is 1; a zero-sized picture too.
    p->m_pDib = std::make_unique<CDib>();
    EXPECT_EQ(p->GetAspect(), 1.0);
    p->m_pDib.reset();
    EXPECT_EQ(p->GetAspect(), 1.0);
}

TEST_F(DrawPictureTest, FilePromptLoadsByExtensionAndRemembersTheFolder) {
    const auto dir = TestFolder("prompt");
    WriteFile(dir / "a.PNG", EncodedImage("PNG"));
    WriteFile(dir / "a.kvt", DodavoFile(PlaceableWmf(), false));
    WriteFile(dir / "broken.jpg", Bytes(40, 0xFF));
    WriteFile(dir / "a.doc", Bytes(40, 1));

    CDrawPicture* p = AddPicture();
    EXPECT_FALSE(p->EnsureContent());  // cancelled
    EXPECT_EQ(p->m_bLoaded, 0u);
    ASSERT_EQ(prompt.m_requests.size(), 1u);
    const PictureFileRequest& r = prompt.m_requests[0];
    EXPECT_EQ(r.title, u"Kavitro - Open Dodavo");
    EXPECT_EQ(r.extensions, u"ekvt;kvt;emf;wmf;png;jpeg;jpg;gif;tiff;bmp");
    EXPECT_EQ(r.defaultFolder, std::filesystem::path("/opt/kavitro/Cliparts"));
    EXPECT_EQ(r.filter.rfind(u"all Dodavo and Image Files (ekvt,kvt,emf,wmf,png,jpeg,jpg,gif,tiff,bmp)|*.ekvt;", 0), 0u);
    EXPECT_EQ(r.filter.substr(r.filter.size() - 21), u"all files (*.*)|*.*||");

    for (const char* name : {"broken.jpg", "a.doc"}) {
        prompt.m_answer = dir / name;
        EXPECT_FALSE(p->EnsureContent()) << name;
        EXPECT_FALSE(p->m_pDib || p->m_pMetafile);
    }
    // Only the file that did not decode, told in the interface's language.
    ASSERT_EQ(env.errors.Reports().size(), 1u);
    EXPECT_EQ(env.errors.Reports()[0].stringId, StringId::ImportUnreadable);
    EXPECT_EQ(env.errors.Reports()[0].file, (dir / "broken.jpg").u16string());
    EXPECT_EQ(env.errors.Reports()[0].reasonId, StringId::ReasonUnreadablePicture);

    // A file that cannot be read at all says what the system said of it.
    std::filesystem::create_directory(dir / "folder.png");
    for (const auto& [name, reason] : {std::pair{"gone.png", StringId::ReasonFileMissing},
                                       std::pair{"folder.png", StringId::ReasonNotAFile},
                                       std::pair{"gone.emf", StringId::ReasonFileMissing}}) {
        env.errors.Clear();
        prompt.m_answer = dir / name;
        EXPECT_FALSE(p->EnsureContent()) << name;
        ASSERT_EQ(env.errors.Reports().size(), 1u) << name;
        EXPECT_EQ(env.errors.Reports()[0].file, (dir / name).u16string());
        EXPECT_EQ(env.errors.Reports()[0].reasonId, reason) << name;
    }

    prompt.m_answer = dir / "a.PNG";
    EXPECT_TRUE(p->EnsureContent());
    EXPECT_EQ(p->m_nPictureType, CDrawPicture::RasterPicture);
    EXPECT_EQ(env.profile.GetProfileString("Settings", "Last Dodavo Dir", u""), dir.u16string());
    EXPECT_EQ(prompt.m_requests.back().lastFolder, dir);

    CDrawPicture* q = AddPicture();
    prompt.m_answer = dir / "a.kvt";
    EXPECT_TRUE(q->EnsureContent());
    EXPECT_EQ(q->m_nPictureType, CDrawPicture::VectorPicture);
    EXPECT_EQ(q->m_pMetafile->GetType(), CMetafilePicture::Dodavo);
    std::filesystem::remove_all(dir);
}

TEST_F(DrawPictureTest, DodavoChangeUndoesAndClonesOwnTheirPictures) {
    CDrawPicture* p = AddPicture();
    p->m_pMetafile = Vector();
    p->m_nPictureType = CDrawPicture::VectorPicture;
    const CMetafilePicture* vector = p->m_pMetafile.get();

    p->ChangeDodavo(nullptr, nullptr);  // nothing chosen: nothing recorded
    EXPECT_EQ(p->m_pMetafile.get(), vector);
    const std::size_t actions = doc->m_objects.m_undo.size();

    p->ChangeDodavo(nullptr, Raster(20, 10));
    EXPECT_EQ(p->m_nPictureType, CDrawPicture::RasterPicture);
    EXPECT_FALSE(p->m_pMetafile);
    EXPECT_EQ(doc->m_objects.m_undo.size(), actions + 1);
    DefaultDocumentView view;
    ASSERT_TRUE(doc->UndoRedo(true, &view));
    EXPECT_EQ(p->m_pMetafile.get(), vector);
    EXPECT_FALSE(p->m_pDib);
    EXPECT_EQ(p->m_nPictureType, CDrawPicture::VectorPicture);
    ASSERT_TRUE(doc->UndoRedo(false, &view));
    EXPECT_EQ(p->m_nPictureType, CDrawPicture::RasterPicture);
    ASSERT_TRUE(p->m_pDib);

    auto* clone = dynamic_cast<CDrawPicture*>(p->Clone(doc.get()));
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(doc->m_objects.m_objects.back(), clone);
    EXPECT_EQ(clone->m_position.m_rect, p->m_position.m_rect);
    EXPECT_EQ(clone->m_nPictureType, p->m_nPictureType);
    ASSERT_TRUE(clone->m_pDib);
    EXPECT_NE(clone->m_pDib.get(), p->m_pDib.get());
    EXPECT_EQ(*clone->m_pDib->GetDib(), *p->m_pDib->GetDib());
}

TEST_F(DrawPictureTest, DocumentsWithEveryPictureKindStoreByteIdentically) {
    const Bytes jpeg = EncodedImage("JPEG", 64, 48);
    AddPicture();  // nothing loaded
    CDrawPicture* raster = AddPicture();
    raster->m_pDib = Raster(30, 20);
    raster->m_nPictureType = CDrawPicture::RasterPicture;
    CDrawPicture* encoded = AddPicture();
    encoded->m_pDib = std::make_unique<CDib>();
    ASSERT_TRUE(encoded->m_pDib->LoadImageBytes(jpeg));
    encoded->m_nPictureType = CDrawPicture::RasterPicture;
    const Bytes wmf = PlaceableWmf();
    const Bytes emf = RecordedEmf();
    struct Kind {
        const char* name;
        Bytes file;
    };
    const auto dir = TestFolder("document");
    for (const Kind& k : {Kind{"a.wmf", wmf}, Kind{"a.emf", emf}, Kind{"a.kvt", DodavoFile(wmf, false)},
                          Kind{"a.ekvt", DodavoFile(emf, true)}}) {
        WriteFile(dir / k.name, k.file);
        CDrawPicture* p = AddPicture();
        prompt.m_answer = dir / k.name;
        ASSERT_TRUE(p->EnsureContent()) << k.name;
    }
    std::filesystem::remove_all(dir);

    const Bytes first = doc->StoreToBytes();
    // The JPEG is stored exactly as it was read.
    EXPECT_NE(std::search(first.begin(), first.end(), jpeg.begin(), jpeg.end()), first.end());
    CKavitroDoc loaded(env.services);
    std::string error;
    ASSERT_TRUE(loaded.LoadFromBytes(first, "pictures.kv2", &error)) << error;
    ASSERT_EQ(loaded.m_objects.m_objects.size(), 7u);
    auto it = loaded.m_objects.m_objects.begin();
    const auto* empty = dynamic_cast<CDrawPicture*>(*it);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->m_bLoaded, 0u);
    EXPECT_EQ(dynamic_cast<CDrawPicture*>(*++it)->m_bLoaded, 1u);
    EXPECT_EQ(loaded.StoreToBytes(), first);
}

// One flipped bit in a stored rectangle puts an edge two billion units off
// the page: it is brought back before anything measures or draws it (the
// width of such a rectangle overflowed 32 bits in the picture's drawing).
TEST_F(DrawPictureTest, RectanglesFarOffThePageAreBoundedOnLoad) {
    CDrawPicture* p = AddPicture(777);  // left 0, right -777
    p->m_pDib = Raster(20, 10);
    p->m_nPictureType = CDrawPicture::RasterPicture;
    const Bytes good = doc->StoreToBytes();
    const std::int32_t storedRight = -777;
    const auto rightAt = static_cast<std::size_t>(
        std::search(good.begin(), good.end(), reinterpret_cast<const std::uint8_t*>(&storedRight),
                    reinterpret_cast<const std::uint8_t*>(&storedRight) + 4) -
        good.begin());
    ASSERT_LT(rightAt, good.size());
    struct Case {
        std::size_t at;
        std::int32_t value;
    };
    const std::int32_t most = CPolygonRect::kMaxStoredCoordinate;
    for (const Case c : {Case{rightAt - 8, INT32_MAX}, Case{rightAt - 8, 0x40000000}, Case{rightAt, INT32_MIN},
                         Case{rightAt - 4, INT32_MIN}}) {
        SCOPED_TRACE(c.value);
        Bytes bad = good;
        std::memcpy(bad.data() + c.at, &c.value, 4);
        CKavitroDoc loaded(env.services);
        ASSERT_TRUE(loaded.LoadFromBytes(bad, "far.kv2", nullptr));
        ASSERT_EQ(loaded.m_objects.m_objects.size(), 1u);
        const Rect r = loaded.m_objects.m_objects.front()->m_position.m_rect;
        for (const std::int32_t v : {r.left, r.top, r.right, r.bottom}) {
            EXPECT_LE(v, most);
            EXPECT_GE(v, -most);
        }
        QImage image;
        EXPECT_TRUE(loaded.RenderToBitmap(image, Size{200, 100}, loaded.ObjectsOnPage(0), false));
        CSpyDC spy;
        loaded.m_objects.m_objects.front()->Draw(spy);
        loaded.StoreToBytes();  // the thumbnail draws it too
    }
}

TEST_F(DrawPictureTest, PicturesOfADocumentShareOneBudget) {
    const Bytes png = EncodedImage("png");  // 20 x 10: 800 decoded bytes
    for (int i = 0; i < 2; ++i) {
        CDrawPicture* p = AddPicture();
        p->m_pDib = std::make_unique<CDib>();
        ASSERT_TRUE(p->m_pDib->LoadImageBytes(png));
        p->m_nPictureType = CDrawPicture::RasterPicture;
    }
    EXPECT_EQ(RemainingPictureBytes(*doc), PictureBudget::kMaxDocumentBytes - 2 * 800);
    const Bytes file = doc->StoreToBytes();
    CKavitroDoc loaded(env.services);
    {
        const PictureBudget around(2 * 800 - 1);
        EXPECT_FALSE(loaded.LoadFromBytes(file, "two.kv2", nullptr));
    }
    const PictureBudget around(2 * 800);
    EXPECT_TRUE(loaded.LoadFromBytes(file, "two.kv2", nullptr));
}

// Pictures are written unpacked, but documents holding the packed form, or
// the unpacked marker before the unpacked form, open to the same picture.
TEST_F(DrawPictureTest, RasterPicturesOpenFromEveryStoredForm) {
    CDrawPicture* p = AddPicture();
    p->m_pDib = Raster(30, 20);
    p->m_nPictureType = CDrawPicture::RasterPicture;
    const Bytes written = doc->StoreToBytes();
    const Bytes unpacked = StoredBytes(&CDib::WriteUnpacked, *p->m_pDib);
    const auto at = std::search(written.begin(), written.end(), unpacked.begin(), unpacked.end());
    ASSERT_NE(at, written.end());
    const auto marker = StoredBlockHeader::UnpackedMarker().ToBytes();
    Bytes marked(marker.begin(), marker.end());
    marked.insert(marked.end(), unpacked.begin(), unpacked.end());
    QImage expected;
    ASSERT_TRUE(doc->RenderToBitmap(expected, Size{200, 100}, doc->ObjectsOnPage(0), false));

    const std::pair<const char*, Bytes> forms[] = {
        {"unpacked", unpacked}, {"packed", StoredBytes(&CDib::Store, *p->m_pDib)}, {"marked", marked}};
    for (const auto& [name, form] : forms) {
        SCOPED_TRACE(name);
        Bytes file(written.begin(), at);
        file.insert(file.end(), form.begin(), form.end());
        file.insert(file.end(), at + static_cast<std::ptrdiff_t>(unpacked.size()), written.end());
        CKavitroDoc loaded(env.services);
        std::string error;
        ASSERT_TRUE(loaded.LoadFromBytes(file, "forms.kv2", &error)) << error;
        ASSERT_EQ(loaded.m_objects.m_objects.size(), 1u);
        const auto* picture = dynamic_cast<CDrawPicture*>(loaded.m_objects.m_objects.front());
        ASSERT_TRUE(picture && picture->m_pDib && !picture->m_pDib->IsEmpty());
        EXPECT_EQ(*picture->m_pDib->GetDib(), *p->m_pDib->GetDib());
        QImage image;
        ASSERT_TRUE(loaded.RenderToBitmap(image, Size{200, 100}, loaded.ObjectsOnPage(0), false));
        EXPECT_EQ(image, expected);
        // Saved again it is in the form written today.
        EXPECT_EQ(loaded.StoreToBytes(), written);
    }
    Bytes unknown(written.begin(), at);
    unknown.push_back('X');
    unknown.insert(unknown.end(), at + 1, written.end());
    CKavitroDoc refused(env.services);
    EXPECT_FALSE(refused.LoadFromBytes(unknown, "unknown.kv2", nullptr));
}

TEST_F(DrawPictureTest, RefusesAnUnknownStoredPictureType) {
    CDrawPicture p;
    CArchive out = CArchive::ForStoring();
    p.CDrawObj::Serialize(out);
    out.WriteU16(3);
    CArchive in = CArchive::ForLoading(out.TakeStoredBytes());
    CDrawPicture q;
    EXPECT_THROW(q.Serialize(in), ArchiveException);
}

}  // namespace
}  // namespace kavitro::test
