#pragma once

// The guide lines of a page as the page-properties sheet edits them: a list
// of horizontal and a list of vertical positions, in millimetres from the
// page's top edge (horizontal lines) and right edge (vertical lines).

#include <cstdint>
#include <vector>

namespace kavitro {

class CKavitroDoc;

struct GuideLinePositions {
    std::vector<double> horizontal;
    std::vector<double> vertical;
};

// The guide lines shown on `page` (its own and those on every page; every
// guide line for kAllPages), in the order the document keeps them. Read at
// 100 %, so that listing and putting back never moves a line.
GuideLinePositions ListGuideLines(const CKavitroDoc& document, std::uint32_t page);

// Replaces the guide lines shown on `page` (every guide line with allPages)
// by lines at the given positions, on that page or, with allPages, on every
// page. Positions that are not finite or lie outside the page are left out.
// The change is one undo step; nothing is recorded when the lines stay as
// they were. True when the document changed.
bool ReplaceGuideLines(CKavitroDoc& document, std::uint32_t page, const GuideLinePositions& positions, bool allPages);

}  // namespace kavitro
