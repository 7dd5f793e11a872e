#include "document/GuideLineEdit.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <tuple>

#include "document/KavitroDoc.h"
#include "document/SimpleObjects.h"

namespace kavitro {

namespace {

using CAction = CObjectsBuffer::CAction;

bool IsShownOn(const CDrawObj& guide, std::uint32_t page) {
    return page == kAllPages || IsOnEveryPage(guide.m_nPage) || guide.m_nPage == page;
}

// A guide line's place at 100 %: the top edge of a horizontal line, the
// left edge of a vertical one (0.01 mm, page coordinates).
std::int32_t EdgeOf(const CDrawGuideLine& guide) {
    return guide.IsVertical() ? guide.m_position.m_rect.left : guide.m_position.m_rect.top;
}

// What decides whether a replacement changes anything.
using GuideKey = std::tuple<std::uint32_t, std::int32_t, std::uint32_t>;  // orientation, edge, page field

GuideKey KeyOf(const CDrawGuideLine& guide) {
    return {guide.IsVertical() ? 1u : 0u, EdgeOf(guide), guide.m_nPage};
}

}  // namespace

GuideLinePositions ListGuideLines(const CKavitroDoc& document, std::uint32_t page) {
    GuideLinePositions positions;
    for (const CDrawObj* object : document.m_guideLines) {
        const auto* guide = dynamic_cast<const CDrawGuideLine*>(object);
        if (!guide || !IsShownOn(*guide, page)) continue;
        (guide->IsVertical() ? positions.vertical : positions.horizontal).push_back(-EdgeOf(*guide) / 100.0);
    }
    return positions;
}

bool ReplaceGuideLines(CKavitroDoc& document, std::uint32_t page, const GuideLinePositions& positions, bool allPages) {
    const Size pageSize = document.GetPageSize();
    std::uint32_t pageField = page == kAllPages ? kEveryPageFlags : page;
    if (allPages) pageField |= kEveryPageFlags;

    // The new lines, at 100 % (one hundredth of a millimetre thick).
    std::vector<std::unique_ptr<CDrawGuideLine>> added;
    auto add = [&](std::uint32_t orientation, double millimetres, std::int32_t extent) {
        // Compared in whole hundredths, as the line is placed.
        if (!std::isfinite(millimetres) || std::fabs(millimetres) > 1e7) return;
        const long hundredths = std::lround(millimetres * 100);
        if (hundredths < 0 || hundredths > extent) return;
        const auto edge = static_cast<std::int32_t>(-hundredths);
        CPolygonRect place;
        place.m_rect = orientation != 0 ? Rect(edge, 0, edge - 100, -pageSize.cy)
                                        : Rect(-pageSize.cx, edge, 0, edge - 100);
        place.SetAngle(0);
        // Built without the document, so that the place is taken as it is
        // (at 100 %) and not converted from the zoom in force.
        auto guide = std::make_unique<CDrawGuideLine>(place, pageField, nullptr, orientation);
        guide->m_pDocument = &document;
        added.push_back(std::move(guide));
    };
    for (double v : positions.horizontal) add(0, v, pageSize.cy);
    for (double v : positions.vertical) add(1, v, pageSize.cx);

    std::vector<CDrawObj*> removed;
    std::vector<GuideKey> before, after;
    for (CDrawObj* object : document.m_guideLines) {
        const auto* guide = dynamic_cast<const CDrawGuideLine*>(object);
        if (!allPages && guide && !IsShownOn(*guide, page)) continue;
        removed.push_back(object);
        if (guide) before.push_back(KeyOf(*guide));
    }
    // A line listed where it was keeps its page field, so that a line on
    // every page stays there unless the sheet puts every line there.
    if (!allPages) {
        std::vector<bool> taken(before.size(), false);
        for (const auto& guide : added) {
            for (std::size_t i = 0; i < before.size(); ++i) {
                if (taken[i] || std::get<0>(before[i]) != std::get<0>(KeyOf(*guide)) ||
                    std::get<1>(before[i]) != EdgeOf(*guide))
                    continue;
                taken[i] = true;
                guide->m_nPage = std::get<2>(before[i]);
                break;
            }
        }
    }
    for (const auto& guide : added) after.push_back(KeyOf(*guide));
    // The lists put horizontal lines first; the document keeps any order.
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    if (before == after && removed.size() == before.size()) return false;

    CObjectsBuffer& buffer = document.m_objects;
    for (CDrawObj* guide : removed) document.m_guideLines.remove(guide);
    if (buffer.m_bRecordingOff) {
        for (CDrawObj* guide : removed) {
            buffer.DropActionsNaming(guide);
            delete guide;
        }
    } else {
        auto action = std::make_unique<CAction>(CObjectsBuffer::GetActionIdCounter(), CAction::ChangeGuideLines, nullptr);
        action->m_guidesOut.assign(removed.begin(), removed.end());
        for (const auto& guide : added) action->m_guidesIn.push_back(guide.get());
        buffer.Record(std::move(action));
        ++CObjectsBuffer::GetActionIdCounter();
    }
    for (auto& guide : added) document.m_guideLines.push_back(guide.release());
    document.SetModifiedFlag();
    document.UpdateAllViews(nullptr);
    return true;
}

}  // namespace kavitro
