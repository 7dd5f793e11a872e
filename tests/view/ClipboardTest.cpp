#include <gtest/gtest.h>

#include <QtCore/QFile>
#include <QtCore/QMimeData>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUrl>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "../document/DocumentFixture.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "platform/WmfRecorder.h"
#include "view/ClipboardCopy.h"
#include "view/ClipboardFormat.h"
#include "view/ClipboardPaste.h"
#include "view/CommandRegistry.h"
#include "view/DrawTool.h"
#include "view/DropTarget.h"
#include "view/EditCommands.h"
#include "view/KavitroView.h"
#include "view/RecordingViewHost.h"

namespace kavitro {
namespace {

using test::AddLine;
using test::AddRect;
using test::Place;

std::vector<std::uint8_t> StoredBytes(const CDrawObj& o) {
    CArchive ar = CArchive::ForStoring();
    const_cast<CDrawObj&>(o).Serialize(ar);
    return ar.TakeStoredBytes();
}

QByteArray AsQBytes(const std::vector<std::uint8_t>& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// One document with its view, as a document window has them.
struct Window {
    explicit Window(const DocumentServices& services) : doc(test::NewDocument(services)) {
        view = std::make_unique<CKavitroView>(*doc, host);
        view->OnActivateView(true);
        view->UpdateScrollSizes();
    }
    std::unique_ptr<CKavitroDoc> doc;
    RecordingViewHost host;
    std::unique_ptr<CKavitroView> view;
};

struct ClipboardFixture : ::testing::Test {
    test::TestServices env;
    Window a{env.services};
    Window b{env.services};

    void SetUp() override {
        CDrawTool::CurrentShape() = 0;
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override { CDrawTool::CurrentShape() = 0; }

    CDrawText* AddText(Window& w, std::u16string_view typed, std::int32_t x = -2000, std::int32_t y = -6000) {
        CPolygonRect at;
        at.m_rect = Rect(x, y, x - 4000, y + 1500);
        auto* text = new CDrawText(at, 0, w.doc.get());
        w.doc->Add(text, true);
        for (const char16_t c : typed) text->OnChar(w.view.get(), c);
        ++CObjectsBuffer::GetActionIdCounter();  // the typing tool ends every key's step
        return text;
    }
    CDrawPicture* AddPicture(Window& w) {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(qRgb(200, 30, 30));
        auto* p = new CDrawPicture(Place(-12000, -9000, 3000, 1500), 0, w.doc.get());
        p->m_pDib = std::make_unique<CDib>();
        EXPECT_TRUE(p->m_pDib->FromImage(image));
        p->m_nPictureType = CDrawPicture::RasterPicture;
        p->m_bLoaded = 1;
        w.doc->Add(p, true);
        return p;
    }
    const QMimeData& Clipboard() { return *QGuiApplication::clipboard()->mimeData(); }
};

// --- The private format --------------------------------------------------------------------------

TEST(ClipboardFormat, WritesCountThenClassTagsAndBackIndicesAsTheArchiveDoes) {
    test::TestServices env;
    auto doc = test::NewDocument(env.services);
    CDrawRect* r1 = AddRect(*doc, Place(-5000, -5000, 1000, 1000));
    CDrawLine* l = AddLine(*doc, Place(-3000, -3000, 500, 200));
    CDrawRect* r2 = AddRect(*doc, Place(-8000, -8000, 700, 300));
    const std::vector<CDrawObj*> list = {r1, l, r2};
    const std::vector<std::uint8_t> bytes = StoreObjectList(list);

    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8); };
    const std::size_t rect = StoredBytes(*r1).size();
    const std::size_t line = StoredBytes(*l).size();
    std::size_t at = 0;
    EXPECT_EQ(u16(at), 3u);  // count
    at += 2;
    // A new class: 0xFFFF, schema, name length, name; then the object.
    EXPECT_EQ(u16(at), 0xFFFFu);
    EXPECT_EQ(u16(at + 2), 0u);
    EXPECT_EQ(u16(at + 4), 9u);
    EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(at) + 6, bytes.begin() + static_cast<long>(at) + 15), "CDrawRect");
    at += 15 + rect;
    EXPECT_EQ(u16(at), 0xFFFFu);
    EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(at) + 6, bytes.begin() + static_cast<long>(at) + 15), "CDrawLine");
    at += 15 + line;
    // The rectangle class took index 1 (its object 2, the line's class 3).
    EXPECT_EQ(u16(at), 0x8001u);
    at += 2;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + static_cast<long>(at), bytes.end()), StoredBytes(*r2));
}

