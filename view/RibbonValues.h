#pragma once

// What the main frame's ribbon shows in its text-size and angle boxes, as
// the view reads them when it makes a text object for inserted text. The
// shell sets the readers; without them the view takes the setting
// "DefaultTextSize" and the angle 0.

#include <cstdint>
#include <functional>

namespace kavitro {

struct RibbonValues {
    std::function<double()> textSize;     // the size box as shown (text size / 20)
    std::function<std::int32_t()> angle;  // the angle box, degrees

    // The process-wide readers (there is one main frame).
    static RibbonValues& Current() {
        static RibbonValues values;
        return values;
    }
};

}  // namespace kavitro
