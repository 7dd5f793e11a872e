// The colour picker: the popup's cells, keyboard movement, placement, and
// how a choice or a cancel reaches the button and its parent.

#include <QKeyEvent>

#include "app/dialogs/ColourPicker.h"
#include "tests/app/DialogTestSupport.h"

namespace kavitro {
namespace {

using ColourPicker = test::DialogTest;
using Model = ColourPopupModel;
using Move = ColourPopupModel::Move;

TEST_F(ColourPicker, OpensOnTheCellOfTheStartingColour) {
    EXPECT_EQ(Model(RGB(255, 0, 0), false, true).Current(), 16);
    EXPECT_EQ(Model(RGB(1, 2, 3), false, true).Current(), Model::kCustomCell);  // not in the table
    EXPECT_EQ(Model(RGB(1, 2, 3), false, false).Current(), Model::kNoCell);
    EXPECT_EQ(Model(Model::kAutomatic, true, true).Current(), Model::kDefaultCell);
    EXPECT_EQ(Model(Model::kAutomatic, false, true).Current(), Model::kCustomCell);
}

TEST_F(ColourPicker, ArrowKeysWalkTheCellsAndBoxes) {
    const struct {
        bool hasDefault;
        int from;
        Move move;
        int to;
    } cases[] = {
        {false, 7, Move::Right, 8},    // wraps to the next row
        {false, 8, Move::Left, 7},
        {false, 39, Move::Right, Model::kCustomCell},
        {false, Model::kCustomCell, Move::Right, 0},
        {true, 0, Move::Left, Model::kDefaultCell},
        {false, 3, Move::Up, 3},       // no default box: stays
        {true, 3, Move::Up, Model::kDefaultCell},
        {true, Model::kDefaultCell, Move::Down, 0},
        {false, 35, Move::Down, Model::kCustomCell},
        {false, Model::kCustomCell, Move::Up, 32},
        {false, 10, Move::Down, 18},
        {false, 10, Move::Up, 2},
    };
    for (const auto& c : cases) {
        Model model(RGB(1, 2, 3), c.hasDefault, true);
        ASSERT_TRUE(model.Select(c.from));
        model.Step(c.move);
        EXPECT_EQ(model.Current(), c.to) << c.from;
    }
    Model model(RGB(1, 2, 3), false, true);
    EXPECT_FALSE(model.Select(Model::kDefaultCell));
    model.Select(13);
    EXPECT_EQ(model.Chosen(), RGB(0, 0, 255));
    model.Select(Model::kCustomCell);  // the custom box keeps the chosen colour
    EXPECT_EQ(model.Chosen(), RGB(0, 0, 255));
}

TEST_F(ColourPicker, PopupStaysInsideTheScreen) {
    const QRect screen(0, 0, 1000, 800);
    const QSize popup(150, 140);
    EXPECT_EQ(PlaceColourPopup(popup, QRect(100, 100, 60, 20), screen), QPoint(100, 120));
    EXPECT_EQ(PlaceColourPopup(popup, QRect(950, 100, 40, 20), screen), QPoint(850, 120));
    EXPECT_EQ(PlaceColourPopup(popup, QRect(-20, 100, 40, 20), screen), QPoint(0, 120));
    // Near the bottom-right corner: above the button, inside the screen.
    EXPECT_EQ(PlaceColourPopup(popup, QRect(950, 770, 40, 20), screen), QPoint(850, 630));
}

void Press(QWidget& widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

TEST_F(ColourPicker, ChoosingAndCancellingReachTheButton) {
    CColourPicker picker;
    picker.SetColour(RGB(255, 0, 0));
    int ok = 0, cancel = 0, closed = 0;
    QObject::connect(&picker, &CColourPicker::selectionEndedOk, [&] { ++ok; });
    QObject::connect(&picker, &CColourPicker::selectionEndedCancel, [&] { ++cancel; });
    QObject::connect(&picker, &CColourPicker::closedUp, [&] { ++closed; });

    picker.click();
    ASSERT_NE(picker.Popup(), nullptr);
    Press(*picker.Popup(), Qt::Key_Right);  // Light orange
    Press(*picker.Popup(), Qt::Key_Return);
    EXPECT_FALSE(picker.IsPopupActive());
    EXPECT_EQ(picker.GetColour(), RGB(255, 173, 91));
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(closed, 1);

    picker.click();
    Press(*picker.Popup(), Qt::Key_Down);
    Press(*picker.Popup(), Qt::Key_Escape);
    EXPECT_EQ(picker.GetColour(), RGB(255, 173, 91));
    EXPECT_EQ(cancel, 1);

    // Another application takes over: the popup is hidden from outside.
    picker.click();
    Press(*picker.Popup(), Qt::Key_Left);
    picker.Popup()->hide();
    EXPECT_EQ(picker.GetColour(), RGB(255, 173, 91));
    EXPECT_EQ(cancel, 2);
}

TEST_F(ColourPicker, RightToLeftPopupReadsFromTheRight) {
    CColourPicker picker;
    picker.setLayoutDirection(Qt::RightToLeft);
    picker.SetColour(RGB(0, 0, 0));
    picker.click();
    CColourPopup& popup = *picker.Popup();
    popup.setLayoutDirection(Qt::RightToLeft);
    // Black, the first cell, sits at the right; the next is to its left.
    EXPECT_GT(popup.CellRect(0).left(), popup.CellRect(1).left());
    EXPECT_GT(popup.CellRect(1).left(), popup.CellRect(7).left());
    Press(popup, Qt::Key_Left);  // onwards, to the left
    Press(popup, Qt::Key_Return);
    EXPECT_EQ(picker.GetColour(), RGB(165, 42, 0));  // Brown
}

TEST_F(ColourPicker, CustomBoxAsksTheColourDialog) {
    CColourPicker picker;
    picker.SetColour(RGB(1, 2, 3));  // opens on the custom box
    int cancel = 0;
    QObject::connect(&picker, &CColourPicker::selectionEndedCancel, [&] { ++cancel; });
    CColourPicker::SetColourDialog([](QWidget*, COLORREF&) { return false; });
    picker.click();
    Press(*picker.Popup(), Qt::Key_Space);
    EXPECT_EQ(picker.GetColour(), RGB(1, 2, 3));
    EXPECT_EQ(cancel, 1);

    CColourPicker::SetColourDialog([](QWidget*, COLORREF& c) {
        c = RGB(9, 8, 7);
        return true;
    });
    picker.click();
    Press(*picker.Popup(), Qt::Key_Space);
    EXPECT_EQ(picker.GetColour(), RGB(9, 8, 7));
    CColourPicker::SetColourDialog({});
}

}  // namespace
}  // namespace kavitro