TEST(ClipboardFormat, RefusesWholeWhatIsNotAListOfTheFiveClasses) {
    test::TestServices env;
    auto doc = test::NewDocument(env.services);
    CDrawRect* r = AddRect(*doc, Place(-5000, -5000, 1000, 1000));
    CDrawGuideLine guide(Place(-100, -100, 0, 0), 0, doc.get(), 1);
    const std::vector<std::uint8_t> good = StoreObjectList(std::vector<CDrawObj*>{r, r});

    std::vector<std::uint8_t> truncated(good.begin(), good.end() - 1);
    std::vector<std::uint8_t> hugeCount = good;
    hugeCount[0] = 0xFE;
    std::vector<std::uint8_t> nullObject = {1, 0, 0, 0};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"truncated", truncated},
        {"count beyond the bytes", hugeCount},
        {"a guide line", StoreObjectList(std::vector<CDrawObj*>{r, &guide})},
        {"a null object", nullObject},
        // The same object twice: the second is a back-reference (one object, two owners).
        {"a back-reference", good},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(LoadObjectList(c.bytes, doc.get(), 0), ArchiveException);
    }
    // Bytes after the list are ignored, as after a block grown in steps.
    std::vector<std::uint8_t> padded = StoreObjectList(std::vector<CDrawObj*>{r});
    padded.resize(padded.size() + 4096, 0);
    const auto loaded = LoadObjectList(padded, doc.get(), 7);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0]->m_nPage, 7u);
    EXPECT_EQ(loaded[0]->m_pDocument, doc.get());
}

// --- Copy and paste ---------------------------------------------------------------------------------

TEST_F(ClipboardFixture, CopyThenPasteInAnotherDocumentGivesIdenticalObjects) {
    AddRect(*a.doc, Place(-15000, -20000, 4000, 2500), 0, CDrawRect::Ellipse);
    AddLine(*a.doc, Place(-9000, -3000, 2000, 1000));
    AddText(a, u"سلام دنیا");
    AddPicture(a);
    OnEditSelectAll(*a.view);
    ASSERT_EQ(a.view->GetSelection().GetCount(), 4u);
    a.doc->SetZoom(250);

    OnEditCopy(*a.view);
    EXPECT_EQ(a.doc->GetZoom(), 250);
    // The default settings: private format, bitmap, enhanced metafile.
    for (const char* format : {mime::kKavitro, mime::kPng, mime::kBmp, mime::kEmf})
        EXPECT_TRUE(Clipboard().hasFormat(format)) << format;
    EXPECT_FALSE(Clipboard().hasText());

    ASSERT_TRUE(OnEditPaste(*b.view));
    const auto& pasted = b.doc->m_objects.m_objects;
    const auto& original = a.doc->m_objects.m_objects;
    ASSERT_EQ(pasted.size(), original.size());
    auto p = pasted.begin();
    for (const CDrawObj* o : original) {
        EXPECT_STREQ((*p)->GetRuntimeClass()->m_lpszClassName, o->GetRuntimeClass()->m_lpszClassName);
        EXPECT_EQ(StoredBytes(**p), StoredBytes(*o)) << o->GetRuntimeClass()->m_lpszClassName;
        EXPECT_TRUE(b.view->IsSelected(**p));
        ++p;
    }
    EXPECT_TRUE(b.doc->IsModified());
}

