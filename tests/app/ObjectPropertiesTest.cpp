// The object property pages' logic: values in, document change and undo
// record out; and the sheet base's font and page handling.

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

#include "app/PageListModel.h"
#include "app/dialogs/ObjectPropertyPages.h"
#include "app/dialogs/PropertySheet.h"
#include "platform/Exceptions.h"
#include "tests/app/DialogTestSupport.h"
#include "app/dialogs/ColourPicker.h"
#include "document/DrawPicture.h"
#include "document/DrawText.h"
#include "engine/CalligraphyFont.h"
#include "tests/document/DocumentFixture.h"
#include "tests/document/PictureFixtures.h"

namespace kavitro {
namespace {

class ObjectProperties : public test::DialogTest {
protected:
    void SetUp() override {
        test::DialogTest::SetUp();
        m_doc = test::NewDocument(m_services.services);
        m_doc->m_objects.m_nPages = 3;
        m_rect = test::AddRect(*m_doc, test::Place(-5000, -3000, 2000, 1000), 2);
        m_rect->m_bPen = 1;
        m_rect->m_logpen.width = Point{3, 3};
        m_rect->m_bBrush = 1;
        ++CObjectsBuffer::GetActionIdCounter();
    }
    test::TestServices m_services;
    std::unique_ptr<CKavitroDoc> m_doc;
    CDrawRect* m_rect = nullptr;
};

TEST_F(ObjectProperties, GeneralPageReadsTheObject) {
    const GeneralValues v = ReadGeneralValues(*m_rect, *m_doc);
    EXPECT_FALSE(v.everyPage);
    EXPECT_FALSE(v.noFill);
    EXPECT_EQ(v.lineWidth, 3);
    EXPECT_EQ(v.page, 2);
}

// The page list numbers the document's pages, "1", "2", ..., without an item
// per page: a page count no document can hold (as a damaged file gives)
// costs nothing, in the list and in sizing it.
TEST_F(ObjectProperties, GeneralPageListsPagesWithoutAnItemPerPage) {
    const struct {
        std::uint32_t pages;
        const char* last;
    } cases[] = {{3, "3"}, {1u << 28, "268435456"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pages);
        m_doc->m_objects.m_nPages = c.pages;
        CObjectGeneralProperties page(*m_rect, *m_doc);
        page.OnFirstActive();
        auto* list = page.findChild<QComboBox*>(QStringLiteral("page"));
        ASSERT_NE(list, nullptr);
        ASSERT_NE(dynamic_cast<PageListModel*>(list->model()), nullptr);
        ASSERT_EQ(list->count(), static_cast<int>(c.pages));
        EXPECT_EQ(list->itemText(0), QStringLiteral("1"));
        EXPECT_EQ(list->itemText(list->count() - 1), QString::fromLatin1(c.last));
        EXPECT_EQ(list->currentIndex(), 2);
        EXPECT_GT(list->sizeHint().width(), 0);
    }
}

// The page's origin is its top-right corner, y grows upwards: an object
// 30 mm from the right and 20 mm from the top shows 30 and 20 however its
// rectangle runs (a pasted picture's top is its lower edge).
TEST_F(ObjectProperties, GeneralPageShowsTheRightAndUpperEdges) {
    const Rect rects[] = {{-5000, -3000, -3000, -2000},
                          {-3000, -2000, -5000, -3000},
                          {-3000, -3000, -5000, -2000},
                          {-5000, -2000, -3000, -3000}};
    for (const Rect& r : rects) {
        SCOPED_TRACE(::testing::Message() << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom);
        CPolygonRect at;
        at.m_rect = r;
        at.SetAngle(0);
        m_rect->m_position = at;
        const GeneralValues v = ReadGeneralValues(*m_rect, *m_doc);
        EXPECT_DOUBLE_EQ(v.horizontal, 30.0);
        EXPECT_DOUBLE_EQ(v.vertical, 20.0);
    }
}

TEST_F(ObjectProperties, GeneralPageChangesAreOneUndoableStep) {
    const struct {
        const char* what;
        GeneralValues (*edit)(GeneralValues);
        std::uint32_t page, pen, brush;
        std::int32_t width;
    } cases[] = {
        {"width 0 switches the pen off", [](GeneralValues v) { v.lineWidth = 0; return v; }, 2, 0, 1, 0},
        {"width 5", [](GeneralValues v) { v.lineWidth = 5; return v; }, 2, 1, 1, 5},
        {"width beyond the spin range", [](GeneralValues v) { v.lineWidth = 100000; return v; }, 2, 1, 1, kMaxLineWidth},
        {"negative width", [](GeneralValues v) { v.lineWidth = -4; return v; }, 2, 0, 1, 0},
        {"every page", [](GeneralValues v) { v.everyPage = true; return v; }, 0xF0000002u, 1, 1, 3},
        {"no fill", [](GeneralValues v) { v.noFill = true; return v; }, 2, 1, 0, 3},
        {"page past the last", [](GeneralValues v) { v.page = 9; v.lineColour = 7; return v; }, 2, 1, 1, 3},
        {"page before the first", [](GeneralValues v) { v.page = -1; v.lineColour = 5; return v; }, 0, 1, 1, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GeneralValues before = ReadGeneralValues(*m_rect, *m_doc);
        const std::size_t undoCount = m_doc->m_objects.m_undo.size();
        ASSERT_TRUE(ApplyGeneralValues(*m_rect, *m_doc, c.edit(before)));
        EXPECT_EQ(m_rect->m_nPage, c.page);
        EXPECT_EQ(m_rect->m_bPen, c.pen);
        EXPECT_EQ(m_rect->m_bBrush, c.brush);
        EXPECT_EQ(m_rect->m_logpen.width, (Point{c.width, c.width}));
        EXPECT_EQ(m_doc->m_objects.m_undo.size(), undoCount + 1);
        EXPECT_EQ(m_doc->m_objects.m_undo.back()->m_nKind, CObjectsBuffer::CAction::ChangeStyle);
        ASSERT_TRUE(m_doc->UndoRedo(true, nullptr));
        EXPECT_EQ(m_rect->m_nPage, 2u);
        EXPECT_EQ(m_rect->m_bPen, 1u);
        EXPECT_EQ(m_rect->m_logpen.width, (Point{3, 3}));
        ASSERT_TRUE(m_doc->UndoRedo(false, nullptr));
        EXPECT_EQ(m_rect->m_nPage, c.page);
        ASSERT_TRUE(m_doc->UndoRedo(true, nullptr));
    }
    // Nothing changed: nothing recorded.
    const std::size_t undoCount = m_doc->m_objects.m_undo.size();
    EXPECT_FALSE(ApplyGeneralValues(*m_rect, *m_doc, ReadGeneralValues(*m_rect, *m_doc)));
    EXPECT_EQ(m_doc->m_objects.m_undo.size(), undoCount);
}

TEST_F(ObjectProperties, TextBoxesGiveBoundedSizesAndNormalisedAngles) {
    const struct {
        const char16_t* size;
        const char16_t* angle;
        std::optional<std::int32_t> size20;
        std::int32_t angle0;
    } cases[] = {
        {u"25.5", u"0", 510, 0},
        {u"25", u"-90", 500, 270},
        {u"25", u"725", 500, 5},
        {u"0", u"10", 40, 10},          // at least 2 pt
        {u"-8", u"10", 40, 10},
        {u"1e9", u"10", std::nullopt, 0},
        {u"99999999", u"10", 200000, 10},
        {u"x", u"10", std::nullopt, 0},
        {u"25", u"", std::nullopt, 0},
        {u"\u06F2\u06F5", u"\u06F4\u06F5", 500, 45},
    };
    for (const auto& c : cases) {
        const auto change = ReadTextBoxes(c.size, c.angle);
        ASSERT_EQ(change.has_value(), c.size20.has_value());
        if (!change) continue;
        EXPECT_EQ(change->sizeTimes20, *c.size20);
        EXPECT_EQ(change->angle, c.angle0);
    }
}

TEST_F(ObjectProperties, TextPageColourReachesTheTextAndUndoRestoresIt) {
    CCalligraphyFont& fonts = CCalligraphyFont::GetInstance();
    if (!fonts.IsInitialized()) fonts.Init(KAVITRO_SHARE_DIR, 0);
    CPolygonRect at;
    at.m_rect = Rect(-3000, -5000, 0, 0);
    auto* text = new CDrawText(at, 0, m_doc.get());
    m_doc->Add(text, true);
    const std::u16string typed = u"سلام دوست";
    m_doc->InsertText(nullptr, text, typed.data(), typed.size(), false);
    ++CObjectsBuffer::GetActionIdCounter();
    const std::size_t groups = text->m_paragraph.m_words.size();
    ASSERT_GE(groups, 2u);
    const COLORREF before = text->m_color;
    const std::size_t undoCount = m_doc->m_objects.m_undo.size();

    std::optional<TextViewChange> toView;
    CObjectTextProperties page(*text, *m_doc, [&](const TextViewChange& change) { toView = change; });
    page.OnFirstActive();
    auto* picker = page.findChild<CColourPicker*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->GetColour(), before);
    const COLORREF chosen = RGB(165, 42, 0);
    picker->SetColour(chosen);
    page.OnOK();

    // The colour is the text's, as one step; size and angle go to the view.
    EXPECT_EQ(text->m_color, chosen);
    EXPECT_EQ(m_doc->m_objects.m_undo.size(), undoCount + 1);
    ASSERT_TRUE(toView.has_value());
    EXPECT_EQ(toView->sizeTimes20, text->GetTextSize());
    ASSERT_TRUE(m_doc->UndoRedo(true, nullptr));
    EXPECT_EQ(text->m_color, before);
    EXPECT_EQ(text->m_paragraph.m_words.size(), groups);  // the typed letters stay
    ASSERT_TRUE(m_doc->UndoRedo(false, nullptr));
    EXPECT_EQ(text->m_color, chosen);
}

TEST_F(ObjectProperties, DodavoPageChangesThePictureOnlyOnOkAndUndoably) {
    auto* picture = new CDrawPicture(test::Place(-4000, -4000, 1000, 1000), 0, m_doc.get());
    m_doc->Add(picture, true);
    ++CObjectsBuffer::GetActionIdCounter();
    auto vector = std::make_unique<CMetafilePicture>();
    vector->SetWmfBits(test::PlaceableWmf());
    picture->ChangeDodavo(std::move(vector), nullptr);
    ASSERT_EQ(picture->m_nPictureType, CDrawPicture::VectorPicture);
    const std::size_t undoCount = m_doc->m_objects.m_undo.size();

    {   // OK without a chosen picture, and Cancel with one, change nothing.
        CObjectDodavoProperties page(*picture);
        page.OnOK();
        CObjectDodavoProperties cancelled(*picture);
        auto raster = std::make_unique<CDib>();
        raster->SetDib(test::MakeDib(4, 3, 24));
        cancelled.SetPending(nullptr, std::move(raster));
        cancelled.OnCancel();
        cancelled.OnOK();
    }
    EXPECT_EQ(m_doc->m_objects.m_undo.size(), undoCount);
    EXPECT_EQ(picture->m_nPictureType, CDrawPicture::VectorPicture);

    CObjectDodavoProperties page(*picture);
    auto raster = std::make_unique<CDib>();
    raster->SetDib(test::MakeDib(4, 3, 24));
    page.SetPending(nullptr, std::move(raster));
    page.OnOK();
    EXPECT_EQ(picture->m_nPictureType, CDrawPicture::RasterPicture);
    EXPECT_EQ(picture->m_pMetafile, nullptr);
    ASSERT_TRUE(m_doc->UndoRedo(true, nullptr));
    EXPECT_EQ(picture->m_nPictureType, CDrawPicture::VectorPicture);
    EXPECT_NE(picture->m_pMetafile, nullptr);
}

TEST_F(ObjectProperties, SheetGivesItsPagesOneEnlargedFont) {
    EXPECT_EQ(PageFontTenths(8, 96), 88);
    EXPECT_EQ(PageFontTenths(8, 120), 80);

    CFontPropertySheet empty(QStringLiteral("empty"));
    EXPECT_THROW(empty.Prepare(), InvalidArgumentException);

    CFontPropertySheet sheet(QStringLiteral("Object Properties"));
    auto* page = new CObjectGeneralProperties(*m_rect, *m_doc);
    sheet.AddPage(page);
    sheet.Prepare();
    EXPECT_TRUE(page->WasOpened());
    EXPECT_EQ(page->font(), sheet.PageFont());
    EXPECT_EQ(page->findChild<QSpinBox*>()->value(), 3);
    page->findChild<QSpinBox*>()->setValue(7);
    sheet.accept();
    EXPECT_EQ(m_rect->m_logpen.width, (Point{7, 7}));

    // Cancel writes nothing.
    CFontPropertySheet cancelled(QStringLiteral("Object Properties"));
    auto* other = new CObjectGeneralProperties(*m_rect, *m_doc);
    cancelled.AddPage(other);
    cancelled.Prepare();
    other->findChild<QSpinBox*>()->setValue(9);
    cancelled.reject();
    EXPECT_EQ(m_rect->m_logpen.width, (Point{7, 7}));
}

// A wizard page that counts its activations and can hold the user back.
class CountingPage : public CFontPropertyPage {
public:
    using CFontPropertyPage::CFontPropertyPage;
    void OnFirstActive() override { ++first; }
    void OnSetActive() override { ++active; }
    bool OnWizardNext() override { return allowNext; }
    int first = 0, active = 0;
    bool allowNext = true;
};

TEST_F(ObjectProperties, WizardMovesThroughItsPagesInOrder) {
    CFontPropertySheet wizard(QStringLiteral("Import"));
    auto* one = new CountingPage(QStringLiteral("one"));
    auto* two = new CountingPage(QStringLiteral("two"));
    wizard.AddPage(one);
    wizard.AddPage(two);
    wizard.SetWizardMode(true);
    wizard.Prepare();
    EXPECT_EQ(wizard.ActiveIndex(), 0);
    EXPECT_EQ(one->active, 1);
    one->allowNext = false;
    wizard.WizardNext();
    EXPECT_EQ(wizard.ActiveIndex(), 0);
    one->allowNext = true;
    wizard.WizardNext();
    wizard.WizardNext();  // past the last: stays
    EXPECT_EQ(wizard.ActiveIndex(), 1);
    wizard.WizardBack();
    wizard.WizardNext();
    EXPECT_EQ(two->first, 1);  // filled once
    EXPECT_EQ(two->active, 2);
    EXPECT_EQ(one->active, 2);
}

}  // namespace
}  // namespace kavitro
