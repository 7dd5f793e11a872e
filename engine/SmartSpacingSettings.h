#pragma once

// The tuning of smart spacing, as the application keeps it in its settings
// ("Settings\Miscellaneous"). The application fills one record and hands it
// to each spacing call; the defaults are those the program ships with.

#include <cstdint>

namespace kavitro {

struct SmartSpacingSettings {
    static constexpr std::int32_t kDefaultMaxOverlapWidthDivider = 2;
    static constexpr std::int32_t kDefaultMaxOverlapDenominator = 10;

    // Smallest correction step, glyph units.
    std::int32_t minJump = 10;
    // A word's search ends after more than this many reversals of direction.
    std::int32_t maxJumpDirectionSwap = 5;
    // Wanted distance between a word and the words before it, and the
    // accepted deviation from it, glyph units.
    std::int32_t targetDistance = 250;
    std::int32_t targetDistanceTolerance = 15;
    // Clearance of a dot above the letter tops, and depth of a dot below the
    // baseline, glyph units.
    std::int32_t pointsAbove = 350;
    std::int32_t pointsBelow = 800;
    // Letters narrower than this also clear the tops of their neighbours.
    std::int32_t pointsMinWidthToIgnoreAdjacent = 1000;
    // A word may overlap the one before it by its outline width / divider, or
    // by target * numerator / denominator, whichever is larger.
    std::int32_t maxOverlapWidthDivider = kDefaultMaxOverlapWidthDivider;
    std::int32_t maxOverlapNumerator = 45;
    std::int32_t maxOverlapDenominator = kDefaultMaxOverlapDenominator;
};

}  // namespace kavitro