TEST_F(ClipboardFixture, CopyWritesTheFormatsTheSettingsChoose) {
    CDrawRect* r = AddRect(*a.doc, Place(-15000, -20000, 4000, 2500));
    CDrawText* t = AddText(a, u"سلام");
    using P = CApplicationProperties;
    struct Case {
        const char* name;
        std::vector<P::Setting> on;
        bool withText;
        std::vector<const char*> expected;
    };
    const Case cases[] = {
        {"every setting off: an empty data object", {}, true, {}},
        {"text", {P::ClipboardUTF8Text}, true, {mime::kPlainText, mime::kText}},
        {"text needs a text object", {P::ClipboardUTF8Text, P::ClipboardEPS}, false, {}},
        {"PostScript", {P::ClipboardEPS}, true, {mime::kPostScript}},
        {"Windows metafile", {P::ClipboardWMF}, false, {mime::kWmf}},
        {"private", {P::ClipboardKavitro}, false, {mime::kKavitro}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (P::Setting s : {P::ClipboardKavitro, P::ClipboardUTF8Text, P::ClipboardEPS, P::ClipboardBMP,
                             P::ClipboardWMF, P::ClipboardEMF})
            env.settings[s] = 0;
        for (P::Setting s : c.on) env.settings[s] = 1;
        a.view->Select(r, false, false);
        if (c.withText) a.view->Select(t, true, false);
        OnEditCopy(*a.view);
        QStringList expected;
        for (const char* f : c.expected) expected << f;
        QStringList formats = Clipboard().formats();
        formats.sort();
        expected.sort();
        EXPECT_EQ(formats, expected);
    }
    // The content of the text and PostScript formats.
    env.settings[P::ClipboardUTF8Text] = 1;
    env.settings[P::ClipboardEPS] = 1;
    env.settings[P::ClipboardWMF] = 1;
    a.view->Select(t, false, false);
    OnEditCopy(*a.view);
    // The text's codes (its closing space too), then CR LF.
    EXPECT_EQ(Clipboard().text().toStdU16String(), u"سلام \r\n");
    EXPECT_TRUE(Clipboard().data(mime::kPostScript).startsWith("%!PS-Adobe"));
    const QByteArray wmf = Clipboard().data(mime::kWmf);
    ASSERT_GT(wmf.size(), 22);
    EXPECT_EQ(static_cast<unsigned char>(wmf[0]), 0xD7u);  // the placeable key
}

TEST(ClipboardBitmap, IsScaledDownEvenlyOnlyBeyondWhatTheRendererDraws) {
    constexpr std::int64_t side = CKavitroDoc::kMaxBitmapSide, pixels = CKavitroDoc::kMaxBitmapPixels;
    struct Case {
        const char* name;
        std::int64_t w, h;
        std::int32_t percent;
    };
    const Case cases[] = {
        {"an A4 page at the default 50 %", 21000, 29700, 50},
        {"an A4 page at 500 %: too many pixels", 21000, 29700, 500},
        {"a long rule at 500 %: too wide", 70000, 200, 500},
        {"a tall column at 500 %: too high", 300, 90000, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t W = c.w * c.percent / 1000, H = c.h * c.percent / 1000;
        const Size got = ClipboardBitmapSize(c.w, c.h, c.percent);
        ASSERT_GT(got.cx, 0);
        ASSERT_GT(got.cy, 0);
        EXPECT_LE(got.cx, side);
        EXPECT_LE(got.cy, side);
        EXPECT_LE(std::int64_t{got.cx} * got.cy, pixels);
        if (W <= side && H <= side && W * H <= pixels) {
            EXPECT_EQ(got, (Size{static_cast<std::int32_t>(W), static_cast<std::int32_t>(H)}));
            continue;
        }
        // The drawing's proportions, within a pixel, and as large as the bound allows.
        EXPECT_LE(std::llabs(got.cx * H - got.cy * W), std::max(W, H));
        EXPECT_TRUE(got.cx + 1 > side || got.cy + 1 > side || (std::int64_t{got.cx} + 1) * (got.cy + 1) > pixels);
    }
}

TEST_F(ClipboardFixture, ACopyTooLargeForItsBitmapSizeStillOffersABitmap) {
    env.settings[CApplicationProperties::ClipboardBMP] = 1;
    env.settings[CApplicationProperties::ClipboardBMPSize] = 500;
    CDrawRect* rule = AddRect(*a.doc, Place(-80000, -20000, 70000, 200));  // 35000 pixels wide at 500 %
    const std::unique_ptr<QMimeData> data =
        BuildClipboardData(*a.doc, {rule}, ClipboardSettings::From(env.settings));
    ASSERT_TRUE(data->hasFormat(mime::kPng));
    const QByteArray bmp = data->data(mime::kBmp);
    ASSERT_GT(bmp.size(), 26);
    const auto u32 = [&](int at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bmp[at]) |
                                          static_cast<unsigned char>(bmp[at + 1]) << 8 |
                                          static_cast<unsigned char>(bmp[at + 2]) << 16 |
                                          static_cast<unsigned char>(bmp[at + 3]) << 24);
    };
    // As wide as a bitmap may be, give or take the rule's proportions.
    const std::uint32_t width = u32(18);
    EXPECT_LE(width, static_cast<std::uint32_t>(CKavitroDoc::kMaxBitmapSide));
    EXPECT_GT(width, static_cast<std::uint32_t>(CKavitroDoc::kMaxBitmapSide) * 98 / 100);
}

