// What the ribbon's size, angle and colour show for a selection, and how
// the boxes read back.

#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "app/RibbonState.h"
#include "document/DrawText.h"
#include "document/SimpleObjects.h"

namespace {

using kavitro::CApplicationProperties;
using kavitro::CDrawObj;
using kavitro::CDrawText;

std::unique_ptr<CDrawText> Text(std::int32_t size, std::int32_t angle, kavitro::COLORREF colour) {
    auto text = std::make_unique<CDrawText>();
    text->m_nSize = size;
    text->m_position.m_nAngle = angle;
    text->m_color = colour;
    return text;
}

TEST(RibbonState, ShowsTheCommonValueOfTheSelectedTexts) {
    CApplicationProperties settings;  // default text size 25, colour 0
    settings[CApplicationProperties::DefaultTextColor] = 0x123456;
    auto a = Text(500, 0, 0xFF);
    auto b = Text(600, 0, 0xFF);
    auto c = Text(510, 270, 0x00FF00);
    auto d = Text(510, 181, 0x00FF00);
    kavitro::CDrawRect rect;
    struct Case {
        const char* name;
        std::vector<CDrawObj*> selection;
        kavitro::RibbonSelectionState expected;
    } cases[] = {
        {"nothing selected", {}, {"25", "0", 0x123456}},
        {"no text among them", {&rect}, {"25", "0", 0x123456}},
        {"one text", {a.get()}, {"25", "0", 0xFF}},
        {"a fractional size, a turned text", {c.get(), &rect}, {"25.5", "-90", 0x00FF00}},
        {"sizes and colours differ", {a.get(), b.get()}, {"", "0", 0xFF}},
        {"everything differs", {b.get(), d.get()}, {"", "", 0x123456}},
        {"same size, angles differ", {c.get(), d.get()}, {"25.5", "", 0x00FF00}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const kavitro::RibbonSelectionState state = kavitro::ComputeRibbonState(k.selection, settings);
        EXPECT_EQ(state.sizeText, k.expected.sizeText);
        EXPECT_EQ(state.angleText, k.expected.angleText);
        EXPECT_EQ(state.colour, k.expected.colour);
    }
}

TEST(RibbonState, BoxesReadBackAsTheirLeadingNumber) {
    CApplicationProperties settings;
    settings[CApplicationProperties::DefaultTextSize] = 30;
    struct Case {
        const char* text;
        double size;
        int angle;
    } cases[] = {
        {"25.5", 25.5, 25}, {"  12 ", 12, 12}, {"", 30, 0},        {"   ", 30, 0},
        {"-45", -45, -45},  {"abc", 0, 0},     {"7pt", 7, 7},      {"99999999999", 99999999999.0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(kavitro::ReadRibbonTextSize(QString::fromLatin1(c.text), settings), c.size);
        EXPECT_EQ(kavitro::ReadRibbonAngle(QString::fromLatin1(c.text)), c.angle);
    }
}

}  // namespace
