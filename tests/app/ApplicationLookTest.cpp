// The looks commands: which style and colours each command gives, that the
// Office 2007 commands without a scheme keep the one in force, and that
// only the look in force shows checked.

#include <gtest/gtest.h>

#include <vector>

#include <QPushButton>
#include <QToolButton>

#include "app/ApplicationLook.h"
#include "tests/app/DialogTestSupport.h"

namespace kavitro {
namespace {

using C = LookColours;

TEST(ApplicationLooks, EachCommandGivesItsLookAndTheLastOneIsChecked) {
    const QString fusion = QStringLiteral("Fusion");
    const QString windows = QStringLiteral("Windows");
    const struct {
        std::vector<std::uint32_t> chosen;  // in order; the last is in force
        ApplicationLook look;
    } cases[] = {
        {{}, {}},  // a start: the desktop's own look
        {{205}, {windows, C::Standard}},
        {{206}, {windows, C::Silver}},
        {{207}, {fusion, C::Silver}},
        {{208}, {fusion, C::Blue}},
        {{209}, {windows, C::Blue}},
        {{216, 210}, {}},
        {{211}, {fusion, C::Blue}},  // the scheme of Office 2007 starts blue
        {{215}, {fusion, C::Blue}},
        {{216}, {fusion, C::Black}},
        {{217}, {fusion, C::Silver}},
        {{218}, {fusion, C::Aqua}},
        {{216, 205, 212}, {fusion, C::Black}},  // 211 to 214 keep the scheme chosen last
        {{218, 214}, {fusion, C::Aqua}},
        {{219}, {fusion, C::Aqua}},
        {{217, 204, 220, 0}, {fusion, C::Silver}},  // other ids change nothing
    };
    for (const auto& c : cases) {
        CApplicationLooks looks;
        std::uint32_t inForce = CApplicationLooks::kDefault;
        for (const std::uint32_t id : c.chosen) {
            EXPECT_EQ(looks.Choose(id), CApplicationLooks::IsLookCommand(id)) << id;
            if (CApplicationLooks::IsLookCommand(id))
                inForce = id;
        }
        SCOPED_TRACE(testing::Message() << "last " << inForce);
        EXPECT_EQ(looks.Current(), inForce);
        EXPECT_EQ(looks.Look(), c.look);
        for (std::uint32_t id = CApplicationLooks::kFirst - 1; id <= CApplicationLooks::kLast + 1; ++id) {
            EXPECT_EQ(looks.IsChecked(id), id == inForce) << id;
            EXPECT_EQ(CApplicationLooks::Name(id).isEmpty(), !CApplicationLooks::IsLookCommand(id)) << id;
        }
    }
}

TEST(ApplicationLooks, SchemesColourTheStylesPaletteAndStandardKeepsIt) {
    QPalette standard;
    standard.setColor(QPalette::Window, QColor(1, 2, 3));
    EXPECT_EQ(LookPalette(C::Standard, standard), standard);
    QColor windows[4];
    int i = 0;
    for (const C scheme : {C::Blue, C::Black, C::Silver, C::Aqua}) {
        const QPalette palette = LookPalette(scheme, standard);
        windows[i] = palette.color(QPalette::Window);
        for (int j = 0; j < i; ++j)
            EXPECT_NE(windows[i], windows[j]);
        // Text stands out from what it is written on.
        EXPECT_NE(palette.color(QPalette::WindowText), palette.color(QPalette::Window));
        EXPECT_NE(palette.color(QPalette::Text), palette.color(QPalette::Base));
        ++i;
    }
}

// Labels keep room from the button's edges, in the look the program starts
// with and in one chosen later.
TEST(ApplicationLooks, ButtonLabelsKeepRoomFromTheEdges) {
    const auto application = test::MakeDialogApplication();
    const auto roomOf = [](QWidget& button, const QString& text) {
        return button.sizeHint().width() - button.fontMetrics().horizontalAdvance(text);
    };
    const QString label = QStringLiteral("ذخیره با نام");
    QToolButton tool;
    tool.setToolButtonStyle(Qt::ToolButtonTextOnly);
    tool.setText(label);
    QPushButton push(label);
    const int plainTool = roomOf(tool, label);
    const int plainPush = roomOf(push, label);

    UsePaddedButtons();
    const int padding = ButtonLabelPadding(tool.fontMetrics());
    tool.setStyle(nullptr);  // take the application's style again
    push.setStyle(nullptr);
    EXPECT_GE(roomOf(tool, label), plainTool + 2 * padding);
    EXPECT_GE(roomOf(push, label), plainPush + 2 * padding);
    EXPECT_GE(roomOf(tool, label), 2 * padding);

    const DesktopLook desktop = DesktopLook::Current();
    EXPECT_FALSE(desktop.style.isEmpty());
    ApplyApplicationLook({QStringLiteral("Fusion"), C::Blue}, desktop);
    EXPECT_EQ(DesktopLook::Current().style.toLower(), QStringLiteral("fusion"));
    QToolButton later;
    later.setToolButtonStyle(Qt::ToolButtonTextOnly);
    later.setText(label);
    EXPECT_GE(roomOf(later, label), 2 * padding);
    ApplyApplicationLook({}, desktop);
    EXPECT_EQ(DesktopLook::Current().style, desktop.style);
}

}  // namespace
}  // namespace kavitro