// An object whose character codes cannot be read: the copy fails part way.
class FailingTextSource : public CDrawText {
public:
    using CDrawText::CDrawText;
    void GetCharacterCodes(std::vector<std::uint16_t>&) const override { throw std::runtime_error("unreadable"); }
};

TEST_F(ClipboardFixture, AFailedCopyRestoresTheZoomAndLeavesTheClipboard) {
    env.settings[CApplicationProperties::ClipboardUTF8Text] = 1;
    CPolygonRect at;
    at.m_rect = Rect(-2000, -6000, -6000, -4500);
    auto* bad = new FailingTextSource(at, 0, a.doc.get());
    a.doc->Add(bad, true);
    bad->OnChar(a.view.get(), u'ب');
    a.view->Select(bad, false, false);
    auto previous = std::make_unique<QMimeData>();
    previous->setData("application/x-earlier", "x");
    QGuiApplication::clipboard()->setMimeData(previous.release());
    a.doc->SetZoom(40);
    env.notifier.Clear();

    EXPECT_THROW(OnEditCopy(*a.view), std::runtime_error);
    EXPECT_EQ(a.doc->GetZoom(), 40);
    const auto zooms = env.notifier.PostedOf(NotifyMessage::ZoomChanged);
    ASSERT_FALSE(zooms.empty());
    EXPECT_EQ(zooms.back().wParam, 40u);
    EXPECT_TRUE(Clipboard().hasFormat("application/x-earlier"));
}

