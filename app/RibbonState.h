#pragma once

// What the ribbon's text-size box, angle box and colour button show for a
// selection: the common value of the selected texts, nothing when they
// differ, the defaults of the settings when no text is selected. Also the
// reading of the two boxes back into numbers.

#include <QString>
#include <cstdint>
#include <vector>

#include "document/ApplicationProperties.h"
#include "platform/DcTypes.h"

namespace kavitro {

class CDrawObj;

struct RibbonSelectionState {
    QString sizeText;
    QString angleText;
    COLORREF colour = 0;
    friend bool operator==(const RibbonSelectionState&, const RibbonSelectionState&) = default;
};

// A size as shown: the stored size (20 times the shown one) divided by 20
// with two decimals, trailing zeros and point trimmed (510 -> "25.5").
QString FormatTextSize(double shownSize);
// An angle 0..359 as shown: above 180 as a negative turn (270 -> "-90").
QString FormatTextAngle(std::int32_t angle);

// Only calligraphic texts of the selection count.
RibbonSelectionState ComputeRibbonState(const std::vector<CDrawObj*>& selection,
                                        const CApplicationProperties& settings);

// The size box read back: the number at the start of the trimmed text, or
// the default text size when the box is empty.
double ReadRibbonTextSize(const QString& text, const CApplicationProperties& settings);
// The angle box read back: the integer at the start of the trimmed text, 0
// when there is none.
std::int32_t ReadRibbonAngle(const QString& text);

}  // namespace kavitro
