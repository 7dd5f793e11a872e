// The page-properties pages: guide-line lists, grid frequencies, the
// clipboard and miscellaneous settings; settings change only on OK.

#include <QCheckBox>
#include <QImage>
#include <QComboBox>
#include <QRadioButton>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTimer>

#include "app/dialogs/PagePropertyPages.h"
#include "app/dialogs/PaperPage.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/document/DocumentFixture.h"

namespace kavitro {
namespace {

using PageProperties = test::DialogTest;
using P = CApplicationProperties;

TEST_F(PageProperties, GuideListsShowHorizontalThenVerticalEntries) {
    GuideLineLists lists;
    lists.Add(1, 7);
    lists.Add(0, 10);
    lists.Add(0, 20.5);
    EXPECT_EQ(lists.Lines(), (QStringList{"Horizontal: 10.00", "Horizontal: 20.50", "Vertical: 7.00"}));
    int orientation = -1;
    double position = 0;
    ASSERT_TRUE(lists.Entry(2, orientation, position));
    EXPECT_EQ(orientation, 1);
    EXPECT_EQ(position, 7);
    // Editing a vertical entry changes that entry, whatever else is asked.
    ASSERT_TRUE(lists.Edit(2, 9));
    EXPECT_EQ(lists.vertical, (std::vector<double>{9}));
    ASSERT_TRUE(lists.Remove(0));  // the first horizontal one
    EXPECT_EQ(lists.horizontal, (std::vector<double>{20.5}));
    for (int bad : {-1, 2, 100}) {
        EXPECT_FALSE(lists.Edit(bad, 1));
        EXPECT_FALSE(lists.Remove(bad));
    }
    lists.Clear();
    EXPECT_EQ(lists.Count(), 0u);
}

TEST_F(PageProperties, GridFrequenciesAcceptOnlyOneToAThousand) {
    const struct {
        const char16_t* text;
        std::int32_t result;
    } cases[] = {
        {u"15", 15}, {u"0", 8},    {u"abc", 8},  {u"", 8},     {u"-4", 8},
        {u"1000", 1000}, {u"1001", 8}, {u"99999999999", 8}, {u"\u06F1\u06F2", 12}, {u"7.9", 7},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadGridFrequency(c.text, 8), c.result);
    EXPECT_EQ(ReadSettingBox(u"5000", 25, P::DefaultTextSize), 1000);
    EXPECT_EQ(ReadSettingBox(u"x", 25, P::DefaultTextSize), 25);
    EXPECT_EQ(ReadSettingBox(u"-3", 25, P::DefaultTextSize), 1);
}

TEST_F(PageProperties, PagesWriteTheirSettingsOnlyOnOk) {
    P settings;
    settings[P::GridHorizontalFreq] = 8;
    const P before = settings;

    CPagePropertiesGridPropertyPage grid(settings);
    grid.OnFirstActive();
    grid.HorizontalBox().setText(QStringLiteral("letters"));
    grid.VerticalBox().setText(QStringLiteral("15"));
    EXPECT_EQ(settings.m_values, before.m_values);  // nothing until OK
    grid.OnOK();
    EXPECT_EQ(settings[P::GridHorizontalFreq], 8);
    EXPECT_EQ(settings[P::GridVerticalFreq], 15);

    // The clipboard page opened and closed unchanged stores the same values.
    const P afterGrid = settings;
    CPagePropertiesClipboardPropertyPage clipboard(settings);
    clipboard.OnFirstActive();
    clipboard.OnOK();
    EXPECT_EQ(settings.m_values, afterGrid.m_values);

    // With "PointSize" clear the percentage is stored as 100.
    settings[P::PointSize] = 1;
    settings[P::PointSize_Size] = 85;
    CPagePropertiesMiscPropertyPage misc(settings);
    misc.OnFirstActive();
    EXPECT_EQ(misc.PointSizeBox().text(), QStringLiteral("Point size (85%)"));
    misc.PointSizeBox().click();  // clears it and refreshes
    EXPECT_FALSE(misc.PointSizeSlider().isEnabled());
    misc.TextSizeBox().setText(QStringLiteral("1e9"));
    misc.OnOK();
    EXPECT_EQ(settings[P::PointSize], 0);
    EXPECT_EQ(settings[P::PointSize_Size], 100);
    EXPECT_EQ(settings[P::DefaultTextSize], before[P::DefaultTextSize]);  // not a number: kept
}

TEST_F(PageProperties, GuidePageCarriesTheListsOfItsMaker) {
    P settings;
    CPagePropertiesGuidelinePropertyPage page(settings);
    page.m_lists.Add(0, 12.5);
    page.m_lists.Add(1, 3);
    page.m_filled = true;
    page.OnFirstActive();
    EXPECT_EQ(page.List().count(), 2);
    page.List().setCurrentRow(0);
    page.OnRemove();
    EXPECT_EQ(page.List().count(), 1);
    page.OnClear();
    page.OnOK();
    EXPECT_EQ(page.m_lists.Count(), 0u);
    EXPECT_FALSE(page.m_allPages);
}

TEST_F(PageProperties, SheetOfADocumentWindowEditsItsGuideLinesUndoably) {
    test::TestServices services;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(services.services);
    doc->AddGuideline(nullptr, 0, -1250);
    doc->AddGuideline(nullptr, 1, -4000);
    const GuidePageData data = GuidePageFor(*doc, 0);
    EXPECT_EQ(data.lists.horizontal, std::vector<double>{12.5});
    EXPECT_EQ(data.lists.vertical, std::vector<double>{40});
    EXPECT_DOUBLE_EQ(data.limits.horizontal, 279.4);  // US Letter, in millimetres
    EXPECT_DOUBLE_EQ(data.limits.vertical, 215.9);

    // The user removes the first line and ticks every page; then OK.
    auto answer = [](bool ok) {
        QTimer::singleShot(0, [ok] {
            auto* sheet = qobject_cast<CFontPropertySheet*>(QApplication::activeModalWidget());
            ASSERT_NE(sheet, nullptr);
            auto* guides = sheet->findChild<CPagePropertiesGuidelinePropertyPage*>();
            ASSERT_NE(guides, nullptr);
            guides->List().setCurrentRow(0);
            guides->OnRemove();
            guides->findChild<QCheckBox*>(QStringLiteral("allPages"))->setChecked(true);
            ok ? sheet->accept() : sheet->reject();
        });
    };
    P settings;
    answer(false);
    EXPECT_FALSE(RunPageProperties(nullptr, settings, doc.get(), 0));
    EXPECT_EQ(doc->m_guideLines.size(), 2u);  // Cancel changes nothing
    answer(true);
    ASSERT_TRUE(RunPageProperties(nullptr, settings, doc.get(), 0));
    ASSERT_EQ(doc->m_guideLines.size(), 1u);
    EXPECT_TRUE(IsOnEveryPage(doc->m_guideLines.front()->m_nPage));
    ASSERT_TRUE(doc->UndoRedo(true, nullptr));
    EXPECT_EQ(ListGuideLines(*doc, 0).horizontal, std::vector<double>{12.5});
    EXPECT_EQ(doc->m_guideLines.size(), 2u);
}

TEST_F(PageProperties, PaperPageGivesTheDocumentAStandardSizeWithoutAPrinter) {
    const Size letter{21590, 27940};
    const struct {
        std::array<std::u16string_view, 4> boxes;
        std::optional<Rect> margins;
    } cases[] = {
        {{u"10", u"5", u"10", u"5"}, Rect(1000, 500, 1000, 500)},
        {{u"\u06F1\u06F0", u"0", u"0", u"0"}, Rect(1000, 0, 0, 0)},
        {{u"-1", u"5", u"5", u"5"}, std::nullopt},
        {{u"x", u"5", u"5", u"5"}, std::nullopt},
        {{u"100", u"5", u"106", u"5"}, std::nullopt},  // less than a centimetre left
        {{u"1e300", u"5", u"5", u"5"}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadMargins(c.boxes, letter), c.margins);

    test::TestServices services;
    std::unique_ptr<CKavitroDoc> doc = test::NewDocument(services.services);
    ASSERT_EQ(doc->GetPageSize(), letter);
    CPagePropertiesPaperPropertyPage page(*doc);
    page.OnFirstActive();
    EXPECT_EQ(page.SizeBox().currentData().toInt(), static_cast<int>(QPageSize::Letter));
    page.SizeBox().setCurrentIndex(page.SizeBox().findData(static_cast<int>(QPageSize::A4)));
    page.LandscapeButton().setChecked(true);
    page.MarginBox(0).setText(QStringLiteral("20"));
    page.OnOK();
    EXPECT_EQ(doc->GetPageSize(), (Size{29700, 21000}));
    EXPECT_EQ(doc->m_margins, Rect(2000, 500, 500, 500));
    EXPECT_TRUE(doc->IsModified());

    // A size of no standard paper is offered as the document's own.
    doc->SetPageSize(Size{20000, 15000}, Rect(500, 500, 500, 500));
    CPagePropertiesPaperPropertyPage own(*doc);
    own.OnFirstActive();
    EXPECT_EQ(own.SizeBox().currentIndex(), 0);
    EXPECT_EQ(own.SizeBox().currentData().toInt(), -1);
    EXPECT_TRUE(own.LandscapeButton().isChecked());
    own.OnOK();
    EXPECT_EQ(doc->GetPageSize(), (Size{20000, 15000}));
}

TEST_F(PageProperties, TheStyleListShowsThePacksPicturesOnAClearBackground) {
    // Without a pack the style is drawn in the ink asked for.
    const QImage drawn = GuideStyleIcon(0, Qt::red).toImage();
    EXPECT_EQ(drawn.pixelColor(24, 4), QColor(Qt::red));
    // The pack's dash (132): 8 pixels on, 4 off, on rows 3 and 4, drawn on
    // colour 0, which stays clear.
    SetDialogLanguage(&test::BuiltPack(QStringLiteral("English")));
    const QImage dash = GuideStyleIcon(1, Qt::red).toImage();
    ASSERT_EQ(dash.size(), QSize(48, 8));
    EXPECT_EQ(qAlpha(dash.pixel(2, 0)), 0);
    EXPECT_EQ(qAlpha(dash.pixel(9, 3)), 0);
    EXPECT_EQ(dash.pixel(2, 3), qRgb(0x20, 0x20, 0x20));
}

}  // namespace
}  // namespace kavitro