TEST_F(ClipboardFixture, AWordRangeIsCopiedAsOneTextAndMergedIntoASelectedText) {
    CDrawText* source = AddText(a, u"سلام دنیا");
    ASSERT_GE(source->m_paragraph.m_words.size(), 2u);
    const std::size_t lastWord = source->m_paragraph.m_words.size() - 1;
    a.view->Select(source, false, false);
    a.view->GetSelection().m_component.m_firstWord = static_cast<std::uint16_t>(lastWord);
    a.view->GetSelection().m_component.m_lastWord = static_cast<std::uint16_t>(lastWord);
    OnEditCopy(*a.view);

    const QByteArray bytes = Clipboard().data(mime::kKavitro);
    const auto list = LoadObjectList({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())}, b.doc.get(), 0);
    ASSERT_EQ(list.size(), 1u);
    const auto* copied = dynamic_cast<const CDrawText*>(list[0].get());
    ASSERT_NE(copied, nullptr);
    ASSERT_EQ(copied->m_paragraph.m_words.size(), 1u);
    EXPECT_EQ(copied->m_paragraph.m_words[0].m_x, 0);
    EXPECT_EQ(copied->m_paragraph.m_words[0].m_characters.size(),
              source->m_paragraph.m_words[lastWord].m_characters.size());

    // One selected text in the other document takes the words at its caret,
    // and the caret moves on past them.
    CDrawText* target = AddText(b, u"سلام");
    target->m_nCaret = 0;
    b.view->Select(target, false, false);
    const std::size_t words = target->m_paragraph.m_words.size();
    const std::size_t objects = b.doc->m_objects.m_objects.size();
    ASSERT_TRUE(OnEditPaste(*b.view));
    EXPECT_EQ(b.doc->m_objects.m_objects.size(), objects);
    EXPECT_EQ(target->m_paragraph.m_words.size(), words + 1);
    const WordPosition caret = target->m_paragraph.CaretToWord(target->m_nCaret, true);
    ASSERT_EQ(caret.word, 0);
    const CCalligraphyWord& pasted = target->m_paragraph.m_words[0];
    EXPECT_EQ(pasted.m_characters.size(), copied->m_paragraph.m_words[0].m_characters.size());
    EXPECT_GE(caret.offset + 1, static_cast<std::int32_t>(pasted.m_characters.size()));
}

TEST_F(ClipboardFixture, PastedObjectsLandOnTheViewsPageAsOneUndoStepEach) {
    CDrawRect* r1 = AddRect(*a.doc, Place(-15000, -20000, 4000, 2500));
    CDrawRect* r2 = AddRect(*a.doc, Place(-5000, -2000, 400, 250));
    CDrawLine* l = AddLine(*a.doc, Place(-9000, -3000, 2000, 1000));
    auto data = std::make_unique<QMimeData>();
    data->setData(mime::kKavitro, AsQBytes(StoreObjectList(std::vector<CDrawObj*>{r1, r2, l})));

    b.view->SetCurrentPage(kAllPages);
    ASSERT_TRUE(PasteData(*b.view, *data));
    ASSERT_EQ(b.doc->m_objects.m_objects.size(), 3u);
    for (const CDrawObj* o : b.doc->m_objects.m_objects) EXPECT_EQ(o->m_nPage, kAllPages);

    OnEditUndo(*b.view);
    EXPECT_EQ(b.doc->m_objects.m_objects.size(), 2u);
    EXPECT_EQ(b.doc->m_objects.m_objects.back()->GetRuntimeClass(), &CDrawRect::GetThisClass());
}

TEST_F(ClipboardFixture, DataThatDoesNotLoadAddsNothing) {
    CDrawRect* r = AddRect(*b.doc, Place(-15000, -20000, 4000, 2500));
    b.view->Select(r, false, false);
    std::vector<std::uint8_t> cut = StoreObjectList(std::vector<CDrawObj*>{r, r});
    cut.resize(cut.size() - 10);
    struct Case {
        const char* name;
        const char* format;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"a private list cut short", mime::kKavitro, AsQBytes(cut)},
        {"a PNG that is not one", mime::kPng, QByteArray("\x89PNG\r\n\x1a\n garbage")},
        {"an EMF that is not one", mime::kEmf, QByteArray(100, '\x01')},
        {"a WMF without its placeable header", mime::kWmf, QByteArray(40, '\0')},
    };
    const std::size_t undo = b.doc->m_objects.m_undo.size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMimeData data;
        data.setData(c.format, c.bytes);
        EXPECT_ANY_THROW(PasteData(*b.view, data));
        EXPECT_EQ(b.doc->m_objects.m_objects.size(), 1u);
        EXPECT_EQ(b.doc->m_objects.m_undo.size(), undo);
    }
}

