// The page-properties pages: guide-line lists, grid frequencies, the
// clipboard and miscellaneous settings; settings change only on OK.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>

#include "app/dialogs/PagePropertyPages.h"
#include "tests/app/DialogTestSupport.h"

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

}  // namespace
}  // namespace kavitro
