// The bitmap-size and guide-line dialogs.

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>

#include "app/dialogs/BitmapSizeDialog.h"
#include "app/dialogs/GuideLineDialog.h"
#include "tests/app/DialogTestSupport.h"

namespace kavitro {
namespace {

using SmallDialogs = test::DialogTest;

// Types the text as key presses, as a user would (setText is not typing).
void Type(QLineEdit& box, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&box, &press);
    }
}

TEST_F(SmallDialogs, BitmapSizeKeepsTheStartingRatio) {
    BitmapSizeLink link(200, 100);
    EXPECT_EQ(link.HeightTyped(u"300"), 600);  // height 300 -> width 600
    EXPECT_EQ(link.WidthTyped(u"50"), 25);
    EXPECT_EQ(link.WidthTyped(u"3"), 2);       // 1.5 rounds half away from zero
    EXPECT_EQ(link.WidthTyped(u"1"), 1);       // never below one pixel
    EXPECT_EQ(link.HeightTyped(u"15000"), BitmapSizeLink::kMaxSide);
    EXPECT_EQ(link.WidthTyped(u"abc"), std::nullopt);
    EXPECT_EQ(link.WidthTyped(u"\u06F4\u06F0\u06F0"), 200);  // Persian 400
    BitmapSizeLink unlinked(0, 100);
    EXPECT_EQ(unlinked.WidthTyped(u"50"), std::nullopt);
    EXPECT_EQ(unlinked.HeightTyped(u"50"), std::nullopt);
}

TEST_F(SmallDialogs, BitmapSizeAcceptsOnlyBoundedSizes) {
    const struct {
        const char16_t* width;
        const char16_t* height;
        bool accepted;
    } cases[] = {
        {u"600", u"300", true},   {u"1", u"1", true},         {u"0", u"300", false},
        {u"600", u"-3", false},   {u"20001", u"1", false},    {u"x", u"300", false},
        {u"", u"300", false},     {u"20000", u"20000", false},  // area
        {u"10000", u"10000", true}, {u"1e9", u"1", false},
    };
    for (const auto& c : cases) {
        const auto size = BitmapSizeLink::Accept(c.width, c.height);
        EXPECT_EQ(size.has_value(), c.accepted);
    }
}

TEST_F(SmallDialogs, BitmapSizeBoxesUpdateEachOtherWithoutFeedback) {
    CBitmapExportDialog dialog(nullptr, Size{200, 100});
    dialog.WidthBox().clear();
    Type(dialog.WidthBox(), QStringLiteral("2"));
    EXPECT_EQ(dialog.WidthBox().text(), QStringLiteral("2"));  // stays as typed
    EXPECT_EQ(dialog.HeightBox().text(), QStringLiteral("1"));
    Type(dialog.WidthBox(), QStringLiteral("00"));
    EXPECT_EQ(dialog.WidthBox().text(), QStringLiteral("200"));
    EXPECT_EQ(dialog.HeightBox().text(), QStringLiteral("100"));
    dialog.HeightBox().selectAll();
    Type(dialog.HeightBox(), QStringLiteral("300"));
    EXPECT_EQ(dialog.WidthBox().text(), QStringLiteral("600"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenSize(), (Size{600, 300}));

    CBitmapExportDialog refused(nullptr, Size{200, 100});
    refused.WidthBox().setText(QStringLiteral("0"));
    refused.accept();
    EXPECT_NE(refused.result(), QDialog::Accepted);
    EXPECT_EQ(refused.ChosenSize(), (Size{200, 100}));
}

TEST_F(SmallDialogs, GuidePositionIsReadLikeANumberAndKeptOnThePage) {
    EXPECT_EQ(GuidePositionText(true, 12.5), QStringLiteral("12.50"));
    EXPECT_EQ(GuidePositionText(false, 12.5), QString());
    const struct {
        const char16_t* text;
        double position;
    } cases[] = {
        {u"12.5", 12.5}, {u"12.5mm", 12.5}, {u"abc", 0},  {u"", 0},      {u"-5", 0},
        {u"999", 297},   {u"nan", 0},       {u"inf", 0},  {u"1e400", 1}, {u"\u06F3\u06F0", 30},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadGuidePosition(c.text, 297), c.position);
    EXPECT_EQ(ReadGuidePosition(u"50", std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(SmallDialogs, EditedGuideLineKeepsItsOrientation) {
    CAddGuidelineDialog edit(nullptr, true, 1, 12.5, GuideLimits{297, 210});
    EXPECT_EQ(edit.PositionBox().text(), QStringLiteral("12.50"));
    EXPECT_FALSE(edit.HorizontalButton().isEnabled());
    EXPECT_FALSE(edit.VerticalButton().isEnabled());
    edit.PositionBox().setText(QStringLiteral("250"));
    edit.accept();
    EXPECT_EQ(edit.Orientation(), 1);
    EXPECT_EQ(edit.Position(), 210);  // the page's width

    CAddGuidelineDialog add(nullptr, false, 0, 0, GuideLimits{297, 210});
    EXPECT_TRUE(add.PositionBox().text().isEmpty());
    add.HorizontalButton().setChecked(false);
    add.VerticalButton().setChecked(true);
    add.PositionBox().setText(QStringLiteral("x"));
    add.accept();
    EXPECT_EQ(add.Orientation(), 1);
    EXPECT_EQ(add.Position(), 0);
}

}  // namespace
}  // namespace kavitro