TEST_F(ClipboardFixture, ImagesAndMetafilesArePastedAsPictures) {
    QImage image(96, 48, QImage::Format_RGB32);  // one inch by half an inch
    image.fill(qRgb(10, 120, 40));
    QMimeData png;
    png.setImageData(image);
    ASSERT_TRUE(PasteData(*b.view, png));
    auto* raster = dynamic_cast<CDrawPicture*>(b.doc->m_objects.m_objects.back());
    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(raster->m_nPictureType, CDrawPicture::RasterPicture);
    Rect placed = raster->m_position.m_rect;
    placed.NormalizeRect();
    EXPECT_EQ(placed.Width(), 2540);
    EXPECT_EQ(placed.Height(), 1270);
    EXPECT_TRUE(b.view->IsSelected(*raster));

    std::vector<std::uint8_t> emf;
    AddRect(*a.doc, Place(-5000, -5000, 1000, 1000));
    ASSERT_TRUE(a.doc->RenderToEnhMetafile(emf, a.doc->ObjectsOnPage(0)));
    QMimeData metafile;
    metafile.setData(mime::kEmf, AsQBytes(emf));
    ASSERT_TRUE(PasteData(*b.view, metafile));
    auto* vector = dynamic_cast<CDrawPicture*>(b.doc->m_objects.m_objects.back());
    ASSERT_NE(vector, nullptr);
    EXPECT_EQ(vector->m_nPictureType, CDrawPicture::VectorPicture);
    ASSERT_NE(vector->m_pMetafile, nullptr);
    EXPECT_TRUE(vector->m_pMetafile->HasMetafile());
}

// --- Edit commands ----------------------------------------------------------------------------------

TEST_F(ClipboardFixture, SelectAllTakesThePageAndDeleteRemovesTheSelection) {
    CDrawRect* r = AddRect(*a.doc, Place(-15000, -20000, 4000, 2500));
    CDrawLine* l = AddLine(*a.doc, Place(-9000, -3000, 2000, 1000));
    a.doc->AddPage(kNoTarget);
    AddRect(*a.doc, Place(-5000, -5000, 1000, 1000), 1);
    CDrawTool::CurrentShape() = 5;
    OnEditSelectAll(*a.view);
    EXPECT_EQ(CDrawTool::CurrentShape(), 0);
    EXPECT_EQ(a.view->GetSelection().GetObjects(), (std::vector<CDrawObj*>{r, l}));

    OnEditClear(*a.view);
    EXPECT_EQ(a.doc->m_objects.m_objects.size(), 1u);
    EXPECT_TRUE(a.view->GetSelection().IsEmpty());
    // One command, one undo step, whatever the selection held.
    OnEditUndo(*a.view);
    EXPECT_EQ(a.doc->m_objects.m_objects.size(), 3u);
    OnEditRedo(*a.view);
    EXPECT_EQ(a.doc->m_objects.m_objects.size(), 1u);
    OnEditUndo(*a.view);
    EXPECT_EQ(a.doc->m_objects.m_objects.size(), 3u);

    // Cut of the two as well: one Undo brings both back.
    OnEditSelectAll(*a.view);
    OnEditCut(*a.view);
    EXPECT_EQ(a.doc->m_objects.m_objects.size(), 1u);
    OnEditUndo(*a.view);
    EXPECT_EQ(a.doc->m_objects.m_objects.size(), 3u);
}

TEST_F(ClipboardFixture, DeleteWithAWordRangeDeletesOnlyThoseWords) {
    CDrawText* t = AddText(a, u"سلام دنیا");
    const std::size_t words = t->m_paragraph.m_words.size();
    a.view->Select(t, false, false);
    a.view->GetSelection().m_component.m_firstWord = 0;
    a.view->GetSelection().m_component.m_lastWord = 0;
    OnEditClear(*a.view);
    EXPECT_EQ(a.doc->m_objects.m_objects.size(), 1u);
    EXPECT_LT(t->m_paragraph.m_words.size(), words);
    EXPECT_FALSE(a.view->GetSelection().HasComponent());
    OnEditUndo(*a.view);
    EXPECT_EQ(t->m_paragraph.m_words.size(), words);
}

