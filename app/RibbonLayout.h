#pragma once

// The ribbon as data: tabs of groups of elements, each element bound to a
// command by id. Captions are the language pack's strings: a tab's and a
// group's own number, an element's command number.

#include <cstdint>
#include <span>

namespace kavitro {

enum class RibbonElement : std::uint8_t {
    LargeButton,
    SmallButton,
    Gallery,       // a button with a drop-down of numbered items
    ComboBox,      // an editable box (text size 5005, zoom 5006, angle 5007)
    ColourButton,  // the text colour (5008)
    ZoomSlider,    // drives the zoom box
};

struct RibbonItem {
    RibbonElement element;
    std::uint32_t command;
    std::uint8_t galleryItems = 0;
};

struct RibbonGroup {
    std::uint32_t caption;
    std::span<const RibbonItem> items;
};

struct RibbonTab {
    std::uint32_t caption;
    std::span<const RibbonGroup> groups;
};

std::span<const RibbonTab> RibbonTabs();

// The commands shown with a check mark while their update rule says so.
bool IsCheckableCommand(std::uint32_t command);

}  // namespace kavitro