TEST_F(ClipboardFixture, UpdateRulesFollowSelectionComponentsAndLists) {
    CCommandRegistry registry;
    RegisterEditCommands(registry);
    CDrawText* t = AddText(a, u"سلام");
    auto enabled = [&](std::uint32_t id) { return registry.Update(id, *a.view).enabled; };
    using namespace edit_ids;
    a.view->Select(nullptr, false, false);
    EXPECT_FALSE(enabled(kCopy));
    EXPECT_FALSE(enabled(kClear));
    EXPECT_TRUE(enabled(kSelectAll));
    EXPECT_TRUE(enabled(kUndo));
    EXPECT_FALSE(enabled(kRedo));
    EXPECT_FALSE(enabled(kPaste));  // the clipboard is empty

    a.view->Select(t, false, false);
    auto& c = a.view->GetSelection().m_component;
    struct Case {
        const char* name;
        CTextComponentSelection component;
        bool copy;
    };
    CTextComponentSelection words, point, mark;
    words.m_firstWord = words.m_lastWord = 0;
    point.m_point = 0;
    mark.m_firstWord = mark.m_lastWord = mark.m_letter = 0;
    mark.m_mark = 0;
    for (const Case& k : {Case{"object", {}, true}, Case{"word range", words, true}, Case{"vowel point", point, false},
                          Case{"a letter's mark", mark, false}}) {
        SCOPED_TRACE(k.name);
        c = k.component;
        EXPECT_EQ(enabled(kCopy), k.copy);
        EXPECT_EQ(enabled(kCut), k.copy);
        EXPECT_TRUE(enabled(kClear));
    }
    c = {};
    ASSERT_TRUE(registry.Execute(kCopy, *a.view));
    EXPECT_TRUE(enabled(kPaste));
}

// --- Text through the keyboard translation -------------------------------------------------------

// Latin b becomes beh, as a keyboard layout folds Latin keys; x is refused.
class LatinToPersian final : public CharacterTranslator {
public:
    std::uint16_t TranslateChar(std::uint32_t code) const override {
        if (code == u'b') return 0x0628;
        if (code == u'x') return kRefused;
        return static_cast<std::uint16_t>(code);
    }
};

struct TranslatedTextFixture : ::testing::Test {
    test::TestServices env;
    LatinToPersian translator;
    std::unique_ptr<Window> w;
    void SetUp() override {
        CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
        if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
        env.services.translator = &translator;
        w = std::make_unique<Window>(env.services);
    }
    std::vector<std::uint16_t> Codes(const CDrawObj& o) {
        std::vector<std::uint16_t> codes;
        o.GetCharacterCodes(codes);
        return codes;
    }
};

TEST_F(TranslatedTextFixture, PastedTextGoesThroughTheTranslationIntoTheSelectedTextOnly) {
    QMimeData data;
    data.setText("bxb");
    // Without a selected text nothing is pasted.
    EXPECT_FALSE(PasteData(*w->view, data));
    EXPECT_TRUE(w->doc->m_objects.m_objects.empty());

    CPolygonRect at;
    at.m_rect = Rect(-2000, -6000, -6000, -4500);
    auto* text = new CDrawText(at, 0, w->doc.get());
    w->doc->Add(text, true);
    w->view->Select(text, false, false);
    ASSERT_TRUE(PasteData(*w->view, data));
    const std::vector<std::uint16_t> codes = Codes(*text);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x0628), 2);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), u'x'), 0);
    // The block was closed: the text was laid out and is selected.
    EXPECT_TRUE(w->view->IsSelected(*text));
}

// --- Drag and drop ------------------------------------------------------------------------------------

TEST_F(ClipboardFixture, ADropInsertsWhatPasteWouldCentredOnTheDropPoint) {
    CDrawRect* r = AddRect(*a.doc, Place(-15000, -20000, 4000, 2000));
    QMimeData data;
    data.setData(mime::kKavitro, AsQBytes(StoreObjectList(std::vector<CDrawObj*>{r})));
    CDropTarget target(*b.view);
    const Point drop{300, 200};
    EXPECT_EQ(target.OnDragEnter(data, drop), CDropTarget::Effect::Copy);
    EXPECT_EQ(target.OnDragOver(data, Point{-5, 200}), CDropTarget::Effect::None);  // outside the view
    ASSERT_TRUE(target.OnDrop(data, drop));
    ASSERT_EQ(b.doc->m_objects.m_objects.size(), 1u);
    Rect placed = b.doc->m_objects.m_objects.front()->BuildZoomedPosition().m_bounds;
    placed.NormalizeRect();
    const Point centre = b.view->ClientToDoc(drop);
    EXPECT_LE(std::abs(placed.CenterPoint().x - centre.x), 1);
    EXPECT_LE(std::abs(placed.CenterPoint().y - centre.y), 1);
    EXPECT_EQ(placed.Width(), 4000);

    // Nothing to insert, or data that does not load: refused, nothing changes.
    std::vector<std::uint8_t> cut = StoreObjectList(std::vector<CDrawObj*>{r});
    cut.resize(cut.size() - 3);
    QMimeData unknown, broken;
    unknown.setData("application/x-unknown", "1234");
    broken.setData(mime::kKavitro, AsQBytes(cut));
    for (const QMimeData* d : {&unknown, &broken}) {
        EXPECT_FALSE(target.OnDrop(*d, drop));
        EXPECT_EQ(b.doc->m_objects.m_objects.size(), 1u);
    }
    EXPECT_EQ(target.OnDragOver(unknown, drop), CDropTarget::Effect::None);
}

TEST_F(ClipboardFixture, FilesFromAFileManagerArePicturesTextOrDocuments) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto path = [&](const char* name) { return dir.filePath(name); };
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(image.save(path("picture.png")));
    auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write("broken.png", "not a png at all");
    write("words.txt", QByteArray("\xEF\xBB\xBF") + QString::fromStdU16String(u"سلام").toUtf8());
    write("notes.xyz", "?");
    write("other.kv2", "?");
    auto files = [&](std::initializer_list<const char*> names) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const char* n : names) urls << QUrl::fromLocalFile(path(n));
        data->setUrls(urls);
        return data;
    };
    CDropTarget target(*b.view);
    const Point drop{200, 200};

    // A file of another kind, or a document without the shell's opener.
    EXPECT_EQ(target.OnDragOver(*files({"notes.xyz", "other.kv2"}), drop), CDropTarget::Effect::None);
    EXPECT_FALSE(target.OnDrop(*files({"notes.xyz", "other.kv2"}), drop));

    // A broken picture is reported and skipped; the good one is taken.
    ASSERT_TRUE(target.OnDrop(*files({"broken.png", "picture.png"}), drop));
    ASSERT_EQ(b.doc->m_objects.m_objects.size(), 1u);
    EXPECT_NE(dynamic_cast<CDrawPicture*>(b.doc->m_objects.m_objects.front()), nullptr);
    EXPECT_EQ(env.errors.Reports().size(), 1u);

    // Text goes into a new text object when none is selected.
    b.view->Select(nullptr, false, false);
    ASSERT_TRUE(target.OnDrop(*files({"words.txt"}), drop));
    std::vector<std::uint16_t> codes;
    for (const CDrawObj* o : b.doc->m_objects.m_objects) o->GetCharacterCodes(codes);
    EXPECT_NE(std::find(codes.begin(), codes.end(), u'س'), codes.end());

    // A document goes to the shell.
    std::vector<std::filesystem::path> opened;
    CDropTarget::SetDocumentOpener([&](const std::filesystem::path& p) {
        opened.push_back(p);
        return true;
    });
    EXPECT_FALSE(target.OpenedDocument());
    b.doc->SetModifiedFlag(false);
    EXPECT_TRUE(target.OnDrop(*files({"other.kv2"}), drop));
    CDropTarget::SetDocumentOpener({});
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].filename(), "other.kv2");
    // The opened document's window keeps the focus; this one is unchanged.
    EXPECT_TRUE(target.OpenedDocument());
    EXPECT_FALSE(b.doc->IsModified());
}

}  // namespace
}  // namespace kavitro
